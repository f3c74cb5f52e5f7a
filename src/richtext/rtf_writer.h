// Writes a QTextDocument as RTF that common word processors open: code page
// 932 (\ansicpg932), a font table (Japanese fonts marked \fcharset128), a
// colour table, character and paragraph formatting, tables, and every
// non-ASCII character as \uN followed by its Shift JIS bytes (or "?") for
// readers without Unicode.
//
// Attachments (attachments.h) are written in one of two ways:
// - embed: PNG and JPEG pictures (told by their signature) as \pict groups,
//   up to 32 MiB of picture bytes per RTF; every other attachment, and
//   pictures past that bound, as RTFD references, which a plain RTF reader
//   skips;
// - rtfd: RTFD references {{\NeXTGraphic name \width.. \height..}\'ac} for
//   every attachment, whose bytes are returned for the package.
#pragma once

#include <QByteArray>
#include <QTextDocument>

#include "richtext/rtfd_package.h"

namespace kdx_richtext {

enum class RtfAttachmentMode { embed, rtfd };

struct RtfWriteResult {
  QByteArray rtf;
  QList<RtfdFile> attachments;  // rtfd mode: one per attachment name used, in text order
  int picturesNotEmbedded = 0;  // embed mode: pictures written as references past the bound
};

// Document units are taken as points (20 twips each).
[[nodiscard]] RtfWriteResult WriteRtf(const QTextDocument& document, RtfAttachmentMode mode);

}  // namespace kdx_richtext
