// The store file.
//
// Layout, little-endian throughout:
//   header   8 bytes magic "\x89KRO\r\n\x1a\n", u32 format version (1), u32 flags (0),
//            u64 payload length
//   payload  u32 object count, u64 total text bytes, u64 field-pool words, then one
//            record per object number (below)
//   trailer  u32 CRC-32C of everything before it
// An object record: u8 kind (0xFF = free number, nothing follows); otherwise i32 type
// code, u8 parts, the value by kind (text: u32 length + bytes; byte: u8; 32-bit: i32;
// 64-bit: i64; boolean: u8 0/1; date-time: f64), then the parts that are present in this
// order: i32 integer, name (u8 length 1..255 + bytes), link list (u32 count + i32 each),
// fields (i32 mask, u32 count + i32 each), mask definition (u32 count, each field: u8
// length + name, i32 type, p2, p3, p4).
//
// Reading trusts nothing: every length is compared with the bytes that remain before
// anything is allocated from it, every number must name an object of the file, and the
// whole is parsed into a fresh store that replaces the old one only when all is well.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <memory>
#include <new>

#include "fs/atomic_file.h"
#include "fs/path_text.h"
#include "fs/sys_calls.h"
#include "fs/unique_fd.h"
#include "store/crc32c.h"
#include "store/kro_store.h"

namespace {

constexpr unsigned char kMagic[8] = {0x89, 'K', 'R', 'O', '\r', '\n', 0x1A, '\n'};
constexpr std::uint32_t kVersion = 1;
constexpr std::size_t kHeader = 24;
constexpr std::size_t kTrailer = 4;

constexpr std::uint8_t partInt = 0x01;
constexpr std::uint8_t partName = 0x02;
constexpr std::uint8_t partLinks = 0x04;
constexpr std::uint8_t partFields = 0x08;
constexpr std::uint8_t partMask = 0x10;
constexpr std::uint8_t partAll = 0x1F;

// ------------------------------------------------------------------------- writing

// Writes the file's bytes into a window: the whole file when the window is as large (a
// save to memory), or a piece at a time handed to `sink` (a save to a file, which so needs no
// second copy of the whole store in memory). The CRC of what is written runs along.
class Out {
 public:
  using Sink = std::function<bool(const unsigned char*, std::size_t)>;
  Out(unsigned char* window, std::size_t size, Sink sink = {})
      : buf_(window), cap_(size), sink_(std::move(sink)) {}
  template <class T>
  void put(T v) {
    bytes(&v, sizeof v);
  }
  void bytes(const void* d, std::size_t n) {
    const auto* p = static_cast<const unsigned char*>(d);
    while (n > 0) {
      if (used_ == cap_) flush();
      const std::size_t k = std::min(n, cap_ - used_);
      std::memcpy(buf_ + used_, p, k);
      used_ += k;
      p += k;
      n -= k;
    }
  }
  // Ends the file with the CRC of everything written before it, and hands the rest over.
  void finish() {
    crc_ = Crc32c(buf_ + crcFrom_, used_ - crcFrom_, crc_);
    crcFrom_ = used_;
    const std::uint32_t crc = crc_;
    counting_ = false;
    put<std::uint32_t>(crc);
    if (sink_) flush();
  }
  // False once the sink refused a piece.
  bool ok() const { return ok_; }

 private:
  void flush() {
    if (counting_) crc_ = Crc32c(buf_ + crcFrom_, used_ - crcFrom_, crc_);
    if (ok_ && sink_) ok_ = sink_(buf_, used_);
    // A window without a sink is the whole file and never fills up before its end.
    used_ = crcFrom_ = 0;
  }

