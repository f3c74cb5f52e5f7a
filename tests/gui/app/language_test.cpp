// The interface language, fixed at start-up: the windows and the shown
// default names follow it, the document keeps the names it stores, and the
// preference window's choice decides the next start.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QButtonGroup>
#include <QLabel>
#include <QLocale>
#include <QMenuBar>
#include <QTabWidget>

#include "core/document/catset_table.h"
#include "core/prefs/pref_file.h"
#include "core/util/scoped_env.h"
#include "gui/app/localization.h"
#include "gui/app/preference_window.h"
#include "gui_test.h"
#include "support/test_document.h"

namespace {

class LanguageTest : public GuiTest {
 protected:
  LanguageTest() { KdxInstallLocalization(); }
  ~LanguageTest() override {
    CloseAll();
    (void)KdxInstallLanguage(KdxLanguage::kJapanese);
    (void)PREF_WriteInteger(kPrefInterfaceLanguageKey, 0);
  }
  static QString FirstMenu(const KdxDocument* window) {
    return window->menuBar()->actions().front()->text().remove(QLatin1Char('&'));
  }
  static bool Shows(const QWidget* window, const char* text) {
    for (const QLabel* label : window->findChildren<QLabel*>()) {
      if (label->text() == QString::fromUtf8(text)) return true;
    }
    return false;
  }
};

TEST_F(LanguageTest, TheWindowsFollowTheLanguageAndTheDocumentKeepsItsNames) {
  const std::string path = dir_.File("notes.kdx");
  kdx_test::TestDocument(path).Save();

  ASSERT_TRUE(KdxInstallLanguage(KdxLanguage::kEnglish));
  EXPECT_EQ(QLocale().language(), QLocale::English);
  KdxDocument* window = Open(path);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(FirstMenu(window), QStringLiteral("File"));
  EXPECT_TRUE(Shows(window, "Category 1"));
  KDX_CATEGORY_TITLE titles{};
  ASSERT_EQ(TI_GetData(window->session().data().catTitleAry, &titles), 1);
  EXPECT_STREQ(titles.ti_cat1_title, "分類１");
  window->resize(1000, 640);
  Shoot(window, QStringLiteral("document_window_english"));
  Close(window);

  ASSERT_TRUE(KdxInstallLanguage(KdxLanguage::kJapanese));
  EXPECT_EQ(QLocale().language(), QLocale::Japanese);
  window = Open(path);
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(FirstMenu(window).startsWith(QStringLiteral("ファイル")));
  EXPECT_TRUE(Shows(window, "分類１"));
}

TEST_F(LanguageTest, ThePreferenceOverridesTheLocaleAtTheNextStart) {
  const ScopedEnv locale("LC_ALL", "ja_JP.UTF-8");
  EXPECT_EQ(KdxStartupLanguage(), KdxLanguage::kJapanese);
  PrefWindow window;
  window.OpenPrefWindow();
  QButtonGroup* radio = window.languageRadio();
  EXPECT_EQ(radio->checkedId(), static_cast<int>(KdxLanguageChoice::kAutomatic));
  radio->button(static_cast<int>(KdxLanguageChoice::kEnglish))->click();
  EXPECT_EQ(KdxStartupLanguage(), KdxLanguage::kEnglish);
  // Nothing changes before then.
  EXPECT_EQ(QLocale().language(), QLocale::Japanese);

  PrefWindow reopened;
  reopened.OpenPrefWindow();
  EXPECT_EQ(reopened.languageRadio()->checkedId(), static_cast<int>(KdxLanguageChoice::kEnglish));
  reopened.tabs()->setCurrentIndex(reopened.tabs()->count() - 1);
  Shoot(&reopened, QStringLiteral("preference_language"));
}

}  // namespace
