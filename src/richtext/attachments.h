// How attachments live in a QTextDocument, shared by the RTF reader and
// writer, the RTFD package code and the body format.
//
// Every attachment is one object replacement character (U+FFFC) in the text,
// carrying a QTextImageFormat whose name is "kdx-attachment:<file name>" and
// whose width and height (in points) are the shown size when known. The
// attachment's bytes are a resource of the document under the same name
// (QTextDocument::addResource with QTextDocument::ImageResource and a
// QByteArray holding the file's bytes, whatever its type). The file name is
// the plain name it has (or will have) inside an RTFD package: never empty,
// never containing "/" or NUL, never "." or "..".
//
// Images Qt can decode (PNG, JPEG, TIFF, GIF, BMP) therefore show in a
// QTextEdit through the resource; anything else keeps its bytes and shows as
// a placeholder. Nothing is ever dropped.
#pragma once

#include <QByteArray>
#include <QString>
#include <QTextDocument>
#include <QTextImageFormat>

namespace kdx_richtext {

inline const QString kAttachmentScheme = QStringLiteral("kdx-attachment:");

// The one place file names of attachments are made safe: the last path part,
// NULs, control characters and the line and paragraph separators removed,
// "." and ".." and empty names replaced
// by "attachment", cut to 200 bytes of UTF-8 at a character boundary.
[[nodiscard]] QString SafeAttachmentName(const QString& name);

// Adds an attachment at the cursor position of cursor's document: registers
// the bytes as a resource (renaming to "name-1.ext", "name-2.ext"... when the
// document already has another attachment of that name) and inserts U+FFFC
// with the image format. Returns the name used.
QString InsertAttachment(class QTextCursor& cursor, const QString& fileName,
                         const QByteArray& bytes, double widthPoints = 0, double heightPoints = 0);

// The attachment name of a format, or an empty string when it is not one.
[[nodiscard]] QString AttachmentName(const QTextFormat& format);

// The bytes of the attachment name in document, or an empty array.
[[nodiscard]] QByteArray AttachmentBytes(const QTextDocument& document, const QString& name);

}  // namespace kdx_richtext
