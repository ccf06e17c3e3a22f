// Figures for the work-list view and the adding of files.
//
//   view_bench add [folder] [count]   AddFolder of `count` tagged .mp3 files (default 50,000,
//                                     made under `folder` when missing) through the real view,
//                                     side by side with `find` plus a 128-byte tail read
//                                     of each file in a plain loop
//   view_bench list [count]           ListFullUpdate of `count` entries (default 100,000),
//                                     one check-box toggle, and the process memory
//   view_bench select [count...]      the selection and mark commands over `count` rows
//                                     (default 10,000 and 100,000), each from three blocks
//                                     of rows selected and from every other row selected
//                                     (every third row ticked), timed with the repaint
//                                     that follows; the median and range of 5 rounds
//
// Each case runs in its own process so the memory figure is the list's own. Runs
// offscreen; every timing is the best of three after a warm-up.
#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/worklist_model.h"
#include "app/worklist_view.h"
#include "fs/file_tree.h"
#include "worklist/id3v1.h"
#include "worklist/playlist.h"

namespace fs = std::filesystem;

namespace {

std::string field(const std::string& s, std::size_t n) {
  std::string f = s.substr(0, n);
  f.resize(n, ' ');
  return f;
}

void makeTree(const fs::path& root, int count) {
  const fs::path done = root.string() + ".complete";  // beside the tree, not in it
  if (fs::exists(done)) return;
  std::printf("making %d tagged files under %s ...\n", count, root.c_str());
  std::string body(1024, '\xFF');
  for (int i = 0; i < count; ++i) {
    // 50 artists x 20 albums x 50 tracks, as a collection is laid out.
    const int artist = i / 1000, album = (i / 50) % 20, track = i % 50;
    const fs::path dir =
        root / ("Artist " + std::to_string(artist)) / ("Album " + std::to_string(album));
    if (track == 0) fs::create_directories(dir);
    const std::string tag = "TAG" + field("Track " + std::to_string(track), 30) +
                            field("Artist " + std::to_string(artist), 30) + field("Album", 30) +
                            field("2001", 4) + field("", 30) + std::string(1, '\x11');
    std::ofstream(dir / (std::to_string(track) + " Track.mp3"), std::ios::binary) << body << tag;
  }
  std::ofstream(done) << "ok";
}

long statusKb(const char* key) {
  std::ifstream in("/proc/self/status");
  std::string line;
  const std::string k = key;
  while (std::getline(in, line))
    if (line.rfind(k, 0) == 0) return std::stol(line.substr(k.size()));
  return -1;
}

long rssKb() {
  return statusKb("VmRSS:");
}

struct Window {
  QWidget window;
  WorkListModel* model = new WorkListModel(&window);
  QTreeView* list = new QTreeView(&window);
  QLabel* panels[3];
  QLineEdit* lock = new QLineEdit(&window);
  TkroPlayList workList;
  std::unique_ptr<WorkListView> view;

