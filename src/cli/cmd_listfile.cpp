#include "cli/commands.h"

void AddListFileCommands(CLI::App& /*app*/, KdxAction* /*action*/, const CliPasswordSource* /*password*/) {}
