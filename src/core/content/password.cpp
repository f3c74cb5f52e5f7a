// The stored password and the password rules. The plaintext of a stored value
// is a zero-filled 96-byte buffer starting with the password, so a sound value
// holds a NUL within its first 22 bytes and only letters and digits before it.

#include "core/content/password.h"

#include <openssl/crypto.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

#include "core/util/vell_crypto.h"
#include "core/util/vell_utf8.h"

namespace {

constexpr size_t kPlainSize = 96;  // enciphered part of the zero-filled buffer
constexpr size_t kBlock = kVellCryptBlockSize;
static_assert(kBlock + kPlainSize + kBlock == kKdxPasswordValueSize);
// The leading blocks plus the padding block, the most a 128-byte value can give.
constexpr size_t kDecryptedCapacity = kKdxPasswordValueSize - kBlock;

using Field = std::array<char, kKdxPasswordFieldSize>;

bool IsAsciiAlnum(unsigned char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool AllAsciiAlnum(std::string_view s) {
  return std::all_of(s.begin(), s.end(),
                     [](char c) { return IsAsciiAlnum(static_cast<unsigned char>(c)); });
}

// Bytes taken by the first maxChars characters of s. A byte that does not
// start a complete sequence counts as a character of its own, so a cut here
// never splits a well-formed character.
size_t CharPrefixLength(std::string_view s, size_t maxChars) {
  size_t i = 0;
  for (size_t chars = 0; chars < maxChars && i < s.size(); ++chars) {
    auto lead = static_cast<unsigned char>(s[i]);
    size_t want = lead >= 0xC2 && lead <= 0xDF   ? 2
                  : lead >= 0xE0 && lead <= 0xEF ? 3
                  : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                 : 1;
    size_t len = want;
    if (i + want > s.size()) len = 1;
    for (size_t k = 1; k < len; ++k) {
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) len = 1;
    }
    i += len;
  }
  return i;
}

// What the 64-byte text field keeps of the typed text: its first 21
// characters, within 63 bytes, zero-filled behind. Returns the text length.
size_t FieldText(const char* typedUtf8, Field& field) {
  field.fill('\0');
  std::string_view typed = typedUtf8 != nullptr ? typedUtf8 : "";
  typed = typed.substr(0, CharPrefixLength(typed, kKdxPasswordMaxChars));
  return Vell_Utf8CopyCut(field.data(), field.size(), typed);
}

}  // namespace

int32_t KDX_EncryptPasswordValue(const char* password, uint8_t value[128]) {
  if (value == nullptr) return kVellCryptBadLength;
  std::string_view text = password != nullptr ? password : "";
  if (text.size() > kKdxPasswordMaxChars || !AllAsciiAlnum(text)) return kKdxPasswordRefused;
  std::array<uint8_t, kKdxPasswordValueSize> plain{};
  std::memcpy(plain.data(), text.data(), text.size());
  // Enciphered into a copy so that a failure leaves the old value whole.
  std::array<uint8_t, kKdxPasswordValueSize> sealed{};
  int32_t written = Vell_Encrypt(plain.data(), static_cast<int32_t>(kPlainSize), kKdxProgramKeyHex,
                                 sealed.data());
  OPENSSL_cleanse(plain.data(), plain.size());
  if (written < 0) return written;
  std::memcpy(value, sealed.data(), sealed.size());
  return 0;
}

int32_t KDX_DecryptPasswordValue(const uint8_t value[128], char* dst, size_t dstSize) {
  if (dst == nullptr || dstSize == 0) return kVellCryptBadLength;
  dst[0] = '\0';
  if (value == nullptr) return kVellCryptBadLength;
  std::array<uint8_t, kDecryptedCapacity> plain{};
  int32_t result = Vell_DecryptBounded(value, static_cast<int32_t>(kKdxPasswordValueSize),
                                       kKdxProgramKeyHex, plain.data(), plain.size());
  size_t available;
  if (result >= 0) {
    available = static_cast<size_t>(result);
  } else if (result == kVellCryptBadLength) {
    available = kPlainSize;  // only the padding failed: the leading blocks are there
  } else {
    return result;
  }
  std::string_view text(reinterpret_cast<const char*>(plain.data()),
                        std::min(available, kKdxPasswordMaxChars + 1));
  size_t nul = text.find('\0');
  int32_t outcome = kKdxPasswordDamaged;
  if (nul != std::string_view::npos && AllAsciiAlnum(text.substr(0, nul))) {
    size_t copied = std::min(nul, dstSize - 1);
    std::memcpy(dst, text.data(), copied);
    dst[copied] = '\0';
    outcome = static_cast<int32_t>(copied);
  }
  OPENSSL_cleanse(plain.data(), plain.size());
  return outcome;
}

int32_t KDX_CheckPasswordRules(const char* typedUtf8, char* accepted, size_t acceptedSize) {
  Field field;
  size_t length = FieldText(typedUtf8, field);
  std::string_view text(field.data(), length);
  Vell_Utf8CopyCut(accepted, acceptedSize, text);
  int32_t ok = AllAsciiAlnum(text) ? 1 : 0;
  OPENSSL_cleanse(field.data(), field.size());
  return ok;
}

bool KDX_PasswordMatches(const char* typedUtf8, const char* stored) {
  Field typed;
  size_t typedLength = FieldText(typedUtf8, typed);
  Field kept{};
  // A stored text of 64 bytes or more without a NUL cannot come from a field;
  // its length alone makes it differ.
  size_t storedLength = stored != nullptr ? strnlen(stored, kept.size()) : 0;
  if (storedLength > 0) std::memcpy(kept.data(), stored, std::min(storedLength, kept.size() - 1));
  bool equal =
      CRYPTO_memcmp(typed.data(), kept.data(), kept.size()) == 0 && typedLength == storedLength;
  OPENSSL_cleanse(typed.data(), typed.size());
  OPENSSL_cleanse(kept.data(), kept.size());
  return equal;
}
