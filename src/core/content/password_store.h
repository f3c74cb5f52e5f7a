// The document password in the environment table ("X08").
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/content/content_status.h"  // kKdxPasswordDamaged

struct VELL_ARY;

inline constexpr char kKdxPasswordKeyword[] = "X08";

// Fills dst (at least 64 bytes) with the document's password, or an empty text
// when none is stored. Returns the password's length, 0 for none, or
// kKdxPasswordDamaged (dst empty) when the stored value does not read back as
// a password: the caller decides what a damaged value means.
[[nodiscard]] int32_t KDXCOMM_GetPassword(const VELL_ARY* envAry, char* dst, size_t dstSize);

// Stores password (empty removes the protection) under "X08". The caller saves
// the record tables right after. 0, or a negative code with the old value kept.
[[nodiscard]] int32_t KDXCOMM_SetPassword(VELL_ARY* envAry, VELL_ARY* idCounterAry,
                                          const char* password);
