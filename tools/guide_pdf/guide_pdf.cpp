// Turns the user guide, written in Markdown, into the PDF the Help menu opens:
//   kdx_guide_pdf GUIDE.md OUT.pdf [--png PREFIX]
// Qt lays the text out (QTextDocument's Markdown reader) and writes the PDF
// (QPdfWriter) on the offscreen platform, so the build needs no display and no
// other document tool. --png also draws each page to PREFIX-N.png, to look at.
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string_view>

namespace {

// The first Japanese family this system has; the system's own choice when none.
QString BodyFamily() {
  for (const char* family : {"Noto Sans CJK JP", "Noto Sans JP", "Source Han Sans JP",
                             "IPAexGothic", "IPAGothic", "TakaoGothic", "VL Gothic"}) {
    if (QFontDatabase::hasFamily(QString::fromUtf8(family))) return QString::fromUtf8(family);
  }
  return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
}

// Gives headings room above them and the body a readable line height.
void Style(QTextDocument* document) {
  for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
    QTextCursor cursor(block);
    QTextBlockFormat format = block.blockFormat();
    format.setLineHeight(135, QTextBlockFormat::ProportionalHeight);
    if (format.headingLevel() > 0) {
      format.setTopMargin(format.headingLevel() == 1 ? 0 : 14);
      format.setBottomMargin(6);
    }
    cursor.setBlockFormat(format);
  }
  for (QTextFrame* frame : document->rootFrame()->childFrames()) {
    if (auto* table = qobject_cast<QTextTable*>(frame)) {
      QTextTableFormat format = table->format();
      format.setCellPadding(4);
      format.setCellSpacing(0);
      format.setBorderCollapse(true);
      table->setFormat(format);
    }
  }
}

// Letters and digits: what Markdown's markup never takes away.
qsizetype LetterCount(const QString& text) {
  qsizetype count = 0;
  for (const QChar c : text) count += c.isLetterOrNumber() ? 1 : 0;
  return count;
}

bool WritePngs(const QTextDocument& source, const QString& prefix) {
  std::unique_ptr<QTextDocument> document(source.clone());
  const QSizeF page(595, 842);  // A4 in points, drawn at 1.5 pixels each
  document->setPageSize(page);
  QTextFrameFormat frame = document->rootFrame()->frameFormat();
  frame.setMargin(56);
  document->rootFrame()->setFrameFormat(frame);
  const double scale = 1.5;
  for (int i = 0; i < document->pageCount(); ++i) {
    QImage image((page * scale).toSize(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.scale(scale, scale);
    painter.translate(0, -i * page.height());
    document->drawContents(&painter, QRectF(QPointF(0, i * page.height()), page));
    painter.end();
    if (!image.save(QStringLiteral("%1-%2.png").arg(prefix).arg(i + 1))) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && !(argc == 5 && std::string_view(argv[3]) == "--png")) {
    std::fprintf(stderr, "usage: kdx_guide_pdf GUIDE.md OUT.pdf [--png PREFIX]\n");
    return 2;
  }
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QGuiApplication app(argc, argv);

  QFile input(QString::fromLocal8Bit(argv[1]));
  if (!input.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "kdx_guide_pdf: %s: cannot be read\n", argv[1]);
    return 1;
  }
  const QString markdown = QString::fromUtf8(input.readAll());
  QTextDocument document;
  document.setDefaultFont(QFont(BodyFamily(), 10));
  document.setMarkdown(markdown, QTextDocument::MarkdownDialectGitHub);
  // Something the reader takes for HTML, such as "<All>", silently swallows
  // the text after it: a guide that lost text is refused, not printed.
  if (LetterCount(document.toPlainText()) < LetterCount(markdown) * 95 / 100) {
    std::fprintf(stderr, "kdx_guide_pdf: %s: text is lost in the layout (write \\< for <)\n",
                 argv[1]);
    return 1;
  }
  Style(&document);

  const QString output = QString::fromLocal8Bit(argv[2]);
  {
    QPdfWriter writer(output);
    writer.setTitle(document.begin().text());  // the guide opens with its title
    writer.setCreator(QStringLiteral("Kardinex"));
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    // Pages of the printer's size with 2 cm margins and their numbers.
    document.print(&writer);
  }
  if (QFile(output).size() == 0) {
    std::fprintf(stderr, "kdx_guide_pdf: %s: cannot be written\n", argv[2]);
    return 1;
  }
  if (argc == 5 && !WritePngs(document, QString::fromLocal8Bit(argv[4]))) {
    std::fprintf(stderr, "kdx_guide_pdf: %s: pages cannot be drawn\n", argv[4]);
    return 1;
  }
  return 0;
}
