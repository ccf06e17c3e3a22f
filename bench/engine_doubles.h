#pragma once
// Stand-ins the engine benchmarks share: they run whole operations over every entry of a
// list without a window.
#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "operation/progress_display.h"
#include "worklist/playlist.h"

// The rows of a view where every entry is ticked, as the view's model would answer.

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

// Draws nothing and answers Yes; notes when the closing stage began, since what follows is
// the flush of the destination, whose time is the disk's and other writers'.
class QuietDisplay : public SilentProgressDisplay {
 public:
  std::chrono::steady_clock::time_point closing;
  QuietDisplay() : SilentProgressDisplay(true) {}
  void showHeader(const std::string& text) override {
    if (text == "Завершающие операции") closing = std::chrono::steady_clock::now();
  }
};

// Writes a file of `bytes` random bytes (one MiB of random words, reused; its first word
// new for every file, so no two files are alike).
inline void writeRandomFile(const std::filesystem::path& p, std::size_t bytes,
                            std::mt19937_64& rng) {
  static std::vector<std::uint64_t> block(1 << 17);
  static bool filled = false;
  if (!filled) {
    for (auto& w : block) w = rng();
    filled = true;
  }
  block[0] = rng();
  std::ofstream out(p, std::ios::binary);
  for (std::size_t left = bytes; left > 0;) {
    const std::size_t n = std::min(left, block.size() * sizeof(std::uint64_t));
    out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(n));
    left -= n;
  }
}

// The median of the rounds' figures (0 for none).
inline double MedianOf(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n == 0 ? 0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

inline double secondsSince(std::chrono::steady_clock::time_point t) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}
