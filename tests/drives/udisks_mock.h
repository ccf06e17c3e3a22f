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
#include <QTest>
#include <string>

#include "private_bus.h"
#include "test_support.h"

class UdisksMock {
 public:
  // Starts the bus; the mocked service too unless `withService` is false (startService()).
  explicit UdisksMock(bool withService = true) {
    missing_ = bus_.start();
    if (!missing_.empty()) return;
    connection_ = bus_.connect();
    if (withService) startService();
  }

  ~UdisksMock() { stopService(); }

  // Empty when bus and mock run, otherwise why not.
  const std::string& missing() const { return missing_; }
  QString address() const { return bus_.address(); }

  void startService() {
    mock_ = &bus_.startMock({QStringLiteral("--system"), QStringLiteral("-t"),
                             QStringLiteral(TAVEL_UDISKS_MOCK), QStringLiteral("-l"), logFile()});
    const bool up = QTest::qWaitFor(
        [this] {
          return connection_.interface()
              ->isServiceRegistered(QStringLiteral("org.freedesktop.UDisks2"))
              .value();
        },
        20000);
    if (!up) missing_ = "python3-dbusmock did not start the UDisks2 mock";
  }

  void stopService() {
    if (mock_) PrivateBus::stop(*mock_);
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
    const QDBusMessage reply = connection_.call(m, QDBus::Block, 10000);
    if (reply.type() == QDBusMessage::ErrorMessage)
      qWarning("mock call %s failed: %s", qPrintable(method), qPrintable(reply.errorMessage()));
  }

  std::string missing_;
  TempDir dir_;
  PrivateBus bus_;
  QProcess* mock_ = nullptr;  // owned by bus_
  QDBusConnection connection_{QString()};
};
