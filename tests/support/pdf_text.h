// The text of a PDF page through pdftotext (poppler-utils), for the tests of
// printing. Only programs that link Qt include it.
#pragma once

#include <QProcess>
#include <QStandardPaths>
#include <QString>

namespace kdx_test {

// The text of page `page` (from 1) of the PDF at path, NFKC-normalised:
// pdftotext gives some ideographs as their radicals (U+2F8F for 行, U+2F06
// for 二). A null string when pdftotext is not installed.
inline QString PdfPageText(const QString& path, int page) {
  const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
  if (tool.isEmpty()) return {};
  QProcess run;
  run.start(tool, {QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"),
                   QString::number(page), path, QStringLiteral("-")});
  run.waitForFinished(30000);
  return QString::fromUtf8(run.readAllStandardOutput()).normalized(QString::NormalizationForm_KC);
}

}  // namespace kdx_test
