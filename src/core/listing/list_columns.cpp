#include "core/listing/list_columns.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/document/color_label.h"
#include "core/document/column_table.h"
#include "core/document/entry_table.h"
#include "core/listing/category.h"
#include "core/listing/column_kinds.h"
#include "core/util/vell_log.h"
#include "core/util/vell_string.h"
#include "core/util/vell_system.h"
#include "core/util/vell_time.h"

using kdx_listing::ColumnKind;
using kdx_listing::kColumnKinds;
using kdx_listing::KindAt;

namespace {

std::string Localized(const char* key) {
  const char* text = Vell_LocalizedString(key);
  return text != nullptr ? text : key;
}

// The untranslated title of a kind: the fixed key or the category title.
const char* TitleKey(const ColumnKind& kind, const KDX_CATEGORY_TITLE& titles) {
  switch (kind.categoryLevel) {
    case 1:
      return titles.ti_cat1_title;
    case 2:
      return titles.ti_cat2_title;
    case 3:
      return titles.ti_cat3_title;
  }
  return kind.title;
}

std::string DateCell(std::string_view dateChars) {
  // An empty value (never opened or used) shows the template's letters.
  char view[kVellViewDateSize];
  const std::string chars(dateChars);
  Vell_GetViewDateStringFromDataChars(chars.c_str(), view);
  return view;
}

std::string_view IdentifierOf(const KDX_COLUMN& c) {
  return {c.cl_identifier, strnlen(c.cl_identifier, sizeof c.cl_identifier)};
}

// First index at or after `from` whose record has the identifier, else -1.
int32_t FindColumn(const VELL_ARY* columnAry, int32_t from, std::string_view identifier) {
  for (int32_t i = std::max(from, 0); i < Vell_Ary_GetSize(columnAry); ++i) {
    KDX_COLUMN c;
    CL_GetData_ByIndex(columnAry, i, &c);
    if (IdentifierOf(c) == identifier) return i;
  }
  return -1;
}

}  // namespace

int32_t KDXCOMM_GetColumnKind(std::string_view identifier) {
  for (int32_t k = 0; k < kdx_listing::kColumnKindCount; ++k)
    if (identifier == kColumnKinds[k].identifier) return k;
  return -1;
}

const char* KDXCOMM_GetColumnKindIdentifier(int32_t kind) {
  const ColumnKind* k = KindAt(kind);
  return k != nullptr ? k->identifier : nullptr;
}

int32_t CLCOMM_GetColumnHeaderTitle(const KDX_CATEGORY_TITLE& titles, std::string_view identifier,
                                    std::string* title) {
  const ColumnKind* kind = KindAt(KDXCOMM_GetColumnKind(identifier));
  if (kind == nullptr) return 0;
  *title = Localized(TitleKey(*kind, titles));
  return 1;
}

int32_t CLCOMM_GetColumnIdentifier(const KDX_CATEGORY_TITLE& titles, std::string_view title,
                                   std::string* identifier) {
  for (const ColumnKind& kind : kColumnKinds) {
    if (Localized(TitleKey(kind, titles)) == title) {
      *identifier = kind.identifier;
      return 1;
    }
  }
  return 0;
}

int32_t CLCOMM_GetColumnAlignment(std::string_view identifier) {
  const ColumnKind* kind = KindAt(KDXCOMM_GetColumnKind(identifier));
  return kind != nullptr ? kind->alignment : 0;
}

KdxListCell KDX_GetEntryListViewItem(const KDX_DATA& data, const KDX_ENTRY& entry,
                                     std::string_view identifier, const KdxNoteReader& notes) {
  KdxListCell cell;
  const int32_t k = KDXCOMM_GetColumnKind(identifier);
  const ColumnKind* kind = KindAt(k);
  if (kind == nullptr) return cell;
  cell.kind = KdxListCell::Kind::kText;
  const std::string_view text =
      kind->type == kdx_listing::KeyType::kText
          ? kdx_listing::MemoryText(entry, kind->memoryOffset, kind->width)
          : std::string_view{};
  switch (k) {
    case 0:
      cell.kind = KdxListCell::Kind::kIcon;
      cell.fileTypeId = entry.en_ft_id;
      cell.text = std::to_string(entry.en_ft_id);
      break;
    case 1:
      cell.text = std::to_string(entry.en_id);
      break;
    case 3:
    case 4:
    case 5:
      cell.text = KDXCOMM_GetCatDisplayName(text);
      break;
    case 6:
    case 7:
    case 8:
    case 9:
      cell.text = DateCell(text);
      break;
    case 10: {
      char digits[32];  // "-2,147,483,648" and its NUL: never cut
      static_cast<void>(Vell_LongToCommaString(entry.en_bo_block_size, digits, sizeof digits));
      cell.text = digits;
      break;
    }
    case 12:
      cell.text = Localized(entry.en_encrypt != 0 ? "する" : "しない");
      break;
    case 14:
      if (notes) cell.text = notes(entry.en_id);
      break;
    case 15: {
      KDX_COLOR_LABEL label;
      if (CO_GetData(data.colorLabelAry, entry.en_co_id, &label) == 1) cell.text = label.co_name;
      break;
    }
    default:
      cell.text = text;
  }
  return cell;
}

