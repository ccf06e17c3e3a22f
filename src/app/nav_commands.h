#pragma once
// The command numbers of the main window and the table that ties each number to its
// caption and to the pages it shows. The navigation tree, the context menu and the list's
// keys all produce these numbers; the table is scanned from the top.
#include <cstdint>
#include <vector>

struct NavCommand {
  std::int32_t command;
  std::int32_t text;        // string-table id of the caption
  std::int32_t leftPage;    // page of pcEdits: 0 player, 1 add folder, 3 empty; -1 keep
  std::int32_t centrePage;  // page of pcCenter: 0 work list, 1 operation; -1 keep
};

// Page indexes of the two page controls.
constexpr int kLeftPagePlayer = 0;     // tsE1
constexpr int kLeftPageAddFolder = 1;  // tsE2
constexpr int kLeftPageEmpty = 3;      // tsDummy
constexpr int kCentrePageList = 0;     // tsList
constexpr int kCentrePageAction = 1;   // tsAction

extern const NavCommand NavCommandTable[];
extern const int NavCommandCount;

// Index of the first row with this command, or -1.
int NavFindRow(std::int32_t command);
// The row at `index`, or null when index is not a row of the table.
const NavCommand* NavRow(int index);

// Where the commands sit in the navigation tree: the roots in order, and the children of
// a node in order (empty for a leaf or a command that has no node).
const std::vector<std::int32_t>& NavTreeRoots();
std::vector<std::int32_t> NavTreeChildren(std::int32_t command);
