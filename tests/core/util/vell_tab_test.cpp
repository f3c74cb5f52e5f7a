#include "core/util/vell_tab.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Field(const VELL_TAB& tab, int32_t column, int32_t size = 64) {
  char buf[64] = "junk";
  Vell_TAB_GetFieldData(&tab, column, size, buf);
  return buf;
}

TEST(VellTab, ReadsColumnsOfEachRow) {
  VELL_TAB tab;
  Vell_TAB_Init(&tab, "key\tvalue\r\nkey2\t1\t2");
  EXPECT_EQ(Vell_TAB_GetRowCount(&tab), 2);
  ASSERT_EQ(Vell_TAB_FirstRow(&tab), 1);
  EXPECT_EQ(Field(tab, 1), "value");
  ASSERT_EQ(Vell_TAB_NextRow(&tab), 1);
  EXPECT_EQ(Field(tab, 0), "key2");
  EXPECT_EQ(Field(tab, 2), "2");
  EXPECT_EQ(Field(tab, 3), "");
  EXPECT_EQ(Vell_TAB_GetFieldSize(&tab, 3), 0);
  EXPECT_EQ(Vell_TAB_NextRow(&tab), 0);
  EXPECT_EQ(Field(tab, 0), "");

  Vell_TAB_Init(&tab, "a\t\tbc");
  Vell_TAB_FirstRow(&tab);
  EXPECT_EQ(Field(tab, 1) + Field(tab, 2), "bc");
}

TEST(VellTab, EachKindOfLineBreakEndsOneRow) {
  VELL_TAB tab;
  Vell_TAB_Init(&tab, "a\rb\nc\r\nd");
  std::string rows;
  for (int32_t ok = Vell_TAB_FirstRow(&tab); ok; ok = Vell_TAB_NextRow(&tab)) rows += Field(tab, 0);
  EXPECT_EQ(rows, "abcd");
  EXPECT_EQ(Vell_TAB_GetRowCount(&tab), 4);

  Vell_TAB_Init(&tab, "a\r\rb");
  EXPECT_EQ(Vell_TAB_GetRowCount(&tab), 3);
  Vell_TAB_FirstRow(&tab);
  ASSERT_EQ(Vell_TAB_NextRow(&tab), 1);
  EXPECT_EQ(Vell_TAB_GetFieldSize(&tab, 0), 0);
  ASSERT_EQ(Vell_TAB_NextRow(&tab), 1);
  EXPECT_EQ(Field(tab, 0), "b");
}

TEST(VellTab, FinalLineBreakGivesTheCursorAnExtraEmptyRow) {
  VELL_TAB tab;
  Vell_TAB_Init(&tab, "a\tb\n");
  EXPECT_EQ(Vell_TAB_GetRowCount(&tab), 1);
  Vell_TAB_FirstRow(&tab);
  ASSERT_EQ(Vell_TAB_NextRow(&tab), 1);
  EXPECT_EQ(Field(tab, 0), "");
  EXPECT_EQ(Vell_TAB_NextRow(&tab), 0);
}

TEST(VellTab, EmptyOrNullTextHasNoRows) {
  VELL_TAB tab;
  for (const char* text : {static_cast<const char*>(nullptr), ""}) {
    Vell_TAB_Init(&tab, text);
    EXPECT_EQ(Vell_TAB_FirstRow(&tab), 0);
    EXPECT_EQ(Vell_TAB_NextRow(&tab), 0);
    EXPECT_EQ(Vell_TAB_GetRowCount(&tab), 0);
    EXPECT_EQ(Field(tab, 0), "");
  }
}

TEST(VellTab, FieldDataIsBoundedByBufferAndText) {
  VELL_TAB tab;
  Vell_TAB_Init(&tab, "abcdef\tx");
  Vell_TAB_FirstRow(&tab);
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
  EXPECT_EQ(Vell_TAB_GetRowCount(&tab), 1);
  Vell_TAB_FirstRow(&tab);
  EXPECT_EQ(Field(tab, 0), "ab");
  EXPECT_EQ(Vell_TAB_GetFieldSize(&tab, 1), 0);
  EXPECT_EQ(Vell_TAB_NextRow(&tab), 0);
}

}  // namespace
