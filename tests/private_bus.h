#pragma once
// A private D-Bus daemon for one test, ended with it, and python-dbusmock services on it.
// `start()` says why not ("" when the bus runs) so the test can skip with that message.
#include <QDBusConnection>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QUuid>
#include <memory>
#include <string>
#include <vector>

class PrivateBus {
 public:
  // Debian's Python, which has dbusmock (another python3 on PATH may not).
  static constexpr const char* kPython = "/usr/bin/python3";

  // Starts the daemon; `module` is a dbusmock module the test needs (a template, say).
  std::string start(const QString& module = QStringLiteral("dbusmock")) {
    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (daemon.isEmpty()) return "dbus-daemon is not installed (Debian package dbus)";
    if (QProcess::execute(QString::fromLatin1(kPython),
                          {QStringLiteral("-c"), QStringLiteral("import ") + module}) != 0)
      return "python3-dbusmock is not installed for /usr/bin/python3 (Debian package "
             "python3-dbusmock)";
    daemon_.start(daemon, {QStringLiteral("--session"), QStringLiteral("--nofork"),
                           QStringLiteral("--print-address")});
    if (!daemon_.waitForStarted(10000) || !daemon_.waitForReadyRead(20000))
      return "dbus-daemon did not start";
    address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    if (address_.isEmpty()) return "dbus-daemon gave no address";
    connectionName_ = QStringLiteral("tavel-test-bus-") + QUuid::createUuid().toString();
    return std::string();
  }

  ~PrivateBus() {
    for (auto& p : services_) stop(*p);
    if (!connectionName_.isEmpty()) QDBusConnection::disconnectFromBus(connectionName_);
    if (daemon_.state() != QProcess::NotRunning) {
      daemon_.kill();
      daemon_.waitForFinished(5000);
    }
  }

  QString address() const { return address_; }
  // The test's own connection to the bus.
  QDBusConnection connect() const {
    return QDBusConnection::connectToBus(address_, connectionName_);
  }

  // Starts `python3 -m dbusmock args` with this bus as its session bus and, for --system
  // services, as its system bus too.
  QProcess& startMock(const QStringList& args) {
    auto p = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address_);
    env.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), address_);
    p->setProcessEnvironment(env);
    p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p->start(QString::fromLatin1(kPython),
             QStringList{QStringLiteral("-m"), QStringLiteral("dbusmock")} + args);
    services_.push_back(std::move(p));
    return *services_.back();
  }

  // Ends a service started here (the bus stays).
  static void stop(QProcess& p) {
    if (p.state() == QProcess::NotRunning) return;
    p.terminate();
    if (!p.waitForFinished(5000)) p.kill();
    p.waitForFinished(5000);
  }

 private:
  QProcess daemon_;
  QString address_;
  QString connectionName_;
  std::vector<std::unique_ptr<QProcess>> services_;
};
