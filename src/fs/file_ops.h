#pragma once
// Copy, move, delete, recycle and flush of single files. Copies go to a hidden temporary
// name in the destination folder and are renamed over the destination only when complete,
// so a cancelled or failed copy leaves no partial file and never destroys the file it was
// to replace. Every routine answers with a FileOpResult, never with an exception. A path
// holding a NUL byte is refused (EINVAL, "invalid name") before any system call sees it.
#include <time.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

enum class FileOpStatus { Ok, Cancelled, Failed };

struct FileOpResult {
  FileOpStatus status = FileOpStatus::Ok;
  int error = 0;        // errno of the call that failed, 0 when ok or cancelled
  std::string message;  // e.g. "write /media/stick/a.mp3: No space left on device"
  // The copy was read back from the medium and differed from the source (error EIO).
  bool mismatch = false;
  bool ok() const { return status == FileOpStatus::Ok; }
  bool cancelled() const { return status == FileOpStatus::Cancelled; }
};

enum class CopyAnswer { Continue, Cancel };

// Called before the first chunk (done 0) and after every chunk; total is the source's
// size in bytes, twice that when the copy is verified (the read-back counts as much work
// as the copy). Answering Cancel stops the copy, which then removes its temporary file.
using CopyProgress = std::function<CopyAnswer(std::int64_t total, std::int64_t done)>;

struct CopyOptions {
  bool replaceExisting = true;                // false: fail with EEXIST when the destination exists
  bool flush = false;                         // fsync the copy and its folder before answering Ok
  CopyProgress progress;                      // may be empty
  const std::atomic<bool>* cancel = nullptr;  // checked between chunks when given
  // Read the copy back from the medium before it takes the destination's name: it is
  // written out, its pages are dropped from the cache, and what is read must hash (XXH3) as
  // the source did while it was copied (the source is read once). A copy that differs is
  // removed and the result fails with mismatch set; a file it was to replace stays.
  bool verify = false;
};

// Whether two modification times agree within the 2 seconds a FAT medium may round away
// (it keeps even seconds; exFAT keeps hundredths).
bool SameModificationTime(const struct timespec& a, const struct timespec& b);

// Copies the regular file source to the file path dest, keeping the modification time
// and the permission bits (where the destination's file system keeps them).
FileOpResult CopyFileWithProgress(const std::string& source, const std::string& dest,
                                  const CopyOptions& options = {});

// Moves source to dest: a rename on the same file system; across file systems a flushed
// copy, after which the source is deleted. The source is deleted only once the copy is
// complete and on disk; when it cannot be deleted, the copy stays and the result fails.
// progress is called only for a copy across file systems.
FileOpResult MoveFileWithProgress(const std::string& source, const std::string& dest,
                                  const CopyOptions& options = {});

// Deletes a file (not a folder), or removes an empty folder.
FileOpResult RemoveFile(const std::string& path);
FileOpResult RemoveFolder(const std::string& path);
// Creates path with every missing parent; ok when it already is a folder.
FileOpResult CreateFolderTree(const std::string& path);

// Moves path into the user's trash (freedesktop.org Trash: the home trash, or the trash at
// the top of the file's own volume when it lies on another file system), with the info file
// that lets a file manager restore it. Fails rather than delete for good when no trash can
// take the file.
FileOpResult DeleteToRecycleBin(const std::string& path);

// Makes sure what was written below path reaches its file system: syncfs of the volume
// holding path (or its nearest existing ancestor).
FileOpResult FlushFileSystem(const std::string& path);
// fsync of one file or folder.
FileOpResult FlushPath(const std::string& path);
