// The desktop notification at the end of a run, sent to a real dbus-daemon on which
// python-dbusmock plays the desktop's notification service.
#include "app/desktop_notifier.h"

#include <gtest/gtest.h>

#include <QDBusConnectionInterface>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <memory>

#include "private_bus.h"
#include "test_support.h"

namespace {

// Waits (on bus events, not on time) until name is owned on bus; false after 20 s.
bool waitForName(QDBusConnection& bus, const QString& name) {
  QDBusServiceWatcher watcher(name, bus, QDBusServiceWatcher::WatchForRegistration);
  QSignalSpy registered(&watcher, &QDBusServiceWatcher::serviceRegistered);
  if (bus.interface()->isServiceRegistered(name)) return true;
  return registered.wait(20000) || bus.interface()->isServiceRegistered(name);
}

}  // namespace

TEST(DesktopNotifier, TheServiceGetsTheProgramsNameSummaryAndBody) {
  PrivateBus bus;
  if (const std::string why = bus.start(QStringLiteral("dbusmock.templates.notification_daemon"));
      !why.empty())
    GTEST_SKIP() << why;
  QDBusConnection connection = bus.connect();
  ASSERT_TRUE(connection.isConnected());

  // Before any notification service runs: the call fails quietly, nothing waits for it.
  {
    DesktopNotifier notifier(connection);
    QDBusPendingCall call = notifier.notify("Операция: Копирование", "Операция завершена");
    call.waitForFinished();
    EXPECT_TRUE(call.isError());
    EXPECT_EQ(call.error().type(), QDBusError::ServiceUnknown);
  }

  TempDir tmp;
  const QString log = QString::fromStdString((tmp / "notify.log").string());
  bus.startMock({"--template", "notification_daemon", "-l", log});
  ASSERT_TRUE(waitForName(connection, QString::fromLatin1(DesktopNotifier::kService)));

  DesktopNotifier notifier(connection);
  QDBusPendingReply<uint> first =
      notifier.notify("Операция: Копирование", "Операция завершена с ошибками: 2");
  first.waitForFinished();
  ASSERT_FALSE(first.isError()) << first.error().message().toStdString();
  QDBusPendingReply<uint> second =
      notifier.notify("Операция: Перемещение", "Операция прервана пользователем");
  second.waitForFinished();
  ASSERT_FALSE(second.isError());
  EXPECT_NE(first.value(), second.value());  // two notifications, none replaced

  // dbusmock logs each call before it answers it.
  const std::string calls = readFile(tmp / "notify.log");
  EXPECT_NE(calls.find("Notify \"Vo Tavel\" 0 \"tavel\" \"Операция: Копирование\" "
                       "\"Операция завершена с ошибками: 2\" [] {\"desktop-entry\": \"tavel\"} -1"),
            std::string::npos)
      << calls;
  EXPECT_NE(calls.find("\"Операция: Перемещение\" \"Операция прервана пользователем\""),
            std::string::npos)
      << calls;
}

TEST(DesktopNotifier, NoBusIsNoError) {
  QDBusConnection none = QDBusConnection::connectToBus(
      QStringLiteral("unix:path=/nonexistent/tavel-bus"), QStringLiteral("tavel-no-bus"));
  ASSERT_FALSE(none.isConnected());
  DesktopNotifier notifier(none);
  QDBusPendingCall call = notifier.notify("a", "b");
  call.waitForFinished();
  EXPECT_TRUE(call.isError());
  QDBusConnection::disconnectFromBus(QStringLiteral("tavel-no-bus"));
}
