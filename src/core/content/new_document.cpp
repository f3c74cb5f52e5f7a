// Writing a new document of listed entries.
#include "core/content/new_document.h"

#include <unistd.h>

#include <filesystem>
#include <system_error>
#include <vector>

#include "core/container/rez_handle.h"
#include "core/content/entry_content.h"
#include "core/document/block_io.h"
#include "core/document/blocks.h"
#include "core/document/catset_table.h"
#include "core/document/color_label.h"
#include "core/document/entry_table.h"
#include "core/document/env_table.h"
#include "core/document/kdx_file.h"
#include "core/util/vell_file.h"
#include "core/util/vell_log.h"

namespace {

using ContainerIdFn = int32_t (*)(const char*, int32_t);

[[nodiscard]] int32_t CopyBlock(const char* srcPath, KdxBlockKind kind, ContainerIdFn containerIdOf,
                                const KDX_ENTRY& entry, const char* dstPath, int32_t expandSize) {
  std::vector<uint8_t> stored;
  int32_t status = KDX_LoadStoredForm(srcPath, kind, entry, stored);
  if (status == kKdxBlockMissing) return 0;
  if (status != 0) return status;
  const int32_t containerId = containerIdOf(srcPath, entry.en_id);
  if (containerId < 0) return REZ_ERR_IO;
  return KDX_CreateStoredBlock(dstPath, kind, expandSize, containerId, entry.en_id,
                               static_cast<int32_t>(stored.size()), stored.data());
}

[[nodiscard]] bool CopyTable(const VELL_ARY* from, VELL_ARY* to) {
  Vell_Ary_RemoveAll(to);
  for (int32_t i = 0; i < Vell_Ary_GetSize(from); ++i) {
    if (Vell_Ary_Add(to, Vell_Ary_GetDataPtr(from, i)) != 0) return false;
  }
  return true;
}

// Icons only change how the list looks, so a missing one is logged and the
// others are still copied.
void CopyFileIcons(const char* srcPath, const VELL_ARY* fileTypeAry, const char* dstPath) {
  for (int32_t i = 0; i < Vell_Ary_GetSize(fileTypeAry); ++i) {
    KDX_FILE_TYPE type;
    KDX_GetKdxFileType(static_cast<const uint8_t*>(Vell_Ary_GetDataPtr(fileTypeAry, i)), &type);
    int32_t size = 0;
    std::vector<uint8_t> icon;
    bool ok = FI_GetDataSize(srcPath, type.ft_fi_id, &size) == 1 && size >= 0 &&
              block_io::Allocate(icon, static_cast<uint64_t>(size));
    if (ok) {
      ok = FI_Load(srcPath, type.ft_fi_id, size, icon.data()) == 1 &&
           FI_CreateNewData(dstPath, type.ft_fi_id, icon.data(), size) == 0;
    }
    if (!ok) Vell_SystemErrorLog("[-2] KDX_SaveFileIconAll[%d]\r\n", type.ft_fi_id);
  }
}

[[nodiscard]] int32_t WriteNewDocument(KDX_DATA* data, const KDX_NEW_SAVE_OPTIONS& options,
                                       const char* path, int32_t expandSize) {
  KdxScopedData fresh;
  if (!fresh.ok) return kKdxBlockNoMemory;
  KDX_DATA& out = fresh.data;
  const char* src = data->kdxFilePath.c_str();
  // The source's counters, so that category sets made here and everything
  // the new document numbers later stay clear of the copied identifiers.
  if (!CopyTable(data->idCounterAry, out.idCounterAry)) return kKdxBlockNoMemory;

  for (int32_t id : data->showIDAry) {
    KDX_ENTRY entry;
    if (KDX_FindEntry(data, id, &entry) < 0) {
      Vell_SystemErrorLog("[-1] UpdateIsSelectedFlags[%d]\r\n", id);
      return kKdxBlockMissing;
    }
    if (options.recordType != 1 && !entry.en_is_select_entrylist) continue;
    if (EN_AddData(out.entryAry, entry) != 0 ||
        CT_SetData(out.catSetAry, out.idCounterAry, entry.en_cat1_name, entry.en_cat2_name,
                   entry.en_cat3_name) < 0) {
      return kKdxBlockNoMemory;
    }
    int32_t status = KDX_NewSaveBody(src, entry, path, expandSize);
    if (status == 0) status = KDX_NewSaveNote(src, entry, path, expandSize);
    if (status != 0) return status;
  }
  CopyFileIcons(src, data->fileTypeAry, path);

  bool ok =
      CopyTable(data->envAry, out.envAry) &&
      EV_SetIntValue(out.envAry, out.idCounterAry, "target_kdx_app", options.targetKdxApp) == 0 &&
      CopyTable(data->columnAry, out.columnAry) && CopyTable(data->fileTypeAry, out.fileTypeAry);
  ok = ok &&
       (options.isCatTitle == 1 ? CopyTable(data->catTitleAry, out.catTitleAry)
                                : TI_InitData("分類１", "分類２", "分類３", out.catTitleAry) == 0);
  ok = ok &&
       (options.isColorLabel == 1 ? CopyTable(data->colorLabelAry, out.colorLabelAry)
                                  : CO_InitData("なし", "必須", "重要", "進行中", "未決", "個人用",
                                                "計画１", "計画２", out.colorLabelAry) == 0);
  ok = ok && (options.isUnusedCategory != 1 || CopyTable(data->catSetAry, out.catSetAry));
  if (!ok) return kKdxBlockNoMemory;

  RezFileHandle file;
  int32_t status = file.Open(path, 0);
  if (status != REZ_OK) return status;
  status = KDX_SaveEncrptedEntryArray(file.get(), out.entryAry);
  const std::pair<uint32_t, const VELL_ARY*> tables[] = {
      {kKdxTagIDCO, out.idCounterAry}, {kKdxTagENVI, out.envAry},
      {kKdxTagCLBU, out.columnAry},    {kKdxTagFITY, out.fileTypeAry},
      {kKdxTagCTLE, out.catTitleAry},  {kKdxTagCOLO, out.colorLabelAry},
      {kKdxTagCATS, out.catSetAry}};
  for (const auto& [tag, ary] : tables) {
    if (status == REZ_OK) status = REZ_ARY_Save(file.get(), tag, ary, ary->recordSize);
  }
  if (file.Close() != REZ_OK && status == REZ_OK) status = REZ_ERR_IO;
  return status;
}

}  // namespace

