// kdx export: what scripts see (summary, exit status, one-line errors) and
// what it leaves in the folder and the document.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli/cli_richtext.h"
#include "cli/cli_test_util.h"
#include "core/document/kdx_file.h"
#include "transfer/import_doc.h"

namespace {

namespace fs = std::filesystem;

using kdx_test::KdxRun;

KdxRun Export(std::vector<std::string> args) {
  args.insert(args.begin(), "export");
  return kdx_test::Kdx(std::move(args));
}

class ExportCli : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* title : {"b", "a"}) {
      const CliBody body = CliBodyFromText(std::string("本文 ") + title);
      KDX_ENTRY e;
      EN_InitData(doc_.data(), title, "", "", "", 1, "450", &e);
      ASSERT_EQ(KDX_AddNewEntry(doc_.data(), &e, 64, {body.body, body.text, ""}), 0);
      ids_.push_back(e.en_id);
    }
    ASSERT_EQ(KDX_SaveAllData(doc_.path().c_str(), doc_.data()), 0);
  }
  kdx_test::ImportDoc doc_;
  kdx_test::TempDir out_;
  std::vector<int32_t> ids_;
};

TEST_F(ExportCli, ExportsEveryEntryAndSavesTheUseDates) {
  KdxRun r = Export({doc_.path(), out_.path().string(), "--format", "rtf"});
  EXPECT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(r.out, "exported 2, failed 0\n");
  EXPECT_TRUE(fs::exists(out_.File("a.rtf")) && fs::exists(out_.File("b.rtf")));
  KDX_DATA reread;
  KDX_InitKdxData(&reread);
  EXPECT_EQ(KDX_LoadAllData(doc_.path().c_str(), &reread), 0);
  KDX_ENTRY before, after;
  EN_GetData(doc_.data()->entryAry, ids_[0], &before);
  EN_GetData(reread.entryAry, ids_[0], &after);
  EXPECT_STRNE(before.en_use_date, after.en_use_date);
  KDX_FreeKdxData(&reread);
}

TEST_F(ExportCli, FailuresAreCountedAndReported) {
  KdxRun r = Export({doc_.path(), out_.path().string(), "--ids",
                        std::to_string(ids_[1]) + ",9999", "--format", "utf8"});
  EXPECT_EQ(r.status, kExitFailed);
  EXPECT_EQ(r.out, "exported 1, failed 1\n");
  EXPECT_NE(r.err.find("(9999)"), std::string::npos) << r.err;
  r = Export({doc_.path(), out_.File("missing")});
  EXPECT_EQ(r.status, kExitFailed);
  EXPECT_EQ(r.err, "kdx: " + out_.File("missing") + ": not a folder\n");
  EXPECT_EQ(Export({doc_.path(), out_.path().string(), "--format", "pdf"}).status, kExitUsage);
}

}  // namespace
