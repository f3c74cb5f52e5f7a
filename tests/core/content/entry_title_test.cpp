// A title made from a selection of the body.
#include "core/content/entry_title.h"

#include <gtest/gtest.h>

namespace {

TEST(EntryTitle, LineBreaksAndTabsOfEveryKindAreRemoved) {
  EXPECT_EQ(KDX_StripEntryTitle("first\r\nsecond\tthird\nfourth"), "firstsecondthirdfourth");
  // Qt's paragraph and line separators, as a selection of rich text has them.
  EXPECT_EQ(KDX_StripEntryTitle("一行目\u2029二行目\u2028三"), "一行目二行目三");
  // Other characters beginning with the same bytes stay.
  EXPECT_EQ(KDX_StripEntryTitle("a\u2026b\u2030"), "a\u2026b\u2030");
  EXPECT_EQ(KDX_StripEntryTitle("\xE2\x80"), "\xE2\x80");
}

}  // namespace
