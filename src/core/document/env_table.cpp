#include "core/document/env_table.h"

#include <cstdio>
#include <cstring>
#include <limits>
#include <string_view>

#include "core/document/id_counter.h"
#include "core/document/record_layout.h"
#include "core/document/record_table.h"
#include "core/util/vell_system.h"
#include "core/util/vell_time.h"
#include "core/util/vell_utf8.h"

using kdx_table::EnvironmentTable;

namespace {

constexpr size_t kKeywordSize = sizeof(KDX_ENVIRONMENT{}.ev_keyword);

void TextToValue(const char* text, uint8_t (&value)[128]) {
  std::memset(value, 0, sizeof value);
  Vell_Utf8CopyCut(reinterpret_cast<char*>(value), sizeof value, text != nullptr ? text : "");
}

[[nodiscard]] int32_t SetValueIfAbsent(VELL_ARY* envAry, VELL_ARY* idCounterAry,
                                       const char* keyword, const char* text) {
  if (EV_FindIndex_byKeyword(envAry, keyword) >= 0) return 0;
  return EV_SetTextValue(envAry, idCounterAry, keyword, text);
}

}  // namespace

int32_t EV_FindIndex_byKeyword(const VELL_ARY* envAry, const char* keyword) {
  if (keyword == nullptr) return -1;
  return EnvironmentTable::Find(envAry, [keyword](const KDX_ENVIRONMENT& e) {
    return std::strcmp(e.ev_keyword, keyword) == 0;
  });
}

int32_t EV_GetValue(const VELL_ARY* envAry, const char* keyword, uint8_t value[128]) {
  KDX_ENVIRONMENT e;
  if (!EnvironmentTable::At(envAry, EV_FindIndex_byKeyword(envAry, keyword), &e)) return 0;
  std::memcpy(value, e.ev_value, sizeof e.ev_value);
  return 1;
}

int32_t EV_GetTextValue(const VELL_ARY* envAry, const char* keyword, char* dst, size_t dstSize) {
  uint8_t value[kKdxEnvValueSize];
  if (EV_GetValue(envAry, keyword, value) == 0) return 0;
  // The value need not hold a NUL: bound the text by the field.
  const void* nul = std::memchr(value, 0, sizeof value);
  const size_t length = nul != nullptr ? static_cast<const uint8_t*>(nul) - value : sizeof value;
  Vell_Utf8CopyCut(dst, dstSize, std::string_view(reinterpret_cast<const char*>(value), length));
  return 1;
}

int32_t EV_GetIntValue(const VELL_ARY* envAry, const char* keyword, int32_t* value) {
  char text[kKdxEnvValueSize + 1];
  if (EV_GetTextValue(envAry, keyword, text, sizeof text) == 0) return 0;
  // Leading blanks, a sign, then digits up to the first other character.
  const char* p = text;
  while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == '\f' || *p == '\v') ++p;
  const bool negative = *p == '-';
  if (*p == '-' || *p == '+') ++p;
  int64_t n = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    n = n * 10 + (*p - '0');
    if (n > int64_t{std::numeric_limits<int32_t>::max()} + 1) break;
  }
  if (negative) n = -n;
  if (n > std::numeric_limits<int32_t>::max()) n = std::numeric_limits<int32_t>::max();
  if (n < std::numeric_limits<int32_t>::min()) n = std::numeric_limits<int32_t>::min();
  *value = static_cast<int32_t>(n);
  return 1;
}

int32_t EV_SetValue(VELL_ARY* envAry, VELL_ARY* idCounterAry, const char* keyword,
                    const uint8_t value[128]) {
  // A cut keyword would name another setting.
  if (keyword == nullptr || std::strlen(keyword) >= kKeywordSize) return kKdxFailed;
  KDX_ENVIRONMENT e;
  const int32_t index = EV_FindIndex_byKeyword(envAry, keyword);
  if (EnvironmentTable::At(envAry, index, &e)) {
    std::memcpy(e.ev_value, value, sizeof e.ev_value);
    kdx_layout::SetNow(e.ev_update_date);
    EnvironmentTable::Put(envAry, index, e);
    return 0;
  }
  e.ev_id = IC_GetID_FromCounter(idCounterAry, kKdxTagENVI, "ev_id");
  if (e.ev_id < 0) return kKdxFailed;
  kdx_layout::SetCreatedNow(e.ev_create_date, e.ev_update_date);
  std::memcpy(e.ev_keyword, keyword, std::strlen(keyword));
  std::memcpy(e.ev_value, value, sizeof e.ev_value);
  return EV_AddData(envAry, e);
}

int32_t EV_SetTextValue(VELL_ARY* envAry, VELL_ARY* idCounterAry, const char* keyword,
                        const char* text) {
  uint8_t value[kKdxEnvValueSize];
  TextToValue(text, value);
  return EV_SetValue(envAry, idCounterAry, keyword, value);
}

int32_t EV_SetIntValue(VELL_ARY* envAry, VELL_ARY* idCounterAry, const char* keyword,
                       int32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%d", value);
  return EV_SetTextValue(envAry, idCounterAry, keyword, text);
}

int32_t EV_AddData(VELL_ARY* envAry, const KDX_ENVIRONMENT& env) {
  return EnvironmentTable::Add(envAry, env);
}

void EV_GetData_ByIndex(const VELL_ARY* envAry, int32_t index, KDX_ENVIRONMENT* env) {
  EnvironmentTable::At(envAry, index, env);
}

void EV_SetData_ByIndex(VELL_ARY* envAry, int32_t index, const KDX_ENVIRONMENT& env) {
  EnvironmentTable::Put(envAry, index, env);
}

int32_t EV_SetFileInfo(VELL_ARY* envAry, VELL_ARY* idCounterAry) {
  char now[kVellDateCharsSize];
  Vell_GetCurrentTimeAsString(now, sizeof now);
  char os[kVellOSVersionSize];
  Vell_GetOSVersionString(os, sizeof os);

  int32_t failures = 0;
  failures += SetValueIfAbsent(envAry, idCounterAry, "create_app_version", kKdxStoredAppVersion);
  failures += SetValueIfAbsent(envAry, idCounterAry, "create_file_date", now);
  failures += SetValueIfAbsent(envAry, idCounterAry, "create_os", os);
  failures += EV_SetTextValue(envAry, idCounterAry, "update_app_version", kKdxStoredAppVersion);
  failures += EV_SetTextValue(envAry, idCounterAry, "update_file_date", now);
  failures += EV_SetTextValue(envAry, idCounterAry, "update_os", os);
  failures += EV_SetTextValue(envAry, idCounterAry, "kdx_file_version", kKdxFileFormatVersion);
  return failures == 0 ? 0 : kKdxFailed;
}

int32_t EV_GetFileInfo(const VELL_ARY* envAry, KDX_FILE_INFO* info) {
  struct Item {
    const char* keyword;
    char* dst;
  };
  const Item items[] = {{"kdx_file_version", info->kdxFileVersion},
                        {"create_file_date", info->createFileDate},
                        {"create_app_version", info->createAppVersion},
                        {"create_os", info->createOS},
                        {"update_file_date", info->updateFileDate},
                        {"update_app_version", info->updateAppVersion},
                        {"update_os", info->updateOS}};
  for (const Item& item : items)
    if (EV_GetTextValue(envAry, item.keyword, item.dst, kKdxEnvValueSize) == 0) return 0;
  return 1;
}
