#include "worklist/fill_limit.h"

#include <numeric>
#include <random>

FillResult FillToLimit(const std::vector<std::int64_t>& sizes, std::int64_t limit,
                       const std::vector<int>& order) {
  FillResult r;
  r.ticked.assign(sizes.size(), 0);
  if (limit <= 0) return r;
  std::int64_t room = limit;
  const auto take = [&](std::size_t p) {
    const std::int64_t size = sizes[p];
    if (size < 0 || size > room || r.ticked[p]) return;
    r.ticked[p] = 1;
    room -= size;
    r.total += size;
    ++r.count;
  };
  if (order.empty()) {
    for (std::size_t p = 0; p < sizes.size(); ++p) take(p);
  } else {
    for (int p : order)
      if (p >= 0 && static_cast<std::size_t>(p) < sizes.size()) take(static_cast<std::size_t>(p));
  }
  return r;
}

std::vector<int> ShuffledOrder(int count, std::uint64_t seed) {
  std::vector<int> order(static_cast<std::size_t>(count > 0 ? count : 0));
  std::iota(order.begin(), order.end(), 0);
  // mt19937_64's output is fixed by the standard; the distributions of the library are
  // not, so the index is drawn here (the bias of a 64-bit draw reduced modulo a list
  // length is far below anything a user could notice).
  std::mt19937_64 engine(seed);
  for (std::size_t i = order.size(); i > 1; --i) {
    const std::size_t j = static_cast<std::size_t>(engine() % i);
    std::swap(order[i - 1], order[j]);
  }
  return order;
}
