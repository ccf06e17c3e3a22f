// The store file: what survives a save and load, and what a bad file or a failed save
// must not do.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <vector>

#include "fs/sys_calls.h"
#include "fuzz/store_fuzz_input.h"
#include "store/crc32c.h"
#include "store/kro_object.h"
#include "store/kro_store.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

std::string snapshot(TkroObject& s) {
  std::string bytes;
  EXPECT_EQ(kro_dbSaveBuffer(&s.Handle, bytes), 0);
  return bytes;
}

// A store with every kind of content: values of each kind, integers, names, link lists,
// masks with parameters, masked objects, free numbers.
void fill(TkroObject& s) {
  s.SetTitle("K7D40 Simple");
  TDSystem& sys = *s.System;
  sys.CreateValue("", "FormatId", KroValue("K7D40"));
  sys.CreateValue("", "FormatVersion", KroValue(std::uint8_t(0)));
  sys.WriteValue("Conf/Info/ctime", KroValue::dateTime(46000.5));
  sys.WriteValue("Conf/Info/big", KroValue(-(1LL << 50)));
  sys.WriteValue("Conf/Info/flag", KroValue(false));
  sys.WriteValue("Conf/Info/program", KroValue("Vo Tavel 0.9.2 — ёж"));
  sys.ForceCreateDir("Masks");
  const std::int32_t masks = sys.LastCreated;
  const std::int32_t mask =
      s.CreateObjectMask("item", {"origin", "dest", "descr", "size", 8, 1, 2, 3, "length", 7}, 1);
  s.Objects(mask)->LinkInto(masks);
  sys.ForceCreateDir("Items");
  auto items = s.NewItem(sys.LastCreated);
  for (int i = 0; i < 20; ++i) {
    std::int32_t e = -1;
    s.CreateObject(mask, e, 2);
    auto* rec = s.Objects(e);
    rec->AsObject.Field(0)->SetValue(KroValue("/m/" + std::to_string(i)));
    rec->AsObject.Field(3)->SetValue(KroValue(static_cast<long long>(i) << 33));
    rec->AsObject.Field(4)->SetValue(KroValue(i * 10));
    rec->SetInt(i - 5);
    items->AsTLinks.Add(e);
  }
  items->AsTLinks.Remove(items->AsTLinks.Get(3), 19);  // leaves free numbers behind
  items->AsTLinks.Add(items->AsTLinks.Get(0));         // a number linked twice
  s.NewObject(kro_GetFirstFree(&s.Handle), 1234);
}

std::string frame(const std::string& payload, std::uint32_t version = 1) {
  std::string f("\x89KRO\r\n\x1a\n", 8);
  auto put = [&](auto v) { f.append(reinterpret_cast<const char*>(&v), sizeof v); };
  put(version);
  put(std::uint32_t(0));
  put(static_cast<std::uint64_t>(payload.size()));
  f += payload;
  put(Crc32c(f.data(), f.size()));
  return f;
}

std::string payloadOf(const std::string& file) {
  return file.substr(24, file.size() - 28);
}

