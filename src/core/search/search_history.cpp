#include "core/search/search_history.h"

#include <cstring>
#include <string>

#include "core/container/rez.h"
#include "core/document/history.h"
#include "core/document/records.h"
#include "core/prefs/pref_rez.h"
#include "core/util/vell_utf8.h"

namespace {

struct OpenRez {
  REZ_FILE file;
  int32_t status;
  OpenRez(const char* path, int32_t mode) : status(REZ_Open(path, mode, &file)) {}
  ~OpenRez() {
    if (file.stream != nullptr) REZ_Close(&file);
  }
  OpenRez(const OpenRez&) = delete;
  OpenRez& operator=(const OpenRez&) = delete;
};

// The history as stored, or an empty array when it cannot be read.
VellAryPtr LoadStored(const std::string& path) {
  VellAryPtr history(HICOMM_InitSearchHistory());
  if (history != nullptr) HICOMM_LoadSearchHistory(path.c_str(), kPrefTagHIAL, history.get());
  return history;
}

}  // namespace

VELL_ARY* HICOMM_InitSearchHistory() { return Vell_Ary_Init(kKdxSearchHistorySize, 0, 0); }

void HICOMM_FreeSearchHistory(VELL_ARY* history) { Vell_Ary_Free(history); }

int32_t HICOMM_LoadSearchHistory(const char* path, uint32_t tag, VELL_ARY* history) {
  if (path == nullptr || history == nullptr || history->recordSize != kKdxSearchHistorySize) {
    return REZ_ERR_ARGUMENT;
  }
  OpenRez rez(path, 1);
  if (rez.status != REZ_OK) return rez.status;
  // All or nothing: a damaged table adds no record.
  return REZ_ARY_Load(&rez.file, tag, kKdxSearchHistorySize, history);
}

int32_t HICOMM_SaveSearchHistory(const char* path, uint32_t tag, const VELL_ARY* history) {
  if (path == nullptr || history == nullptr || history->recordSize != kKdxSearchHistorySize) {
    return REZ_ERR_ARGUMENT;
  }
  OpenRez rez(path, 0);
  if (rez.status != REZ_OK) return rez.status;
  const int32_t status = REZ_ARY_Save(&rez.file, tag, history, kKdxSearchHistorySize);
  const int32_t closed = REZ_Close(&rez.file) == 0 ? REZ_OK : REZ_ERR_IO;
  return status != REZ_OK ? status : closed;
}

void HICOMM_AddSearchWord(const char* word) {
  if (word == nullptr || word[0] == '\0') return;
  std::string path;
  if (!PREF_GetPreferenceREZFilePath(path)) return;
  VellAryPtr history = LoadStored(path);
  if (history == nullptr) return;
  char cut[sizeof(KDX_SEARCH_HISTORY::hi_words)] = {};
  Vell_Utf8CopyCut(cut, sizeof cut, word);
  KDX_SEARCH_HISTORY record;
  for (int32_t i = 0; i < Vell_Ary_GetSize(history.get()); ++i) {
    HI_GetData(history.get(), i, &record);
    if (std::strcmp(record.hi_words, cut) == 0) {
      HI_MoveToTop(history.get(), i);
      HICOMM_SaveSearchHistory(path.c_str(), kPrefTagHIAL, history.get());
      return;
    }
  }
  if (HI_AddData(history.get(), cut) == 0) {
    HICOMM_SaveSearchHistory(path.c_str(), kPrefTagHIAL, history.get());
  }
}

void HICOMM_ClearSearchWord() {
  std::string path;
  if (!PREF_GetPreferenceREZFilePath(path)) return;
  VellAryPtr history = LoadStored(path);
  if (history == nullptr) return;
  Vell_Ary_RemoveAll(history.get());
  HICOMM_SaveSearchHistory(path.c_str(), kPrefTagHIAL, history.get());
}
