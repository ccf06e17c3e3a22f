#include "app/radio_group.h"

#include <QButtonGroup>
#include <QRadioButton>
#include <QVBoxLayout>

RadioGroup::RadioGroup(QWidget* parent) : QGroupBox(parent) {
  group_ = new QButtonGroup(this);
  group_->setExclusive(true);
  layout_ = new QVBoxLayout(this);
  layout_->setContentsMargins(8, 4, 8, 6);
  layout_->setSpacing(2);
  connect(group_, &QButtonGroup::idClicked, this, &RadioGroup::onButtonClicked);
}

void RadioGroup::setItems(const QStringList& items) {
  for (QRadioButton* b : buttons_) {
    group_->removeButton(b);
    delete b;
  }
  buttons_.clear();
  items_ = items;
  for (int i = 0; i < items_.size(); ++i) {
    auto* b = new QRadioButton(items_[i], this);
    b->setObjectName(objectName() + QStringLiteral("_item%1").arg(i));
    group_->addButton(b, i);
    layout_->addWidget(b);
    buttons_.push_back(b);
  }
  if (index_ >= count()) {
    index_ = -1;
    emit itemIndexChanged(-1);
  }
  showIndex();
}

void RadioGroup::setItemIndex(int index) {
  if (index < 0 || index >= count()) index = -1;
  if (index == index_) return;
  index_ = index;
  showIndex();
  emit itemIndexChanged(index_);
}

QRadioButton* RadioGroup::button(int index) const {
  return index >= 0 && index < count() ? buttons_[index] : nullptr;
}

void RadioGroup::onButtonClicked(int id) {
  if (id != index_) {
    index_ = id;
    emit itemIndexChanged(index_);
  }
  emit clicked(index_);
}

void RadioGroup::showIndex() {
  // An exclusive group cannot uncheck its last button; lift that while clearing.
  group_->setExclusive(false);
  for (int i = 0; i < count(); ++i) buttons_[i]->setChecked(i == index_);
  group_->setExclusive(true);
}
