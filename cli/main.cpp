// verevizu: the command-line tool. The subcommands are listed in commands.cpp.
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "cli/command.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  const std::vector<std::string> args(argv + 1, argv + argc);
  return cli::Run(args, std::cout, std::cerr, isatty(STDERR_FILENO) == 1);
}
