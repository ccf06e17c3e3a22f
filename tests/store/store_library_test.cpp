// The C-style store library: numbers, values, link lists, masks, deletion and paths.
#include <gtest/gtest.h>

#include "store/kro.h"

namespace {

class Store : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(kro_dbStart(&h), 0);
    ASSERT_EQ(kro_dbCreateDefault(&h, 0), 0);
  }
  void TearDown() override { kro_dbDestroy(&h); }
  KroHandle h;
};

TEST(StoreHandle, CallsOnAHandleThatWasNotStartedFailWithoutCrashing) {
  KroHandle h;
  std::int32_t n = 5;
  KroValue v("keep");
  EXPECT_GT(kro_New(&h, 0, 4), 0);
  EXPECT_GT(kro_vGet(&h, 0, v, 0), 0);
  EXPECT_EQ(v.s, "keep");
  EXPECT_GT(kro_d2GetR(&h, "a", n, 1, 4), 0);
  EXPECT_EQ(n, -1);
  EXPECT_EQ(kro_tlCount(&h, 1), 0);
  EXPECT_EQ(kro_GetFirstFree(&h), -1);
  EXPECT_GT(kro_dbLoad(&h, "/nonexistent", 3), 0);
  EXPECT_GT(kro_dbSave(nullptr, "/tmp/x", 2), 0);
  EXPECT_EQ(kro_dbDestroy(&h), 0);  // releasing twice is harmless
  EXPECT_EQ(kro_dbDestroy(&h), 0);
  EXPECT_EQ(h.count, 0);
}

TEST_F(Store, DefaultStoreHasTitleAndRootAndTheHandleShowsTypes) {
  ASSERT_EQ(h.count, 2);
  EXPECT_EQ(h.types[0], kroTypeText);
  EXPECT_EQ(h.types[1], kroTypeDir);
  EXPECT_EQ(kro_GetFirstFree(&h), 2);
  EXPECT_EQ(kro_sSet(&h, 0, "K7D40 Simple"), 0);
  std::string t;
  EXPECT_EQ(kro_sGet(&h, 0, t), 0);
  EXPECT_EQ(t, "K7D40 Simple");
  EXPECT_STREQ(kro_GetModuleInfo(), "tavel-kro 1.0 (object store, format 1)");
}

TEST_F(Store, NumbersAreGivenLowestFreeFirstAndReusedAfterDeletion) {
  EXPECT_EQ(kro_New(&h, 2, 4), 0);
  EXPECT_EQ(kro_New(&h, 3, 77), 0);  // an unknown type code is kept as given
  EXPECT_EQ(h.types[3], 77);
  EXPECT_EQ(kro_New(&h, 4, 7), 0);
  EXPECT_EQ(kro_New(&h, 3, 4), kroErrInUse);
  EXPECT_EQ(kro_New(&h, 9, 4), kroErrNumber);  // only a free number or the next one
  EXPECT_EQ(kro_New(&h, -1, 4), kroErrNumber);
  EXPECT_EQ(kro_DeleteEx(&h, 4, 19), 0);
  EXPECT_EQ(kro_DeleteEx(&h, 2, 19), 0);
  EXPECT_EQ(h.types[2], 0);
  EXPECT_EQ(h.count, 5);  // numbers never shrink, so links keep their meaning
  EXPECT_EQ(kro_GetFirstFree(&h), 2);
  EXPECT_EQ(kro_New(&h, 2, 4), 0);
  EXPECT_EQ(kro_GetFirstFree(&h), 4);
  EXPECT_EQ(kro_New(&h, 4, 4), 0);
  EXPECT_EQ(kro_GetFirstFree(&h), 5);
  EXPECT_EQ(kro_DeleteEx(&h, 4, 0), 0);
  EXPECT_EQ(kro_DeleteEx(&h, 4, 0), kroErrNumber);  // already free
  EXPECT_EQ(kro_DeleteEx(&h, 0, 19), kroErrProtected);
  EXPECT_EQ(kro_DeleteEx(&h, 1, 19), kroErrProtected);
  EXPECT_EQ(kro_DeleteEx(&h, 99, 19), kroErrNumber);
}

