// The document builder of the RTF reader: an explicit stack of group states
// driven by the tokenizer.
//
// Each '{' pushes a copy of the current state (destination, character and
// paragraph properties, \uc count) and each '}' pops it; the tokenizer keeps
// the nesting within kRtfMaxGroupDepth. Text bytes (plain characters and \'hh
// escapes) collect in a byte run that is decoded in the current code page when
// anything else comes along, which keeps double-byte characters whole across
// escapes. Decoded text in turn collects until the character format changes or
// something else goes to the cursor, so the document gets one insertion per
// formatted run.
#include "richtext/rtf_builder.h"

#include <QColor>
#include <QStringList>
#include <QTextCharFormat>
#include <QTextCursor>
#include <algorithm>
#include <map>
#include <utility>
#include <vector>

#include "richtext/attachments.h"
#include "richtext/rtf_codepage.h"
#include "richtext/rtf_control_words.h"
#include "richtext/rtf_formats.h"
#include "richtext/rtf_tables.h"
#include "richtext/rtf_tokenizer.h"

namespace kdx_richtext::rtf_internal {
namespace {

// A text run longer than this is decoded early, at a byte that cannot be the
// second byte of a double-byte character.
constexpr qsizetype kRunFlushBytes = 64 * 1024;

enum class Dest {
  kText,         // document text
  kSkip,         // read and dropped
  kFontTable,    // \fonttbl entries
  kColorTable,   // \colortbl entries
  kPicture,      // \pict data
  kNeXTGraphic,  // an RTFD attachment reference
  kFootnote,     // text kept apart until its paragraph ends
};

struct GroupState {
  Dest dest = Dest::kText;
  CharProps chars;
  ParaProps para;
  int unicodeSkip = 1;       // \ucN
  bool starPending = false;  // a \* waits for its destination word
};

// What one document may define, bounded so that a small hostile file cannot
// make the reader hold many times its size: fonts, colours and pictures past
// these are passed over (and counted as warnings), font names cut.
constexpr size_t kMaxFonts = 4096;
constexpr qsizetype kMaxFontNameBytes = 256;
constexpr size_t kMaxColors = 4096;
constexpr int kMaxPictures = 10000;

struct FontEntry {
  QString name;                   // complete once named; before, what \uN gave of it
  int codePage = 0;               // 0: the document's
  bool explicitCodePage = false;  // \cpgN given, which \fcharsetN does not override
  QByteArray nameBytes;
  bool named = false;
};

struct Picture {
  QByteArray bytes;
  QString extension = QStringLiteral("bin");
  int hexHigh = -1;  // first nibble of a pending hex pair
  bool tooLarge = false;
  int picw = 0, pich = 0, goalw = 0, goalh = 0;
  int scalex = 100, scaley = 100;
};

struct NeXTGraphic {
  QString name;          // decoded so far
  QByteArray nameBytes;  // not yet decoded
  bool nameDone = false;
  int widthTwips = 0, heightTwips = 0;
};

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

QString PictureExtension(int type) {
  switch (type) {
    case kPng:
      return QStringLiteral("png");
    case kJpeg:
      return QStringLiteral("jpg");
    case kWmf:
      return QStringLiteral("wmf");
    default:
      return QStringLiteral("emf");
  }
}

class Builder {
 public:
  Builder(std::string_view rtf, QTextDocument* document, const AttachmentLoader& loader)
      : tokens_(rtf), cursor_(document), loader_(loader) {}

  RtfReadResult Run();

 private:
  // The first token is the outermost group's '{' and reading stops when that
  // group closes, so the stack is never empty while any later token is handled.
  GroupState& Top() { return stack_.back(); }

  void OpenGroup();
  void CloseGroup();
  void Word(std::string_view name, bool hasParam, int param);
  bool OpenDestination(Keyword keyword);
  void FontTableWord(Keyword keyword, int param);
  void ColorTableWord(Keyword keyword, int param);
  void PictureWord(const ControlWord& word, int param);
  void GraphicWord(Keyword keyword, int param);
  void TextWord(const ControlWord& word, bool hasParam, int param);
  void FootnoteWord(const ControlWord& word, bool hasParam, int param);
  void Symbol(char c);
  void TextBytes(std::string_view bytes);
  void TextByte(char c);
  void HexByte(char byte);
  void Binary(std::string_view data);

