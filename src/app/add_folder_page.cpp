#include "app/add_folder_page.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QGroupBox>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QSet>
#include <QStorageInfo>
#include <QStyle>
#include <QTreeView>
#include <QUrl>
#include <algorithm>
#include <utility>

#include "app/add_paths.h"
#include "app/worklist_view.h"
#include "worklist/add_files.h"

namespace {
constexpr int kHistoryMax = 8;

bool isUnder(const QString& path, const QString& root) {
  if (root == QLatin1String("/")) return path.startsWith(QLatin1Char('/'));
  return path == root || path.startsWith(root + QLatin1Char('/'));
}

bool isHiddenName(const QString& name) {
  return name.startsWith(QLatin1Char('.'));
}

// The order of the tree: names without regard to letter case, ties by the exact text.
bool folderNameLess(const QString& a, const QString& b) {
  const int c = QString::compare(a, b, Qt::CaseInsensitive);
  return c != 0 ? c < 0 : a < b;
}

// The subfolders of `path` a user browses: hidden ones left out, in the tree's order.
QStringList subfolderNames(const QString& path) {
  QStringList names = QDir(path).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System);
  std::sort(names.begin(), names.end(), folderNameLess);
  return names;
}

QString childPath(const QString& folder, const QString& name) {
  return folder == QLatin1String("/") ? QLatin1Char('/') + name : folder + QLatin1Char('/') + name;
}

// The home folder by the name a user knows it by: the user's name, "~" when there is none.
QString homeName(const QString& home) {
  const QString user = QDir(home).dirName();
  return home == QLatin1String("/") || user.isEmpty() ? QStringLiteral("~") : user;
}
}  // namespace

// ---- FolderTreeModel ---------------------------------------------------------------------

struct FolderTreeModel::Node {
  QString path;
  QString name;
  Node* parent = nullptr;
  int row = 0;
  bool isRoot = false;
  mutable bool listed = false;
  // A hidden folder the user asked for by its path: it stays in the tree while it exists.
  bool revealed = false;
  mutable int hasSubfolders = -1;  // -1 not known yet
  mutable std::vector<std::unique_ptr<Node>> children;
};

FolderTreeModel::FolderTreeModel(const QStringList& roots, QObject* parent)
    : QAbstractItemModel(parent), watcher_(new QFileSystemWatcher(this)) {
  connect(watcher_, &QFileSystemWatcher::directoryChanged, this, &FolderTreeModel::folderChanged);
  for (const QString& r : roots) {
    roots_.push_back(makeRoot(r));
    roots_.back()->row = static_cast<int>(roots_.size()) - 1;
  }
}

std::unique_ptr<FolderTreeModel::Node> FolderTreeModel::makeRoot(const QString& path,
                                                                 const QString& label) {
  auto n = std::make_unique<Node>();
  n->path = QDir::cleanPath(path);
  n->isRoot = true;
  const QString home = QDir::homePath();
  if (!label.isEmpty() && label != n->path)
    n->name = label + QStringLiteral(" (") + n->path + ')';
  else if (n->path == home)
    n->name = homeName(home);
  else if (n->path == QLatin1String("/"))
    n->name = QStringLiteral("/");
  else {
    const QStorageInfo info(n->path);
    const QString label = info.isValid() ? info.displayName() : QString();
    n->name = label.isEmpty() || label == n->path ? n->path
                                                  : label + QStringLiteral(" (") + n->path + ')';
  }
  return n;
}

void FolderTreeModel::setRoots(const QStringList& roots, const QHash<QString, QString>& labels) {
  QStringList wanted;
  for (const QString& r : roots) wanted << QDir::cleanPath(r);
  for (int i = static_cast<int>(roots_.size()) - 1; i >= 0; --i) {
    const QString path = roots_[static_cast<std::size_t>(i)]->path;
    if (wanted.contains(path)) continue;
    for (const QString& watched : watcher_->directories())
      if (isUnder(watched, path)) watcher_->removePath(watched);
    beginRemoveRows({}, i, i);
    roots_.erase(roots_.begin() + i);
    for (std::size_t k = 0; k < roots_.size(); ++k) roots_[k]->row = static_cast<int>(k);
    endRemoveRows();
  }
  for (const QString& path : wanted) {
    const bool present = std::any_of(roots_.begin(), roots_.end(),
                                     [&path](const auto& r) { return r->path == path; });
    if (present) continue;
    const int row = static_cast<int>(roots_.size());
    beginInsertRows({}, row, row);
    roots_.push_back(makeRoot(path, labels.value(path)));
    roots_.back()->row = row;
    endInsertRows();
  }
}

