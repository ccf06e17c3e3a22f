// Closing on request (a signal, the end of the desktop session) in this process: the
// signal reaches the event loop through the pipe, and the program closes through its
// normal shutdown past open dialogs and without the exit question. Also the box that says
// the data folder cannot be written.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/program.h"
#include "app/shutdown_signals.h"
#include "app/startup_options.h"
#include "lang/fake_message_box.h"
#include "lang/lang.h"
#include "lang/message_box.h"
#include "test_support.h"
#include "worklist/playlist.h"

namespace fs = std::filesystem;

namespace {

// Answers every box Yes (the exit question included) and records it.
class RecordingBox : public FakeMessageBox {
 public:
  RecordingBox() { answer = MsgResult::Yes; }
};

std::size_t savedEntries(const TempDir& home) {
  TkroPlayList list;
  if (list.LoadFromFile((home / kWorkListFileName).string(), kWorkListLoadMode) > 0) return 0;
  list.UpdateCachedLinks();
  return static_cast<std::size_t>(list.EntryCount());
}

}  // namespace

TEST(ShutdownSignals, EachSignalReachesTheEventLoopByName) {
  ASSERT_TRUE(InstallShutdownSignalHandlers());
  std::vector<int> seen;
  ShutdownSignalWatcher watcher([&](int sig) { seen.push_back(sig); });
  // Raised before anything reads the pipe: they wait there, in order.
  std::raise(SIGTERM);
  std::raise(SIGHUP);
  EXPECT_TRUE(seen.empty());
  QCoreApplication::processEvents();
  QCoreApplication::processEvents();
  EXPECT_EQ(seen, (std::vector<int>{SIGTERM, SIGHUP}));
  std::raise(SIGINT);
  watcher.readPending();
  EXPECT_EQ(seen, (std::vector<int>{SIGTERM, SIGHUP, SIGINT}));
  EXPECT_STREQ(ShutdownSignalName(SIGTERM), "SIGTERM");
  EXPECT_STREQ(ShutdownSignalName(SIGINT), "SIGINT");
  EXPECT_STREQ(ShutdownSignalName(SIGHUP), "SIGHUP");
}

// A request while a dialog runs its own loop: the dialog closes, then the program closes
// from its own loop, saving, and the exit question is never asked.
TEST(ProgramShutdown, ARequestClosesOpenDialogsThenSavesWithoutTheExitQuestion) {
  TempDir home;
  RecordingBox boxes;
  TavelProgram program(ParseStartupOptions({"tavel", "--splash-ms=0"}), home.str());
  program.shutdownRetryMs = 0;
  int dialogResult = -1;
  program.setRunningHook([&] {
    program.workList()->Add("/m/a.mp3", "", "a", 1, 1, 0);
    QTimer::singleShot(0, [&] { program.requestShutdown("test request"); });
    QMessageBox dialog(QMessageBox::Question, "q", "q", QMessageBox::Yes | QMessageBox::No,
                       program.mainWindow());
    dialogResult = dialog.exec();
    // The program has not closed below the dialog.
    EXPECT_FALSE(program.mainWindow()->closed());
  });
  EXPECT_EQ(program.run(), 0);
  EXPECT_EQ(dialogResult, QMessageBox::No);
  EXPECT_TRUE(program.mainWindow()->closed());
  EXPECT_TRUE(boxes.shown.empty());  // no exit question
  EXPECT_EQ(savedEntries(home), 1u);
  EXPECT_TRUE(fs::exists(home / "conf5.kro"));
}

// A request during start-up: start-up ends, the window is never shown, and the program
// closes with the list saved.
TEST(ProgramShutdown, ARequestDuringStartUpClosesOnceStartUpIsOver) {
  TempDir home;
  {
    TkroPlayList list;
    list.Add("/m/a.mp3", "", "a", 1, 1, 0);
    list.Add("/m/b.mp3", "", "b", 1, 1, 0);
    ASSERT_LE(list.SaveToFile((home / kWorkListFileName).string(), kWorkListSaveMode), 0);
  }
  RecordingBox boxes;
  TavelProgram program(ParseStartupOptions({"tavel", "--splash-ms=0"}), home.str());
  bool ran = false;
  std::vector<std::string> stages;
  program.setRunningHook([&] { ran = true; });
  program.setStageObserver([&](const std::string& line) {
    stages.push_back(line);
    if (line == "  ListFullUpdate") program.requestShutdown("test request");
  });
  EXPECT_EQ(program.run(), 0);
  EXPECT_FALSE(ran);
  EXPECT_TRUE(program.mainWindow()->closed());
  EXPECT_NE(std::find(stages.begin(), stages.end(), "  Refresh"), stages.end());  // went on
  EXPECT_NE(std::find(stages.begin(), stages.end(), "  SaveToFile"), stages.end());
  EXPECT_EQ(savedEntries(home), 2u);
  EXPECT_TRUE(boxes.shown.empty());
}

// A data folder that cannot be kept is told once, in a box over the running window, with
// the folder and the reason; the run goes on.
TEST(ProgramShutdown, AnUnwritableDataFolderIsToldOnceAndTheRunGoesOn) {
  TempDir tmp;
  writeFile(tmp / "file", "x");
  const std::string folder = (tmp / "file").string();
  RecordingBox boxes;
  TavelProgram program(ParseStartupOptions({"tavel", "--splash-ms=0"}), folder);
  EXPECT_EQ(program.dataFolderState().problem, DataFolderProblem::NotAFolder);
  bool ran = false;
  program.setRunningHook([&] {
    ran = true;
    program.mainWindow()->close();
  });
  EXPECT_EQ(program.run(), 0);
  EXPECT_TRUE(ran);
  // Besides the exit question at the end, one box.
  ASSERT_EQ(boxes.shown.size(), 2u);
  EXPECT_TRUE(boxes.shown[1].buttons & mbYes);
  const std::string& text = boxes.shown[0].text;
  EXPECT_NE(text.find(folder), std::string::npos) << text;
  EXPECT_NE(text.find(LangString(412)), std::string::npos) << text;
  EXPECT_EQ(boxes.shown[0].icon, MsgIcon::Warning);
  EXPECT_EQ(readFile(folder), "x");  // untouched

  // A folder that can be written says nothing.
  TempDir good;
  RecordingBox none;
  TavelProgram fine(ParseStartupOptions({"tavel", "--splash-ms=0"}), good.str());
  EXPECT_EQ(fine.dataFolderProblemText(), "");
  EXPECT_EQ(TavelProgram(ParseStartupOptions({"tavel"}), "").dataFolderProblemText(),
            LangString(416));
}
