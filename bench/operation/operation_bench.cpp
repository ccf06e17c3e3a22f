// operation_bench [copy|prepare|all] [work folder]
//
// copy:    2,000 files of 1 MB and 20 files of 100 MB copied into an empty destination on
//          the same file system, by the whole five-stage run (progress display with a fake
//          that does no drawing) and by `cp -r` followed by `sync`, alternately, twice.
// variants: copy, with the engine also timed without reserving the files' space first.
// prepare: stages 1 to 3 over 100,000 marked entries whose files exist (destinations
//          computed, origins and destinations looked up).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "fs/sys_calls.h"
#include "operation/operation_engine.h"

namespace fs = std::filesystem;

namespace {

// The rows of a view where every entry is ticked, as the view's model would answer.
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

// Records nothing, answers Yes, counts what a real dialog would have to draw.
class NullDisplay : public IProgressDisplay {
 public:
  long pumps = 0, lines = 0, bars = 0;
  // When the closing stage began: what follows is the flush of the destination.
  std::chrono::steady_clock::time_point closing;
  void showHeader(const std::string& text) override {
    if (text == "Завершающие операции") closing = std::chrono::steady_clock::now();
  }
  void addLogLine(const std::string&, bool) override { ++lines; }
  void appendToLastLogLine(const std::string&) override {}
  void clearLog() override {}
  void setBars(int, int) override { ++bars; }
  void setFigures(const ProgressFigures&) override {}
  void setCurrentFile(const std::string&) override {}
  void updateControls(const RunFlags&) override {}
  void pumpMessages() override { ++pumps; }
  bool askYesNo(const std::string&, const std::string&) override { return true; }
  void showError(const std::string&, const std::string&) override {}
};

double secondsSince(std::chrono::steady_clock::time_point t) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

void writeRandomFile(const fs::path& p, std::size_t bytes, std::mt19937_64& rng) {
  static std::vector<std::uint64_t> block(1 << 17);  // 1 MiB of random words, reused
  static bool filled = false;
  if (!filled) {
    for (auto& w : block) w = rng();
    filled = true;
  }
  block[0] = rng();  // every file differs
  std::ofstream out(p, std::ios::binary);
  std::size_t left = bytes;
  while (left > 0) {
    const std::size_t n = std::min(left, block.size() * sizeof(std::uint64_t));
    out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(n));
    left -= n;
  }
}

int run(const std::string& command) {
  const int rc = std::system(command.c_str());
  if (rc != 0) std::fprintf(stderr, "command failed (%d): %s\n", rc, command.c_str());
  return rc;
}

