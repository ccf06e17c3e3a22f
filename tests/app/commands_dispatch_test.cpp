// Command dispatch: pages switched by NavGo, what a click, a double click, a menu choice
// and the list's keys lead to, the log lines of CmdCall and its refusal of bad numbers,
// the tree's single open branch and the navigation state at the end of start-up.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>
#include <memory>

#include "app/commands.h"
#include "app/nav_commands.h"
#include "app/operation_panel.h"
#include "app/playlist_flows.h"
#include "app/radio_group.h"
#include "panel_test_support.h"
#include "player/fake_media_device.h"
#include "player/player.h"

namespace {

class CommandsTest : public ::testing::Test, public FormFixture {
 protected:
  Commands& commands = form.parts().commands;

  QTreeWidgetItem* node(int command) {
    QTreeWidgetItem* found = nullptr;
    std::function<void(QTreeWidgetItem*)> walk = [&](QTreeWidgetItem* n) {
      if (n->data(0, kNavCommandRole).toInt() == command) found = n;
      for (int i = 0; i < n->childCount(); ++i) walk(n->child(i));
    };
    for (int i = 0; i < form.NavTree->topLevelItemCount(); ++i) walk(form.NavTree->topLevelItem(i));
    return found;
  }
  QAction* menuItem(int command) {
    return form.plMenu->findChild<QAction*>(QStringLiteral("mi%1").arg(command));
  }
  std::vector<int> visibleTabs(QTabWidget* pc) {
    std::vector<int> out;
    for (int i = 0; i < pc->count(); ++i)
      if (pc->isTabVisible(i)) out.push_back(i);
    return out;
  }
  // Left page shown alone, and the centre page.
  void expectPages(int left, int centre) {
    EXPECT_EQ(form.pcEdits->currentIndex(), left);
    EXPECT_EQ(visibleTabs(form.pcEdits), std::vector<int>{left});
    EXPECT_EQ(form.pcCenter->currentIndex(), centre);
  }
  std::vector<std::string> callLines(std::size_t from) {
    std::vector<std::string> out;
    for (const std::string& l : logLines(from))
      if (l.rfind("CmdCall", 0) == 0) out.push_back(l);
    return out;
  }
  void selectNode(int command) {
    form.NavTree->setCurrentItem(node(command));
    QCoreApplication::processEvents();  // the branches follow after the event
  }
};

}  // namespace

TEST_F(CommandsTest, NodeCommandNeedsARowIndexAsData) {
  EXPECT_EQ(NodeCommand(nullptr), -1);
  EXPECT_EQ(NodeCommand(node(1120)), 1120);
  EXPECT_EQ(NodeCommand(node(9000)), 9000);
  QTreeWidgetItem loose;
  EXPECT_EQ(NodeCommand(&loose), -1);
  loose.setData(0, Qt::UserRole, NavCommandCount);
  EXPECT_EQ(NodeCommand(&loose), -1);
  loose.setData(0, Qt::UserRole, -1);
  EXPECT_EQ(NodeCommand(&loose), -1);
  loose.setData(0, Qt::UserRole, NavFindRow(2300));
  EXPECT_EQ(NodeCommand(&loose), 2300);
}

TEST_F(CommandsTest, NavGoSwitchesTheRowsPagesAndOnlyTheAddFolderPageIsTheWholeAction) {
  EXPECT_TRUE(commands.NavGo(1110));
  expectPages(kLeftPageAddFolder, kCentrePageList);

  EXPECT_FALSE(commands.NavGo(2100));
  expectPages(kLeftPageEmpty, kCentrePageAction);

  // Left page -1: the left side stays; the centre goes back to the list.
  EXPECT_FALSE(commands.NavGo(1200));
  expectPages(kLeftPageEmpty, kCentrePageList);

  // Neither page: nothing moves. Unknown numbers change nothing either.
  commands.NavGo(1120);
  expectPages(kLeftPagePlayer, kCentrePageList);
  for (int command : {8000, 8100, 9000, 1234, 0, -1}) {
    EXPECT_FALSE(commands.NavGo(command)) << command;
    expectPages(kLeftPagePlayer, kCentrePageList);
  }
  // Every row: handled exactly for a left page above 0 that is not the empty page.
  for (int i = 0; i < NavCommandCount; ++i) {
    const NavCommand& r = NavCommandTable[i];
    EXPECT_EQ(commands.NavGo(r.command), r.leftPage > 0 && r.leftPage != 3) << r.command;
  }

  // Out-of-range pages are refused by ShowOnlyPage.
  ShowOnlyPage(form.pcEdits, 7);
  ShowOnlyPage(form.pcEdits, -1);
  EXPECT_EQ(visibleTabs(form.pcEdits).size(), 1u);
}

