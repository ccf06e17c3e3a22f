#include "operation/operation_engine.h"

#include <sys/stat.h>
#include <sys/statvfs.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <unordered_map>
#include <utility>
#include <vector>

#include "fs/file_ops.h"
#include "fs/file_tree.h"
#include "fs/path_text.h"
#include "fs/sys_calls.h"
#include "lang/lang.h"
#include "lang/messages.h"
#include "logs/log.h"
#include "operation/dest_path.h"
#include "operation/device_playlist.h"
#include "worklist/m3u.h"
#include "worklist/text_encoding.h"

namespace {

const char* const kBullet = "\r\n \xE2\x80\xA2 ";  // CR LF, space, U+2022, space

void logLine(const std::string& text) {
  ProgramLogWrite(text);
}
void logBlank() {
  if (TLog* log = ProgramLog()) log->LogBlank();
}

double localClockDays() {
  using namespace std::chrono;
  const auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
  return static_cast<double>(ms) / 86400000.0;
}

std::string hex8(std::int32_t v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%08X", static_cast<unsigned>(v));
  return buf;
}

// The folder of a destination path: up to its last '/', "/" for a file in the root.
std::string folderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return std::string();
  return slash == 0 ? std::string("/") : path.substr(0, slash);
}

bool isInside(const std::string& path, const std::string& folder) {
  if (folder == "/") return !path.empty() && path[0] == '/';
  return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
         path[folder.size()] == '/';
}

}  // namespace

std::string ConfirmationList(int action, const CheckCounters& c, std::int64_t limitBytes) {
  std::string out;
  auto bullet = [&out](const std::string& line) { out += kBullet + line; };
  bullet(LangFormat(300, {LangString(OperationNameId(action))}));
  if (c.gone > 0) bullet(LangFormat(355, {c.gone}));
  if (c.existing > 0) bullet(LangFormat(356, {c.existing}));
  if (c.tooLarge > 0) bullet(LangFormat(390, {c.tooLarge}));
  bullet(LangFormat(354, {c.marked}));
  if (limitBytes > 0 && c.total > limitBytes)
    bullet(LangFormat(357, {SizeToText(c.total - limitBytes)}));
  return out;
}

bool NeedsConfirmation(int action, const CheckCounters& c, std::int64_t limitBytes) {
  return c.existing > 0 || c.gone > 0 || c.tooLarge > 0 || c.marked - c.existing - c.gone <= 0 ||
         (limitBytes > 0 && c.total > limitBytes) || action == actMove || action == actDelete;
}

std::string DurationToText(double days) {
  long long seconds = std::llround(days * 86400.0);
  if (seconds < 0) seconds = 0;
  seconds %= 86400;
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60,
                seconds % 60);
  return buf;
}

TOperationEngine::TOperationEngine(TkroPlayList& list, const IListRows& rows,
                                   IProgressDisplay& display,
                                   std::function<bool(const std::string&)> onRemovableDrive)
    : list_(list),
      rows_(rows),
      display_(display),
      now_(localClockDays),
      onRemovableDrive_(std::move(onRemovableDrive)) {}

// ---------------------------------------------------------------------------------------
// Dialog side

void TOperationEngine::SetStage(const std::string& text) {
  display_.showHeader(text);
  if (!text.empty()) display_.addLogLine(text, true);
  display_.pumpMessages();
}

void TOperationEngine::AddLogLine(const std::string& text, bool withTime) {
  display_.addLogLine(text, withTime);
}

void TOperationEngine::AppendToLastLogLine(const std::string& text, int indent) {
  display_.appendToLastLogLine(std::string(static_cast<std::size_t>(indent), ' ') + text);
  display_.pumpMessages();
}

void TOperationEngine::setSkip(bool on) {
  flags_.skipCurrent = on;
  cancelCell_.store(on);
}

void TOperationEngine::CancelClicked() {
  if (!flags_.running) return;
  flags_.aborted = true;
  setSkip(true);
  flags_.running = false;
  UpdateDialogControls();
}

void TOperationEngine::SkipClicked() {
  setSkip(true);
  UpdateDialogControls();
}

void TOperationEngine::ResetDisplay() {
  display_.showHeader(std::string());
  display_.setCurrentFile(std::string());
  display_.setBars(0, 0);
  display_.clearLog();
  display_.setFigures(ProgressFigures{});
}

void TOperationEngine::SetParameters(const OperationParameters& params, bool ignoreReadOnly) {
  params_ = params;
  action_ = params.action;
  ignoreReadOnly_ = ignoreReadOnly;
}

// ---------------------------------------------------------------------------------------
// Driver

