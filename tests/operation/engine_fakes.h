#pragma once
// Test doubles for the engine: a real work list with small helpers, rows that follow the
// entries' marks, and a progress display that records what
// it is shown and can press Skip or Cancel from inside pumpMessages().
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "lang/message_box.h"
#include "logs/log.h"
#include "operation/operation_engine.h"
#include "operation/progress_display.h"
#include "worklist/playlist.h"

// A real work list with helpers to fill and read it.
struct EntryView {
  std::string origin, dest, descr;
  std::int64_t size = 0;
  std::int32_t flags = 0;
};

class FakeEntries {
 public:
  TkroPlayList list;

  int add(const std::string& origin, std::int64_t size, bool marked = true,
          const std::string& descr = "") {
    return list.Add(origin, "", descr, size, 0, marked ? FLAG_MARKED : 0);
  }
  EntryView at(int i) {
    list.SelectIndex(i);
    TkroPlayItem& c = *list.Cursor;
    return {c.GetOrigin(), c.GetDest(), c.GetDescr(), c.GetSize(), c.GetFlags()};
  }
};

// Rows in work-list order, ticked where the entry is marked.
class FakeRows : public IListRows {
 public:
  explicit FakeRows(FakeEntries& e) : entries(e) {}
  int RowCount() const override { return entries.list.EntryCount(); }
  bool RowChecked(int row) const override {
    entries.list.SelectIndex(row);
    return (entries.list.Cursor->GetFlags() & FLAG_MARKED) != 0;
  }
  int RowEntryId(int row) const override { return entries.list.EntryAt(row); }
  bool RowSelected(int) const override { return false; }
  FakeEntries& entries;
};

class FakeDisplay : public IProgressDisplay {
 public:
  std::vector<std::string> headers;
  std::vector<std::string> log;  // lines as shown, "[T] " standing for the time prefix
  std::vector<std::pair<int, int>> bars;
  std::vector<ProgressFigures> figures;
  std::vector<std::string> files;
  std::vector<RunFlags> controls;
  std::vector<std::string> questions;
  std::vector<std::string> errors;
  bool answer = true;
  int pumps = 0;
  int logOpened = 0;
  std::function<void()> onPump;
  std::function<void(const std::string&)> onQuestion;

  void showHeader(const std::string& t) override { headers.push_back(t); }
  void addLogLine(const std::string& t, bool withTime) override {
    log.push_back(withTime ? "[T] " + t : t);
  }
  void appendToLastLogLine(const std::string& t) override {
    if (log.empty()) log.emplace_back();
    log.back() += t;
  }
  void clearLog() override { log.clear(); }
  void setBars(int a, int b) override { bars.emplace_back(a, b); }
  void setFigures(const ProgressFigures& f) override { figures.push_back(f); }
  void setCurrentFile(const std::string& p) override { files.push_back(p); }
  void updateControls(const RunFlags& f) override { controls.push_back(f); }
  void pumpMessages() override {
    ++pumps;
    if (onPump) onPump();
  }
  bool askYesNo(const std::string& caption, const std::string& text) override {
    questions.push_back(caption + "|" + text);
    if (onQuestion) onQuestion(text);
    return answer;
  }
  void showError(const std::string& caption, const std::string& text) override {
    errors.push_back(caption + "|" + text);
  }
  void openLogPanel() override { ++logOpened; }
};

// Records every box and answers Ok.
class RecordingBox : public IMessageBox {
 public:
  RecordingBox() { SetMessageBox(this); }
  ~RecordingBox() override { SetMessageBox(nullptr); }
  MsgResult show(const MessageRequest& r) override {
    boxes.push_back(r);
    return MsgResult::Ok;
  }
  std::vector<MessageRequest> boxes;
};

// The names in a folder (none when it is missing).
inline std::set<std::string> namesIn(const std::filesystem::path& dir) {
  std::set<std::string> names;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(dir, ec))
    names.insert(e.path().filename().string());
  return names;
}

// A Linux file system's profile, so that a test does not depend on what the machine's
// temporary folder lies on.
inline MediumProfile LinuxMedium() {
  MediumProfile m;
  m.fsType = "ext4";
  return m;
}

// A work list, its rows, a recording display and an engine over them.
struct EngineRig {
  FakeEntries entries;
  FakeRows rows{entries};
  FakeDisplay display;
  TOperationEngine engine{entries.list, rows, display};
  OperationParameters params;
  void go(bool ignoreReadOnly = true) { engine.RunOperation(params, ignoreReadOnly); }
  // Ticks one entry per origin (a path, its size left for the check to find).
  template <class... Paths>
  void tick(const Paths&... origins) {
    (entries.add(std::filesystem::path(origins).string(), 0), ...);
  }
  // Presses Skip (or Cancel) once the copy of the current file is under way.
  void pressDuringCopy(bool cancel) {
    display.onPump = [this, cancel] {
      if (display.bars.empty() || display.headers.back() != "Копирование") return;
      const int file = display.bars.back().second;
      if (file > 0 && file < 1000 && engine.flags().running && !engine.flags().skipCurrent) {
        if (cancel)
          engine.CancelClicked();
        else
          engine.SkipClicked();
      }
    };
  }
  // The last n lines of the run's log.
  std::vector<std::string> lastLines(std::size_t n) const {
    return std::vector<std::string>(display.log.end() - static_cast<std::ptrdiff_t>(n),
                                    display.log.end());
  }
};

// The rig of the engine's run tests: a Linux medium whatever the machine's temporary
// folder lies on, and a clock that moves a tenth of a second at every look, so the bars
// move at every progress call and no test depends on real time.
struct LinuxRig : EngineRig {
  double clock = 0;
  LinuxRig() {
    engine.SetClock([this] { return clock += 0.1 / 86400.0; });
    engine.SetMediumProfile(LinuxMedium());
  }
};

// The last lines of a run the user cancelled (by a button or by answering No).
inline const std::vector<std::string> kCancelledTail{"", "[T] Операция прервана",
                                                     "[T] Операция прервана пользователем"};

// The result shown for an entry: what follows its path's log line ("" when none shows it).
inline std::string resultFor(const std::vector<std::string>& log, const std::string& path) {
  const std::string mark = "\"" + path + "\"";
  for (const std::string& line : log) {
    const std::size_t at = line.find(mark);
    const std::size_t dash = line.find("        - ", at == std::string::npos ? 0 : at);
    if (at != std::string::npos && dash != std::string::npos) return line.substr(dash + 10);
  }
  return std::string();
}

inline bool logHas(const std::vector<std::string>& log, const std::string& line) {
  return std::find(log.begin(), log.end(), line) != log.end();
}

// The program log kept in memory for the test.
class MemoryLog {
 public:
  MemoryLog() {
    log.LogOpen("unused.log", lmRewrite | lmDeferred, "hh:nn:ss");
    SetProgramLog(&log);
  }
  ~MemoryLog() { SetProgramLog(nullptr); }
  // The lines without their time stamps.
  std::vector<std::string> texts() const {
    std::vector<std::string> out;
    for (const auto& l : log.pending) out.push_back(l.substr(l.find("]  ") + 3));
    return out;
  }
  bool has(const std::string& tail) const {
    for (const auto& l : log.pending)
      if (l.size() >= tail.size() && l.compare(l.size() - tail.size(), tail.size(), tail) == 0)
        return true;
    return false;
  }
  TLog log;
};

// The result a finished entry's log line ends with: seven spaces, then " - ".
inline const std::string kDone = "        - завершено";
