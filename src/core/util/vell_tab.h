// VELL_TAB: a cursor that reads a text in memory as a table. Rows end at CR,
// LF or CR LF; columns are separated by tabs. The text is neither copied nor
// changed, and bytes are not interpreted otherwise, so any byte encoding passes
// through. The preference file and the single-entry export file are read with it.
#pragma once

#include <cstdint>

struct VELL_TAB {
  const char* text;  // first byte of the text, not owned; null for no text
  const char* end;   // the text's terminating NUL; nothing at or after it is read
  const char* row;   // first byte of the current row, or null for none
};

// Points tab at text (null allowed) and clears the current row.
void Vell_TAB_Init(VELL_TAB* tab, const char* text);
// 1 with the first row current; 0, with no current row, for a null or empty text.
[[nodiscard]] int32_t Vell_TAB_FirstRow(VELL_TAB* tab);
// 1 when the current row has a line break after it, which makes the row after
// the break current; 0, with no current row, otherwise. A text ending in a line
// break thus has a last, empty row whose column 0 exists.
[[nodiscard]] int32_t Vell_TAB_NextRow(VELL_TAB* tab);
// Byte length of column (from 0) of the current row; 0 when there is none.
[[nodiscard]] int32_t Vell_TAB_GetFieldSize(const VELL_TAB* tab, int32_t column);
// Copies column of the current row into dst, at most size - 1 bytes (a raw byte
// cut), and terminates it; dst is empty when there is no such column. Returns
// the bytes copied. size <= 0 writes nothing and returns 0.
int32_t Vell_TAB_GetFieldData(const VELL_TAB* tab, int32_t column, int32_t size, char* dst);
// Rows from the start of the text, not counting the empty row after a final
// line break.
[[nodiscard]] int32_t Vell_TAB_GetRowCount(const VELL_TAB* tab);
