// The document window's list rebuild without the window: the three browser
// lists for a selection, the list order of the entries and the shown ones.
#pragma once

#include <cstdint>
#include <vector>

#include "core/document/kdx_data.h"
#include "core/listing/category.h"
#include "core/listing/entry_sort.h"
#include "core/listing/note_reader.h"

// Rebuilds cat1Ary..cat3Ary for the selection (resolved first with
// KDXCOMM_ResolveCategorySelection, so the browser, the entry list and the
// stored selection agree), puts the entries in list order by keys (the column
// table's when null; entryAry itself keeps the file's order) and fills
// showIDAry in that order. With sort false, data->listOrder is taken as it is
// (the caller knows no entry and no key changed since it was made). The rows
// to select are KDXCOMM_GetCatListRow of each name. 0, or kKdxFailed when
// memory runs out.
[[nodiscard]] int32_t KDXCOMM_ReloadMainLists(KDX_DATA* data, KdxCategorySelection* selection,
                                              const KdxNoteReader& notes,
                                              const KDX_SORT_INFO* keys = nullptr,
                                              bool sort = true);

// Rows of showIDAry whose entry has en_is_select_entrylist set: the entry
// list's selection after a rebuild.
[[nodiscard]] std::vector<int32_t> KDXCOMM_GetSelectedShownRows(const KDX_DATA& data);

// The entry list's selection into the entries: en_is_select_entrylist set in
// the entries of ids and cleared in every other. -1 when an identifier has no
// entry (the others are still marked), else 0. changed, when given, gets the
// indices in entryAry of the entries whose flag changed.
[[nodiscard]] int32_t KDXCOMM_SetEntrySelectionFlags(KDX_DATA* data,
                                                     const std::vector<int32_t>& ids,
                                                     std::vector<int32_t>* changed = nullptr);
