// The RTF writer. The body of the RTF is written first, collecting fonts and
// colours as they are met; the header with both tables is put in front of it
// at the end.
#include "richtext/rtf_writer.h"

#include <QBuffer>
#include <QColor>
#include <QHash>
#include <QImageReader>
#include <QSet>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextFrame>
#include <QTextTable>
#include <charconv>
#include <cstring>
#include <string>
#include <vector>

#include "core/util/vell_encoding.h"
#include "richtext/attachments.h"

namespace kdx_richtext {

namespace {

// Width of the text on a Letter or A4 page with one-inch margins, in twips;
// tables without column widths share it.
constexpr int kDefaultTableTwips = 9360;
constexpr double kDefaultPointSize = 12.0;
constexpr int kHexBytesPerLine = 64;
// Picture bytes embedded in one RTF at most (written as hex, twice as many);
// a document that shows one picture many times would otherwise make an RTF
// hundreds of times its size. Pictures past it are written as references.
constexpr qsizetype kMaxEmbeddedPictureBytes = qsizetype{32} << 20;
// The most one UTF-16 unit of text becomes: \uc2\u-32768\'hh\'hh.
constexpr qsizetype kMaxEscapeBytes = 20;
// Bytes kept in front of the body for the header with the font and colour tables.
constexpr qsizetype kHeaderRoom = 4096;

int Twips(double points) { return qRound(points * 20.0); }

// Fonts that need Shift JIS (\fcharset128) in readers without Unicode.
bool IsJapaneseFont(const QString& family) {
  for (const QChar c : family) {
    if (c.unicode() >= 0x80) return true;
  }
  static const char* const kMarkers[] = {"Mincho", "Gothic", "CJK",   "IPA",  "Hiragino",
                                         "Meiryo", "Osaka",  "Takao", "MS P", "Yu "};
  for (const char* marker : kMarkers) {
    if (family.contains(QLatin1String(marker), Qt::CaseInsensitive)) return true;
  }
  return false;
}

bool StartsWith(const QByteArray& bytes, const char* prefix, qsizetype length) {
  return bytes.size() >= length && std::equal(prefix, prefix + length, bytes.constData());
}

// The picture formats an RTF embeds, told by their signature alone: the bytes
// of an attachment are never offered to every installed image decoder.
enum class PictureKind { none, png, jpeg };

PictureKind PictureKindOf(const QByteArray& bytes) {
  if (StartsWith(bytes, "\x89PNG\r\n\x1a\n", 8)) return PictureKind::png;
  if (StartsWith(bytes, "\xFF\xD8\xFF", 3)) return PictureKind::jpeg;
  return PictureKind::none;
}

// The pixel size of a PNG or JPEG picture, read by that format's decoder only;
// invalid when it cannot be read.
QSize PictureSize(const QByteArray& bytes, PictureKind kind) {
  if (kind == PictureKind::none) return QSize();
  QByteArray copy = bytes;
  QBuffer buffer(&copy);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, kind == PictureKind::png ? "png" : "jpeg");
  reader.setAutoDetectImageFormat(false);
  return reader.size();
}

class RtfWriter {
 public:
  RtfWriter(const QTextDocument& document, RtfAttachmentMode mode)
      : document_(document), mode_(mode) {
    defaultFamily_ = document.defaultFont().family();
    defaultPointSize_ = document.defaultFont().pointSizeF();
    if (defaultPointSize_ <= 0) defaultPointSize_ = kDefaultPointSize;
    FontIndex(defaultFamily_);
  }