  void FlushRun();
  void EmitText(QString text);
  void EmitChar(char16_t c) {
    FlushRun();
    EmitText(QString(QChar(c)));
  }
  void EmitUnicode(int value);
  void Paragraph();
  void OpenPendingParagraph();
  void PageBreak();
  void EnterTableContext();
  void StartTable();
  void Cell();
  void Row();
  void ApplyBlockFormat();

  void CommitFontName();
  void FontNameUnicode(int param);
  void CloseFootnote();
  void EmitFootnotes();
  void FinishPicture();
  void FinishNeXTGraphic();

  int CurrentFont();
  int CurrentCodePage();
  int RunCodePage(const QByteArray& bytes);
  QString Decode(const QByteArray& bytes, int codePage) { return decoder_.Decode(bytes, codePage); }
  QTextCharFormat BuildCharFormat();
  const QTextCharFormat& CharFormat();
  void FlushText();
  QColor ColorAt(int index) const;

  Tokenizer tokens_;
  QTextCursor cursor_;
  const AttachmentLoader& loader_;
  CodePageDecoder decoder_;
  int warnings_ = 0;
  int attachmentsRead_ = 0;  // pictures and attachment references, at most kMaxPictures

  std::vector<GroupState> stack_;
  bool finished_ = false;  // the outermost group closed
  char16_t pendingHigh_ = 0;

  int documentCodePage_ = kAnsiCodePage;
  bool macDocument_ = false;
  int defaultFont_ = 0;
  std::map<int, FontEntry> fonts_;
  int fontTableCurrent_ = -1;
  std::vector<QColor> colors_;
  int red_ = 0, green_ = 0, blue_ = 0;
  bool colorSet_ = false;

  QByteArray run_;
  // Decoded text not yet inserted, all in the format of pendingFormatId_.
  QString pendingText_;
  QTextCharFormat pendingFormat_;
  quint64 pendingFormatId_ = 0;
  // The format of the current character properties, rebuilt when they, the
  // font table or the colour table change.
  QTextCharFormat format_;
  CharProps formatProps_;
  quint64 formatId_ = 0;
  bool formatStale_ = true;
  Picture picture_;
  NeXTGraphic graphic_;
  int imageCounter_ = 0;
  bool dropPlaceholder_ = false;  // the character after an RTFD attachment group
  size_t placeholderDepth_ = 0;
  bool pageBreakNext_ = false;
  // A \par has ended a paragraph; the next one begins with the next content,
  // unless that is a table, which follows the ended paragraph directly.
  bool paragraphPending_ = false;

  TableBuilder tables_;

