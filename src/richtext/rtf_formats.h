// Character and paragraph properties of the RTF reader: what the formatting
// control words set in a group, and the Qt formats made from them.
#pragma once

#include <QColor>
#include <QList>
#include <QString>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextOption>

#include "richtext/rtf_control_words.h"

namespace kdx_richtext::rtf_internal {

inline constexpr int kDefaultHalfPoints = 24;

[[nodiscard]] inline double TwipsToPoints(int twips) { return twips / 20.0; }

enum class Script { kLow, kHigh, kDouble, kAny };

struct CharProps {
  int font = -1;  // -1: the \deff font
  // The last of \loch, \hich and \dbch says which kind of characters the text
  // holds: low ASCII, high single bytes or double-byte characters. Each kind
  // has its own font, named by \afN (or \fN) after the word; \afN after
  // \rtlch names the font of right-to-left text, which changes none of them.
  Script script = Script::kAny;
  bool rtlAssociated = false;
  int scriptFonts[3] = {-1, -1, -1};  // by Script, without kAny
  int halfPoints = kDefaultHalfPoints;
  bool bold = false;
  bool italic = false;
  bool strike = false;
  bool hidden = false;  // \v: read and dropped
  QTextCharFormat::UnderlineStyle underline = QTextCharFormat::NoUnderline;
  int foreground = 0;  // colour table index; 0 and unknown indexes are "auto"
  int background = 0;
  int highlight = 0;
  QTextCharFormat::VerticalAlignment vertical = QTextCharFormat::AlignNormal;

  bool operator==(const CharProps&) const = default;
};

struct ParaProps {
  Qt::Alignment alignment = Qt::AlignLeft;
  int leftTwips = 0;
  int rightTwips = 0;
  int firstLineTwips = 0;
  int spaceBeforeTwips = 0;
  int spaceAfterTwips = 0;
  int lineSpacing = 0;  // \sl: 0 auto, > 0 at least, < 0 exactly (twips)
  bool lineMultiple = false;
  QList<QTextOption::Tab> tabs;
  QTextOption::TabType nextTabType = QTextOption::LeftTab;
  bool inTable = false;
  bool pageBreakBefore = false;
};

// Applies a character formatting word (\b, \fs, \ul, \cf...) to ch; false when
// word is not one.
bool ApplyCharacterWord(const ControlWord& word, bool hasParam, int param, CharProps& ch);
// Applies a paragraph formatting word (\pard, \qc, \li, \tx...) to pa; false
// when word is not one.
bool ApplyParagraphWord(const ControlWord& word, bool hasParam, int param, ParaProps& pa);

// The character format of ch in fontFamily (none when empty) and the given
// colours (none when invalid).
[[nodiscard]] QTextCharFormat CharFormatOf(const CharProps& ch, const QString& fontFamily,
                                           const QColor& foreground, const QColor& background);
// The block format of pa, breaking the page before it when pageBreakBefore.
[[nodiscard]] QTextBlockFormat BlockFormatOf(const ParaProps& pa, bool pageBreakBefore);

}  // namespace kdx_richtext::rtf_internal
