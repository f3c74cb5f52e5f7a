#include "core/document/history.h"

#include <cstring>

#include "core/document/record_layout.h"
#include "core/document/record_table.h"
#include "core/util/vell_utf8.h"

using kdx_table::BodyFindHistoryTable;
using kdx_table::SearchHistoryTable;

namespace {

// Rewrites the record at index with a fresh update date, then moves it to 0.
template <typename Table, char (Table::RecordType::*UpdateDate)[18]>
void MoveToTop(VELL_ARY* ary, int32_t index) {
  typename Table::RecordType r;
  if (!Table::At(ary, index, &r)) return;
  kdx_layout::SetNow(r.*UpdateDate);
  Vell_Ary_Remove(ary, index);
  // Cannot fail: removing keeps the array's room, so the insert allocates nothing.
  static_cast<void>(Table::Insert(ary, 0, r));
}

[[nodiscard]] int32_t AddBodyFind(VELL_ARY* ary, int32_t at, const char* string, int32_t kind) {
  KDX_BODY_FIND_HISTORY h{};
  h.bf_id = Vell_Ary_GetSize(ary);
  kdx_layout::SetCreatedNow(h.bf_create_date, h.bf_update_date);
  h.bf_kind = kind;
  Vell_Utf8CopyCut(h.bf_string, sizeof h.bf_string, string != nullptr ? string : "");
  return BodyFindHistoryTable::Insert(ary, at, h);
}

}  // namespace

int32_t HI_AddData(VELL_ARY* historyAry, const char* words) {
  KDX_SEARCH_HISTORY h{};
  h.hi_id = Vell_Ary_GetSize(historyAry);
  kdx_layout::SetCreatedNow(h.hi_create_date, h.hi_update_date);
  Vell_Utf8CopyCut(h.hi_words, sizeof h.hi_words, words != nullptr ? words : "");
  return SearchHistoryTable::Insert(historyAry, 0, h);
}

void HI_MoveToTop(VELL_ARY* historyAry, int32_t index) {
  MoveToTop<SearchHistoryTable, &KDX_SEARCH_HISTORY::hi_update_date>(historyAry, index);
}

void HI_GetData(const VELL_ARY* historyAry, int32_t index, KDX_SEARCH_HISTORY* history) {
  SearchHistoryTable::At(historyAry, index, history);
}

int32_t BF_AddDataToTop(VELL_ARY* historyAry, const char* string, int32_t kind) {
  return AddBodyFind(historyAry, 0, string, kind);
}

int32_t BF_AddData(VELL_ARY* historyAry, const char* string, int32_t kind) {
  return AddBodyFind(historyAry, Vell_Ary_GetSize(historyAry), string, kind);
}

void BF_MoveToTop(VELL_ARY* historyAry, int32_t index) {
  MoveToTop<BodyFindHistoryTable, &KDX_BODY_FIND_HISTORY::bf_update_date>(historyAry, index);
}

void BF_GetData(const VELL_ARY* historyAry, int32_t index, KDX_BODY_FIND_HISTORY* history) {
  BodyFindHistoryTable::At(historyAry, index, history);
}

VELL_ARY* BFCOMM_InitBodyFindHistory() { return Vell_Ary_Init(kKdxBodyFindHistorySize, 0, 0); }

void BFCOMM_FreeBodyFindHistory(VELL_ARY* historyAry) { Vell_Ary_Free(historyAry); }

void BFCOMM_ClearBodyFindWord(VELL_ARY* historyAry) {
  if (historyAry != nullptr) Vell_Ary_RemoveAll(historyAry);
}

int32_t BFCOMM_AddBodyFindWord(VELL_ARY* historyAry, const char* string, int32_t enId) {
  if (historyAry == nullptr || string == nullptr || string[0] == '\0') return 0;
  KDX_BODY_FIND_HISTORY kept{};
  Vell_Utf8CopyCut(kept.bf_string, sizeof kept.bf_string, string);
  for (int32_t i = 0; i < Vell_Ary_GetSize(historyAry); ++i) {
    KDX_BODY_FIND_HISTORY h{};
    BF_GetData(historyAry, i, &h);
    if (h.bf_kind == enId && std::strcmp(h.bf_string, kept.bf_string) == 0) {
      BF_MoveToTop(historyAry, i);
      return 0;
    }
  }
  return BF_AddDataToTop(historyAry, kept.bf_string, enId);
}

void BFCOMM_QueryFindBodyHistories_ByEnID(const VELL_ARY* historyAry, int32_t enId,
                                          std::vector<KDX_BODY_FIND_HISTORY>* result) {
  for (int32_t i = 0; i < Vell_Ary_GetSize(historyAry); ++i) {
    KDX_BODY_FIND_HISTORY h{};
    BF_GetData(historyAry, i, &h);
    if (h.bf_kind == enId) result->push_back(h);
  }
}
