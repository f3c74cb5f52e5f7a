// kdx export FILE DIR: the document window's export commands for scripts.
// Without --ids every entry is exported, in the order kdx list shows them.
#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "cli/cli_document.h"
#include "cli/cli_interrupt.h"
#include "cli/cli_output.h"
#include "cli/cli_progress.h"
#include "cli/cli_richtext.h"
#include "cli/commands.h"
#include "cli/kdx_cli.h"
#include "core/document/catset_table.h"
#include "core/document/entry_table.h"
#include "core/listing/category.h"
#include "core/util/vell_file.h"
#include "transfer/export_files.h"

namespace {

struct ExportOptions {
  std::string path, folder;
  std::vector<int32_t> ids;
  CliSelection selection;
  std::string format = "auto";
  bool tree = false;
};

// A category as a folder name: a slash, which no file name may hold, becomes
// a full-width one, and "." and ".." (which name other folders) full-width dots.
std::string FolderName(std::string name) {
  if (name.empty()) return kKdxCategoryOther;
  if (name == "." || name == "..") {
    std::string dots;
    for (size_t i = 0; i < name.size(); ++i) dots += "．";
    return dots;
  }
  for (size_t at = name.find('/'); at != std::string::npos; at = name.find('/', at)) {
    name.replace(at, 1, "／");
  }
  return name;
}

// The entries ids into folder, or with tree into folder/CAT1/CAT2/CAT3/ (made
// as needed), each folder's entries in the order of ids.
KdxTransferResult ExportInto(KDX_DATA* data, const std::vector<int32_t>& ids,
                             const std::string& folder, KdxExportFormat format, bool tree,
                             const KdxTransferProgress& progress) {
  if (!tree) return KDX_ExportEntries(data, ids, folder, format, progress);
  std::vector<std::pair<std::string, std::vector<int32_t>>> groups;
  KdxTransferResult result;
  for (int32_t id : ids) {
    KDX_ENTRY entry;
    if (KDX_FindEntry(data, id, &entry) < 0) {
      result.Fail("(" + std::to_string(id) + ")", "no such entry");
      continue;
    }
    const std::string path = folder + "/" + FolderName(entry.en_cat1_name) + "/" +
                             FolderName(entry.en_cat2_name) + "/" + FolderName(entry.en_cat3_name);
    auto group = std::find_if(groups.begin(), groups.end(),
                              [&path](const auto& g) { return g.first == path; });
    if (group == groups.end()) group = groups.insert(groups.end(), {path, {}});
    group->second.push_back(id);
  }
  for (const auto& [path, members] : groups) {
    std::error_code error;
    std::filesystem::create_directories(path, error);
    if (error) {
      result.failed += static_cast<int64_t>(members.size());
      result.failures.push_back({path, "cannot be made: " + error.message()});
      continue;
    }
    result.Absorb(KDX_ExportEntries(data, members, path, format, progress));
    if (result.cancelled) break;
  }
  return result;
}

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
  if (!CliSelectEntries(doc, o.selection, &ids, err)) return kExitFailed;
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
      ExportInto(doc.EditDirectly(), ids, o.folder, format->second, o.tree, progress);
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
  CliAddSelectionOptions(cmd, &o->selection);
  cmd->add_option("--format", o->format,
                  "auto (each entry as its file type suggests), rtf, rtfd, sjis, euc, utf8, or "
                  "backup (RTF with the entry export file beside it)");
  cmd->add_flag("--tree", o->tree,
                "Write each entry into folders CAT1/CAT2/CAT3 named after its categories; "
                "importing the CAT1 folders (kdx import NEW.kdx DIR/*) gives them back");
  cmd->callback([action, o, pw] {
    *action = [o, pw](std::ostream& out, std::ostream& err) {
      return RunExport(*o, *pw, out, err);
    };
  });
}