TEST(StoreFile, SaveAndLoadKeepEverythingAndNumbersKeepTheirMeaning) {
  TempDir dir;
  const std::string path = (dir / "list.kro").string();
  TkroObject a([](const std::string&) {});
  fill(a);
  const std::string before = snapshot(a);
  ASSERT_EQ(a.SaveToFile(path, 2), 0);
  EXPECT_EQ(a.LastResult, 0);
  EXPECT_EQ(readFile(path), before);

  TkroObject b([](const std::string&) {});
  b.System->ForceCreateDir("Old/stuff");  // replaced wholly by the load
  b.System->ChangeDir("Old/stuff");
  ASSERT_EQ(b.LoadFromFile(path, 3), 0);
  EXPECT_EQ(snapshot(b), before);
  EXPECT_EQ(b.Count(), a.Count());
  for (std::int32_t n = 0; n < a.Count(); ++n) EXPECT_EQ(b.Handle.types[n], a.Handle.types[n]);
  EXPECT_EQ(b.System->CurrentDir(), 1);
  EXPECT_FALSE(b.System->Exists("Old", 1));
  EXPECT_EQ(kro_GetFirstFree(&b.Handle), kro_GetFirstFree(&a.Handle));

  EXPECT_EQ(b.Title(), "K7D40 Simple");
  EXPECT_EQ(b.System->ReadString("Conf/Info/program", ""), "Vo Tavel 0.9.2 — ёж");
  EXPECT_EQ(b.System->ReadInt64("Conf/Info/big", 0), -(1LL << 50));
  KroValue v;
  b.System->ReadValue("Conf/Info/ctime", KroValue(), v);
  EXPECT_EQ(v.kind, KroValue::Kind::DateTime);
  EXPECT_EQ(v.d, 46000.5);
  b.System->ReadValue("FormatVersion", KroValue(), v);
  EXPECT_EQ(v.kind, KroValue::Kind::Byte);
  EXPECT_TRUE(b.System->Exists("Conf/Info/flag", 1));
  EXPECT_FALSE(b.System->ReadBool("Conf/Info/flag", true));

  auto items = b.System->NewItemAt("Items");
  ASSERT_EQ(items->AsTLinks.High(), 19);
  const std::int32_t e = items->AsTLinks.Get(3);  // the fifth entry made (the fourth went)
  EXPECT_EQ(b.Objects(e)->AsObject.FieldByName("origin")->AsString.Get(), "/m/4");
  b.Objects(e)->AsObject.FieldByName("size")->GetValue(v);
  EXPECT_EQ(v.asInt64(), 4LL << 33);
  EXPECT_EQ(b.Objects(e)->GetInt(), -1);
  EXPECT_EQ(items->AsTLinks.Get(19), items->AsTLinks.Get(0));
  const std::int32_t mask = b.System->Lookup("Masks/item", 1);
  EXPECT_EQ(b.Objects(mask)->TypeOf(), kroTypeMask);

  // The loaded store goes on working: new entries, new fields, saved again the same.
  std::int32_t n = -1;
  ASSERT_EQ(b.CreateObject(mask, n, 2), 0);
  ASSERT_EQ(b.Objects(n)->AsObject.Field(2)->SetValue(KroValue("new")), 0);
  ASSERT_EQ(b.SaveToFile(path, 0), 0);
  TkroObject c([](const std::string&) {});
  ASSERT_EQ(c.LoadFromFile(path, 3), 0);
  EXPECT_EQ(snapshot(c), snapshot(b));
}

TEST(StoreFile, EveryKindOfBadFileGivesAnErrorAndLeavesTheStoreAsItWas) {
  TempDir dir;
  TkroObject good([](const std::string&) {});
  fill(good);
  const std::string file = snapshot(good);
  TkroObject s([](const std::string&) {});
  s.System->WriteValue("Settings/Exit confirm", KroValue(false));
  s.System->ChangeDir("Settings");
  const std::int32_t dirBefore = s.System->CurrentDir();
  const std::string before = snapshot(s);
  const std::int32_t count = s.Count();

  auto expectRefused = [&](const std::string& bytes, const std::string& what) {
    const std::string path = (dir / "bad.kro").string();
    writeFile(path, bytes);
    const std::int32_t r = s.LoadFromFile(path, 3);
    EXPECT_GT(r, 0) << what;
    EXPECT_EQ(s.LastResult, r) << what;
    ASSERT_EQ(s.Count(), count) << what;
    ASSERT_EQ(snapshot(s), before) << what;
    ASSERT_EQ(s.System->CurrentDir(), dirBefore) << what;
  };

  EXPECT_EQ(s.LoadFromFile((dir / "missing.kro").string(), 3), kroErrIo);
  EXPECT_EQ(s.LoadFromFile(dir.str(), 3), kroErrIo);  // a folder
  EXPECT_EQ(snapshot(s), before);
  expectRefused("", "empty");
  expectRefused("[Settings]\r\nExit confirm=1\r\n", "foreign text");
  expectRefused(std::string(4096, '\0'), "zeros");
  expectRefused(file + "x", "a byte too many");
  expectRefused(file.substr(0, file.size() / 2), "cut in half");

  // Every cut and flipped bits all over the file, through the same loader in memory.
  auto refusedInMemory = [&](const std::string& bytes, const std::string& what) {
    const std::int32_t r = kro_dbLoadBuffer(&s.Handle, bytes.data(), bytes.size());
    EXPECT_GT(r, 0) << what;
    ASSERT_EQ(s.Count(), count) << what;
    ASSERT_EQ(snapshot(s), before) << what;
  };
  for (std::size_t len = 0; len < file.size(); ++len)
    refusedInMemory(file.substr(0, len), "cut at " + std::to_string(len));
  for (std::size_t i = 0; i < file.size(); ++i) {
    for (int bit = 0; bit < 8; bit += 3) {
      std::string flipped = file;
      flipped[i] = static_cast<char>(flipped[i] ^ (1 << bit));
      refusedInMemory(flipped, "bit " + std::to_string(bit) + " of byte " + std::to_string(i));
    }
  }
}

