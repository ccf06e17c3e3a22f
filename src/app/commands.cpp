#include "app/commands.h"

#include <QAction>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeView>
#include <QTreeWidget>
#include <QUrl>
#include <algorithm>
#include <functional>
#include <utility>
#include <vector>

#include "app/about_window.h"
#include "app/fill_commands.h"
#include "app/nav_commands.h"
#include "app/operation_panel.h"
#include "app/playlist_flows.h"
#include "app/preview_command.h"
#include "app/program.h"
#include "app/settings_dialog.h"
#include "app/text_ids.h"
#include "app/widget_tags.h"
#include "app/worklist_view.h"
#include "lang/lang.h"
#include "lang/messages.h"
#include "logs/log.h"

namespace {

// Every node of the tree, depth first.
void forEachNode(QTreeWidget* tree, const std::function<void(QTreeWidgetItem*)>& f) {
  std::function<void(QTreeWidgetItem*)> walk = [&](QTreeWidgetItem* item) {
    f(item);
    for (int i = 0; i < item->childCount(); ++i) walk(item->child(i));
  };
  for (int i = 0; i < tree->topLevelItemCount(); ++i) walk(tree->topLevelItem(i));
}

// The context menu's items that run a command (submenus only open).
void forEachMenuItem(QMenu* menu, const std::function<void(QAction*)>& f) {
  for (QAction* a : menu->actions()) {
    if (a->isSeparator()) continue;
    if (QMenu* sub = a->menu())
      forEachMenuItem(sub, f);
    else
      f(a);
  }
}

}  // namespace

int NodeCommand(const QTreeWidgetItem* node) {
  if (!node) return -1;
  bool ok = false;
  const int row = node->data(0, Qt::UserRole).toInt(&ok);
  const NavCommand* r = ok ? NavRow(row) : nullptr;
  return r ? r->command : -1;
}

void ShowOnlyPage(QTabWidget* pageControl, int index) {
  if (!pageControl || index < 0 || index >= pageControl->count()) return;
  // The new tab is shown before the others hide, so the control never passes through a
  // page it was not asked for.
  pageControl->setTabVisible(index, true);
  pageControl->setCurrentIndex(index);
  for (int i = 0; i < pageControl->count(); ++i)
    if (i != index) pageControl->setTabVisible(i, false);
}

Commands::Commands(Widgets widgets, TavelProgram& program, WorkListView& view,
                   OperationPanel& operation, Actions actions, QObject* parent)
    : QObject(parent),
      w_(widgets),
      program_(program),
      view_(view),
      operation_(operation),
      actions_(std::move(actions)) {
  bind();
}

void Commands::bind() {
  Widgets& f = w_;
  connect(f.NavTree, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* current, QTreeWidgetItem*) {
            NavTreeChange(current);
            // A node chosen by a press opens its branch (and closes the others) only after
            // the release: rows that moved under a held button would put the release on
            // another node, and the click would be lost.
            if (buttonDown_) {
              expandAfterRelease_ = current;
              return;
            }
            QMetaObject::invokeMethod(
                this, [this, current] { ExpandSingleBranch(current); }, Qt::QueuedConnection);
          });
  connect(f.NavTree, &QTreeWidget::itemClicked, this,
          [this](QTreeWidgetItem*, int) { NavTreeClick(); });
  connect(f.NavTree, &QTreeWidget::itemDoubleClicked, this,
          [this](QTreeWidgetItem*, int) { TreeNavAction(); });
  // Each item separately: a shortcut triggers its action without going through the menu.
  forEachMenuItem(f.plMenu, [this](QAction* a) {
    connect(a, &QAction::triggered, this, [this, a] { plMenuItemClick(a); });
  });
  connect(f.pcCenter, &QTabWidget::currentChanged, this, &Commands::pcCenterChange);
  f.List0->installEventFilter(this);
  f.NavTree->installEventFilter(this);  // Enter and Space on the selected node
  f.NavTree->viewport()->installEventFilter(this);
  f.JvNavPanelHeader1->installEventFilter(this);
  f.JvPanel4->installEventFilter(this);
  f.NavTree->setStyleSheet(
      QStringLiteral("QTreeWidget::item:hover:!selected { color: palette(highlight); }"));
}

