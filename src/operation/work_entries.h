#pragma once
// How the engine reaches the work list and the rows of its view. The work list is walked
// through a cursor (select an entry, then read or write it), as the work-list model
// offers; the rows say which entries the user ticked and in which order they are shown.
#include <cstdint>
#include <string>

// Flag bits of an entry that the engine reads and writes.
constexpr std::int32_t kFlagMarked = 0x00010000;
constexpr std::int32_t kFlagGone = 0x01000000;
constexpr std::int32_t kFlagTargetExists = 0x04000000;

class IWorkEntries {
 public:
  virtual ~IWorkEntries() = default;
  virtual int EntryCount() = 0;
  // Put the cursor on the entry at a position, or on the entry with an object number;
  // false (and the cursor on no entry) when there is none.
  virtual bool SelectIndex(int position) = 0;
  virtual bool SelectId(int number) = 0;
  // The entry under the cursor.
  virtual std::string GetOrigin() = 0;
  virtual std::string GetDest() = 0;
  virtual std::string GetDescr() = 0;
  virtual std::int64_t GetSize() = 0;
  virtual std::int32_t GetFlags() = 0;
  virtual void SetDest(const std::string& dest) = 0;
  virtual void SetSize(std::int64_t size) = 0;
  virtual void SetFlags(std::int32_t flags) = 0;
  // Every entry: dest emptied; flags = value OR (flags AND 0x00FFFFFF).
  virtual void ClearDestinations() = 0;
  virtual void ResetRunFlags(std::int32_t value) = 0;
};

class IWorkRows {
 public:
  virtual ~IWorkRows() = default;
  virtual int RowCount() const = 0;
  virtual bool RowChecked(int row) const = 0;
  // The object number of the row's entry.
  virtual int RowEntryId(int row) const = 0;
};
