// Printing from the windows: 印刷… and 印刷プレビュー… of the entry window,
// ページ設定… of both windows. They share one printer for the run, so the
// page setup and the choices of the last print are where the next print
// starts. The pages are drawn by the text layer's paginator.
#pragma once

#include <QTextDocument>
#include <cstdint>
#include <string>
#include <vector>

#include "richtext/print_layout.h"

class KdxDocument;
class QMenu;
class QPrinter;
class QTextEdit;
class QWidget;

// The application's printer, made at the first use, in full-page mode (the
// paginator places everything from the paper's corner).
QPrinter* KdxSharedPrinter();

// The sheets to print: pages in order, copies times over, all pages of a
// copy together (collate) or each page copies times before the next.
[[nodiscard]] std::vector<int> KdxPrintSheets(const std::vector<int>& pages, int copies,
                                              bool collate);

// Prints body on printer as its settings ask (range, copies) with the
// preference's margins and templates; false when nothing could be printed.
bool KdxPrintBody(QPrinter* printer, const QTextDocument& body,
                  const kdx_richtext::PrintVariables& variables);

// The printer's settings as the short text kept under "PRIN": paper,
// orientation, margins in points, copies and output file, one "key=value" a line.
[[nodiscard]] std::string KdxPrintSettingsText(const QPrinter& printer);
// Stores that text in the preference container; false when it could not be written.
bool KdxStorePrintSettings(const QPrinter& printer);

// 印刷… (printEntry): the entry id of document as body shows it, unsaved edits
// included, through the print dialog.
void KdxPrintEntry(QWidget* parent, KdxDocument* document, int32_t id, const QTextDocument& body);
// 印刷プレビュー…: the same pages in a preview window.
void KdxPreviewEntry(QWidget* parent, KdxDocument* document, int32_t id, const QTextDocument& body);
// ページ設定… (runPageLayout): the page setup dialog on the shared printer.
void KdxRunPageLayout(QWidget* parent);

// Adds ページ設定… to menu (the document window).
void KdxAddPageSetupAction(QMenu* menu, QWidget* window);
// Adds ページ設定…, 印刷プレビュー… and 印刷… to menu for the entry id whose
// body view is body (the entry window).
void KdxAddEntryPrintActions(QMenu* menu, QWidget* window, KdxDocument* document, int32_t id,
                             QTextEdit* body);