TEST_F(Store, ValuesKeepTheirKindAndTheIntegerIsSeparate) {
  std::int32_t n = -1;
  ASSERT_EQ(kro_vSet(&h, n, KroValue(std::uint8_t(200)), -1), 0);
  EXPECT_EQ(n, 2);  // -1 made a new object and passed its number back
  EXPECT_EQ(h.types[n], kroTypeByte);
  KroValue v;
  EXPECT_EQ(kro_vGet(&h, n, v, 0), 0);
  EXPECT_EQ(v.kind, KroValue::Kind::Byte);
  EXPECT_EQ(v.asInt(), 200);

  const KroValue samples[] = {KroValue("текст"),
                              KroValue(-7),
                              KroValue(-(1LL << 40)),
                              KroValue(true),
                              KroValue::dateTime(45000.25),
                              KroValue()};
  for (const KroValue& s : samples) {
    ASSERT_EQ(kro_vSet(&h, n, s, -1), 0);
    ASSERT_EQ(kro_vGet(&h, n, v, 0), 0);
    EXPECT_TRUE(v == s) << s.asText();
  }
  EXPECT_EQ(h.types[n], kroTypeByte);  // type -1 keeps the code
  EXPECT_EQ(kro_vSet(&h, n, KroValue(5), 8), 0);
  EXPECT_EQ(h.types[n], 8);

  EXPECT_EQ(kro_i32Set(&h, n, -123456), 0);
  EXPECT_EQ(kro_i32Get(&h, n), -123456);
  EXPECT_EQ(kro_vGet(&h, n, v, 0), 0);
  EXPECT_EQ(v.asInt(), 5);
  EXPECT_EQ(kro_i32Get(&h, 999), 0);
  EXPECT_GT(kro_i32Set(&h, 999, 1), 0);

  std::int32_t freeNumber = 50;
  EXPECT_EQ(kro_vSet(&h, freeNumber, KroValue(1), -1), kroErrNumber);
  v = KroValue("untouched");
  EXPECT_EQ(kro_vGet(&h, 50, v, 0), kroErrNumber);
  EXPECT_EQ(v.s, "untouched");
  std::string big(kroMaxText + 1, 'x');
  EXPECT_EQ(kro_vSet(&h, n, KroValue(big), -1), kroErrTooLarge);
  EXPECT_EQ(kro_vGet(&h, n, v, 0), 0);
  EXPECT_EQ(v.asInt(), 5);
}

TEST_F(Store, RewritingTextsManyTimesKeepsEveryValueRight) {
  // Overwritten texts leave garbage in the arena that is compacted now and then; every
  // live text must survive those compactions.
  std::vector<std::int32_t> ns;
  for (int i = 0; i < 50; ++i) {
    std::int32_t n = -1;
    ASSERT_EQ(kro_vSet(&h, n, KroValue("v" + std::to_string(i)), -1), 0);
    ns.push_back(n);
  }
  const std::string pad(4000, 'p');
  for (int round = 0; round < 3000; ++round) {
    const std::size_t k = static_cast<std::size_t>(round) % ns.size();
    ASSERT_EQ(kro_vSet(&h, ns[k], KroValue(pad + std::to_string(round)), -1), 0);
  }
  ASSERT_EQ(kro_DeleteEx(&h, ns[3], 0), 0);
  for (std::size_t k = 0; k < ns.size(); ++k) {
    if (k == 3) continue;
    std::string t;
    ASSERT_EQ(kro_sGet(&h, ns[k], t), 0);
    const int last = 2950 + static_cast<int>(k);
    EXPECT_EQ(t, pad + std::to_string(last));
  }
  EXPECT_LT(kro_MemoryUsage(&h), 4u * 1024 * 1024);  // not 12 MB of dead texts
}

