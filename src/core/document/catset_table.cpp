#include "core/document/catset_table.h"

#include <cstring>

#include "core/document/id_counter.h"
#include "core/document/record_layout.h"
#include "core/document/record_table.h"
#include "core/util/vell_log.h"
#include "core/util/vell_utf8.h"

using kdx_table::CategoryTitleTable;
using kdx_table::CatsetTable;

namespace {

const char* NameAt(const KDX_CATSET& c, int32_t level) {
  return level == 1 ? c.ct_cat1_name : level == 2 ? c.ct_cat2_name : c.ct_cat3_name;
}

const char* OrEmpty(const char* s) { return s != nullptr ? s : ""; }

void DistinctNames(const VELL_ARY* catSetAry, int32_t level, VELL_ARY* names) {
  Vell_Ary_RemoveAll(names);
  bool failed = false;
  CatsetTable::ForEach(catSetAry, [&](const KDX_CATSET& c, int32_t) {
    if (!failed && CT_IsContainsCategory(names, NameAt(c, level)) == 0) {
      char record[kKdxCategoryNameSize] = {};
      std::memcpy(record, NameAt(c, level), sizeof record);
      failed = Vell_Ary_Add(names, record) != 0;
    }
  });
  // The list is shown, never saved; a name it lacks must still be noticed.
  if (failed) Vell_SystemErrorLog("[-1] CT_GetDistinctCat%dArray\r\n", level);
}

}  // namespace

int32_t CT_InitData(const char* name, VELL_ARY* idCounterAry, VELL_ARY* catSetAry) {
  return CT_AddData(name, name, name, idCounterAry, catSetAry);
}

int32_t CT_AddData(const char* cat1, const char* cat2, const char* cat3, VELL_ARY* idCounterAry,
                   VELL_ARY* catSetAry) {
  KDX_CATSET c{};
  c.ct_id = IC_GetID_FromCounter(idCounterAry, kKdxTagCATS, "ct_id");
  if (c.ct_id < 0) return kKdxFailed;
  kdx_layout::SetCreatedNow(c.ct_create_date, c.ct_update_date);
  Vell_Utf8CopyCut(c.ct_cat1_name, sizeof c.ct_cat1_name, OrEmpty(cat1));
  Vell_Utf8CopyCut(c.ct_cat2_name, sizeof c.ct_cat2_name, OrEmpty(cat2));
  Vell_Utf8CopyCut(c.ct_cat3_name, sizeof c.ct_cat3_name, OrEmpty(cat3));
  return CatsetTable::Add(catSetAry, c);
}

int32_t CT_SetData(VELL_ARY* catSetAry, VELL_ARY* idCounterAry, const char* cat1, const char* cat2,
                   const char* cat3) {
  if (CT_IsCatSetExists(catSetAry, cat1, cat2, cat3) == 1) return 1;
  return CT_AddData(cat1, cat2, cat3, idCounterAry, catSetAry) == 0 ? 0 : kKdxFailed;
}

int32_t CT_IsCatSetExists(const VELL_ARY* catSetAry, const char* cat1, const char* cat2,
                          const char* cat3) {
  const int32_t index = CatsetTable::Find(catSetAry, [&](const KDX_CATSET& c) {
    return std::strcmp(c.ct_cat1_name, OrEmpty(cat1)) == 0 &&
           std::strcmp(c.ct_cat2_name, OrEmpty(cat2)) == 0 &&
           std::strcmp(c.ct_cat3_name, OrEmpty(cat3)) == 0;
  });
  return index >= 0 ? 1 : 0;
}

int32_t CT_Remove(VELL_ARY* catSetAry, const char* name, int32_t level) {
  if (name == nullptr || level < 1 || level > 3) return 0;
  return CatsetTable::RemoveAll(
      catSetAry, [&](const KDX_CATSET& c) { return std::strcmp(NameAt(c, level), name) == 0; });
}

void CT_GetData(const VELL_ARY* catSetAry, int32_t index, KDX_CATSET* catset) {
  CatsetTable::At(catSetAry, index, catset);
}

void CT_GetData_ByIndex(const VELL_ARY* catSetAry, int32_t index, KDX_CATSET* catset) {
  CT_GetData(catSetAry, index, catset);
}

void CT_GetDistinctCat1Array(const VELL_ARY* catSetAry, VELL_ARY* names) {
  DistinctNames(catSetAry, 1, names);
}
void CT_GetDistinctCat2Array(const VELL_ARY* catSetAry, VELL_ARY* names) {
  DistinctNames(catSetAry, 2, names);
}
void CT_GetDistinctCat3Array(const VELL_ARY* catSetAry, VELL_ARY* names) {
  DistinctNames(catSetAry, 3, names);
}

int32_t CT_IsContainsCategory(const VELL_ARY* names, const char* name) {
  // A name as long as the record cannot be held with its NUL.
  if (name == nullptr || std::strlen(name) >= static_cast<size_t>(kKdxCategoryNameSize)) return 0;
  const int32_t count = Vell_Ary_GetSize(names);
  for (int32_t i = 0; i < count; ++i) {
    const char* record = static_cast<const char*>(Vell_Ary_GetDataPtr(names, i));
    if (std::strncmp(record, name, kKdxCategoryNameSize) == 0) return 1;
  }
  return 0;
}

void CT_CategoryOther_define(char* out, size_t outSize) {
  Vell_Utf8CopyCut(out, outSize, kKdxCategoryOther);
}

void CT_CategoryAll_define(char* out, size_t outSize) {
  Vell_Utf8CopyCut(out, outSize, kKdxCategoryAll);
}

int32_t TI_GetData(const VELL_ARY* catTitleAry, KDX_CATEGORY_TITLE* title) {
  return CategoryTitleTable::At(catTitleAry, 0, title) ? 1 : 0;
}

int32_t TI_SetData(VELL_ARY* catTitleAry, const KDX_CATEGORY_TITLE& title) {
  if (Vell_Ary_GetSize(catTitleAry) == 0) return CategoryTitleTable::Add(catTitleAry, title);
  CategoryTitleTable::Put(catTitleAry, 0, title);
  return 0;
}
