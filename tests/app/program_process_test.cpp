// The whole program as a child process: how it ends on a signal, what it does with a data
// folder, a Wine registry or a store file that would stall or swamp it, and what it says
// without a display. Runs that need their message boxes answered start the program's test
// build (test_program/); what needs no box runs the shipped program itself.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "lang/lang.h"
#include "lang/string_table.h"
#include "test_support.h"
#include "worklist/playlist.h"

namespace fs = std::filesystem;

namespace {

QString shippedProgram() {
  return QCoreApplication::applicationDirPath() + "/../bin/tavel";
}

QString programPath() {
  return QCoreApplication::applicationDirPath() + "/tavel_test_program";
}

using EnvEdit = std::function<void(QProcessEnvironment&)>;

// The program over `home` (TAVEL_HOME), offscreen, with its log written line by line.
std::unique_ptr<QProcess> startProgram(const TempDir& home, const EnvEdit& edit = {}) {
  auto p = std::make_unique<QProcess>();
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("TAVEL_HOME", QString::fromStdString(home.str()));
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert("TAVEL_TEST_ANSWER", "yes");
  env.insert("TAVEL_MPV_OPTIONS", "ao=null");
  if (edit) edit(env);
  p->setProcessEnvironment(env);
  p->setProcessChannelMode(QProcess::MergedChannels);
  p->start(programPath(), {"--splash-ms=0", "-logs"});
  return p;
}

// The text of the one log file in `logs`; empty while there is none.
std::string logText(const fs::path& logs) {
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(logs, ec))
    if (e.path().extension() == ".log") return readFile(e.path());
  return std::string();
}

// Waits until the program's log holds `line`; false when the program ends first or a
// minute passes (a program that hangs).
bool waitForLogLine(QProcess& p, const fs::path& logs, const std::string& line) {
  for (int i = 0; i < 3000; ++i) {
    if (logText(logs).find(line) != std::string::npos) return true;
    if (p.state() == QProcess::NotRunning) return false;
    p.waitForFinished(20);
  }
  return false;
}

struct Ended {
  bool normal = false;
  int code = -1;
  std::string output;
};

Ended sendAndWait(QProcess& p, int sig) {
  Ended e;
  ::kill(static_cast<pid_t>(p.processId()), sig);
  if (!p.waitForFinished(60000)) {
    p.kill();
    p.waitForFinished(5000);
    return e;
  }
  e.normal = p.exitStatus() == QProcess::NormalExit;
  e.code = p.exitCode();
  e.output = p.readAll().toStdString();
  return e;
}

std::vector<std::string> savedOrigins(const fs::path& file) {
  TkroPlayList list;
  if (list.LoadFromFile(file.string(), kWorkListLoadMode) > 0) return {"<not loadable>"};
  list.UpdateCachedLinks();
  std::vector<std::string> out;
  for (int i = 0; i < list.EntryCount(); ++i) {
    list.SelectIndex(i);
    out.push_back(list.Cursor->GetOrigin());
  }
  return out;
}

#define REQUIRE_PROGRAM()                       \
  if (!QFileInfo(programPath()).isExecutable()) \
  GTEST_SKIP() << "the program is not built: " << programPath().toStdString()

}  // namespace

