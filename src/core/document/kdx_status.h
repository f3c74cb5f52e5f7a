// The results of the document layer in one place: the record tables, the
// document file and its blocks. 0 is success. Boolean lookups answer 1 or 0,
// and index lookups -1 for "absent"; neither is a status, so neither is named
// here. The block operations pass the container's codes (REZ_ERR_*, -1 to -6)
// on unchanged, so a block operation's -1 may also be REZ_ERR_ARGUMENT.
#pragma once

#include <cstdint>

// A table operation could not be done: memory ran out, a text or value does
// not fit its field, or no identifier could be drawn from the counters.
inline constexpr int32_t kKdxFailed = -1;

// A whole-file operation failed: the document could not be created, opened,
// loaded, saved or checked.
inline constexpr int32_t kKdxErrFile = -1000;

// The record is not in its table (EN_SetData, EN_Remove, EN_Hash_Remove,
// FT_SetData, FT_Remove, AT_GetData, AT_SetData); CL_SetData answers it for a
// column without an identifier text, which no record can be found by.
inline constexpr int32_t kKdxRecordMissing = -1001;
// The entry has no block of that kind.
inline constexpr int32_t kKdxBlockMissing = -1001;
// Memory could not be had.
inline constexpr int32_t kKdxBlockNoMemory = -1003;
// A block's stored data size does not fit its member.
inline constexpr int32_t kKdxBlockDamaged = -1005;

// The block lookups by path that answer a number (BO_GetContainerID,
// BO_GetContainerSize and their TX_/NO_ forms, TH_GetBlockSize) fail with:
inline constexpr int32_t kKdxLookupCannotOpen = -1;      // the file could not be opened
inline constexpr int32_t kKdxLookupNoBlock = -2;         // there is no such block
inline constexpr int32_t kKdxLookupHeadUnreadable = -3;  // its head could not be read
