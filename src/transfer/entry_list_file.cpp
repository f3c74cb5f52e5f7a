#include "transfer/entry_list_file.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <functional>

#include "core/content/entry_content.h"
#include "core/content/entry_copy.h"
#include "core/document/catset_table.h"
#include "core/document/entry_table.h"
#include "core/listing/list_columns.h"
#include "core/util/vell_encoding.h"
#include "core/util/vell_file.h"
#include "core/util/vell_log.h"
#include "core/util/vell_utf8.h"

namespace {

constexpr char kFileTypeColumn[] = "en_ft_id";
constexpr char kNoteColumn[] = "en_note";
// A separator title whose Shift JIS form needs more is written empty.
constexpr size_t kSeparatorTitleBytes = 521;
constexpr mode_t kExportFileMode = 0644;

// text in Shift JIS; false (out empty) when it is not valid UTF-8, holds a
// character without a Shift JIS form, or needs more than maxBytes - 1 bytes.
[[nodiscard]] bool ToShiftJis(const std::string& text, std::string* out,
                              size_t maxBytes = SIZE_MAX) {
  out->clear();
  if (text.empty()) return true;
  const int32_t size = Vell_GetLength_UTF8ToSJIS(text.c_str());
  if (size < 0) return false;
  std::string buffer(std::min(static_cast<size_t>(size), maxBytes), '\0');
  if (Vell_ConvertUTF8ToSJIS(text.c_str(), buffer.size(), buffer.data()) != 0) return false;
  buffer.resize(std::strlen(buffer.c_str()));
  *out = std::move(buffer);
  return true;
}

// A cell on one line: CR, LF and tab removed (a CR would end the row for
// readers that take CR as a line end).
std::string CellText(std::string text) {
  std::erase_if(text, [](char c) { return c == '\n' || c == '\r' || c == '\t'; });
  return text;
}

void AppendCell(bool first, const std::string& text, std::string* out) {
  if (!first) *out += '\t';
  std::string sjis;
  if (ToShiftJis(CellText(text), &sjis)) *out += sjis;
}

// The plain text of an entry, up to its NUL. 1, 0 when it is empty, or the
// negative result of the load.
[[nodiscard]] int32_t LoadText(const std::string& path, const KDX_ENTRY& entry, std::string* text) {
  const int32_t size = KDX_LoadBlockText(path.c_str(), entry, KdxBlockKind::kText, text);
  if (size < 0) return size;
  return text->empty() ? 0 : 1;
}

}  // namespace

std::vector<std::string> KDX_GetEntryListColumns(const VELL_ARY* columnAry) {
  std::vector<std::string> columns;
  for (int32_t i = 0; i < Vell_Ary_GetSize(columnAry); ++i) {
    KDX_COLUMN column;
    Vell_Ary_GetData(columnAry, i, &column);
    if (!column.cl_shown || std::strcmp(column.cl_identifier, kFileTypeColumn) == 0) continue;
    columns.emplace_back(column.cl_identifier);
  }
  return columns;
}

void KDX_WriteEntryList_Headers(const KDX_DATA& data, const std::vector<std::string>& columns,
                                std::string* out) {
  // Without a title record (zeroed) the category columns' headers are empty,
  // as is the header of an unknown column.
  KDX_CATEGORY_TITLE titles;
  static_cast<void>(TI_GetData(data.catTitleAry, &titles));
  for (size_t c = 0; c < columns.size(); ++c) {
    std::string title;
    static_cast<void>(CLCOMM_GetColumnHeaderTitle(titles, columns[c], &title));
    AppendCell(c == 0, title, out);
  }
  *out += '\n';
}

void KDX_WriteEntryList_OneEntry(const KDX_DATA& data, const KDX_ENTRY& entry,
                                 const std::vector<std::string>& columns, std::string* out) {
  for (size_t c = 0; c < columns.size(); ++c) {
    std::string text;
    if (columns[c] == kNoteColumn) {
      text = KDX_GetNoteText(data.kdxFilePath.c_str(), entry, kKdxEntryListNoteBytes);
    } else if (columns[c] != kFileTypeColumn) {
      text = KDX_GetEntryListViewItem(data, entry, columns[c], {}).text;
    }
    AppendCell(c == 0, text, out);
  }
  *out += '\n';
}

