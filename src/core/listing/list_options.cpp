#include "core/listing/list_options.h"

#include <algorithm>

#include "core/document/column_table.h"
#include "core/listing/entry_sort.h"
#include "core/listing/list_columns.h"
#include "core/util/vell_system.h"

namespace {

std::string TitleOf(const KDX_COLUMN& c, const KDX_CATEGORY_TITLE& titles) {
  std::string title;
  // A column of an unknown identifier has an empty title.
  static_cast<void>(CLCOMM_GetColumnHeaderTitle(titles, c.cl_identifier, &title));
  return title;
}

using SetKeyFn = void (*)(int32_t, bool, VELL_ARY*);
constexpr SetKeyFn kSetKey[3] = {CLCOMM_SetFirstSortKey, CLCOMM_SetSecondSortKey,
                                 CLCOMM_SetThirdSortKey};

}  // namespace

KdxListOptions KDXCOMM_InitListOptions(const VELL_ARY* columnAry,
                                       const KDX_CATEGORY_TITLE& titles) {
  KdxListOptions options;
  for (int32_t i = 0; i < Vell_Ary_GetSize(columnAry); ++i) {
    KDX_COLUMN c;
    CL_GetData_ByIndex(columnAry, i, &c);
    options.columns.push_back(c);
  }
  std::stable_sort(options.columns.begin(), options.columns.end(),
                   [](const KDX_COLUMN& a, const KDX_COLUMN& b) {
                     return a.cl_position < b.cl_position;  // KDXCOMM_ColumnWidthSortFunc
                   });
  KDX_SORT_INFO info;
  CLCOMM_InitListInfo(columnAry, &info);
  for (int32_t k = 0; k < 3; ++k) {
    options.keyTitle[k] = k == 0 ? std::string() : kKdxNoSortKey;
    options.keyAscending[k] = info.ascending[k] != 0;
    if (info.key[k] < 0) continue;
    for (const KDX_COLUMN& c : options.columns)
      if (c.cl_id == info.key[k]) options.keyTitle[k] = TitleOf(c, titles);
  }
  return options;
}

std::vector<std::string> KDXCOMM_GetListOptionTitles(const KdxListOptions& options,
                                                     const KDX_CATEGORY_TITLE& titles) {
  std::vector<std::string> names;
  for (const KDX_COLUMN& c : options.columns) names.push_back(TitleOf(c, titles));
  return names;
}

int32_t FindColumnWidth_ByItemName(const std::vector<KDX_COLUMN>& columns,
                                   const KDX_CATEGORY_TITLE& titles, const std::string& title) {
  for (size_t i = 0; i < columns.size(); ++i)
    if (TitleOf(columns[i], titles) == title) return static_cast<int32_t>(i);
  return -1;
}

void KDXCOMM_ChooseListOptionKey(KdxListOptions* options, const KDX_CATEGORY_TITLE& titles,
                                 int32_t key, const std::string& title) {
  if (key < 0 || key > 2) return;
  options->keyTitle[key] = title;
  if (key == 1 && title == kKdxNoSortKey) options->keyTitle[2] = kKdxNoSortKey;
  const int32_t index = FindColumnWidth_ByItemName(options->columns, titles, title);
  if (index >= 0) options->keyAscending[key] = options->columns[index].cl_ascending;
}

KdxListOptionControls KDXCOMM_GetListOptionControls(const KdxListOptions& options) {
  const bool second = options.keyTitle[1] != kKdxNoSortKey;
  return {second, second, second && options.keyTitle[2] != kKdxNoSortKey};
}

int32_t KDXCOMM_CheckListOptions(const KdxListOptions& options) {
  const auto& t = options.keyTitle;
  if (t[0] == t[1]) return kKdxListOptionsFirstIsSecond;
  if (t[0] == t[2]) return kKdxListOptionsFirstIsThird;
  if (t[1] == t[2] && t[1] != kKdxNoSortKey) return kKdxListOptionsSecondIsThird;
  return kKdxListOptionsOk;
}

std::string KDXCOMM_ListOptionMessage(int32_t code) {
  static constexpr const char* kMessages[] = {
      "第１と第２に同じソートキーが指定されています。どちらかを別のソートキーにしてください。",
      "第１と第３に同じソートキーが指定されています。どちらかを別のソートキーにしてください。",
      "第２と第３に同じソートキーが指定されています。どちらかを別のソートキーにしてください。"};
  if (code < kKdxListOptionsFirstIsSecond || code > kKdxListOptionsSecondIsThird) return {};
  const char* text = Vell_LocalizedString(kMessages[code - 1]);
  return text != nullptr ? text : kMessages[code - 1];
}

int32_t KDXCOMM_ApplyListOptions(KdxListOptions options, const KDX_CATEGORY_TITLE& titles,
                                 VELL_ARY* columnAry) {
  const int32_t check = KDXCOMM_CheckListOptions(options);
  if (check != kKdxListOptionsOk) return check;
  for (int32_t k = 2; k >= 0; --k) {
    const int32_t index = FindColumnWidth_ByItemName(options.columns, titles, options.keyTitle[k]);
    if (index >= 0) options.columns[index].cl_ascending = options.keyAscending[k];
  }
  KDXCOMM_UpdateListOption_ToKdxData(options, titles, columnAry);
  return 0;
}

void KDXCOMM_UpdateListOption_ToKdxData(const KdxListOptions& options,
                                        const KDX_CATEGORY_TITLE& titles, VELL_ARY* columnAry) {
  for (const KDX_COLUMN& c : options.columns)
    CL_SetData_ByIndex(columnAry, CL_FindIndex_ByID(columnAry, c.cl_id), c);
  for (int32_t k = 0; k < 3; ++k) {
    if (k > 0 && options.keyTitle[k] == kKdxNoSortKey) {
      kSetKey[k](-1, false, columnAry);
      continue;
    }
    std::string identifier;
    KDX_COLUMN c;
    if (CLCOMM_GetColumnIdentifier(titles, options.keyTitle[k], &identifier) == 1 &&
        CL_GetData_ByIdentifier(columnAry, identifier.c_str(), &c) == 1)
      kSetKey[k](c.cl_id, c.cl_ascending, columnAry);
  }
}
