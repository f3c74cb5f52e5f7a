#include "core/util/vell_utf8.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kA = "\xE3\x81\x82";          // あ, 3 bytes
const std::string kSmile = "\xF0\x9F\x98\x80";  // 😀, 4 bytes

TEST(VellUtf8, CutBacksOffToTheStartOfASplitCharacter) {
  EXPECT_EQ(Vell_Utf8CutLength("abc", 10), 3u);
  std::string s = "ab" + kA + "c";
  EXPECT_EQ(Vell_Utf8CutLength(s, 3), 2u);
  EXPECT_EQ(Vell_Utf8CutLength(s, 4), 2u);
  EXPECT_EQ(Vell_Utf8CutLength(s, 5), 5u);
  std::string e = "x" + kSmile + kSmile;
  for (size_t max = 1; max < 5; ++max) EXPECT_EQ(Vell_Utf8CutLength(e, max), 1u) << max;
  EXPECT_EQ(Vell_Utf8CutLength(e, 8), 5u);
  // Stray continuation bytes are not a character to back over.
  EXPECT_EQ(Vell_Utf8CutLength(std::string(10, '\x80'), 6), 6u);
  EXPECT_EQ(Vell_Utf8CutLength("a\xC3\xA9\x80\x80z", 4), 4u);
}

TEST(VellUtf8, ValidityRejectsMalformedSequences) {
  EXPECT_TRUE(Vell_IsValidUtf8(""));
  EXPECT_TRUE(Vell_IsValidUtf8(kA + "\xC3\xA9" + kSmile + "\xF4\x8F\xBF\xBF"));
  for (const char* bad : {"\x80", "\xE3\x81", "\xE3\x41\x82", "\xC0\x80", "\xE0\x80\xAF",
                          "\xF0\x80\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xFF"}) {
    EXPECT_FALSE(Vell_IsValidUtf8(bad)) << bad;
  }
}

}  // namespace
