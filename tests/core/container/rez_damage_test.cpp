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

// Tag A with members at 548, 588, 628 (4 bytes each); tag B with one at 668.
std::vector<uint8_t> Base() {
  REZ_FILE file;
  EXPECT_EQ(REZ_CreateStream(std::make_unique<MemoryRezStream>(), &file), REZ_OK);
  EXPECT_EQ(REZ_AddData(&file, kA, kRec, "a1a1"), REZ_OK);
  EXPECT_EQ(REZ_AddData(&file, kA, kRec, "a2a2"), REZ_OK);
  EXPECT_EQ(REZ_AddData(&file, kA, kRec, "a3a3"), REZ_OK);
  EXPECT_EQ(REZ_AddData(&file, kB, kRec, "b1b1"), REZ_OK);
  return static_cast<MemoryRezStream*>(file.stream.get())->bytes();
}

constexpr uint32_t kA1 = 548, kA2 = 588, kA3 = 628, kB1 = 668;

void Open(const std::vector<uint8_t>& bytes, REZ_FILE* file, int32_t mode = 1) {
  ASSERT_EQ(REZ_OpenStream(std::make_unique<MemoryRezStream>(bytes), mode, file), REZ_OK);
}

TEST(RezDamage, BaseLayoutIsAsExpected) {
  std::vector<uint8_t> b = Base();
  EXPECT_EQ(HeaderAt(b, kA1).nextMember, kA2);
  EXPECT_EQ(HeaderAt(b, kA2).nextMember, kA3);
  EXPECT_EQ(HeaderAt(b, kA1).nextTag, kB1);
}

TEST(RezDamage, AMemberCycleEndsEveryWalk) {
  std::vector<uint8_t> b = Base();
  PutLe32(b, kA3 + 16, kA1);  // a3.nextMember -> a1
  REZ_FILE file;
  Open(b, &file);
  VellAryPtr ary(Vell_Ary_Init(kRec, 0, 0));
  EXPECT_NE(REZ_ARY_Load(&file, kA, kRec, ary.get()), 0);
  EXPECT_EQ(ary->count, 0);
  int32_t reason = 0;
  EXPECT_EQ(REZ_ARY_IsLoadable(&file, kA, kRec, &reason), 0);
  REZ_FILE rw;
  Open(b, &rw, 0);
  EXPECT_NE(REZ_AddData(&rw, kA, kRec, "a4a4"), REZ_OK);
  EXPECT_NE(REZ_ARY_Save(&rw, kA, ary.get(), kRec), REZ_OK);
}

TEST(RezDamage, ASelfLinkedMemberIsRefused) {
  std::vector<uint8_t> b = Base();
  PutLe32(b, kA2 + 16, kA2);
  REZ_FILE file;
  Open(b, &file);
  VellAryPtr ary(Vell_Ary_Init(kRec, 0, 0));
  EXPECT_NE(REZ_ARY_Load(&file, kA, kRec, ary.get()), 0);
}

TEST(RezDamage, ATagListCycleEndsTheSearch) {
  std::vector<uint8_t> b = Base();
  PutLe32(b, kB1 + 24, kA1);  // B.nextTag -> A
  REZ_FILE file;
  Open(b, &file);
  EXPECT_EQ(REZ_FirstMember(&file, REZ_MakeTag("NONE")), REZ_ERR_NO_TAG);
  REZ_FILE rw;
  Open(b, &rw, 0);
  EXPECT_NE(REZ_AddData(&rw, REZ_MakeTag("NEW!"), kRec, "xxxx"), REZ_OK);
}

TEST(RezDamage, LengthsPastTheEndAreRefusedBeforeAnyRead) {
  for (uint32_t length : {uint32_t{5000}, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
    std::vector<uint8_t> b = Base();
    PutLe32(b, kA2 + 4, length);
    REZ_FILE file;
    Open(b, &file);
    ASSERT_EQ(REZ_FirstMember(&file, kA), REZ_OK);
    EXPECT_EQ(REZ_NextMember(&file), REZ_ERR_IO) << length;
    VellAryPtr ary(Vell_Ary_Init(kRec, 0, 0));
    EXPECT_NE(REZ_ARY_Load(&file, kA, kRec, ary.get()), 0);
    EXPECT_EQ(ary->count, 0);
  }
}

TEST(RezDamage, LinksOutsideTheFileOrIntoTheFileHeaderAreRefused) {
  for (uint32_t link : {uint32_t{100}, uint32_t{700}, 0x10000000u}) {
    std::vector<uint8_t> b = Base();
    PutLe32(b, kA1 + 16, link);
    REZ_FILE file;
    Open(b, &file);
    ASSERT_EQ(REZ_FirstMember(&file, kA), REZ_OK);
    EXPECT_NE(REZ_NextMember(&file), REZ_OK) << link;
    // The member stays current and readable.
    char buf[kRec];
    EXPECT_EQ(REZ_GetData(&file, kRec, buf), REZ_OK);
  }
}

TEST(RezDamage, AHeaderThatDoesNotNameItselfIsRefused) {
  std::vector<uint8_t> b = Base();
  PutLe32(b, kA2 + 8, kA3);
  REZ_FILE file;
  Open(b, &file);
  ASSERT_EQ(REZ_FirstMember(&file, kA), REZ_OK);
  EXPECT_EQ(REZ_NextMember(&file), REZ_ERR_IO);
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

  std::vector<uint8_t> rootless(b.begin(), b.begin() + 530);
  REZ_FILE noRoot;
  Open(rootless, &noRoot);
  EXPECT_EQ(REZ_FirstTag(&noRoot), REZ_ERR_IO);
}

TEST(RezDamage, AMemberOfAnotherTagInAChainIsRefused) {
  std::vector<uint8_t> b = Base();
  PutLe32(b, kA3 + 16, kB1);  // a3.nextMember -> b1
  REZ_FILE file;
  Open(b, &file);
  VellAryPtr ary(Vell_Ary_Init(kRec, 0, 0));
  EXPECT_EQ(REZ_ARY_Load(&file, kA, kRec, ary.get()), -4);
  EXPECT_EQ(ary->count, 0);
}

TEST(RezDamage, EditsRefuseInconsistentNeighbours) {
  std::vector<uint8_t> b = Base();
  PutLe32(b, kA2 + 12, kA3);  // a2.prevMember names the wrong member
  REZ_FILE file;
  Open(b, &file, 0);
  ASSERT_EQ(REZ_FirstMember(&file, kA), REZ_OK);
  ASSERT_EQ(REZ_NextMember(&file), REZ_OK);
  EXPECT_EQ(REZ_RemoveData(&file), REZ_ERR_NO_MEMBER);
  std::vector<uint8_t> after = static_cast<MemoryRezStream*>(file.stream.get())->bytes();
  EXPECT_EQ(after, b);
}

}  // namespace
