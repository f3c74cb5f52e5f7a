#include "core/document/file_type.h"

#include <cstring>

#include "core/document/id_counter.h"
#include "core/document/record_layout.h"
#include "core/document/record_table.h"
#include "core/util/vell_utf8.h"

using kdx_table::FileTypeTable;

int32_t FT_AddData(VELL_ARY* fileTypeAry, const KDX_FILE_TYPE& type) {
  return FileTypeTable::Add(fileTypeAry, type);
}

int32_t FT_GetData(const VELL_ARY* fileTypeAry, int32_t id, KDX_FILE_TYPE* type) {
  return FileTypeTable::IndexOf(fileTypeAry, id, type);
}

int32_t FT_SetData(VELL_ARY* fileTypeAry, const KDX_FILE_TYPE& type) {
  return FileTypeTable::Replace(fileTypeAry, type) < 0 ? kKdxRecordMissing : 0;
}

int32_t FT_Remove(VELL_ARY* fileTypeAry, int32_t id) {
  return FileTypeTable::Remove(fileTypeAry, id) < 0 ? kKdxRecordMissing : 0;
}

int32_t FT_FindID_ByExt(const VELL_ARY* fileTypeAry, const char* ext) {
  if (ext == nullptr) return -1;
  KDX_FILE_TYPE t;
  const int32_t index = FileTypeTable::Find(
      fileTypeAry, [ext](const KDX_FILE_TYPE& type) { return std::strcmp(type.ft_ext, ext) == 0; },
      &t);
  return index >= 0 ? t.ft_id : -1;
}

int32_t FT_FindIndex_ByID(const VELL_ARY* fileTypeAry, int32_t id) {
  return FileTypeTable::IndexOf(fileTypeAry, id);
}

void FT_GetData_ByIndex(const VELL_ARY* fileTypeAry, int32_t index, KDX_FILE_TYPE* type) {
  FileTypeTable::At(fileTypeAry, index, type);
}

int32_t FT_GetRawDataSize(int32_t blockSize) { return blockSize < 8 ? 0 : blockSize - 8; }

int32_t FT_MakeRecord(VELL_ARY* idCounterAry, const char* ext, int32_t iconId, int32_t iconSize,
                      KDX_FILE_TYPE* type) {
  std::memset(type, 0, sizeof *type);
  const int32_t id = IC_GetID_FromCounter(idCounterAry, kKdxTagFITY, "ft_id");
  if (id < 0) return kKdxFailed;
  type->ft_id = id;
  kdx_layout::SetCreatedNow(type->ft_create_date, type->ft_update_date);
  Vell_Utf8CopyCut(type->ft_ext, sizeof type->ft_ext, ext != nullptr ? ext : "");
  type->ft_fi_id = iconId;
  type->ft_icon_size = iconSize;
  return 0;
}
