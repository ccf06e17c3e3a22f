#include "store/kro_object.h"

#include <cstdint>

namespace {

// Cuts a text to at most n bytes without splitting a UTF-8 sequence.
std::string cutUtf8(const std::string& s, std::size_t n) {
  if (s.size() <= n) return s;
  std::size_t end = n;
  while (end > 0 && (static_cast<unsigned char>(s[end]) & 0xC0) == 0x80) --end;
  return s.substr(0, end);
}

}  // namespace

// ------------------------------------------------------------------------- TkroObject

TkroObject::TkroObject(TkroMessageProc onMessage) {
  LastResult = 0;
  System = std::make_unique<TDSystem>(this);
  Utils = std::make_unique<TUtils>(this);
  objectsCursor_ = std::make_unique<TkroItem>(this, 0);
  fieldCursor_ = std::make_unique<TkroItem>(this, 0);
  linkCursor_ = std::make_unique<TkroItem>(this, 0);
  OnMessage = onMessage ? std::move(onMessage) : TkroMessageProc(defaultIV);
  SendMessage(std::string(kro_GetModuleInfo()) + "\r\nkroObjectModel v1.42 D5A1E\r\n");
  // The library's reports go where this object's messages go.
  Handle.sink = [this](const std::string& text) { SendMessage(text); };
  kro_dbStart(&Handle);
  kro_dbCreateDefault(&Handle, 0);
}

TkroObject::~TkroObject() {
  objectsCursor_.reset();
  fieldCursor_.reset();
  linkCursor_.reset();
  System.reset();
  Utils.reset();
  kro_dbDestroy(&Handle);
}

std::int32_t TkroObject::LoadFromFile(const std::string& path, std::int32_t mode) {
  LastResult = kro_dbLoad(&Handle, path, mode);
  // Numbers of the old store mean nothing in the new one.
  if (LastResult <= 0) System->SetCurrentDir(1);
  return LastResult;
}

std::int32_t TkroObject::SaveToFile(const std::string& path, std::int32_t mode) {
  LastResult = kro_dbSave(&Handle, path, mode);
  return LastResult;
}

void TkroObject::SetTitle(const std::string& text) {
  LastResult = kro_sSet(&Handle, 0, text);
}

std::string TkroObject::Title() {
  std::string t;
  kro_sGet(&Handle, 0, t);
  return t;
}

std::unique_ptr<TkroItem> TkroObject::NewItem(std::int32_t number) {
  return std::make_unique<TkroItem>(this, number);
}

TkroItem* TkroObject::Objects(std::int32_t number) {
  objectsCursor_->owner = this;
  objectsCursor_->Id = number;
  return objectsCursor_.get();
}

std::int32_t TkroObject::NewObject(std::int32_t number, std::int32_t type) {
  LastResult = kro_New(&Handle, number, type);
  return LastResult;
}

void TkroObject::SendMessage(const std::string& text) {
  if (OnMessage) OnMessage(text);
}

std::int32_t TkroObject::CreateObject(std::int32_t mask, std::int32_t& number,
                                      std::int32_t creation) {
  number = kro_GetFirstFree(&Handle);
  LastResult = kro_oCreate(&Handle, number, mask, creation);
  if (LastResult > 0) number = -1;
  return LastResult;
}

std::int32_t TkroObject::CreateObjectMask(const std::string& name, const TValues& values,
                                          std::int32_t creation) {
  SendMessage("# TkroObject.CreateObjectMask() /array of const");
  const std::int32_t mask = kro_GetFirstFree(&Handle);
  const std::int32_t made = kro_omCreate(&Handle, mask, name, creation);
  if (made > 0) {
    // Without the mask there is nothing to add fields to, and its number names nothing.
    IVmsgE(&Handle, "../kro_omCreate()", made, 2);
    return -1;
  }

  // State 4 takes no integers: it is where the walk starts (no field pending) and where a
  // field stays once its four integers are given.
  bool pending = false;
  int state = 4;
  std::string fieldName;
  std::int32_t given[4] = {kroTypeText, 0, 0, 0};
  auto flush = [&] {
    if (!pending) return;
    const std::int32_t r = kro_omAddItem(&Handle, mask, cutUtf8(fieldName, kroMaxName), given[0],
                                         given[1], given[2], given[3]);
    if (r != 0) IVmsgE(&Handle, "../kro_omAddItem()", r, 2);
    pending = false;
    state = 0;
  };
  for (const TValue& v : values) {
    switch (v.kind) {
      case TValue::Kind::Char:
      case TValue::Kind::ShortString:
      case TValue::Kind::String:
      case TValue::Kind::CString:
        flush();
        fieldName = v.kind == TValue::Kind::Char ? std::string(1, static_cast<char>(v.i)) : v.s;
        given[0] = kroTypeText;
        given[1] = given[2] = given[3] = 0;
        pending = true;
        state = 0;
        break;
      case TValue::Kind::Integer:
      case TValue::Kind::Int64:
        if (v.i < INT32_MIN || v.i > INT32_MAX) break;
        if (pending && state < 4) given[state++] = static_cast<std::int32_t>(v.i);
        break;
      default:
        break;
    }
  }
  flush();
  return mask;
}