QStringList FolderTreeModel::rootPaths() const {
  QStringList out;
  for (const auto& r : roots_) out << r->path;
  return out;
}

FolderTreeModel::~FolderTreeModel() = default;

QStringList FolderTreeModel::defaultRoots() {
  QStringList roots{QDir::homePath()};
  if (!roots.contains(QStringLiteral("/"))) roots << QStringLiteral("/");
  for (const QStorageInfo& v : QStorageInfo::mountedVolumes()) {
    const QString p = v.rootPath();
    if (!v.isValid() || !v.isReady()) continue;
    // Where removable media and other disks are mounted: /mnt/disk, /media/disk,
    // /media/user/disk, /run/media/user/disk. Deeper mounts are some program's business.
    const int depth = static_cast<int>(p.count(QLatin1Char('/')));
    const bool volume = (p.startsWith(QLatin1String("/mnt/")) && depth <= 2) ||
                        (p.startsWith(QLatin1String("/media/")) && depth <= 3) ||
                        (p.startsWith(QLatin1String("/run/media/")) && depth <= 4);
    if (volume && !roots.contains(p)) roots << p;
  }
  return roots;
}

FolderTreeModel::Node* FolderTreeModel::nodeOf(const QModelIndex& index) const {
  return index.isValid() ? static_cast<Node*>(index.internalPointer()) : nullptr;
}

void FolderTreeModel::list(Node* node) const {
  if (node->listed) return;
  node->listed = true;
  for (const QString& name : subfolderNames(node->path)) {
    auto child = std::make_unique<Node>();
    child->path = childPath(node->path, name);
    child->name = name;
    child->parent = node;
    child->row = static_cast<int>(node->children.size());
    node->children.push_back(std::move(child));
  }
  node->hasSubfolders = node->children.empty() ? 0 : 1;
}

QModelIndex FolderTreeModel::index(int row, int column, const QModelIndex& parent) const {
  if (column != 0 || row < 0) return {};
  if (!parent.isValid()) {
    if (row >= static_cast<int>(roots_.size())) return {};
    return createIndex(row, 0, roots_[static_cast<std::size_t>(row)].get());
  }
  Node* p = nodeOf(parent);
  if (!p->listed || row >= static_cast<int>(p->children.size())) return {};
  return createIndex(row, 0, p->children[static_cast<std::size_t>(row)].get());
}

QModelIndex FolderTreeModel::parent(const QModelIndex& child) const {
  Node* n = nodeOf(child);
  if (!n || !n->parent) return {};
  return createIndex(n->parent->row, 0, n->parent);
}

int FolderTreeModel::rowCount(const QModelIndex& parent) const {
  if (!parent.isValid()) return static_cast<int>(roots_.size());
  if (parent.column() != 0) return 0;
  Node* n = nodeOf(parent);
  return n->listed ? static_cast<int>(n->children.size()) : 0;
}

int FolderTreeModel::columnCount(const QModelIndex&) const {
  return 1;
}

QVariant FolderTreeModel::data(const QModelIndex& index, int role) const {
  Node* n = nodeOf(index);
  if (!n) return {};
  switch (role) {
    case Qt::DisplayRole:
      return n->name;
    case Qt::ToolTipRole:
      return n->path;
    case Qt::DecorationRole: {
      QStyle* style = QApplication::style();
      if (n->isRoot && n->path == QDir::homePath())
        return style->standardIcon(QStyle::SP_DirHomeIcon);
      if (n->isRoot) return style->standardIcon(QStyle::SP_DriveHDIcon);
      return style->standardIcon(QStyle::SP_DirIcon);
    }
    default:
      return {};
  }
}

bool FolderTreeModel::hasChildren(const QModelIndex& parent) const {
  if (!parent.isValid()) return !roots_.empty();
  Node* n = nodeOf(parent);
  if (n->listed) return !n->children.empty();
  if (n->hasSubfolders < 0) {
    // One look for a first subfolder, not a whole listing, decides the expander.
    QDirIterator it(n->path, QDir::Dirs | QDir::NoDotAndDotDot | QDir::System);
    n->hasSubfolders = it.hasNext() ? 1 : 0;
  }
  return n->hasSubfolders == 1;
}

