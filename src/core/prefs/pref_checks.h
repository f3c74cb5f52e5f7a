// Checks of the values the user types for the preferences, so that nothing the
// reader cannot give back is ever written: an import extension and the print
// margins (the document width: turn_width.h).
#pragma once

#include <optional>
#include <string_view>

// Print margins in points (a margin of 14 inches leaves no page).
inline constexpr double kPrefMaxPrintMargin = 1000.0;

// An extension the import list can hold: 1 to 15 bytes of UTF-8 (the record
// keeps 16 with its NUL), without tab, CR or LF (they would split the row),
// "." or "/" (an extension is compared after the last dot of a file name).
// An empty one would end the list for the reader and drop those after it.
[[nodiscard]] bool PREF_IsValidExtension(std::string_view utf8);

// A print margin typed by the user: a decimal number of points from 0 to
// kPrefMaxPrintMargin, spaces around it allowed. Anything else (empty,
// negative, not a number, trailing text): nothing, and the caller keeps the
// margin it had.
[[nodiscard]] std::optional<double> PREF_ParsePrintMargin(std::string_view text);
