// The body format: how an entry's rich text is stored in its body block.
//
// A body is a small archive of an RTFD package (rtfd_package.h). All integers
// are little-endian, written byte by byte:
//
//   offset  size  field
//   0       4     magic "KDXB"
//   4       2     format version, 1
//   6       2     flags, 0
//   8       4     number of files N, at least 1
//   12            N files, each:
//                   2  name length L (1..kBodyMaxNameBytes)
//                   L  name, UTF-8, a plain file name (SafeAttachmentName keeps it)
//                   4  data length D
//                   D  data
//   end           zero bytes only, any number of them
//
// The first file is "TXT.rtf", the text as RTF; the others are attachments,
// each name once. Encrypted blocks come back with zero bytes after the data,
// so everything after the last file must be zero, and a body of zero bytes
// only (or no bytes) is the empty body. Every length is checked against the
// bytes that remain before it is used. Bytes in any other form (a body a Mac
// wrote, damage) are unreadable, which callers must keep apart from empty so
// that an unreadable body is never shown as empty and saved over.
//
// The plain text of a body is what the text block stores: line ends as LF,
// one U+FFFC per attachment, no trailing NUL. It is taken from the document
// the body reads into, so the same text comes out however the body was made.
#pragma once

#include <QByteArray>
#include <QString>
#include <QTextDocument>
#include <cstdint>
#include <optional>
#include <string>

#include "richtext/richtext_status.h"  // BodyStatus
#include "richtext/rtfd_package.h"

namespace kdx_richtext {

inline constexpr char kBodyMagic[4] = {'K', 'D', 'X', 'B'};
inline constexpr uint16_t kBodyVersion = 1;
inline constexpr qsizetype kBodyHeaderBytes = 12;
inline constexpr qsizetype kBodyMaxNameBytes = 255;
inline constexpr uint32_t kBodyMaxFiles = 65536;

// Packs a package into body bytes. std::nullopt when a name is not a plain
// file name, repeats, is "TXT.rtf" among the attachments, or a file is too large.
[[nodiscard]] std::optional<QByteArray> PackBody(const RtfdPackage& package);

// Unpacks body bytes into *package (emptied first).
[[nodiscard]] BodyStatus UnpackBody(const QByteArray& body, RtfdPackage* package);

// Line ends (CR LF, CR, U+2028, U+2029) become LF and trailing NULs go: the
// form in which plain text is stored beside a body.
[[nodiscard]] QString NormalizeBodyText(const QString& text);

// Text laid out in the given default font, as a body. pointSize <= 0, an
// empty family or one this system does not have keeps the document's default.
[[nodiscard]] QByteArray KDXCOMM_ConvertTextToRtfd(const QString& text, const QString& fontFamily,
                                                   double pointSize);

// RTF bytes as a body; the RTF is kept as it is. std::nullopt when it cannot
// be read. With warning given, RTF that ends inside open groups gives a body
// of what was read (written anew) and *warning says what happened.
[[nodiscard]] std::optional<QByteArray> KDXCOMM_ConvertRtfToRtfd(const QByteArray& rtf,
                                                                 QString* warning = nullptr);

// The RTFD package folder at path as a body; std::nullopt when the folder
// cannot be read as a package.
[[nodiscard]] std::optional<QByteArray> KDXCOMM_ReadRTFDFromFile(const QString& path);

// Reads a body into document (cleared first). An empty body gives an empty
// document and BodyStatus::empty. *error, when given, says why a body is unreadable.
[[nodiscard]] BodyStatus BodyToDocument(const QByteArray& body, QTextDocument* document,
                                        QString* error = nullptr);

// The document as a body (its attachments as package files).
[[nodiscard]] std::optional<QByteArray> DocumentToBody(const QTextDocument& document);

// The body as one RTF file, pictures embedded (for RTF export). An empty body
// gives an empty RTF document. picturesNotEmbedded, when given, receives the
// number of pictures written as references because of the bound on embedding.
[[nodiscard]] BodyStatus BodyToRtf(const QByteArray& body, QByteArray* rtf,
                                   int* picturesNotEmbedded = nullptr);

// The body as an RTFD package (for RTFD export and the temporary copy).
[[nodiscard]] BodyStatus BodyToRtfdPackage(const QByteArray& body, RtfdPackage* package);

// The plain text of a document by the rule above; what the entry window
// compares with the stored text block.
[[nodiscard]] QString DocumentPlainText(const QTextDocument& document);

// The plain text of a body (see above).
[[nodiscard]] BodyStatus BodyPlainText(const QByteArray& body, QString* text);

struct BodyText {
  BodyStatus status = BodyStatus::unreadable;
  std::string bytes;          // the text in the requested encoding, no NUL
  int32_t unconvertible = 0;  // characters written as "?" (Shift JIS, EUC-JP)
};

// The plain text of a body in "UTF-8", "S-JIS" or "EUC" (kVellEncoding...).
// Characters the encoding lacks become "?" and are counted; another encoding
// name gives status unreadable with no bytes.
[[nodiscard]] BodyText KDXCOMM_ConvertRtfdToText(const QByteArray& body, const char* encodingName);

}  // namespace kdx_richtext
