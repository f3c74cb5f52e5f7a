#include "core/util/vell_tab.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Field(const VELL_TAB& tab, int32_t column) {
  char buf[64] = "junk";
  Vell_TAB_GetFieldData(&tab, column, sizeof buf, buf);
  return buf;
}

// Columns 0 to 2 of every row the cursor visits: "c0,c1,c2|" per row.
std::string Walk(VELL_TAB& tab) {
  std::string out;
  for (int32_t ok = Vell_TAB_FirstRow(&tab); ok; ok = Vell_TAB_NextRow(&tab)) {
    out += Field(tab, 0) + "," + Field(tab, 1) + "," + Field(tab, 2) + "|";
  }
  return out;
}

TEST(VellTab, RowsEndAtEachKindOfLineBreakAndColumnsAtTabs) {
  const std::pair<const char*, std::string> cases[] = {
      {"key\tvalue\r\nkey2\t1\t2", "key,value,|key2,1,2|"},
      {"a\rb\nc\r\nd", "a,,|b,,|c,,|d,,|"},
      {"a\r\rb", "a,,|,,|b,,|"},
      {"a\tb\n", "a,b,|,,|"},  // a final break gives the cursor an extra empty row
      {"a\t\tbc", "a,,bc|"},
      {"", ""},
      {nullptr, ""},
  };
  for (const auto& [text, walked] : cases) {
    VELL_TAB tab;
    Vell_TAB_Init(&tab, text);
    EXPECT_EQ(Walk(tab), walked);
    EXPECT_EQ(Field(tab, 0), "") << "no current row after the last";
  }
}

TEST(VellTab, FieldDataIsBoundedByBufferAndText) {
  VELL_TAB tab;
  Vell_TAB_Init(&tab, "abcdef\tx");
  ASSERT_EQ(Vell_TAB_FirstRow(&tab), 1);
  EXPECT_EQ(Vell_TAB_GetFieldSize(&tab, 2), 0);
  char buf[8] = "junk";
  EXPECT_EQ(Vell_TAB_GetFieldData(&tab, 0, 4, buf), 3);
  EXPECT_STREQ(buf, "abc");
  buf[0] = 'z';
  EXPECT_EQ(Vell_TAB_GetFieldData(&tab, 0, 0, buf), 0);
  EXPECT_EQ(Vell_TAB_GetFieldData(&tab, 0, -1, buf), 0);
  EXPECT_EQ(buf[0], 'z');

  // Nothing at or after end belongs to the text, even without a NUL there.
  const char bytes[] = {'a', 'b', '\t', 'X', '\n', 'Y'};
  tab = {bytes, bytes + 2, nullptr};
  ASSERT_EQ(Vell_TAB_FirstRow(&tab), 1);
  EXPECT_EQ(Field(tab, 0), "ab");
  EXPECT_EQ(Vell_TAB_GetFieldSize(&tab, 1), 0);
  EXPECT_EQ(Vell_TAB_NextRow(&tab), 0);
}

}  // namespace
