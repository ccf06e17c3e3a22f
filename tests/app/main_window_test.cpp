// The windows as they are built: every control under its name and with its text id, the
// pages in their indexes, the tree and menu in their order, the containers whose direct
// children the configuration stores, and the sizes the dialogs must keep.
#include "app/main_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSlider>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>

#include "app/about_window.h"
#include "app/gradient_panel.h"
#include "app/nav_commands.h"
#include "app/program.h"
#include "app/progress_dialog.h"
#include "app/radio_group.h"
#include "app/settings_dialog.h"
#include "app/worklist_model.h"
#include "lang/lang.h"
#include "test_support.h"

namespace {

class MainWindowTest : public ::testing::Test {
 protected:
  TempDir home;
  TavelProgram program{ParseStartupOptions({"tavel"}), home.str()};
  TForm1 form{program};

  template <class T>
  T* find(const char* name) {
    T* w = form.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
};

void expectNavChildren(QTreeWidgetItem* item, const std::vector<std::int32_t>& commands) {
  ASSERT_EQ(item->childCount(), static_cast<int>(commands.size())) << item->text(0).toStdString();
  for (int i = 0; i < item->childCount(); ++i) {
    QTreeWidgetItem* c = item->child(i);
    const std::int32_t command = commands[static_cast<std::size_t>(i)];
    EXPECT_EQ(c->text(0), QString::number(command));
    EXPECT_EQ(c->data(0, kNavCommandRole).toInt(), command);
    expectNavChildren(c, NavTreeChildren(command));
  }
}

}  // namespace

TEST_F(MainWindowTest, EveryNamedControlExistsWithItsKindAndTextId) {
  struct Expect {
    const char* name;
    int tag;  // -1: none
  };
  const Expect checkBoxes[] = {
      {"CheckBox1", 101},      {"cbAFGetID3v1", 111}, {"cbAFChecked", 104},   {"cbAFbyMask", 102},
      {"cbClearDest", 239},    {"cbRemEmpty2", 244},  {"cbDelToTrash", 245},  {"cbRemEmpty1", 244},
      {"cbRenameEnable", 251}, {"cb11", 252},         {"cb14", 253},          {"cb13", 254},
      {"cb12", 255},           {"cb15", 256},         {"cbAFShowOptions", -1}};
  for (const Expect& e : checkBoxes) {
    auto* w = find<QCheckBox>(e.name);
    if (w) {
      EXPECT_EQ(TagOf(w), e.tag) << e.name;
    }
  }
  const Expect panels[] = {{"paAction", 230},  {"paDest", 233},   {"paCopy", 240},
                           {"paMove", 241},    {"paDelete", 246}, {"paRename", 250},
                           {"paFolders", 260}, {"gbPlayer", 114}, {"gbQuickStart", 115},
                           {"gbAFOptions", -1}};
  for (const Expect& e : panels) {
    auto* w = find<QGroupBox>(e.name);
    if (w) {
      EXPECT_EQ(TagOf(w), e.tag) << e.name;
    }
  }
  const Expect groups[] = {
      {"rgAction", 231}, {"rgLimit", 236}, {"rg1Exists", 242}, {"rg2Exists", 242}, {"rg3", 257}};
  for (const Expect& e : groups) {
    auto* w = find<RadioGroup>(e.name);
    if (w) {
      EXPECT_EQ(TagOf(w), e.tag) << e.name;
    }
  }
  const Expect buttons[] = {{"Start", 232},  {"Button6", 235}, {"Button9", -1},
                            {"Button7", 99}, {"Button1", 103}, {"Button8", -1}};
  for (const Expect& e : buttons) {
    auto* w = find<QPushButton>(e.name);
    if (w) {
      EXPECT_EQ(TagOf(w), e.tag) << e.name;
    }
  }
  const Expect labels[] = {
      {"Label3", 22},   {"Label6", -1},  {"Label5", 261}, {"Label4", 263},
      {"lLimit", -1},   {"ipTime", -1},  {"ipTitle", -1}, {"JvNavPanelHeader1", -1},
      {"JvPanel3", -1}, {"JvPanel4", -1}};
  for (const Expect& e : labels) {
    auto* w = find<QLabel>(e.name);
    if (w) {
      EXPECT_EQ(TagOf(w), e.tag) << e.name;
    }
  }
  for (const char* combo : {"cbDest", "cbLimit", "cbFoldersHistory", "cbMask1"}) {
    auto* c = find<QComboBox>(combo);
    if (c) {
      EXPECT_TRUE(c->isEditable()) << combo;
    }
  }
  for (const char* combo : {"cbFolders", "cbCustomFC"}) {
    auto* c = find<QComboBox>(combo);
    if (c) {
      EXPECT_FALSE(c->isEditable()) << combo;
    }
  }
  EXPECT_EQ(form.cbFolders->count(), 4);
  ASSERT_EQ(form.cbCustomFC->count(), 6);
  EXPECT_EQ(form.cbCustomFC->itemText(0), QStringLiteral("1"));
  EXPECT_EQ(form.cbCustomFC->itemText(5), QStringLiteral("6"));
  for (const char* b : {"bipPrev", "bipPlay", "bipPause", "bipStop", "bipNext"})
    find<QToolButton>(b);
  find<QSlider>("ipPos");
  find<QTreeView>("List0");
  find<QTreeView>("STV1");
  find<QTreeWidget>("NavTree");
  find<QFrame>("gr0");
  find<GradientPanel>("gr1");
  find<GradientPanel>("gr2");
  find<QStatusBar>("StatusBar1");
  find<QMenu>("plMenu");
  for (const char* t : {"UpdateLimBarTimer", "ipTimer1", "ipTimer2"}) find<QTimer>(t);
  EXPECT_EQ(form.UpdateLimBarTimer->interval(), 500);
  EXPECT_FALSE(form.UpdateLimBarTimer->isActive());
  EXPECT_EQ(form.ipTimer1->interval(), 600);
  EXPECT_EQ(form.ipTimer2->interval(), 300);

  // Item lists of the radio groups come from their table texts.
  EXPECT_EQ(form.rgAction->count(), 3);
  EXPECT_EQ(form.rgLimit->count(), 3);
  EXPECT_EQ(form.rg1Exists->count(), 3);
  EXPECT_EQ(form.rg3->count(), 3);

  // Hidden at design: the lock edit, the options flag, and the two rename rules not offered.
  EXPECT_TRUE(form.DummyLock->isHidden());
  EXPECT_TRUE(form.cbAFShowOptions->isHidden());
  EXPECT_TRUE(form.cb12->isHidden());
  EXPECT_TRUE(form.cb15->isHidden());
  EXPECT_FALSE(form.cbRemEmpty1->isEnabled());
  EXPECT_FALSE(form.cbRemEmpty2->isEnabled());
  EXPECT_FALSE(form.ipPos->isEnabled());
  EXPECT_EQ(form.ipPos->singleStep(), 10000);
  EXPECT_EQ(form.ipPos->pageStep(), 30000);
  EXPECT_EQ(form.gr0->height(), 22);
  EXPECT_EQ(form.Button9->toolTip().isEmpty(), false);
}

TEST_F(MainWindowTest, PagesSitAtTheIndexesTheCommandsUse) {
  ASSERT_EQ(form.pcEdits->count(), 4);
  EXPECT_EQ(form.pcEdits->widget(kLeftPagePlayer), form.tsE1);
  EXPECT_EQ(form.pcEdits->widget(kLeftPageAddFolder), form.tsE2);
  EXPECT_EQ(form.pcEdits->widget(kLeftPageEmpty), form.tsDummy);
  EXPECT_FALSE(form.pcEdits->isTabVisible(2));  // the unused page never shows
  ASSERT_EQ(form.pcCenter->count(), 2);
  EXPECT_EQ(form.pcCenter->widget(kCentrePageList), form.tsList);
  EXPECT_EQ(form.pcCenter->widget(kCentrePageAction), form.tsAction);
  EXPECT_EQ(TagOf(form.tsE1), 112);
  EXPECT_EQ(TagOf(form.tsE2), 100);
  EXPECT_EQ(TagOf(form.tsDummy), 1);
  EXPECT_EQ(TagOf(form.tsList), 31);
  EXPECT_EQ(TagOf(form.tsAction), 32);
  // The controls live on their pages.
  EXPECT_TRUE(form.tsE1->isAncestorOf(form.Button8));
  EXPECT_TRUE(form.tsE1->isAncestorOf(form.ipPos));
  EXPECT_TRUE(form.tsE2->isAncestorOf(form.STV1));
  EXPECT_TRUE(form.tsE2->isAncestorOf(form.Button1));
  EXPECT_TRUE(form.tsList->isAncestorOf(form.List0));
  EXPECT_TRUE(form.tsList->isAncestorOf(form.gr0));
  EXPECT_TRUE(form.tsAction->isAncestorOf(form.rgAction));
  EXPECT_TRUE(form.pa2->isAncestorOf(form.paRename));
  EXPECT_TRUE(form.pa2->isAncestorOf(form.paFolders));
  EXPECT_TRUE(form.pNav->isAncestorOf(form.NavTree));
  EXPECT_TRUE(form.pLeft->isAncestorOf(form.pcEdits));
}

TEST_F(MainWindowTest, StoredControlsAreDirectChildrenOfTheirPanels) {
  // The configuration stores a panel's direct children by their names; a control that
  // ended up inside a layout helper widget would silently not be stored.
  const std::vector<std::pair<QWidget*, std::vector<QWidget*>>> groups = {
      {form.pAFOptions, {form.cbAFShowOptions, form.cbFoldersHistory}},
      {form.gbAFOptions,
       {form.CheckBox1, form.cbMask1, form.cbAFbyMask, form.cbAFChecked, form.cbAFGetID3v1}},
      {form.paCopy, {form.rg1Exists}},
      {form.paDelete, {form.cbRemEmpty1, form.cbDelToTrash}},
      {form.paMove, {form.rg2Exists, form.cbRemEmpty2}},
      {form.paRename,
       {form.cbRenameEnable, form.cb11, form.cb12, form.cb13, form.cb14, form.cb15, form.rg3}},
      {form.paDest, {form.cbDest, form.rgLimit, form.cbLimit, form.cbClearDest}},
      {form.paFolders, {form.cbCustomFC, form.cbFolders}},
  };
  for (const auto& [container, children] : groups)
    for (QWidget* c : children)
      EXPECT_EQ(c->parentWidget(), container)
          << c->objectName().toStdString() << " in " << container->objectName().toStdString();
}

TEST_F(MainWindowTest, NavigationTreeIsAuthoredWithCommandNumbersInTreeOrder) {
  const auto& roots = NavTreeRoots();
  ASSERT_EQ(form.NavTree->topLevelItemCount(), static_cast<int>(roots.size()));
  for (int i = 0; i < form.NavTree->topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = form.NavTree->topLevelItem(i);
    const std::int32_t command = roots[static_cast<std::size_t>(i)];
    EXPECT_EQ(item->text(0), QString::number(command));
    expectNavChildren(item, NavTreeChildren(command));
  }
  EXPECT_EQ(form.NavTree->topLevelItem(0)->text(0), QStringLiteral("1000"));
  EXPECT_EQ(form.NavTree->topLevelItem(0)->child(0)->text(0), QStringLiteral("1800"));
  EXPECT_EQ(form.NavTree->editTriggers(), QAbstractItemView::NoEditTriggers);
}

TEST_F(MainWindowTest, ContextMenuHoldsCommandsInOrderWithNumericCaptions) {
  // Flattened: (command, authored caption, enabled); 0 marks a separator.
  struct Item {
    int command;
    int caption;
    bool enabled;
  };
  const std::vector<Item> top = {{4100, 81, true},  {4200, 80, false}, {0, 0, true},
                                 {1710, 170, true}, {1720, 171, true}, {0, 0, true},
                                 {1100, 42, true},  {1200, 46, true},  {1600, 63, true},
                                 {0, 0, true},      {8900, 79, true}};
  const QList<QAction*> actions = form.plMenu->actions();
  ASSERT_EQ(actions.size(), static_cast<int>(top.size()));
  for (int i = 0; i < actions.size(); ++i) {
    const Item& e = top[static_cast<std::size_t>(i)];
    QAction* a = actions[i];
    if (e.command == 0) {
      EXPECT_TRUE(a->isSeparator()) << i;
      continue;
    }
    EXPECT_EQ(a->property("tag").toInt(), e.command) << i;
    EXPECT_EQ(a->property("command").toInt(), e.command) << i;
    EXPECT_EQ(a->text(), QString::number(e.caption)) << i;
    EXPECT_EQ(a->isEnabled(), e.enabled) << i;
  }
  auto commandsOf = [](QMenu* m) {
    std::vector<int> out;
    for (QAction* a : m->actions()) out.push_back(a->property("command").toInt());
    return out;
  };
  EXPECT_EQ(commandsOf(actions[6]->menu()), (std::vector<int>{1110, 1120, 1130, 1140}));
  EXPECT_EQ(commandsOf(actions[7]->menu()), (std::vector<int>{1210, 1400}));
  EXPECT_EQ(commandsOf(actions[8]->menu()), (std::vector<int>{1610, 1620, 1630, 1640}));
  EXPECT_EQ(actions[7]->menu()->actions()[1]->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Delete));
  EXPECT_EQ(actions[8]->menu()->actions()[0]->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_A));
}

