#pragma once
// Extended M3U playlists as bytes: reading a playlist into the records the work list adds,
// and writing work-list entries out as one. No file-system or work-list knowledge beyond
// reading and writing the playlist file itself; the work list's import and export call
// these.
//
// Read: UTF-8 with an optional byte-order mark; a line that is not valid UTF-8 is taken as
// Windows-1251. Lines end in CR LF, LF or CR. Line 1 must be exactly "#EXTM3U".
// Written: UTF-8 without a byte-order mark, every line ending in CR LF.
#include <string>
#include <string_view>
#include <vector>

// One path line of a playlist, with what its preceding "#EXTINF:" line said.
struct M3uRecord {
  std::string path;   // resolved: absolute, URL or Windows path as written, else joined to
                      // the playlist's folder
  std::string title;  // empty when there was no information line or it had no title
  int length = -1;    // seconds; -1 without an information line or with a bad length
  bool hasExtinf = false;
  int lineNumber = 0;  // line of the path, counted from 1
};

// Something in the playlist that was read leniently; the import goes on.
struct M3uDiagnostic {
  int lineNumber = 0;
  std::string message;  // one line, fit for the program log
};

enum class M3uStatus {
  Ok,          // records hold every entry (possibly none)
  Empty,       // the playlist has no lines at all: nothing to add, nothing to tell
  NotM3u,      // line 1 is not "#EXTM3U": nothing was read
  Unreadable,  // (file reads only) the file could not be opened or read
};

struct M3uParseResult {
  M3uStatus status = M3uStatus::Empty;
  std::vector<M3uRecord> records;
  std::vector<M3uDiagnostic> diagnostics;
  std::string error;  // for Unreadable: the system's reason
};

// The folder part of a playlist file's path, without a trailing '/' ("/" for a file in the
// root, empty for a bare file name).
std::string PlaylistFolder(std::string_view playlistFile);

// Where a path line points. Used unchanged when it starts with '/' or '\', holds "://" or
// starts with a drive letter and ':'. Otherwise it is relative: every '\' becomes '/', it
// is joined to `folder` with '/', and doubled separators are reduced to one ("..", ".",
// and symbolic links are left for the file system to resolve).
std::string ResolvePlaylistPath(std::string_view line, std::string_view folder);

// Reads playlist bytes; relative paths are resolved against `folder`. A path line holding
// a NUL byte is left out with a diagnostic: no file name can hold one.
M3uParseResult ParseM3U(std::string_view bytes, std::string_view folder);

// Reads a playlist file; its folder comes from its own path.
M3uParseResult ReadM3UFile(const std::string& playlistFile);

// Why `path` cannot be written as a path line that reads back as the same path (a line
// break or NUL inside, bytes that are not UTF-8, blanks or control characters at either
// end, a leading '#', a relative path); empty when it can.
std::string M3uPathProblem(std::string_view path);

// The same for a path written relative to the playlist's own folder (a playlist that
// travels with its files): besides the rules above, the path must read back as relative
// (no leading separator, no drive letter and ':', no "://") and hold no backslash, which
// a reader takes for a separator.
std::string M3uRelativePathProblem(std::string_view path);

// An entry to write: the description becomes the title of an "#EXTINF:" line when it is not
// empty; the path is written as it is.
struct M3uExportEntry {
  std::string path;
  std::string description;
  int length = 0;
};

// The whole playlist as bytes. CR and LF inside a description would split its line and turn
// the rest into a path on reading, so each is written as a blank.
std::string FormatM3U(const std::vector<M3uExportEntry>& entries);

// Writes the playlist to a temporary file beside `file` and renames it over `file`, so a
// failed write never destroys the playlist it was to replace. False with the system's
// reason in `error` on failure.
bool WriteM3UFile(const std::string& file, const std::vector<M3uExportEntry>& entries,
                  std::string& error);
