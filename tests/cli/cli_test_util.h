// Running the tool in-process, and a temporary folder per test.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/command.h"
#include "platform/memory.h"

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

// Writes a packed-DIB block as a bitmap file: the block behind a 14-byte
// file header whose pixel offset skips the info header and colour table.
inline void WriteBitmapFile(const std::filesystem::path& path, platform::BlockHandle dib) {
  platform::BlockLock lock(dib);
  const std::uint8_t* b = lock.data();
  auto le32 = [&](int at) {
    return static_cast<uint32_t>(b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (b[at + 3] << 24));
  };
  const uint32_t bitCount = b[14] | (b[15] << 8);
  uint32_t colours = le32(32);
  if (colours == 0 && bitCount <= 8) colours = 1u << bitCount;
  const auto size = static_cast<uint32_t>(14 + lock.size());
  const uint32_t offset = 14 + le32(0) + 4 * colours;
  std::vector<char> file(14);
  file[0] = 'B';
  file[1] = 'M';
  for (int i = 0; i < 4; ++i) {
    file[2 + i] = static_cast<char>(size >> (8 * i));
    file[10 + i] = static_cast<char>(offset >> (8 * i));
  }
  file.insert(file.end(), lock.data(), lock.data() + lock.size());
  std::ofstream(path, std::ios::binary)
      .write(file.data(), static_cast<std::streamsize>(file.size()));
}

}  // namespace clitest
