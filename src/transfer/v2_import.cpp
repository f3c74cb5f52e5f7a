#include "transfer/v2_import.h"

#include <sys/stat.h>

#include <QByteArray>
#include <QString>
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/container/rez_io.h"
#include "core/content/entry_content.h"
#include "core/content/new_entry.h"
#include "core/document/entry_table.h"
#include "core/util/vell_encoding.h"
#include "core/util/vell_file.h"
#include "core/util/vell_log.h"
#include "core/util/vell_utf8.h"
#include "richtext/body_format.h"
#include "transfer/file_types.h"
#include "transfer/folder_walk.h"

namespace {

struct V2Tag {
  const char* name;
  size_t limit;  // longest value in bytes; 0: no limit (the note)
};

// The tag lines in their order, with the longest value each field can hold.
constexpr std::array<V2Tag, kKdxV2TagCount> kTags{{
    {"【バージョン】", 4},
    {"【文章名】", 511},
    {"【分類１】", 127},
    {"【分類２】", 127},
    {"【分類３】", 127},
    {"【キーワード】", 255},
    {"【ノート】", 0},
    {"【折り返し】", 10},
    {"【折り返し幅】", 10},
    {"【ラベル】", 10},
    {"【作成日】", 14},
    {"【修正日】", 14},
    {"【見た日】", 14},
    {"【使った日】", 14},
}};
enum TagIndex {
  kVersion,
  kTitle,
  kCat1,
  kCat2,
  kCat3,
  kKeyword,
  kNote,
  kTurn,
  kTurnWidth,
  kLabel,
  kCreated,
  kUpdated,
  kViewed,
  kUsed
};

// A decimal number of at most ten digits (a sign allowed); 0 for anything else.
int64_t DecimalValue(const std::string& text) {
  if (text.empty() || text.size() > 11) return 0;
  char* end = nullptr;
  const long long value = std::strtoll(text.c_str(), &end, 10);
  return end != nullptr && *end == '\0' ? value : 0;
}

void CopyField(char* field, size_t size, const std::string& value) {
  Vell_Utf8CopyCut(field, size, value);
}

// Reads the file whole within the import limit; false when it cannot be read.
[[nodiscard]] bool ReadFileBytes(const std::string& path, std::string* bytes) {
  return Vell_ReadFileUpTo(path.c_str(), kKdxImportMaxFileBytes, bytes) == 0;
}

// The Shift JIS bytes that mark a version-2 export file; empty when there is
// no Shift JIS converter, which must then find no file.
const std::string& V2Marker() {
  static const std::string marker = [] {
    std::string sjis;
    if (Vell_EncodeFromUTF8("【バージョン】 0200", kVellEncodingSJIS, sjis) != kVellEncOk) {
      Vell_SystemErrorLog("[-1] KDX_IsV2ExportFile\r\n");
      sjis.clear();
    }
    return sjis;
  }();
  return marker;
}

}  // namespace

