#include "logs/log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "logs/date_time.h"
#include "test_support.h"

namespace {

std::vector<std::string> splitCrLf(const std::string& s) {
  std::vector<std::string> lines;
  size_t pos = 0;
  while (pos < s.size()) {
    size_t e = s.find("\r\n", pos);
    if (e == std::string::npos) {
      lines.push_back(s.substr(pos) + "<no CRLF>");
      break;
    }
    lines.push_back(s.substr(pos, e - pos));
    pos = e + 2;
  }
  return lines;
}

// Drops the "[time]  " stamps so two runs can be compared line for line.
std::vector<std::string> texts(const std::vector<std::string>& lines) {
  std::vector<std::string> out;
  for (const auto& l : lines) {
    auto p = l.find("]  ");
    out.push_back(p == std::string::npos ? "<bad line " + l + ">" : l.substr(p + 3));
  }
  return out;
}

void writeSample(TLog& log) {
  log.LogBlank();
  log.LogWrite("Vo Tavel 0.9.2");
  log.timeFormat = "nn:ss.zzz";
  log.LogWrite("Starting...");
  log.LogWriteValues({5, true, "x"}, "|");
}

}  // namespace

TEST(Log, FileModeAndMemoryModeGiveTheSameContent) {
  TempDir dir;
  const auto fileMode = (dir / "a.log").string();
  const auto memMode = (dir / "b.log").string();

  TLog a;
  ASSERT_TRUE(a.LogOpen(fileMode, lmRewrite, "dd.mm.yyyy hh.nn:ss.zzz"));
  a.flushEachLine = true;
  writeSample(a);
  // File mode writes at once: the file grows line by line.
  EXPECT_EQ(splitCrLf(readFile(fileMode)).size(), 4u);
  a.LogFlush(true, false);

  TLog b;
  ASSERT_TRUE(b.LogOpen(memMode, lmRewrite | lmDeferred, "dd.mm.yyyy hh.nn:ss.zzz"));
  writeSample(b);
  EXPECT_FALSE(std::filesystem::exists(memMode));
  b.LogFlush(false, true);
  b.LogFlush(true, true);

  const auto la = splitCrLf(readFile(fileMode));
  const auto lb = splitCrLf(readFile(memMode));
  ASSERT_EQ(la.size(), 4u);
  EXPECT_EQ(texts(la), texts(lb));
  EXPECT_EQ(texts(la), (std::vector<std::string>{"", "Vo Tavel 0.9.2", "Starting...", "5|true|x"}));
  // The first lines carry the full date, the later ones minutes, seconds, milliseconds.
  EXPECT_TRUE(std::regex_match(la[0], std::regex(R"(\[\d\d\.\d\d\.\d{4} \d\d\.\d\d:\d\d\.\d{3}\]  )")));
  EXPECT_TRUE(std::regex_match(la[2], std::regex(R"(\[\d\d:\d\d\.\d{3}\]  Starting\.\.\.)")));
}

TEST(Log, MemoryModeWithoutCommitLeavesNoFile) {
  TempDir dir;
  const auto name = (dir / "x.log").string();
  TLog log;
  ASSERT_TRUE(log.LogOpen(name, 0x102, "nn:ss.zzz"));
  log.LogWrite("one");
  log.LogFlush(false, false);
  log.LogFlush(true, false);  // a deferred, never committed log is not closed by this
  EXPECT_TRUE(log.active);
  EXPECT_FALSE(std::filesystem::exists(name));
}

TEST(Log, CommitAfterErrorWritesEveryLineFromTheFirstAndLaterFlushesAppend) {
  TempDir dir;
  TLog log;
  ASSERT_TRUE(log.LogOpen((dir / "x.log").string(), 0x102, "nn:ss.zzz"));
  for (int i = 0; i < 50; ++i) log.LogWrite("line " + std::to_string(i));
  log.fileName = (dir / "y Exception.log").string();  // renamed before the first commit
  log.LogWrite("[EXCEPTION]: boom 00000000");
  log.LogFlush(false, true);
  log.commitOnFlush = true;
  log.LogWrite("after");
  log.LogFlush(true, false);
  const auto lines = texts(splitCrLf(readFile(dir / "y Exception.log")));
  ASSERT_EQ(lines.size(), 52u);
  EXPECT_EQ(lines.front(), "line 0");
  EXPECT_EQ(lines[50], "[EXCEPTION]: boom 00000000");
  EXPECT_EQ(lines.back(), "after");
  EXPECT_FALSE(std::filesystem::exists(dir / "x.log"));
  EXPECT_FALSE(log.active);
}