TEST_F(MainWindowTest, WorkListViewIsAFastMultiSelectListOverItsOwnModel) {
  EXPECT_EQ(form.List0->model(), form.listModel());
  EXPECT_NE(qobject_cast<WorkListModel*>(form.List0->model()), nullptr);
  EXPECT_TRUE(form.List0->uniformRowHeights());
  EXPECT_FALSE(form.List0->rootIsDecorated());
  EXPECT_EQ(form.List0->selectionMode(), QAbstractItemView::ExtendedSelection);
  EXPECT_EQ(form.List0->selectionBehavior(), QAbstractItemView::SelectRows);
  EXPECT_FALSE(form.List0->isSortingEnabled());
  EXPECT_EQ(form.List0->contextMenuPolicy(), Qt::CustomContextMenu);
}

TEST_F(MainWindowTest, StatusBarPanelsFollowTheWindowWidth) {
  form.resize(1000, 600);
  form.show();
  QCoreApplication::processEvents();
  const int w = form.StatusBar1->width();
  EXPECT_EQ(form.statusPanel(0)->width(), w * 6 / 10 - 50);
  EXPECT_EQ(form.statusPanel(1)->width(), 60);
  EXPECT_TRUE(form.statusPanel(1)->alignment() & Qt::AlignRight);
  form.resize(1200, 600);
  QCoreApplication::processEvents();
  EXPECT_EQ(form.statusPanel(0)->width(), form.StatusBar1->width() * 6 / 10 - 50);
  // The limit bar's right segment spans the whole track while there is no limit.
  EXPECT_EQ(form.gr2->width(), form.gr0->width() - 2);
  EXPECT_EQ(form.gr2->x() + form.gr2->width(), form.gr0->width() - 1);
}

