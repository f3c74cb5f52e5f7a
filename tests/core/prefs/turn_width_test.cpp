// The document width read from a text field.
#include "core/prefs/turn_width.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

TEST(TurnWidth, ReadAsANumberAndKeptWithinBounds) {
  // Past 32 or 64 bits a number is not wrapped round to a negative one.
  const std::string huge(24, '9');
  const std::pair<const char*, int32_t> cases[] = {
      {"450", 450},          {" 500pt", 500},    {"10", 30},
      {"abc", 30},           {"", 30},           {"-2000", 30},
      {"100000", 100000},    {"100001", 100000}, {"4294967326", 100000},
      {huge.c_str(), 100000}};
  for (const auto& [text, width] : cases) EXPECT_EQ(KDXCOMM_ParseTurnWidth(text), width) << text;
}

}  // namespace