void TOperationEngine::RunOperation(const OperationParameters& params, bool ignoreReadOnly) {
  const int action = params.action;
  if (action != actCopy && action != actMove && action != actDelete) return;
  SetParameters(params, ignoreReadOnly);
  previousCall_ = 0;
  lastLabelUpdate_ = 0;
  flags_.aborted = false;
  setSkip(false);
  flags_.running = true;
  transferStarted_ = false;
  failures_ = 0;
  arrivals_.clear();
  deviceGone_ = false;
  noSpaceSeen_ = false;
  rootDevice_ = -1;
  display_.showHeader(std::string());
  display_.setCurrentFile(std::string());
  display_.setBars(0, 0);
  UpdateDialogControls();

  // A Cancel pressed while an early stage pumps messages ends the run there: a stage
  // that returns true does not make the run go on again.
  using Stage = bool (TOperationEngine::*)(int);
  for (Stage stage :
       {&TOperationEngine::aPreparePL, &TOperationEngine::aPreAction, &TOperationEngine::aCheckPL,
        &TOperationEngine::aAction, &TOperationEngine::aPostAction}) {
    if (!flags_.running) break;
    const bool goOn = (this->*stage)(action);
    flags_.running = flags_.running && goOn && !flags_.aborted;
  }

  // A run stopped half way may still have written files; they reach the disk before the
  // final header too.
  if (!flags_.running && transferStarted_) flushDestination();

  AddLogLine(std::string(), false);
  if (flags_.running)
    SetStage(failures_ == 0 ? LangString(364) : LangFormat(391, {failures_}));
  else
    SetStage(LangString(366));
  if (deviceGone_) SetStage(LangFormat(399, {LangString(398)}));
  if (flags_.aborted) SetStage(LangString(365));
  // The reasons are in the log; the user should not have to look for it.
  if (failures_ > 0 || deviceGone_) display_.openLogPanel();
  flags_.running = false;
  flags_.aborted = false;
  setSkip(false);
  UpdateDialogControls();
}

// ---------------------------------------------------------------------------------------
// Stage 1: destinations

bool TOperationEngine::aPreparePL(int action) {
  logBlank();
  logLine("aPreparePL()");
  SetStage(LangString(350));
  list_.ClearDestinations();
  list_.ResetRunFlags(0);
  if (action != actDelete) {
    const std::string root = DestinationRoot(params_.destination);
    medium_ = hasForced_ ? forcedMedium_ : ProbeMedium(root);
    logLine("  Medium " + medium_.fsType + (medium_.windowsNames ? ", Windows names" : "") +
            (medium_.ignoresCase ? ", ignores case" : "") +
            (medium_.maxFileSize >= 0 ? ", largest file " + std::to_string(medium_.maxFileSize)
                                      : std::string()));
    NumberingState numbering;
    const int rowCount = rows_.RowCount();
    if (params_.numberItems) {
      long long checked = 0;
      for (int row = 0; row < rowCount; ++row)
        if (rows_.RowChecked(row)) ++checked;
      numbering.width = NumberWidth(checked);
    }
    for (int row = 0; row < rowCount; ++row) {
      if (!rows_.RowChecked(row) || !list_.SelectId(rows_.RowEntryId(row))) continue;
      const std::string origin = list_.Cursor->GetOrigin();
      const std::string dest =
          EntryDestination(root, origin, list_.Cursor->GetDescr(), params_, numbering, &medium_);
      if (dest.empty()) logLine("  Destination outside the root, not used: " + origin);
      list_.Cursor->SetDest(dest);
    }
  }
  logLine("aPreparePL() end");
  return true;
}

// ---------------------------------------------------------------------------------------
// Stage 2: destination folder

std::string TOperationEngine::ClearRefusal(const std::string& root) {
  const std::string target = CanonicalPathText(root);
  if (target == "/") return LangFormat(370, {root});
  if (const char* home = std::getenv("HOME"); home && *home) {
    const std::string homeDir = CanonicalPathText(home);
    if (target == homeDir || isInside(homeDir, target)) return LangFormat(371, {root});
  }
  // Folders are compared by identity, not by path text: the folders clearing would enter,
  // and the mount points it leaves alone (a bind mount shows another folder's identity).
  std::set<std::pair<dev_t, ino_t>> reached;
  auto identity = [](const std::string& path, std::pair<dev_t, ino_t>& id) {
    struct stat st;
    if (ActiveFsCalls().stat(path.c_str(), &st) != 0) return false;
    id = {st.st_dev, st.st_ino};
    return true;
  };
  std::pair<dev_t, ino_t> id;
  if (identity(root, id)) reached.insert(id);
  const ClearableTree tree = CollectClearableTree(root);
  for (const auto* group : {&tree.folders, &tree.mountPoints})
    for (const std::string& folder : *group)
      if (identity(folder, id)) reached.insert(id);
  // Each source as it really lies (a link from elsewhere to a file inside counts as
  // inside), and every folder above it; folders already found outside are not asked again.
  std::unordered_set<std::string> outside;
  const int n = list_.EntryCount();
  for (int i = 0; i < n; ++i) {
    if (!list_.SelectIndex(i) || !(list_.Cursor->GetFlags() & FLAG_MARKED)) continue;
    const std::string origin = list_.Cursor->GetOrigin();
    if (origin.empty() || HoldsNul(origin)) continue;
    std::vector<std::string> climbed;
    for (std::string folder = folderOf(CanonicalPathText(origin)); !folder.empty();
         folder = folder == "/" ? std::string() : folderOf(folder)) {
      if (outside.count(folder)) break;
      if (identity(folder, id) && reached.count(id)) return LangFormat(372, {root, origin});
      climbed.push_back(folder);
    }
    outside.insert(climbed.begin(), climbed.end());
  }
  return std::string();
}

