// Damaged and crafted containers: every walk ends with an error in bounded
// time, and no length or link read from the file is trusted.
#include <gtest/gtest.h>

#include "core/container/rez.h"
#include "core/container/rez_test_util.h"
#include "core/util/vell_ary.h"

using namespace rez_test;
using namespace rez_test::damage;

namespace {

void Open(const std::vector<uint8_t>& bytes, REZ_FILE* file, int32_t mode = 1) {
  ASSERT_EQ(REZ_OpenStream(std::make_unique<MemoryRezStream>(bytes), mode, file), REZ_OK);
}

TEST(RezDamage, EveryDamagedChainFailsTheLoadAndHandsOverNothing) {
  for (const ChainCase& c : kChainCases) {
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
