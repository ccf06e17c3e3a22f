#pragma once
// A titled group of radio buttons with one item list and one item index (-1: none chosen),
// the way the operation panel's choices are kept and stored.
#include <QGroupBox>
#include <QRadioButton>  // button() hands them out
#include <QStringList>
#include <vector>

class QButtonGroup;
class QVBoxLayout;

class RadioGroup : public QGroupBox {
  Q_OBJECT
 public:
  explicit RadioGroup(QWidget* parent = nullptr);

  // Replaces the items; the index is kept when it still names an item, else it becomes -1.
  void setItems(const QStringList& items);
  QStringList items() const { return items_; }
  int count() const { return static_cast<int>(items_.size()); }

  int itemIndex() const { return index_; }
  // Any value outside the items means none chosen (-1). Sends no clicked().
  void setItemIndex(int index);
  // The text of the chosen item, empty when none is chosen.
  QString itemText() const { return index_ >= 0 ? items_[index_] : QString(); }

  QRadioButton* button(int index) const;

 signals:
  // The user chose an item (also when clicking the item already chosen).
  void clicked(int index);
  // The index changed, by the user or by code.
  void itemIndexChanged(int index);

 private:
  void onButtonClicked(int id);
  void showIndex();

  QStringList items_;
  std::vector<QRadioButton*> buttons_;
  QButtonGroup* group_;
  QVBoxLayout* layout_;
  int index_ = -1;
};