TEST(StoreFile, WellSealedButInconsistentContentIsRefused) {
  // Files whose checksum is right but whose content lies: absurd counts and lengths must
  // be refused before anything is allocated from them.
  TkroObject s([](const std::string&) {});
  const std::string before = snapshot(s);
  const std::string payload = payloadOf(before);
  auto put32 = [](std::string& p, std::size_t at, std::uint32_t v) { std::memcpy(&p[at], &v, 4); };
  auto put64 = [](std::string& p, std::size_t at, std::uint64_t v) { std::memcpy(&p[at], &v, 8); };
  auto refused = [&](const std::string& bytes, std::int32_t code, const std::string& what) {
    EXPECT_EQ(kro_dbLoadBuffer(&s.Handle, bytes.data(), bytes.size()), code) << what;
    EXPECT_EQ(snapshot(s), before) << what;
  };
  // The default store: count 2, then object 0 (text kind, empty title) and object 1.
  ASSERT_EQ(frame(payload), before);

  std::string p = payload;
  put32(p, 0, 0xFFFFFFFFu);
  refused(frame(p), kroErrTooLarge, "object count 4 billion");
  p = payload;
  put32(p, 0, 1u << 26);
  refused(frame(p), kroErrFormat, "object count beyond the bytes");
  p = payload;
  put64(p, 4, ~0ull);
  refused(frame(p), kroErrFormat, "text total beyond the bytes");
  p = payload;
  put64(p, 12, 1ull << 60);
  refused(frame(p), kroErrFormat, "pool beyond the bytes");
  p = payload;
  put32(p, 0, 3);
  refused(frame(p), kroErrFormat, "one object too many");
  refused(frame(payload + '\xff'), kroErrFormat, "trailing byte");
  refused(frame(payload, 2), kroErrVersion, "newer format");
  refused(frame(payload, 0), kroErrFormat, "version 0");

  // Object 1 with a link list of 0x40000000 numbers, and one with a link out of range.
  TkroObject t([](const std::string&) {});
  t.System->CreateDir("", "A");
  std::string linked = payloadOf(snapshot(t));
  // The last object ("A": kind, type, parts, name, empty list) takes 12 bytes; before it
  // stand object 1's link count and its one link.
  const std::size_t countAt = linked.size() - 12 - 4 - 4;
  std::uint32_t was = 0;
  std::memcpy(&was, &linked[countAt], 4);
  ASSERT_EQ(was, 1u) << "layout of the sample changed";
  std::string q = linked;
  put32(q, countAt, 0x40000000u);
  refused(frame(q), kroErrFormat, "link count beyond the bytes");
  q = linked;
  put32(q, countAt + 4, 99);
  refused(frame(q), kroErrFormat, "link to a number the file does not have");
  q = linked;
  put32(q, countAt + 4, 0xFFFFFFFFu);
  refused(frame(q), kroErrFormat, "link -1");
  EXPECT_EQ(kro_dbLoadBuffer(&s.Handle, nullptr, 0), kroErrFormat);
}

// ------------------------------------------------------------------------- failed saves

int failWith = 0;
int calls = 0;
int failingOpen(const char*, int, mode_t) {
  errno = failWith;
  return -1;
}
ssize_t failingWrite(int fd, const void* d, std::size_t n) {
  // The first call writes part of the data, then the disk is full.
  if (++calls == 1) return ::write(fd, d, n / 2);
  errno = failWith;
  return -1;
}
int failingFsync(int) {
  errno = failWith;
  return -1;
}
int failingRename(const char*, const char*) {
  errno = failWith;
  return -1;
}

// The calls a save makes that a case replaces; the others stay the system's.
struct SaveCalls {
  int (*open)(const char* path, int flags, mode_t mode);
  ssize_t (*write)(int fd, const void* data, std::size_t size);
  int (*fsync)(int fd);
  int (*rename)(const char* from, const char* to);
};

