// operation_bench [copy|small|dialog|prepare|shot|all] [work folder] [rounds]
//
// Every copy case times a whole five-stage run of the engine into an empty destination on
// the same file system as the sources, next to `cp -r` + `sync` of the same sources in the
// same process and rounds. Both sides start from a flushed disk (the previous copy removed
// and `sync` run before the clock starts) and both stop only once their files are on the
// disk (`sync` after cp; the run's own flush before its final header). Which side goes
// first alternates from round to round, so neither always meets the other's write-back,
// and each round gives one ratio (ours / cp); the figure is the median of those ratios with
// their range, not a ratio of sums that one slow round would dominate.
//
// copy:    the mixed set (2,000 x 1 MB + 20 x 100 MB), progress shown by a display that
//          draws nothing; also the many-small-files set (20,000 x 100 KB).
// small:   only the many-small-files set with that display.
// variants: copy, with the engine also timed without reserving the files' space first.
// dialog:  through the real progress dialog (offscreen, log panel open): 2,000 x 100 KB,
//          20,000 x 100 KB and the mixed set.
// shot:    one 20,000 x 100 KB run through the dialog; a picture of the dialog half way is
//          saved as progress-dialog.png in the work folder.
// prepare: stages 1 to 3 over 100,000 marked entries whose files exist (destinations
//          computed, origins and destinations looked up).
#include <sys/resource.h>

#include <QApplication>
#include <QListWidget>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "../engine_doubles.h"
#include "app/progress_dialog.h"
#include "fs/sys_calls.h"
#include "lang/lang.h"
#include "lang/message_box.h"
#include "operation/operation_engine.h"

namespace fs = std::filesystem;

