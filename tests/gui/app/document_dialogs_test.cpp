// The document window's dialogs driven as a user drives them: list options,
// labels, changing categories, the category titles, the document settings.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "core/document/catset_table.h"
#include "core/document/color_label.h"
#include "core/document/column_table.h"
#include "gui/app/category_edit_dialogs.h"
#include "gui/app/command_logic.h"
#include "gui/app/document_settings_dialogs.h"
#include "gui/app/entry_list_model.h"
#include "gui/app/label_dialog.h"
#include "gui/app/list_option_dialog.h"
#include "gui_test.h"
#include "support/test_document.h"

namespace {

// The table's records as bytes, to see that nothing changed.
std::string TableBytes(const VELL_ARY* ary) {
  std::string bytes;
  for (int32_t i = 0; i < Vell_Ary_GetSize(ary); ++i) {
    bytes.append(static_cast<const char*>(Vell_Ary_GetDataPtr(ary, i)),
                 static_cast<size_t>(ary->recordSize));
  }
  return bytes;
}

void ClickOK(QDialog* dialog) { dialog->findChild<QPushButton*>(QStringLiteral("OnOK"))->click(); }

// A pop-up choice as the user makes it.
void Choose(ListOptionDlg& dialog, int key, const QString& text) {
  QComboBox* box = dialog.keyBox(key);
  const int index = box->findText(text);
  ASSERT_GE(index, 0) << text.toStdString();
  box->setCurrentIndex(index);
  emit box->activated(index);
}

class DocumentDialogsTest : public GuiTest {
 protected:
  void SetUp() override {
    path_ = dir_.File("dialogs.kdx");
    kdx_test::TestDocument doc(path_);
    for (const char* title : {"一", "二", "三"}) doc.Add(title);
    doc.Save();
  }

  KdxDocument* OpenWindow() {
    KdxDocument* window = Open(path_);
    EXPECT_NE(window, nullptr);
    return window;
  }

