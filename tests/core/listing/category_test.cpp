// Category names, the browser's narrowing lists, the shown-entry filter and
// adding, renaming and deleting names.
#include "core/listing/category.h"

#include "core/listing/entry_list.h"
#include "listing_fixture.h"

namespace {

using Strings = std::vector<std::string>;
using R = KdxCategoryResult;

KdxCategorySelection Select(const char* c1, const char* c2, const char* c3) {
  KdxCategorySelection s;
  s.name = {c1, c2, c3};
  return s;
}

TEST_F(ListingTest, OtherSortsLastAndEqualToItself) {
  EXPECT_EQ(CT_CategorySortFunc("その他", "その他"), 0);
  EXPECT_EQ(CT_CategorySortFunc("その他", "\xF0\x9F\x98\x80"), 1);  // above その他's bytes
  EXPECT_EQ(CT_CategorySortFunc("B", "その他"), -1);
  EXPECT_EQ(CT_CategorySortFunc("b", "B"), 1);  // case significant
  for (const char* n : {"その他", "z", "資料", "A"}) Add(n, "x", "y");
  ASSERT_EQ(KDXCOMM_MakeBrowserLists(&data_, Select("＜すべて＞", "＜すべて＞", "＜すべて＞")), 0);
  EXPECT_EQ(Names(data_.cat1Ary), (Strings{"A", "z", "資料", "その他"}));
}

TEST_F(ListingTest, ListsNarrowByTheOtherTwoSelectionsOnly) {
  Add("仕事", "2024", "A");
  Add("仕事", "2025", "B");
  Add("個人", "2024", "その他");
  ASSERT_EQ(KDXCOMM_MakeBrowserLists(&data_, Select("仕事", "＜すべて＞", "＜すべて＞")), 0);
  EXPECT_EQ(Names(data_.cat1Ary), (Strings{"仕事", "個人", "その他"}));  // not by its own
  EXPECT_EQ(Names(data_.cat2Ary), (Strings{"2024", "2025"}));
  EXPECT_EQ(Names(data_.cat3Ary), (Strings{"A", "B"}));
  ASSERT_EQ(KDXCOMM_MakeBrowserLists(&data_, Select("＜すべて＞", "2024", "＜すべて＞")), 0);
  EXPECT_EQ(Names(data_.cat1Ary), (Strings{"仕事", "個人"}));
  EXPECT_EQ(Names(data_.cat3Ary), (Strings{"A", "その他"}));
  EXPECT_TRUE(KDXCOMM_isCategoryAll("<All>"));
}

TEST_F(ListingTest, FilterKeepsEntryOrderAndAllMatchesAnyName) {
  const int32_t a = Add("仕事", "2024", "A");
  const int32_t b = Add("個人", "2024", "A");
  const int32_t c = Add("仕事", "2025", "A");
  KDXCOMM_QueryEntrys("＜すべて＞", "2024", "＜すべて＞", data_.entryAry, &data_.showIDAry);
  EXPECT_EQ(data_.showIDAry, (std::vector<int32_t>{a, b}));
  KDXCOMM_QueryEntrys("仕事", "＜すべて＞", "A", data_.entryAry, &data_.showIDAry);
  EXPECT_EQ(data_.showIDAry, (std::vector<int32_t>{a, c}));
  KDXCOMM_QueryEntrys("仕事", "2024", "B", data_.entryAry, &data_.showIDAry);
  EXPECT_TRUE(data_.showIDAry.empty());
}

TEST_F(ListingTest, ReloadFallsBackToAllAndRestoresSavedSelection) {
  const int32_t a = Add("仕事", "2024", "A");
  const int32_t b = Add("個人", "2025", "B");
  ASSERT_EQ(KDXCOMM_SaveCategorySelections(&data_, Select("消えた", "2025", "")), 0);
  KdxCategorySelection s = KDXCOMM_LoadCategorySelections(data_);
  EXPECT_EQ(s.name[2], "＜すべて＞");  // an empty value reads as All
  ASSERT_EQ(KDXCOMM_ReloadMainLists(&data_, &s, nullptr), 0);
  EXPECT_EQ(s.name[0], "＜すべて＞");
  EXPECT_EQ(KDXCOMM_GetCatListRow(data_.cat2Ary, s.name[1].c_str()), 2);  // 2024, 2025
  EXPECT_EQ(GetCatListBoxSelectedItemText(data_.cat2Ary, 2), "2025");
  EXPECT_EQ(GetCatListBoxSelectedItemText(data_.cat2Ary, 7), "＜すべて＞");
  EXPECT_EQ(data_.showIDAry, (std::vector<int32_t>{b}));
  // A second-level name that exists only under another first-level name.
  ASSERT_EQ(KDXCOMM_SaveCategorySelections(&data_, Select("仕事", "2025", "B")), 0);
  s = KDXCOMM_LoadCategorySelections(data_);
  ASSERT_EQ(KDXCOMM_ReloadMainLists(&data_, &s, nullptr), 0);
  EXPECT_EQ(s.name, (std::array<std::string, 3>{"仕事", "＜すべて＞", "＜すべて＞"}));
  EXPECT_EQ(data_.showIDAry, (std::vector<int32_t>{a}));
  // New documents list the newest first.
  s = Select("＜すべて＞", "＜すべて＞", "＜すべて＞");
  ASSERT_EQ(KDXCOMM_ReloadMainLists(&data_, &s, nullptr), 0);
  EXPECT_EQ(data_.showIDAry, (std::vector<int32_t>{b, a}));
}

TEST_F(ListingTest, AddAndDeleteCheckTheLevel) {
  Add("仕事", "2024", "A");
  const auto sel = Select("仕事", "＜すべて＞", "＜すべて＞");
  EXPECT_EQ(KDXCOMM_AddCategory(&data_, "", 2, sel), R::kEmpty);
  EXPECT_EQ(KDXCOMM_AddCategory(&data_, "<All>", 2, sel), R::kAllNotAllowed);
  EXPECT_EQ(KDXCOMM_AddCategory(&data_, "2024", 2, sel), R::kAlreadyUsed);
  EXPECT_EQ(KDXCOMM_AddCategory(&data_, "仕事", 2, sel), R::kOk);  // used at level 1 only
  EXPECT_EQ(CT_IsCatSetExists(data_.catSetAry, "仕事", "仕事", "その他"), 1);
  EXPECT_EQ(KDXCOMM_CategoryMessage(R::kUsedByEntry, "%d"), "%d は削除できません。");

  EXPECT_EQ(KDXCOMM_DeleteCategory(&data_, "Others", 1), R::kNotDeletable);
  EXPECT_EQ(KDXCOMM_DeleteCategory(&data_, "＜すべて＞", 1), R::kNotDeletable);
  EXPECT_EQ(KDXCOMM_DeleteCategory(&data_, "仕事", 1), R::kUsedByEntry);
  EXPECT_EQ(KDXCOMM_AlertCategoryConfirmation(data_, "仕事", 2), R::kConfirmDelete);
  EXPECT_EQ(KDXCOMM_DeleteCategory(&data_, "仕事", 2), R::kOk);  // same name, other level
  EXPECT_EQ(CT_IsCatSetExists(data_.catSetAry, "仕事", "仕事", "その他"), 0);
  EXPECT_EQ(CT_IsCatSetExists(data_.catSetAry, "仕事", "2024", "A"), 1);
}

TEST_F(ListingTest, RenameKeepsSetsOfEntriesThatAreNotShown) {
  const int32_t shown = Add("仕事", "旧", "A");
  const int32_t hidden = Add("個人", "旧", "B");
  Add("仕事", "2024", "A");
  auto sel = Select("仕事", "旧", "＜すべて＞");
  ASSERT_EQ(KDXCOMM_ReloadMainLists(&data_, &sel, nullptr), 0);
  const int32_t missing = 9999;  // a stale row must not stop the rename
  data_.showIDAry.insert(data_.showIDAry.begin(), missing);
  EXPECT_EQ(KDXCOMM_RenameCategory(&data_, 2, "旧", &sel), R::kUnchanged);
  EXPECT_EQ(KDXCOMM_RenameCategory(&data_, 2, "2024", &sel), R::kAlreadyUsed);
  ASSERT_EQ(KDXCOMM_RenameCategory(&data_, 2, "新", &sel), R::kOk);
  EXPECT_EQ(sel.name[1], "新");
  EXPECT_STREQ(Entry(shown).en_cat2_name, "新");
  EXPECT_STREQ(Entry(hidden).en_cat2_name, "旧");
  EXPECT_EQ(CT_IsCatSetExists(data_.catSetAry, "仕事", "新", "A"), 1);
  EXPECT_EQ(CT_IsCatSetExists(data_.catSetAry, "仕事", "旧", "A"), 0);
  EXPECT_EQ(CT_IsCatSetExists(data_.catSetAry, "個人", "旧", "B"), 1);
  ASSERT_EQ(KDXCOMM_ReloadMainLists(&data_, &sel, nullptr), 0);
  EXPECT_EQ(data_.showIDAry, (std::vector<int32_t>{shown}));
}

TEST_F(ListingTest, RenameWithNoShownEntryRenamesTheSelectedSets) {
  ASSERT_EQ(CT_SetData(data_.catSetAry, data_.idCounterAry, "空", "X", "Y"), 0);
  auto sel = Select("空", "＜すべて＞", "＜すべて＞");
  ASSERT_EQ(KDXCOMM_ReloadMainLists(&data_, &sel, nullptr), 0);
  ASSERT_EQ(KDXCOMM_RenameCategory(&data_, 1, "満", &sel), R::kOk);
  EXPECT_EQ(CT_IsCatSetExists(data_.catSetAry, "満", "X", "Y"), 1);
  EXPECT_EQ(CT_IsCatSetExists(data_.catSetAry, "空", "X", "Y"), 0);
  auto other = Select("その他", "＜すべて＞", "＜すべて＞");
  EXPECT_EQ(KDXCOMM_RenameCategory(&data_, 1, "x", &other), R::kUnchanged);
}

TEST_F(ListingTest, ChangeCategoriesOfSeveralEntries) {
  const int32_t a = Add("仕事", "2024", "A");
  const int32_t b = Add("仕事", "2025", "A");
  const std::vector<int32_t> ids{a, b};
  EXPECT_EQ(KDXCOMM_GetCommonCategories(data_, ids),
            (std::array<std::string, 3>{"仕事", "＜変更しない＞", "A"}));
  std::string refused;
  EXPECT_EQ(KDXCOMM_ChangeEntryCategories(&data_, ids, {"x", "<All>", ""}, &refused),
            R::kNotACategory);
  EXPECT_EQ(refused, "<All>");
  EXPECT_STREQ(Entry(a).en_cat1_name, "仕事");
  ASSERT_EQ(
      KDXCOMM_ChangeEntryCategories(&data_, ids, {"＜変更しない＞", "＜変更しない＞", ""}, nullptr),
      R::kOk);
  EXPECT_STREQ(Entry(b).en_cat2_name, "2025");
  EXPECT_STREQ(Entry(b).en_cat3_name, "その他");  // empty text is the default name
  EXPECT_EQ(CT_IsCatSetExists(data_.catSetAry, "仕事", "2025", "その他"), 1);
  EXPECT_EQ(KDXCOMM_GetChangeCategoryChoices(data_.catSetAry, 2),
            (Strings{"＜変更しない＞", "2024", "2025", "その他"}));
}

TEST_F(ListingTest, CategoryTitlesAreCheckedInOrder) {
  std::string named;
  EXPECT_EQ(KDXCOMM_CheckCategoryTitles({"a", "", "a"}, &named), R::kEmptyTitle);
  EXPECT_EQ(KDXCOMM_CheckCategoryTitles({"a", "b", "b"}, &named), R::kAlreadyUsed);
  EXPECT_EQ(named, "b");
  EXPECT_EQ(KDXCOMM_SetCategoryTitles(data_.catTitleAry, {"a", "ノート", "c"}, &named),
            R::kReservedTitle);
}

}  // namespace
