// The table of subcommands: one line per subcommand, in the order of --help.
#include "cli/command.h"

namespace cli {

const char* const kToolVersion = VEREVIZU_VERSION;

std::vector<std::unique_ptr<Command>> MakeCommands() {
  std::vector<std::unique_ptr<Command>> commands;
  commands.push_back(MakeInfoCommand());
  commands.push_back(MakeOcrCommand());
  commands.push_back(MakeBarcodeCommand());
  commands.push_back(MakeSerialCommand());
  commands.push_back(MakeRecordsCommand());
  commands.push_back(MakeWatchCommand());
  return commands;
}

}  // namespace cli
