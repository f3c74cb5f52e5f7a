#include "core/prefs/turn_width.h"

#include <algorithm>
#include <cctype>

int32_t KDXCOMM_ParseTurnWidth(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])) != 0) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    // Past the maximum every further digit only makes it larger still.
    value = std::min<int64_t>(value * 10 + (text[i] - '0'), kPrefTurnWidthMaximum + 1);
  }
  if (negative) return kPrefTurnWidthMinimum;
  return static_cast<int32_t>(
      std::clamp<int64_t>(value, kPrefTurnWidthMinimum, kPrefTurnWidthMaximum));
}
