// Printing an entry the same way from the entry window and from kdx print:
// the margins and the header and footer templates from the preferences, the
// body in the preference's default font, and the entry's values for the
// templates' variables.
#pragma once

#include <QTextDocument>
#include <string>

#include "core/document/records.h"
#include "richtext/print_layout.h"
#include "richtext/richtext_status.h"

// "PrintBodyMargin..." of the preferences (unclamped: the paginator fits them
// to the paper).
[[nodiscard]] kdx_richtext::PrintMargins KDX_ReadPrintMargins();

// The header ("PRHD") and footer ("PRFT") templates of the preference
// container into the documents; a template not stored, empty or unreadable
// is the built-in one.
void KDX_ReadPrintTemplates(QTextDocument* header, QTextDocument* footer);

// The entry's title and dates, the print date of now and the file name of
// the document at documentPath.
[[nodiscard]] kdx_richtext::PrintVariables KDX_EntryPrintVariables(const std::string& documentPath,
                                                                   const KDX_ENTRY& entry);

// The entry's stored body into document, laid out in the preference's
// default font as the entry window shows it. Missing and empty bodies give an
// empty document.
[[nodiscard]] kdx_richtext::BodyStatus KDX_LoadBodyForPrint(const std::string& documentPath,
                                                            const KDX_ENTRY& entry,
                                                            QTextDocument* document);
