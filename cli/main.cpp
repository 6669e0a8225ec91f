// verevizu: the command-line tool. The subcommands are listed in commands.cpp.
#include <unistd.h>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <iostream>
#include <string>
#include <vector>

#include "cli/command.h"

namespace {

// Each pass of a reading copies the note, so the same few large blocks are
// allocated and freed again and again. glibc maps blocks above its threshold
// afresh each time and returns freed memory to the system, so every copy paid
// for its pages twice (a fault per page on first touch); keeping such blocks
// in the heap lets the next copy reuse warm pages. 32 MiB (glibc's largest
// threshold) covers a true-colour A4 page at 300 dpi.
void KeepLargeBlocksInTheHeap() {
#if defined(__GLIBC__)
  constexpr int kLargestBlock = 32 * 1024 * 1024;
  mallopt(M_MMAP_THRESHOLD, kLargestBlock);
  mallopt(M_TRIM_THRESHOLD, 4 * kLargestBlock);
#endif
}

}  // namespace

int main(int argc, char** argv) {
  KeepLargeBlocksInTheHeap();
  std::ios::sync_with_stdio(false);
  const std::vector<std::string> args(argv + 1, argv + argc);
  return cli::Run(args, std::cout, std::cerr, isatty(STDERR_FILENO) == 1);
}
