// The one way a new entry comes into a document: a fresh record, the fields
// the caller chose, its body, text and note blocks in the form its flags ask
// for, the record appended to the entry table (and the hash) and its category
// set registered for the browser. kdx add, the imports, the windows' new
// entry and the tests all come through here.
#pragma once

#include <cstdint>
#include <string>

#include "core/content/content_status.h"  // kKdxNoIdentifierLeft
#include "core/content/entry_content.h"
#include "core/document/kdx_data.h"
#include "core/document/records.h"

// What a new entry is made of. Texts longer than their field are cut at a
// character boundary; a category "＜すべて＞" becomes "その他".
struct KdxNewEntry {
  std::string title;
  std::string cat1 = "その他";
  std::string cat2 = "その他";
  std::string cat3 = "その他";
  int32_t label = 0;               // en_co_id, 0 to 7
  int32_t fileTypeId = 0;          // en_ft_id
  std::string encoding = "S-JIS";  // en_encode
  bool encrypted = false;          // en_encrypt, en_bo_encrypt and en_no_encrypt
  int32_t turn = 0;                // en_turn
  std::string turnWidth;           // en_turn_width
  KdxEntryContent content;         // body, plain text and note
};

// Creates the entry. *created (when given) receives the record as stored. 0;
// kKdxNoIdentifierLeft when the "en_id" counter refuses; otherwise the
// negative code of the block or table step, with nothing left behind. The
// caller saves the tables.
[[nodiscard]] int32_t KDX_CreateEntry(KDX_DATA* data, const KdxNewEntry& fields, int32_t expandSize,
                                      KDX_ENTRY* created = nullptr);

// The second half of KDX_CreateEntry for a record the caller filled itself
// (an import that takes its fields from a file): KDX_AddNewEntry, then the
// category set. A set that cannot be added only leaves the browser without
// the entry's names until the next change; the entry itself is stored.
[[nodiscard]] int32_t KDX_StoreNewEntry(KDX_DATA* data, KDX_ENTRY* entry, int32_t expandSize,
                                        const KdxEntryContent& content);
