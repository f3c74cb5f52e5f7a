// The search window: its own column set kept per user, and the commands on
// the results driven as a user drives them.
#include "gui/app/search_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QButtonGroup>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <QTextCursor>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/document/blocks.h"
#include "core/prefs/pref_rez.h"
#include "gui/app/body_text_edit.h"
#include "gui/app/entry_window.h"
#include "gui/app/search_result_model.h"
#include "gui_test.h"
#include "richtext/body_format.h"
#include "support/file_permissions.h"
#include "support/test_document.h"

namespace {

std::vector<std::string> ShownIdentifiers(const VELL_ARY* columnAry) {
  std::vector<std::string> shown;
  for (int32_t i = 0; i < Vell_Ary_GetSize(columnAry); ++i) {
    KDX_COLUMN column;
    Vell_Ary_GetData(columnAry, i, &column);
    if (column.cl_shown) shown.emplace_back(column.cl_identifier);
  }
  return shown;
}

TEST(SearchWindowColumns, FirstUseSeedsFromTheDocumentAndLaterUsesKeepTheirOwnSet) {
  ASSERT_EQ(PREF_PrepareREZFile(kPrefREZVersion), 1);
  std::string rez;
  ASSERT_EQ(PREF_GetPreferenceREZFilePath(rez), 1);
  kdx_test::TestDocument doc;
  KdxColumnSetSource source{};
  KdxColumnSet first = KDX_LoadSearchWindowColumns(rez, doc.view(), &source);
  ASSERT_TRUE(first.columnAry);
  // A container left by an earlier test may hold a set already.
  if (source != KdxColumnSetSource::kStored) {
    EXPECT_EQ(source, KdxColumnSetSource::kSeeded);
    EXPECT_EQ(ShownIdentifiers(first.columnAry.get()), ShownIdentifiers(doc.view().columnAry));
  }

  // The window hides every column but the title and keeps that for itself.
  for (int32_t i = 0; i < Vell_Ary_GetSize(first.columnAry.get()); ++i) {
    KDX_COLUMN column;
    Vell_Ary_GetData(first.columnAry.get(), i, &column);
    column.cl_shown = std::strcmp(column.cl_identifier, "en_title") == 0;
    Vell_Ary_Update(first.columnAry.get(), i, &column);
  }
  ASSERT_EQ(CL_Save(rez.c_str(), kPrefTagCLAL, first.idCounterAry.get(), first.columnAry.get()), 0);
  KdxColumnSet again = KDX_LoadSearchWindowColumns(rez, doc.view(), &source);
  EXPECT_EQ(source, KdxColumnSetSource::kStored);
  EXPECT_EQ(ShownIdentifiers(again.columnAry.get()), std::vector<std::string>{"en_title"});
  EXPECT_GT(ShownIdentifiers(doc.view().columnAry).size(), 1u) << "the document's set is untouched";

  // No container at all: the document's set, in memory.
  KdxColumnSet copied = KDX_LoadSearchWindowColumns("", doc.view(), &source);
  EXPECT_EQ(source, KdxColumnSetSource::kCopied);
  EXPECT_EQ(ShownIdentifiers(copied.columnAry.get()), ShownIdentifiers(doc.view().columnAry));
}

TEST(SearchWindowLogic, FoundWordFoldsOnlyAsciiLettersAndCopiesEndSelected) {
  EXPECT_EQ(KdxFindFoundWord(QStringLiteral("An APPLE pie"), QStringLiteral("apple")), 3);
  EXPECT_EQ(KdxFindFoundWord(QStringLiteral("ＡＰＰＬＥ"), QStringLiteral("ａｐｐｌｅ")), -1);
  EXPECT_EQ(KdxFindFoundWord(QStringLiteral("Äpfel"), QStringLiteral("äpfel")), -1);
  EXPECT_EQ(KdxFindFoundWord(QStringLiteral("pie"), QString()), -1);

  std::vector<KDX_FOUND_RESULT> results(3);
  for (int i = 0; i < 3; ++i) results[static_cast<size_t>(i)].en_id = 10 + i;
  KdxSetFoundSelection(results, {0, 2, 7});
  EXPECT_EQ(KdxSelectedFoundRows(results), (std::vector<int>{0, 2}));
  KdxAppendCopiedResults(results, {{20, "apple"}, {21, "pie"}});
  EXPECT_EQ(KdxSelectedFoundRows(results), (std::vector<int>{3, 4}));
  EXPECT_STREQ(results[4].word, "pie");
}

class SearchWindowTest : public GuiTest {
 protected:
  // Entries whose bodies hold the words in different cases, saved and closed
  // so that the application can take the document.
  std::string MakeDocument() {
    const std::string path = dir_.File("search.kdx");
    kdx_test::TestDocument doc(path);
    const auto add = [&doc](const char* title, const char* text) {
      return AddTextEntry(doc, title, QString::fromUtf8(text)).en_id;
    };
    ids_ = {add("pie", "An apple pie"), add("shout", "APPLE AND PIE"), add("other", "banana")};
    doc.Save();
    return path;
  }
  // The search window after a search from the document's field.
  AllFindWindow* Search(KdxDocument* document, const char* word) {
    document->searchField()->setText(QString::fromUtf8(word));
    document->OnFindButton();
    AllFindWindow* window = document->searchWindow();
    if (window != nullptr) {
      EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
    }
    return window;
  }
  static void SelectIds(AllFindWindow* window, const std::vector<int32_t>& ids) {
    QTableView* list = window->resultList();
    list->clearSelection();
    for (int row = 0; row < list->model()->rowCount(); ++row) {
      if (std::count(ids.begin(), ids.end(), window->resultModel()->IdAtRow(row)) != 0) {
        list->selectionModel()->select(list->model()->index(row, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
      }
    }
  }
  static std::vector<int32_t> SelectedIds(AllFindWindow* window) {
    std::vector<int32_t> ids;
    for (const QModelIndex& index : window->resultList()->selectionModel()->selectedRows())
      ids.push_back(window->resultModel()->IdAtRow(index.row()));
    return ids;
  }
  // The entry as the file holds it now, read past the window's lock.
  KDX_ENTRY Stored(const std::string& path, int32_t id) {
    kdx_test::TestDocument file(path, KdxAccess::kInspect);
    return file.Entry(id);
  }

  std::vector<int32_t> ids_;
};

TEST_F(SearchWindowTest, ResultCommandsOpenLabelEncryptCopyAndDeleteTheRightEntries) {
  const std::string path = MakeDocument();
  KdxDocument* document = Open(path);
  ASSERT_NE(document, nullptr);
  document->findChild<QAction*>(QStringLiteral("findAll"))->trigger();
  AllFindWindow* window = document->searchWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->results().size(), 0u) << "全文検索 shows the window without searching";
  EXPECT_EQ(Search(document, "apple"), window) << "one search window per document";
  EXPECT_EQ(window->countLabel()->text(), QStringLiteral("2"));
  Shoot(window, "search_window");

  // 開く: the window shows the body with the found word selected.
  SelectIds(window, {ids_[1]});
  window->OpenEntry();
  EntryWindow* opened = document->entryWindows()->Find(ids_[1]);
  ASSERT_NE(opened, nullptr);
  EXPECT_EQ(opened->body()->textCursor().selectedText(), QStringLiteral("APPLE"));

  // Labels are saved at once.
  SelectIds(window, {ids_[0], ids_[1]});
  window->setColorLabel(3);
  EXPECT_EQ(Stored(path, ids_[0]).en_co_id, 3);
  EXPECT_EQ(Stored(path, ids_[1]).en_co_id, 3);

  // 暗号化 of a result: stored enciphered at once, the other one untouched.
  SelectIds(window, {ids_[1]});
  window->EncryptON();
  EXPECT_EQ(Stored(path, ids_[1]).en_bo_encrypt, 1);
  EXPECT_EQ(Stored(path, ids_[0]).en_bo_encrypt, 0);

  // 複製: the copy joins the results, selected in place of its source.
  SelectIds(window, {ids_[0]});
  window->CopyEntry();
  ASSERT_EQ(window->results().size(), 3u);
  const std::vector<int32_t> copies = SelectedIds(window);
  ASSERT_EQ(copies.size(), 1u);
  EXPECT_NE(copies[0], ids_[0]);
  EXPECT_EQ(std::string(Stored(path, copies[0]).en_title).rfind("pie", 0), 0u);

  // 削除…: the entry window of a deleted result closes first, saving what
  // was typed into it while its entry still exists.
  opened->body()->moveCursor(QTextCursor::End);
  QTest::keyClicks(opened->body(), " too");
  SelectIds(window, {ids_[1], copies[0]});
  alerts_.clear();
  window->DeleteEntry();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  ASSERT_EQ(alerts_.size(), 1u) << "only the question";
  EXPECT_EQ(alerts_[0].rfind("「", 0), 0u) << alerts_[0];
  EXPECT_EQ(document->entryWindows()->Find(ids_[1]), nullptr);
  EXPECT_EQ(window->results().size(), 1u);
  EXPECT_EQ(window->countLabel()->text(), QStringLiteral("1"));
  EXPECT_EQ(Stored(path, ids_[1]).en_id, 0) << "removed from the file";
  EXPECT_EQ(Stored(path, copies[0]).en_id, 0);
}

TEST_F(SearchWindowTest, AnUnreadableDocumentIsSaidAndKeepsThePreviousResults) {
  const std::string path = MakeDocument();
  KdxDocument* document = Open(path);
  ASSERT_NE(document, nullptr);
  AllFindWindow* window = Search(document, "pie");
  ASSERT_NE(window, nullptr);
  ASSERT_EQ(window->results().size(), 2u);
  {
    kdx_test::FileModesEnforced enforced;
    if (!enforced.enforced()) GTEST_SKIP() << "file modes cannot be enforced here";
    std::filesystem::permissions(path, std::filesystem::perms::none);
    window->searchField()->setText(QStringLiteral("banana"));
    window->OnFindButton();
    std::filesystem::permissions(
        path, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  }
  EXPECT_NE(
      std::find(alerts_.begin(), alerts_.end(), "ファイルを読み込めないため検索できませんでした。"),
      alerts_.end());
  EXPECT_EQ(window->results().size(), 2u);
  EXPECT_EQ(window->countLabel()->text(), QStringLiteral("2"));
}

}  // namespace
