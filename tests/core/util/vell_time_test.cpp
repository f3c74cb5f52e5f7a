#include "core/util/vell_time.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(VellDateChars, LayOutLocalTimeMostSignificantFirst) {
  std::tm t{};
  t.tm_year = 2010 - 1900;
  t.tm_mon = 1;
  t.tm_mday = 3;
  t.tm_hour = 9;
  t.tm_min = 5;
  t.tm_sec = 7;
  char buf[kVellDateCharsSize];
  Vell_FormatDateChars(t, 250, buf, sizeof buf);
  EXPECT_STREQ(buf, "20100203090507250");
}

TEST(VellDateChars, CurrentTimeNeedsRoomForDigitsAndNul) {
  for (int32_t size : {0, 16, 17, 18}) {
    char buf[24];
    std::memset(buf, 'x', sizeof buf);
    Vell_GetCurrentTimeAsString(buf, size);
    if (size < 18) {
      EXPECT_EQ(std::string(buf, sizeof buf), std::string(sizeof buf, 'x')) << size;
      continue;
    }
    for (int i = 0; i < 17; ++i) EXPECT_TRUE(buf[i] >= '0' && buf[i] <= '9') << buf;
    EXPECT_EQ(buf[17], '\0');
    EXPECT_EQ(buf[18], 'x');
  }
}

TEST(VellViewDate, ShortValuesShowTemplateLettersAndStopAtTheNul) {
  char view[kVellViewDateSize + 1];
  view[kVellViewDateSize] = '#';
  Vell_GetViewDateStringFromDataChars("", view);
  EXPECT_STREQ(view, "YYYY/MM/DD HH:MM");
  Vell_GetViewDateStringFromDataChars(nullptr, view);
  EXPECT_STREQ(view, "YYYY/MM/DD HH:MM");
  Vell_GetViewDateStringFromDataChars("201002031", view);
  EXPECT_STREQ(view, "2010/02/03 1H:MM");
  // Digits after the NUL belong to something else.
  const char field[18] = {'2', '0', '\0', '9', '9', '9', '9', '9', '9', '9', '9', '9', '9'};
  Vell_GetViewDateStringFromDataChars(field, view);
  EXPECT_STREQ(view, "20YY/MM/DD HH:MM");
  EXPECT_EQ(view[kVellViewDateSize], '#');
}

TEST(VellVersionString, LevelsShortInputAndSmallBuffers) {
  char buf[32];
  const char* expected[] = {"3", "3.6", "3.6.1", "3.6.1 (138)", "3.6.1 (138)"};
  for (int32_t level = 0; level < 5; ++level) {
    Vell_MakeVersionString("0361138", level, buf, sizeof buf);
    EXPECT_STREQ(buf, expected[level]) << level;
  }
  Vell_MakeVersionString("1200007", 3, buf, sizeof buf);
  EXPECT_STREQ(buf, "12.0.0 (7)");
  const char field[8] = {'0', '3', '\0', '9', '9', '9', '9', '\0'};
  Vell_MakeVersionString(field, 3, buf, sizeof buf);
  EXPECT_STREQ(buf, "3.0.0 (0)");
  char small[6] = "#####";
  Vell_MakeVersionString("0361138", 3, small, 4);
  EXPECT_STREQ(small, "3.6");
  EXPECT_EQ(small[4], '#');
}

}  // namespace
