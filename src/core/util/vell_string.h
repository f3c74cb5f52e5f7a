// Small byte-string operations shared across the program: splitting a search
// phrase into words, thousands separators, replacing and stripping, and tests
// for number texts. Texts are NUL-terminated and usually UTF-8; the operations
// work byte by byte, which is safe because no separator or replaced text the
// callers use can match inside a multibyte character.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/util/vell_mem.h"
#include "core/util/vell_status.h"

// Words are the runs of text between separators. At each position the first
// separator in list order that matches is skipped whole; separators at either
// end or in runs produce no empty words. Null or empty separator strings are
// ignored.
[[nodiscard]] int32_t Vell_GetSplitWordCount(const char* text, const char* const* separators,
                                             int32_t count);
// Copies word index (from 0) into dst, cut to dstSize - 1 bytes at a character
// boundary. dst is emptied first, so a missing word leaves it empty; dstSize 0
// writes nothing.
void Vell_GetSplitWord(const char* text, const char* const* separators, int32_t count,
                       int32_t index, char* dst, size_t dstSize);

// The number with "," between groups of three integer digits ("-1234.5" gives
// "-1,234.5", ".25" gives "0.25"). A text that is not a number text is copied
// unchanged; a null or empty one gives "". Returns 0, or kVellFailed when the
// result was cut at a character boundary to fit dstSize - 1 bytes (dstSize 0
// writes nothing).
[[nodiscard]] int32_t Vell_NumStrToCommaString(const char* numberText, char* dst, size_t dstSize);
[[nodiscard]] int32_t Vell_LongToCommaString(int64_t value, char* dst, size_t dstSize);

// 1 when every byte is an ASCII digit, '.', '-' or '+' (the empty text counts);
// 0 otherwise and for null.
[[nodiscard]] int32_t Vell_IsNumOrPeriodStr(const char* text);
// 1 when every byte is an ASCII digit, '-' or '+' (so "+-" counts, as does the
// empty text); 0 otherwise and for null.
[[nodiscard]] int32_t Vell_IsNumberStr(const char* text);

// text with every occurrence of from replaced by to, scanning left to right;
// inserted text is never searched again. An empty from changes nothing.
[[nodiscard]] std::string Vell_ReplaceString(std::string_view text, std::string_view from,
                                             std::string_view to);
// The same in place, in a buffer of textSize bytes; a null to deletes. Returns
// 0 (also when text or from is null or empty and nothing is done), or
// kVellFailed when the result would not fit or text has no NUL within
// textSize; text is then unchanged.
[[nodiscard]] int32_t Vell_ReplaceString(char* text, size_t textSize, const char* from,
                                         const char* to);
// Replaces several placeholders in one pass, so a value that contains another
// placeholder ("$2" inside the value for "$1") is kept as it is. At each
// position the first pair in list order whose key matches wins; empty keys are
// ignored.
[[nodiscard]] std::string Vell_ReplacePlaceholders(
    std::string_view text, const std::vector<std::pair<std::string, std::string>>& pairs);

// Removes every trailing byte equal to ch; null does nothing.
void Vell_StripCharFromEnd(char* text, char ch);
