#pragma once
// How files enter the work list: a folder scan, a list of chosen files, and the single
// routine both end in, AddFile, which builds the entry's description (the file's tags or
// its name) and length, appends the entry and shows its row. Playlist and Winamp imports use
// AddFile too.
//
// The screen is reached only through IWorkListView, so every rule here runs headless.
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class TkroPlayList;

// The mask of the audio formats the program knows, as the add-folder page offers it: file
// patterns separated by ';'.
inline constexpr const char* kAudioFilesMask =
    "*.mp3;*.flac;*.ogg;*.oga;*.opus;*.m4a;*.aac;*.wma;*.wav;*.ape;*.wv;*.mpc";

// Whether the file name matches the mask: one or more patterns of '*' and '?' separated by
// ';' (spaces around each pattern ignored), ASCII letter case ignored. An
// empty mask, or one of nothing but separators, matches every name.
bool MatchesMaskList(std::string_view name, std::string_view mask);

// What the work-list code asks of the list on screen and its status bar. The window's
// list view implements it; tests use a recording fake.
class IWorkListView {
 public:
  virtual ~IWorkListView() = default;
  // The list-work bracket: the status text goes to panel 0 (pending messages run), the
  // main window stops redrawing and list notifications are ignored until the end.
  virtual void BeginListWork(const std::string& text) = 0;
  // Ends the bracket: drawing resumes, the limit bar is recomputed, the status bar is
  // cleared and `text` goes to panel 0.
  virtual void EndListWork(const std::string& text) = 0;
  // The same, leaving the status panels as they are.
  virtual void EndListWorkKeepStatus() = 0;
  virtual void ClearStatus() = 0;
  virtual void SetStatusText(int panel, const std::string& text, bool pump) = 0;
  // Panel 1 = count in decimal, empty for 0.
  virtual void ShowCount(int count, bool pump) = 0;
  // Appends a row for the entry at the end of the list.
  virtual void ListAddItem(int entryNumber) = 0;
  // Removes every row.
  virtual void ListClear() = 0;
};

// Adds files to the work list. One per program run: it keeps the counter of the entries
// added by the current operation and the set-mark choice of the most recent folder scan,
// which single files and playlist entries take as well.
class TFileAdder {
 public:
  // `workList` is asked anew at every call (the list is created during start-up and may
  // be replaced); `view` may be null (nothing is shown then).
  TFileAdder(std::function<TkroPlayList*()> workList, IWorkListView* view);

  // Appends one entry: origin = path, empty destination, description = `description`
  // when not empty, else (only with useId3) the file's tag description, else the file name
  // without its extension. Without extended tags the tag is the ID3v1 "Artist - Title"
  // of *.mp3 files alone; with them the richest tag comes first, and a `length` of 0 is
  // replaced by the length of the audio. Counts the entry, shows the count
  // at most once per change of the millisecond clock, appends the row when `addToView`.
  // The new entry's number, -1 when the work list refused it (still counted).
  int AddFile(const std::string& path, const std::string& description, bool addToView, bool useId3,
              std::int32_t length, std::int64_t size);

  // Scans `folder` (trailing separators removed) for files matching `mask` (empty = all;
  // several patterns separated by ';'), with its subfolders when asked, and adds each
  // with its real size and, with extended tags, its length. Runs inside the
  // list-work bracket and ends with "Завершено" and the count.
  void AddFolder(const std::string& folder, const std::string& mask, bool setMark,
                 bool withSubfolders, bool useId3);

  // Adds the paths in order, each with its size on disk (0 when missing) and the ID3v1
  // description tried whatever the page's option says.
  void AddFiles(const std::vector<std::string>& paths);

  int counter() const { return counter_; }
  void resetCounter() { counter_ = 0; }
  bool setMarkChoice() const { return setMark_; }

  // Whether files are read with every tag format and their lengths (asked at each use);
  // without it, or when never set, only ID3v1 tags are read and lengths stay 0.
  void setExtendedTags(std::function<bool()> on) { extended_ = std::move(on); }
  bool extendedTags() const { return extended_ && extended_(); }

  // Replaces the millisecond clock (tests).
  void setClock(std::function<std::int64_t()> clock) { clock_ = std::move(clock); }

 private:
  std::function<TkroPlayList*()> workList_;
  IWorkListView* view_;
  std::function<std::int64_t()> clock_;
  std::function<bool()> extended_;
  int counter_ = 0;
  bool setMark_ = false;
  std::int64_t lastClock_ = -1;

  // Counts, appends and shows one entry whose description is final.
  int addEntry(const std::string& path, const std::string& descr, bool addToView,
               std::int32_t length, std::int64_t size);
};

// The history rule of the editable drop-downs: `text` (trimmed when asked) moves to the
// top of `items`, found without regard to letter case (the stored spelling wins), and the
// list is cut to `maxCount`. Returns the text the drop-down then shows (item 0), or an
// empty text with `items` untouched when the text is empty.
QString UpdateHistoryItems(QStringList& items, const QString& text, int maxCount, bool trim);
