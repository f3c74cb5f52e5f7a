// The application driven as a user drives it, on the offscreen platform:
// documents opened through the controller, categories clicked, headers
// clicked, windows closed and reopened, bad files opened beside good ones.
#include "gui/app/document_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/content/password_store.h"
#include "core/document/column_table.h"
#include "core/document/env_table.h"
#include "core/listing/entry_sort.h"
#include "core/prefs/pref_rez.h"
#include "gui/app/alerts.h"
#include "gui/app/entry_list_model.h"
#include "gui/app/kdx_application.h"
#include "gui/app/localization.h"
#include "gui/app/startup_dialog.h"
#include "gui_test.h"
#include "support/test_document.h"

namespace {

namespace fs = std::filesystem;

struct Sample {
  const char* title;
  const char* cat1;
  const char* cat2;
};

// 仕事 holds three entries, 個人 two; 2026 and 2025 cut across them.
constexpr Sample kSamples[] = {{"議事録", "仕事", "2026"},
                               {"見積書", "仕事", "2025"},
                               {"日報", "仕事", "2026"},
                               {"旅行の計画", "個人", "2026"},
                               {"読書メモ", "個人", "2025"}};

class DocumentWindowTest : public GuiTest {
 protected:
  // A document with the samples, closed again so that the application can
  // take its lock.
  std::string MakeDocument(const std::string& name, bool withPassword = false) {
    const std::string path = dir_.File(name);
    kdx_test::TestDocument doc(path);
    for (const Sample& s : kSamples) {
      KdxNewEntry fields = kdx_test::TestDocument::NewEntry(s.title);
      fields.cat1 = s.cat1;
      fields.cat2 = s.cat2;
      fields.cat3 = "その他";
      doc.Add(fields);
    }
    if (withPassword) {
      KDX_DATA* data = doc.data();
      EXPECT_EQ(KDXCOMM_SetPassword(data->envAry, data->idCounterAry, "Door42"), 0);
    }
    doc.Save();
    return path;
  }

  static void ClickRow(QAbstractItemView* view, int row, int column = 0,
                       Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    const QModelIndex index = view->model()->index(row, column);
    view->scrollTo(index);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, modifiers,
                      view->visualRect(index).center());
  }

  static int RowOf(QListView* list, const QString& text) {
    for (int row = 0; row < list->model()->rowCount(); ++row) {
      if (list->model()->index(row, 0).data().toString() == text) return row;
    }
    return -1;
  }

  static int SectionOf(const KdxDocument* window, const std::string& identifier) {
    const auto& columns = window->entryModel()->columns();
    for (size_t i = 0; i < columns.size(); ++i) {
      if (columns[i].identifier == identifier) return static_cast<int>(i);
    }
    return -1;
  }

  static std::vector<std::string> Titles(const KdxDocument* window) {
    std::vector<std::string> titles;
    const int column = SectionOf(window, "en_title");
    QAbstractItemModel* model = window->entryList()->model();
    for (int row = 0; row < model->rowCount(); ++row) {
      titles.push_back(model->index(row, column).data().toString().toStdString());
    }
    return titles;
  }
};

