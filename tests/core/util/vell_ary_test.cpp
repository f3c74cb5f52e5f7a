#include "core/util/vell_ary.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <utility>
#include <vector>

namespace {

constexpr int32_t kInt32Max = std::numeric_limits<int32_t>::max();

VellAryPtr MakeIntAry(int32_t initialCapacity = 0, int32_t growStep = 0) {
  return VellAryPtr(Vell_Ary_Init(sizeof(int32_t), initialCapacity, growStep));
}

void AddInts(VELL_ARY* ary, std::initializer_list<int32_t> values) {
  for (int32_t v : values) ASSERT_EQ(0, Vell_Ary_Add(ary, &v));
}

std::vector<int32_t> Ints(const VELL_ARY* ary) {
  std::vector<int32_t> out;
  for (int32_t i = 0; i < Vell_Ary_GetSize(ary); ++i) {
    int32_t v = 0;
    Vell_Ary_GetData(ary, i, &v);
    out.push_back(v);
  }
  return out;
}

using IntVec = std::vector<int32_t>;

// --- Creation ---------------------------------------------------------------

TEST(VellAryInit, NewArrayIsEmptyWithoutStorage) {
  auto ary = MakeIntAry();
  ASSERT_NE(nullptr, ary);
  EXPECT_EQ(0, Vell_Ary_GetSize(ary.get()));
  EXPECT_EQ(nullptr, ary->data);
  EXPECT_EQ(0, ary->capacity);

  int32_t out = 0x55555555;
  Vell_Ary_GetData(ary.get(), 0, &out);
  EXPECT_EQ(0, out);
  EXPECT_EQ(nullptr, Vell_Ary_GetDataPtr(ary.get(), 0));
}

TEST(VellAryInit, NonPositiveRoomAndStepBecomeTwenty) {
  for (auto [room, step] : {std::pair{0, 0}, std::pair{-1, -7}}) {
    auto ary = MakeIntAry(room, step);
    ASSERT_NE(nullptr, ary);
    EXPECT_EQ(20, ary->initialCapacity);
    EXPECT_EQ(20, ary->growStep);
  }
  auto custom = MakeIntAry(3, 5);
  EXPECT_EQ(3, custom->initialCapacity);
  EXPECT_EQ(5, custom->growStep);
}

TEST(VellAryInit, NonPositiveRecordSizeIsRefused) {
  EXPECT_EQ(nullptr, Vell_Ary_Init(0, 10, 10));
  EXPECT_EQ(nullptr, Vell_Ary_Init(-4, 10, 10));
}

// --- Insertion and growth ----------------------------------------------------

TEST(VellAryInsert, IndexIsClampedToFrontAndEnd) {
  auto ary = MakeIntAry();
  AddInts(ary.get(), {1, 2, 3});
  const int32_t front = 10, back = 20, middle = 15;
  ASSERT_EQ(0, Vell_Ary_Insert(ary.get(), -5, &front));
  ASSERT_EQ(0, Vell_Ary_Insert(ary.get(), Vell_Ary_GetSize(ary.get()) + 100, &back));
  ASSERT_EQ(0, Vell_Ary_Insert(ary.get(), 2, &middle));
  EXPECT_EQ((IntVec{10, 1, 15, 2, 3, 20}), Ints(ary.get()));
}

TEST(VellAryInsert, NullRecordInsertsZeroBytesOverStaleStorage) {
  auto ary = MakeIntAry();
  AddInts(ary.get(), {7, 8, 9});
  Vell_Ary_Remove(ary.get(), 2);  // slot 2 still holds the bytes of 9
  ASSERT_EQ(0, Vell_Ary_Add(ary.get(), nullptr));
  EXPECT_EQ((IntVec{7, 8, 0}), Ints(ary.get()));
}

TEST(VellAryInsert, TwentyFirstAppendGrowsByStepKeepingRecords) {
  auto ary = MakeIntAry();
  for (int32_t i = 0; i < 20; ++i) ASSERT_EQ(0, Vell_Ary_Add(ary.get(), &i));
  EXPECT_EQ(20, ary->capacity);
  const int32_t last = 20;
  ASSERT_EQ(0, Vell_Ary_Add(ary.get(), &last));
  EXPECT_EQ(40, ary->capacity);
  ASSERT_EQ(21, Vell_Ary_GetSize(ary.get()));
  for (int32_t i = 0; i <= 20; ++i) {
    int32_t v = -1;
    Vell_Ary_GetData(ary.get(), i, &v);
    EXPECT_EQ(i, v);
  }
}

TEST(VellAryInsert, GrowthIsLinearByGrowStep) {
  auto ary = MakeIntAry(3, 5);
  std::vector<int32_t> capacities;
  for (int32_t i = 0; i < 14; ++i) {
    ASSERT_EQ(0, Vell_Ary_Add(ary.get(), &i));
    if (capacities.empty() || capacities.back() != ary->capacity) {
      capacities.push_back(ary->capacity);
    }
  }
  EXPECT_EQ((IntVec{3, 8, 13, 18}), capacities);
}

TEST(VellAryInsert, OddRecordSizeKeepsRecordsApart) {
  using Rec = std::array<uint8_t, 17>;
  VellAryPtr ary(Vell_Ary_Init(sizeof(Rec), 2, 1));
  ASSERT_NE(nullptr, ary);
  for (uint8_t fill : {0x11, 0x33, 0x44}) {
    Rec r;
    r.fill(fill);
    ASSERT_EQ(0, Vell_Ary_Add(ary.get(), r.data()));
  }
  Rec mid;
  mid.fill(0x22);
  ASSERT_EQ(0, Vell_Ary_Insert(ary.get(), 1, mid.data()));

  const uint8_t expected[] = {0x11, 0x22, 0x33, 0x44};
  for (int32_t i = 0; i < 4; ++i) {
    Rec want;
    want.fill(expected[i]);
    const auto* p = static_cast<const uint8_t*>(Vell_Ary_GetDataPtr(ary.get(), i));
    ASSERT_NE(nullptr, p);
    EXPECT_EQ(ary->data + i * 17, p);
    EXPECT_EQ(0, std::memcmp(want.data(), p, want.size())) << "record " << i;
  }
}

// --- Overflow refusal --------------------------------------------------------

TEST(VellAryOverflow, FirstAllocationTooLargeFailsAndLeavesArrayEmpty) {
  // 20 records of almost 2 GiB each cannot be sized.
  VellAryPtr ary(Vell_Ary_Init(kInt32Max - 7, 0, 0));
  ASSERT_NE(nullptr, ary);
  EXPECT_EQ(-1, Vell_Ary_Add(ary.get(), nullptr));
  EXPECT_EQ(nullptr, ary->data);
  EXPECT_EQ(0, ary->capacity);
  EXPECT_EQ(0, Vell_Ary_GetSize(ary.get()));
}

TEST(VellAryOverflow, GrowthWhoseByteSizeOverflowsFailsAndKeepsRecords) {
  using Rec = std::array<uint8_t, 1000>;
  VellAryPtr ary(Vell_Ary_Init(sizeof(Rec), 1, kInt32Max - 1));
  ASSERT_NE(nullptr, ary);
  Rec first;
  first.fill(0xA5);
  ASSERT_EQ(0, Vell_Ary_Add(ary.get(), first.data()));
  uint8_t* const storage = ary->data;

  // (1 + INT32_MAX - 1) * 1000 bytes: the record count fits, the byte size does not.
  Rec second;
  second.fill(0x5A);
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
  ASSERT_NE(nullptr, ary);
  const uint8_t a = 1, b = 2, c = 3;
  ASSERT_EQ(0, Vell_Ary_Add(ary.get(), &a));
  ASSERT_EQ(0, Vell_Ary_Add(ary.get(), &b));
  EXPECT_EQ(-1, Vell_Ary_Add(ary.get(), &c));  // 2 + INT32_MAX records
  EXPECT_EQ(2, ary->capacity);
  ASSERT_EQ(2, Vell_Ary_GetSize(ary.get()));
  EXPECT_EQ(1, *static_cast<const uint8_t*>(Vell_Ary_GetDataPtr(ary.get(), 0)));
  EXPECT_EQ(2, *static_cast<const uint8_t*>(Vell_Ary_GetDataPtr(ary.get(), 1)));
}

// --- Removal -----------------------------------------------------------------

TEST(VellAryRemove, RemovesAndShiftsTailDown) {
  auto ary = MakeIntAry();
  AddInts(ary.get(), {1, 2, 3, 4});
  Vell_Ary_Remove(ary.get(), 1);
  EXPECT_EQ((IntVec{1, 3, 4}), Ints(ary.get()));
  Vell_Ary_Remove(ary.get(), 0);
  EXPECT_EQ((IntVec{3, 4}), Ints(ary.get()));
}

TEST(VellAryRemove, LastRecordOnlyDecrementsCountAndStorageStays) {
  auto ary = MakeIntAry();
  AddInts(ary.get(), {1, 2, 3});
  uint8_t* const storage = ary->data;
  Vell_Ary_Remove(ary.get(), 2);
  EXPECT_EQ((IntVec{1, 2}), Ints(ary.get()));
  EXPECT_EQ(storage, ary->data);
  EXPECT_EQ(20, ary->capacity);
}

TEST(VellAryRemove, InvalidIndexDoesNothing) {
  auto ary = MakeIntAry();
  AddInts(ary.get(), {1, 2, 3});
  Vell_Ary_Remove(ary.get(), 3);
  Vell_Ary_Remove(ary.get(), -1);
  EXPECT_EQ((IntVec{1, 2, 3}), Ints(ary.get()));

  auto empty = MakeIntAry();
  Vell_Ary_Remove(empty.get(), 0);
  EXPECT_EQ(0, Vell_Ary_GetSize(empty.get()));
}

TEST(VellAryRemove, RemoveAllFreesAndNextInsertStartsOver) {
  auto ary = MakeIntAry(4, 2);
  AddInts(ary.get(), {1, 2, 3, 4, 5});
  EXPECT_EQ(6, ary->capacity);
  Vell_Ary_RemoveAll(ary.get());
  EXPECT_EQ(0, Vell_Ary_GetSize(ary.get()));
  EXPECT_EQ(nullptr, ary->data);
  EXPECT_EQ(0, ary->capacity);
  EXPECT_EQ(static_cast<int32_t>(sizeof(int32_t)), ary->recordSize);
  EXPECT_EQ(4, ary->initialCapacity);
  EXPECT_EQ(2, ary->growStep);

  AddInts(ary.get(), {9});
  EXPECT_EQ(4, ary->capacity);
  EXPECT_EQ((IntVec{9}), Ints(ary.get()));
}

// --- Access ------------------------------------------------------------------

TEST(VellAryAccess, UpdateOverwritesOnlyValidIndices) {
  auto ary = MakeIntAry();
  AddInts(ary.get(), {1, 2, 3});
  const int32_t v = 42;
  Vell_Ary_Update(ary.get(), 1, &v);
  Vell_Ary_Update(ary.get(), 3, &v);
  Vell_Ary_Update(ary.get(), -1, &v);
  EXPECT_EQ((IntVec{1, 42, 3}), Ints(ary.get()));
}

TEST(VellAryAccess, GetDataOutOfRangeYieldsZeroNotStaleBytes) {
  auto ary = MakeIntAry();
  AddInts(ary.get(), {5, 6});
  Vell_Ary_Remove(ary.get(), 1);  // storage at index 1 still holds 6
  for (int32_t index : {1, 2, -1}) {
    int32_t out = 0x7F7F7F7F;
    Vell_Ary_GetData(ary.get(), index, &out);
    EXPECT_EQ(0, out) << "index " << index;
  }
}

TEST(VellAryAccess, GetDataPtrOnlyForValidIndices) {
  auto ary = MakeIntAry();
  AddInts(ary.get(), {5, 6});
  EXPECT_EQ(ary->data + sizeof(int32_t), Vell_Ary_GetDataPtr(ary.get(), 1));
  EXPECT_EQ(nullptr, Vell_Ary_GetDataPtr(ary.get(), 2));
  EXPECT_EQ(nullptr, Vell_Ary_GetDataPtr(ary.get(), -1));
  const VELL_ARY* constAry = ary.get();
  EXPECT_EQ(ary->data, Vell_Ary_GetDataPtr(constAry, 0));
  EXPECT_EQ(nullptr, Vell_Ary_GetDataPtr(constAry, 2));
}

TEST(VellAryAccess, SwapExchangesValidRecordsOnly) {
  auto ary = MakeIntAry();
  AddInts(ary.get(), {1, 2, 3});
  Vell_Ary_Swap(ary.get(), 0, 2);
  EXPECT_EQ((IntVec{3, 2, 1}), Ints(ary.get()));
  Vell_Ary_Swap(ary.get(), 1, 1);
  EXPECT_EQ((IntVec{3, 2, 1}), Ints(ary.get()));
  Vell_Ary_Swap(ary.get(), 0, 3);
  Vell_Ary_Swap(ary.get(), -1, 1);
  EXPECT_EQ((IntVec{3, 2, 1}), Ints(ary.get()));
}

// --- Sorting -----------------------------------------------------------------

int g_compareCalls = 0;

int CompareInts(const void* a, const void* b) {
  ++g_compareCalls;
  const int32_t x = *static_cast<const int32_t*>(a);
  const int32_t y = *static_cast<const int32_t*>(b);
  return (x > y) - (x < y);
}

TEST(VellArySort, SortsRecordsInPlace) {
  auto ary = MakeIntAry();
  AddInts(ary.get(), {5, -3, 9, 0, kInt32Max, std::numeric_limits<int32_t>::min()});
  Vell_Ary_QuickSort(ary.get(), CompareInts);
  EXPECT_EQ((IntVec{std::numeric_limits<int32_t>::min(), -3, 0, 5, 9, kInt32Max}), Ints(ary.get()));
}

TEST(VellArySort, ZeroOrOneRecordNeverCallsCompare) {
  g_compareCalls = 0;
  auto ary = MakeIntAry();
  Vell_Ary_QuickSort(ary.get(), CompareInts);
  AddInts(ary.get(), {1});
  Vell_Ary_QuickSort(ary.get(), CompareInts);
  EXPECT_EQ(0, g_compareCalls);
}

}  // namespace
