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

// The command word of args: the first that is neither an option nor the value
// of a global option. Empty when there is none.
std::string CommandWord(const std::vector<std::string>& args) {
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--password-file") {
      ++i;
    } else if (args[i].empty() || args[i][0] != '-') {
      return args[i];
    }
  }
  return {};
}

// Edits (insertions, deletions, substitutions) between a and b, by bytes.
size_t EditDistance(const std::string& a, const std::string& b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1] ? 1 : 0)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

// The command name closest to word, when one is close enough to be a slip.
std::string NearestCommand(const std::vector<CLI::App*>& commands, const std::string& word) {
  std::string best;
  size_t bestDistance = std::max<size_t>(2, word.size() / 3) + 1;
  for (const CLI::App* sub : commands) {
    const std::string& name = sub->get_name();
    const size_t distance = name.rfind(word, 0) == 0 ? 1 : EditDistance(word, name);
    if (distance < bestDistance) {
      best = name;
      bestDistance = distance;
    }
  }
  return best;
}

}  // namespace

int KdxMain(const std::vector<std::string>& args, const KdxConsole& console, std::ostream& out,
            std::ostream& err) {
  CLI::App app{"kdx: work with Kardinex documents (.kdx) from the command line.", "kdx"};
  app.set_version_flag("--version", VersionText(), "Print the version and exit");
  app.require_subcommand(0, 1);
  app.footer(
      "Where kdx prints a value inside a line (a cell of tab-separated output, a title, a "
      "path), a tab, LF or CR in it is printed as \\t, \\n or \\r, another control character "
      "as \\xNN and a backslash as \\\\, so that it cannot split the cell or the line and "
      "reads back exactly; the document keeps the value as it is.\n"
      "Options that take a list take one argument, its items separated by commas: "
      "--in body,note.\n"
      "kdx COMMAND --help tells more of each command.\n"
      "Exit status: 0 success, 1 the operation failed, 2 bad usage; 130 or 143 when Ctrl+C "
      "or SIGTERM stopped a long import or export.");

  CliPasswordSource password;
  password.console = &console;
  app.add_option("--password-file", password.passwordFile,
                 "Read the document password from the first line of this file instead of "
                 "asking for it at the terminal")
      ->type_name("FILE");
  // Global options may also follow the subcommand's name.
  app.fallthrough();

  KdxAction action;
  AddDocumentCommands(app, &action);
  AddEntryCommands(app, &action, &password);
  AddSetCommands(app, &action, &password);
  AddLabelsCommand(app, &action, &password);
  AddListCommand(app, &action, &password);
  AddImportCommand(app, &action, &password);
  AddExportCommand(app, &action, &password);
  AddPrintCommand(app, &action, &password);
  AddListFileCommands(app, &action, &password);
  AddSearchCommand(app, &action, &password);
  AddPasswordCommand(app, &action, &password);
  AddCompactCommand(app, &action, &password);
  AddConvertCommand(app, &action, &password);
  AddDetectCommand(app, &action);
  AddInspectCommand(app, &action);
  AddManualCommands(app, &action);

  if (args.empty()) {
    err << app.help();
    return kExitUsage;
  }
  const std::string command = CommandWord(args);
  const std::vector<CLI::App*> subcommands = app.get_subcommands(std::function<bool(CLI::App*)>());
  if (!command.empty() &&
      std::none_of(subcommands.begin(), subcommands.end(),
                   [&](const CLI::App* sub) { return sub->get_name() == command; })) {
    err << "kdx: unknown command \"" << command << "\"";
    if (const std::string nearest = NearestCommand(subcommands, command); !nearest.empty()) {
      err << " (did you mean \"" << nearest << "\"?)";
    }
    err << "; kdx --help lists the commands\n";
    return kExitUsage;
  }
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
    err << "kdx: " << what << " (see kdx " << (command.empty() ? "" : command + " ") << "--help)\n";
    return kExitUsage;
  }
  if (!action) {
    err << app.help();
    return kExitUsage;
  }
  return action(out, err);
}
