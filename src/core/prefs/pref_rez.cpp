#include "core/prefs/pref_rez.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <system_error>

#include "core/container/rez_handle.h"
#include "core/document/blocks.h"
#include "core/document/env_table.h"
#include "core/document/id_counter.h"
#include "core/document/records.h"
#include "core/prefs/pref_file.h"
#include "core/util/vell_ary.h"
#include "core/util/vell_file.h"
#include "core/util/vell_log.h"

namespace {

// Print blocks of the preference container all carry identifier 0.
constexpr int32_t kPrintBlockId = 0;

struct ScopedArrays {
  PREF_REZ_ARRAYS arrays{};
  bool ok = PREF_InitREZ(&arrays) == 1;
  ~ScopedArrays() { PREF_FreeREZ(&arrays); }
};

// A table may be absent (CLAL until the search window saves it); anything else
// that stops the load is damage.
[[nodiscard]] bool LoadTable(REZ_FILE* file, uint32_t tag, VELL_ARY* ary) {
  const int32_t status = REZ_ARY_Load(file, tag, ary->recordSize, ary);
  return status == 0 || status == REZ_ARY_ABSENT;
}

// Renames an existing container to the first free "Preference.rez[-N].bak".
[[nodiscard]] bool MoveAside(const std::string& path) {
  std::error_code ec;
  const auto type = std::filesystem::symlink_status(path, ec).type();
  if (type == std::filesystem::file_type::not_found) return true;
  std::string backup;
  if (Vell_GenerateUniqueFilePath(Vell_GetFolderPath(path, 0), kPrefREZFileName, "bak", backup,
                                  VellUniqueMode::kTestOnly) != 0 ||
      std::rename(path.c_str(), backup.c_str()) != 0) {
    Vell_SystemErrorLog("[-1] PREF_CreateREZFile: cannot move %s aside\r\n", path.c_str());
    return false;
  }
  Vell_SystemErrorLog("[0] PREF_CreateREZFile: kept the old preference container as %s\r\n",
                      backup.c_str());
  return true;
}

}  // namespace

int32_t PREF_GetPreferenceREZFilePath(std::string& dst) {
  if (!PREF_GetPreferenceFolderPath(dst)) return 0;
  dst += '/';
  dst += kPrefREZFileName;
  return 1;
}

int32_t PREF_IsTheREZFile(const char* version) {
  std::string path;
  if (version == nullptr || !PREF_GetPreferenceREZFilePath(path)) return 0;
  RezFileHandle rez;
  if (rez.Open(path.c_str(), 1) != REZ_OK) return 0;
  VellAryPtr env(Vell_Ary_Init(kKdxEnvironmentSize, 0, 0));
  uint8_t value[kKdxEnvValueSize];
  if (env == nullptr || REZ_ARY_Load(rez.get(), kKdxTagENVI, kKdxEnvironmentSize, env.get()) != 0 ||
      !EV_GetValue(env.get(), kPrefVersionKeyword, value)) {
    return 0;
  }
  const size_t length = std::strlen(version);
  return length < sizeof value && std::memcmp(value, version, length + 1) == 0 ? 1 : 0;
}

int32_t PREF_CreateREZFile(const char* version) {
  std::string path;
  if (version == nullptr || !PREF_GetPreferenceREZFilePath(path)) return 0;
  ScopedArrays tables;
  if (!tables.ok || IC_InitData(tables.arrays.idCounterAry) != 0 ||
      EV_SetTextValue(tables.arrays.envAry, tables.arrays.idCounterAry, kPrefVersionKeyword,
                      version) != 0 ||
      !MoveAside(path)) {
    return 0;
  }
  // Built beside the final name and renamed into place once complete.
  const std::string temp = path + ".new";
  ::unlink(temp.c_str());
  RezFileHandle file;
  int32_t status = file.Create(temp.c_str());
  if (status == REZ_OK) {
    status = REZ_ARY_Save(file.get(), kKdxTagIDCO, tables.arrays.idCounterAry, kKdxIdCounterSize);
    if (status == REZ_OK) {
      status = REZ_ARY_Save(file.get(), kKdxTagENVI, tables.arrays.envAry, kKdxEnvironmentSize);
    }
    if (file.Close() != REZ_OK && status == REZ_OK) status = REZ_ERR_IO;
  }
  if (status != REZ_OK || std::rename(temp.c_str(), path.c_str()) != 0) {
    ::unlink(temp.c_str());
    Vell_SystemErrorLog("[-2] PREF_CreateREZFile[%d]\r\n", status);
    return 0;
  }
  return 1;
}

