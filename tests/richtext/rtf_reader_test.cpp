// RTF reader: code pages, formatting, tables, pictures, RTFD attachment
// references and damaged input. Unless a fixture says otherwise it is
// hand-written from the format's control words; East Asian bytes come from
// `printf 'あ漢表' | iconv -t SHIFT_JIS | xxd` (82a0 8abf 955c) and likewise
// `iconv -t GBK` (中: d6d0), `-t BIG5` (中: a4a4), `-t UHC` (가: b0a1).
#include "richtext/rtf_reader.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QElapsedTimer>
#include <QImage>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextImageFormat>
#include <QTextTable>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "richtext/attachments.h"

namespace kdx_richtext {
namespace {

struct Read {
  QTextDocument document;
  RtfReadResult result;
};

std::unique_ptr<Read> ReadString(
    const std::string& rtf,
    const std::function<std::optional<QByteArray>(const QString&)>& loader = {}) {
  auto read = std::make_unique<Read>();
  read->result =
      ReadRtf(QByteArray(rtf.data(), static_cast<qsizetype>(rtf.size())), &read->document, loader);
  return read;
}

std::string Doc(const std::string& body) {
  return "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Helvetica;}}" + body +
         "}";
}

// The character format of the first character of needle in the document.
QTextCharFormat FormatOf(const QTextDocument& document, const QString& needle) {
  const QTextCursor found = document.find(needle);
  EXPECT_FALSE(found.isNull()) << needle.toStdString();
  QTextCursor cursor(const_cast<QTextDocument*>(&document));
  cursor.setPosition(found.selectionStart() + 1);
  return cursor.charFormat();
}

QTextBlockFormat BlockOf(const QTextDocument& document, const QString& needle) {
  const QTextCursor found = document.find(needle);
  EXPECT_FALSE(found.isNull()) << needle.toStdString();
  return found.block().blockFormat();
}

struct Attachment {
  QString name;
  QByteArray bytes;
  double width;
  double height;
};

std::vector<Attachment> Attachments(const QTextDocument& document) {
  std::vector<Attachment> out;
  QTextCursor cursor(const_cast<QTextDocument*>(&document));
  for (int pos = 0; pos < document.characterCount(); ++pos) {
    if (document.characterAt(pos) != QChar::ObjectReplacementCharacter) continue;
    cursor.setPosition(pos + 1);
    const QTextCharFormat format = cursor.charFormat();
    const QString name = AttachmentName(format);
    const QTextImageFormat image = format.toImageFormat();
    out.push_back({name, AttachmentBytes(document, name), image.width(), image.height()});
  }
  return out;
}

std::string Hex(const QByteArray& bytes) { return bytes.toHex().toStdString(); }

QByteArray TinyPng() {
  QImage image(2, 3, QImage::Format_RGB32);
  image.fill(Qt::red);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return bytes;
}

// --- Code pages --------------------------------------------------------------

TEST(RtfReaderCodePages, FontCharsetChoosesCodePagePerFont) {
  auto r = ReadString(
      "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0\\fswiss\\fcharset0 Helvetica;}"
      "{\\f1\\fnil\\fcharset128 \\'82\\'a0Gothic;}{\\f2\\fnil\\fcharset134 Song;}"
      "{\\f3\\fnil\\fcharset136 Ming;}{\\f4\\fnil\\fcharset129 Batang;}}"
      "\\f0 caf\\'e9 \\f1 \\'82\\'a0\\f2\\'d6\\'d0\\f3\\'a4\\'a4\\f4\\'b0\\'a1\\f0\\'e9}");
  EXPECT_TRUE(r->result.ok);
  EXPECT_EQ(r->document.toPlainText(), QString::fromUtf8("café あ中中가é"));
  // The font name itself is decoded in the font's code page.
  EXPECT_EQ(FormatOf(r->document, QString::fromUtf8("あ")).fontFamilies().toStringList(),
            QStringList{QString::fromUtf8("あGothic")});
}

TEST(RtfReaderCodePages, DoubleByteRunsUseTheirAssociatedFont) {
  // Hand-written in the shape word processors give Japanese runs: a Latin \\f0
  // in force, the Japanese font only as the \\dbch associated font (\\af1).
  auto r = ReadString(
      "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\froman\\fcharset0 Times New Roman;}"
      "{\\f1\\fnil\\fcharset128 MS Mincho;}}"
      "{\\rtlch\\fcs1 \\af0 \\ltrch\\fcs0 \\f0\\loch\\af0\\hich\\af0\\dbch\\af1 "
      "\\'82\\'a0\\'8a\\'bf}"
      "{\\f0\\loch caf}{\\f0\\dbch\\af1\\hich\\af0 \\'e9}}");
  EXPECT_EQ(r->document.toPlainText(), QString::fromUtf8("あ漢café"));
  EXPECT_EQ(FormatOf(r->document, QString::fromUtf8("あ")).fontFamilies().toStringList(),
            QStringList{"MS Mincho"});
  EXPECT_EQ(FormatOf(r->document, "c").fontFamilies().toStringList(),
            QStringList{"Times New Roman"});
}

// Text decoded as the control words say: document and font code pages, \uN
// with its fallback skipped per \ucN, control characters as text but NUL not.
TEST(RtfReaderCodePages, TextDecodesAsTheControlWordsSay) {
  const std::pair<std::string, const char*> cases[] = {
      // 表 is 95 5c: its second byte is a backslash, written as an escaped literal.
      {"{\\rtf1\\ansi\\ansicpg932 \\'82\\'a0\\'8a\\'bf\\'95\\\\x}", "あ漢表x"},
      {"{\\rtf1\\mac caf\\'8e}", "café"},
      {"{\\rtf1\\pc caf\\'82}", "café"},
      {"{\\rtf1\\pca \\'9d}", "Ø"},
      {"{\\rtf1\\ansi caf\\'e9}", "café"},
      // \uc1 (the default) skips one character, a negative value is above U+7FFF.
      {Doc("\\u12354?\\u-21504?z"), "あ가z"},
      // \uc2 skips two \'hh escapes, and the count ends with the group.
      {Doc("{\\uc2\\u12354\\'82\\'a0}\\u12354?"), "ああ"},
      // \uc0: nothing to skip; the space after \uN is its delimiter.
      {Doc("\\uc0\\u12354 x"), "あx"},
      {Doc("\\u-10179?\\u-8704?"), "😀"},  // a surrogate pair as two escapes
      {Doc("\\u-8704?a"), "\uFFFDa"},     // a lone low surrogate is replaced
      {Doc("a\\u12?b\\u27?c\\u0?d"),
       "a\fb\x1B"
       "cd"},
      // \cpg overrides \fcharset; \fcharset1 means the document's page.
      {"{\\rtf1\\ansi\\ansicpg932{\\fonttbl{\\f0\\fnil\\fcharset1 Default;}"
       "{\\f1\\fnil\\fcharset0\\cpg936 Gb;}{\\f2\\fnil\\cpg936\\fcharset0 GbFirst;}}"
       "\\f0\\'82\\'a0\\f1\\'d6\\'d0\\f2\\'d6\\'d0}",
       "あ中中"},
  };
  for (const auto& [rtf, text] : cases) {
    auto r = ReadString(rtf);
    EXPECT_TRUE(r->result.ok) << rtf;
    EXPECT_EQ(r->document.toPlainText(), QString::fromUtf8(text)) << rtf;
  }
}

TEST(RtfReaderCodePages, GrouplessFontTableAsCocoaWritesIt) {
  // Shaped after the header of an RTFD's TXT.rtf.
  auto r = ReadString(
      "{\\rtf1\\ansi\\ansicpg1252\\cocoartf2639\n\\cocoatextscaling0\\cocoaplatform0"
      "{\\fonttbl\\f0\\fswiss\\fcharset0 Helvetica;\\f1\\fnil\\fcharset128 HiraginoSans-W3;}\n"
      "{\\colortbl;\\red255\\green255\\blue255;}\n{\\*\\expandedcolortbl;;}\n"
      "\\pard\\tx566\\pardirnatural\\partightenfactor0\n\n\\f0\\fs24 \\cf0 Hello \\f1 \\'82\\'a0}");
  EXPECT_TRUE(r->result.ok);
  EXPECT_EQ(r->document.toPlainText(), QString::fromUtf8("Hello あ"));
  EXPECT_EQ(FormatOf(r->document, "H").fontFamilies().toStringList(), QStringList{"Helvetica"});
  EXPECT_EQ(FormatOf(r->document, QString::fromUtf8("あ")).fontFamilies().toStringList(),
            QStringList{"HiraginoSans-W3"});
}

TEST(RtfReaderCodePages, LongShiftJisRunsStayWhole) {
  // Longer than the reader's decoding chunk, with an odd start so that a cut
  // at a fixed size would fall between the two bytes of a character.
  std::string body = "\\'82\\'a0";
  for (int i = 0; i < 40000; ++i) body += "\\'82\\'a0";
  body += "-";
  for (int i = 0; i < 30000; ++i) body += "\\'95\\\\";
  auto r = ReadString("{\\rtf1\\ansi\\ansicpg932 " + body + "}");
  const QString text = r->document.toPlainText();
  EXPECT_EQ(text, QString(40001, QChar(0x3042)) + "-" + QString(30000, QChar(0x8868)));
}

TEST(RtfReaderCodePages, UnknownCodePageReadsAsLatinWithAWarning) {
  auto r = ReadString("{\\rtf1\\ansi\\ansicpg99999 caf\\'e9}");
  EXPECT_TRUE(r->result.ok);
  EXPECT_EQ(r->document.toPlainText(), QString::fromUtf8("café"));
  EXPECT_EQ(r->result.warnings, 1);
}

// --- Character formatting ----------------------------------------------------

TEST(RtfReaderCharacters, StylesToggleAndEndWithTheirGroup) {
  auto r = ReadString(
      Doc("{\\b B}{\\i I}{\\ul U}{\\strike S}{\\ulwave W}{\\super P}{\\sub D} N \\b on\\b0 off"));
  const QTextDocument& d = r->document;
  EXPECT_EQ(FormatOf(d, "B").fontWeight(), QFont::Bold);
  EXPECT_TRUE(FormatOf(d, "I").fontItalic());
  EXPECT_EQ(FormatOf(d, "U").underlineStyle(), QTextCharFormat::SingleUnderline);
  EXPECT_TRUE(FormatOf(d, "S").fontStrikeOut());
  EXPECT_EQ(FormatOf(d, "W").underlineStyle(), QTextCharFormat::WaveUnderline);
  EXPECT_EQ(FormatOf(d, "P").verticalAlignment(), QTextCharFormat::AlignSuperScript);
  EXPECT_EQ(FormatOf(d, "D").verticalAlignment(), QTextCharFormat::AlignSubScript);
  const QTextCharFormat plain = FormatOf(d, "N");
  EXPECT_NE(plain.fontWeight(), QFont::Bold);
  EXPECT_FALSE(plain.fontItalic());
  EXPECT_EQ(plain.underlineStyle(), QTextCharFormat::NoUnderline);
  EXPECT_EQ(plain.verticalAlignment(), QTextCharFormat::AlignNormal);
  EXPECT_EQ(ReadString(Doc("shown{\\v hidden}\\v more\\v0  again"))->document.toPlainText(),
            "shown again");  // the second blank is text
  EXPECT_EQ(FormatOf(d, "on").fontWeight(), QFont::Bold);
  EXPECT_NE(FormatOf(d, "off").fontWeight(), QFont::Bold);
}

TEST(RtfReaderCharacters, FontSizeFamilyAndPlain) {
  auto r = ReadString(
      "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Times;}{\\f1\\fswiss Helvetica Neue;}}"
      "def\\f1\\fs36\\b big\\plain reset}");
  const QTextDocument& d = r->document;
  EXPECT_EQ(FormatOf(d, "def").fontFamilies().toStringList(), QStringList{"Times"});
  EXPECT_DOUBLE_EQ(FormatOf(d, "def").fontPointSize(), 12.0);
  EXPECT_EQ(FormatOf(d, "big").fontFamilies().toStringList(), QStringList{"Helvetica Neue"});
  EXPECT_DOUBLE_EQ(FormatOf(d, "big").fontPointSize(), 18.0);
  const QTextCharFormat reset = FormatOf(d, "reset");
  EXPECT_EQ(reset.fontFamilies().toStringList(), QStringList{"Times"});
  EXPECT_DOUBLE_EQ(reset.fontPointSize(), 12.0);
  EXPECT_NE(reset.fontWeight(), QFont::Bold);
}

TEST(RtfReaderCharacters, ColoursIndexTheTableWithAutoAtZero) {
  auto r = ReadString(
      Doc("{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;\\red0\\green128\\blue0;}"
          "{\\cf1 red}{\\cf2\\cb3 blueOnGreen}{\\cb3\\highlight1 marked}{\\cf0 auto}{\\cf9 "
          "missing}"));
  const QTextDocument& d = r->document;
  EXPECT_EQ(FormatOf(d, "red").foreground().color(), QColor(255, 0, 0));
  EXPECT_EQ(FormatOf(d, "blueOnGreen").foreground().color(), QColor(0, 0, 255));
  EXPECT_EQ(FormatOf(d, "blueOnGreen").background().color(), QColor(0, 128, 0));
  EXPECT_EQ(FormatOf(d, "marked").background().color(), QColor(255, 0, 0));
  EXPECT_FALSE(FormatOf(d, "auto").hasProperty(QTextFormat::ForegroundBrush));
  EXPECT_FALSE(FormatOf(d, "missing").hasProperty(QTextFormat::ForegroundBrush));
  EXPECT_EQ(d.toPlainText(), "redblueOnGreenmarkedautomissing");
}

// --- Paragraphs and breaks ----------------------------------------------------

TEST(RtfReaderParagraphs, AlignmentIndentsSpacingAndLineHeight) {
  auto r = ReadString(
      Doc("\\qc centre\\par\\pard\\qr\\li400\\ri200\\fi-100\\sb60\\sa120 right\\par"
          "\\pard\\qj\\sl480\\slmult1 double\\par\\pard\\sl-300 exact\\par\\pard plain"));
  const QTextDocument& d = r->document;
  EXPECT_EQ(BlockOf(d, "centre").alignment(), Qt::AlignHCenter);
  const QTextBlockFormat right = BlockOf(d, "right");
  EXPECT_EQ(right.alignment(), Qt::AlignRight);
  EXPECT_DOUBLE_EQ(right.leftMargin(), 20.0);
  EXPECT_DOUBLE_EQ(right.rightMargin(), 10.0);
  EXPECT_DOUBLE_EQ(right.textIndent(), -5.0);
  EXPECT_DOUBLE_EQ(right.topMargin(), 3.0);
  EXPECT_DOUBLE_EQ(right.bottomMargin(), 6.0);
  const QTextBlockFormat dbl = BlockOf(d, "double");
  EXPECT_EQ(dbl.alignment(), Qt::AlignJustify);
  EXPECT_EQ(dbl.lineHeightType(), QTextBlockFormat::ProportionalHeight);
  EXPECT_DOUBLE_EQ(dbl.lineHeight(), 200.0);
  EXPECT_EQ(BlockOf(d, "exact").lineHeightType(), QTextBlockFormat::FixedHeight);
  EXPECT_DOUBLE_EQ(BlockOf(d, "exact").lineHeight(), 15.0);
  // \pard returns to the defaults, also for the last paragraph without \par.
  const QTextBlockFormat plain = BlockOf(d, "plain");
  EXPECT_EQ(plain.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
  EXPECT_DOUBLE_EQ(plain.leftMargin(), 0.0);
  EXPECT_EQ(plain.lineHeightType(), QTextBlockFormat::SingleHeight);
  EXPECT_EQ(d.blockCount(), 5);
}

TEST(RtfReaderParagraphs, TabStopsKeepTheirKinds) {
  auto r = ReadString(Doc("\\tx720\\tqr\\tx2880\\tqc\\tx4320 a\\tab b"));
  const QList<QTextOption::Tab> tabs = BlockOf(r->document, "a").tabPositions();
  ASSERT_EQ(tabs.size(), 3);
  EXPECT_DOUBLE_EQ(tabs[0].position, 36.0);
  EXPECT_EQ(tabs[0].type, QTextOption::LeftTab);
  EXPECT_DOUBLE_EQ(tabs[1].position, 144.0);
  EXPECT_EQ(tabs[1].type, QTextOption::RightTab);
  EXPECT_EQ(tabs[2].type, QTextOption::CenterTab);
  EXPECT_EQ(r->document.toPlainText(), "a\tb");
}

TEST(RtfReaderParagraphs, BreaksTabsAndSpecialCharacters) {
  auto r = ReadString(
      Doc("one\\line two\\par\nthree\\tab four\\page five\\\nsix \\emdash\\endash\\~\\bullet"
          "\\lquote\\rquote\\ldblquote\\rdblquote\r\nend"));
  const QTextDocument& d = r->document;
  ASSERT_EQ(d.blockCount(), 4);
  EXPECT_EQ(d.findBlockByNumber(0).text(), QString::fromUtf8("one\u2028two"));
  EXPECT_EQ(d.findBlockByNumber(1).text(), "three\tfour");
  EXPECT_EQ(d.findBlockByNumber(2).text(), "five");
  EXPECT_EQ(d.findBlockByNumber(2).blockFormat().pageBreakPolicy(),
            QTextFormat::PageBreak_AlwaysBefore);
  EXPECT_NE(d.findBlockByNumber(3).blockFormat().pageBreakPolicy(),
            QTextFormat::PageBreak_AlwaysBefore);
  EXPECT_EQ(d.findBlockByNumber(3).text(), QString::fromUtf8("six —–\u00A0•‘’“”end"));
}

// --- Destinations ---------------------------------------------------------------

TEST(RtfReaderDestinations, TablesAndUnknownIgnorableGroupsStayOutOfTheText) {
  auto r = ReadString(
      "{\\rtf1\\ansi{\\fonttbl{\\f0 Times;}}{\\colortbl;\\red1\\green2\\blue3;}"
      "{\\stylesheet{\\s0 Normal;}}{\\info{\\title T}{\\author A}}{\\*\\generator G;}"
      "{\\*\\unknownthing {nested} text}{\\*\\bkmkstart b}"
      "{\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt link}} "
      "{\\listtext \\bullet\\tab}item{\\*\\listtable{\\list x}}}");
  EXPECT_TRUE(r->result.ok);
  EXPECT_EQ(r->document.toPlainText(), QString::fromUtf8("link •\titem"));
}

TEST(RtfReaderDestinations, SymbolFontListMarkersBecomeBullets) {
  // As word processors write bulleted lists: the marker in a Symbol font.
  auto r = ReadString(
      "{\\rtf1\\ansi{\\fonttbl{\\f0 Times;}{\\f3\\ftech\\fcharset2 Symbol;}}"
      "{\\listtext\\pard\\plain\\f3 \\'b7\\tab}one\\par{\\listtext\\f3 \\'a7\\tab}two}");
  EXPECT_EQ(r->document.toPlainText(), QString::fromUtf8("•\tone\n▪\ttwo"));
}

TEST(RtfReaderDestinations, ReadingLeavesNoUndoHistory) {
  QTextDocument document;
  document.setPlainText("old");
  ASSERT_TRUE(ReadRtf(QByteArray("{\\rtf1 a\\par b}"), &document).ok);
  EXPECT_EQ(document.toPlainText(), "a\nb");
  EXPECT_FALSE(document.isUndoAvailable());
  EXPECT_TRUE(document.isUndoRedoEnabled());
}

TEST(RtfReaderDestinations, EscapesAndBinaryDataInSkippedGroupsDoNotLeak) {
  auto r = ReadString(Doc("a\\{b\\}c\\\\d{\\*\\foo \\bin2 }}}x{\\*\\bar \\'7d}y"));
  EXPECT_TRUE(r->result.ok);
  EXPECT_EQ(r->document.toPlainText(), "a{b}c\\dxy");
}

// --- Tables ----------------------------------------------------------------------

TEST(RtfReaderTables, RowsAndCellsBecomeAQTextTable) {
  auto r = ReadString(
      Doc("before\\par\\trowd\\cellx1000\\cellx3000\\pard\\intbl A\\cell B1\\par B2\\cell\\row"
          "\\trowd\\cellx1000\\cellx3000\\pard\\intbl\\cell D\\cell\\row\\pard after"));
  QTextDocument& d = r->document;
  QTextTable* table = nullptr;
  for (QTextFrame* frame : d.rootFrame()->childFrames()) {
    table = qobject_cast<QTextTable*>(frame);
    if (table != nullptr) break;
  }
  ASSERT_NE(table, nullptr);
  ASSERT_EQ(table->rows(), 2);
  ASSERT_EQ(table->columns(), 2);
  auto cellText = [&](int row, int column) {
    QTextCursor c = table->cellAt(row, column).firstCursorPosition();
    c.setPosition(table->cellAt(row, column).lastCursorPosition().position(),
                  QTextCursor::KeepAnchor);
    return c.selectedText();
  };
  EXPECT_EQ(cellText(0, 0), "A");
  EXPECT_EQ(cellText(0, 1), QString::fromUtf8("B1\u2029B2"));
  EXPECT_EQ(cellText(1, 0), "");
  EXPECT_EQ(cellText(1, 1), "D");
  const QList<QTextLength> widths = table->format().columnWidthConstraints();
  ASSERT_EQ(widths.size(), 2);
  EXPECT_DOUBLE_EQ(widths[1].rawValue(), 100.0);
  // Text after the table is outside it.
  const QTextCursor after = d.find("after");
  ASSERT_FALSE(after.isNull());
  EXPECT_EQ(after.currentTable(), nullptr);
  EXPECT_EQ(d.find("before").currentTable(), nullptr);
}

// Rows are made ahead in batches; the table ends with the rows it read,
// whether text follows it or the document ends inside it.
TEST(RtfReaderTables, LongTablesKeepExactlyTheirRows) {
  for (const char* after : {"\\pard after", ""}) {
    QByteArray rows;
    for (int i = 0; i < 1000; ++i) {
      rows += "\\trowd\\cellx500\\pard\\intbl r" + QByteArray::number(i) + "\\cell\\row";
    }
    auto r = ReadString(Doc(rows.toStdString() + after));
    QTextTable* table = nullptr;
    for (QTextFrame* frame : r->document.rootFrame()->childFrames()) {
      if ((table = qobject_cast<QTextTable*>(frame)) != nullptr) break;
    }
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->rows(), 1000) << after;
    QTextCursor last = table->cellAt(999, 0).firstCursorPosition();
    last.setPosition(table->cellAt(999, 0).lastCursorPosition().position(),
                     QTextCursor::KeepAnchor);
    EXPECT_EQ(last.selectedText(), "r999");
    if (*after != '\0') {
      EXPECT_EQ(r->document.find("after").currentTable(), nullptr);
    }
  }
}

TEST(RtfReaderTables, ConsecutiveTablesStaySeparateAndPicturesGoIntoCells) {
  auto r = ReadString(
      Doc("\\trowd\\cellx500\\pard\\intbl one\\cell\\row\\pard\\par"
          "\\trowd\\cellx500\\cellx900\\pard\\intbl {\\pict\\pngblip 89}\\cell two\\cell\\row"
          "\\pard end"));
  std::vector<QTextTable*> tables;
  for (QTextFrame* frame : r->document.rootFrame()->childFrames()) {
    if (auto* table = qobject_cast<QTextTable*>(frame)) tables.push_back(table);
  }
  ASSERT_EQ(tables.size(), 2u);
  EXPECT_EQ(tables[0]->columns(), 1);
  EXPECT_EQ(tables[1]->columns(), 2);
  const QTextTableCell pictureCell = tables[1]->cellAt(0, 0);
  EXPECT_EQ(r->document.characterAt(pictureCell.firstPosition()),
            QChar(QChar::ObjectReplacementCharacter));
  EXPECT_EQ(r->document.find("two").currentTable(), tables[1]);
  EXPECT_EQ(r->document.find("end").currentTable(), nullptr);
}

TEST(RtfReaderTables, AParagraphEndedBeforeATableLeavesNoEmptyBlock) {
  auto r = ReadString("{\\rtf1 A\\par\\trowd\\cellx1000 \\pard\\intbl B\\cell\\row\\pard C}");
  QStringList blocks;
  for (QTextBlock block = r->document.begin(); block.isValid(); block = block.next()) {
    blocks << block.text();
  }
  EXPECT_EQ(blocks, QStringList({"A", "B", "C"}));
  EXPECT_NE(r->document.find("B").currentTable(), nullptr);
  // An empty paragraph written before the table is still kept.
  EXPECT_EQ(ReadString("{\\rtf1 A\\par\\par\\trowd\\cellx1000 \\pard\\intbl B\\cell\\row}")
                ->document.toPlainText()
                .left(3),
            "A\n\n");
}

// --- Pictures and attachments ----------------------------------------------------

TEST(RtfReaderPictures, PngBlipBecomesAnAttachmentWithItsGoalSize) {
  const QByteArray png = TinyPng();
  auto r =
      ReadString(Doc("a{\\*\\shppict{\\pict{\\*\\picprop{\\sp{\\sn x}{\\sv 1}}}\\pngblip"
                     "\\picw2\\pich3\\picwgoal400\\pichgoal600\n" +
                     Hex(png).insert(8, "\n ") + "}}{\\nonshppict{\\pict\\wmetafile8 0102}}b"));
  EXPECT_TRUE(r->result.ok);
  const std::vector<Attachment> attachments = Attachments(r->document);
  ASSERT_EQ(attachments.size(), 1u);
  EXPECT_EQ(attachments[0].name, "image-1.png");
  EXPECT_EQ(attachments[0].bytes, png);
  EXPECT_DOUBLE_EQ(attachments[0].width, 20.0);
  EXPECT_DOUBLE_EQ(attachments[0].height, 30.0);
  EXPECT_EQ(r->document.toPlainText(), QString::fromUtf8("a\uFFFCb"));
}

TEST(RtfReaderPictures, OtherKindsAndBinaryDataAreKeptByExtension) {
  auto r =
      ReadString(Doc("{\\pict\\jpegblip ffd8ffe0}{\\pict\\wmetafile8\\picw2540\\pich1270 0102}"
                     "{\\pict\\emfblip 01}{\\pict\\dibitmap0 \\bin3 {}\\}{\\pict\\pngblip }"));
  const std::vector<Attachment> attachments = Attachments(r->document);
  ASSERT_EQ(attachments.size(), 4u);
  EXPECT_EQ(attachments[0].name, "image-1.jpg");
  EXPECT_EQ(attachments[0].bytes, QByteArray::fromHex("ffd8ffe0"));
  EXPECT_EQ(attachments[1].name, "image-2.wmf");
  EXPECT_DOUBLE_EQ(attachments[1].width, 72.0);  // 25.4 mm
  EXPECT_EQ(attachments[2].name, "image-3.emf");
  EXPECT_EQ(attachments[3].name, "image-4.bin");
  EXPECT_EQ(attachments[3].bytes, QByteArray("{}\\"));
  EXPECT_EQ(r->result.warnings, 1);  // the empty picture
}

TEST(RtfReaderPictures, NeXTGraphicLoadsThePackageFileAndDropsThePlaceholder) {
  QStringList asked;
  const QByteArray png = TinyPng();
  auto loader = [&](const QString& name) -> std::optional<QByteArray> {
    asked.append(name);
    if (name == "a.png") return png;
    return std::nullopt;
  };
  // The RTFD form: the reference group, then a placeholder character.
  auto r = ReadString(Doc("x{{\\NeXTGraphic a.png \\width40 \\height60}\\'ac}y"
                          "{{\\NeXTGraphic ../gone.tiff \\width40 \\height40}\\'ac}z"),
                      loader);
  EXPECT_TRUE(r->result.ok);
  EXPECT_EQ(asked, (QStringList{"a.png", "gone.tiff"}));
  EXPECT_EQ(r->document.toPlainText(), QString::fromUtf8("x\uFFFCyz"));
  const std::vector<Attachment> attachments = Attachments(r->document);
  ASSERT_EQ(attachments.size(), 1u);
  EXPECT_EQ(attachments[0].name, "a.png");
  EXPECT_EQ(attachments[0].bytes, png);
  EXPECT_DOUBLE_EQ(attachments[0].width, 2.0);
  EXPECT_DOUBLE_EQ(attachments[0].height, 3.0);
  EXPECT_EQ(r->result.warnings, 1);

  // A name with a character outside the document's code page.
  QString unicodeName;
  auto r2 = ReadString(Doc("{{\\NeXTGraphic \\u20889?\\'e9.png \\width40 \\height40}\\'ac}"),
                       [&](const QString& name) -> std::optional<QByteArray> {
                         unicodeName = name;
                         return QByteArray("x");
                       });
  EXPECT_EQ(unicodeName, QString::fromUtf8("写é.png"));

  // Without a loader nothing is inserted, but the placeholder still goes.
  auto bare = ReadString(Doc("x{{\\NeXTGraphic a.png \\width40 \\height60}\\'ac}y"));
  EXPECT_EQ(bare->document.toPlainText(), "xy");
}

// --- Damaged input ---------------------------------------------------------------

TEST(RtfReaderDamage, TruncatedInputKeepsWhatWasReadAndSaysSo) {
  auto r = ReadString("{\\rtf1\\ansi{\\b bold} text\\par more {\\i it");
  EXPECT_FALSE(r->result.ok);
  EXPECT_TRUE(r->result.error.contains("truncated")) << r->result.error.toStdString();
  EXPECT_EQ(r->document.toPlainText(), "bold text\nmore it");

  // Cut inside an escape, a control word and a picture.
  for (const char* cut :
       {"{\\rtf1 a\\'8", "{\\rtf1 a\\", "{\\rtf1 a\\b", "{\\rtf1{\\pict\\pngblip 89"}) {
    auto partial = ReadString(cut);
    EXPECT_FALSE(partial->result.ok) << cut;
    EXPECT_TRUE(partial->document.toPlainText().startsWith("a") ||
                partial->document.toPlainText().isEmpty())
        << cut;
  }
}

TEST(RtfReaderDamage, NotRtfIsRefusedAndTheDocumentCleared) {
  QTextDocument document;
  document.setPlainText("old");
  const RtfReadResult result = ReadRtf("plain text", &document);
  EXPECT_FALSE(result.ok);
  EXPECT_FALSE(result.error.isEmpty());
  EXPECT_TRUE(document.isEmpty());
  EXPECT_FALSE(ReadRtf("", &document).ok);
}

TEST(RtfReaderDamage, UnclosedDeepNestingIsBounded) {
  QElapsedTimer timer;
  timer.start();
  auto open = ReadString("{\\rtf1 a" + std::string(100000, '{') + "b");
  EXPECT_FALSE(open->result.ok);
  EXPECT_EQ(open->document.toPlainText(), "a");

  EXPECT_LT(timer.elapsed(), 5000);
}

TEST(RtfReaderDamage, GroupsAreReadToTheDepthLimitAndSkippedOneBeyond) {
  // levels counts the outermost group; the text "deep" sits at the innermost.
  const auto nested = [](int levels) {
    return "{\\rtf1 a" + std::string(levels - 1, '{') + "deep" + std::string(levels - 1, '}') +
           "z}";
  };
  auto deepest = ReadString(nested(kRtfMaxGroupDepth));
  EXPECT_TRUE(deepest->result.ok);
  EXPECT_EQ(deepest->document.toPlainText(), "adeepz");
  EXPECT_EQ(deepest->result.warnings, 0);

  auto beyond = ReadString(nested(kRtfMaxGroupDepth + 1));
  EXPECT_TRUE(beyond->result.ok);
  EXPECT_EQ(beyond->document.toPlainText(), "az");
  EXPECT_EQ(beyond->result.warnings, 1);
}

TEST(RtfReaderDamage, BadEscapesAndOversizedLengthsDoNotReadPastTheEnd) {
  auto r = ReadString(Doc("a\\'zzb\\bin999999999 xyz"));
  EXPECT_FALSE(r->result.ok);  // \bin swallowed the closing brace
  EXPECT_EQ(r->document.toPlainText(), "azzb");
  EXPECT_GE(r->result.warnings, 1);

  // Trailing zero bytes after the document, as stored bodies have them.
  std::string padded = Doc("ok");
  padded.append(16, '\0');
  auto p = ReadString(padded);
  EXPECT_TRUE(p->result.ok);
  EXPECT_EQ(p->document.toPlainText(), "ok");
}

// A small file cannot make the reader hold many times its size: fonts,
// colours, font names and pictures are bounded, what is past the bound is
// passed over with a warning, and the text is read whole.
TEST(RtfReaderDamage, TablesAndPicturesAreBounded) {
  std::string fonts = "{\\fonttbl";
  fonts += "{\\f0 " + std::string(100000, 'n') + ";}";
  for (int i = 1; i < 5000; ++i) {
    fonts += "{\\f" + std::to_string(i) + " F" + std::to_string(i) + ";}";
  }
  fonts += "}";
  std::string colours = "{\\colortbl;";
  for (int i = 0; i < 5000; ++i) colours += "\\red1\\green2\\blue3;";
  colours += "}";
  std::string pictures;
  for (int i = 0; i < 10005; ++i) pictures += "{\\pict\\pngblip 89}";
  auto r = ReadString("{\\rtf1\\ansi " + fonts + colours +
                      "{\\f0 cut}{\\f4000 kept}{\\f4999\\cf4500 plain}" + pictures + "}");
  ASSERT_TRUE(r->result.ok);
  EXPECT_EQ(FormatOf(r->document, "cut").fontFamilies().toStringList(),
            QStringList{QString(256, QLatin1Char('n'))});
  EXPECT_EQ(FormatOf(r->document, "kept").fontFamilies().toStringList(), QStringList{"F4000"});
  EXPECT_NE(FormatOf(r->document, "plain").fontFamilies().toStringList(), QStringList{"F4999"});
  EXPECT_FALSE(FormatOf(r->document, "plain").hasProperty(QTextFormat::ForegroundBrush));
  const QString text = r->document.toPlainText();
  EXPECT_EQ(text.count(QChar::ObjectReplacementCharacter), 10000);
  EXPECT_GE(r->result.warnings, 5 + 903);  // the pictures and the fonts passed over
}

}  // namespace
}  // namespace kdx_richtext
