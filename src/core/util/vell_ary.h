// VELL_ARY: a growable array of fixed-size records copied in and out by value.
// Every record table, list and result set of the program is one of these.
#pragma once

#include <cstdint>
#include <memory>

#include "core/util/vell_status.h"

struct VELL_ARY {
  uint8_t* data;            // capacity * recordSize bytes; null until the first insertion
  int32_t capacity;         // records data has room for
  int32_t count;            // records held
  int32_t recordSize;       // bytes per record
  int32_t initialCapacity;  // room allocated at the first insertion, in records
  int32_t growStep;         // records added to capacity each time the array is full
};

// A new empty array; an initial capacity or grow step of 0 or less becomes 20.
// Null when memory is exhausted or the record size is not positive.
[[nodiscard]] VELL_ARY* Vell_Ary_Init(int32_t recordSize, int32_t initialCapacity,
                                      int32_t growStep);
// Frees the records and the header; null does nothing.
void Vell_Ary_Free(VELL_ARY* ary);
[[nodiscard]] int32_t Vell_Ary_GetSize(const VELL_ARY* ary);
// Frees the records; the array keeps its record size and can be filled again.
void Vell_Ary_RemoveAll(VELL_ARY* ary);
// Inserts a copy of record (zero bytes when null) at index, clamped to 0..count.
// 0, or kVellFailed when memory is exhausted or the size would overflow (array unchanged).
[[nodiscard]] int32_t Vell_Ary_Insert(VELL_ARY* ary, int32_t index, const void* record);
[[nodiscard]] int32_t Vell_Ary_Add(VELL_ARY* ary, const void* record);
// Overwrites record index; an invalid index does nothing.
void Vell_Ary_Update(VELL_ARY* ary, int32_t index, const void* record);
void Vell_Ary_Remove(VELL_ARY* ary, int32_t index);
void Vell_Ary_Swap(VELL_ARY* ary, int32_t a, int32_t b);
// Zero-fills out (recordSize bytes), then copies record index into it when valid.
void Vell_Ary_GetData(const VELL_ARY* ary, int32_t index, void* out);
// Pointer to record index, or null; valid until the next insertion or removal.
[[nodiscard]] void* Vell_Ary_GetDataPtr(VELL_ARY* ary, int32_t index);
[[nodiscard]] const void* Vell_Ary_GetDataPtr(const VELL_ARY* ary, int32_t index);
void Vell_Ary_QuickSort(VELL_ARY* ary, int (*compare)(const void*, const void*));
// Sets *flag to false and nothing else; kept for callers that bracket direct access.
void Vell_Ary_Lock(VELL_ARY* ary, bool* flag);
void Vell_Ary_Unlock(VELL_ARY* ary);

// Owns a VELL_ARY and frees it with Vell_Ary_Free.
struct VellAryDeleter {
  void operator()(VELL_ARY* ary) const { Vell_Ary_Free(ary); }
};
using VellAryPtr = std::unique_ptr<VELL_ARY, VellAryDeleter>;
