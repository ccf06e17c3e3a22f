#pragma once
// The list commands that go through a file dialog: add files (1120), add a playlist
// (1130), open a playlist in place of the list (1820) and save the list as a playlist
// (1830). The dialogs are reached through IFileDialogs so tests can answer them.
#include <optional>
#include <string>
#include <vector>

class QWidget;
class WorkListView;

class IFileDialogs {
 public:
  virtual ~IFileDialogs() = default;
  // The chosen existing files in the dialog's order; empty when the user cancelled.
  // `filter` is a table filter text: description|patterns pairs.
  virtual std::vector<std::string> openFiles(const std::string& title, const std::string& filter,
                                             bool multiple) = 0;
  struct SaveChoice {
    std::string file;
    int filterIndex = 0;  // which pair of the filter was chosen, from 0
  };
  // The file to write; no value when the user cancelled. An existing file is replaced
  // without asking.
  virtual std::optional<SaveChoice> saveFile(const std::string& title,
                                             const std::string& filter) = 0;
};

// Qt's file dialogs, owned by `parent`.
class QtFileDialogs : public IFileDialogs {
 public:
  explicit QtFileDialogs(QWidget* parent) : parent_(parent) {}
  std::vector<std::string> openFiles(const std::string& title, const std::string& filter,
                                     bool multiple) override;
  std::optional<SaveChoice> saveFile(const std::string& title, const std::string& filter) override;

 private:
  QWidget* parent_;
};

// A table filter ("Плейлист m3u (*.m3u)|*.m3u|Все файлы (*.*)|*.*") as Qt filters, one per
// pair: the description with its pattern list replaced by the patterns this platform needs
// ("*.*" is every file, letter case of extensions ignored).
std::vector<std::string> QtFileFilters(const std::string& tableFilter);

// The save dialog's rule: a name without extension gets ".m3u" when the playlist filter
// (index 0) was chosen.
std::string WithPlaylistExtension(const std::string& file, int filterIndex);

// Each command asks through `dialogs`, or through Qt's (owned by the list's window) when
// it is null.
void CmdAddFiles(WorkListView& view, IFileDialogs* dialogs);  // 1120
// What the add-files command does with the files once chosen: each added in order, then
// the count and "done" shown. Used for files given on the command line or dropped too.
void AddFilesToList(WorkListView& view, const std::vector<std::string>& files);
// What the playlist commands do with the file once chosen: a file that is read and
// accepted as a playlist is imported (replacing the list when asked); a refused file is
// reported and leaves the list as it was.
void ImportPlaylistFile(WorkListView& view, const std::string& file, bool replace);
void CmdAddPlaylist(WorkListView& view, IFileDialogs* dialogs);   // 1130
void CmdOpenPlaylist(WorkListView& view, IFileDialogs* dialogs);  // 1820
void CmdSavePlaylist(WorkListView& view, IFileDialogs* dialogs);  // 1830
// Runs one of the four by its number; false for any other number.
bool RunPlaylistCommand(WorkListView& view, IFileDialogs* dialogs, int command);
