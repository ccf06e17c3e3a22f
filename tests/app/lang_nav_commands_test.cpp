#include <gtest/gtest.h>

#include <set>

#include "app/nav_commands.h"
#include "lang/lang.h"

TEST(NavCommandTable, LookupsFindTheFirstRowAndRejectUnknownNumbers) {
  ASSERT_EQ(NavCommandCount, 41);
  EXPECT_EQ(NavFindRow(1000), 0);
  EXPECT_EQ(NavFindRow(9000), NavCommandCount - 1);
  EXPECT_EQ(NavFindRow(1110), 7);
  EXPECT_EQ(NavFindRow(-1), -1);
  EXPECT_EQ(NavFindRow(0), -1);
  EXPECT_EQ(NavFindRow(1001), -1);
  EXPECT_EQ(NavRow(-1), nullptr);
  EXPECT_EQ(NavRow(NavCommandCount), nullptr);
  ASSERT_NE(NavRow(7), nullptr);
  EXPECT_EQ(NavRow(7)->leftPage, kLeftPageAddFolder);
  // Only the add-folder command shows a left page that is its whole action.
  int handledByPages = 0;
  for (int i = 0; i < NavCommandCount; ++i) {
    const NavCommand& r = NavCommandTable[i];
    if (r.leftPage > 0 && r.leftPage != kLeftPageEmpty) ++handledByPages;
  }
  EXPECT_EQ(handledByPages, 1);
}

TEST(NavCommandTable, EveryRowHasACaptionAndANumberOfItsOwn) {
  std::set<int> numbers;
  for (int i = 0; i < NavCommandCount; ++i) {
    const NavCommand& r = NavCommandTable[i];
    EXPECT_TRUE(numbers.insert(r.command).second) << r.command;
    EXPECT_FALSE(LangString(r.text).empty()) << r.command;
    EXPECT_TRUE(r.leftPage == -1 || r.leftPage == 0 || r.leftPage == 1 || r.leftPage == 3)
        << r.command;
    EXPECT_TRUE(r.centrePage >= -1 && r.centrePage <= 1) << r.command;
  }
  EXPECT_EQ(LangString(NavCommandTable[NavFindRow(1140)].text), "Плейлист Winamp");
  EXPECT_EQ(LangString(NavCommandTable[NavFindRow(2300)].text), "Удалить");
  EXPECT_EQ(NavCommandTable[NavFindRow(2100)].centrePage, kCentrePageAction);
}

TEST(NavCommandTable, TreeHoldsEveryCommandButTheMenuOnesExactlyOnce) {
  std::multiset<int> inTree;
  std::vector<int> stack(NavTreeRoots().rbegin(), NavTreeRoots().rend());
  while (!stack.empty()) {
    const int c = stack.back();
    stack.pop_back();
    inTree.insert(c);
    const auto kids = NavTreeChildren(c);
    stack.insert(stack.end(), kids.rbegin(), kids.rend());
  }
  for (int i = 0; i < NavCommandCount; ++i) {
    const int c = NavCommandTable[i].command;
    EXPECT_EQ(inTree.count(c), (c == 4100 || c == 4200) ? 0u : 1u) << c;
  }
  EXPECT_EQ(inTree.size(), static_cast<std::size_t>(NavCommandCount - 2));
  EXPECT_EQ(NavTreeChildren(1000), (std::vector<std::int32_t>{1800, 1100, 1200, 1600, 1700, 1300}));
  EXPECT_TRUE(NavTreeChildren(1500).empty());
}
