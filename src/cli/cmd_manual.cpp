// kdx completion bash|zsh and kdx manual: the shell completion scripts and the
// manual page, made from the same definitions as --help so that they cannot
// drift; the build writes them and cmake --install installs them.
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/kdx_cli.h"

namespace {

// The visible commands (hidden ones have no group).
std::vector<const CLI::App*> Commands(const CLI::App& app) {
  std::vector<const CLI::App*> commands;
  for (const CLI::App* sub : app.get_subcommands(std::function<bool(const CLI::App*)>())) {
    if (!sub->get_group().empty()) commands.push_back(sub);
  }
  return commands;
}

// The long options of a command, "--name" each.
std::vector<std::string> LongOptions(const CLI::App& cmd) {
  std::vector<std::string> names;
  for (const CLI::Option* option : cmd.get_options()) {
    for (const std::string& name : option->get_lnames()) names.push_back("--" + name);
  }
  return names;
}

std::string Joined(const std::vector<std::string>& words) {
  std::string text;
  for (const std::string& word : words) text += (text.empty() ? "" : " ") + word;
  return text;
}

void WriteBash(const CLI::App& app, std::ostream& out) {
  std::vector<std::string> names;
  for (const CLI::App* cmd : Commands(app)) names.push_back(cmd->get_name());
  out << "# bash completion for kdx, made by kdx completion bash\n"
         "_kdx() {\n"
         "  local cur=${COMP_WORDS[COMP_CWORD]} cmd= opts= i\n"
         "  for ((i = 1; i < COMP_CWORD; i++)); do\n"
         "    case ${COMP_WORDS[i]} in\n"
         "      --password-file) ((i++)) ;;\n"
         "      -*) ;;\n"
         "      *) cmd=${COMP_WORDS[i]}; break ;;\n"
         "    esac\n"
         "  done\n"
         "  if [[ -z $cmd ]]; then\n"
         "    COMPREPLY=($(compgen -W \""
      << Joined(names) << " " << Joined(LongOptions(app))
      << "\" -- \"$cur\"))\n"
         "    return\n"
         "  fi\n"
         "  case $cmd in\n";
  for (const CLI::App* cmd : Commands(app)) {
    out << "    " << cmd->get_name() << ") opts=\"" << Joined(LongOptions(*cmd)) << "\" ;;\n";
  }
  out << "  esac\n"
         "  if [[ $cur == -* ]]; then\n"
         "    COMPREPLY=($(compgen -W \"$opts --password-file\" -- \"$cur\"))\n"
         "  else\n"
         "    COMPREPLY=($(compgen -f -- \"$cur\"))\n"
         "  fi\n"
         "}\n"
         "complete -o filenames -F _kdx kdx\n";
}

void WriteZsh(const CLI::App& app, std::ostream& out) {
  out << "#compdef kdx\n"
         "# zsh completion for kdx, made by kdx completion zsh: the bash one, through\n"
         "# zsh's bashcompinit.\n"
         "autoload -U +X bashcompinit && bashcompinit\n";
  WriteBash(app, out);
}

// Text for roff: a leading dot or quote and backslashes escaped.
std::string Roff(const std::string& text) {
  std::string escaped;
  for (const char c : text) escaped += c == '\\' ? std::string("\\e") : std::string(1, c);
  if (!escaped.empty() && (escaped[0] == '.' || escaped[0] == '\'')) escaped = "\\&" + escaped;
  return escaped;
}

void WriteManual(const CLI::App& app, std::ostream& out) {
  out << ".TH KDX 1 \"\" \"Kardinex\" \"User Commands\"\n"
         ".SH NAME\nkdx \\- work with Kardinex documents from the command line\n"
         ".SH SYNOPSIS\n.B kdx\n[\\fB\\-\\-password\\-file\\fR \\fIFILE\\fR] \\fICOMMAND\\fR "
         "\\fIFILE\\fR [\\fIARGUMENTS\\fR]\n"
         ".SH DESCRIPTION\n"
      << Roff(app.get_description()) << "\n.SH COMMANDS\n";
  for (const CLI::App* cmd : Commands(app)) {
    std::string positionals;
    for (const CLI::Option* option : cmd->get_options()) {
      if (option->get_positional()) positionals += " " + option->get_name();
    }
    out << ".SS \"kdx " << cmd->get_name() << Roff(positionals) << "\"\n"
        << Roff(cmd->get_description()) << "\n";
    for (const CLI::Option* option : cmd->get_options()) {
      if (option->get_positional() || option->get_lnames().empty() ||
          option->get_lnames()[0] == "help") {
        continue;
      }
      out << ".TP\n.B \\-\\-" << option->get_lnames()[0];
      if (!option->get_type_name().empty() && option->get_expected_max() > 0) {
        out << " \\fI" << Roff(option->get_type_name()) << "\\fR";
      }
      out << "\n" << Roff(option->get_description()) << "\n";
    }
    // A command without a footer of its own repeats kdx's.
    if (!cmd->get_footer().empty() && cmd->get_footer() != app.get_footer()) {
      out << ".PP\n" << Roff(cmd->get_footer()) << "\n";
    }
  }
  out << ".SH NOTES\n" << Roff(app.get_footer()) << "\n";
}

}  // namespace

void AddManualCommands(CLI::App& app, KdxAction* action) {
  auto shell = std::make_shared<std::string>();
  auto* completion = app.add_subcommand("completion", "Print a shell completion script");
  completion->group("");  // not listed: the build uses it
  completion->add_option("SHELL", *shell, "bash or zsh")
      ->required()
      ->check(CLI::IsMember({"bash", "zsh"}));
  completion->callback([action, shell, &app] {
    *action = [shell, &app](std::ostream& out, std::ostream&) {
      if (*shell == "bash") {
        WriteBash(app, out);
      } else {
        WriteZsh(app, out);
      }
      return kExitOk;
    };
  });
  auto* manual = app.add_subcommand("manual", "Print the manual page (roff)");
  manual->group("");
  manual->callback([action, &app] {
    *action = [&app](std::ostream& out, std::ostream&) {
      WriteManual(app, out);
      return kExitOk;
    };
  });
}
