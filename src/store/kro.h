#pragma once
// The object store: a small C-style library that keeps numbered objects in memory and in
// one file.
//
// Concepts, before the calls:
// - A store is reached through a handle (KroHandle) that the caller owns and passes by
//   address to every call. kro_dbStart sets it up, kro_dbDestroy releases it. The caller
//   may read `count` and `types` of the handle; everything else is the library's.
// - Objects are numbered from 0 to count - 1. Object 0 holds the store's title text,
//   object 1 is the root directory of the system section. Number -1 means "no object".
//   A number may be free (never used, or deleted); free numbers are reused, lowest first.
// - Every object in use has a 32-bit type code (kept as given; the library's own codes
//   are listed below), and may have a tagged value, a separate 32-bit integer, a link list
//   (ordered object numbers, positions from 0), a name (at most 255 bytes) and, when it was
//   made from an object mask, fields: field j links to the object holding its value.
// - An object mask is an object with a name and an ordered list of fields, each with a
//   name, a type code and three integer parameters the library keeps but does not use.
// - The system section is a tree: an object's link list holds its children, and a child is
//   found by its name. A path is a '/'-separated list of names resolved from a start
//   directory; empty names (leading, trailing or doubled '/') are skipped, so an empty path
//   names the start directory itself.
// - Results: 0 or less is success, above 0 an error (the kroErr* codes). Calls that give
//   a count, a number or a text return it directly and say what they give on failure.
// - Texts are UTF-8 byte strings. Nothing is thrown; the library never shows anything.
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// Type codes the library gives to what it creates. Other codes are kept as given.
constexpr std::int32_t kroTypeDir = 1;        // directory of the system section
constexpr std::int32_t kroTypeMask = 2;       // object mask
constexpr std::int32_t kroTypeRecord = 3;     // object made from a mask
constexpr std::int32_t kroTypeText = 4;       // text (the default)
constexpr std::int32_t kroTypeByte = 5;       // 8-bit unsigned
constexpr std::int32_t kroTypeWord = 6;       // 16-bit
constexpr std::int32_t kroTypeInt32 = 7;      // 32-bit
constexpr std::int32_t kroTypeInt64 = 8;      // 64-bit
constexpr std::int32_t kroTypeBool = 9;       // boolean
constexpr std::int32_t kroTypeDateTime = 10;  // date-time

// Results. 0 or less is success.
constexpr std::int32_t kroOk = 0;
constexpr std::int32_t kroDefaulted = -1;   // success: the value was missing, the default came back
constexpr std::int32_t kroErrHandle = 1;    // the handle was not started
constexpr std::int32_t kroErrNumber = 2;    // object number out of range or not in use
constexpr std::int32_t kroErrInUse = 3;     // the number is already in use
constexpr std::int32_t kroErrNotFound = 4;  // no such path, name or field
constexpr std::int32_t kroErrName = 5;      // empty name, or longer than 255 bytes
constexpr std::int32_t kroErrExists = 6;    // the directory already holds that name
constexpr std::int32_t kroErrNotMask = 7;   // the object is not a mask / not made from one
constexpr std::int32_t kroErrPosition = 8;  // position outside the link list
constexpr std::int32_t kroErrArgument = 9;  // an argument the call cannot use
constexpr std::int32_t kroErrIo = 10;       // the file could not be opened, read or written
constexpr std::int32_t kroErrFormat = 11;   // not a whole, valid store file
constexpr std::int32_t kroErrVersion = 12;  // a store file of a newer format
constexpr std::int32_t kroErrTooLarge = 13;   // a text, list or store beyond the limits
constexpr std::int32_t kroErrProtected = 14;  // objects 0 and 1 cannot be deleted
constexpr std::int32_t kroErrMemory = 15;     // not enough memory to load or save the store

constexpr std::size_t kroMaxName = 255;             // bytes of one name
constexpr std::size_t kroMaxText = (1u << 24) - 1;  // bytes of one text value
constexpr std::int32_t kroMaxObjects = 1 << 27;     // numbers per store
// Bytes of a store file. A work list of 100,000 entries takes a few tens of MB; a file that is (or
// says it is) larger is refused before it is read, and a store that would need a larger
// file is not saved.
constexpr std::uint64_t kroMaxFileBytes = std::uint64_t(512) << 20;

// Flags of kro_DeleteEx.
constexpr std::int32_t kroDelFields = 0x01;  // also delete the value objects of its fields
constexpr std::int32_t kroDelLinked = 0x02;  // also delete what its link list holds, recursively

