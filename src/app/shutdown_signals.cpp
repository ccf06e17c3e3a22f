#include "app/shutdown_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <atomic>
#include <cerrno>
#include <csignal>

namespace {

int pipeFds[2] = {-1, -1};
// Signals written to the pipe and not yet taken up by the event loop.
std::atomic<int> unread{0};
static_assert(std::atomic<int>::is_always_lock_free);
constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

extern "C" void onShutdownSignal(int sig) {
  const int savedErrno = errno;
  // Two signals still unread: the loop is stuck (or busy in a shutdown that hangs).
  if (unread.fetch_add(1) + 1 >= 3) {
    std::signal(sig, SIG_DFL);
    std::raise(sig);
  }
  const unsigned char byte = static_cast<unsigned char>(sig);
  // A full pipe already holds enough to shut down; the byte may go.
  [[maybe_unused]] const ssize_t w = ::write(pipeFds[1], &byte, 1);
  errno = savedErrno;
}

}  // namespace

bool InstallShutdownSignalHandlers() {
  if (pipeFds[0] < 0 && ::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) {
    pipeFds[0] = pipeFds[1] = -1;
    return false;
  }
  struct sigaction sa {};
  sa.sa_handler = onShutdownSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  for (const int sig : kSignals) ::sigaction(sig, &sa, nullptr);
  return true;
}

const char* ShutdownSignalName(int signal) {
  switch (signal) {
    case SIGTERM:
      return "SIGTERM";
    case SIGINT:
      return "SIGINT";
    case SIGHUP:
      return "SIGHUP";
  }
  return "signal";
}

ShutdownSignalWatcher::ShutdownSignalWatcher(std::function<void(int)> onSignal, QObject* parent)
    : QObject(parent), onSignal_(std::move(onSignal)) {
  if (pipeFds[0] < 0) return;
  notifier_ = new QSocketNotifier(pipeFds[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] { readPending(); });
}

ShutdownSignalWatcher::~ShutdownSignalWatcher() = default;

void ShutdownSignalWatcher::readPending() {
  if (pipeFds[0] < 0) return;
  unsigned char buf[64];
  for (;;) {
    const ssize_t r = ::read(pipeFds[0], buf, sizeof buf);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    unread.fetch_sub(static_cast<int>(r));
    for (ssize_t i = 0; i < r; ++i)
      if (onSignal_) onSignal_(buf[i]);
  }
}
