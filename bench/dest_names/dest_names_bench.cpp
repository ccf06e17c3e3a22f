// dest_names_bench [count] [work folder]
//
// count (default 4,000) entries of one file name copied by the whole five-stage run into
// one empty folder with the "rename" policy, so every file after the first gets a
// numbered name: song (1).mp3 ... song (count-1).mp3. Five runs; each run's time and the
// median are printed. Then the numbering alone: count names asked of MakeUniqueName in a
// folder that already holds them all, once with the run's numbering state and once
// without (every name searched from (1), as a run without the state would).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "operation/dest_path.h"
#include "operation/operation_engine.h"

namespace fs = std::filesystem;

namespace {

class AllTicked : public IListRows {
 public:
  explicit AllTicked(TkroPlayList& list) {
    for (int i = 0; i < list.EntryCount(); ++i) ids.push_back(list.EntryAt(i));
  }
  int RowCount() const override { return static_cast<int>(ids.size()); }
  int RowEntryId(int row) const override { return ids[static_cast<std::size_t>(row)]; }
  bool RowChecked(int) const override { return true; }
  bool RowSelected(int) const override { return false; }
  std::vector<int> ids;
};

class NullDisplay : public IProgressDisplay {
 public:
  void showHeader(const std::string&) override {}
  void addLogLine(const std::string&, bool) override {}
  void appendToLastLogLine(const std::string&) override {}
  void clearLog() override {}
  void setBars(int, int) override {}
  void setFigures(const ProgressFigures&) override {}
  void setCurrentFile(const std::string&) override {}
  void updateControls(const RunFlags&) override {}
  void pumpMessages() override {}
  bool askYesNo(const std::string&, const std::string&) override { return true; }
  void showError(const std::string&, const std::string&) override {}
};

double secondsSince(std::chrono::steady_clock::time_point t) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::atoi(argv[1]) : 4000;
  const fs::path work =
      argc > 2 ? fs::path(argv[2]) : fs::temp_directory_path() / "tavel-dest-names-bench";
  fs::remove_all(work);
  fs::create_directories(work / "src");
  const fs::path song = work / "src/song.mp3";
  std::ofstream(song) << std::string(1024, 's');

  std::vector<double> runs;
  for (int r = 0; r < 5; ++r) {
    const fs::path dst = work / ("dst" + std::to_string(r));
    TkroPlayList list;
    for (int i = 0; i < count; ++i) list.Add(song.string(), "", "", 1024, 0, FLAG_MARKED);
    AllTicked rows(list);
    NullDisplay display;
    TOperationEngine engine(list, rows, display);
    OperationParameters params;
    params.destination = dst.string();
    params.ifExistsCopy = existsRename;
    const auto start = std::chrono::steady_clock::now();
    engine.RunOperation(params, true);
    runs.push_back(secondsSince(start));
    const auto files = std::distance(fs::directory_iterator(dst), fs::directory_iterator());
    std::printf("run %d: %.3f s, %ld files\n", r + 1, runs.back(), static_cast<long>(files));
    if (r + 1 < 5) fs::remove_all(dst);
  }
  std::sort(runs.begin(), runs.end());
  std::printf("%d files of one name, whole run, median of 5: %.3f s\n", count, runs[2]);

  const std::string wanted = (work / "dst4/song.mp3").string();
  UniqueNameState state;
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < count; ++i) MakeUniqueName(wanted, &state);
  std::printf("%d numbered names with the run's state: %.3f s\n", count, secondsSince(start));
  start = std::chrono::steady_clock::now();
  for (int i = 0; i < count; ++i) MakeUniqueName(wanted);
  std::printf("%d numbered names searched from (1) each: %.3f s\n", count, secondsSince(start));
  fs::remove_all(work);
  return 0;
}
