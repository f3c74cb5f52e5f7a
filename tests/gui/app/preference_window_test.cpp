// The preference window driven as a user drives it, each test with a
// preference folder of its own.
#include "gui/app/preference_window.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/prefs/pref_file.h"
#include "core/prefs/pref_rez.h"
#include "core/util/scoped_env.h"
#include "gui/app/alerts.h"
#include "gui/app/preference_logic.h"
#include "support/test_support.h"

namespace {

class PrefWindowTest : public ::testing::Test {
 protected:
  PrefWindowTest() {
    EXPECT_EQ(PREF_PrepareREZFile(kPrefREZVersion), 1);
    KdxSetAlertHookForTest([this](KdxAlertKind, const QString& text) {
      alerts_.push_back(text.toStdString());
      return answer_;
    });
  }
  ~PrefWindowTest() override { KdxSetAlertHookForTest({}); }

  std::unique_ptr<PrefWindow> Open() {
    auto window = std::make_unique<PrefWindow>();
    window->OpenPrefWindow();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    return window;
  }
  static void Deactivate(QWidget* window) {
    QEvent event(QEvent::WindowDeactivate);
    QApplication::sendEvent(window, &event);
  }
  std::string PrefText() const {
    const std::string path = config_.File("Kardinex/Preference.txt");
    if (!std::filesystem::exists(path)) return {};
    const auto bytes = kdx_test::ReadAll(path);
    return {bytes.begin(), bytes.end()};
  }
  static QAction* MenuItem(QToolButton* button, const char* title) {
    for (QAction* action : button->menu()->actions()) {
      if (action->text() == QString::fromUtf8(title)) return action;
    }
    return nullptr;
  }