TEST(StoreValue, ConversionsBetweenKinds) {
  EXPECT_EQ(KroValue("42").asInt(), 42);
  EXPECT_EQ(KroValue(" -17 ").asInt(), -17);
  EXPECT_EQ(KroValue("+8").asInt64(), 8);
  EXPECT_EQ(KroValue("3.9").asInt(), 3);
  EXPECT_EQ(KroValue("3,5").asDouble(), 3.5);
  EXPECT_EQ(KroValue("abc").asInt(-1), -1);
  EXPECT_EQ(KroValue("").asInt(9), 9);
  EXPECT_EQ(KroValue("5000000000").asInt(7), 7);  // beyond 32 bits
  EXPECT_EQ(KroValue("5000000000").asInt64(), 5000000000LL);
  EXPECT_EQ(KroValue("300").asByte(1), 1);
  EXPECT_EQ(KroValue(255).asByte(), 255);
  EXPECT_EQ(KroValue().asInt(4), 4);
  EXPECT_EQ(KroValue().asText("d"), "d");

  EXPECT_TRUE(KroValue("TRUE").asBool());
  EXPECT_FALSE(KroValue("false").asBool(true));
  EXPECT_TRUE(KroValue("1").asBool());
  EXPECT_FALSE(KroValue("0").asBool(true));
  EXPECT_TRUE(KroValue("maybe").asBool(true));
  EXPECT_FALSE(KroValue("maybe").asBool(false));
  EXPECT_TRUE(KroValue(2).asBool());
  EXPECT_TRUE(KroValue().asBool(true));

  EXPECT_EQ(KroValue(true).asText(), "true");
  EXPECT_EQ(KroValue(-5).asText(), "-5");
  EXPECT_EQ(KroValue(std::uint8_t(7)).asText(), "7");
  EXPECT_EQ(KroValue(true).asInt(), 1);
  EXPECT_EQ(KroValue::dateTime(45000.75).asInt(), 45000);
  EXPECT_EQ(KroValue::dateTime(45000.75).asText(), "45000.75");
  EXPECT_EQ(KroValue("45000.75").asDouble(), 45000.75);
  EXPECT_EQ(KroValue(0xFFFFFFFFu).kind, KroValue::Kind::Int64);
  EXPECT_EQ(KroValue(std::size_t(12)).asInt(), 12);
  EXPECT_EQ(KroValue(std::int16_t(-3)).kind, KroValue::Kind::Int32);
  EXPECT_EQ(KroValue(std::int64_t(-3)).kind, KroValue::Kind::Int64);
  EXPECT_EQ(KroValue(std::string_view("sv")).asText(), "sv");
  EXPECT_EQ(KroValue(0xFFFFFFFFu).asInt64(), 0xFFFFFFFFLL);
  EXPECT_EQ(KroValue(0x80000001u).asInt(), static_cast<std::int32_t>(0x80000001u));
  EXPECT_EQ(KroValue(0x100000000LL).asInt(7), 7);
  EXPECT_EQ(KroValue(-2147483648LL).asInt(), -2147483647 - 1);
  EXPECT_EQ(KroValue(-2147483649LL).asInt(7), 7);
}

TEST_F(Store, LinkListsAppendSearchAndDeleteByPosition) {
  for (int i = 0; i < 4; ++i) ASSERT_EQ(kro_New(&h, 2 + i, 4), 0);
  EXPECT_EQ(kro_tlCount(&h, 2), 0);  // no list yet
  EXPECT_EQ(kro_tlGet(&h, 2, 0), -1);
  EXPECT_EQ(kro_tlAdd(&h, 2, 3), 0);
  EXPECT_EQ(kro_tlAdd(&h, 2, 4), 0);
  EXPECT_EQ(kro_tlAdd(&h, 2, 5), 0);
  EXPECT_EQ(kro_tlAdd(&h, 2, 3), 0);  // the same number may be linked twice
  EXPECT_EQ(kro_tlAdd(&h, 2, 77), kroErrNumber);
  EXPECT_EQ(kro_tlAdd(&h, 2, -1), kroErrNumber);
  EXPECT_EQ(kro_tlCount(&h, 2), 4);
  std::int32_t pos = 9;
  EXPECT_EQ(kro_tlIndexOf(&h, 2, 3, pos), 0);
  EXPECT_EQ(pos, 0);
  EXPECT_EQ(kro_tlIndexOf(&h, 2, 5, pos), 0);
  EXPECT_EQ(pos, 2);
  EXPECT_GT(kro_tlIndexOf(&h, 2, 1, pos), 0);
  EXPECT_EQ(pos, -1);
  EXPECT_EQ(kro_tlDelete(&h, 2, 1), 0);
  EXPECT_EQ(kro_tlGet(&h, 2, 1), 5);
  EXPECT_EQ(kro_tlDelete(&h, 2, 3), kroErrPosition);
  EXPECT_EQ(kro_tlDelete(&h, 2, -1), kroErrPosition);
  EXPECT_EQ(kro_tlNew(&h, 2, 2), 0);
  EXPECT_EQ(kro_tlCount(&h, 2), 0);
}

