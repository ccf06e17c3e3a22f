// The drives service against a real dbus-daemon with UDisks2 mocked by python-dbusmock, and
// against the real mount table. Waits drive the event loop until a signal arrives, with
// generous bounds; nothing waits a fixed time.
#include "drives/drives_service.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QSignalSpy>
#include <QTest>
#include <filesystem>

#include "drives/udisks_mock.h"
#include "lang/lang.h"
#include "test_support.h"

namespace {

constexpr int kBoundMs = 10000;

QString qs(const std::filesystem::path& p) {
  return QString::fromStdString(p.string());
}

// The result handed to an eject's callback, once it came.
struct EjectWait {
  std::optional<EjectResult> result;
  std::function<void(const EjectResult&)> callback() {
    return [this](const EjectResult& r) { result = r; };
  }
  bool wait() {
    return QTest::qWaitFor([this] { return result.has_value(); }, kBoundMs);
  }
};

}  // namespace

TEST(DrivesService, UdisksDriveAppearsIsListedAndVanishes) {
  // The bus is up before UDisks2 is: the service starts on the mount table and takes
  // UDisks2 up when it appears.
  UdisksMock mock(false);
  if (!mock.missing().empty()) GTEST_SKIP() << mock.missing();
  DrivesService service(mock.address());
  EXPECT_EQ(service.source(), DrivesService::Source::MountTable);
  QSignalSpy sourceSpy(&service, &DrivesService::sourceChanged);
  mock.startService();
  if (!mock.missing().empty()) GTEST_SKIP() << mock.missing();
  ASSERT_TRUE(sourceSpy.count() > 0 || sourceSpy.wait(kBoundMs));
  EXPECT_EQ(service.source(), DrivesService::Source::UDisks2);
  EXPECT_TRUE(service.drives().isEmpty());

  TempDir media;
  std::filesystem::create_directories(media / "STICK" / "Music");
  QSignalSpy added(&service, &IDrives::driveAdded);
  QSignalSpy removed(&service, &IDrives::driveRemoved);
  QSignalSpy listed(&service, &DrivesService::listed);

  // An internal disk and a stick that is not mounted yet are no drives to offer.
  mock.addStick(QStringLiteral("sda"), QStringLiteral("SYSTEM"), qs(media / "sys"), 500000000000ULL,
                true, QStringLiteral("sata"));
  mock.addStick(QStringLiteral("sdb"), QStringLiteral("STICK"), QString());
  ASSERT_TRUE(QTest::qWaitFor([&] { return listed.count() >= 2; }, kBoundMs));
  QCoreApplication::processEvents();
  EXPECT_EQ(added.count(), 0);
  EXPECT_TRUE(service.drives().isEmpty());

  // Mounted a moment after it came: now it is one.
  mock.setMounted(QStringLiteral("sdb"), qs(media / "STICK") + QStringLiteral("/"));
  ASSERT_TRUE(added.wait(kBoundMs));
  ASSERT_EQ(service.drives().size(), 1);
  const Drive d = service.drives().first();
  EXPECT_EQ(d.label, QStringLiteral("STICK"));
  EXPECT_EQ(d.mountPoint, qs(media / "STICK"));
  EXPECT_EQ(d.fileSystem, QStringLiteral("vfat"));
  EXPECT_EQ(d.device, QStringLiteral("/dev/sdb1"));
  EXPECT_EQ(d.size, 8000000000LL);
  EXPECT_GT(d.freeBytes, 0);
  EXPECT_EQ(added.first().first().value<Drive>().mountPoint, d.mountPoint);

  EXPECT_TRUE(service.isRemovable(qs(media / "STICK" / "Music" / "not yet" / "a.mp3")));
  EXPECT_TRUE(service.isRemovable(qs(media / "STICK")));
  EXPECT_FALSE(service.isRemovable(qs(media / "STICK2")));
  EXPECT_FALSE(service.isRemovable(qs(media / "sys")));
  EXPECT_FALSE(service.isRemovable(QString()));

  // A second stick without a label is named after its drive.
  std::filesystem::create_directories(media / "sdc");
  mock.addStick(QStringLiteral("sdc"), QString(), qs(media / "sdc"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return added.count() == 2; }, kBoundMs));
  EXPECT_EQ(service.drives().at(1).label, QStringLiteral("Generic Flash Disk"));

  mock.removeStick(QStringLiteral("sdb"));
  ASSERT_TRUE(removed.wait(kBoundMs));
  EXPECT_EQ(removed.first().first().value<Drive>().mountPoint, qs(media / "STICK"));
  ASSERT_EQ(service.drives().size(), 1);
  EXPECT_EQ(service.drives().first().mountPoint, qs(media / "sdc"));

  // UDisks2 goes away: the mount table serves again, and the UDisks2 drives go with it.
  mock.stopService();
  ASSERT_TRUE(QTest::qWaitFor([&] { return service.source() == DrivesService::Source::MountTable; },
                              kBoundMs));
  EXPECT_EQ(removed.count(), 2);
}

