#include "store/kro.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>

#include "logs/log.h"
#include "store/kro_store.h"

// ---------------------------------------------------------------------------------------
// The store's own bookkeeping

std::int32_t kroTypeOfKind(KroValue::Kind k) {
  switch (k) {
    case KroValue::Kind::Byte:
      return kroTypeByte;
    case KroValue::Kind::Int32:
      return kroTypeInt32;
    case KroValue::Kind::Int64:
      return kroTypeInt64;
    case KroValue::Kind::Boolean:
      return kroTypeBool;
    case KroValue::Kind::DateTime:
      return kroTypeDateTime;
    case KroValue::Kind::Empty:
    case KroValue::Kind::Text:
      break;
  }
  return kroTypeText;
}

bool kroValidName(std::string_view name) {
  return !name.empty() && name.size() <= kroMaxName && name.find('/') == std::string_view::npos;
}

std::int32_t KroStore::firstFree() {
  while (!freeHeap.empty() && inUse(freeHeap.top())) freeHeap.pop();
  return freeHeap.empty() ? count() : freeHeap.top();
}

std::int32_t KroStore::allocate(std::int32_t number, std::int32_t type) {
  if (number < 0 || number > count()) return kroErrNumber;
  if (number == count()) {
    if (count() >= kroMaxObjects) return kroErrTooLarge;
    objs.emplace_back();
    types.push_back(0);
  } else if (inUse(number)) {
    return kroErrInUse;
  }
  KroObj& o = obj(number);
  o = KroObj();
  o.kind = static_cast<std::uint8_t>(KroValue::Kind::Empty);
  types[static_cast<std::size_t>(number)] = type;
  return kroOk;
}

void KroStore::dropText(KroObj& o) {
  if (o.kind == static_cast<std::uint8_t>(KroValue::Kind::Text)) garbage += o.payload & 0xFFFFFF;
}

void KroStore::release(std::int32_t n) {
  KroObj& o = obj(n);
  dropText(o);
  if (o.flags & kroHasName) names.erase(n);
  if (o.flags & kroHasLinks) links.erase(n);
  if (o.flags & kroIsMask) masks.erase(n);
  o = KroObj();
  types[static_cast<std::size_t>(n)] = 0;
  freeHeap.push(n);
  if (garbage > (1u << 20) && garbage > arena.size() / 2) compactArena();
}

void KroStore::compactArena() {
  std::string fresh;
  fresh.reserve(arena.size() - garbage);
  for (KroObj& o : objs) {
    if (o.kind != static_cast<std::uint8_t>(KroValue::Kind::Text)) continue;
    const std::string_view t = text(o);
    const std::uint64_t off = fresh.size();
    fresh.append(t);
    o.payload = off << 24 | t.size();
  }
  arena.swap(fresh);
  garbage = 0;
}

std::int32_t KroStore::setValue(std::int32_t n, const KroValue& v) {
  KroObj& o = obj(n);
  if (v.kind == KroValue::Kind::Text) {
    if (v.s.size() > kroMaxText) return kroErrTooLarge;
    dropText(o);
    const std::uint64_t off = arena.size();
    arena.append(v.s);
    o.payload = off << 24 | v.s.size();
    o.kind = static_cast<std::uint8_t>(KroValue::Kind::Text);
    if (garbage > (1u << 20) && garbage > arena.size() / 2) compactArena();
    return kroOk;
  }
  dropText(o);
  o.kind = static_cast<std::uint8_t>(v.kind);
  switch (v.kind) {
    case KroValue::Kind::DateTime:
      std::memcpy(&o.payload, &v.d, sizeof v.d);
      break;
    case KroValue::Kind::Byte:
      o.payload = static_cast<std::uint8_t>(v.i);
      break;
    case KroValue::Kind::Int32:
      o.payload =
          static_cast<std::uint64_t>(static_cast<std::int64_t>(static_cast<std::int32_t>(v.i)));
      break;
    case KroValue::Kind::Boolean:
      o.payload = v.i ? 1 : 0;
      break;
    case KroValue::Kind::Int64:
      o.payload = static_cast<std::uint64_t>(v.i);
      break;
    case KroValue::Kind::Empty:
    case KroValue::Kind::Text:
      o.payload = 0;
      break;
  }
  return kroOk;
}

