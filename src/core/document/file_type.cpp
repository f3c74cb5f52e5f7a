#include "core/document/file_type.h"

#include <cstring>

#include "core/document/id_counter.h"
#include "core/document/record_layout.h"
#include "core/util/vell_utf8.h"

namespace {

const uint8_t* StoredAt(const VELL_ARY* ary, int32_t index) {
  return static_cast<const uint8_t*>(Vell_Ary_GetDataPtr(ary, index));
}

}  // namespace

int32_t FT_AddData(VELL_ARY* fileTypeAry, const KDX_FILE_TYPE& type) {
  uint8_t stored[kKdxFileTypeSize];
  KDX_SetKdxFileType(type, stored);
  return Vell_Ary_Add(fileTypeAry, stored);
}

int32_t FT_GetData(const VELL_ARY* fileTypeAry, int32_t id, KDX_FILE_TYPE* type) {
  const int32_t index = FT_FindIndex_ByID(fileTypeAry, id);
  if (index >= 0) KDX_GetKdxFileType(StoredAt(fileTypeAry, index), type);
  return index;
}

int32_t FT_SetData(VELL_ARY* fileTypeAry, const KDX_FILE_TYPE& type) {
  const int32_t index = FT_FindIndex_ByID(fileTypeAry, type.ft_id);
  if (index < 0) return -1001;
  uint8_t stored[kKdxFileTypeSize];
  KDX_SetKdxFileType(type, stored);
  Vell_Ary_Update(fileTypeAry, index, stored);
  return 0;
}

int32_t FT_Remove(VELL_ARY* fileTypeAry, int32_t id) {
  const int32_t index = FT_FindIndex_ByID(fileTypeAry, id);
  if (index < 0) return -1001;
  Vell_Ary_Remove(fileTypeAry, index);
  return 0;
}

int32_t FT_FindID_ByExt(const VELL_ARY* fileTypeAry, const char* ext) {
  if (ext == nullptr) return -1;
  const int32_t count = Vell_Ary_GetSize(fileTypeAry);
  for (int32_t i = 0; i < count; ++i) {
    KDX_FILE_TYPE t;
    KDX_GetKdxFileType(StoredAt(fileTypeAry, i), &t);
    if (std::strcmp(t.ft_ext, ext) == 0) return t.ft_id;
  }
  return -1;
}

int32_t FT_FindIndex_ByID(const VELL_ARY* fileTypeAry, int32_t id) {
  const int32_t count = Vell_Ary_GetSize(fileTypeAry);
  for (int32_t i = 0; i < count; ++i) {
    KDX_FILE_TYPE t;
    KDX_GetKdxFileType(StoredAt(fileTypeAry, i), &t);
    if (t.ft_id == id) return i;
  }
  return -1;
}

void FT_GetData_ByIndex(const VELL_ARY* fileTypeAry, int32_t index, KDX_FILE_TYPE* type) {
  const uint8_t* stored = StoredAt(fileTypeAry, index);
  if (stored == nullptr) {
    std::memset(type, 0, sizeof *type);
    return;
  }
  KDX_GetKdxFileType(stored, type);
}

int32_t FT_GetRawDataSize(int32_t blockSize) { return blockSize < 8 ? 0 : blockSize - 8; }

int32_t FT_MakeRecord(VELL_ARY* idCounterAry, const char* ext, int32_t iconId, int32_t iconSize,
                      KDX_FILE_TYPE* type) {
  std::memset(type, 0, sizeof *type);
  const int32_t id = IC_GetID_FromCounter(idCounterAry, kKdxTagFITY, "ft_id");
  if (id < 0) return -1;
  type->ft_id = id;
  kdx_layout::SetNow(type->ft_create_date);
  std::memcpy(type->ft_update_date, type->ft_create_date, sizeof type->ft_update_date);
  Vell_Utf8CopyCut(type->ft_ext, sizeof type->ft_ext, ext != nullptr ? ext : "");
  type->ft_fi_id = iconId;
  type->ft_icon_size = iconSize;
  return 0;
}