  // Runs the command; answer gets its dialog once it is up (then closes it
  // with Esc if the answer left it open).
  template <typename Dialog>
  void Run(KdxDocument* window, const char* command, std::function<void(Dialog*)> answer) {
    bool answered = false;
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      answered = true;
      answer(dialog);
      if (dialog->isVisible()) dialog->reject();
    });
    window->commandAction(command)->trigger();
    EXPECT_TRUE(answered) << command;
  }

  static void SelectRows(KdxDocument* window, std::vector<int> rows) {
    QTableView* list = window->entryList();
    list->clearSelection();
    for (const int row : rows) {
      list->selectionModel()->select(list->model()->index(row, 0),
                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
  }

  std::string path_;
};

TEST_F(DocumentDialogsTest, ListOptionKeysEnableTheirControlsAndRefuseTheSameKeyTwice) {
  kdx_test::TestDocument doc(path_);
  KDX_CATEGORY_TITLE titles{};
  ASSERT_EQ(TI_GetData(doc.view().catTitleAry, &titles), 1);
  ListOptionDlg dialog(QStringLiteral("分類 - 一覧表示オプション"), doc.data()->columnAry, titles);
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  // Every column is listed, hidden ones too; the first key is the ID.
  EXPECT_EQ(dialog.columnList()->rowCount(), Vell_Ary_GetSize(doc.view().columnAry));
  EXPECT_EQ(dialog.keyBox(0)->currentText(), QStringLiteral("ＩＤ"));
  EXPECT_EQ(dialog.keyBox(1)->itemText(0), QStringLiteral("＜指定しない＞"));
  EXPECT_EQ(dialog.keyBox(1)->currentIndex(), 0);
  EXPECT_FALSE(dialog.ascendingButton(1)->isEnabled());
  EXPECT_FALSE(dialog.keyBox(2)->isEnabled());
  EXPECT_FALSE(dialog.ascendingButton(2)->isEnabled());

  Choose(dialog, 1, QStringLiteral("文章名"));
  EXPECT_TRUE(dialog.ascendingButton(1)->isEnabled());
  EXPECT_TRUE(dialog.keyBox(2)->isEnabled());
  EXPECT_FALSE(dialog.descendingButton(2)->isEnabled());
  Choose(dialog, 2, QStringLiteral("作成日時"));
  EXPECT_TRUE(dialog.descendingButton(2)->isEnabled());
  Choose(dialog, 2, QStringLiteral("＜指定しない＞"));
  EXPECT_FALSE(dialog.descendingButton(2)->isEnabled());
  Choose(dialog, 2, QStringLiteral("作成日時"));
  // "No second key" takes the third with it.
  Choose(dialog, 1, QStringLiteral("＜指定しない＞"));
  EXPECT_FALSE(dialog.keyBox(2)->isEnabled());
  EXPECT_EQ(dialog.keyBox(2)->currentIndex(), 0);
  EXPECT_FALSE(dialog.ascendingButton(1)->isEnabled());
  Shoot(&dialog, "list_options");

  const std::string before = TableBytes(doc.view().columnAry);
  Choose(dialog, 1, QStringLiteral("ＩＤ"));
  ClickOK(&dialog);
  Choose(dialog, 1, QStringLiteral("文章名"));
  Choose(dialog, 2, QStringLiteral("ＩＤ"));
  ClickOK(&dialog);
  Choose(dialog, 2, QStringLiteral("文章名"));
  ClickOK(&dialog);
  EXPECT_EQ(
      alerts_,
      (std::vector<std::string>{
          "第１と第２に同じソートキーが指定されています。どちらかを別のソートキーにしてください。",
          "第１と第３に同じソートキーが指定されています。どちらかを別のソートキーにしてください。",
          "第２と第３に同じソートキーが指定されています。どちらかを別のソートキーにしてください"
          "。"}));
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(TableBytes(doc.view().columnAry), before);

  // Accepted: the title column sorts second, descending.
  Choose(dialog, 2, QStringLiteral("作成日時"));
  Choose(dialog, 1, QStringLiteral("文章名"));
  dialog.descendingButton(1)->click();
  ClickOK(&dialog);
  EXPECT_FALSE(dialog.isVisible());
  KDX_COLUMN title{};
  ASSERT_EQ(CL_GetData_ByIdentifier(doc.view().columnAry, "en_title", &title), 1);
  EXPECT_TRUE(title.cl_second_sort_key);
  EXPECT_FALSE(title.cl_ascending);
}

TEST_F(DocumentDialogsTest, ListOptionsCancelChangesNothingAndOkIsShownButNotSaved) {
  KdxDocument* window = OpenWindow();
  ASSERT_NE(window, nullptr);
  const int columns = window->entryModel()->columnCount();
  std::string table;  // as the dialog found it, the view's widths taken back
  Run<ListOptionDlg>(window, "listOption", [&](ListOptionDlg* dialog) {
    table = TableBytes(window->session().data().columnAry);
    // Space ticks the current row's box, whichever cell is current.
    dialog->columnList()->setCurrentCell(0, 1);
    const Qt::CheckState was = dialog->columnList()->item(0, 0)->checkState();
    QTest::keyClick(dialog->columnList(), Qt::Key_Space);
    EXPECT_NE(dialog->columnList()->item(0, 0)->checkState(), was);
    Choose(*dialog, 1, QStringLiteral("文章名"));
    dialog->reject();
  });
  EXPECT_EQ(TableBytes(window->session().data().columnAry), table);
  EXPECT_EQ(window->entryModel()->columnCount(), columns);

  // Hiding the shown first row's column removes it from the list at once.
  const auto file = kdx_test::ReadAll(path_);
  Run<ListOptionDlg>(window, "listOption", [](ListOptionDlg* dialog) {
    for (int row = 0; row < dialog->columnList()->rowCount(); ++row) {
      QTableWidgetItem* shown = dialog->columnList()->item(row, 0);
      if (shown->checkState() == Qt::Checked) {
        shown->setCheckState(Qt::Unchecked);
        break;
      }
    }
    ClickOK(dialog);
  });
  EXPECT_EQ(window->entryModel()->columnCount(), columns - 1);
  EXPECT_EQ(kdx_test::ReadAll(path_), file);
}

TEST_F(DocumentDialogsTest, LabelsGoOnTheSelectedEntriesAndWaitForTheNextSave) {
  KdxDocument* window = OpenWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->labelAction(2)->text(), QStringLiteral("重要"));
  SelectRows(window, {});
  EXPECT_FALSE(window->labelAction(2)->isEnabled());
  EXPECT_FALSE(window->commandAction("ChangeEntrys")->isEnabled());
  SelectRows(window, {1});
  EXPECT_TRUE(window->labelAction(2)->isEnabled());
  SelectRows(window, {0, 2});
  EXPECT_TRUE(window->commandAction("ChangeEntrys")->isEnabled());

  const auto file = kdx_test::ReadAll(path_);
  window->labelAction(2)->trigger();
  std::vector<int32_t> labels;
  for (int row = 0; row < 3; ++row) {
    labels.push_back(
        window->session().FindEntry(window->entryModel()->IdAtRow(row)).value().en_co_id);
  }
  EXPECT_EQ(labels, (std::vector<int32_t>{2, 0, 2}));
  EXPECT_EQ(kdx_test::ReadAll(path_), file);
  // The selection survives the rebuild.
  EXPECT_EQ(window->entryList()->selectionModel()->selectedRows().size(), 2);

  Close(window);
  kdx_test::TestDocument reread(path_);
  int labelled = 0;
  for (int32_t i = 0; i < reread.Count(); ++i) labelled += reread.At(i).en_co_id == 2 ? 1 : 0;
  EXPECT_EQ(labelled, 2);
}