void KroStore::getValue(std::int32_t n, KroValue& out) const {
  const KroObj& o = obj(n);
  KroValue v;
  v.kind = static_cast<KroValue::Kind>(o.kind);
  switch (v.kind) {
    case KroValue::Kind::Text:
      v.s.assign(text(o));
      break;
    case KroValue::Kind::DateTime:
      std::memcpy(&v.d, &o.payload, sizeof v.d);
      break;
    case KroValue::Kind::Empty:
      break;
    default:
      v.i = static_cast<std::int64_t>(o.payload);
      break;
  }
  out = std::move(v);
}

std::int32_t KroStore::findChild(std::int32_t dir, std::string_view name) const {
  if (!(obj(dir).flags & kroHasLinks)) return -1;
  const auto it = links.find(dir);
  if (it == links.end()) return -1;
  for (const std::int32_t n : it->second) {
    if (!inUse(n) || !(obj(n).flags & kroHasName)) continue;
    const auto nm = names.find(n);
    if (nm != names.end() && nm->second == name) return n;
  }
  return -1;
}

// A new named object linked into `parent`; its number, or a negated error code.
std::int32_t KroStore::makeNamed(std::int32_t parent, std::string_view name, std::int32_t type) {
  const std::int32_t n = firstFree();
  const std::int32_t r = allocate(n, type);
  if (r > 0) return -r;
  obj(n).flags |= kroHasName;
  names[n] = std::string(name);
  obj(parent).flags |= kroHasLinks;
  links[parent].push_back(n);
  return n;
}

// ---------------------------------------------------------------------------------------
// The C-style surface

namespace {

// Keeps the handle's public fields in step with the store after each call.
struct Synced {
  KroHandle* h;
  explicit Synced(KroHandle* handle) : h(handle) {}
  ~Synced() {
    if (!h) return;
    if (h->store) {
      h->count = h->store->count();
      h->types = h->store->types.data();
    } else {
      h->count = 0;
      h->types = nullptr;
    }
  }
};

KroStore* storeOf(KroHandle* h) {
  return h ? h->store : nullptr;
}

bool sectionOk(std::int32_t section) {
  return section == 4;
}

// Splits a path into its non-empty names; false when one is longer than a name may be.
bool splitPath(std::string_view path, std::vector<std::string_view>& parts) {
  parts.clear();
  std::size_t i = 0;
  while (i <= path.size()) {
    std::size_t j = path.find('/', i);
    if (j == std::string_view::npos) j = path.size();
    if (j > i) {
      if (j - i > kroMaxName) return false;
      parts.push_back(path.substr(i, j - i));
    }
    i = j + 1;
  }
  return true;
}

std::int32_t resolve(const KroStore& s, std::string_view path, std::int32_t start,
                     std::int32_t& number) {
  number = -1;
  if (!s.inUse(start)) return kroErrNumber;
  std::vector<std::string_view> parts;
  if (!splitPath(path, parts)) return kroErrNotFound;
  std::int32_t cur = start;
  for (const auto& p : parts) {
    cur = s.findChild(cur, p);
    if (cur < 0) return kroErrNotFound;
  }
  number = cur;
  return kroOk;
}

// Walks the path from `dir`, creating missing directories; the last directory in `number`.
std::int32_t forceDirs(KroStore& s, const std::vector<std::string_view>& parts, std::size_t n,
                       std::int32_t dir, std::int32_t& number) {
  std::int32_t cur = dir;
  for (std::size_t i = 0; i < n; ++i) {
    std::int32_t next = s.findChild(cur, parts[i]);
    if (next < 0) {
      next = s.makeNamed(cur, parts[i], kroTypeDir);
      if (next < 0) return -next;
    }
    cur = next;
  }
  number = cur;
  return kroOk;
}

}  // namespace

std::int32_t kro_dbStart(KroHandle* h) {
  if (!h) return kroErrHandle;
  Synced sync(h);
  delete h->store;
  h->store = new KroStore();
  return kroOk;
}

std::int32_t kro_dbCreateDefault(KroHandle* h, std::int32_t /*flags*/) {
  if (!storeOf(h)) return kroErrHandle;
  Synced sync(h);
  KroStore fresh;
  fresh.allocate(0, kroTypeText);
  fresh.allocate(1, kroTypeDir);
  fresh.obj(1).flags |= kroHasLinks;
  fresh.links[1];
  *h->store = std::move(fresh);
  return kroOk;
}

