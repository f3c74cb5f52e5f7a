// KDX_DATA: one open document in memory — its path and every record table
// except the content blocks, which stay in the file. The document session
// (core/session) owns it while a document is open.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/document/kdx_status.h"
#include "core/util/vell_ary.h"
#include "core/util/vell_hash.h"

struct KDX_ENTRY;
struct KdxFileState;  // what the last load or save wrote (kdx_file.h)

// The windows' state (open entry windows, the icon cache, the find strings
// and histories of the find panel, which windows are open, whether the
// browser is shown) lives with the windows, not here: nothing below them
// needs it.
struct KDX_DATA {
  std::string kdxFilePath;  // full path of the document file; any length
  VELL_ARY* entryAry;       // stored KDX_ENTRY records (2393 bytes)
  // en_id of the listed entries, in display order: an in-memory list, never
  // stored.
  std::vector<int32_t> showIDAry;
  // Positions in entryAry of every entry in list order (by the sort keys), as
  // the last list rebuild left them: in-memory, never stored. entryAry itself
  // keeps the order of the file, so re-sorting the list writes nothing.
  std::vector<uint32_t> listOrder;
  VELL_ARY* idCounterAry;  // identifier counters (112 bytes)
  VELL_ARY* cat1Ary;       // distinct category names per level (128 bytes)
  VELL_ARY* cat2Ary;
  VELL_ARY* cat3Ary;
  VELL_ARY* catSetAry;      // category sets (424 bytes)
  VELL_ARY* catTitleAry;    // one KDX_CATEGORY_TITLE (420 bytes)
  VELL_ARY* envAry;         // environment keyword/value records (232 bytes)
  VELL_ARY* columnAry;      // list columns (181 bytes)
  VELL_ARY* colorLabelAry;  // colour labels (180 bytes)
  VELL_ARY* fileTypeAry;    // file types (212 bytes)
  VELL_ARY* attachmentAry;  // dormant; null unless a caller creates it
  VELL_ARY* projectAry;     // dormant; null unless a caller creates it
  // en_id -> index in entryAry, part of every document: made with the tables,
  // rebuilt by every load and after positions change (KDX_RebuildEntryHash).
  VELL_HASH* entryHash;
  std::shared_ptr<KdxFileState> fileState;  // null until the first load or save
};

// Resets every field and creates the eleven tables and the entry hash (999
// buckets). 0, or kKdxFailed when memory runs out (whatever was created is freed
// again and the pointers are null). Outside the core, the document session
// (core/session) makes and frees the document data.
[[nodiscard]] int32_t KDX_InitKdxData(KDX_DATA* data);
// Frees what KDX_InitKdxData made and nulls the pointers.
void KDX_FreeKdxData(KDX_DATA* data);

// Document data the core makes for its own passing use (the tables of a new
// file); open documents belong to the document session.
struct KdxScopedData {
  KDX_DATA data{};
  bool ok = KDX_InitKdxData(&data) == 0;
  KdxScopedData() = default;
  ~KdxScopedData() { KDX_FreeKdxData(&data); }
  KdxScopedData(const KdxScopedData&) = delete;
  KdxScopedData& operator=(const KdxScopedData&) = delete;
};

// The entry with identifier id through the entry hash, which a linear search
// backs up when it is stale: its index in entryAry, with *entry (when given)
// filled; -1 (entry untouched) when there is none.
[[nodiscard]] int32_t KDX_FindEntry(const KDX_DATA* data, int32_t id, KDX_ENTRY* entry = nullptr);
// Makes the entry hash anew from entryAry, after entries were removed or
// reordered. 0, or kKdxFailed when memory runs out (lookups then fall back to a
// linear search).
[[nodiscard]] int32_t KDX_RebuildEntryHash(KDX_DATA* data);

// Fills a new entry (not added to entryAry): a fresh en_id from the "en_id"
// counter, dates now, this machine's system and name, "S-JIS", detail shown.
// A category "＜すべて＞" becomes "その他". Null texts count as empty. en_id
// is -1 when the counter refuses (exhausted or damaged): do not add the entry.
void EN_InitData(KDX_DATA* data, const char* title, const char* cat1, const char* cat2,
                 const char* cat3, int32_t turnMode, const char* turnWidth, KDX_ENTRY* entry);
// Appends the one category title record: both dates now, the three captions.
// 0, or kKdxFailed when memory runs out.
[[nodiscard]] int32_t TI_InitData(const char* title1, const char* title2, const char* title3,
                                  VELL_ARY* catTitleAry);
