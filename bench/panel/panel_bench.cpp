// Figures for the limit bar.
//
//   panel_bench [count]   `count` ticked entries (default 100,000) behind a list view:
//                         one immediate recomputation of the bar (the sum of the ticked
//                         entries' sizes and the segments), and 1,000 delayed requests
//                         (what a burst of ticks costs before the one sum follows)
//
// Runs offscreen; every timing is the best of three.
#include <QApplication>
#include <QElapsedTimer>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>
#include <string>

#include "app/gradient_panel.h"
#include "app/limit_bar.h"
#include "app/worklist_model.h"
#include "app/worklist_view.h"
#include "worklist/playlist.h"

namespace {

template <class F>
double bestOfThree(F&& f) {
  double best = 1e300;
  for (int i = 0; i < 3; ++i) {
    QElapsedTimer t;
    t.start();
    f();
    best = std::min(best, t.nsecsElapsed() / 1e6);
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100000;

  QWidget window;
  auto* layout = new QVBoxLayout(&window);
  auto* model = new WorkListModel(&window);
  auto* list = new QTreeView(&window);
  list->setModel(model);
  layout->addWidget(list);
  std::array<QLabel*, 3> panels{};
  for (auto*& p : panels) layout->addWidget(p = new QLabel(&window));
  auto* lock = new QLineEdit(&window);
  lock->hide();
  auto* track = new QFrame(&window);
  track->setFixedHeight(22);
  layout->addWidget(track);
  auto* used = new GradientPanel(track);
  auto* rest = new GradientPanel(track);
  auto* label = new QLabel(&window);
  auto* timer = new QTimer(&window);
  timer->setInterval(500);

  TkroPlayList workList;
  WorkListView::Sources s;
  s.workList = [&] { return &workList; };
  s.columns = [] {
    return std::optional<std::vector<ListColumnSpec>>(
        std::vector<ListColumnSpec>{{-1, 2, 280}, {-1, 3, 60}, {-1, 4, 50}, {-1, 0, 400}});
  };
  s.mode = [] { return 1; };
  WorkListView view({list, model, {panels[0], panels[1], panels[2]}, &window, lock}, s);
  view.ListReformat(-1);
  for (int i = 0; i < count; ++i)
    workList.Add("/music/" + std::to_string(i) + ".mp3", "", "Song", 3'000'000 + i, 200,
                 FLAG_MARKED);
  view.ListFullUpdate();
  window.resize(900, 600);
  window.show();
  QApplication::processEvents();

  std::int64_t limit = 700'000'000;
  LimitBar::Sources b;
  b.limitBytes = [&] { return limit; };
  b.busy = [&] { return view.busy(); };
  b.action = [] { return 0; };
  b.markedTotal = [&] { return view.MarkedTotalBytes(); };
  LimitBar bar({track, used, rest, label, timer}, b);

  const double immediate = bestOfThree([&] { bar.UpdateLimitBar(true); });
  const double delayed = bestOfThree([&] {
    for (int i = 0; i < 1000; ++i) bar.UpdateLimitBar(false);
  });
  std::printf("ticked entries: %d\n", count);
  std::printf("one immediate recomputation: %.3f ms (%s)\n", immediate,
              label->text().toStdString().c_str());
  std::printf("1,000 delayed requests: %.3f ms (sums so far: %d)\n", delayed, bar.sums());
  return 0;
}
