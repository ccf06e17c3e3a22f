#include "app/playlist_flows.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>
#include <QTreeView>

#include "app/nav_commands.h"
#include "app/qt_text.h"
#include "app/text_ids.h"
#include "app/worklist_view.h"
#include "lang/lang.h"
#include "worklist/id3v1.h"
#include "worklist/m3u_import.h"

namespace {

// The dialogs open where the user last chose a file in this run, at first in the home
// folder (not in the folder the program happened to be started from).
QString& lastFolder() {
  static QString folder = QDir::homePath();
  return folder;
}

void rememberFolderOf(const QString& file) {
  const QString folder = QFileInfo(file).absolutePath();
  if (!folder.isEmpty()) lastFolder() = folder;
}

// Runs `use` with the given dialogs or Qt's for the view's window.
template <class F>
auto withDialogs(WorkListView& view, IFileDialogs* dialogs, F use) {
  if (dialogs) return use(*dialogs);
  QtFileDialogs qt(view.list() ? view.list()->window() : nullptr);
  return use(qt);
}

void importPlaylist(WorkListView& view, IFileDialogs* dialogs, int titleId, bool replace) {
  const std::vector<std::string> files = withDialogs(view, dialogs, [&](IFileDialogs& d) {
    return d.openFiles(LangString(titleId), LangString(kTextPlaylistFilter), false);
  });
  if (files.empty()) return;
  ImportPlaylistFile(view, files.front(), replace);
}
}  // namespace

void ImportPlaylistFile(WorkListView& view, const std::string& file, bool replace) {
  // The list is replaced only by a playlist that was read and accepted: a refused file
  // leaves it as it was (and an emptied list would be saved at exit).
  const std::optional<M3uParseResult> parsed = ReadM3UForImport(file);
  if (!parsed) return;
  view.BeginListWork(LangFormat(kTextImporting, {file}) + "...");
  if (replace) {
    if (TkroPlayList* list = view.workList()) list->ClearEntries();
    view.ListClear();
  }
  view.adder().resetCounter();
  AddM3URecords(view.adder(), file, *parsed);
  view.EndListWork(std::string());
  view.ShowCount(view.adder().counter(), true);
  view.SetStatusText(0, LangString(kTextDone), true);
}

std::vector<std::string> QtFileFilters(const std::string& tableFilter) {
  const QStringList parts = q(tableFilter).split(QLatin1Char('|'));
  std::vector<std::string> filters;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString description = parts[i].trimmed();
    QStringList patterns;
    for (const QString& p : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
      const QString t = p.trimmed();
      if (t == QLatin1String("*.*") || t == QLatin1String("*")) {
        patterns << QStringLiteral("*");
        continue;
      }
      patterns << t;
      // File names are case-sensitive here, playlists from Windows often are not lower case.
      if (t.toUpper() != t) patterns << t.toUpper();
    }
    const int open = description.lastIndexOf(QLatin1Char('('));
    if (open > 0 && description.endsWith(QLatin1Char(')')))
      description = description.left(open).trimmed();
    filters.push_back(
        (description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + ')').toStdString());
  }
  return filters;
}

std::string WithPlaylistExtension(const std::string& file, int filterIndex) {
  if (filterIndex != 0 || file.empty()) return file;
  const std::string_view name = FileNamePart(file);
  if (name.empty() || NameWithoutExtension(name) != name) return file;
  return file + ".m3u";
}

std::vector<std::string> QtFileDialogs::openFiles(const std::string& title,
                                                  const std::string& filter, bool multiple) {
  QStringList filters;
  for (const std::string& f : QtFileFilters(filter)) filters << q(f);
  const QString joined = filters.join(QStringLiteral(";;"));
  QStringList chosen;
  if (multiple) {
    chosen = QFileDialog::getOpenFileNames(parent_, q(title), lastFolder(), joined);
  } else {
    const QString one = QFileDialog::getOpenFileName(parent_, q(title), lastFolder(), joined);
    if (!one.isEmpty()) chosen << one;
  }
  if (!chosen.isEmpty()) rememberFolderOf(chosen.first());
  std::vector<std::string> result;
  for (const QString& c : chosen) result.push_back(c.toStdString());
  return result;
}

std::optional<IFileDialogs::SaveChoice> QtFileDialogs::saveFile(const std::string& title,
                                                                const std::string& filter) {
  QStringList filters;
  for (const std::string& f : QtFileFilters(filter)) filters << q(f);
  QString selected = filters.value(0);
  const QString file = QFileDialog::getSaveFileName(parent_, q(title), lastFolder(),
                                                    filters.join(QStringLiteral(";;")), &selected,
                                                    QFileDialog::DontConfirmOverwrite);
  if (file.isEmpty()) return std::nullopt;
  rememberFolderOf(file);
  return SaveChoice{file.toStdString(),
                    std::max<int>(0, static_cast<int>(filters.indexOf(selected)))};
}

void CmdAddFiles(WorkListView& view, IFileDialogs* dialogs) {
  if (view.busy()) return;
  const std::vector<std::string> files = withDialogs(view, dialogs, [](IFileDialogs& d) {
    return d.openFiles(LangString(kTextAddFilesTitle),
                       LangString(kTextAudioFilesFilter) + "|" + LangString(kTextAllFilesFilter),
                       true);
  });
  AddFilesToList(view, files);
}

void AddFilesToList(WorkListView& view, const std::vector<std::string>& files) {
  if (files.empty()) return;
  view.adder().resetCounter();
  view.adder().AddFiles(files);
  view.EndListWork(std::string());
  view.ShowCount(view.adder().counter(), true);
  view.SetStatusText(0, LangString(kTextDone), true);
}

void CmdAddPlaylist(WorkListView& view, IFileDialogs* dialogs) {
  if (view.busy()) return;
  importPlaylist(view, dialogs, kTextAddPlaylistTitle, false);
}

void CmdOpenPlaylist(WorkListView& view, IFileDialogs* dialogs) {
  if (view.busy()) return;
  importPlaylist(view, dialogs, kTextOpenPlaylistTitle, true);
}

void CmdSavePlaylist(WorkListView& view, IFileDialogs* dialogs) {
  if (view.busy()) return;
  const auto choice = withDialogs(view, dialogs, [](IFileDialogs& d) {
    return d.saveFile(LangString(kTextSavePlaylistTitle), LangString(kTextPlaylistFilter));
  });
  if (!choice || choice->file.empty()) return;
  TkroPlayList* list = view.workList();
  if (!list) return;
  ExportM3U(*list, &view, WithPlaylistExtension(choice->file, choice->filterIndex), false);
}

bool RunPlaylistCommand(WorkListView& view, IFileDialogs* dialogs, int command) {
  switch (command) {
    case kCmdAddFiles:
      CmdAddFiles(view, dialogs);
      return true;
    case kCmdAddPlaylist:
      CmdAddPlaylist(view, dialogs);
      return true;
    case kCmdOpenPlaylist:
      CmdOpenPlaylist(view, dialogs);
      return true;
    case kCmdSavePlaylist:
      CmdSavePlaylist(view, dialogs);
      return true;
    default:
      return false;
  }
}