TEST(DrivesService, EjectUnmountsThenPowersOffAndTheDriveGoes) {
  UdisksMock mock;
  if (!mock.missing().empty()) GTEST_SKIP() << mock.missing();
  LoadSizeUnits();
  TempDir media;
  std::filesystem::create_directories(media / "PLAYER");
  mock.addStick(QStringLiteral("sdb"), QStringLiteral("PLAYER"), qs(media / "PLAYER"));
  DrivesService service(mock.address());
  ASSERT_EQ(service.drives().size(), 1) << "listed when the constructor returns";
  QSignalSpy removed(&service, &IDrives::driveRemoved);

  EjectWait eject;
  service.eject(qs(media / "PLAYER") + QStringLiteral("/"), eject.callback());
  ASSERT_TRUE(eject.wait());
  EXPECT_TRUE(eject.result->ok()) << eject.result->text();
  EXPECT_EQ(eject.result->text(), LangString(459));
  const QStringList calls = mock.calls().filter(QRegularExpression("^(Unmount|PowerOff)$"));
  EXPECT_EQ(calls, (QStringList{QStringLiteral("Unmount"), QStringLiteral("PowerOff")}));
  ASSERT_TRUE(removed.count() > 0 || removed.wait(kBoundMs));
  EXPECT_TRUE(service.drives().isEmpty());

  EjectWait again;
  service.eject(qs(media / "PLAYER"), again.callback());
  ASSERT_TRUE(again.result.has_value()) << "answered at once";
  EXPECT_EQ(again.result->outcome, EjectResult::NotADrive);
}

TEST(DrivesService, EjectEndsWithThePowerOffAnswerWhenTheDriveStaysListed) {
  UdisksMock mock;
  if (!mock.missing().empty()) GTEST_SKIP() << mock.missing();
  TempDir media;
  std::filesystem::create_directories(media / "READER");
  mock.addStick(QStringLiteral("sdd"), QStringLiteral("READER"), qs(media / "READER"));
  // A card reader powered off stays on the bus: the drive is asked once, not again.
  mock.setPowerOffKeepsDrive(QStringLiteral("sdd"));
  DrivesService service(mock.address());
  ASSERT_EQ(service.drives().size(), 1);
  int answers = 0;
  EjectWait eject;
  service.eject(qs(media / "READER"), [&](const EjectResult& r) {
    ++answers;
    eject.result = r;
  });
  ASSERT_TRUE(eject.wait());
  EXPECT_TRUE(eject.result->ok()) << eject.result->text();
  const QStringList calls = mock.calls().filter(QRegularExpression("^(Unmount|PowerOff)$"));
  EXPECT_EQ(calls, (QStringList{QStringLiteral("Unmount"), QStringLiteral("PowerOff")}));
  EXPECT_EQ(answers, 1);
}

