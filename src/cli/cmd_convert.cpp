// kdx convert FILE: a document of the previous format made current, after a
// verified copy of it is kept beside it.
#include <memory>
#include <ostream>
#include <string>

#include "cli/cli_document.h"
#include "cli/cli_interrupt.h"
#include "cli/cli_output.h"
#include "cli/cli_progress.h"
#include "cli/cli_richtext.h"
#include "cli/commands.h"
#include "cli/kdx_cli.h"
#include "core/prefs/pref_file.h"
#include "core/session/kdx_backup.h"
#include "transfer/document_conversion.h"

namespace {

int RunConvert(const std::string& path, const CliPasswordSource& password, std::ostream& out,
               std::ostream& err) {
  KdxSession doc;
  if (int status = CliOpenDocument(doc, path, KdxAccess::kWrite, password, err, true);
      status != kExitOk) {
    return status;
  }
  if (!doc.needsConversion()) {
    out << CliFlat(path) << ": already in the current format\n";
    return kExitOk;
  }
  std::string backup;
  if (!KDX_BackupForConversion(path, &backup)) {
    err << "kdx: " << path << ": no complete copy could be made beside it; nothing was converted\n";
    return kExitFailed;
  }
  CliEnsureGuiApplication();
  const bool terminal = CliStderrIsTerminal();
  KdxTransferProgress progress = CliMakeProgress(err, terminal);
  const CliInterruption interruption;
  progress.cancelled = interruption.poll();
  const KdxTransferResult result = KDX_ConvertDocument(doc, PREF_ReadExpandSize(), progress);
  CliEndProgress(err, terminal);
  const int status = CliReportTransfer(result, "converted", out, err);
  if (status == kExitOk) {
    out << CliFlat(path) << ": the previous version is kept in " << CliFlat(backup) << "\n";
    return kExitOk;
  }
  if (KDX_AbandonConversion(doc, backup)) {
    err << "kdx: " << path << ": not converted; the document is as it was\n";
  } else {
    err << "kdx: " << path << ": not converted, and the copy could not be put back: it is "
        << backup << "\n";
  }
  return kExitFailed;
}

}  // namespace

void AddConvertCommand(CLI::App& app, KdxAction* action, const CliPasswordSource* password) {
  auto path = std::make_shared<std::string>();
  auto* cmd = app.add_subcommand("convert", "Make a document of the previous format current");
  cmd->add_option("FILE", *path, "The document file")->required();
  cmd->footer(
      "First the document is copied to NAME_backup_v300.kdx beside it (numbered when that "
      "name is taken) and the copy compared byte for byte; then every body is converted and "
      "the document saved once. When a body cannot be converted, or the command is "
      "interrupted, the copy is put back over the document and kept.");
  cmd->callback([action, path, password] {
    *action = [path, password](std::ostream& out, std::ostream& err) {
      return RunConvert(*path, *password, out, err);
    };
  });
}
