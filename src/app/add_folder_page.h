#pragma once
// The add-folder page of the main window: the folder tree STV1, the folder and mask
// histories, the options group and its toggle, the add button, and dropping a folder from
// the tree onto the work list.
#include <QAbstractItemModel>
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class QCheckBox;
class QFileSystemWatcher;
class QComboBox;
class QGroupBox;
class QPushButton;
class QTreeView;
class QWidget;
class WorkListView;

// Folders only, listed lazily as the user opens them. Hidden folders (names starting with
// a dot) are left out unless their path is asked for (indexOfPath: the user typed it).
// The top level holds where a user looks for music: the home folder (shown by the user's
// name), then the file-system root and the mounted volumes (removable media, other disks).
// An opened folder is read again each time it is opened and, while it stays open, when it
// changes on disk.
class FolderTreeModel : public QAbstractItemModel {
  Q_OBJECT
 public:
  explicit FolderTreeModel(const QStringList& roots, QObject* parent = nullptr);
  ~FolderTreeModel() override;

  // The home folder, "/", then every mounted volume below /media, /mnt, /run/media.
  static QStringList defaultRoots();
  // The top level becomes `roots`: roots no longer named go with their subtrees, new ones
  // are added at the end, the others stay as they are (opened, listed). A new root is shown
  // by its label from `labels` when it has one there, else by its volume's name.
  void setRoots(const QStringList& roots, const QHash<QString, QString>& labels = {});
  QStringList rootPaths() const;

  // The full path of a node; empty for an invalid index.
  QString pathOf(const QModelIndex& index) const;
  // The node of a path below one of the roots, listing folders on the way; invalid when
  // the path lies below no root or does not exist. Hidden folders on the way are added
  // to the tree and stay while they exist.
  QModelIndex indexOfPath(const QString& path);

  // Reads a listed folder again: folders gone are removed, new ones inserted in name
  // order; the nodes that stay keep their own subtrees.
  void refresh(const QModelIndex& index);
  // The tree opened (true) or closed (false) the node: an opened folder is read again and
  // watched until it closes.
  void setOpen(const QModelIndex& index, bool open);
  QStringList watchedFolders() const;
  // A watched folder changed on disk.
  void folderChanged(const QString& path);

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  bool hasChildren(const QModelIndex& parent = {}) const override;
  bool canFetchMore(const QModelIndex& parent) const override;
  void fetchMore(const QModelIndex& parent) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QStringList mimeTypes() const override;
  QMimeData* mimeData(const QModelIndexList& indexes) const override;

 private:
  struct Node;
  Node* nodeOf(const QModelIndex& index) const;
  static std::unique_ptr<Node> makeRoot(const QString& path, const QString& label = QString());
  void list(Node* node) const;
  // The listed node of `path`, found without listing anything; null when there is none.
  Node* findListed(const QString& path) const;
  // Inserts the subfolder `name` of the node at `parent` as its row `pos`.
  Node* insertChild(const QModelIndex& parent, std::size_t pos, const QString& name, bool revealed);
  static void renumberChildren(Node* n);

  std::vector<std::unique_ptr<Node>> roots_;
  QFileSystemWatcher* watcher_;
};

// The editable drop-down's history rule on a combo box: its text moves to the top of its
// items (found without regard to letter case), at most maxCount items stay, and the combo
// then shows item 0. Nothing happens for an empty text.
void UpdateHistory(QComboBox* comboBox, int maxCount, bool trim);

class AddFolderPage : public QObject {
  Q_OBJECT
 public:
  struct Widgets {
    QWidget* page = nullptr;  // tsE2
    QTreeView* tree = nullptr;
    QComboBox* folders = nullptr;  // cbFoldersHistory
    QComboBox* mask = nullptr;     // cbMask1
    QCheckBox* subfolders = nullptr;
    QCheckBox* id3 = nullptr;
    QCheckBox* setMark = nullptr;
    QCheckBox* byMask = nullptr;
    QCheckBox* showOptions = nullptr;  // hidden: whether the options group shows
    QGroupBox* options = nullptr;
    QWidget* optionsPanel = nullptr;  // pAFOptions
    QPushButton* toggle = nullptr;    // Button7
    QPushButton* add = nullptr;       // Button1
  };

  // The page puts `treeModel` on its tree.
  AddFolderPage(Widgets widgets, WorkListView& view, FolderTreeModel* treeModel,
                QObject* parent = nullptr);

  // The add button: both histories remembered, then the folder scanned.
  void AddButtonClick();
  // The options toggle flips the hidden check box, which shows or hides the group.
  void ToggleOptions();
  void ApplyOptionsVisibility();
  void ApplyMaskVisibility();
  // The full path of the folder selected in the tree; empty when none is.
  QString selectedTreePath() const;
  // Drop of a folder dragged from the tree: histories, folder text, scan.
  void DropFromTree();
  // Adds a folder handed over from outside the page (command line, a drop from a file
  // manager) with the page's current options: subfolders, mask, mark, descriptions.
  void AddFolderWithOptions(const QString& folder) { addFolder(folder); }
  // The folder typed into the folder text is shown and selected in the tree (a hidden one
  // too); nothing when it is no folder below the tree's roots.
  void ShowTypedFolder();

  FolderTreeModel* treeModel() const { return model_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QString currentMask() const;
  void addFolder(const QString& folder);

  Widgets w_;
  WorkListView& view_;
  FolderTreeModel* model_;
  bool followingText_ = false;
};