TEST(RadioGroup, ItemIndexNoneAndClicks) {
  RadioGroup g;
  EXPECT_EQ(g.itemIndex(), -1);
  g.setItems({"a", "b", "c"});
  QSignalSpy changed(&g, &RadioGroup::itemIndexChanged);
  QSignalSpy clicked(&g, &RadioGroup::clicked);
  g.setItemIndex(1);
  EXPECT_EQ(g.itemIndex(), 1);
  EXPECT_TRUE(g.button(1)->isChecked());
  EXPECT_EQ(g.itemText(), QStringLiteral("b"));
  EXPECT_EQ(changed.count(), 1);
  EXPECT_EQ(clicked.count(), 0);  // code does not click
  g.setItemIndex(7);              // outside: none chosen, every button clear
  EXPECT_EQ(g.itemIndex(), -1);
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(g.button(i)->isChecked());
  EXPECT_TRUE(g.itemText().isEmpty());
  g.button(2)->click();
  EXPECT_EQ(g.itemIndex(), 2);
  ASSERT_EQ(clicked.count(), 1);
  EXPECT_EQ(clicked[0][0].toInt(), 2);
  g.button(2)->click();  // the chosen item clicked again still reports a click
  EXPECT_EQ(clicked.count(), 2);
  // Fewer items: an index that no longer names an item becomes none.
  g.setItems({"x", "y"});
  EXPECT_EQ(g.itemIndex(), -1);
  g.setItemIndex(1);
  g.setItems({"p", "q", "r"});
  EXPECT_EQ(g.itemIndex(), 1);
  EXPECT_TRUE(g.button(1)->isChecked());
  EXPECT_EQ(g.button(3), nullptr);
}

