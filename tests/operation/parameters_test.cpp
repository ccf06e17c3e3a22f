#include <gtest/gtest.h>

#include <vector>

#include "lang/message_box.h"
#include "operation/operation_parameters.h"
#include "operation/start_operation.h"
#include "worklist/add_files.h"

namespace {

class RecordingBox : public IMessageBox {
 public:
  MsgResult show(const MessageRequest& r) override {
    boxes.push_back(r);
    return MsgResult::Ok;
  }
  std::vector<MessageRequest> boxes;
};

OperationParameters copyTo(const std::string& dest) {
  OperationParameters p;
  p.destination = dest;
  return p;
}

}  // namespace

TEST(OperationParameters, DefaultsAreThePanelDefaults) {
  OperationParameters p;
  EXPECT_EQ(p.action, actCopy);
  EXPECT_EQ(p.destination, "");
  EXPECT_EQ(p.limitMode, limitAutoFree);
  EXPECT_EQ(p.limitBytes, 0);
  EXPECT_FALSE(p.clearDestination);
  EXPECT_EQ(p.ifExistsCopy, existsRename);
  EXPECT_EQ(p.ifExistsMove, existsRename);
  EXPECT_TRUE(p.deleteToRecycleBin);
  EXPECT_EQ(p.folderLayout, layoutAllInRoot);
  EXPECT_EQ(p.folderLevels, "3");
  EXPECT_FALSE(p.renameEnabled);
  EXPECT_TRUE(p.renameByDescription);
  EXPECT_FALSE(p.deleteLeadingNumber);
  EXPECT_FALSE(p.numberItems);
  EXPECT_EQ(p.invalidCharRule, invalidUnderline);
  EXPECT_EQ(FolderLevelCount("3"), 3);
  EXPECT_EQ(FolderLevelCount("9"), 6);
  EXPECT_EQ(FolderLevelCount("x"), 1);
}

TEST(ValidateOperation, ChecksInOrderAndAnswersTheFirstFailure) {
  // Defaults with a destination start at once.
  EXPECT_EQ(ValidateOperation(copyTo("/music")), 0);

  // Everything wrong at once: each fix uncovers the next check.
  OperationParameters p;
  p.action = -1;
  p.limitMode = -1;
  p.destination = " \\\\ ";
  p.ifExistsCopy = -1;
  p.renameEnabled = true;
  p.invalidCharRule = -1;
  EXPECT_EQ(ValidateOperation(p), 320);
  p.action = actCopy;
  EXPECT_EQ(ValidateOperation(p), 321);
  p.limitMode = limitManual;
  p.limitText = "0";
  EXPECT_EQ(ValidateOperation(p), 322);
  p.limitText = "700 МБ";
  EXPECT_EQ(ValidateOperation(p), 323);
  p.destination = "/media/stick";
  EXPECT_EQ(ValidateOperation(p), 324);
  p.ifExistsCopy = existsSkip;
  EXPECT_EQ(ValidateOperation(p), 325);
  p.invalidCharRule = invalidRemove;
  EXPECT_EQ(ValidateOperation(p), 0);

  // Move reads its own policy.
  p.action = actMove;
  p.ifExistsMove = -1;
  EXPECT_EQ(ValidateOperation(p), 324);
  p.ifExistsMove = existsSkip;
  EXPECT_EQ(ValidateOperation(p), 0);
}

TEST(ValidateOperation, LimitTextAndDestinationEdges) {
  OperationParameters p = copyTo("/music");
  p.limitMode = limitManual;
  for (const char* bad : {"-5", "0", "7-0", "", "MB", "99999999999"}) {
    p.limitText = bad;
    EXPECT_EQ(ValidateOperation(p), 322) << bad;
  }
  for (const char* good : {"700", "700 MB", " 1 ", "1x2"}) {
    p.limitText = good;
    EXPECT_EQ(ValidateOperation(p), 0) << good;
  }
  // The automatic kinds ignore the text.
  p.limitMode = limitAutoTotal;
  p.limitText = "junk";
  EXPECT_EQ(ValidateOperation(p), 0);

  for (const char* bad : {"", "   ", "\\\\\\", "//", " // "}) {
    EXPECT_EQ(ValidateOperation(copyTo(bad)), 323) << bad;
  }
  // A NUL byte: the system would see another folder.
  EXPECT_EQ(ValidateOperation(copyTo(std::string("/media/stick", 12) + '\0' + "x")), 323);
  // Renaming switched off: no invalid-character rule needed.
  OperationParameters q = copyTo("/music");
  q.invalidCharRule = -1;
  EXPECT_EQ(ValidateOperation(q), 0);
}

