// The entry table (entryAry of stored KDX_ENTRY records) and its fast forms
// through the document's entry hash. Callers only see the memory form.
#pragma once

#include <cstdint>

#include "core/document/kdx_status.h"
#include "core/document/records.h"
#include "core/util/vell_ary.h"
#include "core/util/vell_hash.h"

// Stores and appends the entry; 0, or kKdxFailed when memory runs out.
[[nodiscard]] int32_t EN_AddData(VELL_ARY* entryAry, const KDX_ENTRY& entry);
// The entry at index; all zero for a bad index.
void EN_GetData_ByIndex(const VELL_ARY* entryAry, int32_t index, KDX_ENTRY* entry);
// Overwrites the record at index; a bad index does nothing.
void EN_SetData_ByIndex(VELL_ARY* entryAry, int32_t index, const KDX_ENTRY& entry);
// First index whose en_id is id, else -1.
[[nodiscard]] int32_t EN_FindIndex_ByID(const VELL_ARY* entryAry, int32_t id);
// Index of the entry and its data, or -1 with entry untouched.
[[nodiscard]] int32_t EN_GetData(const VELL_ARY* entryAry, int32_t id, KDX_ENTRY* entry);
// Overwrites the record with the entry's en_id; 0, or kKdxRecordMissing (logged) when absent.
[[nodiscard]] int32_t EN_SetData(VELL_ARY* entryAry, const KDX_ENTRY& entry);
// 0, or kKdxRecordMissing when absent.
[[nodiscard]] int32_t EN_Remove(VELL_ARY* entryAry, int32_t id);
// 1 when some entry has name at category level 1, 2 or 3; else 0.
[[nodiscard]] int32_t EN_IsUsedCategory(const VELL_ARY* entryAry, const char* name, int32_t level);
// 1 when some entry belongs to the project.
[[nodiscard]] int32_t EN_FindProject_ByID(const VELL_ARY* entryAry, int32_t projectId);

// The hash holds indices; every answer is checked against the record's en_id,
// so a stale hash can miss but never names a wrong entry.
// Adds every index of entryAry to an empty hash; 0, or kKdxFailed when a node could
// not be allocated (lookups of the missing ones then fall back or miss).
[[nodiscard]] int32_t EN_Hash_MakeEntryTable(const VELL_ARY* entryAry, VELL_HASH* hash);
// Index of the entry through the hash only, else -1.
[[nodiscard]] int32_t EN_Hash_FindIndex_ByID(const VELL_ARY* entryAry, const VELL_HASH* hash,
                                             int32_t id);
// -1 for a null hash; otherwise the hash, then a linear search; the index and
// the entry, or -1 when neither finds it.
[[nodiscard]] int32_t EN_Hash_GetData(const VELL_ARY* entryAry, const VELL_HASH* hash, int32_t id,
                                      KDX_ENTRY* entry);
// Overwrites the entry found through the hash (no fallback); its index, or -1.
[[nodiscard]] int32_t EN_Hash_SetData(VELL_ARY* entryAry, const VELL_HASH* hash,
                                      const KDX_ENTRY& entry);
// Removes the entry found through the hash; 0, or kKdxRecordMissing. The hash is left
// stale: the caller rebuilds it.
[[nodiscard]] int32_t EN_Hash_Remove(VELL_ARY* entryAry, const VELL_HASH* hash, int32_t id);
