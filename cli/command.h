// The frame of the `verevizu` command-line tool, and how a subcommand joins it.
//
// The frame does everything common to the subcommands: parsing the command
// line (CLI11) with the options --page N, --json, --jobs N, --shard K/N,
// --max-pixels N, --max-file-size SIZE, --timeout SECONDS and --help,
// expanding folders into their image files (sorted by name), taking the
// shard's share of them (cli/shard.h), reading each file within the limits
// and loading it through the graphic registry (TDibGraphic ->
// ExportPackedDib), running the files in
// parallel with output in input order, the progress bar, the JSON lines
// (nlohmann-json), the "verevizu: FILE: message" errors
// and the exit codes (0 every file gave a result, 1 some file gave none,
// 2 usage error, 3 some file could not be read, 4 some file raised an alert).
//
// Adding a subcommand:
//   1. Write cli/cmd_<name>.cpp with a class derived from cli::Command and a
//      factory `std::unique_ptr<Command> Make<Name>Command()`.
//   2. Declare the factory below and add one line to the table in
//      cli/commands.cpp (the order there is the order of --help).
//   3. Link the library it needs in cli/CMakeLists.txt.
// A subcommand implements:
//   - Name(), Summary() (one line for `verevizu --help`) and Description()
//     (the text of `verevizu <name> --help` above its options: what it
//     prints and its JSON members; the frame adds the usage line, the options
//     and the common notes);
//   - AddOptions(): registers its options on its CLI11 subcommand with
//     AddValueOption, AddNumberOption and AddFlag below, each with a line of
//     help, usually setting a member of the command:
//       AddFlag(app, "--no-split", "no splitting", [this] { split_ = false; });
//     "--x 5" and "--x=5" both work; a flag refuses a value. A value is
//     checked where it is taken: throw UsageError with the message;
//   - Prepare(): once, after the options, before any file (may throw
//     UsageError for a bad combination);
//   - Prepare() may also throw SetupError when something the command needs
//     before the first file cannot be used (exit code 3);
//   - Process(): once per file, possibly on several threads at once, so it
//     must not change the command's state. It receives the loaded page as a
//     packed-DIB block (image.dib; attach it to a TDIB and release() the
//     owner, or leave it to be freed) and returns the plain text (complete
//     lines), its JSON members as an object (they follow "file" and "ms" in
//     the order they were set), and whether the file gave a result at all.
//     An exception from Process is reported as the file's error.
#pragma once

#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "graphics/dibgraphic.h"
#include "platform/memory.h"

namespace CLI {
class App;
class Option;
}  // namespace CLI

namespace cli {

// A mistake on the command line: the tool prints it and exits with code 2.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Something a command needs before its first file cannot be used (a record
// store that is locked, unreachable or read-only): the tool prints it and
// exits with code 3 before any file is read.
class SetupError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The tool's version ("0.1.0"), as records keep it.
extern const char* const kToolVersion;

// JSON whose object members keep the order they were set in.
using Json = nlohmann::ordered_json;

// The limits a file must keep unless the command line says otherwise. A page
// scanned at 600 dpi has 35 million pixels (A4), a note a tenth of that.
inline constexpr int64_t kDefaultMaxPixels = 50'000'000;
inline constexpr int64_t kDefaultMaxFileSize = int64_t{256} << 20;

// What the frame knows when the files are run.
struct RunInfo {
  // Files of the whole batch after folders were expanded, before --shard
  // took its share: a shard prints the very lines it prints in a whole run.
  std::size_t fileCount = 0;
  bool json = false;
  int32_t page = 1;
  int64_t maxFileSize = kDefaultMaxFileSize;  // bytes
  double timeout = 0;                         // seconds per file; 0: none
};

// One file, loaded for a subcommand.
struct LoadedImage {
  // As given on the command line, or folder + name ("-": standard input).
  std::string path;
  // The same, escaped for a line of text (PlainField).
  std::string file;
  // SHA-256 of the file's bytes (records::ContentHash), when the command
  // asked for it: the bytes are hashed as they were read, so that a name
  // never has to be opened twice.
  std::string contentHash;
  int32_t page = 1;
  // The page as a packed-DIB block (empty when the command needs none).
  platform::BlockOwner dib;
  // The decoded picture the block was exported from.
  std::unique_ptr<TDibGraphic> graphic;
  int32_t pages = 1;  // pages of the file
};

// The result of one file.
struct FileResult {
  bool found = true;           // false: read, but nothing found (exit code 1)
  bool alert = false;          // the file needs a person's eyes (exit code 4)
  std::string text;            // plain output: complete lines, each ending in '\n'
  Json json = Json::object();  // the command's members: {"width": 3, "height": 2}
};

class Command {
 public:
  virtual ~Command() = default;
  virtual std::string_view Name() const = 0;
  virtual std::string_view Summary() const = 0;
  virtual std::string Description() const = 0;
  virtual void AddOptions(CLI::App& app) {}
  virtual void Prepare(const RunInfo& info) {}
  // Whether Process needs the packed-DIB block (info reads the picture only).
  virtual bool NeedsDib() const { return true; }
  // Whether Process reads the decoded picture as well as the block; when it
  // does not, the picture is freed before Process, so that the reader's copies
  // of the note reuse its memory.
  virtual bool NeedsGraphic() const { return !NeedsDib(); }
  // Whether Process needs the content hash of the file's bytes.
  virtual bool NeedsContentHash() const { return false; }
  virtual FileResult Process(LoadedImage& image, const RunInfo& info) const = 0;

