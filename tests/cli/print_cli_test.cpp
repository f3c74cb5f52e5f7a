// kdx print as a script sees it: the PDF written whole with every entry from
// a new page, or no PDF and exit 1 when an entry is missing or the file
// cannot be written.
#include <gtest/gtest.h>

#include <QRegularExpression>
#include <filesystem>
#include <regex>
#include <string>

#include "cli/cli_test_util.h"
#include "support/pdf_text.h"
#include "support/test_support.h"

namespace {

using kdx_test::Kdx;
using kdx_test::KdxOk;
using kdx_test::KdxRun;

// Pages of a PDF by its page objects.
int PdfPages(const std::string& path) {
  const std::vector<uint8_t> bytes = kdx_test::ReadAll(path);
  const std::string pdf(bytes.begin(), bytes.end());
  const std::regex page("/Type\\s*/Page[^s]");
  return static_cast<int>(
      std::distance(std::sregex_iterator(pdf.begin(), pdf.end(), page), std::sregex_iterator()));
}

TEST(PrintCli, EveryEntryFromANewPageAndNothingWrittenOnFailure) {
  kdx_test::TempDir dir;
  const std::string doc = dir.File("doc.kdx");
  KdxOk({"new", doc});
  std::string longText;
  for (int i = 0; i < 120; ++i) longText += "長い本文の行 " + std::to_string(i) + "\n";
  KdxOk({"add", doc, "--title", "一"}, "短い本文");
  KdxOk({"add", doc, "--title", "二"}, longText);

  const std::string pdf = dir.File("out.pdf");
  KdxRun r = Kdx({"print", doc, "0", "1", "--pdf", pdf});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  const int pages = PdfPages(pdf);
  EXPECT_GE(pages, 3);  // one page, then the long body from a new one
  EXPECT_EQ(r.out, "printed 2 entries, " + std::to_string(pages) + " pages\n");
  // The second entry's first page: its own title and page numbers.
  const QString second = kdx_test::PdfPageText(QString::fromStdString(pdf), 2);
  if (!second.isNull()) {
    EXPECT_TRUE(second.contains(QStringLiteral("二"))) << second.toStdString();
    EXPECT_TRUE(
        second.contains(QRegularExpression(QStringLiteral("\\b1\\s*/\\s*%1\\b").arg(pages - 1))))
        << second.toStdString();
  }

  // A missing entry: exit 1 and the earlier PDF kept as it was.
  const std::vector<uint8_t> before = kdx_test::ReadAll(pdf);
  r = Kdx({"print", doc, "0", "9999", "--pdf", pdf});
  EXPECT_EQ(r.status, kExitFailed);
  EXPECT_NE(r.err.find("9999"), std::string::npos) << r.err;
  EXPECT_EQ(kdx_test::ReadAll(pdf), before);

  const std::string nowhere = dir.File("no-such-folder/out.pdf");
  r = Kdx({"print", doc, "0", "--pdf", nowhere});
  EXPECT_EQ(r.status, kExitFailed);
  EXPECT_EQ(r.err.rfind("kdx: " + nowhere + ": cannot be created", 0), 0u) << r.err;
  EXPECT_FALSE(std::filesystem::exists(nowhere));

  EXPECT_EQ(Kdx({"print", doc, "--pdf", pdf}).status, kExitUsage);  // no entries named
  EXPECT_EQ(Kdx({"print", doc, "0"}).status, kExitUsage);           // no --pdf
  EXPECT_EQ(Kdx({"print", doc, "0", "--pdf", pdf, "--paper", "A9"}).status, kExitUsage);
}

}  // namespace
