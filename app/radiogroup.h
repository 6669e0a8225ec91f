// TRadioGroup: a captioned box of radio buttons, one per item, that answers
// with the index of the checked one.
#pragma once

#include <QGroupBox>
#include <QStringList>

class QButtonGroup;
class QRadioButton;

class TRadioGroup : public QGroupBox {
  Q_OBJECT

 public:
  TRadioGroup(const QString& caption, const QStringList& items, QWidget* parent = nullptr);

  // The checked item, or -1 when none is.
  int ItemIndex() const;
  // Checks the item; -1 unchecks every item.
  void SetItemIndex(int index);
  QRadioButton* Button(int index) const;
  int Count() const;

 private:
  QButtonGroup* group_;
};
