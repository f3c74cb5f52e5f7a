// The document builder of the RTF reader: turns the tokens of RTF text into a
// QTextDocument, with character and paragraph formats, the font and colour
// tables, pictures, RTFD attachment references and tables.
#pragma once

#include <QByteArray>
#include <QString>
#include <QTextDocument>
#include <functional>
#include <optional>
#include <string_view>

#include "richtext/rtf_reader.h"

namespace kdx_richtext::rtf_internal {

using AttachmentLoader = std::function<std::optional<QByteArray>(const QString& fileName)>;

// Reads rtf into document at its start; the document should be empty. The
// caller bounds the input's size.
[[nodiscard]] RtfReadResult BuildDocument(std::string_view rtf, QTextDocument* document,
                                          const AttachmentLoader& loader);

}  // namespace kdx_richtext::rtf_internal
