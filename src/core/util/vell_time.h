// Date characters, view dates and version strings.
//
// Date characters are 17 ASCII digits and a NUL, "YYYYMMDDhhmmssmmm" in local
// time, so that two values compare in time order by plain byte comparison
// (except across a daylight-saving change). Buffers for them hold 18 bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>

inline constexpr int32_t kVellDateCharsSize = 18;
inline constexpr int32_t kVellViewDateSize = 17;

// Writes the current local date and time as date characters into dst. The 17
// digits and their NUL need 18 bytes: a smaller size leaves dst untouched.
void Vell_GetCurrentTimeAsString(char* dst, int32_t size);

// Writes the date characters of a broken-down local time and a millisecond
// (0..999) into dst; the same size rule as Vell_GetCurrentTimeAsString.
void Vell_FormatDateChars(const std::tm& time, int32_t millisecond, char* dst, int32_t size);

// Writes "YYYY/MM/DD HH:MM" and a NUL into dst (17 bytes), taking the digits
// from dateChars. Copying stops at the NUL of a short value, so the rest of the
// template's letters show; a null dateChars gives the bare template.
void Vell_GetViewDateStringFromDataChars(const char* dateChars, char* dst);

// Formats seven version characters ("0361138": major 03, minor 6, patch 1,
// build 138) for display: level 0 "3", level 1 "3.6", level 2 "3.6.1", any
// other level "3.6.1 (138)". A short value reads as if padded with '0'.
void Vell_MakeVersionString(const char* versionChars, int32_t level, char* dst, size_t dstSize);
