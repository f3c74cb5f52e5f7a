#include "core/util/vell_utf8.h"

#include <cstdio>
#include <cstring>

namespace {

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Bytes a sequence starting with lead claims, or 0 for a byte that cannot
// start one.
size_t SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

}  // namespace

size_t Vell_Utf8CutLength(std::string_view s, size_t maxBytes) {
  if (s.size() <= maxBytes) return s.size();
  // The character that begins at maxBytes is dropped; if maxBytes falls inside
  // a character, back off to that character's lead byte.
  size_t cut = maxBytes;
  size_t back = 0;
  while (cut > 0 && back < 3 && IsContinuation(static_cast<unsigned char>(s[cut]))) {
    --cut;
    ++back;
  }
  if (back == 0) return maxBytes;
  // Only a real lead byte whose sequence reaches past maxBytes justifies the
  // back-off; anything else is stray bytes, cut where asked.
  size_t len = SequenceLength(static_cast<unsigned char>(s[cut]));
  if (len > 1 && cut + len > maxBytes) return cut;
  return maxBytes;
}

size_t Vell_Utf8CharLength(std::string_view s, size_t i) {
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  if (i >= s.size()) return 0;
  const unsigned char c = p[i];
  const size_t len = SequenceLength(c);
  if (len == 0 || len > s.size() - i) return 0;
  for (size_t k = 1; k < len; ++k) {
    if (!IsContinuation(p[i + k])) return 0;
  }
  if (len >= 3) {
    const unsigned char c1 = p[i + 1];
    if (c == 0xE0 && c1 < 0xA0) return 0;  // overlong
    if (c == 0xED && c1 > 0x9F) return 0;  // surrogate half
    if (c == 0xF0 && c1 < 0x90) return 0;  // overlong
    if (c == 0xF4 && c1 > 0x8F) return 0;  // above U+10FFFF
  }
  return len;
}

bool Vell_IsValidUtf8(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    const size_t len = Vell_Utf8CharLength(s, i);
    if (len == 0) return false;
    i += len;
  }
  return true;
}

size_t Vell_Utf8CopyCut(char* dst, size_t dstSize, std::string_view src) {
  if (dst == nullptr || dstSize == 0) return 0;
  size_t n = Vell_Utf8CutLength(src, dstSize - 1);
  if (n > 0) std::memcpy(dst, src.data(), n);
  dst[n] = '\0';
  return n;
}

std::string Vell_EscapeControls(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    const bool c1 = c == 0xC2 && i + 1 < text.size() &&
                    static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                    static_cast<unsigned char>(text[i + 1]) < 0xA0;
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c < 0x20 || c == 0x7F || c1) {
      const unsigned code = c1 ? static_cast<unsigned char>(text[++i]) : c;
      char escaped[5];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", code);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}
