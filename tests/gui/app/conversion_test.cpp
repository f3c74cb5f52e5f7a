// Opening a document of the previous format: the question, the verified
// backup, the conversion, and what a decline, a cancel, a body that will not
// convert or a backup that cannot be made leave behind.
#include "gui/app/conversion.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "core/content/entry_content.h"
#include "core/document/kdx_file.h"
#include "core/util/vell_mem.h"
#include "gui/app/progress_dialog.h"
#include "gui_test.h"
#include "richtext/body_format.h"
#include "support/file_permissions.h"
#include "support/old_format_document.h"
#include "support/test_document.h"

namespace {

namespace fs = std::filesystem;

class ConversionTest : public GuiTest {
 protected:
  ~ConversionTest() override { KdxSetConversionHookForTest({}); }

  // The plain text of every body, sorted; the document must open as current.
  static std::vector<std::string> BodyTexts(const std::string& path) {
    kdx_test::TestDocument doc(path, KdxAccess::kRead);
    std::vector<std::string> texts;
    for (int32_t i = 0; i < doc.Count(); ++i) {
      uint8_t* raw = nullptr;
      const int32_t size = KDX_LoadBOContainer(path.c_str(), doc.At(i), &raw);
      std::unique_ptr<uint8_t, void (*)(void*)> owned(raw, Vell_MallocFree);
      QString plain;
      static_cast<void>(kdx_richtext::BodyPlainText(
          QByteArray(reinterpret_cast<const char*>(raw), std::max(size, 0)), &plain));
      texts.push_back(plain.toStdString());
    }
    std::sort(texts.begin(), texts.end());
    return texts;
  }
};

TEST_F(ConversionTest, ConvertsBehindAVerifiedBackupAndReadsAsCurrent) {
  const std::string path = dir_.File("old.kdx");
  kdx_test::MakeOldFormatDocument(path, {"alpha", "beta", "gamma"});
  const std::vector<uint8_t> before = kdx_test::ReadAll(path);
  kdx_test::WriteAll(dir_.File("old_backup_v300.kdx"), std::string("taken"));

  KdxDocument* window = Open(path);
  ASSERT_NE(window, nullptr);
  ASSERT_EQ(alerts_.size(), 1u);
  EXPECT_EQ(alerts_[0], kKdxMsgConvertQuestion);
  EXPECT_EQ(kdx_test::ReadAll(dir_.File("old_backup_v300-1.kdx")), before);
  EXPECT_EQ(window->countLabel()->text(), QStringLiteral("3"));
  EXPECT_FALSE(window->session().needsConversion());
  KdxSession second;  // the window keeps the document locked
  EXPECT_EQ(second.Open(path, KdxAccess::kWrite), KdxOpenResult::kHeldElsewhere);
  Close(window);

  EXPECT_EQ(BodyTexts(path), (std::vector<std::string>{"alpha", "beta", "gamma"}));
}

TEST_F(ConversionTest, DecliningCancellingOrABadBodyLeaveTheOriginalAndOpenNothing) {
  const std::string path = dir_.File("old.kdx");
  std::vector<std::string> titles;
  for (int i = 0; i < 40; ++i) titles.push_back("entry" + std::to_string(i));
  kdx_test::MakeOldFormatDocument(path, titles);
  const std::vector<uint8_t> before = kdx_test::ReadAll(path);
  const std::string backup = dir_.File("old_backup_v300.kdx");

  answer_ = 2;  // いいえ: nothing copied, nothing said
  EXPECT_EQ(app_.OpenDocument(QString::fromStdString(path)), nullptr);
  EXPECT_EQ(alerts_.size(), 1u);
  EXPECT_FALSE(fs::exists(backup));

  answer_ = 1;
  KdxSetConversionHookForTest([&](ProgressDlg& dialog) {
    dialog.OnCancel();
    // Whatever the file holds by now, the copy's bytes are what come back.
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(static_cast<std::streamoff>(before.size() / 2));
    file.put(static_cast<char>(~before[before.size() / 2]));
  });
  EXPECT_EQ(app_.OpenDocument(QString::fromStdString(path)), nullptr);
  EXPECT_EQ(alerts_.back(),
            "変換がキャンセルされました。\n再度新しいバージョンに変換をする場合は、変換前のデー"
            "タファイル「old_backup_v300.kdx」から変換をしてください。");
  EXPECT_TRUE(app_.documents().empty());
  EXPECT_EQ(kdx_test::ReadAll(path), before);
  EXPECT_EQ(kdx_test::ReadAll(backup), before);  // kept
  KdxSession again;                              // released, and still to be converted
  EXPECT_EQ(again.Open(path, KdxAccess::kWrite), KdxOpenResult::kNeedsConversion);

  // One body that is not RTF: none is kept converted.
  const std::string mixed = dir_.File("mixed.kdx");
  kdx_test::MakeOldFormatDocument(mixed, {"good", "bad"}, {kdx_test::OldRtfBody("good"), "plain"});
  const std::vector<uint8_t> mixedBefore = kdx_test::ReadAll(mixed);
  KdxSetConversionHookForTest({});
  EXPECT_EQ(app_.OpenDocument(QString::fromStdString(mixed)), nullptr);
  EXPECT_EQ(alerts_.back(), "1 件の本文を変換できませんでした。");
  EXPECT_EQ(kdx_test::ReadAll(mixed), mixedBefore);
  EXPECT_TRUE(app_.documents().empty());
}

TEST_F(ConversionTest, NoBackupNoConversion) {
  const std::string path = dir_.File("old.kdx");
  kdx_test::MakeOldFormatDocument(path, {"alpha"});
  const std::vector<uint8_t> before = kdx_test::ReadAll(path);
  fs::permissions(dir_.path(), fs::perms::owner_read | fs::perms::owner_exec);
  {
    const kdx_test::FileModesEnforced modes;
    if (!modes.enforced()) {
      fs::permissions(dir_.path(), fs::perms::owner_all);
      GTEST_SKIP() << "file modes cannot be enforced here";
    }
    EXPECT_EQ(app_.OpenDocument(QString::fromStdString(path)), nullptr);
  }
  fs::permissions(dir_.path(), fs::perms::owner_all);
  EXPECT_EQ(alerts_.back(), "バックアップを作成できなかったため、変換を中止しました。");
  EXPECT_TRUE(app_.documents().empty());
  EXPECT_EQ(kdx_test::ReadAll(path), before);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_.path()), fs::directory_iterator{}), 1);
}

}  // namespace
