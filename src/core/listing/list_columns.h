// The entry list's columns: the twenty column kinds with their identifiers,
// header titles, alignment and cell texts; the columns a view shows, built
// from the column table; and the user's column moves and widths taken back
// into that table.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/document/kdx_data.h"
#include "core/document/records.h"
#include "core/listing/note_reader.h"
#include "core/util/vell_ary.h"

// A view never lets a column get narrower than this.
inline constexpr int32_t kKdxMinColumnWidth = 36;

// The kind (0 to 19) a column identifier names, else -1.
[[nodiscard]] int32_t KDXCOMM_GetColumnKind(std::string_view identifier);
// The identifier of a kind, or null outside 0 to 19.
[[nodiscard]] const char* KDXCOMM_GetColumnKindIdentifier(int32_t kind);

// The localised header title of an identifier (category columns take theirs
// from the title record): 1, or 0 with *title untouched for an unknown one.
[[nodiscard]] int32_t CLCOMM_GetColumnHeaderTitle(const KDX_CATEGORY_TITLE& titles,
                                                  std::string_view identifier, std::string* title);
// The identifier whose localised header title is title: 1, else 0 with
// *identifier untouched.
[[nodiscard]] int32_t CLCOMM_GetColumnIdentifier(const KDX_CATEGORY_TITLE& titles,
                                                 std::string_view title, std::string* identifier);
// 1 (right) for en_id and en_bo_block_size, else 0 (left).
[[nodiscard]] int32_t CLCOMM_GetColumnAlignment(std::string_view identifier);

// What a cell shows.
struct KdxListCell {
  enum class Kind { kNone, kText, kIcon };
  Kind kind = Kind::kNone;
  std::string text;        // the text; for an icon cell the file type identifier in decimal
  int32_t fileTypeId = 0;  // icon cells: en_ft_id, whose icon the view draws
};

// The cell of one entry in the column with that identifier: text per the
// column kind, an icon cell for en_ft_id, nothing for an unknown identifier.
// The note column calls notes (no reader: empty), every time, uncached.
[[nodiscard]] KdxListCell KDX_GetEntryListViewItem(const KDX_DATA& data, const KDX_ENTRY& entry,
                                                   std::string_view identifier,
                                                   const KdxNoteReader& notes);
// The cell of row `row` of showIDAry. An entry missing from entryAry logs
// "[-1] objectValueForTableColumn[%ld]" and gives an empty cell; -1 then, else
// 0. The caller raises at most one deferred alert per reload, never while
// painting.
[[nodiscard]] int32_t KDXCOMM_GetShownEntryCell(const KDX_DATA& data, int32_t row,
                                                std::string_view identifier,
                                                const KdxNoteReader& notes, KdxListCell* cell);

// A label's colour, each component 0.0 to 1.0 (stored x 100000, clamped).
// Label 0 and unknown labels are black.
struct KdxRgb {
  double red = 0, green = 0, blue = 0;
};
[[nodiscard]] KdxRgb KDXCOMM_GetLabelColor(const VELL_ARY* colorLabelAry, int32_t labelId);

// One column as a view shows it.
struct KdxListColumn {
  int32_t kind;            // cl_id
  std::string identifier;  // the data key
  std::string title;       // the header
  int32_t width;
  int32_t alignment;  // 1 right, 0 left
  bool ascending;     // direction a header click on it starts with
  bool isIcon;        // en_ft_id: an image cell
};
// The shown columns, in table order (CLCOMM_ReloadListColumns without the view).
[[nodiscard]] std::vector<KdxListColumn> CLCOMM_GetShownColumns(const VELL_ARY* columnAry,
                                                                const KDX_CATEGORY_TITLE& titles);

// A view's column as the user left it.
struct KdxViewColumn {
  std::string identifier;
  double width;
};
// Takes the view's column order and widths back into the column table: shown
// columns keep the user's order, hidden ones keep their place relative to
// them, positions become index + 1, widths lose their fraction. A view column
// that no record names is skipped.
void CLCOMM_UpdateColumnWidthArray(const std::vector<KdxViewColumn>& viewColumns,
                                   VELL_ARY* columnAry);
