// The entry window: its decisions as plain functions, and the window driven
// as a user drives it — opened from the entry list, typed in, left, closed,
// and brought back when its document opens again. What counts is what the
// document file holds afterwards.
#include "gui/app/entry_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <QTextCursor>
#include <cstring>
#include <string>
#include <vector>

#include "core/content/entry_content.h"
#include "core/util/vell_mem.h"
#include "gui/app/body_text_edit.h"
#include "gui/app/entry_window_logic.h"
#include "gui/app/window_order.h"
#include "gui_test.h"
#include "richtext/body_format.h"
#include "support/test_document.h"

namespace {

// ---- Decisions ------------------------------------------------------------------

TEST(EntryWindowLogic, ControlTextKeepsWholeCharactersWithinTheField) {
  EXPECT_EQ(KdxControlText(QString(171, QChar(0x3042)), 512),
            QString(170, QChar(0x3042)).toStdString());
  // The 170th unit is the first half of an emoji: the emoji goes whole.
  const QString emoji = QString(169, QChar(0x3042)) + QString::fromUtf8("😀");
  EXPECT_EQ(KdxControlText(emoji, 512), QString(169, QChar(0x3042)).toStdString());
  EXPECT_EQ(KdxControlText(QString(43, QChar('x')), 128), std::string(42, 'x'));
}

TEST(EntryWindowLogic, OnlyReadableTextsAndRealEditsCountAsChanges) {
  KDX_ENTRY stored{};
  std::strcpy(stored.en_title, "Memo");
  std::strcpy(stored.en_cat1_name, "仕事");
  std::strcpy(stored.en_cat2_name, "その他");
  std::strcpy(stored.en_cat3_name, "その他");
  stored.en_id = 12;
  EXPECT_EQ(KdxEntryWindowTitle(stored), QStringLiteral("Memo（12）"));

  KdxEntryWindowValues values{QStringLiteral("Memo"),
                              {QStringLiteral("仕事"), QString(), QStringLiteral("その他")},
                              false,
                              {10, 20, 500, 600}};
  const KDX_ENTRY fromWindow = EW_GetKdxEntry_ByControl(stored, values);
  EXPECT_STREQ(fromWindow.en_cat2_name, "その他");  // an empty box
  EXPECT_EQ(fromWindow.en_detail_toggle, 0);
  EXPECT_EQ(fromWindow.en_window_position_right, 500);

  const KdxEntryPart same{true, "text", "text", false};
  // Toggle and frame moved, nothing else: no change.
  EXPECT_EQ(EW_IsTheEntryUpdated(stored, fromWindow, same, same).first, 0);
  // Bold without a new character is a change of the body.
  const KdxEntryChanges bold =
      EW_IsTheEntryUpdated(stored, fromWindow, same, KdxEntryPart{true, "text", "text", true});
  EXPECT_EQ(bold.first, 6);
  EXPECT_TRUE(bold.body);
  EXPECT_FALSE(bold.note);
  // A note that cannot be read now, or a body that could not be read at
  // opening, is never saved, whatever the window shows.
  const KdxEntryChanges unreadable =
      EW_IsTheEntryUpdated(stored, fromWindow, KdxEntryPart{true, std::nullopt, "typed", false},
                           KdxEntryPart{false, "text", "", true});
  EXPECT_EQ(unreadable.first, 0);
  EXPECT_FALSE(unreadable.note || unreadable.body);
  // A body untouched since it was loaded or saved is not compared at all.
  KdxEntryPart untouched{true, "stored", "shown", false};
  untouched.untouched = true;
  EXPECT_FALSE(EW_IsTheEntryUpdated(stored, fromWindow, same, untouched).body);
  // A new title comes first, and only the parts that changed are saved.
  values.title = QStringLiteral("Memo 2");
  const KdxEntryChanges titled = EW_IsTheEntryUpdated(
      stored, EW_GetKdxEntry_ByControl(stored, values), KdxEntryPart{true, "a", "b", false}, same);
  EXPECT_EQ(titled.first, 1);
  EXPECT_TRUE(titled.note);
  EXPECT_FALSE(titled.body);
}

TEST(EntryWindowLogic, StoredTextIsComparedInItsNormalForm) {
  using namespace std::string_literals;
  for (const std::string& text :
       {"吾輩は猫である。\n名前はまだ無い。"s, "a\r\nb\rc"s, "x\xE2\x80\xA8y\xE2\x80\xA9"s,
        "end\0\0"s, "in\0side"s, "\xEF\xBB\xBF bom"s, "bad \xFF\xFE utf-8"s, ""s}) {
    EXPECT_EQ(KdxComparableStoredText(text),
              kdx_richtext::NormalizeBodyText(QString::fromStdString(text)).toStdString())
        << text;
  }
}

TEST(EntryWindowLogic, WrapModesAndTheRestoreOrder) {
  EXPECT_EQ(KdxGetBodyWrapMode(1, "450").wrap, KdxBodyWrap::kWindowWidth);
  EXPECT_EQ(KdxGetBodyWrapMode(2, "450").wrap, KdxBodyWrap::kNone);
  EXPECT_EQ(KdxGetBodyWrapMode(7, "450").wrap, KdxBodyWrap::kNone);
  EXPECT_EQ(KdxGetBodyWrapMode(3, "450").widthPoints, 450);
  EXPECT_EQ(KdxGetBodyWrapMode(3, "12").widthPoints, 30);
  EXPECT_EQ(KdxGetBodyWrapMode(3, "99999999999999999999").widthPoints, 100000);

  // z = -1, 0, 2, 5 with the document window at 3: 2 and 5 reopen, raised
  // from the back, so 2 ends in front of the document window and of 5.
  const KdxWindowRestorePlan plan = KdxPlanWindowRestore({{1, -1}, {2, 0}, {3, 5}, {4, 2}}, 3);
  EXPECT_EQ(plan.reopen, (std::vector<int32_t>{3, 4}));
  EXPECT_EQ(plan.raise, (std::vector<std::optional<int32_t>>{3, std::nullopt, 4}));
}

// ---- The window ---------------------------------------------------------------

class EntryWindowTest : public GuiTest {
 protected:
  // A document with one entry whose body reads "hello", "there" on two lines
  // (its text block with CR LF, as some imports store it) and a note, closed
  // again so that the application can take its lock.
  std::string MakeDocument(const std::string& name, int32_t* id, bool damagedBody = false) {
    const std::string path = dir_.File(name);
    kdx_test::TestDocument doc(path);
    const QByteArray body =
        kdx_richtext::KDXCOMM_ConvertTextToRtfd(QStringLiteral("hello\nthere"), {}, 0);
    const KDX_ENTRY made =
        doc.Add("Memo", {std::string_view(body.constData(), static_cast<size_t>(body.size())),
                         "hello\r\nthere", "a note"});
    if (damagedBody) {
      EXPECT_EQ(doc.session().SaveEntryContent(made, KdxBlockKind::kBody, "not a body at all"), 0);
    }
    doc.Save();
    *id = made.en_id;
    return path;
  }

