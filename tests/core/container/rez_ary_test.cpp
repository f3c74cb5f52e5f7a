// Record tables in a container: one member per record, saved in place.
#include <gtest/gtest.h>

#include "core/container/rez.h"
#include "core/container/rez_test_util.h"
#include "core/util/vell_ary.h"

using namespace rez_test;

namespace {

constexpr uint32_t kTag = REZ_MakeTag("CATS");
constexpr int32_t kSize = 180;
constexpr size_t kMember = 36 + kSize;
using Fills = std::vector<uint8_t>;

// A table of kSize-byte records, each filled with one byte.
VellAryPtr Table(const Fills& fills) {
  VellAryPtr ary(Vell_Ary_Init(kSize, 0, 0));
  for (uint8_t f : fills) {
    std::vector<uint8_t> r(kSize, f);
    EXPECT_EQ(Vell_Ary_Add(ary.get(), r.data()), 0);
  }
  return ary;
}

Fills FillsOf(const VELL_ARY* ary) {
  Fills out;
  for (int32_t i = 0; i < ary->count; ++i) {
    auto* r = static_cast<const uint8_t*>(Vell_Ary_GetDataPtr(ary, i));
    out.push_back(r[0]);
    EXPECT_EQ(r[kSize - 1], r[0]);
  }
  return out;
}

std::vector<uint8_t> EmptyContainer() {
  REZ_FILE file;
  EXPECT_EQ(REZ_CreateStream(std::make_unique<MemoryRezStream>(), &file), REZ_OK);
  return static_cast<MemoryRezStream*>(file.stream.get())->bytes();
}

// Opens a copy of bytes on a stream that counts writes and fails from the failAt-th.
FailingStream* OpenCounting(const std::vector<uint8_t>& bytes, REZ_FILE* file, int failAt = 0) {
  auto owned = std::make_unique<FailingStream>(std::make_unique<MemoryRezStream>(bytes), failAt);
  FailingStream* stream = owned.get();
  EXPECT_EQ(REZ_OpenStream(std::move(owned), 0, file), REZ_OK);
  return stream;
}

std::vector<uint8_t> BytesOf(FailingStream* stream) {
  std::vector<uint8_t> bytes(stream->Size());
  EXPECT_TRUE(stream->ReadAt(0, bytes.data(), bytes.size()));
  return bytes;
}

class RezAry : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(REZ_CreateStream(std::make_unique<MemoryRezStream>(), &file_), REZ_OK);
  }
  const std::vector<uint8_t>& Bytes() {
    return static_cast<MemoryRezStream*>(file_.stream.get())->bytes();
  }
  Fills Load(int32_t expect = 0) {
    VellAryPtr ary(Vell_Ary_Init(kSize, 0, 0));
    EXPECT_EQ(REZ_ARY_Load(&file_, kTag, kSize, ary.get()), expect);
    return FillsOf(ary.get());
  }
  REZ_FILE file_;
};

TEST_F(RezAry, ResavingReusesMembersAndOnlyDropsOrAppendsTheDifference) {
  ASSERT_EQ(REZ_ARY_Save(&file_, kTag, Table({1, 2, 3}).get(), kSize), REZ_OK);
  auto c = ReadContents(Bytes()).value();
  ASSERT_EQ(c[kTag].size(), 3u);
  EXPECT_EQ(c[kTag][1], std::string(kSize, '\2'));
  EXPECT_EQ(Bytes().size(), 548 + 3 * kMember);
  VellAryPtr held = Table({9});  // a load appends to what the array holds
  EXPECT_EQ(REZ_ARY_Load(&file_, kTag, kSize, held.get()), 0);
  EXPECT_EQ(FillsOf(held.get()), (Fills{9, 1, 2, 3}));

  // Fewer records remove members from the head; the survivors are overwritten.
  ASSERT_EQ(REZ_ARY_Save(&file_, kTag, Table({7, 8}).get(), kSize), REZ_OK);
  EXPECT_EQ(Bytes().size(), 548 + 3 * kMember);
  EXPECT_EQ(HeaderAt(Bytes(), 512).nextTag, 548 + kMember);
  EXPECT_EQ(Load(), (Fills{7, 8}));

  ASSERT_EQ(REZ_ARY_Save(&file_, kTag, Table({5, 6, 7, 8, 9}).get(), kSize), REZ_OK);
  EXPECT_EQ(Bytes().size(), 548 + 6 * kMember);
  EXPECT_EQ(Load(), (Fills{5, 6, 7, 8, 9}));

  // An empty table removes the tag.
  ASSERT_EQ(REZ_ARY_Save(&file_, kTag, Table({}).get(), kSize), REZ_OK);
  EXPECT_EQ(Load(-1), Fills{});
  int32_t reason = 0;
  EXPECT_EQ(REZ_ARY_IsLoadable(&file_, kTag, kSize, &reason), 0);
  EXPECT_EQ(reason, 1);
}