TEST_F(CommandsTest, CmdCallLogsItsCallAndRefusesNumbersOfZeroOrBelow) {
  const std::size_t from = logSize();
  commands.CmdCall(1110, kSourceTree, true);
  commands.CmdCall(4200, kSourceMenu, true);
  EXPECT_EQ(callLines(from), (std::vector<std::string>{"CmdCall 1110 0 true", "CmdCall END",
                                                       "CmdCall 4200 1 true", "CmdCall END"}));
  EXPECT_TRUE(boxes.shown.empty());

  const std::size_t bad = logSize();
  commands.CmdCall(-1, kSourceTree, false);
  commands.CmdCall(0, kSourceKeyboard, true);
  EXPECT_EQ(callLines(bad), (std::vector<std::string>{"CmdCall -1 0 false", "CmdCall 0 3 true"}));
  ASSERT_EQ(boxes.shown.size(), 2u);
  EXPECT_NE(boxes.shown[0].text.find("CmdCall"), std::string::npos);
  EXPECT_NE(boxes.shown[0].text.find("-1 0 false"), std::string::npos);
}

TEST_F(CommandsTest, TreeClicksRunCommandsUnlessThePageIsTheAction) {
  std::size_t from = logSize();
  // "Папку": a click shows the add-folder page and runs nothing.
  selectNode(1110);
  commands.NavTreeClick();
  expectPages(kLeftPageAddFolder, kCentrePageList);
  EXPECT_TRUE(callLines(from).empty());
  // A double click runs it, which only logs.
  commands.TreeNavAction();
  EXPECT_EQ(callLines(from), (std::vector<std::string>{"CmdCall 1110 0 true", "CmdCall END"}));

  // "Файлы...": the file dialog opens at once; the tree shows the player page.
  from = logSize();
  selectNode(1120);
  commands.NavTreeClick();
  EXPECT_EQ(dialogs.titles, std::vector<std::string>{"Добавить файлы"});
  expectPages(kLeftPagePlayer, kCentrePageList);
  EXPECT_EQ(callLines(from).front(), "CmdCall 1120 0 false");

  // "Копировать": the operation page, the empty left page, the copy action.
  form.rgAction->setItemIndex(-1);
  selectNode(2100);
  commands.NavTreeClick();
  expectPages(kLeftPageEmpty, kCentrePageAction);
  EXPECT_EQ(form.rgAction->itemIndex(), 0);
  EXPECT_FALSE(form.paDest->isHidden());
  selectNode(2200);
  commands.NavTreeClick();
  EXPECT_EQ(form.rgAction->itemIndex(), 1);
  EXPECT_FALSE(form.paMove->isHidden());

  // "Очистить список": the list is emptied without a question.
  add(100), add(200);
  selectNode(1400);
  commands.NavTreeClick();
  EXPECT_EQ(form.listModel()->rowCountTotal(), 0);
  EXPECT_EQ(workList.EntryCount(), 0);
  EXPECT_TRUE(boxes.shown.empty());

  // No node selected: the click reaches CmdCall with -1, which reports it.
  form.NavTree->setCurrentItem(nullptr);
  commands.NavTreeClick();
  EXPECT_EQ(boxes.shown.size(), 1u);
}

