// Running kdx inside a test: its exit status and both output streams.
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "cli/kdx_cli.h"

namespace kdx_test {

struct KdxRun {
  int status;
  std::string out;
  std::string err;
};

// Runs kdx on console; standard input is empty and nobody answers a password
// prompt unless console says otherwise.
inline KdxRun KdxOn(KdxConsole console, std::vector<std::string> args) {
  std::istringstream none;
  if (console.in == nullptr) console.in = &none;
  std::ostringstream out, err;
  int status = KdxMain(args, console, out, err);
  return {status, out.str(), err.str()};
}

inline KdxRun Kdx(std::vector<std::string> args) { return KdxOn({}, std::move(args)); }

// Runs kdx with input on standard input (kdx add reads the body there).
inline KdxRun KdxWithInput(const std::string& input, std::vector<std::string> args) {
  std::istringstream in(input);
  KdxConsole console;
  console.in = &in;
  return KdxOn(console, std::move(args));
}

// Runs kdx with input on standard input where it must succeed.
inline KdxRun KdxOk(std::vector<std::string> args, const std::string& input = {}) {
  KdxRun run = KdxWithInput(input, args);
  EXPECT_EQ(run.status, kExitOk) << args[0] << ": " << run.err;
  return run;
}

}  // namespace kdx_test
