// The document window's new entry, encryption, password and compaction
// commands, driven through their menu items.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/content/password_store.h"
#include "core/document/env_table.h"
#include "core/prefs/pref_file.h"
#include "core/session/entry_commands.h"
#include "gui/app/entry_list_model.h"
#include "gui/app/entry_window.h"
#include "gui/app/password_dialog.h"
#include "gui_test.h"
#include "support/test_document.h"

namespace {

class DocumentEntryCommandsTest : public GuiTest {
 protected:
  void SetUp() override {
    path_ = dir_.File("commands.kdx");
    kdx_test::TestDocument doc(path_);
    for (const char* title : {"一", "二", "三", "四"}) doc.Add(title);
    doc.Save();
  }

  static std::vector<int32_t> ShownIds(KdxDocument* window) {
    std::vector<int32_t> ids;
    for (int row = 0; row < window->entryModel()->rowCount(); ++row) {
      ids.push_back(window->entryModel()->IdAtRow(row));
    }
    return ids;
  }

  // Runs the command with answer acting on its modal dialog; a dialog the
  // answer left open is cancelled.
  static void RunPasswordDialog(KdxDocument* window,
                                const std::function<void(PasswordDlg*)>& answer) {
    bool answered = false;
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<PasswordDlg*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      answered = true;
      answer(dialog);
      if (dialog->isVisible()) dialog->reject();
    });
    window->commandAction("PasswordSetting")->trigger();
    EXPECT_TRUE(answered);
  }

  std::string path_;
};

TEST_F(DocumentEntryCommandsTest, NewEntryIsNumberedOpenedSelectedAndSaved) {
  ASSERT_EQ(PREF_WriteString("DefaultTitle", "メモ"), 1);
  ASSERT_EQ(PREF_WriteInteger("IsTitleConsecutiveNumber", 1), 1);
  KdxDocument* window = Open(path_);
  ASSERT_NE(window, nullptr);
  window->entryList()->selectRow(0);
  window->commandAction("NewEntry")->trigger();
  window->commandAction("NewEntry")->trigger();
  EXPECT_EQ(window->countLabel()->text(), QStringLiteral("6"));
  ASSERT_EQ(window->entryWindows()->windows().size(), 2u);
  const int32_t newest = window->entryWindows()->windows().back()->entryId();
  EXPECT_STREQ(window->session().FindEntry(newest)->en_title, "メモ2");
  const QModelIndexList selected = window->entryList()->selectionModel()->selectedRows();
  ASSERT_EQ(selected.size(), 1);
  EXPECT_EQ(window->entryModel()->IdAtRow(selected.front().row()), newest);

  // On disk before the window closes: the entry with its open date, and the number.
  kdx_test::TestDocument saved(path_, KdxAccess::kInspect);
  EXPECT_EQ(saved.Count(), 6);
  EXPECT_NE(saved.Entry(newest).en_last_opened_date[0], 0);
  int32_t number = 0;
  ASSERT_EQ(EV_GetIntValue(saved.view().envAry, kKdxConsecutiveNumberKey, &number), 1);
  EXPECT_EQ(number, 2);
}

TEST_F(DocumentEntryCommandsTest, PasswordWithABlankIsRefusedAndAnEmptyOneRemovesIt) {
  KdxDocument* window = Open(path_);
  ASSERT_NE(window, nullptr);
  RunPasswordDialog(window, [this](PasswordDlg* dialog) {
    EXPECT_TRUE(dialog->field()->text().isEmpty());
    Shoot(dialog, "password_setting");
    dialog->field()->setText(QStringLiteral("ab cd"));
    dialog->findChild<QPushButton*>(QStringLiteral("OnOK"))->click();
    ASSERT_FALSE(alerts_.empty());
    EXPECT_EQ(alerts_.back(), "英数字( AからZ, aからz, 0から9 )以外の文字は設定できません。");
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->field()->text(), QStringLiteral("ab cd"));
    dialog->field()->setText(QStringLiteral("abcdefghijklmnopqrstuvwxyz"));
    dialog->findChild<QPushButton*>(QStringLiteral("OnOK"))->click();
  });
  char stored[64] = {};
  {
    kdx_test::TestDocument saved(path_, KdxAccess::kInspect);  // saved at once
    ASSERT_EQ(KDXCOMM_GetPassword(saved.view().envAry, stored, sizeof stored), 21);
    EXPECT_STREQ(stored, "abcdefghijklmnopqrstu");
  }
  RunPasswordDialog(window, [](PasswordDlg* dialog) {
    EXPECT_EQ(dialog->field()->text(), QStringLiteral("abcdefghijklmnopqrstu"));
    dialog->field()->clear();
    dialog->findChild<QPushButton*>(QStringLiteral("OnOK"))->click();
  });
  kdx_test::TestDocument saved(path_, KdxAccess::kInspect);
  EXPECT_EQ(KDXCOMM_GetPassword(saved.view().envAry, stored, sizeof stored), 0);
}

