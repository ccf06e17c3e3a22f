// The windows as they are built: the controls the configuration stores under their names,
// the pages in their indexes, the tree and menu in their order, and the sizes the dialogs
// must keep.
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
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>
#include <algorithm>
#include <string>
#include <vector>

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

// The configuration stores the direct children of eight panels by their names, each as its
// kind says (check box: on/off; radio group and choose-only drop-down: item index; editable
// drop-down: text and items). A control renamed, moved into a helper widget or made another
// kind would silently lose what users have stored; one added is stored from then on.
TEST_F(MainWindowTest, StoredControlsKeepTheirPanelsNamesAndKinds) {
  enum Kind { Check, Radio, EditCombo, ChoiceCombo, Edit };
  struct Stored {
    const char* name;
    Kind kind;
    int items = 0;  // for a stored index: how many items it may name
  };
  const std::vector<std::pair<const char*, std::vector<Stored>>> groups = {
      {"pAFOptions", {{"cbAFShowOptions", Check}, {"cbFoldersHistory", EditCombo}}},
      {"gbAFOptions",
       {{"CheckBox1", Check},
        {"cbMask1", EditCombo},
        {"cbAFbyMask", Check},
        {"cbAFChecked", Check},
        {"cbAFGetID3v1", Check}}},
      {"paCopy", {{"rg1Exists", Radio, 4}}},
      {"paDelete", {{"cbRemEmpty1", Check}, {"cbDelToTrash", Check}}},
      {"paMove", {{"rg2Exists", Radio, 4}, {"cbRemEmpty2", Check}}},
      {"paRename",
       {{"cbRenameEnable", Check},
        {"cb11", Check},
        {"cb12", Check},
        {"cb13", Check},
        {"cb14", Check},
        {"cb15", Check},
        {"rg3", Radio, 3}}},
      {"paDest",
       {{"cbDest", EditCombo},
        {"rgLimit", Radio, 3},
        {"cbLimit", EditCombo},
        {"cbClearDest", Check},
        {"cbVerify", Check},
        {"cbDevPlaylist", Check},
        {"edDevPlaylist", Edit}}},
      {"paFolders", {{"cbCustomFC", ChoiceCombo, 6}, {"cbFolders", ChoiceCombo, 4}}},
  };
  for (const auto& [panelName, stored] : groups) {
    auto* panel = find<QWidget>(panelName);
    if (!panel) continue;
    std::vector<std::string> expected, actual;
    for (const Stored& s : stored) expected.push_back(s.name);
    // Every child the configuration would store, found as it finds them.
    for (QObject* child : panel->children()) {
      const bool storable = qobject_cast<RadioGroup*>(child) || qobject_cast<QCheckBox*>(child) ||
                            qobject_cast<QComboBox*>(child) || qobject_cast<QLineEdit*>(child) ||
                            qobject_cast<QSpinBox*>(child);
      if (storable && !child->objectName().isEmpty())
        actual.push_back(child->objectName().toStdString());
    }
    std::sort(expected.begin(), expected.end());
    std::sort(actual.begin(), actual.end());
    EXPECT_EQ(actual, expected) << panelName;
    for (const Stored& s : stored) {
      QObject* c =
          panel->findChild<QObject*>(QString::fromLatin1(s.name), Qt::FindDirectChildrenOnly);
      if (!c) continue;  // reported above
      auto* combo = qobject_cast<QComboBox*>(c);
      auto* radio = qobject_cast<RadioGroup*>(c);
      switch (s.kind) {
        case Check:
          EXPECT_NE(qobject_cast<QCheckBox*>(c), nullptr) << s.name;
          break;
        case Radio:
          ASSERT_NE(radio, nullptr) << s.name;
          EXPECT_EQ(radio->count(), s.items) << s.name;
          break;
        case EditCombo:
          ASSERT_NE(combo, nullptr) << s.name;
          EXPECT_TRUE(combo->isEditable()) << s.name;
          break;
        case ChoiceCombo:
          ASSERT_NE(combo, nullptr) << s.name;
          EXPECT_FALSE(combo->isEditable()) << s.name;
          EXPECT_EQ(combo->count(), s.items) << s.name;
          break;
        case Edit:
          EXPECT_NE(qobject_cast<QLineEdit*>(c), nullptr) << s.name;
          break;
      }
    }
  }
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
