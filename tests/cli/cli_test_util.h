// Running kdx inside a test: its exit status and both output streams.
#pragma once

#include <iostream>
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

inline KdxRun Kdx(std::vector<std::string> args) {
  std::ostringstream out, err;
  int status = KdxMain(args, out, err);
  return {status, out.str(), err.str()};
}

// Runs kdx with input on standard input (kdx add reads the body there).
inline KdxRun KdxWithInput(const std::string& input, std::vector<std::string> args) {
  std::istringstream in(input);
  std::streambuf* old = std::cin.rdbuf(in.rdbuf());
  KdxRun run = Kdx(std::move(args));
  std::cin.rdbuf(old);
  return run;
}

}  // namespace kdx_test
