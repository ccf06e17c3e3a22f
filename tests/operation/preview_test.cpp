// The preview: stages 1 to 3 without writing, and what it predicts for each ticked entry
// compared with what a real run then does.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>

#include "engine_fakes.h"
#include "lang/lang.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

// Everything below a folder as it lies: kind, bytes or link target, permissions and
// modification time of every entry (links themselves, never followed).
std::map<std::string, std::string> snapshot(const fs::path& root) {
  std::map<std::string, std::string> out;
  std::error_code ec;
  if (!fs::exists(fs::symlink_status(root, ec))) return out;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
       ++it) {
    const fs::path& p = it->path();
    struct stat st;
    ::lstat(p.c_str(), &st);
    std::string v = std::to_string(st.st_mode) + " " + std::to_string(st.st_mtim.tv_sec) + "." +
                    std::to_string(st.st_mtim.tv_nsec) + " ";
    if (it->is_symlink())
      v += "link " + fs::read_symlink(p).string();
    else if (it->is_regular_file())
      v += "file " + readFile(p);
    else
      v += "folder";
    out[fs::relative(p, root).string()] = v;
  }
  return out;
}

const PreviewEntry* find(const std::vector<PreviewEntry>& v, int entry) {
  for (const PreviewEntry& e : v)
    if (e.entry == entry) return &e;
  return nullptr;
}

}  // namespace

TEST(Preview, WritesNothingEvenWhenTheRunWouldClearAndCreate) {
  TempDir tmp;
  EngineRig r;
  r.engine.SetMediumProfile(LinuxMedium());
  const fs::path dst = tmp / "dst";
  writeFile(dst / "old" / "keep.mp3", "old");
  writeFile(dst / "a.mp3", "old a");
  fs::create_symlink(tmp / "src", dst / "link");
  ::chmod((dst / "a.mp3").c_str(), 0444);
  writeFile(tmp / "src" / "A" / "a.mp3", "new a");
  writeFile(tmp / "src" / "B" / "b.mp3", "new b");
  r.entries.add((tmp / "src/A/a.mp3").string(), 0);
  r.entries.add((tmp / "src/B/b.mp3").string(), 0);
  r.params.destination = dst.string();
  r.params.folderLayout = layoutNearestFolder;  // folders A and B would be created
  r.params.writeDevicePlaylist = true;

  for (bool clear : {false, true}) {
    for (int action : {actCopy, actMove, actDelete}) {
      SCOPED_TRACE(std::to_string(action) + (clear ? " clear" : ""));
      r.params.clearDestination = clear;
      r.params.action = action;
      const auto before = snapshot(tmp.path());
      const auto outcomes = r.engine.RunPreview(r.params);
      EXPECT_EQ(snapshot(tmp.path()), before);
      EXPECT_EQ(outcomes.size(), 2u);
      EXPECT_TRUE(r.display.questions.empty());
      EXPECT_TRUE(r.display.errors.empty());
    }
  }
  // A root that does not exist stays missing, and everything would land in it unmarked.
  r.params.action = actCopy;
  r.params.destination = (tmp / "new" / "root").string();
  const auto outcomes = r.engine.RunPreview(r.params);
  EXPECT_FALSE(fs::exists(tmp / "new"));
  ASSERT_EQ(outcomes.size(), 2u);
  EXPECT_EQ(outcomes[0].mark, PreviewMark::None);
  EXPECT_EQ(outcomes[0].dest, (tmp / "new/root/A/a.mp3").string());
  EXPECT_EQ(outcomes[1].mark, PreviewMark::None);
  // The engine runs for real afterwards as if no preview had been.
  r.go();
  EXPECT_EQ(readFile(tmp / "new/root/B/b.mp3"), "new b");
}

