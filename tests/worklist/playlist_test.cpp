// The work list: its store structure, the entry cursor, the flag rules, the marks taken
// from the view's rows, removal, and a saved list coming back exactly as it was.
#include "worklist/playlist.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "lang/fake_message_box.h"
#include "lang/message_box.h"
#include "logs/log.h"
#include "store/unreadable_file.h"
#include "test_support.h"

namespace {

// The program log kept in memory, so a test can read what was written.
class CapturedLog {
 public:
  CapturedLog() {
    log_.LogOpen("/nonexistent/never-written.log", lmRewrite | lmDeferred, "nn:ss.zzz");
    SetProgramLog(&log_);
  }
  ~CapturedLog() { SetProgramLog(nullptr); }
  // The texts of the lines, without their time stamps.
  std::vector<std::string> texts() const {
    std::vector<std::string> out;
    for (const std::string& line : log_.pending) {
      const std::size_t at = line.find("]  ");
      std::string t = at == std::string::npos ? line : line.substr(at + 3);
      while (!t.empty() && (t.back() == '\n' || t.back() == '\r')) t.pop_back();
      out.push_back(t);
    }
    return out;
  }
  std::size_t size() const { return log_.pending.size(); }

 private:
  TLog log_;
};

// Rows as the view would hold them: one per entry, in list order.
class FakeRows : public IListRows {
 public:
  struct Row {
    int entry;
    bool checked = false;
    bool selected = false;
  };
  int RowCount() const override { return static_cast<int>(rows.size()); }
  int RowEntryId(int row) const override {
    return row >= 0 && row < RowCount() ? rows[static_cast<std::size_t>(row)].entry : -1;
  }
  bool RowChecked(int row) const override { return rows.at(static_cast<std::size_t>(row)).checked; }
  bool RowSelected(int row) const override {
    return rows.at(static_cast<std::size_t>(row)).selected;
  }
  static FakeRows of(TkroPlayList& list) {
    FakeRows r;
    for (int p = 0; p < list.EntryCount(); ++p) r.rows.push_back({list.EntryAt(p)});
    return r;
  }
  std::vector<Row> rows;
};

std::string value(TkroObject& store, const std::string& path) {
  return store.System->ReadString(path, "<missing>");
}

std::vector<std::string> origins(TkroPlayList& list) {
  std::vector<std::string> out;
  for (int p = 0; p < list.EntryCount(); ++p) {
    list.SelectIndex(p);
    out.push_back(list.Cursor->GetOrigin());
  }
  return out;
}

}  // namespace

TEST(PlayList, NewListHasTheDefaultStructureAndNoEntries) {
  TkroPlayList list;
  EXPECT_EQ(list.Title(), "K7D40 Simple");
  EXPECT_EQ(value(list, "FormatId"), "K7D40");
  EXPECT_EQ(value(list, "FormatSubId"), "Simple");
  EXPECT_EQ(value(list, "FormatInfo").rfind("K7D40 Simple playlist database. Refer to: ", 0), 0u);
  KroValue version;
  list.System->ReadValue("FormatVersion", KroValue("absent"), version);
  EXPECT_EQ(version.kind, KroValue::Kind::Byte);
  EXPECT_EQ(version.i, 0);
  EXPECT_EQ(value(list, "Conf/Info/program"), "Vo Tavel 0.9.2");

  KroValue ctime, mtime;
  list.System->ReadValue("Conf/Info/ctime", KroValue(), ctime);
  list.System->ReadValue("Conf/Info/mtime", KroValue(), mtime);
  EXPECT_EQ(ctime.kind, KroValue::Kind::DateTime);
  EXPECT_GT(ctime.d, 40000.0);  // some day after 2009
  EXPECT_EQ(ctime.d, mtime.d);

  EXPECT_GT(list.Items->Id, 1);
  EXPECT_EQ(list.Items->Id, list.System->Lookup("Items", 1));
  EXPECT_GT(list.itemMask, 1);
  EXPECT_EQ(list.itemMask, list.System->Lookup("Masks/item", 1));
  EXPECT_EQ(list.Objects(list.itemMask)->TypeOf(), kroTypeMask);

  EXPECT_EQ(list.EntryCount(), 0);
  EXPECT_FALSE(list.SelectIndex(0));
  EXPECT_EQ(list.Cursor->Id, -1);
  EXPECT_EQ(list.Cursor->GetOrigin(), "");
  EXPECT_EQ(list.Cursor->GetFlags(), 0);

  // On an empty list the run resets change nothing and the mark save only logs.
  const std::int32_t before = list.Count();
  list.ClearDestinations();
  list.ResetRunFlags(0);
  CapturedLog log;
  FakeRows rows;
  rows.rows.push_back({12345, true, true});  // a stray row without an entry behind it
  list.ListSaveMarks(rows);
  EXPECT_EQ(log.texts(), (std::vector<std::string>{"ListSaveMarks()", "ListSaveMarks() END"}));
  EXPECT_EQ(list.Count(), before);
}

