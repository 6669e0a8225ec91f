// Unit UnitParametriOCR: the area OCR dialog's controls and the settings
// they give.
#include "app/ocrdialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/centring.h"
#include "app/radiogroup.h"

namespace {

constexpr int kQualityGood = 0;

}  // namespace

TOCRDialog::TOCRDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle("Omnifont OCR");

  RadioGroupArea =
      new TRadioGroup("Area Type", {"Character", "Word", "Text Line", "Paragraph"}, this);
  RadioGroupArea->SetItemIndex(3);
  RadioGroupContent = new TRadioGroup(
      "Content", {"Numeric", "Uppercase Letters", "Lowercase Letters", "Letters", "Alphanumeric"},
      this);
  RadioGroupContent->SetItemIndex(4);
  RadioGroupQuality = new TRadioGroup("Text Quality", {"Good", "Dot Matrix", "Fax"}, this);
  RadioGroupQuality->SetItemIndex(kQualityGood);

  CheckBoxSplit = new QCheckBox("Split Touching Chars", this);
  CheckBoxCompare = new QCheckBox("Symilarity Correction", this);
  CheckBoxContextCorrection = new QCheckBox("Context Correction", this);
  for (QCheckBox* box : {CheckBoxSplit, CheckBoxCompare, CheckBoxContextCorrection}) {
    box->setChecked(true);
  }

  GroupBoxNoiseRemoval = new QGroupBox("Spot Removal", this);
  RadioButtonNrNone = new QRadioButton("None", GroupBoxNoiseRemoval);
  RadioButtonNrSmart = new QRadioButton("Smart", GroupBoxNoiseRemoval);
  RadioButtonNRAlways = new QRadioButton("Always", GroupBoxNoiseRemoval);
  RadioButtonNRAlways->setChecked(true);
  SpinEditMaxSpotSize = new QSpinBox(GroupBoxNoiseRemoval);
  SpinEditMaxSpotSize->setRange(kMinSpotSize, kMaxSpotSize);
  SpinEditMaxSpotSize->setValue(8);
  auto* spotLabel = new QLabel("Max Spot Size", GroupBoxNoiseRemoval);
  spotLabel->setBuddy(SpinEditMaxSpotSize);
  auto* automaticLabel = new QLabel("(-1 = automatic)", GroupBoxNoiseRemoval);
  auto* spots = new QGridLayout(GroupBoxNoiseRemoval);
  spots->addWidget(RadioButtonNrNone, 0, 0);
  spots->addWidget(RadioButtonNrSmart, 1, 0);
  spots->addWidget(RadioButtonNRAlways, 2, 0);
  spots->addWidget(spotLabel, 0, 1);
  spots->addWidget(SpinEditMaxSpotSize, 1, 1);
  spots->addWidget(automaticLabel, 2, 1);

  Button1 = new QPushButton("OK", this);
  Button1->setDefault(true);
  Button2 = new QPushButton("Cancel", this);
  connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
  connect(Button2, &QPushButton::clicked, this, &QDialog::reject);

  // Area type above text quality on the left, content in the middle, the
  // engine's switches and the buttons on the right.
  auto* left = new QVBoxLayout;
  left->addWidget(RadioGroupArea);
  left->addWidget(RadioGroupQuality);
  auto* checks = new QVBoxLayout;
  checks->addWidget(CheckBoxSplit);
  checks->addWidget(CheckBoxCompare);
  checks->addWidget(CheckBoxContextCorrection);
  checks->addWidget(GroupBoxNoiseRemoval);
  checks->addStretch();
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(Button1);
  buttons->addWidget(Button2);
  checks->addLayout(buttons);
  auto* columns = new QHBoxLayout(this);
  columns->addLayout(left);
  columns->addWidget(RadioGroupContent);
  columns->addLayout(checks);

  // A fixed border; larger only when the desktop's font cannot fit the
  // controls into the dialog's own client area.
  const QSize hint = sizeHint();
  setFixedSize(std::max(kOcrDialogWidth, hint.width()), std::max(kOcrDialogHeight, hint.height()));
}

TOcrSettings TOCRDialog::Settings() const {
  TOcrSettings s;
  s.Area = RadioGroupArea->ItemIndex();
  s.Content = static_cast<std::size_t>(RadioGroupContent->ItemIndex());
  s.SpotRemoval = SpotRemovalChosen();
  s.MaxSpotSize = SpinEditMaxSpotSize->value();
  s.SplitTouching = CheckBoxSplit->isChecked();
  s.SimilarityCorrection = CheckBoxCompare->isChecked();
  s.ContextCorrection = CheckBoxContextCorrection->isChecked();
  return s;
}

bool TOCRDialog::LowQualityChosen() const {
  return RadioGroupQuality->ItemIndex() != kQualityGood;
}

uint8_t TOCRDialog::SpotRemovalChosen() const {
  if (RadioButtonNrNone->isChecked()) return kSpotsNone;
  if (RadioButtonNrSmart->isChecked()) return kSpotsSmart;
  return kSpotsAlways;  // "Always", or no choice at all
}

void TOCRDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  CentreOnScreen(*this);
}
