// Categories: the special names, the narrowing queries behind the three
// browser lists, the filter that gives the shown entries, and adding,
// renaming and deleting names. Windows show the results; every decision is
// here so that it can be tested without one.
//
// Names are NUL-terminated UTF-8 of at most 127 bytes and compare byte for
// byte. Arrays of names hold 128-byte records (kKdxCategoryNameSize); arrays
// of category sets hold stored KDX_CATSET records, as catSetAry does.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/document/catset_table.h"
#include "core/document/kdx_data.h"
#include "core/listing/listing_status.h"  // KdxCategoryResult
#include "core/util/vell_ary.h"

// English forms of the special names, accepted by the tests below so that a
// localised interface works.
inline constexpr char kKdxCategoryAllEnglish[] = "<All>";
inline constexpr char kKdxCategoryOtherEnglish[] = "Others";
// In the change-categories dialog: leave this level as it is.
inline constexpr char kKdxCategoryNoChange[] = "＜変更しない＞";

// Environment keywords of the browser's three selections.
inline constexpr const char* kKdxCategorySelectionKeywords[3] = {"main_window_category1_selection",
                                                                 "main_window_category2_selection",
                                                                 "main_window_category3_selection"};

// The browser's three selected names (index = level - 1), in stored form.
struct KdxCategorySelection {
  std::array<std::string, 3> name{kKdxCategoryAll, kKdxCategoryAll, kKdxCategoryAll};
};

// The localised alert text for a result, with name in place of its "%s"
// (never used as a format). Empty for kOk, kUnchanged, kEmptyTitle, kFailed.
[[nodiscard]] std::string KDXCOMM_CategoryMessage(KdxCategoryResult result, std::string_view name);

// ---- Special names ----------------------------------------------------------

// "＜すべて＞" or "<All>"; "その他" or "Others". Null is neither.
[[nodiscard]] bool KDXCOMM_isCategoryAll(const char* name);
[[nodiscard]] bool KDXCOMM_isCategoryOther(const char* name);
// The text a name shows: "＜すべて＞" and "その他" localised, others as stored.
[[nodiscard]] std::string KDXCOMM_GetCatDisplayName(std::string_view name);
// A name read back from a control, cut to 127 bytes at a character boundary;
// the display form of その他 becomes "その他".
[[nodiscard]] std::string KDXCOMM_GetCatComboSaveString(std::string_view text);
// Neither All nor その他 (either form): the name may be edited or deleted.
[[nodiscard]] bool KDXCOMM_IsCategoryEditable(const char* name);

// Order of names: "その他" last, others byte-wise; -1, 0 or 1. Two "その他"
// are equal, so the ordering is consistent.
[[nodiscard]] int32_t CT_CategorySortFunc(const char* a, const char* b);
// Sorts an array of names with CT_CategorySortFunc.
void KDXCOMM_SortCategoryNames(VELL_ARY* names);

// ---- Narrowing queries over category sets ----------------------------------

// Append to target every set of source whose name at that level equals name,
// or every set when name is "＜すべて＞" (the stored form only). Source order is
// kept and target is not cleared. 0, or kKdxFailed when memory runs out.
[[nodiscard]] int32_t CT_QueryKdxCats_ByCat1(const char* name, const VELL_ARY* source,
                                             VELL_ARY* target);
[[nodiscard]] int32_t CT_QueryKdxCats_ByCat2(const char* name, const VELL_ARY* source,
                                             VELL_ARY* target);
[[nodiscard]] int32_t CT_QueryKdxCats_ByCat3(const char* name, const VELL_ARY* source,
                                             VELL_ARY* target);
// The distinct names of one level among the sets matching the other two
// levels' names, in first-seen order (unsorted); names is cleared first.
// 0, or kKdxFailed when memory runs out (names is then empty).
[[nodiscard]] int32_t KDXCOMM_QueryCategory1_ByCat2NameAndCat3Name(const VELL_ARY* catSetAry,
                                                                   const char* cat2,
                                                                   const char* cat3,
                                                                   VELL_ARY* names);
[[nodiscard]] int32_t KDXCOMM_QueryCategory2_ByCat1NameAndCat3Name(const VELL_ARY* catSetAry,
                                                                   const char* cat1,
                                                                   const char* cat3,
                                                                   VELL_ARY* names);
[[nodiscard]] int32_t KDXCOMM_QueryCategory3_ByCat1NameAndCat2Name(const VELL_ARY* catSetAry,
                                                                   const char* cat1,
                                                                   const char* cat2,
                                                                   VELL_ARY* names);
// The three browser lists for a selection, each sorted; a list is never
// narrowed by its own selection. 0, or kKdxFailed.
[[nodiscard]] int32_t KDXCOMM_MakeBrowserLists(KDX_DATA* data,
                                               const KdxCategorySelection& selection);
// Makes every selected name one the browser can show: level 1 stays when a
// set has it, level 2 when a set has it under level 1's selection, level 3
// likewise under both; any other becomes "＜すべて＞" (a saved selection whose
// category is gone selects row 0). 1 when something fell back, 0 when not,
// kKdxFailed when memory runs out.
[[nodiscard]] int32_t KDXCOMM_ResolveCategorySelection(const VELL_ARY* catSetAry,
                                                       KdxCategorySelection* selection);
// cat1Ary..cat3Ary with every distinct name, sorted (after a document is read).
void KDXCOMM_MakeCatArrays(KDX_DATA* data);

// The shown entries: clears showIDAry and appends the en_id of every entry
// whose three names equal the selection ("＜すべて＞" matching any), in the
// order of the positions in order (the list order, KDXCOMM_SortEntryOrder),
// or in entryAry order when order is null or not one position per entry. 0.
int32_t KDXCOMM_QueryEntrys(const char* cat1, const char* cat2, const char* cat3,
                            const VELL_ARY* entryAry, std::vector<int32_t>* showIDAry,
                            const std::vector<uint32_t>* order = nullptr);

