#include <gtest/gtest.h>

#include <filesystem>

#include "add_test_support.h"
#include "lang/fake_message_box.h"
#include "lang/lang.h"
#include "logs/log.h"
#include "worklist/m3u.h"
#include "worklist/m3u_import.h"
#include "worklist/text_encoding.h"

namespace fs = std::filesystem;

namespace {

struct PlaylistImport : ::testing::Test {
  TempDir dir;
  TkroPlayList list;
  RecordingView view;
  TFileAdder adder{[this] { return &list; }, &view};
  FakeMessageBox boxes;
  TLog log;

  void SetUp() override {
    log.LogOpen((dir / "test.log").string(), lmRewrite | lmDeferred, "nn:ss.zzz");
    SetProgramLog(&log);
  }
  void TearDown() override { SetProgramLog(nullptr); }

  std::string playlist(const std::string& name, const std::string& bytes) {
    writeFile(dir / name, bytes);
    return (dir / name).string();
  }
  int logLinesContaining(const std::string& text) const {
    int n = 0;
    for (const auto& l : log.pending)
      if (l.find(text) != std::string::npos) ++n;
    return n;
  }
};

TEST_F(PlaylistImport, EveryLineKind) {
  WriteAudio(dir / "Music/a.mp3", Id3Block("Tag title", "Tag artist"));
  WriteAudio(dir / "Music/plain.mp3", Id3Block("Song", "Band"));
  const std::string file = playlist("list.m3u",
                                    "#EXTM3U\r\n"
                                    "#EXTINF:215,Artist - Title\r\n"
                                    "# a comment between the information and its path\r\n"
                                    "Music\\a.mp3\r\n"
                                    "\r\n"
                                    "   \r\n"
                                    "#EXTINF:-1,Radio\n"
                                    "http://radio.example/stream\n"
                                    "#EXTINF:100,A, B\r"
                                    "/abs/missing.mp3\r"
                                    "#EXTINF:abc,Bad length\r\n"
                                    "Music/../Music/gone.mp3\r\n"
                                    "Music/plain.mp3\r\n"
                                    "#EXTINF:7\r\n"
                                    "D:\\music\\x.mp3\r\n");
  ImportM3U(adder, file);
  EXPECT_TRUE(boxes.shown.empty());
  const auto e = Snapshot(list);
  ASSERT_EQ(e.size(), 6u);

  EXPECT_EQ(e[0].origin, dir.str() + "/Music/a.mp3");
  EXPECT_EQ(e[0].descr, "Artist - Title");  // the playlist's title beats the tag
  EXPECT_EQ(e[0].length, 215);
  EXPECT_EQ(e[0].size, 2000 + 128);

  EXPECT_EQ(e[1].origin, "http://radio.example/stream");
  EXPECT_EQ(e[1].descr, "Radio");
  EXPECT_EQ(e[1].length, -1);
  EXPECT_EQ(e[1].size, 0);

  EXPECT_EQ(e[2].origin, "/abs/missing.mp3");
  EXPECT_EQ(e[2].descr, "A, B");
  EXPECT_EQ(e[2].length, 100);

  // A length that is no number: the entry is still added with -1, and the log names the line.
  EXPECT_EQ(e[3].origin, dir.str() + "/Music/../Music/gone.mp3");
  EXPECT_EQ(e[3].descr, "Bad length");
  EXPECT_EQ(e[3].length, -1);
  EXPECT_EQ(logLinesContaining("line 11"), 1);

  // No information line: the tag, length -1.
  EXPECT_EQ(e[4].descr, "Band - Song");
  EXPECT_EQ(e[4].length, -1);

  // An information line without a comma has no title; the description comes from the name.
  EXPECT_EQ(e[5].origin, "D:\\music\\x.mp3");
  EXPECT_EQ(e[5].descr, "x");

  for (const auto& x : e) EXPECT_EQ(x.flags, 0);
  EXPECT_EQ(view.rows.size(), 6u);
  EXPECT_EQ(adder.counter(), 6);
}

TEST_F(PlaylistImport, WindowsPlaylistInCp1251WithBackslashes) {
  const std::string title = "Кино - Группа крови";
  WriteAudio(dir / "Русская музыка/01 Кино.mp3");
  const std::string file =
      playlist("win.m3u", "#EXTM3U\r\n#EXTINF:283," + Utf8ToCp1251(title) + "\r\n" +
                              Utf8ToCp1251("Русская музыка\\01 Кино.mp3") + "\r\n");
  ImportM3U(adder, file);
  const auto e = Snapshot(list);
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0].descr, title);
  EXPECT_EQ(e[0].origin, dir.str() + "/Русская музыка/01 Кино.mp3");
  EXPECT_EQ(e[0].length, 283);
  EXPECT_EQ(e[0].size, 2000);
}

