#include "app/radiogroup.h"

#include <QButtonGroup>
#include <QRadioButton>
#include <QVBoxLayout>

TRadioGroup::TRadioGroup(const QString& caption, const QStringList& items, QWidget* parent)
    : QGroupBox(caption, parent), group_(new QButtonGroup(this)) {
  auto* layout = new QVBoxLayout(this);
  for (int i = 0; i < items.size(); ++i) {
    auto* button = new QRadioButton(items[i], this);
    group_->addButton(button, i);
    layout->addWidget(button);
  }
  layout->addStretch();
}

int TRadioGroup::ItemIndex() const {
  return group_->checkedId();
}

void TRadioGroup::SetItemIndex(int index) {
  if (QAbstractButton* button = group_->button(index)) {
    button->setChecked(true);
    return;
  }
  // An exclusive group never lets its last checked button go, so it is
  // released for the moment of unchecking.
  group_->setExclusive(false);
  for (QAbstractButton* button : group_->buttons()) button->setChecked(false);
  group_->setExclusive(true);
}

QRadioButton* TRadioGroup::Button(int index) const {
  return qobject_cast<QRadioButton*>(group_->button(index));
}

int TRadioGroup::Count() const {
  return static_cast<int>(group_->buttons().size());
}
