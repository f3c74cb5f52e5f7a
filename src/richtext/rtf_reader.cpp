// RTF reader: a byte tokenizer driving an explicit stack of group states.
//
// Each '{' pushes a copy of the current state (destination, character and
// paragraph properties, \uc count) and each '}' pops it, so nesting costs
// memory only up to kRtfMaxGroupDepth; deeper groups are counted and skipped.
// Text bytes (plain characters and \'hh escapes) collect in a byte run that is
// decoded in the current code page when anything else comes along, which keeps
// double-byte characters whole across escapes. Decoded text in turn collects
// until the character format changes or something else goes to the cursor, so
// the document gets one insertion per formatted run.
#include "richtext/rtf_reader.h"

#include <unicode/ucnv.h>

#include <QColor>
#include <QList>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextOption>
#include <QTextTable>
#include <QTextTableFormat>
#include <algorithm>
#include <climits>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "richtext/attachments.h"

namespace kdx_richtext {
namespace {

constexpr int kAnsiCodePage = 1252;
constexpr int kMacCodePage = 10000;
// Not a real code page: the Symbol character set (\fcharset2), read as
// Windows-1252 except for the bullets list markers use.
constexpr int kSymbolCodePage = -2;
// Control words longer than this are not RTF; the rest of the letters is read
// and ignored.
constexpr size_t kMaxWordLength = 32;
// Tables wider than this get their extra cells folded into the last column.
constexpr int kMaxTableColumns = 64;
// Rows beyond this are folded into the last row.
constexpr int kMaxTableRows = 5000;
// A text run longer than this is decoded early, at a byte that cannot be the
// second byte of a double-byte character.
constexpr qsizetype kRunFlushBytes = 64 * 1024;
constexpr int kDefaultHalfPoints = 24;

struct ConverterCloser {
  void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

// ICU names to try for a Windows or Mac code page number, best first.
std::vector<std::string> ConverterNames(int codePage) {
  switch (codePage) {
    case 932:
      return {"windows-932", "Shift_JIS"};
    case 936:
      return {"windows-936", "GBK"};
    case 949:
      return {"windows-949"};
    case 950:
      return {"windows-950", "Big5"};
    case 437:
      return {"ibm-437"};
    case 850:
      return {"ibm-850"};
    case kMacCodePage:
      return {"macintosh"};
    case 65001:
      return {"UTF-8"};
    default:
      return {"windows-" + std::to_string(codePage), "ibm-" + std::to_string(codePage)};
  }
}

// The code page of a font's \fcharset, or 0 when the document's applies.
int CodePageOfCharset(int charset) {
  switch (charset) {
    case 0:
      return kAnsiCodePage;
    case 2:
      return kSymbolCodePage;
    case 77:
      return kMacCodePage;
    case 128:
      return 932;
    case 129:
      return 949;
    case 134:
      return 936;
    case 136:
      return 950;
    case 161:
      return 1253;
    case 162:
      return 1254;
    case 163:
      return 1258;
    case 177:
      return 1255;
    case 178:
      return 1256;
    case 186:
      return 1257;
    case 204:
      return 1251;
    case 222:
      return 874;
    case 238:
      return 1250;
    case 254:
      return 437;
    case 255:
      return 850;
    default:
      return 0;  // 1 (default) and unknown sets
  }
}

enum class Dest {
  kText,         // document text
  kSkip,         // read and dropped
  kFontTable,    // \fonttbl entries
  kColorTable,   // \colortbl entries
  kPicture,      // \pict data
  kNeXTGraphic,  // an RTFD attachment reference
};

struct CharProps {
  int font = -1;  // -1: the \deff font
  // \dbch: the text is double-byte characters, in doubleFont (\afN after
  // \dbch) when one is given; \loch and \hich end it.
  bool doubleByte = false;
  int doubleFont = -1;
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

struct GroupState {
  Dest dest = Dest::kText;
  CharProps chars;
  ParaProps para;
  int unicodeSkip = 1;       // \ucN
  bool starPending = false;  // a \* waits for its destination word
};

struct FontEntry {
  QString name;
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

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
double TwipsToPoints(int twips) { return twips / 20.0; }

// Destinations whose content is not part of the text, in byte order for the
// binary search.
constexpr std::string_view kSkippedDestinations[] = {
    "annotation",
    "atnauthor",
    "atnid",
    "bkmkend",
    "bkmkstart",
    "blipuid",
    "colorschememapping",
    "datastore",
    "docvar",
    "expandedcolortbl",
    "falt",
    "filetbl",
    "fldinst",
    "fontemb",
    "footer",
    "footerf",
    "footerl",
    "footerr",
    "footnote",
    "generator",
    "header",
    "headerf",
    "headerl",
    "headerr",
    "info",
    "latentstyles",
    "listoverridetable",
    "listpicture",
    "listtable",
    "mmathPr",
    "nonshppict",
    "objclass",
    "objdata",
    "panose",
    "pgdsctbl",
    "picprop",
    "pn",
    "pnseclvl",
    "private",
    "revtbl",
    "rsidtbl",
    "shpinst",
    "stylesheet",
    "tc",
    "template",
    "themedata",
    "txe",
    "ud",
    "upr",
    "userprops",
    "xe",
    "xmlnstbl",
};
static_assert(std::is_sorted(std::begin(kSkippedDestinations), std::end(kSkippedDestinations)));

bool IsSkippedDestination(std::string_view w) {
  return std::binary_search(std::begin(kSkippedDestinations), std::end(kSkippedDestinations), w);
}

class Reader {
 public:
  Reader(const QByteArray& rtf, QTextDocument* document,
         const std::function<std::optional<QByteArray>(const QString&)>& loader)
      : data_(rtf.constData()),
        size_(static_cast<size_t>(rtf.size())),
        cursor_(document),
        loader_(loader) {}

