#include "winamp/winamp_import.h"

#include <QFileInfo>
#include <QString>

#include "fs/file_tree.h"
#include "fs/path_text.h"
#include "lang/lang.h"
#include "lang/messages.h"
#include "logs/log.h"
#include "winamp/winamp_window.h"
#include "winamp/wine_registry.h"
#include "worklist/add_files.h"
#include "worklist/m3u.h"
#include "worklist/m3u_import.h"
#include "worklist/playlist.h"

namespace {
bool hasDriveLetter(const std::string& path) {
  if (path.size() < 2 || path[1] != ':') return false;
  const char c = path[0];
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
}  // namespace

std::string WinampPlaylistFile(const std::string& folder) {
  return StripTrailingSeparators(folder, kSepBoth) + "/Winamp.m3u";
}

void ImportWinampM3U(TFileAdder& adder, const std::string& file, const std::string& winePrefix) {
  ImportM3U(adder, file, [&winePrefix](const std::string& path) {
    if (winePrefix.empty() || !hasDriveLetter(path)) return path;
    const std::string mapped = WindowsPathToLinux(winePrefix, path);
    return mapped.empty() ? path : mapped;
  });
}

WinampImportResult ImportWinampPlaylist(const WinampImportTarget& t, bool replace) {
  WinampImportResult result;
  result.active = t.window.FindWindowByClass(kWinampWindowClass);
  if (result.active) {
    t.window.Send(kWmUser, 0, 0);
    // Winamp has written Winamp.m3u when it answers this one; the answer is its current
    // track, counted from 0.
    result.position = t.window.Send(kWmUser, 0, kWinampWritePlaylist);
  }

  const std::string folder = StripTrailingSeparators(t.location, kSepBoth);
  if (folder.empty()) {
    ShowMessageE(451);
    return result;
  }
  const std::string file = WinampPlaylistFile(folder);
  if (!QFileInfo(QString::fromStdString(file)).isFile()) {
    ShowMessageE(452);
    return result;
  }

  int offset = 0;
  if (replace) {
    t.view.SetStatusText(0, LangString(141) + " ...", true);
    if (t.workList) t.workList->ClearEntries();
    t.view.ListClear();
  } else {
    offset = t.rows.RowCount();
  }

  t.adder.resetCounter();
  ImportWinampM3U(t.adder, file, t.winePrefix);
  result.imported = true;
  result.added = t.adder.counter();

  if (result.position >= 0)
    ShowListIndex(t.rows, static_cast<std::int64_t>(result.position) + offset, t.showListItem);

  t.view.ClearStatus();
  t.view.SetStatusText(
      0, LangString(result.active ? 453 : 454) + " " + LangFormat(455, {result.added}), true);
  return result;
}

void ShowListIndex(const IListRows& rows, std::int64_t index,
                   const std::function<void(int)>& show) {
  if (index < 0 || index >= rows.RowCount() || !show) return;
  show(static_cast<int>(index));
}