std::int32_t kro_dbDestroy(KroHandle* h) {
  if (!h) return kroErrHandle;
  Synced sync(h);
  delete h->store;
  h->store = nullptr;
  return kroOk;
}

const char* kro_GetModuleInfo() {
  return "tavel-kro 1.0 (object store, format 1)";
}

std::int32_t kro_GetFirstFree(KroHandle* h) {
  KroStore* s = storeOf(h);
  return s ? s->firstFree() : -1;
}

std::int32_t kro_New(KroHandle* h, std::int32_t number, std::int32_t type) {
  KroStore* s = storeOf(h);
  if (!s) return kroErrHandle;
  Synced sync(h);
  return s->allocate(number, type);
}

std::int32_t kro_oCreate(KroHandle* h, std::int32_t number, std::int32_t mask,
                         std::int32_t /*creation*/) {
  KroStore* s = storeOf(h);
  if (!s) return kroErrHandle;
  Synced sync(h);
  if (!s->inUse(mask) || !(s->obj(mask).flags & kroIsMask)) return kroErrNotMask;
  const auto& fields = s->masks[mask];
  const std::size_t nf = fields.size();
  if (s->count() + 1 + static_cast<std::int64_t>(nf) > kroMaxObjects) return kroErrTooLarge;
  std::int32_t r = s->allocate(number, kroTypeRecord);
  if (r > 0) return r;
  const std::size_t at = s->pool.size();
  s->pool.push_back(mask);
  s->pool.push_back(static_cast<std::int32_t>(nf));
  for (std::size_t j = 0; j < nf; ++j) {
    const std::int32_t f = s->firstFree();
    s->allocate(f, fields[j].type);
    s->pool.push_back(f);
  }
  s->obj(number).aux = static_cast<std::int32_t>(at);
  return kroOk;
}

std::int32_t kro_omCreate(KroHandle* h, std::int32_t number, std::string_view name,
                          std::int32_t /*creation*/) {
  KroStore* s = storeOf(h);
  if (!s) return kroErrHandle;
  Synced sync(h);
  if (!kroValidName(name)) return kroErrName;
  const std::int32_t r = s->allocate(number, kroTypeMask);
  if (r > 0) return r;
  KroObj& o = s->obj(number);
  o.flags |= kroHasName | kroIsMask;
  s->names[number] = std::string(name);
  s->masks[number].clear();
  return kroOk;
}

std::int32_t kro_omAddItem(KroHandle* h, std::int32_t mask, std::string_view name,
                           std::int32_t type, std::int32_t p2, std::int32_t p3, std::int32_t p4) {
  KroStore* s = storeOf(h);
  if (!s) return kroErrHandle;
  if (!s->inUse(mask) || !(s->obj(mask).flags & kroIsMask)) return kroErrNotMask;
  if (name.empty() || name.size() > kroMaxName) return kroErrName;
  auto& fields = s->masks[mask];
  if (fields.size() >= 0xFFFF) return kroErrTooLarge;
  for (const auto& f : fields)
    if (f.name == name) return kroErrExists;
  fields.push_back(KroMaskField{std::string(name), type, p2, p3, p4});
  return kroOk;
}

std::int32_t kro_oGetLinkJ(KroHandle* h, std::int32_t object, std::int32_t position,
                           std::int32_t& number) {
  KroStore* s = storeOf(h);
  if (!s) return kroErrHandle;
  if (!s->inUse(object)) return kroErrNumber;
  const KroObj& o = s->obj(object);
  if (o.aux < 0) return kroErrNotMask;
  const std::int32_t* rec = s->pool.data() + o.aux;
  if (position < 0 || position >= rec[1]) return kroErrPosition;
  number = rec[2 + position];
  return kroOk;
}

