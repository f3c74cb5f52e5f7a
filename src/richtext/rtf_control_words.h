// The control words the RTF reader knows, each with what it does and the value
// it does it with, looked up by name in one sorted table.
#pragma once

#include <string_view>

namespace kdx_richtext::rtf_internal {

enum class Keyword {
  kUnknown,
  // Destinations: the group's content goes somewhere else than the text.
  kFontTable,
  kColorTable,
  kPicture,
  kNeXTGraphic,
  kShownDestination,    // content shown as text: picture, field result, list marker
  kSkippedDestination,  // content dropped
  kFootnote,            // content kept apart and added where its paragraph ends
  // Font table, colour table, pictures and RTFD attachment references.
  kCharset,
  kFontCodePage,
  kRed,
  kGreen,
  kBlue,
  kPictureType,  // value: PictureType
  kPictureWidth,
  kPictureHeight,
  kPictureGoalWidth,
  kPictureGoalHeight,
  kPictureScaleX,
  kPictureScaleY,
  kGraphicWidth,
  kGraphicHeight,
  // Document.
  kDocumentCodePage,  // value: the code page
  kAnsiCodePage,
  kMacDocument,  // \mac: the Mac's code pages
  kDefaultFont,
  kUnicodeSkip,
  kUnicode,
  // Characters.
  kPlain,
  kFont,              // also a font table entry
  kCharacterKind,     // value: Script (\loch, \hich, \dbch)
  kRightToLeftChars,  // value: 1 for \rtlch, 0 for \ltrch
  kAssociatedFont,
  kFootnoteMark,  // \chftn
  kFontSize,
  kBold,
  kItalic,
  kHidden,
  kStrike,
  kUnderline,  // value: QTextCharFormat::UnderlineStyle
  kForeground,
  kBackground,
  kHighlight,
  kVertical,  // value: QTextCharFormat::VerticalAlignment
  // Paragraphs.
  kParagraphDefaults,
  kAlignment,  // value: Qt::AlignmentFlag
  kLeftIndent,
  kRightIndent,
  kFirstLineIndent,
  kSpaceBefore,
  kSpaceAfter,
  kLineSpacing,
  kLineMultiple,
  kTabKind,  // value: QTextOption::TabType of the next tab stop
  kTabStop,
  kInTable,
  kPageBreakBefore,
  // Breaks and characters.
  kParagraph,
  kPage,
  kCharacter,  // value: the UTF-16 unit
  // Tables.
  kRowDefaults,
  kCellRight,
  kCell,
  kRow,
};

enum PictureType { kPng, kJpeg, kWmf, kEmf };

struct ControlWord {
  Keyword keyword = Keyword::kUnknown;
  int value = 0;
};

// What the word named name does; kUnknown for a word not in the table.
[[nodiscard]] ControlWord FindControlWord(std::string_view name);

}  // namespace kdx_richtext::rtf_internal
