// Builds a document from arbitrary bytes (text of any script, character and
// paragraph formats, fonts with characters that mean something in RTF,
// tables, pictures and other attachments shown any number of times), writes
// it as RTF in both attachment modes and reads it back. Nothing may crash,
// hang or leak; what was written must read back as RTF, with the same text
// when the document holds no table.
//
// Seeds in corpus/rtf_writer are short byte strings written by hand, one per
// kind of operation, so that the fuzzer starts from every operation.
#include <QBuffer>
#include <QByteArray>
#include <QGuiApplication>
#include <QImage>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "richtext/attachments.h"
#include "richtext/rtf_reader.h"
#include "richtext/rtf_writer.h"

namespace {

void Fail(int line) {
  std::fprintf(stderr, "check failed at line %d\n", line);
  std::abort();
}
#define CHECK(ok) ((ok) ? void() : Fail(__LINE__))

// The input read a byte at a time; zero once it is used up.
class Input {
 public:
  Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool more() const { return at_ < size_; }
  uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

// Characters that RTF, Shift JIS or the text layout treat specially.
const char16_t kSpecial[] = {u'\\',     u'{',      u'}',      u';',      u'\t',
                             u'\n',     u'\r',     u'あ',     u'漢',     u'\x7f',
                             u'\xa5',   u'\u2028', u'\uff5e', u'\u00e9', u'\u0416',
                             u'\u200b', u'\u3000', u'\u0080', u'?',      u'\''};

const char* const kFamilies[] = {"Noto Sans CJK JP", "a;b", "{x}", "\\f0", "", "ＭＳ 明朝"};

QString SomeText(Input& in) {
  QString text;
  for (int n = in.Byte() % 12; n > 0; --n) {
    const uint8_t b = in.Byte();
    if (b < 0x60) {
      text += QChar(u' ' + b % 0x5F);
    } else if (b < 0xC0) {
      text += QChar(kSpecial[b % (sizeof kSpecial / sizeof kSpecial[0])]);
    } else if (b < 0xF0) {
      text += QChar(char16_t(0x4E00 + (b << 4)));
    } else {
      text += QString::fromUcs4(U"\U0001F600");  // beyond the basic plane
    }
  }
  return text;
}

QByteArray Png(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(Qt::blue);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static QGuiApplication app(*argc, *argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 4096) return 0;
  static const QByteArray png = Png(3, 2);
  Input in(data, size);
  QTextDocument document;
  QTextCursor cursor(&document);
  bool hasTable = false;
  QStringList names;
  while (in.more()) {
    QTextCharFormat format = cursor.charFormat();
    switch (in.Byte() % 9) {
      case 0:
      case 1:
        cursor.insertText(SomeText(in));
        break;
      case 2:
        format.setFontWeight(in.Byte() % 2 ? QFont::Bold : QFont::Normal);
        format.setFontItalic(in.Byte() % 2);
        format.setFontUnderline(in.Byte() % 2);
        cursor.setCharFormat(format);
        break;
      case 3:
        format.setForeground(QColor::fromRgb(in.Byte(), in.Byte(), in.Byte()));
        format.setFontPointSize(1 + in.Byte() % 96);
        cursor.setCharFormat(format);
        break;
      case 4:
        format.setFontFamilies(
            {QString::fromUtf8(kFamilies[in.Byte() % (sizeof kFamilies / sizeof kFamilies[0])])});
        cursor.setCharFormat(format);
        break;
      case 5: {
        QTextBlockFormat block;
        block.setAlignment(in.Byte() % 2 ? Qt::AlignRight : Qt::AlignHCenter);
        block.setLeftMargin(in.Byte());
        cursor.insertBlock(block);
        break;
      }
      case 6: {
        const int rows = 1 + in.Byte() % 4;
        const int columns = 1 + in.Byte() % 4;
        QTextTable* table = cursor.insertTable(rows, columns);
        table->cellAt(0, 0).firstCursorPosition().insertText(SomeText(in));
        hasTable = true;
        break;
      }
      case 7: {
        // A picture, a file that is not one, or a name shown before.
        const uint8_t kind = in.Byte() % 3;
        if (kind == 2 && !names.isEmpty()) {
          QTextImageFormat again;
          again.setName(kdx_richtext::kAttachmentScheme + names[in.Byte() % names.size()]);
          cursor.insertImage(again);
        } else {
          const QString name = SomeText(in) + (kind == 0 ? ".png" : ".bin");
          const QByteArray bytes = kind == 0 ? png : QByteArray(in.Byte(), char(in.Byte()));
          const QString used = kdx_richtext::InsertAttachment(cursor, name, bytes);
          if (!used.isEmpty()) names.append(used);
        }
        break;
      }
      default:
        cursor.movePosition(in.Byte() % 2 ? QTextCursor::Start : QTextCursor::End);
        break;
    }
  }

  for (const kdx_richtext::RtfAttachmentMode mode :
       {kdx_richtext::RtfAttachmentMode::embed, kdx_richtext::RtfAttachmentMode::rtfd}) {
    const kdx_richtext::RtfWriteResult written = kdx_richtext::WriteRtf(document, mode);
    CHECK(written.rtf.startsWith("{\\rtf1"));
    CHECK(written.picturesNotEmbedded == 0);
    for (const kdx_richtext::RtfdFile& file : written.attachments) {
      CHECK(kdx_richtext::SafeAttachmentName(file.name) == file.name);
    }
    QTextDocument back;
    auto loader = [&written](const QString& name) -> std::optional<QByteArray> {
      for (const kdx_richtext::RtfdFile& file : written.attachments) {
        if (file.name == name) return file.data;
      }
      return std::nullopt;
    };
    const kdx_richtext::RtfReadResult read = kdx_richtext::ReadRtf(written.rtf, &back, loader);
    CHECK(read.ok);
    if (!hasTable && mode == kdx_richtext::RtfAttachmentMode::rtfd) {
      if (back.toPlainText() != document.toPlainText()) {
        std::fprintf(stderr, "wrote [%s]\nread  [%s]\nrtf %s\n",
                     document.toPlainText().toUtf8().toHex(' ').constData(),
                     back.toPlainText().toUtf8().toHex(' ').constData(), written.rtf.constData());
        Fail(__LINE__);
      }
    }
  }
  return 0;
}
