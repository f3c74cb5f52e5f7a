#include "core/util/vell_hash.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

namespace {

using Ints = std::vector<int32_t>;

Ints Chain(const VELL_HASH* hash, int32_t bucket) {
  Ints out;
  for (const VELL_HASH_NODE* n = Vell_Hash_FindFirstItem(hash, bucket); n != nullptr;
       n = Vell_Hash_GetNextItem(n)) {
    out.push_back(Vell_Hash_GetArrayIndex(n));
  }
  return out;
}

TEST(VellHashInit, BucketCountIsOddAndPositive) {
  for (auto [requested, expected] : {std::pair{1000, 999}, {999, 999}, {2, 1}, {1, 1}}) {
    VellHashPtr hash(Vell_Hash_Init(requested));
    ASSERT_NE(nullptr, hash) << requested;
    EXPECT_EQ(expected, hash->bucketCount) << requested;
  }
  EXPECT_EQ(nullptr, Vell_Hash_Init(0));
  EXPECT_EQ(nullptr, Vell_Hash_Init(-7));
  Vell_Hash_Free(nullptr);
}

TEST(VellHashValue, BucketsStayInRangeForNegativeKeys) {
  VellHashPtr hash(Vell_Hash_Init(999));
  EXPECT_EQ(5, Vell_GenerateHashValue_FromInteger(hash.get(), 1004));
  for (int32_t id : {-1, -999, -1000, std::numeric_limits<int32_t>::min()}) {
    const auto key = static_cast<uint32_t>(id);
    const int32_t bucket = Vell_GenerateHashValue_FromInteger(hash.get(), key);
    EXPECT_EQ(static_cast<int32_t>(key % 999u), bucket) << id;
    EXPECT_EQ(1, Vell_Hash_Add(hash.get(), 7, bucket)) << id;
  }
}

TEST(VellHashChain, OutOfRangeBucketIsRefused) {
  VellHashPtr hash(Vell_Hash_Init(7));
  for (int32_t bucket : {-1, 7, 8, std::numeric_limits<int32_t>::min()}) {
    EXPECT_EQ(0, Vell_Hash_Add(hash.get(), 3, bucket)) << bucket;
    EXPECT_EQ(nullptr, Vell_Hash_FindFirstItem(hash.get(), bucket)) << bucket;
  }
  EXPECT_EQ(1, Vell_Hash_Add(hash.get(), 3, 6));
  EXPECT_EQ((Ints{3}), Chain(hash.get(), 6));
}

TEST(VellHashRemoveAll, EmptiesEveryBucketWithoutRecursionAndStaysUsable) {
  // A chain this long would exhaust the stack if it were freed recursively,
  // and would take minutes to build if adding walked the chain.
  VellHashPtr hash(Vell_Hash_Init(3));
  for (int32_t i = 0; i < 1000000; ++i) ASSERT_EQ(1, Vell_Hash_Add(hash.get(), i, 0));
  ASSERT_EQ(1, Vell_Hash_Add(hash.get(), 1, 1));
  Vell_Hash_RemoveAll(hash.get());
  EXPECT_EQ(3, hash->bucketCount);
  for (int32_t b = 0; b < 3; ++b) EXPECT_EQ(nullptr, Vell_Hash_FindFirstItem(hash.get(), b));
  for (int32_t i = 0; i < 3; ++i) ASSERT_EQ(1, Vell_Hash_Add(hash.get(), i, 0));
  EXPECT_EQ((Ints{0, 1, 2}), Chain(hash.get(), 0));
}

}  // namespace
