#include "cli/commands.h"

void AddSearchCommand(CLI::App& /*app*/, KdxAction* /*action*/, const CliPasswordSource* /*password*/) {}
