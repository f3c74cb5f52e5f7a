// Printing from the entry window: the sheets of copies, the window's unsaved
// text printed in a page range with the page numbers of the whole body, the
// choices kept under "PRIN", and a vanished entry stopping with its alert.
#include "gui/app/print_commands.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QPrinter>
#include <QRegularExpression>
#include <QTableView>
#include <QTextCursor>
#include <optional>
#include <vector>

#include "core/prefs/pref_rez.h"
#include "gui/app/body_text_edit.h"
#include "gui/app/entry_window.h"
#include "gui_test.h"
#include "richtext/body_format.h"
#include "support/pdf_text.h"
#include "support/test_document.h"

namespace {

TEST(PrintSheets, CopiesCollatedOrPageByPage) {
  EXPECT_EQ(KdxPrintSheets({2, 3}, 2, true), (std::vector<int>{2, 3, 2, 3}));
  EXPECT_EQ(KdxPrintSheets({2, 3}, 2, false), (std::vector<int>{2, 2, 3, 3}));
  EXPECT_EQ(KdxPrintSheets({4}, 0, true), (std::vector<int>{4}));
}

QAction* MenuAction(QMainWindow* window, const QString& text) {
  for (QAction* action : window->findChildren<QAction*>()) {
    if (action->text() == text) return action;
  }
  return nullptr;
}

class PrintCommandsTest : public GuiTest {};

TEST_F(PrintCommandsTest, TheWindowsTextPrintsInARangeWithTheWholeBodysPageNumbers) {
  const std::string path = dir_.File("print.kdx");
  int32_t id = 0;
  {
    kdx_test::TestDocument doc(path);
    id = AddTextEntry(doc, "議事録", QStringLiteral("stored")).en_id;
    doc.Save();
  }
  KdxDocument* document = Open(path);
  ASSERT_NE(document, nullptr);
  ASSERT_NE(MenuAction(document, QStringLiteral("ページ設定…")), nullptr);
  QTableView* list = document->entryList();
  const QModelIndex index = list->model()->index(0, 0);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
  QApplication::processEvents();
  EntryWindow* window = document->entryWindows()->Find(id);
  ASSERT_NE(window, nullptr);
  for (const char* text : {"ページ設定…", "印刷プレビュー…", "印刷…"}) {
    EXPECT_NE(MenuAction(window, QString::fromUtf8(text)), nullptr) << text;
  }

  // Typed, not saved: what is printed is what the window shows.
  QTextCursor cursor(window->body()->document());
  cursor.movePosition(QTextCursor::End);
  for (int i = 0; i < 200; ++i) cursor.insertText(QStringLiteral("\n未保存の行 %1").arg(i));

  const QString pdf = QString::fromStdString(dir_.File("out.pdf"));
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(pdf);
  printer.setPrintRange(QPrinter::PageRange);
  printer.setFromTo(2, 3);
  std::optional<KDX_ENTRY> entry = document->session().FindEntry(id);
  ASSERT_TRUE(entry);
  kdx_richtext::PrintVariables variables;
  variables.title = QStringLiteral("議事録");
  ASSERT_TRUE(KdxPrintBody(&printer, *window->body()->document(), variables));
  const QString first = kdx_test::PdfPageText(pdf, 1);
  if (first.isNull()) GTEST_SKIP() << "pdftotext is not installed";
  EXPECT_TRUE(kdx_test::PdfPageText(pdf, 3).isEmpty());  // two sheets only
  // No stored templates: the built-in header (the title) and footer ("page / total").
  EXPECT_TRUE(first.contains(QStringLiteral("議事録"))) << first.toStdString();
  EXPECT_TRUE(first.contains(QRegularExpression(QStringLiteral("\\b2\\s*/\\s*([4-9]|\\d\\d)\\b"))))
      << first.toStdString();
  EXPECT_TRUE(first.contains(QStringLiteral("未保存の行"))) << first.toStdString();

  // The choices are kept, as text, under "PRIN" of the container start-up prepares.
  ASSERT_EQ(PREF_PrepareREZFile(kPrefREZVersion), 1);
  ASSERT_TRUE(KdxStorePrintSettings(printer));
  std::string prefPath;
  ASSERT_EQ(PREF_GetPreferenceREZFilePath(prefPath), 1);
  std::vector<uint8_t> kept;
  ASSERT_GT(KDX_ReadPrintData(prefPath.c_str(), kPrefTagPRIN, kept), 0);
  EXPECT_NE(std::string(kept.begin(), kept.end()).find("output=" + pdf.toStdString()),
            std::string::npos);

  // An entry gone from the document stops printing with its alert.
  KdxPrintEntry(window, document, id + 100, *window->body()->document());
  EXPECT_EQ(alerts_, (std::vector<std::string>{"[-1] printEntry"}));
}

}  // namespace
