#include "worklist/add_files.h"

#include <chrono>
#include <optional>

#include "fs/file_tree.h"
#include "fs/path_text.h"
#include "lang/lang.h"
#include "worklist/id3v1.h"
#include "worklist/playlist.h"
#include "worklist/tags.h"
#include "worklist/text_encoding.h"

namespace {
std::int64_t wallClockMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}
}  // namespace

TFileAdder::TFileAdder(std::function<TkroPlayList*()> workList, IWorkListView* view)
    : workList_(std::move(workList)), view_(view), clock_(wallClockMs) {}

int TFileAdder::AddFile(const std::string& path, const std::string& description, bool addToView,
                        bool useId3, std::int32_t length, std::int64_t size) {
  if (!extendedTags())
    return addEntry(path, DescriptionForFile(path, description, useId3), addToView, length, size);
  const bool wantTag = useId3 && RemoveControlChars(description).empty();
  FileFacts facts;
  if (wantTag || length == 0) facts = ReadFileFacts(path, TagReading::Extended);
  const std::string& tagDescr = wantTag ? facts.tagDescription : description;
  return addEntry(path, DescriptionForFile(path, tagDescr, false), addToView,
                  length != 0 ? length : facts.length, size);
}

int TFileAdder::addEntry(const std::string& path, const std::string& descr, bool addToView,
                         std::int32_t length, std::int64_t size) {
  ++counter_;
  // Showing the count and pumping messages for every file would cost more than the scan
  // itself; once per tick of the clock keeps the window alive at a fraction of that.
  const std::int64_t now = clock_();
  if (now != lastClock_) {
    lastClock_ = now;
    if (view_) view_->ShowCount(counter_, true);
  }

  TkroPlayList* list = workList_ ? workList_() : nullptr;
  if (!list) return -1;
  const std::int32_t number =
      list->Add(path, std::string(), descr, size, length, setMark_ ? FLAG_MARKED : 0);
  if (number != -1 && addToView && view_) view_->ListAddItem(number);
  return number;
}

void TFileAdder::AddFolder(const std::string& folder, const std::string& mask, bool setMark,
                           bool withSubfolders, bool useId3) {
  if (view_) view_->BeginListWork(LangFormat(142, {folder}));
  counter_ = 0;
  setMark_ = setMark;
  // The entries read base + "/" + relative path; a folder text of separators only is the
  // file-system root, whose files then read "/name".
  const std::string base = StripTrailingSeparators(folder, kSepBoth);
  const std::string root = base.empty() && !folder.empty() ? std::string("/") : base;
  // An empty folder text names no folder: scanning the working folder instead would add
  // files the user never chose.
  if (!root.empty()) {
    // A mask of several patterns is matched here; the listing then passes every name.
    const bool maskList = mask.find(';') != std::string::npos;
    const std::string listingMask = mask.empty() || maskList ? std::string("*") : mask;
    const TagReading reading = !useId3 && !extendedTags() ? TagReading::None
                               : extendedTags()           ? TagReading::Extended
                                                          : TagReading::Id3v1;
    EnumerateTree(
        root, listingMask,
        [&](const std::string& rel, const FindRecord&) {
          if (maskList && !MatchesMaskList(FileNamePart(rel), mask)) return;
          const std::string path = base + rel;
          // Size, tag and length come from one open of the file, which is what keeps a
          // scan of a large collection close to the cost of listing it.
          const FileFacts f = ReadFileFacts(path, reading);
          const std::string descr = useId3 ? f.tagDescription : std::string();
          addEntry(path, DescriptionForFile(path, descr, false), true, f.length, f.size);
        },
        false, withSubfolders, nullptr, TreeDetail::Names);
  }
  if (view_) {
    view_->EndListWork(LangString(143));
    view_->ShowCount(counter_, true);
  }
}

void TFileAdder::AddFiles(const std::vector<std::string>& paths) {
  for (const std::string& p : paths) AddFile(p, std::string(), true, true, 0, GetFileSize64(p));
}

bool MatchesMaskList(std::string_view name, std::string_view mask) {
  bool anyPattern = false;
  while (true) {
    const std::size_t sep = mask.find(';');
    const std::string_view pattern = TrimSpaces(mask.substr(0, sep));
    if (!pattern.empty()) {
      anyPattern = true;
      if (MatchesMask(name, pattern)) return true;
    }
    if (sep == std::string_view::npos) break;
    mask.remove_prefix(sep + 1);
  }
  return !anyPattern;
}

QString UpdateHistoryItems(QStringList& items, const QString& text, int maxCount, bool trim) {
  const QString t = trim ? text.trimmed() : text;
  if (t.isEmpty()) return QString();
  int found = -1;
  for (int i = 0; i < items.size(); ++i) {
    if (items[i].compare(t, Qt::CaseInsensitive) == 0) {
      found = i;
      break;
    }
  }
  if (found < 0)
    items.insert(0, t);
  else
    items.move(found, 0);
  while (items.size() > std::max(maxCount, 0)) items.removeLast();
  return items.isEmpty() ? QString() : items.first();
}