TEST_F(CommandsTest, RealMouseClicksInTheTreeAreBound) {
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  commands.RefreshNavigation();
  QTreeWidgetItem* add = node(1100);
  form.NavTree->setCurrentItem(add);  // opens its branch
  QCoreApplication::processEvents();
  QTreeWidgetItem* folder = node(1110);
  ASSERT_TRUE(add->isExpanded());
  const std::size_t from = logSize();
  QWidget* vp = form.NavTree->viewport();
  const QPoint at = form.NavTree->visualItemRect(folder).center();
  QTest::mouseClick(vp, Qt::LeftButton, {}, at);
  EXPECT_EQ(form.NavTree->currentItem(), folder);
  expectPages(kLeftPageAddFolder, kCentrePageList);
  EXPECT_TRUE(callLines(from).empty());
  QTest::mouseDClick(vp, Qt::LeftButton, {}, at);
  const auto lines = callLines(from);
  EXPECT_NE(std::find(lines.begin(), lines.end(), "CmdCall 1110 0 true"), lines.end());

  // A click on a node below the open branch, which closes under the pointer: the clicked
  // node ends selected and its click runs.
  QTreeWidgetItem* copy = node(2100);
  form.NavTree->setCurrentItem(node(2000));
  QCoreApplication::processEvents();
  ASSERT_TRUE(node(2000)->isExpanded());
  ASSERT_TRUE(node(1000)->isExpanded() == false);
  form.NavTree->setCurrentItem(node(1100));
  QCoreApplication::processEvents();
  node(2000)->setExpanded(true);  // opened by hand meanwhile
  form.rgAction->setItemIndex(-1);
  QTest::mouseClick(vp, Qt::LeftButton, {}, form.NavTree->visualItemRect(copy).center());
  QCoreApplication::processEvents();
  EXPECT_EQ(form.NavTree->currentItem(), copy);
  EXPECT_TRUE(copy->isSelected());
  EXPECT_FALSE(node(1000)->isExpanded());
  EXPECT_EQ(form.rgAction->itemIndex(), 0);
  expectPages(kLeftPageEmpty, kCentrePageAction);
}

TEST_F(CommandsTest, AClickAtHumanPaceActsOnTheNodeThatWasPressed) {
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  commands.RefreshNavigation();
  QWidget* vp = form.NavTree->viewport();
  // Press, 150 ms in which the window's messages run, release where the press was.
  const auto humanClick = [&](QTreeWidgetItem* target) {
    form.NavTree->scrollToItem(target);
    const QPoint at = form.NavTree->visualItemRect(target).center();
    QTest::mousePress(vp, Qt::LeftButton, {}, at);
    QCoreApplication::processEvents();
    QTest::mouseRelease(vp, Qt::LeftButton, {}, at, 150);
    QCoreApplication::processEvents();
  };

  // "Выход" below the open branch of the list's commands: the exit question comes at once.
  selectNode(1800);
  ASSERT_TRUE(node(1000)->isExpanded());
  ASSERT_TRUE(node(1800)->isExpanded());
  boxes.answer = MsgResult::No;
  humanClick(node(9000));
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, "Вы уверены, что хотите выйти из программы?");
  EXPECT_EQ(form.NavTree->currentItem(), node(9000));
  // The old branch closed after the release: still one open branch.
  EXPECT_FALSE(node(1000)->isExpanded());

  // A node inside another branch, below an open one.
  selectNode(1600);
  ASSERT_TRUE(node(1600)->isExpanded());
  form.rgAction->setItemIndex(-1);
  humanClick(node(2000));
  humanClick(node(2200));
  EXPECT_EQ(form.rgAction->itemIndex(), 1);
  EXPECT_EQ(form.NavTree->currentItem(), node(2200));
  EXPECT_FALSE(node(1000)->isExpanded());
  EXPECT_TRUE(node(2000)->isExpanded());

  // A press that drags to another node and is released there runs nothing.
  const std::size_t from = logSize();
  selectNode(1600);
  const QPoint on = form.NavTree->visualItemRect(node(1610)).center();
  QTest::mousePress(vp, Qt::LeftButton, {}, on);
  QCoreApplication::processEvents();
  QTest::mouseRelease(vp, Qt::LeftButton, {}, form.NavTree->visualItemRect(node(1620)).center(),
                      150);
  QCoreApplication::processEvents();
  EXPECT_TRUE(callLines(from).empty());
}

