// The results the content layer adds, in one place: entries' content saved,
// loaded and switched between plain and encrypted form, new entries, and the
// document password. Its operations also pass on the document layer's codes
// (kdx_status.h) and the container's unchanged.
#pragma once

#include <cstdint>

#include "core/document/kdx_status.h"

// Enciphering or deciphering failed.
inline constexpr int32_t kKdxEncryptFailed = -1004;

// KDX_SetEncrypt/KDX_SetDecrypt: the entry is already in the form asked for;
// nothing was done.
inline constexpr int32_t kKdxSwitchNotNeeded = -1;
// KDX_SetEncrypt/KDX_SetDecrypt: a block conversion or the save of the entry
// table failed. What had been converted was put back; the entry's flags are
// unchanged in memory and in the file.
inline constexpr int32_t kKdxSwitchFailed = -1010;
// As kKdxSwitchFailed, but putting the blocks back failed too, so blocks and
// flags may disagree (logged with the entry's identifier).
inline constexpr int32_t kKdxSwitchNotUndone = -1011;

// KDX_LoadBOContainer, KDX_LoadTXContainer and KDX_LoadNOContainer, besides
// the data size (0 for an empty block, which makes no buffer). Each is minus
// the step the failure is logged under.
inline constexpr int32_t kKdxLoadMissing = -1;   // the entry has no such block
inline constexpr int32_t kKdxLoadNoMemory = -2;  // the buffer could not be had
inline constexpr int32_t kKdxLoadFailed = -3;    // unreadable, damaged or undecipherable

// What reading a content block from its bytes met (KDX_ReadContentBlock,
// KDX_DecodeContent), valued as the scan readers' steps.
enum class KdxBlockRead : int32_t {
  kOk = 0,
  kShortHead = -1,       // the member is shorter than the head
  kSizeOutside = -3,     // the data size is negative or reaches past the member
  kNoMemory = -6,        // for the deciphered content
  kUndecipherable = -7,  // an encrypted size off the 16 + 16k rule, or the cipher failed
};

// KDX_CreateEntry: the "en_id" counter refuses (exhausted or damaged).
inline constexpr int32_t kKdxNoIdentifierLeft = -1020;

// KDX_DecryptPasswordValue: the value does not decrypt to a password (no NUL
// within 22 bytes, or a byte before it that is not an ASCII letter or digit).
inline constexpr int32_t kKdxPasswordDamaged = -20;
// KDX_EncryptPasswordValue: the password breaks the rules of KDX_CheckPasswordRules.
inline constexpr int32_t kKdxPasswordRefused = -21;
