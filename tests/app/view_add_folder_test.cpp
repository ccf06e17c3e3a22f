#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDropEvent>
#include <QGroupBox>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <filesystem>

#include "app/add_folder_page.h"
#include "app/add_paths.h"
#include "lang/lang.h"
#include "test_support.h"
#include "view_test_support.h"
#include "worklist/add_files.h"

namespace {

QComboBox* history(QWidget* parent) {
  auto* c = new QComboBox(parent);
  c->setEditable(true);
  c->setInsertPolicy(QComboBox::NoInsert);
  return c;
}

struct Page : ::testing::Test {
  TempDir dir;
  ViewFixture f;
  QWidget pageWidget;
  AddFolderPage::Widgets w;
  FolderTreeModel* model = nullptr;
  std::unique_ptr<AddFolderPage> page;

  void SetUp() override {
    for (const char* p : {"music/a.mp3", "music/b.txt", "music/sub/c.mp3", "music/.hidden/d.mp3"}) {
      std::filesystem::create_directories((dir / p).parent_path());
      writeFile(dir / p, std::string(300, 'x'));
    }
    w.page = &pageWidget;
    w.tree = new QTreeView(&pageWidget);
    w.folders = history(&pageWidget);
    w.optionsPanel = new QWidget(&pageWidget);
    w.options = new QGroupBox(w.optionsPanel);
    w.mask = history(w.options);
    w.subfolders = new QCheckBox(w.options);
    w.id3 = new QCheckBox(w.options);
    w.setMark = new QCheckBox(w.options);
    w.byMask = new QCheckBox(w.options);
    w.showOptions = new QCheckBox(w.optionsPanel);
    w.toggle = new QPushButton(&pageWidget);
    w.add = new QPushButton(&pageWidget);
    w.subfolders->setChecked(true);
    model = new FolderTreeModel({QString::fromStdString(dir.str())}, &pageWidget);
    page = std::make_unique<AddFolderPage>(w, *f.view, model);
    pageWidget.show();
  }
  std::vector<std::string> origins() {
    std::vector<std::string> o;
    for (int p = 0; p < f.workList.EntryCount(); ++p) {
      f.workList.SelectIndex(p);
      o.push_back(f.workList.Cursor->GetOrigin().substr(dir.str().size()));
    }
    return o;
  }
};

TEST_F(Page, FolderTreeListsFoldersOnlyAndLazily) {
  ASSERT_EQ(model->rowCount(), 1);
  const QModelIndex root = model->index(0, 0);
  EXPECT_EQ(model->pathOf(root).toStdString(), dir.str());
  EXPECT_TRUE(model->hasChildren(root));
  EXPECT_EQ(model->rowCount(root), 0);  // nothing listed before the user opens it
  ASSERT_TRUE(model->canFetchMore(root));
  model->fetchMore(root);
  ASSERT_EQ(model->rowCount(root), 1);  // "music"; files are not shown
  const QModelIndex music = model->index(0, 0, root);
  model->fetchMore(music);
  ASSERT_EQ(model->rowCount(music), 1);  // ".hidden" is not listed
  EXPECT_EQ(model->data(model->index(0, 0, music)).toString(), "sub");
  const QModelIndex sub = model->index(0, 0, music);
  EXPECT_FALSE(model->hasChildren(sub));
  EXPECT_EQ(model->parent(sub), music);

  const QModelIndex found = model->indexOfPath(QString::fromStdString(dir.str() + "/music/sub/"));
  EXPECT_EQ(found, sub);
  EXPECT_FALSE(model->indexOfPath("/definitely/not/here").isValid());
  EXPECT_FALSE(model->indexOfPath(QString::fromStdString(dir.str() + "/music/nope")).isValid());

  std::unique_ptr<QMimeData> mime(model->mimeData({sub}));
  ASSERT_EQ(mime->urls().size(), 1);
  EXPECT_EQ(mime->urls()[0].toLocalFile().toStdString(), dir.str() + "/music/sub");
  EXPECT_TRUE(model->flags(sub) & Qt::ItemIsDragEnabled);

  // The default roots start at home and include the file-system root.
  const QStringList roots = FolderTreeModel::defaultRoots();
  ASSERT_GE(roots.size(), 1);
  EXPECT_EQ(roots[0], QDir::homePath());
  EXPECT_TRUE(roots.contains("/"));
  EXPECT_EQ(roots.count("/"), 1);
}

TEST_F(Page, FolderTreeStaysCurrentAndListsHiddenFoldersOnlyWhenTyped) {
  namespace fs = std::filesystem;
  const QString base = QString::fromStdString(dir.str());
  const QModelIndex root = model->index(0, 0);
  w.tree->expand(root);
  const QModelIndex music = model->indexOfPath(base + "/music");
  w.tree->expand(music);
  const auto names = [&](const QModelIndex& parent) {
    QStringList out;
    for (int r = 0; r < model->rowCount(parent); ++r)
      out << model->data(model->index(r, 0, parent)).toString();
    return out;
  };
  ASSERT_EQ(names(music), QStringList{"sub"});
  EXPECT_TRUE(model->watchedFolders().contains(base + "/music"));
  EXPECT_TRUE(model->watchedFolders().contains(base));

  // Made and removed while the folder is open: the watcher's change report updates it, and
  // the node that stays keeps its place and its own listing.
  const QModelIndex sub = model->index(0, 0, music);
  w.tree->expand(sub);
  fs::create_directories(dir / "music/Alpha");
  fs::create_directories(dir / "music/zeta");
  fs::create_directories(dir / "music/.cache");
  model->folderChanged(base + "/music");
  EXPECT_EQ(names(music), (QStringList{"Alpha", "sub", "zeta"}));
  EXPECT_EQ(model->pathOf(model->index(1, 0, music)), base + "/music/sub");
  EXPECT_TRUE(w.tree->isExpanded(model->index(1, 0, music)));
  fs::remove(dir / "music/Alpha");
  model->folderChanged(base + "/music");
  EXPECT_EQ(names(music), (QStringList{"sub", "zeta"}));

  // A closed folder is read again when it opens.
  w.tree->collapse(music);
  EXPECT_FALSE(model->watchedFolders().contains(base + "/music"));
  fs::remove(dir / "music/zeta");
  fs::create_directories(dir / "music/new");
  w.tree->expand(music);
  EXPECT_EQ(names(music), (QStringList{"new", "sub"}));

  // A hidden folder shows once its path is typed, and stays while it exists.
  w.folders->setEditText(base + "/music/.hidden");
  QTest::keyClick(w.folders->lineEdit(), Qt::Key_Return);
  EXPECT_EQ(names(music), (QStringList{".hidden", "new", "sub"}));
  EXPECT_EQ(page->selectedTreePath(), base + "/music/.hidden");
  EXPECT_EQ(w.folders->currentText(), base + "/music/.hidden");
  model->folderChanged(base + "/music");
  EXPECT_EQ(names(music), (QStringList{".hidden", "new", "sub"}));
  fs::remove_all(dir / "music/.hidden");
  model->folderChanged(base + "/music");
  EXPECT_EQ(names(music), (QStringList{"new", "sub"}));
  w.folders->setEditText(base + "/music/.nothing");
  page->ShowTypedFolder();
  EXPECT_EQ(names(music), (QStringList{"new", "sub"}));

  // The home folder is shown by the user's name, its path in the tip.
  FolderTreeModel homeTree({QDir::homePath()});
  const QString shown = homeTree.data(homeTree.index(0, 0)).toString();
  EXPECT_NE(shown, QDir::homePath());
  EXPECT_EQ(shown, QDir::homePath() == "/" ? QString("~") : QDir(QDir::homePath()).dirName());
  EXPECT_EQ(homeTree.data(homeTree.index(0, 0), Qt::ToolTipRole).toString(), QDir::homePath());
}

TEST_F(Page, OptionsToggleAndMaskVisibility) {
  EXPECT_FALSE(w.options->isVisible());
  EXPECT_FALSE(w.mask->isVisible());
  QTest::mouseClick(w.toggle, Qt::LeftButton);
  EXPECT_TRUE(w.showOptions->isChecked());
  EXPECT_TRUE(w.options->isVisible());
  EXPECT_FALSE(w.mask->isVisible());
  w.byMask->setChecked(true);
  EXPECT_TRUE(w.mask->isVisible());
  QTest::mouseClick(w.toggle, Qt::LeftButton);
  EXPECT_FALSE(w.options->isVisible());
  EXPECT_FALSE(w.showOptions->isChecked());

  // Restored settings are applied when the page is shown again.
  pageWidget.hide();
  w.showOptions->blockSignals(true);
  w.showOptions->setChecked(true);
  w.showOptions->blockSignals(false);
  pageWidget.show();
  EXPECT_TRUE(w.options->isVisible());
}

TEST_F(Page, TreeSelectionFillsTheFolderText) {
  const QModelIndex sub = model->indexOfPath(QString::fromStdString(dir.str() + "/music/sub"));
  w.tree->setCurrentIndex(sub);
  EXPECT_EQ(w.folders->currentText().toStdString(), dir.str() + "/music/sub");
  EXPECT_EQ(page->selectedTreePath().toStdString(), dir.str() + "/music/sub");
  EXPECT_EQ(f.workList.EntryCount(), 0);  // choosing adds nothing
}

TEST_F(Page, AddButtonRemembersHistoriesAndScans) {
  w.folders->setEditText(QString::fromStdString("  " + dir.str() + "/music  "));
  w.mask->setEditText("*.mp3");
  QTest::mouseClick(w.add, Qt::LeftButton);
  // Not by mask: every file, subfolders included.
  EXPECT_EQ(origins(), (std::vector<std::string>{"/music/a.mp3", "/music/b.txt",
                                                 "/music/.hidden/d.mp3", "/music/sub/c.mp3"}));
  EXPECT_EQ(f.model->rowCountTotal(), 4);
  EXPECT_EQ(f.panel(1), "4");
  EXPECT_EQ(f.panel(0), LangString(143));
  ASSERT_EQ(w.folders->count(), 1);
  EXPECT_EQ(w.folders->itemText(0).toStdString(), dir.str() + "/music");
  EXPECT_EQ(w.mask->itemText(0), "*.mp3");

  f.workList.ClearEntries();
  f.view->ListClear();
  w.byMask->setChecked(true);
  w.subfolders->setChecked(false);
  w.setMark->setChecked(true);
  QTest::mouseClick(w.add, Qt::LeftButton);
  EXPECT_EQ(origins(), (std::vector<std::string>{"/music/a.mp3"}));
  EXPECT_TRUE(f.model->isChecked(0));
  EXPECT_EQ(w.folders->count(), 1);  // the same folder is not remembered twice

  // The audio mask, several patterns in one: the text file stays out, subfolders are
  // still searched.
  f.workList.ClearEntries();
  f.view->ListClear();
  w.subfolders->setChecked(true);
  w.mask->setEditText(kAudioFilesMask);
  QTest::mouseClick(w.add, Qt::LeftButton);
  EXPECT_EQ(origins(),
            (std::vector<std::string>{"/music/a.mp3", "/music/.hidden/d.mp3", "/music/sub/c.mp3"}));
}

TEST_F(Page, DropFromTheTreeAddsTheSelectedFolder) {
  w.folders->setEditText("/old/folder");
  const QModelIndex sub = model->indexOfPath(QString::fromStdString(dir.str() + "/music/sub"));
  w.tree->setCurrentIndex(sub);
  w.folders->setEditText("/typed/before");
  page->DropFromTree();
  EXPECT_EQ(origins(), (std::vector<std::string>{"/music/sub/c.mp3"}));
  EXPECT_EQ(w.folders->currentText().toStdString(), dir.str() + "/music/sub");
  ASSERT_GE(w.folders->count(), 1);
  EXPECT_EQ(w.folders->itemText(0), "/typed/before");

  // A drag that carries no local files (a web link) is refused.
  QMimeData data;
  data.setUrls({QUrl(QStringLiteral("https://example.org/a.mp3"))});
  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(f.list->viewport(), &enter);
  EXPECT_FALSE(enter.isAccepted());
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(f.list->viewport(), &drop);
  EXPECT_FALSE(drop.isAccepted());
  EXPECT_EQ(f.workList.EntryCount(), 1);
}

TEST_F(Page, DropFromAFileManagerAddsFoldersPlaylistsAndFilesInOrder) {
  // A playlist naming a file outside the dropped folder, and a single file.
  writeFile(dir / "single.flac", std::string(100, 'y'));
  writeFile(dir / "other.mp3", std::string(50, 'z'));
  writeFile(dir / "List.M3U", "#EXTM3U\n#EXTINF:61,Artist - Song\n" + dir.str() + "/other.mp3\n");
  w.subfolders->setChecked(false);  // the page's options hold for dropped folders too
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString(dir.str() + "/music/")),
                QUrl::fromLocalFile(QString::fromStdString(dir.str() + "/List.M3U")),
                QUrl::fromLocalFile(QString::fromStdString(dir.str() + "/single.flac")),
                QUrl::fromLocalFile(QString::fromStdString(dir.str() + "/gone.mp3")),
                QUrl(QStringLiteral("https://example.org/b.mp3"))});
  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(f.list->viewport(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(f.list->viewport(), &drop);
  EXPECT_TRUE(drop.isAccepted());
  EXPECT_EQ(origins(), (std::vector<std::string>{"/music/a.mp3", "/music/b.txt", "/other.mp3",
                                                 "/single.flac"}));
  f.workList.SelectIndex(2);
  EXPECT_EQ(f.workList.Cursor->GetDescr(), "Artist - Song");
  f.workList.SelectIndex(3);
  EXPECT_EQ(f.workList.Cursor->GetSize(), 100);

  // While the list is busy a drop is refused and adds nothing.
  f.view->BeginListWork("busy");
  QDragEnterEvent busyEnter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(f.list->viewport(), &busyEnter);
  EXPECT_FALSE(busyEnter.isAccepted());
  f.view->EndListWork("");
  EXPECT_EQ(f.workList.EntryCount(), 4);
}

TEST_F(Page, HandedPathsAreSortedByKindAndMissingOnesReported) {
  writeFile(dir / "x.m3u8", "not ours");
  EXPECT_EQ(KindOfHandedPath(dir.str() + "/music"), HandedPathKind::Folder);
  EXPECT_EQ(KindOfHandedPath(dir.str() + "/music/a.mp3"), HandedPathKind::File);
  EXPECT_EQ(KindOfHandedPath(dir.str() + "/x.m3u8"), HandedPathKind::File);
  EXPECT_EQ(KindOfHandedPath(dir.str() + "/nothing"), HandedPathKind::Missing);
  EXPECT_EQ(KindOfHandedPath(""), HandedPathKind::Missing);
  std::filesystem::create_directory_symlink(dir / "music", dir / "link");
  EXPECT_EQ(KindOfHandedPath(dir.str() + "/link"), HandedPathKind::Folder);
  std::filesystem::create_symlink(dir / "nowhere", dir / "dangling.m3u");
  EXPECT_EQ(KindOfHandedPath(dir.str() + "/dangling.m3u"), HandedPathKind::Missing);

  // A bad playlist is refused with its message and the paths after it still go in.
  writeFile(dir / "bad.m3u", std::string("\0\0binary", 8));
  const auto missing = AddHandedPaths(
      *f.view, *page, {dir.str() + "/nothing", dir.str() + "/bad.m3u", dir.str() + "/music/a.mp3"});
  EXPECT_EQ(missing, std::vector<std::string>{dir.str() + "/nothing"});
  EXPECT_EQ(origins(), std::vector<std::string>{"/music/a.mp3"});

  QMimeData none;
  EXPECT_TRUE(LocalPathsOf(&none).empty());
  EXPECT_TRUE(LocalPathsOf(nullptr).empty());
  none.setUrls({QUrl::fromLocalFile("/"), QUrl::fromLocalFile("/a b/c/")});
  EXPECT_EQ(LocalPathsOf(&none), (std::vector<std::string>{"/", "/a b/c"}));
}

TEST(Histories, ComboBoxKeepsEightNewestFirst) {
  QWidget parent;
  QComboBox* c = history(&parent);
  for (int i = 1; i <= 10; ++i) {
    c->setEditText(QString("/folder/%1 ").arg(i));
    UpdateHistory(c, 8, true);
  }
  ASSERT_EQ(c->count(), 8);
  EXPECT_EQ(c->itemText(0), "/folder/10");
  EXPECT_EQ(c->itemText(7), "/folder/3");
  EXPECT_EQ(c->currentText(), "/folder/10");
  c->setEditText("/FOLDER/5");
  UpdateHistory(c, 8, true);
  EXPECT_EQ(c->count(), 8);
  EXPECT_EQ(c->itemText(0), "/folder/5");
  EXPECT_EQ(c->currentText(), "/folder/5");
  c->setEditText("");
  UpdateHistory(c, 8, true);
  EXPECT_EQ(c->itemText(0), "/folder/5");
}

}  // namespace
