#include "cli/kdx_cli.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <ostream>

#include "cli/cli_document.h"
#include "cli/commands.h"
#include "core/util/vell_time.h"

namespace {

std::string VersionText() {
  char version[64];
  Vell_MakeVersionString(KDX_VERSION_CHARS, 3, version, sizeof version);
  return std::string("kdx (Kardinex) ") + version;
}

}  // namespace

int KdxMain(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  CLI::App app{"kdx: work with Kardinex documents (.kdx) from the command line.", "kdx"};
  app.set_version_flag("--version", VersionText(), "Print the version and exit");
  app.require_subcommand(0, 1);
  app.footer(
      "Where kdx prints a value inside a line (a cell of tab-separated output, a title, a "
      "path), a tab, CR or LF in it is printed as a space, so that it cannot split the cell "
      "or the line; the document keeps the value as it is.\n"
      "Exit status: 0 success, 1 the operation failed, 2 bad usage.");

  CliPasswordSource password;
  app.add_option("--password-file", password.passwordFile,
                 "Read the document password from the first line of this file instead of "
                 "asking for it")
      ->type_name("FILE");
  // Global options may also follow the subcommand's name.
  app.fallthrough();

  KdxAction action;
  AddDocumentCommands(app, &action);
  AddEntryCommands(app, &action, &password);
  AddListCommand(app, &action, &password);
  AddImportCommand(app, &action, &password);
  AddExportCommand(app, &action, &password);
  AddListFileCommands(app, &action, &password);
  AddSearchCommand(app, &action, &password);
  AddPasswordCommand(app, &action, &password);
  AddCompactCommand(app, &action, &password);
  AddDetectCommand(app, &action);
  AddInspectCommand(app, &action);

  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp& e) {
    app.exit(e, out, err);  // the help of the subcommand asked about
    return kExitOk;
  } catch (const CLI::CallForAllHelp& e) {
    app.exit(e, out, err);
    return kExitOk;
  } catch (const CLI::CallForVersion&) {
    out << VersionText() << "\n";
    return kExitOk;
  } catch (const CLI::ParseError& e) {
    std::string what = e.what();
    std::replace(what.begin(), what.end(), '\n', ' ');
    err << "kdx: " << what << " (see kdx --help)\n";
    return kExitUsage;
  }
  if (!action) {
    out << app.help();
    return kExitOk;
  }
  return action(out, err);
}
