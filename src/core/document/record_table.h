// The loops every record table repeats, written once: a table is a VELL_ARY of
// stored records, read and written through its record's converter pair. The
// tables' named operations (CT_, CO_, CL_, EV_, FT_, HI_, BF_, IC_, PR_, AT_)
// wrap these and keep each its own results.
#pragma once

#include <cstdint>
#include <cstring>

#include "core/document/records.h"
#include "core/util/vell_ary.h"

namespace kdx_table {

// Record: the memory form; Get/Set: its converters; Size: the stored size;
// Id: the identifier field, or nullptr for a table whose records have none.
template <typename Record, void (*Get)(const uint8_t*, Record*),
          void (*Set)(const Record&, uint8_t*), int32_t Size, int32_t Record::*Id>
struct Table {
  using RecordType = Record;

  // The record at index: true, or false with *out all zero for a bad index.
  static bool At(const VELL_ARY* ary, int32_t index, Record* out) {
    const auto* stored = static_cast<const uint8_t*>(Vell_Ary_GetDataPtr(ary, index));
    if (stored == nullptr) {
      std::memset(out, 0, sizeof *out);
      return false;
    }
    Get(stored, out);
    return true;
  }

  // Overwrites the record at index; a bad index does nothing.
  static void Put(VELL_ARY* ary, int32_t index, const Record& record) {
    if (index < 0 || index >= Vell_Ary_GetSize(ary)) return;
    uint8_t stored[Size];
    Set(record, stored);
    Vell_Ary_Update(ary, index, stored);
  }

  // Inserts at index (clamped to 0..count) or appends; 0, or -1 when memory runs out.
  [[nodiscard]] static int32_t Insert(VELL_ARY* ary, int32_t index, const Record& record) {
    uint8_t stored[Size];
    Set(record, stored);
    return Vell_Ary_Insert(ary, index, stored);
  }
  [[nodiscard]] static int32_t Add(VELL_ARY* ary, const Record& record) {
    return Insert(ary, Vell_Ary_GetSize(ary), record);
  }

  // Calls visit(record, index) for every record in order.
  template <typename Visit>
  static void ForEach(const VELL_ARY* ary, Visit&& visit) {
    const int32_t count = Vell_Ary_GetSize(ary);
    for (int32_t i = 0; i < count; ++i) {
      Record record;
      Get(static_cast<const uint8_t*>(Vell_Ary_GetDataPtr(ary, i)), &record);
      visit(record, i);
    }
  }

  // Index of the first record for which match(record) holds, the record then
  // in *found when given; -1 when none does.
  template <typename Match>
  [[nodiscard]] static int32_t Find(const VELL_ARY* ary, Match&& match, Record* found = nullptr) {
    const int32_t count = Vell_Ary_GetSize(ary);
    for (int32_t i = 0; i < count; ++i) {
      Record record;
      Get(static_cast<const uint8_t*>(Vell_Ary_GetDataPtr(ary, i)), &record);
      if (match(record)) {
        if (found != nullptr) *found = record;
        return i;
      }
    }
    return -1;
  }

  // Removes every record for which match(record) holds; the number removed.
  template <typename Match>
  static int32_t RemoveAll(VELL_ARY* ary, Match&& match) {
    int32_t removed = 0;
    // From the end, so removals do not shift records still to be visited.
    for (int32_t i = Vell_Ary_GetSize(ary) - 1; i >= 0; --i) {
      Record record;
      Get(static_cast<const uint8_t*>(Vell_Ary_GetDataPtr(ary, i)), &record);
      if (match(record)) {
        Vell_Ary_Remove(ary, i);
        ++removed;
      }
    }
    return removed;
  }

  // By identifier: the index of the first record carrying id (the record in
  // *found when given), or -1.
  [[nodiscard]] static int32_t IndexOf(const VELL_ARY* ary, int32_t id, Record* found = nullptr) {
    return Find(
        ary, [id](const Record& record) { return record.*Id == id; }, found);
  }
  // Overwrites the record with record's identifier; its index, or -1 when absent.
  [[nodiscard]] static int32_t Replace(VELL_ARY* ary, const Record& record) {
    const int32_t index = IndexOf(ary, record.*Id);
    if (index >= 0) Put(ary, index, record);
    return index;
  }
  // Removes the record carrying id; its index, or -1 when absent.
  [[nodiscard]] static int32_t Remove(VELL_ARY* ary, int32_t id) {
    const int32_t index = IndexOf(ary, id);
    if (index >= 0) Vell_Ary_Remove(ary, index);
    return index;
  }
};

using CatsetTable =
    Table<KDX_CATSET, KDX_GetKdxCatset, KDX_SetKdxCatset, kKdxCatsetSize, &KDX_CATSET::ct_id>;
using CategoryTitleTable = Table<KDX_CATEGORY_TITLE, KDX_GetKdxCategoryTitle,
                                 KDX_SetKdxCategoryTitle, kKdxCategoryTitleSize, nullptr>;
using IdCounterTable = Table<KDX_ID_COUNTER, KDX_GetKdxIdCounter, KDX_SetKdxIdCounter,
                             kKdxIdCounterSize, &KDX_ID_COUNTER::ic_id>;
using EnvironmentTable = Table<KDX_ENVIRONMENT, KDX_GetKdxEnvironment, KDX_SetKdxEnvironment,
                               kKdxEnvironmentSize, &KDX_ENVIRONMENT::ev_id>;
using ColorLabelTable = Table<KDX_COLOR_LABEL, KDX_GetKdxColorLabel, KDX_SetKdxColorLabel,
                              kKdxColorLabelSize, &KDX_COLOR_LABEL::co_id>;
using ColumnTable = Table<KDX_COLUMN, KDX_GetKdxColumnwidth, KDX_SetKdxColumnwidth, kKdxColumnSize,
                          &KDX_COLUMN::cl_id>;
using FileTypeTable = Table<KDX_FILE_TYPE, KDX_GetKdxFileType, KDX_SetKdxFileType, kKdxFileTypeSize,
                            &KDX_FILE_TYPE::ft_id>;
using SearchHistoryTable =
    Table<KDX_SEARCH_HISTORY, KDX_GetKdxSerachHistory, KDX_SetKdxSerachHistory,
          kKdxSearchHistorySize, &KDX_SEARCH_HISTORY::hi_id>;
using BodyFindHistoryTable =
    Table<KDX_BODY_FIND_HISTORY, KDX_GetKdxBodyFindHistory, KDX_SetKdxBodyFindHistory,
          kKdxBodyFindHistorySize, &KDX_BODY_FIND_HISTORY::bf_id>;
using ProjectTable =
    Table<KDX_PROJECT, KDX_GetKdxProject, KDX_SetKdxProject, kKdxProjectSize, &KDX_PROJECT::pr_id>;
using AttachmentTable = Table<KDX_ATTACHMENT, KDX_GetZytAttachment, KDX_SetZytAttachment,
                              kKdxAttachmentSize, &KDX_ATTACHMENT::at_id>;

}  // namespace kdx_table