TEST_F(DocumentDialogsTest, LabelDialogStoresNothingWhileANameIsEmpty) {
  kdx_test::TestDocument doc(path_);
  VELL_ARY* labels = doc.data()->colorLabelAry;
  const std::string before = TableBytes(labels);
  LabelEditDlg dialog(labels);
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  EXPECT_FALSE(dialog.nameField(0)->isEnabled());
  Shoot(&dialog, "label_edit");

  dialog.SetChosenColor(2, QColor(255, 0, 0));
  dialog.nameField(3)->clear();
  ClickOK(&dialog);
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_TRUE(alerts_.empty());
  EXPECT_EQ(TableBytes(labels), before);

  dialog.nameField(3)->setText(QStringLiteral("至急"));
  ClickOK(&dialog);
  EXPECT_FALSE(dialog.isVisible());
  KDX_COLOR_LABEL red{};
  ASSERT_EQ(CO_GetData(labels, 2, &red), 1);
  EXPECT_EQ(red.co_red, 100000);
  EXPECT_EQ(red.co_green, 0);
  EXPECT_EQ(red.co_blue, 0);
  KDX_COLOR_LABEL renamed{};
  ASSERT_EQ(CO_GetData(labels, 3, &renamed), 1);
  EXPECT_STREQ(renamed.co_name, "至急");
}

TEST_F(DocumentDialogsTest, ChangeCategoriesRefusesAllAndChangesOnlyTheLevelsAsked) {
  KdxDocument* window = OpenWindow();
  ASSERT_NE(window, nullptr);
  SelectRows(window, {0, 1});
  std::vector<std::string> stillOpen;
  Run<ChangeCatNamesDlg>(window, "ChangeEntrys", [&](ChangeCatNamesDlg* dialog) {
    // The entries share every level: each box shows the common name.
    EXPECT_EQ(dialog->nameBox(1)->currentText(), QStringLiteral("仕事"));
    EXPECT_EQ(dialog->nameBox(2)->itemText(0), QStringLiteral("＜変更しない＞"));
    Shoot(dialog, "change_categories");
    dialog->nameBox(1)->setEditText(QStringLiteral("個人"));
    dialog->nameBox(2)->setEditText(QStringLiteral("＜すべて＞"));
    ClickOK(dialog);
    if (dialog->isVisible()) stillOpen.push_back(dialog->nameBox(2)->currentText().toStdString());
    dialog->nameBox(2)->setCurrentIndex(0);
    dialog->nameBox(3)->setEditText(QString());
    ClickOK(dialog);
  });
  EXPECT_EQ(alerts_, (std::vector<std::string>{"＜すべて＞は分類名に使用できません。"}));
  EXPECT_EQ(stillOpen, (std::vector<std::string>{"＜すべて＞"}));
  std::vector<std::string> triples;
  for (const int32_t id : window->session().EntryIds()) {
    const KDX_ENTRY e = window->session().FindEntry(id).value();
    triples.push_back(std::string(e.en_title) + ":" + e.en_cat1_name + "/" + e.en_cat2_name + "/" +
                      e.en_cat3_name);
  }
  std::sort(triples.begin(), triples.end());
  // The list shows the newest first: rows 0 and 1 are 三 and 二.
  EXPECT_EQ(triples, (std::vector<std::string>{"一:仕事/2026/A", "三:個人/2026/その他",
                                               "二:個人/2026/その他"}));
}

