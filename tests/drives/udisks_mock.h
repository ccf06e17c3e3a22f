#pragma once
// A private D-Bus daemon with UDisks2 mocked by python-dbusmock (our template
// udisks2_mock.py): the test adds, mounts, removes sticks and reads the mock's call log.
// `missing()` says what the machine lacks (dbus-daemon, python3-dbusmock) so the test can
// skip with that message.
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTest>
#include <QUuid>
#include <string>

#include "test_support.h"

class UdisksMock {
 public:
  // Starts the bus; the mocked service too unless `withService` is false (startService()).
  explicit UdisksMock(bool withService = true) {
    if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty()) {
      missing_ = "dbus-daemon is not installed (package dbus)";
      return;
    }
    if (QProcess::execute(QStringLiteral("/usr/bin/python3"),
                          {QStringLiteral("-c"), QStringLiteral("import dbusmock")}) != 0) {
      missing_ = "python3-dbusmock is not installed for /usr/bin/python3";
      return;
    }
    daemon_.start(QStringLiteral("dbus-daemon"),
                  {QStringLiteral("--session"), QStringLiteral("--nofork"),
                   QStringLiteral("--print-address")});
    if (!daemon_.waitForStarted(10000) || !daemon_.waitForReadyRead(10000)) {
      missing_ = "dbus-daemon did not start";
      return;
    }
    address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    connectionName_ = QStringLiteral("udisks-mock-") + QUuid::createUuid().toString();
    bus_ = QDBusConnection::connectToBus(address_, connectionName_);
    if (withService) startService();
  }

  ~UdisksMock() {
    stopService();
    if (!connectionName_.isEmpty()) QDBusConnection::disconnectFromBus(connectionName_);
    if (daemon_.state() != QProcess::NotRunning) {
      daemon_.kill();
      daemon_.waitForFinished(5000);
    }
  }

  // Empty when bus and mock run, otherwise why not.
  const std::string& missing() const { return missing_; }
  QString address() const { return address_; }

  void startService() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), address_);
    mock_.setProcessEnvironment(env);
    mock_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    mock_.start(
        QStringLiteral("/usr/bin/python3"),
        {QStringLiteral("-m"), QStringLiteral("dbusmock"), QStringLiteral("--system"),
         QStringLiteral("-t"), QStringLiteral(TAVEL_UDISKS_MOCK), QStringLiteral("-l"), logFile()});
    const bool up = QTest::qWaitFor(
        [this] {
          return bus_.interface()
              ->isServiceRegistered(QStringLiteral("org.freedesktop.UDisks2"))
              .value();
        },
        20000);
    if (!up) missing_ = "python3-dbusmock did not start the UDisks2 mock";
  }

  void stopService() {
    if (mock_.state() == QProcess::NotRunning) return;
    mock_.terminate();
    if (!mock_.waitForFinished(5000)) mock_.kill();
    mock_.waitForFinished(5000);
  }

  void addStick(const QString& name, const QString& label, const QString& mountPoint,
                qulonglong size = 8000000000ULL, bool system = false,
                const QString& bus = QStringLiteral("usb")) {
    call(QStringLiteral("AddStick"),
         {name, label, mountPoint, QStringLiteral("vfat"), QVariant::fromValue(size), system, bus});
  }
  void removeStick(const QString& name) { call(QStringLiteral("RemoveStick"), {name}); }
  void setMounted(const QString& name, const QString& mountPoint) {
    call(QStringLiteral("SetMounted"), {name, mountPoint});
  }
  void setPowerOffKeepsDrive(const QString& name) {
    call(QStringLiteral("SetPowerOffKeepsDrive"), {name});
  }
  void setUnmountError(const QString& name, const QString& error, const QString& message) {
    call(QStringLiteral("SetUnmountError"), {name, error, message});
  }

  // The UDisks2 methods called so far, by name, in the order they were called.
  QStringList calls() const {
    QFile f(logFile());
    QStringList out;
    if (!f.open(QIODevice::ReadOnly)) return out;
    for (const QByteArray& line : f.readAll().split('\n')) {
      const QList<QByteArray> words = line.split(' ');
      // A refused call is logged a second time, as "<method> raised: ...".
      const bool raised = words.size() >= 3 && words[2] == "raised:";
      if (words.size() >= 2 && words[1] != "emit" && !raised) out << QString::fromUtf8(words[1]);
    }
    return out;
  }

 private:
  QString logFile() const { return QString::fromStdString((dir_ / "calls.log").string()); }

  void call(const QString& method, const QVariantList& args) {
    QDBusMessage m = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.UDisks2"), QStringLiteral("/org/freedesktop/UDisks2"),
        QStringLiteral("org.freedesktop.DBus.Mock"), method);
    m.setArguments(args);
    const QDBusMessage reply = bus_.call(m, QDBus::Block, 10000);
    if (reply.type() == QDBusMessage::ErrorMessage)
      qWarning("mock call %s failed: %s", qPrintable(method), qPrintable(reply.errorMessage()));
  }

  std::string missing_;
  TempDir dir_;
  QProcess daemon_;
  QProcess mock_;
  QString address_;
  QString connectionName_;
  QDBusConnection bus_{QString()};
};