TEST(ValidateOperation, DeleteNeedsOnlyTheAction) {
  OperationParameters p;
  p.action = actDelete;
  p.limitMode = -1;
  p.destination = "";
  p.ifExistsCopy = p.ifExistsMove = -1;
  p.renameEnabled = true;
  p.invalidCharRule = -1;
  EXPECT_EQ(ValidateOperation(p), 0);
  p.action = 3;
  EXPECT_EQ(ValidateOperation(p), 320);
}

TEST(DestinationRoot, TrimsSpacesAndTrailingSeparators) {
  EXPECT_EQ(DestinationRoot("  /media/stick/ "), "/media/stick");
  EXPECT_EQ(DestinationRoot("/media/stick\\\\"), "/media/stick");
  EXPECT_EQ(DestinationRoot("/media/stick /"), "/media/stick");
  EXPECT_EQ(DestinationRoot("///"), "");
}

TEST(History, DestinationAndLimitHistoriesMoveOrInsertAtTheTopAndKeepEight) {
  QStringList h;
  EXPECT_EQ(UpdateHistoryItems(h, "   ", historyLimit, true), QString());
  EXPECT_TRUE(h.isEmpty());
  for (int i = 1; i <= 9; ++i) UpdateHistoryItems(h, QString("/d%1").arg(i), historyLimit, true);
  ASSERT_EQ(h.size(), 8);
  EXPECT_EQ(h.front(), "/d9");
  EXPECT_EQ(h.back(), "/d2");
  // Known texts move up as they were written; letter case is ignored, Cyrillic too.
  EXPECT_EQ(UpdateHistoryItems(h, "  /D5 ", historyLimit, true), "/d5");
  EXPECT_EQ(h.size(), 8);
  UpdateHistoryItems(h, QString::fromUtf8("/Музыка"), historyLimit, true);
  UpdateHistoryItems(h, QString::fromUtf8("/МУЗЫКА"), historyLimit, true);
  EXPECT_EQ(h.front(), QString::fromUtf8("/Музыка"));
  EXPECT_EQ(h.count(QString::fromUtf8("/Музыка")), 1);
  EXPECT_EQ(h.size(), 8);
}

TEST(StartClick, RefusedParametersShowTheBoxAndDoNothingElse) {
  RecordingBox box;
  SetMessageBox(&box);
  std::vector<std::string> calls;
  StartOperationHooks hooks;
  hooks.stopPlayer = [&] { calls.push_back("stop"); };
  hooks.listSaveMarks = [&] { calls.push_back("marks"); };
  hooks.runProgressDialog = [&] { calls.push_back("dialog"); };
  EXPECT_EQ(StartClick(copyTo(" "), hooks), 323);
  SetMessageBox(nullptr);
  ASSERT_EQ(box.boxes.size(), 1u);
  EXPECT_EQ(box.boxes[0].caption, "Ошибка введенных данных");
  EXPECT_EQ(box.boxes[0].text, "Не выбрана папка места назначения");
  EXPECT_EQ(box.boxes[0].icon, MsgIcon::Error);
  EXPECT_TRUE(calls.empty());
}

TEST(StartClick, RunsItsStepsInOrder) {
  RecordingBox box;
  SetMessageBox(&box);
  std::vector<std::string> calls;
  StartOperationHooks hooks;
  hooks.stopPlayer = [&] { calls.push_back("stop"); };
  hooks.rememberLimitText = [&](const std::string& t) { calls.push_back("limit " + t); };
  hooks.rememberDestination = [&](const std::string& t) { calls.push_back("dest " + t); };
  hooks.listSaveMarks = [&] { calls.push_back("marks"); };
  hooks.runProgressDialog = [&] { calls.push_back("dialog"); };
  hooks.beginListWork = [&](const std::string& t) { calls.push_back("begin " + t); };
  hooks.refreshRows = [&] { calls.push_back("refresh"); };
  hooks.endListWork = [&] { calls.push_back("end"); };
  OperationParameters p = copyTo("/music");
  p.limitMode = limitManual;
  p.limitText = "700";
  EXPECT_EQ(StartClick(p, hooks), 0);
  const std::vector<std::string> expected{"stop",  "limit 700", "dest /music",
                                          "marks", "dialog",    "begin Обновление списка...",
                                          "marks", "refresh",   "end"};
  EXPECT_EQ(calls, expected);
  EXPECT_TRUE(box.boxes.empty());

  // Delete remembers no destination, an automatic limit no limit text.
  calls.clear();
  p.action = actDelete;
  p.limitMode = limitAutoFree;
  StartClick(p, hooks);
  EXPECT_EQ(calls.front(), "stop");
  EXPECT_EQ(calls[1], "marks");
  SetMessageBox(nullptr);
}
