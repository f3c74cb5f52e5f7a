// The printed page: template variables, the page geometry, clamped margins,
// the built-in templates and the page numbers of a paginated body, checked
// in the filled templates and in the text of the PDF written.
#include "richtext/print_layout.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextCursor>
#include <cmath>
#include <limits>

#include "support/pdf_text.h"
#include "support/test_support.h"

namespace {

using kdx_richtext::PrintMargins;

const QSizeF kA4(595.0, 842.0);

TEST(PrintTemplate, VariablesReplaceEveryOccurrenceInItsFormatAndEnd) {
  QTextDocument footer;
  QTextCursor cursor(&footer);
  QTextCharFormat bold;
  bold.setFontWeight(QFont::Bold);
  cursor.insertText(QStringLiteral("${title}"), bold);
  cursor.insertText(QStringLiteral(" - ${title} (${page}/${total}) ${file_name}"),
                    QTextCharFormat());

  kdx_richtext::PrintVariables v;
  v.title = QStringLiteral("a${title}b");  // would never end if searched from the start
  v.fileName = QStringLiteral("メモ.kdx");
  kdx_richtext::FillPrintTemplate(&footer, 3, 5, v);
  EXPECT_EQ(footer.toPlainText(), QStringLiteral("a${title}b - a${title}b (3/5) メモ.kdx"));
  QTextCursor first(&footer);
  first.setPosition(1);
  EXPECT_EQ(first.charFormat().fontWeight(), QFont::Bold);
  first.setPosition(12);  // in the second title
  EXPECT_NE(first.charFormat().fontWeight(), QFont::Bold);

  // An empty title prints as nothing; a template without variables stays.
  QTextDocument plain(QStringLiteral("[${title}] 社外秘"));
  EXPECT_EQ(kdx_richtext::ReplaceTemplateVariable(&plain, QStringLiteral("${title}"), {}), 1);
  EXPECT_EQ(plain.toPlainText(), QStringLiteral("[] 社外秘"));
  kdx_richtext::FillPrintTemplate(&plain, 1, 1, v);
  EXPECT_EQ(plain.toPlainText(), QStringLiteral("[] 社外秘"));
}

TEST(PrintTemplate, StoredTemplatesFallBackToTheBuiltInOnes) {
  QTextDocument doc;
  EXPECT_FALSE(kdx_richtext::LoadPrintTemplate({}, kdx_richtext::PrintTemplateKind::header, &doc));
  EXPECT_TRUE(doc.toPlainText().contains(QStringLiteral("${title}")))
      << doc.toPlainText().toStdString();
  EXPECT_FALSE(kdx_richtext::LoadPrintTemplate("{\\rtf1 unfinished",
                                               kdx_richtext::PrintTemplateKind::footer, &doc));
  EXPECT_TRUE(doc.toPlainText().contains(QStringLiteral("${page}")))
      << doc.toPlainText().toStdString();
  EXPECT_TRUE(doc.toPlainText().contains(QStringLiteral("${total}")));
  EXPECT_TRUE(kdx_richtext::LoadPrintTemplate("{\\rtf1\\ansi Mine}",
                                              kdx_richtext::PrintTemplateKind::footer, &doc));
  EXPECT_EQ(doc.toPlainText(), QStringLiteral("Mine"));
}

TEST(PrintGeometry, HeaderAndFooterAreCentredInTheirMargins) {
  const PrintMargins m;  // 72, 90, 72, 90
  const kdx_richtext::PrintPageRects r = kdx_richtext::PrintPageGeometry(kA4, m, 12, 20);
  EXPECT_EQ(r.header, QRectF(72, 39, 451, 90));
  EXPECT_EQ(r.footer, QRectF(72, 842 - 45 - 10, 451, 90));
  EXPECT_EQ(r.body, QRectF(72, 90, 451, 842 - 180));
  // The body's width is cut to whole points.
  EXPECT_EQ(kdx_richtext::PrintPageGeometry(QSizeF(595.3, 842), m, 12, 12).body.width(), 451);
}

TEST(PrintGeometry, MarginsAreClampedToLeaveRoomForTheBody) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  PrintMargins m{-20, nan, 600, 1000};
  const PrintMargins c = kdx_richtext::ClampPrintMargins(m, kA4);
  EXPECT_EQ(c.left, 0);
  EXPECT_EQ(c.top, 0);
  EXPECT_DOUBLE_EQ(c.right, 595 - kdx_richtext::kPrintMinBodyPoints);
  EXPECT_DOUBLE_EQ(c.bottom, 842 - kdx_richtext::kPrintMinBodyPoints);
  m = {400, 90, 400, 90};  // shared out in proportion
  EXPECT_DOUBLE_EQ(kdx_richtext::ClampPrintMargins(m, kA4).left, (595 - 72) / 2.0);
  EXPECT_EQ(kdx_richtext::ClampPrintMargins(m, QSizeF(50, 50)).top, 0);