TEST_F(DocumentWindowTest, ACategoryClickNarrowsTheListAndIsRememberedByTheDocument) {
  const std::string path = MakeDocument("notes.kdx");
  KdxDocument* window = Open(path);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->windowTitle(), QStringLiteral("notes.kdx"));
  EXPECT_EQ(window->countLabel()->text(), QStringLiteral("5"));
  EXPECT_EQ(window->entryList()->model()->rowCount(), 5);

  const int work = RowOf(window->categoryList(1), QStringLiteral("仕事"));
  ASSERT_GT(work, 0);
  ClickRow(window->categoryList(1), work);
  EXPECT_EQ(window->countLabel()->text(), QStringLiteral("3"));
  EXPECT_EQ(window->entryList()->model()->rowCount(), 3);
  // The second level narrows to the names used under 仕事, never by itself.
  const int y2026 = RowOf(window->categoryList(2), QStringLiteral("2026"));
  ASSERT_GT(y2026, 0);
  ClickRow(window->categoryList(2), y2026);
  EXPECT_EQ(window->countLabel()->text(), QStringLiteral("2"));
  auto titles = Titles(window);
  std::sort(titles.begin(), titles.end());
  EXPECT_EQ(titles, (std::vector<std::string>{"日報", "議事録"}));

  // Saved at the click: reopening shows the same narrowing.
  Close(window);
  window = Open(path);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->selection().name[0], "仕事");
  EXPECT_EQ(window->selection().name[1], "2026");
  EXPECT_EQ(window->countLabel()->text(), QStringLiteral("2"));
  EXPECT_EQ(window->categoryList(1)->currentIndex().data().toString(), QStringLiteral("仕事"));

  // Back to All at the first level.
  ClickRow(window->categoryList(1), 0);
  EXPECT_EQ(window->selection().name[0], "＜すべて＞");
  EXPECT_EQ(window->countLabel()->text(), QStringLiteral("3"));  // 2026 still chosen
}

TEST_F(DocumentWindowTest, HeaderClicksSortByTheClickedColumnAndFlipTheFirstKey) {
  KdxDocument* window = Open(MakeDocument("sort.kdx"));
  ASSERT_NE(window, nullptr);
  QHeaderView* header = window->entryList()->horizontalHeader();
  const int titleSection = SectionOf(window, "en_title");
  ASSERT_GE(titleSection, 0);

  // New documents sort by en_id descending: the last made comes first.
  EXPECT_EQ(Titles(window).front(), "読書メモ");
  QTest::mouseClick(
      header->viewport(), Qt::LeftButton, {},
      QPoint(header->sectionViewportPosition(titleSection) + 10, header->height() / 2));
  std::vector<KdxSortColumn> keys = CLCOMM_GetSortColumns(window->session().data().columnAry);
  ASSERT_FALSE(keys.empty());
  EXPECT_EQ(keys.front().identifier, "en_title");
  EXPECT_EQ(keys[1].identifier, "en_id");
  std::vector<std::string> titles = Titles(window);
  std::vector<std::string> sorted = titles;
  std::sort(sorted.begin(), sorted.end());
  if (!keys.front().ascending) std::reverse(sorted.begin(), sorted.end());
  EXPECT_EQ(titles, sorted);
  EXPECT_EQ(header->sortIndicatorSection(), SectionOf(window, "en_title"));

  const bool before = keys.front().ascending;
  const int again = SectionOf(window, "en_title");
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                    QPoint(header->sectionViewportPosition(again) + 10, header->height() / 2));
  keys = CLCOMM_GetSortColumns(window->session().data().columnAry);
  EXPECT_EQ(keys.front().identifier, "en_title");
  EXPECT_NE(keys.front().ascending, before);
  std::reverse(sorted.begin(), sorted.end());
  EXPECT_EQ(Titles(window), sorted);

  // The ID column is shown wide enough for its heading and arrow, and keeps
  // its narrower stored width through the clicks, which take widths back.
  const int idSection = SectionOf(window, "en_id");
  ASSERT_GE(idSection, 0);
  EXPECT_GE(header->sectionSize(idSection), header->sectionSizeHint(idSection));
  KDX_COLUMN id;
  ASSERT_EQ(CL_GetData_ByIdentifier(window->session().data().columnAry, "en_id", &id), 1);
  EXPECT_EQ(id.cl_width, 36);
  // Once the user resizes it, the new width is the stored one.
  header->resizeSection(idSection, 80);
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                    QPoint(header->sectionViewportPosition(again) + 10, header->height() / 2));
  ASSERT_EQ(CL_GetData_ByIdentifier(window->session().data().columnAry, "en_id", &id), 1);
  EXPECT_EQ(id.cl_width, 80);
}

