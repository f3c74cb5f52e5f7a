// File types (fileTypeAry): one record per body file extension, with the file
// icon block that shows it in the entry list.
#pragma once

#include <cstdint>

#include "core/document/kdx_status.h"
#include "core/document/records.h"
#include "core/util/vell_ary.h"

// Appends; 0, or kKdxFailed when memory runs out.
[[nodiscard]] int32_t FT_AddData(VELL_ARY* fileTypeAry, const KDX_FILE_TYPE& type);
// Index of the type with that identifier and the type, or -1.
[[nodiscard]] int32_t FT_GetData(const VELL_ARY* fileTypeAry, int32_t id, KDX_FILE_TYPE* type);
// Overwrites the type with the same identifier; 0, or kKdxRecordMissing when absent.
[[nodiscard]] int32_t FT_SetData(VELL_ARY* fileTypeAry, const KDX_FILE_TYPE& type);
// 0, or kKdxRecordMissing when absent.
[[nodiscard]] int32_t FT_Remove(VELL_ARY* fileTypeAry, int32_t id);
// Identifier of the first type whose extension equals ext exactly (case
// matters: "TXT" and "txt" are two types), else -1.
[[nodiscard]] int32_t FT_FindID_ByExt(const VELL_ARY* fileTypeAry, const char* ext);
[[nodiscard]] int32_t FT_FindIndex_ByID(const VELL_ARY* fileTypeAry, int32_t id);
// All zero for a bad index.
void FT_GetData_ByIndex(const VELL_ARY* fileTypeAry, int32_t index, KDX_FILE_TYPE* type);
// Payload size of a block with an 8-byte block header; 0 below 8.
[[nodiscard]] int32_t FT_GetRawDataSize(int32_t blockSize);
// Fills a new type: a new "ft_id", both dates now, kind 0, the extension (cut
// to 31 bytes at a character boundary), the icon block's identifier and size.
// Not appended. 0, or kKdxFailed when no identifier could be drawn.
[[nodiscard]] int32_t FT_MakeRecord(VELL_ARY* idCounterAry, const char* ext, int32_t iconId,
                                    int32_t iconSize, KDX_FILE_TYPE* type);
