// The search history (HI_, newest first) and the find/replace history (BF_).
// The caller creates the arrays with the record sizes kKdxSearchHistorySize
// and kKdxBodyFindHistorySize.
#pragma once

#include <cstdint>
#include <vector>

#include "core/document/kdx_status.h"
#include "core/document/records.h"
#include "core/util/vell_ary.h"

// Inserts the words at index 0, identifier = the table's size before; 0, or kKdxFailed.
[[nodiscard]] int32_t HI_AddData(VELL_ARY* historyAry, const char* words);
// Refreshes the update date of the record and moves it to index 0.
void HI_MoveToTop(VELL_ARY* historyAry, int32_t index);
// All zero for a bad index.
void HI_GetData(const VELL_ARY* historyAry, int32_t index, KDX_SEARCH_HISTORY* history);

// Insert at index 0 / append; identifier = the table's size before; 0, or kKdxFailed.
[[nodiscard]] int32_t BF_AddDataToTop(VELL_ARY* historyAry, const char* string, int32_t kind);
[[nodiscard]] int32_t BF_AddData(VELL_ARY* historyAry, const char* string, int32_t kind);
void BF_MoveToTop(VELL_ARY* historyAry, int32_t index);
void BF_GetData(const VELL_ARY* historyAry, int32_t index, KDX_BODY_FIND_HISTORY* history);

// ---- The per-entry find and replace lists of a document's entry windows ------
// Kept in memory while the document is open, never in the file. bf_kind holds
// the en_id of the entry the string was used in; the first record is the most
// recent.

// A new, empty list (null when memory runs out), and its release.
[[nodiscard]] VELL_ARY* BFCOMM_InitBodyFindHistory();
void BFCOMM_FreeBodyFindHistory(VELL_ARY* historyAry);
void BFCOMM_ClearBodyFindWord(VELL_ARY* historyAry);
// Puts string at the top for entry enId: a record of the same entry with the
// same string (as the record keeps it, cut to 127 bytes) moves up with a fresh
// update date, anything else is inserted. An empty string is ignored.
// 0, or kKdxFailed when memory runs out.
[[nodiscard]] int32_t BFCOMM_AddBodyFindWord(VELL_ARY* historyAry, const char* string,
                                             int32_t enId);
// Appends to result, in list order, the records of entry enId.
void BFCOMM_QueryFindBodyHistories_ByEnID(const VELL_ARY* historyAry, int32_t enId,
                                          std::vector<KDX_BODY_FIND_HISTORY>* result);
