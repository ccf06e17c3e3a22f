#include "app/desktop_notifier.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>

#include "lang/lang.h"
#include "logs/log.h"

DesktopNotifier::DesktopNotifier(QDBusConnection bus) : bus_(std::move(bus)) {}

QDBusPendingCall DesktopNotifier::notify(const std::string& summary, const std::string& body) {
  QDBusMessage call =
      QDBusMessage::createMethodCall(QString::fromLatin1(kService), QString::fromLatin1(kPath),
                                     QString::fromLatin1(kService), QStringLiteral("Notify"));
  // The desktop entry lets the desktop group the notification with the program's window.
  QVariantMap hints;
  hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("tavel"));
  call << QString::fromStdString(LangString(1)) << 0u << QStringLiteral("tavel")
       << QString::fromStdString(summary) << QString::fromStdString(body) << QStringList() << hints
       << -1;
  QDBusPendingCall pending = bus_.asyncCall(call);
  // A missing bus or service is no error for the user: a run's end is also on the screen.
  auto* watcher = new QDBusPendingCallWatcher(pending);
  QObject::connect(
      watcher, &QDBusPendingCallWatcher::finished, watcher, [](QDBusPendingCallWatcher* w) {
        if (w->isError())
          ProgramLogWrite("Desktop notification not shown: " + w->error().message().toStdString());
        w->deleteLater();
      });
  return pending;
}
