// Record tables in a container: one member per record, saved in place.
#include <gtest/gtest.h>

#include "core/container/rez.h"
#include "core/container/rez_test_util.h"
#include "core/util/vell_ary.h"
#include "support/test_support.h"

using namespace rez_test;

namespace {

constexpr uint32_t kTag = REZ_MakeTag("CATS");
constexpr int32_t kSize = 180;

struct Record {
  uint8_t bytes[kSize];
};

Record Make(uint8_t fill) {
  Record r;
  std::memset(r.bytes, fill, kSize);
  return r;
}

VellAryPtr Table(std::initializer_list<uint8_t> fills) {
  VellAryPtr ary(Vell_Ary_Init(kSize, 0, 0));
  for (uint8_t f : fills) {
    Record r = Make(f);
    Vell_Ary_Add(ary.get(), &r);
  }
  return ary;
}

std::vector<uint8_t> Fills(const VELL_ARY* ary) {
  std::vector<uint8_t> out;
  for (int32_t i = 0; i < ary->count; ++i) {
    auto* r = static_cast<const uint8_t*>(Vell_Ary_GetDataPtr(ary, i));
    out.push_back(r[0]);
    EXPECT_EQ(r[kSize - 1], r[0]);
  }
  return out;
}

class RezAry : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(REZ_CreateStream(std::make_unique<MemoryRezStream>(), &file_), REZ_OK);
  }
  const std::vector<uint8_t>& Bytes() {
    return static_cast<MemoryRezStream*>(file_.stream.get())->bytes();
  }
  std::vector<uint8_t> Load() {
    VellAryPtr ary(Vell_Ary_Init(kSize, 0, 0));
    EXPECT_EQ(REZ_ARY_Load(&file_, kTag, kSize, ary.get()), 0);
    return Fills(ary.get());
  }
  REZ_FILE file_;
};

TEST_F(RezAry, SavesOneMemberPerRecordAndLoadsThemBack) {
  ASSERT_EQ(REZ_ARY_Save(&file_, kTag, Table({1, 2, 3}).get(), kSize), REZ_OK);
  auto c = ReadContents(Bytes()).value();
  ASSERT_EQ(c[kTag].size(), 3u);
  EXPECT_EQ(c[kTag][1], std::string(kSize, '\2'));
  EXPECT_EQ(Bytes().size(), 548u + 3 * (36 + kSize));
  EXPECT_EQ(Load(), (std::vector<uint8_t>{1, 2, 3}));
}

TEST_F(RezAry, FewerRecordsRemoveMembersFromTheHeadWithoutGrowing) {
  ASSERT_EQ(REZ_ARY_Save(&file_, kTag, Table({1, 2, 3}).get(), kSize), REZ_OK);
  size_t size = Bytes().size();
  ASSERT_EQ(REZ_ARY_Save(&file_, kTag, Table({7, 8}).get(), kSize), REZ_OK);
  EXPECT_EQ(Bytes().size(), size);
  EXPECT_EQ(Load(), (std::vector<uint8_t>{7, 8}));
  // The surviving members are the old second and third, now overwritten.
  EXPECT_EQ(HeaderAt(Bytes(), 512).nextTag, 548u + 36 + kSize);
}

TEST_F(RezAry, MoreRecordsAppendOnlyTheDifference) {
  ASSERT_EQ(REZ_ARY_Save(&file_, kTag, Table({1, 2, 3}).get(), kSize), REZ_OK);
  size_t size = Bytes().size();
  ASSERT_EQ(REZ_ARY_Save(&file_, kTag, Table({5, 6, 7, 8, 9}).get(), kSize), REZ_OK);
  EXPECT_EQ(Bytes().size(), size + 2 * (36 + kSize));
  EXPECT_EQ(Load(), (std::vector<uint8_t>{5, 6, 7, 8, 9}));
}

