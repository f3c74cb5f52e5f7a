// The entry order: up to three sort keys stored in the column table, the
// comparison of two entries per column kind, the list order of the entries, and what a
// click on a column header does to the keys.
//
// Text compares as unsigned bytes (no locale, no case folding); a key's
// direction is its column's ascending flag; entries equal on every key are
// ordered by en_id ascending whatever the directions.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/document/kdx_data.h"
#include "core/document/records.h"
#include "core/listing/listing_status.h"
#include "core/listing/note_reader.h"
#include "core/util/vell_ary.h"

// The keys in working form. A key is a column kind (the record's cl_id,
// 0 to 19); the first key always exists, the others are -1 when absent.
struct KDX_SORT_INFO {
  int32_t key[3];
  int32_t ascending[3];  // 1 ascending, 0 descending; 0 for an absent key
};

// From the column table; without a first key: en_id descending.
void CLCOMM_InitListInfo(const VELL_ARY* columnAry, KDX_SORT_INFO* info);
// Stores the three keys (first, second, third) with their directions; an
// absent key is cleared.
void CLCOMM_UpdateSortKey_ToArray(const KDX_SORT_INFO& info, VELL_ARY* columnAry);
// The header click rule: a click on the first key only sets its direction; a
// click on the second or third key makes it first with its own direction and
// moves the keys before it down; any other column becomes first with the
// clicked direction, the old first and second move down and the old third
// is dropped.
void CLCOMM_PushNewSortKey(int32_t kind, bool ascending, VELL_ARY* columnAry);
// The direction a click on a header asks for: the reverse of the current one
// on the first key, else the column's own ascending flag (a view's "initial
// sort order" of that column).
[[nodiscard]] bool KDXCOMM_HeaderClickDirection(const VELL_ARY* columnAry,
                                                std::string_view identifier);
// A click on the header of the column with that identifier: 1 when the keys
// changed (re-sort, rebuild the lists and save), 0 when no record has it.
[[nodiscard]] int32_t KDXCOMM_ClickColumnHeader(VELL_ARY* columnAry, std::string_view identifier,
                                                bool ascending);
// The columns of the existing keys, first to third: what a view shows as its
// sort indicator (the first) and sort descriptors.
struct KdxSortColumn {
  std::string identifier;
  bool ascending;
};
[[nodiscard]] std::vector<KdxSortColumn> CLCOMM_GetSortColumns(const VELL_ARY* columnAry);

// -1, 0 or 1; descending reverses the order.
[[nodiscard]] int32_t KDXCOMM_CompareLongField(bool ascending, int32_t a, int32_t b);
// One key. Notes are passed in (loaded beforehand); an empty note counts as a
// single blank. A kind outside 0 to 19 compares equal.
[[nodiscard]] int32_t CompareEntryItem(int32_t kind, bool ascending, const KDX_ENTRY& a,
                                       const KDX_ENTRY& b, std::string_view noteA = {},
                                       std::string_view noteB = {});
// All keys, then en_id ascending; never 0 for two different identifiers.
[[nodiscard]] int32_t EntryListSortProc(const KDX_SORT_INFO& info, const KDX_ENTRY& a,
                                        const KDX_ENTRY& b, std::string_view noteA = {},
                                        std::string_view noteB = {});

// Whether an entry list made for keys still holds after one entry changed
// from before to after: the same three categories (the same browser lists,
// the same rows shown) and equal on every key (the same place). noteChanged
// says whether its note changed, for a key on the note column. When true,
// only that entry's row needs showing again.
[[nodiscard]] bool KDXCOMM_EntryKeepsListPlace(const KDX_SORT_INFO& keys, const KDX_ENTRY& before,
                                               const KDX_ENTRY& after, bool noteChanged);

// Puts the positions of entryAry in the order EntryListSortProc gives, into
// order. A permutation already in order (the last result, say) is started
// from, so a list whose order still holds costs one pass; anything else starts
// from the table order. Notes are read once per entry, and only when a key is
// the note column. 0, or kKdxFailed when memory runs out.
[[nodiscard]] int32_t KDXCOMM_SortEntryOrder(const KDX_SORT_INFO& info, const VELL_ARY* entryAry,
                                             const KdxNoteReader& notes,
                                             std::vector<uint32_t>* order);
// Sorts entryAry itself in place by the keys (for tables of copies, such as
// search results). The entry hash goes stale. 0, or kKdxFailed when memory
// runs out (the array is unchanged).
[[nodiscard]] int32_t KDXCOMM_SortEntries(const KDX_SORT_INFO& info, VELL_ARY* entryAry,
                                          const KdxNoteReader& notes);
// Puts the document's entries in list order by keys (the column table's when
// null): data->listOrder. entryAry keeps the order of the file, so a new list
// order changes nothing that is saved. 0, or kKdxFailed.
[[nodiscard]] int32_t CLCOMM_SortEntryArray(KDX_DATA* data, const KDX_SORT_INFO* keys,
                                            const KdxNoteReader& notes);
