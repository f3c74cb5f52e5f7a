#include "core/document/entry_table.h"

#include <cstring>

#include "core/util/vell_log.h"

namespace {

const uint8_t* StoredAt(const VELL_ARY* ary, int32_t index) {
  return static_cast<const uint8_t*>(Vell_Ary_GetDataPtr(ary, index));
}

// The bucket of an id taken as unsigned, so negative ids stay in range.
int32_t BucketOf(const VELL_HASH* hash, int32_t id) {
  return Vell_GenerateHashValue_FromInteger(hash, static_cast<uint32_t>(id));
}

}  // namespace

int32_t EN_AddData(VELL_ARY* entryAry, const KDX_ENTRY& entry) {
  uint8_t stored[kKdxEntrySize];
  KDX_SetKdxEntry(entry, stored);
  return Vell_Ary_Add(entryAry, stored);
}

void EN_GetData_ByIndex(const VELL_ARY* entryAry, int32_t index, KDX_ENTRY* entry) {
  const uint8_t* stored = StoredAt(entryAry, index);
  if (stored == nullptr) {
    std::memset(entry, 0, sizeof *entry);
    return;
  }
  KDX_GetKdxEntry(stored, entry);
}

void EN_SetData_ByIndex(VELL_ARY* entryAry, int32_t index, const KDX_ENTRY& entry) {
  if (index < 0 || index >= Vell_Ary_GetSize(entryAry)) return;
  uint8_t stored[kKdxEntrySize];
  KDX_SetKdxEntry(entry, stored);
  Vell_Ary_Update(entryAry, index, stored);
}

int32_t EN_FindIndex_ByID(const VELL_ARY* entryAry, int32_t id) {
  const int32_t count = Vell_Ary_GetSize(entryAry);
  for (int32_t i = 0; i < count; ++i)
    if (KDX_GetStoredEntryID(StoredAt(entryAry, i)) == id) return i;
  return -1;
}

int32_t EN_GetData(const VELL_ARY* entryAry, int32_t id, KDX_ENTRY* entry) {
  const int32_t index = EN_FindIndex_ByID(entryAry, id);
  if (index >= 0) KDX_GetKdxEntry(StoredAt(entryAry, index), entry);
  return index;
}

int32_t EN_SetData(VELL_ARY* entryAry, const KDX_ENTRY& entry) {
  const int32_t index = EN_FindIndex_ByID(entryAry, entry.en_id);
  if (index < 0) {
    Vell_SystemErrorLog("[-1] EN_SetData\r\n");
    return kKdxRecordMissing;
  }
  EN_SetData_ByIndex(entryAry, index, entry);
  return 0;
}

int32_t EN_Remove(VELL_ARY* entryAry, int32_t id) {
  const int32_t index = EN_FindIndex_ByID(entryAry, id);
  if (index < 0) return kKdxRecordMissing;
  Vell_Ary_Remove(entryAry, index);
  return 0;
}

int32_t EN_IsUsedCategory(const VELL_ARY* entryAry, const char* name, int32_t level) {
  if (name == nullptr || level < 1 || level > 3) return 0;
  const int32_t count = Vell_Ary_GetSize(entryAry);
  KDX_ENTRY e;
  for (int32_t i = 0; i < count; ++i) {
    KDX_GetKdxEntry(StoredAt(entryAry, i), &e);
    const char* field = level == 1 ? e.en_cat1_name : level == 2 ? e.en_cat2_name : e.en_cat3_name;
    if (std::strcmp(field, name) == 0) return 1;
  }
  return 0;
}

int32_t EN_FindProject_ByID(const VELL_ARY* entryAry, int32_t projectId) {
  const int32_t count = Vell_Ary_GetSize(entryAry);
  KDX_ENTRY e;
  for (int32_t i = 0; i < count; ++i) {
    KDX_GetKdxEntry(StoredAt(entryAry, i), &e);
    if (e.en_pr_id == projectId) return 1;
  }
  return 0;
}

int32_t EN_Hash_MakeEntryTable(const VELL_ARY* entryAry, VELL_HASH* hash) {
  if (hash == nullptr) return kKdxFailed;
  int32_t result = 0;
  const int32_t count = Vell_Ary_GetSize(entryAry);
  for (int32_t i = 0; i < count; ++i) {
    const int32_t bucket = BucketOf(hash, KDX_GetStoredEntryID(StoredAt(entryAry, i)));
    if (Vell_Hash_Add(hash, i, bucket) != 1) result = kKdxFailed;
  }
  return result;
}

int32_t EN_Hash_FindIndex_ByID(const VELL_ARY* entryAry, const VELL_HASH* hash, int32_t id) {
  if (hash == nullptr) return -1;
  const int32_t count = Vell_Ary_GetSize(entryAry);
  for (const VELL_HASH_NODE* node = Vell_Hash_FindFirstItem(hash, BucketOf(hash, id));
       node != nullptr; node = Vell_Hash_GetNextItem(node)) {
    const int32_t index = Vell_Hash_GetArrayIndex(node);
    // Stale nodes may point past the end after removals.
    if (index >= 0 && index < count && KDX_GetStoredEntryID(StoredAt(entryAry, index)) == id)
      return index;
  }
  return -1;
}

int32_t EN_Hash_GetData(const VELL_ARY* entryAry, const VELL_HASH* hash, int32_t id,
                        KDX_ENTRY* entry) {
  if (hash == nullptr) return -1;
  int32_t index = EN_Hash_FindIndex_ByID(entryAry, hash, id);
  if (index < 0) index = EN_FindIndex_ByID(entryAry, id);
  if (index >= 0) KDX_GetKdxEntry(StoredAt(entryAry, index), entry);
  return index;
}

int32_t EN_Hash_SetData(VELL_ARY* entryAry, const VELL_HASH* hash, const KDX_ENTRY& entry) {
  const int32_t index = EN_Hash_FindIndex_ByID(entryAry, hash, entry.en_id);
  if (index >= 0) EN_SetData_ByIndex(entryAry, index, entry);
  return index;
}

int32_t EN_Hash_Remove(VELL_ARY* entryAry, const VELL_HASH* hash, int32_t id) {
  const int32_t index = EN_Hash_FindIndex_ByID(entryAry, hash, id);
  if (index < 0) return kKdxRecordMissing;
  Vell_Ary_Remove(entryAry, index);
  return 0;
}