TEST_F(RezAry, AnEmptyTableRemovesTheTag) {
  ASSERT_EQ(REZ_ARY_Save(&file_, kTag, Table({1, 2}).get(), kSize), REZ_OK);
  ASSERT_EQ(REZ_ARY_Save(&file_, kTag, Table({}).get(), kSize), REZ_OK);
  VellAryPtr ary(Vell_Ary_Init(kSize, 0, 0));
  EXPECT_EQ(REZ_ARY_Load(&file_, kTag, kSize, ary.get()), -1);
  int32_t reason = 0;
  EXPECT_EQ(REZ_ARY_IsLoadable(&file_, kTag, kSize, &reason), 0);
  EXPECT_EQ(reason, 1);
}

TEST_F(RezAry, MembersOfAnotherSizeAreNeitherLoadedNorOverwritten) {
  ASSERT_EQ(REZ_AddData(&file_, kTag, 212, std::string(212, 'x').data()), REZ_OK);
  std::vector<uint8_t> before = Bytes();
  EXPECT_EQ(REZ_ARY_Save(&file_, kTag, Table({1}).get(), kSize), REZ_ERR_ARGUMENT);
  EXPECT_EQ(Bytes(), before);
  int32_t reason = 0;
  EXPECT_EQ(REZ_ARY_IsLoadable(&file_, kTag, kSize, &reason), 0);
  EXPECT_EQ(reason, 2);
  VellAryPtr ary(Vell_Ary_Init(kSize, 0, 0));
  EXPECT_EQ(REZ_ARY_Load(&file_, kTag, kSize, ary.get()), -2);
  // A later member of the wrong size: nothing is handed over.
  ASSERT_EQ(REZ_ARY_Save(&file_, kTag, Table({}).get(), 212), REZ_ERR_ARGUMENT);
}

TEST_F(RezAry, ALaterMemberOfAnotherSizeHandsOverNothing) {
  ASSERT_EQ(REZ_ARY_Save(&file_, kTag, Table({1, 2}).get(), kSize), REZ_OK);
  ASSERT_EQ(REZ_AddData(&file_, kTag, 3, "odd"), REZ_OK);
  VellAryPtr ary(Vell_Ary_Init(kSize, 0, 0));
  EXPECT_EQ(REZ_ARY_Load(&file_, kTag, kSize, ary.get()), -3);
  EXPECT_EQ(ary->count, 0);
}

TEST_F(RezAry, LoadAppendsToWhatTheArrayHolds) {
  ASSERT_EQ(REZ_ARY_Save(&file_, kTag, Table({1, 2}).get(), kSize), REZ_OK);
  VellAryPtr ary = Table({9});
  EXPECT_EQ(REZ_ARY_Load(&file_, kTag, kSize, ary.get()), 0);
  EXPECT_EQ(Fills(ary.get()), (std::vector<uint8_t>{9, 1, 2}));
}

TEST_F(RezAry, SavingAnUnchangedTableWritesNothing) {
  VellAryPtr table = Table({1, 2, 3, 4});
  ASSERT_EQ(REZ_ARY_Save(&file_, kTag, table.get(), kSize), REZ_OK);
  std::vector<uint8_t> before = Bytes();
  auto counting = std::make_unique<FailingStream>(std::make_unique<MemoryRezStream>(before), 0);
  FailingStream* stream = counting.get();
  REZ_FILE file;
  ASSERT_EQ(REZ_OpenStream(std::move(counting), 0, &file), REZ_OK);
  ASSERT_EQ(REZ_ARY_Save(&file, kTag, table.get(), kSize), REZ_OK);
  EXPECT_EQ(stream->writes(), 0);
  Vell_Ary_Update(table.get(), 2, Make(42).bytes);
  ASSERT_EQ(REZ_ARY_Save(&file, kTag, table.get(), kSize), REZ_OK);
  EXPECT_EQ(stream->writes(), 1);
}

TEST_F(RezAry, ARecordSizeThatDisagreesWithTheArrayIsRefused) {
  VellAryPtr table = Table({1});
  EXPECT_EQ(REZ_ARY_Save(&file_, kTag, table.get(), 212), REZ_ERR_ARGUMENT);
  EXPECT_EQ(Bytes().size(), 548u);
}