FsCalls withSaveCalls(const SaveCalls& ops) {
  FsCalls c = RealFsCalls();
  if (ops.open) c.open = ops.open;
  if (ops.write) c.write = ops.write;
  if (ops.fsync) c.fsync = ops.fsync;
  if (ops.rename)
    c.rename = [r = ops.rename](const char* from, const char* to, bool) { return r(from, to); };
  return c;
}

class FileOpsGuard {
 public:
  explicit FileOpsGuard(const SaveCalls& ops) : calls_(withSaveCalls(ops)) {}

 private:
  ScopedFsCalls calls_;
};

std::size_t filesIn(const fs::path& p) {
  std::size_t n = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(p)) ++n;
  return n;
}

TEST(StoreFile, AFailedSaveReportsAnErrorAndLeavesTheOldFileAndNoLeftovers) {
  TempDir dir;
  const std::string path = (dir / "conf5.kro").string();
  TkroObject s([](const std::string&) {});
  s.System->WriteValue("version", KroValue("0.9.2"));
  ASSERT_EQ(s.SaveToFile(path, 2), 0);
  const std::string old = readFile(path);
  fill(s);  // the new content that must not arrive

  struct Case {
    const char* what;
    SaveCalls ops;
    int err;
  };
  const Case cases[] = {
      {"no permission", {failingOpen, nullptr, nullptr, nullptr}, EACCES},
      {"disk full", {nullptr, failingWrite, nullptr, nullptr}, ENOSPC},
      {"write error", {nullptr, failingWrite, nullptr, nullptr}, EIO},
      {"flush error", {nullptr, nullptr, failingFsync, nullptr}, EIO},
      {"rename refused", {nullptr, nullptr, nullptr, failingRename}, EXDEV},
  };
  for (const Case& c : cases) {
    failWith = c.err;
    calls = 0;
    FileOpsGuard guard(c.ops);
    EXPECT_EQ(s.SaveToFile(path, 2), kroErrIo) << c.what;
    EXPECT_EQ(s.LastResult, kroErrIo) << c.what;
    EXPECT_EQ(readFile(path), old) << c.what;
    EXPECT_EQ(filesIn(dir.path()), 1u) << c.what;
  }
  // Every mode flushes, unless told not to.
  {
    failWith = EIO;
    FileOpsGuard guard({nullptr, nullptr, failingFsync, nullptr});
    EXPECT_EQ(s.SaveToFile(path, 0), kroErrIo);
    EXPECT_EQ(readFile(path), old);
    EXPECT_EQ(s.SaveToFile((dir / "scratch.kro").string(), kroSaveNoFlush), 0);
    fs::remove(dir / "scratch.kro");
  }
  // With the seam back to the system, the same save goes through.
  ASSERT_EQ(s.SaveToFile(path, 2), 0);
  EXPECT_EQ(readFile(path), snapshot(s));
  EXPECT_EQ(filesIn(dir.path()), 1u);

  EXPECT_EQ(s.SaveToFile((dir / "no/such/folder.kro").string(), 2), kroErrIo);
  EXPECT_EQ(s.SaveToFile("", 2), kroErrArgument);
}

ssize_t writeThenFail(int fd, const void* d, std::size_t n) {
  // Whole pieces go through until the disk fills up at the third.
  if (++calls < 3) return ::write(fd, d, n);
  errno = ENOSPC;
  return -1;
}

TEST(StoreFile, AStoreLargerThanTheSaveWindowIsSavedWholeAndAFailureLateInItKeepsTheOldFile) {
  TempDir dir;
  const std::string path = (dir / "list.kro").string();
  TkroObject s([](const std::string&) {});
  fill(s);
  ASSERT_EQ(s.SaveToFile(path, 2), 0);
  const std::string old = readFile(path);
  // About 5 MiB of texts, values of odd lengths, so pieces end inside values.
  for (int i = 0; i < 2000; ++i)
    s.System->WriteValue("Big/v" + std::to_string(i),
                         KroValue(std::string(1000 + i * 3, static_cast<char>('a' + i % 26))));
  const std::string whole = snapshot(s);
  ASSERT_GT(whole.size(), std::size_t(4) << 20);

  calls = 0;
  {
    SaveCalls ops{nullptr, writeThenFail, nullptr, nullptr};
    FileOpsGuard guard(ops);
    EXPECT_EQ(s.SaveToFile(path, 2), kroErrIo);
  }
  EXPECT_EQ(calls, 3);
  EXPECT_EQ(readFile(path), old);
  EXPECT_EQ(filesIn(dir.path()), 1u);

  ASSERT_EQ(s.SaveToFile(path, 2), 0);
  EXPECT_EQ(readFile(path), whole);
  TkroObject back([](const std::string&) {});
  ASSERT_EQ(back.LoadFromFile(path, 3), 0);
  EXPECT_EQ(snapshot(back), whole);
}

