#include "core/document/history.h"

#include <cstring>

#include "core/document/record_layout.h"
#include "core/util/vell_utf8.h"

namespace {

const uint8_t* StoredAt(const VELL_ARY* ary, int32_t index) {
  return static_cast<const uint8_t*>(Vell_Ary_GetDataPtr(ary, index));
}

// Rewrites the record at index with a fresh update date, then moves it to 0.
template <typename Record, void (*Get)(const uint8_t*, Record*),
          void (*Set)(const Record&, uint8_t*), char (Record::*UpdateDate)[18], int32_t Size>
void MoveToTop(VELL_ARY* ary, int32_t index) {
  const uint8_t* stored = StoredAt(ary, index);
  if (stored == nullptr) return;
  Record r;
  Get(stored, &r);
  kdx_layout::SetNow(r.*UpdateDate);
  uint8_t updated[Size];
  Set(r, updated);
  Vell_Ary_Remove(ary, index);
  Vell_Ary_Insert(ary, 0, updated);  // cannot fail: the record's room was just freed
}

int32_t AddBodyFind(VELL_ARY* ary, int32_t at, const char* string, int32_t kind) {
  KDX_BODY_FIND_HISTORY h{};
  h.bf_id = Vell_Ary_GetSize(ary);
  kdx_layout::SetNow(h.bf_create_date);
  std::memcpy(h.bf_update_date, h.bf_create_date, sizeof h.bf_update_date);
  h.bf_kind = kind;
  Vell_Utf8CopyCut(h.bf_string, sizeof h.bf_string, string != nullptr ? string : "");
  uint8_t stored[kKdxBodyFindHistorySize];
  KDX_SetKdxBodyFindHistory(h, stored);
  return Vell_Ary_Insert(ary, at, stored);
}

}  // namespace

int32_t HI_AddData(VELL_ARY* historyAry, const char* words) {
  KDX_SEARCH_HISTORY h{};
  h.hi_id = Vell_Ary_GetSize(historyAry);
  kdx_layout::SetNow(h.hi_create_date);
  std::memcpy(h.hi_update_date, h.hi_create_date, sizeof h.hi_update_date);
  Vell_Utf8CopyCut(h.hi_words, sizeof h.hi_words, words != nullptr ? words : "");
  uint8_t stored[kKdxSearchHistorySize];
  KDX_SetKdxSerachHistory(h, stored);
  return Vell_Ary_Insert(historyAry, 0, stored);
}

void HI_MoveToTop(VELL_ARY* historyAry, int32_t index) {
  MoveToTop<KDX_SEARCH_HISTORY, KDX_GetKdxSerachHistory, KDX_SetKdxSerachHistory,
            &KDX_SEARCH_HISTORY::hi_update_date, kKdxSearchHistorySize>(historyAry, index);
}

void HI_GetData(const VELL_ARY* historyAry, int32_t index, KDX_SEARCH_HISTORY* history) {
  const uint8_t* stored = StoredAt(historyAry, index);
  if (stored == nullptr) {
    std::memset(history, 0, sizeof *history);
    return;
  }
  KDX_GetKdxSerachHistory(stored, history);
}

int32_t BF_AddDataToTop(VELL_ARY* historyAry, const char* string, int32_t kind) {
  return AddBodyFind(historyAry, 0, string, kind);
}

int32_t BF_AddData(VELL_ARY* historyAry, const char* string, int32_t kind) {
  return AddBodyFind(historyAry, Vell_Ary_GetSize(historyAry), string, kind);
}

void BF_MoveToTop(VELL_ARY* historyAry, int32_t index) {
  MoveToTop<KDX_BODY_FIND_HISTORY, KDX_GetKdxBodyFindHistory, KDX_SetKdxBodyFindHistory,
            &KDX_BODY_FIND_HISTORY::bf_update_date, kKdxBodyFindHistorySize>(historyAry, index);
}

void BF_GetData(const VELL_ARY* historyAry, int32_t index, KDX_BODY_FIND_HISTORY* history) {
  const uint8_t* stored = StoredAt(historyAry, index);
  if (stored == nullptr) {
    std::memset(history, 0, sizeof *history);
    return;
  }
  KDX_GetKdxBodyFindHistory(stored, history);
}
