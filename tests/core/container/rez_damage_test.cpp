// Damaged and crafted containers: every walk ends with an error in bounded
// time, and no length or link read from the file is trusted.
#include <gtest/gtest.h>

#include "core/container/rez.h"
#include "core/container/rez_test_util.h"
#include "core/util/vell_ary.h"

using namespace rez_test;

namespace {

constexpr uint32_t kA = REZ_MakeTag("AAAA");
constexpr uint32_t kB = REZ_MakeTag("BBBB");
constexpr int32_t kRec = 4;
// Header fields, as offsets into a header.
constexpr uint32_t kLength = 4, kPosition = 8, kPrevMember = 12, kNextMember = 16, kNextTag = 24;

// Tag A with members at 548, 588, 628 (4 bytes each); tag B with one at 668.
constexpr uint32_t kA1 = 548, kA2 = 588, kA3 = 628, kB1 = 668;
std::vector<uint8_t> Base() {
  REZ_FILE file;
  EXPECT_EQ(REZ_CreateStream(std::make_unique<MemoryRezStream>(), &file), REZ_OK);
  for (const char* a : {"a1a1", "a2a2", "a3a3"}) EXPECT_EQ(REZ_AddData(&file, kA, kRec, a), REZ_OK);
  EXPECT_EQ(REZ_AddData(&file, kB, kRec, "b1b1"), REZ_OK);
  std::vector<uint8_t> b = static_cast<MemoryRezStream*>(file.stream.get())->bytes();
  EXPECT_EQ(HeaderAt(b, kA2).nextMember, kA3);
  EXPECT_EQ(HeaderAt(b, kA1).nextTag, kB1);
  return b;
}

std::vector<uint8_t> Damaged(uint32_t at, uint32_t value) {
  std::vector<uint8_t> b = Base();
  PutLe32(b, at, value);
  return b;
}

void Open(const std::vector<uint8_t>& bytes, REZ_FILE* file, int32_t mode = 1) {
  ASSERT_EQ(REZ_OpenStream(std::make_unique<MemoryRezStream>(bytes), mode, file), REZ_OK);
}

TEST(RezDamage, EveryDamagedChainFailsTheLoadAndHandsOverNothing) {
  struct Case {
    const char* what;
    uint32_t at, value;
    int32_t load;  // the load's exact result, or 0 for any failure
  };
  const Case cases[] = {
      {"member cycle", kA3 + kNextMember, kA1, 0},
      {"self link", kA2 + kNextMember, kA2, 0},
      {"length past the end", kA2 + kLength, 5000, 0},
      {"length 2^31 - 1", kA2 + kLength, 0x7FFFFFFF, 0},
      {"length 2^32 - 1", kA2 + kLength, 0xFFFFFFFF, 0},
      {"link into the file header", kA1 + kNextMember, 100, 0},
      {"link past the end", kA1 + kNextMember, 700, 0},
      {"link far past the end", kA1 + kNextMember, 0x10000000, 0},
      {"header not naming itself", kA2 + kPosition, kA3, 0},
      {"member of another tag", kA3 + kNextMember, kB1, -4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    REZ_FILE file;
    Open(Damaged(c.at, c.value), &file);
    VellAryPtr ary(Vell_Ary_Init(kRec, 0, 0));
    const int32_t load = REZ_ARY_Load(&file, kA, kRec, ary.get());
    if (c.load != 0) {
      EXPECT_EQ(load, c.load);
    } else {
      EXPECT_NE(load, 0);
    }
    EXPECT_EQ(ary->count, 0);
    int32_t reason = 0;
    EXPECT_EQ(REZ_ARY_IsLoadable(&file, kA, kRec, &reason), 0);
  }
}

TEST(RezDamage, AStepOntoABadHeaderFailsAndKeepsTheCurrentMember) {
  struct Case {
    uint32_t at, value;
    int32_t step;  // the step's exact result, or 0 for any failure
  };
  for (Case c : {Case{kA1 + kNextMember, 100, 0}, Case{kA1 + kNextMember, 0x10000000, 0},
                 Case{kA2 + kLength, 5000, REZ_ERR_IO}, Case{kA2 + kLength, 0xFFFFFFFF, REZ_ERR_IO},
                 Case{kA2 + kPosition, kA3, REZ_ERR_IO}}) {
    SCOPED_TRACE(testing::Message() << c.at << " " << c.value);
    REZ_FILE file;
    Open(Damaged(c.at, c.value), &file);
    ASSERT_EQ(REZ_FirstMember(&file, kA), REZ_OK);
    const int32_t step = REZ_NextMember(&file);
    EXPECT_NE(step, REZ_OK);
    if (c.step != 0) {
      EXPECT_EQ(step, c.step);
    }
    char buf[kRec];
    EXPECT_EQ(REZ_GetData(&file, kRec, buf), REZ_OK);
    EXPECT_EQ(std::string(buf, kRec), "a1a1");
  }
}

TEST(RezDamage, CyclesEndSearchesAndRefuseEdits) {
  std::vector<uint8_t> members = Damaged(kA3 + kNextMember, kA1);
  REZ_FILE rw;
  Open(members, &rw, 0);
  EXPECT_NE(REZ_AddData(&rw, kA, kRec, "a4a4"), REZ_OK);
  VellAryPtr ary(Vell_Ary_Init(kRec, 0, 0));
  EXPECT_NE(REZ_ARY_Save(&rw, kA, ary.get(), kRec), REZ_OK);

  std::vector<uint8_t> tags = Damaged(kB1 + kNextTag, kA1);
  REZ_FILE file;
  Open(tags, &file);
  EXPECT_EQ(REZ_FirstMember(&file, REZ_MakeTag("NONE")), REZ_ERR_NO_TAG);
  REZ_FILE rwTags;
  Open(tags, &rwTags, 0);
  EXPECT_NE(REZ_AddData(&rwTags, REZ_MakeTag("NEW!"), kRec, "xxxx"), REZ_OK);
}

TEST(RezDamage, ATruncatedFileReadsWhatIsWholeAndNoMore) {
  std::vector<uint8_t> b = Base();
  b.resize(kA3 + 20);  // a3's header cut in the middle
  REZ_FILE file;
  Open(b, &file);
  ASSERT_EQ(REZ_FirstMember(&file, kA), REZ_OK);
  ASSERT_EQ(REZ_NextMember(&file), REZ_OK);
  EXPECT_EQ(REZ_NextMember(&file), REZ_ERR_IO);
  EXPECT_EQ(REZ_FirstMember(&file, kB), REZ_ERR_IO);

  b.resize(530);
  REZ_FILE noRoot;
  Open(b, &noRoot);
  EXPECT_EQ(REZ_FirstTag(&noRoot), REZ_ERR_IO);
}

TEST(RezDamage, EditsRefuseInconsistentNeighbours) {
  std::vector<uint8_t> b = Damaged(kA2 + kPrevMember, kA3);  // names the wrong member
  REZ_FILE file;
  Open(b, &file, 0);
  ASSERT_EQ(REZ_FirstMember(&file, kA), REZ_OK);
  ASSERT_EQ(REZ_NextMember(&file), REZ_OK);
  EXPECT_EQ(REZ_RemoveData(&file), REZ_ERR_NO_MEMBER);
  EXPECT_EQ(static_cast<MemoryRezStream*>(file.stream.get())->bytes(), b);
}

}  // namespace
