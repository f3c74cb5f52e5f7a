// One function per kdx subcommand; each registers itself on the app.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

// What a subcommand runs once the arguments are parsed; returns the exit status.
using KdxAction = std::function<int(std::ostream& out, std::ostream& err)>;

struct CliPasswordSource;
struct CliSelection;

// --title and --cat1 to --cat3, picking entries besides (or instead of) the
// identifiers given.
void CliAddSelectionOptions(CLI::App* cmd, CliSelection* selection);

// A list option: one argument, its items separated by commas (--in body,note),
// so that it never takes the words after it; given again, the items add up.
template <typename T>
CLI::Option* AddListOption(CLI::App* cmd, const std::string& name, std::vector<T>* values,
                           const std::string& help, const std::string& typeName) {
  return cmd->add_option(name, *values, help)
      ->delimiter(',')
      ->allow_extra_args(false)
      ->type_name(typeName);
}

// --json (a JSON array of objects instead of tab-separated lines) and
// --no-header (the tab-separated lines without their header line).
inline void CliAddOutputFlags(CLI::App* cmd, bool* json, bool* noHeader) {
  auto* j = cmd->add_flag("--json", *json, "Print a JSON array of objects, one per line");
  cmd->add_flag("--no-header", *noHeader, "Leave out the header line")->excludes(j);
}

// Each adds one subcommand to app; *action is set when it is chosen. Commands
// that open a document for its entries honour its password through *password,
// filled by the time the action runs.
void AddInspectCommand(CLI::App& app, KdxAction* action);
// Hidden commands for the build: shell completion and the manual page.
void AddManualCommands(CLI::App& app, KdxAction* action);
void AddDetectCommand(CLI::App& app, KdxAction* action);
void AddDocumentCommands(CLI::App& app, KdxAction* action);
void AddPasswordCommand(CLI::App& app, KdxAction* action, const CliPasswordSource* password);
void AddEntryCommands(CLI::App& app, KdxAction* action, const CliPasswordSource* password);
void AddSetCommands(CLI::App& app, KdxAction* action, const CliPasswordSource* password);
void AddLabelsCommand(CLI::App& app, KdxAction* action, const CliPasswordSource* password);
void AddListCommand(CLI::App& app, KdxAction* action, const CliPasswordSource* password);
void AddImportCommand(CLI::App& app, KdxAction* action, const CliPasswordSource* password);
void AddExportCommand(CLI::App& app, KdxAction* action, const CliPasswordSource* password);
void AddListFileCommands(CLI::App& app, KdxAction* action, const CliPasswordSource* password);
void AddSearchCommand(CLI::App& app, KdxAction* action, const CliPasswordSource* password);
void AddCompactCommand(CLI::App& app, KdxAction* action, const CliPasswordSource* password);
void AddConvertCommand(CLI::App& app, KdxAction* action, const CliPasswordSource* password);
void AddPrintCommand(CLI::App& app, KdxAction* action, const CliPasswordSource* password);
