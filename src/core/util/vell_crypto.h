// The cipher wrapper every enciphered piece of a document goes through: bodies,
// texts, notes, titles and the stored password. AES-128-CBC with PKCS#7
// padding; the data is the 16-byte initialisation vector followed by the
// ciphertext. Keys are handed over as 32 hexadecimal digits.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/util/vell_status.h"  // kVellCrypt*: the results of the wrapper

// The one key all documents are enciphered with. It is a format constant of the
// document file, not a secret: the document password only gates the user
// interface. Changing it makes every enciphered document unreadable, since data
// written under one key can only be read under the same key.
inline constexpr char kKdxProgramKeyHex[] = "57BDAC08AEFEC1040DD3834E937B6A85";

inline constexpr int32_t kVellCryptBlockSize = 16;

// n - n % 16 + 32: the IV, the whole blocks of n and one block holding the rest
// and the padding. kVellCryptBadLength for a negative n or when the result
// does not fit in int32_t.
[[nodiscard]] int32_t Vell_GetEncryptedDataLength(int32_t n);

// Encrypts length bytes of plain under a fresh random IV. out must hold
// Vell_GetEncryptedDataLength(length) bytes; that many are written and
// returned, except that an empty plaintext writes only the IV and returns 16
// (stored data contains such values, so both directions keep that form).
[[nodiscard]] int32_t Vell_Encrypt(const uint8_t* plain, int32_t length, const char* keyHex,
                                   uint8_t* out);

// Decrypts data (IV followed by ciphertext) into out and returns the plaintext
// length; out must hold length - 16 bytes. kVellCryptBadLength, with nothing
// written, when length is below 16 or length - 16 is not a multiple of 16;
// length 16 gives 0. When only the padding of the last block is invalid, every
// block but the last has been written to out and kVellCryptBadLength is
// returned, so a caller may still use what the undamaged blocks give.
[[nodiscard]] int32_t Vell_Decrypt(const uint8_t* data, int32_t length, const char* keyHex,
                                   uint8_t* out);

// Vell_Decrypt that never writes beyond outCapacity bytes: when the plaintext
// (or, for a padding failure, the leading blocks) would not fit, nothing is
// written and kVellCryptOutputTooSmall is returned.
[[nodiscard]] int32_t Vell_DecryptBounded(const uint8_t* data, int32_t length, const char* keyHex,
                                          uint8_t* out, size_t outCapacity);

// Decrypts the whole blocks after the 16-byte IV with no padding removed or
// checked: content blocks store their ciphertext without a padding block.
// Returns length - 16 (out must hold that many bytes), or kVellCryptBadLength
// with nothing written when length is below 16 or length - 16 is not a
// multiple of 16.
[[nodiscard]] int32_t Vell_DecryptBlocks(const uint8_t* data, int32_t length, const char* keyHex,
                                         uint8_t* out);

// For tests only: Vell_Encrypt with a chosen IV, so published vectors can be
// checked. Never use a fixed IV for stored data.
[[nodiscard]] int32_t Vell_EncryptWithIVForTesting(const uint8_t* plain, int32_t length,
                                                   const char* keyHex, const uint8_t iv[16],
                                                   uint8_t* out);

// SHA-256 of size bytes, for telling a whole file from a torn one (the
// container's rollback journal). False when the digest could not be made.
inline constexpr size_t kVellSha256Size = 32;
[[nodiscard]] bool Vell_Sha256(const void* data, size_t size, uint8_t out[kVellSha256Size]);
