// The document width read from a text field.
#include "core/prefs/turn_width.h"

#include <gtest/gtest.h>

namespace {

TEST(TurnWidth, ReadAsANumberAndKeptWithinBounds) {
  EXPECT_EQ(KDXCOMM_ParseTurnWidth("450"), 450);
  EXPECT_EQ(KDXCOMM_ParseTurnWidth(" 500pt"), 500);
  EXPECT_EQ(KDXCOMM_ParseTurnWidth("10"), 30);
  EXPECT_EQ(KDXCOMM_ParseTurnWidth("abc"), 30);
  EXPECT_EQ(KDXCOMM_ParseTurnWidth(""), 30);
  EXPECT_EQ(KDXCOMM_ParseTurnWidth("-2000"), 30);
  EXPECT_EQ(KDXCOMM_ParseTurnWidth("100000"), 100000);
  EXPECT_EQ(KDXCOMM_ParseTurnWidth("100001"), 100000);
  // Past 32 bits: not wrapped round to a negative number.
  EXPECT_EQ(KDXCOMM_ParseTurnWidth("4294967326"), 100000);
  EXPECT_EQ(KDXCOMM_ParseTurnWidth("999999999999999999999999"), 100000);
}

}  // namespace
