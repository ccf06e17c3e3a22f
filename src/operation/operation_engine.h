#pragma once
// The copy, move and delete run: five stages over the marked entries of the work list,
// shown in the progress dialog through IProgressDisplay. Everything runs on the calling
// (user-interface) thread; the dialog's Cancel and Skip buttons reach the engine through
// CancelClicked and SkipClicked while the engine pumps window messages.
//
// What the run promises beyond the stages' texts:
// - a copy or move never leaves a half-written destination file and replaces a file only
//   with a complete one;
// - a destination is looked up again just before each copy or move, and a file that this
//   run itself put there is never replaced (it gets a numbered name instead), whichever
//   spelling of its name a later entry uses on a medium that ignores letter case;
// - names are made ones the destination's medium accepts (FAT, exFAT, NTFS), and a file
//   the medium cannot hold is named before the run and never started;
// - a destination root that is no longer on the device it was on at the start (a stick
//   pulled or unmounted) stops the run before anything is written into the bare folder;
// - a failed or skipped entry's line says why, and the end says how many failed;
// - a destination that would fall outside the destination root is not used, and no file
//   or folder is created, replaced or deleted outside the root through a symbolic link
//   inside it;
// - the destination is never cleared when it is "/", the home folder (or above it), or a
//   folder holding a marked source file (also through a link or a bind mount), and
//   clearing never enters another mount;
// - an entry that is not a regular file, or whose path holds a NUL byte, is skipped with
//   its reason;
// - "Операция завершена" is shown only after what the run wrote reached the disk;
// - a preview (RunPreview) creates, clears, renames and writes nothing on the disk.
#include <sys/stat.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "fs/file_ops.h"
#include "fs/medium_profile.h"
#include "fs/part_files.h"
#include "operation/dest_path.h"
#include "operation/medium_names.h"
#include "operation/operation_parameters.h"
#include "operation/progress_display.h"
#include "worklist/playlist.h"

// The counters of the check stage.
struct CheckCounters {
  int marked = 0;
  int gone = 0;
  int existing = 0;
  std::int64_t total = 0;  // bytes of the marked entries (a missing file adds -1)
  int tooLarge = 0;        // marked, present files larger than the medium's largest file
};

// The bulleted list of the confirmation question (each line starts with CR LF and " • ").
std::string ConfirmationList(int action, const CheckCounters& counters, std::int64_t limitBytes);
// Whether the check stage asks before the run goes on.
bool NeedsConfirmation(int action, const CheckCounters& counters, std::int64_t limitBytes);

// One ticked entry as a run would treat it, found by the preview.
enum class PreviewMark {
  None,      // copied or moved to dest as it is (replacing a file there if the policy says so)
  Skipped,   // not copied: the source is missing, or the if-exists policy skips it
  Numbered,  // its name is taken: dest is the numbered name it would get
  TooLarge,  // larger than the largest file the destination's medium holds
  Refused,   // not usable: outside the root, through a link, not a file, no free name
};
struct PreviewEntry {
  int entry = -1;    // the entry's number
  std::string dest;  // where it would land (empty for delete and unusable destinations)
  PreviewMark mark = PreviewMark::None;
  std::string reason;  // why it is marked, for the user
};

// A duration in days shown as a time of day, "hh:nn:ss" (24 hours and more wrap).
std::string DurationToText(double days);

class TOperationEngine {
 public:
  // The list and the rows of its view must outlive the engine; rows say which entries are
  // ticked and in which order they are shown (row i shows entry i). onRemovableDrive, when
  // given, says whether a path lies on a removable drive: a delete to the trash there only
  // moves the files into that drive's own trash, so the check stage offers to delete them
  // for good instead.
  TOperationEngine(TkroPlayList& list, const IListRows& rows, IProgressDisplay& display,
                   std::function<bool(const std::string&)> onRemovableDrive = {});

  // The whole run. The parameters are copied for the run; ignoreReadOnly is the setting
  // "clear the read-only attribute before deleting".
  void RunOperation(const OperationParameters& params, bool ignoreReadOnly);
  // What the dialog does when it becomes active, before RunOperation: empty header, file,
  // bars, figures and log.
  void ResetDisplay();

