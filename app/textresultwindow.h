// Unit UnitTextResult. TFormTextResult: the always-on-top tool window that
// lists the text of the last area OCR. The area OCR command fills and shows
// it; only the user hides it.
#pragma once

#include <QWidget>
#include <string>

class QTextEdit;

class TFormTextResult : public QWidget {
  Q_OBJECT

 public:
  explicit TFormTextResult(QWidget* parent = nullptr);

  // Inserts Windows-1252 text at the caret; a carriage return (with or
  // without its line feed) starts a new line.
  void InsertText(const std::string& ansi);

  QTextEdit* RichEditResult;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  bool placed_ = false;
};
