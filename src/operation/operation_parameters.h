#pragma once
// The settings of one copy, move or delete run, one field per control of the operation
// panel. The panel fills the record when the user presses Start; the engine takes a
// snapshot of it for the whole run (the progress dialog is modal, so nothing changes it
// meanwhile).
#include <cstdint>
#include <string>
#include <vector>

// Item indexes of the panel's radio groups; -1 means no item chosen.
constexpr int actCopy = 0;
constexpr int actMove = 1;
constexpr int actDelete = 2;

constexpr int limitAutoFree = 0;
constexpr int limitAutoTotal = 1;
constexpr int limitManual = 2;

constexpr int existsReplace = 0;
constexpr int existsSkip = 1;
constexpr int existsRename = 2;
// Skip a file whose size and modification time match the source's (within the 2 seconds
// FAT keeps), replace any other. Last, so the indexes stored before it read the same.
constexpr int existsSkipSame = 3;

constexpr int layoutAllInRoot = 0;
constexpr int layoutFullPath = 1;
constexpr int layoutNearestFolder = 2;
constexpr int layoutLevels = 3;

constexpr int invalidRemove = 0;
constexpr int invalidSpace = 1;
constexpr int invalidUnderline = 2;

struct OperationParameters {
  int action = actCopy;
  std::string destination;
  int limitMode = limitAutoFree;
  std::string limitText;
  // Bytes; 0 or below means that no limit is checked. Computed by the panel.
  std::int64_t limitBytes = 0;
  bool clearDestination = false;
  int ifExistsCopy = existsRename;
  int ifExistsMove = existsRename;
  bool deleteToRecycleBin = true;
  // Read every copy back from the medium and compare it with the source (copy and move).
  bool verifyCopies = false;
  int folderLayout = layoutAllInRoot;
  std::string folderLevels = "3";
  bool renameEnabled = false;
  bool renameByDescription = true;
  bool deleteLeadingNumber = false;
  bool numberItems = false;
  int invalidCharRule = invalidUnderline;
  // After a copy or move, a playlist of the entries that arrived is written into the
  // destination root under this name (paths relative to the root).
  bool writeDevicePlaylist = false;
  std::string devicePlaylistName = "Tavel.m3u";
};

// The string-table id of the operation's name ("Копирование", ...), 310 + action.
int OperationNameId(int action);
// The destination root: trimmed of spaces, without trailing '/' and '\' and the spaces
// before them. The one computation of the folder a run checks, clears, creates, writes,
// flushes and whose space the limit shows.
std::string DestinationRoot(const std::string& destination);
// The number of folder levels of layout 3, kept within 1 to 6.
int FolderLevelCount(const std::string& folderLevels);

// 0 when the run may start, else the id of the message that says what is missing. The
// checks run in a fixed order and the first failing one answers.
int ValidateOperation(const OperationParameters& params);

// How many texts the destination and manual-limit drop-downs remember (the rule itself
// is the one of every history drop-down, UpdateHistoryItems).
constexpr int historyLimit = 8;
