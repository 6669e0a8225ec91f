#include "app/messages.h"

#include <QMessageBox>

#include "platform/codepage.h"

namespace {

void Show(QWidget* parent, QMessageBox::Icon icon, const QString& text) {
  QMessageBox box(icon, kApplicationTitle, text, QMessageBox::Ok, parent);
  // Messages quote file names and readings: never take them for markup.
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

}  // namespace

QString QtText(std::string_view ansi) {
  QString text = QString::fromStdString(platform::AnsiToUtf8(ansi));
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QChar('\r'), QChar('\n'));
  return text;
}

void ShowMessage(QWidget* parent, const QString& text) {
  Show(parent, QMessageBox::NoIcon, text);
}

void ShowInformation(QWidget* parent, const QString& text) {
  Show(parent, QMessageBox::Information, text);
}

void ShowWarning(QWidget* parent, const QString& text) {
  Show(parent, QMessageBox::Warning, text);
}

void ShowException(QWidget* parent, const std::exception& e) {
  Show(parent, QMessageBox::Critical, QString::fromStdString(e.what()));
}
