// The table of control words the RTF reader knows. Words not in it are
// ignored, or skip their group when it starts with \*.
#include "richtext/rtf_control_words.h"

#include <QTextCharFormat>
#include <QTextOption>
#include <algorithm>
#include <iterator>

namespace kdx_richtext::rtf_internal {
namespace {

struct Entry {
  std::string_view name;
  Keyword keyword;
  int value = 0;
};

constexpr bool NameBefore(const Entry& a, const Entry& b) { return a.name < b.name; }
constexpr bool SameName(const Entry& a, const Entry& b) { return a.name == b.name; }

constexpr int kSingle = QTextCharFormat::SingleUnderline;
constexpr int kDashed = QTextCharFormat::DashUnderline;
constexpr int kWave = QTextCharFormat::WaveUnderline;

using K = Keyword;

// In byte order of the names (capitals first), for the binary search.
constexpr Entry kWords[] = {
    {"NeXTGraphic", K::kNeXTGraphic},
    {"af", K::kAssociatedFont},
    {"annotation", K::kSkippedDestination},
    {"ansi", K::kDocumentCodePage, 1252},
    {"ansicpg", K::kAnsiCodePage},
    {"atnauthor", K::kSkippedDestination},
    {"atnid", K::kSkippedDestination},
    {"b", K::kBold},
    {"bkmkend", K::kSkippedDestination},
    {"bkmkstart", K::kSkippedDestination},
    {"blipuid", K::kSkippedDestination},
    {"blue", K::kBlue},
    {"bullet", K::kCharacter, 0x2022},
    {"cb", K::kBackground},
    {"cell", K::kCell},
    {"cellx", K::kCellRight},
    {"cf", K::kForeground},
    {"chcbpat", K::kBackground},
    {"chftn", K::kFootnoteMark},
    {"colorschememapping", K::kSkippedDestination},
    {"colortbl", K::kColorTable},
    {"cpg", K::kFontCodePage},
    {"datastore", K::kSkippedDestination},
    {"dbch", K::kCharacterKind, 2},
    {"deff", K::kDefaultFont},
    {"docvar", K::kSkippedDestination},
    {"emdash", K::kCharacter, 0x2014},
    {"emfblip", K::kPictureType, kEmf},
    {"emspace", K::kCharacter, 0x2003},
    {"endash", K::kCharacter, 0x2013},
    {"enspace", K::kCharacter, 0x2002},
    {"expandedcolortbl", K::kSkippedDestination},
    {"f", K::kFont},
    {"falt", K::kSkippedDestination},
    {"fcharset", K::kCharset},
    {"fi", K::kFirstLineIndent},
    {"field", K::kShownDestination},
    {"filetbl", K::kSkippedDestination},
    {"fldinst", K::kSkippedDestination},
    {"fldrslt", K::kShownDestination},
    {"fontemb", K::kSkippedDestination},
    {"fonttbl", K::kFontTable},
    {"footer", K::kSkippedDestination},
    {"footerf", K::kSkippedDestination},
    {"footerl", K::kSkippedDestination},
    {"footerr", K::kSkippedDestination},
    {"footnote", K::kFootnote},
    {"fs", K::kFontSize},
    {"generator", K::kSkippedDestination},
    {"green", K::kGreen},
    {"header", K::kSkippedDestination},
    {"headerf", K::kSkippedDestination},
    {"headerl", K::kSkippedDestination},
    {"headerr", K::kSkippedDestination},
    {"height", K::kGraphicHeight},
    {"hich", K::kCharacterKind, 1},
    {"highlight", K::kHighlight},
    {"i", K::kItalic},
    {"info", K::kSkippedDestination},
    {"intbl", K::kInTable},
    {"jpegblip", K::kPictureType, kJpeg},
    {"latentstyles", K::kSkippedDestination},
    {"ldblquote", K::kCharacter, 0x201C},
    {"li", K::kLeftIndent},
    {"lin", K::kLeftIndent},
    {"line", K::kCharacter, 0x2028},
    {"listoverridetable", K::kSkippedDestination},
    {"listpicture", K::kSkippedDestination},
    {"listtable", K::kSkippedDestination},
    {"listtext", K::kShownDestination},
    {"loch", K::kCharacterKind, 0},
    {"lquote", K::kCharacter, 0x2018},
    {"ltrch", K::kRightToLeftChars, 0},
    {"ltrmark", K::kCharacter, 0x200E},
    {"mac", K::kMacDocument},
    {"mmathPr", K::kSkippedDestination},
    {"nestcell", K::kCell},
    {"nestrow", K::kRow},
    {"nonesttables", K::kSkippedDestination},
    {"nonshppict", K::kSkippedDestination},
    {"nosupersub", K::kVertical, QTextCharFormat::AlignNormal},
    {"objclass", K::kSkippedDestination},
    {"objdata", K::kSkippedDestination},
    {"page", K::kPage},
    {"pagebb", K::kPageBreakBefore},
    {"panose", K::kSkippedDestination},
    {"par", K::kParagraph},
    {"pard", K::kParagraphDefaults},
    {"pc", K::kDocumentCodePage, 437},
    {"pca", K::kDocumentCodePage, 850},
    {"pgdsctbl", K::kSkippedDestination},
    {"pich", K::kPictureHeight},
    {"pichgoal", K::kPictureGoalHeight},
    {"picprop", K::kSkippedDestination},
    {"picscalex", K::kPictureScaleX},
    {"picscaley", K::kPictureScaleY},
    {"pict", K::kPicture},
    {"picw", K::kPictureWidth},
    {"picwgoal", K::kPictureGoalWidth},
    {"plain", K::kPlain},
    {"pn", K::kSkippedDestination},
    {"pngblip", K::kPictureType, kPng},
    {"pnseclvl", K::kSkippedDestination},
    {"pntext", K::kShownDestination},
    {"private", K::kSkippedDestination},
    {"qc", K::kAlignment, Qt::AlignHCenter},
    {"qd", K::kAlignment, Qt::AlignJustify},
    {"qj", K::kAlignment, Qt::AlignJustify},
    {"ql", K::kAlignment, Qt::AlignLeft},
    {"qmspace", K::kCharacter, 0x2005},
    {"qr", K::kAlignment, Qt::AlignRight},
    {"rdblquote", K::kCharacter, 0x201D},
    {"red", K::kRed},
    {"revtbl", K::kSkippedDestination},
    {"ri", K::kRightIndent},
    {"rin", K::kRightIndent},
    {"row", K::kRow},
    {"rquote", K::kCharacter, 0x2019},
    {"rsidtbl", K::kSkippedDestination},
    {"rtlch", K::kRightToLeftChars, 1},
    {"rtlmark", K::kCharacter, 0x200F},
    {"sa", K::kSpaceAfter},
    {"sb", K::kSpaceBefore},
    {"sect", K::kParagraph},
    {"shpinst", K::kSkippedDestination},
    {"shppict", K::kShownDestination},
    {"sl", K::kLineSpacing},
    {"slmult", K::kLineMultiple},
    {"strike", K::kStrike},
    {"striked", K::kStrike},
    {"stylesheet", K::kSkippedDestination},
    {"sub", K::kVertical, QTextCharFormat::AlignSubScript},
    {"super", K::kVertical, QTextCharFormat::AlignSuperScript},
    {"tab", K::kCharacter, u'\t'},
    {"tb", K::kTabStop},
    {"tc", K::kSkippedDestination},
    {"template", K::kSkippedDestination},
    {"themedata", K::kSkippedDestination},
    {"tqc", K::kTabKind, QTextOption::CenterTab},
    {"tqdec", K::kTabKind, QTextOption::DelimiterTab},
    {"tqr", K::kTabKind, QTextOption::RightTab},
    {"trowd", K::kRowDefaults},
    {"tx", K::kTabStop},
    {"txe", K::kSkippedDestination},
    {"u", K::kUnicode},
    {"uc", K::kUnicodeSkip},
    {"ud", K::kSkippedDestination},
    {"ul", K::kUnderline, kSingle},
    {"uld", K::kUnderline, QTextCharFormat::DotLine},
    {"uldash", K::kUnderline, kDashed},
    {"uldashd", K::kUnderline, QTextCharFormat::DashDotLine},
    {"uldashdd", K::kUnderline, QTextCharFormat::DashDotDotLine},
    {"uldb", K::kUnderline, kSingle},
    {"ulhwave", K::kUnderline, kWave},
    {"ulldash", K::kUnderline, kDashed},
    {"ulnone", K::kUnderline, QTextCharFormat::NoUnderline},
    {"ulth", K::kUnderline, kSingle},
    {"ulthdash", K::kUnderline, kDashed},
    {"ululdbwave", K::kUnderline, kWave},
    {"ulw", K::kUnderline, kSingle},
    {"ulwave", K::kUnderline, kWave},
    {"upr", K::kSkippedDestination},
    {"userprops", K::kSkippedDestination},
    {"v", K::kHidden},
    {"width", K::kGraphicWidth},
    {"wmetafile", K::kPictureType, kWmf},
    {"xe", K::kSkippedDestination},
    {"xmlnstbl", K::kSkippedDestination},
    {"zwj", K::kCharacter, 0x200D},
    {"zwnj", K::kCharacter, 0x200C},
};
static_assert(std::is_sorted(std::begin(kWords), std::end(kWords), NameBefore));
static_assert(std::adjacent_find(std::begin(kWords), std::end(kWords), SameName) ==
              std::end(kWords));

}  // namespace

ControlWord FindControlWord(std::string_view name) {
  const Entry key{name, Keyword::kUnknown};
  const Entry* found = std::lower_bound(std::begin(kWords), std::end(kWords), key, NameBefore);
  if (found == std::end(kWords) || found->name != name) return {};
  return {found->keyword, found->value};
}

}  // namespace kdx_richtext::rtf_internal