  kdx_test::TempDir config_;
  ScopedEnv env_{"XDG_CONFIG_HOME", config_.path().c_str()};
  std::vector<std::string> alerts_;
  int answer_ = 1;
};

TEST_F(PrefWindowTest, FirstOpenShowsTheDefaults) {
  auto window = Open();
  EXPECT_EQ(window->titleField()->text().toStdString(), "文章");
  EXPECT_EQ(window->titleRadio()->checkedId(), 0);
  EXPECT_EQ(window->turnRadio()->checkedId(), 3);
  EXPECT_EQ(window->turnWidthField()->text(), QStringLiteral("450"));
  EXPECT_EQ(window->marginField(1)->text(), QStringLiteral("90"));
  EXPECT_FALSE(window->splashBox()->isChecked());  // missing: 0.5 seconds
  EXPECT_EQ(window->extensionList()->count(), 12);
  EXPECT_EQ(window->exportRadio()->checkedId(), 0);
  // Opening writes nothing.
  EXPECT_EQ(PrefText(), "");
  if (const char* shots = std::getenv("KDX_SCREENSHOTS")) {
    for (int i = 0; i < window->tabs()->count(); ++i) {
      window->tabs()->setCurrentIndex(i);
      window->grab().save(QStringLiteral("%1/preferences_%2.png").arg(shots).arg(i));
    }
  }
}

TEST_F(PrefWindowTest, LeavingTheWindowStoresCheckedWidthMarginsAndTitle) {
  auto window = Open();
  window->turnWidthField()->setText(QStringLiteral("12"));
  window->marginField(0)->setText(QStringLiteral("-5"));  // refused: stays 72
  window->marginField(1)->setText(QStringLiteral("36.5"));
  window->titleField()->setText(QStringLiteral("メモ"));
  window->titleRadio()->button(1)->click();
  EXPECT_FALSE(window->titleField()->isEnabled());
  EXPECT_FALSE(window->titleNumberBox()->isEnabled());
  EXPECT_EQ(PrefText(), "");  // radios and fields wait for the window to be left

  Deactivate(window.get());
  char width[kPrefTurnWidthSize] = {};
  PREF_ReadDefaultTurnWidth(width);
  EXPECT_STREQ(width, "30");
  EXPECT_EQ(window->turnWidthField()->text(), QStringLiteral("30"));
  double left = 0, top = 0, right = 0, bottom = 0;
  PREF_ReadBodyMargin(&left, &top, &right, &bottom);
  EXPECT_EQ(left, 72.0);
  EXPECT_EQ(top, 36.5);
  EXPECT_EQ(bottom, 90.0);
  EXPECT_EQ(window->marginField(0)->text(), QStringLiteral("72"));
  char title[512] = {};
  PREF_ReadDefaultTitle(sizeof title, title);
  EXPECT_STREQ(title, "メモ");
  int32_t type = 0;
  PREF_ReadInteger(kPrefDefaultTitleTypeKey, &type);
  EXPECT_EQ(type, 1);
}

TEST_F(PrefWindowTest, InsertMenuPutsTheVariableAtTheCaretAndTheHeaderIsKept) {
  auto window = Open();
  QTextEdit* header = window->headerView();
  header->setPlainText(QStringLiteral("AB"));
  QTextCursor caret = header->textCursor();
  caret.setPosition(1);
  header->setTextCursor(caret);
  QAction* page = MenuItem(window->headerMenuButton(), "ページ番号");
  ASSERT_NE(page, nullptr);
  page->trigger();
  EXPECT_EQ(header->toPlainText(), QStringLiteral("A${page}B"));
  // Nothing stored yet: the built-in footer with its page number is shown.
  EXPECT_TRUE(window->footerView()->toPlainText().contains(QStringLiteral("${page}")));
  window->footerView()->clear();
  MenuItem(window->footerMenuButton(), "ファイル名")->trigger();
  EXPECT_EQ(window->footerView()->toPlainText(), QStringLiteral("${file_name}"));

  // Stored as the view loses focus; a new run shows it again, on the last tab.
  QFocusEvent focusOut(QEvent::FocusOut);
  QApplication::sendEvent(header, &focusOut);
  window->tabs()->setCurrentIndex(3);
  window.reset();
  auto again = Open();
  EXPECT_EQ(again->headerView()->toPlainText(), QStringLiteral("A${page}B"));
  EXPECT_EQ(again->tabs()->currentIndex(), 3);
}

TEST_F(PrefWindowTest, SplashBoxStoresNoneOrHalfASecond) {
  auto window = Open();
  double seconds = -1;
  window->splashBox()->click();
  ASSERT_TRUE(PREF_ReadDouble("ShowSplashWindowTime", &seconds));
  EXPECT_EQ(seconds, 0.0);
  window->splashBox()->click();
  ASSERT_TRUE(PREF_ReadDouble("ShowSplashWindowTime", &seconds));
  EXPECT_EQ(seconds, 0.5);
}

TEST_F(PrefWindowTest, ExtensionDialogStaysOpenOnAnExtensionTheListCannotHold) {
  for (const char* bad : {"abcdefghijklmnop", "", "tar.gz", "a/b"}) {
    PreferenceEditDlg dialog(QStringLiteral("拡張子追加"), QString());
    dialog.show();
    dialog.field()->setText(QString::fromUtf8(bad));
    dialog.okButton()->click();
    EXPECT_TRUE(dialog.isVisible()) << bad;
    EXPECT_EQ(dialog.result(), QDialog::Rejected) << bad;
  }
  PreferenceEditDlg dialog(QStringLiteral("拡張子追加"), QString());
  dialog.show();
  dialog.field()->setText(QStringLiteral("md"));
  dialog.okButton()->click();
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(PrefWindowTest, EditAndDeleteNeedASelectedExtension) {
  auto window = Open();
  EXPECT_FALSE(window->editButton()->isEnabled());
  EXPECT_FALSE(window->deleteButton()->isEnabled());
  window->OnEdit();
  window->OnDelete();
  EXPECT_TRUE(alerts_.empty());
  EXPECT_EQ(PrefText(), "");

  window->extensionList()->setCurrentRow(1);  // "rtf"
  EXPECT_TRUE(window->deleteButton()->isEnabled());
  answer_ = 2;
  window->OnDelete();
  EXPECT_EQ(PrefText(), "");
  answer_ = 1;
  window->OnDelete();
  ASSERT_EQ(alerts_.size(), 2U);
  EXPECT_EQ(alerts_[1], "rtf を削除してもよろしいですか？");
  const std::vector<std::string> stored = KdxReadExtensions();
  ASSERT_EQ(stored.size(), 11U);
  EXPECT_EQ(stored[0], "txt");
  EXPECT_EQ(stored[1], "c");
  EXPECT_EQ(window->extensionList()->count(), 11);
  EXPECT_FALSE(window->deleteButton()->isEnabled());  // nothing selected after the reload
}

TEST(PreferenceLogicTest, FontShownFallsBackToAJapaneseFamilyAndLabelUsesShortNumbers) {
  const auto has = [](const std::string& family) {
    return family == "IPAGothic" || family == "TakaoGothic";
  };
  EXPECT_EQ(KdxShownFontFamily("HiraKakuPro-W3", has), "IPAGothic");
  EXPECT_EQ(KdxShownFontFamily("TakaoGothic", has), "TakaoGothic");
  EXPECT_EQ(KdxShownFontFamily("Gone", [](const std::string&) { return false; }), "Gone");
  EXPECT_EQ(KdxFontLabel("IPAGothic", 10.0), "IPAGothic 10");
  EXPECT_EQ(KdxFontLabel("Sans", 10.5), "Sans 10.5");
}

}  // namespace
