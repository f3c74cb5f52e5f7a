// VELL_ARY: records are raw bytes, so the storage is managed with malloc/realloc
// and records move with memcpy/memmove.

#include "core/util/vell_ary.h"

#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>

#include "core/util/vell_status.h"

namespace {

constexpr int32_t kDefaultRoom = 20;

// Storage never exceeds INT32_MAX bytes: record tables are read and written
// with 32-bit sizes, and a byte count past that would wrap in those callers.
constexpr size_t kMaxStorageBytes = static_cast<size_t>(std::numeric_limits<int32_t>::max());

// Bytes for `records` records of `recordSize`, or nothing when that is negative
// or too large.
std::optional<size_t> StorageBytes(int32_t records, int32_t recordSize) {
  if (records < 0 || recordSize <= 0) return std::nullopt;
  const auto n = static_cast<size_t>(records);
  const auto size = static_cast<size_t>(recordSize);
  if (n > kMaxStorageBytes / size) return std::nullopt;
  return n * size;
}

bool ValidIndex(const VELL_ARY* ary, int32_t index) {
  return ary != nullptr && ary->data != nullptr && index >= 0 && index < ary->count;
}

uint8_t* RecordAt(const VELL_ARY* ary, int32_t index) {
  return ary->data + static_cast<size_t>(index) * static_cast<size_t>(ary->recordSize);
}

// Makes room for one more record. False (array unchanged) when memory is
// exhausted or the new size would overflow.
[[nodiscard]] bool Reserve(VELL_ARY* ary) {
  if (ary->data == nullptr) {
    const auto bytes = StorageBytes(ary->initialCapacity, ary->recordSize);
    void* data = bytes ? std::malloc(*bytes) : nullptr;
    if (data == nullptr) {
      ary->data = nullptr;
      ary->capacity = 0;
      ary->count = 0;
      return false;
    }
    ary->data = static_cast<uint8_t*>(data);
    ary->capacity = ary->initialCapacity;
    ary->count = 0;
  }
  if (ary->capacity > ary->count) return true;

  if (ary->growStep > std::numeric_limits<int32_t>::max() - ary->capacity) return false;
  const int32_t newCapacity = ary->capacity + ary->growStep;
  const auto bytes = StorageBytes(newCapacity, ary->recordSize);
  if (!bytes) return false;
  void* data = std::realloc(ary->data, *bytes);
  if (data == nullptr) return false;  // realloc kept the old block
  ary->data = static_cast<uint8_t*>(data);
  ary->capacity = newCapacity;
  return true;
}

}  // namespace

VELL_ARY* Vell_Ary_Init(int32_t recordSize, int32_t initialCapacity, int32_t growStep) {
  if (recordSize <= 0) return nullptr;
  auto* ary = static_cast<VELL_ARY*>(std::malloc(sizeof(VELL_ARY)));
  if (ary == nullptr) return nullptr;
  ary->data = nullptr;
  ary->capacity = 0;
  ary->count = 0;
  ary->recordSize = recordSize;
  ary->initialCapacity = initialCapacity > 0 ? initialCapacity : kDefaultRoom;
  ary->growStep = growStep > 0 ? growStep : kDefaultRoom;
  return ary;
}

void Vell_Ary_Free(VELL_ARY* ary) {
  if (ary == nullptr) return;
  std::free(ary->data);
  // Cleared so that a stale pointer to a freed header reads as an empty array.
  std::memset(ary, 0, sizeof(*ary));
  std::free(ary);
}

int32_t Vell_Ary_GetSize(const VELL_ARY* ary) { return ary != nullptr ? ary->count : 0; }

void Vell_Ary_RemoveAll(VELL_ARY* ary) {
  if (ary == nullptr) return;
  std::free(ary->data);
  ary->data = nullptr;
  ary->capacity = 0;
  ary->count = 0;
}

int32_t Vell_Ary_Insert(VELL_ARY* ary, int32_t index, const void* record) {
  if (ary == nullptr || !Reserve(ary)) return kVellFailed;
  if (index < 0) index = 0;
  if (index > ary->count) index = ary->count;

  uint8_t* slot = RecordAt(ary, index);
  const auto recordSize = static_cast<size_t>(ary->recordSize);
  if (index < ary->count) {
    std::memmove(slot + recordSize, slot, static_cast<size_t>(ary->count - index) * recordSize);
  }
  if (record != nullptr) {
    std::memcpy(slot, record, recordSize);
  } else {
    std::memset(slot, 0, recordSize);
  }
  ++ary->count;
  return 0;
}

int32_t Vell_Ary_Add(VELL_ARY* ary, const void* record) {
  if (ary == nullptr) return kVellFailed;
  // An append. Insert would clamp count + 1 down to count; passing count itself
  // gives the same result without wrapping at INT32_MAX.
  return Vell_Ary_Insert(ary, ary->count, record);
}

void Vell_Ary_Update(VELL_ARY* ary, int32_t index, const void* record) {
  if (!ValidIndex(ary, index) || record == nullptr) return;
  std::memcpy(RecordAt(ary, index), record, static_cast<size_t>(ary->recordSize));
}

void Vell_Ary_Remove(VELL_ARY* ary, int32_t index) {
  if (!ValidIndex(ary, index)) return;
  const int32_t after = ary->count - index - 1;
  if (after > 0) {
    const auto recordSize = static_cast<size_t>(ary->recordSize);
    uint8_t* slot = RecordAt(ary, index);
    std::memmove(slot, slot + recordSize, static_cast<size_t>(after) * recordSize);
  }
  --ary->count;
}

void Vell_Ary_Swap(VELL_ARY* ary, int32_t a, int32_t b) {
  if (!ValidIndex(ary, a) || !ValidIndex(ary, b) || a == b) return;
  const auto recordSize = static_cast<size_t>(ary->recordSize);
  void* temp = std::malloc(recordSize);
  if (temp == nullptr) return;
  uint8_t* ra = RecordAt(ary, a);
  uint8_t* rb = RecordAt(ary, b);
  std::memcpy(temp, ra, recordSize);
  std::memcpy(ra, rb, recordSize);
  std::memcpy(rb, temp, recordSize);
  std::free(temp);
}

void Vell_Ary_GetData(const VELL_ARY* ary, int32_t index, void* out) {
  if (ary == nullptr || out == nullptr) return;
  const auto recordSize = static_cast<size_t>(ary->recordSize);
  // Zero first so that a caller ignoring a bad index never sees stale bytes.
  std::memset(out, 0, recordSize);
  if (ValidIndex(ary, index)) std::memcpy(out, RecordAt(ary, index), recordSize);
}

void* Vell_Ary_GetDataPtr(VELL_ARY* ary, int32_t index) {
  return ValidIndex(ary, index) ? RecordAt(ary, index) : nullptr;
}

const void* Vell_Ary_GetDataPtr(const VELL_ARY* ary, int32_t index) {
  return ValidIndex(ary, index) ? RecordAt(ary, index) : nullptr;
}

void Vell_Ary_QuickSort(VELL_ARY* ary, int (*compare)(const void*, const void*)) {
  if (ary == nullptr || ary->data == nullptr || ary->count <= 1 || compare == nullptr) return;
  std::qsort(ary->data, static_cast<size_t>(ary->count), static_cast<size_t>(ary->recordSize),
             compare);
}

void Vell_Ary_Lock(VELL_ARY* /*ary*/, bool* flag) {
  if (flag != nullptr) *flag = false;
}

void Vell_Ary_Unlock(VELL_ARY* /*ary*/) {}
