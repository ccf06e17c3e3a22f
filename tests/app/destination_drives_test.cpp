// The destination drop-down with the drives above its history, the limit asked for when a
// destination is chosen or typed, and the folder tree's volumes following the drives.
#include "app/destination_drives.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QLineEdit>
#include <QTest>
#include <filesystem>

#include "app/add_folder_page.h"
#include "app/folder_tree_drives.h"
#include "drives/drives.h"
#include "lang/lang.h"
#include "test_support.h"

namespace {

class FakeDrives : public IDrives {
 public:
  QList<Drive> list;
  QList<Drive> drives() const override { return list; }
  void eject(const QString&, std::function<void(const EjectResult&)>) override {}
  void add(const Drive& d) {
    list << d;
    emit driveAdded(d);
  }
  void removeAt(int i) {
    const Drive d = list.takeAt(i);
    emit driveRemoved(d);
  }
};

Drive drive(const QString& label, const QString& mountPoint, std::int64_t freeBytes) {
  Drive d;
  d.label = label;
  d.mountPoint = mountPoint;
  d.size = 8000000000LL;
  d.freeBytes = freeBytes;
  return d;
}

QStringList itemsOf(const QComboBox& c) {
  QStringList out;
  for (int i = 0; i < c.count(); ++i) out << c.itemText(i);
  return out;
}

struct DestinationFixture : ::testing::Test {
  QWidget window;
  PopupComboBox* combo = new PopupComboBox(&window);
  FakeDrives drives;
  int limits = 0;
  bool busy = false;
  std::unique_ptr<DestinationDrives> dd;

  void SetUp() override {
    LoadSizeUnits();
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->addItems({QStringLiteral("/music/old"), QStringLiteral("/music/older")});
    combo->setCurrentIndex(-1);
    combo->setEditText(QStringLiteral("/typed"));
    drives.list << drive(QStringLiteral("STICK"), QStringLiteral("/media/u/STICK"), 3200000000LL)
                << drive(QStringLiteral("PLAYER"), QStringLiteral("/media/u/PLAYER"), 700000000LL);
    dd = std::make_unique<DestinationDrives>(
        &drives, DestinationDrives::Widgets{combo},
        DestinationDrives::Hooks{[this] { ++limits; }, [this] { return busy; }});
    window.resize(400, 100);
    window.show();
  }
  void TearDown() override {
    combo->hidePopup();
    ResetSizeUnits();
  }
  void closeList() {
    combo->hidePopup();
    QCoreApplication::processEvents();
  }
};

}  // namespace

TEST_F(DestinationFixture, DrivesStandAboveTheHistoryOnlyWhileTheListIsOpen) {
  combo->showPopup();
  ASSERT_EQ(dd->driveRows(), 3);
  ASSERT_EQ(combo->count(), 5);
  EXPECT_EQ(combo->itemText(0).toStdString(), DriveMenuText(drives.list[0]));
  EXPECT_NE(combo->itemText(0).toStdString().find(SizeToText(3200000000LL)), std::string::npos);
  EXPECT_TRUE(combo->itemText(0).contains(QStringLiteral("STICK")));
  EXPECT_TRUE(combo->itemText(1).contains(QStringLiteral("/media/u/PLAYER")));
  EXPECT_TRUE(combo->itemText(2).isEmpty()) << "the separator";
  EXPECT_EQ(combo->itemText(3), QStringLiteral("/music/old"));
  EXPECT_EQ(combo->currentText(), QStringLiteral("/typed"));

  // A stick plugged in while the list is open shows at once; one pulled out goes.
  drives.add(drive(QStringLiteral("CARD"), QStringLiteral("/media/u/CARD"), 1000));
  EXPECT_EQ(dd->driveRows(), 4);
  EXPECT_TRUE(combo->itemText(2).contains(QStringLiteral("CARD")));
  drives.removeAt(0);
  EXPECT_EQ(dd->driveRows(), 3);
  EXPECT_TRUE(combo->itemText(0).contains(QStringLiteral("PLAYER")));

  closeList();
  EXPECT_EQ(dd->driveRows(), 0);
  EXPECT_EQ(itemsOf(*combo),
            (QStringList{QStringLiteral("/music/old"), QStringLiteral("/music/older")}));
  EXPECT_EQ(combo->currentText(), QStringLiteral("/typed"));
  EXPECT_EQ(limits, 0) << "opening and closing the list chooses nothing";

  // An empty history with an empty text stays empty: the first drive does not slip in.
  combo->clear();
  combo->setEditText(QString());
  combo->showPopup();
  EXPECT_EQ(combo->currentText(), QString());
  EXPECT_EQ(combo->currentIndex(), -1);
  EXPECT_EQ(dd->driveRows(), 2) << "no separator above an empty history";
  closeList();
  EXPECT_EQ(combo->count(), 0);
  EXPECT_EQ(combo->currentText(), QString());
}

