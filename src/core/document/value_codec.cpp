#include "core/document/value_codec.h"

#include <cstring>

#include "core/util/vell_endian.h"

namespace {

bool Fits(size_t bufferSize, size_t offset, size_t width) {
  return offset <= bufferSize && width <= bufferSize - offset;
}

void PutByte(uint8_t* at, uint8_t value) { *at = value; }
uint8_t GetByte(const uint8_t* at) { return *at; }

// Writes value through Put (one of the little-endian helpers); kKdxFailed when
// it does not fit the buffer.
template <typename T, void (*Put)(uint8_t*, T)>
int32_t PutChecked(std::span<uint8_t> buffer, size_t offset, T value) {
  if (!Fits(buffer.size(), offset, sizeof(T))) return kKdxFailed;
  Put(buffer.data() + offset, value);
  return 0;
}

// The value read through Get, or 0 when it does not lie inside the buffer.
template <typename T, T (*Get)(const uint8_t*)>
T TakeChecked(std::span<const uint8_t> buffer, size_t offset) {
  return Fits(buffer.size(), offset, sizeof(T)) ? Get(buffer.data() + offset) : T{0};
}

}  // namespace

int32_t KDX_SetStringValue(std::span<uint8_t> buffer, size_t offset, size_t length,
                           const char* text) {
  if (!Fits(buffer.size(), offset, length) || (text == nullptr && length > 0)) return kKdxFailed;
  // Whatever a field held after its NUL (a longer value it had before, bytes
  // never cleared) is not stored: other readers of the file see zeros there.
  const size_t used = length > 0 ? strnlen(text, length) : 0;
  if (used > 0) std::memcpy(buffer.data() + offset, text, used);
  if (length > used) std::memset(buffer.data() + offset + used, 0, length - used);
  return 0;
}

int32_t KDX_GetStringValue(std::span<const uint8_t> buffer, size_t offset, size_t length,
                           char* text) {
  return KDX_GetBinaryValue(buffer, offset, length, text);
}

int32_t KDX_SetBinaryValue(std::span<uint8_t> buffer, size_t offset, size_t length,
                           const void* data) {
  if (!Fits(buffer.size(), offset, length) || (data == nullptr && length > 0)) return kKdxFailed;
  if (length > 0) std::memcpy(buffer.data() + offset, data, length);
  return 0;
}

int32_t KDX_GetBinaryValue(std::span<const uint8_t> buffer, size_t offset, size_t length,
                           void* data) {
  if (data == nullptr) return kKdxFailed;
  if (!Fits(buffer.size(), offset, length)) {
    std::memset(data, 0, length);
    return kKdxFailed;
  }
  if (length > 0) std::memcpy(data, buffer.data() + offset, length);
  return 0;
}

int32_t KDX_SetInt32Value(std::span<uint8_t> buffer, size_t offset, int32_t value) {
  return PutChecked<int32_t, Vell_PutLE32Signed>(buffer, offset, value);
}

int32_t KDX_SetInt16Value(std::span<uint8_t> buffer, size_t offset, int16_t value) {
  return PutChecked<uint16_t, Vell_PutLE16>(buffer, offset, static_cast<uint16_t>(value));
}

int32_t KDX_SetInt8Value(std::span<uint8_t> buffer, size_t offset, int8_t value) {
  return PutChecked<uint8_t, PutByte>(buffer, offset, static_cast<uint8_t>(value));
}

int32_t KDX_SetBoolValue(std::span<uint8_t> buffer, size_t offset, bool value) {
  return PutChecked<uint8_t, PutByte>(buffer, offset, value ? 1 : 0);
}

int32_t KDX_GetInt32Value(std::span<const uint8_t> buffer, size_t offset) {
  return TakeChecked<int32_t, Vell_GetLE32Signed>(buffer, offset);
}

int16_t KDX_GetInt16Value(std::span<const uint8_t> buffer, size_t offset) {
  return static_cast<int16_t>(TakeChecked<uint16_t, Vell_GetLE16>(buffer, offset));
}

int8_t KDX_GetInt8Value(std::span<const uint8_t> buffer, size_t offset) {
  return static_cast<int8_t>(TakeChecked<uint8_t, GetByte>(buffer, offset));
}

bool KDX_GetBoolValue(std::span<const uint8_t> buffer, size_t offset) {
  return TakeChecked<uint8_t, GetByte>(buffer, offset) != 0;
}
