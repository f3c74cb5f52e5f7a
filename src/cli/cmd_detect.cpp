// kdx detect FILE...: the encoding each file is detected as, so that a user
// whose file imports garbled can see why; --decode also prints the text as the
// import would read it.
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "cli/cli_output.h"
#include "cli/commands.h"
#include "cli/kdx_cli.h"
#include "core/util/vell_encoding.h"
#include "core/util/vell_file.h"
#include "core/util/vell_mem.h"

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
    int32_t binary = Vell_IsBinaryFile(path.c_str());
    char* raw = nullptr;
    int32_t size = binary < 0 ? -1 : Vell_ReadBuffer_fromFile(path.c_str(), &raw);
    std::unique_ptr<char, void (*)(void*)> buffer(raw, Vell_MallocFree);
    if (size < 0) {
      std::string why = CliUnreadableText(path);
      if (why.empty()) why = CliNotAFileText(path);
      err << "kdx: " << path << ": " << (why.empty() ? "cannot be read" : why) << "\n";
      status = kExitFailed;
      continue;
    }
    if (binary == 1) {
      out << CliFlat(path) << "\tbinary\n";
      continue;
    }
    char name[16] = {};
    Vell_GetTextEncoding(reinterpret_cast<const uint8_t*>(raw), static_cast<size_t>(size), name,
                         sizeof name);
    out << CliFlat(path) << '\t' << name << '\n';
    if (!options.decode) continue;
    std::string text, used;
    if (Vell_DecodeTextForImport(std::string_view(raw, static_cast<size_t>(size)), text, &used) !=
        0) {
      err << "kdx: " << path << ": cannot be decoded in any known encoding\n";
      status = kExitFailed;
      continue;
    }
    if (used != name) err << "kdx: " << path << ": read as " << used << "\n";
    out << text;
    if (!text.empty() && text.back() != '\n') out << '\n';
  }
  return status;
}

}  // namespace

void AddDetectCommand(CLI::App& app, KdxAction* action) {
  auto options = std::make_shared<DetectOptions>();
  auto* cmd = app.add_subcommand(
      "detect", "Show the text encoding of files as the import detects it (or \"binary\")");
  cmd->add_option("FILE", options->files, "Files to examine")->required();
  cmd->add_flag("--decode", options->decode,
                "Also print each text as UTF-8, read in the order the import tries encodings");
  cmd->callback([action, options] {
    *action = [options](std::ostream& out, std::ostream& err) {
      return RunDetect(*options, out, err);
    };
  });
}