// Save mode bit: every save flushes the file and its folder to disk before it returns,
// unless the mode carries kroSaveNoFlush (for scratch files that need not survive a crash).
constexpr std::int32_t kroSaveNoFlush = 0x100;

// A tagged value. Reading a value through another kind converts it: a number kept as text
// reads as the number, a boolean as 0 / 1, a number as its decimal text; an empty value,
// or one that cannot be converted, gives the default passed to the reader.
struct KroValue {
  enum class Kind : std::uint8_t { Empty, Text, Byte, Int32, Int64, Boolean, DateTime };

  Kind kind = Kind::Empty;
  std::int64_t i = 0;  // Byte, Int32, Int64, Boolean (0 / 1)
  double d = 0.0;      // DateTime: days since 30 December 1899
  std::string s;       // Text

  KroValue() = default;
  KroValue(const std::string& v) : kind(Kind::Text), s(v) {}
  KroValue(std::string&& v) : kind(Kind::Text), s(std::move(v)) {}
  KroValue(std::string_view v) : kind(Kind::Text), s(v) {}
  KroValue(const char* v) : kind(Kind::Text), s(v ? v : "") {}
  KroValue(std::uint8_t v) : kind(Kind::Byte), i(v) {}
  KroValue(int v) : kind(Kind::Int32), i(v) {}
  KroValue(unsigned v) : kind(Kind::Int64), i(v) {}
  KroValue(unsigned long v) : kind(Kind::Int64), i(static_cast<std::int64_t>(v)) {}
  KroValue(unsigned long long v) : kind(Kind::Int64), i(static_cast<std::int64_t>(v)) {}
  KroValue(long v) : kind(Kind::Int64), i(v) {}
  KroValue(long long v) : kind(Kind::Int64), i(v) {}
  KroValue(bool v) : kind(Kind::Boolean), i(v ? 1 : 0) {}
  KroValue(double) = delete;  // the only floating value is a date-time: KroValue::dateTime
  static KroValue dateTime(double days) {
    KroValue v;
    v.kind = Kind::DateTime;
    v.d = days;
    return v;
  }

  bool empty() const { return kind == Kind::Empty; }
  std::string asText(const std::string& def = std::string()) const;
  // Out of 32-bit range gives def; 2^31 .. 2^32 - 1 (an unsigned flag word) gives its bits.
  std::int32_t asInt(std::int32_t def = 0) const;
  std::int64_t asInt64(std::int64_t def = 0) const;
  std::uint8_t asByte(std::uint8_t def = 0) const;  // out of 0..255 gives def
  bool asBool(bool def = false) const;  // "true"/"false" (any case), numbers: not 0 = true
  double asDouble(double def = 0.0) const;
  bool operator==(const KroValue& o) const;
};

struct KroStore;

// The store handle: owned by the caller (embedded in TkroObject), filled by the library.
struct KroHandle {
  std::int32_t count = 0;               // numbers 0 .. count - 1
  const std::int32_t* types = nullptr;  // type code by number; 0 for a free number
  KroStore* store = nullptr;            // the library's; null before kro_dbStart
  // Where IVmsgE sends its reports; defaultIV when empty.
  std::function<void(const std::string&)> sink;
};

// Set-up and release.
std::int32_t kro_dbStart(KroHandle* h);                              // an empty store (count 0)
std::int32_t kro_dbCreateDefault(KroHandle* h, std::int32_t flags);  // title 0, root 1
std::int32_t kro_dbDestroy(KroHandle* h);

// Files. A failed load leaves the store exactly as it was; a failed save leaves the old
// file as it was. The load mode is accepted for every value; see kroSaveNoFlush.
// A load checks the file's header (magic, version, stated length against the file's size
// and kroMaxFileBytes) before it reads the rest; running out of memory gives kroErrMemory.
std::int32_t kro_dbLoad(KroHandle* h, const std::string& file, std::int32_t mode);
std::int32_t kro_dbSave(KroHandle* h, const std::string& file, std::int32_t mode);
// A save writes file + ".tmp<pid>-<n>" beside the file and renames it into place; a save
// killed half-way leaves it behind. Removes those of `file` whose process no longer runs
// (regular files only; a link or folder of that name stays). Returns how many went.
std::int32_t kro_dbRemoveStaleTemporaries(const std::string& file);
// The same from and to memory (the file's bytes).
std::int32_t kro_dbLoadBuffer(KroHandle* h, const void* data, std::size_t size);
std::int32_t kro_dbSaveBuffer(KroHandle* h, std::string& out);

