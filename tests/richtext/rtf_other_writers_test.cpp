// RTF as other word processors write it: Word's East Asian runs, Mac Japanese
// documents, footnotes, nested-table fallbacks, byte-order marks and font and
// colour tables with escapes. The fixtures are hand-written in the shape each
// writer gives (the control words copied from its output, the text shortened);
// East Asian bytes come from `printf 日本 | iconv -t SHIFT_JIS | xxd -p`
// (93fa 967b) and `printf 测试 | iconv -t GBK | xxd -p` (b2e2 cad4).
#include <gtest/gtest.h>

#include <QTextCursor>
#include <QTextDocument>
#include <string>

#include "richtext/rtf_reader.h"
#include "richtext/rtf_writer.h"

namespace kdx_richtext {
namespace {

struct Fixture {
  const char* name;
  const char* rtf;
  const char* text;  // the plain text it must read as, UTF-8
};

// Word's table of fonts: a Latin font, the Japanese (or Chinese) font, and
// the Latin fonts of the low and right-to-left characters.
#define WORD_FONTS(charset, name)                        \
  "{\\fonttbl{\\f0\\froman\\fcharset0 Times New Roman;}" \
  "{\\f1\\fnil\\fcharset" charset " " name               \
  ";}{\\f2\\froman\\fcharset0 "                          \
  "Century;}{\\f3\\froman\\fcharset0 Arial;}}"

const Fixture kFixtures[] = {
    // A Japanese run after paragraph-level associated fonts, with the
    // right-to-left associated font (\af3, a Latin font) named first.
    {"word-japanese",
     "{\\rtf1\\ansi\\ansicpg932\\deff0" WORD_FONTS(
         "128", "MS Mincho") "\\pard\\plain \\rtlch\\fcs1 \\af0 \\ltrch\\fcs0 "
                             "\\loch\\af2\\hich\\af2\\dbch\\af1 "
                             "{\\rtlch\\fcs1 \\af3 \\ltrch\\fcs0 \\loch\\af2\\hich\\af2\\dbch\\f1 "
                             "\\'93\\'fa\\'96\\'7b}"
                             "{\\rtlch\\fcs1 \\af3 \\ltrch\\fcs0 \\loch\\af2\\hich\\af2\\dbch\\af1 "
                             "abc}\\par}",
     "日本abc\n"},
    // A run that names only the right-to-left associated font keeps the
    // paragraph's double-byte font.
    {"word-rtl-font",
     "{\\rtf1\\ansi\\ansicpg1252\\deff0" WORD_FONTS(
         "128", "MS Mincho") "\\pard\\plain \\loch\\af2\\hich\\af2\\dbch\\af1 "
                             "{\\rtlch\\fcs1 \\af3 \\ltrch\\fcs0 \\'93\\'fa\\'96\\'7b}}",
     "日本"},
    // The same in a document whose code page is Western.
    {"word-japanese-ansi",
     "{\\rtf1\\ansi\\ansicpg1252\\deff0" WORD_FONTS(
         "128", "MS Mincho") "\\pard\\plain \\loch\\af2\\hich\\af2\\dbch\\af1 "
                             "{\\rtlch\\fcs1 \\af3 \\ltrch\\fcs0 \\loch\\af2\\hich\\af2\\dbch\\f1 "
                             "\\'93\\'fa\\'96\\'7b}}",
     "日本"},
    {"word-chinese",
     "{\\rtf1\\ansi\\ansicpg936\\deff0" WORD_FONTS(
         "134", "SimSun") "\\pard\\plain \\loch\\af2\\hich\\af2\\dbch\\af1 "
                          "{\\rtlch\\fcs1 \\af3 \\ltrch\\fcs0 \\loch\\af2\\hich\\af2\\dbch\\f1 "
                          "\\'b2\\'e2\\'ca\\'d4}}",
     "测试"},
    // Japanese bytes after \hich with a Latin font; a lone high byte there
    // stays Latin.
    {"hich-latin-font",
     "{\\rtf1\\ansi\\ansicpg932\\deff0" WORD_FONTS(
         "128", "MS Mincho") "{\\hich\\af0 \\'93\\'fa}{\\hich\\af0 caf\\'e9}}",
     "日café"},
    // Older Mac word processors: Mac Japanese by code page, by font charset,
    // and by \mac alone; \'fd is the Mac's ©.
    {"mac-japanese",
     "{\\rtf1\\mac\\ansicpg10001{\\fonttbl{\\f0\\fnil\\fcharset78 Osaka;}}\\f0 "
     "\\'93\\'fa\\'96\\'7b\\'fd}",
     "日本©"},
    {"mac-charset78",
     "{\\rtf1\\ansi{\\fonttbl{\\f0\\fnil\\fcharset78 Osaka;}}\\f0 \\'93\\'fa\\'96\\'7b}", "日本"},
    {"mac-only", "{\\rtf1\\mac\\deff0{\\fonttbl{\\f0\\fnil Osaka;}}\\f0 \\'93\\'fa\\'96\\'7b}",
     "日本"},
    {"mac-roman", "{\\rtf1\\mac caf\\'8e d\\'8et\\'8e}", "café dété"},
    // Word's footnote: the mark in the text, the note in its own group.
    {"footnote",
     "{\\rtf1\\ansi Text{\\super\\chftn}{\\footnote\\pard\\plain {\\super\\chftn} Note "
     "\\'e9\\\n here.} goes on.\\par Next}",
     "Text1 goes on. [footnote 1: Note é here.]\nNext"},
    // A nested table and the text Word writes for readers without them.
    {"nested-table",
     "{\\rtf1\\ansi \\trowd\\cellx4000\\pard\\intbl A\\par\\pard\\intbl\\itap2 B\\nestcell"
     "{\\*\\nesttableprops\\trowd\\cellx2000\\nestrow}{\\nonesttables\\par FALLBACK}\\cell\\row}",
     ""},
    {"bom", "\xEF\xBB\xBF{\\rtf1\\ansi Hello}", "Hello"},
    {"blank-after-brace", "\xEF\xBB\xBF \r\n{ \r\n\\rtf1\\ansi Hello}", "Hello"},
    // A font name with a Unicode escape, an escaped ; in the colour table.
    {"font-unicode-name",
     "{\\rtf1\\ansi{\\fonttbl{\\f1\\fnil \\u12354?Gothic;}{\\f2\\fnil\\uc2 \\u12356\\'82\\'a2x;}}"
     "{\\colortbl;\\red255\\green0\\blue0\\'3b;\\red0\\green0\\blue255;}\\f1\\cf2 a\\f2 b}",
     "ab"},
};

struct Read {
  QTextDocument document;
  RtfReadResult result;
};

void ReadInto(const QByteArray& rtf, Read* read) { read->result = ReadRtf(rtf, &read->document); }

QTextCharFormat FormatAt(const QTextDocument& document, int position) {
  QTextCursor cursor(const_cast<QTextDocument*>(&document));
  cursor.setPosition(position + 1);
  return cursor.charFormat();
}

TEST(RtfOtherWriters, EachFixtureReadsAsWritten) {
  for (const Fixture& f : kFixtures) {
    Read read;
    ReadInto(f.rtf, &read);
    EXPECT_TRUE(read.result.ok) << f.name << ": " << read.result.error.toStdString();
    const QString text = read.document.toPlainText();
    if (std::string(f.name) == "nested-table") {
      EXPECT_TRUE(text.contains("B")) << text.toStdString();
      EXPECT_FALSE(text.contains("FALLBACK")) << text.toStdString();
    } else {
      EXPECT_EQ(text.toStdString(), f.text) << f.name;
    }
  }
}

TEST(RtfOtherWriters, FontNamesAndColoursKeepTheirEscapes) {
  Read read;
  ReadInto(kFixtures[std::size(kFixtures) - 1].rtf, &read);
  EXPECT_EQ(FormatAt(read.document, 0).fontFamilies().toStringList(),
            QStringList{QString::fromUtf8("あGothic")});
  EXPECT_EQ(FormatAt(read.document, 1).fontFamilies().toStringList(),
            QStringList{QString::fromUtf8("いx")});
  EXPECT_EQ(FormatAt(read.document, 0).foreground().color(), QColor(0, 0, 255));
}

TEST(RtfOtherWriters, TruncatedDataKeepsAFootnoteItWasIn) {
  Read read;
  ReadInto("{\\rtf1\\ansi Text{\\footnote cut \\'e9", &read);
  EXPECT_TRUE(read.result.truncated);
  EXPECT_EQ(read.document.toPlainText().toStdString(), "Text [footnote 1: cut é]");
  Read whole;
  ReadInto("{\\rtf1\\ansi Text}", &whole);
  EXPECT_FALSE(whole.result.truncated);
}

// What the reader makes of each fixture, written by this system's writer and
// read again, is the same text.
TEST(RtfOtherWriters, FixturesSurviveOurWriter) {
  for (const Fixture& f : kFixtures) {
    Read first;
    ReadInto(f.rtf, &first);
    for (RtfAttachmentMode mode : {RtfAttachmentMode::embed, RtfAttachmentMode::rtfd}) {
      Read again;
      ReadInto(WriteRtf(first.document, mode).rtf, &again);
      EXPECT_TRUE(again.result.ok) << f.name;
      EXPECT_EQ(again.document.toPlainText(), first.document.toPlainText()) << f.name;
    }
  }
}

}  // namespace
}  // namespace kdx_richtext
