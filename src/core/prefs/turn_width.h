// The document width a body wraps at, as the width dialog and the preference
// window read it from a text field.
#pragma once

#include <cstdint>
#include <string_view>

// Bounds of a document width, in points.
inline constexpr int32_t kPrefTurnWidthMinimum = 30;
inline constexpr int32_t kPrefTurnWidthMaximum = 100000;

// A decimal number as strtol reads it (leading blanks, a sign, digits; the
// rest ignored), kept within 30..100000: no number, a negative one or one
// below 30 gives 30, anything above 100000 (however long) gives 100000.
[[nodiscard]] int32_t KDXCOMM_ParseTurnWidth(std::string_view text);
