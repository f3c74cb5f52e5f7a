#include "core/document/kdx_data.h"

#include <cstring>

#include "core/document/catset_table.h"
#include "core/document/entry_table.h"
#include "core/document/id_counter.h"
#include "core/document/record_layout.h"
#include "core/document/records.h"
#include "core/util/vell_system.h"
#include "core/util/vell_utf8.h"

namespace {

// The tables KDX_InitKdxData owns, with their record sizes.
struct OwnedTable {
  VELL_ARY* KDX_DATA::*field;
  int32_t recordSize;
  int32_t initialCapacity;  // 0: the array's default
  int32_t growStep;
};

constexpr OwnedTable kOwnedTables[] = {
    {&KDX_DATA::entryAry, kKdxEntrySize, 0, 0},
    {&KDX_DATA::idCounterAry, kKdxIdCounterSize, 0, 0},
    {&KDX_DATA::cat1Ary, kKdxCategoryNameSize, 0, 0},
    {&KDX_DATA::cat2Ary, kKdxCategoryNameSize, 0, 0},
    {&KDX_DATA::cat3Ary, kKdxCategoryNameSize, 0, 0},
    {&KDX_DATA::catSetAry, kKdxCatsetSize, 0, 0},
    {&KDX_DATA::catTitleAry, kKdxCategoryTitleSize, 0, 0},
    {&KDX_DATA::envAry, kKdxEnvironmentSize, 0, 0},
    {&KDX_DATA::columnAry, kKdxColumnSize, 0, 0},
    {&KDX_DATA::colorLabelAry, kKdxColorLabelSize, 0, 0},
    {&KDX_DATA::fileTypeAry, kKdxFileTypeSize, 0, 0},
};

constexpr int32_t kEntryHashBuckets = 999;

void CopyText(char* dst, size_t size, const char* src) {
  Vell_Utf8CopyCut(dst, size, src != nullptr ? src : "");
}

// The browser's "all" item is not a category an entry can have.
void CopyCategory(char (&dst)[128], const char* name) {
  if (name != nullptr && std::strcmp(name, kKdxCategoryAll) == 0) name = kKdxCategoryOther;
  CopyText(dst, sizeof dst, name);
}

}  // namespace

int32_t KDX_InitKdxData(KDX_DATA* data) {
  data->kdxFilePath.clear();
  data->showIDAry.clear();
  data->listOrder.clear();
  for (const OwnedTable& t : kOwnedTables) data->*t.field = nullptr;
  data->attachmentAry = data->projectAry = nullptr;
  data->entryHash = nullptr;
  data->fileState.reset();

  for (const OwnedTable& t : kOwnedTables) {
    data->*t.field = Vell_Ary_Init(t.recordSize, t.initialCapacity, t.growStep);
    if (data->*t.field == nullptr) {
      KDX_FreeKdxData(data);
      return kKdxFailed;
    }
  }
  data->entryHash = Vell_Hash_Init(kEntryHashBuckets);
  if (data->entryHash == nullptr) {
    KDX_FreeKdxData(data);
    return kKdxFailed;
  }
  return 0;
}

void KDX_FreeKdxData(KDX_DATA* data) {
  for (const OwnedTable& t : kOwnedTables) {
    Vell_Ary_Free(data->*t.field);
    data->*t.field = nullptr;
  }
  Vell_Hash_Free(data->entryHash);
  data->entryHash = nullptr;
  data->showIDAry.clear();
  data->listOrder.clear();
  data->fileState.reset();
}

int32_t KDX_FindEntry(const KDX_DATA* data, int32_t id, KDX_ENTRY* entry) {
  int32_t index = EN_Hash_FindIndex_ByID(data->entryAry, data->entryHash, id);
  if (index < 0) index = EN_FindIndex_ByID(data->entryAry, id);
  if (index >= 0 && entry != nullptr) EN_GetData_ByIndex(data->entryAry, index, entry);
  return index;
}

int32_t KDX_RebuildEntryHash(KDX_DATA* data) {
  Vell_Hash_RemoveAll(data->entryHash);
  return EN_Hash_MakeEntryTable(data->entryAry, data->entryHash);
}

void EN_InitData(KDX_DATA* data, const char* title, const char* cat1, const char* cat2,
                 const char* cat3, int32_t turnMode, const char* turnWidth, KDX_ENTRY* entry) {
  std::memset(entry, 0, sizeof *entry);
  entry->en_id = IC_GetID_FromCounter(data->idCounterAry, kKdxTagENTR, "en_id");
  CopyText(entry->en_title, sizeof entry->en_title, title);
  CopyCategory(entry->en_cat1_name, cat1);
  CopyCategory(entry->en_cat2_name, cat2);
  CopyCategory(entry->en_cat3_name, cat3);
  kdx_layout::SetNow(entry->en_create_date);
  std::memcpy(entry->en_update_date, entry->en_create_date, sizeof entry->en_update_date);
  Vell_GetOSVersionString(entry->en_create_os, sizeof entry->en_create_os);
  std::memcpy(entry->en_update_os, entry->en_create_os, sizeof entry->en_update_os);
  Vell_GetMachineName(entry->en_create_machine_name, sizeof entry->en_create_machine_name);
  std::memcpy(entry->en_update_machine_name, entry->en_create_machine_name,
              sizeof entry->en_update_machine_name);
  entry->en_detail_toggle = 1;
  entry->en_turn = turnMode;
  CopyText(entry->en_turn_width, sizeof entry->en_turn_width, turnWidth);
  CopyText(entry->en_encode, sizeof entry->en_encode, "S-JIS");
}

int32_t TI_InitData(const char* title1, const char* title2, const char* title3,
                    VELL_ARY* catTitleAry) {
  KDX_CATEGORY_TITLE t{};
  kdx_layout::SetNow(t.ti_create_date);
  std::memcpy(t.ti_update_date, t.ti_create_date, sizeof t.ti_update_date);
  CopyText(t.ti_cat1_title, sizeof t.ti_cat1_title, title1);
  CopyText(t.ti_cat2_title, sizeof t.ti_cat2_title, title2);
  CopyText(t.ti_cat3_title, sizeof t.ti_cat3_title, title3);
  uint8_t stored[kKdxCategoryTitleSize];
  KDX_SetKdxCategoryTitle(t, stored);
  return Vell_Ary_Add(catTitleAry, stored);
}