TEST_F(PlaylistImport, RefusedFilesAddNothing) {
  // Letter case of the first line matters.
  ImportM3U(adder, playlist("lower.m3u", "#extm3u\r\nx.mp3\r\n"));
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, LangString(106));

  // A playlist that cannot be read names the file.
  const std::string missing = (dir / "missing.m3u").string();
  ImportM3U(adder, missing);
  ASSERT_EQ(boxes.shown.size(), 2u);
  EXPECT_EQ(boxes.shown[1].text, LangFormat(457, {missing}));

  // An empty file adds nothing and says nothing.
  ImportM3U(adder, playlist("empty.m3u", ""));
  EXPECT_EQ(boxes.shown.size(), 2u);
  EXPECT_EQ(list.EntryCount(), 0);
  EXPECT_TRUE(view.rows.empty());
}

TEST_F(PlaylistImport, NulInAPathLeavesTheEntryOutAndDescriptionsLoseControlCharacters) {
  WriteAudio(dir / "victim");
  WriteAudio(dir / "tagged.mp3", Id3Block("Ti\ttle", "Art\x01ist"));
  using namespace std::string_literals;
  const std::string file = playlist("nul.m3u",
                                    "#EXTM3U\r\n"
                                    "#EXTINF:10,Vic\0tim\r\n"
                                    "victim\0.mp3\r\n"
                                    "next.mp3\r\n"
                                    "#EXTINF:20,A\0b\tc\x7f\u0085d\r\n"
                                    "other.mp3\r\n"
                                    "tagged.mp3\r\n"s);
  ImportM3U(adder, file);
  EXPECT_TRUE(boxes.shown.empty());
  const auto e = Snapshot(list);
  ASSERT_EQ(e.size(), 3u);
  // The entry with the NUL is not there, nor is "victim" it would have cut down to; its
  // title and length do not pass to the next path.
  EXPECT_EQ(e[0].origin, dir.str() + "/next.mp3");
  EXPECT_EQ(e[0].descr, "next");
  EXPECT_EQ(e[0].length, -1);
  EXPECT_EQ(logLinesContaining("line 3: path holds a NUL byte"), 1);
  EXPECT_EQ(e[1].descr, "Abcd");
  EXPECT_EQ(e[1].length, 20);
  // Tags lose theirs too.
  EXPECT_EQ(e[2].descr, "Artist - Title");
  for (const auto& x : e) EXPECT_EQ(x.origin.find('\0'), std::string::npos);
}

