#pragma once
// Names for the string-table texts the window's code shows by id. The table's slots are
// fixed (the stored English and Russian tables share them), so each name is its slot.
#include <cstdint>

enum TextId : std::int32_t {
  kTextInitializing = 10,           // splash status
  kTextLoadingList = 11,            // splash status
  kTextShowingList = 12,            // splash status
  kTextQuitQuestion = 29,           // the exit question
  kTextAddPlaylistTitle = 107,      // file dialog title
  kTextAddFilesTitle = 108,         // file dialog title
  kTextPlaylistFilter = 109,        // "M3U playlist (*.m3u)|*.m3u|All files ..."
  kTextAllFilesFilter = 110,        // "All files (*.*)|*.*"
  kTextOpenPlaylistTitle = 116,     // file dialog title
  kTextSavePlaylistTitle = 117,     // file dialog title
  kTextLimitOver = 137,             // "over", in the limit comparison
  kTextLimitFree = 138,             // "free", in the limit comparison
  kTextLimitComparison = 139,       // "%1 / %2   %3 %4"
  kTextRefreshingList = 140,        // status while the rows are rebuilt
  kTextClearingList = 141,          // status while the list is emptied
  kTextDone = 143,                  // status after a playlist flow
  kTextImporting = 144,             // "Importing data from "%1""
  kTextWorkingOnList = 145,         // status of the selection and mark commands
  kTextColumnCaptions = 200,        // 200 + column type: the column's caption
  kTextOperation = 230,             // "Operation", the quick-start button's prefix
  kTextChooseDestination = 277,     // the folder picker's title
  kTextLimitSet = 278,              // "The limit has been set to %1"
  kTextReadingSpace = 279,          // status while the volume is asked
  kTextLimitInvalid = 322,          // status: the manual limit does not read
  kTextNoDestination = 323,         // status: no destination folder
  kTextDataFolderUnwritable = 411,  // "... cannot be written to:\n%1\n\nReason: %2 ..."
  kTextReasonFileInPlace = 412,
  kTextReasonNoPermission = 413,
  kTextReasonReadOnly = 414,
  kTextReasonError = 415,       // "error %1"
  kTextNoDataFolder = 416,      // neither TAVEL_HOME nor HOME is set
  kTextCannotOpen = 457,        // "Could not access the file "%1""
  kTextAudioFilesFilter = 467,  // audio files first in the add-files dialog
};