int32_t KDX_NewSaveBody(const char* srcPath, const KDX_ENTRY& entry, const char* dstPath,
                        int32_t expandSize) {
  int32_t status =
      CopyBlock(srcPath, KdxBlockKind::kBody, BO_GetContainerID, entry, dstPath, expandSize);
  if (status != 0) {
    Vell_SystemErrorLog("[-1] KDX_NewSaveBody[%d %d]\r\n", entry.en_id, status);
    return status;
  }
  status = CopyBlock(srcPath, KdxBlockKind::kText, TX_GetContainerID, entry, dstPath, expandSize);
  if (status != 0) Vell_SystemErrorLog("[-2] KDX_NewSaveBody[%d %d]\r\n", entry.en_id, status);
  return status;
}

int32_t KDX_NewSaveNote(const char* srcPath, const KDX_ENTRY& entry, const char* dstPath,
                        int32_t expandSize) {
  const int32_t status =
      CopyBlock(srcPath, KdxBlockKind::kNote, NO_GetContainerID, entry, dstPath, expandSize);
  if (status != 0) Vell_SystemErrorLog("[-1] KDX_NewSaveNote[%d %d]\r\n", entry.en_id, status);
  return status;
}

int32_t KDX_NewSaveFile_ShowEntry(KDX_DATA* data, const KDX_NEW_SAVE_OPTIONS& options,
                                  const char* path, int32_t expandSize) {
  if (path == nullptr || Vell_IsFileExists(path)) {
    Vell_SystemErrorLog("[-1] KDX_NewSaveFile_ShowEntry\r\n");
    return kKdxErrFile;
  }
  // Written under a private name and linked into place whole: a killed
  // process never leaves a document missing entries under the name asked for.
  const std::string partial = std::string(path) + ".partial-" + std::to_string(::getpid());
  static_cast<void>(::unlink(partial.c_str()));  // left by an earlier run with this process id
  RezFileHandle file;
  if (file.Create(partial.c_str()) != REZ_OK) {
    Vell_SystemErrorLog("[-1] KDX_NewSaveFile_ShowEntry\r\n");
    return kKdxErrFile;
  }
  int32_t status = file.Close();
  if (status == 0) status = WriteNewDocument(data, options, partial.c_str(), expandSize);
  // link refuses a file that appeared at path meanwhile.
  if (status == 0 && ::link(partial.c_str(), path) != 0) status = kKdxErrFile;
  static_cast<void>(::unlink(partial.c_str()));
  if (status == 0 && !Vell_SyncFolderOf(path)) status = kKdxErrFile;
  if (status != 0) {
    Vell_SystemErrorLog("[-2] KDX_NewSaveFile_ShowEntry[%d]\r\n", status);
    return kKdxErrFile;
  }
  return 0;
}
