// The search history (HI_, newest first) and the find/replace history (BF_).
// The caller creates the arrays with the record sizes kKdxSearchHistorySize
// and kKdxBodyFindHistorySize.
#pragma once

#include <cstdint>

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