int takenNames = 0;
int openAfterTakenNames(const char* path, int flags, mode_t mode) {
  if (takenNames > 0) {
    --takenNames;
    errno = EEXIST;
    return -1;
  }
  return ::open(path, flags, mode);
}

TEST(StoreFile, ATemporaryNameAlreadyTakenIsSkipped) {
  TempDir dir;
  const std::string path = (dir / "list.kro").string();
  TkroObject s([](const std::string&) {});
  fill(s);
  takenNames = 3;
  {
    FileOpsGuard guard({openAfterTakenNames, nullptr, nullptr, nullptr});
    EXPECT_EQ(s.SaveToFile(path, 2), 0);
  }
  EXPECT_EQ(takenNames, 0);
  EXPECT_EQ(readFile(path), snapshot(s));
  takenNames = 1000;  // never free: give up with an error instead of looping
  {
    FileOpsGuard guard({openAfterTakenNames, nullptr, nullptr, nullptr});
    EXPECT_EQ(s.SaveToFile(path, 2), kroErrIo);
  }
  EXPECT_GT(takenNames, 0);
  takenNames = 0;
}

TEST(StoreFile, LoadingSomethingThatIsNoRegularFileIsRefusedAtOnce) {
  TempDir dir;
  const std::string fifo = (dir / "pipe.kro").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  TkroObject s([](const std::string&) {});
  const std::string before = snapshot(s);
  EXPECT_EQ(s.LoadFromFile(fifo, 3), kroErrIo);  // no writer: must not wait for one
  EXPECT_EQ(s.LoadFromFile("/dev/zero", 3), kroErrIo);
  EXPECT_EQ(s.LoadFromFile("/dev/null", 3), kroErrIo);
  EXPECT_EQ(snapshot(s), before);
}

// A file of 1 GB (sparse, so the test writes only its header) is judged by its header
// alone: junk is no store, a store header that states the whole length is beyond the
// bound. Neither is read, so the load takes no memory for it; the file stays untouched.
TEST(StoreFile, AHugeFileIsJudgedByItsHeaderBeforeAnythingElseIsRead) {
  TempDir dir;
  const std::string path = (dir / "huge.kro").string();
  const std::uint64_t size = std::uint64_t(1) << 30;
  TkroObject s([](const std::string&) {});
  const std::string before = snapshot(s);

  writeFile(path, "junk");
  fs::resize_file(path, size);
  EXPECT_EQ(s.LoadFromFile(path, 3), kroErrFormat);

  // The header of a real store, stating the length of this file.
  std::string head = frame(std::string(100, 'x')).substr(0, 24);
  const std::uint64_t payload = size - 28;
  std::memcpy(head.data() + 16, &payload, 8);
  writeFile(path, head);
  fs::resize_file(path, size);
  EXPECT_EQ(s.LoadFromFile(path, 3), kroErrTooLarge);
  // Stating any other length is a broken file; a newer version is told as such.
  const std::uint64_t wrong = payload - 1;
  std::memcpy(head.data() + 16, &wrong, 8);
  writeFile(path, head);
  fs::resize_file(path, size);
  EXPECT_EQ(s.LoadFromFile(path, 3), kroErrFormat);
  head[8] = 2;
  writeFile(path, head);
  fs::resize_file(path, size);
  EXPECT_EQ(s.LoadFromFile(path, 3), kroErrVersion);
  EXPECT_EQ(fs::file_size(path), size);
  EXPECT_EQ(snapshot(s), before);

  // The bound itself is still a store's size.
  head[8] = 1;
  for (const std::uint64_t fileSize : {kroMaxFileBytes, kroMaxFileBytes + 1}) {
    const std::uint64_t stated = fileSize - 28;
    std::memcpy(head.data() + 16, &stated, 8);
    EXPECT_EQ(kroCheckHeader(reinterpret_cast<const unsigned char*>(head.data()), fileSize),
              fileSize == kroMaxFileBytes ? kroOk : kroErrTooLarge);
  }
}