  RtfWriteResult Write() {
    // Japanese text takes about 15 bytes a character (\uN and two \'hh):
    // room for all of it up front spares the regrowing (memory is only
    // taken where it is written).
    body_.reserve(qsizetype{document_.characterCount()} * 16 + kHeaderRoom + 1024);
    // Room for the header, which can only be written once the body has
    // named its fonts and colours: a large body is never moved for it.
    body_.fill(' ', kHeaderRoom);
    WriteFrame(document_.rootFrame(), false);
    QByteArray header = "{\\rtf1\\ansi\\ansicpg932\\deff0\\uc1\n{\\fonttbl";
    for (int i = 0; i < fonts_.size(); ++i) {
      header += "{\\f" + QByteArray::number(i) + "\\fnil\\fcharset" +
                (IsJapaneseFont(fonts_[i]) ? "128 " : "0 ");
      // ";" ends a font name in the table, so it cannot be part of one.
      AppendEscaped(header, QString(fonts_[i]).replace(QLatin1Char(';'), QLatin1Char(' ')));
      header += ";}";
    }
    header += "}\n{\\colortbl;";
    for (const QColor& color : colors_) {
      header += "\\red" + QByteArray::number(color.red()) + "\\green" +
                QByteArray::number(color.green()) + "\\blue" + QByteArray::number(color.blue()) +
                ";";
    }
    header += "}\n";
    RtfWriteResult result;
    result.rtf = std::move(body_);
    if (header.size() <= kHeaderRoom) {
      const qsizetype unused = kHeaderRoom - header.size();
      std::memcpy(result.rtf.data() + unused, header.constData(),
                  static_cast<size_t>(header.size()));
      // Dropping bytes at the front only moves where the array starts.
      result.rtf.remove(0, unused);
    } else {
      result.rtf.replace(0, kHeaderRoom, header);
    }
    result.rtf += "}\n";
    result.attachments = std::move(attachments_);
    result.picturesNotEmbedded = picturesNotEmbedded_;
    return result;
  }

 private:
  int FontIndex(const QString& family) {
    const qsizetype index = fonts_.indexOf(family);
    if (index >= 0) return static_cast<int>(index);
    fonts_.append(family);
    return static_cast<int>(fonts_.size() - 1);
  }

  // Index in the colour table; 0 is the reader's default colour.
  int ColorIndex(const QColor& color) {
    const QColor rgb = color.toRgb();
    for (qsizetype i = 0; i < colors_.size(); ++i) {
      if (colors_[i].rgb() == rgb.rgb()) return static_cast<int>(i + 1);
    }
    colors_.append(rgb);
    return static_cast<int>(colors_.size());
  }

  // How one BMP character outside ASCII is written: \uN, then its Shift JIS
  // bytes as \'hh escapes or "?" when it has none, and how many bytes a
  // reader without Unicode skips after \uN (the \ucN in force).
  struct CharacterEscape {
    QByteArray text;
    int skipped = 0;  // 0 until made
  };

  static QByteArray UnicodeEscape(char16_t unit) {
    const int value = unit > 0x7FFF ? static_cast<int>(unit) - 0x10000 : static_cast<int>(unit);
    return "\\u" + QByteArray::number(value);
  }

  // Kept for every writer on the thread, one slot per BMP character: finding
  // the Shift JIS bytes opens a converter, and a body repeats few characters
  // many times (a hash lookup per character is most of a large body's time).
  static const CharacterEscape& EscapeOf(char16_t character) {
    static thread_local std::vector<CharacterEscape> escapes;
    if (escapes.empty()) escapes.resize(0x10000);
    CharacterEscape& escape = escapes[character];
    if (escape.skipped != 0) return escape;
    const QByteArray utf8 = QString(QChar(character)).toUtf8();
    std::string sjis;
    escape.text = UnicodeEscape(character);
    // Shift JIS has one or two bytes a character; anything else is not a form of it.
    if (Vell_EncodeFromUTF8(std::string_view(utf8.constData(), utf8.size()), kVellEncodingSJIS,
                            sjis) == kVellEncOk &&
        !sjis.empty() && sjis.size() <= 2) {
      for (const char byte : sjis) {
        escape.text +=
            "\\'" + QByteArray::number(static_cast<uint8_t>(byte), 16).rightJustified(2, '0');
      }
      escape.skipped = static_cast<int>(sjis.size());
    } else {
      escape.text += '?';
      escape.skipped = 1;
    }
    return escape;
  }

  // Printable ASCII that RTF takes as it is.
  static bool IsPlain(char16_t c) {
    return c >= 0x20 && c < 0x7F && c != u'\\' && c != u'{' && c != u'}';
  }

