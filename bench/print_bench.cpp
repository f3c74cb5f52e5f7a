// Printing speed: a 1 MB Japanese body (UTF-8 bytes of its text) paginated
// on A4 with the default margins and written into a PDF with the built-in
// header and footer, as kdx print and the entry window do it. Prints the
// pages, the time of the one layout and of the drawing, and the PDF's size.
// Aim: under 3 s in all for some 300 pages.
//
// Usage: print_bench [OUT.pdf]   (default: a file in the temporary folder,
// removed afterwards)
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextCursor>
#include <QTextDocument>
#include <cstdio>
#include <ctime>

#include "richtext/print_layout.h"

namespace {

const char* const kLines[] = {
    "今日は会議の議事録を作成しました。出席者は五名で、予定どおり午後三時に始まりました。",
    "カタカナとひらがなと漢字が混ざった文章です。資料の確認と次回の日程を決めました。",
    "東京都千代田区１－２－３　テストビル４階にて、新しい計画の説明がありました。",
    "version 2.4.1 の変更点：検索の高速化、印刷の改善、その他の細かな修正。",
};

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QString path = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                : QDir::temp().filePath(QStringLiteral("kdx_print_bench.pdf"));

  QString text;
  for (size_t i = 0; text.toUtf8().size() < (1 << 20); ++i) {
    for (int j = 0; j < 64; ++j) text += QString::fromUtf8(kLines[(i + j) % 4]) + u'\n';
  }
  QTextDocument body;
  QFont font(QStringLiteral("Noto Sans CJK JP"));
  font.setPointSizeF(12);
  body.setDefaultFont(font);
  body.setPlainText(text);
  QTextDocument header, footer;
  (void)kdx_richtext::LoadPrintTemplate({}, kdx_richtext::PrintTemplateKind::header, &header);
  (void)kdx_richtext::LoadPrintTemplate({}, kdx_richtext::PrintTemplateKind::footer, &footer);
  kdx_richtext::PrintVariables variables;
  variables.title = QStringLiteral("議事録");

  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
    std::fprintf(stderr, "print_bench: %s cannot be written\n", qPrintable(path));
    return 1;
  }
  QElapsedTimer all;
  all.start();
  const std::clock_t cpuStart = std::clock();
  QPdfWriter writer(&file);
  writer.setPageSize(QPageSize(QPageSize::A4));
  writer.setPageMargins({0, 0, 0, 0});
  QElapsedTimer step;
  step.start();
  const kdx_richtext::PrintPaginator paginator(body, header, footer, &writer,
                                               writer.pageLayout().fullRectPoints().size(),
                                               kdx_richtext::PrintMargins(), variables);
  const qint64 layoutMs = step.elapsed();
  step.restart();
  QPainter painter(&writer);
  const bool drawn = kdx_richtext::PrintPages(
      &writer, &painter, paginator, kdx_richtext::PrintPageList(paginator.pageCount(), {}));
  const bool ended = painter.end();
  file.close();
  const qint64 drawMs = step.elapsed();
  const qint64 allMs = all.elapsed();
  // On a shared machine the wall time waits for the processor; the CPU time does not.
  const double cpuMs = 1000.0 * static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;

  std::printf("body           %lld bytes of UTF-8, %lld characters\n",
              static_cast<long long>(text.toUtf8().size()), static_cast<long long>(text.size()));
  std::printf("pages          %d\n", paginator.pageCount());
  std::printf("layout (once)  %lld ms\n", static_cast<long long>(layoutMs));
  std::printf("drawing + PDF  %lld ms\n", static_cast<long long>(drawMs));
  std::printf("total          %lld ms (aim < 3000), CPU %.0f ms\n", static_cast<long long>(allMs),
              cpuMs);
  std::printf("PDF            %lld bytes\n", static_cast<long long>(QFile(path).size()));
  if (argc <= 1) QFile::remove(path);
  return drawn && ended ? 0 : 1;
}