TEST_F(CommandsTest, EnterAndSpaceOnTheTreeRunTheSelectedNodeAsAClickDoes) {
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  commands.RefreshNavigation();
  form.NavTree->setFocus();
  // The calls the keys made (CmdCall also logs its end).
  const auto calls = [this](std::size_t from) {
    std::vector<std::string> out;
    for (const std::string& l : callLines(from))
      if (l != "CmdCall END") out.push_back(l);
    return out;
  };
  // "Files..." asks for files, as its click does.
  selectNode(1120);
  std::size_t from = logSize();
  QTest::keyClick(form.NavTree, Qt::Key_Return);
  EXPECT_EQ(calls(from), std::vector<std::string>{"CmdCall 1120 0 false"});
  EXPECT_EQ(dialogs.titles.size(), 1u);
  from = logSize();
  QTest::keyClick(form.NavTree, Qt::Key_Space);
  QTest::keyClick(form.NavTree, Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_EQ(calls(from).size(), 2u);
  EXPECT_EQ(dialogs.titles.size(), 3u);
  // With a modifier, or held down (repeats), nothing more runs.
  from = logSize();
  QTest::keyClick(form.NavTree, Qt::Key_Return, Qt::ControlModifier);
  QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), true);
  QApplication::sendEvent(form.NavTree, &repeat);
  EXPECT_TRUE(calls(from).empty());
  // A page node shows its page and runs nothing, as its click does.
  selectNode(1110);
  form.pcEdits->setCurrentIndex(0);
  from = logSize();
  QTest::keyClick(form.NavTree, Qt::Key_Return);
  expectPages(kLeftPageAddFolder, kCentrePageList);
  EXPECT_TRUE(calls(from).empty());
}

TEST_F(CommandsTest, SelectingANodeWithTheKeysOnlySwitchesPagesAndKeepsOneBranchOpen) {
  const std::size_t from = logSize();
  selectNode(1810);
  EXPECT_TRUE(node(1000)->isExpanded());
  EXPECT_TRUE(node(1800)->isExpanded());
  EXPECT_EQ(workList.EntryCount(), 0);
  add(100);
  selectNode(1400);  // the change alone must not clear the list
  EXPECT_EQ(workList.EntryCount(), 1);
  EXPECT_FALSE(node(1800)->isExpanded());
  EXPECT_TRUE(node(1200)->isExpanded());
  selectNode(2300);
  expectPages(kLeftPageEmpty, kCentrePageAction);
  EXPECT_TRUE(node(2000)->isExpanded());
  EXPECT_FALSE(node(1000)->isExpanded());
  EXPECT_FALSE(node(1200)->isExpanded());
  EXPECT_TRUE(callLines(from).empty());
}

