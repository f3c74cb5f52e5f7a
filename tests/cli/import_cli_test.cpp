// kdx import: what a user moving a folder of notes into a document sees.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli/cli_test_util.h"
#include "core/util/vell_encoding.h"
#include "support/test_support.h"

namespace {

using kdx_test::WriteAll;

using kdx_test::Kdx;

class KdxImport : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(Kdx({"new", doc_}).status, kExitOk); }
  std::string File(const std::string& name) {
    std::filesystem::create_directories(std::filesystem::path(dir_.File(name)).parent_path());
    return dir_.File(name);
  }
  kdx_test::TempDir dir_;
  std::string doc_ = dir_.File("doc.kdx");
};

TEST_F(KdxImport, FoldersTakeTheirPathFilesTheGivenCategories) {
  std::string sjis;
  Vell_EncodeFromUTF8("会議のメモ", "S-JIS", sjis);
  WriteAll(File("Notes/仕事/m.txt"), sjis);
  WriteAll(File("Notes/skip.md"), "no");
  WriteAll(File("single.txt"), "single");
  kdx_test::KdxRun r = Kdx({"import", doc_, File("Notes") + "/", File("single.txt"), "--cat1", "個別"});
  EXPECT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(r.out, "imported 2, failed 0\n");
  kdx_test::KdxRun list = Kdx({"list", doc_});
  EXPECT_NE(list.out.find("m.txt\tNotes\t仕事\tその他"), std::string::npos) << list.out;
  EXPECT_NE(list.out.find("single.txt\t個別\tその他\tその他"), std::string::npos) << list.out;

  kdx_test::KdxRun more = Kdx({"import", doc_, File("Notes"), "--ext", "md"});
  EXPECT_EQ(more.out, "imported 1, failed 0\n") << more.err;
}

TEST_F(KdxImport, FailuresAreNamedAndMakeExitOne) {
  WriteAll(File("bad.txt"), std::string("\x80"));
  WriteAll(File("good.txt"), "fine");
  kdx_test::KdxRun r = Kdx({"import", doc_, File("good.txt"), File("bad.txt"), File("missing.txt")});
  EXPECT_EQ(r.status, kExitFailed);
  EXPECT_EQ(r.out, "imported 1, failed 2\n");
  EXPECT_NE(r.err.find("bad.txt: "), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("missing.txt: "), std::string::npos) << r.err;
  // The good file was saved all the same.
  EXPECT_NE(Kdx({"list", doc_}).out.find("good.txt"), std::string::npos);
}

TEST_F(KdxImport, VersionTwoFolderAndUsage) {
  std::string text = "本文";
  const char* const tags[] = {
      "バージョン】 0200", "文章名】 旧い文章", "分類１】 旧",  "分類２】 ",      "分類３】 ",
      "キーワード】 ",     "ノート】 ",         "折り返し】 1", "折り返し幅】 0", "ラベル】 2",
      "作成日】 1",        "修正日】 1",        "見た日】 1",   "使った日】 1"};
  for (const char* tag : tags) text += std::string("\r【") + tag;
  std::string sjis;
  ASSERT_EQ(Vell_EncodeFromUTF8(text, "S-JIS", sjis), kVellEncOk);
  WriteAll(File("V2/a.txt"), sjis);
  WriteAll(File("V2/b.txt"), "not an export file");
  kdx_test::KdxRun r = Kdx({"import", doc_, "--v2", File("V2")});
  EXPECT_EQ(r.status, kExitFailed);
  EXPECT_EQ(r.out, "imported 1, failed 1\n") << r.err;
  EXPECT_NE(Kdx({"list", doc_}).out.find("旧い文章\t旧\tその他"), std::string::npos);

  EXPECT_EQ(Kdx({"import", doc_}).status, kExitUsage);
  EXPECT_EQ(Kdx({"import", doc_, File("V2/a.txt"), "--v2", File("V2")}).status, kExitUsage);
}

}  // namespace
