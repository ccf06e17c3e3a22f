#include "app/add_paths.h"

#include <QMimeData>
#include <QUrl>
#include <filesystem>

#include "app/add_folder_page.h"
#include "app/playlist_flows.h"
#include "app/worklist_view.h"

namespace fs = std::filesystem;

HandedPathKind KindOfHandedPath(const std::string& path) {
  std::error_code ec;
  const fs::file_status st = fs::status(path, ec);  // follows links, as a user expects
  if (ec || !fs::exists(st)) return HandedPathKind::Missing;
  if (fs::is_directory(st)) return HandedPathKind::Folder;
  std::string ext = fs::path(path).extension().string();
  for (char& c : ext)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return ext == ".m3u" ? HandedPathKind::Playlist : HandedPathKind::File;
}

std::vector<std::string> AddHandedPaths(WorkListView& view, AddFolderPage& page,
                                        const std::vector<std::string>& paths) {
  std::vector<std::string> missing;
  if (view.busy()) return missing;
  std::vector<std::string> files;
  const auto flushFiles = [&] {
    AddFilesToList(view, files);
    files.clear();
  };
  for (const std::string& path : paths) {
    switch (KindOfHandedPath(path)) {
      case HandedPathKind::Folder:
        flushFiles();
        page.AddFolderWithOptions(QString::fromStdString(path));
        break;
      case HandedPathKind::Playlist:
        flushFiles();
        ImportPlaylistFile(view, path, false);
        break;
      case HandedPathKind::File:
        files.push_back(path);
        break;
      case HandedPathKind::Missing:
        missing.push_back(path);
        break;
    }
  }
  flushFiles();
  return missing;
}

std::vector<std::string> LocalPathsOf(const QMimeData* data) {
  std::vector<std::string> paths;
  if (!data || !data->hasUrls()) return paths;
  for (const QUrl& url : data->urls()) {
    if (!url.isLocalFile()) continue;
    QString p = url.toLocalFile();
    // A folder's URL may end with a separator; the list keeps folders without it.
    while (p.size() > 1 && p.endsWith(QLatin1Char('/'))) p.chop(1);
    if (!p.isEmpty()) paths.push_back(p.toStdString());
  }
  return paths;
}
