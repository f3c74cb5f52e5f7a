// Entry copy and removal.
#include "core/content/entry_copy.h"

#include <cstdlib>
#include <string>
#include <string_view>

#include "core/content/entry_content.h"
#include "core/document/blocks.h"
#include "core/document/entry_table.h"
#include "core/document/id_counter.h"
#include "core/util/vell_log.h"
#include "core/util/vell_string.h"
#include "core/util/vell_system.h"
#include "core/util/vell_time.h"
#include "core/util/vell_utf8.h"

int32_t KDX_GetCopyEntryTitle(const char* title, char* dst, size_t dstSize) {
  if (dst == nullptr || dstSize == 0) return 0;
  const std::string_view source = title != nullptr ? title : "";
  const char* localized = Vell_LocalizedString(kKdxCopySuffix);
  const std::string_view suffix = localized != nullptr ? localized : kKdxCopySuffix;
  const size_t at = source.rfind(suffix);
  std::string copy(source);
  if (at == std::string_view::npos) {
    copy += suffix;
  } else {
    const size_t numberAt = at + suffix.size();
    const std::string rest(source.substr(numberAt));
    if (rest.empty()) {
      copy += "1";
    } else if (rest.size() <= 9 && Vell_IsNumberStr(rest.c_str()) == 1) {
      copy = std::string(source.substr(0, numberAt)) +
             std::to_string(std::strtol(rest.c_str(), nullptr, 10) + 1);
    } else {
      copy += suffix;
    }
  }
  int32_t result = 1;
  if (copy.size() >= kKdxCopyTitleLimit) {
    copy = source;
    result = 0;
  }
  Vell_Utf8CopyCut(dst, dstSize, copy);
  return result;
}

int32_t KDX_CopyOneEntry(KDX_DATA* data, const KDX_ENTRY& source, int32_t expandSize,
                         KDX_ENTRY* copy) {
  const char* path = data->kdxFilePath.c_str();
  // Read everything first: a source block that cannot be read fails the copy
  // before anything is written, instead of giving a copy with empty content.
  // A block the source lacks is made empty; an encrypted one is enciphered
  // again, so that the copy shares no IV with its source.
  KdxStoredBlocks blocks;
  for (KdxBlockKind kind : {KdxBlockKind::kBody, KdxBlockKind::kText, KdxBlockKind::kNote}) {
    const bool encrypted =
        (kind == KdxBlockKind::kNote ? source.en_no_encrypt : source.en_bo_encrypt) == 1;
    std::vector<uint8_t> stored;
    int32_t status = KDX_LoadStoredForm(path, kind, source, stored);
    if (status != 0 && kind == KdxBlockKind::kText) Vell_SystemErrorLog("[-1] CopyOneText\r\n");
    if (status != 0 && kind == KdxBlockKind::kNote) Vell_SystemErrorLog("[-1] CopyOneNote\r\n");
    auto& made = blocks[static_cast<size_t>(kind)].emplace();
    if (status == kKdxBlockMissing) {
      status = KDX_MakeStoredForm({}, encrypted, made);
    } else if (status == 0) {
      status = KDX_ReencipherStoredForm(stored, encrypted, made);
    }
    if (status != 0) {
      Vell_SystemErrorLog("[-1] KDX_CopyOneEntry[%d %d]\r\n", source.en_id, status);
      return status;
    }
  }
  KDX_ENTRY made = source;
  made.en_id = IC_GetID_FromCounter(data->idCounterAry, kKdxTagENTR, "en_id");
  if (made.en_id < 0) return REZ_ERR_ARGUMENT;
  const int32_t titleResult =
      KDX_GetCopyEntryTitle(source.en_title, made.en_title, sizeof made.en_title);
  Vell_GetCurrentTimeAsString(made.en_update_date, kVellDateCharsSize);
  const int32_t status = KDX_AddEntryWithBlocks(data, made, expandSize, blocks);
  if (status != 0) return status;
  if (copy != nullptr) *copy = made;
  return titleResult;
}

int32_t KDX_RemoveOneEntry(KDX_DATA* data, const KDX_ENTRY& entry) {
  const char* path = data->kdxFilePath.c_str();
  const int32_t id = entry.en_id;
  using BlockOp = int32_t (*)(const char*, int32_t);
  constexpr BlockOp kSteps[] = {BO_ClearContainer,  BO_RemoveContainer, TX_ClearContainer,
                                TX_RemoveContainer, NO_ClearContainer,  NO_RemoveContainer};
  int step = 1;
  for (BlockOp op : kSteps) {
    const int32_t status = op(path, id);
    if (status != 0) Vell_SystemErrorLog("[-%d] KDX_RemoveOneEntry[%d]\r\n", step, status);
    ++step;
  }
  int32_t status = EN_Hash_Remove(data->entryAry, data->entryHash, id);
  if (status != 0) status = EN_Remove(data->entryAry, id);  // the hash may be stale
  if (status != 0) Vell_SystemErrorLog("[-7] KDX_RemoveOneEntry[%d]\r\n", status);
  return status;
}

namespace {

// The entry behind the i-th selected row; its index, or -1 with *id the
// identifier looked for (-1 when the row itself does not exist).
[[nodiscard]] int32_t FindSelected(KDX_DATA* data, const std::vector<int32_t>& selectedRows,
                                   int32_t i, int32_t* id, KDX_ENTRY* entry) {
  *id = -1;
  if (i < 0 || static_cast<size_t>(i) >= selectedRows.size()) return -1;
  const int32_t row = selectedRows[static_cast<size_t>(i)];
  if (row < 0 || static_cast<size_t>(row) >= data->showIDAry.size()) return -1;
  *id = data->showIDAry[static_cast<size_t>(row)];
  return KDX_FindEntry(data, *id, entry);
}

}  // namespace

int32_t KDX_GetEntry_BySelectedIndex(KDX_DATA* data, const std::vector<int32_t>& selectedRows,
                                     int32_t i, KDX_ENTRY* entryOut) {
  int32_t id;
  KDX_ENTRY entry;
  const int32_t index = FindSelected(data, selectedRows, i, &id, &entry);
  if (index < 0) {
    Vell_SystemErrorLog("[-1] KDX_GetEntry_BySelectedIndex[%d]\r\n", id);
    return -1;
  }
  *entryOut = entry;
  return index;
}

int32_t KDX_GetUsedEntry(KDX_DATA* data, const std::vector<int32_t>& selectedRows, int32_t i,
                         KDX_ENTRY* entryOut) {
  int32_t id;
  KDX_ENTRY entry;
  const int32_t index = FindSelected(data, selectedRows, i, &id, &entry);
  if (index < 0) {
    Vell_SystemErrorLog("[-1] KDX_GetUsedEntry[%d]\r\n", id);
    return -1;
  }
  Vell_GetCurrentTimeAsString(entry.en_use_date, kVellDateCharsSize);
  EN_SetData_ByIndex(data->entryAry, index, entry);
  *entryOut = entry;
  return index;
}

int32_t KDX_GetUsedEntry_ByID(KDX_DATA* data, int32_t id, KDX_ENTRY* entryOut) {
  const int32_t index = KDX_FindEntry(data, id);
  if (index < 0) {
    Vell_SystemErrorLog("[-1] KDX_GetUsedEntry[%d]\r\n", id);
    return -1;
  }
  KDX_ENTRY entry;
  EN_GetData_ByIndex(data->entryAry, index, &entry);
  Vell_GetCurrentTimeAsString(entry.en_use_date, kVellDateCharsSize);
  EN_SetData_ByIndex(data->entryAry, index, entry);
  *entryOut = entry;
  return index;
}