  RtfReadResult Run();

 private:
  GroupState& Top() { return stack_.back(); }

  void OpenGroup();
  void CloseGroup();
  void ReadControl();
  void HandleWord(std::string_view word, bool hasParam, int param);
  bool HandleDestination(std::string_view word);
  void HandleSymbol(char c);
  void TextByte(char c);
  void HexEscape();
  void Binary(int length);

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
  void LeaveTable();
  void Cell();
  void ApplyBlockFormat();

  void CommitFontName();
  void FinishPicture();
  void FinishNeXTGraphic();

  int CurrentFont();
  int CurrentCodePage();
  QString Decode(const QByteArray& bytes, int codePage);
  QTextCharFormat BuildCharFormat();
  const QTextCharFormat& CharFormat();
  void FlushText();
  QColor ColorAt(int index) const;

  const char* data_;
  size_t size_;
  size_t pos_ = 0;
  QTextCursor cursor_;
  const std::function<std::optional<QByteArray>(const QString&)>& loader_;
  int warnings_ = 0;

  std::vector<GroupState> stack_;
  int overflowDepth_ = 0;  // groups open beyond kRtfMaxGroupDepth
  bool finished_ = false;  // the outermost group closed
  int skipCount_ = 0;      // \uN fallback characters still to skip
  char16_t pendingHigh_ = 0;

  int documentCodePage_ = kAnsiCodePage;
  int defaultFont_ = 0;
  std::map<int, FontEntry> fonts_;
  int fontTableCurrent_ = -1;
  std::vector<QColor> colors_;
  int red_ = 0, green_ = 0, blue_ = 0;
  bool colorSet_ = false;
  std::map<int, ConverterPtr> converters_;

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