KdxV2Parse KDX_ParseV2Export(std::string_view bytes, KdxV2Export* out) {
  std::string text;
  if (Vell_DecodeToUTF8(bytes, kVellEncodingSJIS, text) != kVellEncOk) {
    return KdxV2Parse::notShiftJis;
  }
  std::array<size_t, kKdxV2TagCount> start{};  // where each tag line's CR is
  std::array<size_t, kKdxV2TagCount> value{};  // where each value begins
  for (size_t i = 0; i < kTags.size(); ++i) {
    const std::string line = std::string("\r") + kTags[i].name + " ";
    start[i] = text.find(line);
    if (start[i] == std::string::npos) return KdxV2Parse::missingTag;
    value[i] = start[i] + line.size();
    if (i > 0 && start[i] < value[i - 1]) return KdxV2Parse::badOrder;
  }
  size_t end = text.size();
  while (end > value[kKdxV2TagCount - 1] && text[end - 1] == '\r') --end;
  std::array<std::string, kKdxV2TagCount> values;
  for (size_t i = 0; i < kTags.size(); ++i) {
    const size_t stop = i + 1 < kTags.size() ? start[i + 1] : end;
    values[i] = text.substr(value[i], stop - value[i]);
    if (kTags[i].limit == 0) continue;
    if (values[i].size() > kTags[i].limit || values[i].find('\r') != std::string::npos) {
      return KdxV2Parse::badValue;
    }
  }
  const std::string& turn = values[kTurn];
  if (turn == "0") {
    out->turn = 2;
  } else if (turn == "1") {
    out->turn = 1;
  } else if (turn == "2") {
    out->turn = 3;
  } else {
    return KdxV2Parse::badValue;
  }
  const int64_t width = DecimalValue(values[kTurnWidth]);
  out->turnWidth = width > 29 ? std::to_string(width) : std::string();
  const int64_t label = DecimalValue(values[kLabel]);
  out->label = label >= 0 && label <= 7 ? static_cast<int32_t>(label) : 0;
  out->body = text.substr(0, start[kVersion]);
  out->title = values[kTitle];
  out->cat1 = values[kCat1];
  out->cat2 = values[kCat2];
  out->cat3 = values[kCat3];
  out->note = values[kNote];
  out->created = values[kCreated];
  out->updated = values[kUpdated];
  out->viewed = values[kViewed];
  out->used = values[kUsed];
  return KdxV2Parse::ok;
}

int32_t KDX_IsV2ExportFile(const std::string& path) {
  std::string bytes;
  if (!ReadFileBytes(path, &bytes)) return 0;
  // An empty marker would be found in every file.
  const std::string& marker = V2Marker();
  return !marker.empty() && bytes.find(marker) != std::string::npos ? 1 : 0;
}

int32_t KDX_ImportV2ExportFile(KDX_DATA* data, const std::string& path, const std::string& fontName,
                               double fontSize, int32_t expandSize, KDX_ENTRY* entry) {
  std::string bytes;
  if (!ReadFileBytes(path, &bytes)) {
    Vell_SystemErrorLog("[-1] KDX_ImportV2ExportFile\r\n");
    return 0;
  }
  KdxV2Export v2;
  switch (KDX_ParseV2Export(bytes, &v2)) {
    case KdxV2Parse::ok:
      break;
    case KdxV2Parse::notShiftJis:
      Vell_SystemErrorLog("[-1] ImportV2ExportedFile\r\n");
      Vell_SystemErrorLog("[-2] KDX_ImportV2ExportFile\r\n");
      return 0;
    case KdxV2Parse::missingTag:
      Vell_SystemErrorLog("[-1] IsV0200RightTag\r\n");
      [[fallthrough]];
    case KdxV2Parse::badOrder:
    case KdxV2Parse::badValue:
      Vell_SystemErrorLog("[-3] ImportV2ExportedFile\r\n");
      Vell_SystemErrorLog("[-2] KDX_ImportV2ExportFile\r\n");
      return 0;
  }
  CopyField(entry->en_title, sizeof entry->en_title, v2.title);
  if (!v2.cat1.empty()) CopyField(entry->en_cat1_name, sizeof entry->en_cat1_name, v2.cat1);
  if (!v2.cat2.empty()) CopyField(entry->en_cat2_name, sizeof entry->en_cat2_name, v2.cat2);
  if (!v2.cat3.empty()) CopyField(entry->en_cat3_name, sizeof entry->en_cat3_name, v2.cat3);
  CopyField(entry->en_create_date, sizeof entry->en_create_date, v2.created);
  CopyField(entry->en_update_date, sizeof entry->en_update_date, v2.updated);
  CopyField(entry->en_last_opened_date, sizeof entry->en_last_opened_date, v2.viewed);
  CopyField(entry->en_use_date, sizeof entry->en_use_date, v2.used);
  entry->en_turn = v2.turn;
  if (!v2.turnWidth.empty())
    CopyField(entry->en_turn_width, sizeof entry->en_turn_width, v2.turnWidth);
  entry->en_co_id = v2.label;
  std::memset(entry->en_create_os, 0, sizeof entry->en_create_os);
  std::memset(entry->en_create_machine_name, 0, sizeof entry->en_create_machine_name);
  entry->en_encrypt = entry->en_bo_encrypt = entry->en_no_encrypt = 0;

  QByteArray body;
  if (!v2.body.empty()) {
    body = kdx_richtext::KDXCOMM_ConvertTextToRtfd(QString::fromStdString(v2.body),
                                                   QString::fromStdString(fontName), fontSize);
  }
  const std::string_view bodyBytes(body.constData(), static_cast<size_t>(body.size()));
  // The text keeps its NUL as imported texts do; the size a version-2 entry
  // shows is that of its text; the blocks are made text, note, body.
  const std::string text = KDX_WithTrailingZero(v2.body);
  if (KDX_StoreNewEntry(
          data, entry, expandSize,
          KdxEntryContent{bodyBytes, text, v2.note, static_cast<int32_t>(v2.body.size()),
                          KdxBlockOrder::kTextNoteBody}) != 0) {
    Vell_SystemErrorLog("[-4] KDX_ImportV2ExportFile\r\n");
    return 0;
  }
  return 1;
}