int32_t PREF_PrepareREZFile(const char* version) {
  return PREF_IsTheREZFile(version) || PREF_CreateREZFile(version) ? 1 : 0;
}

int32_t PREF_InitREZ(PREF_REZ_ARRAYS* arrays) {
  if (arrays == nullptr) return 0;
  arrays->idCounterAry = Vell_Ary_Init(kKdxIdCounterSize, 0, 0);
  arrays->envAry = Vell_Ary_Init(kKdxEnvironmentSize, 0, 0);
  arrays->columnAry = Vell_Ary_Init(kKdxColumnSize, 0, 0);
  if (arrays->idCounterAry && arrays->envAry && arrays->columnAry) return 1;
  PREF_FreeREZ(arrays);
  return 0;
}

int32_t PREF_LoadREZFile(const char* path, PREF_REZ_ARRAYS* arrays) {
  if (path == nullptr || arrays == nullptr) return 0;
  RezFileHandle rez;
  if (rez.Open(path, 1) != REZ_OK) return 0;
  VELL_ARY* const tables[] = {arrays->idCounterAry, arrays->envAry, arrays->columnAry};
  const uint32_t tags[] = {kKdxTagIDCO, kKdxTagENVI, kPrefTagCLAL};
  for (int i = 0; i < 3; ++i) {
    if (tables[i] == nullptr || !LoadTable(rez.get(), tags[i], tables[i])) {
      Vell_SystemErrorLog("[-%d] PREF_LoadREZFile\r\n", i + 2);
      for (VELL_ARY* table : tables) Vell_Ary_RemoveAll(table);
      return 0;
    }
  }
  return 1;
}

int32_t PREF_SaveREZFile(const char* path, const PREF_REZ_ARRAYS* arrays) {
  if (path == nullptr || arrays == nullptr) return 0;
  RezFileHandle rez;
  if (rez.Open(path, 0) != REZ_OK) return 0;
  const VELL_ARY* const tables[] = {arrays->idCounterAry, arrays->envAry, arrays->columnAry};
  const uint32_t tags[] = {kKdxTagIDCO, kKdxTagENVI, kPrefTagCLAL};
  for (int i = 0; i < 3; ++i) {
    if (tables[i] == nullptr ||
        REZ_ARY_Save(rez.get(), tags[i], tables[i], tables[i]->recordSize) != REZ_OK) {
      Vell_SystemErrorLog("[-%d] PREF_SaveREZFile\r\n", i + 2);
      return 0;
    }
  }
  return rez.Close() == REZ_OK ? 1 : 0;
}

void PREF_FreeREZ(PREF_REZ_ARRAYS* arrays) {
  if (arrays == nullptr) return;
  Vell_Ary_Free(arrays->idCounterAry);
  Vell_Ary_Free(arrays->envAry);
  Vell_Ary_Free(arrays->columnAry);
  *arrays = PREF_REZ_ARRAYS{};
}

int32_t KDX_ReadPrintData(const char* path, uint32_t tag, std::vector<uint8_t>& data) {
  data.clear();
  int32_t size = 0;
  // The stored size is checked against its member, so it never exceeds the file.
  if (PI_GetDataSize(path, kPrintBlockId, tag, &size) != 0) return kPrefPrintMissing;
  try {
    data.resize(static_cast<size_t>(size));
  } catch (const std::exception&) {
    Vell_SystemErrorLog("[-2] KDX_ReadPrintData\r\n");
    return kPrefPrintNoMemory;
  }
  if (PI_Load(path, kPrintBlockId, tag, size, data.data()) != 0) {
    Vell_SystemErrorLog("[-2] KDX_ReadPrintData\r\n");
    data.clear();
    return kPrefPrintUnreadable;
  }
  return size;
}
