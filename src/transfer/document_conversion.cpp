#include "transfer/document_conversion.h"

#include <cstring>

#include "core/document/entry_table.h"
#include "core/session/kdx_backup.h"
#include "transfer/file_import.h"
#include "transfer/transfer_status.h"

namespace {

const char* ReasonOf(int32_t status) {
  switch (status) {
    case kKdxConvertNoBody:
      return "its body cannot be read, or is empty";
    case kKdxConvertNotRtf:
      return "its body is not RTF";
    default:
      return "the new body could not be stored";
  }
}

}  // namespace

KdxTransferResult KDX_ConvertDocument(KdxSession& session, int32_t expandSize,
                                      const KdxTransferProgress& progress) {
  KdxTransferResult result;
  if (!session.needsConversion()) {
    result.Fail(session.path(), "the document is not open for conversion");
    return result;
  }
  KDX_DATA* data = session.EditDirectly();
  const int32_t count = Vell_Ary_GetSize(data->entryAry);
  progress.Phase(kKdxMsgConverting);
  for (int32_t i = 0; i < count; ++i) {
    if (progress.IsCancelled()) {
      result.cancelled = true;
      break;
    }
    KDX_ENTRY entry{};
    EN_GetData_ByIndex(data->entryAry, i, &entry);
    const std::string title(entry.en_title, strnlen(entry.en_title, sizeof entry.en_title));
    progress.Item(title, i, count);
    if (entry.en_bo_block_size <= 0) {  // an empty body has nothing to convert
      ++result.succeeded;
      continue;
    }
    const int32_t status = KDXCOMM_ConvertOldFileToNewFile(data, &entry, expandSize);
    if (status != 0) {
      result.Fail(title, ReasonOf(status));
      continue;
    }
    EN_SetData_ByIndex(data->entryAry, i, entry);
    ++result.succeeded;
  }
  if (result.cancelled || result.failed > 0) return result;
  progress.Phase(kKdxMsgSaving);
  session.ConversionDone();
  if (session.Save() != 0) result.Fail(session.path(), "the document could not be saved");
  return result;
}

bool KDX_AbandonConversion(KdxSession& session, const std::string& backupPath) {
  const std::string path = session.path();
  session.Close();
  return KDX_RestoreBackup(backupPath, path);
}
