// New entries and the entry table with its hash.
#include "core/document/entry_table.h"

#include <gtest/gtest.h>

#include <cstring>

#include "core/document/id_counter.h"
#include "core/document/kdx_data.h"

namespace {

class DocumentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(scoped_.ok);
    ASSERT_EQ(IC_InitData(data_.idCounterAry), 0);
  }
  int32_t AddEntry(const char* title) {
    KDX_ENTRY e;
    EN_InitData(&data_, title, "a", "b", "c", 0, "80", &e);
    EXPECT_EQ(EN_AddData(data_.entryAry, e), 0);
    return e.en_id;
  }
  KdxScopedData scoped_;
  KDX_DATA& data_ = scoped_.data;
};

TEST_F(DocumentTest, IdentifiersAreNeverReusedAfterRemoval) {
  EXPECT_EQ(AddEntry("x"), 0);
  EXPECT_EQ(AddEntry("y"), 1);
  EXPECT_EQ(EN_Remove(data_.entryAry, 1), 0);
  EXPECT_EQ(AddEntry("z"), 2);
  EXPECT_EQ(EN_Remove(data_.entryAry, 1), kKdxRecordMissing);
}

TEST_F(DocumentTest, NewEntryGetsOneDateAndNoPseudoCategory) {
  KDX_ENTRY e;
  EN_InitData(&data_, "t", "a", "＜すべて＞", "c", 2, "72", &e);
  EXPECT_STREQ(e.en_cat2_name, "その他");  // the "all" pseudo-category is never stored
  EXPECT_EQ(std::strlen(e.en_create_date), 17u);
  EXPECT_STREQ(e.en_create_date, e.en_update_date);
  EXPECT_STREQ(e.en_last_opened_date, e.en_use_date);
  EXPECT_STREQ(e.en_use_date, "");
}

TEST_F(DocumentTest, ACategoryIsUsedOnlyAtItsOwnLevel) {
  AddEntry("old");
  EXPECT_EQ(EN_IsUsedCategory(data_.entryAry, "b", 2), 1);
  EXPECT_EQ(EN_IsUsedCategory(data_.entryAry, "b", 3), 0);
}

TEST_F(DocumentTest, StaleHashFindsNothingAndNegativeIdsHaveABucket) {
  for (const char* t : {"a", "b", "c"}) AddEntry(t);
  ASSERT_EQ(EN_Hash_MakeEntryTable(data_.entryAry, data_.entryHash), 0);
  ASSERT_EQ(EN_Remove(data_.entryAry, 0), 0);  // hash now stale: entry 2 moved to index 1
  EXPECT_EQ(EN_Hash_FindIndex_ByID(data_.entryAry, data_.entryHash, 2), -1);
  KDX_ENTRY e;
  EN_GetData_ByIndex(data_.entryAry, 1, &e);
  e.en_id = -5;  // e.g. from a damaged file: its bucket must still be valid
  ASSERT_EQ(EN_AddData(data_.entryAry, e), 0);
  Vell_Hash_RemoveAll(data_.entryHash);
  ASSERT_EQ(EN_Hash_MakeEntryTable(data_.entryAry, data_.entryHash), 0);
  EXPECT_EQ(EN_Hash_FindIndex_ByID(data_.entryAry, data_.entryHash, -5), 2);
  EXPECT_EQ(EN_Hash_FindIndex_ByID(data_.entryAry, data_.entryHash, INT_MIN), -1);
  EXPECT_EQ(EN_Hash_Remove(data_.entryAry, data_.entryHash, 7), kKdxRecordMissing);
  EXPECT_EQ(Vell_Ary_GetSize(data_.entryAry), 3);
  EXPECT_EQ(EN_Hash_Remove(data_.entryAry, data_.entryHash, 2), 0);
  EXPECT_EQ(EN_FindIndex_ByID(data_.entryAry, 2), -1);
}

}  // namespace
