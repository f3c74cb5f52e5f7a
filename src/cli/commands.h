// One function per kdx subcommand; each registers itself on the app.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <iosfwd>

// What a subcommand runs once the arguments are parsed; returns the exit status.
using KdxAction = std::function<int(std::ostream& out, std::ostream& err)>;

struct CliPasswordSource;

// Each adds one subcommand to app; *action is set when it is chosen. Commands
// that open a document for its entries honour its password through *password,
// filled by the time the action runs.
void AddInspectCommand(CLI::App& app, KdxAction* action);
void AddDetectCommand(CLI::App& app, KdxAction* action);
void AddDocumentCommands(CLI::App& app, KdxAction* action);
void AddPasswordCommand(CLI::App& app, KdxAction* action, const CliPasswordSource* password);
void AddEntryCommands(CLI::App& app, KdxAction* action, const CliPasswordSource* password);
void AddListCommand(CLI::App& app, KdxAction* action, const CliPasswordSource* password);
void AddImportCommand(CLI::App& app, KdxAction* action, const CliPasswordSource* password);
void AddExportCommand(CLI::App& app, KdxAction* action, const CliPasswordSource* password);
void AddListFileCommands(CLI::App& app, KdxAction* action, const CliPasswordSource* password);
void AddSearchCommand(CLI::App& app, KdxAction* action, const CliPasswordSource* password);
void AddCompactCommand(CLI::App& app, KdxAction* action, const CliPasswordSource* password);