  static char* Put(char* to, const char* bytes, qsizetype count) {
    std::memcpy(to, bytes, static_cast<size_t>(count));
    return to + count;
  }
  template <size_t N>
  static char* Put(char* to, const char (&literal)[N]) {
    return Put(to, literal, N - 1);
  }
  static char* PutUnicode(char* to, char16_t unit) {
    const int value = unit > 0x7FFF ? static_cast<int>(unit) - 0x10000 : static_cast<int>(unit);
    char digits[8];
    const auto made = std::to_chars(digits, digits + sizeof digits, value);
    return Put(Put(to, "\\u"), digits, made.ptr - digits);
  }

  // Appends text as RTF: special characters escaped, non-ASCII as \uN with
  // its Shift JIS bytes after it. Every \ucN is undone at the end, so the
  // result can go anywhere. Written straight into room made for the longest
  // form, then cut to what was written.
  static void AppendEscaped(QByteArray& out, QStringView text) {
    const char16_t* chars = text.utf16();
    const qsizetype size = text.size();
    const qsizetype start = out.size();
    out.resize(start + size * kMaxEscapeBytes + 8);
    char* to = out.data() + start;
    int uc = 1;
    for (qsizetype i = 0; i < size; ++i) {
      const char16_t c = chars[i];
      if (IsPlain(c)) {
        *to++ = static_cast<char>(c);
      } else if (c == u'\\' || c == u'{' || c == u'}') {
        *to++ = '\\';
        *to++ = static_cast<char>(c);
      } else if (c == u'\t') {
        to = Put(to, "\\tab ");
      } else if (c == QChar::LineSeparator) {
        to = Put(to, "\\line ");
      } else if (c == QChar::Nbsp) {
        to = Put(to, "\\~");
      } else if (c == 0) {
        continue;
      } else if (c < 0x80) {
        // Other control characters (form feeds, escapes in imported text)
        // have no RTF form of their own; keep them so the text stays the same.
        if (uc != 1) to = Put(to, "\\uc1");
        uc = 1;
        to = PutUnicode(to, c);
        *to++ = '?';
      } else if (QChar::isHighSurrogate(c) && i + 1 < size && QChar::isLowSurrogate(chars[i + 1])) {
        // Outside the BMP: no Shift JIS form, so one "?" stands for the
        // pair and the second half has none (\uc0, ended by a space).
        if (uc != 1) to = Put(to, "\\uc1");
        to = PutUnicode(to, c);
        to = Put(to, "?\\uc0");
        to = PutUnicode(to, chars[i + 1]);
        *to++ = ' ';
        uc = 0;
        ++i;
      } else {
        const CharacterEscape& escape = EscapeOf(c);
        if (escape.skipped != uc) {
          to = Put(to, "\\uc");
          *to++ = static_cast<char>('0' + escape.skipped);
        }
        uc = escape.skipped;
        to = Put(to, escape.text.constData(), escape.text.size());
      }
    }
    if (uc != 1) to = Put(to, "\\uc1 ");
    out.resize(to - out.constData());
  }

  // Character formatting after \plain (which resets to \f0 and the reader's defaults).
  QByteArray CharacterControls(const QTextCharFormat& format) {
    QByteArray out = "\\plain";
    QString family = defaultFamily_;
    const QStringList families = format.fontFamilies().toStringList();
    if (!families.isEmpty() && !families.first().isEmpty()) family = families.first();
    out += "\\f" + QByteArray::number(FontIndex(family));
    const double size = format.hasProperty(QTextFormat::FontPointSize) && format.fontPointSize() > 0
                            ? format.fontPointSize()
                            : defaultPointSize_;
    out += "\\fs" + QByteArray::number(qRound(size * 2));
    if (format.fontWeight() >= QFont::DemiBold) out += "\\b";
    if (format.fontItalic()) out += "\\i";
    switch (format.underlineStyle()) {
      case QTextCharFormat::NoUnderline:
        break;
      case QTextCharFormat::DotLine:
        out += "\\uld";
        break;
      case QTextCharFormat::DashUnderline:
        out += "\\uldash";
        break;
      case QTextCharFormat::WaveUnderline:
      case QTextCharFormat::SpellCheckUnderline:
        out += "\\ulwave";
        break;
      default:
        out += "\\ul";
        break;
    }
    if (format.fontStrikeOut()) out += "\\strike";
    if (format.verticalAlignment() == QTextCharFormat::AlignSuperScript) out += "\\super";
    if (format.verticalAlignment() == QTextCharFormat::AlignSubScript) out += "\\sub";
    if (format.foreground().style() != Qt::NoBrush) {
      out += "\\cf" + QByteArray::number(ColorIndex(format.foreground().color()));
    }
    if (format.background().style() != Qt::NoBrush) {
      const QByteArray index = QByteArray::number(ColorIndex(format.background().color()));
      out += "\\chcbpat" + index + "\\highlight" + index;
    }
    return out;
  }

