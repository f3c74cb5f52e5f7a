// Finding and replacing in the body, the wrap modes and the title taken from
// a selection: the searching as plain functions on a document, then the
// panel and the commands driven in a real entry window, judged by what the
// window shows and what the document file holds.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <functional>
#include <string>

#include "core/content/entry_content.h"
#include "core/prefs/pref_file.h"
#include "core/util/vell_mem.h"
#include "gui/app/body_text_edit.h"
#include "gui/app/entry_window.h"
#include "gui/app/entry_window_options.h"
#include "gui/app/find_body_window.h"
#include "gui/app/find_replace.h"
#include "gui_test.h"
#include "richtext/body_format.h"
#include "support/test_document.h"

namespace {

// ---- The searching -------------------------------------------------------------

QTextCursor Selecting(QTextDocument* doc, int start, int end) {
  QTextCursor cursor(doc);
  cursor.setPosition(start);
  cursor.setPosition(end, QTextCursor::KeepAnchor);
  return cursor;
}

TEST(FindReplace, FindMovesOnFromAMatchWrapsOnlyWhenAskedAndMindsCase) {
  QTextDocument doc(QStringLiteral("apple Apple\napple"));
  // A selected match is passed over: the next one is found.
  QTextCursor cursor = Selecting(&doc, 0, 5);
  EXPECT_EQ(KdxFindBody(&cursor, QStringLiteral("apple"), {}), kKdxFindFound);
  EXPECT_EQ(cursor.selectionStart(), 12);  // "Apple" does not count with case minded
  // After the last one: nothing without wrapping, the first one with it.
  EXPECT_EQ(KdxFindBody(&cursor, QStringLiteral("apple"), {}), kKdxFindNotFound);
  EXPECT_EQ(cursor.selectionStart(), 12);
  EXPECT_EQ(KdxFindBody(&cursor, QStringLiteral("apple"), {false, false, true}), kKdxFindWrapped);
  EXPECT_EQ(cursor.selectionStart(), 0);
  // Ignoring case, "Apple" is the next one.
  EXPECT_EQ(KdxFindBody(&cursor, QStringLiteral("apple"), {false, true, false}), kKdxFindFound);
  EXPECT_EQ(cursor.selectionStart(), 6);
  // "Apple" selected is a match too when case is ignored: the next is found.
  EXPECT_EQ(KdxFindBody(&cursor, QStringLiteral("apple"), {false, true, false}), kKdxFindFound);
  EXPECT_EQ(cursor.selectionStart(), 12);
  // Backward from the caret in "Apple": the occurrence ending before it.
  cursor.setPosition(8);
  EXPECT_EQ(KdxFindBody(&cursor, QStringLiteral("apple"), {true, true, false}), kKdxFindFound);
  EXPECT_EQ(cursor.selectionStart(), 0);
  EXPECT_EQ(KdxFindBody(&cursor, QStringLiteral("apple"), {true, true, false}), kKdxFindNotFound);
  EXPECT_EQ(KdxFindBody(&cursor, QStringLiteral("apple"), {true, true, true}), kKdxFindWrapped);
  EXPECT_EQ(cursor.selectionStart(), 12);
  EXPECT_EQ(KdxFindBody(&cursor, QString(), {false, true, true}), kKdxFindNotFound);
}

TEST(FindReplace, ReplaceIsOneUndoableEditInTheMatchFormat) {
  QTextDocument doc;
  QTextCursor setup(&doc);
  setup.insertText(QStringLiteral("say "));
  QTextCharFormat bold;
  bold.setFontWeight(QFont::Bold);
  setup.insertText(QStringLiteral("hello"), bold);
  setup.insertText(QStringLiteral(" there"), QTextCharFormat());

  // Nothing selected, or something else: no match, nothing changes.
  QTextCursor cursor(&doc);
  EXPECT_EQ(KdxReplaceBody(&cursor, QStringLiteral("hello"), QStringLiteral("bye"), false, true),
            kKdxReplaceNoMatch);
  cursor = Selecting(&doc, 4, 9);
  EXPECT_EQ(KdxReplaceBody(&cursor, QStringLiteral("HELLO"), QStringLiteral("bye"), false, true),
            kKdxReplaceNoMatch);
  EXPECT_EQ(doc.toPlainText(), QStringLiteral("say hello there"));

  // Selected from its end to its start, as a backward drag does.
  cursor = Selecting(&doc, 9, 4);
  EXPECT_EQ(
      KdxReplaceBody(&cursor, QStringLiteral("HELLO"), QStringLiteral("good day"), true, true),
      kKdxReplaceDone);
  EXPECT_EQ(doc.toPlainText(), QStringLiteral("say good day there"));
  EXPECT_FALSE(cursor.hasSelection());
  EXPECT_EQ(cursor.position(), 12);
  QTextCursor inserted = Selecting(&doc, 6, 7);
  EXPECT_EQ(inserted.charFormat().fontWeight(), QFont::Bold);
  doc.undo();
  EXPECT_EQ(doc.toPlainText(), QStringLiteral("say hello there"));
}

TEST(FindReplace, ReplaceAllReplacesWhatWasThereAndEnds) {
  QTextDocument doc(QStringLiteral("cat dog cat\ncat"));
  QTextCursor cursor(&doc);
  EXPECT_EQ(KdxReplaceAllBody(&cursor, QStringLiteral("cat"), QStringLiteral("cow"), false, true),
            3);
  EXPECT_EQ(doc.toPlainText(), QStringLiteral("cow dog cow\ncow"));
  EXPECT_EQ(cursor.position(), 15);
  doc.undo();  // one edit
  EXPECT_EQ(doc.toPlainText(), QStringLiteral("cat dog cat\ncat"));
  doc.redo();
  // A replacement holding the word: only the occurrences there before.
  EXPECT_EQ(
      KdxReplaceAllBody(&cursor, QStringLiteral("cow"), QStringLiteral("cowcow"), false, true), 3);
  EXPECT_EQ(doc.toPlainText(), QStringLiteral("cowcow dog cowcow\ncowcow"));
  // Case folding beyond ASCII: search and selection test agree, so it ends.
  doc.setPlainText(QStringLiteral("café CAFÉ Café"));
  EXPECT_EQ(KdxReplaceAllBody(&cursor, QStringLiteral("café"), QStringLiteral("tea"), true, true),
            3);
  EXPECT_EQ(doc.toPlainText(), QStringLiteral("tea tea tea"));
  // A body that may not change: nothing replaced, and no endless loop.
  EXPECT_EQ(KdxReplaceAllBody(&cursor, QStringLiteral("tea"), QStringLiteral("x"), false, false),
            0);
  EXPECT_EQ(KdxReplaceAllBody(&cursor, QString(), QStringLiteral("x"), false, true), 0);
  EXPECT_EQ(doc.toPlainText(), QStringLiteral("tea tea tea"));
}

// ---- The window ----------------------------------------------------------------

class EntryFindTest : public GuiTest {
 protected:
  // A document with entries whose bodies are the given texts, opened with
  // the first entry's window.
  EntryWindow* OpenWindow(const std::string& name, const std::vector<QString>& bodies) {
    const std::string path = dir_.File(name);
    {
      kdx_test::TestDocument doc(path);
      for (const QString& text : bodies) ids_.push_back(AddTextEntry(doc, "Memo", text).en_id);
      doc.Save();
    }
    document_ = Open(path);
    if (document_ == nullptr) return nullptr;
    return OpenEntry(ids_[0]);
  }
  EntryWindow* OpenEntry(int32_t id) {
    EntryWindow* window = ShowEntry(document_, id);
    if (window != nullptr) window->body()->setFocus();
    QApplication::processEvents();
    return window;
  }
  KDX_ENTRY Stored(int32_t id) { return *document_->session().FindEntry(id); }
  std::string StoredText(int32_t id) {
    std::string text;
    (void)KDX_LoadBlockText(document_->session().path().c_str(), Stored(id), KdxBlockKind::kText,
                            &text);
    return text;
  }
  // Acts on the next modal dialog as soon as it shows.
  static void WhenModal(std::function<void(QWidget*)> act) {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
      QWidget* modal = QApplication::activeModalWidget();
      if (modal == nullptr) return;
      timer->stop();
      timer->deleteLater();
      act(modal);
    });
    timer->start(10);
  }
  static void Click(QWidget* dialog, const QString& text) {
    for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
      if (button->text() == text) {
        button->click();
        return;
      }
    }
    ADD_FAILURE() << "no button " << text.toStdString();
  }

  std::vector<int32_t> ids_;
  KdxDocument* document_ = nullptr;
};

