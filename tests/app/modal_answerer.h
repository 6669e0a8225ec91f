// Answers the modal windows a command opens while it runs, so that tests go
// through message boxes and dialogs instead of skipping them. A zero-delay
// timer looks for the active modal widget, records what it shows and hands
// it to the next queued answer (by default: accept it).
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QString>
#include <QTimer>
#include <deque>
#include <functional>
#include <vector>

struct TShownModal {
  QString className;  // "QMessageBox", "TOCRDialog", ...
  QString title;
  QString text;  // a message box's text; empty for other dialogs
  QMessageBox::Icon icon = QMessageBox::NoIcon;
};

using TModalAnswer = std::function<void(QDialog& modal)>;

// Accepts a message box through its OK button, any other dialog by accept().
inline void AcceptModal(QDialog& modal) {
  if (auto* box = qobject_cast<QMessageBox*>(&modal)) {
    if (QAbstractButton* ok = box->button(QMessageBox::Ok)) {
      ok->click();
      return;
    }
  }
  modal.accept();
}

inline void RejectModal(QDialog& modal) {
  modal.reject();
}

// Runs `command` and answers every modal window it opens, in order, with the
// queued answers and then with AcceptModal. Returns what the windows showed.
inline std::vector<TShownModal> AnswerModals(const std::function<void()>& command,
                                             std::deque<TModalAnswer> answers = {}) {
  std::vector<TShownModal> shown;
  QTimer timer;
  timer.setInterval(0);
  QObject::connect(&timer, &QTimer::timeout, [&] {
    auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (modal == nullptr || !modal->isVisible() || modal->property("answered").toBool()) return;
    modal->setProperty("answered", true);
    TShownModal record{modal->metaObject()->className(), modal->windowTitle(), {}, {}};
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      record.text = box->text();
      record.icon = box->icon();
    }
    shown.push_back(record);
    TModalAnswer answer = AcceptModal;
    if (!answers.empty()) {
      answer = answers.front();
      answers.pop_front();
    }
    // Answered from a fresh event, so that a window the answer opens in turn
    // is seen by this timer too.
    QTimer::singleShot(0, modal, [modal, answer] {
      answer(*modal);
      // A dialog made once (the open dialog) is answered anew at its next showing.
      if (!modal->isVisible()) modal->setProperty("answered", QVariant());
    });
  });
  timer.start();
  command();
  timer.stop();
  return shown;
}
