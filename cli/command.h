// The frame of the `verevizu` command-line tool, and how a subcommand joins it.
//
// The frame does everything common to the subcommands: the options --page N,
// --json, --jobs N and --help, expanding folders into their image files
// (sorted by name), loading each file through the graphic registry
// (TDibGraphic -> ExportPackedDib), running the files in parallel with output
// in input order, the progress bar, the "verevizu: FILE: message" errors and
// the exit codes (0 every file gave a result, 1 some file gave none, 2 usage
// error, 3 some file could not be read).
//
// Adding a subcommand:
//   1. Write cli/cmd_<name>.cpp with a class derived from cli::Command and a
//      factory `std::unique_ptr<Command> Make<Name>Command()`.
//   2. Declare the factory below and add one line to the table in
//      cli/commands.cpp (the order there is the order of --help).
//   3. Link the library it needs in cli/CMakeLists.txt.
// A subcommand implements:
//   - Name(), Summary() (one line for `verevizu --help`) and Usage() (the
//     text of `verevizu <name> --help`; the frame appends the common options);
//   - ParseOption(): offered every option the frame does not know, with an
//     OptionValue to take its argument from ("--x 5" and "--x=5" both work);
//     return false for an option that is not the subcommand's;
//   - Prepare(): once, after the options, before any file (may throw
//     UsageError for a bad combination);
//   - Process(): once per file, possibly on several threads at once, so it
//     must not change the command's state. It receives the loaded page as a
//     packed-DIB block (image.dib; attach it to a TDIB and release() the
//     owner, or leave it to be freed) and returns the plain text (complete
//     lines) and the JSON members of its result, and whether the file gave a
//     result at all. An exception from Process is reported as the file's
//     error.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/memory.h"
#include "viewer/dibgraphic.h"

namespace cli {

// A mistake on the command line: the tool prints it and exits with code 2.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// What the frame knows when the files are run.
struct RunInfo {
  std::size_t fileCount = 0;  // after folders were expanded
  bool json = false;
  int32_t page = 1;
};

// One file, loaded for a subcommand.
struct LoadedImage {
  std::string file;  // as given on the command line, or folder + name
  int32_t page = 1;
  // The page as a packed-DIB block (empty when the command needs none).
  platform::BlockOwner dib;
  // The decoded picture the block was exported from.
  std::unique_ptr<TDibGraphic> graphic;
  int32_t pages = 1;  // pages of the file
};

// The result of one file.
struct FileResult {
  bool found = true;  // false: read, but nothing found (exit code 1)
  std::string text;   // plain output: complete lines, each ending in '\n'
  std::string json;   // JSON members without braces: "\"width\":3,\"height\":2"
};

// The argument of an option: the text after '=' or the next argument.
class OptionValue {
 public:
  OptionValue(std::string_view option, const std::string* inlineValue,
              std::span<const std::string> rest)
      : option_(option), inline_(inlineValue), rest_(rest) {}
  std::string Take();
  // An integer in [min, max], else a UsageError.
  int32_t TakeInt(int32_t min, int32_t max);
  std::size_t Consumed() const { return consumed_; }
  bool InlineUsed() const { return inlineUsed_; }

 private:
  std::string_view option_;
  const std::string* inline_;
  std::span<const std::string> rest_;
  std::size_t consumed_ = 0;
  bool inlineUsed_ = false;
};

class Command {
 public:
  virtual ~Command() = default;
  virtual std::string_view Name() const = 0;
  virtual std::string_view Summary() const = 0;
  virtual std::string Usage() const = 0;
  virtual bool ParseOption(std::string_view option, OptionValue& value) { return false; }
  virtual void Prepare(const RunInfo& info) {}
  // Whether Process needs the packed-DIB block (info reads the picture only).
  virtual bool NeedsDib() const { return true; }
  virtual FileResult Process(LoadedImage& image, const RunInfo& info) const = 0;
};

// Loads page `page` (from 1) of a file through the graphic registry and
// exports it when `exportDib`. Throws with the message to show.
LoadedImage LoadImageFile(const std::string& file, int32_t page, bool exportDib = true);

// JSON helpers for the members a command returns.
std::string JsonString(std::string_view utf8);
std::string JsonMember(std::string_view name, std::string_view rawValue);  // "name":raw

// The subcommands, in the order of --help.
std::vector<std::unique_ptr<Command>> MakeCommands();
std::unique_ptr<Command> MakeInfoCommand();
std::unique_ptr<Command> MakeOcrCommand();
std::unique_ptr<Command> MakeBarcodeCommand();
std::unique_ptr<Command> MakeSerialCommand();

// The whole tool: arguments without the program name. Returns the exit code.
int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
        bool errIsTerminal);

}  // namespace cli
