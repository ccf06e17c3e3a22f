// Figures for ticking what fits under the size limit.
//
//   fill_bench [count]   (default 100,000 entries of 1 to 9 MB, a limit of a third of the
//                        total, every third row ticked before)
//
// Times the choice alone (FillToLimit over the sizes, list and shuffled order) and the
// whole command through the real list view (sizes read from the work list, rows
// unticked and ticked, the bracket's repaint), offscreen. Each figure is the best of
// five after a warm-up.
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/fill_commands.h"
#include "app/worklist_model.h"
#include "app/worklist_view.h"
#include "worklist/fill_limit.h"
#include "worklist/playlist.h"

namespace {

double bestOf(int rounds, const std::function<void()>& work) {
  work();  // warm-up
  double best = 1e9;
  for (int i = 0; i < rounds; ++i) {
    QElapsedTimer t;
    t.start();
    work();
    best = std::min(best, t.nsecsElapsed() / 1e9);
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int count = argc > 1 ? std::atoi(argv[1]) : 100000;

  QWidget window;
  auto* model = new WorkListModel(&window);
  auto* list = new QTreeView(&window);
  auto* lock = new QLineEdit(&window);
  QLabel* panels[3];
  auto* v = new QVBoxLayout(&window);
  list->setModel(model);
  list->setUniformRowHeights(true);
  list->setRootIsDecorated(false);
  v->addWidget(list);
  for (auto*& p : panels) v->addWidget(p = new QLabel(&window));
  lock->hide();
  window.resize(1000, 700);
  window.show();
  TkroPlayList workList;
  std::int64_t total = 0;
  for (int i = 0; i < count; ++i) {
    const std::int64_t size = 1'000'000 + (static_cast<std::int64_t>(i) * 7919 % 8) * 1'000'000;
    total += size;
    workList.Add(
        "/media/music/Artist " + std::to_string(i / 1000) + "/" + std::to_string(i) + " Track.mp3",
        "", "Artist - Track " + std::to_string(i), size, 200, (i % 3) ? 0 : FLAG_MARKED);
  }
  WorkListView::Sources s;
  s.workList = [&] { return &workList; };
  s.columns = [] {
    return std::optional<std::vector<ListColumnSpec>>(
        std::vector<ListColumnSpec>{{-1, 2, 280}, {-1, 3, 60}, {-1, 4, 50}, {-1, 0, 400}});
  };
  s.mode = [] { return 1; };
  WorkListView view({list, model, {panels[0], panels[1], panels[2]}, &window, lock}, s);
  view.ListReformat(-1);
  view.ListFullUpdate();
  QApplication::processEvents();
  const std::int64_t limit = total / 3;

  std::vector<std::int64_t> sizes;
  const double reading = bestOf(5, [&] {
    sizes.clear();
    for (int i = 0; i < count; ++i) {
      workList.SelectIndex(i);
      sizes.push_back(workList.Cursor->GetSize());
    }
  });
  std::printf("Reading %d sizes from the work list: %.4f s\n", count, reading);
  const double inOrder = bestOf(5, [&] { FillToLimit(sizes, limit); });
  std::uint64_t seed = 1;
  const double shuffled =
      bestOf(5, [&] { FillToLimit(sizes, limit, ShuffledOrder(count, seed++)); });
  std::printf("FillToLimit over %d sizes: list order %.4f s, shuffled %.4f s\n", count, inOrder,
              shuffled);

  FillCommands fill({model}, view, [&] { return limit; });
  const double random = bestOf(5, [&] {
    fill.TickWhatFits(true);
    QApplication::processEvents();
  });
  const double command = bestOf(5, [&] {
    fill.TickWhatFits(false);
    QApplication::processEvents();
  });
  std::printf("Tick what fits, %d rows through the view: list order %.4f s, random %.4f s\n", count,
              command, random);
  std::printf("  %s\n", panels[0]->text().toStdString().c_str());
  std::printf("  ticked total %lld of limit %lld bytes\n",
              static_cast<long long>(view.MarkedTotalBytes()), static_cast<long long>(limit));
  return view.MarkedTotalBytes() <= limit ? 0 : 1;
}
