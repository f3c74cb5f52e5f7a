// kdx passwd FILE: set, change or remove a document's password.
#include <algorithm>
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

constexpr char kPasswordRule[] =
    "a password is 1 to 21 letters and digits (A to Z, a to z, 0 to 9)";

// The new password from the file or the terminal; an exit status.
int ReadNewPassword(const PasswdOptions& options, const CliPasswordSource& source,
                    std::string* typed, std::ostream& err) {
  if (!options.newPasswordFile.empty()) {
    std::string why;
    if (!CliReadPasswordFile(options.newPasswordFile, typed, &why)) {
      err << "kdx: " << options.newPasswordFile << ": " << why << "\n";
      return kExitFailed;
    }
    return kExitOk;
  }
  std::string again;
  if (!CliAskPassword(source, "New password: ", typed)) {
    err << "kdx: there is no terminal to ask the new password at; give it with "
           "--new-password-file (see kdx passwd --help)\n";
    return kExitUsage;
  }
  if (typed->empty()) return kExitOk;  // refused by the caller, without asking again
  if (!CliAskPassword(source, "The new password again: ", &again)) again.clear();
  if (*typed != again) {
    err << "kdx: the two passwords differ; nothing was changed\n";
    return kExitFailed;
  }
  return kExitOk;
}

int RunPasswd(const PasswdOptions& options, const CliPasswordSource& password, std::ostream& out,
              std::ostream& err) {
  KdxSession doc;
  int status = CliOpenDocument(doc, options.path, KdxAccess::kWrite, password, err);
  if (status != kExitOk) return status;
  std::string typed;
  char accepted[kKdxPasswordFieldSize] = {};
  if (!options.remove) {
    status = ReadNewPassword(options, password, &typed, err);
    if (status != kExitOk) return status;
    // Only --remove removes a password: an empty answer is a slip, not a wish.
    if (typed.empty()) {
      err << "kdx: no new password was given; nothing was changed (kdx passwd --remove "
             "removes the password)\n";
      return kExitFailed;
    }
    // The field keeps 21 characters; a longer password would be cut without a word.
    const auto characters = std::count_if(typed.begin(), typed.end(), [](char c) {
      return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    });
    if (characters > static_cast<std::ptrdiff_t>(kKdxPasswordMaxChars) ||
        KDX_CheckPasswordRules(typed.c_str(), accepted, sizeof accepted) != 1) {
      err << "kdx: the password is refused: " << kPasswordRule << "; nothing was changed\n";
      return kExitFailed;
    }
  }
  KDX_DATA* data = doc.EditDirectly();
  if (KDXCOMM_SetPassword(data->envAry, data->idCounterAry, accepted) != 0) {
    err << "kdx: " << options.path << ": the password could not be stored\n";
    return kExitFailed;
  }
  status = CliSaveDocument(doc, err);
  if (status == kExitOk) {
    out << CliFlat(options.path) << (accepted[0] == '\0' ? ": no password\n" : ": password set\n");
  }
  return status;
}

}  // namespace

void AddPasswordCommand(CLI::App& app, KdxAction* action, const CliPasswordSource* password) {
  auto options = std::make_shared<PasswdOptions>();
  auto* cmd = app.add_subcommand(
      "passwd", "Set, change or remove a document's password (1 to 21 letters and digits)");
  cmd->footer(
      "What the password protects against: it is asked for when Kardinex or kdx opens the "
      "document, so it keeps a person using this program out. It is a gate in the program, "
      "not a key: the entries are not enciphered with it, and a program that reads the file "
      "directly does not need it. kdx encrypt enciphers entries, with a key built into the "
      "program (see kdx encrypt --help).\n"
      "The new password is asked for twice at the terminal (not read from standard input); an "
      "empty answer changes nothing. --remove removes the password.");
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