int32_t KDXCOMM_GetShownEntryCell(const KDX_DATA& data, int32_t row, std::string_view identifier,
                                  const KdxNoteReader& notes, KdxListCell* cell) {
  *cell = KdxListCell{};
  if (row < 0 || static_cast<size_t>(row) >= data.showIDAry.size()) return -1;
  const int32_t id = data.showIDAry[static_cast<size_t>(row)];
  KDX_ENTRY entry;
  if (KDX_FindEntry(&data, id, &entry) < 0) {
    Vell_SystemErrorLog("[-1] objectValueForTableColumn[%ld]\r\n", static_cast<long>(id));
    return -1;
  }
  *cell = KDX_GetEntryListViewItem(data, entry, identifier, notes);
  return 0;
}

KdxRgb KDXCOMM_GetLabelColor(const VELL_ARY* colorLabelAry, int32_t labelId) {
  KDX_COLOR_LABEL label;
  if (labelId == 0 || CO_GetData(colorLabelAry, labelId, &label) != 1) return {};
  auto component = [](int32_t stored) {
    return std::clamp(static_cast<double>(stored) / kKdxColorScale, 0.0, 1.0);
  };
  return {component(label.co_red), component(label.co_green), component(label.co_blue)};
}

std::vector<KdxListColumn> CLCOMM_GetShownColumns(const VELL_ARY* columnAry,
                                                  const KDX_CATEGORY_TITLE& titles) {
  std::vector<KdxListColumn> shown;
  for (int32_t i = 0; i < Vell_Ary_GetSize(columnAry); ++i) {
    KDX_COLUMN c;
    CL_GetData_ByIndex(columnAry, i, &c);
    if (!c.cl_shown) continue;
    KdxListColumn column{c.cl_id,
                         std::string(IdentifierOf(c)),
                         {},
                         c.cl_width,
                         CLCOMM_GetColumnAlignment(IdentifierOf(c)),
                         c.cl_ascending,
                         IdentifierOf(c) == "en_ft_id"};
    // A column of an unknown identifier shows an empty title.
    static_cast<void>(CLCOMM_GetColumnHeaderTitle(titles, column.identifier, &column.title));
    shown.push_back(std::move(column));
  }
  return shown;
}

void CLCOMM_UpdateColumnWidthArray(const std::vector<KdxViewColumn>& viewColumns,
                                   VELL_ARY* columnAry) {
  auto inView = [&](std::string_view identifier) {
    return std::any_of(viewColumns.begin(), viewColumns.end(),
                       [&](const KdxViewColumn& v) { return v.identifier == identifier; });
  };
  const int32_t viewCount = static_cast<int32_t>(viewColumns.size());
  int32_t i = 0;
  int32_t j = 0;
  // Every step advances i or j, or moves a record so that the next comparison
  // matches; the walk ends.
  while (i < Vell_Ary_GetSize(columnAry) && j < viewCount) {
    KDX_COLUMN c;
    CL_GetData_ByIndex(columnAry, i, &c);
    if (IdentifierOf(c) == viewColumns[j].identifier) {
      ++i;
      ++j;
    } else if (!inView(IdentifierOf(c))) {
      ++i;
    } else {
      // Only records not yet placed move, so a repeated view column cannot
      // undo the walk so far.
      const int32_t k = FindColumn(columnAry, i + 1, viewColumns[j].identifier);
      if (k < 0) {
        ++j;  // no record for this view column: skip it rather than loop
        continue;
      }
      std::vector<uint8_t> moved(kKdxColumnSize);
      std::memcpy(moved.data(), Vell_Ary_GetDataPtr(columnAry, k), moved.size());
      Vell_Ary_Remove(columnAry, k);
      if (Vell_Ary_Insert(columnAry, i, moved.data()) != 0)
        return;  // cannot happen: room was freed
    }
  }
  for (int32_t r = 0; r < Vell_Ary_GetSize(columnAry); ++r) {
    KDX_COLUMN c;
    CL_GetData_ByIndex(columnAry, r, &c);
    c.cl_position = r + 1;
    CL_SetData_ByIndex(columnAry, r, c);
  }
  for (const KdxViewColumn& v : viewColumns) {
    const int32_t r = FindColumn(columnAry, 0, v.identifier);
    if (r < 0) continue;
    KDX_COLUMN c;
    CL_GetData_ByIndex(columnAry, r, &c);
    c.cl_width = v.width > 0 ? static_cast<int32_t>(std::min(v.width, 2147483647.0)) : 0;
    CL_SetData_ByIndex(columnAry, r, c);
  }
}
