#include "worklist/fill_limit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

namespace {

std::vector<char> ticks(std::initializer_list<int> bits) {
  return std::vector<char>(bits.begin(), bits.end());
}

}  // namespace

TEST(FillToLimit, TakesWhatFitsInListOrderAndPassesOverWhatDoesNot) {
  // 60 fits, 50 no longer does, 30 fills the rest exactly; the 10 after it has no room.
  const FillResult r = FillToLimit({60, 50, 30, 10}, 90);
  EXPECT_EQ(r.ticked, ticks({1, 0, 1, 0}));
  EXPECT_EQ(r.count, 2);
  EXPECT_EQ(r.total, 90);

  // An exact fit of everything ticks everything.
  EXPECT_EQ(FillToLimit({10, 20, 30}, 60).ticked, ticks({1, 1, 1}));
  // One byte short leaves out the first that does not fit, and only that one.
  EXPECT_EQ(FillToLimit({10, 20, 30}, 59).ticked, ticks({1, 1, 0}));
  // A large file early does not stop the smaller ones after it.
  EXPECT_EQ(FillToLimit({100, 1, 2}, 50).ticked, ticks({0, 1, 1}));
}

TEST(FillToLimit, EdgesNothingFitsZeroSizesMissingFilesAndNoLimit) {
  const FillResult none = FillToLimit({100, 200}, 50);
  EXPECT_EQ(none.ticked, ticks({0, 0}));
  EXPECT_EQ(none.count, 0);
  EXPECT_EQ(none.total, 0);

  // Empty files take no room and are ticked even once the limit is reached; a file found
  // missing (-1) is never ticked, however much room is left.
  const FillResult zeros = FillToLimit({0, 50, -1, 0, 1}, 50);
  EXPECT_EQ(zeros.ticked, ticks({1, 1, 0, 1, 0}));
  EXPECT_EQ(zeros.count, 3);
  EXPECT_EQ(zeros.total, 50);

  // Limit 0 (unknown) and a negative limit: nothing to fill.
  EXPECT_EQ(FillToLimit({0, 1}, 0).count, 0);
  EXPECT_EQ(FillToLimit({0, 1}, -5).ticked, ticks({0, 0}));
  EXPECT_TRUE(FillToLimit({}, 100).ticked.empty());

  // Sizes beyond 32 bits add up without overflow.
  const std::int64_t big = 3'000'000'000LL;
  const FillResult large = FillToLimit({big, big, big}, 2 * big);
  EXPECT_EQ(large.count, 2);
  EXPECT_EQ(large.total, 2 * big);
}

TEST(FillToLimit, FollowsTheGivenOrderAndIgnoresPositionsOutsideTheList) {
  // Tried last first: 30 and 20 fit, 10 no longer does.
  const FillResult r = FillToLimit({10, 20, 30}, 55, {2, 1, 0, 7, -1, 2});
  EXPECT_EQ(r.ticked, ticks({0, 1, 1}));
  EXPECT_EQ(r.total, 50);
}

TEST(ShuffledOrder, IsAPermutationFixedByItsSeed) {
  const std::vector<int> a = ShuffledOrder(1000, 42);
  std::vector<int> sorted = a;
  std::sort(sorted.begin(), sorted.end());
  std::vector<int> expected(1000);
  std::iota(expected.begin(), expected.end(), 0);
  EXPECT_EQ(sorted, expected);
  EXPECT_NE(a, expected);
  EXPECT_EQ(ShuffledOrder(1000, 42), a);
  EXPECT_NE(ShuffledOrder(1000, 43), a);
  EXPECT_TRUE(ShuffledOrder(0, 1).empty());
  EXPECT_TRUE(ShuffledOrder(-3, 1).empty());
  EXPECT_EQ(ShuffledOrder(1, 9), std::vector<int>{0});
}

TEST(ShuffledOrder, RandomFillStaysWithinTheLimitAndDiffersFromListOrder) {
  std::vector<std::int64_t> sizes;
  for (int i = 0; i < 500; ++i) sizes.push_back(1000 + (i * 7919) % 5000);
  const std::int64_t limit = 400'000;
  const FillResult inOrder = FillToLimit(sizes, limit);
  const FillResult shuffled = FillToLimit(sizes, limit, ShuffledOrder(500, 7));
  EXPECT_LE(shuffled.total, limit);
  EXPECT_GT(shuffled.total, limit - 6000);  // no file is larger than 6000: the rest is full
  EXPECT_NE(shuffled.ticked, inOrder.ticked);
}
