#pragma once
// Tells the desktop that something finished, through its notification service
// (org.freedesktop.Notifications on the session bus). Fire and forget: without a bus or
// without a notification service nothing is shown and nothing asks the user; the failure
// only goes to the program log.
#include <QDBusConnection>
#include <QDBusPendingCall>
#include <QString>
#include <string>

class DesktopNotifier {
 public:
  // bus: the session bus in the program, a private bus in tests.
  explicit DesktopNotifier(QDBusConnection bus);

  // Sends one notification with the program's name and icon. The returned call is not
  // waited for by the program; tests wait for it to see what the service got.
  QDBusPendingCall notify(const std::string& summary, const std::string& body);

  static constexpr const char* kService = "org.freedesktop.Notifications";
  static constexpr const char* kPath = "/org/freedesktop/Notifications";

 private:
  QDBusConnection bus_;
};