#if defined(__SANITIZE_ADDRESS__)
#define TAVEL_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TAVEL_ASAN 1
#endif
#endif

// A valid store whose objects need more memory than the process may take: the load gives
// kroErrMemory, throws nothing, and the store stays as it was. Run in a child process
// whose address space is limited.
TEST(StoreFile, RunningOutOfMemoryWhileLoadingIsAnErrorCode) {
#ifdef TAVEL_ASAN
  GTEST_SKIP() << "the address sanitizer reserves more address space than the limit allows";
#else
  TempDir dir;
  const std::string path = (dir / "many.kro").string();
  // 20 million free numbers: 20 MB of file, some 500 MB of objects once loaded.
  const std::uint32_t count = 20'000'000;
  std::string payload;
  auto put = [&](auto v) { payload.append(reinterpret_cast<const char*>(&v), sizeof v); };
  put(count);
  put(std::uint64_t(0));
  put(std::uint64_t(0));
  payload.append(count, '\xFF');
  writeFile(path, frame(payload));

  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    // The limit: what the process holds now and 200 MB more.
    long pages = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
      if (std::fscanf(f, "%ld", &pages) != 1) pages = 0;
      std::fclose(f);
    }
    const rlim_t limit = static_cast<rlim_t>(pages) * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE)) +
                         (rlim_t(200) << 20);
    const struct rlimit rl = {limit, limit};
    if (pages == 0 || ::setrlimit(RLIMIT_AS, &rl) != 0) ::_exit(100);
    int code = 101;
    try {
      KroHandle h;
      if (kro_dbStart(&h) != kroOk || kro_dbCreateDefault(&h, 0) != kroOk) ::_exit(104);
      const std::int32_t before = h.count;
      const std::int32_t r = kro_dbLoad(&h, path, 3);
      code = (r == kroErrMemory && h.count == before) ? 0 : 110 + r;
      kro_dbDestroy(&h);
    } catch (...) {
      code = 103;
    }
    ::_exit(code);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status)) << "the child died of signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0) << "100: no limit set, 110 + r: result r, 103: an exception";
#endif
}

// Temporaries of saves killed half-way go once their process is gone; nothing else does.
TEST(StoreFile, LeftOverSaveTemporariesOfProcessesThatAreGoneAreRemoved) {
  TempDir dir;
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) ::_exit(0);
  ASSERT_EQ(::waitpid(child, nullptr, 0), child);
  const std::string dead = std::to_string(child);
  const std::string self = std::to_string(::getpid());
  const std::string file = (dir / "list.kro").string();
  writeFile(file, "the list");
  const std::vector<std::string> gone = {"list.kro.tmp" + dead + "-1",
                                         "list.kro.tmp" + dead + "-27"};
  const std::vector<std::string> kept = {
      "list.kro.tmp" + self + "-2",      // this process
      "list.kro.tmp1-3",                 // a process that runs
      "list.kro.tmp" + dead + "-x",      // not our pattern
      "list.kro.tmp" + dead,             //
      "list.kro.tmp" + dead + "-1.bak",  //
      "list.kro.tmp" + dead + "-1-2",    //
      "list.kro.tmp-1",                  //
      "other.kro.tmp" + dead + "-1",     // another file's
      "xlist.kro.tmp" + dead + "-1",     //
  };
  for (const auto& n : gone) writeFile(dir / n, "half");
  for (const auto& n : kept) writeFile(dir / n, "keep");
  fs::create_directory(dir / ("list.kro.tmp" + dead + "-4"));      // a folder
  fs::create_symlink(file, dir / ("list.kro.tmp" + dead + "-5"));  // a link

  EXPECT_EQ(kro_dbRemoveStaleTemporaries(file), 2);
  for (const auto& n : gone) EXPECT_FALSE(fs::exists(dir / n)) << n;
  for (const auto& n : kept) EXPECT_TRUE(fs::exists(dir / n)) << n;
  EXPECT_TRUE(fs::is_directory(dir / ("list.kro.tmp" + dead + "-4")));
  EXPECT_TRUE(fs::is_symlink(dir / ("list.kro.tmp" + dead + "-5")));
  EXPECT_EQ(readFile(file), "the list");
  EXPECT_EQ(kro_dbRemoveStaleTemporaries(file), 0);
  EXPECT_EQ(kro_dbRemoveStaleTemporaries((dir / "missing" / "x.kro").string()), 0);
}

