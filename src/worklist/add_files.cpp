#include "worklist/add_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <optional>

#include "fs/file_tree.h"
#include "fs/path_text.h"
#include "lang/lang.h"
#include "worklist/id3v1.h"
#include "worklist/playlist.h"

namespace {
// What a folder scan needs of one file: its size and, when asked, its tag description.
// Both come from one open file (open, fstat, one read of the last 128 bytes), which is
// what keeps a scan of a large collection close to the cost of listing it.
struct ScannedFile {
  std::int64_t size = 0;
  std::string tagDescription;  // empty: no tag, or a tag without artist and title
};

ScannedFile scanFile(const std::string& path, bool readTag) {
  ScannedFile f;
  if (!readTag) {
    struct stat st;
    if (::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) f.size = st.st_size;
    return f;
  }
  // Non-blocking so that a named pipe met in the scan cannot hang it.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    struct stat st;
    if (::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) f.size = st.st_size;
    return f;
  }
  struct stat st;
  if (::fstat(fd, &st) == 0) {
    f.size = S_ISDIR(st.st_mode) ? 0 : st.st_size;
    if (S_ISREG(st.st_mode) && st.st_size >= static_cast<off_t>(kId3v1Size)) {
      char block[kId3v1Size];
      ssize_t got;
      do {
        got = ::pread(fd, block, kId3v1Size, st.st_size - static_cast<off_t>(kId3v1Size));
      } while (got < 0 && errno == EINTR);
      if (got == static_cast<ssize_t>(kId3v1Size)) {
        if (auto tag = ParseId3v1(std::string_view(block, kId3v1Size)))
          f.tagDescription = Id3v1Description(*tag);
      }
    }
  }
  ::close(fd);
  return f;
}

std::int64_t wallClockMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}
}  // namespace

TFileAdder::TFileAdder(std::function<TkroPlayList*()> workList, IWorkListView* view)
    : workList_(std::move(workList)), view_(view), clock_(wallClockMs) {}

int TFileAdder::AddFile(const std::string& path, const std::string& description, bool addToView,
                        bool useId3, std::int32_t length, std::int64_t size) {
  const std::string descr = DescriptionForFile(path, description, useId3);

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
    EnumerateTree(
        root, mask.empty() ? std::string("*") : mask,
        [&](const std::string& rel, const FindRecord&) {
          const std::string path = base + rel;
          const bool readTag = useId3 && IsMp3FileName(FileNamePart(rel));
          const ScannedFile f = scanFile(path, readTag);
          // The tag was read here already; AddFile falls back to the file name.
          AddFile(path, f.tagDescription, true, false, 0, f.size);
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
