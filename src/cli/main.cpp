#include <iostream>
#include <string>
#include <vector>

#include "cli/kdx_cli.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return KdxMain(args, KdxProcessConsole(), std::cout, std::cerr);
}