TEST_F(EntryFindTest, ThePanelFindsReplacesAndRemembersPerEntry) {
  EntryWindow* window = OpenWindow(
      "find.kdx", {QStringLiteral("one apple, two Apple, three apple"), QStringLiteral("other")});
  ASSERT_NE(window, nullptr);
  KdxEntryFind* find = KdxEntryFind::Of(window);
  ASSERT_NE(find, nullptr);
  EXPECT_TRUE(find->action("FindNext")->isEnabled());  // the body has the focus
  window->titleField()->setFocus();
  QApplication::processEvents();
  EXPECT_FALSE(find->action("FindNext")->isEnabled());
  window->body()->setFocus();
  QApplication::processEvents();
  EXPECT_TRUE(find->action("Replace")->isEnabled());
  ASSERT_EQ(PREF_WriteInteger(kPrefFindBodyIsLoopKey, 0), 1);
  ASSERT_EQ(PREF_WriteInteger(kPrefFindBodyIsCaseInsensitiveKey, 0), 1);

  {
    FindBodyWindow panel(find);
    panel.show();
    EXPECT_TRUE(panel.caseCheck()->isChecked());  // case matters
    EXPECT_FALSE(panel.loopCheck()->isChecked());
    EXPECT_TRUE(panel.findBox()->currentText().isEmpty());
    panel.findBox()->setEditText(QStringLiteral("apple"));
    panel.FindNext();
    EXPECT_EQ(panel.result(), 1);  // found: the panel closes on it
  }
  EXPECT_EQ(window->body()->textCursor().selectedText(), QStringLiteral("apple"));
  EXPECT_EQ(window->body()->textCursor().selectionStart(), 4);
  find->FindNext();  // the menu command, with the document's string: skips "Apple"
  EXPECT_EQ(window->body()->textCursor().selectionStart(), 28);

  {
    FindBodyWindow panel(find);
    panel.show();
    EXPECT_EQ(panel.findBox()->currentText(), QStringLiteral("apple"));
    panel.FindNext();  // past the last one, without wrapping
    EXPECT_EQ(panel.message()->text(), QStringLiteral("見つかりませんでした。"));
    EXPECT_TRUE(panel.isVisible());
    panel.loopCheck()->click();
    int32_t loop = 0;
    PREF_ReadInteger(kPrefFindBodyIsLoopKey, &loop);
    EXPECT_EQ(loop, 1);
    panel.FindNext();
    EXPECT_EQ(window->body()->textCursor().selectionStart(), 4);
    EXPECT_EQ(panel.message()->text(), QStringLiteral("周回しました。"));
  }
  {
    FindBodyWindow panel(find);
    panel.show();
    panel.caseCheck()->click();  // off: case ignored
    int32_t ignoreCase = 0;
    PREF_ReadInteger(kPrefFindBodyIsCaseInsensitiveKey, &ignoreCase);
    EXPECT_EQ(ignoreCase, 1);
    QTextCursor caret = window->body()->textCursor();
    caret.setPosition(0);
    window->body()->setTextCursor(caret);
    panel.replaceBox()->setEditText(QStringLiteral("pear"));
    panel.Replace();
    EXPECT_EQ(panel.message()->text(), QStringLiteral("選択部分が一致しません。"));
    panel.ReplaceAll();
    EXPECT_EQ(panel.message()->text(), QStringLiteral("3件置換しました。"));
    EXPECT_TRUE(panel.isVisible());
    Shoot(&panel, "find_body_window");
    panel.Close();
  }
  EXPECT_EQ(window->body()->toPlainText(), QStringLiteral("one pear, two pear, three pear"));
  // The replacement is an edit of the body like typing: leaving saves it.
  window->autoSaveEntry();
  EXPECT_EQ(StoredText(ids_[0]), "one pear, two pear, three pear");

  // The lists offer what this entry used; the strings belong to the document.
  {
    FindBodyWindow panel(find);
    EXPECT_EQ(panel.findBox()->count(), 1);
    EXPECT_EQ(panel.findBox()->itemText(0), QStringLiteral("apple"));
    EXPECT_EQ(panel.replaceBox()->itemText(0), QStringLiteral("pear"));
  }
  EntryWindow* other = OpenEntry(ids_[1]);
  ASSERT_NE(other, nullptr);
  FindBodyWindow panel(KdxEntryFind::Of(other));
  EXPECT_EQ(panel.findBox()->count(), 0);
  EXPECT_EQ(panel.findBox()->currentText(), QStringLiteral("apple"));
  EXPECT_EQ(panel.replaceBox()->currentText(), QStringLiteral("pear"));
  EXPECT_TRUE(alerts_.empty());
}

