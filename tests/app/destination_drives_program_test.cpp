// The real program with UDisks2 mocked on a private bus: a stick plugged in shows in the
// destination drop-down, choosing it sets the destination and the limit, pulling it out
// takes it away; without any bus the program starts as before, with no box.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QLabel>
#include <QTest>
#include <filesystem>

#include "app/destination_drives.h"
#include "app/main_window.h"
#include "app/main_window_parts.h"
#include "app/program.h"
#include "drives/udisks_mock.h"
#include "fs/file_tree.h"
#include "lang/fake_message_box.h"
#include "lang/lang.h"
#include "test_support.h"

namespace {

constexpr int kBoundMs = 10000;

int runProgram(const TempDir& home, const std::function<void(TavelProgram&)>& whileRunning) {
  TavelProgram program(ParseStartupOptions({"tavel", "--splash-ms=0"}), home.str());
  program.setRunningHook([&] { whileRunning(program); });
  return program.run();
}

// The drive rows the destination's list shows when it is opened now.
QStringList driveRowsWhenOpened(TForm1& form) {
  auto* combo = static_cast<PopupComboBox*>(form.cbDest);
  combo->showPopup();
  QStringList rows;
  for (int i = 0; i < combo->count(); ++i) {
    if (combo->itemData(i, DestinationDrives::kMountPointRole).toString().isEmpty()) break;
    rows << combo->itemText(i);
  }
  combo->hidePopup();
  QCoreApplication::processEvents();
  return rows;
}

}  // namespace

TEST(DestinationDrivesProgram, StickComesIsChosenAndGoes) {
  UdisksMock mock;
  if (!mock.missing().empty()) GTEST_SKIP() << mock.missing();
  TempDir home;
  TempDir media;
  std::filesystem::create_directories(media / "SANDISK");
  std::filesystem::create_directories(media / "WALKMAN");
  const QString sandisk = QString::fromStdString((media / "SANDISK").string());
  const QString walkman = QString::fromStdString((media / "WALKMAN").string());
  mock.addStick(QStringLiteral("sdb"), QStringLiteral("SANDISK"), sandisk);
  ScopedEnv bus("TAVEL_UDISKS_BUS", mock.address().toStdString());
  FakeMessageBox box;
  box.answer = MsgResult::Yes;

  runProgram(home, [&](TavelProgram& p) {
    TForm1& form = *p.mainWindow();
    form.rgAction->setItemIndex(0);
    form.rgLimit->setItemIndex(0);
    EXPECT_EQ(driveRowsWhenOpened(form).size(), 1);

    mock.addStick(QStringLiteral("sdc"), QStringLiteral("WALKMAN"), walkman);
    EXPECT_TRUE(QTest::qWaitFor([&] { return driveRowsWhenOpened(form).size() == 2; }, kBoundMs));
    const QStringList rows = driveRowsWhenOpened(form);
    ASSERT_EQ(rows.size(), 2);
    EXPECT_TRUE(rows[1].startsWith(QStringLiteral("WALKMAN")));

    // Chosen with the keys, as a user would.
    EXPECT_EQ(form.parts().operation.limitBytes(), 0) << "no destination yet";
    auto* combo = static_cast<PopupComboBox*>(form.cbDest);
    combo->showPopup();
    combo->view()->setCurrentIndex(combo->model()->index(1, 0));
    QTest::keyClick(combo->view(), Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(combo->currentText(), walkman);
    // The free space of the stick's volume, which other programs may change meanwhile.
    const std::int64_t free = GetDriveSpace(walkman.toStdString(), false, false);
    EXPECT_GT(form.parts().operation.limitBytes(), 0);
    EXPECT_NEAR(static_cast<double>(form.parts().operation.limitBytes()), static_cast<double>(free),
                1e9);
    EXPECT_EQ(form.statusPanel(0)->text().toStdString(),
              LangFormat(278, {SizeToText(form.parts().operation.limitBytes())}));

    mock.removeStick(QStringLiteral("sdb"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return driveRowsWhenOpened(form).size() == 1; }, kBoundMs));
    form.close();
  });
  for (const MessageRequest& r : box.shown)
    EXPECT_EQ(r.text, LangString(29)) << "only the exit question";
}

TEST(DestinationDrivesProgram, WithoutABusTheProgramStartsAsBefore) {
  TempDir home;
  ScopedEnv bus("TAVEL_UDISKS_BUS", "unix:path=/nonexistent/tavel-no-bus");
  FakeMessageBox box;
  box.answer = MsgResult::Yes;
  runProgram(home, [&](TavelProgram& p) {
    TForm1& form = *p.mainWindow();
    EXPECT_TRUE(driveRowsWhenOpened(form).isEmpty());
    form.close();
  });
  for (const MessageRequest& r : box.shown)
    EXPECT_EQ(r.text, LangString(29)) << "only the exit question";
}
