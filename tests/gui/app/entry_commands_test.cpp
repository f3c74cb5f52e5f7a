// The entry window's commands driven through its actions, checked against
// what the document file holds; dragging an attachment out; and text typed
// through an input method.
#include <gtest/gtest.h>

#include <QAction>
#include <QBuffer>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QTableView>
#include <QTest>
#include <QTextCursor>
#include <QUrl>
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/content/entry_content.h"
#include "core/document/color_label.h"
#include "core/prefs/pref_file.h"
#include "gui/app/attachment_drag.h"
#include "gui/app/body_text_edit.h"
#include "gui/app/entry_list_model.h"
#include "gui/app/entry_window.h"
#include "gui/app/entry_window_commands.h"
#include "gui/app/entry_window_logic.h"
#include "gui/app/label_dialog.h"
#include "gui_test.h"
#include "richtext/attachments.h"
#include "richtext/body_format.h"
#include "support/test_document.h"

namespace {

TEST(EntryCommandsLogic, MenuStateAndTheCopysFrame) {
  KDX_ENTRY entry{};
  entry.en_co_id = 3;
  entry.en_encrypt = 1;
  entry.en_turn = 7;
  const KdxEntryMenuState state = KdxGetEntryMenuState(&entry, false, false);
  EXPECT_TRUE(state.enabled);
  EXPECT_EQ(state.checkedLabel, 3);
  EXPECT_FALSE(state.encrypt);
  EXPECT_TRUE(state.decrypt);
  EXPECT_FALSE(state.bodyCommands);
  EXPECT_EQ(state.checkedTurn, 2);  // an unknown mode shows as no wrapping
  EXPECT_TRUE(KdxGetEntryMenuState(&entry, false, true).bodyCommands);
  // Busy: everything off, the entry not even looked at.
  const KdxEntryMenuState busy = KdxGetEntryMenuState(&entry, true, true);
  EXPECT_FALSE(busy.enabled || busy.decrypt || busy.bodyCommands || busy.missing);
  const KdxEntryMenuState missing = KdxGetEntryMenuState(nullptr, false, true);
  EXPECT_TRUE(missing.missing);
  EXPECT_FALSE(missing.enabled || missing.encrypt || missing.decrypt);

  // The source's size, placed beside the front window; without a stored
  // frame a new window's size; off the screen at the top left.
  KdxSetEntryFrame(&entry, {100, 100, 600, 800});
  EXPECT_EQ(KdxCopyWindowFrame(entry, 484, 546, KdxWindowRect{100, 100, 600, 800}, 1920, 1080),
            (KdxWindowRect{118, 118, 618, 818}));
  EXPECT_EQ(KdxCopyWindowFrame(entry, 484, 546, KdxWindowRect{1500, 600, 2000, 1300}, 1920, 1080),
            (KdxWindowRect{0, 0, 500, 700}));
  KdxSetEntryFrame(&entry, {0, 0, 0, 0});
  EXPECT_EQ(KdxCopyWindowFrame(entry, 484, 546, KdxWindowRect{10, 10, 20, 20}, 1920, 1080),
            (KdxWindowRect{28, 28, 512, 574}));
}

class EntryCommandsTest : public GuiTest {
 protected:
  // A document with entries of those titles, each with body and text "hello",
  // and the first one's window open.
  EntryWindow* OpenWindow(const std::vector<std::string>& titles, bool encrypted = false) {
    path_ = dir_.File("commands.kdx");
    {
      kdx_test::TestDocument doc(path_);
      for (const std::string& title : titles) {
        ids_.push_back(AddTextEntry(doc, title, QStringLiteral("hello"), encrypted).en_id);
      }
      doc.Save();
    }
    document_ = Open(path_);
    if (document_ == nullptr) return nullptr;
    return ShowEntry(document_, ids_[0]);
  }
  // The record as the file holds it, read beside the open document.
  KDX_ENTRY OnDisk(int32_t id) {
    KdxSession inspect;
    EXPECT_EQ(inspect.Open(path_, KdxAccess::kInspect), KdxOpenResult::kOk);
    return inspect.FindEntry(id).value_or(KDX_ENTRY{});
  }
  KDX_ENTRY Stored(int32_t id) { return document_->session().FindEntry(id).value_or(KDX_ENTRY{}); }
  static QAction* Command(EntryWindow* window, const char* name) {
    window->commands()->validateMenuItem();
    return window->commands()->action(name);
  }

