// Private to the listing: the twenty column kinds in one table, with where
// each kind's value lives both in KDX_ENTRY and in the stored entry record.
// Sorting reads the stored records in place (converting 100,000 records per
// sort would cost more than the sort), cells read the memory form.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <string_view>

#include "core/document/entry_layout.h"
#include "core/document/records.h"
#include "core/util/vell_endian.h"

namespace kdx_listing {

namespace stored_entry = kdx_entry_layout;

enum class KeyType { kInt, kText, kNote };

struct ColumnKind {
  const char* identifier;  // the KDX_ENTRY field name the column shows
  const char* title;       // localisation key of the header; null for category columns
  int32_t categoryLevel;   // 1 to 3 for the category columns, else 0
  int32_t alignment;       // 1 right, 0 left
  KeyType type;
  size_t storedOffset;  // in the stored record
  size_t width;         // of the field in both forms
  size_t memoryOffset;  // in KDX_ENTRY
};

// The note is kept in its own block, not in a field of the stored entry.
inline constexpr kdx_layout::Field kNoField{0, 0};

#define KDX_KIND(id, title, level, align, type, field, member) \
  { id, title, level, align, type, field.offset, field.width, offsetof(KDX_ENTRY, member) }
inline constexpr ColumnKind kColumnKinds[] = {
    KDX_KIND("en_ft_id", "icon", 0, 0, KeyType::kInt, stored_entry::kFtId, en_ft_id),
    KDX_KIND("en_id", "ＩＤ", 0, 1, KeyType::kInt, stored_entry::kId, en_id),
    KDX_KIND("en_title", "文章名", 0, 0, KeyType::kText, stored_entry::kTitle, en_title),
    KDX_KIND("en_cat1_name", nullptr, 1, 0, KeyType::kText, stored_entry::kCat1Name, en_cat1_name),
    KDX_KIND("en_cat2_name", nullptr, 2, 0, KeyType::kText, stored_entry::kCat2Name, en_cat2_name),
    KDX_KIND("en_cat3_name", nullptr, 3, 0, KeyType::kText, stored_entry::kCat3Name, en_cat3_name),
    KDX_KIND("en_create_date", "作成日時", 0, 0, KeyType::kText, stored_entry::kCreateDate,
             en_create_date),
    KDX_KIND("en_update_date", "更新日時", 0, 0, KeyType::kText, stored_entry::kUpdateDate,
             en_update_date),
    KDX_KIND("en_last_opened_date", "最後に開いた日時", 0, 0, KeyType::kText,
             stored_entry::kLastOpenedDate, en_last_opened_date),
    KDX_KIND("en_use_date", "最後に使った日時", 0, 0, KeyType::kText, stored_entry::kUseDate,
             en_use_date),
    KDX_KIND("en_bo_block_size", "本文のサイズ", 0, 1, KeyType::kInt, stored_entry::kBoBlockSize,
             en_bo_block_size),
    KDX_KIND("en_encoding", "エンコーディング", 0, 0, KeyType::kText, stored_entry::kEncode,
             en_encode),
    KDX_KIND("en_encrpyt", "暗号化", 0, 0, KeyType::kInt, stored_entry::kEncrypt, en_encrypt),
    KDX_KIND("en_file_path", "ファイルパス", 0, 0, KeyType::kText, stored_entry::kFilePath,
             en_file_path),
    KDX_KIND("en_note", "ノート", 0, 0, KeyType::kNote, kNoField, en_id),
    KDX_KIND("en_co_id", "ラベル", 0, 0, KeyType::kInt, stored_entry::kCoId, en_co_id),
    KDX_KIND("en_create_os", "作成したＯＳ", 0, 0, KeyType::kText, stored_entry::kCreateOs,
             en_create_os),
    KDX_KIND("en_update_os", "更新したＯＳ", 0, 0, KeyType::kText, stored_entry::kUpdateOs,
             en_update_os),
    KDX_KIND("en_create_machine_name", "作成したコンピュータ名", 0, 0, KeyType::kText,
             stored_entry::kCreateMachineName, en_create_machine_name),
    KDX_KIND("en_update_machine_name", "更新したコンピュータ名", 0, 0, KeyType::kText,
             stored_entry::kUpdateMachineName, en_update_machine_name),
};
#undef KDX_KIND
inline constexpr int32_t kColumnKindCount = static_cast<int32_t>(std::size(kColumnKinds));
static_assert(kColumnKindCount == 20);

// en_is_select_entrylist, one byte: the entry is selected in the list.
inline constexpr size_t kStoredIsSelectOffset = stored_entry::kIsSelectEntrylist.offset;

[[nodiscard]] inline const ColumnKind* KindAt(int32_t kind) {
  return kind >= 0 && kind < kColumnKindCount ? &kColumnKinds[kind] : nullptr;
}

// A text field as a view up to its NUL; a field without one (a crafted file)
// ends one byte early, as the loaded form would.
[[nodiscard]] inline std::string_view TextAt(const uint8_t* base, size_t offset, size_t width) {
  const char* p = reinterpret_cast<const char*>(base + offset);
  return {p, strnlen(p, width - 1)};
}

[[nodiscard]] inline int32_t StoredInt(const uint8_t* stored, size_t offset) {
  return Vell_GetLE32Signed(stored + offset);
}

[[nodiscard]] inline int32_t MemoryInt(const KDX_ENTRY& entry, size_t offset) {
  int32_t v;
  std::memcpy(&v, reinterpret_cast<const uint8_t*>(&entry) + offset, sizeof v);
  return v;
}

[[nodiscard]] inline std::string_view MemoryText(const KDX_ENTRY& entry, size_t offset,
                                                 size_t width) {
  return TextAt(reinterpret_cast<const uint8_t*>(&entry), offset, width);
}

}  // namespace kdx_listing
