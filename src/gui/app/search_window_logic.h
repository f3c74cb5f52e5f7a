// The search window's decisions, as plain functions: the search mode and the
// recent words it offers, its own column set kept in the preference
// container, the selected flags its results carry across re-sorting, which
// commands are enabled, and where a found word sits in a body.
#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/document/kdx_data.h"
#include "core/search/search_engine.h"
#include "core/util/vell_ary.h"

// Preference keys of the search window.
inline constexpr char kPrefSearchWindowRectKey[] = "AllFindWindowRect";
inline constexpr char kPrefDefaultWindowSizeKey[] = "DefaultWindowSize";
inline constexpr char kPrefWriteEntryListTypeKey[] = "WEL_recordType";
inline constexpr char kPrefWriteEntryListPathKey[] = "WriteEntryListPath";

// The stored search mode (0 phrase, 1 all words, 2 any word); anything else
// reads as the nearest of them.
[[nodiscard]] int32_t KDXCOMM_ReadSearchModeOption();
// 1, or 0 when it could not be stored.
int32_t KDXCOMM_WriteSearchModeOption(int32_t mode);

// The words a search field offers: the history's first 30, most recent first.
[[nodiscard]] std::vector<std::string> KdxRecentSearchWords();

// The search window's column set: counters and columns, owned.
struct KdxColumnSet {
  VellAryPtr idCounterAry;
  VellAryPtr columnAry;
};
// How the window came by its column set.
enum class KdxColumnSetSource {
  kStored,  // loaded from the preference container
  kSeeded,  // first use: the document's set, stored and loaded back
  kCopied,  // the document's set, kept in memory (the container refused it)
};
// Loads the window's column set from the container at prefRez; when it
// cannot be loaded (first use), copies the document's set, stores that and
// loads it again, keeping the copy when even that fails. Null arrays only when
// memory runs out.
[[nodiscard]] KdxColumnSet KDX_LoadSearchWindowColumns(const std::string& prefRez,
                                                       const KDX_DATA& document,
                                                       KdxColumnSetSource* source = nullptr);

// The selected flags of results set for the rows given (indices into results)
// and cleared everywhere else; rows out of range are ignored.
void KdxSetFoundSelection(std::vector<KDX_FOUND_RESULT>& results, const std::vector<int>& rows);
// The rows whose selected flag is 1, in order.
[[nodiscard]] std::vector<int> KdxSelectedFoundRows(const std::vector<KDX_FOUND_RESULT>& results);

// A copy made from a result: the copy's identifier and the word that found
// its source.
struct KdxCopiedResult {
  int32_t en_id;
  std::string word;
};
// After a copy: every selected flag cleared, then the copies appended
// selected, so that they alone are selected once the list is shown again.
void KdxAppendCopiedResults(std::vector<KDX_FOUND_RESULT>& results,
                            const std::vector<KdxCopiedResult>& copies);

// Which of the window's commands are enabled: the commands on results (open,
// copy, delete, labels, the entry list, encryption) need a selected row;
// nothing works while a worker has the document.
struct KdxSearchMenuState {
  bool resultCommands;
  bool windowCommands;
};
[[nodiscard]] KdxSearchMenuState KdxGetSearchMenuState(size_t selectedRows, bool busy);

// What the user is told when a search ends with code; null when there is
// nothing to say (found or not, or cancelled). The key is to be localised.
[[nodiscard]] const char* KdxSearchFailureText(int32_t code);

// The file name proposed for the entry list of the results:
// "<document name without extension>の検索結果一覧.txt".
[[nodiscard]] std::string KdxResultListFileName(const std::string& documentPath);

// Where word first occurs in text, by the search's own rule (the ASCII
// letters match in either case, nothing else is folded); -1 when it does not,
// or when word is empty.
[[nodiscard]] int KdxFindFoundWord(const QString& text, const QString& word);