bool TOperationEngine::aPreAction(int action) {
  logBlank();
  logLine("aPreAction()");
  SetStage(LangString(358));
  const std::string root = DestinationRoot(params_.destination);
  root_ = root;
  rootReal_.clear();
  if (dryRun_) return PreviewPreAction(action);
  if (action == actDelete) {
    logLine("aPreAction() end");
    return true;
  }
  logLine("  Check root " + root);
  if (root.empty() || HoldsNul(root)) {
    BugFS("GCF: Blank path " + root);
    return false;
  }
  if (IsFolderAt(root)) {
    logLine("  Clear Dest?");
    if (params_.clearDestination) {
      // A refusal is the user's answer to the question, given for them: the run ends as
      // cancelled, with a box that says which folder and why.
      const std::string refusal = ClearRefusal(root);
      if (!refusal.empty()) {
        logLine("  " + refusal);
        display_.showError(LangString(358), refusal);
        flags_.aborted = true;
        UpdateDialogControls();
        return false;
      }
      if (!display_.askYesNo(LangString(358), LangFormat(359, {root}))) {
        flags_.aborted = true;
        UpdateDialogControls();
        return false;
      }
      AddLogLine(LangFormat(360, {root}), true);
      const std::vector<std::string> mountPoints = DeleteFolderContents(root);
      AppendToLastLogLine(LangString(349), 7);
      for (const std::string& mountPoint : mountPoints)
        AddLogLine(LangFormat(373, {mountPoint}), true);
    }
  } else if (!CreateFolderTree(root).ok()) {
    BugFS(LangFormat(362, {root}));
    return false;
  }
  rootReal_ = CanonicalPathText(root);

  // The device the root is on now; a root found elsewhere later is a stick pulled or
  // unmounted, and the bare folder left behind must not receive the files.
  rootDevice_ = DeviceOf(root);

  std::vector<std::string> folders;
  std::unordered_set<std::string> seen, seenFolded;
  const int n = list_.EntryCount();
  for (int i = 0; i < n; ++i) {
    if (!list_.SelectIndex(i) || !(list_.Cursor->GetFlags() & FLAG_MARKED)) continue;
    // Folder names differ by letter case on Linux file systems, so they are compared
    // exactly there; on a medium that ignores case, "Album" and "album" are one folder.
    std::string folder = folderOf(list_.Cursor->GetDest());
    if (folder.empty() || !seen.insert(folder).second) continue;
    if (!medium_.ignoresCase || seenFolded.insert(FoldCase(folder)).second)
      folders.push_back(std::move(folder));
  }
  for (const std::string& folder : folders) {
    // A folder of the layout that is a link out of the root is not used, nor created in.
    if (!reachedWithoutLink(folder)) {
      AddLogLine(LangFormat(377, {folder}), true);
      continue;
    }
    if (IsFolderAt(folder)) continue;
    AddLogLine(LangFormat(361, {folder}), true);
    if (!CreateFolderTree(folder).ok()) AddLogLine(LangFormat(362, {folder}), true);
  }
  logLine("aPreAction() end");
  return true;
}

std::vector<std::string> TOperationEngine::DeleteFolderContents(const std::string& folder) {
  logLine("  DeleteFolderContents()" + folder);
  const ClearableTree tree = CollectClearableTree(EnsureTrailingChar(folder, '/'));
  for (const std::string& mountPoint : tree.mountPoints)
    logLine("  Mount point left as it is: " + mountPoint);
  // ClearReadOnly and RemoveFile act on a link itself, never on its target.
  for (const std::string& file : tree.files) {
    if (ignoreReadOnly_) ClearReadOnly(file);
    RemoveFile(file);
  }
  // A folder holding a mount point is not empty and stays.
  for (std::size_t i = tree.folders.size(); i-- > 0;) {
    if (ignoreReadOnly_) ClearReadOnly(tree.folders[i]);
    RemoveFolder(tree.folders[i]);
  }
  logLine("  DeleteFolderContents() end");
  return tree.mountPoints;
}

bool TOperationEngine::reachedWithoutLink(const std::string& folder) const {
  // A root the preview found missing will be created empty: no link lies below it.
  if (dryRun_ && previewRootMissing_ && !HoldsNul(folder))
    return folder == root_ || isInside(folder, root_);
  if (rootReal_.empty() || HoldsNul(folder)) return false;
  if (folder != root_ && !isInside(folder, root_)) return false;
  std::string existing = folder;
  struct stat st;
  while (ActiveFsCalls().lstat(existing.c_str(), &st) != 0) {
    if (existing.size() <= root_.size()) return false;
    existing = folderOf(existing);
  }
  char* real = ::realpath(existing.c_str(), nullptr);
  if (!real) return false;
  const std::string realText = real;
  std::free(real);
  return realText == rootReal_ || isInside(realText, rootReal_);
}

