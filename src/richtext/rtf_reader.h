// Reads RTF (and the TXT.rtf of an RTFD package) into a QTextDocument.
//
// Text is decoded in the code page of the document (\ansi, \mac, \pc, \pca,
// \ansicpgN) or of the current font (\fcharsetN, \cpgN) through ICU, so that
// Shift JIS and the other East Asian code pages read right even when one
// character is split over two \'hh escapes. Character and paragraph
// formatting, tables, pictures (\pict) and RTFD attachment references
// (\NeXTGraphic) are kept; attachments are stored as described in
// attachments.h. Damaged input gives what could be read and an error, never a
// crash: nesting, picture and input sizes are bounded and nothing recurses
// over the input.
#pragma once

#include <QByteArray>
#include <QString>
#include <QTextDocument>
#include <functional>
#include <optional>

namespace kdx_richtext {

struct RtfReadResult {
  bool ok = false;
  QString error;     // empty when ok
  int warnings = 0;  // things skipped or replaced: bad escapes, missing files, large pictures
  // Not ok only because the data ends inside open groups: the document holds
  // everything up to the end.
  bool truncated = false;
};

// Input larger than this is refused.
inline constexpr qsizetype kRtfMaxInputBytes = qsizetype{256} * 1024 * 1024;
// Groups nested deeper than this are skipped with everything in them.
inline constexpr int kRtfMaxGroupDepth = 256;
// A picture with more bytes than this is dropped.
inline constexpr qsizetype kRtfMaxPictureBytes = qsizetype{64} * 1024 * 1024;

// Reads RTF bytes into document (cleared first). attachmentLoader, when set, is
// asked for the bytes of an RTFD package file named by \NeXTGraphic and
// returns std::nullopt when there is no such file.
[[nodiscard]] RtfReadResult ReadRtf(
    const QByteArray& rtf, QTextDocument* document,
    const std::function<std::optional<QByteArray>(const QString& fileName)>& attachmentLoader = {});

}  // namespace kdx_richtext