bool Commands::NavGo(int command) {
  const NavCommand* row = NavRow(NavFindRow(command));
  if (!row) return false;
  if (row->centrePage >= 0 && row->centrePage != w_.pcCenter->currentIndex()) {
    // A switch made here is not the user's pick of a tab.
    switchingPages_ = true;
    w_.pcCenter->setCurrentIndex(row->centrePage);
    switchingPages_ = false;
  }
  const bool handled = row->leftPage > 0 && row->leftPage != kLeftPageEmpty;
  if (row->leftPage >= 0) ShowOnlyPage(w_.pcEdits, row->leftPage);
  return handled;
}

void Commands::CmdCall(int command, int source, bool flag) {
  LogValues({"CmdCall", command, source, flag});
  if (command <= 0) {
    BugFS("CmdCall", {command, source, flag});
    return;
  }
  WorkListView& view = view_;
  switch (command) {
    case kCmdAddFiles:
    case kCmdAddPlaylist:
    case kCmdOpenPlaylist:
    case kCmdSavePlaylist:
      RunPlaylistCommand(view, program_.services().fileDialogs, command);
      break;
    case kCmdAddWinamp:
    case kCmdOpenWinamp:
      // Nested in a running scan, its bracket would close the scan's.
      if (actions_.winampImport && !view.busy()) {
        view.BeginListWork(LangFormat(kTextImporting, {"Winamp playlist"}) + "...", w_.List0);
        actions_.winampImport(command == kCmdOpenWinamp);
        view.EndListWorkKeepStatus();
      }
      break;
    case kCmdCopy:
    case kCmdMove:
    case kCmdDeleteFiles:
      operation_.SelectAction((command - kCmdCopy) / (kCmdMove - kCmdCopy));
      break;
    case kCmdTickWhatFits:
    case kCmdTickWhatFitsShuffled:
      FillCommands({view_.model()}, view_, [this] {
        return operation_.limitBytes();
      }).TickWhatFits(command == kCmdTickWhatFitsShuffled);
      break;
    case kCmdPreview:
      PreviewCommand({view_.model()}, view_, [this] { return operation_.Parameters(); }).Run();
      break;
    case kCmdPlay:
      if (actions_.play) actions_.play();
      break;
    case kCmdSettings:
      showModal(program_.settingsDialog());
      break;
    case kCmdLogsFolder:
      open(logsPath());
      break;
    case kCmdReadme:
      open(readmePath());
      break;
    case kCmdAbout:
      showModal(program_.aboutWindow());
      break;
    case kCmdExit:
      w_.window->close();
      break;
    default:
      view.RunListCommand(command);
      break;
  }
  ProgramLogWrite("CmdCall END");
}

void Commands::NavTreeChange(QTreeWidgetItem* node) {
  NavGo(NodeCommand(node));
}

void Commands::NavTreeClick() {
  const int command = NodeCommand(w_.NavTree->currentItem());
  if (!NavGo(command)) CmdCall(command, kSourceTree, false);
}

bool Commands::NavTreeKeyDown(QKeyEvent* event) {
  // Keypad Enter carries the keypad flag; any other modifier leaves the key to the tree.
  if (event->modifiers() & ~Qt::KeyboardModifiers(Qt::KeypadModifier)) return false;
  const int key = event->key();
  if (key != Qt::Key_Return && key != Qt::Key_Enter && key != Qt::Key_Space) return false;
  // A held key runs the command once, not once per repeat.
  if (!event->isAutoRepeat() && w_.NavTree->currentItem()) NavTreeClick();
  return true;
}

void Commands::TreeNavAction() {
  CmdCall(NodeCommand(w_.NavTree->currentItem()), kSourceTree, true);
}

void Commands::plMenuItemClick(QAction* item) {
  const int command = item ? TagOf(item) : -1;
  if (command > 0 && !NavGo(command)) CmdCall(command, kSourceMenu, true);
}