// Runs fn with a user's rights: root writes into read-only folders, so as root fn runs in
// a child process that has dropped to the unprivileged user "nobody". fn's result.
int asUnprivilegedUser(const std::function<int()>& fn) {
  if (::geteuid() != 0) return fn();
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(200);
    ::_exit(fn());
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 201;
}

TEST(StoreFile, SavingIntoAReadOnlyFolderFailsAndKeepsTheOldFile) {
  TempDir dir;
  fs::permissions(dir.path(), fs::perms::all);  // reachable for the unprivileged user
  const fs::path folder = dir / "ro";
  fs::create_directory(folder);
  const std::string path = (folder / "list.kro").string();
  TkroObject s([](const std::string&) {});
  ASSERT_EQ(s.SaveToFile(path, 2), 0);
  fs::permissions(path, fs::perms::all);
  const std::string old = readFile(path);
  fill(s);
  fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                              fs::perms::group_exec | fs::perms::others_read |
                              fs::perms::others_exec);
  // The same user can save into a folder open to it: the refusal below is the folder's.
  const fs::path open = dir / "rw";
  fs::create_directory(open);
  fs::permissions(open, fs::perms::all);
  EXPECT_EQ(asUnprivilegedUser([&] { return s.SaveToFile((open / "list.kro").string(), 2); }), 0);
  EXPECT_EQ(asUnprivilegedUser([&] { return s.SaveToFile(path, 2); }), kroErrIo);
  fs::permissions(folder, fs::perms::owner_all);
  EXPECT_EQ(readFile(path), old);
  EXPECT_EQ(filesIn(folder), 1u);
}

TEST(StoreFile, SavingOverAFileKeepsItsPermissions) {
  TempDir dir;
  const fs::path path = dir / "list.kro";
  TkroObject s([](const std::string&) {});
  ASSERT_EQ(s.SaveToFile(path.string(), 0), 0);
  fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  ASSERT_EQ(s.SaveToFile(path.string(), 2), 0);
  EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST(StoreFile, ChecksumRoutinesAgree) {
  std::string data;
  for (int i = 0; i < 1000; ++i) data.push_back(static_cast<char>(i * 7 + 3));
  EXPECT_EQ(Crc32c("123456789", 9), 0xE3069283u);  // the published check value
  for (std::size_t len : {0u, 1u, 7u, 8u, 9u, 63u, 1000u})
    EXPECT_EQ(Crc32c(data.data(), len), Crc32cPortable(data.data(), len)) << len;
  EXPECT_EQ(Crc32c(data.data() + 100, 900, Crc32c(data.data(), 100)), Crc32c(data.data(), 1000));
}

// Inputs the fuzzer once found interesting (or that crashed an earlier build) stay here and
// run through the loader on every test run.
TEST(StoreFile, SavedFuzzInputsLoadSafely) {
  const fs::path corpus = TAVEL_STORE_CORPUS;
  ASSERT_TRUE(fs::is_directory(corpus));
  std::size_t seen = 0;
  for (const auto& e : fs::directory_iterator(corpus)) {
    if (!e.is_regular_file()) continue;
    ++seen;
    const std::string raw = readFile(e.path());
    const std::string bytes =
        StoreFuzzInput(reinterpret_cast<const std::uint8_t*>(raw.data()), raw.size());
    TkroObject s([](const std::string&) {});
    const std::string before = snapshot(s);
    const std::int32_t r = kro_dbLoadBuffer(&s.Handle, bytes.data(), bytes.size());
    if (r > 0) {
      EXPECT_EQ(snapshot(s), before) << e.path();
      continue;
    }
    // A store that loads saves back to the very same bytes and can be walked.
    EXPECT_EQ(snapshot(s), bytes) << e.path();
    for (std::int32_t n = 0; n < s.Count(); ++n) {
      KroValue v;
      s.Objects(n)->GetValue(v);
      s.Objects(n)->AsTLinks.High();
      s.Objects(n)->AsObject.Field(0);
    }
  }
  EXPECT_GT(seen, 0u);
}

}  // namespace
