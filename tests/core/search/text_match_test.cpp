// The matching rule: ASCII letters match in either case and nothing else is
// folded, checked by examples and against a byte-by-byte reference over many
// random texts of lengths around the scan's 16-byte steps.
#include "core/search/text_match.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

bool Contains(const std::string& text, const std::string& word) {
  return KDX_TextContainsWord(text, word);
}

TEST(TextMatch, AsciiLettersMatchInEitherCase) {
  EXPECT_TRUE(Contains("I like APPLE pie", "apple"));
  EXPECT_TRUE(Contains("i like apple pie", "APPLE"));
  EXPECT_TRUE(Contains("aPpLe", "ApPlE"));
  EXPECT_TRUE(Contains("Linux と C++", "linux と c++"));
  EXPECT_FALSE(Contains("apple", "apples"));
  EXPECT_TRUE(Contains("anything", ""));
}

TEST(TextMatch, BytesBesideTheLettersAreNotFolded) {
  // Each pair differs only in the case bit, but they are not letters.
  EXPECT_FALSE(Contains("@", "`"));
  EXPECT_FALSE(Contains("`", "@"));
  EXPECT_FALSE(Contains("[\\]^_", "{|}~\x7f"));
  EXPECT_FALSE(Contains("{x}", "[x]"));
  EXPECT_FALSE(Contains("1", "\x11"));
  EXPECT_FALSE(Contains("abc@def", "ABC`DEF"));
}

TEST(TextMatch, NothingOutsideAsciiIsFolded) {
  EXPECT_FALSE(Contains("ＡＢＣ", "ａｂｃ"));  // full-width letters keep their case
  EXPECT_FALSE(Contains("ABC", "ＡＢＣ"));     // full-width does not find half-width
  EXPECT_FALSE(Contains("ＡＢＣ", "ABC"));
  EXPECT_FALSE(Contains("アイウ", "ｱｲｳ"));  // half-width katakana
  EXPECT_FALSE(Contains("ｱｲｳ", "アイウ"));
  EXPECT_FALSE(Contains("あいう", "アイウ"));  // hiragana and katakana
  EXPECT_FALSE(Contains("Émile", "émile"));
  EXPECT_FALSE(Contains("ΑΒΓ", "αβγ"));
  EXPECT_TRUE(Contains("議事録のメモ", "メモ"));
  EXPECT_TRUE(Contains("Émile", "ÉMILE"));  // only the ASCII letters fold
}

// The rule written out byte by byte.
size_t ReferenceFind(const std::string& text, const std::string& word) {
  auto fold = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
  for (size_t i = 0; i + word.size() <= text.size(); ++i) {
    size_t j = 0;
    while (j < word.size() && fold(static_cast<unsigned char>(text[i + j])) ==
                                  fold(static_cast<unsigned char>(word[j]))) {
      ++j;
    }
    if (j == word.size()) return i;
  }
  return word.empty() ? 0 : SIZE_MAX;
}

TEST(TextMatch, AgreesWithTheByteByByteRuleOnRandomTexts) {
  // A small alphabet of bytes that tempt a wrong fold, so matches and near
  // matches are frequent.
  const std::string alphabet = "aAbB@`[{zZ\x80\xe3\x81\xa2 ";
  std::mt19937 rng(42);
  auto randomText = [&](size_t length) {
    std::string s;
    for (size_t i = 0; i < length; ++i) s += alphabet[rng() % alphabet.size()];
    return s;
  };
  for (int round = 0; round < 20000; ++round) {
    const std::string text = randomText(rng() % 70);
    const std::string word = randomText(1 + rng() % 4);
    const KdxFoldedWord folded(word);
    ASSERT_EQ(folded.Find(reinterpret_cast<const uint8_t*>(text.data()), text.size()),
              ReferenceFind(text, word))
        << "word " << word << " text " << text;
  }
}

}  // namespace