TEST_F(DocumentWindowTest, ReopeningRestoresGeometryHiddenBrowserAndSelectedEntries) {
  const std::string path = MakeDocument("state.kdx");
  KdxDocument* window = Open(path);
  ASSERT_NE(window, nullptr);
  window->resize(820, 600);
  window->move(40, 30);
  ClickRow(window->entryList(), 1);
  ClickRow(window->entryList(), 3, 0, Qt::ControlModifier);
  const std::vector<std::string> all = Titles(window);
  ASSERT_EQ(all.size(), 5u);
  window->showHideBrowser();
  EXPECT_FALSE(window->isBrowserShown());
  EXPECT_EQ(window->browserAction()->text(), QStringLiteral("ブラウザを表示"));
  Close(window);

  window = Open(path);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->size(), QSize(820, 600));
  EXPECT_EQ(window->pos(), QPoint(40, 30));
  EXPECT_FALSE(window->isBrowserShown());
  EXPECT_FALSE(window->addButton(1)->isEnabled());
  EXPECT_EQ(window->splitter()->sizes().value(0), 24);
  std::vector<int> rows;
  for (const QModelIndex& index : window->entryList()->selectionModel()->selectedRows()) {
    rows.push_back(index.row());
  }
  std::sort(rows.begin(), rows.end());
  EXPECT_EQ(rows, (std::vector<int>{1, 3}));

  window->showHideBrowser();
  EXPECT_TRUE(window->addButton(1)->isEnabled());
  EXPECT_GE(window->splitter()->sizes().value(0), 150);
}

TEST_F(DocumentWindowTest, OneWindowPerFileHoweverThePathIsSpelt) {
  const std::string path = MakeDocument("one.kdx");
  fs::create_symlink(path, dir_.File("link.kdx"));
  KdxDocument* first = Open(path);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(app_.OpenDocument(QString::fromStdString(dir_.File("link.kdx"))), first);
  EXPECT_EQ(app_.OpenDocument(QString::fromStdString(dir_.path().string() + "/./one.kdx")), first);
  EXPECT_EQ(app_.documents().size(), 1u);
  EXPECT_TRUE(alerts_.empty());
}

TEST_F(DocumentWindowTest, ABadFileClosesOnlyItselfWhileAnotherDocumentStaysOpen) {
  KdxDocument* good = Open(MakeDocument("good.kdx"));
  ASSERT_NE(good, nullptr);

  const std::string damaged = dir_.File("damaged.kdx");
  kdx_test::WriteAll(damaged, std::string(4096, '\x5A'));
  EXPECT_EQ(app_.OpenDocument(QString::fromStdString(damaged)), nullptr);
  ASSERT_EQ(alerts_.size(), 1u);
  EXPECT_EQ(alerts_.back(), "ファイルが壊れているため開くことができません。");

  const std::string other = dir_.File("notes.txt");
  kdx_test::WriteAll(other, std::string("text"));
  EXPECT_EQ(app_.OpenDocument(QString::fromStdString(other)), nullptr);
  EXPECT_EQ(alerts_.back(), "このファイルは開くことができません。");

  // A cancelled password closes that document without a word.
  const std::string locked = MakeDocument("locked.kdx", true);
  int asked = 0;
  app_.setPasswordPromptForTest([&](int) -> std::optional<std::string> {
    ++asked;
    return std::nullopt;
  });
  EXPECT_EQ(app_.OpenDocument(QString::fromStdString(locked)), nullptr);
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(alerts_.size(), 2u);

  // A wrong password is asked again; the right one opens.
  app_.setPasswordPromptForTest(
      [&](int attempt) -> std::optional<std::string> { return attempt == 0 ? "wrong" : "Door42"; });
  KdxDocument* opened = Open(locked);
  EXPECT_NE(opened, nullptr);

  ASSERT_EQ(app_.documents().size(), 2u);
  EXPECT_TRUE(good->isVisible());
  EXPECT_EQ(good->countLabel()->text(), QStringLiteral("5"));
}