TEST(DrivesService, EjectOfABusyDriveNamesTheProgramAndDoesNotPowerOff) {
  UdisksMock mock;
  if (!mock.missing().empty()) GTEST_SKIP() << mock.missing();
  TempDir media;
  std::filesystem::create_directories(media / "STICK");
  writeFile(media / "STICK" / "open.mp3", "x");
  mock.addStick(QStringLiteral("sdb"), QStringLiteral("STICK"), qs(media / "STICK"));
  DrivesService service(mock.address());
  ASSERT_EQ(service.drives().size(), 1);
  mock.setUnmountError(QStringLiteral("sdb"),
                       QStringLiteral("org.freedesktop.UDisks2.Error.DeviceBusy"),
                       QStringLiteral("Error unmounting /dev/sdb1: target is busy"));

  // This test program holds a file open on the stick.
  const int fd = ::open((media / "STICK" / "open.mp3").c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  EjectWait eject;
  service.eject(qs(media / "STICK"), eject.callback());
  ASSERT_TRUE(eject.wait());
  ::close(fd);
  EXPECT_EQ(eject.result->outcome, EjectResult::Busy);
  const QString self = QString::fromStdString(readFile("/proc/self/comm")).trimmed();
  EXPECT_TRUE(eject.result->holders.contains(self))
      << eject.result->holders.join(',').toStdString();
  EXPECT_NE(eject.result->text().find(self.toStdString()), std::string::npos);
  EXPECT_FALSE(mock.calls().contains(QStringLiteral("PowerOff")));
  EXPECT_EQ(service.drives().size(), 1) << "still mounted, still listed";

  // Another refusal comes back with UDisks2's own words.
  mock.setUnmountError(QStringLiteral("sdb"),
                       QStringLiteral("org.freedesktop.UDisks2.Error.Failed"),
                       QStringLiteral("Not authorized"));
  EjectWait failed;
  service.eject(qs(media / "STICK"), failed.callback());
  ASSERT_TRUE(failed.wait());
  EXPECT_EQ(failed.result->outcome, EjectResult::Failed);
  EXPECT_NE(failed.result->text().find("Not authorized"), std::string::npos);
}

TEST(DrivesService, WithoutABusTheMountTableServesAndFollowsMounts) {
  DrivesService service(QStringLiteral("unix:path=/nonexistent/tavel-no-bus"));
  EXPECT_EQ(service.source(), DrivesService::Source::MountTable);
  TempDir media;
  service.setMediaFolders({qs(media.path())});
  EXPECT_TRUE(service.drives().isEmpty());
  EjectWait eject;
  service.eject(qs(media / "nothing"), eject.callback());
  ASSERT_TRUE(eject.result.has_value());
  EXPECT_EQ(eject.result->outcome, EjectResult::NotADrive);

  if (::geteuid() != 0) GTEST_SKIP() << "not root: mounting a file system needs root";
  const auto stick = media / "user" / "STICK";
  const auto deep = media / "user" / "STICK" / "inner" / "deeper";
  std::filesystem::create_directories(stick);
  QSignalSpy added(&service, &IDrives::driveAdded);
  QSignalSpy removed(&service, &IDrives::driveRemoved);
  if (::mount("tmpfs", stick.c_str(), "tmpfs", 0, "size=1m") != 0)
    GTEST_SKIP() << "cannot mount a tmpfs here";
  // The change of the mount table alone brings it in.
  const bool came = added.wait(kBoundMs);
  std::filesystem::create_directories(deep);
  QSignalSpy listed(&service, &DrivesService::listed);
  const bool deepMounted = ::mount("tmpfs", deep.c_str(), "tmpfs", 0, "size=1m") == 0;
  // The table is read again for that mount too, and finds no second drive.
  const bool readAgain = deepMounted && listed.wait(kBoundMs);
  const QList<Drive> listedNow = service.drives();
  EjectWait noService;
  service.eject(qs(stick), noService.callback());
  if (deepMounted) ::umount(deep.c_str());
  ::umount(stick.c_str());
  ASSERT_TRUE(came);
  EXPECT_TRUE(readAgain);
  ASSERT_EQ(listedNow.size(), 1) << "a mount three levels down is no drive";
  EXPECT_EQ(listedNow.first().mountPoint, qs(stick));
  EXPECT_EQ(listedNow.first().fileSystem, QStringLiteral("tmpfs"));
  EXPECT_EQ(listedNow.first().size, 1024 * 1024);
  ASSERT_TRUE(noService.result.has_value());
  EXPECT_EQ(noService.result->outcome, EjectResult::NoService);
  ASSERT_TRUE(QTest::qWaitFor([&] { return service.drives().isEmpty(); }, kBoundMs));
  EXPECT_GE(removed.count(), 1);
}

TEST(DriveHolding, DeepestMountWinsAndNamesAreNoPrefixes) {
  TempDir t;
  std::filesystem::create_directories(t / "media" / "STICK" / "inner");
  std::filesystem::create_symlink(t / "media" / "STICK", t / "link");
  Drive outer;
  outer.mountPoint = qs(t / "media" / "STICK");
  Drive inner;
  inner.mountPoint = qs(t / "media" / "STICK" / "inner");
  const QList<Drive> drives{outer, inner};
  EXPECT_EQ(DriveHolding(drives, qs(t / "media" / "STICK" / "inner" / "x"))->mountPoint,
            inner.mountPoint);
  EXPECT_EQ(DriveHolding(drives, qs(t / "media" / "STICK" / "a" / "b"))->mountPoint,
            outer.mountPoint);
  EXPECT_EQ(DriveHolding(drives, qs(t / "link" / "new folder"))->mountPoint, outer.mountPoint);
  EXPECT_EQ(DriveHolding(drives, qs(t / "link" / "inner"))->mountPoint, inner.mountPoint);
  EXPECT_EQ(DriveHolding(drives, qs(t / "media" / "STICK") + QStringLiteral("/../x")),
            std::nullopt);
  EXPECT_EQ(DriveHolding(drives, qs(t / "media" / "STICK2")), std::nullopt);
  EXPECT_EQ(DriveHolding(drives, QStringLiteral("  ")), std::nullopt);
}
