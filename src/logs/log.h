#pragma once
// The program log: a plain-text trace of one run. It is either written straight to its
// file line by line (file mode) or kept in memory (deferred) until an unexpected error
// commits it. Any failure to write makes it silent for the rest of the run; it never
// reports to the user and never throws. Lines end with CR LF.
#include <cstdio>
#include <string>
#include <vector>

#include "logs/values.h"

// Mode: the low byte says how the file is opened; the bits above change when.
constexpr int lmAppend = 1;          // append to an existing file, create it when missing
constexpr int lmRewrite = 2;         // create the file, truncating an existing one
constexpr int lmDeferred = 0x100;    // keep lines in `pending` until committed
constexpr int lmCommitOnFlush = 0x200;  // every LogFlush commits, not only forced ones

class TLog {
 public:
  TLog() = default;
  ~TLog();
  TLog(const TLog&) = delete;
  TLog& operator=(const TLog&) = delete;

  // Sets the log up; false when the file could not be opened and the lines now collect
  // in memory instead.
  bool LogOpen(const std::string& name, int mode, const std::string& timeFormat);
  void LogWrite(const std::string& text);
  void LogBlank() { LogWrite(std::string()); }
  void LogWriteValues(const TValues& values, const std::string& separator);
  // Commits pending lines (when deferred and forced or commitOnFlush) and/or closes.
  void LogFlush(bool close, bool force);

  // The owner and the unexpected-error handler read and set these directly.
  bool active = false;
  bool flushEachLine = false;
  std::string fileName;
  bool opened = false;
  std::string timeFormat;
  int mode = 0;
  bool deferred = false;
  bool commitOnFlush = false;
  std::vector<std::string> pending;

 private:
  bool openFile();
  bool writeLine(const std::string& line);
  std::string stamp(const std::string& text) const;

  std::FILE* file_ = nullptr;
};

// folder + "/" + local time "dd.mm.yyyy hh.nn.ss" + (" " + suffix when not empty) + ".log"
std::string LogFileName(const std::string& folder, const std::string& suffix);

// The texts of the values joined by the separator (none after the last).
std::string ValuesToText(const TValues& values, const std::string& separator);

// The one program log. Its owner (the program's start-up) installs it; code deep in the
// program that reports an internal error writes through it. Null until installed: the
// writers below then do nothing, as a log before LogOpen does.
void SetProgramLog(TLog* log);
TLog* ProgramLog();
void ProgramLogWrite(const std::string& text);