  QByteArray ParagraphControls(const QTextBlockFormat& format, bool inTable) const {
    QByteArray out = "\\pard";
    if (inTable) out += "\\intbl";
    switch (format.alignment() & Qt::AlignHorizontal_Mask) {
      case Qt::AlignHCenter:
        out += "\\qc";
        break;
      case Qt::AlignRight:
        out += "\\qr";
        break;
      case Qt::AlignJustify:
        out += "\\qj";
        break;
      default:
        break;
    }
    const double left = format.leftMargin() + format.indent() * document_.indentWidth();
    if (left != 0) out += "\\li" + QByteArray::number(Twips(left));
    if (format.rightMargin() != 0) out += "\\ri" + QByteArray::number(Twips(format.rightMargin()));
    if (format.textIndent() != 0) out += "\\fi" + QByteArray::number(Twips(format.textIndent()));
    if (format.topMargin() != 0) out += "\\sb" + QByteArray::number(Twips(format.topMargin()));
    if (format.bottomMargin() != 0) {
      out += "\\sa" + QByteArray::number(Twips(format.bottomMargin()));
    }
    const double height = format.lineHeight();
    switch (format.lineHeightType()) {
      case QTextBlockFormat::ProportionalHeight:
        if (height > 0 && qRound(height) != 100) {
          out += "\\sl" + QByteArray::number(qRound(240 * height / 100)) + "\\slmult1";
        }
        break;
      case QTextBlockFormat::FixedHeight:
        if (height > 0) out += "\\sl-" + QByteArray::number(Twips(height)) + "\\slmult0";
        break;
      case QTextBlockFormat::MinimumHeight:
        if (height > 0) out += "\\sl" + QByteArray::number(Twips(height)) + "\\slmult0";
        break;
      default:
        break;
    }
    for (const QTextOption::Tab& tab : format.tabPositions()) {
      if (tab.type == QTextOption::RightTab) out += "\\tqr";
      if (tab.type == QTextOption::CenterTab) out += "\\tqc";
      if (tab.type == QTextOption::DelimiterTab) out += "\\tqdec";
      out += "\\tx" + QByteArray::number(Twips(tab.position));
    }
    return out;
  }

  // The controls of a character format, made once per format of the
  // document: a long body has as many paragraph marks as lines, and most
  // share one format.
  const QByteArray& CharacterControlsOf(int formatIndex, const QTextCharFormat& format) {
    const auto known = characterControls_.constFind(formatIndex);
    if (known != characterControls_.constEnd()) return *known;
    return *characterControls_.insert(formatIndex, CharacterControls(format));
  }

  void WriteBlock(const QTextBlock& block, bool inTable) {
    const int paragraphKey = block.blockFormatIndex() * 2 + (inTable ? 1 : 0);
    auto paragraph = paragraphControls_.constFind(paragraphKey);
    if (paragraph == paragraphControls_.constEnd()) {
      paragraph =
          paragraphControls_.insert(paragraphKey, ParagraphControls(block.blockFormat(), inTable));
    }
    body_ += *paragraph;
    // The paragraph mark's own format, so that an empty line keeps its height.
    body_ += CharacterControlsOf(block.charFormatIndex(), block.charFormat());
    body_ += ' ';
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      if (!fragment.isValid()) continue;
      const QTextCharFormat format = fragment.charFormat();
      const QString name = AttachmentName(format);
      const QString text = fragment.text();
      if (!name.isEmpty()) {
        for (const QChar c : text) {
          if (c == QChar::ObjectReplacementCharacter) WriteAttachment(format.toImageFormat(), name);
        }
        continue;
      }
      const QByteArray& controls = CharacterControlsOf(fragment.charFormatIndex(), format);
      // A link is a field whose result is the shown text.
      const bool link = format.isAnchor() && !format.anchorHref().isEmpty();
      if (link) {
        QString href = format.anchorHref();
        href.replace(QLatin1Char('"'), QLatin1String("%22"));
        body_ += "{\\field{\\*\\fldinst HYPERLINK \"";
        AppendEscaped(body_, href);
        body_ += "\"}{\\fldrslt ";
      }
      body_ += '{';
      body_ += controls;
      body_ += ' ';
      AppendEscaped(body_, text);
      body_ += '}';
      if (link) body_ += "}}";
    }
  }

