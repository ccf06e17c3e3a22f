#pragma once
// Ticking what fits: which entries, taken in list order or in a shuffled order, fill a
// size limit as far as they go. Each entry is taken when it fits in the room still left
// and passed over when it does not, so a large file met early does not stop smaller ones
// after it from filling the rest. The total of the ticked entries never exceeds the limit.
#include <cstdint>
#include <vector>

struct FillResult {
  std::vector<char> ticked;  // one per entry, in list order: 1 for ticked
  int count = 0;             // entries ticked
  std::int64_t total = 0;    // bytes of the ticked entries
};

// sizes: the entries' sizes in bytes, in list order; a negative size (a file found
// missing) is never ticked, a size of 0 always fits. order: the positions in the order
// they are tried (a permutation of 0 .. sizes.size()-1); empty means list order.
// A limit of 0 or below is no limit to fill: nothing is ticked.
FillResult FillToLimit(const std::vector<std::int64_t>& sizes, std::int64_t limit,
                       const std::vector<int>& order = {});

// The positions 0 .. count-1 shuffled by a generator started from `seed`: the same seed
// gives the same order on every machine and every run.
std::vector<int> ShuffledOrder(int count, std::uint64_t seed);
