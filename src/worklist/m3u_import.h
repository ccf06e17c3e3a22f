#pragma once
// The work list and M3U playlist files: import appends a playlist's entries through
// AddFile (so they get the same descriptions, marks and rows as any added file), export
// writes the whole list in list order.
#include <functional>
#include <optional>
#include <string>

#include "worklist/m3u.h"

class IWorkListView;
class TFileAdder;
class TkroPlayList;

// Appends the playlist's entries. An unreadable file or one whose first line is not
// "#EXTM3U" is reported in an error box and adds nothing; an empty file adds nothing and
// says nothing. Each entry takes the title and length of its "#EXTINF:" line (length -1
// without one, or when the length is not a whole number, which also leaves one line in the
// program log) and its size on disk (0 when the file is missing). Entries are added
// whether or not their file exists. `mapPath`, when given, turns each path as the playlist
// resolves it into the path to add (Winamp's playlist, written by a Winamp running under
// Wine, holds Windows paths).
using M3uPathMapper = std::function<std::string(const std::string&)>;
void ImportM3U(TFileAdder& adder, const std::string& file, const M3uPathMapper& mapPath = {});

// The two halves of ImportM3U, for a caller that must know the playlist is accepted before
// it changes the list (open in place of the list). ReadM3UForImport reads and checks the
// file and tells the user when it is refused; no value then, and for an empty file.
std::optional<M3uParseResult> ReadM3UForImport(const std::string& file);
void AddM3URecords(TFileAdder& adder, const std::string& file, const M3uParseResult& parsed,
                   const M3uPathMapper& mapPath = {});

// Writes every entry of the list: its source path, or its destination path with useDest.
// An entry whose path a playlist cannot hold (M3uPathProblem) is left out with a line in
// the program log, and a box after the export tells how many were left out.
// The status bar shows the export, then the number of entries written and "Завершено". When the
// file cannot be written the user is told, the old file (if any) is left whole and the
// result is false.
bool ExportM3U(TkroPlayList& list, IWorkListView* view, const std::string& file, bool useDest);
