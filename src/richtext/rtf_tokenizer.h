// The RTF tokenizer: splits RTF bytes into groups, control words, control
// symbols, text runs, \'hh escapes and \binN data, and drops the fallback
// characters that follow a \uN when asked to.
//
// It is the reader's guard against hostile input: it never reads past the
// end, a control word's name and parameter are bounded, \binN never reaches
// beyond the data, and a group nested deeper than kRtfMaxGroupDepth is read
// to its end without recursion and given as one kSkippedGroup token.
#pragma once

#include <cstddef>
#include <string_view>

namespace kdx_richtext::rtf_internal {

enum class TokenKind {
  kEnd,           // the input is used up
  kGroupOpen,     // {
  kGroupClose,    // }
  kSkippedGroup,  // a group beyond the depth limit, read to its } (or the end) and dropped
  kWord,          // \word, \wordN or \word-N
  kSymbol,        // \ and one character that is not a letter, \ { } or '
  kText,          // plain text bytes (line ends left out), or one escaped \ { or }
  kHex,           // \'hh
  kBinary,        // \binN and the N bytes after it
};

struct Token {
  TokenKind kind = TokenKind::kEnd;
  // kWord: the name; kText: the bytes; kBinary: the data.
  std::string_view text;
  bool hasParam = false;  // kWord
  int param = 0;          // kWord: 0 when there is none
  char byte = 0;          // kSymbol: the character; kHex: the byte
};

class Tokenizer {
 public:
  explicit Tokenizer(std::string_view input) : input_(input) {}

  // Skips a UTF-8 byte-order mark and blanks before the opening "{\rtf" (and
  // blanks between its "{" and "\rtf"); false when the input does not begin
  // with it.
  [[nodiscard]] bool SkipToHeader();

  // The next token; kEnd at the end of the input, and for ever after.
  [[nodiscard]] Token Next();

  // Drops the next count units (a text byte, a \'hh escape, a control symbol,
  // or a control word with its \bin data): the fallback of a \uN just read
  // when \uc is count. A group's start or end ends the dropping.
  void SkipFallback(int count) { fallbackLeft_ = count; }

  // Groups opened and not yet closed, those in a skipped group included.
  [[nodiscard]] int OpenGroups() const { return depth_ + skippedOpen_; }
  // Malformed escapes and groups skipped for their depth.
  [[nodiscard]] int warnings() const { return warnings_; }

 private:
  bool DropFallbackUnit();
  [[nodiscard]] bool ReadControl(Token* token);
  void SkipDeepGroup();

  std::string_view input_;
  size_t pos_ = 0;
  int depth_ = 0;               // groups open, at most kRtfMaxGroupDepth
  int skippedOpen_ = 0;         // groups open inside a skipped group when the input ended
  int fallbackLeft_ = 0;        // units still to drop after a \uN
  size_t blanksAfterOpen_ = 0;  // between the header's "{" and "\rtf"
  int warnings_ = 0;
};

}  // namespace kdx_richtext::rtf_internal
