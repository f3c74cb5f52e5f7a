// The search history shared by all documents: 168-byte HI records in the
// preference container under "HIAL", the most recent word first. Functions
// that cannot open the container do nothing, so the history is then empty.
#pragma once

#include <cstdint>

#include "core/util/vell_ary.h"

// The most recent words offered as a search field's recent searches.
inline constexpr int32_t kKdxRecentSearchCount = 30;

// A new empty history array (168-byte records), or null. Free with
// HICOMM_FreeSearchHistory.
VELL_ARY* HICOMM_InitSearchHistory();
void HICOMM_FreeSearchHistory(VELL_ARY* history);

// Appends the records stored under tag in the container at path to history.
// When the file cannot be opened or its records cannot all be read, history
// stays as it was. 0, or a negative container code.
[[nodiscard]] int32_t HICOMM_LoadSearchHistory(const char* path, uint32_t tag, VELL_ARY* history);
// Replaces the records under tag with history; nothing is written when the
// file cannot be opened. 0, or a negative container code.
[[nodiscard]] int32_t HICOMM_SaveSearchHistory(const char* path, uint32_t tag,
                                               const VELL_ARY* history);

// Puts word (cut to 127 bytes) at the top of the stored history: a record
// holding exactly that word moves up with a fresh update date, otherwise a
// new record is inserted. An empty word is ignored. 0, or a negative code
// when the history could not be stored.
[[nodiscard]] int32_t HICOMM_AddSearchWord(const char* word);
// Stores an empty history; 0 (also when there is no preference container,
// which holds no history), or a negative code.
[[nodiscard]] int32_t HICOMM_ClearSearchWord();
