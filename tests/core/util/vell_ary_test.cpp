#include "core/util/vell_ary.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <vector>

namespace {

constexpr int32_t kInt32Max = std::numeric_limits<int32_t>::max();
constexpr int32_t kInt32Min = std::numeric_limits<int32_t>::min();
using IntVec = std::vector<int32_t>;

VellAryPtr IntAry(std::initializer_list<int32_t> values, int32_t room = 0, int32_t step = 0) {
  VellAryPtr ary(Vell_Ary_Init(sizeof(int32_t), room, step));
  for (int32_t v : values) EXPECT_EQ(0, Vell_Ary_Add(ary.get(), &v));
  return ary;
}

IntVec Ints(const VELL_ARY* ary) {
  IntVec out;
  for (int32_t i = 0; i < Vell_Ary_GetSize(ary); ++i) {
    int32_t v = 0;
    Vell_Ary_GetData(ary, i, &v);
    out.push_back(v);
  }
  return out;
}

TEST(VellAryInsert, ClampsTheIndexAndZeroFillsANullRecordOverStaleStorage) {
  auto ary = IntAry({1, 2, 3});
  const int32_t front = 10, back = 20, middle = 15;
  ASSERT_EQ(0, Vell_Ary_Insert(ary.get(), -5, &front));
  ASSERT_EQ(0, Vell_Ary_Insert(ary.get(), 100, &back));
  ASSERT_EQ(0, Vell_Ary_Insert(ary.get(), 2, &middle));
  EXPECT_EQ((IntVec{10, 1, 15, 2, 3, 20}), Ints(ary.get()));
  Vell_Ary_Remove(ary.get(), 5);  // the slot still holds the bytes of 20
  ASSERT_EQ(0, Vell_Ary_Add(ary.get(), nullptr));
  EXPECT_EQ((IntVec{10, 1, 15, 2, 3, 0}), Ints(ary.get()));
}

TEST(VellAryInsert, GrowthIsLinearByGrowStepAndRemoveAllStartsOver) {
  auto ary = IntAry({}, 3, 5);
  IntVec capacities, expected;
  for (int32_t i = 0; i < 14; ++i) {
    ASSERT_EQ(0, Vell_Ary_Add(ary.get(), &i));
    expected.push_back(i);
    if (capacities.empty() || capacities.back() != ary->capacity) {
      capacities.push_back(ary->capacity);
    }
  }
  EXPECT_EQ((IntVec{3, 8, 13, 18}), capacities);
  EXPECT_EQ(expected, Ints(ary.get()));
  Vell_Ary_RemoveAll(ary.get());
  EXPECT_EQ(nullptr, ary->data);
  EXPECT_EQ(0, Vell_Ary_GetSize(ary.get()));
  const int32_t nine = 9;
  ASSERT_EQ(0, Vell_Ary_Add(ary.get(), &nine));
  EXPECT_EQ(3, ary->capacity);
  EXPECT_EQ((IntVec{9}), Ints(ary.get()));
}

// --- Overflow refusal --------------------------------------------------------

TEST(VellAryOverflow, FirstAllocationTooLargeOrBadRecordSizeFails) {
  // 20 records of almost 2 GiB each cannot be sized.
  VellAryPtr ary(Vell_Ary_Init(kInt32Max - 7, 0, 0));
  ASSERT_NE(nullptr, ary);
  EXPECT_EQ(-1, Vell_Ary_Add(ary.get(), nullptr));
  EXPECT_EQ(nullptr, ary->data);
  EXPECT_EQ(0, Vell_Ary_GetSize(ary.get()));
  EXPECT_EQ(nullptr, Vell_Ary_Init(0, 10, 10));  // a record size must be positive
  EXPECT_EQ(nullptr, Vell_Ary_Init(-4, 10, 10));
}

TEST(VellAryOverflow, GrowthWhoseByteSizeOverflowsFailsAndKeepsRecords) {
  using Rec = std::array<uint8_t, 1000>;
  VellAryPtr ary(Vell_Ary_Init(sizeof(Rec), 1, kInt32Max - 1));
  Rec first, second;
  first.fill(0xA5);
  second.fill(0x5A);
  ASSERT_EQ(0, Vell_Ary_Add(ary.get(), first.data()));
  uint8_t* const storage = ary->data;
  // (1 + INT32_MAX - 1) * 1000 bytes: the record count fits, the byte size does not.
  EXPECT_EQ(-1, Vell_Ary_Add(ary.get(), second.data()));
  EXPECT_EQ(-1, Vell_Ary_Insert(ary.get(), 0, second.data()));
  EXPECT_EQ(storage, ary->data);
  EXPECT_EQ(1, ary->capacity);
  ASSERT_EQ(1, Vell_Ary_GetSize(ary.get()));
  Rec out;
  Vell_Ary_GetData(ary.get(), 0, out.data());
  EXPECT_EQ(first, out);
}

TEST(VellAryOverflow, GrowthWhoseCapacityOverflowsFailsAndKeepsRecords) {
  VellAryPtr ary(Vell_Ary_Init(1, 2, kInt32Max));
  const uint8_t a = 1, b = 2, c = 3;
  ASSERT_EQ(0, Vell_Ary_Add(ary.get(), &a));
  ASSERT_EQ(0, Vell_Ary_Add(ary.get(), &b));
  EXPECT_EQ(-1, Vell_Ary_Add(ary.get(), &c));  // 2 + INT32_MAX records
  EXPECT_EQ(2, ary->capacity);
  ASSERT_EQ(2, Vell_Ary_GetSize(ary.get()));
  EXPECT_EQ(0, std::memcmp(ary->data, "\x01\x02", 2));
}

// --- Removal and access ------------------------------------------------------

TEST(VellAryRemove, ShiftsTheTailDownAndIgnoresInvalidIndices) {
  auto ary = IntAry({1, 2, 3, 4});
  Vell_Ary_Remove(ary.get(), 1);
  EXPECT_EQ((IntVec{1, 3, 4}), Ints(ary.get()));
  Vell_Ary_Remove(ary.get(), 2);
  Vell_Ary_Remove(ary.get(), 0);
  Vell_Ary_Remove(ary.get(), 1);
  Vell_Ary_Remove(ary.get(), -1);
  EXPECT_EQ((IntVec{3}), Ints(ary.get()));
  auto empty = IntAry({});
  Vell_Ary_Remove(empty.get(), 0);
  EXPECT_EQ(0, Vell_Ary_GetSize(empty.get()));
}

TEST(VellAryAccess, OnlyValidIndicesAreReadOrWritten) {
  auto ary = IntAry({1, 2, 3});
  const int32_t v = 42;
  for (int32_t bad : {3, -1}) {
    Vell_Ary_Update(ary.get(), bad, &v);
    EXPECT_EQ(nullptr, Vell_Ary_GetDataPtr(ary.get(), bad));
  }
  Vell_Ary_Update(ary.get(), 1, &v);
  EXPECT_EQ((IntVec{1, 42, 3}), Ints(ary.get()));
  EXPECT_EQ(ary->data + sizeof(int32_t), Vell_Ary_GetDataPtr(ary.get(), 1));

  Vell_Ary_Remove(ary.get(), 2);  // the storage at index 2 still holds 3
  const VELL_ARY* constAry = ary.get();
  EXPECT_EQ(nullptr, Vell_Ary_GetDataPtr(constAry, 2));
  for (int32_t index : {2, 3, -1}) {
    int32_t out = 0x7F7F7F7F;
    Vell_Ary_GetData(constAry, index, &out);
    EXPECT_EQ(0, out) << "index " << index;
  }
}

int CompareInts(const void* a, const void* b) {
  const int32_t x = *static_cast<const int32_t*>(a);
  const int32_t y = *static_cast<const int32_t*>(b);
  return (x > y) - (x < y);
}

TEST(VellArySort, SortsWholeRecordsInPlace) {
  auto ary = IntAry({5, -3, 9, 0, kInt32Max, kInt32Min});
  Vell_Ary_QuickSort(ary.get(), CompareInts);
  EXPECT_EQ((IntVec{kInt32Min, -3, 0, 5, 9, kInt32Max}), Ints(ary.get()));
}

}  // namespace
