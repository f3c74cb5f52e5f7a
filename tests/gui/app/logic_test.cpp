// The document window's and start-up's decisions without a window: divider
// limits, cascading, the search word cut, the stored window state, the alert
// texts, document extensions, the splash time and replacing a file by a new
// document, and where the Help menu finds the guide in either language.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTranslator>
#include <QWidget>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "core/document/env_table.h"
#include "core/prefs/pref_file.h"
#include "core/util/vell_crypto.h"
#include "gui/app/alert_texts.h"
#include "gui/app/document_window_logic.h"
#include "gui/app/help_guide.h"
#include "gui/app/localization.h"
#include "gui/app/startup_logic.h"
#include "gui/app/window_frame.h"
#include "support/test_document.h"

namespace {

std::string Repeat(const std::string& s, int n) {
  std::string out;
  while (n-- > 0) out += s;
  return out;
}

TEST(DividerPosition, ShownKeepsBothPanesAtLeast150WhenThereIsRoom) {
  // total 600, handle 5: 595 to share.
  EXPECT_EQ(KDXCOMM_SplitDividerPosition(600, 100, 5, true).upper, 150);
  EXPECT_EQ(KDXCOMM_SplitDividerPosition(600, 300, 5, true).upper, 300);
  const KdxSplitSizes low = KDXCOMM_SplitDividerPosition(600, 500, 5, true);
  EXPECT_EQ(low.upper, 445);
  EXPECT_EQ(low.lower, 150);
  // Too little room for both: the browser keeps its 150.
  const KdxSplitSizes cramped = KDXCOMM_SplitDividerPosition(250, 200, 5, true);
  EXPECT_EQ(cramped.upper, 150);
  EXPECT_EQ(cramped.lower, 95);
}

TEST(DividerPosition, HiddenBrowserKeeps24WhateverIsAsked) {
  for (int requested : {0, 24, 300, 5000}) {
    const KdxSplitSizes sizes = KDXCOMM_SplitDividerPosition(600, requested, 5, false);
    EXPECT_EQ(sizes.upper, 24);
    EXPECT_EQ(sizes.lower, 571);
  }
}

TEST(InitialWindowBounds, CascadesFromTheFrontWindowAndFallsBackOnScreen) {
  KdxWindowRect rect{1, 2, 3, 4};
  EXPECT_EQ(KDXCOMM_CalcInitialWindowBounds(500, 400, std::nullopt, 1280, 800, &rect), 0);
  EXPECT_EQ(rect, (KdxWindowRect{1, 2, 3, 4}));
  ASSERT_EQ(
      KDXCOMM_CalcInitialWindowBounds(500, 400, KdxWindowRect{100, 50, 600, 450}, 1280, 800, &rect),
      1);
  EXPECT_EQ(rect, (KdxWindowRect{118, 68, 618, 468}));
  ASSERT_EQ(KDXCOMM_CalcInitialWindowBounds(500, 400, KdxWindowRect{800, 300, 1300, 700}, 1280, 800,
                                            &rect),
            1);
  EXPECT_EQ(rect, (KdxWindowRect{0, 0, 500, 400}));
}

TEST(InitialWindowBounds, AFrameOffEveryScreenComesBackKeepingItsSize) {
  const std::vector<KdxWindowRect> screens{{0, 0, 1280, 800}, {1280, 0, 3200, 1080}};
  const KdxWindowRect onSecond{2000, 100, 2800, 700};
  EXPECT_EQ(KdxKeepOnScreen(onSecond, screens), onSecond);
  const KdxWindowRect straddling{1200, 700, 1600, 900};
  EXPECT_EQ(KdxKeepOnScreen(straddling, screens), straddling);
  EXPECT_EQ(KdxKeepOnScreen({3300, 50, 4100, 650}, screens), (KdxWindowRect{0, 0, 800, 600}));
  EXPECT_EQ(KdxKeepOnScreen({-900, -700, -100, -100}, screens), (KdxWindowRect{0, 0, 800, 600}));
  EXPECT_EQ(KdxKeepOnScreen(onSecond, {}), onSecond);
}

TEST(SearchWord, CutsAt42CharactersAnd127BytesOnACharacterBoundary) {
  EXPECT_EQ(KdxCutSearchWord(Repeat("a", 50)), Repeat("a", 42));
  EXPECT_EQ(KdxCutSearchWord(Repeat("あ", 50)), Repeat("あ", 42));  // 126 bytes
  const std::string emoji = "\xF0\x9F\x98\x80";                     // 4 bytes
  EXPECT_EQ(KdxCutSearchWord(Repeat(emoji, 40)), Repeat(emoji, 31));
  EXPECT_EQ(KdxCutSearchWord("会議\n議事録\t"), "会議 議事録 ");
  EXPECT_EQ(KdxCutSearchWord(""), "");
}

TEST(MainWindowState, RoundTripsThroughTheDocumentAndNeedsAllFourSides) {
  kdx_test::TestDocument doc;
  KdxMainWindowState state = KDXCOMM_ReadMainWindowState(doc.view());
  EXPECT_FALSE(state.rect);
  EXPECT_FALSE(state.divider);
  EXPECT_TRUE(state.showBrowser);

  state.rect = KdxWindowRect{30, 40, 830, 640};
  state.divider = 212.5;
  state.showBrowser = false;
  ASSERT_EQ(KDXCOMM_WriteMainWindowState(doc.data(), state), 0);
  doc.Save();
  doc.Reopen();
  const KdxMainWindowState back = KDXCOMM_ReadMainWindowState(doc.view());
  ASSERT_TRUE(back.rect);
  EXPECT_EQ(*back.rect, (KdxWindowRect{30, 40, 830, 640}));
  ASSERT_TRUE(back.divider);
  EXPECT_DOUBLE_EQ(*back.divider, 212.5);
  EXPECT_FALSE(back.showBrowser);

  kdx_test::TestDocument partial;
  KDX_DATA* data = partial.data();
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(EV_SetIntValue(data->envAry, data->idCounterAry, kKdxMainWindowRectKeys[i], 10), 0);
  }
  ASSERT_EQ(EV_SetTextValue(data->envAry, data->idCounterAry, kKdxMainWindowShowBrowserKey, "2"),
            0);
  const KdxMainWindowState three = KDXCOMM_ReadMainWindowState(partial.view());
  EXPECT_FALSE(three.rect);
  EXPECT_TRUE(three.showBrowser);  // only a stored 0 hides it
}

