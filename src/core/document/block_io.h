// Small pieces shared by the block operations: little-endian fields of the
// current member and allocation without exceptions.
#pragma once

#include <cstdint>
#include <exception>
#include <vector>

#include "core/container/rez.h"
#include "core/util/vell_endian.h"

namespace block_io {

// Reads the signed 32-bit value at offset of the current member.
[[nodiscard]] inline int32_t ReadLe32(REZ_FILE* file, uint64_t offset, int32_t* out) {
  uint8_t raw[4];
  int32_t status = REZ_GetSubdata(file, offset, 4, raw);
  if (status == REZ_OK) *out = Vell_GetLE32Signed(raw);
  return status;
}

// Resizes buffer to size zero bytes; false when memory cannot be had or the
// size cannot be a member's.
[[nodiscard]] inline bool Allocate(std::vector<uint8_t>& buffer, uint64_t size) {
  if (size > kRezMaxFileSize) return false;
  try {
    buffer.assign(static_cast<size_t>(size), 0);
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

}  // namespace block_io