std::int32_t kro_oGetLinkN(KroHandle* h, std::int32_t object, std::string_view name,
                           std::int32_t& number) {
  KroStore* s = storeOf(h);
  if (!s) return kroErrHandle;
  if (!s->inUse(object)) return kroErrNumber;
  const KroObj& o = s->obj(object);
  if (o.aux < 0) return kroErrNotMask;
  const std::int32_t* rec = s->pool.data() + o.aux;
  const auto it = s->masks.find(rec[0]);
  if (it == s->masks.end() || !s->inUse(rec[0])) return kroErrNotMask;
  const auto& fields = it->second;
  for (std::size_t j = 0; j < fields.size(); ++j) {
    if (fields[j].name != name) continue;
    if (static_cast<std::int32_t>(j) >= rec[1]) return kroErrNotFound;
    number = rec[2 + j];
    return kroOk;
  }
  return kroErrNotFound;
}

std::int32_t kro_DeleteEx(KroHandle* h, std::int32_t object, std::int32_t flags) {
  KroStore* s = storeOf(h);
  if (!s) return kroErrHandle;
  Synced sync(h);
  if (object == 0 || object == 1) return kroErrProtected;
  if (!s->inUse(object)) return kroErrNumber;
  std::vector<std::int32_t> todo{object};
  std::unordered_set<std::int32_t> seen{object};
  while (!todo.empty()) {
    const std::int32_t n = todo.back();
    todo.pop_back();
    if (!s->inUse(n)) continue;
    const KroObj& o = s->obj(n);
    auto follow = [&](std::int32_t m) {
      if (m > 1 && s->inUse(m) && seen.insert(m).second) todo.push_back(m);
    };
    if ((flags & kroDelFields) && o.aux >= 0) {
      const std::int32_t* rec = s->pool.data() + o.aux;
      for (std::int32_t j = 0; j < rec[1]; ++j) follow(rec[2 + j]);
    }
    if ((flags & kroDelLinked) && (o.flags & kroHasLinks)) {
      for (const std::int32_t m : s->links[n]) follow(m);
    }
    s->release(n);
  }
  return kroOk;
}

std::int32_t kro_vGet(KroHandle* h, std::int32_t object, KroValue& out, std::int32_t /*flags*/) {
  KroStore* s = storeOf(h);
  if (!s) return kroErrHandle;
  if (!s->inUse(object)) return kroErrNumber;
  s->getValue(object, out);
  return kroOk;
}

std::int32_t kro_vSet(KroHandle* h, std::int32_t& object, const KroValue& value,
                      std::int32_t type) {
  KroStore* s = storeOf(h);
  if (!s) return kroErrHandle;
  Synced sync(h);
  if (value.kind == KroValue::Kind::Text && value.s.size() > kroMaxText) return kroErrTooLarge;
  if (object == -1) {
    const std::int32_t n = s->firstFree();
    const std::int32_t r = s->allocate(n, type < 0 ? kroTypeOfKind(value.kind) : type);
    if (r > 0) return r;
    s->setValue(n, value);
    object = n;
    return kroOk;
  }
  if (!s->inUse(object)) return kroErrNumber;
  const std::int32_t r = s->setValue(object, value);
  if (r <= 0 && type >= 0) s->types[static_cast<std::size_t>(object)] = type;
  return r;
}

std::int32_t kro_i32Get(KroHandle* h, std::int32_t object) {
  KroStore* s = storeOf(h);
  return s && s->inUse(object) ? s->obj(object).i32 : 0;
}

std::int32_t kro_i32Set(KroHandle* h, std::int32_t object, std::int32_t value) {
  KroStore* s = storeOf(h);
  if (!s) return kroErrHandle;
  if (!s->inUse(object)) return kroErrNumber;
  s->obj(object).i32 = value;
  return kroOk;
}

std::int32_t kro_sGet(KroHandle* h, std::int32_t object, std::string& text) {
  KroStore* s = storeOf(h);
  if (!s) return kroErrHandle;
  if (!s->inUse(object)) return kroErrNumber;
  const KroObj& o = s->obj(object);
  if (o.kind == static_cast<std::uint8_t>(KroValue::Kind::Text)) {
    text.assign(s->text(o));
  } else {
    KroValue v;
    s->getValue(object, v);
    text = v.asText();
  }
  return kroOk;
}

std::int32_t kro_sSet(KroHandle* h, std::int32_t object, std::string_view text) {
  KroStore* s = storeOf(h);
  if (!s) return kroErrHandle;
  if (!s->inUse(object)) return kroErrNumber;
  return s->setValue(object, KroValue(text));
}

