// dest_names_bench [count] [work folder]
//
// count (default 4,000) entries of one file name copied by the whole five-stage run into
// one empty folder with the "rename" policy, so every file after the first gets a
// numbered name: song (1).mp3 ... song (count-1).mp3. Five runs; each run's time up to
// the closing stage, the closing flush apart (it waits for everything the machine has
// written), and the medians are printed. Then the numbering alone: count names asked of
// MakeUniqueName in a folder that already holds them all, once with the run's numbering state and
// once without (every name searched from (1), as a run without the state would).
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "../engine_doubles.h"
#include "operation/dest_path.h"
#include "operation/operation_engine.h"

namespace fs = std::filesystem;

namespace {}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::atoi(argv[1]) : 4000;
  const fs::path work =
      argc > 2 ? fs::path(argv[2]) : fs::temp_directory_path() / "tavel-dest-names-bench";
  fs::remove_all(work);
  fs::create_directories(work / "src");
  const fs::path song = work / "src/song.mp3";
  std::ofstream(song) << std::string(1024, 's');

  std::vector<double> runs, flushes;
  // Runs 6 to 10 give every entry a name of its own (renamed by its description): the cost
  // of the copies themselves, to set the numbering's share against.
  for (int r = 0; r < 10; ++r) {
    const bool distinct = r >= 5;
    const fs::path dst = work / ("dst" + std::to_string(r));
    TkroPlayList list;
    for (int i = 0; i < count; ++i)
      list.Add(song.string(), "", "song " + std::to_string(i), 1024, 0, FLAG_MARKED);
    AllTicked rows(list);
    QuietDisplay display;
    TOperationEngine engine(list, rows, display);
    OperationParameters params;
    params.destination = dst.string();
    params.ifExistsCopy = existsRename;
    params.renameEnabled = distinct;
    params.renameByDescription = true;
    const auto start = std::chrono::steady_clock::now();
    engine.RunOperation(params, true);
    flushes.push_back(secondsSince(display.closing));
    runs.push_back(secondsSince(start) - flushes.back());
    const auto files = std::distance(fs::directory_iterator(dst), fs::directory_iterator());
    std::printf("run %d: %.3f s to the closing stage, then %.3f s flush; %ld files\n", r + 1,
                runs.back(), flushes.back(), static_cast<long>(files));
    if (r != 4) fs::remove_all(dst);
    ::sync();  // the next run starts without this one's removals still being written
  }
  auto median = [](std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[2];
  };
  const std::vector<double> same(runs.begin(), runs.begin() + 5), own(runs.begin() + 5, runs.end());
  const std::vector<double> sameFlush(flushes.begin(), flushes.begin() + 5);
  std::printf("%d files of one name, stages 1-4, median of 5: %.3f s (flush median %.3f s)\n",
              count, median(same), median(sameFlush));
  std::printf("%d files of %d names, stages 1-4, median of 5: %.3f s\n", count, count, median(own));

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