  // Opens the document and the entry's window as a double click does.
  EntryWindow* OpenEntryWindow(const std::string& path, int32_t id) {
    document_ = Open(path);
    if (document_ == nullptr) return nullptr;
    QTableView* list = document_->entryList();
    const QModelIndex index = list->model()->index(0, 0);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
    EntryWindow* window = document_->entryWindows()->Find(id);
    if (window != nullptr) {
      EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
    }
    QApplication::processEvents();
    return window;
  }

  // The user clicks another window.
  void Leave(EntryWindow* window) {
    KdxBringToFront(window);
    QApplication::processEvents();
    KdxBringToFront(document_);
    if (!QTest::qWaitForWindowActive(document_)) window->autoSaveEntry();
    QApplication::processEvents();
  }

  KDX_ENTRY Stored(int32_t id) { return *document_->session().FindEntry(id); }
  std::string StoredText(int32_t id, KdxBlockKind kind) {
    std::string text;
    (void)KDX_LoadBlockText(document_->session().path().c_str(), Stored(id), kind, &text);
    return text;
  }

  KdxDocument* document_ = nullptr;
};

TEST_F(EntryWindowTest, TypingThenLeavingSavesTheEntryAndLeavingAgainWritesNothing) {
  int32_t id = 0;
  const std::string path = MakeDocument("typing.kdx", &id);
  EntryWindow* window = OpenEntryWindow(path, id);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->windowTitle(), QString("Memo（%1）").arg(id));
  EXPECT_EQ(window->body()->toPlainText(), QStringLiteral("hello\nthere"));
  EXPECT_EQ(window->note()->toPlainText(), QStringLiteral("a note"));
  const KDX_ENTRY opened = Stored(id);
  EXPECT_STRNE(opened.en_last_opened_date, "");
  // Opening it again only raises it; the last-opened date stays.
  document_->OpenEntry();
  EXPECT_EQ(document_->entryWindows()->windows().size(), 1u);
  EXPECT_STREQ(Stored(id).en_last_opened_date, opened.en_last_opened_date);

