#pragma once
// Command dispatch of the main window. The navigation tree, the list's context menu and two
// list keys produce command numbers (nav_commands.h); NavGo switches the pages a command
// belongs to and CmdCall carries the command out. A single click in the tree runs the
// command unless its pages are already its whole action; a double click and a menu choice
// always run it; selecting a node with the keys only switches pages.
#include <QObject>
#include <cstdint>
#include <functional>
#include <string>

class QAction;
class QDialog;
class QKeyEvent;
class QLabel;
class QMenu;
class QTabWidget;
class QTreeView;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;
class OperationPanel;
class TavelProgram;
class WorkListView;

// Where a command came from; written to the program log only.
constexpr int kSourceTree = 0;
constexpr int kSourceMenu = 1;
constexpr int kSourceKeyboard = 3;

// The command of a tree node: -1 for no node or a node whose data is not the index of a
// row of the command table.
int NodeCommand(const QTreeWidgetItem* node);

// Makes page `index` the active page and shows its tab alone.
void ShowOnlyPage(QTabWidget* pageControl, int index);

class Commands : public QObject {
  Q_OBJECT
 public:
  struct Widgets {
    QWidget* window = nullptr;  // closed by the exit command
    QTreeWidget* NavTree = nullptr;
    QLabel* JvNavPanelHeader1 = nullptr;  // header of the tree
    QTabWidget* pcEdits = nullptr;        // left pages
    QTabWidget* pcCenter = nullptr;       // centre pages
    QTreeView* List0 = nullptr;
    QLabel* JvPanel4 = nullptr;  // header of the list
    QMenu* plMenu = nullptr;     // the list's context menu
  };
  // The work that belongs to other parts of the program: the preview player's play request
  // and Winamp's playlist (replace: the list is emptied first). Nothing is done for an
  // empty one.
  struct Actions {
    std::function<void()> play;
    std::function<void(bool replace)> winampImport;
  };

  // Binds the tree, the menu, the list's keys, the centre page tabs and the two headers.
  // `program` gives the dialogs, the logs folder and the desktop's services (file dialogs,
  // opening a document, running a dialog); `operation` takes the actions' picks.
  Commands(Widgets widgets, TavelProgram& program, WorkListView& view, OperationPanel& operation,
           Actions actions, QObject* parent = nullptr);

  // Switches the command's pages; true when those pages are the command's whole action
  // (a left page above 0 other than the empty one: the add-folder page).
  bool NavGo(int command);
  // source: kSourceTree, kSourceMenu or kSourceKeyboard; flag: false for a single click in
  // the tree.
  void CmdCall(int command, int source, bool flag);

  // Event handlers, public so that they can be driven as the events would.
  void NavTreeChange(QTreeWidgetItem* node);
  void NavTreeClick();
  void TreeNavAction();
  void plMenuItemClick(QAction* item);
  // True when the key was taken.
  bool List0KeyDown(QKeyEvent* event);
  // Enter, keypad Enter and Space on the tree run the selected node as a click does. True
  // when the key was taken.
  bool NavTreeKeyDown(QKeyEvent* event);
  void pcCenterChange(int page);

  // The tree's selected node opens and every other branch closes, so one branch stays open.
  // Chosen with the mouse, it does so once the button is released.
  void ExpandSingleBranch(QTreeWidgetItem* node);

  // The tree part of the end of start-up: the first node focused, selected and expanded,
  // then the change handler for the second node, which shows its pages.
  void RefreshNavigation();

  // Paths of the two documents: the user guide beside the program and the logs folder.
  std::string readmePath() const;
  std::string logsPath() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void bind();
  void open(const std::string& path);
  void showModal(QDialog* dialog);

  Widgets w_;
  TavelProgram& program_;
  WorkListView& view_;
  OperationPanel& operation_;
  Actions actions_;
  bool switchingPages_ = false;
  // A mouse button is held on the tree; the node it chose opens its branch on the release.
  bool buttonDown_ = false;
  QTreeWidgetItem* expandAfterRelease_ = nullptr;
};
