// Small pieces shared by the block operations: a container handle closed on
// every path, little-endian fields and allocation without exceptions.
#pragma once

#include <cstdint>
#include <exception>
#include <vector>

#include "core/container/rez.h"

namespace block_io {

// An open container that is closed when the object goes out of scope.
class ScopedRez {
 public:
  ScopedRez() = default;
  ScopedRez(const ScopedRez&) = delete;
  ScopedRez& operator=(const ScopedRez&) = delete;
  ~ScopedRez() {
    if (file_.stream != nullptr) REZ_Close(&file_);
  }

  int32_t Open(const char* path, int32_t openMode) { return REZ_Open(path, openMode, &file_); }
  // Closes now, pushing written bytes down; REZ_OK or REZ_ERR_IO.
  int32_t Close() { return REZ_Close(&file_) == 0 ? REZ_OK : REZ_ERR_IO; }
  REZ_FILE* get() { return &file_; }

 private:
  REZ_FILE file_;
};

inline void PutLe32(uint8_t* at, int32_t value) {
  const uint32_t v = static_cast<uint32_t>(value);
  for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(v >> (8 * i));
}

inline int32_t GetLe32(const uint8_t* at) {
  return static_cast<int32_t>(uint32_t{at[0]} | uint32_t{at[1]} << 8 | uint32_t{at[2]} << 16 |
                              uint32_t{at[3]} << 24);
}

// Reads the signed 32-bit value at offset of the current member.
inline int32_t ReadLe32(REZ_FILE* file, uint64_t offset, int32_t* out) {
  uint8_t raw[4];
  int32_t status = REZ_GetSubdata(file, offset, 4, raw);
  if (status == REZ_OK) *out = GetLe32(raw);
  return status;
}

// Resizes buffer to size zero bytes; false when memory cannot be had or the
// size cannot be a member's.
inline bool Allocate(std::vector<uint8_t>& buffer, uint64_t size) {
  if (size > kRezMaxFileSize) return false;
  try {
    buffer.assign(static_cast<size_t>(size), 0);
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

}  // namespace block_io
