// The RTF writer: its exact escapes, and its output read back by the reader.
#include "richtext/rtf_writer.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QRandomGenerator>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>
#include <QUrl>

#include "richtext/attachments.h"
#include "richtext/rtf_reader.h"

namespace kdx_richtext {
namespace {

QByteArray Write(const QTextDocument& document, RtfAttachmentMode mode = RtfAttachmentMode::embed) {
  return WriteRtf(document, mode).rtf;
}

void ReadBack(const QByteArray& rtf, QTextDocument* document) {
  const RtfReadResult result = ReadRtf(rtf, document);
  ASSERT_TRUE(result.ok) << result.error.toStdString();
}

// The format of the character at position (the one after it).
QTextCharFormat CharFormatAt(QTextDocument& document, int position) {
  QTextCursor cursor(&document);
  cursor.setPosition(position + 1);
  return cursor.charFormat();
}

QByteArray ImageBytes(const char* format) {
  QImage image(3, 2, QImage::Format_RGB32);
  image.fill(Qt::red);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, format);
  return bytes;
}

// --- The bytes written ---

TEST(RtfWriterOutput, StartsWithTheHeaderAndStaysAsciiAndBalanced) {
  QTextDocument document;
  document.setPlainText("日本語 {text} \\ é");
  const QByteArray rtf = Write(document);
  EXPECT_TRUE(rtf.startsWith("{\\rtf1\\ansi\\ansicpg932\\deff0")) << rtf.constData();
  EXPECT_TRUE(rtf.contains("{\\fonttbl{\\f0"));
  EXPECT_TRUE(rtf.contains("{\\colortbl;"));
  int depth = 0;
  for (const char c : rtf) {
    EXPECT_GE(static_cast<unsigned char>(c), 0x0a);
    EXPECT_LT(static_cast<unsigned char>(c), 0x80);
    // Escaped braces are preceded by a backslash; count only the others.
    if (c == '{') ++depth;
    if (c == '}') --depth;
  }
  EXPECT_TRUE(rtf.contains("\\{text\\} \\\\"));
  EXPECT_EQ(depth, 0);  // the two escaped braces cancel out as well
}

TEST(RtfWriterOutput, NonAsciiIsUnicodeWithShiftJisFallback) {
  QTextDocument document;
  document.setPlainText(QString::fromUtf8("あé") + QChar(0xFF5E));
  const QByteArray rtf = Write(document);
  // あ is 82 A0 in Shift JIS; é has no Shift JIS form; U+FF5E is 81 60 and
  // above 32767, so negative.
  EXPECT_TRUE(rtf.contains("\\uc2\\u12354\\'82\\'a0\\uc1\\u233?\\uc2\\u-162\\'81\\'60\\uc1 "))
      << rtf.constData();
  // Outside the BMP: one "?" for the pair, and a space so the next digit
  // does not join the number.
  QTextDocument astral;
  astral.setPlainText(QString::fromUtf8("😀1"));
  EXPECT_TRUE(Write(astral).contains("\\u-10179?\\uc0\\u-8704 1\\uc1 }"))
      << Write(astral).constData();
}

TEST(RtfWriterOutput, LineBreaksTabsAndParagraphs) {
  QTextDocument document;
  document.setPlainText(QString("a") + QChar(0x2028) + "b\tc\nd");
  const QByteArray rtf = Write(document);
  EXPECT_TRUE(rtf.contains("a\\line b\\tab c}\\par"));
  EXPECT_EQ(rtf.count("\\par\n"), 1);
}

// A Latin font is marked charset 0 (Japanese ones are tested with their text
// below); a ";" would end the name early.
TEST(RtfWriterOutput, LatinFontsAreCharsetZeroWithoutSemicolons) {
  QTextDocument document;
  QTextCursor cursor(&document);
  QTextCharFormat format;
  format.setFontFamilies({"Odd;Name"});
  cursor.insertText("z", format);
  EXPECT_TRUE(Write(document).contains("\\fcharset0 Odd Name;"));
}

// --- Read back by the reader ---

TEST(RtfWriterRoundTrip, CharacterFormatting) {
  QTextDocument document;
  QTextCursor cursor(&document);
  QTextCharFormat plain;
  QTextCharFormat bold;
  bold.setFontWeight(QFont::Bold);
  QTextCharFormat italic;
  italic.setFontItalic(true);
  QTextCharFormat underline;
  underline.setFontUnderline(true);
  QTextCharFormat strike;
  strike.setFontStrikeOut(true);
  QTextCharFormat coloured;
  coloured.setForeground(QColor(200, 10, 30));
  coloured.setBackground(QColor(250, 240, 0));
  QTextCharFormat big;
  big.setFontPointSize(21);
  QTextCharFormat super;
  super.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
  QTextCharFormat sub;
  sub.setVerticalAlignment(QTextCharFormat::AlignSubScript);
  for (const QTextCharFormat* format :
       {&plain, &bold, &italic, &underline, &strike, &coloured, &big, &super, &sub}) {
    cursor.insertText("x", *format);
  }

  QTextDocument back;
  ReadBack(Write(document), &back);
  ASSERT_EQ(back.toPlainText(), "xxxxxxxxx");
  EXPECT_LT(CharFormatAt(back, 0).fontWeight(), QFont::DemiBold);
  EXPECT_FALSE(CharFormatAt(back, 0).fontItalic());
  EXPECT_GE(CharFormatAt(back, 1).fontWeight(), QFont::Bold);
  EXPECT_FALSE(CharFormatAt(back, 1).fontItalic());
  EXPECT_TRUE(CharFormatAt(back, 2).fontItalic());
  EXPECT_LT(CharFormatAt(back, 2).fontWeight(), QFont::DemiBold);
  EXPECT_TRUE(CharFormatAt(back, 3).fontUnderline());
  EXPECT_TRUE(CharFormatAt(back, 4).fontStrikeOut());
  EXPECT_FALSE(CharFormatAt(back, 5).fontStrikeOut());
  EXPECT_EQ(CharFormatAt(back, 5).foreground().color(), QColor(200, 10, 30));
  EXPECT_EQ(CharFormatAt(back, 5).background().color(), QColor(250, 240, 0));
  EXPECT_DOUBLE_EQ(CharFormatAt(back, 6).fontPointSize(), 21);
  EXPECT_EQ(CharFormatAt(back, 7).verticalAlignment(), QTextCharFormat::AlignSuperScript);
  EXPECT_EQ(CharFormatAt(back, 8).verticalAlignment(), QTextCharFormat::AlignSubScript);
}

TEST(RtfWriterRoundTrip, ParagraphFormatting) {
  QTextDocument document;
  QTextCursor cursor(&document);
  QTextBlockFormat centred;
  centred.setAlignment(Qt::AlignHCenter);
  cursor.setBlockFormat(centred);
  cursor.insertText("centre");
  QTextBlockFormat indented;
  indented.setAlignment(Qt::AlignRight);
  indented.setLeftMargin(36);
  indented.setRightMargin(18);
  indented.setTextIndent(-12);
  indented.setTopMargin(6);
  indented.setBottomMargin(9);
  indented.setTabPositions({QTextOption::Tab(72, QTextOption::LeftTab)});
  cursor.insertBlock(indented);
  cursor.insertText("indent");
  QTextBlockFormat spaced;
  spaced.setLineHeight(150, QTextBlockFormat::ProportionalHeight);
  cursor.insertBlock(spaced);
  cursor.insertText("spaced");
  QTextBlockFormat justified;
  justified.setAlignment(Qt::AlignJustify);
  cursor.insertBlock(justified);
  cursor.insertText("justify");

  QTextDocument back;
  ReadBack(Write(document), &back);
  ASSERT_EQ(back.blockCount(), 4);
  const QTextBlockFormat first = back.findBlockByNumber(0).blockFormat();
  const QTextBlockFormat second = back.findBlockByNumber(1).blockFormat();
  const QTextBlockFormat spacedBack = back.findBlockByNumber(2).blockFormat();
  const QTextBlockFormat third = back.findBlockByNumber(3).blockFormat();
  EXPECT_EQ(first.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
  EXPECT_EQ(second.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
  EXPECT_DOUBLE_EQ(second.leftMargin(), 36);
  EXPECT_DOUBLE_EQ(second.rightMargin(), 18);
  EXPECT_DOUBLE_EQ(second.textIndent(), -12);
  EXPECT_DOUBLE_EQ(second.topMargin(), 6);
  EXPECT_DOUBLE_EQ(second.bottomMargin(), 9);
  ASSERT_EQ(second.tabPositions().size(), 1);
  EXPECT_DOUBLE_EQ(second.tabPositions()[0].position, 72);
  EXPECT_EQ(spacedBack.lineHeightType(), QTextBlockFormat::ProportionalHeight);
  EXPECT_DOUBLE_EQ(spacedBack.lineHeight(), 150);
  EXPECT_EQ(third.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignJustify);
  EXPECT_DOUBLE_EQ(third.leftMargin(), 0);
}

TEST(RtfWriterRoundTrip, JapaneseTextAndFont) {
  QTextDocument document;
  QTextCursor cursor(&document);
  QTextCharFormat format;
  format.setFontFamilies({"Noto Sans CJK JP"});
  format.setFontPointSize(10.5);
  const QString text = QString::fromUtf8("漢字とかな、ｶﾀｶﾅ ～①髙 é 😀5 😀a");
  cursor.insertText(text, format);
  QTextCharFormat japaneseName;
  japaneseName.setFontFamilies({QString::fromUtf8("ＭＳ 明朝")});
  cursor.insertText("x", japaneseName);

  const QByteArray rtf = Write(document);
  EXPECT_TRUE(rtf.contains("\\fcharset128 Noto Sans CJK JP;"));
  // Ｍ is 82 6C in Shift JIS.
  EXPECT_TRUE(rtf.contains("\\fcharset128 \\uc2\\u-211\\'82\\'6c")) << rtf.constData();
  QTextDocument back;
  ReadBack(rtf, &back);
  EXPECT_EQ(back.toPlainText(), text + "x");
  EXPECT_EQ(CharFormatAt(back, 0).fontFamilies().toStringList().value(0), "Noto Sans CJK JP");
  EXPECT_DOUBLE_EQ(CharFormatAt(back, 0).fontPointSize(), 10.5);
  EXPECT_EQ(
      CharFormatAt(back, static_cast<int>(text.size())).fontFamilies().toStringList().value(0),
      QString::fromUtf8("ＭＳ 明朝"));
}

TEST(RtfWriterRoundTrip, Table) {
  QTextDocument document;
  QTextCursor cursor(&document);
  cursor.insertText("above");
  QTextTable* table = cursor.insertTable(2, 3);
  for (int row = 0; row < 2; ++row) {
    for (int column = 0; column < 3; ++column) {
      QTextCursor cell = table->cellAt(row, column).firstCursorPosition();
      cell.insertText(QString("r%1c%2").arg(row).arg(column));
    }
  }
  const QByteArray rtf = Write(document);
  EXPECT_EQ(rtf.count("\\row"), 2);
  EXPECT_EQ(rtf.count("\\cell\n"), 6);

  QTextDocument back;
  ReadBack(rtf, &back);
  QTextTable* backTable = nullptr;
  for (QTextFrame* frame : back.rootFrame()->childFrames()) {
    backTable = qobject_cast<QTextTable*>(frame);
    if (backTable != nullptr) break;
  }
  ASSERT_NE(backTable, nullptr);
  ASSERT_EQ(backTable->rows(), 2);
  ASSERT_EQ(backTable->columns(), 3);
  QTextCursor last = backTable->cellAt(1, 2).firstCursorPosition();
  last.setPosition(backTable->cellAt(1, 2).lastCursorPosition().position(),
                   QTextCursor::KeepAnchor);
  EXPECT_EQ(last.selectedText(), "r1c2");
  EXPECT_TRUE(back.toPlainText().startsWith("above"));
}

TEST(RtfWriterRoundTrip, ParagraphsAroundATableKeepTheirOwnFormatsAndNoBlockIsAdded) {
  QTextDocument document;
  QTextCursor cursor(&document);
  QTextBlockFormat centred;
  centred.setAlignment(Qt::AlignHCenter);
  centred.setLeftMargin(36);
  cursor.setBlockFormat(centred);
  cursor.insertText("above");
  QTextBlockFormat right;
  right.setAlignment(Qt::AlignRight);
  cursor.insertBlock(right);
  cursor.insertText("right");
  cursor.insertTable(1, 1)->cellAt(0, 0).firstCursorPosition().insertText("cell");
  cursor.movePosition(QTextCursor::End);
  cursor.insertText("below");

  const QByteArray rtf = Write(document);
  QTextDocument back;
  ReadBack(rtf, &back);
  ASSERT_EQ(back.blockCount(), document.blockCount()) << rtf.constData();
  EXPECT_EQ(back.toPlainText(), document.toPlainText());
  const QTextBlockFormat above = back.findBlockByNumber(0).blockFormat();
  EXPECT_EQ(above.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
  EXPECT_DOUBLE_EQ(above.leftMargin(), 36);
  const QTextBlockFormat second = back.findBlockByNumber(1).blockFormat();
  EXPECT_EQ(second.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
  EXPECT_DOUBLE_EQ(second.leftMargin(), 0);
  EXPECT_EQ(Write(back), rtf);
}

TEST(RtfWriterRoundTrip, MergedCellsKeepTheGridAndTheirText) {
  QTextDocument document;
  QTextCursor cursor(&document);
  QTextTable* table = cursor.insertTable(2, 2);
  table->cellAt(0, 0).firstCursorPosition().insertText("wide");
  table->cellAt(1, 0).firstCursorPosition().insertText("left");
  table->cellAt(1, 1).firstCursorPosition().insertText("right");
  table->mergeCells(0, 0, 1, 2);
  const QByteArray rtf = Write(document);
  EXPECT_EQ(rtf.count("\\clmgf"), 1);
  EXPECT_EQ(rtf.count("\\clmrg"), 1);
  EXPECT_EQ(rtf.count("\\cell\n"), 4);

  QTextDocument back;
  ReadBack(rtf, &back);
  const QString text = back.toPlainText();
  EXPECT_TRUE(text.contains("wide")) << text.toStdString();
  EXPECT_LT(text.indexOf("wide"), text.indexOf("left"));
  EXPECT_LT(text.indexOf("left"), text.indexOf("right"));
}

TEST(RtfWriterRoundTrip, LinksAreFieldsWhoseResultIsTheText) {
  QTextDocument document;
  QTextCursor cursor(&document);
  cursor.insertText("see ");
  QTextCharFormat link;
  link.setAnchor(true);
  link.setAnchorHref("https://example.com/a\"b");
  cursor.insertText("here", link);
  cursor.insertText(".", QTextCharFormat());
  const QByteArray rtf = Write(document);
  EXPECT_TRUE(
      rtf.contains("{\\field{\\*\\fldinst HYPERLINK \"https://example.com/a%22b\"}{\\fldrslt {"))
      << rtf.constData();
  QTextDocument back;
  ReadBack(rtf, &back);
  EXPECT_EQ(back.toPlainText(), "see here.");
}

// --- Attachments ---

TEST(RtfWriterAttachments, RtfdModeWritesReferencesAndReturnsFilesOnce) {
  QTextDocument document;
  QTextCursor cursor(&document);
  InsertAttachment(cursor, "doc.pdf", "%PDF-1.4", 72, 36);
  InsertAttachment(cursor, "doc.pdf", "%PDF-1.4");
  const RtfWriteResult result = WriteRtf(document, RtfAttachmentMode::rtfd);
  EXPECT_TRUE(result.rtf.contains("{{\\NeXTGraphic doc.pdf \\width1440 \\height720\n}\\'ac}"))
      << result.rtf.constData();
  ASSERT_EQ(result.attachments.size(), 1);
  EXPECT_EQ(result.attachments[0].name, "doc.pdf");
  EXPECT_EQ(result.attachments[0].data, "%PDF-1.4");

  QTextDocument back;
  const RtfReadResult read =
      ReadRtf(result.rtf, &back, [](const QString& name) -> std::optional<QByteArray> {
        if (name == "doc.pdf") return QByteArray("%PDF-1.4");
        return std::nullopt;
      });
  ASSERT_TRUE(read.ok);
  EXPECT_EQ(back.toPlainText(), QString(2, QChar(0xFFFC)));
  EXPECT_EQ(AttachmentBytes(back, "doc.pdf"), "%PDF-1.4");
}

TEST(RtfWriterAttachments, RtfdModeGivesEveryAttachmentAPlainUniqueFileName) {
  QTextDocument document;
  QTextCursor cursor(&document);
  EXPECT_EQ(InsertAttachment(cursor, "TXT.rtf", "an attached rtf"), "TXT.rtf");
  // A format made by hand, not through InsertAttachment.
  const QString unsafe = "../../evil.sh";
  document.addResource(QTextDocument::ImageResource, QUrl(kAttachmentScheme + unsafe),
                       QByteArray("#!"));
  QTextImageFormat handMade;
  handMade.setName(kAttachmentScheme + unsafe);
  cursor.insertText(QString(QChar::ObjectReplacementCharacter), handMade);
  InsertAttachment(cursor, "evil.sh", "plain");

  const RtfWriteResult result = WriteRtf(document, RtfAttachmentMode::rtfd);
  ASSERT_EQ(result.attachments.size(), 3);
  EXPECT_EQ(result.attachments[0].name, "TXT-1.rtf");
  EXPECT_EQ(result.attachments[0].data, "an attached rtf");
  EXPECT_EQ(result.attachments[1].name, "evil.sh");
  EXPECT_EQ(result.attachments[1].data, "#!");
  EXPECT_EQ(result.attachments[2].name, "evil-1.sh");
  EXPECT_EQ(result.attachments[2].data, "plain");
  EXPECT_TRUE(result.rtf.contains("\\NeXTGraphic TXT-1.rtf\n}"));
  EXPECT_FALSE(result.rtf.contains(".."));
}

// Names that need \ucN, lie beyond the basic plane, or have blanks around
// them come back as the package's files are named.
TEST(RtfWriterAttachments, RtfdModeNamesReadBackToTheirFiles) {
  QTextDocument document;
  QTextCursor cursor(&document);
  for (const char* name : {"～.bin", "😀.png", "  .png", "日本.txt"}) {
    InsertAttachment(cursor, QString::fromUtf8(name), QByteArray(name) + " bytes");
  }
  const RtfWriteResult result = WriteRtf(document, RtfAttachmentMode::rtfd);
  ASSERT_EQ(result.attachments.size(), 4);
  EXPECT_EQ(result.attachments[2].name, "_.png");
  QTextDocument back;
  const RtfReadResult read =
      ReadRtf(result.rtf, &back, [&](const QString& name) -> std::optional<QByteArray> {
        for (const RtfdFile& file : result.attachments) {
          if (file.name == name) return file.data;
        }
        return std::nullopt;
      });
  ASSERT_TRUE(read.ok);
  EXPECT_EQ(read.warnings, 0);
  EXPECT_EQ(back.toPlainText(), QString(4, QChar::ObjectReplacementCharacter));
}

TEST(RtfWriterAttachments, RtfdModeGivesImagesWithoutShownSizeTheirPixelSize) {
  QTextDocument document;
  QTextCursor cursor(&document);
  InsertAttachment(cursor, "red.png", ImageBytes("PNG"));
  EXPECT_TRUE(WriteRtf(document, RtfAttachmentMode::rtfd)
                  .rtf.contains("{{\\NeXTGraphic red.png \\width60 \\height40\n}\\'ac}"));
}

TEST(RtfWriterAttachments, EmbedModeWritesPngAsItIs) {
  const QByteArray png = ImageBytes("PNG");
  QTextDocument document;
  QTextCursor cursor(&document);
  InsertAttachment(cursor, "red.png", png);
  const RtfWriteResult result = WriteRtf(document, RtfAttachmentMode::embed);
  EXPECT_TRUE(result.attachments.isEmpty());
  EXPECT_TRUE(result.rtf.contains("{\\pict\\pngblip\\picw3\\pich2\\picwgoal60\\pichgoal40\n"))
      << result.rtf.constData();
  EXPECT_TRUE(result.rtf.contains(png.left(64).toHex()));

  QTextDocument back;
  ReadBack(result.rtf, &back);
  EXPECT_EQ(back.toPlainText(), QString(QChar(0xFFFC)));
  const QString name = AttachmentName(back.find(QString(QChar(0xFFFC))).charFormat());
  ASSERT_FALSE(name.isEmpty());
  EXPECT_EQ(QImage::fromData(AttachmentBytes(back, name)).size(), QSize(3, 2));
}

TEST(RtfWriterAttachments, EmbedModeEmbedsOnlyPngAndJpegByTheirSignature) {
  QTextDocument document;
  QTextCursor cursor(&document);
  InsertAttachment(cursor, "red.bmp", ImageBytes("BMP"));
  InsertAttachment(cursor, "jpeg.jpg", ImageBytes("JPEG"));
  InsertAttachment(cursor, "named.jpg", ImageBytes("PNG"));  // a PNG whatever the name says
  InsertAttachment(cursor, "notes.txt", "just text");
  const QByteArray rtf = Write(document, RtfAttachmentMode::embed);
  EXPECT_EQ(rtf.count("\\pngblip"), 1);
  EXPECT_EQ(rtf.count("\\jpegblip"), 1);
  EXPECT_TRUE(rtf.contains("\\NeXTGraphic red.bmp"));
  EXPECT_TRUE(rtf.contains("\\NeXTGraphic notes.txt"));
}

TEST(RtfWriterAttachments, EmbedModeBoundsWhatOnePictureShownManyTimesAdds) {
  QImage noise(640, 640, QImage::Format_RGB32);
  QRandomGenerator random(7);
  for (int y = 0; y < noise.height(); ++y) {
    auto* line = reinterpret_cast<quint32*>(noise.scanLine(y));
    for (int x = 0; x < noise.width(); ++x) line[x] = random.generate();
  }
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  ASSERT_TRUE(noise.save(&buffer, "PNG"));
  ASSERT_GT(png.size(), 1 << 20);

  QTextDocument document;
  QTextCursor cursor(&document);
  InsertAttachment(cursor, "noise.png", png);
  const QTextImageFormat again = document.find(QString(QChar(0xFFFC))).charFormat().toImageFormat();
  constexpr int kShown = 60;
  for (int i = 1; i < kShown; ++i) cursor.insertImage(again);

  const RtfWriteResult result = WriteRtf(document, RtfAttachmentMode::embed);
  const qsizetype embedded = result.rtf.count("\\pngblip");
  EXPECT_EQ(embedded, (qsizetype{32} << 20) / png.size());
  EXPECT_EQ(result.picturesNotEmbedded, kShown - embedded);
  EXPECT_EQ(result.rtf.count("\\NeXTGraphic noise.png"), kShown - embedded);
  EXPECT_LT(result.rtf.size(), (qsizetype{66} << 20));
}

}  // namespace
}  // namespace kdx_richtext
