// The whole start-up and shutdown run in this process: log file, header, stage lines and
// their order, the exit question, and start-up going on after an error in a stage.
#include "app/program.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QTimer>
#include <algorithm>
#include <deque>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "app/about_window.h"
#include "app/exception_handler.h"
#include "app/main_window.h"
#include "app/main_window_parts.h"
#include "app/player_panel.h"
#include "app/settings_dialog.h"
#include "app/splash_window.h"
#include "lang/lang.h"
#include "lang/message_box.h"
#include "test_support.h"

namespace {

// Answers questions from a queue (Yes when it runs dry), every other box with Ok, and
// records what was shown.
class FakeBox : public IMessageBox {
 public:
  explicit FakeBox(std::deque<MsgResult> answers = {}) : answers_(std::move(answers)) {
    SetMessageBox(this);
  }
  ~FakeBox() override { SetMessageBox(nullptr); }
  MsgResult show(const MessageRequest& r) override {
    requests.push_back(r);
    if (!(r.buttons & mbYes)) return MsgResult::Ok;
    if (answers_.empty()) return MsgResult::Yes;
    MsgResult a = answers_.front();
    answers_.pop_front();
    return a;
  }
  std::vector<MessageRequest> requests;

 private:
  std::deque<MsgResult> answers_;
};

std::vector<std::filesystem::path> logFiles(const TempDir& home) {
  std::vector<std::filesystem::path> out;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(home / "Logs", ec))
    out.push_back(e.path());
  return out;
}

// The lines of a log file, split at CR LF.
std::vector<std::string> rawLines(const std::filesystem::path& p) {
  const std::string text = readFile(p);
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t pos; (pos = text.find("\r\n", start)) != std::string::npos; start = pos + 2)
    lines.push_back(text.substr(start, pos - start));
  EXPECT_EQ(start, text.size()) << "the file ends in the middle of a line";
  return lines;
}

// A line without its "[stamp]  " prefix.
std::string textOf(const std::string& line) {
  const std::size_t close = line.find("]  ");
  return close == std::string::npos ? line : line.substr(close + 3);
}

// Runs the program with these arguments in the test's data folder; `whileRunning` runs once
// the message loop is up (it must end it, normally by closing the main window).
int runProgram(const TempDir& home, std::vector<std::string> args,
               const std::function<void(TavelProgram&)>& whileRunning,
               const std::function<void(const std::string&)>& observer = {}) {
  args.insert(args.begin(), "tavel");
  args.push_back("--splash-ms=0");
  TavelProgram program(ParseStartupOptions(args), home.str());
  program.setRunningHook([&] { whileRunning(program); });
  if (observer) program.setStageObserver(observer);
  return program.run();
}

// Positions of `expected` in `text`, each found after the previous one; other lines (the
// stages' own work logs lines too) may stand between them. -1 for a line not found.
std::vector<long> findInOrder(const std::vector<std::string>& text,
                              const std::vector<std::string>& expected, std::size_t from) {
  std::vector<long> at;
  for (const std::string& e : expected) {
    auto it = std::find(text.begin() + static_cast<long>(from), text.end(), e);
    if (it == text.end()) {
      ADD_FAILURE() << "missing or out of order: \"" << e << "\"";
      at.push_back(-1);
      continue;
    }
    at.push_back(it - text.begin());
    from = static_cast<std::size_t>(at.back()) + 1;
  }
  return at;
}

std::vector<MessageRequest> exitQuestions(const std::vector<MessageRequest>& requests) {
  std::vector<MessageRequest> out;
  for (const MessageRequest& r : requests)
    if (r.text == LangString(29)) out.push_back(r);
  return out;
}