std::string TOperationEngine::entryRefusal(const std::string& origin, const std::string& dest) {
  if (HoldsNul(origin) || HoldsNul(dest)) return LangString(375);
  // A folder, a device or a pipe named by a list line is no song: a copy would read
  // forever or fail, a move or a delete would take a whole tree.
  struct stat st;
  if (ActiveFsCalls().stat(origin.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
    return LangString(374);
  if (copyOrMove() && !reachedWithoutLink(folderOf(dest))) return LangString(376);
  return std::string();
}

// ---------------------------------------------------------------------------------------
// Stage 3: check

void TOperationEngine::UpdatePLFilesInfo(bool refreshSizes) {
  logLine("  UpdatePLFilesInfo()");
  const int n = list_.EntryCount();
  originAtCheck_.assign(refreshSizes ? static_cast<std::size_t>(n) : 0, std::nullopt);
  for (int i = 0; i < n; ++i) {
    if (!list_.SelectIndex(i)) continue;
    std::int32_t flags = list_.Cursor->GetFlags();
    if (!(flags & FLAG_MARKED)) continue;
    struct stat st;
    const std::string origin = list_.Cursor->GetOrigin();
    // A path holding a NUL byte names no file at all (the system would see it cut short).
    if (origin.empty() || HoldsNul(origin) || ActiveFsCalls().stat(origin.c_str(), &st) != 0) {
      if (refreshSizes) originAtCheck_[static_cast<std::size_t>(i)].reset();
      flags |= FLAG_GONE;
      list_.Cursor->SetFlags(flags);
      if (refreshSizes) list_.Cursor->SetSize(-1);
      logLine("   ERR on " + std::to_string(i) + "  " + list_.Cursor->GetDescr() + " > " +
              std::to_string(list_.Cursor->GetSize()) + " " + hex8(flags));
    } else if (refreshSizes) {
      list_.Cursor->SetSize(S_ISDIR(st.st_mode) ? 0 : static_cast<std::int64_t>(st.st_size));
      originAtCheck_[static_cast<std::size_t>(i)] = st;
    }
  }
  logLine("  UpdatePLFilesInfo() end");
}

void TOperationEngine::CheckDestFilesExisting() {
  logLine("  CheckDestFilesExisting()");
  const int n = list_.EntryCount();
  const int policy = action_ == actCopy ? params_.ifExistsCopy : params_.ifExistsMove;
  unchangedAtCheck_.assign(static_cast<std::size_t>(n), 0);
  for (int i = 0; i < n; ++i) {
    if (!list_.SelectIndex(i)) continue;
    const std::int32_t flags = list_.Cursor->GetFlags();
    struct stat sd;
    if (!(flags & FLAG_MARKED) || !AnythingAt(list_.Cursor->GetDest(), &sd)) continue;
    list_.Cursor->SetFlags(flags | FLAG_TARGET_EXISTS);
    // The origin was looked up just before, in this same stage.
    const auto& so = originAtCheck_[static_cast<std::size_t>(i)];
    if (policy == existsSkipSame && so && list_.Cursor->GetOrigin() != list_.Cursor->GetDest() &&
        unchangedStats(*so, sd))
      unchangedAtCheck_[static_cast<std::size_t>(i)] = 1;
  }
  logLine("  CheckDestFilesExisting() end");
}

CheckCounters TOperationEngine::CountMarked() {
  CheckCounters c;
  const int n = list_.EntryCount();
  for (int i = 0; i < n; ++i) {
    if (!list_.SelectIndex(i)) continue;
    const std::int32_t flags = list_.Cursor->GetFlags();
    if (!(flags & FLAG_MARKED)) continue;
    ++c.marked;
    if (flags & FLAG_GONE) ++c.gone;
    // A file left as it is because it is unchanged is not replaced: the question about
    // existing files does not count it.
    if ((flags & FLAG_TARGET_EXISTS) && !unchangedAtCheck(i)) ++c.existing;
    c.total += list_.Cursor->GetSize();
    if (copyOrMove() && !(flags & FLAG_GONE) && medium_.maxFileSize >= 0 &&
        list_.Cursor->GetSize() > medium_.maxFileSize)
      ++c.tooLarge;
  }
  return c;
}

bool TOperationEngine::aCheckPL(int action) {
  logBlank();
  logLine("aCheckPL()");
  SetStage(LangString(351));
  bool result = true;
  checkStillHolds_ = false;
  unchangedAtCheck_.clear();
  if (action == actCopy || action == actMove) {
    UpdatePLFilesInfo(true);
    // A destination that will be cleared first holds nothing the run meets.
    if (!previewCleared_) CheckDestFilesExisting();
  } else {
    UpdatePLFilesInfo(false);
  }
  const CheckCounters counters = CountMarked();
  if (counters.marked == 0) {
    if (!dryRun_) display_.showError(LangString(351), LangString(352));
    result = false;
  }
  deleteForGood_.clear();
  std::vector<std::string> onDrive;
  if (result && !dryRun_ && action == actDelete && params_.deleteToRecycleBin)
    onDrive = originsOnRemovableDrive();
  bool asked = false;
  if (result && !onDrive.empty()) {
    asked = true;
    // The trash of a stick lives on the stick: the user who deletes to make room there
    // would get none, so deleting for good is offered for those files.
    const std::string list = ConfirmationList(action, counters, params_.limitBytes) + kBullet +
                             LangFormat(426, {static_cast<int>(onDrive.size())});
    switch (display_.askYesNoCancel(LangString(351), LangFormat(427, {list}))) {
      case IProgressDisplay::Answer::Yes:
        deleteForGood_.insert(onDrive.begin(), onDrive.end());
        logLine("  Deleted for good on a removable drive: " + std::to_string(onDrive.size()));
        break;
      case IProgressDisplay::Answer::No:
        break;
      case IProgressDisplay::Answer::Cancel:
        flags_.aborted = true;
        UpdateDialogControls();
        break;
    }
  } else if (result && !dryRun_ && NeedsConfirmation(action, counters, params_.limitBytes)) {
    asked = true;
    const std::string text =
        LangFormat(353, {ConfirmationList(action, counters, params_.limitBytes)});
    if (!display_.askYesNo(LangString(351), text)) {
      flags_.aborted = true;
      UpdateDialogControls();
    }
  }
  // With no question between, the work stage follows at once and may use what this stage
  // found unchanged; after a question the user may have touched the files meanwhile.
  checkStillHolds_ = result && !dryRun_ && !asked;
  logLine("aCheckPL() end");
  return result && !flags_.aborted;
}

std::vector<std::string> TOperationEngine::originsOnRemovableDrive() {
  std::vector<std::string> found;
  if (!onRemovableDrive_) return found;
  std::unordered_map<std::string, bool> folders;
  const int n = list_.EntryCount();
  for (int i = 0; i < n; ++i) {
    if (!list_.SelectIndex(i)) continue;
    const std::int32_t flags = list_.Cursor->GetFlags();
    if (!(flags & FLAG_MARKED) || (flags & FLAG_GONE)) continue;
    const std::string origin = list_.Cursor->GetOrigin();
    const std::size_t slash = origin.rfind('/');
    const std::string folder = slash == std::string::npos ? origin : origin.substr(0, slash + 1);
    auto it = folders.find(folder);
    if (it == folders.end()) it = folders.emplace(folder, onRemovableDrive_(origin)).first;
    if (it->second) found.push_back(origin);
  }
  return found;
}

// ---------------------------------------------------------------------------------------
// Stage 4: the work

std::int64_t TOperationEngine::SumMarkedWork(int action) {
  std::int64_t sum = 0;
  const int n = list_.EntryCount();
  for (int i = 0; i < n; ++i) {
    if (!list_.SelectIndex(i)) continue;
    const std::int32_t flags = list_.Cursor->GetFlags();
    if (!(flags & FLAG_MARKED) || (flags & FLAG_GONE)) continue;
    sum += action == actDelete ? 1 : list_.Cursor->GetSize();
  }
  return sum;
}

std::string TOperationEngine::resolveCollision(const std::string& origin, const std::string& dest,
                                               int policy, bool& processThis, bool& replace) {
  replace = false;
  if (dest.empty() || origin == dest || !AnythingAt(dest)) return dest;
  // Looked up again now: an earlier entry of this run may have put a file here.
  list_.Cursor->SetFlags(list_.Cursor->GetFlags() | FLAG_TARGET_EXISTS);
  switch (policy) {
    case existsSkip:
      processThis = false;
      return dest;
    case existsRename:
      return MakeUniqueName(dest, &uniqueNames_);
    default:  // also "skip identical" for a file that is not (skipUnchanged came first)
      // Replacing is for files that were there before the run; a file this run wrote
      // (perhaps moved here, with no other copy left) is kept and the newcomer numbered.
      if (written_.contains(dest)) return MakeUniqueName(dest, &uniqueNames_);
      replace = true;
      return dest;
  }
}

bool TOperationEngine::unchangedAtCheck(int index) const {
  const auto i = static_cast<std::size_t>(index);
  return i < unchangedAtCheck_.size() && unchangedAtCheck_[i];
}

bool TOperationEngine::skipUnchanged(int index, const std::string& origin,
                                     const std::string& dest) {
  // The check stage's finding stands for a copy when no question came between and this
  // run has written nothing yet: nothing else of the run changes the files. Once a file
  // was written (it may be this origin or this destination under another spelling), and
  // for a move, which removes origins as it goes, both are looked up again.
  const bool known = checkStillHolds_ && action_ == actCopy && written_.empty();
  if (!(known ? unchangedAtCheck(index) : unchangedCopy(origin, dest))) return false;
  list_.Cursor->SetFlags(list_.Cursor->GetFlags() | FLAG_TARGET_EXISTS);
  processThis_ = false;
  policySkipReason_ = LangString(418);
  return true;
}

bool TOperationEngine::unchangedCopy(const std::string& origin, const std::string& dest) {
  struct stat so, sd;
  if (HoldsNul(origin) || ActiveFsCalls().stat(origin.c_str(), &so) != 0 || !AnythingAt(dest, &sd))
    return false;
  return unchangedStats(so, sd);
}

bool TOperationEngine::unchangedStats(const struct stat& so, const struct stat& sd) {
  // The origin itself (a hard link, or another spelling of its path) is no copy of it.
  if (so.st_dev == sd.st_dev && so.st_ino == sd.st_ino) return false;
  return S_ISREG(so.st_mode) && S_ISREG(sd.st_mode) && so.st_size == sd.st_size &&
         SameModificationTime(so.st_mtim, sd.st_mtim);
}

FileOpResult TOperationEngine::transfer(bool move, const std::string& origin,
                                        const std::string& dest, bool replace) {
  CopyOptions options;
  // The collision was settled just before; a file appearing at the destination meanwhile
  // is not replaced unless replacing was what the policy chose.
  options.replaceExisting = replace;
  options.cancel = &cancelCell_;
  options.verify = params_.verifyCopies;
  // A verified copy counts its read-back as work of the file: twice the bytes go by, and
  // the file's bar and the run's bar move through both halves.
  const std::int64_t passes = options.verify ? 2 : 1;
  options.progress = [this, passes](std::int64_t work, std::int64_t transferred) {
    return OnCopyProgress(work / passes, transferred / passes) ? CopyAnswer::Continue
                                                               : CopyAnswer::Cancel;
  };
  partSweep_.beforeWritingTo(dest);
  const FileOpResult r = move ? MoveFileWithProgress(origin, dest, options)
                              : CopyFileWithProgress(origin, dest, options);
  if (!r.ok() && !r.cancelled()) logLine("  " + r.message);
  return r;
}

bool TOperationEngine::rootGone() const {
  if (rootDevice_ < 0) return false;
  return DeviceOf(root_) != rootDevice_;
}

std::string TOperationEngine::untriedReason(const std::string& origin) {
  if (medium_.maxFileSize >= 0 && currentSize_ > medium_.maxFileSize) return LangString(395);
  if (noSpaceSeen_) {
    // The medium filled up once: what is larger than the room left is not tried, smaller
    // files still are. A move within the medium needs no room.
    struct statvfs vs;
    if (DeviceOf(origin) != rootDevice_ && ::statvfs(root_.c_str(), &vs) == 0) {
      const std::int64_t room =
          static_cast<std::int64_t>(vs.f_bavail) * static_cast<std::int64_t>(vs.f_frsize);
      if (currentSize_ > room) return LangString(393);
    }
  }
  return std::string();
}

std::string TOperationEngine::failureReason(const FileOpResult& r,
                                            const std::string& origin) const {
  if (r.mismatch) return LangString(420);
  switch (r.error) {
    case ENOSPC:
    case EDQUOT:
      return LangString(393);
    case EFBIG:
      return LangString(395);
    case EILSEQ:
    case EINVAL:
    case ENAMETOOLONG:
      return LangString(394);
    case EACCES:
      return LangString(396);
    default:
      break;
  }
  if (rootGone()) return LangString(398);
  if (!AnythingAt(origin)) return LangString(397);
  // The source is there and the root too: the folder for the file is what is missing
  // (its creation failed, or a file stands where it should be).
  if (r.error == ENOENT || r.error == ENOTDIR) return LangString(401);
  if (r.error != 0) return std::strerror(r.error);
  return r.message;
}

bool TOperationEngine::aAction(int action) {
  logBlank();
  logLine("aAction()");
  setSkip(false);
  flags_.aborted = false;
  SetStage(LangString(OperationNameId(action)));
  int overallBar = 0;
  display_.setBars(0, 0);
  const bool transfers = action == actCopy || action == actMove;
  const int policy =
      action == actCopy ? params_.ifExistsCopy : (action == actMove ? params_.ifExistsMove : 0);
  done_ = 0;
  total_ = SumMarkedWork(action);
  startTime_ = now_();
  lastCall_ = 0;
  written_.reset(medium_.ignoresCase);
  uniqueNames_.last.clear();
  transferStarted_ = transfers;

  const int n = list_.EntryCount();
  for (int i = 0; i < n && flags_.running; ++i) {
    if (!list_.SelectIndex(i)) continue;
    const std::int32_t flags = list_.Cursor->GetFlags();
    if ((flags & FLAG_MARKED) && !(flags & FLAG_GONE)) {
      if (transfers && rootGone()) {
        // Stick pulled or unmounted: the run stops before this entry.
        deviceGone_ = true;
        flags_.running = false;
        UpdateDialogControls();
        break;
      }
      const std::string origin = list_.Cursor->GetOrigin();
      std::string dest = transfers ? list_.Cursor->GetDest() : std::string();
      const int entry = list_.Cursor->Id;
      processThis_ = true;
      policySkipReason_.clear();
      // A skip request ends with its entry; the Skip button is offered again for this one.
      const bool skipWasRequested = flags_.skipCurrent;
      setSkip(false);
      if (skipWasRequested) UpdateDialogControls();
      currentSize_ = transfers ? list_.Cursor->GetSize() : 1;
      current_ = 0;
      // An unchanged file is passed over before the checks a write needs: nothing is
      // written. Its two lookups also tell that it is not the origin itself.
      const bool unchanged = transfers && policy == existsSkipSame && !origin.empty() &&
                             !dest.empty() && origin != dest && skipUnchanged(i, origin, dest);
      // The same file under two spellings is as unusable as the same text.
      const bool unusable = !unchanged && (origin.empty() || (transfers && dest.empty()) ||
                                           origin == dest || (transfers && SameFile(origin, dest)));
      bool replace = false;
      // Why this entry is passed over, shown as its result.
      std::string refusal = unusable || unchanged ? std::string() : entryRefusal(origin, dest);
      if (transfers && !unusable && !unchanged && refusal.empty()) {
        const std::string untried = untriedReason(origin);
        if (!untried.empty()) {
          refusal = LangFormat(392, {untried});
        } else {
          dest = resolveCollision(origin, dest, policy, processThis_, replace);
          if (dest.empty()) refusal = LangString(378);
        }
      }
      display_.setCurrentFile(transfers ? dest : origin);
      AddLogLine(LangFormat(330 + action, {origin}), true);
      // The name used, where it is not the origin's own.
      if (transfers && !unusable && refusal.empty() && processThis_ &&
          dest.substr(dest.rfind('/') + 1) != PathBaseName(origin) + PathExtension(origin))
        AppendToLastLogLine(LangFormat(400, {dest.substr(dest.rfind('/') + 1)}), 1);
      if (unusable) {
        processThis_ = false;
        AddLogLine(LangString(343), true);
      }
      if (!refusal.empty()) processThis_ = false;
      FileOpResult outcome;
      if (processThis_) {
        if (transfers) {
          outcome = transfer(action == actMove, origin, dest, replace);
          if (outcome.ok()) written_.add(dest);
          if (outcome.error == ENOSPC) noSpaceSeen_ = true;
        } else {
          // Both act on the entry itself: a link's target keeps its attributes.
          if (ignoreReadOnly_) ClearReadOnly(origin);
          const bool toTrash = params_.deleteToRecycleBin && !deleteForGood_.count(origin);
          outcome = toTrash ? DeleteToRecycleBin(origin) : RemoveFile(origin);
        }
      }
      const bool ok = processThis_ && outcome.ok();
      // What is at the destination now: what arrived, and what the if-exists policy found
      // standing there under the entry's name.
      if (transfers && !unusable && refusal.empty() && (ok || !processThis_))
        arrivals_.push_back({entry, dest});
      // The dialog may have run other code meanwhile; the cursor is put back first.
      if (ok && action != actCopy && list_.SelectIndex(i))
        list_.Cursor->SetFlags(list_.Cursor->GetFlags() | FLAG_GONE);
      std::string resultText;
      if (!refusal.empty())
        resultText = refusal;
      else if (!processThis_)
        resultText =
            policySkipReason_.empty() ? LangString(347) : LangFormat(392, {policySkipReason_});
      else if (transfers && ok)
        resultText = LangString(349);  // a transfer that completed is reported as such
      else if (flags_.skipCurrent)
        resultText = LangString(348);
      else if (ok)
        resultText = LangString(349);
      else
        resultText = LangFormat(346, {"(" + failureReason(outcome, origin) + ")"});
      AppendToLastLogLine(" - " + resultText, 7);
      // Skips the user or the if-exists policy asked for are no failures.
      if (!ok && (processThis_ ? !flags_.skipCurrent : unusable || !refusal.empty())) ++failures_;
      if (flags_.aborted) {
        flags_.running = false;
        UpdateDialogControls();
      }
      if (ok)
        done_ += currentSize_;
      else
        total_ -= currentSize_;
      current_ = 0;
      if (total_ > 0) {
        UpdateProgress(true, 1.0, static_cast<double>(done_) / static_cast<double>(total_));
        overallBar = static_cast<int>(1000.0 * static_cast<double>(done_) / total_);
      }
    } else if (flags & FLAG_GONE) {
      AddLogLine(LangFormat(345, {list_.Cursor->GetOrigin()}), true);
      ++failures_;
    }
  }
  display_.setBars(overallBar, 0);
  display_.setCurrentFile(std::string());
  logLine("aAction() end");
  return !flags_.aborted;
}

bool TOperationEngine::OnCopyProgress(std::int64_t fileSize, std::int64_t transferred) {
  current_ = transferred;
  if (total_ > 0 && fileSize > 0)
    UpdateProgress(false, static_cast<double>(transferred) / static_cast<double>(fileSize),
                   static_cast<double>(done_ + transferred) / static_cast<double>(total_));
  display_.pumpMessages();
  // Read after the messages: a Skip or Cancel pressed during this very pump counts, also
  // after the last chunk.
  return flags_.running && !flags_.aborted && !flags_.skipCurrent;
}

void TOperationEngine::UpdateProgress(bool force, double fileFraction, double totalFraction) {
  lastCall_ = now_();
  if (!force && lastCall_ == previousCall_) return;
  const std::int64_t sofar = done_ + current_;
  previousCall_ = lastCall_;
  display_.setBars(static_cast<int>(std::trunc(1000.0 * totalFraction)),
                   static_cast<int>(std::trunc(1000.0 * fileFraction)));
  if (!force && (lastCall_ - lastLabelUpdate_) * 86400.0 < 1.0) return;
  lastLabelUpdate_ = lastCall_;
  ProgressFigures fig;
  fig.percent = std::to_string(static_cast<long long>(std::trunc(100.0 * totalFraction))) + "%";
  const double elapsed = lastCall_ - startTime_;
  const bool transfers = copyOrMove();
  std::string left = transfers ? SizeToText(sofar) : std::to_string(sofar);
  std::string right = transfers ? SizeToText(total_) : std::to_string(total_);
  if (transfers && elapsed * 86400.0 >= 1.0) {
    fig.speed =
        SizeToText(static_cast<std::int64_t>(static_cast<double>(sofar) / (elapsed * 86400.0))) +
        LangString(344);
    left += "\r\n" + DurationToText(elapsed);
    if (sofar > 0) {
      const double ratio = static_cast<double>(total_) / static_cast<double>(sofar);
      right += "\r\n" + DurationToText(ratio * elapsed);
      const double remaining = (ratio - 1.0) * elapsed;
      if (remaining * 86400.0 > 1.0) fig.remaining = DurationToText(remaining);
    } else {
      right.clear();
    }
  }
  fig.doneText = left;
  fig.totalText = right;
  display_.setFigures(fig);
}

// ---------------------------------------------------------------------------------------
// Stage 5

bool TOperationEngine::aPostAction(int action) {
  logBlank();
  logLine("aPostAction()");
  SetStage(LangString(363));
  if (action != actDelete && params_.writeDevicePlaylist && !WriteDevicePlaylist()) ++failures_;
  // The run is called finished only once its files are on the disk, so a drive pulled
  // right after the final header loses nothing.
  const bool ok = action == actDelete || flushDestination();
  logLine("aPostAction() end");
  return ok;
}

bool TOperationEngine::flushDestination() {
  transferStarted_ = false;
  const std::string root = DestinationRoot(params_.destination);
  if (root.empty()) return true;
  const FileOpResult r = FlushFileSystem(root);
  if (r.ok()) return true;
  logLine("  " + r.message);
  AddLogLine(LangFormat(346, {r.message}), true);
  return false;
}

// ---------------------------------------------------------------------------------------
// The playlist on the destination

bool TOperationEngine::WriteDevicePlaylist() {
  const std::string name =
      DevicePlaylistName(params_.devicePlaylistName, medium_, MediumReplacement(params_));
  const std::string path = root_ == "/" ? "/" + name : root_ + "/" + name;
  AddLogLine(LangFormat(424, {path}), true);
  std::string problem;
  struct stat st;
  if (rootGone()) {
    problem = LangString(398);
  } else if (AnythingAt(path, &st) && S_ISLNK(st.st_mode)) {
    // Written through, the link would put the playlist wherever it points.
    problem = LangString(376);
  } else if (written_.contains(path)) {
    // A file of the list itself landed under this name; it stays.
    problem = LangString(423);
  }
  std::vector<M3uExportEntry> entries;
  if (problem.empty()) {
    entries.reserve(arrivals_.size());
    for (const Arrival& a : arrivals_) {
      const std::string relative = PathBelowRoot(a.dest, root_);
      const std::string why = M3uRelativePathProblem(relative);
      if (!why.empty() || !list_.SelectId(a.entry)) {
        logLine("  Device playlist: left out, " + why + ": " + BytesToUtf8(a.dest));
        continue;
      }
      entries.push_back({relative, list_.Cursor->GetDescr(), list_.Cursor->GetLength()});
    }
    std::string error;
    if (!WriteM3UFile(path, entries, error)) {
      logLine("  Device playlist: " + error);
      problem = error;
    }
  }
  if (!problem.empty()) {
    AppendToLastLogLine(" - " + LangFormat(346, {"(" + problem + ")"}), 7);
    return false;
  }
  logLine("  Device playlist: " + std::to_string(entries.size()) + " of " +
          std::to_string(arrivals_.size()) + " entries written to " + path);
  AppendToLastLogLine(" - " + LangString(349), 7);
  return true;
}

// ---------------------------------------------------------------------------------------
// Preview

std::vector<PreviewEntry> TOperationEngine::RunPreview(const OperationParameters& params) {
  std::vector<PreviewEntry> outcomes;
  const int action = params.action;
  if (action != actCopy && action != actMove && action != actDelete) return outcomes;
  SetParameters(params, true);
  dryRun_ = true;
  previewRootMissing_ = false;
  previewCleared_ = false;
  flags_ = RunFlags{};
  flags_.running = true;
  rootDevice_ = -1;
  if (aPreparePL(action) && aPreAction(action) && aCheckPL(action))
    outcomes = PreviewOutcomes(action);
  dryRun_ = false;
  previewRootMissing_ = false;
  previewCleared_ = false;
  flags_ = RunFlags{};
  return outcomes;
}

bool TOperationEngine::PreviewPreAction(int action) {
  if (action != actDelete) {
    const std::string& root = root_;
    if (root.empty() || HoldsNul(root)) return false;
    if (IsFolderAt(root)) {
      rootReal_ = CanonicalPathText(root);
      previewCleared_ = params_.clearDestination && ClearRefusal(root).empty();
    } else if (AnythingAt(root)) {
      return false;  // a file where the root should be: the run could not create it
    } else {
      previewRootMissing_ = true;
    }
  }
  logLine("aPreAction() end");
  return true;
}

std::vector<PreviewEntry> TOperationEngine::PreviewOutcomes(int action) {
  std::vector<PreviewEntry> out;
  const bool transfers = action == actCopy || action == actMove;
  const int policy = action == actCopy ? params_.ifExistsCopy : params_.ifExistsMove;
  // What the run would have written by each entry, on top of what the disk holds.
  WrittenFiles planned;
  planned.reset(medium_.ignoresCase);
  UniqueNameState numbers;
  const auto taken = [&](const std::string& path) {
    return (!previewCleared_ && !previewRootMissing_ && AnythingAt(path)) || planned.contains(path);
  };
  const auto skipped = [](const std::string& why) { return LangFormat(422, {why}); };
  const int n = list_.EntryCount();
  for (int i = 0; i < n; ++i) {
    if (!list_.SelectIndex(i)) continue;
    const std::int32_t flags = list_.Cursor->GetFlags();
    if (!(flags & FLAG_MARKED)) continue;
    PreviewEntry e;
    e.entry = list_.Cursor->Id;
    const std::string origin = list_.Cursor->GetOrigin();
    e.dest = transfers ? list_.Cursor->GetDest() : std::string();
    const std::int64_t size = list_.Cursor->GetSize();
    std::string refusal;
    if (flags & FLAG_GONE) {
      e.mark = PreviewMark::Skipped;
      e.reason = skipped(LangString(397));
    } else if (origin.empty() ||
               (transfers && (e.dest.empty() || origin == e.dest || SameFile(origin, e.dest)))) {
      e.mark = PreviewMark::Refused;
      e.reason = LangString(343);
    } else if (!(refusal = entryRefusal(origin, e.dest)).empty()) {
      e.mark = PreviewMark::Refused;
      e.reason = refusal;
    } else if (transfers && medium_.maxFileSize >= 0 && size > medium_.maxFileSize) {
      e.mark = PreviewMark::TooLarge;
      e.reason = skipped(LangString(395));
    } else if (transfers && taken(e.dest)) {
      if (policy == existsSkip) {
        e.mark = PreviewMark::Skipped;
        e.reason = skipped(LangString(423));
      } else if (policy == existsSkipSame && !planned.contains(e.dest) && !previewCleared_ &&
                 unchangedCopy(origin, e.dest)) {
        e.mark = PreviewMark::Skipped;
        e.reason = skipped(LangString(418));
      } else if (policy == existsRename || planned.contains(e.dest)) {
        const std::string name = e.dest.substr(e.dest.rfind('/') + 1);
        e.dest = MakeUniqueName(e.dest, &numbers, taken);
        e.mark = e.dest.empty() ? PreviewMark::Refused : PreviewMark::Numbered;
        e.reason = e.dest.empty() ? LangString(378) : LangFormat(409, {name});
        // The entry shows the name it would get.
        if (!e.dest.empty()) list_.Cursor->SetDest(e.dest);
      }
    }
    if (transfers && (e.mark == PreviewMark::None || e.mark == PreviewMark::Numbered))
      planned.add(e.dest);
    out.push_back(std::move(e));
  }
  return out;
}
