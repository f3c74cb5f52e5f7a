// One function per kdx subcommand; each registers itself on the app.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <iosfwd>

// What a subcommand runs once the arguments are parsed; returns the exit status.
using KdxAction = std::function<int(std::ostream& out, std::ostream& err)>;

// Adds `kdx info` to app; *action is set when the subcommand is chosen.
void AddInfoCommand(CLI::App& app, KdxAction* action);
