// The document window's import and export commands after their panels, as a
// user's choices reach them, and the entry list command through its dialog.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QButtonGroup>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "core/document/entry_table.h"
#include "gui/app/entry_list_model.h"
#include "gui/app/entry_window.h"
#include "gui/app/import_export_commands.h"
#include "gui/app/progress_dialog.h"
#include "gui/app/transfer_dialogs.h"
#include "gui_test.h"
#include "richtext/body_format.h"
#include "support/test_document.h"

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& item : fs::directory_iterator(folder)) {
    names.push_back(item.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

class ImportExportTest : public GuiTest {
 protected:
  std::string MakeDocument(const std::string& name) {
    const std::string path = dir_.File(name);
    kdx_test::TestDocument doc(path);
    AddTextEntry(doc, "同じ", QStringLiteral("本文"));
    doc.Add("同じ", {"", "別の本文", ""});
    doc.Add("顔", {"", "笑顔😀", ""});
    doc.Save();
    return path;
  }
};

TEST_F(ImportExportTest, OneImportedFileOpensItsWindowTwoDoNotAndFailuresAreReported) {
  KdxDocument* window = Open(MakeDocument("doc.kdx"));
  ASSERT_NE(window, nullptr);
  const std::string a = dir_.File("会議.txt");
  kdx_test::WriteAll(a, std::string("議事録"));
  kdx_test::WriteAll(dir_.File("data.bin"), std::string("\x00\x01\x02", 3));

  // The binary file is no import target: one file imported, its window opens.
  KdxImportChosenFiles(window, {a, dir_.File("data.bin")});
  ASSERT_EQ(window->entryWindows()->windows().size(), 1u);
  EXPECT_EQ(
      window->entryWindows()->windows()[0]->titleField()->text().toStdString().rfind("会議", 0),
      0u);
  EXPECT_TRUE(alerts_.empty());
  EXPECT_EQ(window->entryModel()->rowCount(), 4);

  const std::string b = dir_.File("b.txt");
  kdx_test::WriteAll(b, std::string("二つ目"));
  KdxImportChosenFiles(window, {a, b});
  EXPECT_EQ(window->entryWindows()->windows().size(), 1u);
  EXPECT_EQ(window->entryModel()->rowCount(), 6);

  // A version-2 folder holding a file that is not a version-2 export file.
  fs::create_directories(dir_.File("v2/仕事"));
  kdx_test::WriteAll(dir_.File("v2/仕事/note.txt"), std::string("plain"));
  KdxImportChosenFolder(window, dir_.File("v2"), true);
  ASSERT_EQ(alerts_.size(), 1u);
  EXPECT_EQ(alerts_[0].substr(0, alerts_[0].find('\n')),
            "0 件のファイルを取り込みました。1 件のファイルを取り込めませんでした。");
  EXPECT_NE(alerts_[0].find("note.txt"), std::string::npos);
  EXPECT_EQ(window->entryWindows()->windows().size(), 1u);

  // The file panel takes an RTFD package (a folder) as one file.
  fs::create_directories(dir_.File("絵.rtfd"));
  kdx_test::WriteAll(dir_.File("絵.rtfd/TXT.rtf"), std::string("{\\rtf1 hi}"));
  KdxImportFilePanel panel(nullptr, QString::fromStdString(dir_.path().string()));
  panel.selectFile(QString::fromStdString(dir_.File("絵.rtfd")));
  panel.accept();
  EXPECT_EQ(panel.result(), QDialog::Accepted);
  EXPECT_EQ(panel.chosen(), QStringList{QString::fromStdString(dir_.File("絵.rtfd"))});
  QStringList accepted;
  QObject::connect(&panel, &QDialog::accepted, [&] { accepted = panel.chosen(); });
  panel.selectFile(QString::fromStdString(a));
  panel.accept();
  EXPECT_EQ(accepted, QStringList{QString::fromStdString(a)});
  Close(window);
  EXPECT_EQ(kdx_test::TestDocument(dir_.File("doc.kdx")).Count(), 6);
}

TEST_F(ImportExportTest, ExportsGiveEqualTitlesTwoNamesAndCountWhatFailed) {
  KdxDocument* window = Open(MakeDocument("doc.kdx"));
  ASSERT_NE(window, nullptr);
  window->entryList()->selectAll();
  const std::string text = dir_.File("text");
  const std::string rtf = dir_.File("rtf");
  fs::create_directories(text);
  fs::create_directories(rtf);

  KdxExportSelectedTo(window, kKdxExportCommands[3], text);  // Shift JIS
  EXPECT_EQ(Names(text), (std::vector<std::string>{"同じ-1.txt", "同じ.txt", "顔.txt"}));
  EXPECT_NE(ReadAll(text + "/同じ.txt"), ReadAll(text + "/同じ-1.txt"));
  // The emoji has no Shift JIS form: said once, after the work.
  EXPECT_EQ(alerts_, std::vector<std::string>{"一部の文字が Shift JIS に変換できませんでした。"});

  // Only the first entry has a body to write as RTF.
  alerts_.clear();
  KdxExportSelectedTo(window, kKdxExportCommands[1], rtf);
  ASSERT_EQ(Names(rtf).size(), 1u);
  EXPECT_EQ(ReadAll(rtf + "/" + Names(rtf)[0]).rfind("{\\rtf1", 0), 0u);
  ASSERT_EQ(alerts_.size(), 1u);
  EXPECT_EQ(alerts_[0].substr(0, alerts_[0].find('\n')),
            "1 件のファイルを取り出しました。2 件のファイルを取り出せませんでした。");
}

TEST_F(ImportExportTest, ACancelledExportStillSavesTheDatesOfWhatItExported) {
  const std::string path = MakeDocument("doc.kdx");
  KdxDocument* window = Open(path);
  ASSERT_NE(window, nullptr);
  const int32_t id = window->session().EntryIds().front();
  const std::string used = "20310203040506007";
  const KdxTransferResult result = KdxRunExport(
      window,
      [&](KDX_DATA* data, const KdxTransferProgress& progress) {
        // The one entry exported before the cancel is marked as used.
        KDX_ENTRY entry{};
        const int32_t index = KDX_FindEntry(data, id, &entry);
        std::snprintf(entry.en_use_date, sizeof entry.en_use_date, "%s", used.c_str());
        EN_SetData_ByIndex(data->entryAry, index, entry);
        KdxTransferResult r;
        r.succeeded = 1;
        while (!progress.IsCancelled()) std::this_thread::sleep_for(std::chrono::milliseconds(2));
        r.cancelled = true;
        return r;
      },
      [](ProgressDlg& dialog) {
        dialog.findChild<QPushButton*>(QStringLiteral("m_ButtonCancel"))->click();
      });
  EXPECT_TRUE(result.cancelled);
  EXPECT_TRUE(alerts_.empty());
  // Read while the window still holds the file: closing it would save anyway.
  EXPECT_EQ(kdx_test::TestDocument(path, KdxAccess::kInspect).Entry(id).en_use_date, used);
}

TEST_F(ImportExportTest, SaveAsNewRefusesEveryOpenDocumentHoweverSpeltAndReplacesOnlyWhole) {
  const std::string path = MakeDocument("doc.kdx");
  fs::create_directories(dir_.File("sub"));
  const std::string other = MakeDocument("sub/other.kdx");
  KdxDocument* window = Open(path);
  ASSERT_NE(window, nullptr);
  ASSERT_NE(Open(other), nullptr);
  fs::create_symlink(path, dir_.File("link.kdx"));
  const std::string before = ReadAll(path);
  const std::string otherBefore = ReadAll(other);
  KDX_NEW_SAVE_OPTIONS options{1, 1, 1, 0, 1, 0};

  for (const std::string& spelling :
       {path, dir_.File("link.kdx"), dir_.File("sub/../doc.kdx"), dir_.File("sub/./other.kdx")}) {
    alerts_.clear();
    EXPECT_FALSE(KdxSaveNewFileTo(window, options, spelling)) << spelling;
    ASSERT_EQ(alerts_.size(), 1u);
    EXPECT_EQ(alerts_[0], "「" + fs::path(spelling).filename().string() +
                              "」はすでに使用されています。別の名前を入力してください。");
  }
  EXPECT_EQ(ReadAll(path), before);
  EXPECT_EQ(ReadAll(other), otherBefore);

  // A file that no window has open is replaced by the whole new document.
  const std::string target = dir_.File("copy.kdx");
  kdx_test::WriteAll(target, std::string("old"));
  alerts_.clear();
  ASSERT_TRUE(KdxSaveNewFileTo(window, options, target));
  EXPECT_TRUE(alerts_.empty());
  for (const std::string& name : Names(dir_.path().string())) {
    EXPECT_EQ(name.find(".new"), std::string::npos) << name;  // no temporary file left
  }
  EXPECT_EQ(kdx_test::TestDocument(target).Count(), 3);
}

TEST_F(ImportExportTest, EntryListForTheSelectionRefusesAnEmptyOneThenWritesTheShownEntries) {
  KdxDocument* window = Open(MakeDocument("doc.kdx"));
  ASSERT_NE(window, nullptr);
  window->entryList()->clearSelection();
  const auto answer = [](int recordType) {
    QTimer::singleShot(0, [recordType] {
      auto* dialog = qobject_cast<WriteEntryListDlg*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      Shoot(dialog, "write_entry_list");
      dialog->recordTypeGroup()->button(recordType)->click();
      dialog->findChild<QPushButton*>(QStringLiteral("OnNext"))->click();
    });
  };
  answer(0);
  window->commandAction("WriteEntryList")->trigger();
  EXPECT_EQ(alerts_, std::vector<std::string>{"文章 が選択されていません。"});
  EXPECT_EQ(window->findChild<QFileDialog*>(), nullptr);

  answer(1);
  window->commandAction("WriteEntryList")->trigger();
  auto* panel = window->findChild<QFileDialog*>(QStringLiteral("WriteEntryList"));
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(panel->windowModality(), Qt::WindowModal);
  EXPECT_EQ(panel->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text(),
            QStringLiteral("docの一覧.txt"));
  const std::string list = dir_.File("一覧");
  panel->selectFile(QString::fromStdString(list));
  static_cast<QDialog*>(panel)->accept();  // the button's slot
  QTRY_VERIFY(fs::exists(list + ".txt"));
  std::string lines = ReadAll(list + ".txt");
  EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 4);  // the header and three entries
  EXPECT_EQ(alerts_.size(), 1u);
}

// The options come back as shown; the one the dialog does not show is kept.
TEST(SaveNewFileDialog, ShowsTheRememberedOptionsAndKeepsTheHiddenOne) {
  SaveNewFileDlg dialog({1, 0, 1, 7, 0, 1});
  Shoot(&dialog, "save_new_file");
  KDX_NEW_SAVE_OPTIONS shown = dialog.options();
  EXPECT_EQ(std::vector<int32_t>({shown.recordType, shown.isUnusedCategory, shown.isCatTitle,
                                  shown.isUnusedProject, shown.isColorLabel, shown.targetKdxApp}),
            std::vector<int32_t>({1, 0, 1, 7, 0, 1}));
  dialog.recordTypeGroup()->button(0)->click();
  dialog.targetGroup()->button(0)->click();
  shown = dialog.options();
  EXPECT_EQ(shown.recordType, 0);
  EXPECT_EQ(shown.targetKdxApp, 0);
  EXPECT_EQ(shown.isUnusedProject, 7);
}

}  // namespace