void benchCopy(const fs::path& work, bool variants) {
  const fs::path src = work / "src";
  std::printf("copy: making 2000 x 1 MB and 20 x 100 MB under %s ...\n", src.c_str());
  std::mt19937_64 rng(7);
  fs::create_directories(src / "small");
  fs::create_directories(src / "big");
  TkroPlayList list;
  for (int i = 0; i < 2000; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "track%04d.mp3", i);
    writeRandomFile(src / "small" / name, 1000000, rng);
    list.Add((src / "small" / name).string(), "", "", 0, 0, FLAG_MARKED);
  }
  for (int i = 0; i < 20; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "album%02d.flac", i);
    writeRandomFile(src / "big" / name, 100000000, rng);
    list.Add((src / "big" / name).string(), "", "", 0, 0, FLAG_MARKED);
  }
  const AllTicked rows(list);
  run("sync");

  double bestCp = 1e9, bestEngine = 1e9, sumCp = 0, sumEngine = 0;
  const int rounds = 4;
  for (int round = 0; round < rounds; ++round) {
    auto timeCp = [&] {
      fs::remove_all(work / "cp");
      run("sync");
      auto t = std::chrono::steady_clock::now();
      run("cp -r '" + src.string() + "' '" + (work / "cp").string() + "' && sync");
      const double s = secondsSince(t);
      fs::remove_all(work / "cp");
      return s;
    };
    double flushTime = 0;
    NullDisplay display;
    auto timeEngine = [&](bool reserve) {
      // Without reserving: the copies' space is not claimed before the data is written.
      FsCalls calls = RealFsCalls();
      if (!reserve) calls.fallocate = [](int, off_t, off_t) { return 0; };
      ScopedFsCalls scoped(calls);
      fs::remove_all(work / "engine");
      run("sync");
      display = NullDisplay{};
      TOperationEngine engine(list, rows, display);
      OperationParameters params;
      params.destination = (work / "engine").string();
      params.folderLayout = layoutNearestFolder;  // small/ and big/, as cp -r makes them
      auto t = std::chrono::steady_clock::now();
      engine.RunOperation(params, true);
      const double s = secondsSince(t);
      flushTime = secondsSince(display.closing);
      fs::remove_all(work / "engine");
      return s;
    };
    // Alternate which one goes first, so neither always meets the other's write-back.
    double cp = 0, eng = 0, plain = 0;
    if (round % 2 == 0) {
      cp = timeCp();
      eng = timeEngine(true);
      if (variants) plain = timeEngine(false);
    } else {
      if (variants) plain = timeEngine(false);
      eng = timeEngine(true);
      cp = timeCp();
    }
    if (variants)
      std::printf("copy round %d: engine without reserving space %.2f s\n", round + 1, plain);
    std::printf(
        "copy round %d: cp -r + sync %.2f s, engine run %.2f s (of which the final "
        "flush %.2f s), ratio %.3f (%ld progress pumps, %ld bar updates, %ld log "
        "lines)\n",
        round + 1, cp, eng, flushTime, eng / cp, display.pumps, display.bars, display.lines);
    std::fflush(stdout);
    bestCp = std::min(bestCp, cp);
    bestEngine = std::min(bestEngine, eng);
    sumCp += cp;
    sumEngine += eng;
  }
  std::printf("copy: best %.2f s vs %.2f s, ratio %.3f; mean ratio %.3f (target <= 1.15)\n",
              bestEngine, bestCp, bestEngine / bestCp, sumEngine / sumCp);
  fs::remove_all(work / "cp");
  fs::remove_all(work / "engine");
  fs::remove_all(src);
}

void benchPrepare(const fs::path& work) {
  const fs::path src = work / "many";
  const int count = 100000;
  std::printf("prepare: making %d files in 100 folders ...\n", count);
  TkroPlayList list;
  for (int d = 0; d < 100; ++d) fs::create_directories(src / ("Album " + std::to_string(d)));
  for (int i = 0; i < count; ++i) {
    const fs::path f =
        src / ("Album " + std::to_string(i % 100)) / ("0" + std::to_string(i) + " Song.mp3");
    std::ofstream(f).put('x');
    list.Add(f.string(), "", "Artist - Song " + std::to_string(i), 0, 0, FLAG_MARKED);
  }
  const AllTicked rows(list);
  for (int round = 0; round < 3; ++round) {
    fs::remove_all(work / "many-dst");
    NullDisplay display;
    TOperationEngine engine(list, rows, display);
    OperationParameters params;
    params.destination = (work / "many-dst").string();
    params.folderLayout = layoutNearestFolder;
    params.renameEnabled = true;
    params.numberItems = true;
    params.deleteLeadingNumber = true;
    params.limitBytes = 1000000000;
    engine.SetParameters(params, true);
    auto t = std::chrono::steady_clock::now();
    bool ok = engine.aPreparePL(actCopy);
    const double prepare = secondsSince(t);
    ok = ok && engine.aPreAction(actCopy);
    const double preAction = secondsSince(t) - prepare;
    ok = ok && engine.aCheckPL(actCopy);
    const double total = secondsSince(t);
    std::printf(
        "prepare round %d: stages 1-3 over %d entries %.3f s (stage 1 %.3f, stage 2 "
        "%.3f, stage 3 %.3f)%s (target < 2 s)\n",
        round + 1, count, total, prepare, preAction, total - prepare - preAction,
        ok ? "" : " FAILED");
  }
  fs::remove_all(work / "many-dst");
  fs::remove_all(src);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string what = argc > 1 ? argv[1] : "all";
  fs::path work = argc > 2 ? fs::path(argv[2]) : fs::temp_directory_path() / "tavel-bench";
  fs::create_directories(work);
  if (what == "prepare" || what == "all") benchPrepare(work);
  if (what == "copy" || what == "all" || what == "variants") benchCopy(work, what == "variants");
  return 0;
}