TEST(Preview, MarksWhatTheRunWillSkipNumberRefuseOrNotFitAndAgreesWithTheRun) {
  TempDir tmp;
  EngineRig r;
  MediumProfile medium = LinuxMedium();
  medium.maxFileSize = 100;
  r.engine.SetMediumProfile(medium);
  const fs::path dst = tmp / "dst";
  writeFile(dst / "taken.mp3", "already there");
  fs::create_directories(tmp / "outside");
  fs::create_symlink(tmp / "outside", dst / "Linked");
  writeFile(tmp / "src" / "taken.mp3", "new taken");
  writeFile(tmp / "src" / "x" / "same.mp3", "first same");
  writeFile(tmp / "src" / "y" / "same.mp3", "second same");
  writeFile(tmp / "src" / "big.mp3", std::string(101, 'b'));
  writeFile(tmp / "src" / "Linked" / "in.mp3", "through the link");
  writeFile(tmp / "src" / "plain.mp3", "plain");
  fs::create_directories(tmp / "src" / "folder.mp3");
  const int taken = r.entries.add((tmp / "src/taken.mp3").string(), 0);
  const int same1 = r.entries.add((tmp / "src/x/same.mp3").string(), 0);
  const int same2 = r.entries.add((tmp / "src/y/same.mp3").string(), 0);
  const int gone = r.entries.add((tmp / "src/gone.mp3").string(), 0);
  const int big = r.entries.add((tmp / "src/big.mp3").string(), 0);
  const int linked = r.entries.add((tmp / "src/Linked/in.mp3").string(), 0);
  const int folder = r.entries.add((tmp / "src/folder.mp3").string(), 0);
  const int plain = r.entries.add((tmp / "src/plain.mp3").string(), 0);
  const int unticked = r.entries.add((tmp / "src/plain.mp3").string(), 0, false);
  r.params.destination = dst.string();
  r.params.ifExistsCopy = existsRename;

  // Layout 0 puts Linked/in.mp3 in the root: to reach the link it needs layout 2, which
  // moves the others into their folders; so the link entry is checked in a run of its own.
  auto outcomes = r.engine.RunPreview(r.params);
  ASSERT_EQ(outcomes.size(), 8u);
  EXPECT_EQ(find(outcomes, unticked), nullptr);
  EXPECT_EQ(find(outcomes, taken)->mark, PreviewMark::Numbered);
  EXPECT_EQ(find(outcomes, taken)->dest, (dst / "taken (1).mp3").string());
  EXPECT_EQ(find(outcomes, taken)->reason, LangFormat(409, {"taken.mp3"}));
  r.entries.list.SelectId(taken);
  EXPECT_EQ(r.entries.list.Cursor->GetDest(), (dst / "taken (1).mp3").string());
  EXPECT_EQ(find(outcomes, same1)->mark, PreviewMark::None);
  EXPECT_EQ(find(outcomes, same2)->mark, PreviewMark::Numbered);
  EXPECT_EQ(find(outcomes, same2)->dest, (dst / "same (1).mp3").string());
  EXPECT_EQ(find(outcomes, gone)->mark, PreviewMark::Skipped);
  EXPECT_EQ(find(outcomes, gone)->reason, LangFormat(422, {LangString(397)}));
  EXPECT_EQ(find(outcomes, big)->mark, PreviewMark::TooLarge);
  EXPECT_EQ(find(outcomes, folder)->mark, PreviewMark::Refused);
  EXPECT_EQ(find(outcomes, folder)->reason, LangString(374));
  EXPECT_EQ(find(outcomes, plain)->mark, PreviewMark::None);
  // The entries carry their destinations, as after stage 1 of a run.
  r.entries.list.SelectId(plain);
  EXPECT_EQ(r.entries.list.Cursor->GetDest(), (dst / "plain.mp3").string());

  // The run puts each entry the preview did not mark where the preview said.
  r.go();
  std::map<int, std::string> arrived;
  for (const auto& a : r.engine.arrivals()) arrived[a.entry] = a.dest;
  for (const PreviewEntry& e : outcomes) {
    SCOPED_TRACE(e.dest);
    if (e.mark == PreviewMark::None || e.mark == PreviewMark::Numbered) {
      ASSERT_TRUE(arrived.count(e.entry));
      EXPECT_EQ(arrived[e.entry], e.dest);
    } else {
      EXPECT_FALSE(arrived.count(e.entry));
    }
  }

  // With "skip", what is there is skipped with its reason; with "replace" it is replaced
  // unmarked, yet the second of two entries of one name is numbered, never replacing the
  // first.
  r.params.ifExistsCopy = existsSkip;
  outcomes = r.engine.RunPreview(r.params);
  EXPECT_EQ(find(outcomes, plain)->mark, PreviewMark::Skipped);
  EXPECT_EQ(find(outcomes, plain)->reason, LangFormat(422, {LangString(423)}));
  r.params.ifExistsCopy = existsReplace;
  fs::remove_all(dst);
  fs::create_directories(dst);
  fs::create_symlink(tmp / "outside", dst / "Linked");
  outcomes = r.engine.RunPreview(r.params);
  EXPECT_EQ(find(outcomes, same1)->mark, PreviewMark::None);
  EXPECT_EQ(find(outcomes, same2)->mark, PreviewMark::Numbered);

  // A folder of the layout that is a link out of the root: refused.
  r.params.folderLayout = layoutNearestFolder;
  outcomes = r.engine.RunPreview(r.params);
  EXPECT_EQ(find(outcomes, linked)->mark, PreviewMark::Refused);
  EXPECT_EQ(find(outcomes, linked)->reason, LangString(376));
  EXPECT_EQ(find(outcomes, plain)->mark, PreviewMark::None);
}
