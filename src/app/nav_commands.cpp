#include "app/nav_commands.h"

#include <map>

// clang-format off
const NavCommand NavCommandTable[] = {
    {1000,  41,  0,  0},
    {1800,  39,  0,  0},
    {1810,  38,  0,  0},
    {1820,  37,  0,  0},
    {1830,  36,  0,  0},
    {1840,  35,  0,  0},
    {1100,  42,  0,  0},
    {1110,  43,  1,  0},
    {1120,  44,  0,  0},
    {1130,  45,  0,  0},
    {1140,  78,  0,  0},
    {1200,  46, -1,  0},
    {1210,  47, -1,  0},
    {1400,  49, -1,  0},
    {1300,  50, -1,  0},
    {1600,  63,  0,  0},
    {1610,  64,  0,  0},
    {1620,  65,  0,  0},
    {1630,  66,  0,  0},
    {1640,  67,  0,  0},
    {1700,  70,  0,  0},
    {1710,  71,  0,  0},
    {1720,  72,  0,  0},
    {1730,  73,  0,  0},
    {1740, 403,  0,  0},
    {1750, 404,  0,  0},
    {1500,  60,  0,  0},
    {2000,  51,  3,  1},
    {2100,  52,  3,  1},
    {2200,  53,  3,  1},
    {2300,  54,  3,  1},
    {2400, 405, -1,  0},
    {4100,  81, -1,  0},
    {4200,  80, -1,  0},
    {8000,  77, -1, -1},
    {8700, 433, -1, -1},
    {8750, 441, -1, -1},
    {8740, 438, -1, -1},
    {8100,  61, -1, -1},
    {8900,  79, -1, -1},
    {9000,  62, -1, -1},
};
// clang-format on

const int NavCommandCount = static_cast<int>(sizeof NavCommandTable / sizeof NavCommandTable[0]);

int NavFindRow(std::int32_t command) {
  for (int i = 0; i < NavCommandCount; ++i)
    if (NavCommandTable[i].command == command) return i;
  return -1;
}

const NavCommand* NavRow(int index) {
  return (index >= 0 && index < NavCommandCount) ? &NavCommandTable[index] : nullptr;
}

const std::vector<std::int32_t>& NavTreeRoots() {
  static const std::vector<std::int32_t> roots{1000, 2000, 8000, 9000};
  return roots;
}

std::vector<std::int32_t> NavTreeChildren(std::int32_t command) {
  // 4100 and 4200 are context-menu commands only and have no node.
  static const std::map<std::int32_t, std::vector<std::int32_t>> children{
      {1000, {1800, 1100, 1200, 1600, 1700, 1300}},
      {1800, {1810, 1820, 1830, 1840}},
      {1100, {1110, 1120, 1130, 1140}},
      {1200, {1210, 1400}},
      {1600, {1610, 1620, 1630, 1640}},
      {1700, {1710, 1720, 1730, 1740, 1750}},
      {1300, {1500}},
      {2000, {2100, 2200, 2300, 2400}},
      {8000, {8700, 8100, 8900}},
      {8700, {8750, 8740}},
  };
  const auto it = children.find(command);
  return it == children.end() ? std::vector<std::int32_t>{} : it->second;
}
