#pragma once
// Test doubles for the engine: a work list in memory (cursor semantics of the real
// model), rows that follow the entries' marks, and a progress display that records what
// it is shown and can press Skip or Cancel from inside pumpMessages().
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "operation/operation_engine.h"
#include "operation/progress_display.h"
#include "operation/work_entries.h"

struct FakeEntry {
  std::string origin, dest, descr;
  std::int64_t size = 0;
  std::int32_t flags = 0;
};

class FakeEntries : public IWorkEntries {
 public:
  std::vector<FakeEntry> items;
  int cursor = -1;

  int add(const std::string& origin, std::int64_t size, bool marked = true,
          const std::string& descr = "") {
    items.push_back({origin, "", descr, size, marked ? kFlagMarked : 0});
    return static_cast<int>(items.size()) + 100;  // object numbers are not positions
  }
  FakeEntry& at(int i) { return items[static_cast<std::size_t>(i)]; }

  int EntryCount() override { return static_cast<int>(items.size()); }
  bool SelectIndex(int i) override {
    cursor = (i >= 0 && i < EntryCount()) ? i : -1;
    return cursor >= 0;
  }
  bool SelectId(int number) override { return SelectIndex(number - 101); }
  std::string GetOrigin() override { return cursor < 0 ? "" : at(cursor).origin; }
  std::string GetDest() override { return cursor < 0 ? "" : at(cursor).dest; }
  std::string GetDescr() override { return cursor < 0 ? "" : at(cursor).descr; }
  std::int64_t GetSize() override { return cursor < 0 ? 0 : at(cursor).size; }
  std::int32_t GetFlags() override { return cursor < 0 ? 0 : at(cursor).flags; }
  void SetDest(const std::string& d) override {
    if (cursor >= 0) at(cursor).dest = d;
  }
  void SetSize(std::int64_t s) override {
    if (cursor >= 0) at(cursor).size = s;
  }
  void SetFlags(std::int32_t f) override {
    if (cursor >= 0) at(cursor).flags = f;
  }
  void ClearDestinations() override {
    for (auto& e : items) e.dest.clear();
  }
  void ResetRunFlags(std::int32_t value) override {
    for (auto& e : items) e.flags = value | (e.flags & 0x00FFFFFF);
  }
};

// Rows in work-list order, ticked where the entry is marked.
class FakeRows : public IWorkRows {
 public:
  explicit FakeRows(FakeEntries& e) : entries(e) {}
  int RowCount() const override { return static_cast<int>(entries.items.size()); }
  bool RowChecked(int row) const override {
    return (entries.items[static_cast<std::size_t>(row)].flags & kFlagMarked) != 0;
  }
  int RowEntryId(int row) const override { return row + 101; }
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
};
