#include "app/nav_commands.h"

#include <map>

// clang-format off
const NavCommand NavCommandTable[] = {
    {kCmdWorkList,  41,  0,  0},
    {kCmdFile,  39,  0,  0},
    {kCmdNewList,  38,  0,  0},
    {kCmdOpenPlaylist,  37,  0,  0},
    {kCmdSavePlaylist,  36,  0,  0},
    {kCmdOpenWinamp,  35,  0,  0},
    {kCmdAdd,  42,  0,  0},
    {kCmdAddFolder,  43,  1,  0},
    {kCmdAddFiles,  44,  0,  0},
    {kCmdAddPlaylist,  45,  0,  0},
    {kCmdAddWinamp,  78,  0,  0},
    {kCmdDelete,  46, -1,  0},
    {kCmdDeleteSelected,  47, -1,  0},
    {kCmdClearList,  49, -1,  0},
    {kCmdMore,  50, -1,  0},
    {kCmdSelection,  63,  0,  0},
    {kCmdSelectAll,  64,  0,  0},
    {kCmdClearSelection,  65,  0,  0},
    {kCmdInvertSelection,  66,  0,  0},
    {kCmdSelectMarked,  67,  0,  0},
    {kCmdMarks,  70,  0,  0},
    {kCmdMarkSelected,  71,  0,  0},
    {kCmdUnmarkSelected,  72,  0,  0},
    {kCmdUnmarkAll,  73,  0,  0},
    {kCmdTickWhatFits, 403,  0,  0},
    {kCmdTickWhatFitsShuffled, 404,  0,  0},
    {kCmdRefreshList,  60,  0,  0},
    {kCmdActions,  51,  3,  1},
    {kCmdCopy,  52,  3,  1},
    {kCmdMove,  53,  3,  1},
    {kCmdDeleteFiles,  54,  3,  1},
    {kCmdPreview, 405, -1,  0},
    {kCmdPlay,  81, -1,  0},
    {kCmdOpenFile,  80, -1,  0},
    {kCmdProgram,  77, -1, -1},
    {kCmdExtra, 433, -1, -1},
    {kCmdReadme, 441, -1, -1},
    {kCmdLogsFolder, 438, -1, -1},
    {kCmdSettings,  61, -1, -1},
    {kCmdAbout,  79, -1, -1},
    {kCmdExit,  62, -1, -1},
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
  static const std::vector<std::int32_t> roots{kCmdWorkList, kCmdActions, kCmdProgram, kCmdExit};
  return roots;
}

std::vector<std::int32_t> NavTreeChildren(std::int32_t command) {
  // The play and open commands are context-menu commands only and have no node.
  static const std::map<std::int32_t, std::vector<std::int32_t>> children{
      {kCmdWorkList, {kCmdFile, kCmdAdd, kCmdDelete, kCmdSelection, kCmdMarks, kCmdMore}},
      {kCmdFile, {kCmdNewList, kCmdOpenPlaylist, kCmdSavePlaylist, kCmdOpenWinamp}},
      {kCmdAdd, {kCmdAddFolder, kCmdAddFiles, kCmdAddPlaylist, kCmdAddWinamp}},
      {kCmdDelete, {kCmdDeleteSelected, kCmdClearList}},
      {kCmdSelection, {kCmdSelectAll, kCmdClearSelection, kCmdInvertSelection, kCmdSelectMarked}},
      {kCmdMarks, {kCmdMarkSelected, kCmdUnmarkSelected, kCmdUnmarkAll, kCmdTickWhatFits, kCmdTickWhatFitsShuffled}},
      {kCmdMore, {kCmdRefreshList}},
      {kCmdActions, {kCmdCopy, kCmdMove, kCmdDeleteFiles, kCmdPreview}},
      {kCmdProgram, {kCmdExtra, kCmdSettings, kCmdAbout}},
      {kCmdExtra, {kCmdReadme, kCmdLogsFolder}},
  };
  const auto it = children.find(command);
  return it == children.end() ? std::vector<std::int32_t>{} : it->second;
}
