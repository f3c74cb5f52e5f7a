#include "core/util/vell_string.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char* const kSpaces[] = {" ", "\xE3\x80\x80"};  // ASCII space, U+3000
const std::string kA = "\xE3\x81\x82";                // あ, 3 bytes

std::string Word(const std::string& text, int32_t index, size_t size = 128) {
  std::string buf(size + 1, '#');  // one guard byte past the buffer
  Vell_GetSplitWord(text.c_str(), kSpaces, 2, index, buf.data(), size);
  EXPECT_EQ(buf[size], '#') << "wrote past the buffer";
  return buf.c_str();
}

TEST(VellString, SplitsAtAsciiAndFullWidthSpacesWithoutEmptyWords) {
  const std::string text = "りんご\xE3\x80\x80みかん  ぶどう ";
  EXPECT_EQ(Vell_GetSplitWordCount(text.c_str(), kSpaces, 2), 3);
  EXPECT_EQ(Word(text, 0), "りんご");
  EXPECT_EQ(Word(text, 1), "みかん");
  EXPECT_EQ(Word(text, 2), "ぶどう");
  EXPECT_EQ(Word(text, 3), "");
  EXPECT_EQ(Vell_GetSplitWordCount("  \xE3\x80\x80 \xE3\x80\x80", kSpaces, 2), 0);
  EXPECT_EQ(Vell_GetSplitWordCount(nullptr, kSpaces, 2), 0);
}

TEST(VellString, LongWordsAreCutAtACharacterBoundary) {
  EXPECT_EQ(Word(std::string(200, 'x'), 0), std::string(127, 'x'));
  std::string kana;
  for (int i = 0; i < 50; ++i) kana += kA;
  EXPECT_EQ(Word("a " + kana, 1), kana.substr(0, 126));  // 42 whole characters
  EXPECT_EQ(Word("abc", 0, 1), "");
}

std::string Commas(const char* text, size_t size = 32, int32_t* rc = nullptr) {
  std::string buf(size + 1, '#');
  int32_t result = Vell_NumStrToCommaString(text, buf.data(), size);
  if (rc) *rc = result;
  EXPECT_EQ(buf[size], '#') << "wrote past the buffer";
  return buf.c_str();
}

TEST(VellString, CommaStringsGroupTheDigits) {
  EXPECT_EQ(Commas("1234567"), "1,234,567");
  char dst[32];
  EXPECT_EQ(Vell_LongToCommaString(0, dst, sizeof(dst)), 0);
  EXPECT_STREQ(dst, "0");
  EXPECT_EQ(Vell_LongToCommaString(INT64_MIN, dst, sizeof(dst)), 0);
  EXPECT_STREQ(dst, "-9,223,372,036,854,775,808");
}

TEST(VellString, CommaStringsNeverOverrunAndReportACut) {
  int32_t rc = 0;
  EXPECT_EQ(Commas("1234567", 10, &rc), "1,234,567");
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(Commas("1234567", 6, &rc), "1,234");
  EXPECT_EQ(rc, -1);
  Commas("12", 0, &rc);  // the guard byte shows that nothing is written
  EXPECT_EQ(rc, -1);
}

TEST(VellString, NumberTextTests) {
  for (const char* yes : {"", "0123", "-5", "+-"}) EXPECT_EQ(Vell_IsNumberStr(yes), 1) << yes;
  for (const char* no : {"1.5", "1 ", "a", "\xEF\xBC\x91"}) EXPECT_EQ(Vell_IsNumberStr(no), 0);
}

TEST(VellString, ReplaceNeverRescansInsertedText) {
  EXPECT_EQ(Vell_ReplaceString("aXbXc", "X", "YY"), "aYYbYYc");
  EXPECT_EQ(Vell_ReplaceString("aXbXc", "X", ""), "abc");
  EXPECT_EQ(Vell_ReplaceString("aaaa", "aa", "a"), "aa");
  EXPECT_EQ(Vell_ReplaceString("aa", "a", "aa"), "aaaa");
}

TEST(VellString, PlaceholdersAreReplacedInOnePass) {
  const std::vector<std::pair<std::string, std::string>> pairs = {
      {"$1", "title $2"}, {"$2", "other"}, {"$10", "never"}};
  EXPECT_EQ(Vell_ReplacePlaceholders("[$1] [$2] $10", pairs), "[title $2] [other] title $20");
}

}  // namespace