TEST_F(CommandsTest, ContextMenuItemsRunTheirCommands) {
  for (int i = 0; i < 4; ++i) add(100 * (i + 1));
  form.List0->selectionModel()->select(form.listModel()->index(1, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
  form.List0->selectionModel()->select(form.listModel()->index(3, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
  std::size_t from = logSize();
  menuItem(1710)->trigger();  // "Установить отметку": the selected rows only
  EXPECT_FALSE(form.listModel()->isChecked(0));
  EXPECT_TRUE(form.listModel()->isChecked(1));
  EXPECT_FALSE(form.listModel()->isChecked(2));
  EXPECT_TRUE(form.listModel()->isChecked(3));
  EXPECT_EQ(callLines(from).front(), "CmdCall 1710 1 true");
  EXPECT_EQ(status(), "");

  // "Снять все" lives in the tree only.
  EXPECT_EQ(menuItem(1730), nullptr);
  selectNode(1730);
  commands.NavTreeClick();
  for (int r = 0; r < 4; ++r) EXPECT_FALSE(form.listModel()->isChecked(r));

  // The add-folder item only shows its page.
  from = logSize();
  menuItem(1110)->trigger();
  expectPages(kLeftPageAddFolder, kCentrePageList);
  EXPECT_TRUE(callLines(from).empty());

  // 4200 is there but disabled; a tag of 0 or below runs nothing.
  ASSERT_NE(menuItem(4200), nullptr);
  EXPECT_FALSE(menuItem(4200)->isEnabled());
  QAction untagged;
  commands.plMenuItemClick(&untagged);
  EXPECT_TRUE(boxes.shown.empty());

  // "Выделить все" through its shortcut, while the list has the focus.
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  form.List0->setFocus();
  QTest::keyClick(form.List0, Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(form.List0->selectionModel()->selectedRows().size(), 4);
}

TEST_F(CommandsTest, ListKeysInvertTheSelectionAndPlayOnlyWithoutModifiers) {
  for (int i = 0; i < 3; ++i) add(100);
  form.List0->selectionModel()->select(form.listModel()->index(0, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
  // The play request reaches the preview player: each one opens the focused entry.
  auto device = std::make_unique<FakeMediaDevice>();
  FakeMediaDevice* dev = device.get();
  form.parts().player.player().setDevice(std::move(device));
  auto plays = [dev] { return static_cast<int>(dev->opened.size()); };
  const std::size_t from = logSize();
  QTest::keyClick(form.List0, Qt::Key_Asterisk, Qt::KeypadModifier);
  EXPECT_EQ(callLines(from).front(), "CmdCall 1630 3 true");
  auto selected = [&] { return form.List0->selectionModel()->selectedRows().size(); };
  EXPECT_EQ(selected(), 2);
  // With Ctrl, or the '*' of the main keys, nothing happens.
  QTest::keyClick(form.List0, Qt::Key_Asterisk, Qt::KeypadModifier | Qt::ControlModifier);
  QTest::keyClick(form.List0, Qt::Key_Asterisk, Qt::NoModifier);
  EXPECT_EQ(selected(), 2);
  EXPECT_EQ(callLines(from).size(), 2u);

  QTest::keyClick(form.List0, Qt::Key_Return);
  QTest::keyClick(form.List0, Qt::Key_Enter, Qt::KeypadModifier);
  QTest::keyClick(form.List0, Qt::Key_Return, Qt::ShiftModifier);
  EXPECT_EQ(plays(), 2);
  // The menu's play item asks the same.
  menuItem(4100)->trigger();
  EXPECT_EQ(plays(), 3);
}

TEST_F(CommandsTest, CentreTabsShowTheirLeftPages) {
  commands.NavGo(1000);
  form.pcCenter->setCurrentIndex(kCentrePageAction);  // as the user's pick of the tab
  expectPages(kLeftPageEmpty, kCentrePageAction);
  form.pcCenter->setCurrentIndex(kCentrePageList);
  expectPages(kLeftPagePlayer, kCentrePageList);
  // A switch made by NavGo itself keeps the command's own left page.
  commands.NavGo(1110);
  commands.NavGo(2000);
  commands.NavGo(1110);
  expectPages(kLeftPageAddFolder, kCentrePageList);
}

TEST_F(CommandsTest, StartOfNavigationShowsTheListAndThePlayer) {
  commands.NavGo(2100);
  commands.RefreshNavigation();
  QTreeWidgetItem* first = form.NavTree->topLevelItem(0);
  EXPECT_EQ(form.NavTree->currentItem(), first);
  EXPECT_TRUE(first->isSelected());
  EXPECT_TRUE(first->isExpanded());
  EXPECT_FALSE(node(1800)->isExpanded());
  expectPages(kLeftPagePlayer, kCentrePageList);
}

TEST_F(CommandsTest, DocumentsOpenWithTheDesktopAndFailuresAreShown) {
  std::vector<std::string> opened;
  bool succeed = true;
  opener = [&](const std::string& path) {
    opened.push_back(path);
    return succeed;
  };
  commands.CmdCall(8750, kSourceTree, false);
  commands.CmdCall(8740, kSourceTree, false);
  ASSERT_EQ(opened.size(), 2u);
  EXPECT_TRUE(opened[0].ends_with("/Additional/readme.htm"));
  EXPECT_EQ(opened[1], program.logsFolder());
  EXPECT_TRUE(boxes.shown.empty());
  succeed = false;
  commands.CmdCall(8750, kSourceTree, false);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_NE(boxes.shown[0].text.find("readme.htm"), std::string::npos);
}

TEST_F(CommandsTest, WinampCommandsOnlyLogWithoutAnImport) {
  add(100);
  // A dispatch of its own over the window's controls, so the test chooses the import.
  Commands::Actions actions;
  Commands own(form.partControls().commands, program, *view, form.parts().operation, actions);
  std::size_t from = logSize();
  own.CmdCall(1840, kSourceTree, false);
  own.CmdCall(1140, kSourceMenu, true);
  EXPECT_EQ(callLines(from), (std::vector<std::string>{"CmdCall 1840 0 false", "CmdCall END",
                                                       "CmdCall 1140 1 true", "CmdCall END"}));
  EXPECT_EQ(workList.EntryCount(), 1);
  std::vector<bool> replaced;
  actions.winampImport = [&](bool replace) {
    replaced.push_back(replace);
    EXPECT_TRUE(view->busy());
    EXPECT_EQ(status(), "Импорт данных из \"Winamp playlist\"...");
  };
  Commands withImport(form.partControls().commands, program, *view, form.parts().operation,
                      actions);
  withImport.CmdCall(1840, kSourceTree, false);
  withImport.CmdCall(1140, kSourceMenu, true);
  EXPECT_EQ(replaced, (std::vector<bool>{true, false}));
  EXPECT_FALSE(view->busy());
  // The import's own result stays in the status bar.
  EXPECT_EQ(status(), "Импорт данных из \"Winamp playlist\"...");
}

TEST_F(CommandsTest, ExitAsksThroughTheWindowsClosing) {
  boxes.answer = MsgResult::No;
  commands.CmdCall(9000, kSourceTree, false);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, "Вы уверены, что хотите выйти из программы?");
  EXPECT_FALSE(form.closed());
}

TEST(StartUp, FirstStartShowsTheListAndARestartRestoresTheActionWithItsLimit) {
  TempDir home;
  TempDir dest;
  FakeMessageBox boxes;
  boxes.answer = MsgResult::Yes;  // the exit question
  auto run = [&](const std::function<void(TavelProgram&, TForm1&)>& whileRunning) {
    TavelProgram program(ParseStartupOptions({"tavel", "--splash-ms=0"}), home.str());
    program.setRunningHook([&] {
      whileRunning(program, *program.mainWindow());
      program.mainWindow()->close();
    });
    return program.run();
  };

  EXPECT_EQ(run([&](TavelProgram&, TForm1& form) {
              QTreeWidgetItem* first = form.NavTree->topLevelItem(0);
              EXPECT_EQ(form.NavTree->currentItem(), first);
              EXPECT_TRUE(first->isExpanded());
              EXPECT_EQ(form.pcEdits->currentIndex(), kLeftPagePlayer);
              EXPECT_EQ(form.pcCenter->currentIndex(), kCentrePageList);
              // No action is stored yet: nothing to start.
              EXPECT_EQ(form.rgAction->itemIndex(), -1);
              EXPECT_FALSE(form.Button8->isEnabled());
              EXPECT_TRUE(form.paDest->isHidden());
              EXPECT_EQ(form.parts().operation.limitBytes(), 0);
              EXPECT_FALSE(form.UpdateLimBarTimer->isActive());
              // The user chooses copy to a folder.
              form.parts().commands.CmdCall(2100, kSourceTree, false);
              form.cbDest->setEditText(QString::fromStdString(dest.str()));
            }),
            0);

  EXPECT_EQ(run([&](TavelProgram&, TForm1& form) {
              EXPECT_EQ(form.rgAction->itemIndex(), 0);
              EXPECT_EQ(form.Button8->text().toStdString(), "Операция: Копировать");
              EXPECT_FALSE(form.paCopy->isHidden());
              // The automatic limit was asked from the destination's volume during start-up.
              EXPECT_GT(form.parts().operation.limitBytes(), 0);
              EXPECT_EQ(form.statusPanel(0)->text().toStdString(), "");
            }),
            0);
}

TEST_F(CommandsTest, DoubleClickInTheTreeRunsTheClickOnceAndTheDoubleClickOnce) {
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  commands.RefreshNavigation();
  selectNode(1600);
  QTreeWidgetItem* invert = node(1630);
  ASSERT_TRUE(node(1600)->isExpanded());
  selectNode(1630);
  form.NavTree->scrollToItem(invert);
  QCoreApplication::processEvents();
  const std::size_t from = logSize();
  const QPoint at = form.NavTree->visualItemRect(invert).center();
  ASSERT_EQ(form.NavTree->itemAt(at), invert);
  // The system's double click: a click, then a second press reported as a double click.
  QTest::mouseClick(form.NavTree->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(form.NavTree->viewport(), Qt::LeftButton, {}, at);
  QCoreApplication::processEvents();
  EXPECT_EQ(callLines(from), (std::vector<std::string>{"CmdCall 1630 0 false", "CmdCall END",
                                                       "CmdCall 1630 0 true", "CmdCall END"}));
}
