#include "app/fill_commands.h"

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "app/worklist_model.h"
#include "app/worklist_view.h"
#include "lang/lang.h"
#include "lang/messages.h"
#include "worklist/fill_limit.h"
#include "worklist/playlist.h"

namespace {

// 32 bits: a number short enough to read off the status bar and type in again.
std::uint64_t systemSeed() {
  std::random_device device;
  return device();
}

}  // namespace

FillCommands::FillCommands(Widgets widgets, WorkListView& view, std::function<std::int64_t()> limit,
                           std::function<std::uint64_t()> seed)
    : w_(widgets), view_(view), limit_(std::move(limit)), seed_(std::move(seed)) {
  if (!seed_) seed_ = systemSeed;
}

void FillCommands::TickWhatFits(bool randomly) {
  TkroPlayList* list = view_.workList();
  if (view_.busy() || !list || !w_.model) return;
  const std::int64_t limit = limit_ ? limit_() : 0;
  if (limit <= 0) {
    view_.SetStatusText(0, LangString(408), true);
    return;
  }
  view_.BeginListWork(LangString(145) + " ...");
  // Rows stand in list order: row i shows entry i.
  const int n = std::min<int>(view_.RowCount(), list->EntryCount());
  std::vector<std::int64_t> sizes(static_cast<std::size_t>(n), -1);
  for (int r = 0; r < n; ++r)
    if (list->SelectIndex(r)) sizes[static_cast<std::size_t>(r)] = list->Cursor->GetSize();
  const std::uint64_t seed = randomly ? seed_() : 0;
  const FillResult fill =
      FillToLimit(sizes, limit, randomly ? ShuffledOrder(n, seed) : std::vector<int>{});
  std::vector<int> rows;
  rows.reserve(static_cast<std::size_t>(fill.count));
  for (int r = 0; r < n; ++r)
    if (fill.ticked[static_cast<std::size_t>(r)]) rows.push_back(r);
  w_.model->setAllChecked(false);
  w_.model->setCheckedRows(rows, true);
  // Closing the bracket recomputes the limit bar at once.
  view_.EndListWork(
      randomly ? LangFormat(407, {fill.count, SizeToText(fill.total), std::to_string(seed)})
               : LangFormat(406, {fill.count, SizeToText(fill.total)}));
}