  unsigned char* buf_;
  std::size_t cap_, used_ = 0, crcFrom_ = 0;
  std::uint32_t crc_ = 0;
  bool counting_ = true, ok_ = true;
  Sink sink_;
};

std::uint8_t partsOf(const KroStore& s, const KroObj& o) {
  std::uint8_t parts = 0;
  if (o.i32 != 0) parts |= partInt;
  if (o.flags & kroHasName) parts |= partName;
  if (o.flags & kroHasLinks) parts |= partLinks;
  if (o.aux >= 0) parts |= partFields;
  if (o.flags & kroIsMask) parts |= partMask;
  (void)s;
  return parts;
}

std::size_t valueSize(const KroObj& o) {
  switch (static_cast<KroValue::Kind>(o.kind)) {
    case KroValue::Kind::Text:
      return 4 + (o.payload & 0xFFFFFF);
    case KroValue::Kind::Byte:
    case KroValue::Kind::Boolean:
      return 1;
    case KroValue::Kind::Int32:
      return 4;
    case KroValue::Kind::Int64:
    case KroValue::Kind::DateTime:
      return 8;
    case KroValue::Kind::Empty:
      break;
  }
  return 0;
}

// The exact size of the file, and the totals its payload begins with.
std::size_t serializedSize(const KroStore& s, std::uint64_t& textBytes, std::uint64_t& poolWords) {
  std::size_t size = kHeader + 4 + 8 + 8 + kTrailer;
  textBytes = poolWords = 0;
  for (std::int32_t n = 0; n < s.count(); ++n) {
    const KroObj& o = s.obj(n);
    size += 1;
    if (o.kind == kroKindFree) continue;
    size += 4 + 1 + valueSize(o);
    if (o.kind == static_cast<std::uint8_t>(KroValue::Kind::Text))
      textBytes += o.payload & 0xFFFFFF;
    if (o.i32 != 0) size += 4;
    if (o.flags & kroHasName) size += 1 + s.names.at(n).size();
    if (o.flags & kroHasLinks) size += 4 + 4 * s.links.at(n).size();
    if (o.aux >= 0) {
      const std::int32_t nf = s.pool[static_cast<std::size_t>(o.aux) + 1];
      size += 8 + 4 * static_cast<std::size_t>(nf);
      poolWords += 2 + static_cast<std::uint64_t>(nf);
    }
    if (o.flags & kroIsMask) {
      size += 4;
      for (const auto& f : s.masks.at(n)) size += 1 + f.name.size() + 16;
    }
  }
  return size;
}

// Writes the whole file (of the size serializedSize gave) through w.
void writeStore(const KroStore& s, std::size_t size, std::uint64_t textBytes,
                std::uint64_t poolWords, Out& w) {
  w.bytes(kMagic, sizeof kMagic);
  w.put<std::uint32_t>(kVersion);
  w.put<std::uint32_t>(0);
  w.put<std::uint64_t>(size - kHeader - kTrailer);
  w.put<std::uint32_t>(static_cast<std::uint32_t>(s.count()));
  w.put<std::uint64_t>(textBytes);
  w.put<std::uint64_t>(poolWords);
  for (std::int32_t n = 0; n < s.count(); ++n) {
    const KroObj& o = s.obj(n);
    w.put<std::uint8_t>(o.kind);
    if (o.kind == kroKindFree) continue;
    w.put<std::int32_t>(s.types[static_cast<std::size_t>(n)]);
    w.put<std::uint8_t>(partsOf(s, o));
    switch (static_cast<KroValue::Kind>(o.kind)) {
      case KroValue::Kind::Text: {
        const std::string_view t = s.text(o);
        w.put<std::uint32_t>(static_cast<std::uint32_t>(t.size()));
        w.bytes(t.data(), t.size());
        break;
      }
      case KroValue::Kind::Byte:
      case KroValue::Kind::Boolean:
        w.put<std::uint8_t>(static_cast<std::uint8_t>(o.payload));
        break;
      case KroValue::Kind::Int32:
        w.put<std::int32_t>(static_cast<std::int32_t>(o.payload));
        break;
      case KroValue::Kind::Int64:
      case KroValue::Kind::DateTime:
        w.put<std::uint64_t>(o.payload);
        break;
      case KroValue::Kind::Empty:
        break;
    }
    if (o.i32 != 0) w.put<std::int32_t>(o.i32);
    if (o.flags & kroHasName) {
      const std::string& nm = s.names.at(n);
      w.put<std::uint8_t>(static_cast<std::uint8_t>(nm.size()));
      w.bytes(nm.data(), nm.size());
    }
    if (o.flags & kroHasLinks) {
      const auto& l = s.links.at(n);
      w.put<std::uint32_t>(static_cast<std::uint32_t>(l.size()));
      w.bytes(l.data(), 4 * l.size());
    }
    if (o.aux >= 0) {
      const std::int32_t* rec = s.pool.data() + o.aux;
      w.put<std::int32_t>(rec[0]);
      w.put<std::uint32_t>(static_cast<std::uint32_t>(rec[1]));
      w.bytes(rec + 2, 4 * static_cast<std::size_t>(rec[1]));
    }
    if (o.flags & kroIsMask) {
      const auto& fields = s.masks.at(n);
      w.put<std::uint32_t>(static_cast<std::uint32_t>(fields.size()));
      for (const auto& f : fields) {
        w.put<std::uint8_t>(static_cast<std::uint8_t>(f.name.size()));
        w.bytes(f.name.data(), f.name.size());
        w.put<std::int32_t>(f.type);
        w.put<std::int32_t>(f.p2);
        w.put<std::int32_t>(f.p3);
        w.put<std::int32_t>(f.p4);
      }
    }
  }
  w.finish();
}

}  // namespace

