// The object model: store objects, items and their views, the system section.
#include <gtest/gtest.h>

#include <vector>

#include "logs/log.h"
#include "store/kro_object.h"

namespace {

struct Messages {
  std::vector<std::string> lines;
  TkroMessageProc sink() {
    return [this](const std::string& t) { lines.push_back(t); };
  }
};

struct FieldDef {
  std::string name;
  std::int32_t type;
};

// The fields of a mask as seen through an object made from it.
std::vector<FieldDef> fieldsOf(TkroObject& s, std::int32_t mask,
                               const std::vector<std::string>& names) {
  std::int32_t rec = -1;
  EXPECT_EQ(s.CreateObject(mask, rec, 2), 0);
  std::vector<FieldDef> out;
  for (std::int32_t j = 0;; ++j) {
    const std::int32_t id = s.Objects(rec)->AsObject.FieldId(j);
    if (id < 0) break;
    FieldDef f{names.size() > static_cast<std::size_t>(j) ? names[static_cast<std::size_t>(j)] : "",
               s.Objects(id)->TypeOf()};
    if (!f.name.empty()) {
      EXPECT_EQ(s.Objects(rec)->AsObject.FieldByName(f.name)->Id, id);
    }
    out.push_back(f);
  }
  return out;
}

TEST(StoreObject, CreateSendsTheModuleLinesAndStartsTheDefaultStore) {
  Messages m;
  TkroObject s(m.sink());
  ASSERT_EQ(m.lines.size(), 1u);
  EXPECT_EQ(m.lines[0], std::string(kro_GetModuleInfo()) + "\r\nkroObjectModel v1.42 D5A1E\r\n");
  EXPECT_EQ(s.Count(), 2);
  EXPECT_EQ(s.LastResult, 0);
  EXPECT_EQ(s.System->CurrentDir(), 1);
  EXPECT_EQ(s.System->sectionCode, 4);
  EXPECT_EQ(s.Objects(5)->Id, 5);
  EXPECT_EQ(s.Utils->owner, &s);
}

TEST(StoreObject, WithoutASinkMessagesGoToTheProgramLogLineByLine) {
  TLog log;
  log.LogOpen("", lmDeferred, "hh:nn:ss");
  SetProgramLog(&log);
  {
    TkroObject s;
    s.CreateObjectMask("m", {"a", "a"}, 1);  // the second "a" cannot be added
  }
  SetProgramLog(nullptr);
  std::string all;
  for (const auto& l : log.pending) all += l + "\n";
  EXPECT_NE(all.find("tavel-kro 1.0"), std::string::npos);
  EXPECT_NE(all.find("kroObjectModel v1.42 D5A1E"), std::string::npos);
  EXPECT_NE(all.find("kro error 6 in ../kro_omAddItem()"), std::string::npos);
  EXPECT_EQ(all.find('\r'), std::string::npos);
}

TEST(StoreObject, CreateObjectMaskWalksTheTypedValues) {
  Messages m;
  TkroObject s(m.sink());
  const std::int32_t mask = s.CreateObjectMask(
      "item", {"origin", "dest", "descr", "size", 8, "length", 7, "flags", 7}, 1);
  ASSERT_GT(mask, 1);
  EXPECT_EQ(m.lines.back(), "# TkroObject.CreateObjectMask() /array of const");
  EXPECT_EQ(s.Objects(mask)->TypeOf(), kroTypeMask);
  EXPECT_EQ(kro_GetName(&s.Handle, mask), "item");
  const auto f = fieldsOf(s, mask, {"origin", "dest", "descr", "size", "length", "flags"});
  ASSERT_EQ(f.size(), 6u);
  const std::int32_t types[] = {4, 4, 4, 8, 7, 7};
  for (std::size_t j = 0; j < 6; ++j) EXPECT_EQ(f[j].type, types[j]) << j;

  // Integers before the first name are ignored, a fifth integer too; characters and
  // short strings are names; values of other kinds are skipped.
  const std::int32_t m2 = s.CreateObjectMask(
      "odd", {1, 2, 'c', 6, 1, 2, 3, 99, TValue::shortString("s"), 5.5, true, "t", 5}, 0);
  const auto g = fieldsOf(s, m2, {"c", "s", "t"});
  ASSERT_EQ(g.size(), 3u);
  EXPECT_EQ(g[0].type, 6);
  EXPECT_EQ(g[1].type, 4);
  EXPECT_EQ(g[2].type, 5);

  // An empty list makes a mask without fields.
  const std::int32_t m3 = s.CreateObjectMask("empty", {}, 1);
  ASSERT_GT(m3, m2);
  EXPECT_TRUE(fieldsOf(s, m3, {}).empty());
}

TEST(StoreObject, CreateObjectMaskReportsAFieldItCannotAddAndGoesOn) {
  Messages m;
  TkroObject s(m.sink());
  const std::string longName(300, 'x');
  const std::int32_t mask = s.CreateObjectMask("m", {"a", 7, "", 4, "a", longName, 8, "b"}, 1);
  ASSERT_GT(mask, 0);
  std::vector<std::string> reports;
  for (const auto& l : m.lines)
    if (l.rfind("kro error", 0) == 0) reports.push_back(l);
  ASSERT_EQ(reports.size(), 2u);  // the empty name and the second "a"
  EXPECT_EQ(reports[0], "kro error " + std::to_string(kroErrName) + " in ../kro_omAddItem()");
  EXPECT_EQ(reports[1], "kro error " + std::to_string(kroErrExists) + " in ../kro_omAddItem()");
  const auto f = fieldsOf(s, mask, {"a", std::string(255, 'x'), "b"});  // cut to 255
  ASSERT_EQ(f.size(), 3u);
  EXPECT_EQ(f[0].type, 7);
  EXPECT_EQ(f[1].type, 8);
  EXPECT_EQ(f[2].type, 4);

  // A long name with multi-byte characters is cut between characters.
  std::string cyr;
  for (int i = 0; i < 200; ++i) cyr += "ж";  // 400 bytes
  const std::int32_t m2 = s.CreateObjectMask("cyr", {cyr}, 1);
  std::int32_t rec = -1;
  ASSERT_EQ(s.CreateObject(m2, rec, 2), 0);
  std::int32_t n = -1;
  EXPECT_EQ(s.Objects(rec)->AsObject.LinkN(cyr.substr(0, 254), n), 0);

  // A mask that cannot be made (no name) is reported, and no number comes back.
  const std::int32_t before = s.Count();
  EXPECT_EQ(s.CreateObjectMask("", {"a"}, 1), -1);
  EXPECT_EQ(s.Count(), before);
  EXPECT_EQ(m.lines.back(), "kro error " + std::to_string(kroErrName) + " in ../kro_omCreate()");
}

TEST(StoreObject, CreateObjectTakesTheFirstFreeNumberAndFailsWithoutAMask) {
  TkroObject s([](const std::string&) {});
  const std::int32_t mask = s.CreateObjectMask("~PlayListColumn", {"type", 5, "width", 6}, 1);
  std::int32_t n = -1;
  EXPECT_EQ(s.CreateObject(mask, n, 0), 0);
  EXPECT_EQ(n, mask + 1);
  EXPECT_EQ(s.LastResult, 0);
  std::int32_t bad = 0;
  EXPECT_GT(s.CreateObject(-1, bad, 2), 0);
  EXPECT_EQ(bad, -1);
  EXPECT_GT(s.LastResult, 0);
  EXPECT_GT(s.CreateObject(1, bad, 2), 0);  // a directory is no mask

  // Fields are written and read through the shared cursors, chained.
  ASSERT_EQ(s.Objects(n)->AsObject.FieldByName("width")->SetValue(KroValue(280)), 0);
  ASSERT_EQ(s.Objects(n)->AsObject.Field(0)->SetValue(KroValue(std::uint8_t(2))), 0);
  KroValue v;
  ASSERT_EQ(s.Objects(n)->AsObject.Field(1)->GetValue(v), 0);
  EXPECT_EQ(v.asInt(), 280);
  EXPECT_EQ(s.Objects(n)->AsObject.FieldByName("type")->GetValue(v), 0);
  EXPECT_EQ(v.asInt(), 2);
  EXPECT_EQ(s.Objects(n)->AsObject.FieldByName("nope")->Id, -1);
  EXPECT_EQ(s.Objects(n)->AsObject.Field(2)->Id, -1);
  EXPECT_EQ(s.Objects(1)->AsObject.FieldId(0), -1);
}

TEST(StoreObject, ItemsWithoutAnObjectReadAndWriteNothing) {
  TkroObject s([](const std::string&) {});
  TkroItem* it = s.Objects(-1);
  KroValue v("kept");
  EXPECT_GT(it->GetValue(v), 0);
  EXPECT_EQ(v.s, "kept");
  s.LastResult = -5;
  EXPECT_GT(it->SetValue(KroValue(1)), 0);
  EXPECT_EQ(s.LastResult, -5);  // nothing was called
  EXPECT_EQ(s.Count(), 2);      // and nothing was made
  EXPECT_EQ(it->TypeOf(), -1);
  EXPECT_EQ(s.Objects(2)->TypeOf(), -1);
  EXPECT_EQ(s.Objects(1)->TypeOf(), kroTypeDir);

  // Object 0 (the title) is read but never written through SetValue.
  s.SetTitle("K7D40 Configuration");
  EXPECT_EQ(s.Objects(0)->SetValue(KroValue("other")), kroErrNumber);
  EXPECT_EQ(s.Objects(0)->GetValue(v), 0);
  EXPECT_EQ(v.s, "K7D40 Configuration");
  EXPECT_EQ(s.Objects(0)->AsString.Get(), "K7D40 Configuration");
  EXPECT_EQ(s.Title(), "K7D40 Configuration");

  auto own = s.NewItem(1);
  EXPECT_NE(own.get(), s.Objects(1));
  EXPECT_EQ(own->Id, 1);
  EXPECT_EQ(own->SetInt(42), 0);
  EXPECT_EQ(s.Objects(1)->GetInt(), 42);
  EXPECT_EQ(s.NewObject(2, 7), 0);
  EXPECT_GT(s.NewObject(2, 7), 0);
  EXPECT_GT(s.LastResult, 0);
}

// A list directory with n masked entries; returns the directory's item.
std::unique_ptr<TkroItem> listWith(TkroObject& s, int n, std::vector<std::int32_t>& entries) {
  const std::int32_t mask = s.CreateObjectMask("item", {"origin", "size", 8}, 1);
  s.System->ForceCreateDir("Items");
  auto items = s.NewItem(s.System->LastCreated);
  for (int i = 0; i < n; ++i) {
    std::int32_t e = -1;
    EXPECT_EQ(s.CreateObject(mask, e, 2), 0);
    s.Objects(e)->AsObject.Field(0)->SetValue(KroValue("/music/" + std::to_string(i) + ".mp3"));
    EXPECT_EQ(s.Objects(e)->LinkInto(items->Id), 0);
    entries.push_back(e);
  }
  return items;
}

TEST(StoreObject, LinkListViewWalksDeletesAndRemoves) {
  TkroObject s([](const std::string&) {});
  std::vector<std::int32_t> e;
  auto items = listWith(s, 4, e);
  auto& links = items->AsTLinks;
  EXPECT_EQ(links.High(), 3);
  for (int i = 0; i <= links.High(); ++i) EXPECT_EQ(links.Get(i), e[static_cast<std::size_t>(i)]);
  EXPECT_EQ(links.Get(4), -1);
  EXPECT_EQ(links.IndexOf(e[2]), 2);
  EXPECT_EQ(links.IndexOf(12345), -1);
  EXPECT_EQ(links.Item(1)->Id, e[1]);
  EXPECT_EQ(links.Item(9)->Id, -1);
  EXPECT_EQ(links.Item(0)->AsObject.Field(0)->AsString.Get(), "/music/0.mp3");

  const std::int32_t field1 = s.Objects(e[1])->AsObject.FieldId(0);
  EXPECT_EQ(links.Delete(1, 19), 0);
  EXPECT_EQ(links.High(), 2);
  EXPECT_EQ(s.Objects(e[1])->TypeOf(), 0);  // the entry and its field values are gone
  EXPECT_EQ(s.Objects(field1)->TypeOf(), 0);
  EXPECT_EQ(links.Remove(e[3], 19), 0);
  EXPECT_EQ(links.High(), 1);
  EXPECT_EQ(links.Get(1), e[2]);
  EXPECT_GT(links.Remove(e[3], 19), 0);  // not held any more
  EXPECT_GT(links.Delete(5, 19), 0);
  EXPECT_EQ(links.High(), 1);

  // A link whose object was deleted elsewhere can still be removed.
  ASSERT_EQ(kro_DeleteEx(&s.Handle, e[0], 19), 0);
  EXPECT_EQ(links.Remove(e[0], 19), 0);
  EXPECT_EQ(links.High(), 0);

  // A link whose deletion is refused stays.
  ASSERT_EQ(links.Add(1), 0);
  EXPECT_EQ(links.Delete(1, 19), kroErrProtected);
  EXPECT_EQ(links.High(), 1);
}

TEST(StoreObject, ClearDeletesEveryEntryAndRenewsTheList) {
  TkroObject s([](const std::string&) {});
  std::vector<std::int32_t> e;
  auto items = listWith(s, 5, e);
  EXPECT_EQ(items->AsTLinks.Clear(19), 0);
  EXPECT_EQ(items->AsTLinks.High(), -1);
  for (const std::int32_t n : e) EXPECT_EQ(s.Objects(n)->TypeOf(), 0);
  EXPECT_EQ(kro_GetFirstFree(&s.Handle), e[0]);  // their numbers are free again
  // Clear on an empty list only renews it.
  const std::int32_t count = s.Count();
  EXPECT_EQ(items->AsTLinks.Clear(19), 0);
  EXPECT_EQ(items->AsTLinks.High(), -1);
  EXPECT_EQ(s.Count(), count);
  int loops = 0;
  for (int i = 0; i <= items->AsTLinks.High(); ++i) ++loops;
  EXPECT_EQ(loops, 0);
}

TEST(StoreObject, SystemSectionPathsAndCurrentDirectory) {
  TkroObject s([](const std::string&) {});
  TDSystem& sys = *s.System;
  std::int32_t n = 77;
  EXPECT_EQ(sys.Resolve("", n), 0);
  EXPECT_EQ(n, 1);
  EXPECT_GT(sys.Resolve("missing", n), 0);
  EXPECT_EQ(n, 1);  // a failed resolve still gives the current directory
  EXPECT_EQ(sys.Lookup("missing/path", 1), -1);
  EXPECT_FALSE(sys.Exists("missing", 1));
  EXPECT_TRUE(sys.Exists("", 1));

  ASSERT_EQ(sys.WriteValue("Settings/Exit confirm", KroValue(true)), 0);
  EXPECT_TRUE(sys.Exists("Settings", 1));
  EXPECT_TRUE(sys.ReadBool("Settings/Exit confirm", false));
  EXPECT_EQ(sys.ReadInt("Settings/missing", 9), 9);
  EXPECT_EQ(sys.ReadString("Settings/missing", "d"), "d");
  KroValue out;
  EXPECT_EQ(sys.ReadValue("Settings/missing", KroValue(-1), out), kroDefaulted);
  EXPECT_EQ(out.asInt(), -1);

  const std::int32_t settings = sys.Lookup("Settings", 1);
  EXPECT_EQ(sys.ChangeDir("Settings"), 0);
  EXPECT_EQ(sys.CurrentDir(), settings);
  EXPECT_TRUE(sys.ReadBool("Exit confirm", false));  // relative to the current directory
  EXPECT_GT(sys.ChangeDir("nowhere"), 0);
  EXPECT_EQ(sys.CurrentDir(), settings);  // unchanged on failure
  sys.SetCurrentDir(s.Count());
  EXPECT_EQ(sys.CurrentDir(), settings);
  sys.SetCurrentDir(-1);
  EXPECT_EQ(sys.CurrentDir(), settings);
  sys.SetCurrentDir(1);
  EXPECT_EQ(sys.CurrentDir(), 1);

  // Values stored as one kind read through another.
  ASSERT_EQ(sys.WriteValue("Interface/Main/height", KroValue("600")), 0);
  EXPECT_EQ(sys.ReadInt("Interface/Main/height", 0), 600);
  ASSERT_EQ(sys.WriteValue("Interface/Main/wsMax", KroValue(1)), 0);
  EXPECT_TRUE(sys.ReadBool("Interface/Main/wsMax", false));
  ASSERT_EQ(sys.WriteValue("Interface/Main/left", KroValue("left")), 0);
  EXPECT_EQ(sys.ReadInt("Interface/Main/left", 33), 33);  // not a number: the default
  EXPECT_EQ(sys.ReadInt64("Interface/Main/height", 0), 600);

  auto item = sys.NewItemAt("Interface/Main/height");
  EXPECT_EQ(item->AsString.Get(), "600");
  EXPECT_EQ(sys.NewItemAt("Interface/none")->Id, -1);
  EXPECT_EQ(sys.ItemAt("Interface/Main")->Id, sys.Lookup("Interface/Main", 1));
  EXPECT_EQ(sys.ItemAt("none")->Id, -1);
  EXPECT_EQ(sys.ItemAt("")->Id, 1);
}

TEST(StoreObject, CreateCallsSetLastCreated) {
  TkroObject s([](const std::string&) {});
  TDSystem& sys = *s.System;
  ASSERT_EQ(sys.CreateValue("", "FormatId", KroValue("K7D40")), 0);
  const std::int32_t id = sys.LastCreated;
  EXPECT_EQ(sys.Lookup("FormatId", 1), id);
  EXPECT_GT(sys.CreateValue("", "FormatId", KroValue("again")), 0);
  EXPECT_EQ(sys.LastCreated, -1);
  EXPECT_EQ(sys.ReadString("FormatId", ""), "K7D40");
  EXPECT_GT(sys.CreateValue("no/such", "x", KroValue(1)), 0);
  EXPECT_EQ(sys.LastCreated, -1);

  ASSERT_EQ(sys.CreateDir("", "Playlist"), 0);
  const std::int32_t playlist = sys.LastCreated;
  ASSERT_EQ(sys.ChangeDir("Playlist"), 0);
  ASSERT_EQ(sys.WriteValue("mode", KroValue(1)), 0);
  ASSERT_EQ(sys.ForceCreateDir("Columns"), 0);
  const std::int32_t columns = sys.LastCreated;
  sys.SetCurrentDir(1);
  EXPECT_EQ(sys.Lookup("Playlist/Columns", 1), columns);
  EXPECT_EQ(sys.ReadInt("Playlist/mode", 0), 1);
  EXPECT_GT(sys.CreateDir("", "Playlist"), 0);
  EXPECT_EQ(sys.LastCreated, -1);
  ASSERT_EQ(sys.ForceCreateDir("Playlist"), 0);
  EXPECT_EQ(sys.LastCreated, playlist);  // an existing directory is the last one too

  // A mask linked into a directory is found by its name through the path.
  const std::int32_t masks = (sys.ForceCreateDir("Masks"), sys.LastCreated);
  const std::int32_t mask = s.CreateObjectMask("item", {"origin"}, 1);
  ASSERT_EQ(s.Objects(mask)->LinkInto(masks), 0);
  EXPECT_EQ(sys.Lookup("Masks/item", 1), mask);
  EXPECT_GT(s.Objects(mask)->LinkInto(99999), 0);
}

}  // namespace
