#pragma once
// The store's inner representation, shared by the library's source files only.
//
// Objects live in one contiguous array indexed by number (24 bytes each) beside the
// array of type codes the handle exposes. Texts live in one arena; a text value keeps its
// offset and length. The fields of masked objects live in one pool of numbers. Names,
// link lists and mask definitions are rare (directories, values of the system section,
// masks, the list of entries) and sit in maps keyed by number.
#include <cstdint>
#include <functional>
#include <memory>
#include <queue>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "store/kro.h"

constexpr std::uint8_t kroKindFree = 0xFF;  // beside KroValue::Kind's values 0..6

constexpr std::uint8_t kroHasName = 0x01;
constexpr std::uint8_t kroHasLinks = 0x02;
constexpr std::uint8_t kroIsMask = 0x04;

struct KroObj {
  // Byte, Int32, Int64, Boolean: the value; DateTime: the double's bits;
  // Text: offset in the arena << 24 | length.
  std::uint64_t payload = 0;
  std::int32_t i32 = 0;
  std::int32_t aux = -1;  // masked object: offset in the field pool (mask, count, links...)
  std::uint8_t kind = kroKindFree;
  std::uint8_t flags = 0;
};

struct KroMaskField {
  std::string name;
  std::int32_t type = kroTypeText;
  std::int32_t p2 = 0, p3 = 0, p4 = 0;
};

struct KroStore {
  std::vector<KroObj> objs;
  std::vector<std::int32_t> types;
  std::string arena;
  std::size_t garbage = 0;  // arena bytes no value refers to any more
  std::vector<std::int32_t> pool;
  std::unordered_map<std::int32_t, std::vector<std::int32_t>> links;
  std::unordered_map<std::int32_t, std::string> names;
  std::unordered_map<std::int32_t, std::vector<KroMaskField>> masks;
  // Free numbers, lowest on top; entries whose number came back into use are dropped
  // lazily.
  std::priority_queue<std::int32_t, std::vector<std::int32_t>, std::greater<std::int32_t>> freeHeap;

  std::int32_t count() const { return static_cast<std::int32_t>(objs.size()); }
  bool inUse(std::int32_t n) const {
    return n >= 0 && n < count() && objs[static_cast<std::size_t>(n)].kind != kroKindFree;
  }
  KroObj& obj(std::int32_t n) { return objs[static_cast<std::size_t>(n)]; }
  const KroObj& obj(std::int32_t n) const { return objs[static_cast<std::size_t>(n)]; }

  std::int32_t firstFree();
  // Puts an object into use at a free number (or count); false when it cannot.
  std::int32_t allocate(std::int32_t number, std::int32_t type);
  void release(std::int32_t n);

  std::string_view text(const KroObj& o) const {
    return std::string_view(arena).substr(static_cast<std::size_t>(o.payload >> 24),
                                          static_cast<std::size_t>(o.payload & 0xFFFFFF));
  }
  std::int32_t setValue(std::int32_t n, const KroValue& v);
  void getValue(std::int32_t n, KroValue& out) const;
  void dropText(KroObj& o);
  void compactArena();

  std::int32_t findChild(std::int32_t dir, std::string_view name) const;
  std::int32_t makeNamed(std::int32_t parent, std::string_view name, std::int32_t type);
};

// The type code a new object of the value's kind gets.
std::int32_t kroTypeOfKind(KroValue::Kind k);
// Name rules: 1 to 255 bytes, no '/'.
bool kroValidName(std::string_view name);
// Serialisation (kro_file.cpp): the whole file's bytes.
struct KroBytes {
  std::unique_ptr<unsigned char[]> data;
  std::size_t size = 0;
};
KroBytes kroSerializeBytes(const KroStore& s);
std::string kroSerialize(const KroStore& s);
// The checks of a file's first 24 bytes against the file's size: kroOk, or kroErrFormat
// (no store, a wrong stated length), kroErrVersion, kroErrTooLarge (beyond
// kroMaxFileBytes).
std::int32_t kroCheckHeader(const unsigned char* head, std::uint64_t fileSize);
// Parses a whole file's bytes into `out` (fresh); a code above 0 when it is not a valid
// store.
std::int32_t kroParse(const unsigned char* data, std::size_t size, KroStore& out);