// ------------------------------------------------------------------------- TkroItem

TkroItem::TkroItem(TkroObject* o, std::int32_t id)
    : owner(o),
      AsString(this),
      AsSRef(this),
      AsTLinks(this),
      AsObjectMask(this),
      AsObject(this),
      Id(id) {}

std::int32_t TkroItem::SetValue(const KroValue& value) {
  if (Id <= 0) return kroErrNumber;
  std::int32_t id = Id;
  owner->LastResult = kro_vSet(&owner->Handle, id, value, -1);
  return owner->LastResult;
}

std::int32_t TkroItem::GetValue(KroValue& out) {
  if (Id < 0) return kroErrNumber;
  owner->LastResult = kro_vGet(&owner->Handle, Id, out, 0);
  return owner->LastResult;
}

std::int32_t TkroItem::SetInt(std::int32_t value) {
  owner->LastResult = kro_i32Set(&owner->Handle, Id, value);
  return owner->LastResult;
}

std::int32_t TkroItem::GetInt() {
  return kro_i32Get(&owner->Handle, Id);
}

std::int32_t TkroItem::LinkInto(std::int32_t listOwner) {
  owner->LastResult = kro_tlAdd(&owner->Handle, listOwner, Id);
  return owner->LastResult;
}

std::int32_t TkroItem::TypeOf() {
  const KroHandle& h = owner->Handle;
  if (Id < 0 || Id >= h.count || !h.types) return -1;
  return h.types[Id];
}

// ------------------------------------------------------------------------- views

std::int32_t TkroItemAsString::Get(std::string& buffer) {
  return kro_sGet(&item_->owner->Handle, item_->Id, buffer);
}

std::string TkroItemAsString::Get() {
  std::string t;
  Get(t);
  return t;
}

std::int32_t TkroItemAsTLinks::High() {
  return kro_tlCount(&item_->owner->Handle, item_->Id) - 1;
}

std::int32_t TkroItemAsTLinks::Get(std::int32_t position) {
  return kro_tlGet(&item_->owner->Handle, item_->Id, position);
}

std::int32_t TkroItemAsTLinks::Add(std::int32_t number) {
  return kro_tlAdd(&item_->owner->Handle, item_->Id, number);
}

std::int32_t TkroItemAsTLinks::Delete(std::int32_t position, std::int32_t flags) {
  KroHandle* h = &item_->owner->Handle;
  const std::int32_t linked = kro_tlGet(h, item_->Id, position);
  if (linked < 0) return kroErrPosition;
  std::int32_t r = kro_DeleteEx(h, linked, flags);
  // A link to a number that is already free names nothing: dropping it is what the caller
  // wants, and keeping it would leave an entry that can never be removed.
  if (r == kroErrNumber) r = kroOk;
  if (r > 0) return r;
  return kro_tlDelete(h, item_->Id, position);
}

std::int32_t TkroItemAsTLinks::Remove(std::int32_t number, std::int32_t flags) {
  std::int32_t position = -1;
  const std::int32_t r = kro_tlIndexOf(&item_->owner->Handle, item_->Id, number, position);
  if (r > 0) return r;
  return Delete(position, flags);
}

std::int32_t TkroItemAsTLinks::Clear(std::int32_t flags) {
  KroHandle* h = &item_->owner->Handle;
  for (std::int32_t p = kro_tlCount(h, item_->Id) - 1; p >= 0; --p)
    kro_DeleteEx(h, kro_tlGet(h, item_->Id, p), flags);
  kro_tlNew(h, item_->Id, 2);
  return 0;
}

std::int32_t TkroItemAsTLinks::IndexOf(std::int32_t number) {
  std::int32_t position = -1;
  if (kro_tlIndexOf(&item_->owner->Handle, item_->Id, number, position) > 0) return -1;
  return position;
}

TkroItem* TkroItemAsTLinks::Item(std::int32_t position) {
  const std::int32_t linked = Get(position);
  TkroItem* cursor = item_->owner->LinkCursor();
  cursor->Id = linked;
  return cursor;
}

std::int32_t TkroItemAsObject::LinkJ(std::int32_t position, std::int32_t& number) {
  return kro_oGetLinkJ(&item_->owner->Handle, item_->Id, position, number);
}