// ---- Browser rows: row 0 is All, row r is name r - 1 ------------------------

[[nodiscard]] int32_t KDXCOMM_GetCatListRowCount(const VELL_ARY* names);
// The name of a row; row 0 or less, past the end, or a null array: "＜すべて＞".
[[nodiscard]] std::string GetCatListBoxSelectedItemText(const VELL_ARY* names, int32_t row);
// The text a row shows (display form).
[[nodiscard]] std::string GetDisplayCatName_FromCatIndex(const VELL_ARY* names, int32_t row);
// Element index of name, or -1.
[[nodiscard]] int32_t GetCategoryIndex_ByName(const VELL_ARY* names, const char* name);
// The row that shows name: index + 1, or 0 (All) when it is not listed.
[[nodiscard]] int32_t KDXCOMM_GetCatListRow(const VELL_ARY* names, const char* name);

// ---- Selection persistence --------------------------------------------------

// Stores the three names in the environment table; saving is the caller's.
// 0, or kKdxFailed.
[[nodiscard]] int32_t KDXCOMM_SaveCategorySelections(KDX_DATA* data,
                                                     const KdxCategorySelection& selection);
// The stored names; a missing or empty value reads as "＜すべて＞".
[[nodiscard]] KdxCategorySelection KDXCOMM_LoadCategorySelections(const KDX_DATA& data);

// ---- Adding, deleting and renaming names ------------------------------------

// The add dialog's checks for a name at level 1 to 3: kEmpty, kAllNotAllowed
// (either form), kAlreadyUsed when a set has the name at that level, else kOk.
[[nodiscard]] KdxCategoryResult KDXCOMM_CheckNewCategoryName(const VELL_ARY* catSetAry,
                                                             const char* name, int32_t level);
// Checks, then adds the set with name at level and the selection's names
// (All becoming "その他") at the other two. kOk, a refusal, or kFailed.
[[nodiscard]] KdxCategoryResult KDXCOMM_AddCategory(KDX_DATA* data, const char* name, int32_t level,
                                                    const KdxCategorySelection& selection);
// The delete check: kNotDeletable for All and その他, kUsedByEntry when an
// entry has the name at that level, else kConfirmDelete (ask the user).
[[nodiscard]] KdxCategoryResult KDXCOMM_AlertCategoryConfirmation(const KDX_DATA& data,
                                                                  const char* name, int32_t level);
// After the user confirmed: checks again, then removes every set with the
// name at that level. kOk or the refusal.
[[nodiscard]] KdxCategoryResult KDXCOMM_DeleteCategory(KDX_DATA* data, const char* name,
                                                       int32_t level);
// Renames the selected name of a level (selection->name[level - 1]) to
// newText (cut to 127 bytes). kUnchanged for an empty or equal name or a
// special selected name; kAlreadyUsed when the level's current list
// (cat1Ary..cat3Ary) holds it. Otherwise the shown entries take the new name,
// the sets within the current selection are renamed, and sets still used by
// entries that keep the old name survive; selection takes the new name.
// Reloading the lists and saving are the caller's.
[[nodiscard]] KdxCategoryResult KDXCOMM_RenameCategory(KDX_DATA* data, int32_t level,
                                                       const char* newText,
                                                       KdxCategorySelection* selection);

// ---- Changing the categories of several entries ------------------------------

// The distinct names of a level (1 to 3) among the category sets, sorted as
// the browser lists them, as stored (その他 not in its display form).
[[nodiscard]] std::vector<std::string> KDXCOMM_GetLevelCategoryNames(const VELL_ARY* catSetAry,
                                                                     int32_t level);
// The combo-box items of a level: "＜変更しない＞", then the level's distinct
// names from catSetAry, sorted.
[[nodiscard]] std::vector<std::string> KDXCOMM_GetChangeCategoryChoices(const VELL_ARY* catSetAry,
                                                                        int32_t level);
// Per level the name all the entries share, else "＜変更しない＞".
[[nodiscard]] std::array<std::string, 3> KDXCOMM_GetCommonCategories(
    const KDX_DATA& data, const std::vector<int32_t>& ids);
// The change-categories dialog's OK: kNotACategory with *refused the first
// text (levels 1, 2, 3) that says All, else kOk.
[[nodiscard]] KdxCategoryResult KDXCOMM_CheckChangeCategoryTexts(
    const std::array<std::string, 3>& texts, std::string* refused);
// Writes each level whose text is not "＜変更しない＞" (empty text meaning
// "その他") into the entries and adds their triples. kNotACategory with
// *refused the offending text when a level says All (checked 1, 2, 3; nothing
// changes); kFailed when a set could not be added; else kOk.
[[nodiscard]] KdxCategoryResult KDXCOMM_ChangeEntryCategories(
    KDX_DATA* data, const std::vector<int32_t>& ids, const std::array<std::string, 3>& texts,
    std::string* refused);

// ---- Category titles ----------------------------------------------------------

// 1 when title, localised, equals the localised title of another list column.
[[nodiscard]] int32_t IsTheReservedTitle(const char* title);
// The title dialog's checks in order: kEmptyTitle, kAlreadyUsed (*named the
// repeated title), kReservedTitle, else kOk.
[[nodiscard]] KdxCategoryResult KDXCOMM_CheckCategoryTitles(
    const std::array<std::string, 3>& titles, std::string* named);
// Checks, then stores the titles with the update date now.
[[nodiscard]] KdxCategoryResult KDXCOMM_SetCategoryTitles(VELL_ARY* catTitleAry,
                                                          const std::array<std::string, 3>& titles,
                                                          std::string* named);
