#include "core/content/password.h"

#include <gtest/gtest.h>
#include <openssl/rand.h>

#include <array>
#include <cstring>
#include <string>

#include "core/util/vell_crypto.h"

namespace {

using Value = std::array<uint8_t, 128>;

const std::string k30Letters = "abcdefghijklmnopqrstuvwxyzABCD";

// The stored form of an arbitrary 96-byte plaintext, as a damaged or foreign
// writer could leave it.
Value SealPlain(const std::string& plain) {
  std::array<uint8_t, 96> buffer{};
  std::memcpy(buffer.data(), plain.data(), std::min(plain.size(), buffer.size()));
  Value value{};
  EXPECT_EQ(Vell_Encrypt(buffer.data(), 96, kKdxProgramKeyHex, value.data()), 128);
  return value;
}

std::string Read(const Value& value, int32_t* result) {
  char dst[64];
  std::memset(dst, 'Z', sizeof dst);
  *result = KDX_DecryptPasswordValue(value.data(), dst, sizeof dst);
  EXPECT_NE(std::memchr(dst, '\0', sizeof dst), nullptr);
  return dst;
}

// What the field keeps (21 characters, cut at whole characters) and whether the
// rules accept it: only ASCII letters and digits, and only what the field holds.
TEST(PasswordRules, FieldKeepsThe21CharactersTheRulesLookAt) {
  std::string emoji, japanese;
  for (int i = 0; i < 30; ++i) emoji += "\xF0\x9F\x98\x80", japanese += "\xE3\x81\x82";
  const struct {
    std::string typed;
    int32_t ok;
    std::string kept;
  } cases[] = {
      {k30Letters, 1, k30Letters.substr(0, 21)},
      {std::string(21, 'a') + " !", 1, std::string(21, 'a')},
      {"", 1, ""},
      {"Az09", 1, "Az09"},
      {"abc def", 0, "abc def"},
      {"abc!", 0, "abc!"},
      {"ａbc", 0, "ａbc"},  // a full-width letter
      {"tab\t", 0, "tab\t"},
      {"\x80", 0, "\x80"},
      {emoji, 0, emoji.substr(0, 60)},
      {japanese, 0, japanese.substr(0, 63)},
  };
  for (const auto& c : cases) {
    char accepted[64];
    EXPECT_EQ(KDX_CheckPasswordRules(c.typed.c_str(), accepted, sizeof accepted), c.ok) << c.typed;
    EXPECT_EQ(std::string(accepted), c.kept);
  }
  char accepted[64] = "x";
  EXPECT_EQ(KDX_CheckPasswordRules(nullptr, accepted, 64), 1);
  EXPECT_STREQ(accepted, "");
}

TEST(PasswordRules, MatchUsesTheSameCutAndIsCaseSensitive) {
  std::string stored = k30Letters.substr(0, 21);
  EXPECT_TRUE(KDX_PasswordMatches(k30Letters.c_str(), stored.c_str()));
  EXPECT_TRUE(KDX_PasswordMatches(stored.c_str(), stored.c_str()));
  EXPECT_FALSE(KDX_PasswordMatches(stored.substr(0, 20).c_str(), stored.c_str()));
  EXPECT_FALSE(KDX_PasswordMatches("abc", "ABC"));
  EXPECT_FALSE(KDX_PasswordMatches("abc", "abcd"));
  EXPECT_TRUE(KDX_PasswordMatches("", ""));
  // A stored text that no field could hold never matches.
  std::string huge(100, 'a');
  EXPECT_FALSE(KDX_PasswordMatches(huge.c_str(), huge.c_str()));
}

TEST(PasswordValue, RoundTripsAndHasTheStoredLayout) {
  for (std::string password : {"Secret21", "a", "abcdefghijklmnopqrstu", ""}) {
    Value value{};
    ASSERT_EQ(KDX_EncryptPasswordValue(password.c_str(), value.data()), 0);
    int32_t result;
    EXPECT_EQ(Read(value, &result), password);
    EXPECT_EQ(result, static_cast<int32_t>(password.size()));
    // 16 IV bytes, then the zero-filled 96-byte buffer and one padding block.
    std::array<uint8_t, 112> plain{};
    ASSERT_EQ(Vell_Decrypt(value.data(), 128, kKdxProgramKeyHex, plain.data()), 96);
    EXPECT_EQ(std::memcmp(plain.data(), password.data(), password.size()), 0);
    for (size_t i = password.size(); i < 96; ++i) ASSERT_EQ(plain[i], 0) << i;
  }
  Value first{}, second{};
  ASSERT_EQ(KDX_EncryptPasswordValue("same", first.data()), 0);
  ASSERT_EQ(KDX_EncryptPasswordValue("same", second.data()), 0);
  EXPECT_NE(first, second);
}

TEST(PasswordValue, RefusesWhatTheRulesRefuse) {
  Value value;
  value.fill(7);
  EXPECT_EQ(KDX_EncryptPasswordValue(std::string(22, 'a').c_str(), value.data()),
            kKdxPasswordRefused);
  EXPECT_EQ(KDX_EncryptPasswordValue("a b", value.data()), kKdxPasswordRefused);
  Value untouched;
  untouched.fill(7);
  EXPECT_EQ(value, untouched);
}

TEST(PasswordValue, DamagedPlaintextIsReportedWithEmptyText) {
  int32_t result;
  for (std::string plain : {std::string(96, 'A'), std::string(22, 'a'), std::string("ab!c"),
                            std::string("ab c"), std::string("\xE3\x81\x82")}) {
    EXPECT_EQ(Read(SealPlain(plain), &result), "") << plain;
    EXPECT_EQ(result, kKdxPasswordDamaged) << plain;
  }
  EXPECT_EQ(Read(SealPlain(std::string(21, 'a')), &result), std::string(21, 'a'));
}

TEST(PasswordValue, DamagedPaddingStillGivesThePassword) {
  Value value{};
  ASSERT_EQ(KDX_EncryptPasswordValue("Door42", value.data()), 0);
  value[127] ^= 0x5A;
  value[120] ^= 0x33;
  int32_t result;
  EXPECT_EQ(Read(value, &result), "Door42");
  EXPECT_EQ(result, 6);
}

TEST(PasswordValue, RandomValuesNeverOverrunTheDestination) {
  for (int round = 0; round < 500; ++round) {
    Value value;
    ASSERT_EQ(RAND_bytes(value.data(), static_cast<int>(value.size())), 1);
    char dst[24];
    std::memset(dst, 'Z', sizeof dst);
    int32_t result = KDX_DecryptPasswordValue(value.data(), dst, 8);
    EXPECT_EQ(std::string(dst + 8, 16), std::string(16, 'Z'));
    size_t length = strnlen(dst, 8);
    ASSERT_LT(length, 8u);
    if (result < 0) {
      EXPECT_EQ(result, kKdxPasswordDamaged);
      EXPECT_EQ(length, 0u);
    } else {
      EXPECT_EQ(static_cast<size_t>(result), length);
    }
  }
  // A small destination gets a cut, never more.
  Value value{};
  ASSERT_EQ(KDX_EncryptPasswordValue("abcdefgh", value.data()), 0);
  char small[6];
  std::memset(small, 'Z', sizeof small);
  EXPECT_EQ(KDX_DecryptPasswordValue(value.data(), small, 4), 3);
  EXPECT_STREQ(small, "abc");
  EXPECT_EQ(small[4], 'Z');
}

}  // namespace
