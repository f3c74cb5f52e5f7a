// An entry title made from other text, such as a selection of the body.
#pragma once

#include <string>
#include <string_view>

// text (UTF-8) without its line breaks and tabs: CR, LF, tab, and the line
// and paragraph separators U+2028 and U+2029, so that the title is one line.
[[nodiscard]] std::string KDX_StripEntryTitle(std::string_view text);
