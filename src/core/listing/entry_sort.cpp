#include "core/listing/entry_sort.h"

#include <algorithm>
#include <cstring>

#include "core/document/column_table.h"
#include "core/document/entry_table.h"
#include "core/listing/column_kinds.h"

using kdx_listing::ColumnKind;
using kdx_listing::KeyType;
using kdx_listing::KindAt;

namespace {

// The note as the comparison sees it: up to its first NUL, and a missing or
// empty note as a single blank.
std::string_view NoteKey(std::string_view note) {
  note = note.substr(0, note.find('\0'));
  return note.empty() ? " " : note;
}

int32_t CompareText(bool ascending, std::string_view a, std::string_view b) {
  // char_traits<char> compares as unsigned char, as the byte order requires.
  const int c = a.compare(b);
  const int32_t sign = (c > 0) - (c < 0);
  return ascending ? sign : -sign;
}

// Order-keeping 64-bit prefixes, so that most comparisons are one integer
// comparison. Texts hold no NUL, so zero padding still puts a shorter text
// first; integers are shifted so that unsigned order is signed order.
uint64_t TextPrefix(std::string_view text) {
  uint64_t prefix = 0;
  for (size_t i = 0; i < 8; ++i)
    prefix = prefix << 8 | (i < text.size() ? static_cast<uint8_t>(text[i]) : 0u);
  return prefix;
}
uint64_t IntPrefix(int32_t value) { return static_cast<uint32_t>(value) ^ 0x80000000u; }

// One row per entry, sorted in place of the records' positions.
struct Row {
  uint64_t prefix[3];
  uint32_t index;  // position in entryAry
  int32_t id;
};

// A text key's values, copied into one compact arena: comparing inside the
// records would touch a different 2,393-byte record at every step.
struct PreparedKey {
  bool ascending;
  bool text;
  std::string arena;
  std::vector<std::string_view> texts;  // per entry index, into the arena
};

[[nodiscard]] bool Prepare(const VELL_ARY* entryAry, const ColumnKind* kind, size_t slot,
                           bool ascending, const KdxNoteReader& reader, std::vector<Row>& rows,
                           PreparedKey* key) {
  const size_t count = rows.size();
  key->ascending = ascending;
  key->text = kind->type != KeyType::kInt;
  auto stored = [&](const Row& row) {
    return static_cast<const uint8_t*>(
        Vell_Ary_GetDataPtr(entryAry, static_cast<int32_t>(row.index)));
  };
  if (!key->text) {
    for (Row& row : rows)
      row.prefix[slot] = IntPrefix(kdx_listing::StoredInt(stored(row), kind->storedOffset));
    return true;
  }
  try {
    std::vector<size_t> ends(count);
    key->arena.reserve(count * std::min<size_t>(kind->width, 32));
    for (size_t i = 0; i < count; ++i) {
      if (kind->type == KeyType::kText)
        key->arena += kdx_listing::TextAt(stored(rows[i]), kind->storedOffset, kind->width);
      else
        key->arena += NoteKey(reader ? reader(rows[i].id) : std::string());
      ends[i] = key->arena.size();
    }
    key->texts.resize(count);
    for (size_t i = 0, begin = 0; i < count; begin = ends[i++]) {
      key->texts[rows[i].index] = std::string_view(key->arena).substr(begin, ends[i] - begin);
      rows[i].prefix[slot] = TextPrefix(key->texts[rows[i].index]);
    }
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

// True when order holds every position below count once.
bool IsPermutation(const std::vector<uint32_t>& order, size_t count) {
  if (order.size() != count) return false;
  std::vector<bool> seen(count, false);
  for (const uint32_t i : order) {
    if (i >= count || seen[i]) return false;
    seen[i] = true;
  }
  return true;
}

// Puts record order[n] at position n, moving each record once.
void Permute(VELL_ARY* ary, const std::vector<uint32_t>& order) {
  const size_t size = static_cast<size_t>(ary->recordSize);
  std::vector<uint8_t> held(size);
  std::vector<bool> placed(order.size(), false);
  auto at = [&](uint32_t i) { return ary->data + size * i; };
  for (uint32_t start = 0; start < order.size(); ++start) {
    if (placed[start] || order[start] == start) continue;
    std::memcpy(held.data(), at(start), size);
    uint32_t to = start;
    while (order[to] != start) {
      std::memcpy(at(to), at(order[to]), size);
      placed[to] = true;
      to = order[to];
    }
    std::memcpy(at(to), held.data(), size);
    placed[to] = true;
  }
}

}  // namespace

void CLCOMM_InitListInfo(const VELL_ARY* columnAry, KDX_SORT_INFO* info) {
  KDX_COLUMN c;
  info->key[0] = kKdxColumnKindEnId;
  info->ascending[0] = 0;
  if (CL_FirstSortKeyColumnWidth(columnAry, &c) == 1) {
    info->key[0] = c.cl_id;
    info->ascending[0] = c.cl_ascending ? 1 : 0;
  }
  info->key[1] = info->key[2] = -1;
  info->ascending[1] = info->ascending[2] = 0;
  if (CL_SecondSortKeyColumnWidth(columnAry, &c) == 1) {
    info->key[1] = c.cl_id;
    info->ascending[1] = c.cl_ascending ? 1 : 0;
  }
  if (CL_ThirdSortKeyColumnWidth(columnAry, &c) == 1) {
    info->key[2] = c.cl_id;
    info->ascending[2] = c.cl_ascending ? 1 : 0;
  }
}

void CLCOMM_UpdateSortKey_ToArray(const KDX_SORT_INFO& info, VELL_ARY* columnAry) {
  CLCOMM_SetFirstSortKey(info.key[0], info.ascending[0] != 0, columnAry);
  CLCOMM_SetSecondSortKey(info.key[1], info.ascending[1] != 0, columnAry);
  CLCOMM_SetThirdSortKey(info.key[2], info.ascending[2] != 0, columnAry);
}

void CLCOMM_PushNewSortKey(int32_t kind, bool ascending, VELL_ARY* columnAry) {
  KDX_SORT_INFO old;
  CLCOMM_InitListInfo(columnAry, &old);
  KDX_SORT_INFO info = old;
  auto take = [&](int32_t to, int32_t from) {
    info.key[to] = old.key[from];
    info.ascending[to] = old.ascending[from];
  };
  if (kind == old.key[0]) {
    info.ascending[0] = ascending ? 1 : 0;
  } else if (kind == old.key[1]) {
    take(0, 1);
    take(1, 0);
  } else if (kind == old.key[2]) {
    take(0, 2);
    take(1, 0);
    take(2, 1);
  } else {
    info.key[0] = kind;
    info.ascending[0] = ascending ? 1 : 0;
    take(1, 0);
    take(2, 1);
  }
  CLCOMM_UpdateSortKey_ToArray(info, columnAry);
}

bool KDXCOMM_HeaderClickDirection(const VELL_ARY* columnAry, std::string_view identifier) {
  KDX_COLUMN c;
  if (CL_GetData_ByIdentifier(columnAry, std::string(identifier).c_str(), &c) == 0) return true;
  return c.cl_first_sort_key ? !c.cl_ascending : c.cl_ascending;
}

int32_t KDXCOMM_ClickColumnHeader(VELL_ARY* columnAry, std::string_view identifier,
                                  bool ascending) {
  KDX_COLUMN c;
  if (CL_GetData_ByIdentifier(columnAry, std::string(identifier).c_str(), &c) == 0) return 0;
  CLCOMM_PushNewSortKey(c.cl_id, ascending, columnAry);
  return 1;
}

std::vector<KdxSortColumn> CLCOMM_GetSortColumns(const VELL_ARY* columnAry) {
  std::vector<KdxSortColumn> keys;
  KDX_COLUMN c;
  for (auto find :
       {CL_FirstSortKeyColumnWidth, CL_SecondSortKeyColumnWidth, CL_ThirdSortKeyColumnWidth}) {
    if (find(columnAry, &c) == 1)
      keys.push_back(
          {std::string(c.cl_identifier, strnlen(c.cl_identifier, sizeof c.cl_identifier)),
           c.cl_ascending});
  }
  return keys;
}

int32_t KDXCOMM_CompareLongField(bool ascending, int32_t a, int32_t b) {
  const int32_t sign = (a > b) - (a < b);
  return ascending ? sign : -sign;
}

int32_t CompareEntryItem(int32_t kind, bool ascending, const KDX_ENTRY& a, const KDX_ENTRY& b,
                         std::string_view noteA, std::string_view noteB) {
  const ColumnKind* k = KindAt(kind);
  if (k == nullptr) return 0;
  switch (k->type) {
    case KeyType::kInt:
      return KDXCOMM_CompareLongField(ascending, kdx_listing::MemoryInt(a, k->memoryOffset),
                                      kdx_listing::MemoryInt(b, k->memoryOffset));
    case KeyType::kText:
      return CompareText(ascending, kdx_listing::MemoryText(a, k->memoryOffset, k->width),
                         kdx_listing::MemoryText(b, k->memoryOffset, k->width));
    case KeyType::kNote:
      return CompareText(ascending, NoteKey(noteA), NoteKey(noteB));
  }
  return 0;
}

bool KDXCOMM_EntryKeepsListPlace(const KDX_SORT_INFO& keys, const KDX_ENTRY& before,
                                 const KDX_ENTRY& after, bool noteChanged) {
  const auto sameField = [](const char* a, const char* b, size_t size) {
    return strnlen(a, size) == strnlen(b, size) && std::memcmp(a, b, strnlen(a, size)) == 0;
  };
  if (!sameField(before.en_cat1_name, after.en_cat1_name, sizeof before.en_cat1_name) ||
      !sameField(before.en_cat2_name, after.en_cat2_name, sizeof before.en_cat2_name) ||
      !sameField(before.en_cat3_name, after.en_cat3_name, sizeof before.en_cat3_name)) {
    return false;
  }
  for (const int32_t kind : keys.key) {
    const ColumnKind* k = KindAt(kind);
    if (k == nullptr) continue;
    if (k->type == KeyType::kNote ? noteChanged
                                  : CompareEntryItem(kind, true, before, after) != 0) {
      return false;
    }
  }
  return true;
}

int32_t EntryListSortProc(const KDX_SORT_INFO& info, const KDX_ENTRY& a, const KDX_ENTRY& b,
                          std::string_view noteA, std::string_view noteB) {
  for (int32_t k = 0; k < 3; ++k) {
    const int32_t c = CompareEntryItem(info.key[k], info.ascending[k] != 0, a, b, noteA, noteB);
    if (c != 0) return c;
  }
  return KDXCOMM_CompareLongField(true, a.en_id, b.en_id);
}

int32_t KDXCOMM_SortEntryOrder(const KDX_SORT_INFO& info, const VELL_ARY* entryAry,
                               const KdxNoteReader& notes, std::vector<uint32_t>* order) {
  const size_t count = static_cast<size_t>(std::max(Vell_Ary_GetSize(entryAry), 0));
  std::vector<Row> rows;
  std::vector<PreparedKey> keys;
  try {
    if (!IsPermutation(*order, count)) {
      order->resize(count);
      for (size_t i = 0; i < count; ++i) (*order)[i] = static_cast<uint32_t>(i);
    }
    rows.resize(count);
    keys.reserve(3);
  } catch (const std::bad_alloc&) {
    return kKdxFailed;
  }
  if (count <= 1) return 0;
  for (size_t n = 0; n < count; ++n) {
    rows[n].index = (*order)[n];
    rows[n].id = KDX_GetStoredEntryID(static_cast<const uint8_t*>(
        Vell_Ary_GetDataPtr(entryAry, static_cast<int32_t>(rows[n].index))));
  }
  for (int32_t k = 0; k < 3; ++k) {
    const ColumnKind* kind = KindAt(info.key[k]);
    if (kind == nullptr) continue;  // absent, or a kind that compares equal
    keys.emplace_back();
    if (!Prepare(entryAry, kind, keys.size() - 1, info.ascending[k] != 0, notes, rows,
                 &keys.back()))
      return kKdxFailed;
  }
  const auto before = [&](const Row& a, const Row& b) {
    for (size_t k = 0; k < keys.size(); ++k) {
      const PreparedKey& key = keys[k];
      if (a.prefix[k] != b.prefix[k]) return (a.prefix[k] < b.prefix[k]) == key.ascending;
      if (!key.text) continue;
      const std::string_view ta = key.texts[a.index];
      const std::string_view tb = key.texts[b.index];
      if (ta.size() <= 8 && tb.size() <= 8) continue;  // equal prefixes: equal texts
      const int32_t c = CompareText(key.ascending, ta, tb);
      if (c != 0) return c < 0;
    }
    return a.id < b.id;
  };
  // A rebuild usually finds the order kept from the last one still right
  // (only the category changed): one pass, and nothing moves.
  if (std::is_sorted(rows.begin(), rows.end(), before)) return 0;
  std::sort(rows.begin(), rows.end(), before);
  for (size_t n = 0; n < count; ++n) (*order)[n] = rows[n].index;
  return 0;
}

int32_t KDXCOMM_SortEntries(const KDX_SORT_INFO& info, VELL_ARY* entryAry,
                            const KdxNoteReader& notes) {
  std::vector<uint32_t> order;
  if (KDXCOMM_SortEntryOrder(info, entryAry, notes, &order) != 0) return kKdxFailed;
  Permute(entryAry, order);
  return 0;
}

int32_t CLCOMM_SortEntryArray(KDX_DATA* data, const KDX_SORT_INFO* keys,
                              const KdxNoteReader& notes) {
  KDX_SORT_INFO info;
  if (keys != nullptr)
    info = *keys;
  else
    CLCOMM_InitListInfo(data->columnAry, &info);
  return KDXCOMM_SortEntryOrder(info, data->entryAry, notes, &data->listOrder);
}