  int footnoteCount_ = 0;
  QString footnoteText_;      // of the footnote being read
  QStringList footnotesDue_;  // read, waiting for the end of their paragraph
};

RtfReadResult Builder::Run() {
  RtfReadResult result;
  if (!tokens_.SkipToHeader()) {
    result.error = QStringLiteral("the data is not RTF (it does not begin with {\\rtf)");
    return result;
  }
  while (!finished_) {
    const Token token = tokens_.Next();
    if (token.kind == TokenKind::kEnd) break;
    switch (token.kind) {
      case TokenKind::kGroupOpen:
        OpenGroup();
        break;
      case TokenKind::kGroupClose:
        CloseGroup();
        break;
      case TokenKind::kSkippedGroup:
        FlushRun();
        break;
      case TokenKind::kWord:
        Word(token.text, token.hasParam, token.param);
        break;
      case TokenKind::kSymbol:
        Symbol(token.byte);
        break;
      case TokenKind::kText:
        TextBytes(token.text);
        break;
      case TokenKind::kHex:
        HexByte(token.byte);
        break;
      case TokenKind::kBinary:
        Binary(token.text);
        break;
      case TokenKind::kEnd:
        break;
    }
  }
  FlushRun();
  if (pendingHigh_ != 0) {
    pendingHigh_ = 0;
    EmitChar(0xFFFD);
  }
  tables_.Finish();
  if (!stack_.empty()) {
    // A footnote cut off by the end of the data is kept too.
    for (size_t i = 0; i < stack_.size(); ++i) {
      if (stack_[i].dest != Dest::kFootnote) continue;
      CloseFootnote();
      stack_.resize(std::max<size_t>(i, 1));
      Top().dest = Dest::kText;
      break;
    }
    if (Top().dest == Dest::kText) EmitFootnotes();
    OpenPendingParagraph();
    ApplyBlockFormat();
  }
  FlushText();
  result.warnings = warnings_ + tokens_.warnings() + decoder_.warnings();
  if (!finished_) {
    result.error = QStringLiteral("the RTF data is truncated: it ends inside %1 open group(s)")
                       .arg(tokens_.OpenGroups());
    result.truncated = true;
    return result;
  }
  result.ok = true;
  return result;
}

void Builder::OpenGroup() {
  FlushRun();
  if (stack_.empty()) {
    stack_.emplace_back();
  } else {
    GroupState copy = Top();
    copy.starPending = false;
    stack_.push_back(std::move(copy));
  }
}

void Builder::CloseGroup() {
  FlushRun();
  if (stack_.empty()) return;
  const Dest closing = Top().dest;
  if (closing == Dest::kFontTable && stack_.size() >= 2) CommitFontName();
  if (stack_.size() == 1) {
    EmitFootnotes();
    OpenPendingParagraph();
    ApplyBlockFormat();  // the last paragraph needs no \par
  }
  const bool footnoteEnds =
      closing == Dest::kFootnote && stack_.size() >= 2 && stack_[stack_.size() - 2].dest != closing;
  if (footnoteEnds) CloseFootnote();
  stack_.pop_back();
  if (dropPlaceholder_ && stack_.size() < placeholderDepth_) dropPlaceholder_ = false;
  if (stack_.empty()) {
    finished_ = true;
    return;
  }
  const Dest parent = Top().dest;
  if (closing == Dest::kPicture && parent != Dest::kPicture) FinishPicture();
  if (closing == Dest::kNeXTGraphic && parent != Dest::kNeXTGraphic) FinishNeXTGraphic();
}

void Builder::Symbol(char c) {
  if (c == '*') {
    Top().starPending = true;
    return;
  }
  if (Top().dest != Dest::kText && Top().dest != Dest::kFootnote) return;
  switch (c) {
    case '~':
      EmitChar(0x00A0);
      break;
    case '-':
      EmitChar(0x00AD);
      break;
    case '_':
      EmitChar(0x2011);
      break;
    case '\r':
    case '\n':
      if (Top().dest == Dest::kFootnote) {
        EmitChar(u' ');
      } else {
        EmitFootnotes();
        Paragraph();
      }
      break;
    default:
      break;  // \: \| and unknown symbols
  }
}

void Builder::TextBytes(std::string_view bytes) {
  if (Top().dest == Dest::kText || Top().dest == Dest::kFootnote) {
    // The common case: a stretch without tabs or NULs that cannot reach the
    // early decoding goes to the run at once.
    while (!bytes.empty()) {
      const size_t plain = std::min(bytes.find_first_of(std::string_view("\t\0", 2)), bytes.size());
      if (run_.size() + static_cast<qsizetype>(plain) <= kRunFlushBytes) {
        run_.append(bytes.data(), static_cast<qsizetype>(plain));
      } else {
        for (size_t i = 0; i < plain; ++i) TextByte(bytes[i]);
      }
      bytes.remove_prefix(plain);
      if (!bytes.empty()) {
        TextByte(bytes.front());  // a tab or a NUL
        bytes.remove_prefix(1);
      }
    }
    return;
  }
  for (const char c : bytes) TextByte(c);
}

void Builder::TextByte(char c) {
  switch (Top().dest) {
    case Dest::kText:
    case Dest::kFootnote:
      if (c == '\t') {
        FlushRun();
        EmitChar(u'\t');
      } else if (c != '\0') {
        run_.append(c);
        if (run_.size() > kRunFlushBytes && static_cast<unsigned char>(c) < 0x40) FlushRun();
      }
      break;
    case Dest::kFontTable:
      formatStale_ = true;
      if (c == ';') {
        CommitFontName();
      } else if (fontTableCurrent_ >= 0 && !fonts_[fontTableCurrent_].named &&
                 fonts_[fontTableCurrent_].nameBytes.size() < kMaxFontNameBytes) {
        fonts_[fontTableCurrent_].nameBytes.append(c);
      }
      break;
    case Dest::kColorTable:
      formatStale_ = true;
      if (c == ';') {
        if (colors_.size() < kMaxColors) {
          colors_.push_back(colorSet_ ? QColor(red_, green_, blue_) : QColor());
        }
        red_ = green_ = blue_ = 0;
        colorSet_ = false;
      }
      break;
    case Dest::kPicture: {
      if (picture_.tooLarge) break;
      const int nibble = HexValue(c);
      if (nibble < 0) break;  // line breaks and blanks between hex digits
      if (picture_.hexHigh < 0) {
        picture_.hexHigh = nibble;
      } else {
        if (picture_.bytes.size() >= kRtfMaxPictureBytes) {
          picture_.tooLarge = true;
          break;
        }
        picture_.bytes.append(static_cast<char>(picture_.hexHigh * 16 + nibble));
        picture_.hexHigh = -1;
      }
      break;
    }
    case Dest::kNeXTGraphic:
      if (!graphic_.nameDone) graphic_.nameBytes.append(c);
      break;
    case Dest::kSkip:
      break;
  }
}

void Builder::HexByte(char byte) {
  const Dest dest = Top().dest;
  if (dest == Dest::kPicture) return;  // picture data is hex digits, not escapes
  if (byte == ';' || byte == '\t') {
    // An escaped separator is text, never the end of a table entry.
    if (dest == Dest::kText || dest == Dest::kFootnote) {
      run_.append(byte);
      return;
    }
    if (dest == Dest::kColorTable) return;
    if (dest == Dest::kFontTable && fontTableCurrent_ >= 0) {
      formatStale_ = true;
      QByteArray& nameBytes = fonts_[fontTableCurrent_].nameBytes;
      if (nameBytes.size() < kMaxFontNameBytes) nameBytes.append(byte);
      return;
    }
  }
  TextByte(byte);
}

void Builder::Binary(std::string_view data) {
  FlushRun();
  if (Top().dest == Dest::kPicture && !picture_.tooLarge) {
    if (picture_.bytes.size() + static_cast<qsizetype>(data.size()) > kRtfMaxPictureBytes) {
      picture_.tooLarge = true;
    } else {
      picture_.bytes.append(data.data(), static_cast<qsizetype>(data.size()));
    }
  }
}

// Opens the destination a word names in the current group; false when the
// word is not a destination.
bool Builder::OpenDestination(Keyword keyword) {
  GroupState& s = Top();
  switch (keyword) {
    case Keyword::kFontTable:
      formatStale_ = true;
      s.dest = Dest::kFontTable;
      fontTableCurrent_ = -1;
      return true;
    case Keyword::kColorTable:
      s.dest = Dest::kColorTable;
      formatStale_ = true;
      colors_.clear();
      red_ = green_ = blue_ = 0;
      colorSet_ = false;
      return true;
    case Keyword::kPicture:
      s.dest = Dest::kPicture;
      picture_ = Picture();
      return true;
    case Keyword::kNeXTGraphic:
      s.dest = Dest::kNeXTGraphic;
      graphic_ = NeXTGraphic();
      return true;
    case Keyword::kShownDestination:
      return true;
    case Keyword::kSkippedDestination:
      s.dest = Dest::kSkip;
      return true;
    case Keyword::kFootnote:
      // In the outermost group the text stays where it is; within a footnote
      // it belongs to that footnote.
      if (s.dest == Dest::kText && stack_.size() >= 2) {
        FlushRun();
        s.dest = Dest::kFootnote;
        footnoteText_.clear();
      } else if (s.dest != Dest::kText && s.dest != Dest::kFootnote) {
        s.dest = Dest::kSkip;
      }
      return true;
    default:
      return false;
  }
}

void Builder::Word(std::string_view name, bool hasParam, int param) {
  GroupState& s = Top();
  if (s.dest == Dest::kSkip) return;
  FlushRun();
  const bool star = s.starPending;
  s.starPending = false;
  const ControlWord word = FindControlWord(name);
  if (OpenDestination(word.keyword)) return;
  if (star) {
    s.dest = Dest::kSkip;  // an ignorable destination this reader does not know
    return;
  }
  switch (s.dest) {
    case Dest::kFontTable:
      FontTableWord(word.keyword, param);
      return;
    case Dest::kColorTable:
      ColorTableWord(word.keyword, param);
      return;
    case Dest::kPicture:
      PictureWord(word, param);
      return;
    case Dest::kNeXTGraphic:
      GraphicWord(word.keyword, param);
      return;
    case Dest::kSkip:
      return;
    case Dest::kText:
      TextWord(word, hasParam, param);
      return;
    case Dest::kFootnote:
      FootnoteWord(word, hasParam, param);
      return;
  }
}

void Builder::FontTableWord(Keyword keyword, int param) {
  if (keyword == Keyword::kUnicode) {
    FontNameUnicode(param);
    return;
  }
  if (keyword == Keyword::kUnicodeSkip) {
    Top().unicodeSkip = std::clamp(param, 0, 16);
    return;
  }
  formatStale_ = true;
  switch (keyword) {
    case Keyword::kFont:
      CommitFontName();
      if (fonts_.size() >= kMaxFonts && fonts_.count(param) == 0) {
        fontTableCurrent_ = -1;
        ++warnings_;
        break;
      }
      fontTableCurrent_ = param;
      fonts_[param] = FontEntry();
      break;
    case Keyword::kCharset:
      if (fontTableCurrent_ >= 0) {
        FontEntry& font = fonts_[fontTableCurrent_];
        if (!font.explicitCodePage) font.codePage = CodePageOfCharset(param);
      }
      break;
    case Keyword::kFontCodePage:
      if (fontTableCurrent_ >= 0 && param > 0) {
        fonts_[fontTableCurrent_].codePage = param;
        fonts_[fontTableCurrent_].explicitCodePage = true;
      }
      break;
    default:
      break;
  }
}

void Builder::ColorTableWord(Keyword keyword, int param) {
  formatStale_ = true;
  int* component = keyword == Keyword::kRed     ? &red_
                   : keyword == Keyword::kGreen ? &green_
                   : keyword == Keyword::kBlue  ? &blue_
                                                : nullptr;
  if (component == nullptr) return;
  *component = std::clamp(param, 0, 255);
  colorSet_ = true;
}

void Builder::PictureWord(const ControlWord& word, int param) {
  switch (word.keyword) {
    case Keyword::kPictureType:
      picture_.extension = PictureExtension(word.value);
      break;
    case Keyword::kPictureWidth:
      picture_.picw = std::max(param, 0);
      break;
    case Keyword::kPictureHeight:
      picture_.pich = std::max(param, 0);
      break;
    case Keyword::kPictureGoalWidth:
      picture_.goalw = std::max(param, 0);
      break;
    case Keyword::kPictureGoalHeight:
      picture_.goalh = std::max(param, 0);
      break;
    case Keyword::kPictureScaleX:
      if (param > 0) picture_.scalex = param;
      break;
    case Keyword::kPictureScaleY:
      if (param > 0) picture_.scaley = param;
      break;
    default:
      break;
  }
}

// Words in an RTFD attachment reference: its name (plain bytes, \uN and the
// \ucN before it), then its size. Any other word ends the name.
void Builder::GraphicWord(Keyword keyword, int param) {
  if (keyword == Keyword::kUnicodeSkip && !graphic_.nameDone) {
    Top().unicodeSkip = std::clamp(param, 0, 16);
    return;
  }
  if (keyword == Keyword::kUnicode && !graphic_.nameDone) {
    graphic_.name += Decode(graphic_.nameBytes, CurrentCodePage());
    graphic_.nameBytes.clear();
    graphic_.name += QChar(static_cast<char16_t>(param < 0 ? param + 65536 : param));
    tokens_.SkipFallback(Top().unicodeSkip);
    return;
  }
  graphic_.nameDone = true;
  if (keyword == Keyword::kGraphicWidth) graphic_.widthTwips = std::max(param, 0);
  if (keyword == Keyword::kGraphicHeight) graphic_.heightTwips = std::max(param, 0);
}

void Builder::TextWord(const ControlWord& word, bool hasParam, int param) {
  GroupState& s = Top();
  switch (word.keyword) {
    // Document settings.
    case Keyword::kDocumentCodePage:
      documentCodePage_ = word.value;
      break;
    case Keyword::kMacDocument:
      documentCodePage_ = kMacCodePage;
      macDocument_ = true;
      break;
    case Keyword::kAnsiCodePage:
      if (param > 0) documentCodePage_ = param;
      break;
    case Keyword::kFootnoteMark:
      EmitText(QString::number(footnoteCount_ + 1));
      break;
    case Keyword::kDefaultFont:
      defaultFont_ = param;
      break;
    case Keyword::kUnicodeSkip:
      s.unicodeSkip = std::clamp(param, 0, 16);
      break;
    case Keyword::kUnicode:
      EmitUnicode(param);
      tokens_.SkipFallback(s.unicodeSkip);
      break;
    // Breaks and special characters.
    case Keyword::kParagraph:
      EmitFootnotes();
      Paragraph();
      break;
    case Keyword::kPage:
      PageBreak();
      break;
    case Keyword::kCharacter:
      EmitChar(static_cast<char16_t>(word.value));
      break;
    // Tables.
    case Keyword::kRowDefaults:
      tables_.DefineRow();
      break;
    case Keyword::kCellRight:
      tables_.AddCellRight(param);
      break;
    case Keyword::kCell:
      EmitFootnotes();
      Cell();
      break;
    case Keyword::kRow:
      Row();
      break;
    default:
      // Formatting, or a word of another destination (or none) that changes nothing.
      if (!ApplyCharacterWord(word, hasParam, param, s.chars)) {
        ApplyParagraphWord(word, hasParam, param, s.para);
      }
      break;
  }
}

void Builder::FlushRun() {
  if (run_.isEmpty()) return;
  const QByteArray bytes = run_;
  run_.clear();
  // Control bytes in the text are not content (line ends and NULs are dropped
  // as they are read); the same characters as \uN are.
  QString text = Decode(bytes, RunCodePage(bytes));
  text.removeIf([](QChar c) { return c.unicode() < 0x20 && c != u'\t'; });
  EmitText(std::move(text));
}

void Builder::EmitUnicode(int value) {
  const char16_t unit = static_cast<char16_t>(value < 0 ? value + 65536 : value);
  if (unit == 0) return;
  if (QChar::isHighSurrogate(unit)) {
    if (pendingHigh_ != 0) EmitChar(0xFFFD);
    pendingHigh_ = unit;
    return;
  }
  if (QChar::isLowSurrogate(unit)) {
    if (pendingHigh_ == 0) {
      EmitChar(0xFFFD);
      return;
    }
    const QChar pair[2] = {QChar(pendingHigh_), QChar(unit)};
    pendingHigh_ = 0;
    EmitText(QString(pair, 2));
    return;
  }
  EmitChar(unit);
}

void Builder::EmitText(QString text) {
  if (pendingHigh_ != 0) {
    pendingHigh_ = 0;
    text.prepend(QChar(0xFFFD));
  }
  if (text.isEmpty() || stack_.empty() || Top().chars.hidden) return;
  if (Top().dest == Dest::kFootnote) {
    footnoteText_ += text;
    return;
  }
  if (dropPlaceholder_) {
    dropPlaceholder_ = false;
    text.remove(0, 1);
    if (text.isEmpty()) return;
  }
  EnterTableContext();
  const QTextCharFormat& format = CharFormat();
  if (formatId_ != pendingFormatId_) {
    FlushText();
    pendingFormat_ = format;
    pendingFormatId_ = formatId_;
  }
  pendingText_ += text;
}

// Inserts the collected text; called before anything else touches the cursor.
void Builder::FlushText() {
  if (pendingText_.isEmpty()) return;
  cursor_.insertText(pendingText_, pendingFormat_);
  pendingText_.clear();
}

void Builder::Paragraph() {
  FlushRun();
  EnterTableContext();
  ApplyBlockFormat();
  paragraphPending_ = true;
}

void Builder::OpenPendingParagraph() {
  if (!paragraphPending_) return;
  FlushText();
  paragraphPending_ = false;
  cursor_.insertBlock();
}

void Builder::PageBreak() {
  Paragraph();
  pageBreakNext_ = true;
}

// Moves the cursor into the table when the paragraph is part of one, and out
// of it when it is not.
void Builder::EnterTableContext() {
  if (stack_.empty()) return;
  const bool inTable = Top().para.inTable;
  if (!paragraphPending_ && tables_.CursorStays(inTable)) return;
  FlushText();
  if (!tables_.active() && inTable) {
    StartTable();
    return;
  }
  OpenPendingParagraph();
  tables_.Follow(cursor_, inTable);
}

void Builder::StartTable() {
  FlushText();
  // The table itself separates it from the paragraph a \par ended before it.
  paragraphPending_ = false;
  tables_.Start(cursor_);
}

void Builder::Cell() {
  FlushRun();
  if (!tables_.active()) {
    StartTable();
  } else if (tables_.BetweenCells()) {
    // An empty cell: the move into it happens here, since no text does it.
    const bool inTable = Top().para.inTable;
    Top().para.inTable = true;
    EnterTableContext();
    Top().para.inTable = inTable;
  } else {
    OpenPendingParagraph();
  }
  ApplyBlockFormat();
  tables_.EndCell();
}

void Builder::Row() {
  if (!tables_.active()) return;
  ApplyBlockFormat();
  tables_.EndRow();
}

// Sets the current block's format from the paragraph properties in force.
void Builder::ApplyBlockFormat() {
  if (stack_.empty()) return;
  FlushText();
  cursor_.setBlockFormat(BlockFormatOf(Top().para, Top().para.pageBreakBefore || pageBreakNext_));
  pageBreakNext_ = false;
}

// Inside a footnote: its text and character formatting; breaks become blanks.
void Builder::FootnoteWord(const ControlWord& word, bool hasParam, int param) {
  switch (word.keyword) {
    case Keyword::kParagraph:
    case Keyword::kPage:
    case Keyword::kCell:
    case Keyword::kRow:
      EmitText(QStringLiteral(" "));
      break;
    case Keyword::kUnicodeSkip:
    case Keyword::kUnicode:
    case Keyword::kCharacter:
      TextWord(word, hasParam, param);
      break;
    default:
      static_cast<void>(ApplyCharacterWord(word, hasParam, param, Top().chars));
      break;
  }
}

void Builder::CloseFootnote() {
  FlushRun();
  const QString note = footnoteText_.simplified();
  footnoteText_.clear();
  ++footnoteCount_;
  if (!note.isEmpty()) {
    footnotesDue_.push_back(QStringLiteral(" [footnote %1: %2]").arg(footnoteCount_).arg(note));
  }
}

// The footnotes read in the paragraph go at its end.
void Builder::EmitFootnotes() {
  if (footnotesDue_.isEmpty()) return;
  FlushRun();
  const QStringList due = std::exchange(footnotesDue_, {});
  for (const QString& note : due) EmitText(note);
}

void Builder::FontNameUnicode(int param) {
  tokens_.SkipFallback(Top().unicodeSkip);
  if (fontTableCurrent_ < 0) return;
  FontEntry& font = fonts_[fontTableCurrent_];
  if (font.named) return;
  formatStale_ = true;
  const int codePage = font.codePage != 0 ? font.codePage : documentCodePage_;
  font.name += Decode(font.nameBytes, codePage);
  font.nameBytes.clear();
  if (font.name.size() < kMaxFontNameBytes) {
    font.name += QChar(static_cast<char16_t>(param < 0 ? param + 65536 : param));
  }
}

void Builder::CommitFontName() {
  if (fontTableCurrent_ < 0) return;
  formatStale_ = true;
  FontEntry& font = fonts_[fontTableCurrent_];
  if (font.named) return;
  const int codePage = font.codePage != 0 ? font.codePage : documentCodePage_;
  font.name = (font.name + Decode(font.nameBytes, codePage)).trimmed();
  font.nameBytes.clear();
  font.named = true;
}

void Builder::FinishPicture() {
  Picture picture = std::move(picture_);
  picture_ = Picture();
  if (picture.tooLarge || picture.bytes.isEmpty() || attachmentsRead_ >= kMaxPictures) {
    ++warnings_;
    return;
  }
  ++attachmentsRead_;
  double width = 0, height = 0;
  if (picture.goalw > 0 && picture.goalh > 0) {
    width = TwipsToPoints(picture.goalw) * picture.scalex / 100.0;
    height = TwipsToPoints(picture.goalh) * picture.scaley / 100.0;
  } else if (picture.picw > 0 && picture.pich > 0) {
    // Metafiles give hundredths of a millimetre, bitmaps pixels (at 96 dpi).
    const bool metafile = picture.extension == u"wmf" || picture.extension == u"emf";
    const double factor = metafile ? 72.0 / 2540.0 : 0.75;
    width = picture.picw * factor * picture.scalex / 100.0;
    height = picture.pich * factor * picture.scaley / 100.0;
  }
  ++imageCounter_;
  const QString name = QStringLiteral("image-%1.%2").arg(imageCounter_).arg(picture.extension);
  EnterTableContext();
  FlushText();
  InsertAttachment(cursor_, name, picture.bytes, width, height);
}

void Builder::FinishNeXTGraphic() {
  NeXTGraphic graphic = std::move(graphic_);
  graphic_ = NeXTGraphic();
  // The character after the reference group stands for the attachment.
  dropPlaceholder_ = true;
  placeholderDepth_ = stack_.size();
  const QString name = (graphic.name + Decode(graphic.nameBytes, CurrentCodePage())).trimmed();
  if (name.isEmpty() || !loader_) {
    ++warnings_;
    return;
  }
  const QString safeName = SafeAttachmentName(name);
  std::optional<QByteArray> bytes =
      attachmentsRead_ < kMaxPictures ? loader_(safeName) : std::nullopt;
  if (!bytes) {
    ++warnings_;
    return;
  }
  ++attachmentsRead_;
  EnterTableContext();
  FlushText();
  InsertAttachment(cursor_, safeName, *bytes, TwipsToPoints(graphic.widthTwips),
                   TwipsToPoints(graphic.heightTwips));
}

// The font of the text: the font of its kind of characters when one is given
// (Japanese runs come as \dbch\afN with a Latin \fN in force), else \fN.
int Builder::CurrentFont() {
  const CharProps& ch = Top().chars;
  if (ch.script != Script::kAny) {
    const int font = ch.scriptFonts[static_cast<int>(ch.script)];
    if (font >= 0 && fonts_.count(font) != 0) return font;
  }
  return ch.font >= 0 ? ch.font : defaultFont_;
}

// The code page of a run of text bytes. Japanese (and Chinese) runs are
// sometimes marked with a Latin font: Word writes them after \hich with the
// Latin font associated, and Mac word processors write Shift JIS in a
// document that says only \mac. Bytes that are all whole double-byte
// characters of the document's own double-byte code page are read in it.
int Builder::RunCodePage(const QByteArray& bytes) {
  const int codePage = CurrentCodePage();
  int doubleByte = 0;
  if (codePage == kAnsiCodePage && IsDoubleByteCodePage(documentCodePage_)) {
    doubleByte = documentCodePage_;
  } else if (codePage == kMacCodePage && macDocument_) {
    doubleByte = kMacJapaneseCodePage;
  }
  return doubleByte != 0 && IsDoubleByteText(bytes, doubleByte) ? doubleByte : codePage;
}

int Builder::CurrentCodePage() {
  if (stack_.empty()) return documentCodePage_;
  const auto it = fonts_.find(CurrentFont());
  if (it != fonts_.end() && it->second.codePage != 0) return it->second.codePage;
  return documentCodePage_;
}

QColor Builder::ColorAt(int index) const {
  if (index <= 0 || static_cast<size_t>(index) >= colors_.size()) return {};
  return colors_[static_cast<size_t>(index)];
}

const QTextCharFormat& Builder::CharFormat() {
  const CharProps& ch = Top().chars;
  if (formatStale_ || !(ch == formatProps_)) {
    format_ = BuildCharFormat();
    formatProps_ = ch;
    formatStale_ = false;
    ++formatId_;
  }
  return format_;
}

QTextCharFormat Builder::BuildCharFormat() {
  const CharProps& ch = Top().chars;
  const auto font = fonts_.find(CurrentFont());
  return CharFormatOf(ch, font != fonts_.end() ? font->second.name : QString(),
                      ColorAt(ch.foreground),
                      ColorAt(ch.highlight > 0 ? ch.highlight : ch.background));
}

}  // namespace

RtfReadResult BuildDocument(std::string_view rtf, QTextDocument* document,
                            const AttachmentLoader& loader) {
  Builder builder(rtf, document, loader);
  return builder.Run();
}

}  // namespace kdx_richtext::rtf_internal