int32_t KDX_ImportOneV2File(KDX_DATA* data, const std::string& path, const std::string& cat1,
                            const std::string& cat2, const std::string& cat3,
                            const KdxImportSettings& settings, int32_t* entryId) {
  if (KDX_IsV2ExportFile(path) != 1) return kKdxErrFile;
  KDX_ENTRY entry;
  KDX_PrepareImportEntry(data, path, cat1, cat2, cat3, settings, &entry);
  if (entry.en_id < 0) return kKdxErrFile;
  entry.en_ft_id = KDX_SetV2FileType(data->kdxFilePath, data->fileTypeAry, data->idCounterAry);
  if (entry.en_ft_id < 0) return kKdxErrFile;
  if (KDX_ImportV2ExportFile(data, path, settings.fontName, settings.fontSize, settings.expandSize,
                             &entry) != 1) {
    return kKdxErrFile;
  }
  if (entryId != nullptr) *entryId = entry.en_id;
  return 0;
}

KdxTransferResult KDX_ImportV2Folder(KDX_DATA* data, const std::string& folder,
                                     const KdxImportSettings& settings,
                                     const KdxTransferProgress& progress,
                                     std::vector<int32_t>* importedIds) {
  KdxTransferResult result;
  std::vector<std::string> files;
  const std::string root = KDX_FullPath(folder);
  progress.Phase("ファイルを検索しています...");
  if (ListUpFilesWithExt(root, {}, 1, progress, &files, &result) != 0 || result.cancelled) {
    return result;
  }
  progress.Phase("ファイルを取り込んでいます...");
  RezDeferSync deferSync;  // one flush at the end, as in the file import
  KdxImportSettings resolved = settings;
  resolved.fontName = KDX_UsableFontName(settings.fontName);
  KdxCheckpointedImport stored(progress, &result, importedIds);
  const auto total = static_cast<int64_t>(files.size());
  for (int64_t i = 0; i < total && !result.cancelled; ++i) {
    if (progress.IsCancelled()) {
      result.cancelled = true;
      break;
    }
    const std::string& path = files[static_cast<size_t>(i)];
    progress.Item(path, i, total);
    std::string cat1, cat2, cat3;
    KDXCOMM_GetCats_ByFilePath(path, root, &cat1, &cat2, &cat3);
    int32_t id = -1;
    if (KDX_ImportOneV2File(data, path, cat1, cat2, cat3, resolved, &id) != 0) {
      result.Fail(path, "not a version-2 export file, or damaged (the log says why)");
      continue;
    }
    if (!stored.Stored(path, id)) break;
  }
  if (!deferSync.Flush()) {
    result.Fail(data->kdxFilePath, "the document file could not be written to the disk");
  }
  stored.Finish();
  return result;
}