  // A paginator given them lays the body out and ends.
  QBuffer pdf;
  pdf.open(QIODevice::WriteOnly);
  QPdfWriter writer(&pdf);
  QTextDocument body(QStringLiteral("本文")), header, footer;
  const kdx_richtext::PrintPaginator pages(body, header, footer, &writer, kA4,
                                           PrintMargins{-1e9, -5, 1e9, 1e12}, {});
  EXPECT_EQ(pages.pageCount(), 1);
  EXPECT_GE(pages.Geometry(1).body.width(), kdx_richtext::kPrintMinBodyPoints);
}

TEST(PrintPaginator, PageNumbersCountTheWholeBodyAlsoInARange) {
  kdx_test::TempDir dir;
  const QString path = QString::fromStdString(dir.File("pages.pdf"));
  QPdfWriter writer(path);
  writer.setPageSize(QPageSize(QPageSize::A4));
  writer.setPageMargins({0, 0, 0, 0});
  const QSizeF paper = writer.pageLayout().fullRectPoints().size();

  QString text;
  for (int i = 0; i < 220; ++i) text += QStringLiteral("行%1 日本語の本文です。\n").arg(i);
  QTextDocument body;
  QFont font = body.defaultFont();
  font.setPointSize(12);
  body.setDefaultFont(font);
  body.setPlainText(text);
  QTextDocument header(QStringLiteral("${page}/${total}")), footer(QStringLiteral("${title}"));
  kdx_richtext::PrintVariables v;
  v.title = QStringLiteral("議事録");
  const kdx_richtext::PrintPaginator pages(body, header, footer, &writer, paper, PrintMargins(), v);
  const int total = pages.pageCount();
  ASSERT_GE(total, 5);
  EXPECT_EQ(pages.Header(3)->toPlainText(), QStringLiteral("3/%1").arg(total));
  EXPECT_EQ(pages.Footer(total)->toPlainText(), v.title);

  QPageRanges range;
  range.addRange(2, 4);
  const std::vector<int> printed = kdx_richtext::PrintPageList(total, range);
  ASSERT_EQ(printed, (std::vector<int>{2, 3, 4}));
  QPainter painter(&writer);
  ASSERT_TRUE(kdx_richtext::PrintPages(&writer, &painter, pages, printed));
  ASSERT_TRUE(painter.end());

  const QString second = kdx_test::PdfPageText(path, 2);  // the sheet of page 3
  if (second.isNull()) GTEST_SKIP() << "pdftotext is not installed";
  EXPECT_TRUE(second.contains(QStringLiteral("3/%1").arg(total))) << second.toStdString();
  EXPECT_TRUE(second.contains(v.title));
  // Page 1 was left out: the first sheet is page 2.
  EXPECT_TRUE(kdx_test::PdfPageText(path, 1).contains(QStringLiteral("2/%1").arg(total)));
}

}  // namespace
