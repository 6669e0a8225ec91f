// Unit UnitParametriOCR. TOCRDialog: the modal dialog in which the user
// chooses how the area OCR command reads a selection. It is made once and
// keeps its controls' state from one showing to the next.
#pragma once

#include <QDialog>

#include "ocr/ocrsettings.h"

class QCheckBox;
class QGroupBox;
class QPushButton;
class QRadioButton;
class QSpinBox;
class TRadioGroup;

class TOCRDialog : public QDialog {
  Q_OBJECT

 public:
  explicit TOCRDialog(QWidget* parent = nullptr);

  // The engine settings the controls show now.
  TOcrSettings Settings() const;
  // True unless "Good" is the chosen text quality: only good prints are read.
  bool LowQualityChosen() const;

  TRadioGroup* RadioGroupArea;
  TRadioGroup* RadioGroupContent;
  TRadioGroup* RadioGroupQuality;
  QCheckBox* CheckBoxSplit;
  QCheckBox* CheckBoxCompare;
  QCheckBox* CheckBoxContextCorrection;
  QGroupBox* GroupBoxNoiseRemoval;
  QRadioButton* RadioButtonNrNone;
  QRadioButton* RadioButtonNrSmart;
  QRadioButton* RadioButtonNRAlways;
  QSpinBox* SpinEditMaxSpotSize;
  QPushButton* Button1;  // OK
  QPushButton* Button2;  // Cancel

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  uint8_t SpotRemovalChosen() const;
};

// The dialog's client size.
inline constexpr int kOcrDialogWidth = 464;
inline constexpr int kOcrDialogHeight = 280;