bool FolderTreeModel::canFetchMore(const QModelIndex& parent) const {
  Node* n = nodeOf(parent);
  return n && !n->listed;
}

void FolderTreeModel::fetchMore(const QModelIndex& parent) {
  Node* n = nodeOf(parent);
  if (!n || n->listed) return;
  // List first, then announce the rows that are already there.
  Node probe;
  probe.path = n->path;
  list(&probe);
  if (probe.children.empty()) {
    n->listed = true;
    n->hasSubfolders = 0;
    return;
  }
  beginInsertRows(parent, 0, static_cast<int>(probe.children.size()) - 1);
  for (auto& c : probe.children) c->parent = n;
  n->children = std::move(probe.children);
  n->listed = true;
  n->hasSubfolders = 1;
  endInsertRows();
}

void FolderTreeModel::refresh(const QModelIndex& index) {
  Node* n = nodeOf(index);
  if (!n || !n->listed) return;
  QStringList names = subfolderNames(n->path);
  QSet<QString> present(names.begin(), names.end());
  for (const auto& c : n->children)
    if (c->revealed && !present.contains(c->name) && QFileInfo(c->path).isDir()) {
      names << c->name;
      present.insert(c->name);
    }
  std::sort(names.begin(), names.end(), folderNameLess);
  // What stays keeps its order, so after the removals the children are a subsequence of
  // the names and every name not at its place is new.
  for (int i = static_cast<int>(n->children.size()) - 1; i >= 0; --i) {
    const Node& c = *n->children[static_cast<std::size_t>(i)];
    if (present.contains(c.name)) continue;
    for (const QString& watched : watcher_->directories())
      if (isUnder(watched, c.path)) watcher_->removePath(watched);
    beginRemoveRows(index, i, i);
    n->children.erase(n->children.begin() + i);
    renumberChildren(n);
    endRemoveRows();
  }
  for (int i = 0; i < static_cast<int>(names.size()); ++i) {
    const auto at = static_cast<std::size_t>(i);
    if (at < n->children.size() && n->children[at]->name == names[i]) continue;
    insertChild(index, at, names[i], isHiddenName(names[i]));
  }
  n->hasSubfolders = n->children.empty() ? 0 : 1;
}

void FolderTreeModel::renumberChildren(Node* n) {
  for (std::size_t i = 0; i < n->children.size(); ++i) n->children[i]->row = static_cast<int>(i);
}

FolderTreeModel::Node* FolderTreeModel::insertChild(const QModelIndex& parent, std::size_t pos,
                                                    const QString& name, bool revealed) {
  Node* n = nodeOf(parent);
  auto child = std::make_unique<Node>();
  child->name = name;
  child->path = childPath(n->path, name);
  child->parent = n;
  child->revealed = revealed;
  Node* made = child.get();
  beginInsertRows(parent, static_cast<int>(pos), static_cast<int>(pos));
  n->children.insert(n->children.begin() + static_cast<std::ptrdiff_t>(pos), std::move(child));
  renumberChildren(n);
  n->hasSubfolders = 1;
  endInsertRows();
  return made;
}

void FolderTreeModel::setOpen(const QModelIndex& index, bool open) {
  Node* n = nodeOf(index);
  if (!n) return;
  if (!open) {
    if (watcher_->directories().contains(n->path)) watcher_->removePath(n->path);
    return;
  }
  // The first opening has listed it a moment ago too; one more read of a folder is cheap.
  refresh(index);
  if (!watcher_->directories().contains(n->path)) watcher_->addPath(n->path);
}

QStringList FolderTreeModel::watchedFolders() const {
  return watcher_->directories();
}

void FolderTreeModel::folderChanged(const QString& path) {
  if (Node* n = findListed(path)) refresh(createIndex(n->row, 0, n));
}

FolderTreeModel::Node* FolderTreeModel::findListed(const QString& path) const {
  const QString clean = QDir::cleanPath(path);
  for (const auto& r : roots_) {
    Node* n = r.get();
    if (!isUnder(clean, n->path)) continue;
    while (n && n->path != clean) {
      Node* next = nullptr;
      for (const auto& c : n->children)
        if (isUnder(clean, c->path)) next = c.get();
      n = next;
    }
    if (n && n->listed) return n;
  }
  return nullptr;
}

