// The search history in the preference container: newest first, a repeated
// word moved up rather than stored twice, and nothing invented when the
// container is missing.
#include "core/search/search_history.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/document/history.h"
#include "core/prefs/pref_rez.h"

namespace {

std::string PrefPath() {
  std::string path;
  EXPECT_EQ(PREF_GetPreferenceREZFilePath(path), 1);
  return path;
}

std::vector<KDX_SEARCH_HISTORY> Stored() {
  VellAryPtr history(HICOMM_InitSearchHistory());
  // An absent table (-1) reads as an empty history.
  static_cast<void>(HICOMM_LoadSearchHistory(PrefPath().c_str(), kPrefTagHIAL, history.get()));
  std::vector<KDX_SEARCH_HISTORY> out(static_cast<size_t>(Vell_Ary_GetSize(history.get())));
  for (size_t i = 0; i < out.size(); ++i)
    HI_GetData(history.get(), static_cast<int32_t>(i), &out[i]);
  return out;
}

std::vector<std::string> Words() {
  std::vector<std::string> words;
  for (const KDX_SEARCH_HISTORY& h : Stored()) words.emplace_back(h.hi_words);
  return words;
}

class SearchHistory : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::remove(PrefPath());
    ASSERT_EQ(PREF_PrepareREZFile(kPrefREZVersion), 1);
  }
};

TEST_F(SearchHistory, NewestFirstAndARepeatedWordMovesUpKeepingItsRecord) {
  std::string longWord;
  for (int i = 0; i < 50; ++i) longWord += "語";
  ASSERT_EQ(HICOMM_AddSearchWord(longWord.c_str()), 0);  // stored cut at a character
  ASSERT_EQ(HICOMM_AddSearchWord("apple pie"), 0);
  ASSERT_EQ(HICOMM_AddSearchWord(""), 0);  // ignored
  const KDX_SEARCH_HISTORY first = Stored()[1];
  ASSERT_EQ(HICOMM_AddSearchWord(longWord.c_str()), 0);  // recognised
  const KDX_SEARCH_HISTORY moved = Stored()[0];
  EXPECT_EQ(moved.hi_id, first.hi_id);
  EXPECT_STREQ(moved.hi_create_date, first.hi_create_date);
  // Byte comparison: another case is another word, with the next identifier.
  ASSERT_EQ(HICOMM_AddSearchWord("Apple Pie"), 0);
  EXPECT_EQ(Words(), (std::vector<std::string>{"Apple Pie", longWord.substr(0, 126), "apple pie"}));
  EXPECT_EQ(Stored()[0].hi_id, 2);
}

TEST_F(SearchHistory, ClearingEmptiesItAndWithoutAContainerNothingIsCreated) {
  ASSERT_EQ(HICOMM_AddSearchWord("a"), 0);
  ASSERT_EQ(HICOMM_ClearSearchWord(), 0);
  EXPECT_TRUE(Words().empty());
  std::filesystem::remove(PrefPath());
  EXPECT_NE(HICOMM_AddSearchWord("a"), 0);  // a failure the caller hears of
  EXPECT_EQ(HICOMM_ClearSearchWord(), 0);   // no history is an empty one
  EXPECT_FALSE(std::filesystem::exists(PrefPath()));
  VellAryPtr history(HICOMM_InitSearchHistory());
  ASSERT_EQ(HI_AddData(history.get(), "kept"), 0);
  EXPECT_NE(HICOMM_LoadSearchHistory(PrefPath().c_str(), kPrefTagHIAL, history.get()), 0);
  EXPECT_EQ(Vell_Ary_GetSize(history.get()), 1);
}

}  // namespace