const std::vector<std::string> kStartup = {
    ".Initialize",
    ".CreateForm 1",
    "FormCreate()",
    "  LoadLanguage",
    "  SetDefaultFormSettings",
    "  ConfLoad",
    "  TkroPlayList.Create",
    "  Refresh interface",
    "  ConfApply",
    "  ListReformat",
    "  L.LoadFromFile",
    "  L.UpdateCachedLinks",
    "  ListFullUpdate",
    "  WAloc:",
};
const std::vector<std::string> kAfterWinamp = {
    "  Refresh",
    "  END",
    ".CreateForm 3",
    ".CreateForm 4",
    ".CreateForm 2",
    ".Dots",
    ".Run",
    "",
    "FormClose()",
    " Remember worklist",
    "  ListSaveMarks",
    "  SaveToFile",
    " ConfSave",
    " Clear desktop",
    " Vars destroy",
    " L.Destroy",
    " C.Destroy",
    " END",
    ".END",
};

}  // namespace

TEST(ProgramRun, LogsSwitchWritesHeaderAndEveryStageLineInOrder) {
  TempDir home;
  FakeBox box;
  std::vector<std::string> observed;
  const int rc = runProgram(
      home, {"-LOGS"},
      [&](TavelProgram& p) {
        // The log is written line by line: the file already holds the lines so far.
        const auto files = logFiles(home);
        ASSERT_EQ(files.size(), 1u);
        EXPECT_NE(readFile(files[0]).find(".Run\r\n"), std::string::npos);
        p.mainWindow()->close();
      },
      [&](const std::string& line) { observed.push_back(line); });
  EXPECT_EQ(rc, 0);

  const auto files = logFiles(home);
  ASSERT_EQ(files.size(), 1u);
  const std::string name = files[0].filename().string();
  EXPECT_TRUE(std::regex_match(name, std::regex(R"(\d\d\.\d\d\.\d{4} \d\d\.\d\d\.\d\d\.log)")))
      << name;

  const std::vector<std::string> lines = rawLines(files[0]);
  ASSERT_GE(lines.size(), 12u + kStartup.size() + 1 + kAfterWinamp.size());
  const std::regex full(R"(\[\d\d\.\d\d\.\d{4} \d\d\.\d\d:\d\d\.\d{3}\]  .*)");
  const std::regex shortStamp(R"(\[\d\d:\d\d\.\d{3}\]  .*)");
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i < 4)
      EXPECT_TRUE(std::regex_match(lines[i], full)) << i << ": " << lines[i];
    else
      EXPECT_TRUE(std::regex_match(lines[i], shortStamp)) << i << ": " << lines[i];
  }

  std::vector<std::string> text;
  for (const std::string& l : lines) text.push_back(textOf(l));
  EXPECT_EQ(text[0], "");
  EXPECT_EQ(text[1], "Vo Tavel 0.9.2");
  EXPECT_EQ(text[2].rfind("Logs > mailto:", 0), 0u);
  EXPECT_GT(text[2].size(), std::string("Logs > mailto:").size());
  EXPECT_EQ(text[3], "");
  EXPECT_EQ(text[4], "");
  EXPECT_EQ(text[5].rfind("OS:      Linux ", 0), 0u) << text[5];
  EXPECT_EQ(text[6], "root:    " + home.str());
  EXPECT_EQ(text[7], "cmd:     tavel -LOGS --splash-ms=0");
  EXPECT_EQ(text[8], "kro:     tavel-kro 1.0 (object store, format 1)");
  EXPECT_EQ(text[9], "");
  EXPECT_EQ(text[10], "Starting...");
  EXPECT_EQ(text[11], "");

  // The stage lines in their order; the stages' work may add lines of its own between them.
  const auto startAt = findInOrder(text, kStartup, 12);
  EXPECT_EQ(startAt.front(), 12);  // ".Initialize" follows the header at once
  const long winamp = startAt.back();
  ASSERT_GT(winamp, 0);
  ASSERT_LT(static_cast<std::size_t>(winamp + 1), text.size());
  EXPECT_EQ(text[static_cast<std::size_t>(winamp + 1)].rfind("    ", 0), 0u)
      << "the Winamp location line follows WAloc:";
  const auto restAt = findInOrder(text, kAfterWinamp, static_cast<std::size_t>(winamp + 1));
  // FormClose() comes after a blank line, and ".END" is the last line of the run.
  const auto formClose = std::find(text.begin(), text.end(), "FormClose()") - text.begin();
  ASSERT_GT(formClose, 0);
  EXPECT_EQ(text[static_cast<std::size_t>(formClose - 1)], "");
  EXPECT_EQ(restAt.back(), static_cast<long>(text.size()) - 1);
  // Each dialog is created right after its log line, with nothing logged in between.
  const auto at = [&](const char* line) {
    return std::find(text.begin(), text.end(), line) - text.begin();
  };
  EXPECT_EQ(at(".CreateForm 4"), at(".CreateForm 3") + 1);
  EXPECT_EQ(at(".CreateForm 2"), at(".CreateForm 4") + 1);
  EXPECT_EQ(at(".Dots"), at(".CreateForm 2") + 1);
  EXPECT_EQ(at(".Run"), at(".Dots") + 1);

  // The observer saw each stage line as it was written, FormCreate's and FormClose's alike.
  ASSERT_FALSE(observed.empty());
  EXPECT_EQ(observed.front(), "FormCreate()");
  EXPECT_EQ(observed.back(), " END");
  EXPECT_EQ(exitQuestions(box.requests).size(), 1u);
}

