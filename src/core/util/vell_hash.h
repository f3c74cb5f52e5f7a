// VELL_HASH: maps an integer key to indices of a VELL_ARY. It stores indices,
// not records, so every lookup checks the record it lands on; a stale table can
// miss but never answers a wrong record.
#pragma once

#include <cstdint>
#include <memory>

struct VELL_HASH_NODE {
  int32_t arrayIndex;    // position in the array
  VELL_HASH_NODE* next;  // next node of the chain, or null
};

struct VELL_HASH {
  VELL_HASH_NODE** buckets;  // one chain head per bucket, null when empty
  VELL_HASH_NODE** tails;    // the last node of each chain, so adding never walks it
  int32_t bucketCount;       // always odd and at least 1
};

// A table of bucketCount buckets (an even count is lowered by one); null below 1.
[[nodiscard]] VELL_HASH* Vell_Hash_Init(int32_t bucketCount);
void Vell_Hash_Free(VELL_HASH* hash);
void Vell_Hash_RemoveAll(VELL_HASH* hash);
// Bucket of a key: key modulo bucketCount, the key taken as unsigned 32-bit so
// that a negative identifier still lands in a valid bucket. -1 for a null table.
[[nodiscard]] int32_t Vell_GenerateHashValue_FromInteger(const VELL_HASH* hash, uint32_t key);
// (first with its bytes reversed + second, wrapping) modulo bucketCount.
[[nodiscard]] int32_t Vell_GenerateHashValue_FromTwoInteger(const VELL_HASH* hash, uint32_t first,
                                                            uint32_t second);
// Appends index to the end of the bucket's chain: 1, or 0 for a bad bucket or no memory.
[[nodiscard]] int32_t Vell_Hash_Add(VELL_HASH* hash, int32_t arrayIndex, int32_t bucket);
// First node of the bucket's chain; null when empty or the bucket is out of range.
[[nodiscard]] VELL_HASH_NODE* Vell_Hash_FindFirstItem(const VELL_HASH* hash, int32_t bucket);
[[nodiscard]] VELL_HASH_NODE* Vell_Hash_GetNextItem(const VELL_HASH_NODE* node);
// The node's array index; -1 for a null node.
[[nodiscard]] int32_t Vell_Hash_GetArrayIndex(const VELL_HASH_NODE* node);
// Unlinks node (by identity) from the bucket's chain and frees it; always 1.
// A node that is not in that chain is left untouched.
int32_t Vell_Hash_Remove(VELL_HASH* hash, VELL_HASH_NODE* node, int32_t bucket);

struct VellHashDeleter {
  void operator()(VELL_HASH* hash) const { Vell_Hash_Free(hash); }
};
using VellHashPtr = std::unique_ptr<VELL_HASH, VellHashDeleter>;