TEST_F(EntryFindTest, WrapModesChangeInPlaceAndTheWidthIsKeptWithinBounds) {
  EntryWindow* window = OpenWindow("wrap.kdx", {QStringLiteral("plain words")});
  ASSERT_NE(window, nullptr);
  KdxEntryOptions* options = KdxEntryOptions::Of(window);
  ASSERT_NE(options, nullptr);
  const int32_t id = ids_[0];

  // Bold on a word, not saved yet, survives the change of mode and is saved.
  QTextCursor word = window->body()->textCursor();
  word.setPosition(0);
  word.setPosition(5, QTextCursor::KeepAnchor);
  QTextCharFormat bold;
  bold.setFontWeight(QFont::Bold);
  word.mergeCharFormat(bold);
  options->wrapNothing();
  // Laid out anew, not reloaded: the edit can still be undone.
  EXPECT_TRUE(window->body()->document()->isUndoAvailable());
  EXPECT_EQ(Stored(id).en_turn, 2);
  EXPECT_EQ(window->body()->lineWrapMode(), QTextEdit::NoWrap);
  EXPECT_TRUE(options->wrapAction(2)->isChecked());
  QTextCursor first(window->body()->document());
  first.setPosition(1);
  EXPECT_EQ(first.charFormat().fontWeight(), QFont::Bold);
  first.setPosition(9);
  EXPECT_EQ(first.charFormat().fontWeight(), QFont::Normal);
  QTextDocument reread;
  uint8_t* raw = nullptr;
  const int32_t size = KDX_LoadBOContainer(document_->session().path().c_str(), Stored(id), &raw);
  ASSERT_GT(size, 0);
  ASSERT_EQ(kdx_richtext::BodyToDocument(QByteArray(reinterpret_cast<char*>(raw), size), &reread),
            kdx_richtext::BodyStatus::ok);
  Vell_MallocFree(raw);
  QTextCursor storedFirst(&reread);
  storedFirst.setPosition(1);
  EXPECT_EQ(storedFirst.charFormat().fontWeight(), QFont::Bold);

  // A width too small or not a number is 30.
  WhenModal([](QWidget* dialog) {
    static_cast<DocumentWidthDlg*>(dialog)->field()->setText(QStringLiteral("abc"));
    Shoot(dialog, "document_width");
    Click(dialog, QStringLiteral("OK"));
  });
  options->wrapDocumentWidth();
  EXPECT_EQ(Stored(id).en_turn, 3);
  EXPECT_STREQ(Stored(id).en_turn_width, "30");
  EXPECT_EQ(window->body()->lineWrapMode(), QTextEdit::FixedPixelWidth);
  WhenModal([](QWidget* dialog) {
    static_cast<DocumentWidthDlg*>(dialog)->field()->setText(QStringLiteral("10"));
    Click(dialog, QStringLiteral("OK"));
  });
  options->wrapDocumentWidth();
  EXPECT_STREQ(Stored(id).en_turn_width, "30");

  // Cancelled: mode, width and file as they were.
  options->wrapWindowWidth();
  const std::vector<uint8_t> before = kdx_test::ReadAll(document_->session().path());
  WhenModal([](QWidget* dialog) {
    static_cast<DocumentWidthDlg*>(dialog)->field()->setText(QStringLiteral("700"));
    Click(dialog, QStringLiteral("キャンセル"));
  });
  options->wrapDocumentWidth();
  EXPECT_EQ(Stored(id).en_turn, 1);
  EXPECT_STREQ(Stored(id).en_turn_width, "30");
  EXPECT_TRUE(options->wrapAction(1)->isChecked());
  EXPECT_EQ(window->body()->lineWrapMode(), QTextEdit::WidgetWidth);
  EXPECT_EQ(kdx_test::ReadAll(document_->session().path()), before);
  EXPECT_TRUE(alerts_.empty());
}

