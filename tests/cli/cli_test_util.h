// Running the tool in-process, and a temporary folder per test.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli/command.h"

namespace clitest {

struct Output {
  int code;
  std::string out, err;
};

// The whole tool on `args` (without the program name); `terminal` says stderr is one.
inline Output RunTool(std::vector<std::string> args, bool terminal = false) {
  std::ostringstream out, err;
  const int code = cli::Run(args, out, err, terminal);
  return {code, out.str(), err.str()};
}

// A fresh folder named after the running test; the process id keeps suites
// run from several build trees at once apart.
inline std::filesystem::path FreshTestFolder(const std::string& prefix) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                    (prefix + std::to_string(::getpid()) + "_" +
                                     testing::UnitTest::GetInstance()->current_test_info()->name());
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

}  // namespace clitest
