#pragma once
// The work list: the ordered entries (audio files) the user collects and then copies, moves
// or deletes. It is a store of its own (TkroPlayList over TkroObject) with a fixed
// structure; each entry is a store object made from the mask "Masks/item" with six fields,
// and the directory "Items" links the entries in list order. An entry is known by its
// object number; positions are positions in the "Items" link list.
//
// Every read and write of an entry goes through the one shared cursor (`Cursor`): select
// an entry (SelectIndex / SelectId / SelectRow), then read or write it, with no other
// work on the list in between.
//
//   for (int p = 0; p < list.EntryCount(); ++p) {
//     list.SelectIndex(p);
//     std::string origin = list.Cursor->GetOrigin();
//     list.Cursor->SetFlags(list.Cursor->GetFlags() | FLAG_MARKED);
//   }
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "store/kro_object.h"
#include "tavel_version.h"

// Flag bits of an entry's `flags`.
constexpr std::int32_t FLAG_MARKED = 0x00010000;    // take part in the operation (row ticked)
constexpr std::int32_t FLAG_SELECTED = 0x00020000;  // the row was selected at the last mark save
constexpr std::int32_t FLAG_GONE = 0x01000000;      // source missing, or moved / deleted this run
constexpr std::int32_t FLAG_TARGET_EXISTS = 0x04000000;  // the destination file already exists

// Bits 24 to 31: the state of one run, cleared at the start of each run.
constexpr std::int32_t kRunFlagsKeep = 0x00FFFFFF;
// Bits 16 to 23: what the view's rows say; cleared before the rows' state is written.
constexpr std::int32_t kViewFlagsKeep = static_cast<std::int32_t>(0xFF00FFFFu);

// Flags for removing entries through Items' link list: the entry and its field objects go.
constexpr std::int32_t kEntryDeleteFlags = 19;

// The rows of the list view as the work list needs them: row i shows entry i. The view
// implements it on its model; tests use a fake, so the marks can be saved headless.
class IListRows {
 public:
  virtual ~IListRows() = default;
  virtual int RowCount() const = 0;
  // The object number of the row's entry; -1 for a row that does not exist.
  virtual int RowEntryId(int row) const = 0;
  virtual bool RowChecked(int row) const = 0;
  virtual bool RowSelected(int row) const = 0;
};

class TkroPlayList;

// The entry cursor: its Id is the entry's object number, -1 when it is on no entry. On no
// entry the getters give an empty text or 0 and the setters do nothing. There is no setter
// for the origin alone: an entry's source only comes with SetAll (a new entry).
class TkroPlayItem : public TkroItem {
 public:
  TkroPlayItem(TkroPlayList* list, std::int32_t id);

  std::string GetOrigin();
  std::string GetDest();
  std::string GetDescr();
  std::int64_t GetSize();    // bytes; -1 for a source found missing
  std::int32_t GetLength();  // seconds; 0 or -1 when unknown
  std::int32_t GetFlags();

  void SetDest(const std::string& dest);
  void SetDescr(const std::string& descr);
  void SetSize(std::int64_t size);
  void SetLength(std::int32_t length);
  void SetFlags(std::int32_t flags);
  void SetAll(const std::string& origin, const std::string& dest, const std::string& descr,
              std::int64_t size, std::int32_t length, std::int32_t flags);

 private:
  TkroPlayList* list() const;
  KroValue read(std::int32_t fieldPosition);
  void write(std::int32_t fieldPosition, const KroValue& value);
};

class TkroPlayList : public TkroObject {
 public:
  // A list with the default structure (InitStructure) and no entries; messages of the store
  // go to the library's default sink (the program log).
  TkroPlayList();
  ~TkroPlayList() override;

  // Loads a saved list (load mode 3). The store's own load, except that a file that is
  // there but cannot be loaded is kept aside under an ".unreadable" name (one log line),
  // so the next save cannot overwrite it. Run UpdateCachedLinks afterwards.
  std::int32_t LoadFromFile(const std::string& path, std::int32_t mode);
  // Saves the list (save mode 2). Code; the file is written whole or not at all.
  std::int32_t SaveToFile(const std::string& path, std::int32_t mode);

  // Writes the default structure into the library's default empty store.
  void InitStructure();
  // Resolves "Items" and "Masks/item" again (after creation and after every load) and puts
  // the cursor on no entry. 0, or -255 (reported with BugFS) when neither resolves.
  std::int32_t UpdateCachedLinks();

  // A new empty entry appended to the list: its number, -1 on failure.
  std::int32_t NewEntry();
  // A new last entry with these values; the cursor is left on it. Its number, -1 on
  // failure (nothing added, cursor not moved).
  std::int32_t Add(const std::string& origin, const std::string& dest, const std::string& descr,
                   std::int64_t size, std::int32_t length, std::int32_t flags);

  // The number of entries, and the entry number at a position (-1 outside the list).
  std::int32_t EntryCount();
  std::int32_t EntryAt(std::int32_t position);
  // Removes one entry by its number / every entry (through Items' link list, flags 19).
  // RemoveEntry gives the link-list code (above 0 when the list does not hold it).
  std::int32_t RemoveEntry(std::int32_t number);
  void ClearEntries();
  // Removes the entries at these positions (ascending; others are ignored) in one pass over
  // the list, however many they are. An entry whose record cannot be deleted stays.
  void RemoveEntriesAt(const std::vector<std::int32_t>& positions);

  // Put the cursor on an entry; true when it is on one afterwards. Out of range puts it on
  // no entry. SelectRow takes the entry number that row `row` carries; for a row the view
  // does not have, the cursor does not move (and the result says whether it is on one).
  bool SelectIndex(std::int32_t position);
  bool SelectId(std::int32_t number);
  bool SelectRow(const IListRows& rows, int row);

  // Every entry's dest emptied / flags = value OR (flags AND 0x00FFFFFF).
  void ClearDestinations();
  void ResetRunFlags(std::int32_t value);

  // Copies the rows' check boxes and selection into the entries' flags: for row i, bits 16
  // to 23 of its entry are cleared, then FLAG_MARKED set when ticked and FLAG_SELECTED when
  // selected. Entries beyond the view's last row are left alone.
  void ListSaveMarks(const IListRows& rows);

  // The object number of the entry mask "Masks/item", -1 when not found.
  std::int32_t itemMask = -1;
  // Field positions of the entry record.
  std::int32_t fOrigin = 0, fDest = 1, fDescr = 2, fSize = 3, fLength = 4, fFlags = 5;
  // On the "Items" directory; its link list is the list of entries in order.
  std::unique_ptr<TkroItem> Items;
  // The entry cursor.
  std::unique_ptr<TkroPlayItem> Cursor;
};

// Texts of the list's structure.
inline constexpr const char* kPlayListTitle = "K7D40 Simple";
inline constexpr const char* kPlayListProgram = kProgramTitle;
// The file name of the last work list in the program folder.
inline constexpr const char* kWorkListFileName = ".worklist.kro";
constexpr std::int32_t kWorkListLoadMode = 3;
constexpr std::int32_t kWorkListSaveMode = 2;