bool Commands::List0KeyDown(QKeyEvent* event) {
  if (event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier))
    return false;
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (actions_.play) actions_.play();
      return false;
    case Qt::Key_Asterisk:
      // Only the numeric keypad's multiply key; the list would otherwise expand rows.
      if (!(event->modifiers() & Qt::KeypadModifier)) return false;
      CmdCall(kCmdInvertSelection, kSourceKeyboard, true);
      return true;
    default:
      return false;
  }
}

void Commands::pcCenterChange(int page) {
  if (switchingPages_) return;
  if (page == kCentrePageList)
    NavGo(kCmdWorkList);
  else if (page == kCentrePageAction)
    NavGo(kCmdActions);
}

void Commands::ExpandSingleBranch(QTreeWidgetItem* node) {
  if (!node) return;
  QTreeWidget* tree = w_.NavTree;
  // The chain from the node up to its root stays open; every other branch closes.
  std::vector<QTreeWidgetItem*> chain;
  for (QTreeWidgetItem* n = node; n; n = n->parent()) chain.push_back(n);
  forEachNode(tree, [&](QTreeWidgetItem* n) {
    if (n->isExpanded() && std::find(chain.begin(), chain.end(), n) == chain.end())
      n->setExpanded(false);
  });
  for (QTreeWidgetItem* n : chain) n->setExpanded(true);
}

void Commands::RefreshNavigation() {
  QTreeWidget* tree = w_.NavTree;
  QTreeWidgetItem* first = tree->topLevelItem(0);
  if (!first) return;
  tree->setFocus();
  tree->setCurrentItem(first);
  first->setSelected(true);
  first->setExpanded(true);
  // The tree's second node is the first node's first child.
  NavTreeChange(first->childCount() > 0 ? first->child(0) : tree->topLevelItem(1));
}

std::string Commands::readmePath() const {
  // A build or a portable copy keeps the guide beside the executable; an installed
  // program has it under the prefix's share folder (bin/../share/tavel).
  const QString exeFolder = QCoreApplication::applicationDirPath();
  const QString beside = exeFolder + QStringLiteral("/Additional/readme.htm");
  const QString installed =
      QDir::cleanPath(exeFolder + QStringLiteral("/../share/tavel/Additional/readme.htm"));
  return (QFileInfo::exists(beside) || !QFileInfo::exists(installed) ? beside : installed)
      .toStdString();
}

std::string Commands::logsPath() const {
  return program_.logsFolder();
}

void Commands::open(const std::string& path) {
  const AppServices& services = program_.services();
  const bool opened =
      services.open ? services.open(path)
                    : QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
  if (!opened) ShowMessageE(LangFormat(kTextCannotOpen, {path}));
}

void Commands::showModal(QDialog* dialog) {
  if (!dialog) return;
  if (const AppServices& services = program_.services(); services.runModal)
    services.runModal(dialog);
  else
    dialog->exec();
}

bool Commands::eventFilter(QObject* watched, QEvent* event) {
  if (watched == w_.List0 && event->type() == QEvent::KeyPress)
    return List0KeyDown(static_cast<QKeyEvent*>(event));
  if (watched == w_.NavTree && event->type() == QEvent::KeyPress &&
      NavTreeKeyDown(static_cast<QKeyEvent*>(event)))
    return true;
  if (watched == w_.NavTree->viewport()) {
    const QEvent::Type type = event->type();
    // A double click's second press chooses no new node: the first click did.
    if (type == QEvent::MouseButtonPress) {
      buttonDown_ = true;
    } else if (type == QEvent::MouseButtonRelease) {
      buttonDown_ = false;
      // Queued: the tree takes the release (and runs the click) first.
      if (QTreeWidgetItem* node = std::exchange(expandAfterRelease_, nullptr))
        QMetaObject::invokeMethod(
            this, [this, node] { ExpandSingleBranch(node); }, Qt::QueuedConnection);
    }
  }
  if (event->type() == QEvent::MouseButtonRelease) {
    if (watched == w_.JvNavPanelHeader1)
      w_.NavTree->setFocus();
    else if (watched == w_.JvPanel4)
      w_.List0->setFocus();
  }
  return QObject::eventFilter(watched, event);
}
