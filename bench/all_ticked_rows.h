#pragma once
// The rows of a view where every entry is ticked, as the view's model would answer: the
// engine benchmarks run whole operations over every entry of a list without a window.
#include <cstddef>
#include <vector>

#include "worklist/playlist.h"

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
