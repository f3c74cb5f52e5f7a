// kdx import as a script sees it: the summary line, the exit status, the
// failures and skipped items named on standard error, and the entries that land.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "cli/cli_test_util.h"
#include "support/test_support.h"

namespace {

using kdx_test::Kdx;
using kdx_test::KdxOk;
using kdx_test::WriteAll;

TEST(KdxImport, SummaryExitStatusAndWhatLands) {
  kdx_test::TempDir dir;
  const std::string doc = dir.File("doc.kdx");
  KdxOk({"new", doc});
  std::filesystem::create_directories(dir.File("Notes"));
  WriteAll(dir.File("Notes/m.txt"), "memo");
  WriteAll(dir.File("Notes/skip.md"), "no");
  WriteAll(dir.File("single.txt"), "single");
  kdx_test::KdxRun r =
      Kdx({"import", doc, dir.File("Notes"), dir.File("single.txt"), "--cat1", "個別"});
  EXPECT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(r.out, "imported 2, failed 0\n");
  const std::string list = Kdx({"list", doc}).out;
  EXPECT_NE(list.find("m.txt\tNotes\t"), std::string::npos) << list;
  EXPECT_NE(list.find("single.txt\t個別\t"), std::string::npos) << list;
  EXPECT_EQ(Kdx({"import", doc, dir.File("Notes"), "--ext", ".md"}).out, "imported 1, failed 0\n");
  EXPECT_EQ(Kdx({"import", doc, dir.File("Notes"), "--ext-add", "md"}).out,
            "imported 2, failed 0\n");
  EXPECT_NE(Kdx({"import", "--help"}).out.find("now (the preference's): txt,"), std::string::npos);

  WriteAll(dir.File("bad.txt"), std::string("\x80"));
  r = Kdx({"import", doc, dir.File("bad.txt"), dir.File("missing.txt")});
  EXPECT_EQ(r.status, kExitFailed);
  EXPECT_EQ(r.out, "imported 0, failed 2\n");
  EXPECT_NE(r.err.find("bad.txt: "), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("missing.txt: "), std::string::npos) << r.err;
  // --v2 takes the folder's files as version-2 export files: a plain one fails.
  r = Kdx({"import", doc, "--v2", dir.File("Notes")});
  EXPECT_EQ(r.status, kExitFailed);
  EXPECT_EQ(r.out, "imported 0, failed 2\n") << r.err;

  // What a folder import passes over is named and counted, and is no failure.
  ASSERT_EQ(mkfifo(dir.File("Notes/pipe.txt").c_str(), 0600), 0);
  r = Kdx({"import", doc, dir.File("Notes")});
  EXPECT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(r.out, "imported 1, failed 0, skipped 1\n");
  EXPECT_EQ(r.err, "kdx: skipped: " + dir.File("Notes/pipe.txt") + ": a FIFO, not a file\n");
  // A name with a line break stays on its one line.
  WriteAll(dir.File("two\nlines.txt"), std::string("\x80"));
  r = Kdx({"import", doc, dir.File("two\nlines.txt")});
  EXPECT_EQ(r.status, kExitFailed);
  EXPECT_EQ(r.err.find("\n"), r.err.size() - 1) << r.err;
  EXPECT_NE(r.err.find("two\\nlines.txt: "), std::string::npos) << r.err;

  // A cut-off RTF file is imported with a warning.
  WriteAll(dir.File("cut.rtf"), "{\\rtf1\\ansi kept {\\b cut");
  r = Kdx({"import", doc, dir.File("cut.rtf")});
  EXPECT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(r.out, "imported 1, failed 0\n");
  EXPECT_NE(r.err.find("kdx: warning: " + dir.File("cut.rtf") + ": the RTF data is truncated"),
            std::string::npos)
      << r.err;

  EXPECT_EQ(Kdx({"import", doc}).status, kExitUsage);
  EXPECT_EQ(Kdx({"import", doc, dir.File("single.txt"), "--v2", dir.File("Notes")}).status,
            kExitUsage);
}

}  // namespace
