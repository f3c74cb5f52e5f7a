// kdx detect FILE...: the encoding the import reads each file in, so that a
// user whose file imports garbled can see why; --decode also prints the text
// as the import reads it. A file the import would refuse is named on standard
// error with the reason.
#include <ostream>
#include <string>
#include <vector>

#include "cli/cli_output.h"
#include "cli/commands.h"
#include "cli/kdx_cli.h"
#include "core/util/vell_encoding.h"
#include "core/util/vell_file.h"
#include "transfer/file_import.h"
#include "transfer/folder_walk.h"

namespace {

struct DetectOptions {
  std::vector<std::string> files;
  bool decode = false;
};

int RunDetect(const DetectOptions& options, std::ostream& out, std::ostream& err) {
  int status = kExitOk;
  for (const std::string& path : options.files) {
    if (Vell_IsFolder(path.c_str())) {
      err << "kdx: " << path << ": is a folder\n";
      status = kExitFailed;
      continue;
    }
    // Read first, within the import's limit: a file too large to import is
    // said so at once rather than read through.
    std::string bytes;
    const int32_t read = Vell_ReadFileUpTo(path.c_str(), kKdxImportMaxFileBytes, &bytes);
    if (read == kVellReadTooLarge) {
      err << "kdx: " << path << ": " << KDX_ImportFailureText(kKdxImportTooLarge) << "\n";
      status = kExitFailed;
      continue;
    }
    const int32_t binary = read < 0 ? read : Vell_IsBinaryFile(path.c_str());
    if (binary < 0) {
      std::string why = CliUnreadableText(path);
      if (why.empty()) why = CliNotAFileText(path);
      err << "kdx: " << path << ": " << (why.empty() ? "cannot be read" : why) << "\n";
      status = kExitFailed;
      continue;
    }
    if (IsRtfFile(path) == 1) {
      out << CliFlat(path) << "\tRTF\n";  // read as rich text, whatever its bytes
      continue;
    }
    if (binary == 1) {
      out << CliFlat(path) << "\tbinary\n";
      continue;
    }
    // The decision the import takes, so that the two always agree.
    std::string text, used, whyNot;
    if (Vell_DecodeTextForImport(bytes, text, &used, &whyNot) != 0) {
      out << CliFlat(path) << '\t' << kVellEncodingUnknown << '\n';
      err << "kdx: " << path << ": " << whyNot << "\n";
      status = kExitFailed;
      continue;
    }
    out << CliFlat(path) << '\t' << used << '\n';
    if (!options.decode) continue;
    out << text;
    if (!text.empty() && text.back() != '\n') out << '\n';
  }
  return status;
}

}  // namespace

void AddDetectCommand(CLI::App& app, KdxAction* action) {
  auto options = std::make_shared<DetectOptions>();
  auto* cmd = app.add_subcommand(
      "detect", "Show the text encoding the import reads each file in (or \"RTF\" or \"binary\")");
  cmd->add_option("FILE", options->files, "Files to examine")->required();
  cmd->add_flag("--decode", options->decode,
                "Also print each text as UTF-8, as the import reads it");
  cmd->callback([action, options] {
    *action = [options](std::ostream& out, std::ostream& err) {
      return RunDetect(*options, out, err);
    };
  });
}
