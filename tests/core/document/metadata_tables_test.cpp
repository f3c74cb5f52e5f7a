// Category sets, environment values, colour labels and columns.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/document/catset_table.h"
#include "core/document/color_label.h"
#include "core/document/column_table.h"
#include "core/document/env_table.h"
#include "core/document/id_counter.h"

namespace {

class TablesTest : public ::testing::Test {
 protected:
  VellAryPtr Table(int32_t recordSize) { return VellAryPtr(Vell_Ary_Init(recordSize, 0, 0)); }
  VellAryPtr counters_ = Table(kKdxIdCounterSize);
};

std::string CatsetNames(const VELL_ARY* ary) {
  std::string out;
  for (int32_t i = 0; i < Vell_Ary_GetSize(ary); ++i) {
    KDX_CATSET c;
    CT_GetData(ary, i, &c);
    out += std::string(c.ct_cat1_name) + c.ct_cat2_name + c.ct_cat3_name + " ";
  }
  return out;
}

TEST_F(TablesTest, CatsetSetDataComparesAllThreeLevels) {
  VellAryPtr sets = Table(kKdxCatsetSize);
  ASSERT_EQ(CT_InitData("その他", counters_.get(), sets.get()), 0);
  EXPECT_EQ(CT_SetData(sets.get(), counters_.get(), "a", "b", "c"), 0);
  EXPECT_EQ(CT_SetData(sets.get(), counters_.get(), "a", "b", "d"), 0);
  EXPECT_EQ(CT_SetData(sets.get(), counters_.get(), "a", "b", "c"), 1);
  EXPECT_EQ(CatsetNames(sets.get()), "その他その他その他 abc abd ");

  VellAryPtr names = Table(kKdxCategoryNameSize);
  CT_GetDistinctCat3Array(sets.get(), names.get());
  EXPECT_EQ(Vell_Ary_GetSize(names.get()), 3);
  CT_GetDistinctCat1Array(sets.get(), names.get());  // emptied first
  EXPECT_EQ(Vell_Ary_GetSize(names.get()), 2);
  EXPECT_EQ(CT_IsContainsCategory(names.get(), "a"), 1);
  EXPECT_EQ(CT_IsContainsCategory(names.get(), "b"), 0);
}

TEST_F(TablesTest, CatsetRemoveMatchesOnlyTheGivenLevel) {
  VellAryPtr sets = Table(kKdxCatsetSize);
  for (const char* names : {"xyz", "yxz", "zyx", "zzy", "qyq"})
    ASSERT_EQ(CT_AddData(std::string(1, names[0]).c_str(), std::string(1, names[1]).c_str(),
                         std::string(1, names[2]).c_str(), counters_.get(), sets.get()),
              0);
  EXPECT_EQ(CT_Remove(sets.get(), "y", 2), 3);
  EXPECT_EQ(CatsetNames(sets.get()), "yxz zzy ");
}

TEST_F(TablesTest, EnvironmentValues) {
  VellAryPtr env = Table(kKdxEnvironmentSize);
  ASSERT_EQ(EV_SetTextValue(env.get(), counters_.get(), "n", "12abc"), 0);
  int32_t n = -1;
  EXPECT_EQ(EV_GetIntValue(env.get(), "n", &n), 1);
  EXPECT_EQ(n, 12);
  EXPECT_EQ(EV_GetIntValue(env.get(), "missing", &n), 0);
  EXPECT_EQ(EV_SetIntValue(env.get(), counters_.get(), "n", -7), 0);  // replaces
  EXPECT_EQ(Vell_Ary_GetSize(env.get()), 1);

  // Ciphertext: NULs inside, none at the end.
  uint8_t cipher[128];
  for (int i = 0; i < 128; ++i) cipher[i] = static_cast<uint8_t>(i % 3 == 0 ? 0 : 128 + i);
  ASSERT_EQ(EV_SetValue(env.get(), counters_.get(), "X08", cipher), 0);
  uint8_t back[128] = {};
  EXPECT_EQ(EV_GetValue(env.get(), "X08", back), 1);
  EXPECT_EQ(0, std::memcmp(back, cipher, 128));
  EXPECT_EQ(EV_SetTextValue(env.get(), counters_.get(), std::string(64, 'k').c_str(), "v"),
            kKdxFailed);
}

TEST_F(TablesTest, FileInfoKeepsCreationValuesAndRequiresAllSeven) {
  VellAryPtr env = Table(kKdxEnvironmentSize);
  KDX_FILE_INFO info;
  EXPECT_EQ(EV_GetFileInfo(env.get(), &info), 0);
  ASSERT_EQ(EV_SetTextValue(env.get(), counters_.get(), "create_os", "OldOS"), 0);
  ASSERT_EQ(EV_SetTextValue(env.get(), counters_.get(), "update_os", "OldOS"), 0);
  ASSERT_EQ(EV_SetFileInfo(env.get(), counters_.get()), 0);
  ASSERT_EQ(EV_GetFileInfo(env.get(), &info), 1);
  EXPECT_STREQ(info.createOS, "OldOS");
  EXPECT_STRNE(info.updateOS, "OldOS");
  EXPECT_STREQ(info.kdxFileVersion, "3");
  EXPECT_STREQ(info.createAppVersion, "0361138");
  EXPECT_EQ(std::strlen(info.updateFileDate), 17u);

  Vell_Ary_Remove(env.get(), EV_FindIndex_byKeyword(env.get(), "update_os"));
  EXPECT_EQ(EV_GetFileInfo(env.get(), &info), 0);
}

TEST_F(TablesTest, ColorLabelsAndColumnsBySortKey) {
  VellAryPtr labels = Table(kKdxColorLabelSize);
  ASSERT_EQ(CO_InitData("なし", "必須", "重要", "進行中", "未決", "個人用", "計画１", "計画２",
                        labels.get()),
            0);
  KDX_COLOR_LABEL l;
  ASSERT_EQ(CO_GetData(labels.get(), 6, &l), 1);
  EXPECT_STREQ(l.co_name, "計画１");

  VellAryPtr columns = Table(kKdxColumnSize);
  ASSERT_EQ(KDX_InitColumnWidth(counters_.get(), columns.get()), 0);
  KDX_InitDefaultSortKeys(columns.get());
  ASSERT_EQ(Vell_Ary_GetSize(columns.get()), 20);
  KDX_COLUMN key;
  ASSERT_EQ(CL_FirstSortKeyColumnWidth(columns.get(), &key), 1);
  EXPECT_STREQ(key.cl_identifier, "en_id");
  EXPECT_EQ(CL_GetData_ByIdentifier(columns.get(), "en_encrpyt", &key), 1);  // sic, as stored
  CLCOMM_SetFirstSortKey(2, true, columns.get());                            // moves the key
  ASSERT_EQ(CL_FirstSortKeyColumnWidth(columns.get(), &key), 1);
  EXPECT_EQ(key.cl_id, 2);
  CLCOMM_SetFirstSortKey(-1, true, columns.get());  // only clears
  EXPECT_EQ(CL_FirstSortKeyColumnWidth(columns.get(), &key), 0);
  EXPECT_EQ(CL_SetData(columns.get(), KDX_COLUMN{}), kKdxRecordMissing);
  EXPECT_EQ(Vell_Ary_GetSize(columns.get()), 20);
}

}  // namespace
