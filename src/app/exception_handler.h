#pragma once
// The one handler for errors that nothing else caught. It records the error in the program
// log, makes sure the log reaches a file in the Logs folder (an in-memory log is renamed to
// "<date time> Exception.log" and committed), names that file in a box and lets the user
// choose between going on (Yes: back to the event loop) and ending the program at once
// (No: the log is closed, nothing else is saved).
//
// Two ways in:
// - TavelApplication overrides the event dispatch, so every exception thrown by a slot,
//   timer or event handler that reaches the event loop lands here;
// - start-up code that runs outside the event loop catches what escapes a stage and calls
//   HandleUnexpectedException() from inside its catch block.
#include <QApplication>
#include <cstdint>
#include <exception>
#include <stdexcept>
#include <string>

class QObject;

// An error raised by the program itself. It remembers where it was thrown, so the address
// in the log and in the box leads a developer to the throwing function (see ThrowSiteOf).
class TavelError : public std::runtime_error {
 public:
  explicit TavelError(const std::string& message);
  // Offset of the throw site inside its module (executable or library), 0 when unknown.
  std::uint32_t throwSite() const { return throwSite_; }

 private:
  std::uint32_t throwSite_ = 0;
};

// Where the "... Exception.log" file goes. Optional: without it the folder of the program
// log's current file name is used, which is the Logs folder for the program's own log.
void SetExceptionLogsFolder(const std::string& logsFolder);

// Handles one error on the user-interface thread. Returns when the user chooses to go on;
// ends the process (without the shutdown stages) when the user chooses to stop.
// `sender` is only for the record; `error` may be any exception or null.
// `callerAddress` stands in for the error's address when the error does not know its own
// throw site; 0 means "the code that called this function".
void ApplicationEvents1Exception(QObject* sender, std::exception_ptr error,
                                 std::uintptr_t callerAddress = 0);

// For a catch block: handles std::current_exception() with the catch site as the address
// stand-in. Returns when the user chooses to go on.
void HandleUnexpectedException(QObject* sender = nullptr);

// The exit code of a process that the user ended from the error box.
constexpr int kHaltExitCode = 1;
// How the process ends after No; std::_Exit by default. In-process tests install a
// function that records the call and returns, so the handler then returns as well.
using HaltFunction = void (*)(int exitCode);
void SetHaltFunction(HaltFunction halt);

// The 8-hexadecimal-digit address shown for an error: where it was thrown, as an offset
// inside the program's executable, so `addr2line -f -C -e tavel 0x<address>` names the
// function and line. Exposed for tests.
std::string ErrorAddressText(std::uint32_t address);

// The application object of the program: the event dispatch catches every exception that
// would leave an event handler and passes it to ApplicationEvents1Exception.
class TavelApplication : public QApplication {
 public:
  TavelApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};
