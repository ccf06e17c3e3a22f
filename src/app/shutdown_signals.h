#pragma once
// SIGTERM, SIGINT and SIGHUP (logout, shutdown, Ctrl+C in the terminal) end the program
// through its normal shutdown rather than on the spot. The handler does no work: it writes
// the signal's number into a pipe that the event loop watches, and the loop then calls
// the program back. A third signal while two are still waiting to be taken up ends the
// program at once, as if no handler were there (for a program stuck in a long call).
#include <QObject>
#include <functional>

class QSocketNotifier;

// Installs the handlers; called before the application object exists, so that a signal
// that arrives during start-up waits in the pipe. False when the pipe cannot be made (the
// signals then keep their default action).
bool InstallShutdownSignalHandlers();

// The signals' name as the log writes it ("SIGTERM").
const char* ShutdownSignalName(int signal);

// Watches the pipe from the event loop and calls `onSignal` with each signal's number.
// Needs the application object and InstallShutdownSignalHandlers().
class ShutdownSignalWatcher : public QObject {
 public:
  explicit ShutdownSignalWatcher(std::function<void(int)> onSignal, QObject* parent = nullptr);
  ~ShutdownSignalWatcher() override;

  // Reads what the pipe holds now and calls back for each signal (the notifier's slot).
  void readPending();

 private:
  std::function<void(int)> onSignal_;
  QSocketNotifier* notifier_ = nullptr;
};