std::int32_t kro_tlNew(KroHandle* h, std::int32_t object, std::int32_t /*flags*/) {
  KroStore* s = storeOf(h);
  if (!s) return kroErrHandle;
  if (!s->inUse(object)) return kroErrNumber;
  s->obj(object).flags |= kroHasLinks;
  auto& l = s->links[object];
  std::vector<std::int32_t>().swap(l);
  return kroOk;
}

namespace {
std::vector<std::int32_t>* listOf(KroStore* s, std::int32_t object) {
  if (!s || !s->inUse(object) || !(s->obj(object).flags & kroHasLinks)) return nullptr;
  const auto it = s->links.find(object);
  return it == s->links.end() ? nullptr : &it->second;
}
}  // namespace

std::int32_t kro_tlCount(KroHandle* h, std::int32_t object) {
  const auto* l = listOf(storeOf(h), object);
  return l ? static_cast<std::int32_t>(l->size()) : 0;
}

std::int32_t kro_tlGet(KroHandle* h, std::int32_t object, std::int32_t position) {
  const auto* l = listOf(storeOf(h), object);
  if (!l || position < 0 || static_cast<std::size_t>(position) >= l->size()) return -1;
  return (*l)[static_cast<std::size_t>(position)];
}

std::int32_t kro_tlAdd(KroHandle* h, std::int32_t object, std::int32_t number) {
  KroStore* s = storeOf(h);
  if (!s) return kroErrHandle;
  if (!s->inUse(object) || !s->inUse(number)) return kroErrNumber;
  s->obj(object).flags |= kroHasLinks;
  auto& l = s->links[object];
  if (l.size() >= static_cast<std::size_t>(kroMaxObjects)) return kroErrTooLarge;
  l.push_back(number);
  return kroOk;
}

std::int32_t kro_tlDelete(KroHandle* h, std::int32_t object, std::int32_t position) {
  KroStore* s = storeOf(h);
  if (!s) return kroErrHandle;
  if (!s->inUse(object)) return kroErrNumber;
  auto* l = listOf(s, object);
  if (!l || position < 0 || static_cast<std::size_t>(position) >= l->size()) return kroErrPosition;
  l->erase(l->begin() + position);
  return kroOk;
}

std::int32_t kro_tlIndexOf(KroHandle* h, std::int32_t object, std::int32_t number,
                           std::int32_t& position) {
  KroStore* s = storeOf(h);
  position = -1;
  if (!s) return kroErrHandle;
  if (!s->inUse(object)) return kroErrNumber;
  const auto* l = listOf(s, object);
  if (!l) return kroErrNotFound;
  const auto it = std::find(l->begin(), l->end(), number);
  if (it == l->end()) return kroErrNotFound;
  position = static_cast<std::int32_t>(it - l->begin());
  return kroOk;
}

std::int32_t kro_d2GetR(KroHandle* h, std::string_view path, std::int32_t& number,
                        std::int32_t startDir, std::int32_t section) {
  KroStore* s = storeOf(h);
  number = -1;
  if (!s) return kroErrHandle;
  if (!sectionOk(section)) return kroErrArgument;
  return resolve(*s, path, startDir, number);
}

std::int32_t kroq_dsReadV(KroHandle* h, std::string_view path, const KroValue& def,
                          std::int32_t dir, std::int32_t section, KroValue& out) {
  KroStore* s = storeOf(h);
  if (!s) {
    out = def;
    return kroErrHandle;
  }
  if (!sectionOk(section)) {
    out = def;
    return kroErrArgument;
  }
  std::int32_t n = -1;
  const std::int32_t r = resolve(*s, path, dir, n);
  if (r == kroErrNumber) {
    out = def;
    return r;
  }
  if (r > 0 || s->obj(n).kind == static_cast<std::uint8_t>(KroValue::Kind::Empty)) {
    out = def;
    return kroDefaulted;
  }
  s->getValue(n, out);
  return kroOk;
}

