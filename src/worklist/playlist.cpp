#include "worklist/playlist.h"

#include <algorithm>

#include "lang/messages.h"
#include "logs/date_time.h"
#include "logs/log.h"
#include "store/unreadable_file.h"

namespace {

const char* const kFormatInfo =
    "K7D40 Simple playlist database. Refer to: https://votavel.example/";
const char* const kFormatId = "K7D40";
const char* const kFormatSubId = "Simple";
// Numbers of the structure are found from the root directory.
constexpr std::int32_t kRootDir = 1;
// Creation values passed to the library for the entry mask and for entries.
constexpr std::int32_t kMaskCreation = 1;
constexpr std::int32_t kEntryCreation = 2;

}  // namespace

// ------------------------------------------------------------------------- TkroPlayItem

TkroPlayItem::TkroPlayItem(TkroPlayList* list, std::int32_t id) : TkroItem(list, id) {}

TkroPlayList* TkroPlayItem::list() const {
  return static_cast<TkroPlayList*>(owner);
}

KroValue TkroPlayItem::read(std::int32_t fieldPosition) {
  KroValue v;
  if (Id < 0) return v;
  AsObject.Field(fieldPosition)->GetValue(v);
  return v;
}

void TkroPlayItem::write(std::int32_t fieldPosition, const KroValue& value) {
  if (Id < 0) return;
  AsObject.Field(fieldPosition)->SetValue(value);
}

std::string TkroPlayItem::GetOrigin() {
  // The origin is read by following the field's link itself rather than through the field
  // cursor: a record whose origin link is 0 (never set) points at the store's title.
  const std::int32_t link = AsObject.FieldId(list()->fOrigin);
  if (link == 0) return std::string();
  KroValue v;
  if (list()->Objects(link)->GetValue(v) > 0) return std::string();
  return v.asText();
}

std::string TkroPlayItem::GetDest() {
  return read(list()->fDest).asText();
}

std::string TkroPlayItem::GetDescr() {
  return read(list()->fDescr).asText();
}

std::int64_t TkroPlayItem::GetSize() {
  return read(list()->fSize).asInt64(0);
}

std::int32_t TkroPlayItem::GetLength() {
  return read(list()->fLength).asInt(0);
}

std::int32_t TkroPlayItem::GetFlags() {
  return read(list()->fFlags).asInt(0);
}

void TkroPlayItem::SetDest(const std::string& dest) {
  write(list()->fDest, KroValue(dest));
}

void TkroPlayItem::SetDescr(const std::string& descr) {
  write(list()->fDescr, KroValue(descr));
}

void TkroPlayItem::SetSize(std::int64_t size) {
  write(list()->fSize, KroValue(static_cast<long long>(size)));
}

void TkroPlayItem::SetLength(std::int32_t length) {
  write(list()->fLength, KroValue(static_cast<int>(length)));
}

void TkroPlayItem::SetFlags(std::int32_t flags) {
  write(list()->fFlags, KroValue(static_cast<int>(flags)));
}

void TkroPlayItem::SetAll(const std::string& origin, const std::string& dest,
                          const std::string& descr, std::int64_t size, std::int32_t length,
                          std::int32_t flags) {
  if (Id < 0) return;
  TkroPlayList* l = list();
  write(l->fOrigin, KroValue(origin));
  write(l->fDest, KroValue(dest));
  write(l->fDescr, KroValue(descr));
  write(l->fSize, KroValue(static_cast<long long>(size)));
  write(l->fLength, KroValue(static_cast<int>(length)));
  write(l->fFlags, KroValue(static_cast<int>(flags)));
}

// ------------------------------------------------------------------------- TkroPlayList

TkroPlayList::TkroPlayList() : TkroObject(nullptr) {
  Items = std::make_unique<TkroItem>(this, -1);
  Cursor = std::make_unique<TkroPlayItem>(this, -1);
  InitStructure();
}

TkroPlayList::~TkroPlayList() {
  Items.reset();
  Cursor.reset();
}

std::int32_t TkroPlayList::LoadFromFile(const std::string& path, std::int32_t mode) {
  const std::int32_t r = TkroObject::LoadFromFile(path, mode);
  KeepUnreadableAside(path, r);
  return r;
}

std::int32_t TkroPlayList::SaveToFile(const std::string& path, std::int32_t mode) {
  const std::int32_t r = TkroObject::SaveToFile(path, mode);
  // Nobody is told at exit; the log at least says why the list did not come back.
  if (r > 0)
    ProgramLogWrite("Work list not saved to " + path + ", store error " + std::to_string(r));
  return r;
}

void TkroPlayList::InitStructure() {
  SetTitle(kPlayListTitle);

  System->CreateValue("", "FormatInfo", KroValue(kFormatInfo));
  System->CreateValue("", "FormatId", KroValue(kFormatId));
  System->CreateValue("", "FormatSubId", KroValue(kFormatSubId));
  System->CreateValue("", "FormatVersion", KroValue(static_cast<std::uint8_t>(0)));

  System->ForceCreateDir("Items");
  System->ForceCreateDir("Conf");
  System->ForceCreateDir("Conf/Info");

  const KroValue now = KroValue::dateTime(ToStoreDateTime(NowLocal()));
  System->CreateValue("Conf/Info", "ctime", now);
  System->CreateValue("Conf/Info", "mtime", now);
  System->WriteValue("Conf/Info/program", KroValue(kPlayListProgram));

  System->ForceCreateDir("Masks");
  const std::int32_t masksDir = System->LastCreated;
  const std::int32_t mask = CreateObjectMask(
      "item", {"origin", "dest", "descr", "size", 8, "length", 7, "flags", 7}, kMaskCreation);
  if (mask >= 0 && masksDir >= 0) Objects(mask)->LinkInto(masksDir);

  UpdateCachedLinks();
}