TEST_F(DocumentDialogsTest, CategoryTitlesRefuseReservedAndRepeatedTitlesThenSaveAndShow) {
  KdxDocument* window = OpenWindow();
  ASSERT_NE(window, nullptr);
  const std::string before = TableBytes(window->session().data().catTitleAry);
  std::vector<std::string> stillOpen;
  Run<CategoryTitleEditDlg>(window, "editCategoryTitle", [&](CategoryTitleEditDlg* dialog) {
    Shoot(dialog, "category_titles");
    dialog->titleField(2)->setText(QStringLiteral("ラベル"));
    ClickOK(dialog);
    dialog->titleField(2)->setText(QStringLiteral("年"));
    dialog->titleField(3)->setText(QStringLiteral("年"));
    ClickOK(dialog);
    dialog->titleField(3)->clear();
    ClickOK(dialog);  // nothing said
    if (dialog->isVisible()) stillOpen.push_back(dialog->titleField(2)->text().toStdString());
    EXPECT_EQ(TableBytes(window->session().data().catTitleAry), before);
    dialog->titleField(3)->setText(QStringLiteral("段階"));
    ClickOK(dialog);
  });
  EXPECT_EQ(alerts_, (std::vector<std::string>{
                         "予約されている名前は使用できません。別の名前を入力してください。",
                         "「年」はすでに使用されています。別の名前を入力してください。"}));
  EXPECT_EQ(stillOpen, (std::vector<std::string>{"年"}));
  // The browser heading and the column header follow; the file has them.
  const QList<QLabel*> labels = window->findChildren<QLabel*>();
  EXPECT_TRUE(std::any_of(labels.begin(), labels.end(),
                          [](QLabel* l) { return l->text() == QStringLiteral("段階"); }));
  Close(window);
  kdx_test::TestDocument reread(path_);
  KDX_CATEGORY_TITLE titles{};
  ASSERT_EQ(TI_GetData(reread.view().catTitleAry, &titles), 1);
  EXPECT_STREQ(titles.ti_cat2_title, "年");
  EXPECT_STREQ(titles.ti_cat3_title, "段階");
}

TEST_F(DocumentDialogsTest, DocumentSettingsWriteTheirFlagsAndTheInformationShows) {
  KdxDocument* window = OpenWindow();
  ASSERT_NE(window, nullptr);
  Run<FilePrefDlg>(window, "FilePreference", [](FilePrefDlg* dialog) {
    EXPECT_FALSE(dialog->titleBox()->isChecked());
    dialog->bodyBox()->click();
    Shoot(dialog, "document_settings");
    ClickOK(dialog);
  });
  const KdxFilePrefs prefs = KDXCOMM_ReadFilePrefs(window->session().data().envAry);
  EXPECT_FALSE(prefs.title);
  EXPECT_FALSE(prefs.note);
  EXPECT_TRUE(prefs.body);

  ASSERT_TRUE(window->commandAction("FileInfo")->isEnabled());
  Run<FileInfoDlg>(window, "FileInfo", [](FileInfoDlg* dialog) {
    Shoot(dialog, "document_information");
    const QList<QLabel*> labels = dialog->findChildren<QLabel*>();
    EXPECT_TRUE(std::any_of(labels.begin(), labels.end(),
                            [](QLabel* l) { return l->text() == QStringLiteral("3.6.1 (138)"); }));
  });
}

}  // namespace
