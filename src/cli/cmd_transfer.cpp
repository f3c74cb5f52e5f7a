#include "cli/commands.h"

void AddImportExportCommands(CLI::App& /*app*/, KdxAction* /*action*/, const CliPasswordSource* /*password*/) {}
