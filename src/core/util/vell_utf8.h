// Small UTF-8 helpers shared by everything that copies text into byte-limited
// fields: a cut must never split a character, or the field becomes invalid
// UTF-8 and later conversions of it fail.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The length of the longest prefix of s that is at most maxBytes long and does
// not end inside a multibyte character. Bytes that are not valid UTF-8 are
// treated as one-byte characters, so the cut never backs off more than three
// bytes.
[[nodiscard]] size_t Vell_Utf8CutLength(std::string_view s, size_t maxBytes);

// The text with every control character (C0, DEL, and C1 as UTF-8 writes it)
// escaped, so that a value shown on a terminal or kept in a line record or a
// tab-separated cell cannot act on the terminal, split the cell or start
// another line: tab, LF and CR as \t, \n and \r, the others as \xNN, and a
// backslash as \\, so that the escaped text reads back to the value exactly.
[[nodiscard]] std::string Vell_EscapeControls(std::string_view text);

// The length of the well-formed UTF-8 character at s[i], or 0 when none
// starts there (a stray or cut byte, an overlong form, a surrogate, anything
// above U+10FFFF, or i at the end).
[[nodiscard]] size_t Vell_Utf8CharLength(std::string_view s, size_t i);

// True when s is well-formed UTF-8 (no overlong forms, no surrogates, nothing
// above U+10FFFF). The empty string is valid.
[[nodiscard]] bool Vell_IsValidUtf8(std::string_view s);

// Copies the longest prefix of src that fits in dstSize - 1 bytes without
// splitting a character, then a NUL. Returns the bytes copied (without the
// NUL). dstSize 0 or a null dst writes nothing.
size_t Vell_Utf8CopyCut(char* dst, size_t dstSize, std::string_view src);