TEST_F(DocumentEntryCommandsTest, EncryptionSwitchesTheSelectedEntriesAndTheirWindowsShowIt) {
  KdxDocument* window = Open(path_);
  ASSERT_NE(window, nullptr);
  QTableView* list = window->entryList();
  list->selectRow(1);
  window->OpenEntry();
  ASSERT_EQ(window->entryWindows()->windows().size(), 1u);
  EntryWindow* open = window->entryWindows()->windows().front();
  auto* lock = open->findChild<QLabel*>(QStringLiteral("m_Image_LockIcon"));
  ASSERT_NE(lock, nullptr);
  EXPECT_TRUE(lock->isHidden());
  list->selectionModel()->select(list->model()->index(2, 0),
                                 QItemSelectionModel::Select | QItemSelectionModel::Rows);
  const std::vector<int32_t> ids{window->entryModel()->IdAtRow(1),
                                 window->entryModel()->IdAtRow(2)};
  window->UpdateMenuState();
  ASSERT_TRUE(window->commandAction("EncryptON")->isEnabled());
  if (std::getenv("KDX_SCREENSHOTS") != nullptr) {
    for (const char* name : {"EntryMenu", "DocumentMenu"}) {
      auto* menu = window->findChild<QMenu*>(QString::fromLatin1(name));
      menu->popup(window->mapToGlobal(QPoint(0, 0)));
      Shoot(menu, name);
      menu->hide();
    }
  }
  window->commandAction("EncryptON")->trigger();
  EXPECT_TRUE(alerts_.empty()) << alerts_.front();
  {
    kdx_test::TestDocument saved(path_, KdxAccess::kInspect);
    for (const int32_t id : ids) EXPECT_EQ(saved.Entry(id).en_bo_encrypt, 1);
    EXPECT_EQ(saved.Entry(window->entryModel()->IdAtRow(0)).en_bo_encrypt, 0);
  }
  EXPECT_FALSE(lock->isHidden());

  window->commandAction("EncryptOFF")->trigger();
  kdx_test::TestDocument saved(path_, KdxAccess::kInspect);
  for (const int32_t id : ids) EXPECT_EQ(saved.Entry(id).en_bo_encrypt, 0);
  list->clearSelection();
  window->UpdateMenuState();
  EXPECT_FALSE(window->commandAction("EncryptON")->isEnabled());
}

TEST_F(DocumentEntryCommandsTest, CompactionReclaimsSpaceAndTheWindowShowsTheSameEntries) {
  {
    kdx_test::TestDocument doc(path_);
    const std::string big(3000, 'x');
    for (int i = 0; i < 20; ++i) doc.Add("gone " + std::to_string(i), {big, big, ""});
    doc.Save();
    for (int i = 4; i < 24; ++i)
      ASSERT_EQ(doc.session().RemoveEntry(doc.At(4).en_id), KdxChangeResult::kOk);
    doc.Save();
  }
  const auto before = std::filesystem::file_size(path_);
  KdxDocument* window = Open(path_);
  ASSERT_NE(window, nullptr);
  window->entryList()->selectRow(3);
  const std::vector<int32_t> shown = ShownIds(window);
  ASSERT_EQ(shown.size(), 4u);
  window->commandAction("CompactDocument")->trigger();
  ASSERT_EQ(alerts_.size(), 1u);
  EXPECT_EQ(alerts_.front().rfind("書類を圧縮しました。", 0), 0u) << alerts_.front();
  EXPECT_LT(std::filesystem::file_size(path_), before);
  EXPECT_EQ(ShownIds(window), shown);
  EXPECT_EQ(window->entryList()->selectionModel()->selectedRows().size(), 1);
  // The document goes on working on the new file.
  window->commandAction("NewEntry")->trigger();
  Close(window);
  kdx_test::TestDocument reopened(path_, KdxAccess::kInspect);
  EXPECT_EQ(reopened.Count(), 5);
}

}  // namespace
