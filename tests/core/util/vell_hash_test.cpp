#include "core/util/vell_hash.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <limits>
#include <vector>

namespace {

std::vector<int32_t> Chain(const VELL_HASH* hash, int32_t bucket) {
  std::vector<int32_t> out;
  for (const VELL_HASH_NODE* n = Vell_Hash_FindFirstItem(hash, bucket); n != nullptr;
       n = Vell_Hash_GetNextItem(n)) {
    out.push_back(Vell_Hash_GetArrayIndex(n));
  }
  return out;
}

int32_t TotalNodes(const VELL_HASH* hash) {
  int32_t total = 0;
  for (int32_t b = 0; b < hash->bucketCount; ++b) {
    total += static_cast<int32_t>(Chain(hash, b).size());
  }
  return total;
}

using Ints = std::vector<int32_t>;

// --- Creation ------------------------------------------------------------------

TEST(VellHashInit, BucketCountIsOddAndPositive) {
  struct Case {
    int32_t requested;
    int32_t expected;
  };
  for (Case c : {Case{1000, 999}, Case{999, 999}, Case{2, 1}, Case{1, 1}}) {
    VellHashPtr hash(Vell_Hash_Init(c.requested));
    ASSERT_NE(nullptr, hash) << c.requested;
    EXPECT_EQ(c.expected, hash->bucketCount) << c.requested;
    EXPECT_EQ(0, TotalNodes(hash.get()));
  }
  EXPECT_EQ(nullptr, Vell_Hash_Init(0));
  EXPECT_EQ(nullptr, Vell_Hash_Init(-7));
  Vell_Hash_Free(nullptr);
}

// --- Bucket numbers ------------------------------------------------------------

TEST(VellHashValue, KeyModuloBucketCount) {
  VellHashPtr hash(Vell_Hash_Init(999));
  EXPECT_EQ(5, Vell_GenerateHashValue_FromInteger(hash.get(), 5));
  EXPECT_EQ(5, Vell_GenerateHashValue_FromInteger(hash.get(), 1004));
  EXPECT_EQ(0, Vell_GenerateHashValue_FromInteger(hash.get(), 999));
}

TEST(VellHashValue, NegativeIdentifiersLandInAValidBucket) {
  VellHashPtr hash(Vell_Hash_Init(999));
  for (int32_t id : {-1, -999, -1000, std::numeric_limits<int32_t>::min()}) {
    const auto key = static_cast<uint32_t>(id);
    const int32_t bucket = Vell_GenerateHashValue_FromInteger(hash.get(), key);
    EXPECT_EQ(static_cast<int32_t>(key % 999u), bucket) << id;
    ASSERT_GE(bucket, 0);
    ASSERT_LT(bucket, 999);
    EXPECT_EQ(1, Vell_Hash_Add(hash.get(), 7, bucket));
  }
}

TEST(VellHashValue, TwoIntegersReverseFirstKeyAndWrap) {
  VellHashPtr hash(Vell_Hash_Init(1000001));
  EXPECT_EQ(static_cast<int32_t>((0x04030201u + 5u) % 1000001u),
            Vell_GenerateHashValue_FromTwoInteger(hash.get(), 0x01020304u, 5u));
  // 0xFFFFFFFF + 2 wraps to 1 rather than reaching a larger or negative bucket.
  EXPECT_EQ(1, Vell_GenerateHashValue_FromTwoInteger(hash.get(), 0xFFFFFFFFu, 2u));
  const int32_t bucket = Vell_GenerateHashValue_FromTwoInteger(hash.get(), 0x80000000u, 0u);
  EXPECT_EQ(static_cast<int32_t>(0x80u % 1000001u), bucket);
}

// --- Chains --------------------------------------------------------------------

TEST(VellHashChain, CollidingKeysKeepInsertionOrder) {
  VellHashPtr hash(Vell_Hash_Init(999));
  const int32_t bucket = Vell_GenerateHashValue_FromInteger(hash.get(), 5);
  ASSERT_EQ(bucket, Vell_GenerateHashValue_FromInteger(hash.get(), 1004));
  EXPECT_EQ(1, Vell_Hash_Add(hash.get(), 0, bucket));
  EXPECT_EQ(1, Vell_Hash_Add(hash.get(), 1, bucket));
  EXPECT_EQ(1, Vell_Hash_Add(hash.get(), 2, bucket));
  EXPECT_EQ((Ints{0, 1, 2}), Chain(hash.get(), bucket));
  EXPECT_EQ(3, TotalNodes(hash.get()));
}

TEST(VellHashChain, OutOfRangeBucketIsRefused) {
  VellHashPtr hash(Vell_Hash_Init(7));
  for (int32_t bucket : {-1, 7, 8, std::numeric_limits<int32_t>::min()}) {
    EXPECT_EQ(0, Vell_Hash_Add(hash.get(), 3, bucket)) << bucket;
    EXPECT_EQ(nullptr, Vell_Hash_FindFirstItem(hash.get(), bucket)) << bucket;
  }
  EXPECT_EQ(0, TotalNodes(hash.get()));
  EXPECT_EQ(1, Vell_Hash_Add(hash.get(), 3, 6));
  EXPECT_EQ((Ints{3}), Chain(hash.get(), 6));
}

TEST(VellHashChain, RemoveUnlinksHeadMiddleAndTail) {
  VellHashPtr hash(Vell_Hash_Init(5));
  for (int32_t i = 0; i < 5; ++i) ASSERT_EQ(1, Vell_Hash_Add(hash.get(), i, 2));
  auto nodeAt = [&](int32_t position) {
    VELL_HASH_NODE* n = Vell_Hash_FindFirstItem(hash.get(), 2);
    for (int32_t i = 0; i < position; ++i) n = Vell_Hash_GetNextItem(n);
    return n;
  };
  EXPECT_EQ(1, Vell_Hash_Remove(hash.get(), nodeAt(2), 2));
  EXPECT_EQ((Ints{0, 1, 3, 4}), Chain(hash.get(), 2));
  EXPECT_EQ(1, Vell_Hash_Remove(hash.get(), nodeAt(0), 2));
  EXPECT_EQ((Ints{1, 3, 4}), Chain(hash.get(), 2));
  EXPECT_EQ(1, Vell_Hash_Remove(hash.get(), nodeAt(2), 2));
  EXPECT_EQ((Ints{1, 3}), Chain(hash.get(), 2));
  // The chain stays appendable after its tail was removed.
  EXPECT_EQ(1, Vell_Hash_Add(hash.get(), 9, 2));
  EXPECT_EQ((Ints{1, 3, 9}), Chain(hash.get(), 2));
}

TEST(VellHashChain, RemoveWithWrongBucketLeavesNodeInItsChain) {
  VellHashPtr hash(Vell_Hash_Init(5));
  ASSERT_EQ(1, Vell_Hash_Add(hash.get(), 10, 1));
  ASSERT_EQ(1, Vell_Hash_Add(hash.get(), 20, 3));
  VELL_HASH_NODE* node = Vell_Hash_FindFirstItem(hash.get(), 1);
  EXPECT_EQ(1, Vell_Hash_Remove(hash.get(), node, 3));
  EXPECT_EQ(1, Vell_Hash_Remove(hash.get(), node, -1));
  EXPECT_EQ(1, Vell_Hash_Remove(hash.get(), nullptr, 1));
  EXPECT_EQ((Ints{10}), Chain(hash.get(), 1));
  EXPECT_EQ((Ints{20}), Chain(hash.get(), 3));
}

// --- Emptying --------------------------------------------------------------------

TEST(VellHashRemoveAll, EmptiesEveryBucketAndStaysUsable) {
  VellHashPtr hash(Vell_Hash_Init(999));
  for (int32_t i = 0; i < 3000; ++i) {
    ASSERT_EQ(1, Vell_Hash_Add(hash.get(), i, Vell_GenerateHashValue_FromInteger(hash.get(), i)));
  }
  EXPECT_EQ(3000, TotalNodes(hash.get()));
  Vell_Hash_RemoveAll(hash.get());
  EXPECT_EQ(999, hash->bucketCount);
  EXPECT_EQ(0, TotalNodes(hash.get()));
  EXPECT_EQ(1, Vell_Hash_Add(hash.get(), 4, 998));
  EXPECT_EQ((Ints{4}), Chain(hash.get(), 998));
}

TEST(VellHashRemoveAll, LongChainIsFreedWithoutRecursion) {
  // A chain this long would exhaust the stack if it were freed recursively.
  // Nodes are linked directly, as the table owns malloc'd nodes, because
  // Vell_Hash_Add walks to the tail and a million adds would be quadratic.
  VELL_HASH* hash = Vell_Hash_Init(1);
  ASSERT_NE(nullptr, hash);
  VELL_HASH_NODE** tail = &hash->buckets[0];
  for (int32_t i = 0; i < 1000000; ++i) {
    auto* node = static_cast<VELL_HASH_NODE*>(std::malloc(sizeof(VELL_HASH_NODE)));
    ASSERT_NE(nullptr, node);
    *node = VELL_HASH_NODE{i, nullptr};
    *tail = node;
    tail = &node->next;
  }
  Vell_Hash_RemoveAll(hash);
  EXPECT_EQ(nullptr, Vell_Hash_FindFirstItem(hash, 0));
  for (int32_t i = 0; i < 3; ++i) ASSERT_EQ(1, Vell_Hash_Add(hash, i, 0));
  EXPECT_EQ((Ints{0, 1, 2}), Chain(hash, 0));
  Vell_Hash_Free(hash);
}

}  // namespace