TEST_F(DocumentWindowTest, NewDocumentRefusesTheFileOfAnOpenDocument) {
  const std::string path = MakeDocument("busy.kdx");
  KdxDocument* window = Open(path);
  ASSERT_NE(window, nullptr);
  fs::create_symlink(path, dir_.File("alias.kdx"));
  const auto before = kdx_test::ReadAll(path);
  EXPECT_FALSE(app_.NewDocumentAt(QString::fromStdString(dir_.File("alias.kdx"))));
  EXPECT_EQ(alerts_.back(), "このファイルは開かれているため、置き換えることができません。");
  EXPECT_EQ(kdx_test::ReadAll(path), before);
  EXPECT_EQ(window->countLabel()->text(), QStringLiteral("5"));

  // A new document elsewhere opens empty, ".kdx" added.
  ASSERT_TRUE(app_.NewDocumentAt(QString::fromStdString(dir_.File("名称未設定"))));
  ASSERT_EQ(app_.documents().size(), 2u);
  EXPECT_EQ(app_.documents().back()->windowTitle(), QStringLiteral("名称未設定.kdx"));
  EXPECT_EQ(app_.documents().back()->countLabel()->text(), QStringLiteral("0"));
}

TEST_F(DocumentWindowTest, TheListReadsNothingFromABusyDocument) {
  KdxDocument* window = Open(MakeDocument("worker.kdx"));
  ASSERT_NE(window, nullptr);
  window->repaint();
  const int64_t idle = window->entryModel()->documentReads();
  EXPECT_GT(idle, 0);
  {
    KdxSession::BusyScope busy(window->session());
    window->entryList()->viewport()->repaint();
    for (int level = 1; level <= 3; ++level) window->categoryList(level)->viewport()->repaint();
    (void)window->grab();
    EXPECT_EQ(window->entryModel()->documentReads(), idle);
    EXPECT_FALSE(window->entryList()->model()->index(0, 1).data().isValid());
    // A window holding a working document refuses to close.
    EXPECT_FALSE(window->close());
  }
  EXPECT_TRUE(window->entryList()->model()->index(0, 1).data().isValid());
}

TEST_F(DocumentWindowTest, TheSearchFieldRemembersWordsInItsMenu) {
  ASSERT_EQ(PREF_PrepareREZFile(kPrefREZVersion), 1);  // the history lives there
  KdxDocument* window = Open(MakeDocument("search.kdx"));
  ASSERT_NE(window, nullptr);
  window->ClearSearchHistory();
  QString asked;
  QObject::connect(window, &KdxDocument::searchRequested,
                   [&](const QString& word, int) { asked = word; });
  window->searchField()->setText(QStringLiteral("議事録"));
  QTest::keyClick(window->searchField(), Qt::Key_Return);
  EXPECT_EQ(asked, QStringLiteral("議事録"));
  QStringList items;
  for (QAction* action : window->searchMenu()->actions()) items << action->text();
  EXPECT_TRUE(items.contains(QStringLiteral("議事録")));
  EXPECT_EQ(items.last(), QStringLiteral("履歴をクリア"));
  window->ClearSearchHistory();
  items.clear();
  for (QAction* action : window->searchMenu()->actions()) items << action->text();
  EXPECT_FALSE(items.contains(QStringLiteral("議事録")));

  window->resize(1000, 640);
  Shoot(window, "document_window");
}

