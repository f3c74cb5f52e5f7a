// What the preference window lets through to the files: extensions the list
// can hold and print margins.
#include "core/prefs/pref_checks.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(PrefChecksTest, ExtensionIsOneToFifteenBytesWithoutSeparators) {
  // 15 bytes at most: five kana are 15 bytes, five and a letter 16.
  for (const char* ok : {"txt", "abcdefghijklmno", "あいうえお"}) {
    EXPECT_TRUE(PREF_IsValidExtension(ok)) << ok;
  }
  for (const char* bad :
       {"", "abcdefghijklmnop", "あいうえおa", "a.b", "a/b", "a\tb", "a\rb", "a\nb", ".txt"}) {
    EXPECT_FALSE(PREF_IsValidExtension(bad)) << bad;
  }
  EXPECT_FALSE(PREF_IsValidExtension(std::string("a\0b", 3)));
}

TEST(PrefChecksTest, MarginIsANumberOfPointsOrNothing) {
  EXPECT_EQ(PREF_ParsePrintMargin("72"), 72.0);
  EXPECT_EQ(PREF_ParsePrintMargin(" 36.5 "), 36.5);
  EXPECT_EQ(PREF_ParsePrintMargin("0"), 0.0);
  EXPECT_EQ(PREF_ParsePrintMargin("1000"), 1000.0);
  for (const char* bad : {"", " ", "-1", "1001", "abc", "72pt", "nan", "inf", "1e400"}) {
    EXPECT_FALSE(PREF_ParsePrintMargin(bad).has_value()) << bad;
  }
}

}  // namespace