TEST(PlayList, AddKeepsEveryFieldAndSettersTouchOnlyTheirOwn) {
  TkroPlayList list;
  const std::int32_t a = list.Add("/music/a.mp3", "", "Artist - A", 1536, 215, FLAG_MARKED);
  const std::int32_t b =
      list.Add("/music/Кино/b.mp3", "/dest/b.mp3", "Кино - Группа крови", 5'000'000'000LL, -1, 0);
  ASSERT_GE(a, 0);
  ASSERT_GE(b, 0);
  EXPECT_NE(a, b);
  EXPECT_EQ(list.Cursor->Id, b);  // Add leaves the cursor on the new entry
  EXPECT_EQ(list.EntryCount(), 2);
  EXPECT_EQ(list.EntryAt(0), a);
  EXPECT_EQ(list.EntryAt(1), b);
  EXPECT_EQ(list.EntryAt(2), -1);
  EXPECT_EQ(list.EntryAt(-1), -1);

  ASSERT_TRUE(list.SelectIndex(1));
  EXPECT_EQ(list.Cursor->GetOrigin(), "/music/Кино/b.mp3");
  EXPECT_EQ(list.Cursor->GetDest(), "/dest/b.mp3");
  EXPECT_EQ(list.Cursor->GetDescr(), "Кино - Группа крови");
  EXPECT_EQ(list.Cursor->GetSize(), 5'000'000'000LL);
  EXPECT_EQ(list.Cursor->GetLength(), -1);
  EXPECT_EQ(list.Cursor->GetFlags(), 0);

  ASSERT_TRUE(list.SelectId(a));
  list.Cursor->SetDest("/d/a.mp3");
  list.Cursor->SetDescr("renamed");
  list.Cursor->SetSize(-1);
  list.Cursor->SetLength(0);
  list.Cursor->SetFlags(static_cast<std::int32_t>(0xFFFFFFFFu));
  EXPECT_EQ(list.Cursor->GetOrigin(), "/music/a.mp3");
  EXPECT_EQ(list.Cursor->GetDest(), "/d/a.mp3");
  EXPECT_EQ(list.Cursor->GetDescr(), "renamed");
  EXPECT_EQ(list.Cursor->GetSize(), -1);
  EXPECT_EQ(list.Cursor->GetLength(), 0);
  EXPECT_EQ(list.Cursor->GetFlags(), -1);
  // The other entry did not move.
  list.SelectId(b);
  EXPECT_EQ(list.Cursor->GetDescr(), "Кино - Группа крови");
  EXPECT_EQ(list.Cursor->GetSize(), 5'000'000'000LL);

  // Out of range: the cursor is on no entry, reads are empty and writes go nowhere.
  const std::int32_t count = list.Count();
  for (bool on :
       {list.SelectId(-1), list.SelectId(count), list.SelectIndex(2), list.SelectIndex(-5)}) {
    EXPECT_FALSE(on);
    EXPECT_EQ(list.Cursor->Id, -1);
    list.Cursor->SetDescr("lost");
    list.Cursor->SetFlags(7);
    list.Cursor->SetAll("x", "y", "z", 1, 2, 3);
    EXPECT_EQ(list.Cursor->GetOrigin(), "");
    EXPECT_EQ(list.Cursor->GetDescr(), "");
    EXPECT_EQ(list.Cursor->GetSize(), 0);
    EXPECT_EQ(list.Cursor->GetFlags(), 0);
  }
  EXPECT_EQ(list.Count(), count);
  EXPECT_EQ(origins(list), (std::vector<std::string>{"/music/a.mp3", "/music/Кино/b.mp3"}));

  // A number that is an object of the store but no entry (the title, a directory) reads
  // nothing and takes no writes.
  for (std::int32_t notEntry : {0, 1, list.Items->Id, list.itemMask}) {
    list.SelectId(notEntry);
    list.Cursor->SetDescr("lost");
    EXPECT_EQ(list.Cursor->GetDescr(), "");
    EXPECT_EQ(list.Cursor->GetOrigin(), "");
  }
  EXPECT_EQ(list.Title(), "K7D40 Simple");
}

TEST(PlayList, RunResetsClearOnlyTheirBits) {
  TkroPlayList list;
  const std::vector<std::uint32_t> flags = {0x00000000u, 0xFFFFFFFFu, 0x05030001u, 0x00FF1234u,
                                            0x80000000u};
  for (std::size_t i = 0; i < flags.size(); ++i)
    list.Add("/s/" + std::to_string(i), "/d/" + std::to_string(i), "x", 1, 1,
             static_cast<std::int32_t>(flags[i]));

  list.ResetRunFlags(0);
  list.ClearDestinations();
  for (std::size_t i = 0; i < flags.size(); ++i) {
    list.SelectIndex(static_cast<std::int32_t>(i));
    EXPECT_EQ(static_cast<std::uint32_t>(list.Cursor->GetFlags()), flags[i] & 0x00FFFFFFu) << i;
    EXPECT_EQ(list.Cursor->GetDest(), "");
    EXPECT_EQ(list.Cursor->GetOrigin(), "/s/" + std::to_string(i));
  }

  list.ResetRunFlags(FLAG_GONE);
  list.SelectIndex(1);
  EXPECT_EQ(static_cast<std::uint32_t>(list.Cursor->GetFlags()), 0x01FFFFFFu);
}

TEST(PlayList, ListSaveMarksWritesTicksAndSelectionOfExistingRowsOnly) {
  TkroPlayList list;
  const std::int32_t keep = static_cast<std::int32_t>(0xAB00C3D5u);  // bits 0-15 and 24-31
  for (int i = 0; i < 4; ++i) list.Add("/s/" + std::to_string(i), "", "", 0, 0, keep | 0x00FE0000);

  FakeRows rows = FakeRows::of(list);
  rows.rows[0].checked = true;   // ticked, not selected
  rows.rows[1].selected = true;  // selected, not ticked
  rows.rows[2].checked = true;   // both
  rows.rows[2].selected = true;
  rows.rows.pop_back();  // the view has one row fewer than the list

  CapturedLog log;
  list.ListSaveMarks(rows);
  const auto flagsAt = [&](int p) {
    list.SelectIndex(p);
    return static_cast<std::uint32_t>(list.Cursor->GetFlags());
  };
  EXPECT_EQ(flagsAt(0), 0xAB01C3D5u);
  EXPECT_EQ(flagsAt(1), 0xAB02C3D5u);
  EXPECT_EQ(flagsAt(2), 0xAB03C3D5u);
  EXPECT_EQ(flagsAt(3), 0xABFEC3D5u);  // no row: untouched
  const auto texts = log.texts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts.front(), "ListSaveMarks()");
  EXPECT_EQ(texts.back(), "ListSaveMarks() END");

  // A row carries its entry's number: rows in another order write to their own entries.
  FakeRows swapped;
  swapped.rows = {{list.EntryAt(1), true, false}, {list.EntryAt(0), false, false}};
  list.ListSaveMarks(swapped);
  EXPECT_EQ(flagsAt(0), 0xAB00C3D5u);
  EXPECT_EQ(flagsAt(1), 0xAB01C3D5u);

  // SelectRow: a row the view does not have leaves the cursor where it was.
  list.SelectIndex(2);
  EXPECT_TRUE(list.SelectRow(swapped, 7));
  EXPECT_EQ(list.Cursor->Id, list.EntryAt(2));
  EXPECT_TRUE(list.SelectRow(swapped, 1));
  EXPECT_EQ(list.Cursor->Id, list.EntryAt(0));
}

TEST(PlayList, RemovingRowsTwoAndFiveOfSixKeepsTheRestInOrder) {
  TkroPlayList list;
  std::vector<std::int32_t> ids;
  for (int i = 1; i <= 6; ++i) ids.push_back(list.Add("/s/" + std::to_string(i), "", "", i, 0, 0));
  const std::int32_t countWithSix = list.Count();

  // Last first, as the view removes selected rows.
  EXPECT_LE(list.RemoveEntry(ids[4]), 0);
  EXPECT_LE(list.RemoveEntry(ids[1]), 0);
  EXPECT_EQ(origins(list), (std::vector<std::string>{"/s/1", "/s/3", "/s/4", "/s/6"}));
  EXPECT_GT(list.RemoveEntry(ids[1]), 0);  // already gone
  EXPECT_EQ(list.EntryCount(), 4);

  // The removed entries' objects (record and fields) are free again: a new entry reuses
  // them and still comes last.
  const std::int32_t seven = list.Add("/s/7", "", "", 7, 0, 0);
  EXPECT_GE(seven, 0);
  EXPECT_LT(list.Count(), countWithSix + 7);
  EXPECT_EQ(origins(list), (std::vector<std::string>{"/s/1", "/s/3", "/s/4", "/s/6", "/s/7"}));
  list.SelectIndex(4);
  EXPECT_EQ(list.Cursor->GetSize(), 7);
  EXPECT_EQ(list.Cursor->GetDest(), "");

  list.ClearEntries();
  EXPECT_EQ(list.EntryCount(), 0);
  EXPECT_EQ(list.Cursor->Id, -1);
  EXPECT_GE(list.Add("/s/8", "", "", 8, 0, 0), 0);
  EXPECT_EQ(origins(list), (std::vector<std::string>{"/s/8"}));
}

TEST(PlayList, RemovingManyPositionsAtOnce) {
  TkroPlayList list;
  for (int i = 0; i < 10; ++i) list.Add("/s/" + std::to_string(i), "", "", i, 0, 0);
  const std::int32_t countWithTen = list.Count();
  list.SelectIndex(3);
  // Positions past the end and repeated ones are ignored; the cursor leaves a removed entry.
  list.RemoveEntriesAt({0, 3, 3, 4, 9, 12});
  EXPECT_EQ(list.Cursor->Id, -1);
  EXPECT_EQ(origins(list),
            (std::vector<std::string>{"/s/1", "/s/2", "/s/5", "/s/6", "/s/7", "/s/8"}));
  // The records are free again for new entries, which still come last.
  list.Add("/s/new", "", "", 1, 0, 0);
  EXPECT_LE(list.Count(), countWithTen);
  EXPECT_EQ(origins(list).back(), "/s/new");
  list.RemoveEntriesAt({});
  EXPECT_EQ(list.EntryCount(), 7);
  list.RemoveEntriesAt({0, 1, 2, 3, 4, 5, 6});
  EXPECT_EQ(list.EntryCount(), 0);
}

TEST(PlayList, SaveAndLoadOfAThousandEntriesKeepsOrderFieldsAndEveryFlagBit) {
  TempDir dir;
  const std::string file = (dir / ".worklist.kro").string();
  struct Entry {
    std::string origin, dest, descr;
    std::int64_t size;
    std::int32_t length, flags;
  };
  std::vector<Entry> want;
  {
    TkroPlayList list;
    for (int i = 0; i < 1000; ++i) {
      Entry e;
      e.origin = "/music/" + std::to_string(999 - i) + " Песня.mp3";
      e.dest = i % 3 == 0 ? "" : "/dest/" + std::to_string(i);
      e.descr = i % 7 == 0 ? "" : "Исполнитель " + std::to_string(i);
      e.size = i % 11 == 0 ? -1 : static_cast<std::int64_t>(i) * 4'000'000'007LL;
      e.length = i % 5 == 0 ? -1 : i * 3;
      // Every bit, alone, among the first 32 entries; mixed patterns after.
      e.flags = i < 32 ? static_cast<std::int32_t>(1u << i)
                       : static_cast<std::int32_t>(0x9E3779B9u * static_cast<std::uint32_t>(i));
      ASSERT_GE(list.Add(e.origin, e.dest, e.descr, e.size, e.length, e.flags), 0);
      want.push_back(e);
    }
    // Take some entries out so the numbers are no longer in list order.
    for (int p : {500, 10, 0}) {
      ASSERT_LE(list.RemoveEntry(list.EntryAt(p)), 0);
      want.erase(want.begin() + p);
    }
    const Entry late{"/late.mp3", "", "late", 1, 1, FLAG_SELECTED | FLAG_TARGET_EXISTS};
    list.Add(late.origin, late.dest, late.descr, late.size, late.length, late.flags);
    want.push_back(late);
    ASSERT_LE(list.SaveToFile(file, kWorkListSaveMode), 0);
  }

  TkroPlayList loaded;
  ASSERT_LE(loaded.LoadFromFile(file, kWorkListLoadMode), 0);
  ASSERT_EQ(loaded.UpdateCachedLinks(), 0);
  ASSERT_EQ(loaded.EntryCount(), static_cast<std::int32_t>(want.size()));
  for (std::size_t p = 0; p < want.size(); ++p) {
    ASSERT_TRUE(loaded.SelectIndex(static_cast<std::int32_t>(p)));
    const Entry& e = want[p];
    ASSERT_EQ(loaded.Cursor->GetOrigin(), e.origin) << p;
    EXPECT_EQ(loaded.Cursor->GetDest(), e.dest) << p;
    EXPECT_EQ(loaded.Cursor->GetDescr(), e.descr) << p;
    EXPECT_EQ(loaded.Cursor->GetSize(), e.size) << p;
    EXPECT_EQ(loaded.Cursor->GetLength(), e.length) << p;
    EXPECT_EQ(loaded.Cursor->GetFlags(), e.flags) << p;
  }
  EXPECT_EQ(loaded.Title(), "K7D40 Simple");
  EXPECT_FALSE(std::filesystem::exists(file + ".unreadable"));
  // A loaded list takes new entries at its end.
  const std::int32_t n = loaded.Add("/new.mp3", "", "", 0, 0, 0);
  ASSERT_GE(n, 0);
  EXPECT_EQ(loaded.EntryAt(loaded.EntryCount() - 1), n);
}

TEST(PlayList, AStoreWithoutTheListStructureIsReportedAndTakesNoEntries) {
  TempDir dir;
  const std::string file = (dir / "other.kro").string();
  {
    TkroObject other;  // a valid store that is not a work list
    other.SetTitle("K7D40 Configuration");
    other.System->WriteValue("version", KroValue("0.9.2"));
    ASSERT_LE(other.SaveToFile(file, 2), 0);
  }
  FakeMessageBox box;
  CapturedLog log;
  TkroPlayList list;
  list.Add("/kept.mp3", "", "", 0, 0, 0);
  ASSERT_LE(list.LoadFromFile(file, kWorkListLoadMode), 0);
  EXPECT_EQ(list.UpdateCachedLinks(), -255);
  ASSERT_EQ(box.shown.size(), 1u);
  EXPECT_NE(box.shown[0].text.find("UpdateCachedLinks error"), std::string::npos);

  EXPECT_EQ(list.EntryCount(), 0);
  const std::int32_t count = list.Count();
  EXPECT_EQ(list.NewEntry(), -1);
  list.SelectId(1);
  EXPECT_EQ(list.Add("/x.mp3", "", "", 0, 0, 0), -1);
  EXPECT_EQ(list.Cursor->Id, 1);   // not moved by a failed Add
  EXPECT_EQ(list.Count(), count);  // and nothing left behind in the store
}

TEST(PlayList, AnUnreadableListFileIsKeptAsideBeforeAnythingCanOverwriteIt) {
  TempDir dir;
  const std::string file = (dir / ".worklist.kro").string();
  // A real list with one damaged byte.
  {
    TkroPlayList list;
    list.Add("/a.mp3", "", "A", 1, 1, FLAG_MARKED);
    ASSERT_LE(list.SaveToFile(file, kWorkListSaveMode), 0);
  }
  std::string bytes = readFile(file);
  bytes[bytes.size() / 2] ^= 0x5A;
  writeFile(file, bytes);

  CapturedLog log;
  TkroPlayList list;
  EXPECT_GT(list.LoadFromFile(file, kWorkListLoadMode), 0);
  EXPECT_FALSE(std::filesystem::exists(file));
  ASSERT_TRUE(std::filesystem::exists(file + ".unreadable"));
  EXPECT_EQ(readFile(file + ".unreadable"), bytes);
  int lines = 0;
  for (const std::string& t : log.texts())
    if (t.find(".unreadable") != std::string::npos) ++lines;
  EXPECT_EQ(lines, 1);

  // The list keeps its default structure and saves a fresh file in the old place.
  EXPECT_EQ(list.UpdateCachedLinks(), 0);
  list.Add("/b.mp3", "", "B", 1, 1, 0);
  ASSERT_LE(list.SaveToFile(file, kWorkListSaveMode), 0);
  EXPECT_EQ(readFile(file + ".unreadable"), bytes);

  // A second bad file never replaces the first one kept.
  writeFile(file, "not a store at all");
  TkroPlayList again;
  EXPECT_GT(again.LoadFromFile(file, kWorkListLoadMode), 0);
  EXPECT_EQ(readFile(file + ".unreadable"), bytes);
  EXPECT_EQ(readFile(file + ".unreadable.2"), "not a store at all");
  EXPECT_EQ(UnreadableNameFor(file), file + ".unreadable.3");

  // A missing file or an empty one: a missing file is nothing to keep; an empty file is.
  TkroPlayList fresh;
  const std::string missing = (dir / "missing.kro").string();
  EXPECT_GT(fresh.LoadFromFile(missing, kWorkListLoadMode), 0);
  EXPECT_FALSE(std::filesystem::exists(missing + ".unreadable"));
  const std::string empty = (dir / "empty.kro").string();
  writeFile(empty, "");
  EXPECT_GT(fresh.LoadFromFile(empty, kWorkListLoadMode), 0);
  EXPECT_TRUE(std::filesystem::exists(empty + ".unreadable"));
  // A successful load keeps its file where it is.
  ASSERT_LE(again.SaveToFile(file, kWorkListSaveMode), 0);
  EXPECT_LE(fresh.LoadFromFile(file, kWorkListLoadMode), 0);
  EXPECT_TRUE(std::filesystem::exists(file));
  EXPECT_EQ(KeepUnreadableAside(file, 0), "");
  EXPECT_TRUE(std::filesystem::exists(file));
}
