#include "core/document/column_table.h"

#include <cstring>

#include "core/document/id_counter.h"
#include "core/document/record_layout.h"
#include "core/document/record_table.h"
#include "core/util/vell_utf8.h"

using kdx_table::ColumnTable;

namespace {

struct DefaultColumn {
  const char* identifier;
  int32_t width;
  bool shown;
};

// Indexed by column kind.
constexpr DefaultColumn kDefaultColumns[kKdxColumnKindCount] = {
    {"en_ft_id", 36, true},
    {"en_id", 36, true},
    {"en_title", 120, true},
    {"en_cat1_name", 100, true},
    {"en_cat2_name", 100, true},
    {"en_cat3_name", 100, true},
    {"en_create_date", 120, false},
    {"en_update_date", 120, true},
    {"en_last_opened_date", 120, false},
    {"en_use_date", 120, false},
    {"en_bo_block_size", 100, false},
    {"en_encoding", 100, false},
    {"en_encrpyt", 50, false},  // spelled so wherever it names the column
    {"en_file_path", 100, false},
    {"en_note", 100, false},
    {"en_co_id", 100, false},
    {"en_create_os", 100, false},
    {"en_update_os", 100, false},
    {"en_create_machine_name", 100, false},
    {"en_update_machine_name", 100, false},
};

// Matches the columns showing the field identifier.
auto NamedBy(const char* identifier) {
  return
      [identifier](const KDX_COLUMN& c) { return std::strcmp(c.cl_identifier, identifier) == 0; };
}

using SortKeyFlag = bool KDX_COLUMN::*;

[[nodiscard]] int32_t FindFlagged(const VELL_ARY* columnAry, SortKeyFlag flag, KDX_COLUMN* column) {
  auto flagged = [flag](const KDX_COLUMN& c) { return c.*flag; };
  return ColumnTable::Find(columnAry, flagged, column) >= 0 ? 1 : 0;
}

void ClearKey(VELL_ARY* columnAry, SortKeyFlag flag) {
  ColumnTable::ForEach(columnAry, [&](KDX_COLUMN c, int32_t index) {
    if (!(c.*flag)) return;
    c.*flag = false;
    ColumnTable::Put(columnAry, index, c);
  });
}

void SetKey(int32_t kind, bool ascending, VELL_ARY* columnAry, SortKeyFlag flag) {
  ClearKey(columnAry, flag);
  const int32_t index = CL_FindIndex_ByID(columnAry, kind);
  if (index < 0) return;
  KDX_COLUMN c;
  CL_GetData_ByIndex(columnAry, index, &c);
  c.*flag = true;
  c.cl_ascending = ascending;
  CL_SetData_ByIndex(columnAry, index, c);
}

}  // namespace

int32_t CL_InitData(VELL_ARY* idCounterAry, const char* identifier, int32_t width, int32_t position,
                    bool ascending, bool shown, KDX_COLUMN* column) {
  std::memset(column, 0, sizeof *column);
  const int32_t id = IC_GetID_FromCounter(idCounterAry, kKdxTagCLBU, "cl_id");
  if (id < 0) return kKdxFailed;
  column->cl_id = id;
  kdx_layout::SetCreatedNow(column->cl_create_date, column->cl_update_date);
  Vell_Utf8CopyCut(column->cl_identifier, sizeof column->cl_identifier,
                   identifier != nullptr ? identifier : "");
  column->cl_width = width;
  column->cl_position = position;
  column->cl_ascending = ascending;
  column->cl_shown = shown;
  return 0;
}

int32_t CL_SetData(VELL_ARY* columnAry, const KDX_COLUMN& column) {
  if (column.cl_identifier[0] == '\0') return kKdxRecordMissing;
  if (ColumnTable::Replace(columnAry, column) >= 0) return 0;
  return ColumnTable::Add(columnAry, column);
}

int32_t CL_InsertData(VELL_ARY* columnAry, int32_t index, const KDX_COLUMN& column) {
  return ColumnTable::Insert(columnAry, index, column);
}