TEST_F(DocumentWindowTest, StartupDialogSaysWhenANewFileCannotBeMadeAndAsksAgain) {
  int shown = 0;
  std::function<void()> answer = [&] {
    StartupDlg* dialog = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      auto* startup = qobject_cast<StartupDlg*>(widget);
      if (startup != nullptr && startup->isVisible()) dialog = startup;
    }
    if (dialog == nullptr) {
      QTimer::singleShot(10, answer);  // the splash comes first
      return;
    }
    const std::string target =
        ++shown == 1 ? dir_.File("no-such-folder/a.kdx") : dir_.File("新しい");
    dialog->chooseNewPath = [target] { return QString::fromStdString(target); };
    if (shown == 1) QTimer::singleShot(0, answer);  // for the dialog shown again
    dialog->OnNew();
  };
  QTimer::singleShot(0, answer);
  app_.ShowStartupDialog();
  EXPECT_EQ(shown, 2);
  EXPECT_EQ(alerts_, (std::vector<std::string>{"ファイルを作成できませんでした。"}));
  ASSERT_EQ(app_.documents().size(), 1u);
  EXPECT_EQ(app_.documents().front()->windowTitle(), QStringLiteral("新しい.kdx"));
}

TEST_F(DocumentWindowTest, StartupDialogStaysOpenWhenThePanelIsCancelled) {
  const std::string path = MakeDocument("recent.kdx");
  StartupDlg dialog({path, dir_.File("gone.kdx")});
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  EXPECT_EQ(dialog.recentList()->count(), 2);

  dialog.chooseOpenPath = [] { return QString(); };
  dialog.findChild<QPushButton*>(QStringLiteral("OnOpen"))->click();
  EXPECT_TRUE(dialog.isVisible());
  dialog.chooseNewPath = [] { return QString(); };
  dialog.findChild<QPushButton*>(QStringLiteral("OnNew"))->click();
  EXPECT_TRUE(dialog.isVisible());

  dialog.recentList()->setCurrentRow(0);
  dialog.findChild<QPushButton*>(QStringLiteral("OnSelect"))->click();
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), StartupDlg::kSelected);
  EXPECT_EQ(dialog.chosenPath().toStdString(), path);

  StartupDlg look({path, dir_.File("仕事/議事録.kdx")});
  look.show();
  Shoot(&look, "startup_dialog");
}

}  // namespace

namespace {

TEST_F(DocumentWindowTest, DraggedEntriesBecomeFilesWithDistinctNames) {
  const std::string path = dir_.File("drag.kdx");
  {
    kdx_test::TestDocument doc(path);
    for (const char* text : {"一つ目", "二つ目", "三つ目"}) doc.Add("同じ", {"", text, ""});
    doc.Add("別");
    doc.Save();
  }
  KdxDocument* window = Open(path);
  ASSERT_NE(window, nullptr);
  QTableView* list = window->entryList();
  ClickRow(list, 1);
  ClickRow(list, 2, 0, Qt::ControlModifier);
  ClickRow(list, 3, 0, Qt::ControlModifier);
  const QList<QUrl> urls = window->ExportDraggedEntries();
  ASSERT_EQ(urls.size(), 3);
  std::vector<std::string> names;
  std::vector<std::string> texts;
  for (const QUrl& url : urls) {
    ASSERT_TRUE(url.isLocalFile());
    const std::string file = url.toLocalFile().toStdString();
    EXPECT_TRUE(file.starts_with(app_.temporaryFolder().toStdString()));
    names.push_back(fs::path(file).filename().string());
    const auto bytes = kdx_test::ReadAll(file);
    texts.emplace_back(bytes.begin(), bytes.end());
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(std::unique(names.begin(), names.end()), names.end());
  for (const std::string& name : names) EXPECT_TRUE(name.starts_with("同じ")) << name;
  std::sort(texts.begin(), texts.end());
  EXPECT_NE(texts[0], texts[1]);
  EXPECT_NE(texts[1], texts[2]);
  // The private folder is the owner's alone.
  const auto perms = fs::status(app_.temporaryFolder().toStdString()).permissions();
  EXPECT_EQ(perms & (fs::perms::group_all | fs::perms::others_all), fs::perms::none);
}

}  // namespace
