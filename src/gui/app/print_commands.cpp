#include "gui/app/print_commands.h"

#include <QAction>
#include <QMenu>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPointer>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTextEdit>
#include <algorithm>
#include <optional>

#include "core/document/blocks.h"
#include "core/prefs/pref_file.h"
#include "core/prefs/pref_rez.h"
#include "gui/app/alerts.h"
#include "gui/app/document_window.h"
#include "gui/app/localization.h"
#include "transfer/print_entry.h"

namespace {

constexpr char kMsgPrintFailed[] = "印刷できませんでした。";

// The paper of printer in points, from its corner.
QSizeF PaperPoints(const QPrinter& printer) { return printer.pageLayout().fullRectPoints().size(); }

// The shared printer with the preference's margins (shown by the page setup
// dialog; the paginator clamps them to the paper), and the entry's values for
// the templates in *variables; null, after the system alert, when the entry
// is gone.
QPrinter* PrinterForEntry(QWidget* parent, KdxDocument* document, int32_t id,
                          kdx_richtext::PrintVariables* variables) {
  std::optional<KDX_ENTRY> entry;
  if (document != nullptr) entry = document->session().FindEntry(id);
  if (!entry) {
    KDXCOMM_SystemAlert(parent, QStringLiteral("[-1] printEntry"));
    return nullptr;
  }
  *variables = KDX_EntryPrintVariables(document->session().path(), *entry);
  QPrinter* printer = KdxSharedPrinter();
  const kdx_richtext::PrintMargins m = KDX_ReadPrintMargins();
  (void)printer->setPageMargins(QMarginsF(m.left, m.top, m.right, m.bottom), QPageLayout::Point);
  printer->setFullPage(true);
  return printer;
}

}  // namespace

QPrinter* KdxSharedPrinter() {
  static QPrinter* printer = [] {
    auto* made = new QPrinter(QPrinter::HighResolution);
    made->setFullPage(true);
    return made;
  }();
  return printer;
}

std::vector<int> KdxPrintSheets(const std::vector<int>& pages, int copies, bool collate) {
  std::vector<int> sheets;
  copies = std::max(1, copies);
  if (collate) {
    for (int c = 0; c < copies; ++c) sheets.insert(sheets.end(), pages.begin(), pages.end());
  } else {
    for (int page : pages) sheets.insert(sheets.end(), static_cast<size_t>(copies), page);
  }
  return sheets;
}

bool KdxPrintBody(QPrinter* printer, const QTextDocument& body,
                  const kdx_richtext::PrintVariables& variables) {
  QTextDocument header, footer;
  KDX_ReadPrintTemplates(&header, &footer);
  printer->setFullPage(true);
  const kdx_richtext::PrintPaginator paginator(body, header, footer, printer, PaperPoints(*printer),
                                               KDX_ReadPrintMargins(), variables);
  const QPageRanges ranges =
      printer->printRange() == QPrinter::PageRange ? printer->pageRanges() : QPageRanges();
  std::vector<int> pages = kdx_richtext::PrintPageList(paginator.pageCount(), ranges);
  if (pages.empty()) return false;
  // A printer that makes the copies itself has been told how many.
  if (!printer->supportsMultipleCopies()) {
    pages = KdxPrintSheets(pages, printer->copyCount(), printer->collateCopies());
  }
  QPainter painter;
  if (!painter.begin(printer)) return false;
  const bool drawn = kdx_richtext::PrintPages(printer, &painter, paginator, pages);
  return painter.end() && drawn;
}

std::string KdxPrintSettingsText(const QPrinter& printer) {
  const QPageLayout layout = printer.pageLayout();
  const QMarginsF m = layout.margins(QPageLayout::Point);
  QString text;
  text += QStringLiteral("paper=%1\n").arg(layout.pageSize().key());
  text += QStringLiteral("orientation=%1\n")
              .arg(QLatin1String(layout.orientation() == QPageLayout::Landscape ? "landscape"
                                                                                : "portrait"));
  text += QStringLiteral("margins=%1,%2,%3,%4\n")
              .arg(m.left())
              .arg(m.top())
              .arg(m.right())
              .arg(m.bottom());
  text += QStringLiteral("copies=%1\n").arg(printer.copyCount());
  text += QStringLiteral("printer=%1\n").arg(printer.printerName());
  text += QStringLiteral("output=%1\n").arg(printer.outputFileName());
  return text.toStdString();
}

bool KdxStorePrintSettings(const QPrinter& printer) {
  std::string prefPath;
  if (PREF_GetPreferenceREZFilePath(prefPath) != 1) return false;
  const std::string text = KdxPrintSettingsText(printer);
  return KDX_WritePrintInfo(prefPath.c_str(), kPrefTagPRIN, PREF_ReadExpandSize(), text.data(),
                            static_cast<int32_t>(text.size())) == 1;
}

void KdxPrintEntry(QWidget* parent, KdxDocument* document, int32_t id, const QTextDocument& body) {
  kdx_richtext::PrintVariables variables;
  QPrinter* printer = PrinterForEntry(parent, document, id, &variables);
  if (printer == nullptr) return;
  QPrintDialog dialog(printer, parent);
  dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
  dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
  dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
  dialog.setOption(QAbstractPrintDialog::PrintCollateCopies, true);
  dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
  // A cancel keeps nothing.
  if (dialog.exec() != QDialog::Accepted) return;
  if (!KdxPrintBody(printer, body, variables)) {
    KDXCOMM_AlertOK(parent, KdxText(kMsgPrintFailed));
    return;
  }
  // Only kept, never read back: the shared printer carries the choices.
  (void)KdxStorePrintSettings(*printer);
}

void KdxPreviewEntry(QWidget* parent, KdxDocument* document, int32_t id,
                     const QTextDocument& body) {
  kdx_richtext::PrintVariables variables;
  QPrinter* printer = PrinterForEntry(parent, document, id, &variables);
  if (printer == nullptr) return;
  QPrintPreviewDialog dialog(printer, parent);
  // The preview asks again for the pages whenever its page setup changes.
  QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                   [&body, &variables](QPrinter* target) {
                     target->setFullPage(true);
                     target->setPrintRange(QPrinter::AllPages);
                     (void)KdxPrintBody(target, body, variables);
                   });
  dialog.exec();
}

void KdxRunPageLayout(QWidget* parent) {
  QPrinter* printer = KdxSharedPrinter();
  QPageSetupDialog dialog(printer, parent);
  dialog.exec();
  printer->setFullPage(true);
}

void KdxAddPageSetupAction(QMenu* menu, QWidget* window) {
  QAction* setup = menu->addAction(KdxText("ページ設定…"));
  setup->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+P")));
  QObject::connect(setup, &QAction::triggered, window, [window] { KdxRunPageLayout(window); });
}

void KdxAddEntryPrintActions(QMenu* menu, QWidget* window, KdxDocument* document, int32_t id,
                             QTextEdit* body) {
  KdxAddPageSetupAction(menu, window);
  const QPointer<KdxDocument> doc(document);
  QAction* preview = menu->addAction(KdxText("印刷プレビュー…"));
  QObject::connect(preview, &QAction::triggered, window, [window, doc, id, body] {
    KdxPreviewEntry(window, doc, id, *body->document());
  });
  QAction* print = menu->addAction(KdxText("印刷…"));
  print->setShortcut(QKeySequence::Print);
  QObject::connect(print, &QAction::triggered, window,
                   [window, doc, id, body] { KdxPrintEntry(window, doc, id, *body->document()); });
}
