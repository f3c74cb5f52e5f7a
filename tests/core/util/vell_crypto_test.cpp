#include "core/util/vell_crypto.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes FromHex(const std::string& hex) {
  Bytes out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    out.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  }
  return out;
}

Bytes Cat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// NIST SP 800-38A, F.2.1 CBC-AES128.Encrypt.
const char* const kNistKey = "2b7e151628aed2a6abf7158809cf4f3c";
const Bytes kNistIV = FromHex("000102030405060708090a0b0c0d0e0f");
const Bytes kNistPlain = FromHex(
    "6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51"
    "30c81c46a35ce411e5fbc1191a0a52eff69f2445df4f9b17ad2b417be66c3710");
const Bytes kNistCipher = FromHex(
    "7649abac8119b246cee98e9b12e9197d5086cb9b507219ee95db113a917678b2"
    "73bed6b8e3c1743b7116e69e222295163ff1caa1681fac09120eca307586e1a7");
// The PKCS#7 block (16 x 0x10) that follows the vector, produced with
// `openssl enc -aes-128-cbc -K <key> -iv <iv>` on the four plaintext blocks;
// its first four output blocks equal the NIST ciphertext.
const Bytes kNistPadBlock = FromHex("8cb82807230e1321d3fae00d18cc2012");

constexpr uint8_t kUntouched = 0xA5;

Bytes Encrypt(const Bytes& plain) {
  int32_t n = static_cast<int32_t>(plain.size());
  Bytes out(static_cast<size_t>(Vell_GetEncryptedDataLength(n)), kUntouched);
  int32_t written = Vell_Encrypt(plain.data(), n, kKdxProgramKeyHex, out.data());
  EXPECT_GE(written, 16);
  out.resize(static_cast<size_t>(written));
  return out;
}

// data (IV then ciphertext) whose last block deciphers to lastBlock.
Bytes WithLastBlock(const Bytes& lastBlock) {
  Bytes out(48);
  EXPECT_EQ(
      Vell_EncryptWithIVForTesting(lastBlock.data(), 16, kNistKey, kNistIV.data(), out.data()), 48);
  out.resize(32);
  return out;
}

TEST(VellCrypt, EncryptedDataLength) {
  const int32_t bad = kVellCryptBadLength;
  const std::pair<int32_t, int32_t> cases[] = {
      {0, 32}, {15, 32}, {16, 48}, {2147483615, 2147483632}, {2147483616, bad}, {-1, bad}};
  for (auto [n, length] : cases) EXPECT_EQ(Vell_GetEncryptedDataLength(n), length) << n;
}

TEST(VellCrypt, NistVectorDecryptsAndEncrypts) {
  Bytes data = Cat(Cat(kNistIV, kNistCipher), kNistPadBlock);
  for (const char* key : {kNistKey, "2B7E151628AED2A6ABF7158809CF4F3C"}) {
    Bytes out(data.size() - 16, kUntouched);
    ASSERT_EQ(Vell_Decrypt(data.data(), static_cast<int32_t>(data.size()), key, out.data()), 64);
    EXPECT_EQ(Bytes(out.begin(), out.begin() + 64), kNistPlain);
    EXPECT_EQ(Bytes(out.begin() + 64, out.end()), Bytes(16, kUntouched));
  }
  Bytes sealed(96, kUntouched);
  ASSERT_EQ(
      Vell_EncryptWithIVForTesting(kNistPlain.data(), 64, kNistKey, kNistIV.data(), sealed.data()),
      96);
  EXPECT_EQ(sealed, data);
}

TEST(VellCrypt, RoundTripsKeepLengthAndBytesUnderAFreshIV) {
  for (int32_t n : {0, 1, 15, 16, 17, 31, 32, 480}) {
    Bytes plain(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) plain[static_cast<size_t>(i)] = static_cast<uint8_t>(i * 7);
    Bytes sealed = Encrypt(plain);
    EXPECT_EQ(static_cast<int32_t>(sealed.size()), n == 0 ? 16 : Vell_GetEncryptedDataLength(n));
    // Empty plaintext: only the IV is written, and 16 bytes decrypt to nothing.
    Bytes out(std::max<size_t>(sealed.size() - 16, 1), kUntouched);
    int32_t got = Vell_Decrypt(sealed.data(), static_cast<int32_t>(sealed.size()),
                               kKdxProgramKeyHex, out.data());
    ASSERT_EQ(got, n);
    if (n == 0) {
      EXPECT_EQ(out[0], kUntouched);
    }
    out.resize(static_cast<size_t>(n));
    EXPECT_EQ(out, plain) << n;
    // Every encryption draws a fresh IV; the round trip shows that it is used.
    Bytes again = Encrypt(plain);
    EXPECT_NE(Bytes(again.begin(), again.begin() + 16), Bytes(sealed.begin(), sealed.begin() + 16));
  }
}

