// Byte-level codecs every stored record is built from. Integers are written byte
// by byte, least significant first, so a stored record is the same on hosts of
// either byte order. Every call checks offset + width against the buffer: an
// out-of-range write changes nothing and answers kKdxFailed, an out-of-range
// read answers zero (or clears its destination) and kKdxFailed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "core/document/kdx_status.h"

// Stores text in a field of `length` bytes: the text up to its first NUL,
// then zeros to the field's end.
[[nodiscard]] int32_t KDX_SetStringValue(std::span<uint8_t> buffer, size_t offset, size_t length,
                                         const char* text);
[[nodiscard]] int32_t KDX_GetStringValue(std::span<const uint8_t> buffer, size_t offset,
                                         size_t length, char* text);
[[nodiscard]] int32_t KDX_SetBinaryValue(std::span<uint8_t> buffer, size_t offset, size_t length,
                                         const void* data);
[[nodiscard]] int32_t KDX_GetBinaryValue(std::span<const uint8_t> buffer, size_t offset,
                                         size_t length, void* data);

[[nodiscard]] int32_t KDX_SetInt32Value(std::span<uint8_t> buffer, size_t offset, int32_t value);
[[nodiscard]] int32_t KDX_SetInt16Value(std::span<uint8_t> buffer, size_t offset, int16_t value);
[[nodiscard]] int32_t KDX_SetInt8Value(std::span<uint8_t> buffer, size_t offset, int8_t value);
// 1 for true, 0 for false.
[[nodiscard]] int32_t KDX_SetBoolValue(std::span<uint8_t> buffer, size_t offset, bool value);

// The value at offset, or 0 (false) when it lies outside the buffer.
[[nodiscard]] int32_t KDX_GetInt32Value(std::span<const uint8_t> buffer, size_t offset);
[[nodiscard]] int16_t KDX_GetInt16Value(std::span<const uint8_t> buffer, size_t offset);
[[nodiscard]] int8_t KDX_GetInt8Value(std::span<const uint8_t> buffer, size_t offset);
// Any non-zero byte reads as true.
[[nodiscard]] bool KDX_GetBoolValue(std::span<const uint8_t> buffer, size_t offset);
