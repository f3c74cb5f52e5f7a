// kdx export FILE DIR: the document window's export commands for scripts.
// Without --ids every entry is exported, in the order kdx list shows them.
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "cli/cli_document.h"
#include "cli/cli_interrupt.h"
#include "cli/cli_output.h"
#include "cli/cli_progress.h"
#include "cli/cli_richtext.h"
#include "cli/commands.h"
#include "cli/kdx_cli.h"
#include "core/listing/category.h"
#include "core/util/vell_file.h"
#include "transfer/export_files.h"

namespace {

struct ExportOptions {
  std::string path, folder;
  std::vector<int32_t> ids;
  std::string format = "auto";
};

const std::map<std::string, KdxExportFormat>& FormatNames() {
  static const std::map<std::string, KdxExportFormat> names{
      {"auto", KdxExportFormat::files},   {"rtf", KdxExportFormat::rtf},
      {"rtfd", KdxExportFormat::rtfd},    {"sjis", KdxExportFormat::sjis},
      {"euc", KdxExportFormat::euc},      {"utf8", KdxExportFormat::utf8},
      {"backup", KdxExportFormat::backup}};
  return names;
}

int RunExport(const ExportOptions& o, const CliPasswordSource& pw, std::ostream& out,
              std::ostream& err) {
  const auto format = FormatNames().find(o.format);
  if (format == FormatNames().end()) {
    err << "kdx: \"" << o.format
        << "\" is not a format (auto, rtf, rtfd, sjis, euc, utf8, backup)\n";
    return kExitUsage;
  }
  if (const std::string why = CliUnwritableFolderText(o.folder); !why.empty()) {
    err << "kdx: " << o.folder << ": " << why << "\n";
    return kExitFailed;
  }
  KdxSession doc;
  int status = CliOpenDocument(doc, o.path, KdxAccess::kWrite, pw, err);
  if (status != kExitOk) return status;

  std::vector<int32_t> ids = o.ids;
  if (ids.empty()) {
    status = CliReloadList(doc, err, {kKdxCategoryAll});
    if (status != kExitOk) return status;
    ids = doc.data().showIDAry;
  }
  CliEnsureGuiApplication();
  const bool terminal = CliStderrIsTerminal();
  KdxTransferProgress progress = CliMakeProgress(err, terminal);
  const CliInterruption interruption;
  progress.cancelled = interruption.poll();
  const KdxTransferResult result =
      KDX_ExportEntries(doc.EditDirectly(), ids, o.folder, format->second, progress);
  CliEndProgress(err, terminal);
  // The use dates changed, also of entries that failed.
  status = CliSaveDocument(doc, err);
  const int reported = CliReportTransfer(result, "exported", out, err);
  return interruption.Report(status != kExitOk ? status : reported,
                             "the files written so far are kept", err);
}

}  // namespace

void AddExportCommand(CLI::App& app, KdxAction* action, const CliPasswordSource* pw) {
  auto o = std::make_shared<ExportOptions>();
  auto* cmd = app.add_subcommand("export", "Write entries out as files into a folder");
  cmd->add_option("FILE", o->path, "The document file")->required();
  cmd->add_option("DIR", o->folder, "The folder to write into; it must exist")->required();
  AddListOption(cmd, "--ids", &o->ids, "Export only these entries, by identifier", "ID,...");
  cmd->add_option("--format", o->format,
                  "auto (each entry as its file type suggests), rtf, rtfd, sjis, euc, utf8, or "
                  "backup (RTF with the entry export file beside it)");
  cmd->callback([action, o, pw] {
    *action = [o, pw](std::ostream& out, std::ostream& err) {
      return RunExport(*o, *pw, out, err);
    };
  });
}
