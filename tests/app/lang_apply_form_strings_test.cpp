#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWidget>

#include "app/apply_form_strings.h"
#include "app/radio_group.h"
#include "lang/lang.h"

namespace {

QString text(int id) {
  return QString::fromStdString(LangString(id));
}

template <class T>
T* tagged(T* w, const char* name, int tag) {
  w->setObjectName(QString::fromLatin1(name));
  w->setProperty("tag", tag);
  return w;
}

// A small window with one control of each kind the texts go to, and some they must not.
struct TestForm {
  QWidget form;
  QCheckBox* check = tagged(new QCheckBox("x"), "cbRenameEnable", 251);
  QLabel* label = tagged(new QLabel("x"), "Label4", 263);
  QPushButton* button = tagged(new QPushButton("x"), "Start", 232);
  QToolButton* speed = tagged(new QToolButton, "Button9", 234);
  QGroupBox* panel = tagged(new QGroupBox("x"), "paAction", 230);
  QGroupBox* group = tagged(new QGroupBox("x"), "gbPlayer", 114);
  RadioGroup* radios = tagged(new RadioGroup, "rgAction", 231);
  QRadioButton* radio = tagged(new QRadioButton("radio"), "RadioButton1", 100);
  QTabWidget* tabs = new QTabWidget;
  QWidget* page0 = tagged(new QWidget, "TabSheet1", 281);
  QWidget* page1 = tagged(new QWidget, "TabSheet2", 284);
  QMenu* menu = new QMenu(&form);
  QAction* item = nullptr;
  QLabel* untagged = new QLabel("keep");
  QLabel* outOfTable = tagged(new QLabel("x"), "Label9", 600);
  QLabel* belowRange = tagged(new QLabel("low"), "Label1", 5);

  TestForm() {
    auto* layout = new QVBoxLayout(&form);
    for (QWidget* w :
         std::initializer_list<QWidget*>{check, label, button, speed, panel, group, radios, radio,
                                         tabs, untagged, outOfTable, belowRange})
      layout->addWidget(w);
    tabs->addTab(page0, "p0");
    tabs->addTab(page1, "p1");
    item = tagged(menu->addAction("x"), "miAbout", 79);
    speed->setText("...");
  }
};

// A label of a class of its own: ApplyFormStrings goes by exact class.
class OwnLabel : public QLabel {
 public:
  using QLabel::QLabel;
};

}  // namespace

TEST(ApplyFormStrings, EachKindOfControlGetsItsTextItsWay) {
  TestForm t;
  ApplyFormStrings(&t.form, 10, 1000);
  EXPECT_EQ(t.check->text(), text(251));
  EXPECT_EQ(t.label->text(), text(263));
  EXPECT_EQ(t.button->text(), text(232));
  EXPECT_EQ(t.speed->toolTip(), text(234));
  EXPECT_EQ(t.speed->text(), "...");  // a speed button keeps its face
  EXPECT_EQ(t.panel->title(), "  Операция  ");
  EXPECT_EQ(t.group->title(), " Плеер ");
  EXPECT_EQ(t.radios->title(), " Отмеченные файлы ");
  EXPECT_EQ(t.tabs->tabText(0), text(281));
  EXPECT_EQ(t.tabs->tabText(1), text(284));
  EXPECT_EQ(t.item->text(), "О программе");
  // Other classes, untagged controls and tags outside the range are left alone.
  EXPECT_EQ(t.radio->text(), "radio");
  EXPECT_EQ(t.untagged->text(), "keep");
  EXPECT_EQ(t.belowRange->text(), "low");
  // A tag inside the range but beyond the table gives an empty text.
  EXPECT_EQ(t.outOfTable->text(), "");
  EXPECT_TRUE(t.form.updatesEnabled());
}

TEST(ApplyFormStrings, TheRangeIsInclusiveAtBothEnds) {
  TestForm t;
  ApplyFormStrings(&t.form, 231, 251);
  EXPECT_EQ(t.radios->title(), " Отмеченные файлы ");  // 231, the low end
  EXPECT_EQ(t.check->text(), text(251));               // 251, the high end
  EXPECT_EQ(t.panel->title(), "x");                    // 230, just below
  EXPECT_EQ(t.label->text(), "x");                     // 263, above
  EXPECT_EQ(t.outOfTable->text(), "x");
}

TEST(ApplyFormStrings, ExactClassDecidesAndFrozenFormStaysFrozen) {
  QWidget form;
  auto* own = tagged(new OwnLabel("own", &form), "JvPanel4", 31);
  auto* plain = tagged(new QLabel("plain", &form), "Label2", 31);
  auto* nested = tagged(new QCheckBox("nested", plain), "cbInner", 239);
  form.setUpdatesEnabled(false);
  ApplyFormStrings(&form, 1, 500);
  EXPECT_EQ(own->text(), "own");
  EXPECT_EQ(plain->text(), text(31));
  EXPECT_EQ(nested->text(), text(239));  // descendants at any depth are visited
  EXPECT_FALSE(form.updatesEnabled());
  EXPECT_EQ(FormStringKindOf(own), FormStringKind::Other);
  ApplyFormStrings(nullptr, 1, 500);  // nothing to do, no crash
}
