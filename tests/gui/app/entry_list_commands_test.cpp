// The entry list's context menu and keys, driven as a user drives them.
#include "gui/app/entry_list_commands.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QTableView>
#include <QTest>
#include <algorithm>
#include <string>
#include <vector>

#include "gui/app/entry_list_model.h"
#include "gui_test.h"
#include "support/test_document.h"

namespace {

class EntryListCommandsTest : public GuiTest {};

std::vector<int> SelectedRows(QTableView* list) {
  std::vector<int> rows;
  for (const QModelIndex& index : list->selectionModel()->selectedRows())
    rows.push_back(index.row());
  std::sort(rows.begin(), rows.end());
  return rows;
}

std::string TitleAt(KdxDocument* window, int row) {
  return window->session().FindEntry(window->entryModel()->IdAtRow(row))->en_title;
}

TEST_F(EntryListCommandsTest, RightClickSelectsTheRowAloneAndDeleteAsksThenRemovesAndSaves) {
  const std::string path = dir_.File("doc.kdx");
  {
    kdx_test::TestDocument doc(path);
    for (const char* title : {"議事録", "見積書", "日報"}) doc.Add(title);
    doc.Save();
  }
  KdxDocument* window = Open(path);
  ASSERT_NE(window, nullptr);
  EXPECT_FALSE(window->windowIcon().isNull());
  QTableView* list = window->entryList();
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window));
  list->setFocus();

  list->selectRow(0);
  QMenu* menu = KdxMakeEntryListMenu(window, list->visualRect(list->model()->index(2, 0)).center());
  EXPECT_EQ(SelectedRows(list), std::vector<int>{2});
  ASSERT_EQ(menu->actions().size(), 8);
  for (QAction* action : menu->actions()) EXPECT_TRUE(action->isEnabled());
  // 複製: the copy ends up selected instead of its source.
  const int32_t source = window->entryModel()->IdAtRow(2);
  menu->actions()[1]->trigger();
  EXPECT_EQ(window->countLabel()->text(), QStringLiteral("4"));
  ASSERT_EQ(SelectedRows(list).size(), 1u);
  EXPECT_NE(window->entryModel()->IdAtRow(SelectedRows(list)[0]), source);
  delete menu;

  QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(SelectedRows(list), (std::vector<int>{0, 1, 2, 3}));
  const std::string first = TitleAt(window, 0);
  answer_ = 2;  // キャンセル
  QTest::keyClick(list, Qt::Key_Delete);
  ASSERT_FALSE(alerts_.empty());
  EXPECT_EQ(alerts_.back(), "「" + first + "」を含む、4 件の文章を削除します。よろしいですか？");
  EXPECT_EQ(window->countLabel()->text(), QStringLiteral("4"));

  answer_ = 1;
  list->selectRow(1);
  const std::string gone = TitleAt(window, 1);
  QTest::keyClick(list, Qt::Key_Delete);
  EXPECT_EQ(alerts_.back(), "「" + gone + "」を削除します。よろしいですか？");
  EXPECT_EQ(window->countLabel()->text(), QStringLiteral("3"));
  Close(window);

  kdx_test::TestDocument saved(path);
  ASSERT_EQ(saved.Count(), 3);
  for (int i = 0; i < saved.Count(); ++i) EXPECT_NE(saved.At(i).en_title, gone);
}

}  // namespace