  // Blocks of frame separated by \par; a table after a block ends that block.
  void WriteFrame(QTextFrame* frame, bool inTable) {
    bool pendingBlock = false;
    for (auto it = frame->begin(); !it.atEnd(); ++it) {
      if (pendingBlock) body_ += "\\par\n";
      pendingBlock = false;
      if (QTextFrame* child = it.currentFrame()) {
        if (auto* table = qobject_cast<QTextTable*>(child); table != nullptr && !inTable) {
          WriteTable(table);
        } else {
          // Frames other than tables, and tables inside cells, keep their text
          // as plain paragraphs.
          WriteFrame(child, inTable);
          pendingBlock = true;
        }
      } else {
        WriteBlock(it.currentBlock(), inTable);
        pendingBlock = true;
      }
    }
  }

  void WriteTable(QTextTable* table) {
    const QTextTableFormat tableFormat = table->format();
    const int columns = table->columns();
    QList<int> rightEdges;
    const QList<QTextLength> widths = tableFormat.columnWidthConstraints();
    int edge = 0;
    for (int column = 0; column < columns; ++column) {
      int width = kDefaultTableTwips / columns;
      if (column < widths.size()) {
        const QTextLength length = widths[column];
        if (length.type() == QTextLength::FixedLength && length.rawValue() > 0) {
          width = Twips(length.rawValue());
        } else if (length.type() == QTextLength::PercentageLength && length.rawValue() > 0) {
          width = qRound(kDefaultTableTwips * length.rawValue() / 100);
        }
      }
      edge += width;
      rightEdges.append(edge);
    }
    const bool borders = tableFormat.border() > 0;
    for (int row = 0; row < table->rows(); ++row) {
      body_ += "\\trowd\\trgaph108\\trleft0";
      for (int column = 0; column < columns; ++column) {
        const QTextTableCell cell = table->cellAt(row, column);
        // Spanning cells keep the grid: the first cell of a span is marked
        // as such and the cells it covers as merged into it.
        if (cell.row() == row && cell.rowSpan() > 1) body_ += "\\clvmgf";
        if (cell.row() < row) body_ += "\\clvmrg";
        if (cell.column() == column && cell.columnSpan() > 1) body_ += "\\clmgf";
        if (cell.column() < column) body_ += "\\clmrg";
        if (borders) {
          body_ +=
              "\\clbrdrt\\brdrs\\brdrw10\\clbrdrl\\brdrs\\brdrw10\\clbrdrb\\brdrs\\brdrw10"
              "\\clbrdrr\\brdrs\\brdrw10";
        }
        const QBrush background = cell.format().background();
        if (background.style() != Qt::NoBrush) {
          body_ += "\\clcbpat" + QByteArray::number(ColorIndex(background.color()));
        }
        body_ += "\\cellx" + QByteArray::number(rightEdges[column]);
      }
      body_ += "\n";
      for (int column = 0; column < columns; ++column) {
        const QTextTableCell cell = table->cellAt(row, column);
        if (cell.row() != row || cell.column() != column) {
          // Covered by a spanning cell: an empty cell keeps the grid.
          body_ += "\\pard\\intbl\\cell\n";
          continue;
        }
        bool first = true;
        for (auto it = cell.begin(); !it.atEnd(); ++it) {
          if (!first) body_ += "\\par\n";
          first = false;
          if (QTextFrame* child = it.currentFrame()) {
            WriteFrame(child, true);
          } else {
            WriteBlock(it.currentBlock(), true);
          }
        }
        if (first) body_ += "\\pard\\intbl";
        body_ += "\\cell\n";
      }
      body_ += "\\row\n";
    }
  }

