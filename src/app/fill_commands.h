#pragma once
// "Отметить, сколько поместится" and its random-order twin: the rows are unticked, then
// ticked as far as the size limit goes, taking the entries in list order or in a shuffled
// one, so that the limit bar ends green and as full as the entries allow. The choice
// itself is FillToLimit's; here it meets the rows, the limit and the status bar.
#include <cstdint>
#include <functional>

class WorkListView;
class WorkListModel;

class FillCommands {
 public:
  struct Widgets {
    WorkListModel* model = nullptr;  // the rows' check boxes
  };
  // The limit in force (bytes; 0 or below: none) and where a random order's seed comes
  // from (by default the system's random source).
  FillCommands(Widgets widgets, WorkListView& view, std::function<std::int64_t()> limit,
               std::function<std::uint64_t()> seed = {});

  // Ticks what fits; randomly: in an order shuffled by a new seed, which the status bar
  // shows. Does nothing while a list change runs; with no limit it says so and leaves the
  // marks alone.
  void TickWhatFits(bool randomly);

 private:
  Widgets w_;
  WorkListView& view_;
  std::function<std::int64_t()> limit_;
  std::function<std::uint64_t()> seed_;
};
