// Two text files for other programs, both in Shift JIS:
//
// - the entry list file: the shown columns of the entry list as a
//   tab-separated table, a header line first, LF line ends;
// - the joined text file: the plain texts of chosen entries one after another,
//   each after a separator line "-----<title>-----", CR LF line ends.
//
// Both are built in memory and replace the target file only when complete, so
// a failure never leaves a half-written file behind.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/document/kdx_data.h"
#include "core/document/records.h"
#include "core/search/search_engine.h"
#include "transfer/transfer_progress.h"

// The note column shows at most this much of the note.
inline constexpr size_t kKdxEntryListNoteBytes = 128;

// The columns the entry list file writes: the shown columns of the column
// table in table order, never the file type icon column.
[[nodiscard]] std::vector<std::string> KDX_GetEntryListColumns(const VELL_ARY* columnAry);

// Appends the header line of the columns to out.
void KDX_WriteEntryList_Headers(const KDX_DATA& data, const std::vector<std::string>& columns,
                                std::string* out);
// Appends the line of one entry to out: per column the cell text without CR,
// LF and tab, in Shift JIS (a cell that does not convert stays empty).
void KDX_WriteEntryList_OneEntry(const KDX_DATA& data, const KDX_ENTRY& entry,
                                 const std::vector<std::string>& columns, std::string* out);

// Writes the entry list file of the listed entries (showIDAry, in display
// order) to path: all of them when recordType is 1, else those whose
// en_is_select_entrylist is 1. An identifier without an entry is skipped,
// logged and counted as failed; the others are written. succeeded counts the
// lines written. A file that cannot be written is one failure named
// "一覧ファイルを作成できませんでした。" and leaves no file.
[[nodiscard]] KdxTransferResult KDX_WriteEntryList_ShowEntry(
    const KDX_DATA& data, int32_t recordType, const std::string& path,
    const KdxTransferProgress& progress = {});

// The entry list file of the search window's results, in their order: all
// of them when recordType is 1, else those whose selected flag is 1, with
// the shown columns of columnAry (the search window's own column set). A
// result without an entry is skipped, logged and counted as failed, as above.
[[nodiscard]] KdxTransferResult KDX_WriteEntryList_Results(
    const KDX_DATA& data, const VELL_ARY* columnAry, const std::vector<KDX_FOUND_RESULT>& results,
    int32_t recordType, const std::string& path, const KdxTransferProgress& progress = {});

// Appends one entry's part of the joined text file to out: the separator
// line, then the plain text and two CR LF. 1; 0 when the entry has no text or
// its text cannot be loaded or converted to Shift JIS (then only the separator
// line is written).
[[nodiscard]] int32_t KDX_WriteAppendToTextFile(std::string* out, const KDX_DATA& data,
                                                const KDX_ENTRY& entry);

// The joined text file of the entries ids, in that order, written to path.
// Each entry is marked as used (en_use_date); the caller saves the tables.
// succeeded counts the entries whose text was written; an entry whose text is
// empty is written as its separator line and counts as written; a missing
// entry or one whose text cannot be loaded or converted counts as failed with
// its reason.
[[nodiscard]] KdxTransferResult KDX_ExportAppendToTextFile(
    KDX_DATA* data, const std::vector<int32_t>& ids, const std::string& path,
    const KdxTransferProgress& progress = {});
