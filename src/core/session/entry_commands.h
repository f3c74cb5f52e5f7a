// Commands on the entries of an open document that the windows and their
// workers share: a new entry as the document window's 新規文章 makes it, and
// switching the encryption of many entries (the document window and the
// search window, on a worker under the progress dialog).
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/document/kdx_data.h"
#include "core/document/records.h"
#include "core/session/kdx_session.h"

// ---- A new entry -----------------------------------------------------------

// The setting that holds the last number given to a new entry's title.
inline constexpr char kKdxConsecutiveNumberKey[] = "consecutive_number";

// The preferences a new entry is made from.
struct KdxNewEntryPrefs {
  int32_t titleType = 0;              // "DefaultTitleType": 1 gives an empty title
  std::string defaultTitle = "文章";  // "DefaultTitle"
  bool consecutiveNumber = false;     // "IsTitleConsecutiveNumber"
  int32_t turn = 3;                   // "DefaultTurn"
  std::string turnWidth = "450";      // "DefaultTurnWidth"
};
// Reads them from the preference file.
[[nodiscard]] KdxNewEntryPrefs KDXCOMM_ReadNewEntryPrefs();

// The title of a new entry: empty for title type 1; else the default title,
// followed directly by the document's "consecutive_number" + 1 when numbering
// is on. *number gets that number (to be stored back once the entry exists),
// or -1 when none is used.
[[nodiscard]] std::string KDXCOMM_MakeNewEntryTitle(const KdxNewEntryPrefs& prefs,
                                                    const VELL_ARY* envAry, int32_t* number);

// Makes the new entry of the document window: the title above, the three
// categories (All becomes "その他"), the preference wrap mode and width,
// encoding "S-JIS", empty body, text and note; it becomes the only entry
// marked as selected, and the number its title used is stored as
// "consecutive_number". Not saved. *created gets the record.
[[nodiscard]] KdxChangeResult KDXCOMM_CreateNewEntry(KdxSession& session,
                                                     const KdxNewEntryPrefs& prefs,
                                                     const std::array<std::string, 3>& categories,
                                                     KDX_ENTRY* created = nullptr);

// ---- Encryption of many entries ---------------------------------------------

// What the switch reports while it runs; both callbacks may be empty.
struct KdxEncryptProgress {
  // The entry about to be switched: its title, how many are done before it,
  // how many there are in all.
  std::function<void(const std::string& title, int64_t done, int64_t total)> item;
  // Polled before each entry; true leaves the rest as they are.
  std::function<bool()> cancelled;
};

// What switching came to.
struct KdxEncryptEntriesResult {
  int64_t switched = 0;   // now in the form asked for
  int64_t unchanged = 0;  // were in that form already: passed over
  int64_t failed = 0;     // left as they were (a block or the save failed, or no such entry)
  bool cancelled = false;
  std::vector<int32_t> failedIds;
};

// Encrypts (encrypt true) or decrypts the entries of ids in turn, each saved
// at once with its flags, so that the file's flags and blocks agree after
// every entry whatever happens later. The session's unsaved changes are saved
// first, since a failed switch drops what was not saved; when that save
// fails nothing is switched and every entry counts as failed. Entries done
// before a cancel stay done.
[[nodiscard]] KdxEncryptEntriesResult KDXCOMM_SetEncryptEntries(
    KdxSession& session, const std::vector<int32_t>& ids, bool encrypt,
    const KdxEncryptProgress& progress = {});