namespace {

// The list file of the entries ids, in that order, with columns; an entry is
// written when wanted says so. See KDX_WriteEntryList_ShowEntry.
KdxTransferResult WriteEntryListRows(const KDX_DATA& data, const std::vector<std::string>& columns,
                                     const std::vector<int32_t>& ids,
                                     const std::function<bool(const KDX_ENTRY&)>& wanted,
                                     const std::string& path, const KdxTransferProgress& progress) {
  KdxTransferResult result;
  std::string out;
  KDX_WriteEntryList_Headers(data, columns, &out);
  const auto rows = static_cast<int32_t>(ids.size());
  for (int32_t row = 0; row < rows; ++row) {
    if (progress.IsCancelled()) {
      result.cancelled = true;
      return result;  // nothing is written
    }
    const int32_t id = ids[static_cast<size_t>(row)];
    KDX_ENTRY entry;
    if (KDX_FindEntry(&data, id, &entry) < 0) {
      Vell_SystemErrorLog("[-1] WriteEntryList_Entries[%ld]\r\n", static_cast<long>(id));
      result.Fail("(" + std::to_string(id) + ")", "no such entry; the row was skipped");
      continue;
    }
    if (!wanted(entry)) continue;
    progress.Item(entry.en_title, row, rows);
    KDX_WriteEntryList_OneEntry(data, entry, columns, &out);
    ++result.succeeded;
  }
  if (!Vell_ReplaceFileContents(path, out, kExportFileMode)) {
    Vell_SystemErrorLog("[-1] KDX_WriteEntryList\r\n");
    result.succeeded = 0;
    result.Fail(path, "一覧ファイルを作成できませんでした。");
  }
  return result;
}

}  // namespace

KdxTransferResult KDX_WriteEntryList_ShowEntry(const KDX_DATA& data, int32_t recordType,
                                               const std::string& path,
                                               const KdxTransferProgress& progress) {
  return WriteEntryListRows(
      data, KDX_GetEntryListColumns(data.columnAry), data.showIDAry,
      [recordType](const KDX_ENTRY& entry) {
        return recordType == 1 || entry.en_is_select_entrylist == 1;
      },
      path, progress);
}

KdxTransferResult KDX_WriteEntryList_Results(const KDX_DATA& data, const VELL_ARY* columnAry,
                                             const std::vector<KDX_FOUND_RESULT>& results,
                                             int32_t recordType, const std::string& path,
                                             const KdxTransferProgress& progress) {
  std::vector<int32_t> ids;
  for (const KDX_FOUND_RESULT& found : results) {
    if (recordType == 1 || found.selected == 1) ids.push_back(found.en_id);
  }
  return WriteEntryListRows(
      data, KDX_GetEntryListColumns(columnAry), ids, [](const KDX_ENTRY&) { return true; }, path,
      progress);
}

int32_t KDX_WriteAppendToTextFile(std::string* out, const KDX_DATA& data, const KDX_ENTRY& entry) {
  std::string title;
  // A title from a file name may hold a line break, which would split the
  // separator line.
  if (!ToShiftJis(CellText(entry.en_title), &title, kSeparatorTitleBytes)) title.clear();
  *out += title.empty() ? std::string("----------\r\n") : "-----" + title + "-----\r\n";

  std::string text;
  if (LoadText(data.kdxFilePath, entry, &text) <= 0) return 0;
  std::string sjis;
  if (!ToShiftJis(text, &sjis)) {
    Vell_SystemErrorLog(Vell_IsValidUtf8(text) ? "[-3] KDX_WriteAppendToTextFile[%ld]\r\n"
                                               : "[-2] KDX_WriteAppendToTextFile[%ld]\r\n",
                        static_cast<long>(entry.en_id));
    return 0;
  }
  *out += sjis;
  *out += "\r\n\r\n";
  return 1;
}

KdxTransferResult KDX_ExportAppendToTextFile(KDX_DATA* data, const std::vector<int32_t>& ids,
                                             const std::string& path,
                                             const KdxTransferProgress& progress) {
  KdxTransferResult result;
  std::string out;
  const int64_t total = static_cast<int64_t>(ids.size());
  for (int64_t i = 0; i < total; ++i) {
    if (progress.IsCancelled()) {
      result.cancelled = true;
      return result;
    }
    const int32_t id = ids[static_cast<size_t>(i)];
    KDX_ENTRY entry;
    if (KDX_GetUsedEntry_ByID(data, id, &entry) < 0) {
      result.Fail("(" + std::to_string(id) + ")", "no such entry");
      continue;
    }
    progress.Item(entry.en_title, i, total);
    if (KDX_WriteAppendToTextFile(&out, *data, entry) == 1) {
      ++result.succeeded;
      continue;
    }
    std::string text;
    const int32_t loaded = LoadText(data->kdxFilePath, entry, &text);
    if (loaded == 0) {
      ++result.succeeded;  // an empty text: its separator line is all there is
    } else {
      const std::string name =
          entry.en_title[0] != '\0' ? std::string(entry.en_title) : "(" + std::to_string(id) + ")";
      result.Fail(name, loaded < 0 ? "its text could not be read"
                                   : "its text has characters without a Shift JIS form; "
                                     "it was left out");
    }
  }
  if (!Vell_ReplaceFileContents(path, out, kExportFileMode)) {
    Vell_SystemErrorLog("[-1] KDX_ExportAppendToTextFile\r\n");
    result.succeeded = 0;
    result.Fail(path, "連結ファイルを作成できませんでした。");
  }
  return result;
}
