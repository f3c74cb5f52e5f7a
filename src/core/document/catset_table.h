// Category sets (catSetAry): one record per combination of three category
// names in use or created by the user; and the one category title record.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/document/kdx_status.h"
#include "core/document/records.h"
#include "core/util/vell_ary.h"

// The fixed category names: the default category and the browser's "all" item.
inline constexpr char kKdxCategoryOther[] = "その他";
inline constexpr char kKdxCategoryAll[] = "＜すべて＞";

// Appends one set whose three levels are all name; 0, or kKdxFailed.
[[nodiscard]] int32_t CT_InitData(const char* name, VELL_ARY* idCounterAry, VELL_ARY* catSetAry);
// Appends a set with a new "ct_id" and both dates now; 0, or kKdxFailed.
[[nodiscard]] int32_t CT_AddData(const char* cat1, const char* cat2, const char* cat3,
                                 VELL_ARY* idCounterAry, VELL_ARY* catSetAry);
// Adds the combination unless a set has exactly these names: 1 when it
// existed, 0 when added, kKdxFailed when it could not be added.
[[nodiscard]] int32_t CT_SetData(VELL_ARY* catSetAry, VELL_ARY* idCounterAry, const char* cat1,
                                 const char* cat2, const char* cat3);
[[nodiscard]] int32_t CT_IsCatSetExists(const VELL_ARY* catSetAry, const char* cat1,
                                        const char* cat2, const char* cat3);
// Removes every set whose name at level (1 to 3) equals name; the count removed.
int32_t CT_Remove(VELL_ARY* catSetAry, const char* name, int32_t level);
// The set at index; all zero for a bad index.
void CT_GetData(const VELL_ARY* catSetAry, int32_t index, KDX_CATSET* catset);
void CT_GetData_ByIndex(const VELL_ARY* catSetAry, int32_t index, KDX_CATSET* catset);
// Empties names (128-byte records) and fills it with the distinct names of one
// level in order of first appearance.
void CT_GetDistinctCat1Array(const VELL_ARY* catSetAry, VELL_ARY* names);
void CT_GetDistinctCat2Array(const VELL_ARY* catSetAry, VELL_ARY* names);
void CT_GetDistinctCat3Array(const VELL_ARY* catSetAry, VELL_ARY* names);
// 1 when the array of 128-byte names holds name.
[[nodiscard]] int32_t CT_IsContainsCategory(const VELL_ARY* names, const char* name);
// Write the fixed names, cut to outSize.
void CT_CategoryOther_define(char* out, size_t outSize);
void CT_CategoryAll_define(char* out, size_t outSize);

// The category title record (index 0): 1 and the record, or 0 with it zeroed.
[[nodiscard]] int32_t TI_GetData(const VELL_ARY* catTitleAry, KDX_CATEGORY_TITLE* title);
// Overwrites record 0, or appends it to an empty table; 0, or kKdxFailed.
[[nodiscard]] int32_t TI_SetData(VELL_ARY* catTitleAry, const KDX_CATEGORY_TITLE& title);
