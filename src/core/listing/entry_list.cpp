#include "core/listing/entry_list.h"

#include <cstring>
#include <unordered_set>

#include "core/listing/column_kinds.h"

int32_t KDXCOMM_ReloadMainLists(KDX_DATA* data, KdxCategorySelection* selection,
                                const KdxNoteReader& notes, const KDX_SORT_INFO* keys, bool sort) {
  if (KDXCOMM_ResolveCategorySelection(data->catSetAry, selection) < 0 ||
      KDXCOMM_MakeBrowserLists(data, *selection) != 0)
    return kKdxFailed;
  if (sort && CLCOMM_SortEntryArray(data, keys, notes) != 0) return kKdxFailed;
  const auto& s = selection->name;
  return KDXCOMM_QueryEntrys(s[0].c_str(), s[1].c_str(), s[2].c_str(), data->entryAry,
                             &data->showIDAry, &data->listOrder);
}

std::vector<int32_t> KDXCOMM_GetSelectedShownRows(const KDX_DATA& data) {
  std::unordered_set<int32_t> selected;
  for (int32_t i = 0; i < Vell_Ary_GetSize(data.entryAry); ++i) {
    const auto* stored = static_cast<const uint8_t*>(Vell_Ary_GetDataPtr(data.entryAry, i));
    if (stored[kdx_listing::kStoredIsSelectOffset] != 0)
      selected.insert(KDX_GetStoredEntryID(stored));
  }
  std::vector<int32_t> rows;
  for (size_t row = 0; row < data.showIDAry.size() && !selected.empty(); ++row) {
    if (selected.count(data.showIDAry[row]) != 0) rows.push_back(static_cast<int32_t>(row));
  }
  return rows;
}

int32_t KDXCOMM_SetEntrySelectionFlags(KDX_DATA* data, const std::vector<int32_t>& ids,
                                       std::vector<int32_t>* changed) {
  std::unordered_set<int32_t> wanted(ids.begin(), ids.end());
  size_t marked = 0;
  for (int32_t i = 0; i < Vell_Ary_GetSize(data->entryAry); ++i) {
    auto* stored = static_cast<uint8_t*>(Vell_Ary_GetDataPtr(data->entryAry, i));
    const bool select = wanted.count(KDX_GetStoredEntryID(stored)) != 0;
    uint8_t& flag = stored[kdx_listing::kStoredIsSelectOffset];
    if ((flag != 0) != select && changed != nullptr) changed->push_back(i);
    flag = select ? 1 : 0;
    marked += select ? 1 : 0;
  }
  return marked == wanted.size() ? 0 : -1;
}
