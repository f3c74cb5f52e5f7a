#include "core/util/vell_string.h"

#include <charconv>
#include <cstring>

#include "core/util/vell_status.h"
#include "core/util/vell_utf8.h"

namespace {

// Bytes of the first usable separator that text continues with at pos, or 0.
size_t SeparatorAt(std::string_view text, size_t pos, const char* const* separators,
                   int32_t count) {
  if (separators == nullptr) return 0;
  for (int32_t i = 0; i < count; ++i) {
    if (separators[i] == nullptr || separators[i][0] == '\0') continue;
    std::string_view sep(separators[i]);
    if (text.substr(pos).starts_with(sep)) return sep.size();
  }
  return 0;
}

// Calls visit(word) for each word in order until it returns false.
template <typename Visit>
void ForEachWord(const char* text, const char* const* separators, int32_t count, Visit visit) {
  if (text == nullptr) return;
  std::string_view s(text);
  size_t pos = 0;
  size_t wordStart = 0;
  bool inWord = false;
  while (pos < s.size()) {
    size_t sepLen = SeparatorAt(s, pos, separators, count);
    if (sepLen > 0) {
      if (inWord && !visit(s.substr(wordStart, pos - wordStart))) return;
      inWord = false;
      pos += sepLen;
      continue;
    }
    if (!inWord) {
      inWord = true;
      wordStart = pos;
    }
    ++pos;
  }
  if (inWord) visit(s.substr(wordStart));
}

bool AllBytesIn(const char* text, std::string_view allowed) {
  if (text == nullptr) return false;
  for (const char* p = text; *p != '\0'; ++p) {
    if ((*p < '0' || *p > '9') && allowed.find(*p) == std::string_view::npos) return false;
  }
  return true;
}

// Copies src into dst, cut at a character boundary; kVellFailed when it had to be cut.
[[nodiscard]] int32_t CopyResult(char* dst, size_t dstSize, std::string_view src) {
  if (dst == nullptr || dstSize == 0) return src.empty() ? 0 : kVellFailed;
  return Vell_Utf8CopyCut(dst, dstSize, src) == src.size() ? 0 : kVellFailed;
}

}  // namespace

int32_t Vell_GetSplitWordCount(const char* text, const char* const* separators, int32_t count) {
  int32_t words = 0;
  ForEachWord(text, separators, count, [&](std::string_view) {
    ++words;
    return true;
  });
  return words;
}

void Vell_GetSplitWord(const char* text, const char* const* separators, int32_t count,
                       int32_t index, char* dst, size_t dstSize) {
  if (dst == nullptr || dstSize == 0) return;
  dst[0] = '\0';
  if (index < 0) return;
  int32_t current = 0;
  ForEachWord(text, separators, count, [&](std::string_view word) {
    if (current++ < index) return true;
    Vell_Utf8CopyCut(dst, dstSize, word);
    return false;
  });
}

int32_t Vell_NumStrToCommaString(const char* numberText, char* dst, size_t dstSize) {
  if (dst != nullptr && dstSize > 0) dst[0] = '\0';
  if (numberText == nullptr || numberText[0] == '\0') return 0;
  std::string_view text(numberText);
  if (!Vell_IsNumOrPeriodStr(numberText)) return CopyResult(dst, dstSize, text);

  std::string_view integer = text;
  std::string_view fraction;
  if (size_t dot = text.rfind('.'); dot != std::string_view::npos) {
    integer = text.substr(0, dot);
    fraction = text.substr(dot + 1);
  }
  std::string result;
  if (!integer.empty() && (integer[0] == '+' || integer[0] == '-')) {
    result += integer[0];
    integer.remove_prefix(1);
  }
  if (integer.empty()) integer = "0";
  for (size_t i = 0; i < integer.size(); ++i) {
    if (i > 0 && (integer.size() - i) % 3 == 0) result += ',';
    result += integer[i];
  }
  if (!fraction.empty()) {
    result += '.';
    result += fraction;
  }
  return CopyResult(dst, dstSize, result);
}

int32_t Vell_LongToCommaString(int64_t value, char* dst, size_t dstSize) {
  char digits[24];
  // 20 characters hold every int64_t, sign included.
  char* end = std::to_chars(digits, digits + sizeof(digits) - 1, value).ptr;
  *end = '\0';
  return Vell_NumStrToCommaString(digits, dst, dstSize);
}

int32_t Vell_IsNumOrPeriodStr(const char* text) { return AllBytesIn(text, ".-+") ? 1 : 0; }

int32_t Vell_IsNumberStr(const char* text) { return AllBytesIn(text, "-+") ? 1 : 0; }

std::string Vell_ReplaceString(std::string_view text, std::string_view from, std::string_view to) {
  if (from.empty()) return std::string(text);
  std::string result;
  result.reserve(text.size());
  size_t pos = 0;
  for (size_t hit = text.find(from); hit != std::string_view::npos; hit = text.find(from, pos)) {
    result.append(text, pos, hit - pos);
    result.append(to);
    pos = hit + from.size();
  }
  result.append(text, pos);
  return result;
}

int32_t Vell_ReplaceString(char* text, size_t textSize, const char* from, const char* to) {
  if (text == nullptr || from == nullptr || from[0] == '\0') return 0;
  size_t length = strnlen(text, textSize);
  if (length == textSize) return kVellFailed;
  if (length == 0) return 0;
  std::string result = Vell_ReplaceString(std::string_view(text, length), from, to ? to : "");
  if (result.size() >= textSize) return kVellFailed;
  std::memcpy(text, result.c_str(), result.size() + 1);
  return 0;
}

std::string Vell_ReplacePlaceholders(
    std::string_view text, const std::vector<std::pair<std::string, std::string>>& pairs) {
  std::string result;
  result.reserve(text.size());
  size_t pos = 0;
  while (pos < text.size()) {
    const std::pair<std::string, std::string>* match = nullptr;
    for (const auto& pair : pairs) {
      if (!pair.first.empty() && text.substr(pos).starts_with(pair.first)) {
        match = &pair;
        break;
      }
    }
    if (match != nullptr) {
      result += match->second;
      pos += match->first.size();
    } else {
      result += text[pos++];
    }
  }
  return result;
}

void Vell_StripCharFromEnd(char* text, char ch) {
  if (text == nullptr) return;
  size_t length = std::strlen(text);
  while (length > 0 && text[length - 1] == ch) text[--length] = '\0';
}
