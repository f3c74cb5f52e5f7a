// The body archive and the conversions between bodies, RTF, packages,
// documents and plain text.
#include "richtext/body_format.h"

#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>
#include <functional>
#include <utility>

#include "richtext/attachments.h"
#include "richtext/rtf_writer.h"
#include "richtext/rtfd_package.h"
#include "support/test_support.h"

namespace kdx_richtext {
namespace {

RtfdPackage SamplePackage() {
  RtfdPackage package;
  package.rtf = "{\\rtf1\\ansi hello}";
  package.attachments.append(RtfdFile{"b.png", QByteArray("\x89PNG\0\0\x01", 7)});
  package.attachments.append(RtfdFile{"写真.jpg", QByteArray(300, '\xff')});
  return package;
}

QByteArray Packed(const RtfdPackage& package) {
  const std::optional<QByteArray> body = PackBody(package);
  EXPECT_TRUE(body.has_value());
  return body.value_or(QByteArray());
}

// --- The archive ---

TEST(BodyArchive, HasTheDocumentedLayout) {
  RtfdPackage package;
  package.rtf = "{x}";
  package.attachments.append(RtfdFile{"a", "12"});
  const QByteArray expected = QByteArray("KDXB\x01\x00\x00\x00\x02\x00\x00\x00", 12) +
                              QByteArray("\x07\x00TXT.rtf\x03\x00\x00\x00{x}", 16) +
                              QByteArray(
                                  "\x01\x00"
                                  "a\x02\x00\x00\x00"
                                  "12",
                                  9);
  EXPECT_EQ(Packed(package), expected);
}

TEST(BodyArchive, RoundTripKeepsEveryFileInOrder) {
  const RtfdPackage package = SamplePackage();
  RtfdPackage back;
  ASSERT_EQ(UnpackBody(Packed(package), &back), BodyStatus::ok);
  EXPECT_EQ(back.rtf, package.rtf);
  ASSERT_EQ(back.attachments.size(), 2);
  EXPECT_EQ(back.attachments[0].name, "b.png");
  EXPECT_EQ(back.attachments[0].data, package.attachments[0].data);
  EXPECT_EQ(back.attachments[1].name, "写真.jpg");
  EXPECT_EQ(back.attachments[1].data, package.attachments[1].data);
}

TEST(BodyArchive, ToleratesTrailingZeroBytesOnly) {
  const QByteArray body = Packed(SamplePackage());
  RtfdPackage back;
  EXPECT_EQ(UnpackBody(body + QByteArray(15, '\0'), &back), BodyStatus::ok);
  EXPECT_EQ(back.attachments.size(), 2);
  EXPECT_EQ(UnpackBody(body + QByteArray(15, '\0') + "x", &back), BodyStatus::unreadable);
  EXPECT_TRUE(back.rtf.isEmpty());
}

// No bytes or zero bytes are the empty body; foreign bytes (raw RTF, a Mac
// flat RTFD serialisation, text, one byte) are unreadable, never empty.
TEST(BodyArchive, EmptyAndForeignBytesAreTold) {
  const std::pair<QByteArray, BodyStatus> cases[] = {
      {QByteArray(), BodyStatus::empty},
      {QByteArray(64, '\0'), BodyStatus::empty},
      {"{\\rtf1\\ansi hello}", BodyStatus::unreadable},
      {QByteArray("rtfd\0\0\0\0\x03\0\0\0", 12), BodyStatus::unreadable},
      {"plain text", BodyStatus::unreadable},
      {"K", BodyStatus::unreadable},
  };
  for (const auto& [bytes, status] : cases) {
    RtfdPackage back;
    EXPECT_EQ(UnpackBody(bytes, &back), status) << bytes.toStdString();
  }
}

TEST(BodyArchive, EveryTruncationIsUnreadable) {
  const QByteArray body = Packed(SamplePackage());
  RtfdPackage back;
  for (qsizetype length = 1; length < body.size(); ++length) {
    ASSERT_EQ(UnpackBody(body.left(length), &back), BodyStatus::unreadable) << length;
  }
}

// Each damage to a sound body of two files "ab" and "cd" makes it unreadable:
// lengths and counts beyond the bytes, another version, names that are no
// plain file names or repeat, the text not first.
TEST(BodyArchive, RefusesDamagedLengthsCountsAndNames) {
  RtfdPackage package;
  package.rtf = "{x}";
  package.attachments.append(RtfdFile{"ab", "1"});
  package.attachments.append(RtfdFile{"cd", "2"});
  const QByteArray body = Packed(package);
  const qsizetype first = body.indexOf("ab");
  const qsizetype second = body.indexOf("cd");
  const std::pair<const char*, std::function<void(QByteArray&)>> damages[] = {
      {"huge data", [](QByteArray& b) { b.replace(21, 4, QByteArray("\xff\xff\xff\xff", 4)); }},
      {"huge count", [](QByteArray& b) { b.replace(8, 4, QByteArray("\xff\xff\xff\xff", 4)); }},
      {"one file more",
       [](QByteArray& b) {
         b[8] = 4;
         b += QByteArray(40, '\0');
       }},
      {"no files", [](QByteArray& b) { b[8] = 0; }},
      {"version 2", [](QByteArray& b) { b[4] = 2; }},
      {"..", [&](QByteArray& b) { b.replace(first, 2, ".."); }},
      {"slash", [&](QByteArray& b) { b.replace(first, 2, "a/"); }},
      {"NUL", [&](QByteArray& b) { b[first] = '\0'; }},
      {"twice", [&](QByteArray& b) { b.replace(second, 2, "ab"); }},
      {"not UTF-8", [&](QByteArray& b) { b[first] = '\xc3'; }},
      {"text not first", [](QByteArray& b) { b.replace(b.indexOf("TXT.rtf"), 7, "TXT.rtg"); }},
  };
  RtfdPackage back;
  ASSERT_EQ(UnpackBody(body, &back), BodyStatus::ok);
  for (const auto& [what, damage] : damages) {
    QByteArray damaged = body;
    damage(damaged);
    EXPECT_EQ(UnpackBody(damaged, &back), BodyStatus::unreadable) << what;
  }
}

TEST(BodyArchive, PackRefusesNamesThatCannotBeFiles) {
  for (const QString& name : {QString(".."), QString("a/b"), QString(""), QString("TXT.rtf")}) {
    RtfdPackage package;
    package.attachments.append(RtfdFile{name, "x"});
    EXPECT_FALSE(PackBody(package).has_value()) << name.toStdString();
  }
  RtfdPackage twice;
  twice.attachments.append(RtfdFile{"a.png", "x"});
  twice.attachments.append(RtfdFile{"a.png", "y"});
  EXPECT_FALSE(PackBody(twice).has_value());
}

// --- Plain text ---

QString PlainText(const QByteArray& body) {
  QString text;
  EXPECT_EQ(BodyPlainText(body, &text), BodyStatus::ok);
  return text;
}

TEST(BodyText, TextThroughABodyComesBackTheSame) {
  const QString texts[] = {
      "one line",
      "一行目\n二行目\n\n最後の行",
      "tabs\tand {braces} and \\backslash\\",
      "ends with a line end\n",
      "\n\nstarts with two",
      QString("nbsp") + QChar(0xA0) + "kept",
      "絵文字 😀 and ～ ① 髙",
  };
  for (const QString& text : texts) {
    const QByteArray body = KDXCOMM_ConvertTextToRtfd(text, "Noto Sans CJK JP", 14);
    EXPECT_EQ(PlainText(body), text) << text.toStdString();
  }
}

TEST(BodyText, LineEndsBecomeLfAndTrailingNulsGo) {
  const QByteArray body = KDXCOMM_ConvertTextToRtfd(
      QString::fromLatin1("a\r\nb\rc", 6) + QChar(0x2028) + "d" + QString(2, QChar(0)), "", 0);
  EXPECT_EQ(PlainText(body), "a\nb\nc\nd");
  EXPECT_EQ(NormalizeBodyText(QString::fromLatin1("x\r\n\r\ny\0\0", 9)), "x\n\ny");
}

TEST(BodyText, EachAttachmentIsOneObjectCharacter) {
  QTextDocument document;
  QTextCursor cursor(&document);
  cursor.insertText("before\n");
  InsertAttachment(cursor, "a.bin", "data");
  InsertAttachment(cursor, "b.bin", "other");
  cursor.insertText("after");
  const std::optional<QByteArray> body = DocumentToBody(document);
  ASSERT_TRUE(body.has_value());
  EXPECT_EQ(PlainText(*body), QString("before\n") + QChar(0xFFFC) + QChar(0xFFFC) + "after");
}

// A body without attachments is made without going through a package: the
// archive must be byte for byte the one the package would give.
TEST(BodyText, ABodyOfTextAloneIsTheArchiveOfItsRtf) {
  QTextDocument document;
  QTextCursor(&document).insertText(QString::fromUtf8("吾輩は猫である。\nplain"));
  RtfdPackage package;
  package.rtf = WriteRtf(document, RtfAttachmentMode::rtfd).rtf;
  const std::optional<QByteArray> body = DocumentToBody(document);
  ASSERT_TRUE(body.has_value());
  EXPECT_EQ(body, PackBody(package));
}

TEST(BodyText, EncodesShiftJisAndEucJpAndCountsLosses) {
  const QByteArray body = KDXCOMM_ConvertTextToRtfd("あA\n😀", "", 0);
  const BodyText utf8 = KDXCOMM_ConvertRtfdToText(body, "UTF-8");
  EXPECT_EQ(utf8.status, BodyStatus::ok);
  EXPECT_EQ(utf8.bytes, "あA\n😀");
  const BodyText sjis = KDXCOMM_ConvertRtfdToText(body, "S-JIS");
  EXPECT_EQ(sjis.status, BodyStatus::ok);
  EXPECT_EQ(sjis.bytes,
            "\x82\xa0"
            "A\n?");
  EXPECT_EQ(sjis.unconvertible, 1);
  const BodyText euc = KDXCOMM_ConvertRtfdToText(body, "EUC");
  EXPECT_EQ(euc.bytes,
            "\xa4\xa2"
            "A\n?");
  EXPECT_EQ(KDXCOMM_ConvertRtfdToText(body, "ISO2022JP").status, BodyStatus::unreadable);
  EXPECT_TRUE(KDXCOMM_ConvertRtfdToText(body, "ISO2022JP").bytes.empty());
}

TEST(BodyText, UnreadableAndEmptyBodiesAreTold) {
  QString text = "stale";
  EXPECT_EQ(BodyPlainText("{\\rtf1 not archived}", &text), BodyStatus::unreadable);
  EXPECT_TRUE(text.isEmpty());
  EXPECT_EQ(BodyPlainText(QByteArray(8, '\0'), &text), BodyStatus::empty);
  EXPECT_EQ(KDXCOMM_ConvertRtfdToText(QByteArray("garbage"), "UTF-8").status,
            BodyStatus::unreadable);
  const BodyText empty = KDXCOMM_ConvertRtfdToText(QByteArray(), "S-JIS");
  EXPECT_EQ(empty.status, BodyStatus::empty);
  EXPECT_TRUE(empty.bytes.empty());
}

// --- Conversions ---

QTextCharFormat FirstCharFormat(const QByteArray& body) {
  QTextDocument document;
  EXPECT_EQ(BodyToDocument(body, &document), BodyStatus::ok);
  QTextCursor cursor(&document);
  cursor.setPosition(1);
  return cursor.charFormat();
}

TEST(BodyConversion, TextBodyCarriesTheDefaultFontWhenTheSystemHasIt) {
  const QStringList families = QFontDatabase::families();
  if (families.isEmpty()) GTEST_SKIP() << "no fonts installed";
  QString installed = families.first();
  for (const QString& preferred : {QString("Noto Sans CJK JP"), QString("DejaVu Serif")}) {
    if (families.contains(preferred)) installed = preferred;
  }
  const QTextCharFormat format = FirstCharFormat(KDXCOMM_ConvertTextToRtfd("文字", installed, 18));
  EXPECT_EQ(format.fontFamilies().toStringList().value(0), installed);
  EXPECT_DOUBLE_EQ(format.fontPointSize(), 18);

  const QString fallback = QTextDocument().defaultFont().family();
  const QTextCharFormat missing =
      FirstCharFormat(KDXCOMM_ConvertTextToRtfd("文字", "No Such Font Kdx", 9));
  EXPECT_EQ(missing.fontFamilies().toStringList().value(0), fallback);
  EXPECT_DOUBLE_EQ(missing.fontPointSize(), 9);
}

TEST(BodyConversion, RtfIsKeptAsItIs) {
  const QByteArray rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0 Hello\\par World}";
  const std::optional<QByteArray> body = KDXCOMM_ConvertRtfToRtfd(rtf);
  ASSERT_TRUE(body.has_value());
  RtfdPackage package;
  ASSERT_EQ(BodyToRtfdPackage(*body, &package), BodyStatus::ok);
  EXPECT_EQ(package.rtf, rtf);
  EXPECT_EQ(PlainText(*body), "Hello\nWorld");
}

TEST(BodyConversion, RtfThatCannotBeReadGivesNoBody) {
  EXPECT_FALSE(KDXCOMM_ConvertRtfToRtfd("plain text, not RTF").has_value());
  EXPECT_FALSE(KDXCOMM_ConvertRtfToRtfd("{\\rtf1\\ansi cut off {\\b here").has_value());
  EXPECT_FALSE(KDXCOMM_ConvertRtfToRtfd(QByteArray()).has_value());
  // A caller that can pass a warning on gets what a cut-off file holds, as a
  // body that reads back whole.
  QString warning;
  const std::optional<QByteArray> cut =
      KDXCOMM_ConvertRtfToRtfd("{\\rtf1\\ansi cut off {\\b here", &warning);
  ASSERT_TRUE(cut.has_value());
  EXPECT_TRUE(warning.contains("truncated")) << warning.toStdString();
  EXPECT_EQ(PlainText(*cut), "cut off here");
  warning.clear();
  EXPECT_FALSE(KDXCOMM_ConvertRtfToRtfd("plain text, not RTF", &warning).has_value());
  EXPECT_TRUE(warning.isEmpty());
}

TEST(BodyConversion, SavingALoadedBodyAgainChangesNothing) {
  QTextDocument document;
  QTextCursor cursor(&document);
  QTextCharFormat bold;
  bold.setFontWeight(QFont::Bold);
  bold.setForeground(QColor(10, 20, 30));
  cursor.insertText("太字 ", bold);
  QTextCharFormat big;
  big.setFontPointSize(20);
  big.setFontFamilies({"IPAGothic"});
  big.setFontUnderline(true);
  cursor.insertText(QString("big") + QChar(0x2028) + "line", big);
  QTextBlockFormat centred;
  centred.setAlignment(Qt::AlignHCenter);
  centred.setLeftMargin(24);
  cursor.insertBlock(centred);
  cursor.insertText("centre\ttab");
  InsertAttachment(cursor, "a.bin", QByteArray("\0\1\2", 3));
  cursor.insertTable(1, 2)->cellAt(0, 1).firstCursorPosition().insertText("cell");
  cursor.movePosition(QTextCursor::End);
  cursor.insertText("after");

  const std::optional<QByteArray> first = DocumentToBody(document);
  ASSERT_TRUE(first.has_value());
  QTextDocument loaded;
  ASSERT_EQ(BodyToDocument(*first, &loaded), BodyStatus::ok);
  EXPECT_EQ(DocumentPlainText(loaded), DocumentPlainText(document));
  EXPECT_EQ(loaded.blockCount(), document.blockCount());
  EXPECT_EQ(AttachmentBytes(loaded, "a.bin"), QByteArray("\0\1\2", 3));
  const std::optional<QByteArray> second = DocumentToBody(loaded);
  ASSERT_TRUE(second.has_value());
  QTextDocument reloaded;
  ASSERT_EQ(BodyToDocument(*second, &reloaded), BodyStatus::ok);
  EXPECT_EQ(reloaded.blockCount(), document.blockCount());
  EXPECT_EQ(DocumentToBody(reloaded), second);
}

TEST(BodyText, TableCellsEndLinesAndLeaveNoFrameMarks) {
  QTextDocument document;
  QTextCursor cursor(&document);
  cursor.insertText("x");
  QTextTable* table = cursor.insertTable(1, 2);
  table->cellAt(0, 0).firstCursorPosition().insertText("A");
  table->cellAt(0, 1).firstCursorPosition().insertText("B");
  EXPECT_EQ(DocumentPlainText(document), "x\nA\nB\n");
}

TEST(BodyConversion, UnreadableBodyLeavesAnEmptyDocumentAndSaysWhy) {
  QTextDocument document;
  document.setPlainText("old");
  QString error;
  EXPECT_EQ(BodyToDocument("junk", &document, &error), BodyStatus::unreadable);
  EXPECT_FALSE(error.isEmpty());
  EXPECT_TRUE(document.isEmpty());
  QByteArray rtf = "stale";
  EXPECT_EQ(BodyToRtf("junk", &rtf), BodyStatus::unreadable);
  EXPECT_TRUE(rtf.isEmpty());
}

TEST(BodyConversion, RtfExportOfAnEmptyBodyIsAnEmptyRtfDocument) {
  QByteArray rtf;
  EXPECT_EQ(BodyToRtf(QByteArray(), &rtf), BodyStatus::empty);
  EXPECT_TRUE(rtf.startsWith("{\\rtf1"));
}

TEST(BodyConversion, PackageFolderBecomesABody) {
  kdx_test::TempDir dir;
  const QString folder = QString::fromStdString(dir.File("note.rtfd"));
  RtfdPackage package;
  package.rtf = "{\\rtf1\\ansi a{{\\NeXTGraphic pic.bin \\width200 \\height200\n}\\'ac}b}";
  package.attachments.append(RtfdFile{"pic.bin", "bytes"});
  ASSERT_EQ(WriteRtfdFolder(folder, package), RtfdStatus::ok);

  const std::optional<QByteArray> body = KDXCOMM_ReadRTFDFromFile(folder);
  ASSERT_TRUE(body.has_value());
  RtfdPackage back;
  ASSERT_EQ(UnpackBody(*body, &back), BodyStatus::ok);
  EXPECT_EQ(back.rtf, package.rtf);
  ASSERT_EQ(back.attachments.size(), 1);
  EXPECT_EQ(back.attachments[0].data, "bytes");
  EXPECT_EQ(PlainText(*body), QString("a") + QChar(0xFFFC) + "b");
  EXPECT_FALSE(KDXCOMM_ReadRTFDFromFile(folder + "-missing").has_value());
}

}  // namespace
}  // namespace kdx_richtext
