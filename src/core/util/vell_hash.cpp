// VELL_HASH: separate chaining over a fixed, odd number of buckets.

#include "core/util/vell_hash.h"

#include <cstdlib>

namespace {

bool ValidBucket(const VELL_HASH* hash, int32_t bucket) {
  return hash != nullptr && hash->buckets != nullptr && bucket >= 0 && bucket < hash->bucketCount;
}

// Frees a whole chain; a loop, not recursion, so a long chain cannot exhaust the stack.
void FreeChain(VELL_HASH_NODE* node) {
  while (node != nullptr) {
    VELL_HASH_NODE* next = node->next;
    std::free(node);
    node = next;
  }
}

int32_t BucketOf(const VELL_HASH* hash, uint32_t key) {
  if (hash == nullptr || hash->bucketCount < 1) return -1;
  return static_cast<int32_t>(key % static_cast<uint32_t>(hash->bucketCount));
}

}  // namespace

VELL_HASH* Vell_Hash_Init(int32_t bucketCount) {
  if (bucketCount < 1) return nullptr;
  if (bucketCount % 2 == 0) --bucketCount;
  auto* hash = static_cast<VELL_HASH*>(std::malloc(sizeof(VELL_HASH)));
  if (hash == nullptr) return nullptr;
  hash->buckets = static_cast<VELL_HASH_NODE**>(
      std::calloc(static_cast<size_t>(bucketCount), sizeof(VELL_HASH_NODE*)));
  hash->tails = static_cast<VELL_HASH_NODE**>(
      std::calloc(static_cast<size_t>(bucketCount), sizeof(VELL_HASH_NODE*)));
  if (hash->buckets == nullptr || hash->tails == nullptr) {
    std::free(hash->buckets);
    std::free(hash->tails);
    std::free(hash);
    return nullptr;
  }
  hash->bucketCount = bucketCount;
  return hash;
}

void Vell_Hash_Free(VELL_HASH* hash) {
  if (hash == nullptr) return;
  Vell_Hash_RemoveAll(hash);
  std::free(hash->buckets);
  std::free(hash->tails);
  std::free(hash);
}

void Vell_Hash_RemoveAll(VELL_HASH* hash) {
  if (hash == nullptr || hash->buckets == nullptr) return;
  for (int32_t i = 0; i < hash->bucketCount; ++i) {
    FreeChain(hash->buckets[i]);
    hash->buckets[i] = nullptr;
    hash->tails[i] = nullptr;
  }
}

int32_t Vell_GenerateHashValue_FromInteger(const VELL_HASH* hash, uint32_t key) {
  return BucketOf(hash, key);
}

int32_t Vell_GenerateHashValue_FromTwoInteger(const VELL_HASH* hash, uint32_t first,
                                              uint32_t second) {
  const uint32_t reversed = ((first & 0x000000FFu) << 24) | ((first & 0x0000FF00u) << 8) |
                            ((first & 0x00FF0000u) >> 8) | ((first & 0xFF000000u) >> 24);
  return BucketOf(hash, reversed + second);  // unsigned: wraps, never negative
}

int32_t Vell_Hash_Add(VELL_HASH* hash, int32_t arrayIndex, int32_t bucket) {
  if (!ValidBucket(hash, bucket)) return 0;
  auto* node = static_cast<VELL_HASH_NODE*>(std::malloc(sizeof(VELL_HASH_NODE)));
  if (node == nullptr) return 0;
  node->arrayIndex = arrayIndex;
  node->next = nullptr;
  // Appended at the tail so that a chain yields the lowest array index first.
  if (hash->tails[bucket] == nullptr) {
    hash->buckets[bucket] = node;
  } else {
    hash->tails[bucket]->next = node;
  }
  hash->tails[bucket] = node;
  return 1;
}

VELL_HASH_NODE* Vell_Hash_FindFirstItem(const VELL_HASH* hash, int32_t bucket) {
  return ValidBucket(hash, bucket) ? hash->buckets[bucket] : nullptr;
}

VELL_HASH_NODE* Vell_Hash_GetNextItem(const VELL_HASH_NODE* node) {
  return node != nullptr ? node->next : nullptr;
}

int32_t Vell_Hash_GetArrayIndex(const VELL_HASH_NODE* node) {
  return node != nullptr ? node->arrayIndex : -1;
}

int32_t Vell_Hash_Remove(VELL_HASH* hash, VELL_HASH_NODE* node, int32_t bucket) {
  if (node == nullptr || !ValidBucket(hash, bucket)) return 1;
  VELL_HASH_NODE* previous = nullptr;
  for (VELL_HASH_NODE** link = &hash->buckets[bucket]; *link != nullptr; link = &(*link)->next) {
    if (*link == node) {
      *link = node->next;
      if (hash->tails[bucket] == node) hash->tails[bucket] = previous;
      std::free(node);
      break;
    }
    previous = *link;
  }
  // A node that is not in this chain is left alone: freeing it would leave a
  // dangling link in whichever chain holds it.
  return 1;
}
