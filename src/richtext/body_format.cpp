// The body archive (layout in body_format.h) and the conversions between
// bodies, RTF, RTFD packages, documents and plain text.
#include "richtext/body_format.h"

#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHash>
#include <QSet>
#include <QStringDecoder>
#include <QTextCursor>
#include <algorithm>
#include <cstring>

#include "core/util/vell_encoding.h"
#include "core/util/vell_endian.h"
#include "richtext/attachments.h"
#include "richtext/rtf_reader.h"
#include "richtext/rtf_writer.h"

namespace kdx_richtext {

namespace {

// Offsets of the header fields; widths of the length fields of a file record.
constexpr qsizetype kMagicOffset = 0;
constexpr qsizetype kVersionOffset = 4;
constexpr qsizetype kFlagsOffset = 6;
constexpr qsizetype kCountOffset = 8;
static_assert(kCountOffset + 4 == kBodyHeaderBytes);
constexpr qsizetype kNameLengthBytes = 2;
constexpr qsizetype kDataLengthBytes = 4;

void AppendU16(QByteArray& out, uint16_t value) {
  out.append(static_cast<char>(value & 0xFF));
  out.append(static_cast<char>((value >> 8) & 0xFF));
}

void AppendU32(QByteArray& out, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8)
    out.append(static_cast<char>((value >> shift) & 0xFF));
}

// The caller has checked that the field lies inside bytes.
const uint8_t* BytesAt(const QByteArray& bytes, qsizetype offset) {
  return reinterpret_cast<const uint8_t*>(bytes.constData() + offset);
}
uint16_t ReadU16(const QByteArray& bytes, qsizetype offset) {
  return Vell_GetLE16(BytesAt(bytes, offset));
}
uint32_t ReadU32(const QByteArray& bytes, qsizetype offset) {
  return Vell_GetLE32(BytesAt(bytes, offset));
}

bool AllZero(const QByteArray& bytes, qsizetype from) {
  for (qsizetype i = from; i < bytes.size(); ++i) {
    if (bytes.at(i) != '\0') return false;
  }
  return true;
}

// Whether name may stand in a package: what SafeAttachmentName keeps unchanged.
bool IsPlainFileName(const QString& name) {
  return !name.isEmpty() && SafeAttachmentName(name) == name;
}

void AppendArchiveHead(QByteArray& out, uint32_t files) {
  out.append(kBodyMagic, sizeof(kBodyMagic));
  AppendU16(out, kBodyVersion);
  AppendU16(out, 0);
  AppendU32(out, files);
}

// A file record's name and length; its data follows.
[[nodiscard]] bool AppendFileHead(QByteArray& out, const QString& name, qsizetype size) {
  const QByteArray utf8 = name.toUtf8();
  if (utf8.isEmpty() || utf8.size() > kBodyMaxNameBytes) return false;
  if (size > kRtfdMaxPackageBytes) return false;
  AppendU16(out, static_cast<uint16_t>(utf8.size()));
  out.append(utf8);
  AppendU32(out, static_cast<uint32_t>(size));
  return true;
}

[[nodiscard]] bool AppendFile(QByteArray& out, const QString& name, const QByteArray& data) {
  if (!AppendFileHead(out, name, data.size())) return false;
  out.append(data);
  return true;
}

std::optional<QString> DecodeStrictUtf8(const QByteArray& bytes) {
  QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = decoder(bytes);
  if (decoder.hasError()) return std::nullopt;
  return text;
}

[[nodiscard]] std::optional<QByteArray> DocumentToBodyWithRtf(const QTextDocument& document) {
  RtfWriteResult written = WriteRtf(document, RtfAttachmentMode::rtfd);
  if (written.attachments.isEmpty()) {
    // The RTF alone: the archive's head goes in front of it, where the
    // writer left room, so that a long body is not copied once more.
    QByteArray head;
    AppendArchiveHead(head, 1);
    if (!AppendFileHead(head, kRtfdTextFileName, written.rtf.size())) return std::nullopt;
    written.rtf.prepend(head);
    return std::move(written.rtf);
  }
  RtfdPackage package;
  package.rtf = std::move(written.rtf);
  package.attachments = std::move(written.attachments);
  return PackBody(package);
}

}  // namespace

QString DocumentPlainText(const QTextDocument& document) {
  QString text = document.toRawText();
  for (QChar& c : text) {
    // Frame marks (tables, cells) end a line like a paragraph does.
    if (c.unicode() == 0xFDD0 || c.unicode() == 0xFDD1) c = QLatin1Char('\n');
  }
  return NormalizeBodyText(text);
}