TEST_F(Store, MaskedObjectsGetAValueObjectPerField) {
  ASSERT_EQ(kro_omCreate(&h, 2, "item", 1), 0);
  EXPECT_EQ(kro_omAddItem(&h, 2, "origin", 4, 0, 0, 0), 0);
  EXPECT_EQ(kro_omAddItem(&h, 2, "size", 8, 1, 2, 3), 0);
  EXPECT_EQ(kro_omAddItem(&h, 2, "size", 8, 0, 0, 0), kroErrExists);
  EXPECT_EQ(kro_omAddItem(&h, 2, "", 8, 0, 0, 0), kroErrName);
  EXPECT_EQ(kro_omAddItem(&h, 2, std::string(256, 'n'), 4, 0, 0, 0), kroErrName);
  EXPECT_EQ(kro_omAddItem(&h, 1, "x", 4, 0, 0, 0), kroErrNotMask);
  EXPECT_EQ(kro_GetName(&h, 2), "item");

  const std::int32_t rec = kro_GetFirstFree(&h);
  ASSERT_EQ(kro_oCreate(&h, rec, 2, 2), 0);
  EXPECT_EQ(h.types[rec], kroTypeRecord);
  std::int32_t f0 = -1, f1 = -1, byName = -1;
  ASSERT_EQ(kro_oGetLinkJ(&h, rec, 0, f0), 0);
  ASSERT_EQ(kro_oGetLinkJ(&h, rec, 1, f1), 0);
  EXPECT_GT(f0, 0);
  EXPECT_GT(f1, 0);
  EXPECT_NE(f0, f1);
  EXPECT_EQ(h.types[f0], 4);
  EXPECT_EQ(h.types[f1], 8);
  EXPECT_EQ(kro_oGetLinkN(&h, rec, "size", byName), 0);
  EXPECT_EQ(byName, f1);
  EXPECT_EQ(kro_oGetLinkN(&h, rec, "Size", byName), kroErrNotFound);
  EXPECT_EQ(kro_oGetLinkJ(&h, rec, 2, byName), kroErrPosition);
  EXPECT_EQ(kro_oGetLinkJ(&h, rec, -1, byName), kroErrPosition);
  EXPECT_EQ(kro_oGetLinkJ(&h, 1, 0, byName), kroErrNotMask);
  EXPECT_EQ(kro_oCreate(&h, kro_GetFirstFree(&h), 1, 2), kroErrNotMask);
  EXPECT_EQ(kro_oCreate(&h, rec, 2, 2), kroErrInUse);

  // A field added later is not in objects made earlier.
  EXPECT_EQ(kro_omAddItem(&h, 2, "late", 7, 0, 0, 0), 0);
  EXPECT_EQ(kro_oGetLinkN(&h, rec, "late", byName), kroErrNotFound);

  // Deleting with the field flag frees the value objects; without it they stay.
  ASSERT_EQ(kro_DeleteEx(&h, rec, kroDelFields), 0);
  EXPECT_EQ(h.types[f0], 0);
  EXPECT_EQ(h.types[f1], 0);
  const std::int32_t rec2 = kro_GetFirstFree(&h);
  ASSERT_EQ(kro_oCreate(&h, rec2, 2, 0), 0);
  std::int32_t g0 = -1;
  ASSERT_EQ(kro_oGetLinkJ(&h, rec2, 0, g0), 0);
  ASSERT_EQ(kro_DeleteEx(&h, rec2, 0), 0);
  EXPECT_NE(h.types[g0], 0);
}

TEST_F(Store, RecursiveDeletionFollowsLinksOnceAndSparesTheRoot) {
  std::int32_t a = -1, b = -1, c = -1;
  ASSERT_EQ(kro_dsForceCreateDir(&h, "a/b/c", c, 1, 4), 0);
  ASSERT_EQ(kro_d2GetR(&h, "a", a, 1, 4), 0);
  ASSERT_EQ(kro_d2GetR(&h, "a/b", b, 1, 4), 0);
  ASSERT_EQ(kro_tlAdd(&h, c, a), 0);  // a cycle
  ASSERT_EQ(kro_tlAdd(&h, c, 1), 0);  // and the root
  ASSERT_EQ(kro_DeleteEx(&h, a, kroDelLinked), 0);
  EXPECT_EQ(h.types[a], 0);
  EXPECT_EQ(h.types[b], 0);
  EXPECT_EQ(h.types[c], 0);
  EXPECT_EQ(h.types[1], kroTypeDir);
  std::int32_t n = 0;
  EXPECT_GT(kro_d2GetR(&h, "a", n, 1, 4), 0);  // the root's link is dangling, not followed
}