TEST(Dialogs, ProgressDialogKeepsItsWidthAndTwoHeights) {
  TForm3 d;
  EXPECT_EQ(d.size(), QSize(539, 218));
  EXPECT_TRUE(d.lbLog->isHidden());
  d.setLogPanelVisible(true);
  EXPECT_EQ(d.size(), QSize(539, 337));
  EXPECT_TRUE(d.logPanelVisible());
  EXPECT_FALSE(d.Label1->isHidden());
  EXPECT_FALSE(d.Bevel1->isHidden());
  d.setLogPanelVisible(false);
  EXPECT_EQ(d.size(), QSize(539, 218));
  EXPECT_EQ(d.pb1->maximum(), 1000);
  EXPECT_EQ(d.pb2->maximum(), 1000);
  EXPECT_TRUE(d.Label2->wordWrap());
  EXPECT_TRUE(d.l1->font().bold());
  EXPECT_EQ(TagOf(d.Button1), 302);
  EXPECT_EQ(TagOf(d.Button2), 305);
  EXPECT_EQ(TagOf(d.Button3), 304);
  // Every control stays inside the short dialog except the log panel below it.
  for (QWidget* w : {static_cast<QWidget*>(d.l1), static_cast<QWidget*>(d.pb1),
                     static_cast<QWidget*>(d.pb2), static_cast<QWidget*>(d.Label7),
                     static_cast<QWidget*>(d.Label6), static_cast<QWidget*>(d.Button1),
                     static_cast<QWidget*>(d.Button2), static_cast<QWidget*>(d.Button3)})
    EXPECT_LE(w->geometry().bottom(), 218) << w->objectName().toStdString();
  EXPECT_LE(d.lbLog->geometry().bottom(), 337);
}

