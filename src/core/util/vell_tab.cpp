#include "core/util/vell_tab.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <string_view>

namespace {

// First CR or LF in [from, end), or end.
const char* FindBreak(const char* from, const char* end) {
  while (from < end && *from != '\r' && *from != '\n') ++from;
  return from;
}

// The byte after the break at brk (which is before end); CR LF is one break.
const char* SkipBreak(const char* brk, const char* end) {
  if (*brk == '\r' && brk + 1 < end && brk[1] == '\n') return brk + 2;
  return brk + 1;
}

// Column of the current row, or false when there is no row or no such column.
bool FindColumn(const VELL_TAB* tab, int32_t column, std::string_view* out) {
  if (tab == nullptr || tab->row == nullptr || tab->end == nullptr || column < 0) return false;
  const char* rowEnd = FindBreak(tab->row, tab->end);
  const char* start = tab->row;
  int32_t tabs = 0;
  for (const char* p = tab->row; p < rowEnd; ++p) {
    if (*p != '\t') continue;
    if (tabs == column) {
      *out = std::string_view(start, static_cast<size_t>(p - start));
      return true;
    }
    ++tabs;
    start = p + 1;
  }
  if (tabs != column) return false;
  *out = std::string_view(start, static_cast<size_t>(rowEnd - start));
  return true;
}

}  // namespace

void Vell_TAB_Init(VELL_TAB* tab, const char* text) {
  if (tab == nullptr) return;
  tab->text = text;
  tab->end = text ? text + std::strlen(text) : nullptr;
  tab->row = nullptr;
}

int32_t Vell_TAB_FirstRow(VELL_TAB* tab) {
  if (tab == nullptr) return 0;
  tab->row = nullptr;
  if (tab->text == nullptr || tab->end == nullptr || tab->text >= tab->end) return 0;
  tab->row = tab->text;
  return 1;
}

int32_t Vell_TAB_NextRow(VELL_TAB* tab) {
  if (tab == nullptr || tab->row == nullptr || tab->end == nullptr) return 0;
  const char* brk = FindBreak(tab->row, tab->end);
  if (brk >= tab->end) {
    tab->row = nullptr;
    return 0;
  }
  tab->row = SkipBreak(brk, tab->end);
  return 1;
}

int32_t Vell_TAB_GetFieldSize(const VELL_TAB* tab, int32_t column) {
  std::string_view field;
  if (!FindColumn(tab, column, &field)) return 0;
  return static_cast<int32_t>(std::min<size_t>(field.size(), INT32_MAX));
}

int32_t Vell_TAB_GetFieldData(const VELL_TAB* tab, int32_t column, int32_t size, char* dst) {
  if (dst == nullptr || size <= 0) return 0;
  dst[0] = '\0';
  std::string_view field;
  if (!FindColumn(tab, column, &field)) return 0;
  size_t length = std::min(field.size(), static_cast<size_t>(size) - 1);
  std::memcpy(dst, field.data(), length);
  dst[length] = '\0';
  return static_cast<int32_t>(length);
}

int32_t Vell_TAB_GetRowCount(const VELL_TAB* tab) {
  if (tab == nullptr || tab->text == nullptr || tab->end == nullptr) return 0;
  int32_t rows = 0;
  const char* pos = tab->text;
  while (pos < tab->end && rows < INT32_MAX) {
    ++rows;
    const char* brk = FindBreak(pos, tab->end);
    if (brk >= tab->end) break;
    pos = SkipBreak(brk, tab->end);
  }
  return rows;
}