  QTextTable* table_ = nullptr;
  int row_ = 0, column_ = 0;
  bool rowEnded_ = false;
  bool cellEnded_ = false;
  std::vector<int> cellRightTwips_;
};

RtfReadResult Reader::Run() {
  RtfReadResult result;
  size_t start = 0;
  while (start < size_ && (data_[start] == ' ' || data_[start] == '\r' || data_[start] == '\n' ||
                           data_[start] == '\t')) {
    ++start;
  }
  if (size_ - start < 5 || std::string_view(data_ + start, 5) != "{\\rtf") {
    result.error = QStringLiteral("the data is not RTF (it does not begin with {\\rtf)");
    return result;
  }
  pos_ = start;
  while (pos_ < size_ && !finished_) {
    const char c = data_[pos_];
    if (overflowDepth_ > 0) {
      if (c == '{') {
        ++overflowDepth_;
      } else if (c == '}') {
        --overflowDepth_;
      } else if (c == '\\') {
        ++pos_;  // an escaped brace does not count
      }
      ++pos_;
      continue;
    }
    switch (c) {
      case '{':
        ++pos_;
        OpenGroup();
        break;
      case '}':
        ++pos_;
        CloseGroup();
        break;
      case '\\':
        ReadControl();
        break;
      case '\r':
      case '\n':
        ++pos_;
        break;
      default:
        ++pos_;
        TextByte(c);
        break;
    }
  }
  FlushRun();
  if (pendingHigh_ != 0) {
    pendingHigh_ = 0;
    EmitChar(0xFFFD);
  }
  if (!stack_.empty()) {
    OpenPendingParagraph();
    ApplyBlockFormat();
  }
  FlushText();
  if (pos_ > size_) pos_ = size_;
  result.warnings = warnings_;
  if (!finished_) {
    const qsizetype open = static_cast<qsizetype>(stack_.size()) + overflowDepth_;
    result.error =
        QStringLiteral("the RTF data is truncated: it ends inside %1 open group(s)").arg(open);
    return result;
  }
  result.ok = true;
  return result;
}

void Reader::OpenGroup() {
  FlushRun();
  skipCount_ = 0;
  if (stack_.size() >= static_cast<size_t>(kRtfMaxGroupDepth)) {
    overflowDepth_ = 1;
    ++warnings_;
    return;
  }
  if (stack_.empty()) {
    stack_.emplace_back();
  } else {
    GroupState copy = Top();
    copy.starPending = false;
    stack_.push_back(std::move(copy));
  }
}

void Reader::CloseGroup() {
  FlushRun();
  skipCount_ = 0;
  if (stack_.empty()) return;
  const Dest closing = Top().dest;
  if (closing == Dest::kFontTable && stack_.size() >= 2) CommitFontName();
  if (stack_.size() == 1) {
    OpenPendingParagraph();
    ApplyBlockFormat();  // the last paragraph needs no \par
  }
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

void Reader::ReadControl() {
  ++pos_;  // the backslash
  if (pos_ >= size_) return;
  const char first = data_[pos_];
  if (!IsLetter(first)) {
    ++pos_;
    HandleSymbol(first);
    return;
  }
  const size_t wordStart = pos_;
  while (pos_ < size_ && IsLetter(data_[pos_])) ++pos_;
  std::string_view word(data_ + wordStart, std::min(pos_ - wordStart, kMaxWordLength));
  bool hasParam = false;
  long long value = 0;
  bool negative = false;
  if (pos_ + 1 < size_ && data_[pos_] == '-' && IsDigit(data_[pos_ + 1])) {
    negative = true;
    ++pos_;
  }
  while (pos_ < size_ && IsDigit(data_[pos_])) {
    hasParam = true;
    value = std::min<long long>(value * 10 + (data_[pos_] - '0'), INT_MAX);
    ++pos_;
  }
  if (pos_ < size_ && data_[pos_] == ' ') ++pos_;
  const int param = static_cast<int>(negative ? -value : value);
  if (skipCount_ > 0) {
    --skipCount_;
    if (word == "bin" && hasParam) Binary(param);  // its data is part of the skipped unit
    return;
  }
  HandleWord(word, hasParam, param);
}

void Reader::HandleSymbol(char c) {
  switch (c) {
    case '\\':
    case '{':
    case '}':
      TextByte(c);
      return;
    case '\'':
      HexEscape();
      return;
    default:
      break;
  }
  if (skipCount_ > 0) {
    --skipCount_;
    return;
  }
  if (stack_.empty()) return;
  if (c == '*') {
    Top().starPending = true;
    return;
  }
  if (Top().dest != Dest::kText) return;
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
      Paragraph();
      break;
    default:
      break;  // \: \| and unknown symbols
  }
}

void Reader::TextByte(char c) {
  if (skipCount_ > 0) {
    --skipCount_;
    return;
  }
  if (stack_.empty()) return;
  switch (Top().dest) {
    case Dest::kText:
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
      } else if (fontTableCurrent_ >= 0 && !fonts_[fontTableCurrent_].named) {
        fonts_[fontTableCurrent_].nameBytes.append(c);
      }
      break;
    case Dest::kColorTable:
      formatStale_ = true;
      if (c == ';') {
        colors_.push_back(colorSet_ ? QColor(red_, green_, blue_) : QColor());
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

void Reader::HexEscape() {
  int value = 0;
  int digits = 0;
  while (digits < 2 && pos_ < size_) {
    const int nibble = HexValue(data_[pos_]);
    if (nibble < 0) break;
    value = value * 16 + nibble;
    ++digits;
    ++pos_;
  }
  if (digits < 2) {
    ++warnings_;
    if (skipCount_ > 0) --skipCount_;
    return;
  }
  if (!stack_.empty() && Top().dest == Dest::kPicture) return;
  const char byte = static_cast<char>(value);
  if (byte == ';' || byte == '\t') {
    // An escaped separator is text, never the end of a table entry.
    if (skipCount_ > 0) {
      --skipCount_;
      return;
    }
    if (!stack_.empty() && Top().dest == Dest::kText) {
      run_.append(byte);
      return;
    }
    if (!stack_.empty() && Top().dest == Dest::kFontTable && fontTableCurrent_ >= 0) {
      formatStale_ = true;
      fonts_[fontTableCurrent_].nameBytes.append(byte);
      return;
    }
  }
  TextByte(byte);
}

void Reader::Binary(int length) {
  const size_t n = std::min(static_cast<size_t>(std::max(length, 0)), size_ - pos_);
  if (!stack_.empty() && Top().dest == Dest::kPicture && !picture_.tooLarge) {
    if (picture_.bytes.size() + static_cast<qsizetype>(n) > kRtfMaxPictureBytes) {
      picture_.tooLarge = true;
    } else {
      picture_.bytes.append(data_ + pos_, static_cast<qsizetype>(n));
    }
  }
  pos_ += n;
}

bool Reader::HandleDestination(std::string_view w) {
  GroupState& s = Top();
  if (w == "fonttbl") {
    formatStale_ = true;
    s.dest = Dest::kFontTable;
    fontTableCurrent_ = -1;
  } else if (w == "colortbl") {
    s.dest = Dest::kColorTable;
    formatStale_ = true;
    colors_.clear();
    red_ = green_ = blue_ = 0;
    colorSet_ = false;
  } else if (w == "pict") {
    s.dest = Dest::kPicture;
    picture_ = Picture();
  } else if (w == "NeXTGraphic") {
    s.dest = Dest::kNeXTGraphic;
    graphic_ = NeXTGraphic();
  } else if (w == "shppict" || w == "fldrslt" || w == "field" || w == "listtext" || w == "pntext") {
    // Their content is shown: picture, field result, list markers.
  } else if (IsSkippedDestination(w)) {
    s.dest = Dest::kSkip;
  } else {
    return false;
  }
  return true;
}

void Reader::HandleWord(std::string_view w, bool hasParam, int param) {
  if (stack_.empty()) return;
  GroupState& s = Top();
  if (w == "bin") {
    FlushRun();
    Binary(hasParam ? param : 0);
    return;
  }
  if (s.dest == Dest::kSkip) return;
  FlushRun();
  const bool star = s.starPending;
  s.starPending = false;
  if (HandleDestination(w)) return;
  if (star) {
    s.dest = Dest::kSkip;  // an ignorable destination this reader does not know
    return;
  }
  const bool on = !hasParam || param != 0;
  CharProps& ch = s.chars;
  ParaProps& pa = s.para;

  switch (s.dest) {
    case Dest::kFontTable:
      formatStale_ = true;
      if (w == "f") {
        CommitFontName();
        fontTableCurrent_ = param;
        fonts_[param] = FontEntry();
      } else if (w == "fcharset" && fontTableCurrent_ >= 0) {
        FontEntry& font = fonts_[fontTableCurrent_];
        if (!font.explicitCodePage) font.codePage = CodePageOfCharset(param);
      } else if (w == "cpg" && fontTableCurrent_ >= 0 && param > 0) {
        fonts_[fontTableCurrent_].codePage = param;
        fonts_[fontTableCurrent_].explicitCodePage = true;
      }
      return;
    case Dest::kColorTable:
      formatStale_ = true;
      if (w == "red") red_ = std::clamp(param, 0, 255), colorSet_ = true;
      if (w == "green") green_ = std::clamp(param, 0, 255), colorSet_ = true;
      if (w == "blue") blue_ = std::clamp(param, 0, 255), colorSet_ = true;
      return;
    case Dest::kPicture:
      if (w == "pngblip") {
        picture_.extension = QStringLiteral("png");
      } else if (w == "jpegblip") {
        picture_.extension = QStringLiteral("jpg");
      } else if (w == "wmetafile") {
        picture_.extension = QStringLiteral("wmf");
      } else if (w == "emfblip") {
        picture_.extension = QStringLiteral("emf");
      } else if (w == "picw") {
        picture_.picw = std::max(param, 0);
      } else if (w == "pich") {
        picture_.pich = std::max(param, 0);
      } else if (w == "picwgoal") {
        picture_.goalw = std::max(param, 0);
      } else if (w == "pichgoal") {
        picture_.goalh = std::max(param, 0);
      } else if (w == "picscalex" && param > 0) {
        picture_.scalex = param;
      } else if (w == "picscaley" && param > 0) {
        picture_.scaley = param;
      }
      return;
    case Dest::kNeXTGraphic:
      if (w == "u" && !graphic_.nameDone) {
        graphic_.name += Decode(graphic_.nameBytes, CurrentCodePage());
        graphic_.nameBytes.clear();
        graphic_.name += QChar(static_cast<char16_t>(param < 0 ? param + 65536 : param));
        skipCount_ = s.unicodeSkip;
        return;
      }
      graphic_.nameDone = true;
      if (w == "width") graphic_.widthTwips = std::max(param, 0);
      if (w == "height") graphic_.heightTwips = std::max(param, 0);
      return;
    case Dest::kSkip:
      return;
    case Dest::kText:
      break;
  }

  // Document settings.
  if (w == "ansi") {
    documentCodePage_ = kAnsiCodePage;
  } else if (w == "mac") {
    documentCodePage_ = kMacCodePage;
  } else if (w == "pc") {
    documentCodePage_ = 437;
  } else if (w == "pca") {
    documentCodePage_ = 850;
  } else if (w == "ansicpg") {
    if (param > 0) documentCodePage_ = param;
  } else if (w == "deff") {
    defaultFont_ = param;
  } else if (w == "uc") {
    s.unicodeSkip = std::clamp(param, 0, 16);
  } else if (w == "u") {
    EmitUnicode(param);
    skipCount_ = s.unicodeSkip;
  }
  // Character formatting.
  else if (w == "plain") {
    ch = CharProps();
  } else if (w == "f") {
    ch.font = param;
  } else if (w == "loch" || w == "hich") {
    ch.doubleByte = false;
  } else if (w == "dbch") {
    ch.doubleByte = true;
  } else if (w == "af") {
    if (ch.doubleByte) ch.doubleFont = param;
  } else if (w == "fs") {
    ch.halfPoints = hasParam && param > 0 ? std::min(param, 3276) : kDefaultHalfPoints;
  } else if (w == "b") {
    ch.bold = on;
  } else if (w == "i") {
    ch.italic = on;
  } else if (w == "v") {
    ch.hidden = on;
  } else if (w == "strike" || w == "striked") {
    ch.strike = on;
  } else if (w == "ul" || w == "ulw" || w == "uldb" || w == "ulth") {
    ch.underline = on ? QTextCharFormat::SingleUnderline : QTextCharFormat::NoUnderline;
  } else if (w == "ulnone") {
    ch.underline = QTextCharFormat::NoUnderline;
  } else if (w == "uld") {
    ch.underline = on ? QTextCharFormat::DotLine : QTextCharFormat::NoUnderline;
  } else if (w == "uldash" || w == "ulldash" || w == "ulthdash") {
    ch.underline = on ? QTextCharFormat::DashUnderline : QTextCharFormat::NoUnderline;
  } else if (w == "uldashd") {
    ch.underline = on ? QTextCharFormat::DashDotLine : QTextCharFormat::NoUnderline;
  } else if (w == "uldashdd") {
    ch.underline = on ? QTextCharFormat::DashDotDotLine : QTextCharFormat::NoUnderline;
  } else if (w == "ulwave" || w == "ulhwave" || w == "ululdbwave") {
    ch.underline = on ? QTextCharFormat::WaveUnderline : QTextCharFormat::NoUnderline;
  } else if (w == "cf") {
    ch.foreground = param;
  } else if (w == "cb" || w == "chcbpat") {
    ch.background = param;
  } else if (w == "highlight") {
    ch.highlight = param;
  } else if (w == "super") {
    ch.vertical = on ? QTextCharFormat::AlignSuperScript : QTextCharFormat::AlignNormal;
  } else if (w == "sub") {
    ch.vertical = on ? QTextCharFormat::AlignSubScript : QTextCharFormat::AlignNormal;
  } else if (w == "nosupersub") {
    ch.vertical = QTextCharFormat::AlignNormal;
  }
  // Paragraph formatting.
  else if (w == "pard") {
    pa = ParaProps();
  } else if (w == "ql") {
    pa.alignment = Qt::AlignLeft;
  } else if (w == "qr") {
    pa.alignment = Qt::AlignRight;
  } else if (w == "qc") {
    pa.alignment = Qt::AlignHCenter;
  } else if (w == "qj" || w == "qd") {
    pa.alignment = Qt::AlignJustify;
  } else if (w == "li" || w == "lin") {
    pa.leftTwips = param;
  } else if (w == "ri" || w == "rin") {
    pa.rightTwips = param;
  } else if (w == "fi") {
    pa.firstLineTwips = param;
  } else if (w == "sb") {
    pa.spaceBeforeTwips = std::max(param, 0);
  } else if (w == "sa") {
    pa.spaceAfterTwips = std::max(param, 0);
  } else if (w == "sl") {
    pa.lineSpacing = param;
  } else if (w == "slmult") {
    pa.lineMultiple = on;
  } else if (w == "tqr") {
    pa.nextTabType = QTextOption::RightTab;
  } else if (w == "tqc") {
    pa.nextTabType = QTextOption::CenterTab;
  } else if (w == "tqdec") {
    pa.nextTabType = QTextOption::DelimiterTab;
  } else if (w == "tx" || w == "tb") {
    if (pa.tabs.size() < 256) {
      QTextOption::Tab tab(TwipsToPoints(std::max(param, 0)), pa.nextTabType);
      if (pa.nextTabType == QTextOption::DelimiterTab) tab.delimiter = QLatin1Char('.');
      pa.tabs.append(tab);
    }
    pa.nextTabType = QTextOption::LeftTab;
  } else if (w == "intbl") {
    pa.inTable = on;
  } else if (w == "pagebb") {
    pa.pageBreakBefore = on;
  }
  // Breaks and special characters.
  else if (w == "par" || w == "sect") {
    Paragraph();
  } else if (w == "line") {
    EmitChar(0x2028);
  } else if (w == "page") {
    PageBreak();
  } else if (w == "tab") {
    EmitChar(u'\t');
  } else if (w == "emdash") {
    EmitChar(0x2014);
  } else if (w == "endash") {
    EmitChar(0x2013);
  } else if (w == "emspace") {
    EmitChar(0x2003);
  } else if (w == "enspace") {
    EmitChar(0x2002);
  } else if (w == "qmspace") {
    EmitChar(0x2005);
  } else if (w == "bullet") {
    EmitChar(0x2022);
  } else if (w == "lquote") {
    EmitChar(0x2018);
  } else if (w == "rquote") {
    EmitChar(0x2019);
  } else if (w == "ldblquote") {
    EmitChar(0x201C);
  } else if (w == "rdblquote") {
    EmitChar(0x201D);
  } else if (w == "zwj") {
    EmitChar(0x200D);
  } else if (w == "zwnj") {
    EmitChar(0x200C);
  } else if (w == "ltrmark") {
    EmitChar(0x200E);
  } else if (w == "rtlmark") {
    EmitChar(0x200F);
  }
  // Tables.
  else if (w == "trowd") {
    cellRightTwips_.clear();
  } else if (w == "cellx") {
    if (cellRightTwips_.size() < static_cast<size_t>(kMaxTableColumns)) {
      cellRightTwips_.push_back(param);
    }
  } else if (w == "cell" || w == "nestcell") {
    Cell();
  } else if (w == "row" || w == "nestrow") {
    if (table_ != nullptr) {
      ApplyBlockFormat();
      rowEnded_ = true;
      cellEnded_ = false;
    }
  }
}

void Reader::FlushRun() {
  if (run_.isEmpty()) return;
  const QByteArray bytes = run_;
  run_.clear();
  // Control bytes in the text are not content (line ends and NULs are dropped
  // as they are read); the same characters as \uN are.
  QString text = Decode(bytes, CurrentCodePage());
  text.removeIf([](QChar c) { return c.unicode() < 0x20 && c != u'\t'; });
  EmitText(std::move(text));
}

void Reader::EmitUnicode(int value) {
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

void Reader::EmitText(QString text) {
  if (pendingHigh_ != 0) {
    pendingHigh_ = 0;
    text.prepend(QChar(0xFFFD));
  }
  if (text.isEmpty() || stack_.empty() || Top().chars.hidden) return;
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
void Reader::FlushText() {
  if (pendingText_.isEmpty()) return;
  cursor_.insertText(pendingText_, pendingFormat_);
  pendingText_.clear();
}

void Reader::Paragraph() {
  FlushRun();
  EnterTableContext();
  ApplyBlockFormat();
  paragraphPending_ = true;
}

void Reader::OpenPendingParagraph() {
  if (!paragraphPending_) return;
  FlushText();
  paragraphPending_ = false;
  cursor_.insertBlock();
}

void Reader::PageBreak() {
  Paragraph();
  pageBreakNext_ = true;
}

// Moves the cursor into the table when the paragraph is part of one, and out
// of it when it is not.
void Reader::EnterTableContext() {
  if (stack_.empty()) return;
  const bool inTable = Top().para.inTable;
  // Nothing to do: the text continues where the cursor is.
  if (!paragraphPending_ && (table_ == nullptr ? !inTable : inTable && !rowEnded_ && !cellEnded_)) {
    return;
  }
  FlushText();
  if (table_ == nullptr && inTable) {
    StartTable();
    return;
  }
  OpenPendingParagraph();
  if (table_ == nullptr) return;
  if (!inTable && (rowEnded_ || !cellEnded_)) {
    LeaveTable();
    return;
  }
  if (rowEnded_ && row_ + 1 >= kMaxTableRows) {
    cursor_.insertText(QString(QChar(0x2028)));
  } else if (rowEnded_) {
    table_->appendRows(1);
    ++row_;
    column_ = 0;
    const int wanted = std::max<int>(1, static_cast<int>(cellRightTwips_.size()));
    if (wanted > table_->columns()) table_->appendColumns(wanted - table_->columns());
    cursor_ = table_->cellAt(row_, 0).firstCursorPosition();
    rowEnded_ = false;
  } else if (cellEnded_) {
    if (column_ + 1 < kMaxTableColumns) {
      ++column_;
      if (column_ >= table_->columns()) table_->appendColumns(1);
      cursor_ = table_->cellAt(row_, column_).firstCursorPosition();
    } else {
      cursor_.insertText(QStringLiteral("\t"));
    }
  }
  cellEnded_ = false;
}

void Reader::StartTable() {
  FlushText();
  // The table itself separates it from the paragraph a \par ended before it.
  paragraphPending_ = false;
  const int columns = std::max<int>(1, static_cast<int>(cellRightTwips_.size()));
  QTextTableFormat format;
  format.setCellPadding(2);
  format.setBorder(1);
  if (!cellRightTwips_.empty()) {
    QList<QTextLength> widths;
    double left = 0;  // twips; in double, as \cellx values may be anything
    for (int right : cellRightTwips_) {
      widths.append(QTextLength(QTextLength::FixedLength, std::max((right - left) / 20.0, 1.0)));
      left = right;
    }
    format.setColumnWidthConstraints(widths);
  }
  table_ = cursor_.insertTable(1, columns, format);
  row_ = 0;
  column_ = 0;
  rowEnded_ = false;
  cellEnded_ = false;
  cursor_ = table_->cellAt(0, 0).firstCursorPosition();
}

void Reader::LeaveTable() {
  FlushText();
  cursor_ = table_->lastCursorPosition();
  cursor_.movePosition(QTextCursor::NextBlock);
  table_ = nullptr;
  rowEnded_ = false;
  cellEnded_ = false;
}

void Reader::Cell() {
  FlushRun();
  if (table_ == nullptr) {
    StartTable();
  } else if (rowEnded_ || cellEnded_) {
    // An empty cell: the move into it happens here, since no text does it.
    const bool inTable = Top().para.inTable;
    Top().para.inTable = true;
    EnterTableContext();
    Top().para.inTable = inTable;
  } else {
    OpenPendingParagraph();
  }
  ApplyBlockFormat();
  cellEnded_ = true;
}

// Sets the current block's format from the paragraph properties in force; only
// properties that differ from the defaults are stored.
void Reader::ApplyBlockFormat() {
  if (stack_.empty()) return;
  FlushText();
  const ParaProps& pa = Top().para;
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
  if (pa.pageBreakBefore || pageBreakNext_) {
    format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    pageBreakNext_ = false;
  }
  cursor_.setBlockFormat(format);
}

void Reader::CommitFontName() {
  if (fontTableCurrent_ < 0) return;
  formatStale_ = true;
  FontEntry& font = fonts_[fontTableCurrent_];
  if (font.named) return;
  const int codePage = font.codePage != 0 ? font.codePage : documentCodePage_;
  font.name = Decode(font.nameBytes, codePage).trimmed();
  font.nameBytes.clear();
  font.named = true;
}

void Reader::FinishPicture() {
  Picture picture = std::move(picture_);
  picture_ = Picture();
  if (picture.tooLarge) {
    ++warnings_;
    return;
  }
  if (picture.bytes.isEmpty()) {
    ++warnings_;
    return;
  }
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

void Reader::FinishNeXTGraphic() {
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
  std::optional<QByteArray> bytes = loader_(safeName);
  if (!bytes) {
    ++warnings_;
    return;
  }
  EnterTableContext();
  FlushText();
  InsertAttachment(cursor_, safeName, *bytes, TwipsToPoints(graphic.widthTwips),
                   TwipsToPoints(graphic.heightTwips));
}

// The font of the text: for double-byte text its associated font when one is
// given (Japanese runs come as \dbch\afN with a Latin \fN in force), else \fN.
int Reader::CurrentFont() {
  const CharProps& ch = Top().chars;
  if (ch.doubleByte && ch.doubleFont >= 0 && fonts_.count(ch.doubleFont) != 0) {
    return ch.doubleFont;
  }
  return ch.font >= 0 ? ch.font : defaultFont_;
}

int Reader::CurrentCodePage() {
  if (stack_.empty()) return documentCodePage_;
  const auto it = fonts_.find(CurrentFont());
  if (it != fonts_.end() && it->second.codePage != 0) return it->second.codePage;
  return documentCodePage_;
}

QString Reader::Decode(const QByteArray& bytes, int codePage) {
  if (bytes.isEmpty()) return {};
  if (codePage == kSymbolCodePage) {
    QString text = Decode(bytes, kAnsiCodePage);
    for (qsizetype i = 0; i < text.size(); ++i) {
      if (bytes[i] == '\xB7')
        text[i] = QChar(0x2022);  // bullet
      else if (bytes[i] == '\xA7')
        text[i] = QChar(0x25AA);  // small square
    }
    return text;
  }
  auto it = converters_.find(codePage);
  if (it == converters_.end()) {
    ConverterPtr converter;
    for (const std::string& name : ConverterNames(codePage)) {
      UErrorCode status = U_ZERO_ERROR;
      converter.reset(ucnv_open(name.c_str(), &status));
      if (U_SUCCESS(status) && converter) break;
      converter.reset();
    }
    if (!converter) {
      ++warnings_;  // an unknown code page reads as Windows-1252
      UErrorCode status = U_ZERO_ERROR;
      converter.reset(ucnv_open("windows-1252", &status));
      if (U_FAILURE(status)) converter.reset();
    }
    it = converters_.emplace(codePage, std::move(converter)).first;
  }
  if (!it->second) return QString::fromLatin1(bytes);
  QString out(bytes.size() * 2 + 2, Qt::Uninitialized);
  UErrorCode status = U_ZERO_ERROR;
  const int32_t length = ucnv_toUChars(it->second.get(), reinterpret_cast<UChar*>(out.data()),
                                       static_cast<int32_t>(out.size()), bytes.constData(),
                                       static_cast<int32_t>(bytes.size()), &status);
  if (U_FAILURE(status)) {
    ++warnings_;
    return QString::fromLatin1(bytes);
  }
  out.truncate(length);
  return out;
}

QColor Reader::ColorAt(int index) const {
  if (index <= 0 || static_cast<size_t>(index) >= colors_.size()) return {};
  return colors_[static_cast<size_t>(index)];
}

const QTextCharFormat& Reader::CharFormat() {
  const CharProps& ch = Top().chars;
  if (formatStale_ || !(ch == formatProps_)) {
    format_ = BuildCharFormat();
    formatProps_ = ch;
    formatStale_ = false;
    ++formatId_;
  }
  return format_;
}

QTextCharFormat Reader::BuildCharFormat() {
  const CharProps& ch = Top().chars;
  QTextCharFormat format;
  const auto font = fonts_.find(CurrentFont());
  if (font != fonts_.end() && !font->second.name.isEmpty()) {
    format.setFontFamilies({font->second.name});
  }
  format.setFontPointSize(ch.halfPoints / 2.0);
  if (ch.bold) format.setFontWeight(QFont::Bold);
  if (ch.italic) format.setFontItalic(true);
  if (ch.strike) format.setFontStrikeOut(true);
  if (ch.underline != QTextCharFormat::NoUnderline) format.setUnderlineStyle(ch.underline);
  if (const QColor color = ColorAt(ch.foreground); color.isValid()) format.setForeground(color);
  const QColor background = ColorAt(ch.highlight > 0 ? ch.highlight : ch.background);
  if (background.isValid()) format.setBackground(background);
  if (ch.vertical != QTextCharFormat::AlignNormal) format.setVerticalAlignment(ch.vertical);
  return format;
}

}  // namespace

RtfReadResult ReadRtf(
    const QByteArray& rtf, QTextDocument* document,
    const std::function<std::optional<QByteArray>(const QString& fileName)>& attachmentLoader) {
  if (document == nullptr) {
    RtfReadResult result;
    result.error = QStringLiteral("no document to read into");
    return result;
  }
  document->clear();
  if (rtf.size() > kRtfMaxInputBytes) {
    RtfReadResult result;
    result.error =
        QStringLiteral("the RTF data is larger than %1 MiB").arg(kRtfMaxInputBytes / (1024 * 1024));
    return result;
  }
  // No undo history for the reading, and one layout at the end.
  const bool undo = document->isUndoRedoEnabled();
  document->setUndoRedoEnabled(false);
  QTextCursor editBlock(document);
  editBlock.beginEditBlock();
  Reader reader(rtf, document, attachmentLoader);
  const RtfReadResult result = reader.Run();
  editBlock.endEditBlock();
  document->setUndoRedoEnabled(undo);
  return result;
}

}  // namespace kdx_richtext
