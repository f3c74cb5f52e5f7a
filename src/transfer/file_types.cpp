#include "transfer/file_types.h"

#include <cstddef>

#include "core/document/blocks.h"
#include "core/document/file_type.h"
#include "core/document/id_counter.h"
#include "core/document/records.h"
#include "core/util/vell_log.h"

// The icon of every file type (resources/icons/txt-icon.tiff, linked into the core).
extern const unsigned char kKdxDefaultFileTypeIcon[];
extern const std::size_t kKdxDefaultFileTypeIcon_size;

namespace {

// Adds a type for ext with its own icon block; its identifier, or
// kKdxFileTypeNoIdentifier or kKdxFileTypeNotStored (logged under caller).
[[nodiscard]] int32_t AddFileType(const std::string& path, const std::string& ext,
                                  VELL_ARY* idCounterAry, VELL_ARY* fileTypeAry,
                                  const char* caller) {
  const auto iconSize = static_cast<int32_t>(kKdxDefaultFileTypeIcon_size);
  KDX_FILE_TYPE type;
  // The type's identifier is drawn before its icon's, as a new document draws them.
  if (FT_MakeRecord(idCounterAry, ext.c_str(), 0, iconSize, &type) != 0) {
    Vell_SystemErrorLog("[-1] %s\r\n", caller);
    return kKdxFileTypeNoIdentifier;
  }
  const int32_t iconId = IC_GetID_FromCounter(idCounterAry, kKdxTagFIIC, "fi_id");
  if (iconId < 0) {
    Vell_SystemErrorLog("[-1] %s\r\n", caller);
    return kKdxFileTypeNoIdentifier;
  }
  type.ft_fi_id = iconId;
  if (FI_CreateNewData(path.c_str(), iconId, kKdxDefaultFileTypeIcon, iconSize) != 0 ||
      FT_AddData(fileTypeAry, type) != 0) {
    Vell_SystemErrorLog("[-2] %s\r\n", caller);
    return kKdxFileTypeNotStored;
  }
  return type.ft_id;
}

}  // namespace

int32_t KDX_SetFileType(const std::string& path, const std::string& extension,
                        VELL_ARY* idCounterAry, VELL_ARY* fileTypeAry) {
  if (extension == kKdxV2FileTypeName) return KDX_SetV2FileType(path, fileTypeAry, idCounterAry);
  const int32_t id = FT_FindID_ByExt(fileTypeAry, extension.c_str());
  if (id >= 0) return id;
  return AddFileType(path, extension, idCounterAry, fileTypeAry, "KDX_SetFileType");
}

int32_t KDX_SetV2FileType(const std::string& path, VELL_ARY* fileTypeAry, VELL_ARY* idCounterAry) {
  const int32_t id = FT_FindID_ByExt(fileTypeAry, kKdxV2FileTypeName);
  if (id >= 0) return id;
  return AddFileType(path, kKdxV2FileTypeName, idCounterAry, fileTypeAry, "KDX_SetV2FileType");
}

int32_t KDXCOMM_SetDefaultFileTypeAry(const std::string& path, VELL_ARY* idCounterAry,
                                      VELL_ARY* fileTypeAry) {
  return KDX_SetFileType(path, "txt", idCounterAry, fileTypeAry);
}
