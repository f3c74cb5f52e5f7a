// The list options dialog's record and decisions: which columns are shown,
// which columns are the three sort keys, and in which direction. The dialog
// edits a KdxListOptions and hands it to KDXCOMM_ApplyListOptions on OK.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/document/records.h"
#include "core/listing/listing_status.h"  // kKdxListOptions*
#include "core/util/vell_ary.h"

// The pop-up item for "no second or third key".
inline constexpr char kKdxNoSortKey[] = "＜指定しない＞";
// The dialog's window title (localise before showing).
inline constexpr char kKdxListOptionTitle[] = "分類 - 一覧表示オプション";

struct KdxListOptions {
  std::vector<KDX_COLUMN> columns;      // working copy, by display position; rows of the list
  std::array<std::string, 3> keyTitle;  // header title per key, or kKdxNoSortKey (2nd, 3rd)
  std::array<bool, 3> keyAscending;     // the radio buttons of each key
};

// Before the dialog (take the view's columns back first): the working copy,
// sorted by position (stable), and the current keys with their directions.
[[nodiscard]] KdxListOptions KDXCOMM_InitListOptions(const VELL_ARY* columnAry,
                                                     const KDX_CATEGORY_TITLE& titles);
// The header title of each working record, in order: the column list's names
// and the first key's pop-up items (the others put kKdxNoSortKey in front).
[[nodiscard]] std::vector<std::string> KDXCOMM_GetListOptionTitles(
    const KdxListOptions& options, const KDX_CATEGORY_TITLE& titles);
// Index of the working record whose header title is title, or -1.
[[nodiscard]] int32_t FindColumnWidth_ByItemName(const std::vector<KDX_COLUMN>& columns,
                                                 const KDX_CATEGORY_TITLE& titles,
                                                 const std::string& title);
// A pop-up choice for key 0..2: the key's title becomes title and its
// direction shows that column's flag; "no second key" also clears the third.
void KDXCOMM_ChooseListOptionKey(KdxListOptions* options, const KDX_CATEGORY_TITLE& titles,
                                 int32_t key, const std::string& title);

// Which controls are enabled.
struct KdxListOptionControls {
  bool secondDirection;  // second key's radio buttons
  bool thirdKey;         // third key's pop-up
  bool thirdDirection;   // third key's radio buttons
};
[[nodiscard]] KdxListOptionControls KDXCOMM_GetListOptionControls(const KdxListOptions& options);

// OK's checks in order: kKdxListOptionsOk, or kKdxListOptionsFirstIsSecond,
// kKdxListOptionsFirstIsThird, kKdxListOptionsSecondIsThird. The message of a
// code, localised.
[[nodiscard]] int32_t KDXCOMM_CheckListOptions(const KdxListOptions& options);
[[nodiscard]] std::string KDXCOMM_ListOptionMessage(int32_t code);
// OK: checks, then sets each chosen column's direction (third, second, first)
// and stores the result. kKdxListOptionsOk, or the check's code with nothing
// changed.
[[nodiscard]] int32_t KDXCOMM_ApplyListOptions(KdxListOptions options,
                                               const KDX_CATEGORY_TITLE& titles,
                                               VELL_ARY* columnAry);
// Stores a checked result: each working record replaces the record with its
// cl_id; each key is set to its chosen column with that column's direction,
// or cleared for kKdxNoSortKey; a title naming no column leaves that key.
// Re-sorting and rebuilding the lists and columns are the caller's; the
// document is saved with the next save.
void KDXCOMM_UpdateListOption_ToKdxData(const KdxListOptions& options,
                                        const KDX_CATEGORY_TITLE& titles, VELL_ARY* columnAry);
