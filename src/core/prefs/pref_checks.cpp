#include "core/prefs/pref_checks.h"

#include <charconv>
#include <cmath>
#include <string>

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t'; }

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace

bool PREF_IsValidExtension(std::string_view utf8) {
  if (utf8.empty() || utf8.size() > 15) return false;
  return utf8.find_first_of(std::string_view("\t\r\n./", 5)) == std::string_view::npos &&
         utf8.find('\0') == std::string_view::npos;
}

std::optional<double> PREF_ParsePrintMargin(std::string_view text) {
  text = Trimmed(text);
  if (text.empty()) return std::nullopt;
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  if (!std::isfinite(value) || value < 0 || value > kPrefMaxPrintMargin) return std::nullopt;
  return value;
}
