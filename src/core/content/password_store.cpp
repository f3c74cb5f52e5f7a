#include "core/content/password_store.h"

#include "core/content/password.h"
#include "core/document/env_table.h"
#include "core/util/vell_log.h"

int32_t KDXCOMM_GetPassword(const VELL_ARY* envAry, char* dst, size_t dstSize) {
  if (dst == nullptr || dstSize == 0) return kKdxPasswordDamaged;
  dst[0] = '\0';
  uint8_t value[kKdxPasswordValueSize];
  if (EV_GetValue(envAry, kKdxPasswordKeyword, value) == 0) return 0;
  return KDX_DecryptPasswordValue(value, dst, dstSize);
}

int32_t KDXCOMM_SetPassword(VELL_ARY* envAry, VELL_ARY* idCounterAry, const char* password) {
  uint8_t value[kKdxPasswordValueSize];
  int32_t status = KDX_EncryptPasswordValue(password, value);
  if (status != 0) {
    Vell_SystemErrorLog("[-1] PasswordSetting(%d) \n", status);
    return status;
  }
  if (EV_SetValue(envAry, idCounterAry, kKdxPasswordKeyword, value) != 0) {
    Vell_SystemErrorLog("[-2] PasswordSetting\r\n");
    return kKdxFailed;
  }
  return 0;
}