TEST(AlertTexts, UserTextIsNeverReadAsAFormat) {
  EXPECT_EQ(KdxFillFormat("「%s」は%ld件", {"%s%ld$1", "3"}), "「%s%ld$1」は3件");
  EXPECT_EQ(KdxFillFormat("100%% %s", {}), "100% ");
  EXPECT_EQ(KDXCOMM_MakeMessage("「$1」と$2", "$2", "x"), "「$2」とx");
  EXPECT_EQ(KDXCOMM_MakeDeleteConfirmationText("文章", "議事録", 1),
            "「議事録」を削除します。よろしいですか？");
  EXPECT_EQ(KDXCOMM_MakeDeleteConfirmationText("文章", "議事録 $2", 3),
            "「議事録 $2」を含む、3 件の文章を削除します。よろしいですか？");
}

// The damaged file's text is checked where a window opens one.
TEST(AlertTexts, OpenFailuresNameTheirCause) {
  EXPECT_EQ(KdxOpenFailureText(KdxOpenResult::kNewerVersion, "4.0"),
            "ファイルを開くことができません。\n（このファイルはバージョン 4.0 "
            "で開くことができます。）");
  EXPECT_EQ(KdxOpenFailureText(KdxOpenResult::kHeldElsewhere, ""),
            "このファイルは他のプログラムで開かれています。");
  EXPECT_EQ(KdxOpenFailureText(KdxOpenResult::kPasswordCancelled, ""), "");
  EXPECT_EQ(KdxOpenFailureText(KdxOpenResult::kOk, ""), "");
}

TEST(StartupLogic, OnlyTheKdxExtensionOpens) {
  EXPECT_TRUE(KdxHasDocumentExtension("/home/u/メモ.kdx"));
  EXPECT_TRUE(KdxHasDocumentExtension("/home/u/NOTES.KDX"));
  EXPECT_FALSE(KdxHasDocumentExtension("/home/kdxfiles/a.txt"));
  EXPECT_FALSE(KdxHasDocumentExtension("/home/u/a.kdx.bak"));
  EXPECT_FALSE(KdxHasDocumentExtension("/home/u/.kdx"));
  EXPECT_FALSE(KdxHasDocumentExtension("/home/u/old.kdr"));
  EXPECT_EQ(KdxWithDocumentExtension("/d/名称未設定"), "/d/名称未設定.kdx");
  EXPECT_EQ(KdxWithDocumentExtension("/d/a.KDX"), "/d/a.KDX");
}

TEST(StartupLogic, SplashTimeDefaultIsWrittenAndStoredValuesAreBounded) {
  // The test program's preference folder is private to it.
  std::string path;
  ASSERT_EQ(PREF_GetPreferenceFilePath(path), 1);
  std::filesystem::remove(path);
  EXPECT_DOUBLE_EQ(KdxSplashSeconds(), 0.5);
  double stored = 0;
  ASSERT_EQ(PREF_ReadDouble(kPrefSplashTimeKey, &stored), 1);
  EXPECT_DOUBLE_EQ(stored, 0.5);
  ASSERT_EQ(PREF_WriteDouble(kPrefSplashTimeKey, 0), 1);
  EXPECT_DOUBLE_EQ(KdxSplashSeconds(), 0.0);
  ASSERT_EQ(PREF_WriteDouble(kPrefSplashTimeKey, 3600), 1);
  EXPECT_DOUBLE_EQ(KdxSplashSeconds(), 10.0);
  ASSERT_EQ(PREF_WriteDouble(kPrefSplashTimeKey, -2), 1);
  EXPECT_DOUBLE_EQ(KdxSplashSeconds(), 0.0);
}