TEST(VellCrypt, BadLengthsWriteNothing) {
  Bytes data(64, 1);
  for (int32_t length : {-16, 0, 1, 15, 17, 31, 33, 47, 63}) {
    Bytes out(64, kUntouched);
    EXPECT_EQ(Vell_Decrypt(data.data(), length, kKdxProgramKeyHex, out.data()), kVellCryptBadLength)
        << length;
    EXPECT_EQ(out, Bytes(64, kUntouched)) << length;
  }
  Bytes out(64);
  EXPECT_EQ(Vell_Encrypt(data.data(), -1, kKdxProgramKeyHex, out.data()), kVellCryptBadLength);
  EXPECT_EQ(Vell_Encrypt(nullptr, 5, kKdxProgramKeyHex, out.data()), kVellCryptBadLength);
}

TEST(VellCrypt, PaddingIsCheckedExactly) {
  struct Case {
    std::string lastBlock;
    int32_t expected;
  };
  const Case cases[] = {
      {"00112233445566778899aabbccddee01", 15},
      {"00112233445566778899aabbcc030303", 13},
      {"10101010101010101010101010101010", 0},
      {"00112233445566778899aabbcc020303", kVellCryptBadLength},
      {"00112233445566778899aabbccddee00", kVellCryptBadLength},
      {"00112233445566778899aabbccddee11", kVellCryptBadLength},
      {"0f101010101010101010101010101010", kVellCryptBadLength},
  };
  for (const Case& c : cases) {
    Bytes block = FromHex(c.lastBlock);
    Bytes data = WithLastBlock(block);
    Bytes out(16, kUntouched);
    int32_t got = Vell_Decrypt(data.data(), 32, kNistKey, out.data());
    EXPECT_EQ(got, c.expected) << c.lastBlock;
    if (got >= 0) {
      EXPECT_EQ(Bytes(out.begin(), out.begin() + got), Bytes(block.begin(), block.begin() + got));
      EXPECT_EQ(Bytes(out.begin() + got, out.end()),
                Bytes(16 - static_cast<size_t>(got), kUntouched));
    } else {
      EXPECT_EQ(out, Bytes(16, kUntouched)) << "padding bytes leaked into out";
    }
  }
}

TEST(VellCrypt, BoundedDecryptNeverExceedsCapacity) {
  Bytes data = Cat(Cat(kNistIV, kNistCipher), kNistPadBlock);
  Bytes out(80, kUntouched);
  EXPECT_EQ(Vell_DecryptBounded(data.data(), 96, kNistKey, out.data(), 63),
            kVellCryptOutputTooSmall);
  EXPECT_EQ(out, Bytes(80, kUntouched));
  EXPECT_EQ(Vell_DecryptBounded(data.data(), 96, kNistKey, out.data(), 64), 64);
  // Without its padding block the vector's last block ends in 0x10 but is not
  // sixteen of them: every block but the last is still written, so the room
  // needed is that of the leading blocks.
  Bytes unpadded = Cat(kNistIV, kNistCipher);
  out.assign(64, kUntouched);
  EXPECT_EQ(Vell_DecryptBounded(unpadded.data(), 80, kNistKey, out.data(), 47),
            kVellCryptOutputTooSmall);
  EXPECT_EQ(Vell_DecryptBounded(unpadded.data(), 80, kNistKey, out.data(), 48),
            kVellCryptBadLength);
  EXPECT_EQ(Bytes(out.begin(), out.begin() + 48),
            Bytes(kNistPlain.begin(), kNistPlain.begin() + 48));
  EXPECT_EQ(Bytes(out.begin() + 48, out.end()), Bytes(16, kUntouched));
}

TEST(VellCrypt, KeyTextMustBeExactly32HexDigits) {
  Bytes plain(20, 'p');
  Bytes out(64, kUntouched);
  Bytes data = Cat(Cat(kNistIV, kNistCipher), kNistPadBlock);
  for (const char* bad : {static_cast<const char*>(nullptr), "", "2b7e151628aed2a6abf7158809cf4f3",
                          "2b7e151628aed2a6abf7158809cf4f3c0", "2b7e151628aed2a6abf7158809cf4f3g",
                          " 2b7e151628aed2a6abf7158809cf4f3", "0x7e151628aed2a6abf7158809cf4f3c"}) {
    EXPECT_EQ(Vell_Encrypt(plain.data(), 20, bad, out.data()), kVellCryptBadKey);
    EXPECT_EQ(Vell_Decrypt(data.data(), 96, bad, out.data()), kVellCryptBadKey);
    EXPECT_EQ(Vell_Decrypt(data.data(), 16, bad, out.data()), kVellCryptBadKey);
  }
  EXPECT_EQ(out, Bytes(64, kUntouched));
}

}  // namespace
