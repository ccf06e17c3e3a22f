#include "worklist/m3u_import.h"

#include <algorithm>

#include "fs/file_tree.h"
#include "lang/lang.h"
#include "lang/message_box.h"
#include "lang/messages.h"
#include "logs/log.h"
#include "worklist/add_files.h"
#include "worklist/playlist.h"
#include "worklist/text_encoding.h"

std::optional<M3uParseResult> ReadM3UForImport(const std::string& file) {
  M3uParseResult parsed = ReadM3UFile(file);
  switch (parsed.status) {
    case M3uStatus::Unreadable:
      ProgramLogWrite("ImportM3U: " + parsed.error);
      ShowMessageE(LangFormat(457, {file}));
      return std::nullopt;
    case M3uStatus::NotM3u:
      ShowMessageE(LangString(106));
      return std::nullopt;
    case M3uStatus::Empty:
      return std::nullopt;
    case M3uStatus::Ok:
      break;
  }
  return parsed;
}

void AddM3URecords(TFileAdder& adder, const std::string& file, const M3uParseResult& parsed,
                   const M3uPathMapper& mapPath) {
  for (const M3uDiagnostic& d : parsed.diagnostics)
    ProgramLogWrite("ImportM3U: " + file + ", " + d.message);
  for (const M3uRecord& r : parsed.records) {
    const std::string path = mapPath ? mapPath(r.path) : r.path;
    adder.AddFile(path, r.title, true, true, r.length, GetFileSize64(path));
  }
}

void ImportM3U(TFileAdder& adder, const std::string& file, const M3uPathMapper& mapPath) {
  if (const auto parsed = ReadM3UForImport(file)) AddM3URecords(adder, file, *parsed, mapPath);
}

bool ExportM3U(TkroPlayList& list, IWorkListView* view, const std::string& file, bool useDest) {
  if (view) view->SetStatusText(0, LangFormat(149, {file}) + " ...", true);
  std::vector<M3uExportEntry> entries;
  const std::int32_t count = list.EntryCount();
  entries.reserve(static_cast<std::size_t>(std::max(count, 0)));
  int leftOut = 0;
  for (std::int32_t i = 0; i < count; ++i) {
    list.SelectIndex(i);
    TkroPlayItem& item = *list.Cursor;
    std::string path = useDest ? item.GetDest() : item.GetOrigin();
    // Written as it is, such a path would read back as another file or as several entries.
    const std::string problem = M3uPathProblem(path);
    if (!problem.empty()) {
      ++leftOut;
      ProgramLogWrite("ExportM3U: entry " + std::to_string(i + 1) + " left out, " + problem +
                      ": \"" + BytesToUtf8(RemoveControlChars(path)) + "\"");
      continue;
    }
    entries.push_back({std::move(path), item.GetDescr(), item.GetLength()});
  }
  std::string error;
  if (!WriteM3UFile(file, entries, error)) {
    ProgramLogWrite("ExportM3U: " + error);
    ShowMessageE(LangFormat(457, {file}));
    return false;
  }
  if (view) {
    view->SetStatusText(1, std::to_string(entries.size()), true);
    view->SetStatusText(0, LangString(143), true);
  }
  if (leftOut > 0) {
    MessageRequest box;
    box.caption = "Vo Tavel";
    box.text = LangFormat(380, {leftOut});
    box.icon = MsgIcon::Warning;
    ShowBox(box);
  }
  return true;
}
