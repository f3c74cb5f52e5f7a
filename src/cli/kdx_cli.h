// The command-line tool kdx: the same core as the application, for users and scripts.
#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

// Exit statuses of kdx.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // the operation failed
inline constexpr int kExitUsage = 2;   // bad usage

// Where kdx reads what its arguments do not hold.
struct KdxConsole {
  std::istream* in = nullptr;  // standard input: the body of kdx add
  bool inIsTerminal = false;   // a person types the body, and is told how to end it
  bool outIsTerminal = false;  // a person reads the output: found words are highlighted
  // Asks a person for a password without echo (the prompt shown first); false
  // when there is nobody to ask. Empty: never asks.
  std::function<bool(const std::string& prompt, std::string* typed)> askPassword;
  // Asks a person a question (the prompt shown first), what they type shown;
  // false when there is nobody to ask (standard input or standard error is not
  // a terminal). Empty: never asks.
  std::function<bool(const std::string& prompt, std::string* typed)> askQuestion;
};

// The process's console: std::cin, and passwords asked at the controlling
// terminal (/dev/tty), so that the body may come through a pipe.
[[nodiscard]] KdxConsole KdxProcessConsole();

// Runs kdx with args (without the program name), writing to out and err.
[[nodiscard]] int KdxMain(const std::vector<std::string>& args, const KdxConsole& console,
                          std::ostream& out, std::ostream& err);
