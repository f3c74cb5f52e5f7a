// The search across entries: the words of a search text looked up in the
// plain texts of the bodies (and, on request, in the notes and titles) of a
// document, with the result records the search window lists.
//
// Modes: 0 the whole text is one word, 1 every word must be found, 2 any
// word. Words are split at ASCII and ideographic spaces and cut to 127 bytes
// at a character boundary; matching is KDX_TextContainsWord's rule.
//
// The results are built as if each word in turn had been looked up in every
// searched block of the file, appending one record per block that holds it
// (for each word: the text blocks in file order, then the note blocks, then
// the titles in table order). Collected from that list in its order:
//   mode 0 and 1  over bodies alone, an entry whose records number exactly the
//                 words (a word given twice counts twice); with notes or
//                 titles, an entry in which each word is found in some field
//   mode 2        every entry, once, with its first record
// The file itself is read in a single pass per block kind, whatever the number
// of words.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/document/kdx_data.h"
#include "core/listing/entry_sort.h"
#include "core/listing/note_reader.h"

// One result row of the search window; the results are a list in memory,
// never stored.
struct KDX_FOUND_RESULT {
  int32_t en_id;     // the entry found
  int32_t selected;  // 1 while the row is selected in the result list
  char word[128];    // the word that found it, NUL-terminated UTF-8
  int32_t kind;      // where: kKdxFoundInBody, kKdxFoundInNote, kKdxFoundInTitle
};

// Search modes, the values of the "SearchMode" preference.
inline constexpr int32_t kKdxSearchPhrase = 0;
inline constexpr int32_t kKdxSearchAllWords = 1;
inline constexpr int32_t kKdxSearchAnyWord = 2;

// Kinds of a found result (3 to 5 name the category levels, never searched).
inline constexpr int32_t kKdxFoundInBody = 0;
inline constexpr int32_t kKdxFoundInNote = 1;
inline constexpr int32_t kKdxFoundInTitle = 2;

// The fields searched, or-ed together; bodies alone by default.
inline constexpr uint32_t kKdxSearchBody = 1u << 0;
inline constexpr uint32_t kKdxSearchNote = 1u << 1;
inline constexpr uint32_t kKdxSearchTitle = 1u << 2;

// Results besides 0.
inline constexpr int32_t kKdxSearchCannotOpen = -1000;  // the document file cannot be read
inline constexpr int32_t kKdxSearchNoMemory = -1003;
inline constexpr int32_t kKdxSearchBadArgument = -1021;
inline constexpr int32_t kKdxSearchCancelled = -1022;

// What the search met on its way besides the results.
struct KdxSearchStats {
  int64_t blocksSearched = 0;  // text and note blocks whose text was tested
  int64_t blocksSkipped = 0;   // damaged, unreadable or undecipherable blocks (logged)
  int64_t orphanBlocks = 0;    // blocks of entries the table does not hold
  bool chainDamaged = false;   // a chain of blocks broke off; blocks after it were not reached
};

// For the window's progress indicator; either may be empty. progress gets the
// bytes passed and the file size; cancelled is polled now and then and ends
// the search with kKdxSearchCancelled when it answers true.
struct KdxSearchCallbacks {
  std::function<void(int64_t done, int64_t total)> progress;
  std::function<bool()> cancelled;
};

// The words of a search text for modes 1 and 2: split at " " and "　", empty
// words dropped, each cut to 127 bytes at a character boundary.
std::vector<std::string> KDX_SplitSearchWords(const char* text);

// Looks word (cut to 127 bytes) up in every text block of the document file,
// appending {en_id, 0, word, kKdxFoundInBody} to results for each block that
// holds it, in file order. 0; kKdxSearchCannotOpen when the file cannot be
// read, kKdxSearchNoMemory, kKdxSearchBadArgument (results unchanged).
[[nodiscard]] int32_t FindOneSearchWord(const KDX_DATA* data, const char* word,
                                        std::vector<KDX_FOUND_RESULT>& results);

// The search of the search window: replaces results with the entries found
// for text in mode (see above), stats (when given) telling what was skipped.
// 0 also when nothing is found; kKdxSearchCannotOpen when the document file
// cannot be read, kKdxSearchCancelled, kKdxSearchNoMemory or
// kKdxSearchBadArgument, in all of which results is left as it was.
[[nodiscard]] int32_t KDX_SearchEntries(const KDX_DATA* data, const char* text, int32_t mode,
                                        uint32_t fields, const KdxSearchCallbacks& callbacks,
                                        std::vector<KDX_FOUND_RESULT>& results,
                                        KdxSearchStats* stats);

// Puts results in the order of the result list: the entries sorted by keys
// (their selected flags carried along), each row's word that of the entry's
// body hit (empty when it had none), kind 0. A result whose entry is missing
// is logged as "[-1] CreateShowEntryArray[id]" and it and the results after
// it are dropped (answer -1). 0, -1, or kKdxSearchNoMemory (results unchanged).
// order, when given, is the caller's order of the whole entry table kept from
// the last call: while it still holds, the sort costs one pass over the table.
[[nodiscard]] int32_t KDX_SortFoundResults(const KDX_DATA* data, const KDX_SORT_INFO& keys,
                                           const KdxNoteReader& notes,
                                           std::vector<KDX_FOUND_RESULT>& results,
                                           std::vector<uint32_t>* order = nullptr);

// Drops the results whose entry the document no longer holds.
void KDX_DropMissingFoundResults(const KDX_DATA* data, std::vector<KDX_FOUND_RESULT>& results);
