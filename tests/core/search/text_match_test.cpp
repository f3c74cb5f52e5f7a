// The matching rule: ASCII letters match in either case and nothing else is
// folded, checked by examples and against a byte-by-byte reference over many
// random texts of lengths around the scan's 16-byte steps.
#include "core/search/text_match.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <utility>

namespace {

TEST(TextMatch, OnlyAsciiLettersMatchInEitherCase) {
  EXPECT_TRUE(KDX_TextContainsWord("I like aPpLe pie", "ApPlE"));
  EXPECT_TRUE(KDX_TextContainsWord("Émile と C++ の議事録", "ÉMILE と c++ の議事録"));
  EXPECT_TRUE(KDX_TextContainsWord("anything", ""));
  EXPECT_FALSE(KDX_TextContainsWord("apple", "apples"));
  // Neither finds the other: bytes a case bit away from a letter, full-width
  // and half-width forms, kana, non-ASCII letters.
  const std::pair<const char*, const char*> apart[] = {
      {"@", "`"},        {"[\\]^_", "{|}~\x7f"}, {"ＡＢＣ", "ａｂｃ"}, {"ABC", "ＡＢＣ"},
      {"アイウ", "ｱｲｳ"}, {"あいう", "アイウ"},   {"Émile", "émile"},   {"ΑΒΓ", "αβγ"}};
  for (auto [a, b] : apart) {
    EXPECT_FALSE(KDX_TextContainsWord(a, b)) << a << " / " << b;
    EXPECT_FALSE(KDX_TextContainsWord(b, a)) << b << " / " << a;
  }
}

// The rule written out byte by byte.
size_t ReferenceFind(const std::string& text, const std::string& word) {
  auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  const auto at = std::search(text.begin(), text.end(), word.begin(), word.end(),
                              [&](char a, char b) { return fold(a) == fold(b); });
  return at == text.end() && !word.empty() ? SIZE_MAX : static_cast<size_t>(at - text.begin());
}

TEST(TextMatch, AgreesWithTheByteByByteRuleOnRandomTexts) {
  // Bytes that tempt a wrong fold, so that matches and near matches are frequent.
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
    ASSERT_EQ(KdxFoldedWord(word).Find(reinterpret_cast<const uint8_t*>(text.data()), text.size()),
              ReferenceFind(text, word))
        << "word " << word << " text " << text;
  }
}

}  // namespace
