// The RTF reader's entry point: checks the input and the document, and reads
// into the document without undo history, in one edit block.
//
// The work is split along its jobs: rtf_tokenizer (bytes to tokens, bounded on
// hostile input), rtf_control_words (the words known and what they do),
// rtf_builder (tokens to the document), rtf_formats (character and paragraph
// properties), rtf_tables (rows and cells) and rtf_codepage (text bytes to
// Unicode).
#include "richtext/rtf_reader.h"

#include <QTextCursor>
#include <string_view>

#include "richtext/rtf_builder.h"

namespace kdx_richtext {

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
  const RtfReadResult result = rtf_internal::BuildDocument(
      std::string_view(rtf.constData(), static_cast<size_t>(rtf.size())), document,
      attachmentLoader);
  editBlock.endEditBlock();
  document->setUndoRedoEnabled(undo);
  return result;
}

}  // namespace kdx_richtext
