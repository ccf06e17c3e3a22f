// The unexpected-error handler in the real program: a child process of the program's test
// build (the shipped entry and libraries plus test_program/test_hooks.cpp) meets an error
// inside its event loop and the box is answered through the test hooks (TAVEL_TEST_THROW,
// TAVEL_TEST_ANSWER, TAVEL_TEST_CLOSE).
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <filesystem>
#include <regex>

#include "app/exception_handler.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

QString programPath() {
  return QCoreApplication::applicationDirPath() + "/tavel_test_program";
}

struct ChildRun {
  int exitCode = -1;
  QProcess::ExitStatus status = QProcess::CrashExit;
  std::string output;
};

ChildRun runProgram(const TempDir& home, const QString& answer, bool closeAfter,
                    const QStringList& extraArgs = {}) {
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("TAVEL_HOME", QString::fromStdString(home.str()));
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert("TAVEL_TEST_THROW", "test failure in a command");
  env.insert("TAVEL_TEST_ANSWER", answer);
  if (closeAfter) env.insert("TAVEL_TEST_CLOSE", "1");
  p.setProcessEnvironment(env);
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.start(programPath(), QStringList{"--splash-ms=0"} + extraArgs);
  ChildRun r;
  if (!p.waitForStarted(10000)) return r;
  if (!p.waitForFinished(60000)) {
    p.kill();
    p.waitForFinished(5000);
    return r;
  }
  r.exitCode = p.exitCode();
  r.status = p.exitStatus();
  r.output = p.readAll().toStdString();
  return r;
}

std::vector<fs::path> filesIn(const fs::path& folder) {
  std::vector<fs::path> out;
  if (fs::exists(folder))
    for (const auto& e : fs::directory_iterator(folder)) out.push_back(e.path());
  return out;
}

}  // namespace

TEST(ExceptionInProgram, AnsweringNoLeavesOneCompleteExceptionLogAndSavesNothing) {
  if (!QFileInfo(programPath()).isExecutable())
    GTEST_SKIP() << "the program is not built: " << programPath().toStdString();
  TempDir home;
  const ChildRun run = runProgram(home, "no", false);
  ASSERT_EQ(run.status, QProcess::NormalExit) << run.output;
  EXPECT_EQ(run.exitCode, kHaltExitCode) << run.output;

  const auto logs = filesIn(home.path() / "Logs");
  ASSERT_EQ(logs.size(), 1u);
  const std::string name = logs[0].filename().string();
  EXPECT_TRUE(
      std::regex_match(name, std::regex(R"(\d\d\.\d\d\.\d{4} \d\d\.\d\d\.\d\d Exception\.log)")))
      << name;

  const std::string content = readFile(logs[0]);
  // From the very first header line: a blank line with the full date and time stamp.
  EXPECT_TRUE(std::regex_search(
      content, std::regex(R"(^\[\d\d\.\d\d\.\d{4} \d\d\.\d\d:\d\d\.\d{3}\]  \r\n)")))
      << content.substr(0, 80);
  const std::vector<std::string> inOrder{
      "Vo Tavel 0.9.2",  "Starting...", "FormCreate()",
      "  LoadLanguage",  ".Run",        "[EXCEPTION]: test failure in a command ",
      "EXCEPT?:HALT\r\n"};
  std::size_t at = 0;
  for (const std::string& line : inOrder) {
    const auto found = content.find(line, at);
    ASSERT_NE(found, std::string::npos) << "missing or out of order: " << line << "\n" << content;
    at = found;
  }
  EXPECT_EQ(content.substr(content.size() - 14), "EXCEPT?:HALT\r\n");
  // The shutdown stages never ran: nothing saved, no exit question, no end line.
  EXPECT_EQ(content.find("FormClose()"), std::string::npos);
  EXPECT_EQ(content.find(".END"), std::string::npos);
  EXPECT_FALSE(fs::exists(home.path() / "conf5.kro"));
  EXPECT_FALSE(fs::exists(home.path() / ".worklist.kro"));
}

TEST(ExceptionInProgram, AnsweringYesGoesOnAndTheRestOfTheRunReachesTheSameFile) {
  if (!QFileInfo(programPath()).isExecutable())
    GTEST_SKIP() << "the program is not built: " << programPath().toStdString();
  TempDir home;
  const ChildRun run = runProgram(home, "yes", true);
  ASSERT_EQ(run.status, QProcess::NormalExit) << run.output;
  EXPECT_EQ(run.exitCode, 0) << run.output;

  const auto logs = filesIn(home.path() / "Logs");
  ASSERT_EQ(logs.size(), 1u);
  const std::string content = readFile(logs[0]);
  const auto error = content.find("[EXCEPTION]: test failure in a command ");
  ASSERT_NE(error, std::string::npos) << content;
  EXPECT_LT(error, content.find("FormClose()")) << content;
  EXPECT_LT(content.find("FormClose()"), content.find(".END")) << content;
  EXPECT_EQ(content.find("EXCEPT?:HALT"), std::string::npos);
}

TEST(ExceptionInProgram, WithTheLogsSwitchTheErrorGoesIntoTheOrdinaryLogFile) {
  if (!QFileInfo(programPath()).isExecutable())
    GTEST_SKIP() << "the program is not built: " << programPath().toStdString();
  TempDir home;
  const ChildRun run = runProgram(home, "no", false, {"/LOGS"});
  ASSERT_EQ(run.status, QProcess::NormalExit) << run.output;
  EXPECT_EQ(run.exitCode, kHaltExitCode) << run.output;
  const auto logs = filesIn(home.path() / "Logs");
  ASSERT_EQ(logs.size(), 1u);
  const std::string name = logs[0].filename().string();
  EXPECT_TRUE(std::regex_match(name, std::regex(R"(\d\d\.\d\d\.\d{4} \d\d\.\d\d\.\d\d\.log)")))
      << name;
  const std::string content = readFile(logs[0]);
  EXPECT_LT(content.find("Vo Tavel 0.9.2"),
            content.find("[EXCEPTION]: test failure in a command "));
  EXPECT_EQ(content.substr(content.size() - 14), "EXCEPT?:HALT\r\n");
}
