#pragma once
// The desktop's session bus (D-Bus) is asked for by Qt's accessibility bridge when the first
// window shows, and by the end-of-run notification. libdbus waits without a time limit for
// a bus that accepts the connection but never answers (a stopped or wedged dbus-daemon, an
// address left over from a bus that hangs); the program would then sit with no window at
// all. So before the application object exists, the bus is tried once in a child process
// with a time limit; a bus that does not answer in time is switched off for this run.
#include <string>

// How long a session bus may take to answer the first connection, autolaunch included.
constexpr int kSessionBusAnswerMs = 5000;

enum class SessionBusState {
  Answers,    // connected in time
  Absent,     // none there (no address, refused): Qt finds out at once on its own
  NoAnswer,   // did not answer within the limit: switched off for this run
  NotProbed,  // the child process could not be started; nothing changed
};

struct SessionBusCheck {
  SessionBusState state = SessionBusState::NotProbed;
  std::string address;  // the bus address the environment gave ("" for autolaunch)
  int limitMs = 0;
  // The line the program writes on standard error (empty when all is well).
  std::string warning() const;
};

// Tries the session bus from a child process, waiting at most `limitMs`. Must run before
// the process has threads (before the application object). On NoAnswer the environment's
// bus address is replaced by one that fails at once, so that nothing in this process waits
// for that bus again.
SessionBusCheck GuardSessionBus(int limitMs = kSessionBusAnswerMs);
