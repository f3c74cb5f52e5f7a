// AES-128-CBC through OpenSSL's EVP interface with the library's own padding
// turned off: the PKCS#7 block is built and checked here, so that a value
// whose last block is damaged still yields every block before it.

#include "core/util/vell_crypto.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <array>
#include <climits>
#include <cstring>
#include <memory>

#include "core/util/vell_log.h"

namespace {

constexpr int32_t kBlock = kVellCryptBlockSize;
using Block = std::array<uint8_t, kBlock>;

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Exactly 32 hex digits. Stops at the first bad character (the NUL of a short
// text included), so it never reads past the end of the text.
[[nodiscard]] bool ParseKey(const char* keyHex, Block& key) {
  if (keyHex == nullptr) return false;
  for (int i = 0; i < 2 * kBlock; i += 2) {
    int high = HexValue(keyHex[i]);
    if (high < 0) return false;
    int low = HexValue(keyHex[i + 1]);
    if (low < 0) return false;
    key[static_cast<size_t>(i / 2)] = static_cast<uint8_t>(high << 4 | low);
  }
  return keyHex[2 * kBlock] == '\0';
}

struct CipherCtxDeleter {
  void operator()(EVP_CIPHER_CTX* ctx) const { EVP_CIPHER_CTX_free(ctx); }
};

// One context per thread, reused: titles and passwords are short, and making a
// context per call would cost more than enciphering them.
EVP_CIPHER_CTX* ThreadContext() {
  thread_local std::unique_ptr<EVP_CIPHER_CTX, CipherCtxDeleter> ctx(EVP_CIPHER_CTX_new());
  return ctx.get();
}

// Fetched once; EVP_aes_128_cbc() would look the implementation up again on
// every initialisation.
const EVP_CIPHER* Aes128Cbc() {
  static const EVP_CIPHER* cipher = [] {
    const EVP_CIPHER* fetched = EVP_CIPHER_fetch(nullptr, "AES-128-CBC", nullptr);
    return fetched != nullptr ? fetched : EVP_aes_128_cbc();
  }();
  return cipher;
}

// A context that already holds the cipher keeps its provider state; only the
// key and IV are set again, which for short values is most of the cost.
[[nodiscard]] bool InitCipher(EVP_CIPHER_CTX* ctx, const Block& key, const uint8_t* iv,
                              int encrypt) {
  if (ctx == nullptr) return false;
  const EVP_CIPHER* cipher = EVP_CIPHER_CTX_get0_cipher(ctx) == nullptr ? Aes128Cbc() : nullptr;
  return EVP_CipherInit_ex(ctx, cipher, nullptr, key.data(), iv, encrypt) == 1 &&
         EVP_CIPHER_CTX_set_padding(ctx, 0) == 1;
}

// A new IV for a context set up by InitCipher, keeping its key and direction.
[[nodiscard]] bool ResetIV(EVP_CIPHER_CTX* ctx, const uint8_t* iv) {
  return EVP_CipherInit_ex(ctx, nullptr, nullptr, nullptr, iv, -1) == 1 &&
         EVP_CIPHER_CTX_set_padding(ctx, 0) == 1;
}

// Whole blocks only; without padding the output is exactly as long as the input.
[[nodiscard]] bool CipherBlocks(EVP_CIPHER_CTX* ctx, const uint8_t* in, int32_t length,
                                uint8_t* out) {
  if (length == 0) return true;
  int written = 0;
  return EVP_CipherUpdate(ctx, out, &written, in, length) == 1 && written == length;
}

bool ValidPlainArgs(const uint8_t* plain, int32_t length, const uint8_t* out) {
  return length >= 0 && out != nullptr && (plain != nullptr || length == 0) &&
         Vell_GetEncryptedDataLength(length) > 0;
}

[[nodiscard]] int32_t EncryptWithIV(const uint8_t* plain, int32_t length, const Block& key,
                                    const uint8_t* iv, uint8_t* out) {
  std::memcpy(out, iv, kBlock);
  if (length == 0) return kBlock;
  int32_t whole = length - length % kBlock;
  int32_t rest = length - whole;
  Block last;
  std::memcpy(last.data(), plain + whole, static_cast<size_t>(rest));
  std::memset(last.data() + rest, kBlock - rest, static_cast<size_t>(kBlock - rest));
  EVP_CIPHER_CTX* ctx = ThreadContext();
  bool ok = InitCipher(ctx, key, iv, 1) && CipherBlocks(ctx, plain, whole, out + kBlock) &&
            CipherBlocks(ctx, last.data(), kBlock, out + kBlock + whole);
  OPENSSL_cleanse(last.data(), last.size());
  if (!ok) {
    Vell_SystemErrorLog("[%d] Vell_Encrypt\r\n", kVellCryptBadIV);
    return kVellCryptBadIV;
  }
  return kBlock + whole + kBlock;
}

// The last block is deciphered first (its IV is the block before it), so the
// plaintext length is known before anything is written to out.
[[nodiscard]] int32_t DecryptInto(const uint8_t* data, int32_t length, const char* keyHex,
                                  uint8_t* out, size_t outCapacity) {
  if (data == nullptr || length < kBlock || (length - kBlock) % kBlock != 0) {
    return kVellCryptBadLength;
  }
  Block key;
  if (!ParseKey(keyHex, key)) return kVellCryptBadKey;
  int32_t cipherLength = length - kBlock;
  if (cipherLength == 0) return 0;
  if (out == nullptr) return kVellCryptBadLength;

  EVP_CIPHER_CTX* ctx = ThreadContext();
  Block tail;
  if (!InitCipher(ctx, key, data + length - 2 * kBlock, 0) ||
      !CipherBlocks(ctx, data + length - kBlock, kBlock, tail.data())) {
    Vell_SystemErrorLog("[%d] Vell_Decrypt\r\n", kVellCryptBadIV);
    return kVellCryptBadIV;
  }
  int32_t pad = tail[kBlock - 1];
  bool padOk = pad >= 1 && pad <= kBlock;
  for (int32_t i = kBlock - pad; padOk && i < kBlock; ++i)
    padOk = tail[static_cast<size_t>(i)] == pad;

  int32_t leading = cipherLength - kBlock;
  int32_t plainLength = padOk ? cipherLength - pad : leading;
  if (static_cast<size_t>(plainLength) > outCapacity) {
    OPENSSL_cleanse(tail.data(), tail.size());
    return kVellCryptOutputTooSmall;
  }
  if (leading > 0 && (!ResetIV(ctx, data) || !CipherBlocks(ctx, data + kBlock, leading, out))) {
    OPENSSL_cleanse(tail.data(), tail.size());
    Vell_SystemErrorLog("[%d] Vell_Decrypt\r\n", kVellCryptBadIV);
    return kVellCryptBadIV;
  }
  if (padOk) std::memcpy(out + leading, tail.data(), static_cast<size_t>(kBlock - pad));
  OPENSSL_cleanse(tail.data(), tail.size());
  return padOk ? plainLength : kVellCryptBadLength;
}

}  // namespace

int32_t Vell_GetEncryptedDataLength(int32_t n) {
  if (n < 0) return kVellCryptBadLength;
  int64_t total = static_cast<int64_t>(n) - n % kBlock + 2 * kBlock;
  return total > INT32_MAX ? kVellCryptBadLength : static_cast<int32_t>(total);
}

int32_t Vell_Encrypt(const uint8_t* plain, int32_t length, const char* keyHex, uint8_t* out) {
  Block key;
  if (!ParseKey(keyHex, key)) return kVellCryptBadKey;
  if (!ValidPlainArgs(plain, length, out)) return kVellCryptBadLength;
  Block iv;
  if (RAND_bytes(iv.data(), kBlock) != 1) {
    Vell_SystemErrorLog("[%d] Vell_Encrypt\r\n", kVellCryptBadIV);
    return kVellCryptBadIV;
  }
  return EncryptWithIV(plain, length, key, iv.data(), out);
}

int32_t Vell_EncryptWithIVForTesting(const uint8_t* plain, int32_t length, const char* keyHex,
                                     const uint8_t iv[16], uint8_t* out) {
  Block key;
  if (!ParseKey(keyHex, key)) return kVellCryptBadKey;
  if (!ValidPlainArgs(plain, length, out)) return kVellCryptBadLength;
  if (iv == nullptr) return kVellCryptBadIV;
  return EncryptWithIV(plain, length, key, iv, out);
}

int32_t Vell_Decrypt(const uint8_t* data, int32_t length, const char* keyHex, uint8_t* out) {
  size_t capacity = length > kBlock ? static_cast<size_t>(length - kBlock) : 0;
  return DecryptInto(data, length, keyHex, out, capacity);
}

int32_t Vell_DecryptBounded(const uint8_t* data, int32_t length, const char* keyHex, uint8_t* out,
                            size_t outCapacity) {
  return DecryptInto(data, length, keyHex, out, outCapacity);
}

int32_t Vell_DecryptBlocks(const uint8_t* data, int32_t length, const char* keyHex, uint8_t* out) {
  if (data == nullptr || length < kBlock || (length - kBlock) % kBlock != 0) {
    return kVellCryptBadLength;
  }
  Block key;
  if (!ParseKey(keyHex, key)) return kVellCryptBadKey;
  const int32_t cipherLength = length - kBlock;
  if (cipherLength == 0) return 0;
  if (out == nullptr) return kVellCryptBadLength;
  EVP_CIPHER_CTX* ctx = ThreadContext();
  if (!InitCipher(ctx, key, data, 0) || !CipherBlocks(ctx, data + kBlock, cipherLength, out)) {
    Vell_SystemErrorLog("[%d] Vell_DecryptBlocks\r\n", kVellCryptBadIV);
    return kVellCryptBadIV;
  }
  return cipherLength;
}

bool Vell_Sha256(const void* data, size_t size, uint8_t out[kVellSha256Size]) {
  unsigned int length = 0;
  return EVP_Digest(data, size, out, &length, EVP_sha256(), nullptr) == 1 &&
         length == kVellSha256Size;
}
