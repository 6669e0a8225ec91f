// Unit UnitTextResult: the text window of the area OCR.
#include "app/textresultwindow.h"

#include <QTextEdit>
#include <QVBoxLayout>

#include "app/centring.h"
#include "app/messages.h"

namespace {
constexpr int kWidth = 402;
constexpr int kHeight = 350;
}  // namespace

TFormTextResult::TFormTextResult(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint) {
  setWindowTitle("OCR Text Result");
  RichEditResult = new QTextEdit(this);
  RichEditResult->setAcceptRichText(true);
  // Recognised lines stay lines; long ones scroll sideways.
  RichEditResult->setLineWrapMode(QTextEdit::NoWrap);
  RichEditResult->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  RichEditResult->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(RichEditResult);
  resize(kWidth, kHeight);
}

void TFormTextResult::InsertText(const std::string& ansi) {
  RichEditResult->insertPlainText(QtText(ansi));
}

void TFormTextResult::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // Centred when it first appears; after that it stays where the user put it.
  if (!placed_) CentreOnScreen(*this);
  placed_ = true;
}
