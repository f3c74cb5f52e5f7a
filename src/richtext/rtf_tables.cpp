// Tables of the RTF reader: the cursor's moves through the QTextTable.
#include "richtext/rtf_tables.h"

#include <QList>
#include <QTextLength>
#include <QTextTable>
#include <QTextTableFormat>
#include <algorithm>

namespace kdx_richtext::rtf_internal {

void TableBuilder::AddCellRight(int twips) {
  if (cellRightTwips_.size() < static_cast<size_t>(kMaxTableColumns)) {
    cellRightTwips_.push_back(twips);
  }
}

void TableBuilder::Start(QTextCursor& cursor) {
  const int columns = std::max<int>(1, static_cast<int>(cellRightTwips_.size()));
  QTextTableFormat format;
  format.setCellPadding(2);
  format.setBorder(1);
  if (!cellRightTwips_.empty()) {
    QList<QTextLength> widths;
    double left = 0;  // twips; in double, as \cellx values may be anything
    for (int right : cellRightTwips_) {
      widths.append(QTextLength(QTextLength::FixedLength, std::max((right - left) / 20.0, 1.0)));
      left = right;
    }
    format.setColumnWidthConstraints(widths);
  }
  table_ = cursor.insertTable(1, columns, format);
  rowsMade_ = 1;
  row_ = 0;
  column_ = 0;
  rowEnded_ = false;
  cellEnded_ = false;
  cursor = table_->cellAt(0, 0).firstCursorPosition();
}

void TableBuilder::Follow(QTextCursor& cursor, bool inTable) {
  if (table_ == nullptr) return;
  if (!inTable && (rowEnded_ || !cellEnded_)) {
    Finish();
    cursor = table_->lastCursorPosition();
    cursor.movePosition(QTextCursor::NextBlock);
    table_ = nullptr;
    rowEnded_ = false;
    cellEnded_ = false;
    return;
  }
  if (rowEnded_ && row_ + 1 >= kMaxTableRows) {
    cursor.insertText(QString(QChar(0x2028)));
  } else if (rowEnded_) {
    // Every change of the table's shape makes it lay out its whole grid
    // again; rows are made in growing batches, so that a long table is read
    // in linear time, and the rows left over go when the table ends.
    if (row_ + 1 >= rowsMade_) {
      const int more = std::clamp(rowsMade_, 1, kMaxTableRows - rowsMade_);
      table_->appendRows(more);
      rowsMade_ += more;
    }
    ++row_;
    column_ = 0;
    const int wanted = std::max<int>(1, static_cast<int>(cellRightTwips_.size()));
    if (wanted > table_->columns()) table_->appendColumns(wanted - table_->columns());
    cursor = table_->cellAt(row_, 0).firstCursorPosition();
    rowEnded_ = false;
  } else if (cellEnded_) {
    if (column_ + 1 < kMaxTableColumns) {
      ++column_;
      if (column_ >= table_->columns()) table_->appendColumns(1);
      cursor = table_->cellAt(row_, column_).firstCursorPosition();
    } else {
      cursor.insertText(QStringLiteral("\t"));
    }
  }
  cellEnded_ = false;
}

void TableBuilder::Finish() {
  if (table_ != nullptr && rowsMade_ > row_ + 1) {
    table_->removeRows(row_ + 1, rowsMade_ - row_ - 1);
    rowsMade_ = row_ + 1;
  }
}

}  // namespace kdx_richtext::rtf_internal
