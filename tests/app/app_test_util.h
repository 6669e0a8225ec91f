// The fixture of the desktop tool's suites: the three windows of a run, the
// main one shown, and the gestures a user makes on them.
#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTest>
#include <memory>
#include <string>

#include "app/mainwindow.h"
#include "modal_answerer.h"

inline const std::string kTestData = VEREVIZU_TEST_DATA;

// Types a file's path into the open dialog and accepts it, as a user would.
inline TModalAnswer ChooseFile(const std::string& path) {
  return [path](QDialog& modal) {
    auto* name = modal.findChild<QLineEdit*>("fileNameEdit");
    if (name == nullptr) {
      ADD_FAILURE() << "expected the open dialog, got " << modal.metaObject()->className();
    } else {
      name->setText(QString::fromStdString(path));
    }
    modal.accept();
  };
}

class AppTest : public testing::Test {
 protected:
  void SetUp() override {
    forms_ = std::make_unique<TApplicationForms>();
    Form1->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Form1));
  }
  void TearDown() override { forms_.reset(); }

  // Runs an action as a click on it would, answering the boxes it opens.
  static std::vector<TShownModal> Trigger(QAction* action, std::deque<TModalAnswer> answers = {}) {
    return AnswerModals([action] { action->trigger(); }, std::move(answers));
  }

  // Opens a file of tests/data (or a full path) through the open command.
  static void Open(const std::string& name) {
    const std::string path = name.front() == '/' ? name : kTestData + "/" + name;
    const auto shown = Trigger(Form1->ActionOpen, {ChooseFile(path)});
    ASSERT_EQ(shown.size(), 1u);
    ASSERT_EQ(shown[0].className, "QFileDialog");
    ASSERT_FALSE(Form1->ImageScrollBox1->Graphic().IsEmpty()) << name;
  }

  // Mouse gestures on a view's picture, in derived-image pixels.
  static void Send(QWidget* target, QEvent::Type type, QPoint at, Qt::MouseButton button,
                   Qt::MouseButtons held) {
    QMouseEvent event(type, at, target->mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
  }
  static void Drag(TImageScrollBox* view, QPoint from, QPoint to) {
    QWidget* picture = view->PictureControl();
    Send(picture, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    Send(picture, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    Send(picture, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
  }
  static std::vector<TShownModal> Click(TImageScrollBox* view, QPoint at) {
    return AnswerModals([&] {
      QWidget* picture = view->PictureControl();
      Send(picture, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
      Send(picture, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
    });
  }

 private:
  std::unique_ptr<TApplicationForms> forms_;
};
