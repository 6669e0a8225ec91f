// verevizu: the command-line tool. Subcommands grow with the engines.
#include <cstring>
#include <iostream>

namespace {

constexpr const char* kUsage =
    "usage: verevizu [--help] [--version] COMMAND [OPTIONS] PATH...\n"
    "\n"
    "Reads banknote serial numbers, text and barcodes from scanned images.\n";

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
    std::cout << kUsage;
    return argc < 2 ? 2 : 0;
  }
  if (std::strcmp(argv[1], "--version") == 0) {
    std::cout << "verevizu 0.1.0\n";
    return 0;
  }
  std::cerr << "verevizu: unknown command '" << argv[1] << "'\n" << kUsage;
  return 2;
}