Qt::ItemFlags FolderTreeModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
}

QStringList FolderTreeModel::mimeTypes() const {
  return {QStringLiteral("text/uri-list")};
}

QMimeData* FolderTreeModel::mimeData(const QModelIndexList& indexes) const {
  QList<QUrl> urls;
  for (const QModelIndex& i : indexes)
    if (Node* n = nodeOf(i)) urls << QUrl::fromLocalFile(n->path);
  auto* data = new QMimeData;
  data->setUrls(urls);
  return data;
}

QString FolderTreeModel::pathOf(const QModelIndex& index) const {
  Node* n = nodeOf(index);
  return n ? n->path : QString();
}

QModelIndex FolderTreeModel::indexOfPath(const QString& path) {
  const QString clean = QDir::cleanPath(path);
  // The deepest root that holds the path (home before "/", a volume before "/").
  Node* best = nullptr;
  for (auto& r : roots_) {
    if (isUnder(clean, r->path) && (!best || r->path.size() > best->path.size())) best = r.get();
  }
  if (!best) return {};
  QModelIndex at = createIndex(best->row, 0, best);
  Node* n = best;
  while (n->path != clean) {
    if (!n->listed) fetchMore(at);
    Node* next = nullptr;
    for (auto& c : n->children)
      if (isUnder(clean, c->path)) next = c.get();
    if (!next) {
      // A hidden folder is listed once the user names it.
      const QString rest = clean.mid(n->path == QLatin1String("/") ? 1 : n->path.size() + 1);
      const QString name = rest.section(QLatin1Char('/'), 0, 0);
      if (!isHiddenName(name) || !QFileInfo(childPath(n->path, name)).isDir()) return {};
      std::size_t pos = 0;
      while (pos < n->children.size() && folderNameLess(n->children[pos]->name, name)) ++pos;
      next = insertChild(at, pos, name, true);
    }
    n = next;
    at = createIndex(n->row, 0, n);
  }
  return at;
}

// ---- histories ---------------------------------------------------------------------------

void UpdateHistory(QComboBox* comboBox, int maxCount, bool trim) {
  QStringList items;
  for (int i = 0; i < comboBox->count(); ++i) items << comboBox->itemText(i);
  const QString top = UpdateHistoryItems(items, comboBox->currentText(), maxCount, trim);
  if (top.isEmpty()) return;
  const QSignalBlocker block(comboBox);
  comboBox->clear();
  comboBox->addItems(items);
  comboBox->setCurrentIndex(0);
  comboBox->setEditText(top);
}

// ---- AddFolderPage -----------------------------------------------------------------------

AddFolderPage::AddFolderPage(Widgets widgets, WorkListView& view, FolderTreeModel* treeModel,
                             QObject* parent)
    : QObject(parent), w_(widgets), view_(view), model_(treeModel) {
  if (w_.tree && model_) {
    w_.tree->setModel(model_);
    w_.tree->setDragEnabled(true);
    w_.tree->setDragDropMode(QAbstractItemView::DragOnly);
    w_.tree->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(w_.tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
              // Choosing a folder only fills in the folder text; adding is the button's.
              if (current.isValid() && w_.folders && !followingText_)
                w_.folders->setEditText(model_->pathOf(current));
            });
    connect(w_.tree, &QTreeView::expanded, model_,
            [this](const QModelIndex& index) { model_->setOpen(index, true); });
    connect(w_.tree, &QTreeView::collapsed, model_,
            [this](const QModelIndex& index) { model_->setOpen(index, false); });
    if (w_.folders && w_.folders->lineEdit())
      connect(w_.folders->lineEdit(), &QLineEdit::editingFinished, this,
              &AddFolderPage::ShowTypedFolder);
  }
  if (w_.add) connect(w_.add, &QPushButton::clicked, this, &AddFolderPage::AddButtonClick);
  if (w_.toggle) connect(w_.toggle, &QPushButton::clicked, this, &AddFolderPage::ToggleOptions);
  if (w_.showOptions)
    connect(w_.showOptions, &QCheckBox::toggled, this, &AddFolderPage::ApplyOptionsVisibility);
  if (w_.byMask) connect(w_.byMask, &QCheckBox::toggled, this, &AddFolderPage::ApplyMaskVisibility);
  if (w_.page) w_.page->installEventFilter(this);
  if (view_.list()) {
    view_.list()->setAcceptDrops(true);
    view_.list()->viewport()->setAcceptDrops(true);
    view_.list()->viewport()->installEventFilter(this);
  }
  ApplyOptionsVisibility();
}

