// kdx compact FILE: the document written afresh without its dead space.
#include <memory>
#include <ostream>
#include <string>

#include "cli/cli_document.h"
#include "cli/cli_output.h"
#include "cli/commands.h"
#include "cli/kdx_cli.h"
#include "core/session/kdx_compact.h"
#include "core/util/vell_string.h"

namespace {

int RunCompact(const std::string& path, const CliPasswordSource& password, std::ostream& out,
               std::ostream& err) {
  KdxSession doc;
  // Opening for writing takes the lock and rolls back a commit a crash left
  // unfinished before anything is read.
  if (int status = CliOpenDocument(doc, path, KdxAccess::kWrite, password, err); status != kExitOk)
    return status;
  KdxCompactReport report;
  const KdxCompactResult result = doc.Compact(&report);
  if (result != KdxCompactResult::kOk) {
    err << "kdx: " << path << ": " << KDX_CompactResultText(result) << "\n";
    for (const std::string& problem : report.problems) err << "kdx:   " << problem << "\n";
    return kExitFailed;
  }
  out << CliFlat(path) << ": " << CliCommas(report.reclaimed()) << " bytes reclaimed ("
      << CliCommas(report.sizeBefore) << " -> " << CliCommas(report.sizeAfter) << " bytes";
  if (report.blocksDropped > 0) {
    out << "; " << CliCommas(report.blocksDropped) << " blocks no entry reads left out";
  }
  out << ")\n";
  return kExitOk;
}

}  // namespace

void AddCompactCommand(CLI::App& app, KdxAction* action, const CliPasswordSource* password) {
  auto path = std::make_shared<std::string>();
  auto* cmd = app.add_subcommand("compact",
                                 "Write a document afresh without the space its saves left unused");
  cmd->add_option("FILE", *path, "The document file")->required();
  cmd->footer(
      "The copy is made beside the document, synced, read back and checked (it walks as a "
      "reader walks it, every header is where it belongs and every block's bytes are the "
      "document's) and renamed over it; on any failure the document is left as it was. "
      "Entries, identifiers, encrypted blocks and the password stay as they are.");
  cmd->callback([action, path, password] {
    *action = [path, password](std::ostream& out, std::ostream& err) {
      return RunCompact(*path, *password, out, err);
    };
  });
}