  // Stages 1 to 3 of a run with these parameters, without writing anything: no folder is
  // created or cleared, no question asked, no file copied. The entries get their
  // destinations and refreshed sizes as stage 1 and 3 give them; the result tells, for
  // each ticked entry in list order, what the run would do with it.
  std::vector<PreviewEntry> RunPreview(const OperationParameters& params);

  // A copied or moved entry, or one the if-exists policy left because a file of its name
  // is there already: the entry's number and the path on the destination.
  struct Arrival {
    int entry = -1;
    std::string dest;
  };
  // The entries of the last run that are now at the destination, in list order.
  const std::vector<Arrival>& arrivals() const { return arrivals_; }

  // Button1 while running (Cancel) and Button2 (Skip).
  void CancelClicked();
  void SkipClicked();
  const RunFlags& flags() const { return flags_; }

  // The stages, public so that they can be driven one by one; each returns whether the
  // run goes on. They read the parameters of the current run (SetParameters).
  void SetParameters(const OperationParameters& params, bool ignoreReadOnly);
  bool aPreparePL(int action);
  bool aPreAction(int action);
  bool aCheckPL(int action);
  bool aAction(int action);
  bool aPostAction(int action);

  void UpdatePLFilesInfo(bool refreshSizes);
  void CheckDestFilesExisting();
  CheckCounters CountMarked();
  // Deletes everything below folder (files first, then the subfolders deepest first);
  // the folder itself stays. Symbolic links are removed themselves, never followed; a
  // mount point below it and what lies below that stay; they are returned.
  std::vector<std::string> DeleteFolderContents(const std::string& folder);
  // Why clearing root must not happen (the text of the box the user is shown), or the
  // empty text when it may.
  std::string ClearRefusal(const std::string& root);

  // Bytes (copy, move) or count (delete) of the marked entries not found missing.
  std::int64_t SumMarkedWork(int action);
  // The copy's progress callback: true to go on, false to cancel.
  bool OnCopyProgress(std::int64_t fileSize, std::int64_t transferred);
  void UpdateProgress(bool force, double fileFraction, double totalFraction);

  // The destination's medium is found once per run, in aPreparePL; tests and benchmarks
  // may impose one instead (on every later run of this engine).
  void SetMediumProfile(const MediumProfile& medium) {
    forcedMedium_ = medium;
    hasForced_ = true;
  }
  const MediumProfile& medium() const { return medium_; }
  // Entries of the last run that failed or were skipped for a reason other than the
  // if-exists policy or the user.
  int failures() const { return failures_; }

  // Days; the default is the local clock with milliseconds. Tests put a fake in place.
  void SetClock(std::function<double()> nowDays) { now_ = std::move(nowDays); }

  // Run figures, for the dialog and for tests.
  std::int64_t done() const { return done_; }
  std::int64_t total() const { return total_; }

