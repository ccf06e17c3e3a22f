#include "lang/messages.h"

#include <gtest/gtest.h>

#include <utility>

#include "fake_message_box.h"
#include "lang/lang.h"
#include "lang/message_box.h"
#include "logs/log.h"

namespace {

// An in-memory program log installed for one test; its lines are read from `pending`.
class WithProgramLog : public ::testing::Test {
 protected:
  void SetUp() override {
    log.LogOpen("/nonexistent-folder/never-written.log", lmRewrite | lmDeferred, "nn:ss.zzz");
    SetProgramLog(&log);
  }
  void TearDown() override { SetProgramLog(nullptr); }

  // The text of log line i, without its time stamp.
  std::string line(std::size_t i) const {
    const std::string& l = log.pending.at(i);
    return l.substr(l.find("]  ") + 3);
  }

  TLog log;
  FakeMessageBox boxes;
};

}  // namespace

TEST_F(WithProgramLog, BugFSLogsTheTagAndShowsTheInternalErrorText) {
  BugFS("lvListReformat.NoColumnsData");
  ASSERT_EQ(log.pending.size(), 1u);
  EXPECT_EQ(line(0), "BugFS: lvListReformat.NoColumnsData");
  ASSERT_EQ(boxes.shown.size(), 1u);
  const MessageRequest& r = boxes.shown[0];
  EXPECT_EQ(r.caption, "Vo Tavel");
  EXPECT_EQ(r.text, LangFormat(18, {"lvListReformat.NoColumnsData"}));
  EXPECT_NE(r.text.find("Причина: lvListReformat.NoColumnsData\r\n"), std::string::npos);
  EXPECT_EQ(r.icon, MsgIcon::Error);
  EXPECT_EQ(r.buttons, mbOK);
}

TEST_F(WithProgramLog, BugFSWithValuesAppendsThemOnALineOfTheirOwn) {
  BugFS("CmdCall", {-1, 0, true});
  ASSERT_EQ(log.pending.size(), 1u);
  EXPECT_EQ(line(0), "BugFS: CmdCall\r\nПараметры: -1 0 true");
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_NE(boxes.shown[0].text.find("Причина: CmdCall\r\nПараметры: -1 0 true\r\n"),
            std::string::npos);

  BugFS("empty", {});
  EXPECT_EQ(line(1), "BugFS: empty\r\nПараметры: ");
}

TEST_F(WithProgramLog, ShowMessageEByTextAndById) {
  ShowMessageE(LangFormat(457, {"/music/a.m3u"}));
  ShowMessageE(451);
  ShowMessageE(499);  // an empty slot still shows a box: the log tells what was meant
  ASSERT_EQ(log.pending.size(), 3u);
  EXPECT_EQ(line(0), "ShowMessageE: Ошибка доступа к файлу \"/music/a.m3u\"");
  EXPECT_EQ(line(1), "ShowMessageE: Не найдена информация о установленном Winamp (#451)");
  EXPECT_EQ(line(2), "ShowMessageE: ");
  ASSERT_EQ(boxes.shown.size(), 3u);
  for (const MessageRequest& r : boxes.shown) {
    EXPECT_EQ(r.caption, "Vo Tavel: Ошибка");
    EXPECT_EQ(r.icon, MsgIcon::Error);
    EXPECT_EQ(r.buttons, mbOK);
  }
  EXPECT_EQ(boxes.shown[1].text, "Не найдена информация о установленном Winamp (#451)");
}

TEST_F(WithProgramLog, LogValuesJoinsWithSingleSpaces) {
  LogValues({"CmdCall", 1120, 1, true});
  LogValues({});
  ASSERT_EQ(log.pending.size(), 2u);
  EXPECT_EQ(line(0), "CmdCall 1120 1 true");
  EXPECT_EQ(line(1), "");
  EXPECT_TRUE(boxes.shown.empty());
}

// Before start-up installs them and after shutdown removes them: the routines return at
// once, and a box that cannot be shown takes the safe answer (No to a question, else Ok).
TEST(Messages, WithoutAProgramLogOrABoxTheSafeAnswerIsTaken) {
  SetProgramLog(nullptr);
  SetMessageBox(nullptr);
  BugFS("no log");
  ShowMessageE(450);
  LogValues({1});
  MessageRequest r;
  for (const auto& [buttons, answer] :
       {std::pair{mbYesNo, MsgResult::No}, std::pair{mbOK, MsgResult::Ok}}) {
    r.buttons = buttons;
    EXPECT_EQ(ShowBox(r), answer) << buttons;
  }
}