std::int32_t TkroPlayList::UpdateCachedLinks() {
  Items->Id = System->Lookup("Items", kRootDir);
  itemMask = System->Lookup("Masks/item", kRootDir);
  fOrigin = 0;
  fDest = 1;
  fDescr = 2;
  fSize = 3;
  fLength = 4;
  fFlags = 5;
  // Numbers taken before a load name other objects now.
  Cursor->Id = -1;
  if (Items->Id > 0 || itemMask > 0) return 0;
  BugFS("UpdateCachedLinks error");
  return -255;
}

std::int32_t TkroPlayList::NewEntry() {
  // Without the items directory a new record could be made but never listed: it would
  // only take room in the store.
  if (Items->Id <= 0) return -1;
  std::int32_t number = -1;
  if (CreateObject(itemMask, number, kEntryCreation) > 0 || number < 0) return -1;
  if (Items->AsTLinks.Add(number) > 0) {
    kro_DeleteEx(&Handle, number, kroDelFields);
    return -1;
  }
  return number;
}

std::int32_t TkroPlayList::Add(const std::string& origin, const std::string& dest,
                               const std::string& descr, std::int64_t size, std::int32_t length,
                               std::int32_t flags) {
  const std::int32_t number = NewEntry();
  if (number >= 0) {
    SelectId(number);
    Cursor->SetAll(origin, dest, descr, size, length, flags);
  }
  return number;
}

std::int32_t TkroPlayList::EntryCount() {
  return Items->AsTLinks.High() + 1;
}

std::int32_t TkroPlayList::EntryAt(std::int32_t position) {
  if (position < 0 || position > Items->AsTLinks.High()) return -1;
  return Items->AsTLinks.Get(position);
}

std::int32_t TkroPlayList::RemoveEntry(std::int32_t number) {
  if (Cursor->Id == number) Cursor->Id = -1;
  return Items->AsTLinks.Remove(number, kEntryDeleteFlags);
}

void TkroPlayList::ClearEntries() {
  Cursor->Id = -1;
  Items->AsTLinks.Clear(kEntryDeleteFlags);
}

void TkroPlayList::RemoveEntriesAt(const std::vector<std::int32_t>& positions) {
  // Taking entries out of the link list one by one would move the rest of the list once per
  // entry; the records go first and the link list is then written anew with the others.
  const std::int32_t count = EntryCount();
  std::vector<std::int32_t> kept;
  kept.reserve(static_cast<std::size_t>(std::max(count, 0)));
  std::size_t next = 0;
  for (std::int32_t p = 0; p < count; ++p) {
    const std::int32_t number = EntryAt(p);
    while (next < positions.size() && positions[next] < p) ++next;
    if (next < positions.size() && positions[next] == p) {
      if (Cursor->Id == number) Cursor->Id = -1;
      // A link to a number already free names nothing and goes as well.
      const std::int32_t r = kro_DeleteEx(&Handle, number, kEntryDeleteFlags);
      if (r <= 0 || r == kroErrNumber) continue;
    }
    kept.push_back(number);
  }
  if (static_cast<std::int32_t>(kept.size()) == count) return;
  kro_tlNew(&Handle, Items->Id, 2);
  for (const std::int32_t number : kept) kro_tlAdd(&Handle, Items->Id, number);
}

bool TkroPlayList::SelectIndex(std::int32_t position) {
  Cursor->Id = EntryAt(position);
  return Cursor->Id >= 0;
}

bool TkroPlayList::SelectId(std::int32_t number) {
  Cursor->Id = (number >= 0 && number < Count()) ? number : -1;
  return Cursor->Id >= 0;
}

bool TkroPlayList::SelectRow(const IListRows& rows, int row) {
  if (row < 0 || row >= rows.RowCount()) return Cursor->Id >= 0;
  return SelectId(rows.RowEntryId(row));
}

void TkroPlayList::ClearDestinations() {
  const std::int32_t last = Items->AsTLinks.High();
  for (std::int32_t p = 0; p <= last; ++p) {
    SelectIndex(p);
    Cursor->SetDest(std::string());
  }
}

void TkroPlayList::ResetRunFlags(std::int32_t value) {
  const std::int32_t last = Items->AsTLinks.High();
  for (std::int32_t p = 0; p <= last; ++p) {
    SelectIndex(p);
    Cursor->SetFlags(value | (Cursor->GetFlags() & kRunFlagsKeep));
  }
}

void TkroPlayList::ListSaveMarks(const IListRows& rows) {
  ProgramLogWrite("ListSaveMarks()");
  const std::int32_t last = Items->AsTLinks.High();
  const int rowCount = rows.RowCount();
  for (std::int32_t i = 0; i <= last && i < rowCount; ++i) {
    if (!SelectRow(rows, i)) continue;
    std::int32_t flags = Cursor->GetFlags() & kViewFlagsKeep;
    if (rows.RowChecked(i)) flags |= FLAG_MARKED;
    if (rows.RowSelected(i)) flags |= FLAG_SELECTED;
    Cursor->SetFlags(flags);
  }
  ProgramLogWrite("ListSaveMarks() END");
}
