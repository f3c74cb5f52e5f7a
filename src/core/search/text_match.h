// The matching rule of the search: a byte-wise substring test in UTF-8 in
// which only the ASCII letters A-Z and a-z match regardless of case. Nothing
// else is folded (full-width and half-width forms, kana and every non-ASCII
// letter match exactly), so folding both sides with KDX_FoldAscii and then
// comparing bytes is exactly the rule.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Writes src with A-Z turned into a-z into dst (which may be src).
void KDX_FoldAscii(const uint8_t* src, size_t size, uint8_t* dst);

// One search word, folded once, with the two byte positions the scan filters
// candidates on.
class KdxFoldedWord {
 public:
  explicit KdxFoldedWord(std::string_view word);

  // The offset of the first occurrence of the word in text (as stored, not
  // folded), or SIZE_MAX. The empty word occurs at 0.
  size_t Find(const uint8_t* text, size_t size) const;
  bool FoundIn(const uint8_t* text, size_t size) const { return Find(text, size) != SIZE_MAX; }
  size_t size() const { return folded_.size(); }

 private:
  bool MatchesAt(const uint8_t* text) const;

  std::string folded_;
  size_t first_ = 0;  // filter positions inside the word
  size_t last_ = 0;
};

// The rule applied directly, without folding in advance: whether word occurs
// in text. For one-off tests; the scan uses KdxFoldedWord.
bool KDX_TextContainsWord(std::string_view text, std::string_view word);
