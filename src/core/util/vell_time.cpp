#include "core/util/vell_time.h"

#include <time.h>

#include <cstdio>
#include <cstring>

void Vell_FormatDateChars(const std::tm& time, int32_t millisecond, char* dst, int32_t size) {
  if (dst == nullptr || size < kVellDateCharsSize) return;
  if (millisecond < 0 || millisecond > 999) millisecond = 0;
  char text[32];
  // The fields of a valid tm fit; snprintf still bounds a corrupt one, and the
  // length check keeps such a value out of dst.
  int n = std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d%03d", time.tm_year + 1900,
                        time.tm_mon + 1, time.tm_mday, time.tm_hour, time.tm_min, time.tm_sec,
                        static_cast<int>(millisecond));
  if (n != 17) return;
  std::memcpy(dst, text, 18);
}

void Vell_GetCurrentTimeAsString(char* dst, int32_t size) {
  if (dst == nullptr || size < kVellDateCharsSize) return;
  timespec now{};
  if (clock_gettime(CLOCK_REALTIME, &now) != 0) return;
  std::tm local{};
  if (localtime_r(&now.tv_sec, &local) == nullptr) return;
  Vell_FormatDateChars(local, static_cast<int32_t>(now.tv_nsec / 1000000), dst, size);
}

void Vell_GetViewDateStringFromDataChars(const char* dateChars, char* dst) {
  if (dst == nullptr) return;
  static constexpr char kTemplate[] = "YYYY/MM/DD HH:MM";
  static_assert(sizeof kTemplate == kVellViewDateSize);
  std::memcpy(dst, kTemplate, sizeof kTemplate);
  if (dateChars == nullptr) return;
  // Where each of the first twelve date digits lands in the template.
  static constexpr int kTarget[12] = {0, 1, 2, 3, 5, 6, 8, 9, 11, 12, 14, 15};
  for (int i = 0; i < 12 && dateChars[i] != '\0'; ++i) {
    dst[kTarget[i]] = dateChars[i];
  }
}

namespace {

// The leading decimal digits of text[0..count), as a number.
long ReadDecimal(const char* text, size_t count) {
  long value = 0;
  for (size_t i = 0; i < count && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

}  // namespace

void Vell_MakeVersionString(const char* versionChars, int32_t level, char* dst, size_t dstSize) {
  if (dst == nullptr || dstSize == 0) return;
  char v[8] = "0000000";
  if (versionChars != nullptr) {
    size_t len = strnlen(versionChars, 7);
    std::memcpy(v, versionChars, len);
  }
  long major = ReadDecimal(v, 2);
  switch (level) {
    case 0:
      std::snprintf(dst, dstSize, "%ld", major);
      break;
    case 1:
      std::snprintf(dst, dstSize, "%ld.%c", major, v[2]);
      break;
    case 2:
      std::snprintf(dst, dstSize, "%ld.%c.%c", major, v[2], v[3]);
      break;
    default:
      std::snprintf(dst, dstSize, "%ld.%c.%c (%ld)", major, v[2], v[3], ReadDecimal(v + 4, 3));
      break;
  }
}