std::optional<QByteArray> PackBody(const RtfdPackage& package) {
  if (static_cast<uint64_t>(package.attachments.size()) + 1 > kBodyMaxFiles) return std::nullopt;
  QSet<QString> seen;
  seen.insert(kRtfdTextFileName);
  qsizetype total = package.rtf.size();
  for (const RtfdFile& file : package.attachments) {
    if (!IsPlainFileName(file.name) || seen.contains(file.name)) return std::nullopt;
    seen.insert(file.name);
    total += file.data.size();
    if (total > kRtfdMaxPackageBytes) return std::nullopt;
  }
  QByteArray out;
  out.reserve(kBodyHeaderBytes + total + 64 * (package.attachments.size() + 1));
  AppendArchiveHead(out, static_cast<uint32_t>(package.attachments.size() + 1));
  if (!AppendFile(out, kRtfdTextFileName, package.rtf)) return std::nullopt;
  for (const RtfdFile& file : package.attachments) {
    if (!AppendFile(out, file.name, file.data)) return std::nullopt;
  }
  return out;
}

BodyStatus UnpackBody(const QByteArray& body, RtfdPackage* package) {
  *package = RtfdPackage{};
  if (AllZero(body, 0)) return BodyStatus::empty;
  if (body.size() < kBodyHeaderBytes ||
      std::memcmp(body.constData() + kMagicOffset, kBodyMagic, sizeof(kBodyMagic)) != 0 ||
      ReadU16(body, kVersionOffset) != kBodyVersion || ReadU16(body, kFlagsOffset) != 0) {
    return BodyStatus::unreadable;
  }
  const uint32_t count = ReadU32(body, kCountOffset);
  if (count == 0 || count > kBodyMaxFiles) return BodyStatus::unreadable;

  RtfdPackage result;
  QSet<QString> seen;
  qsizetype pos = kBodyHeaderBytes;
  for (uint32_t index = 0; index < count; ++index) {
    if (body.size() - pos < kNameLengthBytes) return BodyStatus::unreadable;
    const qsizetype nameLength = ReadU16(body, pos);
    pos += kNameLengthBytes;
    if (nameLength == 0 || nameLength > kBodyMaxNameBytes || body.size() - pos < nameLength) {
      return BodyStatus::unreadable;
    }
    const std::optional<QString> name = DecodeStrictUtf8(body.mid(pos, nameLength));
    pos += nameLength;
    if (!name) return BodyStatus::unreadable;
    if (index == 0
            ? *name != kRtfdTextFileName
            : (*name == kRtfdTextFileName || !IsPlainFileName(*name) || seen.contains(*name))) {
      return BodyStatus::unreadable;
    }
    seen.insert(*name);

    if (body.size() - pos < kDataLengthBytes) return BodyStatus::unreadable;
    const qsizetype dataLength = ReadU32(body, pos);
    pos += kDataLengthBytes;
    if (body.size() - pos < dataLength) return BodyStatus::unreadable;
    QByteArray data = body.mid(pos, dataLength);
    pos += dataLength;
    if (index == 0) {
      result.rtf = std::move(data);
    } else {
      result.attachments.append(RtfdFile{*name, std::move(data)});
    }
  }
  if (!AllZero(body, pos)) return BodyStatus::unreadable;
  *package = std::move(result);
  return BodyStatus::ok;
}

QString NormalizeBodyText(const QString& text) {
  // Most text is in this form already, and a long body is not copied then.
  const bool lineEnds = std::any_of(text.cbegin(), text.cend(), [](QChar c) {
    return c == u'\r' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator;
  });
  if (!lineEnds && (text.isEmpty() || text.back() != QChar(u'\0'))) return text;
  QString out;
  out.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t c = text.at(i).unicode();
    if (c == u'\r') {
      if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n')) ++i;
      out.append(QLatin1Char('\n'));
    } else if (c == QChar::LineSeparator || c == QChar::ParagraphSeparator) {
      out.append(QLatin1Char('\n'));
    } else {
      out.append(text.at(i));
    }
  }
  while (!out.isEmpty() && out.back() == QChar(u'\0')) out.chop(1);
  return out;
}

QByteArray KDXCOMM_ConvertTextToRtfd(const QString& text, const QString& fontFamily,
                                     double pointSize) {
  QTextDocument document;
  QFont font = document.defaultFont();
  QString family = font.family();
  // A family this system lacks keeps the default. Without a QGuiApplication
  // there is no font database to ask, and the family is kept as given.
  if (!fontFamily.isEmpty() &&
      (QGuiApplication::instance() == nullptr || QFontDatabase::hasFamily(fontFamily))) {
    family = fontFamily;
  }
  font.setFamilies({family});
  if (pointSize > 0) font.setPointSizeF(pointSize);
  document.setDefaultFont(font);
  // The written RTF names the font of each run: give the text an explicit
  // character format so that it carries this one.
  QTextCursor cursor(&document);
  QTextCharFormat format;
  format.setFontFamilies(QStringList{family});
  format.setFontPointSize(font.pointSizeF());
  cursor.setBlockCharFormat(format);
  cursor.insertText(NormalizeBodyText(text), format);
  // Without attachments or odd names, packing cannot fail.
  return DocumentToBodyWithRtf(document).value_or(QByteArray());
}

