// kdx export as a script sees it: the summary line, the exit status, one-line
// errors, the files in the folder, and the document saved afterwards.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli/cli_test_util.h"
#include "support/test_support.h"

namespace {

using kdx_test::Kdx;
using kdx_test::KdxRun;

TEST(ExportCli, SummaryExitStatusFilesAndErrors) {
  kdx_test::TempDir dir, out;
  const std::string doc = dir.File("doc.kdx");
  ASSERT_EQ(Kdx({"new", doc}).status, kExitOk);
  for (const char* title : {"a", "b"}) {
    ASSERT_EQ(kdx_test::KdxWithInput("本文", {"add", doc, "--title", title}).status, kExitOk);
  }
  const std::vector<uint8_t> saved = kdx_test::ReadAll(doc);
  KdxRun r = Kdx({"export", doc, out.path().string(), "--format", "rtf"});
  EXPECT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(r.out, "exported 2, failed 0\n");
  EXPECT_TRUE(std::filesystem::exists(out.File("a.rtf")) &&
              std::filesystem::exists(out.File("b.rtf")));
  EXPECT_NE(kdx_test::ReadAll(doc), saved);  // the use dates are saved

  r = Kdx({"export", doc, out.path().string(), "--ids", "1,9999", "--format", "utf8"});
  EXPECT_EQ(r.status, kExitFailed);
  EXPECT_EQ(r.out, "exported 1, failed 1\n");
  EXPECT_NE(r.err.find("(9999)"), std::string::npos) << r.err;
  r = Kdx({"export", doc, out.File("missing")});
  EXPECT_EQ(r.status, kExitFailed);
  EXPECT_EQ(r.err, "kdx: " + out.File("missing") + ": no such folder\n");
  EXPECT_EQ(Kdx({"export", doc, out.path().string(), "--format", "pdf"}).status, kExitUsage);
}

}  // namespace
