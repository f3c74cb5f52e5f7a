// The command-line tool kdx: the same core as the application, for users and scripts.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

// Exit statuses of kdx.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // the operation failed
inline constexpr int kExitUsage = 2;   // bad usage

// Runs kdx with args (without the program name), writing to out and err.
[[nodiscard]] int KdxMain(const std::vector<std::string>& args, std::ostream& out,
                          std::ostream& err);