TEST_F(RezAry, SizeMismatchesAreRefusedAndHandOverNothing) {
  EXPECT_EQ(REZ_ARY_Save(&file_, kTag, Table({1}).get(), 212), REZ_ERR_ARGUMENT);
  EXPECT_EQ(Bytes().size(), 548u);

  // Members of another size are neither loaded nor overwritten.
  ASSERT_EQ(REZ_AddData(&file_, kTag, 212, std::string(212, 'x').data()), REZ_OK);
  std::vector<uint8_t> before = Bytes();
  EXPECT_EQ(REZ_ARY_Save(&file_, kTag, Table({1}).get(), kSize), REZ_ERR_ARGUMENT);
  EXPECT_EQ(Bytes(), before);
  int32_t reason = 0;
  EXPECT_EQ(REZ_ARY_IsLoadable(&file_, kTag, kSize, &reason), 0);
  EXPECT_EQ(reason, 2);
  EXPECT_EQ(Load(-2), Fills{});

  // A later member of another size: nothing is handed over.
  constexpr uint32_t kOther = REZ_MakeTag("OTHR");
  ASSERT_EQ(REZ_ARY_Save(&file_, kOther, Table({1, 2}).get(), kSize), REZ_OK);
  ASSERT_EQ(REZ_AddData(&file_, kOther, 3, "odd"), REZ_OK);
  VellAryPtr ary(Vell_Ary_Init(kSize, 0, 0));
  EXPECT_EQ(REZ_ARY_Load(&file_, kOther, kSize, ary.get()), -3);
  EXPECT_EQ(ary->count, 0);
}

TEST(RezAryWrites, AFailedSaveIsReportedAndLeavesAWalkableTable) {
  REZ_FILE seed;
  FailingStream* seeded = OpenCounting(EmptyContainer(), &seed);
  ASSERT_EQ(REZ_ARY_Save(&seed, kTag, Table({1, 2, 3}).get(), kSize), REZ_OK);
  const std::vector<uint8_t> base = BytesOf(seeded);
  for (const Fills& fills : {Fills{4, 5}, Fills{4, 5, 6, 7, 8}}) {
    VellAryPtr table = Table(fills);
    for (int failAt = 1;; ++failAt) {
      REZ_FILE file;
      FailingStream* stream = OpenCounting(base, &file, failAt);
      int32_t status = REZ_ARY_Save(&file, kTag, table.get(), kSize);
      bool failed = stream->writes() >= failAt;
      EXPECT_EQ(status != REZ_OK, failed) << failAt;
      auto c = ReadContents(BytesOf(stream));
      ASSERT_TRUE(c.has_value()) << failAt;
      for (const std::string& m : (*c)[kTag]) EXPECT_EQ(m.size(), size_t{kSize});
      if (!failed) break;
    }
  }
}

// Saves fills, plainly or through a snapshot (digests are the fills), on a
// stream that counts writes.
struct Saver {
  explicit Saver(bool snapshotSave) : withSnapshot(snapshotSave) {}
  bool withSnapshot;
  std::vector<uint8_t> bytes = EmptyContainer();
  RezTableSnapshot snapshot;
  int writes = 0;

  int32_t Save(const Fills& fills) {
    REZ_FILE file;
    FailingStream* stream = OpenCounting(bytes, &file);
    std::vector<uint64_t> digests(fills.begin(), fills.end());
    int32_t status = withSnapshot
                         ? REZ_ARY_SaveWithSnapshot(
                               &file, kTag, static_cast<int32_t>(fills.size()), kSize, digests,
                               [&](int32_t i, uint8_t* out) {
                                 std::memset(out, fills[static_cast<size_t>(i)], kSize);
                                 return 0;
                               },
                               &snapshot)
                         : REZ_ARY_Save(&file, kTag, Table(fills).get(), kSize);
    writes = stream->writes();
    bytes = BytesOf(stream);
    return status;
  }
  Fills Stored() {
    Fills out;
    Contents contents = ReadContents(bytes).value();
    for (const std::string& m : contents[kTag]) out.push_back(m[0]);
    return out;
  }
};

TEST(RezArySaves, WriteOnlyChangedRecordsAndGiveTheSameFileWithOrWithoutASnapshot) {
  Saver plain(false), snap(true);
  const struct {
    Fills fills;
    int writes;  // -1: not counted
  } steps[] = {{{1, 2, 3, 4}, -1},
               {{1, 2, 3, 4}, 0},
               {{1, 9, 3, 4}, 1},
               // Without the second record the head member goes and the rest
               // are compared with what they hold after moving up.
               {{1, 3, 4}, -1},
               {{1, 3, 4, 5, 6}, -1}};
  for (const auto& step : steps) {
    for (Saver* s : {&plain, &snap}) {
      SCOPED_TRACE(testing::Message() << s->withSnapshot << " " << step.fills.size());
      ASSERT_EQ(s->Save(step.fills), REZ_OK);
      if (step.writes >= 0) {
        EXPECT_EQ(s->writes, step.writes);
      }
      EXPECT_EQ(s->Stored(), step.fills);
    }
    EXPECT_TRUE(snap.snapshot.valid);
    EXPECT_EQ(plain.bytes, snap.bytes);
  }
}

TEST(RezArySnapshot, AFileChangedUnderTheSnapshotIsWalkedAgain) {
  Saver s(true);
  ASSERT_EQ(s.Save({1, 2, 3}), REZ_OK);
  // Another writer removes the head member behind the snapshot's back.
  REZ_FILE other;
  ASSERT_EQ(REZ_OpenStream(std::make_unique<MemoryRezStream>(s.bytes), 0, &other), REZ_OK);
  ASSERT_EQ(REZ_FirstMember(&other, kTag), REZ_OK);
  ASSERT_EQ(REZ_RemoveData(&other), REZ_OK);
  s.bytes = static_cast<MemoryRezStream*>(other.stream.get())->bytes();
  ASSERT_EQ(s.Save({1, 2, 3}), REZ_OK);
  EXPECT_EQ(s.Stored(), (Fills{1, 2, 3}));
}

}  // namespace