TEST(ProgramRun, WithoutLogsSwitchANormalRunLeavesNoLogFile) {
  TempDir home;
  FakeBox box;
  bool ran = false;
  EXPECT_EQ(runProgram(home, {},
                       [&](TavelProgram& p) {
                         ran = true;
                         // Everything so far is held in memory.
                         EXPECT_TRUE(p.log().deferred);
                         EXPECT_FALSE(p.log().pending.empty());
                         p.mainWindow()->close();
                       }),
            0);
  EXPECT_TRUE(ran);
  EXPECT_TRUE(std::filesystem::is_directory(home / "Logs"));
  EXPECT_TRUE(logFiles(home).empty());
}

TEST(ProgramRun, ClosingAsksAndOnlyYesEndsTheProgram) {
  TempDir home;
  FakeBox box({MsgResult::No, MsgResult::Yes});
  int closeCalls = 0;
  EXPECT_EQ(runProgram(home, {"-logs"},
                       [&](TavelProgram& p) {
                         TForm1* w = p.mainWindow();
                         EXPECT_TRUE(w->isVisible());
                         EXPECT_FALSE(p.splash()->isVisible());
                         ++closeCalls;
                         EXPECT_FALSE(w->close());  // No: keeps running, nothing saved
                         EXPECT_FALSE(w->closed());
                         EXPECT_TRUE(w->isVisible());
                         ++closeCalls;
                         EXPECT_TRUE(w->close());  // Yes
                         EXPECT_TRUE(w->closed());
                       }),
            0);
  EXPECT_EQ(closeCalls, 2);
  const auto questions = exitQuestions(box.requests);
  ASSERT_EQ(questions.size(), 2u);
  for (const MessageRequest& r : questions) {
    EXPECT_EQ(r.caption, "Vo Tavel");
    EXPECT_EQ(r.text, LangString(29));
    EXPECT_EQ(r.icon, MsgIcon::Question);
    EXPECT_EQ(r.buttons, mbYesNo);
    EXPECT_TRUE(r.ownedByMainWindow);
  }
  const auto files = logFiles(home);
  ASSERT_EQ(files.size(), 1u);
  const std::string log = readFile(files[0]);
  // The refused close ran no shutdown stage: FormClose() is in the log once.
  std::size_t count = 0;
  for (std::size_t pos = 0; (pos = log.find("FormClose()", pos)) != std::string::npos; ++pos)
    ++count;
  EXPECT_EQ(count, 1u);
}

TEST(ProgramRun, EachWindowIsTitledWithItsCaptionAlone) {
  TempDir home;
  FakeBox box;
  runProgram(home, {}, [](TavelProgram& p) {
    // Qt appends an application display name to every window title under a window manager,
    // so none may be set: the task bar shows the main window's own title.
    const auto titlesAreCaptions = [&](const QString& mainCaption) {
      EXPECT_EQ(QGuiApplication::applicationDisplayName(), QCoreApplication::applicationName());
      EXPECT_EQ(p.mainWindow()->windowTitle(), mainCaption);
      EXPECT_EQ(p.applicationTitle(), mainCaption);
      EXPECT_EQ(p.settingsDialog()->windowTitle().toStdString(), LangString(280));
      EXPECT_EQ(p.aboutWindow()->windowTitle().toStdString(), LangString(79));
    };
    titlesAreCaptions(QStringLiteral("Vo Tavel 0.9.2"));
    p.mainWindow()->parts().player.SetCaption("Кино - Группа крови - Vo Tavel 0.9.2");
    titlesAreCaptions(QStringLiteral("Кино - Группа крови - Vo Tavel 0.9.2"));
    p.mainWindow()->close();
  });
}

