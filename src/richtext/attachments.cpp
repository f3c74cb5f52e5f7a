// Attachments in a QTextDocument: one U+FFFC with a named image format, the
// bytes as a document resource of the same name.
#include "richtext/attachments.h"

#include <QChar>
#include <QTextCursor>
#include <QUrl>
#include <QVariant>

namespace kdx_richtext {

namespace {

constexpr qsizetype kMaxNameBytes = 200;
const QString kFallbackName = QStringLiteral("attachment");

// Cuts name to at most maxBytes of UTF-8 without splitting a character
// (a surrogate pair counts as one character).
QString CutToUtf8Bytes(const QString& name, qsizetype maxBytes) {
  qsizetype bytes = 0;
  qsizetype i = 0;
  while (i < name.size()) {
    const char16_t unit = name.at(i).unicode();
    qsizetype units = 1;
    qsizetype width = 0;
    if (QChar::isHighSurrogate(unit) && i + 1 < name.size() &&
        QChar::isLowSurrogate(name.at(i + 1).unicode())) {
      units = 2;
      width = 4;
    } else if (unit < 0x80) {
      width = 1;
    } else if (unit < 0x800) {
      width = 2;
    } else {
      width = 3;
    }
    if (bytes + width > maxBytes) break;
    bytes += width;
    i += units;
  }
  return name.left(i);
}

QUrl ResourceUrl(const QString& name) { return QUrl(kAttachmentScheme + name); }

bool HasResource(const QTextDocument& document, const QString& name) {
  return document.resource(QTextDocument::ImageResource, ResourceUrl(name)).isValid();
}

// "name.ext" -> "name-<n>.ext"; the stem is shortened when the result would
// pass the length limit.
QString NumberedName(const QString& name, int n) {
  const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  const bool hasExtension = dot > 0;
  const QString stem = hasExtension ? name.left(dot) : name;
  const QString tail = QStringLiteral("-%1").arg(n) + (hasExtension ? name.mid(dot) : QString());
  const qsizetype tailBytes = tail.toUtf8().size();
  if (tailBytes >= kMaxNameBytes)
    return CutToUtf8Bytes(QStringLiteral("%1-%2").arg(kFallbackName).arg(n), kMaxNameBytes);
  return CutToUtf8Bytes(stem, kMaxNameBytes - tailBytes) + tail;
}

}  // namespace

QString SafeAttachmentName(const QString& name) {
  // The last non-empty part, so "dir/" keeps "dir" rather than nothing.
  const QStringList parts = name.split(QLatin1Char('/'), Qt::SkipEmptyParts);
  const QString last = parts.isEmpty() ? QString() : parts.last();
  QString cleaned;
  cleaned.reserve(last.size());
  for (const QChar c : last) {
    const char16_t u = c.unicode();
    // Control characters, and the line and paragraph separators, which a
    // name written into RTF would turn into line breaks.
    if (u < 0x20 || (u >= 0x7F && u < 0xA0) || u == 0x2028 || u == 0x2029) continue;
    cleaned.append(c);
  }
  cleaned = CutToUtf8Bytes(cleaned, kMaxNameBytes);
  if (cleaned.isEmpty() || cleaned == QLatin1String(".") || cleaned == QLatin1String("..")) {
    return kFallbackName;
  }
  return cleaned;
}

QString InsertAttachment(QTextCursor& cursor, const QString& fileName, const QByteArray& bytes,
                         double widthPoints, double heightPoints) {
  QTextDocument* document = cursor.document();
  const QString base = SafeAttachmentName(fileName);
  QString name = base;
  if (document != nullptr) {
    // The same file referenced twice keeps one name; a different file with
    // the same name gets a numbered one.
    for (int n = 1; HasResource(*document, name) && AttachmentBytes(*document, name) != bytes;
         ++n) {
      name = NumberedName(base, n);
    }
    document->addResource(QTextDocument::ImageResource, ResourceUrl(name), QVariant(bytes));
  }
  QTextImageFormat format;
  format.setName(kAttachmentScheme + name);
  if (widthPoints > 0) format.setWidth(widthPoints);
  if (heightPoints > 0) format.setHeight(heightPoints);
  cursor.insertText(QString(QChar::ObjectReplacementCharacter), format);
  return name;
}

QString AttachmentName(const QTextFormat& format) {
  if (!format.isImageFormat()) return QString();
  const QString full = format.toImageFormat().name();
  if (!full.startsWith(kAttachmentScheme)) return QString();
  return full.mid(kAttachmentScheme.size());
}

QByteArray AttachmentBytes(const QTextDocument& document, const QString& name) {
  const QVariant value = document.resource(QTextDocument::ImageResource, ResourceUrl(name));
  if (value.typeId() == QMetaType::QByteArray) return value.toByteArray();
  return QByteArray();
}

}  // namespace kdx_richtext