TEST(StartupLogic, NewDocumentReplacesAClosedFileOnlyWhenMade) {
  kdx_test::TempDir dir;
  const std::string path = dir.File("notes.kdx");
  {
    kdx_test::TestDocument old(path);
    old.Add("残す");
    old.Save();
  }
  // A rollback journal left by a save of the old file that did not finish
  // belongs to the old file: it must not be rolled back into the new one.
  {
    std::string regions("\0\0\0\0\0\0\0\0\4\0\0\0XXXX", 16);
    std::string journal("REZJRNL1", 8);
    const uint64_t size = std::filesystem::file_size(path);
    for (int i = 0; i < 8; ++i) journal += static_cast<char>(size >> (8 * i));
    journal += std::string("\1\0\0\0", 4);
    uint8_t digest[kVellSha256Size];
    ASSERT_TRUE(Vell_Sha256(regions.data(), regions.size(), digest));
    journal.append(reinterpret_cast<const char*>(digest), sizeof digest);
    kdx_test::WriteAll(path + "-journal", journal + regions);
  }
  ASSERT_TRUE(KdxCreateDocumentReplacing(path));
  EXPECT_FALSE(std::filesystem::exists(path + "-journal"));
  {
    kdx_test::TestDocument fresh(path);
    EXPECT_EQ(fresh.Count(), 0);
  }
  // Nothing of the private name is left beside it.
  int files = 0;
  for (const auto& item : std::filesystem::directory_iterator(dir.path())) {
    files += item.path().filename().string().starts_with(".kardinex-new") ? 100 : 1;
  }
  EXPECT_EQ(files, 1);
  // A folder at the path is not replaced.
  std::filesystem::create_directory(dir.File("folder.kdx"));
  EXPECT_FALSE(KdxCreateDocumentReplacing(dir.File("folder.kdx")));
  EXPECT_TRUE(std::filesystem::is_directory(dir.File("folder.kdx")));
}

TEST(WindowFrame, StoredFrameComesBackAndNoneLeavesTheWindowAlone) {
  QWidget stored;
  stored.move(40, 30);
  stored.resize(520, 310);
  KdxStoreWindowFrame(&stored, "TestFrameRect");
  QWidget restored;
  KdxRestoreWindowFrame(&restored, "TestFrameRect");
  EXPECT_EQ(restored.pos(), QPoint(40, 30));
  EXPECT_EQ(restored.size(), QSize(520, 310));

  QWidget fresh;
  fresh.move(7, 9);
  fresh.resize(300, 200);
  KdxRestoreWindowFrame(&fresh, "TestFrameNeverStored");
  EXPECT_EQ(fresh.pos(), QPoint(7, 9));
  EXPECT_EQ(fresh.size(), QSize(300, 200));
}

// The English names of the guide and its folder, as the translation gives them.
class EnglishGuideNames : public QTranslator {
 public:
  QString translate(const char* context, const char* source, const char* disambiguation,
                    int n) const override {
    (void)context, (void)disambiguation, (void)n;
    if (std::string_view(source) == kKdxGuideFolder) return QStringLiteral("Documentation");
    if (std::string_view(source) == kKdxGuideName) return QStringLiteral("Guide");
    return {};
  }
};

TEST(HelpGuide, FoundUnderTheNamesOfTheInterfaceLanguage) {
  kdx_test::TempDir dir;
  const std::string bin = dir.File("usr/bin");
  std::filesystem::create_directories(bin);
  const std::string japanese = dir.File("usr/share/kardinex/ドキュメント/指南.pdf");
  const std::string english = dir.File("usr/share/kardinex/Documentation/Guide.pdf");
  for (const std::string& path : {japanese, english}) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path) << "%PDF";
  }
  KdxInstallLocalization();
  EXPECT_EQ(std::filesystem::canonical(KdxHelpGuidePath(bin)),
            std::filesystem::canonical(japanese));

  EnglishGuideNames names;
  QCoreApplication::installTranslator(&names);
  EXPECT_EQ(std::filesystem::canonical(KdxHelpGuidePath(bin)), std::filesystem::canonical(english));
  // Every place looked at, the data folder this build installs into too,
  // uses the English names.
  for (const std::string& candidate : KdxHelpGuideCandidates(bin)) {
    EXPECT_TRUE(candidate.ends_with("/Documentation/Guide.pdf")) << candidate;
  }
  QCoreApplication::removeTranslator(&names);
}

}  // namespace