std::int32_t kro_dsWriteV(KroHandle* h, std::string_view path, const KroValue& value,
                          std::int32_t dir, std::int32_t section) {
  KroStore* s = storeOf(h);
  if (!s) return kroErrHandle;
  Synced sync(h);
  if (!sectionOk(section)) return kroErrArgument;
  if (!s->inUse(dir)) return kroErrNumber;
  if (value.kind == KroValue::Kind::Text && value.s.size() > kroMaxText) return kroErrTooLarge;
  std::vector<std::string_view> parts;
  if (!splitPath(path, parts) || parts.empty()) return kroErrName;
  std::int32_t parent = -1;
  std::int32_t r = forceDirs(*s, parts, parts.size() - 1, dir, parent);
  if (r > 0) return r;
  std::int32_t n = s->findChild(parent, parts.back());
  if (n < 0) {
    n = s->makeNamed(parent, parts.back(), kroTypeOfKind(value.kind));
    if (n < 0) return -n;
  }
  return s->setValue(n, value);
}

std::int32_t kro_dsCreateV(KroHandle* h, std::int32_t parent, std::string_view name,
                           const KroValue& value, std::int32_t& number, std::int32_t section) {
  KroStore* s = storeOf(h);
  number = -1;
  if (!s) return kroErrHandle;
  Synced sync(h);
  if (!sectionOk(section)) return kroErrArgument;
  if (!s->inUse(parent)) return kroErrNumber;
  if (!kroValidName(name)) return kroErrName;
  if (value.kind == KroValue::Kind::Text && value.s.size() > kroMaxText) return kroErrTooLarge;
  if (s->findChild(parent, name) >= 0) return kroErrExists;
  const std::int32_t n = s->makeNamed(parent, name, kroTypeOfKind(value.kind));
  if (n < 0) return -n;
  s->setValue(n, value);
  number = n;
  return kroOk;
}

std::int32_t kro_dsCreateDir(KroHandle* h, std::int32_t parent, std::string_view name,
                             std::int32_t& number, std::int32_t section) {
  KroStore* s = storeOf(h);
  number = -1;
  if (!s) return kroErrHandle;
  Synced sync(h);
  if (!sectionOk(section)) return kroErrArgument;
  if (!s->inUse(parent)) return kroErrNumber;
  if (!kroValidName(name)) return kroErrName;
  if (s->findChild(parent, name) >= 0) return kroErrExists;
  const std::int32_t n = s->makeNamed(parent, name, kroTypeDir);
  if (n < 0) return -n;
  s->obj(n).flags |= kroHasLinks;
  s->links[n];
  number = n;
  return kroOk;
}

std::int32_t kro_dsForceCreateDir(KroHandle* h, std::string_view path, std::int32_t& number,
                                  std::int32_t dir, std::int32_t section) {
  KroStore* s = storeOf(h);
  number = -1;
  if (!s) return kroErrHandle;
  Synced sync(h);
  if (!sectionOk(section)) return kroErrArgument;
  if (!s->inUse(dir)) return kroErrNumber;
  std::vector<std::string_view> parts;
  if (!splitPath(path, parts)) return kroErrName;
  return forceDirs(*s, parts, parts.size(), dir, number);
}

std::string kro_GetName(KroHandle* h, std::int32_t object) {
  KroStore* s = storeOf(h);
  if (!s || !s->inUse(object) || !(s->obj(object).flags & kroHasName)) return {};
  const auto it = s->names.find(object);
  return it == s->names.end() ? std::string() : it->second;
}

void defaultIV(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t j = text.find_first_of("\r\n", i);
    if (j == std::string::npos) j = text.size();
    if (j > i) ProgramLogWrite(text.substr(i, j - i));
    i = j + 1;
  }
}

void IVmsgE(KroHandle* h, std::string_view place, std::int32_t code, std::int32_t /*level*/) {
  const std::string text = "kro error " + std::to_string(code) + " in " + std::string(place);
  if (h && h->sink)
    h->sink(text);
  else
    defaultIV(text);
}

std::size_t kro_MemoryUsage(KroHandle* h) {
  KroStore* s = storeOf(h);
  if (!s) return 0;
  std::size_t bytes = sizeof(KroStore) + s->objs.capacity() * sizeof(KroObj) +
                      s->types.capacity() * sizeof(std::int32_t) + s->arena.capacity() +
                      s->pool.capacity() * sizeof(std::int32_t);
  for (const auto& [n, l] : s->links) bytes += 48 + l.capacity() * sizeof(std::int32_t);
  for (const auto& [n, nm] : s->names) bytes += 64 + nm.capacity();
  for (const auto& [n, m] : s->masks) bytes += 48 + m.capacity() * sizeof(KroMaskField);
  return bytes;
}