  Window() {
    auto* v = new QVBoxLayout(&window);
    list->setModel(model);
    list->setUniformRowHeights(true);
    list->setRootIsDecorated(false);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    v->addWidget(list);
    for (auto*& p : panels) v->addWidget(p = new QLabel(&window));
    lock->hide();
    window.resize(1000, 700);
    window.show();
    WorkListView::Widgets w{list, model, {panels[0], panels[1], panels[2]}, &window, lock};
    WorkListView::Sources s;
    s.workList = [this] { return &workList; };
    s.columns = [] {
      return std::optional<std::vector<ListColumnSpec>>(
          std::vector<ListColumnSpec>{{-1, 2, 280}, {-1, 3, 60}, {-1, 4, 50}, {-1, 0, 400}});
    };
    s.mode = [] { return 1; };
    view = std::make_unique<WorkListView>(w, s);
    view->ListReformat(-1);
  }
};

double baselineFindAndTail(const fs::path& root, long& files) {
  QElapsedTimer t;
  t.start();
  const std::string cmd = "find '" + root.string() + "' -type f -name '*.mp3'";
  FILE* p = popen(cmd.c_str(), "r");
  char line[4096];
  char tag[128];
  files = 0;
  while (std::fgets(line, sizeof line, p)) {
    line[std::strcspn(line, "\n")] = 0;
    const int fd = ::open(line, O_RDONLY);
    if (fd < 0) continue;
    const off_t end = ::lseek(fd, 0, SEEK_END);
    if (end >= 128 && ::pread(fd, tag, 128, end - 128) == 128) ++files;
    ::close(fd);
  }
  pclose(p);
  return t.nsecsElapsed() / 1e9;
}

int benchAdd(const fs::path& root, int count) {
  makeTree(root, count);
  double best = 1e9, base = 1e9;
  long entries = 0, files = 0;
  for (int run = 0; run < 4; ++run) {  // the first run warms the cache
    base = std::min(base, run ? baselineFindAndTail(root, files) : 1e9);
    if (!run) baselineFindAndTail(root, files);
    Window w;
    QElapsedTimer t;
    t.start();
    w.view->adder().AddFolder(root.string(), "", false, true, true);
    const double s = t.nsecsElapsed() / 1e9;
    if (run) best = std::min(best, s);
    entries = w.model->rowCountTotal();
  }
  std::printf("AddFolder, %ld tagged .mp3 files in %ld rows: %.3f s\n", files, entries, best);
  std::printf("find + 128-byte tail read of each file:      %.3f s\n", base);
  std::printf("ratio: %.2f\n", best / base);
  return 0;
}

// Where the time of a scan goes: enumeration alone, plus descriptions, plus the store.
int benchParts(const fs::path& root) {
  auto timeIt = [](const char* what, auto&& f) {
    double best = 1e9;
    for (int run = 0; run < 3; ++run) {
      QElapsedTimer t;
      t.start();
      f();
      best = std::min(best, t.nsecsElapsed() / 1e9);
    }
    std::printf("%-44s %.3f s\n", what, best);
  };
  timeIt("EnumerateTree, names only", [&] {
    EnumerateTree(
        root.string(), "*", [](const std::string&, const FindRecord&) {}, false, true, nullptr,
        TreeDetail::Names);
  });
  timeIt("EnumerateTree, with sizes", [&] {
    EnumerateTree(
        root.string(), "*", [](const std::string&, const FindRecord&) {}, false, true, nullptr,
        TreeDetail::Full);
  });
  timeIt("  + ID3v1 descriptions", [&] {
    EnumerateTree(
        root.string(), "*",
        [&](const std::string& rel, const FindRecord&) {
          DescriptionForFile(root.string() + rel, "", true);
        },
        false, true, nullptr, TreeDetail::Full);
  });
  timeIt("  + work list entries", [&] {
    TkroPlayList list;
    EnumerateTree(
        root.string(), "*",
        [&](const std::string& rel, const FindRecord& r) {
          list.Add(root.string() + rel, "", DescriptionForFile(root.string() + rel, "", true),
                   r.size, 0, 0);
        },
        false, true, nullptr, TreeDetail::Full);
  });
  timeIt("  + TFileAdder without a view", [&] {
    TkroPlayList list;
    TFileAdder adder([&] { return &list; }, nullptr);
    adder.AddFolder(root.string(), "", false, true, true);
  });
  return 0;
}

int benchList(int count) {
  std::printf(
      "list: %d entries added to a work list in this process, shown in the real view\n"
      "  (offscreen); memory is this process's resident set (VmRSS) and its peak (VmHWM)\n"
      "  from /proc/self/status, the work list's store included\n",
      count);
  Window w;
  for (int i = 0; i < count; ++i)
    w.workList.Add(
        "/media/music/Artist " + std::to_string(i / 1000) + "/Album/" + std::to_string(i) +
            " Some Track Title.mp3",
        "", "Artist " + std::to_string(i / 1000) + " - Some Track Title " + std::to_string(i),
        4000000 + i, 200 + i % 300, (i % 3) ? 0x10000 : 0);
  const long before = rssKb();
  double best = 1e9;
  for (int run = 0; run < 3; ++run) {
    QElapsedTimer t;
    t.start();
    w.view->ListFullUpdate();
    QApplication::processEvents();
    best = std::min(best, t.nsecsElapsed() / 1e9);
  }
  std::printf("ListFullUpdate of %d entries: %.3f s\n", w.model->rowCountTotal(), best);

  double toggle = 1e9;
  for (int i = 0; i < 20; ++i) {
    const QModelIndex idx = w.model->index(count / 2 + i, 0);
    QElapsedTimer t;
    t.start();
    w.model->setData(idx, (i % 2) ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
    QApplication::processEvents();
    toggle = std::min(toggle, t.nsecsElapsed() / 1e6);
  }
  std::printf("one check-box toggle with %d rows: %.3f ms\n", count, toggle);

  QElapsedTimer t;
  t.start();
  w.view->SelectAll();
  w.view->ListSaveMarks();
  std::printf("select all + ListSaveMarks: %.3f s\n", t.nsecsElapsed() / 1e9);
  std::printf(
      "process memory (RSS) with %d entries shown: %.1f MiB (%.1f MiB before the rows), "
      "peak %.1f MiB\n",
      count, rssKb() / 1024.0, before / 1024.0, statusKb("VmHWM:") / 1024.0);
  return 0;
}

// Every other row selected (the most ranges a selection of `count` rows can have), or a
// few blocks of rows as a user selects them with Shift and Ctrl.
void selectRows(Window& w, int count, bool scattered) {
  QItemSelection sel;
  const int lastColumn = w.model->columnCount() - 1;
  if (scattered) {
    for (int r = 0; r < count; r += 2)
      sel.select(w.model->index(r, 0), w.model->index(r, lastColumn));
  } else {
    for (int block = 0; block < 3; ++block) {
      const int first = count / 4 * (block + 1) - count / 10;
      sel.select(w.model->index(first, 0), w.model->index(first + count / 20, lastColumn));
    }
  }
  w.list->selectionModel()->clearSelection();
  w.list->selectionModel()->select(sel, QItemSelectionModel::Select);
}

void tickEveryThird(Window& w, int count) {
  std::vector<int> rows;
  for (int r = 0; r < count; r += 3) rows.push_back(r);
  w.model->setAllChecked(false);
  w.model->setCheckedRows(rows, true);
}

int benchSelect(int count) {
  Window w;
  auto fill = [&] {
    w.workList.ClearEntries();
    for (int i = 0; i < count; ++i)
      w.workList.Add(
          "/media/music/Album " + std::to_string(i / 20) + "/" + std::to_string(i) + " Track.mp3",
          "", "Artist - Track " + std::to_string(i), 4000000 + i, 200, 0);
    w.view->ListFullUpdate();
    QApplication::processEvents();
  };
  fill();
  struct Command {
    const char* name;
    std::function<void()> run;
  };
  const std::vector<Command> commands = {
      {"invert selection", [&] { w.view->InvertSelection(); }},
      {"select all", [&] { w.view->SelectAll(); }},
      {"clear selection", [&] { w.view->ClearSelection(); }},
      {"select marked", [&] { w.view->SelectMarked(); }},
      {"mark selection", [&] { w.view->MarkSelected(); }},
      {"unmark selection", [&] { w.view->UnmarkSelected(); }},
      {"unmark all", [&] { w.view->UnmarkAll(); }},
      {"remove selection", [&] { w.view->DeleteSelected(); }},
  };
  const int rounds = 5;
  for (const bool scattered : {false, true}) {
    for (const Command& c : commands) {
      std::vector<double> times;
      for (int round = 0; round < rounds; ++round) {
        if (w.model->rowCountTotal() != count) fill();
        selectRows(w, count, scattered);
        tickEveryThird(w, count);
        QApplication::processEvents();
        QElapsedTimer t;
        t.start();
        c.run();
        QApplication::processEvents();
        times.push_back(t.nsecsElapsed() / 1e9);
      }
      std::sort(times.begin(), times.end());
      std::printf("%-17s %6d rows, %s: median %.3f s (range %.3f - %.3f)\n", c.name, count,
                  scattered ? "every other row selected" : "three blocks selected",
                  times[times.size() / 2], times.front(), times.back());
      std::fflush(stdout);
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const std::string what = argc > 1 ? argv[1] : "";
  if (what == "add")
    return benchAdd(argc > 2 ? fs::path(argv[2]) : fs::temp_directory_path() / "tavel-view-bench",
                    argc > 3 ? std::atoi(argv[3]) : 50000);
  if (what == "parts")
    return benchParts(argc > 2 ? fs::path(argv[2])
                               : fs::temp_directory_path() / "tavel-view-bench");
  if (what == "list") return benchList(argc > 2 ? std::atoi(argv[2]) : 100000);
  if (what == "select") {
    std::printf(
        "Selection and mark commands through the real view (offscreen), each timed from a\n"
        "selection of three blocks and from every other row selected (every third row\n"
        "ticked) up to the end of the repaint that follows.\n");
    if (argc <= 2) return benchSelect(10000) | benchSelect(100000);
    int rc = 0;
    for (int i = 2; i < argc; ++i) rc |= benchSelect(std::atoi(argv[i]));
    return rc;
  }
  std::fprintf(stderr,
               "usage: view_bench add [folder] [count] | list [count] | select [count...]\n");
  return 2;
}