 private:
  void SetStage(const std::string& text);
  void AddLogLine(const std::string& text, bool withTime);
  void AppendToLastLogLine(const std::string& text, int indent);
  void UpdateDialogControls() { display_.updateControls(flags_); }
  void setSkip(bool on);
  bool copyOrMove() const { return action_ == actCopy || action_ == actMove; }
  // The destination to use for an entry about to be copied or moved, after looking the
  // path up again; processThis is cleared when the policy says skip, replace is set when
  // the policy says to replace the file standing there.
  std::string resolveCollision(const std::string& origin, const std::string& dest, int policy,
                               bool& processThis, bool& replace);
  // Whether dest already holds what origin would bring: a regular file of the same size
  // whose modification time lies within 2 seconds of the source's (FAT keeps even seconds),
  // and which is not the origin itself.
  static bool unchangedCopy(const std::string& origin, const std::string& dest);
  // The same on the origin's stat (links followed) and the destination's lstat.
  static bool unchangedStats(const struct stat& origin, const struct stat& dest);
  // Under "skip identical": passes the current entry (list index `index`) over when dest
  // holds it unchanged.
  bool skipUnchanged(int index, const std::string& origin, const std::string& dest);
  // Whether the check stage found the entry at list index `index` unchanged at its
  // destination under "skip identical".
  bool unchangedAtCheck(int index) const;
  // Syncs the destination's file system; false (with a log line) when that failed.
  bool flushDestination();
  FileOpResult transfer(bool move, const std::string& origin, const std::string& dest,
                        bool replace);
  // True when the destination root is gone or no longer on the device it was on.
  bool rootGone() const;
  // Why an entry about to be copied or moved is not tried, or the empty text.
  std::string untriedReason(const std::string& origin);
  // The reason in words for a failed copy or move.
  std::string failureReason(const FileOpResult& r, const std::string& origin) const;
  // Whether the folder that path lies in is reached from the root without passing through
  // a symbolic link: the real path of its nearest existing ancestor is the root's real
  // path with the same names below it.
  bool reachedWithoutLink(const std::string& path) const;
  // Why an entry cannot be processed (the log's result text), or the empty text.
  std::string entryRefusal(const std::string& origin, const std::string& dest);
  // Writes the playlist of the arrivals into the root (its log line says how it went);
  // false when it could not be written.
  bool WriteDevicePlaylist();
  // Stage 2 of a preview: what the root will be, without creating or clearing it.
  bool PreviewPreAction(int action);
  // Stage 4 of a preview: each ticked entry's fate, nothing done.
  std::vector<PreviewEntry> PreviewOutcomes(int action);

  TkroPlayList& list_;
  const IListRows& rows_;
  IProgressDisplay& display_;
  OperationParameters params_;
  int action_ = -1;
  bool ignoreReadOnly_ = true;

  RunFlags flags_;
  bool processThis_ = false;
  // Why the if-exists policy passed the current entry over, when it says more than "skip".
  std::string policySkipReason_;
  std::atomic<bool> cancelCell_{false};
  std::int64_t done_ = 0;
  std::int64_t total_ = 0;
  std::int64_t current_ = 0;
  std::int64_t currentSize_ = 0;
  double startTime_ = 0, lastCall_ = 0, previousCall_ = 0, lastLabelUpdate_ = 0;
  std::function<double()> now_;
  // Destinations this run has written, so that a later entry never replaces them.
  WrittenFiles written_;
  // Numbers given to renamed files in this run, so numbering goes on where it stopped.
  UniqueNameState uniqueNames_;
  // The destination root as typed (DestinationRoot) and as it really lies, for the run.
  std::string root_, rootReal_;
  MediumProfile medium_;
  MediumProfile forcedMedium_;
  bool hasForced_ = false;
  std::int64_t rootDevice_ = -1;
  bool deviceGone_ = false;
  bool noSpaceSeen_ = false;
  int failures_ = 0;
  PartFileSweep partSweep_;  // stale copy temporaries go before a folder is written to
  // A copy or move stage has begun and its files are not yet flushed.
  bool transferStarted_ = false;
  std::function<bool(const std::string&)> onRemovableDrive_;
  // Origins on a removable drive that this run deletes for good although the trash is on.
  std::unordered_set<std::string> deleteForGood_;
  // Marked, present origins that lie on a removable drive (each folder asked once).
  std::vector<std::string> originsOnRemovableDrive();
  std::vector<Arrival> arrivals_;
  // A preview runs: nothing may be written, nothing asked.
  bool dryRun_ = false;
  // In a preview: the root does not exist yet (so nothing lies below it), or it would be
  // cleared before the copy (so nothing there counts).
  bool previewRootMissing_ = false;
  bool previewCleared_ = false;
  // The check stage's lookups, by list index: each marked origin's stat (none where it is
  // missing), and whether "skip identical" found its destination unchanged.
  std::vector<std::optional<struct stat>> originAtCheck_;
  std::vector<char> unchangedAtCheck_;
  // The check stage ended without asking anything, so its findings still hold.
  bool checkStillHolds_ = false;
};
