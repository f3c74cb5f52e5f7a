// List columns (columnAry): one record per column kind of the entry list, with
// its width, position, visibility and sort-key flags.
#pragma once

#include <cstdint>

#include "core/document/kdx_status.h"
#include "core/document/records.h"
#include "core/util/vell_ary.h"

inline constexpr int32_t kKdxColumnKindCount = 20;
// The column kind of en_id, the default first sort key.
inline constexpr int32_t kKdxColumnKindEnId = 1;

// Fills a new column: a new "cl_id", both dates now, no sort-key flags.
// 0, or kKdxFailed when no identifier could be drawn (column is then zeroed).
[[nodiscard]] int32_t CL_InitData(VELL_ARY* idCounterAry, const char* identifier, int32_t width,
                                  int32_t position, bool ascending, bool shown, KDX_COLUMN* column);
// kKdxRecordMissing for an empty column identifier; otherwise overwrites the record with
// the same cl_id or appends; 0 (kKdxFailed when memory runs out).
[[nodiscard]] int32_t CL_SetData(VELL_ARY* columnAry, const KDX_COLUMN& column);
// Inserts at index, clamped to 0..count; 0, or kKdxFailed.
[[nodiscard]] int32_t CL_InsertData(VELL_ARY* columnAry, int32_t index, const KDX_COLUMN& column);
// Index of the record with that cl_id / that position, else -1.
[[nodiscard]] int32_t CL_FindIndex_ByID(const VELL_ARY* columnAry, int32_t id);
[[nodiscard]] int32_t CL_FindIndex_ByNumber(const VELL_ARY* columnAry, int32_t position);
// All zero for a bad index.
void CL_GetData_ByIndex(const VELL_ARY* columnAry, int32_t index, KDX_COLUMN* column);
// Overwrites the record at index; a bad index does nothing.
void CL_SetData_ByIndex(VELL_ARY* columnAry, int32_t index, const KDX_COLUMN& column);
// 1 and the first record with that column identifier, else 0.
[[nodiscard]] int32_t CL_GetData_ByIdentifier(const VELL_ARY* columnAry, const char* identifier,
                                              KDX_COLUMN* column);
// Removes the first record with that column identifier; 1, else 0.
int32_t CL_DeleteData_ByIdentifier(VELL_ARY* columnAry, const char* identifier);
// 1 and the first record (array order) carrying that sort-key flag, else 0.
[[nodiscard]] int32_t CL_FirstSortKeyColumnWidth(const VELL_ARY* columnAry, KDX_COLUMN* column);
[[nodiscard]] int32_t CL_SecondSortKeyColumnWidth(const VELL_ARY* columnAry, KDX_COLUMN* column);
[[nodiscard]] int32_t CL_ThirdSortKeyColumnWidth(const VELL_ARY* columnAry, KDX_COLUMN* column);

// Appends the twenty default columns of a new document: kinds 0 to 19 in
// order, positions 0 to 19, ascending, with the default widths and
// visibility. Their cl_id comes from the "cl_id" counter, so a fresh counter
// gives 0 to 19. 0, or kKdxFailed.
[[nodiscard]] int32_t KDX_InitColumnWidth(VELL_ARY* idCounterAry, VELL_ARY* columnAry);
// The sort keys of a new document: first key en_id descending, no second or
// third key.
void KDX_InitDefaultSortKeys(VELL_ARY* columnAry);

// Clear the key flag wherever it is set, then, when a record with cl_id kind
// exists, set its flag and its ascending flag. Kind -1 only clears the key.
void CLCOMM_SetFirstSortKey(int32_t kind, bool ascending, VELL_ARY* columnAry);
void CLCOMM_SetSecondSortKey(int32_t kind, bool ascending, VELL_ARY* columnAry);
void CLCOMM_SetThirdSortKey(int32_t kind, bool ascending, VELL_ARY* columnAry);
void CLCOMM_ClearSecondSortKey(VELL_ARY* columnAry);
void CLCOMM_ClearThirdSortKey(VELL_ARY* columnAry);
