// The results of the utility library, in one place. 0 is success (or a size
// or count where a function says so) and every failure is negative. Boolean
// tests answer 1 or 0 and are not listed here.
#pragma once

#include <cstdint>

// A function with a single way to fail: memory ran out, a size would overflow,
// an argument or a result does not fit (Vell_Ary_Insert, Vell_Ary_Add,
// Vell_GenerateUniqueFilePath, the in-place Vell_ReplaceString).
inline constexpr int32_t kVellFailed = -1;

// ---- Text conversions (vell_encoding.h) -------------------------------------

inline constexpr int32_t kVellEncOk = 0;
// The input is not valid in its encoding (for UTF-8 input: not well-formed).
inline constexpr int32_t kVellEncInvalid = -1;
// A character has no form in the target encoding, or the result does not fit
// the caller's fixed buffer.
inline constexpr int32_t kVellEncUnmappable = -2;
// The encoding name is not one this function accepts.
inline constexpr int32_t kVellEncUnknownName = -3;
// ICU could not open a converter or ran out of memory.
inline constexpr int32_t kVellEncFailed = -4;

// ---- The cipher wrapper (vell_crypto.h) -------------------------------------

// Bad length, arguments or padding.
inline constexpr int32_t kVellCryptBadLength = -8;
// The key text is not 32 hexadecimal digits.
inline constexpr int32_t kVellCryptBadKey = -10;
// No initialisation vector, or the cipher could not be set up.
inline constexpr int32_t kVellCryptBadIV = -11;
// Vell_DecryptBounded only: the plaintext would not fit the output.
inline constexpr int32_t kVellCryptOutputTooSmall = -12;

// ---- Reading a whole file (Vell_ReadBuffer_fromFile, Vell_IsBinaryFile) -------

// The file cannot be opened, is a folder (or, for Vell_IsBinaryFile, is not a
// regular file or cannot be read).
inline constexpr int32_t kVellReadCannotOpen = -1;
// Its size cannot be determined, or fewer bytes than that could be read.
inline constexpr int32_t kVellReadShort = -2;
// The buffer cannot be allocated, or the file is 2 GiB or larger.
inline constexpr int32_t kVellReadTooLarge = -3;
