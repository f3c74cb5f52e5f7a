// kdx passwd FILE: set, change or remove a document's password.
#include <fstream>
#include <memory>
#include <ostream>
#include <string>

#include "cli/cli_document.h"
#include "cli/cli_output.h"
#include "cli/commands.h"
#include "cli/kdx_cli.h"
#include "core/content/password.h"
#include "core/content/password_store.h"

namespace {

struct PasswdOptions {
  std::string path;
  std::string newPasswordFile;
  bool remove = false;
};

int RunPasswd(const PasswdOptions& options, const CliPasswordSource& password, std::ostream& out,
              std::ostream& err) {
  KdxSession doc;
  int status = CliOpenDocument(doc, options.path, KdxAccess::kWrite, password, err);
  if (status != kExitOk) return status;
  std::string typed;
  if (!options.remove) {
    if (!options.newPasswordFile.empty()) {
      std::ifstream in(options.newPasswordFile);
      if (!in) {
        const std::string why = CliUnreadableText(options.newPasswordFile);
        err << "kdx: " << options.newPasswordFile << ": " << (why.empty() ? "cannot be read" : why)
            << "\n";
        return kExitFailed;
      }
      std::getline(in, typed);
      if (!typed.empty() && typed.back() == '\r') typed.pop_back();
    } else {
      std::string again;
      if (!CliReadPasswordFromTerminal(kKdxNewPasswordPrompt, &typed) ||
          !CliReadPasswordFromTerminal("もう一度入力してください。", &again)) {
        err << "kdx: give the new password with --new-password-file (or --remove)\n";
        return kExitUsage;
      }
      if (typed != again) {
        err << "kdx: the two passwords differ; nothing was changed\n";
        return kExitFailed;
      }
    }
  }
  char accepted[kKdxPasswordFieldSize];
  if (KDX_CheckPasswordRules(typed.c_str(), accepted, sizeof accepted) != 1) {
    err << "kdx: " << kKdxPasswordRuleAlert << "\n";
    return kExitFailed;
  }
  KDX_DATA* data = doc.EditDirectly();
  if (KDXCOMM_SetPassword(data->envAry, data->idCounterAry, accepted) != 0) {
    err << "kdx: " << options.path << ": the password could not be stored\n";
    return kExitFailed;
  }
  status = CliSaveDocument(doc, err);
  if (status == kExitOk) {
    out << options.path << (accepted[0] == '\0' ? ": no password\n" : ": password set\n");
  }
  return status;
}

}  // namespace

void AddPasswordCommand(CLI::App& app, KdxAction* action, const CliPasswordSource* password) {
  auto options = std::make_shared<PasswdOptions>();
  auto* cmd = app.add_subcommand(
      "passwd", "Set, change or remove a document's password (letters and digits, up to 21)");
  cmd->add_option("FILE", options->path, "The document file")->required();
  auto* file = cmd->add_option("--new-password-file", options->newPasswordFile,
                               "Read the new password from the first line of this file")
                   ->type_name("FILE");
  cmd->add_flag("--remove", options->remove, "Remove the password")->excludes(file);
  cmd->callback([action, options, password] {
    *action = [options, password](std::ostream& out, std::ostream& err) {
      return RunPasswd(*options, *password, out, err);
    };
  });
}