TEST(ProgramRun, ErrorInAStageEndsFormCreateThereAndStartUpGoesOn) {
  TempDir home;
  FakeBox box;  // Yes: go on
  const int rc = runProgram(
      home, {"-logs"}, [](TavelProgram& p) { p.mainWindow()->close(); },
      [](const std::string& line) {
        if (line == "  ConfApply") throw TavelError("broken configuration");
      });
  EXPECT_EQ(rc, 0);
  const auto files = logFiles(home);
  ASSERT_EQ(files.size(), 1u);
  std::vector<std::string> text;
  for (const std::string& l : rawLines(files[0])) text.push_back(textOf(l));
  auto at = [&](const std::string& s) {
    return std::find(text.begin(), text.end(), s) - text.begin();
  };
  const auto confApply = at("  ConfApply");
  ASSERT_LT(static_cast<std::size_t>(confApply), text.size());
  ASSERT_LT(static_cast<std::size_t>(confApply + 1), text.size());
  EXPECT_EQ(text[confApply + 1].rfind("[EXCEPTION]: broken configuration ", 0), 0u)
      << text[confApply + 1];
  // The rest of FormCreate is skipped; the entry routine goes on with the dialogs.
  EXPECT_EQ(text[confApply + 2], ".CreateForm 3");
  EXPECT_EQ(static_cast<std::size_t>(at("  ListReformat")), text.size());
  EXPECT_EQ(static_cast<std::size_t>(at("  END")), text.size());
  EXPECT_LT(static_cast<std::size_t>(at(".Run")), text.size());
  EXPECT_EQ(text.back(), ".END");
  // The error box (without owner, so it shows whatever state the window is in) came before
  // the exit question.
  const auto errorBox = std::find_if(box.requests.begin(), box.requests.end(),
                                     [](const MessageRequest& r) { return !r.ownedByMainWindow; });
  ASSERT_NE(errorBox, box.requests.end());
  EXPECT_EQ(errorBox->icon, MsgIcon::Error);
  EXPECT_EQ(exitQuestions(box.requests).size(), 1u);
  EXPECT_EQ(box.requests.back().text, LangString(29));
}

TEST(Splash, CountdownShowsOneDotPerSecondLeft) {
  EXPECT_EQ(SplashDots(0, 6000), 6);
  EXPECT_EQ(SplashDots(999, 6000), 6);
  EXPECT_EQ(SplashDots(1000, 6000), 5);
  EXPECT_EQ(SplashDots(5999, 6000), 1);
  EXPECT_EQ(SplashDots(6000, 6000), 0);
  EXPECT_EQ(SplashDots(7500, 6000), 0);
  EXPECT_EQ(SplashDots(-5, 6000), 6);
  EXPECT_EQ(SplashDots(0, 0), 0);
  EXPECT_EQ(SplashDots(0, 1500), 2);  // a shortened countdown still ends with no dots
  EXPECT_EQ(SplashDots(1500, 1500), 0);
}

TEST(Splash, WindowIsBorderlessFixedSizeAndShowsVersionAndStatus) {
  TForm5 splash;
  EXPECT_EQ(splash.size(), QSize(400, 250));
  EXPECT_TRUE(splash.windowFlags() & Qt::FramelessWindowHint);
  EXPECT_TRUE(splash.Label3->text().isEmpty());  // set when shown
  splash.show();
  EXPECT_EQ(splash.Label3->text(), QStringLiteral("v 0.9.2"));
  splash.SetStatus(QStringLiteral("......"));
  EXPECT_EQ(splash.status(), QStringLiteral("......"));
  EXPECT_TRUE(splash.Label1->alignment() & Qt::AlignRight);
}