TEST_F(Store, PathsResolveByNameAndSkipEmptyNames) {
  std::int32_t settings = -1, n = -1;
  ASSERT_EQ(kro_dsCreateDir(&h, 1, "Settings", settings, 4), 0);
  EXPECT_EQ(h.types[settings], kroTypeDir);
  ASSERT_EQ(kro_dsCreateV(&h, settings, "Exit confirm", KroValue(true), n, 4), 0);
  EXPECT_EQ(h.types[n], kroTypeBool);
  std::int32_t got = -1;
  EXPECT_EQ(kro_d2GetR(&h, "Settings/Exit confirm", got, 1, 4), 0);
  EXPECT_EQ(got, n);
  EXPECT_EQ(kro_d2GetR(&h, "/Settings//Exit confirm/", got, 1, 4), 0);
  EXPECT_EQ(got, n);
  EXPECT_EQ(kro_d2GetR(&h, "", got, settings, 4), 0);
  EXPECT_EQ(got, settings);
  EXPECT_EQ(kro_d2GetR(&h, "Exit confirm", got, settings, 4), 0);
  EXPECT_EQ(kro_d2GetR(&h, "settings", got, 1, 4), kroErrNotFound);  // names keep their case
  EXPECT_EQ(got, -1);
  EXPECT_EQ(kro_d2GetR(&h, "Settings", got, 1, 5), kroErrArgument);
  EXPECT_EQ(kro_d2GetR(&h, "Settings", got, 77, 4), kroErrNumber);
  EXPECT_EQ(kro_d2GetR(&h, std::string(300, 'x'), got, 1, 4), kroErrNotFound);

  EXPECT_EQ(kro_dsCreateDir(&h, 1, "Settings", got, 4), kroErrExists);
  EXPECT_EQ(got, -1);
  EXPECT_EQ(kro_dsCreateV(&h, settings, "Exit confirm", KroValue(1), got, 4), kroErrExists);
  EXPECT_EQ(kro_dsCreateV(&h, settings, "a/b", KroValue(1), got, 4), kroErrName);
  EXPECT_EQ(kro_dsCreateV(&h, settings, "", KroValue(1), got, 4), kroErrName);
  EXPECT_EQ(kro_dsCreateDir(&h, settings, std::string(256, 'd'), got, 4), kroErrName);
  EXPECT_EQ(kro_dsCreateDir(&h, settings, std::string(255, 'd'), got, 4), 0);
}

TEST_F(Store, ReadWithDefaultAndWriteCreatingWhatIsMissing) {
  KroValue out;
  EXPECT_EQ(kroq_dsReadV(&h, "Interface/Main/height", KroValue(480), 1, 4, out), kroDefaulted);
  EXPECT_EQ(out.asInt(), 480);
  const std::int32_t before = h.count;
  EXPECT_EQ(h.count, before);  // reading creates nothing

  ASSERT_EQ(kro_dsWriteV(&h, "Interface/Main/height", KroValue(600), 1, 4), 0);
  EXPECT_EQ(h.count, before + 3);
  EXPECT_EQ(kroq_dsReadV(&h, "Interface/Main/height", KroValue(480), 1, 4, out), 0);
  EXPECT_EQ(out.asInt(), 600);
  ASSERT_EQ(kro_dsWriteV(&h, "Interface/Main/height", KroValue("700"), 1, 4), 0);
  EXPECT_EQ(h.count, before + 3);  // overwritten in place
  EXPECT_EQ(kroq_dsReadV(&h, "Interface/Main/height", KroValue(480), 1, 4, out), 0);
  EXPECT_EQ(out.asInt(), 700);  // a number kept as text reads back as the number

  // A directory has no value: reading it gives the default.
  EXPECT_EQ(kroq_dsReadV(&h, "Interface/Main", KroValue("d"), 1, 4, out), kroDefaulted);
  EXPECT_EQ(out.asText(), "d");
  EXPECT_EQ(kro_dsWriteV(&h, "", KroValue(1), 1, 4), kroErrName);
  EXPECT_EQ(kro_dsWriteV(&h, "ok/" + std::string(256, 'x'), KroValue(1), 1, 4), kroErrName);
  std::int32_t n = 0;
  EXPECT_GT(kro_d2GetR(&h, "ok", n, 1, 4), 0);  // nothing half-made on a refused path
  EXPECT_EQ(kroq_dsReadV(&h, "x", KroValue(3), 99, 4, out), kroErrNumber);
  EXPECT_EQ(out.asInt(), 3);
}

TEST_F(Store, ForceCreateDirMakesOnlyTheMissingOnesAndGivesTheLast) {
  std::int32_t conf = -1, info = -1, again = -1;
  ASSERT_EQ(kro_dsForceCreateDir(&h, "Conf", conf, 1, 4), 0);
  ASSERT_EQ(kro_dsForceCreateDir(&h, "Conf/Info", info, 1, 4), 0);
  EXPECT_NE(conf, info);
  const std::int32_t count = h.count;
  ASSERT_EQ(kro_dsForceCreateDir(&h, "Conf/Info", again, 1, 4), 0);
  EXPECT_EQ(again, info);
  EXPECT_EQ(h.count, count);
  ASSERT_EQ(kro_dsForceCreateDir(&h, "", again, conf, 4), 0);
  EXPECT_EQ(again, conf);
  EXPECT_EQ(kro_tlCount(&h, conf), 1);
}

}  // namespace
