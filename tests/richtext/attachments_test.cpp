// Attachment names and how attachments sit in a QTextDocument.
#include "richtext/attachments.h"

#include <gtest/gtest.h>

#include <QTextCursor>
#include <QTextDocument>

namespace kdx_richtext {
namespace {

// Only the plain last part is kept, without NUL and control characters; a
// name that names no file becomes "attachment".
TEST(SafeAttachmentName, KeepsOnlyAPlainLastPart) {
  const std::pair<QString, QString> cases[] = {
      {"../x", "x"},
      {"a/b", "b"},
      {"/etc/passwd", "passwd"},
      {"dir/", "dir"},
      {"写真 1.png", "写真 1.png"},
      {QString::fromUtf8("a\0b\nc\x7f.txt", 10), "abc.txt"},
      {"", "attachment"},
      {".", "attachment"},
      {"..", "attachment"},
      {"a/..", "attachment"},
      {"///", "attachment"},
      {QString::fromLatin1("\x01\x1f", 2), "attachment"},
  };
  for (const auto& [name, safe] : cases) {
    EXPECT_EQ(SafeAttachmentName(name), safe) << name.toStdString();
  }
}

TEST(SafeAttachmentName, CutsTo200BytesAtACharacterBoundary) {
  // 100 characters of 3 bytes each: 66 fit in 200 bytes.
  const QString name(100, QChar(0x3042));
  const QString safe = SafeAttachmentName(name);
  EXPECT_EQ(safe.toUtf8().size(), 198);
  EXPECT_EQ(safe, QString(66, QChar(0x3042)));
  // A pair of surrogates is never split: 50 four-byte characters, 50 fit.
  QString emoji;
  for (int i = 0; i < 60; ++i) emoji += QString::fromUtf8("😀");
  const QString cut = SafeAttachmentName(emoji);
  EXPECT_EQ(cut.toUtf8().size(), 200);
  EXPECT_FALSE(cut.back().isHighSurrogate());
}

TEST(InsertAttachment, AddsOneObjectCharacterWithNameAndBytes) {
  QTextDocument document;
  QTextCursor cursor(&document);
  cursor.insertText("a");
  const QString name = InsertAttachment(cursor, "../pic.png", QByteArray("\x00\x01png", 5), 30, 20);
  cursor.insertText("b");
  EXPECT_EQ(name, "pic.png");
  EXPECT_EQ(document.toRawText(), QString("a") + QChar(0xFFFC) + "b");

  const QTextCursor at = document.find(QString(QChar(0xFFFC)));
  const QTextCharFormat format = at.charFormat();
  ASSERT_TRUE(format.isImageFormat());
  EXPECT_EQ(format.toImageFormat().name(), "kdx-attachment:pic.png");
  EXPECT_EQ(AttachmentName(format), "pic.png");
  EXPECT_DOUBLE_EQ(format.toImageFormat().width(), 30);
  EXPECT_DOUBLE_EQ(format.toImageFormat().height(), 20);
  EXPECT_EQ(AttachmentBytes(document, "pic.png"), QByteArray("\x00\x01png", 5));
}

TEST(InsertAttachment, NumbersAnotherFileOfTheSameNameAndReusesTheSameFile) {
  QTextDocument document;
  QTextCursor cursor(&document);
  EXPECT_EQ(InsertAttachment(cursor, "photo.png", "one"), "photo.png");
  EXPECT_EQ(InsertAttachment(cursor, "photo.png", "two"), "photo-1.png");
  EXPECT_EQ(InsertAttachment(cursor, "photo.png", "three"), "photo-2.png");
  EXPECT_EQ(InsertAttachment(cursor, "photo.png", "one"), "photo.png");
  EXPECT_EQ(InsertAttachment(cursor, "README", "x"), "README");
  EXPECT_EQ(InsertAttachment(cursor, "README", "y"), "README-1");
  EXPECT_EQ(AttachmentBytes(document, "photo.png"), "one");
  EXPECT_EQ(AttachmentBytes(document, "photo-1.png"), "two");
  EXPECT_EQ(AttachmentBytes(document, "photo-2.png"), "three");
}

TEST(AttachmentName, IsEmptyForOrdinaryFormatsAndOtherImages) {
  EXPECT_EQ(AttachmentName(QTextCharFormat()), "");
  QTextImageFormat other;
  other.setName("file:///tmp/x.png");
  EXPECT_EQ(AttachmentName(other), "");
  QTextDocument document;
  EXPECT_EQ(AttachmentBytes(document, "missing.png"), QByteArray());
}

}  // namespace
}  // namespace kdx_richtext
