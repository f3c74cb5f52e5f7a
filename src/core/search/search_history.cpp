#include "core/search/search_history.h"

#include <cstring>
#include <string>

#include "core/container/rez.h"
#include "core/container/rez_handle.h"
#include "core/document/history.h"
#include "core/document/records.h"
#include "core/prefs/pref_rez.h"
#include "core/util/vell_file.h"
#include "core/util/vell_utf8.h"

namespace {

// The history as stored, or an empty array when it cannot be read (a damaged
// history is started anew rather than blocking every later search).
VellAryPtr LoadStored(const std::string& path) {
  VellAryPtr history(HICOMM_InitSearchHistory());
  if (history != nullptr) {
    static_cast<void>(HICOMM_LoadSearchHistory(path.c_str(), kPrefTagHIAL, history.get()));
  }
  return history;
}

}  // namespace

VELL_ARY* HICOMM_InitSearchHistory() { return Vell_Ary_Init(kKdxSearchHistorySize, 0, 0); }

void HICOMM_FreeSearchHistory(VELL_ARY* history) { Vell_Ary_Free(history); }

int32_t HICOMM_LoadSearchHistory(const char* path, uint32_t tag, VELL_ARY* history) {
  if (path == nullptr || history == nullptr || history->recordSize != kKdxSearchHistorySize) {
    return REZ_ERR_ARGUMENT;
  }
  RezFileHandle rez;
  if (const int32_t status = rez.Open(path, 1); status != REZ_OK) return status;
  // All or nothing: a damaged table adds no record.
  return REZ_ARY_Load(rez.get(), tag, kKdxSearchHistorySize, history);
}

int32_t HICOMM_SaveSearchHistory(const char* path, uint32_t tag, const VELL_ARY* history) {
  if (path == nullptr || history == nullptr || history->recordSize != kKdxSearchHistorySize) {
    return REZ_ERR_ARGUMENT;
  }
  RezFileHandle rez;
  if (const int32_t status = rez.Open(path, 0); status != REZ_OK) return status;
  const int32_t status = REZ_ARY_Save(rez.get(), tag, history, kKdxSearchHistorySize);
  const int32_t closed = rez.Close();
  return status != REZ_OK ? status : closed;
}

int32_t HICOMM_AddSearchWord(const char* word) {
  if (word == nullptr || word[0] == '\0') return REZ_OK;
  std::string path;
  if (!PREF_GetPreferenceREZFilePath(path)) return REZ_ERR_ARGUMENT;
  VellAryPtr history = LoadStored(path);
  if (history == nullptr) return REZ_ERR_ARGUMENT;
  char cut[sizeof(KDX_SEARCH_HISTORY::hi_words)] = {};
  Vell_Utf8CopyCut(cut, sizeof cut, word);
  KDX_SEARCH_HISTORY record;
  for (int32_t i = 0; i < Vell_Ary_GetSize(history.get()); ++i) {
    HI_GetData(history.get(), i, &record);
    if (std::strcmp(record.hi_words, cut) == 0) {
      HI_MoveToTop(history.get(), i);
      return HICOMM_SaveSearchHistory(path.c_str(), kPrefTagHIAL, history.get());
    }
  }
  if (HI_AddData(history.get(), cut) != 0) return REZ_ERR_ARGUMENT;
  return HICOMM_SaveSearchHistory(path.c_str(), kPrefTagHIAL, history.get());
}

int32_t HICOMM_ClearSearchWord() {
  std::string path;
  if (!PREF_GetPreferenceREZFilePath(path)) return REZ_ERR_ARGUMENT;
  if (!Vell_IsFileExists(path.c_str())) return REZ_OK;  // no history to clear
  VellAryPtr history = LoadStored(path);
  if (history == nullptr) return REZ_ERR_ARGUMENT;
  Vell_Ary_RemoveAll(history.get());
  return HICOMM_SaveSearchHistory(path.c_str(), kPrefTagHIAL, history.get());
}