namespace {

// Records nothing, answers Yes, counts what a real dialog would have to draw.
class NullDisplay : public SilentProgressDisplay {
 public:
  long pumps = 0, lines = 0, bars = 0;
  // When the closing stage began: what follows is the flush of the destination.
  std::chrono::steady_clock::time_point closing;
  NullDisplay() : SilentProgressDisplay(true) {}
  void showHeader(const std::string& text) override {
    if (text == "Завершающие операции") closing = std::chrono::steady_clock::now();
  }
  void addLogLine(const std::string&, bool) override { ++lines; }
  void setBars(int, int) override { ++bars; }
  void pumpMessages() override { ++pumps; }
};

// The real dialog, closed as soon as its run ends; optionally saves a picture of itself
// once half of the run's bytes are done.
class BenchDialog : public TForm3 {
 public:
  std::string shotPath;
  bool shotTaken = false;
  void showHeader(const std::string& text) override {
    TForm3::showHeader(text);
    if (text == LangString(364) || text == LangString(366))
      QTimer::singleShot(0, this, [this] { done(0); });
  }
  void setBars(int overall, int file) override {
    TForm3::setBars(overall, file);
    TOperationEngine* e = engine();
    if (!shotPath.empty() && !shotTaken && e && e->total() > 0 && 2 * e->done() >= e->total()) {
      shotTaken = true;
      showPending();
      QCoreApplication::processEvents();
      grab().save(QString::fromStdString(shotPath));
    }
  }
};

class YesBox : public IMessageBox {
 public:
  MsgResult show(const MessageRequest&) override { return MsgResult::Yes; }
};

// User plus system processor seconds of this process or of its waited-for children.
double cpuSeconds(int who) {
  rusage u{};
  ::getrusage(who, &u);
  auto s = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return s(u.ru_utime) + s(u.ru_stime);
}

int run(const std::string& command) {
  const int rc = std::system(command.c_str());
  if (rc != 0) std::fprintf(stderr, "command failed (%d): %s\n", rc, command.c_str());
  return rc;
}

// A source tree and the work list of its files.
struct SourceSet {
  std::string name;
  fs::path root;
  TkroPlayList list;
  std::int64_t bytes = 0;
};

void addFile(SourceSet& set, const fs::path& p, std::size_t bytes, std::mt19937_64& rng) {
  fs::create_directories(p.parent_path());
  writeRandomFile(p, bytes, rng);
  set.list.Add(p.string(), "", "", 0, 0, FLAG_MARKED);
  set.bytes += static_cast<std::int64_t>(bytes);
}

// 2,000 x 1 MB in small/ and 20 x 100 MB in big/.
void makeMixed(SourceSet& set, const fs::path& work) {
  set.name = "mixed set (2,000 x 1 MB + 20 x 100 MB)";
  set.root = work / "src-mixed";
  std::printf("making %s under %s ...\n", set.name.c_str(), set.root.c_str());
  std::fflush(stdout);
  std::mt19937_64 rng(7);
  char name[32];
  for (int i = 0; i < 2000; ++i) {
    std::snprintf(name, sizeof name, "track%04d.mp3", i);
    addFile(set, set.root / "small" / name, 1000000, rng);
  }
  for (int i = 0; i < 20; ++i) {
    std::snprintf(name, sizeof name, "album%02d.flac", i);
    addFile(set, set.root / "big" / name, 100000000, rng);
  }
}

// count x 100 KB, 100 to a folder, as albums lie in a collection.
void makeSmall(SourceSet& set, const fs::path& work, int count) {
  set.name = std::to_string(count) + " x 100 KB";
  set.root = work / ("src-small-" + std::to_string(count));
  std::printf("making %s under %s ...\n", set.name.c_str(), set.root.c_str());
  std::fflush(stdout);
  std::mt19937_64 rng(11);
  char folder[32], name[32];
  for (int i = 0; i < count; ++i) {
    std::snprintf(folder, sizeof folder, "album%03d", i / 100);
    std::snprintf(name, sizeof name, "%05d track.mp3", i);
    addFile(set, set.root / folder / name, 100000, rng);
  }
}

enum class Display { Null, Dialog };

struct Figures {
  std::vector<double> ratios, cp, ours;
};

// Alternating rounds of cp -r + sync and our run over one set.
Figures compare(SourceSet& set, const fs::path& work, Display display, int rounds,
                bool variants = false, const std::string& shotPath = std::string()) {
  const AllTicked rows(set.list);
  const fs::path cpDest = work / "cp";
  const fs::path ourDest = work / "ours";
  run("sync");
  const char* side = display == Display::Dialog ? "dialog" : "no-draw";

  double cpCpu = 0, ourCpu = 0;
  auto timeCp = [&] {
    fs::remove_all(cpDest);
    run("sync");
    const double cpu = cpuSeconds(RUSAGE_CHILDREN);
    auto t = std::chrono::steady_clock::now();
    run("cp -r '" + set.root.string() + "' '" + cpDest.string() + "' && sync");
    const double s = secondsSince(t);
    cpCpu = cpuSeconds(RUSAGE_CHILDREN) - cpu;
    fs::remove_all(cpDest);
    return s;
  };
  double flushTime = 0;
  long pumps = 0, lines = 0;
  auto timeOurs = [&](bool reserve) {
    // Without reserving: the copies' space is not claimed before the data is written.
    FsCalls calls = RealFsCalls();
    if (!reserve) calls.fallocate = [](int, off_t, off_t) { return 0; };
    ScopedFsCalls scoped(calls);
    fs::remove_all(ourDest);
    run("sync");
    OperationParameters params;
    params.action = actCopy;
    params.destination = ourDest.string();
    params.folderLayout = layoutNearestFolder;  // the source's own folders, as cp -r makes them
    double s = 0;
    const double cpu = cpuSeconds(RUSAGE_SELF);
    if (display == Display::Null) {
      NullDisplay d;
      TOperationEngine engine(set.list, rows, d);
      auto t = std::chrono::steady_clock::now();
      engine.RunOperation(params, true);
      s = secondsSince(t);
      flushTime = secondsSince(d.closing);
      pumps = d.pumps;
      lines = d.lines;
    } else {
      BenchDialog dialog;
      dialog.shotPath = shotPath;
      dialog.setLogSetting([] { return true; }, [](bool) {});
      auto t = std::chrono::steady_clock::now();
      dialog.RunModal(set.list, rows, params, true);
      s = secondsSince(t);
      lines = dialog.lbLog->count();
    }
    ourCpu = cpuSeconds(RUSAGE_SELF) - cpu;
    fs::remove_all(ourDest);
    return s;
  };

  Figures f;
  for (int round = 0; round < rounds; ++round) {
    double cp = 0, ours = 0, plain = 0;
    if (round % 2 == 0) {
      cp = timeCp();
      ours = timeOurs(true);
      if (variants) plain = timeOurs(false);
    } else {
      if (variants) plain = timeOurs(false);
      ours = timeOurs(true);
      cp = timeCp();
    }
    if (variants)
      std::printf("  round %d: engine without reserving space %.2f s (ratio %.3f)\n", round + 1,
                  plain, plain / cp);
    std::printf(
        "  round %d (%s first): cp -r + sync %.2f s (cpu %.2f s), %s run %.2f s (cpu %.2f s)",
        round + 1, round % 2 == 0 ? "cp" : "ours", cp, cpCpu, side, ours, ourCpu);
    if (display == Display::Null)
      std::printf(" (final flush %.2f s, %ld pumps, %ld log lines)", flushTime, pumps, lines);
    else
      std::printf(" (%ld log lines kept)", lines);
    std::printf(", ratio %.3f\n", ours / cp);
    std::fflush(stdout);
    f.ratios.push_back(ours / cp);
    f.cp.push_back(cp);
    f.ours.push_back(ours);
  }
  const auto [lo, hi] = std::minmax_element(f.ratios.begin(), f.ratios.end());
  std::printf(
      "%s, %s: median ratio %.3f (range %.3f - %.3f over %d rounds); median times: ours "
      "%.2f s, cp -r + sync %.2f s\n",
      set.name.c_str(), side, MedianOf(f.ratios), *lo, *hi, rounds, MedianOf(f.ours),
      MedianOf(f.cp));
  std::fflush(stdout);
  return f;
}

void benchCopy(const fs::path& work, bool variants, bool mixed, int rounds) {
  if (mixed) {
    SourceSet set;
    makeMixed(set, work);
    compare(set, work, Display::Null, rounds, variants);
    std::printf("(target <= 1.15)\n");
    fs::remove_all(set.root);
  }
  SourceSet small;
  makeSmall(small, work, 20000);
  compare(small, work, Display::Null, rounds, variants);
  std::printf("(target <= 1.1)\n");
  fs::remove_all(small.root);
}

void benchDialog(const fs::path& work, int rounds) {
  Figures few, many;
  {
    SourceSet set;
    makeSmall(set, work, 2000);
    few = compare(set, work, Display::Dialog, rounds);
    fs::remove_all(set.root);
  }
  {
    SourceSet set;
    makeSmall(set, work, 20000);
    many = compare(set, work, Display::Dialog, rounds);
    std::printf("(target <= 1.15)\n");
    fs::remove_all(set.root);
  }
  std::vector<double> growth;
  for (std::size_t i = 0; i < few.ours.size() && i < many.ours.size(); ++i)
    growth.push_back(many.ours[i] / few.ours[i]);
  const auto [lo, hi] = std::minmax_element(growth.begin(), growth.end());
  std::printf(
      "20,000 files against 2,000 through the dialog: median %.2f x the time (range %.2f - "
      "%.2f; target <= 11)\n",
      MedianOf(growth), *lo, *hi);
  {
    SourceSet set;
    makeMixed(set, work);
    compare(set, work, Display::Dialog, rounds);
    std::printf("(target <= 1.15)\n");
    fs::remove_all(set.root);
  }
}

void benchShot(const fs::path& work) {
  SourceSet set;
  makeSmall(set, work, 20000);
  const std::string path = (work / "progress-dialog.png").string();
  compare(set, work, Display::Dialog, 1, false, path);
  std::printf("picture of the dialog half way: %s\n", path.c_str());
  fs::remove_all(set.root);
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
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  YesBox box;
  SetMessageBox(&box);
  const std::string what = argc > 1 ? argv[1] : "all";
  const fs::path work = argc > 2 ? fs::path(argv[2]) : fs::temp_directory_path() / "tavel-bench";
  const int rounds = argc > 3 ? std::max(2, std::atoi(argv[3])) : 6;
  fs::create_directories(work);
  std::printf(
      "Each copy case: our whole run against cp -r + sync of the same files, side by side,\n"
      "both from a flushed disk to their files on the disk; the side that goes first\n"
      "alternates by round; figure = median of the per-round ratios (ours / cp), with their\n"
      "range. Work folder %s.\n",
      work.c_str());
  if (what == "prepare" || what == "all") benchPrepare(work);
  if (what == "copy" || what == "variants" || what == "all")
    benchCopy(work, what == "variants", true, rounds);
  if (what == "small") benchCopy(work, false, false, rounds);
  if (what == "dialog" || what == "all") benchDialog(work, rounds);
  if (what == "shot") benchShot(work);
  SetMessageBox(nullptr);
  return 0;
}