KroBytes kroSerializeBytes(const KroStore& s) {
  // First the exact size, so the buffer is allocated once.
  std::uint64_t textBytes = 0, poolWords = 0;
  const std::size_t size = serializedSize(s, textBytes, poolWords);
  KroBytes buf;
  buf.data.reset(new unsigned char[size]);  // every byte is written below
  buf.size = size;
  Out w(buf.data.get(), size);
  writeStore(s, size, textBytes, poolWords, w);
  return buf;
}

std::string kroSerialize(const KroStore& s) {
  const KroBytes b = kroSerializeBytes(s);
  return std::string(reinterpret_cast<const char*>(b.data.get()), b.size);
}

// ------------------------------------------------------------------------- reading

namespace {

class In {
 public:
  In(const unsigned char* p, std::size_t n) : p_(p), end_(p + n) {}
  std::size_t left() const { return static_cast<std::size_t>(end_ - p_); }
  template <class T>
  bool get(T& v) {
    if (left() < sizeof v) return false;
    std::memcpy(&v, p_, sizeof v);
    p_ += sizeof v;
    return true;
  }
  // A view of the next n bytes; false when fewer remain.
  bool take(std::size_t n, const unsigned char*& at) {
    if (left() < n) return false;
    at = p_;
    p_ += n;
    return true;
  }

