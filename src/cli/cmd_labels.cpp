// kdx labels FILE: the document's eight colour labels, by number, with their
// names and colours, so that a label can be given by either.
#include <cstdio>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "cli/cli_document.h"
#include "cli/cli_output.h"
#include "cli/commands.h"
#include "cli/kdx_cli.h"
#include "core/document/color_label.h"
#include "core/document/records.h"

namespace {

struct LabelsOptions {
  std::string path;
  bool json = false, noHeader = false;
};

// A stored component (x 100000) as two hexadecimal digits.
std::string Hex(int32_t stored) {
  const int32_t clamped = stored < 0 ? 0 : stored > 100000 ? 100000 : stored;
  char text[3];
  std::snprintf(text, sizeof text, "%02x", static_cast<unsigned>((clamped * 255 + 50000) / 100000));
  return text;
}

int RunLabels(const LabelsOptions& o, const CliPasswordSource& pw, std::ostream& out,
              std::ostream& err) {
  KdxSession doc;
  int status = CliOpenDocument(doc, o.path, KdxAccess::kRead, pw, err);
  if (status != kExitOk) return status;
  const VELL_ARY* labels = doc.data().colorLabelAry;
  std::vector<std::string> objects;
  if (!o.json && !o.noHeader) out << "label\tname\tcolour\n";
  for (int32_t i = 0; i < labels->count; ++i) {
    KDX_COLOR_LABEL label;
    CO_GetData_ByIndex(labels, i, &label);
    const std::string colour = "#" + Hex(label.co_red) + Hex(label.co_green) + Hex(label.co_blue);
    if (o.json) {
      objects.push_back(CliJsonObject()
                            .AddNumber("label", label.co_id)
                            .AddText("name", label.co_name)
                            .AddText("colour", colour)
                            .str());
    } else {
      out << label.co_id << '\t' << CliFlat(label.co_name) << '\t' << colour << '\n';
    }
  }
  if (o.json) out << CliJsonArray(objects);
  return kExitOk;
}

}  // namespace

void AddLabelsCommand(CLI::App& app, KdxAction* action, const CliPasswordSource* pw) {
  auto o = std::make_shared<LabelsOptions>();
  auto* cmd = app.add_subcommand(
      "labels", "List the colour labels: number, name and colour (#rrggbb), tab-separated");
  cmd->add_option("FILE", o->path, "The document file")->required();
  CliAddOutputFlags(cmd, &o->json, &o->noHeader);
  cmd->callback([action, o, pw] {
    *action = [o, pw](std::ostream& out, std::ostream& err) {
      return RunLabels(*o, *pw, out, err);
    };
  });
}