void AddFolderPage::ShowTypedFolder() {
  if (!w_.tree || !model_ || !w_.folders) return;
  const QString typed = w_.folders->currentText().trimmed();
  if (typed.isEmpty()) return;
  const QModelIndex at = model_->indexOfPath(typed);
  if (!at.isValid()) return;
  // The folder text stays as typed.
  followingText_ = true;
  w_.tree->setCurrentIndex(at);
  followingText_ = false;
  w_.tree->scrollTo(at);
}

QString AddFolderPage::currentMask() const {
  return w_.byMask && w_.byMask->isChecked() && w_.mask ? w_.mask->currentText() : QString();
}

void AddFolderPage::addFolder(const QString& folder) {
  view_.adder().AddFolder(
      folder.toStdString(), currentMask().toStdString(), w_.setMark && w_.setMark->isChecked(),
      w_.subfolders && w_.subfolders->isChecked(), w_.id3 && w_.id3->isChecked());
}

void AddFolderPage::AddButtonClick() {
  // A scan pumps window messages; a second click meanwhile must not start another one.
  if (view_.busy()) return;
  if (w_.folders) UpdateHistory(w_.folders, kHistoryMax, true);
  if (w_.mask) UpdateHistory(w_.mask, kHistoryMax, true);
  addFolder(w_.folders ? w_.folders->currentText() : QString());
}

void AddFolderPage::ToggleOptions() {
  if (w_.showOptions) w_.showOptions->setChecked(!w_.showOptions->isChecked());
}

void AddFolderPage::ApplyOptionsVisibility() {
  const bool shown = w_.showOptions && w_.showOptions->isChecked();
  if (w_.options) w_.options->setVisible(shown);
  // The panel's layout follows: it ends 2 px below the group, or below the folder history
  // while the group is hidden.
  if (w_.optionsPanel) w_.optionsPanel->updateGeometry();
  ApplyMaskVisibility();
}

void AddFolderPage::ApplyMaskVisibility() {
  if (w_.mask) w_.mask->setVisible(w_.byMask && w_.byMask->isChecked());
}

QString AddFolderPage::selectedTreePath() const {
  if (!w_.tree || !model_) return QString();
  const QModelIndexList sel = w_.tree->selectionModel()->selectedRows();
  if (!sel.isEmpty()) return model_->pathOf(sel.first());
  return model_->pathOf(w_.tree->currentIndex());
}

void AddFolderPage::DropFromTree() {
  if (view_.busy()) return;
  const QString path = selectedTreePath();
  if (path.isEmpty()) return;
  if (w_.folders) UpdateHistory(w_.folders, kHistoryMax, true);
  if (w_.mask) UpdateHistory(w_.mask, kHistoryMax, true);
  if (w_.folders) w_.folders->setEditText(path);
  addFolder(path);
}

bool AddFolderPage::eventFilter(QObject* watched, QEvent* event) {
  if (w_.page && watched == w_.page && event->type() == QEvent::Show) ApplyOptionsVisibility();
  if (view_.list() && watched == view_.list()->viewport()) {
    switch (event->type()) {
      case QEvent::DragEnter:
      case QEvent::DragMove: {
        auto* e = static_cast<QDropEvent*>(event);
        // Folders from our own tree, or files and folders from a file manager (URLs).
        if ((w_.tree && e->source() == w_.tree) ||
            (!e->source() && !view_.busy() && !LocalPathsOf(e->mimeData()).empty())) {
          e->setDropAction(Qt::CopyAction);
          e->accept();
        } else {
          e->ignore();
        }
        return true;
      }
      case QEvent::Drop: {
        auto* e = static_cast<QDropEvent*>(event);
        if (w_.tree && e->source() == w_.tree) {
          e->setDropAction(Qt::CopyAction);
          e->accept();
          DropFromTree();
        } else if (!e->source() && !LocalPathsOf(e->mimeData()).empty()) {
          e->setDropAction(Qt::CopyAction);
          e->accept();
          AddHandedPaths(view_, *this, LocalPathsOf(e->mimeData()));
        } else {
          e->ignore();
        }
        return true;
      }
      default:
        break;
    }
  }
  return QObject::eventFilter(watched, event);
}
