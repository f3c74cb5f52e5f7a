// Environment values (envAry): keyword -> 128-byte value. Values are handled
// as raw bytes throughout, because "X08" holds ciphertext that may contain
// NULs anywhere; the Text forms are for values known to be text.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/document/kdx_status.h"
#include "core/document/records.h"
#include "core/util/vell_ary.h"

// The program version text written into "create_app_version" and
// "update_app_version": the version the file format belongs to, so that
// programs reading these files see the version they expect.
inline constexpr char kKdxStoredAppVersion[] = "0361138";
inline constexpr char kKdxFileFormatVersion[] = "3";

// The seven file information values, each a NUL-terminated 128-byte text.
struct KDX_FILE_INFO {
  char kdxFileVersion[128];
  char createFileDate[128];
  char createAppVersion[128];
  char createOS[128];
  char updateFileDate[128];
  char updateAppVersion[128];
  char updateOS[128];
};

// Index of the record with the keyword, else -1.
[[nodiscard]] int32_t EV_FindIndex_byKeyword(const VELL_ARY* envAry, const char* keyword);
// 1 and the 128 value bytes, or 0 with value untouched.
[[nodiscard]] int32_t EV_GetValue(const VELL_ARY* envAry, const char* keyword, uint8_t value[128]);
// 1 and the value as text (up to its first NUL, cut to dstSize - 1 bytes at a
// character boundary), or 0 with dst untouched.
[[nodiscard]] int32_t EV_GetTextValue(const VELL_ARY* envAry, const char* keyword, char* dst,
                                      size_t dstSize);
// 1 and the leading decimal integer of the value ("12abc" gives 12, no digits
// give 0, out-of-range values are clamped), or 0 when absent.
[[nodiscard]] int32_t EV_GetIntValue(const VELL_ARY* envAry, const char* keyword, int32_t* value);
// Appends (new "ev_id", both dates now) or replaces the 128 value bytes and
// the update date. 0, or kKdxFailed when the keyword does not fit its 64-byte field or
// the record cannot be stored.
[[nodiscard]] int32_t EV_SetValue(VELL_ARY* envAry, VELL_ARY* idCounterAry, const char* keyword,
                                  const uint8_t value[128]);
// As EV_SetValue with text, cut to 127 bytes at a character boundary and
// zero-filled.
[[nodiscard]] int32_t EV_SetTextValue(VELL_ARY* envAry, VELL_ARY* idCounterAry, const char* keyword,
                                      const char* text);
[[nodiscard]] int32_t EV_SetIntValue(VELL_ARY* envAry, VELL_ARY* idCounterAry, const char* keyword,
                                     int32_t value);
[[nodiscard]] int32_t EV_AddData(VELL_ARY* envAry, const KDX_ENVIRONMENT& env);
// All zero for a bad index.
void EV_GetData_ByIndex(const VELL_ARY* envAry, int32_t index, KDX_ENVIRONMENT* env);
void EV_SetData_ByIndex(VELL_ARY* envAry, int32_t index, const KDX_ENVIRONMENT& env);
// Stamps the file information before a save: the create values only when
// absent, the update values and the format version always. 0, or kKdxFailed.
[[nodiscard]] int32_t EV_SetFileInfo(VELL_ARY* envAry, VELL_ARY* idCounterAry);
// 1 and the seven values, or 0 as soon as one is missing.
[[nodiscard]] int32_t EV_GetFileInfo(const VELL_ARY* envAry, KDX_FILE_INFO* info);
