// Character and paragraph properties of the RTF reader and their Qt formats.
#include "richtext/rtf_formats.h"

#include <algorithm>
#include <cstdlib>

namespace kdx_richtext::rtf_internal {
namespace {

constexpr qsizetype kMaxTabStops = 256;

}  // namespace

bool ApplyCharacterWord(const ControlWord& word, bool hasParam, int param, CharProps& ch) {
  const bool on = !hasParam || param != 0;
  switch (word.keyword) {
    case Keyword::kPlain:
      ch = CharProps();
      break;
    case Keyword::kFont:
      ch.font = param;
      if (ch.script != Script::kAny) ch.scriptFonts[static_cast<int>(ch.script)] = param;
      break;
    case Keyword::kCharacterKind:
      ch.script = static_cast<Script>(word.value);
      ch.rtlAssociated = false;
      break;
    case Keyword::kRightToLeftChars:
      ch.rtlAssociated = word.value != 0;
      break;
    case Keyword::kAssociatedFont:
      if (!ch.rtlAssociated && ch.script != Script::kAny) {
        ch.scriptFonts[static_cast<int>(ch.script)] = param;
      }
      break;
    case Keyword::kFontSize:
      ch.halfPoints = hasParam && param > 0 ? std::min(param, 3276) : kDefaultHalfPoints;
      break;
    case Keyword::kBold:
      ch.bold = on;
      break;
    case Keyword::kItalic:
      ch.italic = on;
      break;
    case Keyword::kHidden:
      ch.hidden = on;
      break;
    case Keyword::kStrike:
      ch.strike = on;
      break;
    case Keyword::kUnderline:
      ch.underline = on ? static_cast<QTextCharFormat::UnderlineStyle>(word.value)
                        : QTextCharFormat::NoUnderline;
      break;
    case Keyword::kForeground:
      ch.foreground = param;
      break;
    case Keyword::kBackground:
      ch.background = param;
      break;
    case Keyword::kHighlight:
      ch.highlight = param;
      break;
    case Keyword::kVertical:
      ch.vertical = on ? static_cast<QTextCharFormat::VerticalAlignment>(word.value)
                       : QTextCharFormat::AlignNormal;
      break;
    default:
      return false;
  }
  return true;
}

bool ApplyParagraphWord(const ControlWord& word, bool hasParam, int param, ParaProps& pa) {
  const bool on = !hasParam || param != 0;
  switch (word.keyword) {
    case Keyword::kParagraphDefaults:
      pa = ParaProps();
      break;
    case Keyword::kAlignment:
      pa.alignment = static_cast<Qt::AlignmentFlag>(word.value);
      break;
    case Keyword::kLeftIndent:
      pa.leftTwips = param;
      break;
    case Keyword::kRightIndent:
      pa.rightTwips = param;
      break;
    case Keyword::kFirstLineIndent:
      pa.firstLineTwips = param;
      break;
    case Keyword::kSpaceBefore:
      pa.spaceBeforeTwips = std::max(param, 0);
      break;
    case Keyword::kSpaceAfter:
      pa.spaceAfterTwips = std::max(param, 0);
      break;
    case Keyword::kLineSpacing:
      pa.lineSpacing = param;
      break;
    case Keyword::kLineMultiple:
      pa.lineMultiple = on;
      break;
    case Keyword::kTabKind:
      pa.nextTabType = static_cast<QTextOption::TabType>(word.value);
      break;
    case Keyword::kTabStop:
      if (pa.tabs.size() < kMaxTabStops) {
        QTextOption::Tab tab(TwipsToPoints(std::max(param, 0)), pa.nextTabType);
        if (pa.nextTabType == QTextOption::DelimiterTab) tab.delimiter = QLatin1Char('.');
        pa.tabs.append(tab);
      }
      pa.nextTabType = QTextOption::LeftTab;
      break;
    case Keyword::kInTable:
      pa.inTable = on;
      break;
    case Keyword::kPageBreakBefore:
      pa.pageBreakBefore = on;
      break;
    default:
      return false;
  }
  return true;
}

QTextCharFormat CharFormatOf(const CharProps& ch, const QString& fontFamily,
                             const QColor& foreground, const QColor& background) {
  QTextCharFormat format;
  if (!fontFamily.isEmpty()) format.setFontFamilies({fontFamily});
  format.setFontPointSize(ch.halfPoints / 2.0);
  if (ch.bold) format.setFontWeight(QFont::Bold);
  if (ch.italic) format.setFontItalic(true);
  if (ch.strike) format.setFontStrikeOut(true);
  if (ch.underline != QTextCharFormat::NoUnderline) format.setUnderlineStyle(ch.underline);
  if (foreground.isValid()) format.setForeground(foreground);
  if (background.isValid()) format.setBackground(background);
  if (ch.vertical != QTextCharFormat::AlignNormal) format.setVerticalAlignment(ch.vertical);
  return format;
}

// Only properties that differ from the defaults are stored.
QTextBlockFormat BlockFormatOf(const ParaProps& pa, bool pageBreakBefore) {
  QTextBlockFormat format;
  if (pa.alignment != Qt::AlignLeft) format.setAlignment(pa.alignment);
  if (pa.leftTwips != 0) format.setLeftMargin(TwipsToPoints(pa.leftTwips));
  if (pa.rightTwips != 0) format.setRightMargin(TwipsToPoints(pa.rightTwips));
  if (pa.firstLineTwips != 0) format.setTextIndent(TwipsToPoints(pa.firstLineTwips));
  if (pa.spaceBeforeTwips != 0) format.setTopMargin(TwipsToPoints(pa.spaceBeforeTwips));
  if (pa.spaceAfterTwips != 0) format.setBottomMargin(TwipsToPoints(pa.spaceAfterTwips));
  if (pa.lineSpacing != 0 && pa.lineMultiple) {
    format.setLineHeight(std::abs(pa.lineSpacing) * 100.0 / 240.0,
                         QTextBlockFormat::ProportionalHeight);
  } else if (pa.lineSpacing < 0) {
    format.setLineHeight(TwipsToPoints(-pa.lineSpacing), QTextBlockFormat::FixedHeight);
  } else if (pa.lineSpacing > 0) {
    format.setLineHeight(TwipsToPoints(pa.lineSpacing), QTextBlockFormat::MinimumHeight);
  }
  if (!pa.tabs.isEmpty()) format.setTabPositions(pa.tabs);
  if (pageBreakBefore) format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
  return format;
}

}  // namespace kdx_richtext::rtf_internal
