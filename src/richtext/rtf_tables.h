// Tables of the RTF reader: where a paragraph marked \intbl goes in the
// QTextTable being built, as \trowd, \cellxN, \cell and \row lay it out.
//
// RTF has no table group: a table is a run of \intbl paragraphs, each \cell
// ending a cell and each \row a row. The reader says what was read; this says
// where the cursor goes next: into a new table, to the next cell or row, or
// out of the table after it.
#pragma once

#include <QTextCursor>
#include <vector>

class QTextTable;

namespace kdx_richtext::rtf_internal {

// Tables wider than this get their extra cells folded into the last column.
inline constexpr int kMaxTableColumns = 64;
// Rows beyond this are folded into the last row.
inline constexpr int kMaxTableRows = 5000;

class TableBuilder {
 public:
  [[nodiscard]] bool active() const { return table_ != nullptr; }

  // \trowd: the row definition starts again.
  void DefineRow() { cellRightTwips_.clear(); }
  // \cellxN: the right edge of the next cell of the row definition.
  void AddCellRight(int twips);

  // Whether a paragraph in a table (inTable) or not continues where the
  // cursor is: no table to start, leave or move on in.
  [[nodiscard]] bool CursorStays(bool inTable) const {
    return table_ == nullptr ? !inTable : inTable && !rowEnded_ && !cellEnded_;
  }
  // Inserts a table shaped by the row definition at cursor and moves the
  // cursor into its first cell.
  void Start(QTextCursor& cursor);
  // Moves the cursor where a paragraph goes after a \cell or \row: to the
  // next cell or row, or out of the table when the paragraph is not in it.
  void Follow(QTextCursor& cursor, bool inTable);
  // Removes the rows made ahead and not used; at the end of the document,
  // when the table was not left before it.
  void Finish();

  // Whether a \cell or \row ended and the cursor has not yet moved on.
  [[nodiscard]] bool BetweenCells() const { return rowEnded_ || cellEnded_; }
  void EndCell() { cellEnded_ = true; }
  void EndRow() {
    rowEnded_ = true;
    cellEnded_ = false;
  }

 private:
  QTextTable* table_ = nullptr;  // owned by the document
  int rowsMade_ = 0;             // rows in table_, the last ones maybe not used yet
  int row_ = 0;
  int column_ = 0;
  bool rowEnded_ = false;
  bool cellEnded_ = false;
  std::vector<int> cellRightTwips_;  // the row definition, at most kMaxTableColumns
};

}  // namespace kdx_richtext::rtf_internal