TEST(Dialogs, SettingsDialogHasFiveOptionsAndThreeDisabledOnes) {
  TForm2 d([] { return static_cast<TkroObject*>(nullptr); });
  ASSERT_EQ(d.PageControl1->count(), 2);
  EXPECT_EQ(TagOf(d.TabSheet1), 281);
  EXPECT_EQ(TagOf(d.TabSheet2), 114);
  EXPECT_TRUE(d.TabSheet1->isAncestorOf(d.CheckBox1));
  EXPECT_TRUE(d.TabSheet1->isAncestorOf(d.CheckBox2));
  EXPECT_TRUE(d.TabSheet1->isAncestorOf(d.CheckBox8));
  EXPECT_TRUE(d.TabSheet2->isAncestorOf(d.CheckBox3));
  EXPECT_TRUE(d.TabSheet2->isAncestorOf(d.CheckBox7));
  EXPECT_EQ(TagOf(d.CheckBox8), -1);  // its own caption, no table text
  EXPECT_FALSE(d.CheckBox8->text().isEmpty());
  for (QCheckBox* c : {d.CheckBox4, d.CheckBox5, d.CheckBox6}) EXPECT_FALSE(c->isEnabled());
  for (QCheckBox* c : {d.CheckBox1, d.CheckBox2, d.CheckBox3, d.CheckBox7, d.CheckBox8})
    EXPECT_TRUE(c->isEnabled());
  // Cancel closes without accepting.
  QSignalSpy rejected(&d, &QDialog::rejected);
  d.show();
  d.Button2->click();
  EXPECT_EQ(rejected.count(), 1);
  EXPECT_EQ(d.result(), QDialog::Rejected);
}

TEST(Dialogs, AboutBoxNamesTheProgramAndVersion) {
  TForm4 d;
  EXPECT_EQ(d.lName->text(), QStringLiteral("Vo Tavel"));
  EXPECT_EQ(d.lVersion->text(), QStringLiteral("v 0.9.2"));
  EXPECT_EQ(d.lText->text().toStdString(), LangString(477));
  EXPECT_NE(d.lLicence->text().indexOf(QLatin1String("GPL-3.0-or-later")), -1);
  // Every library with its version and licence, the Qt the program runs with included.
  const QString libs = d.lLibraries->text();
  EXPECT_NE(libs.indexOf(QStringLiteral("Qt %1 (LGPL-3.0-only)").arg(qVersion())), -1)
      << libs.toStdString();
  EXPECT_NE(libs.indexOf(QLatin1String("libmpv API ")), -1) << libs.toStdString();
  EXPECT_EQ(libs.count(QLatin1Char('\n')), static_cast<qsizetype>(UsedLibraries().size()));
  // The built-in icon is there for the window when no theme has one.
  EXPECT_FALSE(QIcon(QStringLiteral(":/icons/tavel.svg")).isNull());
  EXPECT_FALSE(ProgramIcon().pixmap(32, 32).isNull());
}