  // A command that works on something else than image files (a record
  // store) leaves out the common options and PATH, registers its own
  // arguments, and is run once by RunAlone instead of Process; its usage
  // line shows what follows the command's name. RunAlone may throw
  // SetupError (exit code 3) and returns the exit code otherwise.
  // Its help ends in Notes() after the options (the exit codes), as the
  // others end in the notes every image command shares.
  virtual bool ReadsImages() const { return true; }
  virtual std::string Usage() const { return "[OPTIONS] PATH..."; }
  virtual std::string Notes() const { return {}; }
  virtual int RunAlone(std::ostream& out, std::ostream& err) { return 0; }
};

// An option with a value ("--name VALUE" or "--name=VALUE"); `take` receives
// the text and throws UsageError when it is not a valid value. `valueName`
// shows in the help ("N", "LIST", "none|smart|always").
CLI::Option* AddValueOption(CLI::App& app, const std::string& name, const std::string& valueName,
                            const std::string& help, std::function<void(const std::string&)> take);
// An integer option in [min, max], else "option NAME: 'TEXT' is not a number
// from MIN to MAX".
CLI::Option* AddNumberOption(CLI::App& app, const std::string& name, const std::string& help,
                             int32_t& value, int32_t min, int32_t max);
// A flag without a value; `set` runs when it is given.
CLI::Option* AddFlag(CLI::App& app, const std::string& name, const std::string& help,
                     std::function<void()> set);

// The bytes of a regular file of at most `maxBytes` bytes, or of standard
// input for "-". Nothing else is read: a folder, a FIFO or a device is
// refused before a byte is read, so none can block or fill memory.
// `beforeReading` runs once the file has passed those checks, before its
// first byte is read, and may refuse it too. Throws with the message to show.
std::vector<std::uint8_t> ReadInput(const std::string& file, int64_t maxBytes,
                                    const std::function<void()>& beforeReading = {});

// Loads page `page` (from 1) of a file through the graphic registry and
// exports it when `exportDib`. Standard input ("-") is recognised by the
// signature of its format. `hashContent` fills the image's contentHash.
// Throws with the message to show.
LoadedImage LoadImageFile(const std::string& file, int32_t page, bool exportDib = true,
                          int64_t maxFileSize = kDefaultMaxFileSize, bool hashContent = false);

// A JSON value on one line as the tool prints it: UTF-8 kept as it is, bytes
// that are not UTF-8 replaced by U+FFFD.
std::string JsonText(const Json& value);
// A file name as a JSON string that gives the name back exactly: UTF-8 kept
// as it is, and each byte that is not part of UTF-8 written as the JSON
// escape of the lone surrogate U+DC00 + byte (U+DCFE for 0xFE), the way
// Python's os.fsdecode and others carry such names.
std::string JsonName(std::string_view name);
// A text for one field of a tab-separated line: the backslash, control
// characters and bytes that are not part of UTF-8 escaped (\\, \t, \n, \r,
// \xNN), so that no text can break the line or its columns.
std::string PlainField(std::string_view text);

// A number as a JSON number in the form of the text output: a whole one as
// an integer (100, not 100.0), any other with its decimals.
inline Json NumberJson(double value) {
  if (value == std::trunc(value)) return static_cast<int64_t>(value);
  return value;
}

// A serial's confidence as the text output writes it.
inline Json ConfidenceJson(double confidence) {
  return NumberJson(confidence);
}

// The subcommands, in the order of --help.
std::vector<std::unique_ptr<Command>> MakeCommands();
std::unique_ptr<Command> MakeInfoCommand();
std::unique_ptr<Command> MakeOcrCommand();
std::unique_ptr<Command> MakeBarcodeCommand();
std::unique_ptr<Command> MakeSerialCommand();
std::unique_ptr<Command> MakeRecordsCommand();
std::unique_ptr<Command> MakeWatchCommand();

// The whole tool: arguments without the program name. Returns the exit code.
int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
        bool errIsTerminal);

}  // namespace cli