// Logout, shutdown and Ctrl+C: the list and the configuration are saved, the log ends.
TEST(ProgramProcess, EachShutdownSignalClosesThroughTheNormalShutdown) {
  REQUIRE_PROGRAM();
  for (const int sig : {SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(sig);
    TempDir home;
    const fs::path listFile = home / kWorkListFileName;
    {
      TkroPlayList list;
      list.Add("/m/one.mp3", "", "one", 1, 1, FLAG_MARKED);
      list.Add("/m/two.mp3", "", "two", 2, 2, 0);
      ASSERT_LE(list.SaveToFile(listFile.string(), kWorkListSaveMode), 0);
    }
    struct stat before {};
    ASSERT_EQ(::stat(listFile.c_str(), &before), 0);

    auto p = startProgram(home);
    ASSERT_TRUE(waitForLogLine(*p, home / "Logs", ".Run")) << p->readAll().toStdString();
    const Ended e = sendAndWait(*p, sig);
    ASSERT_TRUE(e.normal) << e.output;
    EXPECT_EQ(e.code, 0) << e.output;

    // Written anew (a save replaces the file), with what the run had.
    struct stat after {};
    ASSERT_EQ(::stat(listFile.c_str(), &after), 0);
    EXPECT_NE(after.st_ino, before.st_ino);
    EXPECT_EQ(savedOrigins(listFile), (std::vector<std::string>{"/m/one.mp3", "/m/two.mp3"}));
    EXPECT_TRUE(fs::exists(home / "conf5.kro"));
    const std::string log = logText(home / "Logs");
    const auto closing = log.find("Closing: SIG");
    ASSERT_NE(closing, std::string::npos) << log;
    EXPECT_LT(closing, log.find("  SaveToFile")) << log;
    EXPECT_LT(log.find("  SaveToFile"), log.find(" ConfSave")) << log;
    EXPECT_LT(log.find(" ConfSave"), log.find(".END")) << log;
    EXPECT_NE(log.find(".END"), std::string::npos) << log;
  }
}

// A FIFO in user.reg's place (nobody writes to it) no longer holds up start-up: Winamp
// counts as not found, the log says why.
TEST(ProgramProcess, AFifoAsTheWineRegistryDoesNotStallStartUp) {
  REQUIRE_PROGRAM();
  TempDir home;
  fs::create_directories(home / "wine");
  ASSERT_EQ(::mkfifo((home / "wine" / "user.reg").c_str(), 0600), 0);
  auto p = startProgram(home, [&](QProcessEnvironment& env) {
    env.insert("WINEPREFIX", QString::fromStdString((home / "wine").string()));
  });
  ASSERT_TRUE(waitForLogLine(*p, home / "Logs", ".Run")) << logText(home / "Logs");
  const std::string log = logText(home / "Logs");
  EXPECT_NE(log.find("user.reg not read: not a regular file"), std::string::npos) << log;
  const Ended e = sendAndWait(*p, SIGTERM);
  EXPECT_TRUE(e.normal && e.code == 0) << e.output;
}

// Without a display the program says so in one line of its own language and ends with
// status 1 (not Qt's abort).
TEST(ProgramProcess, WithoutADisplayOneClearLineAndStatusOne) {
  if (!QFileInfo(shippedProgram()).isExecutable())
    GTEST_SKIP() << "the program is not built: " << shippedProgram().toStdString();
  // In the language the user's environment chooses; --version needs no display at all.
  for (const auto& [lang, table] :
       {std::pair{"ru", TableLanguage::Russian}, std::pair{"en", TableLanguage::English}}) {
    const std::string expected = "tavel: " + ConvertEscapes(StringTableSlotIn(table, 410)) + "\n";
    ASSERT_GT(expected.size(), 20u);
    // No display named at all, and a display named where no server listens.
    for (const char* display : {"", ":4049"}) {
      SCOPED_TRACE(std::string(lang) + " " + display);
      TempDir home;
      QProcess p;
      QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
      env.insert("TAVEL_HOME", QString::fromStdString(home.str()));
      env.insert("TAVEL_LANG", lang);
      env.remove("QT_QPA_PLATFORM");
      env.remove("WAYLAND_DISPLAY");
      env.remove("DISPLAY");
      if (*display) env.insert("DISPLAY", display);
      p.setProcessEnvironment(env);
      p.setProcessChannelMode(QProcess::MergedChannels);
      p.start(shippedProgram(), {"--splash-ms=0"});
      ASSERT_TRUE(p.waitForFinished(60000));
      EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
      EXPECT_EQ(p.exitCode(), 1);
      EXPECT_EQ(p.readAll().toStdString(), expected);

      p.start(shippedProgram(), {"--version"});
      ASSERT_TRUE(p.waitForFinished(60000));
      EXPECT_EQ(p.exitCode(), 0);
      EXPECT_EQ(p.readAll().toStdString(), "Vo Tavel 0.9.2\n");
    }
  }
}

// Peak memory of a running process in bytes (VmHWM), 0 when unknown.
long long peakMemory(QProcess& p) {
  std::ifstream status("/proc/" + std::to_string(p.processId()) + "/status");
  std::string key;
  long long kb = 0;
  while (status >> key) {
    if (key == "VmHWM:") {
      status >> kb;
      return kb * 1024;
    }
  }
  return 0;
}

// A 1 GB file in the list's place (sparse: zeros after a few junk bytes) is judged by its
// header, not read, and kept aside as .unreadable; the run saves its own list.
TEST(ProgramProcess, AHugeJunkListFileIsRefusedUnreadAndKeptAside) {
  REQUIRE_PROGRAM();
  TempDir home;
  const fs::path listFile = home / kWorkListFileName;
  const std::uintmax_t size = std::uintmax_t(1) << 30;
  writeFile(listFile, "junk");
  fs::resize_file(listFile, size);

  auto p = startProgram(home);
  ASSERT_TRUE(waitForLogLine(*p, home / "Logs", ".Run")) << logText(home / "Logs");
  const long long peak = peakMemory(*p);
  // Reading the file would have taken a gigabyte.
  EXPECT_GT(peak, 0);
  EXPECT_LT(peak, 512LL << 20);
  const Ended e = sendAndWait(*p, SIGTERM);
  EXPECT_TRUE(e.normal && e.code == 0) << e.output;

  const fs::path aside = home / (std::string(kWorkListFileName) + ".unreadable");
  ASSERT_TRUE(fs::exists(aside));
  EXPECT_EQ(fs::file_size(aside), size);
  std::ifstream kept(aside, std::ios::binary);
  char head[4] = {};
  kept.read(head, 4);
  EXPECT_EQ(std::string(head, 4), "junk");
  EXPECT_EQ(savedOrigins(listFile), std::vector<std::string>{});
  EXPECT_NE(logText(home / "Logs").find("kept aside as"), std::string::npos);
}

// Without TAVEL_HOME the data goes to the user's data folder, not beside the executable
// (a build folder that `make clean` removes).
TEST(ProgramProcess, WithoutTavelHomeTheDataGoesToTheUsersDataFolder) {
  REQUIRE_PROGRAM();
  const fs::path bin = fs::path(programPath().toStdString()).parent_path();
  if (fs::exists(bin / "portable") || fs::exists(bin / "conf5.kro"))
    GTEST_SKIP() << bin << " is a portable install here (portable or conf5.kro in it)";
  for (const bool xdg : {false, true}) {
    SCOPED_TRACE(xdg);
    TempDir home;
    auto p = startProgram(home, [&](QProcessEnvironment& env) {
      env.remove("TAVEL_HOME");
      env.insert("HOME", QString::fromStdString(home.str()));
      if (xdg)
        env.insert("XDG_DATA_HOME", QString::fromStdString((home / "xdg").string()));
      else
        env.remove("XDG_DATA_HOME");
    });
    const fs::path data = xdg ? home / "xdg" / "tavel" : home / ".local" / "share" / "tavel";
    ASSERT_TRUE(waitForLogLine(*p, data / "Logs", ".Run"));
    const Ended e = sendAndWait(*p, SIGTERM);
    EXPECT_TRUE(e.normal && e.code == 0) << e.output;
    EXPECT_TRUE(fs::exists(data / "conf5.kro"));
    EXPECT_TRUE(fs::exists(data / kWorkListFileName));
    EXPECT_FALSE(fs::exists(bin / "conf5.kro"));
  }
}

// The hooks that answer boxes and raise errors from the environment live only in the test
// build: the shipped executable holds none of their names.
TEST(ProgramProcess, TheShippedProgramCarriesNoTestHooks) {
  REQUIRE_PROGRAM();
  if (!QFileInfo(shippedProgram()).isExecutable())
    GTEST_SKIP() << "the program is not built: " << shippedProgram().toStdString();
  const std::string shipped = readFile(shippedProgram().toStdString());
  const std::string testBuild = readFile(programPath().toStdString());
  ASSERT_GT(shipped.size(), 100000u);
  EXPECT_EQ(shipped.find("TAVEL_TEST_"), std::string::npos);
  EXPECT_NE(testBuild.find("TAVEL_TEST_ANSWER"), std::string::npos);
  EXPECT_NE(testBuild.find("TAVEL_TEST_THROW"), std::string::npos);
}

// A session bus that takes connections and never answers (here a dbus-daemon that is
// stopped) held the first window back for good: Qt's accessibility bridge waited for the
// bus when the splash showed. The program now leaves such a bus out, says so in one line
// and runs; a bus that answers, and no bus at all, change nothing. On a real X server
// (Xvfb): the offscreen platform has no accessibility bridge.
TEST(ProgramProcess, ASessionBusThatNeverAnswersDoesNotHoldTheWindowBack) {
  REQUIRE_PROGRAM();
  const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
  const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
  if (xvfb.isEmpty()) GTEST_SKIP() << "Xvfb is not installed (Debian package xvfb)";
  if (daemon.isEmpty()) GTEST_SKIP() << "dbus-daemon is not installed (Debian package dbus)";

  QProcess server;
  server.start(xvfb, {"-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"});
  ASSERT_TRUE(server.waitForStarted());
  QByteArray number;
  while (!number.contains('\n') && server.waitForReadyRead(30000)) number += server.readAll();
  ASSERT_TRUE(number.contains('\n')) << "Xvfb told no display number";
  const QString display = QStringLiteral(":") + QString::fromLatin1(number.trimmed());

  QProcess bus;
  bus.start(daemon, {"--session", "--nofork", "--print-address"});
  ASSERT_TRUE(bus.waitForStarted() && bus.waitForReadyRead(30000));
  const QString address = QString::fromUtf8(bus.readLine()).trimmed();
  ASSERT_FALSE(address.isEmpty());

  const std::string warning = "did not answer within";
  struct Case {
    const char* name;
    QString address;
    bool stopBus;
    bool warned;
  };
  for (const Case& c :
       {Case{"answers", address, false, false}, Case{"never answers", address, true, true},
        Case{"none there", QStringLiteral("unix:path=/nonexistent/bus"), false, false}}) {
    SCOPED_TRACE(c.name);
    ::kill(static_cast<pid_t>(bus.processId()), c.stopBus ? SIGSTOP : SIGCONT);
    TempDir home;
    auto p = startProgram(home, [&](QProcessEnvironment& env) {
      env.insert("QT_QPA_PLATFORM", "xcb");
      env.insert("DISPLAY", display);
      env.insert("DBUS_SESSION_BUS_ADDRESS", c.address);
    });
    ASSERT_TRUE(waitForLogLine(*p, home / "Logs", ".Run"))
        << logText(home / "Logs") << p->readAll().toStdString();
    const Ended e = sendAndWait(*p, SIGTERM);
    EXPECT_TRUE(e.normal && e.code == 0) << e.output;
    EXPECT_EQ(e.output.find(warning) != std::string::npos, c.warned) << e.output;
    EXPECT_NE(logText(home / "Logs").find(".END"), std::string::npos);
  }
  ::kill(static_cast<pid_t>(bus.processId()), SIGCONT);
  bus.kill();
  bus.waitForFinished();
  server.kill();
  server.waitForFinished();
}
