// kdx inspect FILE: the tags of a document file in list order, with member
// counts and sizes, and whether its structure can be walked from end to end.
#include <iomanip>
#include <memory>
#include <ostream>
#include <string>

#include "cli/cli_output.h"
#include "cli/commands.h"
#include "cli/kdx_cli.h"
#include "core/container/rez.h"
#include "core/document/kdx_check.h"

namespace {

int RunInspect(const std::string& path, std::ostream& out, std::ostream& err) {
  std::string why = CliUnreadableText(path);
  if (why.empty()) why = CliNotAFileText(path);
  if (!why.empty()) {
    err << "kdx: " << path << ": " << why << "\n";
    return kExitFailed;
  }
  KdxContainerSummary summary;
  if (KDX_SummarizeContainer(path.c_str(), &summary) != 0) {
    err << "kdx: " << path << ": not a Kardinex document, or it cannot be read\n";
    return kExitFailed;
  }
  if (!summary.walkable) {
    err << "kdx: " << path << ": the document is damaged (its structure cannot be walked; "
        << "kdx check tells more)\n";
    return kExitFailed;
  }
  out << path << "\n";
  out << "  size " << summary.fileSize << " bytes, " << (summary.fileSize - summary.usedBytes)
      << " of them no longer in use\n";
  out << "  " << summary.tags.size() << (summary.tags.size() == 1 ? " tag\n" : " tags\n");
  for (const auto& t : summary.tags) {
    out << "  " << std::left << std::setw(10) << REZ_TagName(t.tag) << std::right << std::setw(10)
        << t.members << (t.members == 1 ? " member " : " members") << std::setw(14) << t.bytes
        << " bytes\n";
  }
  return kExitOk;
}

}  // namespace

void AddInspectCommand(CLI::App& app, KdxAction* action) {
  auto* cmd = app.add_subcommand(
      "inspect", "Show the tags of a document file with their member counts and sizes");
  auto path = std::make_shared<std::string>();
  cmd->add_option("FILE", *path, "The document file")->required();
  cmd->callback([action, path] {
    *action = [path](std::ostream& out, std::ostream& err) { return RunInspect(*path, out, err); };
  });
}
