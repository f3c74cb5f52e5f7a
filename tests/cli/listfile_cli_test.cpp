// kdx list-file and kdx join as a script sees them.
#include <gtest/gtest.h>

#include "cli/cli_test_util.h"
#include "support/test_support.h"

namespace {

using kdx_test::Kdx;
using kdx_test::KdxOk;
using kdx_test::KdxWithInput;

TEST(KdxCliListFile, ListAndJoinWithSummariesAndStatuses) {
  kdx_test::TempDir dir;
  const std::string doc = dir.File("notes.kdx");
  KdxOk({"new", doc});
  KdxOk({"add", doc, "--title", "会議"}, "本文\n");
  KdxOk({"add", doc, "--title", "two"}, "second");

  const std::string list = dir.File("list.txt");
  kdx_test::KdxRun listed = Kdx({"list-file", doc, list});
  EXPECT_EQ(listed.status, kExitOk) << listed.err;
  EXPECT_EQ(listed.out, "listed 2, failed 0\n");
  EXPECT_EQ(Kdx({"list-file", doc, list, "--selected"}).status, kExitFailed)
      << "nothing is selected";

  const std::string joined = dir.File("joined.txt");
  kdx_test::KdxRun join = Kdx({"join", doc, joined, "--ids", "1,0"});
  EXPECT_EQ(join.status, kExitOk) << join.err;
  std::vector<uint8_t> bytes = kdx_test::ReadAll(joined);
  EXPECT_EQ(
      std::string(bytes.begin(), bytes.end()),
      "-----two-----\r\nsecond\r\n\r\n-----\x89\xEF\x8B\x63-----\r\n\x96\x7B\x95\xB6\n\r\n\r\n");

  kdx_test::KdxRun missing = Kdx({"join", doc, joined, "--ids", "7"});
  EXPECT_EQ(missing.status, kExitFailed);
  EXPECT_EQ(missing.out, "joined 0, failed 1\n");
  EXPECT_EQ(Kdx({"list-file", doc, dir.File("no/such/dir.txt")}).status, kExitFailed);
}

}  // namespace
