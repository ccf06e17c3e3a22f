#pragma once
// The command numbers of the main window and the table that ties each number to its
// caption and to the pages it shows. The navigation tree, the context menu and the list's
// keys all produce these numbers; the table is scanned from the top.
#include <cstdint>
#include <vector>

// The command numbers; a branch's children share its thousands and hundreds.
enum NavCommandNumber : std::int32_t {
  kCmdWorkList = 1000,      // the work list branch
  kCmdFile = 1800,          // its "File" branch
  kCmdNewList = 1810,       // an empty list
  kCmdOpenPlaylist = 1820,  // a playlist in place of the list
  kCmdSavePlaylist = 1830,  // the list saved as a playlist
  kCmdOpenWinamp = 1840,    // Winamp's playlist in place of the list
  kCmdAdd = 1100,           // the "Add" branch
  kCmdAddFolder = 1110,     // the add-folder page
  kCmdAddFiles = 1120,
  kCmdAddPlaylist = 1130,
  kCmdAddWinamp = 1140,  // Winamp's playlist added to the list
  kCmdDelete = 1200,     // the "Delete" branch
  kCmdDeleteSelected = 1210,
  kCmdClearList = 1400,
  kCmdMore = 1300,  // the "Other" branch
  kCmdRefreshList = 1500,
  kCmdSelection = 1600,  // the "Selection" branch
  kCmdSelectAll = 1610,
  kCmdClearSelection = 1620,
  kCmdInvertSelection = 1630,
  kCmdSelectMarked = 1640,
  kCmdMarks = 1700,  // the "Marks" branch
  kCmdMarkSelected = 1710,
  kCmdUnmarkSelected = 1720,
  kCmdUnmarkAll = 1730,
  kCmdTickWhatFits = 1740,          // ticks in list order what fits the limit
  kCmdTickWhatFitsShuffled = 1750,  // the same in a shuffled order
  kCmdActions = 2000,  // the operation page
  kCmdCopy = 2100,     // the three actions, in the order of rgAction
  kCmdMove = 2200,
  kCmdDeleteFiles = 2300,
  kCmdPreview = 2400,  // the ticked entries' destinations, nothing written
  kCmdPlay = 4100,      // the preview plays the focused row
  kCmdOpenFile = 4200,  // never enabled
  kCmdProgram = 8000,   // the "Program" branch
  kCmdSettings = 8100,
  kCmdExtra = 8700,  // the "Additional" branch
  kCmdLogsFolder = 8740,
  kCmdReadme = 8750,  // the user guide
  kCmdAbout = 8900,
  kCmdExit = 9000,
};

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
