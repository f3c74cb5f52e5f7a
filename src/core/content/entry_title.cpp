#include "core/content/entry_title.h"

std::string KDX_StripEntryTitle(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n' || c == '\t') continue;
    // U+2028 and U+2029 are E2 80 A8 and E2 80 A9.
    if (static_cast<unsigned char>(c) == 0xE2 && i + 2 < text.size() &&
        static_cast<unsigned char>(text[i + 1]) == 0x80 &&
        (static_cast<unsigned char>(text[i + 2]) == 0xA8 ||
         static_cast<unsigned char>(text[i + 2]) == 0xA9)) {
      i += 2;
      continue;
    }
    out.push_back(c);
  }
  return out;
}