  // A visit without an edit writes nothing, whatever the stored line ends.
  const std::vector<uint8_t> unvisited = kdx_test::ReadAll(path);
  Leave(window);
  EXPECT_EQ(kdx_test::ReadAll(path), unvisited);

  QTest::qWait(1100);  // a later update date
  window->body()->moveCursor(QTextCursor::End);
  QTest::keyClicks(window->body(), " world");
  Leave(window);
  EXPECT_EQ(StoredText(id, KdxBlockKind::kText), "hello\nthere world");
  EXPECT_STRNE(Stored(id).en_update_date, opened.en_update_date);
  EXPECT_EQ(window->sizeLabel()->text(),
            QString::number(Stored(id).en_bo_block_size) + QStringLiteral(" bytes"));
  // The saved body reads back as typed.
  QTextDocument back;
  uint8_t* raw = nullptr;
  const int32_t size = KDX_LoadBOContainer(path.c_str(), Stored(id), &raw);
  ASSERT_GT(size, 0);
  EXPECT_EQ(kdx_richtext::BodyToDocument(QByteArray(reinterpret_cast<char*>(raw), size), &back),
            kdx_richtext::BodyStatus::ok);
  Vell_MallocFree(raw);
  EXPECT_EQ(back.toPlainText(), QStringLiteral("hello\nthere world"));

  const std::vector<uint8_t> before = kdx_test::ReadAll(path);
  Leave(window);
  window->hideOrShowEntryInfo();
  EXPECT_EQ(kdx_test::ReadAll(path), before);

  // Formatting alone is an edit too.
  window->body()->selectAll();
  QTextCharFormat bold;
  bold.setFontWeight(QFont::Bold);
  window->body()->mergeCurrentCharFormat(bold);
  Leave(window);
  EXPECT_NE(kdx_test::ReadAll(path), before);
  EXPECT_TRUE(alerts_.empty());
}

TEST_F(EntryWindowTest, TitleAndCategoriesAreCutAndAnEmptyCategoryIsOther) {
  int32_t id = 0;
  const std::string path = MakeDocument("fields.kdx", &id);
  EntryWindow* window = OpenEntryWindow(path, id);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->categoryCombo(1)->currentText(), QStringLiteral("仕事"));
  window->titleField()->setText(QString(171, QChar(0x6587)));
  window->categoryCombo(2)->setCurrentText(QString());
  window->categoryCombo(3)->setCurrentText(QStringLiteral("新しい分類"));
  Leave(window);
  const KDX_ENTRY stored = Stored(id);
  EXPECT_EQ(std::string(stored.en_title), QString(170, QChar(0x6587)).toStdString());
  EXPECT_STREQ(stored.en_cat2_name, "その他");
  EXPECT_STREQ(stored.en_cat3_name, "新しい分類");
  EXPECT_EQ(window->windowTitle(), QString(170, QChar(0x6587)) + QString("（%1）").arg(id));
  // The typed name is a category now: the combo offers it.
  EXPECT_GE(window->categoryCombo(3)->findText(QStringLiteral("新しい分類")), 0);

  // With the info area shown the menu offers to hide it; hiding it keeps
  // the choice for the next opening.
  EXPECT_EQ(window->infoAction()->text(), QStringLiteral("文章情報を隠す"));
  if (const char* shots = std::getenv("KDX_SCREENSHOTS")) {
    window->titleField()->setText(QStringLiteral("会議の議事録"));
    window->body()->setPlainText(QStringLiteral("本日の議題：\n一、予算について\n二、日程の調整"));
    window->grab().save(QString::fromUtf8(shots) + "/entry_window.png");
  }
  window->showHideInfo();
  EXPECT_FALSE(window->infoArea()->isVisible());
  EXPECT_EQ(window->infoAction()->text(), QStringLiteral("文章情報を表示"));
  window->close();
  QApplication::processEvents();
  EXPECT_EQ(Stored(id).en_detail_toggle, 0);
}