TEST(RezAryFaults, AFailedLoadLeavesTheArrayEmptyAndASaveAfterItChangesNothing) {
  // The table on disk keeps its records when a read fails half-way.
  REZ_FILE file;
  ASSERT_EQ(REZ_CreateStream(std::make_unique<MemoryRezStream>(), &file), REZ_OK);
  ASSERT_EQ(REZ_ARY_Save(&file, kTag, Table({1, 2, 3}).get(), kSize), REZ_OK);
  std::vector<uint8_t> bytes = static_cast<MemoryRezStream*>(file.stream.get())->bytes();
  PutLe32(bytes, 548 + 2 * (36 + kSize) + 4, 0xFFFF);  // third member's length past the end
  REZ_FILE damaged;
  ASSERT_EQ(REZ_OpenStream(std::make_unique<MemoryRezStream>(bytes), 0, &damaged), REZ_OK);
  VellAryPtr ary(Vell_Ary_Init(kSize, 0, 0));
  EXPECT_NE(REZ_ARY_Load(&damaged, kTag, kSize, ary.get()), 0);
  EXPECT_EQ(ary->count, 0);
}

TEST(RezAryFaults, AFailedSaveIsReportedAndLeavesAWalkableTable) {
  REZ_FILE seed;
  ASSERT_EQ(REZ_CreateStream(std::make_unique<MemoryRezStream>(), &seed), REZ_OK);
  ASSERT_EQ(REZ_ARY_Save(&seed, kTag, Table({1, 2, 3}).get(), kSize), REZ_OK);
  std::vector<uint8_t> base = static_cast<MemoryRezStream*>(seed.stream.get())->bytes();
  for (auto fills : {std::vector<uint8_t>{4, 5}, std::vector<uint8_t>{4, 5, 6, 7, 8}}) {
    VellAryPtr table(Vell_Ary_Init(kSize, 0, 0));
    for (uint8_t f : fills) {
      Record r = Make(f);
      Vell_Ary_Add(table.get(), &r);
    }
    for (int failAt = 1;; ++failAt) {
      auto owned = std::make_unique<FailingStream>(std::make_unique<MemoryRezStream>(base), failAt);
      FailingStream* stream = owned.get();
      REZ_FILE file;
      ASSERT_EQ(REZ_OpenStream(std::move(owned), 0, &file), REZ_OK);
      int32_t status = REZ_ARY_Save(&file, kTag, table.get(), kSize);
      bool failed = stream->writes() >= failAt;
      EXPECT_EQ(status != REZ_OK, failed) << failAt;
      std::vector<uint8_t> bytes(stream->Size());
      ASSERT_TRUE(stream->ReadAt(0, bytes.data(), bytes.size()));
      auto c = ReadContents(bytes);
      ASSERT_TRUE(c.has_value()) << failAt;
      for (const std::string& m : (*c)[kTag]) EXPECT_EQ(m.size(), size_t{kSize});
      if (!failed) break;
    }
  }
}

}  // namespace

namespace {

// Saves fills through a snapshot on a counting stream; digests are the fills.
struct SnapshotSaver {
  std::vector<uint8_t> bytes;
  RezTableSnapshot snapshot;
  int writes = 0;

