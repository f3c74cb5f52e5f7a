// Little-endian integers in byte buffers, written and read byte by byte, so
// that every stored layout is the same on hosts of either byte order. The one
// place the project spells this out; every file format builds on it.
#pragma once

#include <cstdint>

[[nodiscard]] inline uint16_t Vell_GetLE16(const uint8_t* at) {
  return static_cast<uint16_t>(at[0] | at[1] << 8);
}

[[nodiscard]] inline uint32_t Vell_GetLE32(const uint8_t* at) {
  return uint32_t{at[0]} | uint32_t{at[1]} << 8 | uint32_t{at[2]} << 16 | uint32_t{at[3]} << 24;
}

[[nodiscard]] inline int32_t Vell_GetLE32Signed(const uint8_t* at) {
  return static_cast<int32_t>(Vell_GetLE32(at));
}

inline void Vell_PutLE16(uint8_t* at, uint16_t value) {
  at[0] = static_cast<uint8_t>(value);
  at[1] = static_cast<uint8_t>(value >> 8);
}

inline void Vell_PutLE32(uint8_t* at, uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

inline void Vell_PutLE32Signed(uint8_t* at, int32_t value) {
  Vell_PutLE32(at, static_cast<uint32_t>(value));
}
