// Copying an entry with its body, text and note under a numbered title,
// removing an entry with its blocks, and the entries behind the selected rows
// of the entry list: the logic shared by the document, entry and search
// windows' commands.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/document/kdx_data.h"
#include "core/document/kdx_status.h"
#include "core/document/records.h"
#include "core/util/vell_ary.h"

// Appended to a title to name a copy (a key of the localisation table).
inline constexpr char kKdxCopySuffix[] = "のコピー";
// A copy title this long or longer is not used.
inline constexpr size_t kKdxCopyTitleLimit = 170;
// Shown by the copy commands when the result was 0, with the source title.
// The number in it is not the limit above; the text is kept as users know it.
inline constexpr char kKdxMsgCopyTitleTooLong[] =
    "文章名が 512 バイトを超えたため、コピー元と同じ文章名「%s」で新しい文章を作成しました。";

// The title for a copy: "メモ" → "メモのコピー" → "メモのコピー1" → "メモのコピー2".
// 1, or 0 when the copy title would reach kKdxCopyTitleLimit bytes; dst (of
// dstSize bytes, at least 512) then receives the title unchanged.
[[nodiscard]] int32_t KDX_GetCopyEntryTitle(const char* title, char* dst, size_t dstSize);

// Adds a copy of source to the document: every field kept but a new en_id, the
// copy title and en_update_date now; its blocks copied with the same content
// in the same form, an encrypted block enciphered again under a fresh IV. A
// block the source lacks is made empty (its loss logged as the copy of the
// text or note). *copy receives the new record. KDX_GetCopyEntryTitle's result, or
// a negative code when a block could not be read or written, in which case no
// copy is left behind. The caller saves the tables.
[[nodiscard]] int32_t KDX_CopyOneEntry(KDX_DATA* data, const KDX_ENTRY& source, int32_t expandSize,
                                       KDX_ENTRY* copy);

// Clears and removes the body, text and note blocks, then the entry from the
// entry table: all seven steps are attempted, each failure logged with its
// step. The status of removing the record (0, or kKdxRecordMissing when
// absent). The entry hash is left stale (see entry_table.h); the caller
// rebuilds it.
[[nodiscard]] int32_t KDX_RemoveOneEntry(KDX_DATA* data, const KDX_ENTRY& entry);

// The entry of the i-th selected row (selectedRows holds row numbers into
// showIDAry). Its index in entryAry, or -1 (logged) when the row or the
// entry does not exist; *entryOut is then left as it was, so callers must
// test the result.
[[nodiscard]] int32_t KDX_GetEntry_BySelectedIndex(KDX_DATA* data,
                                                   const std::vector<int32_t>& selectedRows,
                                                   int32_t i, KDX_ENTRY* entryOut);
// The same, and the entry is marked as used now (en_use_date, stored back).
[[nodiscard]] int32_t KDX_GetUsedEntry(KDX_DATA* data, const std::vector<int32_t>& selectedRows,
                                       int32_t i, KDX_ENTRY* entryOut);
// The entry with that identifier, marked as used now (en_use_date, stored
// back): its index in entryAry, or -1 (logged, *entryOut untouched) when there
// is none. For commands given identifiers rather than selected rows.
[[nodiscard]] int32_t KDX_GetUsedEntry_ByID(KDX_DATA* data, int32_t id, KDX_ENTRY* entryOut);
