// kdx import: files, RTFD packages and folder trees, or a folder of version-2
// export files, as new entries of a document.
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
#include "core/document/catset_table.h"
#include "transfer/file_import.h"
#include "transfer/folder_walk.h"
#include "transfer/v2_import.h"

namespace {

struct ImportOptions {
  std::string path;
  std::vector<std::string> items;
  std::string cat1 = kKdxCategoryOther, cat2 = kKdxCategoryOther, cat3 = kKdxCategoryOther;
  bool allFiles = false;
  std::vector<std::string> extensions;      // instead of the preference's
  std::vector<std::string> moreExtensions;  // besides the preference's
  std::string v2Folder;
};

// An extension as the user may write it: "md" or ".md".
std::string BareExtension(std::string ext) {
  ext.erase(0, ext.find_first_not_of('.'));
  return ext;
}

int RunImport(const ImportOptions& o, const CliPasswordSource& pw, std::ostream& out,
              std::ostream& err) {
  if (o.v2Folder.empty() == o.items.empty()) {
    err << "kdx: give either files and folders to import or --v2 FOLDER\n";
    return kExitUsage;
  }
  if (!o.v2Folder.empty() && !KDX_IsPlainFolder(o.v2Folder)) {
    const std::string why = CliUnreadableText(o.v2Folder);
    err << "kdx: " << o.v2Folder << ": "
        << (why == "no such file" ? "no such folder"
            : why.empty()         ? "not a folder"
                                  : why)
        << "\n";
    return kExitFailed;
  }
  KdxSession doc;
  int status = CliOpenDocument(doc, o.path, KdxAccess::kWrite, pw, err);
  if (status != kExitOk) return status;
  CliEnsureGuiApplication();

  KdxImportSettings settings = KDX_ReadImportSettings();
  if (o.allFiles) settings.importAll = 1;
  if (!o.extensions.empty()) settings.extensions.clear();
  for (const std::string& ext : o.extensions) settings.extensions.push_back(BareExtension(ext));
  for (const std::string& ext : o.moreExtensions) {
    settings.extensions.push_back(BareExtension(ext));
  }
  const bool terminal = CliStderrIsTerminal();
  KdxTransferProgress progress = CliMakeProgress(err, terminal);
  const CliInterruption interruption;
  progress.cancelled = interruption.poll();
  bool saveFailed = false;
  progress.checkpoint = KdxSaveEvery(
      kKdxImportSaveEvery, [&] { return doc.Save(); }, &saveFailed);
  const KdxTransferResult result =
      !o.v2Folder.empty() ? KDX_ImportV2Folder(doc.EditDirectly(), o.v2Folder, settings, progress)
                          : KDX_ImportPaths(doc.EditDirectly(), o.items, o.cat1, o.cat2, o.cat3,
                                            KdxFolderCategories::kFromPath, settings, progress);
  CliEndProgress(err, terminal);
  if (saveFailed) {
    err << "kdx: " << o.path << ": the document could not be saved\n";
    status = kExitFailed;
  }
  const int reported = CliReportTransfer(result, "imported", out, err);
  return interruption.Report(status != kExitOk ? status : reported,
                             saveFailed ? "the files imported since the last save are not kept"
                                        : "the files imported so far are saved",
                             err);
}

}  // namespace

void AddImportCommand(CLI::App& app, KdxAction* action, const CliPasswordSource* pw) {
  auto o = std::make_shared<ImportOptions>();
  auto* cmd = app.add_subcommand(
      "import", "Import files, RTFD packages and folders (or version-2 export files) as entries");
  cmd->add_option("FILE", o->path, "The document file")->required();
  cmd->add_option("PATH", o->items,
                  "Files and RTFD packages (with the given categories) and folders (categories "
                  "from the folder names)");
  cmd->add_option("--cat1", o->cat1, "Category of level 1 for files")->capture_default_str();
  cmd->add_option("--cat2", o->cat2, "Category of level 2 for files")->capture_default_str();
  cmd->add_option("--cat3", o->cat3, "Category of level 3 for files")->capture_default_str();
  cmd->add_flag("--all-files", o->allFiles,
                "Import every text file in folders, whatever its extension");
  AddListOption(cmd, "--ext", &o->extensions,
                "Extensions imported from folders instead of the preference's (md or .md)",
                "EXT,...");
  AddListOption(cmd, "--ext-add", &o->moreExtensions,
                "Extensions imported from folders besides the preference's", "EXT,...");
  // Read when the help is shown, not on every run.
  cmd->footer([] {
    std::string list;
    for (const std::string& ext : KDX_ReadImportExtensions()) {
      list += (list.empty() ? "" : ",") + ext;
    }
    return "Extensions imported from folders now (the preference's): " +
           (list.empty() ? std::string("none") : list);
  });
  cmd->add_option("--v2", o->v2Folder, "Import the version-2 export files of this folder")
      ->type_name("FOLDER");
  cmd->callback([action, o, pw] {
    *action = [o, pw](std::ostream& out, std::ostream& err) {
      return RunImport(*o, *pw, out, err);
    };
  });
}