 private:
  const unsigned char* p_;
  const unsigned char* end_;
};

bool readNumbers(In& in, std::size_t n, std::int32_t count, std::vector<std::int32_t>& to) {
  const unsigned char* at = nullptr;
  if (n > in.left() / 4 || !in.take(4 * n, at)) return false;
  if (n == 0) return true;
  const std::size_t base = to.size();
  to.resize(base + n);
  std::memcpy(to.data() + base, at, 4 * n);
  for (std::size_t i = base; i < to.size(); ++i)
    if (to[i] < 0 || to[i] >= count) return false;
  return true;
}

bool readName(In& in, std::string& name) {
  std::uint8_t len = 0;
  const unsigned char* at = nullptr;
  if (!in.get(len) || len == 0 || !in.take(len, at)) return false;
  name.assign(reinterpret_cast<const char*>(at), len);
  return true;
}

std::int32_t parsePayload(In& in, KroStore& s) {
  std::uint32_t count32 = 0;
  std::uint64_t textBytes = 0, poolWords = 0;
  if (!in.get(count32) || !in.get(textBytes) || !in.get(poolWords)) return kroErrFormat;
  // Every object takes at least one byte, every text byte and pool word at least as many
  // bytes in the file: the counts are checked against what remains before reserving.
  if (count32 > static_cast<std::uint32_t>(kroMaxObjects)) return kroErrTooLarge;
  if (count32 > in.left() || textBytes > in.left() || poolWords > in.left() / 4)
    return kroErrFormat;
  const auto count = static_cast<std::int32_t>(count32);
  s.objs.resize(count32);
  s.types.assign(count32, 0);
  s.arena.reserve(static_cast<std::size_t>(textBytes));
  s.pool.reserve(static_cast<std::size_t>(poolWords));

  for (std::int32_t n = 0; n < count; ++n) {
    KroObj& o = s.obj(n);
    std::uint8_t kind = 0;
    if (!in.get(kind)) return kroErrFormat;
    if (kind == kroKindFree) {
      s.freeHeap.push(n);
      continue;
    }
    if (kind > static_cast<std::uint8_t>(KroValue::Kind::DateTime)) return kroErrFormat;
    std::int32_t type = 0;
    std::uint8_t parts = 0;
    if (!in.get(type) || !in.get(parts) || (parts & ~partAll)) return kroErrFormat;
    o.kind = kind;
    s.types[static_cast<std::size_t>(n)] = type;
    switch (static_cast<KroValue::Kind>(kind)) {
      case KroValue::Kind::Text: {
        std::uint32_t len = 0;
        const unsigned char* at = nullptr;
        if (!in.get(len) || len > kroMaxText || !in.take(len, at)) return kroErrFormat;
        if (s.arena.size() + len > textBytes) return kroErrFormat;
        o.payload = static_cast<std::uint64_t>(s.arena.size()) << 24 | len;
        s.arena.append(reinterpret_cast<const char*>(at), len);
        break;
      }
      case KroValue::Kind::Byte: {
        std::uint8_t v = 0;
        if (!in.get(v)) return kroErrFormat;
        o.payload = v;
        break;
      }
      case KroValue::Kind::Boolean: {
        std::uint8_t v = 0;
        if (!in.get(v) || v > 1) return kroErrFormat;
        o.payload = v;
        break;
      }
      case KroValue::Kind::Int32: {
        std::int32_t v = 0;
        if (!in.get(v)) return kroErrFormat;
        o.payload = static_cast<std::uint64_t>(static_cast<std::int64_t>(v));
        break;
      }
      case KroValue::Kind::Int64:
      case KroValue::Kind::DateTime:
        if (!in.get(o.payload)) return kroErrFormat;
        break;
      case KroValue::Kind::Empty:
        break;
    }
    if ((parts & partInt) && (!in.get(o.i32) || o.i32 == 0)) return kroErrFormat;
    if (parts & partName) {
      std::string name;
      if (!readName(in, name)) return kroErrFormat;
      o.flags |= kroHasName;
      s.names.emplace(n, std::move(name));
    }
    if (parts & partLinks) {
      std::uint32_t ln = 0;
      if (!in.get(ln)) return kroErrFormat;
      std::vector<std::int32_t> l;
      if (!readNumbers(in, ln, count, l)) return kroErrFormat;
      o.flags |= kroHasLinks;
      s.links.emplace(n, std::move(l));
    }
    if (parts & partFields) {
      std::int32_t mask = 0;
      std::uint32_t nf = 0;
      if (!in.get(mask) || mask < 0 || mask >= count || !in.get(nf) || nf > 0xFFFF)
        return kroErrFormat;
      if (s.pool.size() + 2 + nf > poolWords) return kroErrFormat;
      o.aux = static_cast<std::int32_t>(s.pool.size());
      s.pool.push_back(mask);
      s.pool.push_back(static_cast<std::int32_t>(nf));
      if (!readNumbers(in, nf, count, s.pool)) return kroErrFormat;
    }
    if (parts & partMask) {
      std::uint32_t nf = 0;
      if (!in.get(nf) || nf > 0xFFFF || nf > in.left() / 18) return kroErrFormat;
      std::vector<KroMaskField> fields(nf);
      for (auto& f : fields)
        if (!readName(in, f.name) || !in.get(f.type) || !in.get(f.p2) || !in.get(f.p3) ||
            !in.get(f.p4))
          return kroErrFormat;
      o.flags |= kroIsMask;
      s.masks.emplace(n, std::move(fields));
    }
  }
  if (in.left() != 0 || s.arena.size() != textBytes || s.pool.size() != poolWords)
    return kroErrFormat;
  return kroOk;
}

}  // namespace

