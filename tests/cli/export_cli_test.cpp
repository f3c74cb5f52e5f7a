// kdx export as a script sees it: the summary line, the exit status, one-line
// errors, the files in the folder, and the document saved afterwards.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli/cli_test_util.h"
#include "support/test_support.h"

namespace {

using kdx_test::Kdx;
using kdx_test::KdxOk;
using kdx_test::KdxRun;

TEST(ExportCli, SummaryExitStatusFilesAndErrors) {
  kdx_test::TempDir dir, out;
  const std::string doc = dir.File("doc.kdx");
  KdxOk({"new", doc});
  for (const char* title : {"a", "b"}) {
    KdxOk({"add", doc, "--title", title}, "本文");
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
  EXPECT_EQ(Kdx({"export", doc, out.path().string(), "--format", "pdf"}).status, kExitUsage);
}

// --tree writes the categories as folders; importing the level-1 folders
// gives every entry its categories back.
TEST(ExportCli, TheTreeImportsBackWithItsCategories) {
  kdx_test::TempDir dir, out;
  const std::string doc = dir.File("doc.kdx");
  KdxOk({"new", doc});
  const std::vector<std::vector<std::string>> entries = {
      {"a", "仕事", "会議", "その他"}, {"b", "仕事", "会議", "週次"}, {"c", "a/b", "..", "x"}};
  for (const auto& e : entries) {
    KdxOk({"add", doc, "--title", e[0], "--cat1", e[1], "--cat2", e[2], "--cat3", e[3]},
          "本文 " + e[0]);
  }
  KdxRun r = Kdx({"export", doc, out.path().string(), "--tree", "--format", "utf8"});
  EXPECT_EQ(r.out, "exported 3, failed 0\n") << r.err;
  EXPECT_TRUE(std::filesystem::exists(out.File("仕事/会議/週次/b.txt")));
  EXPECT_TRUE(std::filesystem::exists(out.File("a／b/．．/x/c.txt")));

  const std::string copy = dir.File("copy.kdx");
  KdxOk({"new", copy});
  KdxOk({"import", copy, out.File("仕事"), out.File("a／b")});
  const std::string columns = "title,cat1,cat2,cat3";
  EXPECT_EQ(Kdx({"list", copy, "--columns", columns, "--sort", "title", "--no-header"}).out,
            "a.txt\t仕事\t会議\tその他\nb.txt\t仕事\t会議\t週次\nc.txt\ta／b\t．．\tx\n");
}

}  // namespace
