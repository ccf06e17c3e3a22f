// Deleting to the trash on a removable drive: the confirmation says the drive's own trash
// frees no space there, and the user may delete those files for good for this run.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>

#include "engine_fakes.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

// A display that answers the three-way question as told.
class ChoosingDisplay : public FakeDisplay {
 public:
  Answer choice = Answer::Yes;
  std::vector<std::string> threeWay;
  Answer askYesNoCancel(const std::string& caption, const std::string& text) override {
    threeWay.push_back(caption + "|" + text);
    return choice;
  }
};

struct StickRig {
  TempDir tmp;
  fs::path data = tmp / "data";  // the home trash lies below it
  FakeEntries entries;
  FakeRows rows{entries};
  ChoosingDisplay display;
  std::map<std::string, int> asked;  // folder -> questions about it
  TOperationEngine engine{entries.list, rows, display, [this](const std::string& path) {
                            ++asked[fs::path(path).parent_path().string()];
                            return path.rfind((tmp / "stick").string() + "/", 0) == 0;
                          }};
  OperationParameters params;

  StickRig() {
    writeFile(tmp / "stick/a.mp3", "a");
    writeFile(tmp / "stick/b.mp3", "b");
    writeFile(tmp / "disk/c.mp3", "c");
    entries.add((tmp / "stick/a.mp3").string(), 0);
    entries.add((tmp / "disk/c.mp3").string(), 0);
    entries.add((tmp / "stick/b.mp3").string(), 0);
    entries.add((tmp / "stick/gone.mp3").string(), 0);  // missing: nothing to delete
    params.action = actDelete;
  }
  void go() {
    ScopedEnv trashHome("XDG_DATA_HOME", data.string());
    engine.RunOperation(params, true);
  }
  std::set<std::string> trashed() const { return namesIn(data / "Trash/files"); }
};

}  // namespace

TEST(DeleteOnRemovableDrive, YesDeletesTheDrivesFilesForGoodAndTrashesTheRest) {
  StickRig r;
  r.go();
  ASSERT_EQ(r.display.threeWay.size(), 1u);
  EXPECT_TRUE(r.display.questions.empty());  // one question, not two
  const std::string& q = r.display.threeWay[0];
  EXPECT_EQ(q.substr(0, q.find('|')), "Проверка рабочего списка");
  EXPECT_NE(q.find("Не существующих файлов: 1"), std::string::npos) << q;
  EXPECT_NE(q.find("\xE2\x80\xA2 На съемном диске: 2. Удаленные в корзину файлы остаются в "
                   "корзине этого диска и не освобождают на нем места"),
            std::string::npos)
      << q;
  EXPECT_NE(q.find("Удалить файлы со съемного диска насовсем"), std::string::npos) << q;
  // Gone for good, not in any trash; the file on the fixed disk went to the trash.
  EXPECT_FALSE(fs::exists(r.tmp / "stick/a.mp3"));
  EXPECT_FALSE(fs::exists(r.tmp / "stick/b.mp3"));
  EXPECT_FALSE(fs::exists(r.tmp / "disk/c.mp3"));
  EXPECT_EQ(r.trashed(), std::set<std::string>{"c.mp3"});
  EXPECT_FALSE(fs::exists(r.tmp / ("stick/.Trash-" + std::to_string(::getuid()))));
  EXPECT_EQ(r.display.headers.back().rfind("Операция завершена", 0),
            0u);  // the missing one counts as failed
  // Each folder is asked about once, however many files it holds.
  EXPECT_EQ(r.asked[(r.tmp / "stick").string()], 1);
  EXPECT_EQ(r.asked[(r.tmp / "disk").string()], 1);
}

TEST(DeleteOnRemovableDrive, NoKeepsTheTrashCancelDeletesNothing) {
  {
    StickRig r;
    r.display.choice = IProgressDisplay::Answer::No;
    r.go();
    EXPECT_EQ(r.trashed(), (std::set<std::string>{"a.mp3", "b.mp3", "c.mp3"}));
    EXPECT_EQ(r.display.headers.back().rfind("Операция завершена", 0),
              0u);  // the missing one counts as failed
  }
  {
    StickRig r;
    r.display.choice = IProgressDisplay::Answer::Cancel;
    r.go();
    EXPECT_TRUE(fs::exists(r.tmp / "stick/a.mp3"));
    EXPECT_TRUE(fs::exists(r.tmp / "disk/c.mp3"));
    EXPECT_TRUE(r.trashed().empty());
    EXPECT_EQ(r.display.headers.back(), "Операция прервана пользователем");
  }
  {
    // A later run of the same engine asks again: the choice held for one run only.
    StickRig r;
    r.go();
    writeFile(r.tmp / "stick/a.mp3", "again");
    r.entries.list.SelectIndex(0);
    r.entries.list.Cursor->SetFlags(FLAG_MARKED);
    r.display.choice = IProgressDisplay::Answer::No;
    r.go();
    EXPECT_EQ(r.display.threeWay.size(), 2u);
    EXPECT_EQ(r.trashed(), (std::set<std::string>{"a.mp3", "c.mp3"}));
  }
}

TEST(DeleteOnRemovableDrive, OnlyATrashDeleteOnADriveAsksTheThreeWayQuestion) {
  {
    StickRig r;
    r.params.deleteToRecycleBin = false;  // deleting for good anyway: nothing to offer
    r.go();
    EXPECT_TRUE(r.display.threeWay.empty());
    ASSERT_EQ(r.display.questions.size(), 1u);
    EXPECT_EQ(r.display.questions[0].find("съемном"), std::string::npos);
    EXPECT_TRUE(r.asked.empty());
    EXPECT_TRUE(r.trashed().empty());
    EXPECT_FALSE(fs::exists(r.tmp / "stick/a.mp3"));
  }
  {
    // Only files on fixed disks.
    StickRig r;
    for (int i : {0, 2, 3}) {
      r.entries.list.SelectIndex(i);
      r.entries.list.Cursor->SetFlags(0);
    }
    r.go();
    EXPECT_TRUE(r.display.threeWay.empty());
    EXPECT_EQ(r.display.questions.size(), 1u);
    EXPECT_EQ(r.trashed(), std::set<std::string>{"c.mp3"});
  }
  {
    // A copy from the stick is no delete: it never asks whether the stick is removable.
    StickRig r;
    r.params.action = actCopy;
    r.params.destination = (r.tmp / "dst").string();
    r.engine.SetMediumProfile(LinuxMedium());
    r.go();
    EXPECT_TRUE(r.display.threeWay.empty());
    EXPECT_TRUE(r.asked.empty());
    EXPECT_TRUE(fs::exists(r.tmp / "dst/a.mp3"));
  }
}
