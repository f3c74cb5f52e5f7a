// The browser's editing driven through the window: "+" with its dialog and
// refusals, "−" with its confirmation, renaming the selected name in place.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <string>
#include <vector>

#include "core/listing/category.h"
#include "gui/app/alerts.h"
#include "gui/app/category_dialogs.h"
#include "gui/app/document_window.h"
#include "gui/app/kdx_application.h"
#include "gui_test.h"
#include "support/test_document.h"

namespace {

class CategoryEditingTest : public GuiTest {
 protected:
  void SetUp() override {
    path_ = dir_.File("cats.kdx");
    {
      kdx_test::TestDocument doc(path_);
      for (const char* title : {"一", "二"}) {
        KdxNewEntry fields = kdx_test::TestDocument::NewEntry(title);
        fields.cat1 = "仕事";
        doc.Add(fields);
      }
      KdxNewEntry other = kdx_test::TestDocument::NewEntry("三");
      other.cat1 = "個人";
      doc.Add(other);
      doc.Save();
    }
    window_ = Open(path_);
    ASSERT_NE(window_, nullptr);
  }

  std::vector<std::string> Names(int level) const {
    std::vector<std::string> names;
    QAbstractItemModel* model = window_->categoryList(level)->model();
    for (int row = 0; row < model->rowCount(); ++row) {
      names.push_back(model->index(row, 0).data().toString().toStdString());
    }
    return names;
  }

  void Select(int level, const std::string& name) {
    QListView* list = window_->categoryList(level);
    for (int row = 0; row < list->model()->rowCount(); ++row) {
      const QModelIndex index = list->model()->index(row, 0);
      if (index.data().toString().toStdString() == name) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
        return;
      }
    }
    ADD_FAILURE() << "no " << name;
  }

  // Types names into the add dialog once it is up, one per OK, then cancels.
  void AnswerAddDialog(std::vector<QString> names) {
    QTimer::singleShot(0, [this, names] {
      auto* dialog = qobject_cast<CategoryAddDlg*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      for (const QString& name : names) {
        dialog->nameField()->setText(name);
        dialog->findChild<QPushButton*>(QStringLiteral("OnOK"))->click();
        if (!dialog->isVisible()) return;
        stillOpen_.push_back(dialog->nameField()->text().toStdString());
      }
      dialog->reject();
    });
  }

  std::string path_;
  KdxDocument* window_ = nullptr;
  std::vector<std::string> stillOpen_;
};

TEST_F(CategoryEditingTest, AddRefusesEmptyAllAndUsedNamesAndKeepsTheDialogOpen) {
  AnswerAddDialog({"", "＜すべて＞", "仕事", "趣味"});
  window_->addButton(1)->click();
  EXPECT_EQ(alerts_, (std::vector<std::string>{
                         "分類名を入力してください。", "＜すべて＞ は追加できません。",
                         "「仕事」はすでに使用されています。別の名前を入力してください。"}));
  EXPECT_EQ(stillOpen_, (std::vector<std::string>{"", "＜すべて＞", "仕事"}));
  const std::vector<std::string> names = Names(1);
  EXPECT_NE(std::find(names.begin(), names.end(), "趣味"), names.end());

  // A name used at another level only is accepted there.
  AnswerAddDialog({"仕事"});
  window_->addButton(2)->click();
  const std::vector<std::string> second = Names(2);
  EXPECT_NE(std::find(second.begin(), second.end(), "仕事"), second.end());

  // Saved at once.
  Close(window_);
  kdx_test::TestDocument reread(path_);
  EXPECT_EQ(CT_IsCatSetExists(reread.view().catSetAry, "趣味", "その他", "その他"), 1);
}

TEST_F(CategoryEditingTest, DeleteRefusesNamesInUseAndAsksBeforeTheRest) {
  Select(1, "仕事");
  QToolButton* remove = nullptr;  // the "−" beside level 1's "+"
  for (QToolButton* button : window_->findChildren<QToolButton*>()) {
    if (button->text() == QStringLiteral("−") &&
        button->parentWidget() == window_->addButton(1)->parentWidget()) {
      remove = button;
    }
  }
  ASSERT_NE(remove, nullptr);
  remove->click();
  EXPECT_EQ(alerts_.back(), "仕事 は削除できません。");
  Select(1, "＜すべて＞");
  remove->click();
  EXPECT_EQ(alerts_.back(), "＜すべて＞ と その他 は削除できません。");

  AnswerAddDialog({"空き"});
  window_->addButton(1)->click();
  Select(1, "空き");
  answer_ = 2;  // キャンセル
  remove->click();
  EXPECT_EQ(alerts_.back(), "空き を削除してもよろしいですか？");
  auto names = Names(1);
  EXPECT_NE(std::find(names.begin(), names.end(), "空き"), names.end());
  answer_ = 1;
  remove->click();
  names = Names(1);
  EXPECT_EQ(std::find(names.begin(), names.end(), "空き"), names.end());
  EXPECT_EQ(window_->selection().name[0], "＜すべて＞");
}

TEST_F(CategoryEditingTest, RenamingTheSelectedNameRenamesItsEntriesAndRefusesAUsedName) {
  QListView* list = window_->categoryList(1);
  EXPECT_FALSE(list->model()->flags(list->model()->index(0, 0)) & Qt::ItemIsEditable);
  Select(1, "仕事");
  const QModelIndex work = list->currentIndex();
  ASSERT_TRUE(list->model()->flags(work) & Qt::ItemIsEditable);
  // Another row stays read-only.
  const QModelIndex other = list->model()->index(work.row() == 1 ? 2 : 1, 0);
  EXPECT_FALSE(list->model()->flags(other) & Qt::ItemIsEditable);

  ASSERT_TRUE(list->model()->setData(work, QStringLiteral("個人"), Qt::EditRole));
  QApplication::processEvents();
  EXPECT_EQ(alerts_.back(), "「個人」はすでに使用されています。別の名前を入力してください。");
  EXPECT_EQ(window_->selection().name[0], "仕事");

  ASSERT_TRUE(list->model()->setData(list->currentIndex(), QStringLiteral("会社"), Qt::EditRole));
  QApplication::processEvents();
  EXPECT_EQ(window_->selection().name[0], "会社");
  EXPECT_EQ(list->currentIndex().data().toString(), QStringLiteral("会社"));
  EXPECT_EQ(window_->countLabel()->text(), QStringLiteral("2"));
  Close(window_);
  kdx_test::TestDocument reread(path_);
  int renamed = 0;
  for (int32_t i = 0; i < reread.Count(); ++i) {
    renamed += std::string(reread.At(i).en_cat1_name) == "会社" ? 1 : 0;
  }
  EXPECT_EQ(renamed, 2);
}

}  // namespace
