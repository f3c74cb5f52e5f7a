#include "core/document/value_codec.h"

#include <cstring>

namespace {

bool Fits(size_t bufferSize, size_t offset, size_t width) {
  return offset <= bufferSize && width <= bufferSize - offset;
}

// Unsigned arithmetic keeps the shifts defined for negative values.
int32_t PutLittleEndian(std::span<uint8_t> buffer, size_t offset, uint32_t value, size_t width) {
  if (!Fits(buffer.size(), offset, width)) return -1;
  for (size_t i = 0; i < width; ++i) buffer[offset + i] = static_cast<uint8_t>(value >> (8 * i));
  return 0;
}

uint32_t TakeLittleEndian(std::span<const uint8_t> buffer, size_t offset, size_t width) {
  if (!Fits(buffer.size(), offset, width)) return 0;
  uint32_t value = 0;
  for (size_t i = 0; i < width; ++i) value |= uint32_t{buffer[offset + i]} << (8 * i);
  return value;
}

}  // namespace

int32_t KDX_SetStringValue(std::span<uint8_t> buffer, size_t offset, size_t length,
                           const char* text) {
  return KDX_SetBinaryValue(buffer, offset, length, text);
}

int32_t KDX_GetStringValue(std::span<const uint8_t> buffer, size_t offset, size_t length,
                           char* text) {
  return KDX_GetBinaryValue(buffer, offset, length, text);
}

int32_t KDX_SetBinaryValue(std::span<uint8_t> buffer, size_t offset, size_t length,
                           const void* data) {
  if (!Fits(buffer.size(), offset, length) || (data == nullptr && length > 0)) return -1;
  if (length > 0) std::memcpy(buffer.data() + offset, data, length);
  return 0;
}

int32_t KDX_GetBinaryValue(std::span<const uint8_t> buffer, size_t offset, size_t length,
                           void* data) {
  if (data == nullptr) return -1;
  if (!Fits(buffer.size(), offset, length)) {
    std::memset(data, 0, length);
    return -1;
  }
  if (length > 0) std::memcpy(data, buffer.data() + offset, length);
  return 0;
}

int32_t KDX_SetInt32Value(std::span<uint8_t> buffer, size_t offset, int32_t value) {
  return PutLittleEndian(buffer, offset, static_cast<uint32_t>(value), 4);
}

int32_t KDX_SetInt16Value(std::span<uint8_t> buffer, size_t offset, int16_t value) {
  return PutLittleEndian(buffer, offset, static_cast<uint16_t>(value), 2);
}

int32_t KDX_SetInt8Value(std::span<uint8_t> buffer, size_t offset, int8_t value) {
  return PutLittleEndian(buffer, offset, static_cast<uint8_t>(value), 1);
}

int32_t KDX_SetBoolValue(std::span<uint8_t> buffer, size_t offset, bool value) {
  return PutLittleEndian(buffer, offset, value ? 1u : 0u, 1);
}

int32_t KDX_GetInt32Value(std::span<const uint8_t> buffer, size_t offset) {
  return static_cast<int32_t>(TakeLittleEndian(buffer, offset, 4));
}

int16_t KDX_GetInt16Value(std::span<const uint8_t> buffer, size_t offset) {
  return static_cast<int16_t>(static_cast<uint16_t>(TakeLittleEndian(buffer, offset, 2)));
}

int8_t KDX_GetInt8Value(std::span<const uint8_t> buffer, size_t offset) {
  return static_cast<int8_t>(static_cast<uint8_t>(TakeLittleEndian(buffer, offset, 1)));
}

bool KDX_GetBoolValue(std::span<const uint8_t> buffer, size_t offset) {
  return TakeLittleEndian(buffer, offset, 1) != 0;
}
