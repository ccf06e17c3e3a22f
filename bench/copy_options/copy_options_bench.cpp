// copy_options_bench verify [work folder] [rounds] [--full]
// copy_options_bench unchanged [work folder] [rounds] [files]
//
// verify:    whole copy runs of the engine into an empty destination on the same disk as
//            the sources, with "Проверять копии" and without, side by side in one process
//            and alternating which goes first. Both start from a flushed disk with the
//            sources' pages dropped from the cache (so both read the sources from the
//            disk), and both stop once their files are on the disk (the run's own flush).
//            Set: 200 x 1 MB + 2 x 100 MB by default; --full: 2,000 x 1 MB + 20 x 100 MB.
//            The figure is the median of the rounds' ratios (verified / plain).
// unchanged: "Пропустить одинаковые" over a destination that already holds every file
//            (10,000 files of 32 KB in 100 folders by default), against
//            `rsync -r --size-only src/ dest/` and `rsync -rt src/ dest/` over the same
//            trees, alternating, with warm caches on every side. The figure is the median
//            of the rounds' ratios (ours / rsync).
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "../engine_doubles.h"
#include "lang/lang.h"
#include "operation/operation_engine.h"

namespace fs = std::filesystem;

namespace {

// Draws nothing, answers Yes, and counts the entries passed over as unchanged and those
// that completed.
class CountingDisplay : public QuietDisplay {
 public:
  long unchanged = 0, completed = 0;
  // Each stage's header and when it was shown.
  std::vector<std::pair<std::string, std::chrono::steady_clock::time_point>> stages;
  void showHeader(const std::string& text) override {
    QuietDisplay::showHeader(text);
    if (!text.empty()) stages.emplace_back(text, std::chrono::steady_clock::now());
  }
  void appendToLastLogLine(const std::string& text) override {
    if (text.find(LangString(418)) != std::string::npos) ++unchanged;
    if (text.find(LangString(349)) != std::string::npos) ++completed;
  }
};

int run(const std::string& command) {
  const int rc = std::system(command.c_str());
  if (rc != 0) std::fprintf(stderr, "command failed (%d): %s\n", rc, command.c_str());
  return rc;
}

// The sources' pages leave the cache, so a run reads them from the disk.
void dropFromCache(TkroPlayList& list) {
  for (int i = 0; i < list.EntryCount(); ++i) {
    list.SelectIndex(i);
    const int fd = ::open(list.Cursor->GetOrigin().c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) continue;
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    ::close(fd);
  }
}

struct Run {
  double seconds = 0;
  long unchanged = 0, completed = 0;
  std::string stageTimes;  // seconds from each stage's header to the next
};

Run runEngine(TkroPlayList& list, const OperationParameters& params) {
  const AllTicked rows(list);
  CountingDisplay d;
  TOperationEngine engine(list, rows, d);
  const auto t = std::chrono::steady_clock::now();
  engine.RunOperation(params, true);
  Run r{secondsSince(t), d.unchanged, d.completed, std::string()};
  const auto end = std::chrono::steady_clock::now();
  char buf[32];
  for (std::size_t i = 0; i < d.stages.size(); ++i) {
    const auto next = i + 1 < d.stages.size() ? d.stages[i + 1].second : end;
    std::snprintf(buf, sizeof buf, "%.3f",
                  std::chrono::duration<double>(next - d.stages[i].second).count());
    r.stageTimes += (i ? ", " : "") + std::string(buf);
  }
  return r;
}

void benchVerify(const fs::path& work, int rounds, bool full) {
  const int small = full ? 2000 : 200, big = full ? 20 : 2;
  const fs::path src = work / "src-verify";
  std::printf("making %d x 1 MB + %d x 100 MB under %s ...\n", small, big, src.c_str());
  std::fflush(stdout);
  TkroPlayList list;
  std::mt19937_64 rng(7);
  char name[32];
  std::int64_t bytes = 0;
  auto add = [&](const fs::path& p, std::size_t size) {
    fs::create_directories(p.parent_path());
    writeRandomFile(p, size, rng);
    list.Add(p.string(), "", "", 0, 0, FLAG_MARKED);
    bytes += static_cast<std::int64_t>(size);
  };
  for (int i = 0; i < small; ++i) {
    std::snprintf(name, sizeof name, "track%04d.mp3", i);
    add(src / "small" / name, 1000000);
  }
  for (int i = 0; i < big; ++i) {
    std::snprintf(name, sizeof name, "album%02d.flac", i);
    add(src / "big" / name, 100000000);
  }
  run("sync");

  const fs::path dest = work / "dest-verify";
  auto side = [&](bool verify) {
    fs::remove_all(dest);
    run("sync");
    dropFromCache(list);
    OperationParameters params;
    params.action = actCopy;
    params.destination = dest.string();
    params.folderLayout = layoutNearestFolder;
    params.verifyCopies = verify;
    const Run r = runEngine(list, params);
    if (r.completed != list.EntryCount())
      std::fprintf(stderr, "only %ld of %d files copied\n", r.completed, list.EntryCount());
    return r.seconds;
  };
  std::vector<double> ratios, plainTimes, verifiedTimes;
  for (int round = 0; round < rounds; ++round) {
    double plain = 0, verified = 0;
    if (round % 2 == 0) {
      plain = side(false);
      verified = side(true);
    } else {
      verified = side(true);
      plain = side(false);
    }
    std::printf("  round %d: copy %.2f s (%.0f MB/s), copy + verify %.2f s, ratio %.3f\n",
                round + 1, plain, static_cast<double>(bytes) / 1e6 / plain, verified,
                verified / plain);
    std::fflush(stdout);
    ratios.push_back(verified / plain);
    plainTimes.push_back(plain);
    verifiedTimes.push_back(verified);
  }
  const auto [lo, hi] = std::minmax_element(ratios.begin(), ratios.end());
  std::printf(
      "%d x 1 MB + %d x 100 MB (%.2f GB): copy + verify / copy alone: median ratio %.3f "
      "(range %.3f - %.3f over %d rounds); median times %.2f s against %.2f s (target <= "
      "2.2)\n",
      small, big, static_cast<double>(bytes) / 1e9, MedianOf(ratios), *lo, *hi, rounds,
      MedianOf(verifiedTimes), MedianOf(plainTimes));
  fs::remove_all(dest);
  fs::remove_all(src);
}

void benchUnchanged(const fs::path& work, int rounds, int files) {
  const fs::path src = work / "src-unchanged";
  const fs::path dest = work / "dest-unchanged";
  std::printf("making %d files of 32 KB under %s ...\n", files, src.c_str());
  std::fflush(stdout);
  TkroPlayList list;
  std::mt19937_64 rng(11);
  char folder[32], name[32];
  for (int i = 0; i < files; ++i) {
    std::snprintf(folder, sizeof folder, "album%03d", i / 100);
    std::snprintf(name, sizeof name, "%05d track.mp3", i);
    const fs::path p = src / folder / name;
    fs::create_directories(p.parent_path());
    writeRandomFile(p, 32768, rng);
    list.Add(p.string(), "", "", 0, 0, FLAG_MARKED);
  }
  OperationParameters params;
  params.action = actCopy;
  params.destination = dest.string();
  params.folderLayout = layoutNearestFolder;  // dest/albumNNN/..., as rsync src/ dest/ has it
  params.ifExistsCopy = existsSkipSame;
  fs::remove_all(dest);
  const Run first = runEngine(list, params);
  std::printf("first run copied %ld files in %.2f s\n", first.completed, first.seconds);
  run("sync");

  const std::string trees = "'" + src.string() + "/' '" + dest.string() + "/'";
  auto timeCommand = [&](const std::string& command) {
    const auto t = std::chrono::steady_clock::now();
    run(command);
    return secondsSince(t);
  };
  const std::string sizeOnly = "rsync -r --size-only " + trees;
  const std::string withTimes = "rsync -rt " + trees;
  // Warm every side once; rsync must find nothing to do either.
  run("rsync -rt --dry-run --itemize-changes " + trees + " | head -5");
  runEngine(list, params);
  timeCommand(sizeOnly);

  std::vector<double> bySize, byTime;
  for (int round = 0; round < rounds; ++round) {
    double a = 0, b = 0;
    Run ours;
    if (round % 2 == 0) {
      a = timeCommand(sizeOnly);
      b = timeCommand(withTimes);
      ours = runEngine(list, params);
    } else {
      ours = runEngine(list, params);
      b = timeCommand(withTimes);
      a = timeCommand(sizeOnly);
    }
    if (ours.unchanged != files || ours.completed != 0)
      std::fprintf(stderr, "ours: %ld unchanged, %ld copied of %d\n", ours.unchanged,
                   ours.completed, files);
    std::printf(
        "  round %d: ours %.3f s, rsync -r --size-only %.3f s (ratio %.3f), rsync -rt %.3f s "
        "(ratio %.3f); our stages %s\n",
        round + 1, ours.seconds, a, ours.seconds / a, b, ours.seconds / b, ours.stageTimes.c_str());
    std::fflush(stdout);
    bySize.push_back(ours.seconds / a);
    byTime.push_back(ours.seconds / b);
  }
  std::printf(
      "%d unchanged files: ours / rsync -r --size-only median %.3f, ours / rsync -rt median "
      "%.3f over %d rounds (target <= 1.5)\n",
      files, MedianOf(bySize), MedianOf(byTime), rounds);
  fs::remove_all(dest);
  fs::remove_all(src);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  const bool full = std::find(args.begin(), args.end(), "--full") != args.end();
  args.erase(std::remove(args.begin(), args.end(), "--full"), args.end());
  const std::string what = args.size() > 0 ? args[0] : "verify";
  const fs::path work =
      args.size() > 1 ? fs::path(args[1]) : fs::temp_directory_path() / "tavel-copy-options-bench";
  const int rounds = args.size() > 2 ? std::max(1, std::atoi(args[2].c_str())) : 3;
  fs::create_directories(work);
  if (what == "verify") {
    benchVerify(work, rounds, full);
  } else if (what == "unchanged") {
    benchUnchanged(work, rounds, args.size() > 3 ? std::max(1, std::atoi(args[3].c_str())) : 10000);
  } else {
    std::fprintf(stderr,
                 "usage: copy_options_bench verify|unchanged [work folder] [rounds] [--full]\n");
    return 2;
  }
  return 0;
}