TEST_F(EntryWindowTest, AnUnreadableBodyOpensReadOnlyAndIsNeverSaved) {
  int32_t id = 0;
  const std::string path = MakeDocument("damaged.kdx", &id, true);
  EntryWindow* window = OpenEntryWindow(path, id);
  ASSERT_NE(window, nullptr);
  EXPECT_FALSE(window->bodyEditable());
  EXPECT_TRUE(window->body()->isReadOnly());
  EXPECT_EQ(alerts_, (std::vector<std::string>{
                         "本文を読み込めませんでした。この文章の本文は編集・保存できません。"}));
  const std::vector<uint8_t> before = kdx_test::ReadAll(path);
  QTest::keyClicks(window->body(), "typed");
  window->body()->textCursor().insertText("forced in");  // past the read-only flag
  Leave(window);
  window->close();
  QApplication::processEvents();
  EXPECT_EQ(kdx_test::ReadAll(path), before);
  EXPECT_EQ(StoredText(id, KdxBlockKind::kText), "hello\r\nthere");
}

TEST_F(EntryWindowTest, OpenWindowsComeBackWhenTheDocumentOpensAgain) {
  const std::string path = dir_.File("restore.kdx");
  std::vector<int32_t> ids;
  {
    kdx_test::TestDocument doc(path);
    for (const char* title : {"一", "二", "三"}) ids.push_back(doc.Add(title).en_id);
    doc.Save();
  }
  document_ = Open(path);
  ASSERT_NE(document_, nullptr);
  document_->entryWindows()->OpenEntries({ids[0]});
  document_->entryWindows()->OpenEntries({ids[2]});
  ASSERT_EQ(document_->entryWindows()->windows().size(), 2u);
  EntryWindow* first = document_->entryWindows()->Find(ids[0]);
  first->resize(600, 500);
  first->move(50, 60);
  Close(document_);

  document_ = Open(path);
  ASSERT_NE(document_, nullptr);
  QApplication::processEvents();
  KdxEntryWindows* windows = document_->entryWindows();
  ASSERT_EQ(windows->windows().size(), 2u);
  ASSERT_NE(windows->Find(ids[0]), nullptr);
  ASSERT_NE(windows->Find(ids[2]), nullptr);
  EXPECT_EQ(windows->Find(ids[1]), nullptr);
  // An entry that never had a window keeps its 0: closing a document does not
  // rewrite every entry of it.
  EXPECT_EQ(Stored(ids[1]).en_window_z_index, 0);
  EXPECT_EQ(windows->Find(ids[0])->size(), QSize(600, 500));
  EXPECT_EQ(windows->Find(ids[0])->pos(), QPoint(50, 60));
  // The document window was in front when it closed, then the last opened.
  EXPECT_LT(KdxOrderedIndex(document_), KdxOrderedIndex(windows->Find(ids[2])));
  EXPECT_LT(KdxOrderedIndex(windows->Find(ids[2])), KdxOrderedIndex(windows->Find(ids[0])));
}

}  // namespace