TEST_F(PlaylistImport, ExportWritesListOrderAndReadsBackTheSame) {
  list.Add(dir.str() + "/a b/one.mp3", "/dest/one.mp3", "Artist, with comma - One", 100, 215,
           FLAG_MARKED);
  list.Add(dir.str() + "/two.mp3", "", "", 0, 0, 0);  // no description: path line only
  list.Add("/music/Кино/три.mp3", "", "Кино - Три", 5, 0, 0);

  const std::string out = (dir / "out.m3u").string();
  ASSERT_TRUE(ExportM3U(list, &view, out, false));
  EXPECT_EQ(readFile(out), "#EXTM3U\r\n#EXTINF:215,Artist, with comma - One\r\n" + dir.str() +
                               "/a b/one.mp3\r\n" + dir.str() +
                               "/two.mp3\r\n#EXTINF:0,Кино - Три\r\n/music/Кино/три.mp3\r\n");
  EXPECT_EQ(view.panels[1], "3");
  EXPECT_EQ(view.panels[0], LangString(143));
  EXPECT_EQ(view.calls.front(), "status0:" + LangFormat(149, {out}) + " ...");

  TkroPlayList back;
  TFileAdder backAdder{[&] { return &back; }, nullptr};
  ImportM3U(backAdder, out);
  const auto a = Snapshot(list);
  const auto b = Snapshot(back);
  ASSERT_EQ(b.size(), 3u);
  EXPECT_EQ(b[0].origin, a[0].origin);
  EXPECT_EQ(b[0].descr, a[0].descr);
  EXPECT_EQ(b[0].length, 215);
  EXPECT_EQ(b[1].origin, a[1].origin);
  EXPECT_EQ(b[1].descr, "two");
  EXPECT_EQ(b[2].descr, "Кино - Три");
  EXPECT_EQ(b[2].length, 0);

  // Destination paths on request.
  ASSERT_TRUE(ExportM3U(list, nullptr, out, true));
  EXPECT_NE(readFile(out).find("\r\n/dest/one.mp3\r\n"), std::string::npos);
}

TEST_F(PlaylistImport, ExportLeavesOutPathsThatWouldReadBackAsOthers) {
  list.Add("/m/two\nlines.mp3", "", "Split", 1, 10, 0);
  list.Add("/m/ok.mp3", "", "Kept", 1, 20, 0);
  list.Add("/m/bad\xff\xfe.mp3", "", "Not UTF-8", 1, 30, 0);
  list.Add("/m/cr\r.mp3", "", "", 1, 0, 0);
  list.Add("/m/blank.mp3 ", "", "", 1, 0, 0);
  list.Add("relative.mp3", "", "", 1, 0, 0);
  const std::string out = (dir / "out.m3u").string();
  ASSERT_TRUE(ExportM3U(list, &view, out, false));
  EXPECT_EQ(readFile(out), "#EXTM3U\r\n#EXTINF:20,Kept\r\n/m/ok.mp3\r\n");
  EXPECT_EQ(view.panels[1], "1");
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, LangFormat(380, {5}));
  EXPECT_EQ(logLinesContaining("left out"), 5);
  EXPECT_EQ(logLinesContaining("entry 3 left out, the path is not valid UTF-8"), 1);

  TkroPlayList back;
  TFileAdder backAdder{[&] { return &back; }, nullptr};
  ImportM3U(backAdder, out);
  const auto b = Snapshot(back);
  ASSERT_EQ(b.size(), 1u);
  EXPECT_EQ(b[0].origin, "/m/ok.mp3");

  // Nothing left out, no box.
  EXPECT_TRUE(ExportM3U(back, nullptr, out, false));
  EXPECT_EQ(boxes.shown.size(), 1u);

  EXPECT_EQ(M3uPathProblem("/m/a.mp3"), "");
  EXPECT_EQ(M3uPathProblem("http://radio.example/x"), "");
  EXPECT_EQ(M3uPathProblem("D:\\x.mp3"), "");
  EXPECT_NE(M3uPathProblem(""), "");
  EXPECT_NE(M3uPathProblem("#comment"), "");
  EXPECT_NE(M3uPathProblem(std::string("/a\0b", 4)), "");
}

TEST_F(PlaylistImport, ExportOfEmptyListAndFailedExport) {
  const std::string out = (dir / "empty.m3u").string();
  ASSERT_TRUE(ExportM3U(list, &view, out, false));
  EXPECT_EQ(readFile(out), "#EXTM3U\r\n");
  EXPECT_EQ(view.panels[1], "0");

  // A folder that does not exist: the user is told and the status keeps the export text.
  list.Add("/a.mp3", "", "A", 1, 1, 0);
  view.calls.clear();
  const std::string bad = (dir / "no/such/folder/x.m3u").string();
  EXPECT_FALSE(ExportM3U(list, &view, bad, false));
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, LangFormat(457, {bad}));
  EXPECT_EQ(view.panels[0], LangFormat(149, {bad}) + " ...");
  EXPECT_FALSE(fs::exists(bad));
}

}  // namespace
