// kdx print FILE ID... --pdf OUT.pdf: entries as the entry window prints
// them, into a PDF: the preference's margins, header and footer, each entry
// from a new page with its own page numbers.
#include <QMarginsF>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextDocument>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "cli/cli_document.h"
#include "cli/cli_output.h"  // CliCannotCreateText
#include "cli/cli_richtext.h"
#include "cli/commands.h"
#include "cli/kdx_cli.h"
#include "richtext/print_layout.h"
#include "transfer/print_entry.h"

namespace {

struct PrintOptions {
  std::string path, pdf, paper = "A4";
  std::vector<int32_t> ids;
  CliSelection selection;
};

// The paper sizes --paper takes.
bool PaperSize(const std::string& name, QPageSize* size) {
  const struct {
    const char* name;
    QPageSize::PageSizeId id;
  } sizes[] = {{"A3", QPageSize::A3},      {"A4", QPageSize::A4},    {"A5", QPageSize::A5},
               {"B4", QPageSize::JisB4},   {"B5", QPageSize::JisB5}, {"Letter", QPageSize::Letter},
               {"Legal", QPageSize::Legal}};
  for (const auto& s : sizes) {
    if (name == s.name) {
      *size = QPageSize(s.id);
      return true;
    }
  }
  return false;
}

int RunPrint(const PrintOptions& o, const CliPasswordSource& pw, std::ostream& out,
             std::ostream& err) {
  QPageSize paper;
  if (!PaperSize(o.paper, &paper)) {
    err << "kdx: \"" << o.paper << "\" is not a paper size (A3, A4, A5, B4, B5, Letter, Legal)\n";
    return kExitUsage;
  }
  if (o.ids.empty() && !o.selection.given()) {
    err << "kdx: give entry identifiers, or --title or --cat1 to --cat3 (see kdx print --help)\n";
    return kExitUsage;
  }
  KdxSession doc;
  int status = CliOpenDocument(doc, o.path, KdxAccess::kRead, pw, err);
  if (status != kExitOk) return status;
  std::vector<int32_t> ids = o.ids;
  std::vector<KDX_ENTRY> entries;
  if (!CliSelectEntries(doc, o.selection, &ids, err) ||
      !CliFindEntries(doc, ids, false, &entries, err)) {
    return kExitFailed;
  }

  CliEnsureGuiApplication();
  // Every body is read before the file is made: an unreadable one leaves no PDF.
  std::vector<std::unique_ptr<QTextDocument>> bodies;
  for (const KDX_ENTRY& entry : entries) {
    auto& body = bodies.emplace_back(std::make_unique<QTextDocument>());
    if (KDX_LoadBodyForPrint(o.path, entry, body.get()) == kdx_richtext::BodyStatus::unreadable) {
      err << "kdx: " << o.path << ": the body of entry " << entry.en_id << " cannot be read\n";
      return kExitFailed;
    }
  }
  QTextDocument header, footer;
  KDX_ReadPrintTemplates(&header, &footer);
  const kdx_richtext::PrintMargins margins = KDX_ReadPrintMargins();

  // Written to a temporary file renamed over OUT at the end: a failure leaves
  // no half-written PDF and keeps what was there.
  QSaveFile file(QString::fromStdString(o.pdf));
  if (!file.open(QIODevice::WriteOnly)) {
    err << "kdx: " << o.pdf << ": " << CliCannotCreateText(o.pdf) << "\n";
    return kExitFailed;
  }
  QPdfWriter writer(&file);
  writer.setPageSize(paper);
  writer.setPageMargins(QMarginsF(0, 0, 0, 0));
  writer.setCreator(QStringLiteral("Kardinex"));
  if (entries.size() == 1) writer.setTitle(KDX_EntryPrintVariables(o.path, entries[0]).title);
  const QSizeF paperPoints = writer.pageLayout().fullRectPoints().size();
  QPainter painter(&writer);
  int pages = 0;
  bool drawn = painter.isActive();
  for (size_t i = 0; drawn && i < entries.size(); ++i) {
    const kdx_richtext::PrintPaginator paginator(*bodies[i], header, footer, &writer, paperPoints,
                                                 margins,
                                                 KDX_EntryPrintVariables(o.path, entries[i]));
    drawn = kdx_richtext::PrintPages(&writer, &painter, paginator,
                                     kdx_richtext::PrintPageList(paginator.pageCount(), {}), i > 0);
    pages += paginator.pageCount();
    bodies[i].reset();
  }
  drawn = painter.end() && drawn;
  if (!drawn || !file.commit()) {
    err << "kdx: " << o.pdf << ": cannot be written"
        << (file.errorString().isEmpty() ? "" : ": " + file.errorString().toStdString()) << "\n";
    return kExitFailed;
  }
  out << "printed " << entries.size() << (entries.size() == 1 ? " entry, " : " entries, ") << pages
      << (pages == 1 ? " page\n" : " pages\n");
  return kExitOk;
}

}  // namespace

void AddPrintCommand(CLI::App& app, KdxAction* action, const CliPasswordSource* pw) {
  auto o = std::make_shared<PrintOptions>();
  auto* cmd = app.add_subcommand("print", "Print entries into a PDF file as the application does");
  cmd->footer(
      "Each entry starts on a new page, with the preference's margins and its header and footer "
      "(the built-in ones unless the preference window changed them); their page numbers count "
      "the entry's own pages. The PDF is written whole or not at all.");
  cmd->add_option("FILE", o->path, "The document file")->required();
  cmd->add_option("ID", o->ids, "Entry identifiers (or pick entries with --title, --cat1...)");
  CliAddSelectionOptions(cmd, &o->selection);
  cmd->add_option("--pdf", o->pdf, "The PDF file to write (replaced when it exists)")
      ->required()
      ->type_name("OUT.pdf");
  cmd->add_option("--paper", o->paper, "A3, A4, A5, B4, B5, Letter or Legal")
      ->capture_default_str()
      ->type_name("SIZE");
  cmd->callback([action, o, pw] {
    *action = [o, pw](std::ostream& out, std::ostream& err) { return RunPrint(*o, *pw, out, err); };
  });
}