  int32_t Save(const std::vector<uint8_t>& fills) {
    auto counting = std::make_unique<FailingStream>(std::make_unique<MemoryRezStream>(bytes), 0);
    FailingStream* stream = counting.get();
    REZ_FILE file;
    EXPECT_EQ(REZ_OpenStream(std::move(counting), 0, &file), REZ_OK);
    std::vector<uint64_t> digests(fills.begin(), fills.end());
    int32_t status = REZ_ARY_SaveWithSnapshot(
        &file, kTag, static_cast<int32_t>(fills.size()), kSize, digests,
        [&](int32_t i, uint8_t* out) {
          std::memset(out, fills[static_cast<size_t>(i)], kSize);
          return 0;
        },
        &snapshot);
    writes = stream->writes();
    bytes.resize(stream->Size());
    stream->ReadAt(0, bytes.data(), bytes.size());
    return status;
  }
  std::vector<uint8_t> Stored() {
    std::vector<uint8_t> out;
    Contents contents = ReadContents(bytes).value();
    for (const std::string& m : contents[kTag]) out.push_back(static_cast<uint8_t>(m[0]));
    return out;
  }
};

TEST(RezArySnapshot, WritesOnlyChangedRecordsAndMatchesAPlainSave) {
  SnapshotSaver s;
  REZ_FILE seed;
  ASSERT_EQ(REZ_CreateStream(std::make_unique<MemoryRezStream>(), &seed), REZ_OK);
  s.bytes = static_cast<MemoryRezStream*>(seed.stream.get())->bytes();

  ASSERT_EQ(s.Save({1, 2, 3, 4}), REZ_OK);
  EXPECT_TRUE(s.snapshot.valid);
  ASSERT_EQ(s.Save({1, 2, 3, 4}), REZ_OK);
  EXPECT_EQ(s.writes, 0);
  ASSERT_EQ(s.Save({1, 9, 3, 4}), REZ_OK);
  EXPECT_EQ(s.writes, 1);
  // Removing the second record: the head member goes, the rest are compared
  // with what they hold after moving up, so only the first changes.
  ASSERT_EQ(s.Save({1, 3, 4}), REZ_OK);
  EXPECT_EQ(s.Stored(), (std::vector<uint8_t>{1, 3, 4}));
  ASSERT_EQ(s.Save({1, 3, 4, 5, 6}), REZ_OK);
  EXPECT_EQ(s.Stored(), (std::vector<uint8_t>{1, 3, 4, 5, 6}));

  // The same sequence through plain saves gives the same file, byte for byte.
  REZ_FILE plain;
  ASSERT_EQ(REZ_CreateStream(std::make_unique<MemoryRezStream>(), &plain), REZ_OK);
  ASSERT_EQ(REZ_ARY_Save(&plain, kTag, Table({1, 2, 3, 4}).get(), kSize), REZ_OK);
  ASSERT_EQ(REZ_ARY_Save(&plain, kTag, Table({1, 9, 3, 4}).get(), kSize), REZ_OK);
  ASSERT_EQ(REZ_ARY_Save(&plain, kTag, Table({1, 3, 4}).get(), kSize), REZ_OK);
  ASSERT_EQ(REZ_ARY_Save(&plain, kTag, Table({1, 3, 4, 5, 6}).get(), kSize), REZ_OK);
  EXPECT_EQ(static_cast<MemoryRezStream*>(plain.stream.get())->bytes(), s.bytes);
}

TEST(RezArySnapshot, AFileChangedUnderTheSnapshotIsWalkedAgain) {
  SnapshotSaver s;
  REZ_FILE seed;
  ASSERT_EQ(REZ_CreateStream(std::make_unique<MemoryRezStream>(), &seed), REZ_OK);
  s.bytes = static_cast<MemoryRezStream*>(seed.stream.get())->bytes();
  ASSERT_EQ(s.Save({1, 2, 3}), REZ_OK);
  // Another writer removes the head member behind the snapshot's back.
  REZ_FILE other;
  ASSERT_EQ(REZ_OpenStream(std::make_unique<MemoryRezStream>(s.bytes), 0, &other), REZ_OK);
  ASSERT_EQ(REZ_FirstMember(&other, kTag), REZ_OK);
  ASSERT_EQ(REZ_RemoveData(&other), REZ_OK);
  s.bytes = static_cast<MemoryRezStream*>(other.stream.get())->bytes();
  ASSERT_EQ(s.Save({1, 2, 3}), REZ_OK);
  EXPECT_EQ(s.Stored(), (std::vector<uint8_t>{1, 2, 3}));
}

}  // namespace
