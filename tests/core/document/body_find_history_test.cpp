// The per-entry find and replace lists of the entry windows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/document/history.h"

namespace {

std::vector<std::string> Strings(const VELL_ARY* ary, int32_t enId) {
  std::vector<KDX_BODY_FIND_HISTORY> records;
  BFCOMM_QueryFindBodyHistories_ByEnID(ary, enId, &records);
  std::vector<std::string> out;
  for (const KDX_BODY_FIND_HISTORY& r : records) out.emplace_back(r.bf_string);
  return out;
}

TEST(BodyFindHistory, EachEntryKeepsItsOwnMostRecentFirstWithoutRepeats) {
  VellAryPtr ary(BFCOMM_InitBodyFindHistory());
  ASSERT_NE(ary, nullptr);
  ASSERT_EQ(BFCOMM_AddBodyFindWord(ary.get(), "apple", 1), 0);
  ASSERT_EQ(BFCOMM_AddBodyFindWord(ary.get(), "pear", 1), 0);
  ASSERT_EQ(BFCOMM_AddBodyFindWord(ary.get(), "apple", 2), 0);  // another entry: its own record
  ASSERT_EQ(BFCOMM_AddBodyFindWord(ary.get(), "", 1), 0);       // never kept
  ASSERT_EQ(BFCOMM_AddBodyFindWord(ary.get(), "apple", 1), 0);  // used again: moves up
  EXPECT_EQ(Vell_Ary_GetSize(ary.get()), 3);
  EXPECT_EQ(Strings(ary.get(), 1), (std::vector<std::string>{"apple", "pear"}));
  EXPECT_EQ(Strings(ary.get(), 2), (std::vector<std::string>{"apple"}));
  KDX_BODY_FIND_HISTORY top{};
  BF_GetData(ary.get(), 0, &top);
  EXPECT_EQ(top.bf_id, 0);  // the record made first, moved, not a copy
  EXPECT_EQ(top.bf_kind, 1);

  // A string longer than a record holds is found again by what was kept.
  const std::string long_word(200, 'x');
  ASSERT_EQ(BFCOMM_AddBodyFindWord(ary.get(), long_word.c_str(), 1), 0);
  ASSERT_EQ(BFCOMM_AddBodyFindWord(ary.get(), long_word.c_str(), 1), 0);
  EXPECT_EQ(Strings(ary.get(), 1).size(), 3u);
}

}  // namespace
