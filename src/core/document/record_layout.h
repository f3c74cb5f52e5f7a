// Private helpers of the record converters: a stored field is an offset and a
// width, and each record's fields are listed in one table whose contiguity and
// total size are checked at compile time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

#include "core/document/value_codec.h"
#include "core/util/vell_time.h"

namespace kdx_layout {

struct Field {
  size_t offset;
  size_t width;
};

// True when the fields follow one another without gaps and end at total.
template <size_t N>
constexpr bool IsContiguous(const Field (&fields)[N], size_t total) {
  size_t next = 0;
  for (const Field& f : fields) {
    if (f.offset != next) return false;
    next = f.offset + f.width;
  }
  return next == total;
}

// The in-memory array must be exactly as wide as the stored field. The
// converters hand these the whole record and every field lies inside it
// (IsContiguous is asserted beside each table), so the codecs' range checks
// cannot fail here and their results carry nothing.
template <Field F, size_t W>
void PutBytes(std::span<uint8_t> s, const char (&src)[W]) {
  static_assert(F.width == W);
  static_cast<void>(KDX_SetStringValue(s, F.offset, W, src));
}
template <Field F, size_t W>
void PutBytes(std::span<uint8_t> s, const uint8_t (&src)[W]) {
  static_assert(F.width == W);
  static_cast<void>(KDX_SetBinaryValue(s, F.offset, W, src));
}
template <Field F>
void PutInt(std::span<uint8_t> s, int32_t value) {
  static_assert(F.width == 4);
  static_cast<void>(KDX_SetInt32Value(s, F.offset, value));
}
template <Field F>
void PutBool(std::span<uint8_t> s, bool value) {
  static_assert(F.width == 1);
  static_cast<void>(KDX_SetBoolValue(s, F.offset, value));
}

// Text is always NUL-terminated in memory, whatever the file held.
template <Field F, size_t W>
void TakeText(std::span<const uint8_t> s, char (&dst)[W]) {
  static_assert(F.width == W);
  static_cast<void>(KDX_GetStringValue(s, F.offset, W, dst));
  dst[W - 1] = '\0';
}
template <Field F, size_t W>
void TakeBytes(std::span<const uint8_t> s, uint8_t (&dst)[W]) {
  static_assert(F.width == W);
  static_cast<void>(KDX_GetBinaryValue(s, F.offset, W, dst));
}
template <Field F>
int32_t TakeInt(std::span<const uint8_t> s) {
  static_assert(F.width == 4);
  return KDX_GetInt32Value(s, F.offset);
}
template <Field F>
bool TakeBool(std::span<const uint8_t> s) {
  static_assert(F.width == 1);
  return KDX_GetBoolValue(s, F.offset);
}

// Current date characters into an 18-byte date field.
inline void SetNow(char (&date)[18]) { Vell_GetCurrentTimeAsString(date, sizeof date); }
// A new record's creation and update dates: both now, the same characters.
inline void SetCreatedNow(char (&created)[18], char (&updated)[18]) {
  SetNow(created);
  std::memcpy(updated, created, sizeof updated);
}

}  // namespace kdx_layout
