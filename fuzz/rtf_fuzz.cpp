// Reads arbitrary bytes as RTF. Nothing may crash, hang or leak; the result
// must be consistent: an error text exactly when reading failed, and every
// attachment in the document must carry its bytes.
//
// Seeds in corpus/rtf are hand-written from the format's control words:
// formatting.rtf (fonts with \fcharset128 and \'hh Shift JIS pairs, colours,
// paragraph settings, \uN with \uc), table.rtf (two rows, a \pngblip
// picture), rtfd.rtf (an RTFD attachment reference and unknown destinations),
// other-writers.rtf (a byte-order mark and a blank before \rtf1, Word's East
// Asian runs with associated fonts, a footnote, a nested table with its
// \nonesttables fallback, \uN in a font name, Mac Japanese, cut off at the end).
#include <QByteArray>
#include <QGuiApplication>
#include <QTextCursor>
#include <QTextDocument>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "richtext/attachments.h"
#include "richtext/rtf_reader.h"

namespace {

void Fail(int line) {
  std::fprintf(stderr, "check failed at line %d\n", line);
  std::abort();
}
#define CHECK(ok) ((ok) ? void() : Fail(__LINE__))

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static QGuiApplication app(*argc, *argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray rtf(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  QTextDocument document;
  auto loader = [](const QString& name) -> std::optional<QByteArray> {
    CHECK(kdx_richtext::SafeAttachmentName(name) == name);
    if (name.startsWith(QLatin1Char('m'))) return std::nullopt;
    return name.toUtf8();
  };
  const kdx_richtext::RtfReadResult result = kdx_richtext::ReadRtf(rtf, &document, loader);
  CHECK(result.ok == result.error.isEmpty());
  CHECK(result.warnings >= 0);
  CHECK(!(result.ok && result.truncated));

  QTextCursor cursor(&document);
  for (int pos = 0; pos < document.characterCount(); ++pos) {
    if (document.characterAt(pos) != QChar::ObjectReplacementCharacter) continue;
    cursor.setPosition(pos + 1);
    const QString name = kdx_richtext::AttachmentName(cursor.charFormat());
    if (name.isEmpty()) continue;  // a U+FFFC written as text
    CHECK(kdx_richtext::SafeAttachmentName(name) == name);
    CHECK(!kdx_richtext::AttachmentBytes(document, name).isEmpty());
  }
  return 0;
}