  std::string path_;
  std::vector<int32_t> ids_;
  KdxDocument* document_ = nullptr;
};

TEST_F(EntryCommandsTest, ALabelIsCheckedSavedAtOnceAndColoursTheListRow) {
  EntryWindow* window = OpenWindow({"Memo"});
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(Command(window, "setColorLabelName_0")->isChecked());
  Command(window, "setColorLabelName_3")->trigger();
  for (int label = 0; label < kKdxColorLabelCount; ++label) {
    const QString name = QStringLiteral("setColorLabelName_%1").arg(label);
    EXPECT_EQ(Command(window, name.toLatin1().constData())->isChecked(), label == 3) << label;
  }
  EXPECT_EQ(OnDisk(ids_[0]).en_co_id, 3);  // in the file, not only in memory
  KDX_COLOR_LABEL three{};
  ASSERT_EQ(CO_GetData(document_->session().data().colorLabelAry, 3, &three), 1);
  const QVariant row =
      document_->entryModel()->data(document_->entryModel()->index(0, 0), Qt::ForegroundRole);
  EXPECT_EQ(row.value<QBrush>().color().rgb(), KdxLabelQColor(three).rgb());
  EXPECT_TRUE(alerts_.empty());
  if (const char* shots = std::getenv("KDX_SCREENSHOTS")) {
    for (const char* name : {"CopyEntry", "setColorLabelName_0"}) {
      auto* shown = qobject_cast<QMenu*>(Command(window, name)->parent());
      shown->popup({0, 0});
      shown->grab().save(QString::fromUtf8(shots) + "/" + shown->title() + ".png");
      shown->hide();
    }
  }
}

TEST_F(EntryCommandsTest, ACopyOfATitleTooLongForTheNumberingIsSaidAndOpened) {
  std::string full;
  for (int i = 0; i < 56; ++i) full += "あ";
  EntryWindow* window = OpenWindow({full});
  ASSERT_NE(window, nullptr);
  window->resize(400, 400);
  window->move(20, 20);
  Command(window, "CopyEntry")->trigger();
  ASSERT_EQ(alerts_.size(), 1u);
  EXPECT_EQ(alerts_[0], "文章名が 512 バイトを超えたため、コピー元と同じ文章名「" + full +
                            "」で新しい文章を作成しました。");
  const std::vector<int32_t> ids = document_->session().EntryIds();
  ASSERT_EQ(ids.size(), 2u);
  const KDX_ENTRY copy = OnDisk(ids[1]);
  EXPECT_STREQ(copy.en_title, full.c_str());
  EXPECT_EQ(copy.en_is_select_entrylist, 0);
  EXPECT_STRNE(OnDisk(ids_[0]).en_use_date, "");
  EntryWindow* copied = document_->entryWindows()->Find(ids[1]);
  ASSERT_NE(copied, nullptr);
  EXPECT_EQ(copied->pos(), window->pos() + QPoint(18, 18));
  EXPECT_EQ(copied->size(), window->size());
}

TEST_F(EntryCommandsTest, DeleteAsksAndCancelLeavesEverything) {
  EntryWindow* window = OpenWindow({"Memo", "Other"});
  ASSERT_NE(window, nullptr);
  QTest::keyClicks(window->body(), "unsaved ");
  const std::vector<uint8_t> before = kdx_test::ReadAll(path_);
  answer_ = 2;
  Command(window, "DeleteEntry")->trigger();
  EXPECT_EQ(alerts_, (std::vector<std::string>{"「Memo」を削除します。よろしいですか？"}));
  EXPECT_EQ(kdx_test::ReadAll(path_), before);
  EXPECT_EQ(document_->entryWindows()->Find(ids_[0]), window);

  answer_ = 1;
  Command(window, "DeleteEntry")->trigger();
  QApplication::processEvents();
  EXPECT_EQ(document_->entryWindows()->Find(ids_[0]), nullptr);
  EXPECT_EQ(document_->session().EntryIds(), (std::vector<int32_t>{ids_[1]}));
  EXPECT_EQ(OnDisk(ids_[0]).en_id, 0);
  EXPECT_EQ(document_->entryModel()->rowCount({}), 1);
}

TEST_F(EntryCommandsTest, EncryptingSavesTheEditsAndTheFlagsWithTheBlocks) {
  EntryWindow* window = OpenWindow({"Memo"});
  ASSERT_NE(window, nullptr);
  auto* lock = window->findChild<QLabel*>(QStringLiteral("m_Image_LockIcon"));
  EXPECT_FALSE(lock->isVisible());
  EXPECT_FALSE(Command(window, "EncryptOFF")->isEnabled());
  window->body()->moveCursor(QTextCursor::End);
  QTest::keyClicks(window->body(), " world");
  Command(window, "EncryptON")->trigger();

  const KDX_ENTRY stored = OnDisk(ids_[0]);
  EXPECT_EQ(stored.en_encrypt, 1);
  // The flags on disk read the blocks on disk: the text deciphers to what was typed.
  std::string text;
  ASSERT_GE(KDX_LoadBlockText(path_.c_str(), stored, KdxBlockKind::kText, &text), 0);
  EXPECT_EQ(text, "hello world");
  EXPECT_TRUE(lock->isVisible());
  EXPECT_FALSE(Command(window, "EncryptON")->isEnabled());
  EXPECT_TRUE(Command(window, "EncryptOFF")->isEnabled());
  EXPECT_TRUE(alerts_.empty());
}

TEST_F(EntryCommandsTest, ExportWritesWhatTheWindowShowsAndSaysWhatShiftJisLacks) {
  EntryWindow* window = OpenWindow({"Memo"});
  ASSERT_NE(window, nullptr);
  ASSERT_STREQ(Stored(ids_[0]).en_encode, "S-JIS");
  window->body()->moveCursor(QTextCursor::End);
  window->body()->textCursor().insertText(QStringLiteral(" 世界 😀"));
  const std::string folder = dir_.File("out");
  ASSERT_TRUE(QDir().mkpath(QString::fromStdString(folder)));
  window->commands()->ExportTo(QString::fromStdString(folder));
  EXPECT_EQ(alerts_, (std::vector<std::string>{"一部の文字が Shift JIS に変換できませんでした。"}));
  const QStringList files = QDir(QString::fromStdString(folder)).entryList(QDir::Files);
  ASSERT_EQ(files.size(), 1);
  QFile file(QString::fromStdString(folder) + '/' + files[0]);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_TRUE(file.readAll().startsWith(QByteArray("hello \x90\xa2\x8a\x45 ")));
  std::string remembered;
  PREF_ReadFilePath(kPrefExportFileKey, remembered);
  EXPECT_EQ(remembered, folder);
  EXPECT_STRNE(OnDisk(ids_[0]).en_use_date, "");
}

TEST_F(EntryCommandsTest, ADraggedAttachmentIsWrittenPrivatelyOnlyWhenDraggedAndRemovedAtClose) {
  EntryWindow* window = OpenWindow({"Secret"}, true);
  ASSERT_NE(window, nullptr);
  KdxBodyTextEdit* body = window->body();
  QTextCursor cursor(body->document());
  kdx_richtext::InsertAttachment(cursor, QStringLiteral("plan.txt"), "top secret");
  EXPECT_TRUE(body->dragFolder().path().isEmpty());  // nothing written before a drag

  std::unique_ptr<QMimeData> mime(KdxAttachmentMimeData(body->dragFolder(), *body->document(), 0));
  ASSERT_NE(mime, nullptr);
  ASSERT_EQ(mime->urls().size(), 1);
  const QString file = mime->urls()[0].toLocalFile();
  EXPECT_EQ(QFileInfo(file).fileName(), QStringLiteral("plan.txt"));
  QFile read(file);
  ASSERT_TRUE(read.open(QIODevice::ReadOnly));
  EXPECT_EQ(read.readAll(), QByteArray("top secret"));
  const QString folder = body->dragFolder().path();
  EXPECT_TRUE(file.startsWith(folder + '/'));
  EXPECT_TRUE(folder.startsWith(app_.temporaryFolder() + '/'));
  const auto owner = QFile::ReadOwner | QFile::WriteOwner;
  const auto others = QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther |
                      QFile::ExeGroup | QFile::ExeOther;
  EXPECT_EQ(QFile::permissions(file) & (owner | others), owner);
  EXPECT_EQ(QFile::permissions(folder) & others, QFile::Permissions());
  EXPECT_EQ(QFile::permissions(app_.temporaryFolder()) & others, QFile::Permissions());
  // The same name again gets a folder of its own; a name with a path is cut
  // to its file name.
  EXPECT_NE(body->dragFolder().Write(QStringLiteral("plan.txt"), "x"), file);
  EXPECT_TRUE(body->dragFolder().Write(QStringLiteral("../../escape"), "x").startsWith(folder));
  EXPECT_EQ(KdxAttachmentMimeData(body->dragFolder(), *body->document(), 1), nullptr);

  // A press on a picture starts its drag; a press on text does not.
  QImage picture(40, 40, QImage::Format_RGB32);
  picture.fill(Qt::red);
  QByteArray png;
  QBuffer buffer(&png);
  ASSERT_TRUE(buffer.open(QIODevice::WriteOnly) && picture.save(&buffer, "PNG"));
  cursor.movePosition(QTextCursor::End);
  cursor.insertText(QStringLiteral("\n"));
  const int at = cursor.position();
  kdx_richtext::InsertAttachment(cursor, QStringLiteral("red.png"), png);
  QTextCursor before(body->document());
  before.setPosition(at);
  const QRect caret = body->cursorRect(before);
  EXPECT_EQ(body->AttachmentPositionAt(caret.bottomLeft() + QPoint(20, -20)), at);
  EXPECT_EQ(body->AttachmentPositionAt(caret.bottomLeft() + QPoint(200, -20)), -1);

  window->close();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(QFileInfo::exists(folder));
}

TEST_F(EntryCommandsTest, TextBeingComposedIsSavedOnlyOnceCommitted) {
  EntryWindow* window = OpenWindow({"Memo"});
  ASSERT_NE(window, nullptr);
  QWidget* fields[] = {window->body(), window->note(), window->titleField(),
                       window->categoryCombo(1)->lineEdit()};
  for (QWidget* field : fields) {
    EXPECT_TRUE(field->testAttribute(Qt::WA_InputMethodEnabled))
        << field->objectName().toStdString();
    field->setFocus();
    QInputMethodEvent composing(QStringLiteral("にほん"), {});
    QApplication::sendEvent(field, &composing);
  }
  window->saveEntry();
  KDX_ENTRY stored = OnDisk(ids_[0]);
  std::string text;
  (void)KDX_LoadBlockText(path_.c_str(), stored, KdxBlockKind::kText, &text);
  EXPECT_EQ(text.find("にほん"), std::string::npos);
  EXPECT_STREQ(stored.en_title, "Memo");
  EXPECT_STREQ(stored.en_cat1_name, "仕事");

  for (QWidget* field : fields) {
    field->setFocus();
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("日本"));
    QApplication::sendEvent(field, &commit);
  }
  window->saveEntry();
  stored = OnDisk(ids_[0]);
  (void)KDX_LoadBlockText(path_.c_str(), stored, KdxBlockKind::kText, &text);
  EXPECT_EQ(text, "日本hello");
  std::string note;
  (void)KDX_LoadBlockText(path_.c_str(), stored, KdxBlockKind::kNote, &note);
  EXPECT_EQ(note, "日本");
  EXPECT_STREQ(stored.en_title, "Memo日本");
  EXPECT_STREQ(stored.en_cat1_name, "仕事日本");
}

}  // namespace
