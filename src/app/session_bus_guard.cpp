#include "app/session_bus_guard.h"

#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QElapsedTimer>
#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace {

constexpr int kExitAnswers = 0;
constexpr int kExitAbsent = 3;

// The child: connects as the program itself would (libdbus, autolaunch included) and says
// by its status whether the bus answered.
[[noreturn]] void probeInChild() {
  int argc = 1;
  char name[] = "tavel-bus-probe";
  char* argv[] = {name, nullptr};
  QCoreApplication app(argc, argv);
  const bool connected =
      QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("tavel-probe"))
          .isConnected();
  ::_exit(connected ? kExitAnswers : kExitAbsent);
}

// Waits up to `limitMs` for `child` to end; its wait status, or -1 when it is still running.
int waitWithLimit(pid_t child, int limitMs) {
  // A pidfd lets poll() wait for the end; where the kernel has none, the status is looked
  // at in short steps.
  const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, child, 0));
  QElapsedTimer clock;
  clock.start();
  int status = 0;
  for (;;) {
    const pid_t r = ::waitpid(child, &status, WNOHANG);
    if (r == child) break;
    if (r < 0 && errno != EINTR) break;
    const qint64 left = limitMs - clock.elapsed();
    if (left <= 0) {
      status = -1;
      break;
    }
    if (pidfd >= 0) {
      pollfd p{pidfd, POLLIN, 0};
      ::poll(&p, 1, static_cast<int>(left));
    } else {
      ::usleep(static_cast<useconds_t>(std::min<qint64>(left, 20) * 1000));
    }
  }
  if (pidfd >= 0) ::close(pidfd);
  return status;
}

}  // namespace

SessionBusCheck GuardSessionBus(int limitMs) {
  SessionBusCheck check;
  check.limitMs = limitMs;
  if (const char* a = std::getenv("DBUS_SESSION_BUS_ADDRESS")) check.address = a;
  const pid_t child = ::fork();
  if (child < 0) return check;
  if (child == 0) {
    // The parent's shutdown handlers would answer signals meant for it; the child takes none.
    for (const int sig : {SIGTERM, SIGINT, SIGHUP}) ::signal(sig, SIG_DFL);
    probeInChild();
  }
  const int status = waitWithLimit(child, limitMs);
  // Only a probe that ended by itself with one of its two answers is believed: one that was
  // killed, crashed or said anything else may have met the same silent bus, so the program
  // keeps away from it then too.
  const bool answered = status != -1 && WIFEXITED(status) &&
                        (WEXITSTATUS(status) == kExitAnswers || WEXITSTATUS(status) == kExitAbsent);
  if (!answered) {
    if (status == -1) {  // still running: it is ended here (one that ended was reaped)
      ::kill(child, SIGKILL);
      while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
      }
    }
    // An address no transport knows fails at once, autolaunch included.
    ::setenv("DBUS_SESSION_BUS_ADDRESS", "tavel-session-bus-did-not-answer:", 1);
    check.state = SessionBusState::NoAnswer;
  } else if (WIFEXITED(status) && WEXITSTATUS(status) == kExitAnswers) {
    check.state = SessionBusState::Answers;
  } else {
    check.state = SessionBusState::Absent;
  }
  return check;
}

std::string SessionBusCheck::warning() const {
  if (state != SessionBusState::NoAnswer) return std::string();
  const std::string where = address.empty() ? std::string("started for this display") : address;
  return "the session bus (D-Bus, " + where + ") did not answer within " +
         std::to_string(limitMs / 1000) +
         " s; accessibility and desktop notifications are off for this run";
}