TEST(Log, IgnoresCallsBeforeOpenAndAfterClose) {
  TempDir dir;
  TLog log;
  log.LogWrite("before");
  log.LogFlush(true, true);
  EXPECT_FALSE(log.active);
  const auto name = (dir / "x.log").string();
  ASSERT_TRUE(log.LogOpen(name, lmRewrite, "nn:ss.zzz"));
  log.LogWrite("in");
  log.LogFlush(true, false);
  log.LogWrite("after close");
  EXPECT_EQ(texts(splitCrLf(readFile(name))), std::vector<std::string>{"in"});
}

TEST(Log, FailuresFallBackOrSilence) {
  TempDir dir;
  // A missing folder in file mode: the log keeps its lines in memory.
  TLog missing;
  EXPECT_FALSE(missing.LogOpen((dir / "no/such/x.log").string(), lmRewrite, "nn:ss.zzz"));
  EXPECT_TRUE(missing.active);
  EXPECT_TRUE(missing.deferred);
  missing.LogWrite("kept");
  EXPECT_EQ(missing.pending.size(), 1u);
  // Committing still cannot open the file: the log goes silent.
  missing.LogFlush(false, true);
  EXPECT_FALSE(missing.active);

  // A mode whose low byte is neither append nor rewrite opens nothing; the first line
  // switches the log off.
  TLog odd;
  EXPECT_TRUE(odd.LogOpen((dir / "odd.log").string(), 3, "nn:ss.zzz"));
  odd.LogWrite("x");
  EXPECT_FALSE(odd.active);
  EXPECT_FALSE(std::filesystem::exists(dir / "odd.log"));

  // A write failure (a full device) silences the log for the rest of the run.
  TLog full;
  ASSERT_TRUE(full.LogOpen("/dev/full", lmAppend, "nn:ss.zzz"));
  full.flushEachLine = true;
  full.LogWrite("x");
  EXPECT_FALSE(full.active);
}

TEST(Log, AppendModeKeepsEarlierContent) {
  TempDir dir;
  const auto name = (dir / "x.log").string();
  writeFile(name, "old\r\n");
  TLog log;
  ASSERT_TRUE(log.LogOpen(name, lmAppend, "nn:ss.zzz"));
  log.LogWrite("new");
  log.LogFlush(true, false);
  const auto lines = splitCrLf(readFile(name));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "old");
}

TEST(LogText, ValuesAndFileNames) {
  int x = 0;
  const std::string t = ValuesToText({5, true, static_cast<const void*>(&x)}, " ");
  EXPECT_TRUE(std::regex_match(t, std::regex("5 true [0-9A-F]{8}"))) << t;
  EXPECT_EQ(ValuesToText({}, ","), "");
  EXPECT_EQ(ValuesToText({'c', TValue::object("TkroObject"), TValue(), std::string("s")}, ","), "c,TkroObject,,s");
  SetDecimalSeparator(',');
  EXPECT_EQ(ValuesToText({2.5, 1.0 / 3.0}, ";"), "2,5;0,333333333333333");
  SetDecimalSeparator(0);

  EXPECT_TRUE(std::regex_match(LogFileName("/x/Logs", ""), std::regex(R"(/x/Logs/\d\d\.\d\d\.\d{4} \d\d\.\d\d\.\d\d\.log)")));
  EXPECT_TRUE(std::regex_match(LogFileName("/x/Logs", "Exception"),
                               std::regex(R"(/x/Logs/\d\d\.\d\d\.\d{4} \d\d\.\d\d\.\d\d Exception\.log)")));
}

TEST(LogText, DateTimePatterns) {
  const LocalDateTime t{2026, 12, 7, 21, 58, 3, 7};
  EXPECT_EQ(FormatDateTime("dd.mm.yyyy hh.nn:ss.zzz", t), "07.12.2026 21.58:03.007");
  EXPECT_EQ(FormatDateTime("nn:ss.zzz", t), "58:03.007");
  EXPECT_EQ(FormatDateTime("dd.mm.yyyy hh.nn.ss", {2027, 1, 1, 0, 0, 0, 999}), "01.01.2027 00.00.00");
  EXPECT_DOUBLE_EQ(ToStoreDateTime({1899, 12, 30, 0, 0, 0, 0}), 0.0);
  EXPECT_DOUBLE_EQ(ToStoreDateTime({1900, 1, 1, 12, 0, 0, 0}), 2.5);
  EXPECT_DOUBLE_EQ(ToStoreDateTime({2000, 1, 1, 0, 0, 0, 0}), 36526.0);
}
