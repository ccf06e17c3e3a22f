#include "app/exception_handler.h"

#include <cxxabi.h>
#include <dlfcn.h>
#include <execinfo.h>

#include <QAbstractEventDispatcher>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <typeinfo>

#include "app/program_version.h"
#include "lang/lang.h"
#include "lang/message_box.h"
#include "logs/log.h"

void TavelNoteThrow(void* object);
bool TavelThrowHookLinked();

// Where an error came from. Every throw in the process passes through __cxa_throw; the
// definition below takes note of the thrown object and of the first caller that lies in
// the program's own executable, then hands over to the C++ runtime. The handler looks the
// caught object up in these notes. An exception thrown deep inside Qt or the standard
// library is thus reported at the program's line that called into it, which is where a
// developer starts looking. The address is an offset inside the executable (position
// independent), so `addr2line -f -C -e tavel 0x<address>` names the function and line.

namespace {

struct ThrowRecord {
  const void* object = nullptr;
  std::uint32_t site = 0;
};

constexpr int kThrowRecords = 8;
thread_local ThrowRecord throwRecords[kThrowRecords];
thread_local unsigned nextThrowRecord = 0;

std::uintptr_t programBase() {
  static const std::uintptr_t base = [] {
    Dl_info info{};
    if (dladdr(reinterpret_cast<const void*>(&programBase), &info) && info.dli_fbase)
      return reinterpret_cast<std::uintptr_t>(info.dli_fbase);
    return std::uintptr_t{0};
  }();
  return base;
}

bool inProgram(const void* address) {
  Dl_info info{};
  return dladdr(address, &info) &&
         reinterpret_cast<std::uintptr_t>(info.dli_fbase) == programBase();
}

// A return address made into an offset inside the program; one byte back so that it lies
// inside the call instruction and addr2line names the calling line, not the next one.
std::uint32_t programOffset(const void* returnAddress) {
  const auto a = reinterpret_cast<std::uintptr_t>(returnAddress);
  if (a == 0) return 0;
  return static_cast<std::uint32_t>(a - 1 - programBase());
}

}  // namespace

// Called by the throw hook (exception_throw_hook.cpp) for every throw of the process.
__attribute__((noinline)) void TavelNoteThrow(void* object) {
  void* frames[32];
  const int n = backtrace(frames, 32);
  std::uint32_t site = 0;
  // Frames 0 and 1 are this function and the throw hook that called it.
  for (int i = 2; i < n; ++i) {
    if (inProgram(frames[i])) {
      site = programOffset(frames[i]);
      break;
    }
  }
  throwRecords[nextThrowRecord++ % kThrowRecords] = {object, site};
}

namespace {

std::uint32_t recordedSite(const void* object) {
  for (int k = 1; k <= kThrowRecords; ++k) {
    const ThrowRecord& r = throwRecords[(nextThrowRecord - k) % kThrowRecords];
    if (r.object && r.object == object) return r.site;
  }
  return 0;
}

std::uint32_t latestSite() {
  return nextThrowRecord ? throwRecords[(nextThrowRecord - 1) % kThrowRecords].site : 0;
}

std::string logsFolderOverride;
HaltFunction haltFunction = nullptr;
int handlerDepth = 0;

std::string demangledCurrentType() {
  const std::type_info* t = abi::__cxa_current_exception_type();
  if (!t) return "unknown";
  int status = 0;
  char* name = abi::__cxa_demangle(t->name(), nullptr, nullptr, &status);
  std::string out = (status == 0 && name) ? name : t->name();
  std::free(name);
  return out;
}

struct ErrorFacts {
  std::string message;
  std::uint32_t address = 0;
};

ErrorFacts factsOf(std::exception_ptr error, std::uintptr_t callerAddress) {
  ErrorFacts f;
  std::uint32_t site = 0;
  if (error) {
    try {
      std::rethrow_exception(error);
    } catch (const TavelError& e) {
      f.message = e.what();
      site = recordedSite(dynamic_cast<const void*>(&e));
      if (!site) site = e.throwSite();
    } catch (const std::exception& e) {
      f.message = e.what();
      site = recordedSite(dynamic_cast<const void*>(&e));
    } catch (...) {
      // No message and no object to look up: name the type, take the latest throw.
      f.message = "exception of type " + demangledCurrentType();
      site = latestSite();
    }
  }
  f.address = site ? site : programOffset(reinterpret_cast<const void*>(callerAddress));
  return f;
}

std::string exceptionLogsFolder(const TLog& log) {
  if (!logsFolderOverride.empty()) return logsFolderOverride;
  const std::string parent = std::filesystem::path(log.fileName).parent_path().string();
  return parent.empty() ? std::string(".") : parent;
}

}  // namespace

__attribute__((noinline)) TavelError::TavelError(const std::string& message)
    : std::runtime_error(message), throwSite_(programOffset(__builtin_return_address(0))) {}

void SetExceptionLogsFolder(const std::string& logsFolder) {
  logsFolderOverride = logsFolder;
}

void SetHaltFunction(HaltFunction halt) {
  haltFunction = halt;
}

std::string ErrorAddressText(std::uint32_t address) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%08X", address);
  return buf;
}

__attribute__((noinline)) void ApplicationEvents1Exception(QObject* /*sender*/,
                                                           std::exception_ptr error,
                                                           std::uintptr_t callerAddress) {
  if (callerAddress == 0)
    callerAddress = reinterpret_cast<std::uintptr_t>(__builtin_return_address(0));
  const ErrorFacts facts = factsOf(error, callerAddress);
  const std::string address = ErrorAddressText(facts.address);

  TLog* log = ProgramLog();
  if (log) {
    // Only the first error gives an in-memory log its file: later errors keep writing to
    // the same file, so one run leaves one complete log and every box names that file.
    if (log->deferred && !log->opened)
      log->fileName = LogFileName(exceptionLogsFolder(*log), "Exception");
    log->LogWrite("[EXCEPTION]: " + facts.message + " " + address);
    log->LogFlush(false, true);
    log->commitOnFlush = true;
  }

  // An error raised while the box of an earlier one is open (its event loop keeps running)
  // is recorded above; the open box already asks the one question that matters.
  if (handlerDepth > 0) return;

  MessageRequest box;
  box.caption = LangString(7);
  box.text = LangFormat(8, {std::string(kProgramVersion), facts.message, address,
                            log ? log->fileName : std::string()});
  box.icon = MsgIcon::Error;
  box.buttons = mbYesNo;
  box.ownedByMainWindow = false;
  ++handlerDepth;
  const MsgResult answer = ShowBox(box);
  --handlerDepth;
  if (answer == MsgResult::Yes) return;

  if (log) {
    log->LogWrite("EXCEPT?:HALT");
    log->LogFlush(true, true);
  }
  if (haltFunction) {
    haltFunction(kHaltExitCode);
    return;
  }
  std::fflush(nullptr);
  std::_Exit(kHaltExitCode);
}

__attribute__((noinline)) void HandleUnexpectedException(QObject* sender) {
  ApplicationEvents1Exception(sender, std::current_exception(),
                              reinterpret_cast<std::uintptr_t>(__builtin_return_address(0)));
}

TavelApplication::TavelApplication(int& argc, char** argv) : QApplication(argc, argv) {
  programBase();  // resolve once, before any error
  TavelThrowHookLinked();
  void* warm[1];
  backtrace(warm, 1);  // loads the unwinder now, not inside the first throw
}

bool TavelApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    HandleUnexpectedException(receiver);
  }
  return false;
}
