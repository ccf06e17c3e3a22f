#include "logs/log.h"

#include "logs/date_time.h"

namespace {
TLog* programLog = nullptr;
}

void SetProgramLog(TLog* log) { programLog = log; }
TLog* ProgramLog() { return programLog; }
void ProgramLogWrite(const std::string& text) {
  if (programLog) programLog->LogWrite(text);
}

TLog::~TLog() {
  if (file_) std::fclose(file_);
}

bool TLog::openFile() {
  if (file_) {
    std::fclose(file_);
    file_ = nullptr;
  }
  switch (mode & 0xFF) {
    case lmAppend:
      file_ = std::fopen(fileName.c_str(), "ab");
      break;
    case lmRewrite:
      file_ = std::fopen(fileName.c_str(), "wb");
      break;
    default:
      break;  // no file; the first write then finds none and switches the log off
  }
  return file_ != nullptr;
}

bool TLog::LogOpen(const std::string& name, int newMode, const std::string& newTimeFormat) {
  if (file_) {
    std::fclose(file_);
    file_ = nullptr;
  }
  active = true;
  fileName = name;
  mode = newMode;
  timeFormat = newTimeFormat;
  deferred = (newMode & lmDeferred) != 0;
  commitOnFlush = (newMode & lmCommitOnFlush) != 0;
  pending.clear();
  opened = false;
  if (deferred) return true;
  opened = true;
  if ((mode & 0xFF) != lmAppend && (mode & 0xFF) != lmRewrite) return true;
  if (!openFile()) {
    opened = false;
    deferred = true;
    return false;
  }
  return true;
}

std::string TLog::stamp(const std::string& text) const {
  return "[" + FormatDateTime(timeFormat, NowLocal()) + "]  " + text;
}

bool TLog::writeLine(const std::string& line) {
  if (!file_) return false;
  if (std::fwrite(line.data(), 1, line.size(), file_) != line.size()) return false;
  if (std::fwrite("\r\n", 1, 2, file_) != 2) return false;
  return true;
}

void TLog::LogWrite(const std::string& text) {
  if (!active) return;
  std::string line = stamp(text);
  if (deferred) {
    pending.push_back(std::move(line));
    return;
  }
  bool ok = writeLine(line);
  if (ok && flushEachLine) ok = std::fflush(file_) == 0;
  if (!ok) active = false;
}

void TLog::LogWriteValues(const TValues& values, const std::string& separator) {
  LogWrite(ValuesToText(values, separator));
}

void TLog::LogFlush(bool close, bool force) {
  if (!active) return;
  if (deferred && (force || commitOnFlush)) {
    if (!opened) {
      opened = true;
      if (!openFile()) {
        active = false;
        return;
      }
    }
    bool ok = file_ != nullptr;
    for (const auto& line : pending) {
      if (!ok) break;
      ok = writeLine(line);
    }
    if (ok) ok = std::fflush(file_) == 0;
    pending.clear();
    if (!ok) {
      active = false;
      return;
    }
  }
  if (close && opened) {
    if (file_) std::fclose(file_);  // a failure to close changes nothing for the user
    file_ = nullptr;
    active = false;
  }
}

std::string LogFileName(const std::string& folder, const std::string& suffix) {
  std::string name = folder + "/" + FormatDateTime("dd.mm.yyyy hh.nn.ss", NowLocal());
  if (!suffix.empty()) name += " " + suffix;
  return name + ".log";
}

std::string ValuesToText(const TValues& values, const std::string& separator) {
  std::string out;
  for (size_t i = 0; i < values.size(); ++i) {
    if (i) out += separator;
    out += ValueToText(values[i]);
  }
  return out;
}