  void WriteReference(const QString& name, double widthPoints, double heightPoints) {
    body_ += "{{\\NeXTGraphic ";
    AppendEscaped(body_, name);
    if (widthPoints > 0) body_ += " \\width" + QByteArray::number(Twips(widthPoints));
    if (heightPoints > 0) body_ += " \\height" + QByteArray::number(Twips(heightPoints));
    body_ += "\n}\\'ac}";
  }

  // The file name of a document's attachment inside the package, given out
  // once per attachment: a plain file name without blanks around it or a
  // leading dot, never "TXT.rtf", never one already used by another attachment (a document can hold
  // such names when its formats were made by hand).
  QString PackageName(const QString& name, const QByteArray& bytes) {
    const auto known = packageNames_.constFind(name);
    if (known != packageNames_.constEnd()) return *known;
    // Readers take the name without the blanks around it; a name starting
    // with a dot would be a hidden file in the package.
    QString base = SafeAttachmentName(name.trimmed()).trimmed();
    if (base.startsWith(QLatin1Char('.'))) base.prepend(QLatin1Char('_'));
    QString candidate = base;
    const qsizetype dot = base.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot > 0 ? base.left(dot) : base;
    const QString extension = dot > 0 ? base.mid(dot) : QString();
    for (int n = 1; candidate == kRtfdTextFileName || usedPackageNames_.contains(candidate); ++n) {
      candidate = SafeAttachmentName(stem + QStringLiteral("-%1").arg(n) + extension);
    }
    usedPackageNames_.insert(candidate);
    packageNames_.insert(name, candidate);
    attachments_.append(RtfdFile{candidate, bytes});
    return candidate;
  }

  void WriteAttachment(const QTextImageFormat& format, const QString& name) {
    const QByteArray bytes = AttachmentBytes(document_, name);
    const PictureKind kind = PictureKindOf(bytes);
    const QSize pixels = PictureSize(bytes, kind);
    const bool sized = pixels.isValid() && !pixels.isEmpty();
    // A picture shows one point per pixel unless the document gives its size.
    double width = format.width();
    double height = format.height();
    if (sized && (width <= 0 || height <= 0)) {
      if (width <= 0) width = pixels.width();
      if (height <= 0) height = pixels.height();
    }
    if (mode_ == RtfAttachmentMode::rtfd) {
      WriteReference(PackageName(name, bytes), width, height);
      return;
    }
    if (!sized) {
      WriteReference(name, width, height);
      return;
    }
    if (embeddedBytes_ + bytes.size() > kMaxEmbeddedPictureBytes) {
      ++picturesNotEmbedded_;
      WriteReference(name, width, height);
      return;
    }
    embeddedBytes_ += bytes.size();
    body_ += "{\\pict";
    body_ += kind == PictureKind::png ? "\\pngblip" : "\\jpegblip";
    body_ += "\\picw" + QByteArray::number(pixels.width()) + "\\pich" +
             QByteArray::number(pixels.height()) + "\\picwgoal" + QByteArray::number(Twips(width)) +
             "\\pichgoal" + QByteArray::number(Twips(height)) + "\n";
    for (qsizetype i = 0; i < bytes.size(); i += kHexBytesPerLine) {
      body_ += bytes.mid(i, kHexBytesPerLine).toHex() + "\n";
    }
    body_ += "}";
  }

  const QTextDocument& document_;
  RtfAttachmentMode mode_;
  QString defaultFamily_;
  double defaultPointSize_ = kDefaultPointSize;
  QStringList fonts_;                     // index = \fN
  QList<QColor> colors_;                  // index + 1 = \cfN
  QHash<QString, QString> packageNames_;  // document name -> package file name
  QSet<QString> usedPackageNames_;
  QList<RtfdFile> attachments_;
  qsizetype embeddedBytes_ = 0;
  int picturesNotEmbedded_ = 0;
  QHash<int, QByteArray> characterControls_;  // by the document's format index
  QHash<int, QByteArray> paragraphControls_;  // by format index * 2 + in a table
  QByteArray body_;
};

}  // namespace

RtfWriteResult WriteRtf(const QTextDocument& document, RtfAttachmentMode mode) {
  return RtfWriter(document, mode).Write();
}

}  // namespace kdx_richtext