std::int32_t TkroItemAsObject::FieldId(std::int32_t position) {
  std::int32_t n = -1;
  return LinkJ(position, n) > 0 ? -1 : n;
}

TkroItem* TkroItemAsObject::Field(std::int32_t position) {
  const std::int32_t id = FieldId(position);
  TkroItem* cursor = item_->owner->FieldCursor();
  cursor->Id = id;
  return cursor;
}

std::int32_t TkroItemAsObject::LinkN(const std::string& name, std::int32_t& number) {
  return kro_oGetLinkN(&item_->owner->Handle, item_->Id, name, number);
}

TkroItem* TkroItemAsObject::FieldByName(const std::string& name) {
  std::int32_t n = -1;
  const std::int32_t id = LinkN(name, n) > 0 ? -1 : n;
  TkroItem* cursor = item_->owner->FieldCursor();
  cursor->Id = id;
  return cursor;
}

// ------------------------------------------------------------------------- TDSystem

TDSystem::TDSystem(TkroObject* o) : owner(o), cursor_(std::make_unique<TkroItem>(o, 0)) {}

TDSystem::~TDSystem() = default;

std::int32_t TDSystem::Resolve(const std::string& path, std::int32_t& number) {
  const std::int32_t r = kro_d2GetR(&owner->Handle, path, number, currentDir_, sectionCode);
  if (number <= 0) number = currentDir_;
  return r;
}

std::int32_t TDSystem::Lookup(const std::string& path, std::int32_t startDir) {
  std::int32_t n = -1;
  return kro_d2GetR(&owner->Handle, path, n, startDir, sectionCode) > 0 ? -1 : n;
}

bool TDSystem::Exists(const std::string& path, std::int32_t startDir) {
  std::int32_t n = -1;
  return kro_d2GetR(&owner->Handle, path, n, startDir, sectionCode) <= 0;
}

std::int32_t TDSystem::ReadValue(const std::string& path, const KroValue& def, KroValue& out) {
  return kroq_dsReadV(&owner->Handle, path, def, currentDir_, sectionCode, out);
}

std::int32_t TDSystem::WriteValue(const std::string& path, const KroValue& value) {
  return kro_dsWriteV(&owner->Handle, path, value, currentDir_, sectionCode);
}

std::int32_t TDSystem::ChangeDir(const std::string& path) {
  std::int32_t n = -1;
  const std::int32_t r = Resolve(path, n);
  if (r <= 0) SetCurrentDir(n);
  return r;
}

void TDSystem::SetCurrentDir(std::int32_t number) {
  if (number >= 0 && number < owner->Count()) currentDir_ = number;
}

std::unique_ptr<TkroItem> TDSystem::NewItemAt(const std::string& path) {
  std::int32_t n = -1;
  const std::int32_t r = Resolve(path, n);
  return std::make_unique<TkroItem>(owner, r > 0 ? -1 : n);
}

TkroItem* TDSystem::ItemAt(const std::string& path) {
  std::int32_t n = -1;
  const std::int32_t r = Resolve(path, n);
  cursor_->owner = owner;
  cursor_->Id = r > 0 ? -1 : n;
  return cursor_.get();
}

std::int32_t TDSystem::CreateValue(const std::string& parentPath, const std::string& name,
                                   const KroValue& value) {
  LastCreated = -1;
  std::int32_t parent = -1;
  const std::int32_t r = Resolve(parentPath, parent);
  if (r > 0) return r;
  return kro_dsCreateV(&owner->Handle, parent, name, value, LastCreated, sectionCode);
}

std::int32_t TDSystem::CreateDir(const std::string& parentPath, const std::string& name) {
  LastCreated = -1;
  std::int32_t parent = -1;
  const std::int32_t r = Resolve(parentPath, parent);
  if (r > 0) return r;
  return kro_dsCreateDir(&owner->Handle, parent, name, LastCreated, sectionCode);
}

std::int32_t TDSystem::ForceCreateDir(const std::string& path) {
  return kro_dsForceCreateDir(&owner->Handle, path, LastCreated, currentDir_, sectionCode);
}

std::string TDSystem::ReadString(const std::string& path, const std::string& def) {
  KroValue v;
  ReadValue(path, KroValue(def), v);
  return v.asText(def);
}

std::int32_t TDSystem::ReadInt(const std::string& path, std::int32_t def) {
  KroValue v;
  ReadValue(path, KroValue(def), v);
  return v.asInt(def);
}

std::int64_t TDSystem::ReadInt64(const std::string& path, std::int64_t def) {
  KroValue v;
  ReadValue(path, KroValue(static_cast<long long>(def)), v);
  return v.asInt64(def);
}

bool TDSystem::ReadBool(const std::string& path, bool def) {
  KroValue v;
  ReadValue(path, KroValue(def), v);
  return v.asBool(def);
}