int32_t CL_FindIndex_ByID(const VELL_ARY* columnAry, int32_t id) {
  return ColumnTable::IndexOf(columnAry, id);
}

int32_t CL_FindIndex_ByNumber(const VELL_ARY* columnAry, int32_t position) {
  return ColumnTable::Find(columnAry,
                           [position](const KDX_COLUMN& c) { return c.cl_position == position; });
}

void CL_GetData_ByIndex(const VELL_ARY* columnAry, int32_t index, KDX_COLUMN* column) {
  ColumnTable::At(columnAry, index, column);
}

void CL_SetData_ByIndex(VELL_ARY* columnAry, int32_t index, const KDX_COLUMN& column) {
  ColumnTable::Put(columnAry, index, column);
}

int32_t CL_GetData_ByIdentifier(const VELL_ARY* columnAry, const char* identifier,
                                KDX_COLUMN* column) {
  if (identifier == nullptr) return 0;
  return ColumnTable::Find(columnAry, NamedBy(identifier), column) >= 0 ? 1 : 0;
}

int32_t CL_DeleteData_ByIdentifier(VELL_ARY* columnAry, const char* identifier) {
  if (identifier == nullptr) return 0;
  const int32_t index = ColumnTable::Find(columnAry, NamedBy(identifier));
  if (index < 0) return 0;
  Vell_Ary_Remove(columnAry, index);
  return 1;
}

int32_t CL_FirstSortKeyColumnWidth(const VELL_ARY* columnAry, KDX_COLUMN* column) {
  return FindFlagged(columnAry, &KDX_COLUMN::cl_first_sort_key, column);
}
int32_t CL_SecondSortKeyColumnWidth(const VELL_ARY* columnAry, KDX_COLUMN* column) {
  return FindFlagged(columnAry, &KDX_COLUMN::cl_second_sort_key, column);
}
int32_t CL_ThirdSortKeyColumnWidth(const VELL_ARY* columnAry, KDX_COLUMN* column) {
  return FindFlagged(columnAry, &KDX_COLUMN::cl_third_sort_key, column);
}

int32_t KDX_InitColumnWidth(VELL_ARY* idCounterAry, VELL_ARY* columnAry) {
  for (int32_t kind = 0; kind < kKdxColumnKindCount; ++kind) {
    const DefaultColumn& d = kDefaultColumns[kind];
    KDX_COLUMN c;
    if (CL_InitData(idCounterAry, d.identifier, d.width, kind, true, d.shown, &c) != 0 ||
        CL_SetData(columnAry, c) != 0)
      return kKdxFailed;
  }
  return 0;
}

void KDX_InitDefaultSortKeys(VELL_ARY* columnAry) {
  CLCOMM_SetFirstSortKey(kKdxColumnKindEnId, false, columnAry);
  CLCOMM_ClearSecondSortKey(columnAry);
  CLCOMM_ClearThirdSortKey(columnAry);
}

void CLCOMM_SetFirstSortKey(int32_t kind, bool ascending, VELL_ARY* columnAry) {
  SetKey(kind, ascending, columnAry, &KDX_COLUMN::cl_first_sort_key);
}
void CLCOMM_SetSecondSortKey(int32_t kind, bool ascending, VELL_ARY* columnAry) {
  SetKey(kind, ascending, columnAry, &KDX_COLUMN::cl_second_sort_key);
}
void CLCOMM_SetThirdSortKey(int32_t kind, bool ascending, VELL_ARY* columnAry) {
  SetKey(kind, ascending, columnAry, &KDX_COLUMN::cl_third_sort_key);
}
void CLCOMM_ClearSecondSortKey(VELL_ARY* columnAry) {
  ClearKey(columnAry, &KDX_COLUMN::cl_second_sort_key);
}
void CLCOMM_ClearThirdSortKey(VELL_ARY* columnAry) {
  ClearKey(columnAry, &KDX_COLUMN::cl_third_sort_key);
}