// "tavel-kro 1.0 (object store, format 1)"
const char* kro_GetModuleInfo();

// Objects. kro_GetFirstFree gives the lowest free number (count when none is free).
std::int32_t kro_GetFirstFree(KroHandle* h);
std::int32_t kro_New(KroHandle* h, std::int32_t number, std::int32_t type);
// A masked object at the free `number`: every field of the mask gets a value object of
// the field's type at the next free numbers. The creation value is accepted, not used.
std::int32_t kro_oCreate(KroHandle* h, std::int32_t number, std::int32_t mask,
                         std::int32_t creation);
std::int32_t kro_omCreate(KroHandle* h, std::int32_t number, std::string_view name,
                          std::int32_t creation);
std::int32_t kro_omAddItem(KroHandle* h, std::int32_t mask, std::string_view name,
                           std::int32_t type, std::int32_t p2, std::int32_t p3, std::int32_t p4);
std::int32_t kro_oGetLinkJ(KroHandle* h, std::int32_t object, std::int32_t position,
                           std::int32_t& number);
std::int32_t kro_oGetLinkN(KroHandle* h, std::int32_t object, std::string_view name,
                           std::int32_t& number);
// Deletes the object (see kroDel*); its number becomes free. Link lists that hold it are
// not changed.
std::int32_t kro_DeleteEx(KroHandle* h, std::int32_t object, std::int32_t flags);

// Values. kro_vSet with number -1 creates a new object at the first free number and
// passes its number back; type -1 keeps the object's type code (a new object gets the
// code of the value's kind), any other type replaces it.
std::int32_t kro_vGet(KroHandle* h, std::int32_t object, KroValue& out, std::int32_t flags);
std::int32_t kro_vSet(KroHandle* h, std::int32_t& object, const KroValue& value, std::int32_t type);
std::int32_t kro_i32Get(KroHandle* h, std::int32_t object);  // 0 for an unusable object
std::int32_t kro_i32Set(KroHandle* h, std::int32_t object, std::int32_t value);
std::int32_t kro_sGet(KroHandle* h, std::int32_t object, std::string& text);  // value as text
std::int32_t kro_sSet(KroHandle* h, std::int32_t object, std::string_view text);

// Link lists.
std::int32_t kro_tlNew(KroHandle* h, std::int32_t object, std::int32_t flags);  // empty list
std::int32_t kro_tlCount(KroHandle* h, std::int32_t object);  // 0 when none or unusable
std::int32_t kro_tlGet(KroHandle* h, std::int32_t object, std::int32_t position);  // -1 outside
std::int32_t kro_tlAdd(KroHandle* h, std::int32_t object, std::int32_t number);
std::int32_t kro_tlDelete(KroHandle* h, std::int32_t object, std::int32_t position);
std::int32_t kro_tlIndexOf(KroHandle* h, std::int32_t object, std::int32_t number,
                           std::int32_t& position);

// System section. `section` is the section code (4); other codes give kroErrArgument.
std::int32_t kro_d2GetR(KroHandle* h, std::string_view path, std::int32_t& number,
                        std::int32_t startDir, std::int32_t section);
std::int32_t kroq_dsReadV(KroHandle* h, std::string_view path, const KroValue& def,
                          std::int32_t dir, std::int32_t section, KroValue& out);
std::int32_t kro_dsWriteV(KroHandle* h, std::string_view path, const KroValue& value,
                          std::int32_t dir, std::int32_t section);
std::int32_t kro_dsCreateV(KroHandle* h, std::int32_t parent, std::string_view name,
                           const KroValue& value, std::int32_t& number, std::int32_t section);
std::int32_t kro_dsCreateDir(KroHandle* h, std::int32_t parent, std::string_view name,
                             std::int32_t& number, std::int32_t section);
std::int32_t kro_dsForceCreateDir(KroHandle* h, std::string_view path, std::int32_t& number,
                                  std::int32_t dir, std::int32_t section);

// The name of an object ("" when it has none).
std::string kro_GetName(KroHandle* h, std::int32_t object);

// Reports: IVmsgE sends "kro error <code> in <place>" to the handle's sink (defaultIV when
// it has none). defaultIV writes each line of the text to the program log.
void IVmsgE(KroHandle* h, std::string_view place, std::int32_t code, std::int32_t level);
void defaultIV(const std::string& text);

// Bytes of memory the store holds (for the benchmark).
std::size_t kro_MemoryUsage(KroHandle* h);