TEST_F(EntryFindTest, ASelectionBecomesAOneLineTitle) {
  EntryWindow* window = OpenWindow(
      "title.kdx", {QStringLiteral("first line\nsecond line\n") + QString(171, QChar(0x3042))});
  ASSERT_NE(window, nullptr);
  KdxEntryOptions* options = KdxEntryOptions::Of(window);
  KdxBodyTextEdit* body = window->body();
  const int32_t id = ids_[0];

  QTextCursor cursor = body->textCursor();
  cursor.setPosition(6);
  cursor.setPosition(17, QTextCursor::KeepAnchor);  // "line\nsecond"
  body->setTextCursor(cursor);
  QString proposed;
  WhenModal([&proposed](QWidget* dialog) {
    auto* confirm = static_cast<SelectionStringToTitleDlg*>(dialog);
    proposed = confirm->newTitleField()->text();
    confirm->newTitleField()->setText(proposed + QStringLiteral("\tedited"));
    Shoot(dialog, "selection_to_title");
    Click(dialog, QStringLiteral("OK"));
  });
  options->selectionStringToTitle();
  EXPECT_EQ(proposed, QStringLiteral("linesecond"));
  EXPECT_STREQ(Stored(id).en_title, "linesecondedited");
  EXPECT_EQ(window->windowTitle(), QString("linesecondedited（%1）").arg(id));

  // 170 units are offered, 171 refused with the message.
  const int start = 23;
  cursor.setPosition(start);
  cursor.setPosition(start + 170, QTextCursor::KeepAnchor);
  body->setTextCursor(cursor);
  WhenModal([&proposed](QWidget* dialog) {
    proposed = static_cast<SelectionStringToTitleDlg*>(dialog)->newTitleField()->text();
    Click(dialog, QStringLiteral("キャンセル"));
  });
  options->selectionStringToTitle();
  EXPECT_EQ(proposed.size(), 170);
  EXPECT_STREQ(Stored(id).en_title, "linesecondedited");
  EXPECT_TRUE(alerts_.empty());
  cursor.setPosition(start + 171, QTextCursor::KeepAnchor);
  body->setTextCursor(cursor);
  options->selectionStringToTitle();
  EXPECT_EQ(alerts_, (std::vector<std::string>{"選択されている文字列が長すぎるため、"
                                               "文章名に設定することができませんでした。"}));
}

}  // namespace
