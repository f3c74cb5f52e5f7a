// The document password: how it is stored in the environment value "X08", the
// rules a new password must meet, and the comparison at opening. The password
// only gates the user interface; the data is enciphered under the program key
// whatever the password is. The dialogs call these functions and hold no
// decisions of their own.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/content/content_status.h"  // kKdxPassword*

inline constexpr char kKdxNewPasswordPrompt[] = "新しいパスワードを入力してください。";
inline constexpr char kKdxWrongPasswordMessage[] =
    "パスワードが正しくありません。もう一度やり直してください。";
inline constexpr char kKdxPasswordRuleAlert[] =
    "英数字( AからZ, aからz, 0から9 )以外の文字は設定できません。";

inline constexpr size_t kKdxPasswordValueSize = 128;  // the "X08" value, raw bytes
inline constexpr size_t kKdxPasswordFieldSize = 64;   // the text-field buffer
inline constexpr size_t kKdxPasswordMaxChars = 21;    // characters kept of what is typed

// Fills value with the stored form of password: a zero-filled buffer holding
// the password, its first 96 bytes enciphered under the program key, exactly
// 128 bytes. An empty (or null) password stores "no password". Returns 0, or a
// negative result of the cipher or kKdxPasswordRefused with value untouched.
[[nodiscard]] int32_t KDX_EncryptPasswordValue(const char* password, uint8_t value[128]);

// Reads a stored value back into dst (dstSize bytes, at most 63 of them text).
// Returns the password's length, 0 when the value holds no password, or a
// negative code with dst empty: kKdxPasswordDamaged, or a cipher failure. A
// value whose last block is damaged still gives the password the blocks
// before it hold.
[[nodiscard]] int32_t KDX_DecryptPasswordValue(const uint8_t value[128], char* dst, size_t dstSize);

// The check a password dialog makes on OK. accepted gets the text as the field
// keeps it: its first 21 characters (cut at code points) within 63 bytes.
// Returns 1 when that text is empty or all ASCII letters and digits, else 0
// (the dialog then shows kKdxPasswordRuleAlert and stays open).
[[nodiscard]] int32_t KDX_CheckPasswordRules(const char* typedUtf8, char* accepted,
                                             size_t acceptedSize);

// True when the typed text, kept as the field keeps it, equals the stored
// password byte for byte (case matters). The comparison time does not depend
// on where the two differ.
[[nodiscard]] bool KDX_PasswordMatches(const char* typedUtf8, const char* stored);