TEST_F(DestinationFixture, ChoosingADriveSetsItsMountPointAndTheLimitAtOnce) {
  combo->showPopup();
  QAbstractItemView* view = combo->view();
  ASSERT_TRUE(view->isVisible());
  // As the user picks a row with the keys: the list closes first, then hands the row over.
  view->setCurrentIndex(combo->model()->index(1, 0));
  QTest::keyClick(view, Qt::Key_Return);
  QCoreApplication::processEvents();
  EXPECT_FALSE(view->isVisible());
  EXPECT_EQ(combo->currentText(), QStringLiteral("/media/u/PLAYER"));
  EXPECT_EQ(limits, 1);
  EXPECT_EQ(itemsOf(*combo),
            (QStringList{QStringLiteral("/music/old"), QStringLiteral("/music/older")}))
      << "the drive is no history item until a run remembers it";
  EXPECT_FALSE(dd->typingTimer()->isActive());

  // A history item chosen from the list asks for its limit at once as well.
  combo->showPopup();
  view->setCurrentIndex(combo->model()->index(dd->driveRows() + 1, 0));
  QTest::keyClick(view, Qt::Key_Return);
  QCoreApplication::processEvents();
  EXPECT_EQ(combo->currentText(), QStringLiteral("/music/older"));
  EXPECT_EQ(combo->currentIndex(), 1);
  EXPECT_EQ(limits, 2);
}

TEST_F(DestinationFixture, TypingAsksForTheLimitAfterThePause) {
  combo->lineEdit()->clear();
  QTest::keyClicks(combo->lineEdit(), QStringLiteral("/media/u/ST"));
  EXPECT_TRUE(dd->typingTimer()->isActive());
  EXPECT_EQ(dd->typingTimer()->interval(), 500);
  EXPECT_EQ(limits, 0) << "nothing is asked while the user types";
  dd->TypingTimerTimer();
  EXPECT_EQ(limits, 1);
  EXPECT_FALSE(dd->typingTimer()->isActive());

  // While a list change runs, the limit waits for another pause.
  QTest::keyClicks(combo->lineEdit(), QStringLiteral("ICK"));
  busy = true;
  dd->TypingTimerTimer();
  EXPECT_EQ(limits, 1);
  EXPECT_TRUE(dd->typingTimer()->isActive());
  busy = false;
  dd->TypingTimerTimer();
  EXPECT_EQ(limits, 2);

  // Text the program puts there asks nothing by itself.
  combo->setEditText(QStringLiteral("/elsewhere"));
  EXPECT_FALSE(dd->typingTimer()->isActive());
}

TEST(DestinationDrivesWithoutService, TheListHoldsTheHistoryAlone) {
  QWidget window;
  auto* combo = new PopupComboBox(&window);
  combo->setEditable(true);
  combo->addItems({QStringLiteral("/music/old")});
  int limits = 0;
  DestinationDrives dd(nullptr, {combo}, {[&limits] { ++limits; }, {}});
  window.show();
  combo->showPopup();
  EXPECT_EQ(combo->count(), 1);
  EXPECT_EQ(dd.driveRows(), 0);
  combo->hidePopup();
  QTest::keyClicks(combo->lineEdit(), QStringLiteral("x"));
  dd.TypingTimerTimer();
  EXPECT_EQ(limits, 1);
}

TEST(FolderTreeDrives, TheTreesVolumesFollowTheDrives) {
  TempDir t;
  std::filesystem::create_directories(t / "STICK" / "Music");
  FakeDrives drives;
  FolderTreeModel model(FolderTreeModel::defaultRoots());
  FolderTreeDrives follow(drives, model);
  const int before = model.rowCount();
  const QString home = QDir::homePath();
  const QModelIndex homeIndex = model.indexOfPath(home);
  ASSERT_TRUE(homeIndex.isValid());
  model.fetchMore(homeIndex);
  const int homeRows = model.rowCount(homeIndex);

  const QString stick = QString::fromStdString((t / "STICK").string());
  drives.add(drive(QStringLiteral("STICK"), stick, 1));
  ASSERT_EQ(model.rowCount(), before + 1);
  EXPECT_EQ(model.pathOf(model.index(before, 0)), stick);
  EXPECT_EQ(model.data(model.index(before, 0)).toString(),
            QStringLiteral("STICK (") + stick + QLatin1Char(')'));
  EXPECT_TRUE(model.indexOfPath(stick + QStringLiteral("/Music")).isValid());
  EXPECT_EQ(model.rowCount(model.indexOfPath(home)), homeRows) << "other roots keep their folders";

  drives.removeAt(0);
  EXPECT_EQ(model.rowCount(), before);
  EXPECT_FALSE(model.rootPaths().contains(stick));
  EXPECT_TRUE(model.rootPaths().contains(home));
}