std::int32_t kroCheckHeader(const unsigned char* head, std::uint64_t fileSize) {
  if (fileSize < kHeader + kTrailer) return kroErrFormat;
  if (std::memcmp(head, kMagic, sizeof kMagic) != 0) return kroErrFormat;
  In in(head + sizeof kMagic, kHeader - sizeof kMagic);
  std::uint32_t version = 0, flags = 0;
  std::uint64_t payload = 0;
  in.get(version);
  in.get(flags);
  in.get(payload);
  if (version > kVersion) return kroErrVersion;
  if (version != kVersion || flags != 0) return kroErrFormat;
  if (payload != fileSize - kHeader - kTrailer) return kroErrFormat;
  if (fileSize > kroMaxFileBytes) return kroErrTooLarge;
  return kroOk;
}

std::int32_t kroParse(const unsigned char* data, std::size_t size, KroStore& out) {
  if (!data || size < kHeader + kTrailer) return kroErrFormat;
  if (const std::int32_t r = kroCheckHeader(data, size); r > 0) return r;
  std::uint32_t crc = 0;
  std::memcpy(&crc, data + size - kTrailer, 4);
  if (Crc32c(data, size - kTrailer) != crc) return kroErrFormat;
  In in(data + kHeader, size - kHeader - kTrailer);
  KroStore fresh;
  const std::int32_t r = parsePayload(in, fresh);
  if (r > 0) return r;
  out = std::move(fresh);
  return kroOk;
}

// ------------------------------------------------------------------------- files

namespace {

void syncHandle(KroHandle* h) {
  h->count = h->store->count();
  h->types = h->store->types.data();
}

}  // namespace

std::int32_t kro_dbLoadBuffer(KroHandle* h, const void* data, std::size_t size) {
  if (!h || !h->store) return kroErrHandle;
  std::int32_t r = kroErrMemory;
  try {
    r = kroParse(static_cast<const unsigned char*>(data), size, *h->store);
  } catch (const std::bad_alloc&) {
    // The fresh store is gone with the exception; the old one was not touched.
  }
  syncHandle(h);
  return r;
}

std::int32_t kro_dbSaveBuffer(KroHandle* h, std::string& out) {
  if (!h || !h->store) return kroErrHandle;
  try {
    std::string bytes = kroSerialize(*h->store);
    if (bytes.size() > kroMaxFileBytes) return kroErrTooLarge;
    out = std::move(bytes);
  } catch (const std::bad_alloc&) {
    return kroErrMemory;
  }
  return kroOk;
}

std::int32_t kro_dbLoad(KroHandle* h, const std::string& file, std::int32_t /*mode*/) {
  if (!h || !h->store) return kroErrHandle;
  // Non-blocking, so that a FIFO under the name cannot stall the program; anything but a
  // regular file is refused below.
  const UniqueFd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!fd) return kroErrIo;
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return kroErrIo;
  // The header first: a file that is no store, or says it is larger than it is or than
  // any store may be, is refused before the rest is read or memory is taken for it.
  const auto fileSize = static_cast<std::uint64_t>(st.st_size);
  unsigned char head[kHeader] = {};
  std::size_t headGot = 0;
  while (headGot < kHeader) {
    const ssize_t r = ::read(fd.get(), head + headGot, kHeader - headGot);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    headGot += static_cast<std::size_t>(r);
  }
  const std::int32_t headResult = headGot < kHeader ? kroErrFormat : kroCheckHeader(head, fileSize);
  if (headResult > 0) return headResult;
  const auto size = static_cast<std::size_t>(fileSize);
  std::unique_ptr<unsigned char[]> buf(new (std::nothrow) unsigned char[size]);
  if (!buf) return kroErrMemory;
  std::memcpy(buf.get(), head, kHeader);
  std::size_t got = kHeader;
  while (got < size) {
    const ssize_t r = ::read(fd.get(), buf.get() + got, size - got);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    got += static_cast<std::size_t>(r);
  }
  char extra = 0;
  const bool grew = got == size && ::read(fd.get(), &extra, 1) > 0;
  // A file that changed size while it was read is not a whole store.
  if (got != size || grew) return kroErrIo;
  return kro_dbLoadBuffer(h, buf.get(), size);
}