std::optional<QByteArray> KDXCOMM_ConvertRtfToRtfd(const QByteArray& rtf, QString* warning) {
  QTextDocument document;
  const RtfReadResult read = ReadRtf(rtf, &document);
  if (!read.ok && read.truncated && warning != nullptr) {
    // What was read, written out whole, so that the body reads back.
    *warning = read.error + QStringLiteral("; what was read is kept");
    return DocumentToBodyWithRtf(document);
  }
  if (!read.ok) return std::nullopt;
  RtfdPackage package;
  package.rtf = rtf;
  return PackBody(package);
}

std::optional<QByteArray> KDXCOMM_ReadRTFDFromFile(const QString& path) {
  RtfdPackage package;
  if (ReadRtfdFolder(path, &package) != RtfdStatus::ok) return std::nullopt;
  return PackBody(package);
}

BodyStatus BodyToDocument(const QByteArray& body, QTextDocument* document, QString* error) {
  document->clear();
  RtfdPackage package;
  const BodyStatus status = UnpackBody(body, &package);
  if (status != BodyStatus::ok) {
    if (error != nullptr) {
      *error = status == BodyStatus::empty ? QString()
                                           : QStringLiteral("the body is not in the body format");
    }
    return status;
  }
  QHash<QString, QByteArray> files;
  for (const RtfdFile& file : package.attachments) files.insert(file.name, file.data);
  const RtfReadResult read =
      ReadRtf(package.rtf, document, [&files](const QString& name) -> std::optional<QByteArray> {
        const auto found = files.constFind(name);
        if (found == files.constEnd()) return std::nullopt;
        return *found;
      });
  if (!read.ok) {
    if (error != nullptr) *error = read.error;
    return BodyStatus::unreadable;
  }
  if (error != nullptr) error->clear();
  return BodyStatus::ok;
}

std::optional<QByteArray> DocumentToBody(const QTextDocument& document) {
  return DocumentToBodyWithRtf(document);
}

BodyStatus BodyToRtf(const QByteArray& body, QByteArray* rtf, int* picturesNotEmbedded) {
  QTextDocument document;
  const BodyStatus status = BodyToDocument(body, &document);
  if (status == BodyStatus::unreadable) {
    rtf->clear();
    return status;
  }
  RtfWriteResult written = WriteRtf(document, RtfAttachmentMode::embed);
  *rtf = std::move(written.rtf);
  if (picturesNotEmbedded != nullptr) *picturesNotEmbedded = written.picturesNotEmbedded;
  return status;
}

BodyStatus BodyToRtfdPackage(const QByteArray& body, RtfdPackage* package) {
  const BodyStatus status = UnpackBody(body, package);
  if (status == BodyStatus::empty) {
    QTextDocument document;
    package->rtf = WriteRtf(document, RtfAttachmentMode::rtfd).rtf;
  }
  return status;
}

BodyStatus BodyPlainText(const QByteArray& body, QString* text) {
  text->clear();
  QTextDocument document;
  const BodyStatus status = BodyToDocument(body, &document);
  if (status == BodyStatus::ok) *text = DocumentPlainText(document);
  return status;
}

BodyText KDXCOMM_ConvertRtfdToText(const QByteArray& body, const char* encodingName) {
  BodyText result;
  const std::string_view name = encodingName == nullptr ? std::string_view() : encodingName;
  const bool utf8 = name == kVellEncodingUTF8;
  if (!utf8 && name != kVellEncodingSJIS && name != kVellEncodingEUC) return result;
  QString text;
  result.status = BodyPlainText(body, &text);
  if (result.status == BodyStatus::unreadable) return result;
  const QByteArray textUtf8 = text.toUtf8();
  if (utf8) {
    result.bytes.assign(textUtf8.constData(), static_cast<size_t>(textUtf8.size()));
    return result;
  }
  if (Vell_EncodeFromUTF8(std::string_view(textUtf8.constData(), textUtf8.size()), encodingName,
                          result.bytes, VellLossy::yes, &result.unconvertible) != kVellEncOk) {
    result.bytes.clear();
    result.status = BodyStatus::unreadable;
  }
  return result;
}

}  // namespace kdx_richtext
