// kdx list-file FILE OUT.txt: the entry list file (Shift JIS, tab-separated).
// kdx join FILE OUT.txt: the plain texts of entries joined into one Shift JIS
// file, each after a separator line with its title.
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "cli/cli_document.h"
#include "cli/cli_progress.h"
#include "cli/commands.h"
#include "cli/kdx_cli.h"
#include "core/listing/entry_list.h"
#include "transfer/entry_list_file.h"

namespace {

struct ListFileOptions {
  std::string path, target;
  bool selected = false;
  std::vector<int32_t> ids;
};

int RunListFile(const ListFileOptions& o, const CliPasswordSource& pw, std::ostream& out,
                std::ostream& err) {
  KdxSession doc;
  int status = CliOpenDocument(doc, o.path, KdxAccess::kRead, pw, err);
  if (status == kExitOk) status = CliReloadList(doc, err);
  if (status != kExitOk) return status;
  if (o.selected && KDXCOMM_GetSelectedShownRows(doc.data()).empty()) {
    err << "kdx: no entry is selected\n";
    return kExitFailed;
  }
  const bool terminal = CliStderrIsTerminal();
  KdxTransferResult result = KDX_WriteEntryList_ShowEntry(doc.data(), o.selected ? 0 : 1, o.target,
                                                          CliMakeProgress(err, terminal));
  CliEndProgress(err, terminal);
  return CliReportTransfer(result, "listed", out, err);
}

int RunJoin(const ListFileOptions& o, const CliPasswordSource& pw, std::ostream& out,
            std::ostream& err) {
  KdxSession doc;
  int status = CliOpenDocument(doc, o.path, KdxAccess::kWrite, pw, err);
  if (status == kExitOk) status = CliReloadList(doc, err);
  if (status != kExitOk) return status;
  const std::vector<int32_t> ids = o.ids.empty() ? doc.data().showIDAry : o.ids;
  const bool terminal = CliStderrIsTerminal();
  KdxTransferResult result =
      KDX_ExportAppendToTextFile(doc.EditDirectly(), ids, o.target, CliMakeProgress(err, terminal));
  CliEndProgress(err, terminal);
  // The use dates changed; a failed save is reported after the summary.
  const int reported = CliReportTransfer(result, "joined", out, err);
  status = CliSaveDocument(doc, err);
  return status != kExitOk ? status : reported;
}

}  // namespace

void AddListFileCommands(CLI::App& app, KdxAction* action, const CliPasswordSource* pw) {
  auto o = std::make_shared<ListFileOptions>();
  auto* list = app.add_subcommand(
      "list-file",
      "Write the entry list file: the shown columns of the listed entries, tab-separated, "
      "in Shift JIS with LF line ends");
  list->add_option("FILE", o->path, "The document file")->required();
  list->add_option("OUT", o->target, "The text file to write (replaced when it exists)")
      ->required();
  list->add_flag("--selected", o->selected,
                 "Only the entries selected in the entry list, not every listed one");
  list->callback([action, o, pw] {
    *action = [o, pw](std::ostream& out, std::ostream& err) {
      return RunListFile(*o, *pw, out, err);
    };
  });

  auto* join = app.add_subcommand(
      "join",
      "Join the plain texts of entries into one Shift JIS text file, each after a line "
      "\"-----TITLE-----\"; CR LF line ends");
  join->add_option("FILE", o->path, "The document file")->required();
  join->add_option("OUT", o->target, "The text file to write (replaced when it exists)")
      ->required();
  AddListOption(join, "--ids", &o->ids,
                "Entries to join, in this order (default: every listed entry)", "ID,...");
  join->callback([action, o, pw] {
    *action = [o, pw](std::ostream& out, std::ostream& err) { return RunJoin(*o, *pw, out, err); };
  });
}