std::int32_t kro_dbSave(KroHandle* h, const std::string& file, std::int32_t mode) {
  if (!h || !h->store) return kroErrHandle;
  if (file.empty()) return kroErrArgument;
  std::uint64_t textBytes = 0, poolWords = 0;
  const std::size_t size = serializedSize(*h->store, textBytes, poolWords);
  // A file that could not be loaded again is not written.
  if (size > kroMaxFileBytes) return kroErrTooLarge;
  // The file is written a window at a time: a whole copy of a large list in memory would
  // be the peak of the program's memory at every save.
  constexpr std::size_t kWindow = std::size_t(1) << 20;
  std::unique_ptr<unsigned char[]> window(new (std::nothrow) unsigned char[kWindow]);
  if (!window) return kroErrMemory;

  // The new content goes to a fresh file beside the target and replaces it by rename only
  // once it is whole (and, when durable, on the disk): a failure at any point leaves the
  // old file as it was.
  static unsigned counter = 0;
  mode_t perm = 0666;
  struct stat old {};
  if (ActiveFsCalls().stat(file.c_str(), &old) == 0) perm = old.st_mode & 07777;
  AtomicFile out;
  const auto nextName = [&] {
    return file + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(++counter);
  };
  if (out.create(nextName, perm, 100) != 0) return kroErrIo;
  Out w(window.get(), kWindow,
        [&](const unsigned char* p, std::size_t n) { return out.writeAll(p, n) == 0; });
  writeStore(*h->store, size, textBytes, poolWords, w);
  bool ok = w.ok();
  if (ok && !(mode & kroSaveNoFlush)) ok = out.flush() == 0;
  if (out.close() != 0) ok = false;
  if (ok) ok = out.commit(file) == 0;
  if (!ok) return kroErrIo;  // the AtomicFile removes its temporary
  if (!(mode & kroSaveNoFlush)) SyncFolder(FolderOfPath(file));
  return kroOk;
}

namespace {

// The pid of a save temporary's name (after the file's own name: ".tmp<pid>-<n>"); 0 when
// the rest is not of that form.
pid_t savePidOf(std::string_view rest) {
  constexpr std::string_view kTmp = ".tmp";
  if (rest.substr(0, kTmp.size()) != kTmp) return 0;
  rest.remove_prefix(kTmp.size());
  const std::size_t dash = rest.find('-');
  if (dash == 0 || dash == std::string_view::npos || dash > 9 || dash + 1 == rest.size()) return 0;
  for (const char c : rest)
    if (c != '-' && (c < '0' || c > '9')) return 0;
  if (rest.find('-', dash + 1) != std::string_view::npos || rest.size() - dash - 1 > 10) return 0;
  pid_t pid = 0;
  for (const char c : rest.substr(0, dash)) pid = pid * 10 + (c - '0');
  return pid;
}

}  // namespace

std::int32_t kro_dbRemoveStaleTemporaries(const std::string& file) {
  if (file.empty()) return 0;
  const std::size_t slash = file.rfind('/');
  const std::string base = slash == std::string::npos ? file : file.substr(slash + 1);
  FsCalls& sys = ActiveFsCalls();
  const UniqueFd dirFd(sys.open(FolderOfPath(file).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0));
  if (!dirFd) return 0;
  std::vector<FolderEntry> entries;
  sys.listFolder(dirFd.get(), entries);
  std::int32_t removed = 0;
  for (const FolderEntry& e : entries) {
    const std::string_view name = e.name;
    if (name.size() <= base.size() || name.substr(0, base.size()) != base) continue;
    const pid_t pid = savePidOf(name.substr(base.size()));
    if (pid <= 0 || pid == ::getpid()) continue;
    // A process of that number that still runs (or that we may not signal) may be saving.
    if (::kill(pid, 0) == 0 || errno != ESRCH) continue;
    struct stat st {};
    if (sys.fstatat(dirFd.get(), e.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(st.st_mode))
      continue;
    if (::unlinkat(dirFd.get(), e.name.c_str(), 0) == 0) ++removed;
  }
  return removed;
}
