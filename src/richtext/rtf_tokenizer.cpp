// The RTF tokenizer. It works on the input in place: tokens point into it, and
// nothing is copied or decoded here.
#include "richtext/rtf_tokenizer.h"

#include <algorithm>
#include <climits>
#include <utility>

#include "richtext/rtf_reader.h"

namespace kdx_richtext::rtf_internal {
namespace {

// Control words longer than this are not RTF; the rest of the letters is read
// and ignored.
constexpr size_t kMaxWordLength = 32;

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\r' || c == '\n' || c == '\t'; }
// The bytes that end a text run. Line ends are not text: they end a run and
// are dropped.
bool EndsText(char c) { return c == '{' || c == '}' || c == '\\' || c == '\r' || c == '\n'; }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool Tokenizer::SkipToHeader() {
  auto skipBlanks = [&](size_t at) {
    while (at < input_.size() && IsBlank(input_[at])) ++at;
    return at;
  };
  // Editors that save "text" in UTF-8 put a byte-order mark before it.
  const size_t start = skipBlanks(input_.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0);
  if (input_.substr(start, 1) != "{") return false;
  const size_t word = skipBlanks(start + 1);
  if (input_.substr(word, 4) != "\\rtf") return false;
  pos_ = start;
  blanksAfterOpen_ = word - start - 1;
  return true;
}

Token Tokenizer::Next() {
  Token token;
  while (pos_ < input_.size()) {
    switch (input_[pos_]) {
      case '{':
        ++pos_;
        pos_ += std::exchange(blanksAfterOpen_, 0);
        fallbackLeft_ = 0;
        if (depth_ >= kRtfMaxGroupDepth) {
          ++warnings_;
          SkipDeepGroup();
          token.kind = TokenKind::kSkippedGroup;
        } else {
          ++depth_;
          token.kind = TokenKind::kGroupOpen;
        }
        return token;
      case '}':
        ++pos_;
        fallbackLeft_ = 0;
        if (depth_ > 0) --depth_;
        token.kind = TokenKind::kGroupClose;
        return token;
      case '\\':
        if (ReadControl(&token)) return token;
        break;
      case '\r':
      case '\n':
        ++pos_;
        break;
      default: {
        size_t end = pos_ + 1;
        while (end < input_.size() && !EndsText(input_[end])) ++end;
        const size_t dropped = std::min(static_cast<size_t>(fallbackLeft_), end - pos_);
        fallbackLeft_ -= static_cast<int>(dropped);
        const size_t start = pos_ + dropped;
        pos_ = end;
        if (start == end) break;
        token.kind = TokenKind::kText;
        token.text = input_.substr(start, end - start);
        return token;
      }
    }
  }
  return token;
}

// Counts one unit against the fallback of a \uN; true when it is dropped.
bool Tokenizer::DropFallbackUnit() {
  if (fallbackLeft_ == 0) return false;
  --fallbackLeft_;
  return true;
}

// Reads the control word or symbol at the backslash at pos_ into token; false
// when it gives no token (dropped as fallback, malformed, or cut off).
bool Tokenizer::ReadControl(Token* token) {
  const size_t size = input_.size();
  ++pos_;  // the backslash
  if (pos_ >= size) return false;
  const char first = input_[pos_];
  if (!IsLetter(first)) {
    ++pos_;
    if (first == '\'') {
      int value = 0;
      int digits = 0;
      while (digits < 2 && pos_ < size) {
        const int nibble = HexValue(input_[pos_]);
        if (nibble < 0) break;
        value = value * 16 + nibble;
        ++digits;
        ++pos_;
      }
      if (digits < 2) {
        ++warnings_;
        DropFallbackUnit();
        return false;
      }
      if (DropFallbackUnit()) return false;
      token->kind = TokenKind::kHex;
      token->byte = static_cast<char>(value);
      return true;
    }
    if (DropFallbackUnit()) return false;
    if (first == '\\' || first == '{' || first == '}') {
      token->kind = TokenKind::kText;
      token->text = input_.substr(pos_ - 1, 1);
    } else {
      token->kind = TokenKind::kSymbol;
      token->byte = first;
    }
    return true;
  }

  const size_t wordStart = pos_;
  while (pos_ < size && IsLetter(input_[pos_])) ++pos_;
  const std::string_view word =
      input_.substr(wordStart, std::min(pos_ - wordStart, kMaxWordLength));
  bool hasParam = false;
  long long value = 0;
  bool negative = false;
  if (pos_ + 1 < size && input_[pos_] == '-' && IsDigit(input_[pos_ + 1])) {
    negative = true;
    ++pos_;
  }
  while (pos_ < size && IsDigit(input_[pos_])) {
    hasParam = true;
    value = std::min<long long>(value * 10 + (input_[pos_] - '0'), INT_MAX);
    ++pos_;
  }
  if (pos_ < size && input_[pos_] == ' ') ++pos_;
  const int param = static_cast<int>(negative ? -value : value);
  if (word == "bin") {
    // The data is part of the word, dropped with it as fallback.
    const size_t length = std::min(static_cast<size_t>(std::max(param, 0)), size - pos_);
    token->text = input_.substr(pos_, length);
    pos_ += length;
    if (DropFallbackUnit()) return false;
    token->kind = TokenKind::kBinary;
    return true;
  }
  if (DropFallbackUnit()) return false;
  token->kind = TokenKind::kWord;
  token->text = word;
  token->hasParam = hasParam;
  token->param = param;
  return true;
}

// Reads past the group whose { was just read, counting braces only: nothing in
// it is looked at, and a backslash escapes the byte after it.
void Tokenizer::SkipDeepGroup() {
  int open = 1;
  const size_t size = input_.size();
  while (pos_ < size && open > 0) {
    const char c = input_[pos_];
    if (c == '{') {
      ++open;
    } else if (c == '}') {
      --open;
    } else if (c == '\\') {
      ++pos_;
    }
    ++pos_;
  }
  pos_ = std::min(pos_, size);
  skippedOpen_ = open;
}

}  // namespace kdx_richtext::rtf_internal
