#pragma once
// Taking the playlist loaded in Winamp into the work list: Winamp (when it runs) is asked
// to write its playlist into "Winamp.m3u" in its folder and to tell its current track; the
// file is read like any playlist, the list points at that track, and the status bar says
// whether Winamp was running and how many entries came in.
#include <cstdint>
#include <functional>
#include <string>

class IListRows;
class IWinampWindow;
class IWorkListView;
class TFileAdder;
class TkroPlayList;

// What the import works on; every reference must outlive the call.
struct WinampImportTarget {
  IWinampWindow& window;
  // The stored folder ("Settings/WinAmp/Location"), read anew for each import.
  std::string location;
  // The Wine prefix that Windows paths in Winamp's playlist belong to (empty: such paths
  // are taken as written).
  std::string winePrefix;
  TkroPlayList* workList;  // may be null: nothing is removed then
  IWorkListView& view;
  const IListRows& rows;
  TFileAdder& adder;
  // Brings a row into view as the only selected, focused row.
  std::function<void(int row)> showListItem;
};

struct WinampImportResult {
  bool active = false;         // Winamp's window was found
  std::int32_t position = -1;  // Winamp's current track, -1 when not known
  bool imported = false;       // the playlist file was read (false after error box 451 or 452)
  int added = 0;               // entries added
};

// The playlist file of a Winamp folder: trailing separators removed, then "/Winamp.m3u".
std::string WinampPlaylistFile(const std::string& folder);

// Reads Winamp's playlist file into the list (error boxes as for any playlist). A path
// line with a drive letter names a file inside the Wine prefix and is turned into this
// system's path; other lines are resolved as in any playlist.
void ImportWinampM3U(TFileAdder& adder, const std::string& file, const std::string& winePrefix);

// The import; `replace` empties the list first (only after the folder and the file were
// found, so a failed import never loses the list).
WinampImportResult ImportWinampPlaylist(const WinampImportTarget& target, bool replace);

// `show(index)` when index names a row of `rows`; nothing otherwise.
void ShowListIndex(const IListRows& rows, std::int64_t index, const std::function<void(int)>& show);
