// The frame of the command-line tool: the parser of the arguments and the
// option helpers, folders, loading, parallel runs with output in input
// order, progress bar, JSON lines, errors and exit codes.
#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <filesystem>
#include <iterator>
#include <limits>
#include <mutex>
#include <optional>
#include <ostream>
#include <set>
#include <string_view>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <CLI/CLI.hpp>

#include "cli/command.h"
#include "cli/shard.h"
#include "platform/deadline.h"
#include "records/contenthash.h"

namespace cli {
namespace {

constexpr const char* kVersion = "verevizu " VEREVIZU_VERSION;

constexpr const char* kCommonGroup = "Common options";

constexpr const char* kCommonNotes =
    "A folder stands for the image files in it, sorted by name; each entry named\n"
    "like one gets a line or an error. Only regular files are read, and - for\n"
    "standard input. In text, a name's control characters, backslashes and bytes\n"
    "that are not UTF-8 are escaped (\\t, \\n, \\\\, \\xNN); in JSON such bytes\n"
    "are written as the escapes of U+DC80 to U+DCFF, so that every name comes back\n"
    "exactly. Exit codes: 0 every file gave a result, 1 some file gave none, 2 usage\n"
    "error, 3 some file could not be read.\n";

// The command of that name.
Command& CommandNamed(const std::vector<std::unique_ptr<Command>>& commands,
                      const std::string& name) {
  return **std::find_if(commands.begin(), commands.end(),
                        [&](const auto& c) { return c->Name() == name; });
}

// Help in the tool's layout. The tool: its usage line, what it does and the
// commands. A command: its usage line, its text (the subcommand's footer,
// since its description is the summary the tool lists), its options by group
// and the common notes.
class HelpFormatter : public CLI::Formatter {
 public:
  explicit HelpFormatter(const std::vector<std::unique_ptr<Command>>& commands)
      : commands_(commands) {
    column_width(22);
  }

  std::string make_help(const CLI::App* app, std::string name,
                        CLI::AppFormatMode mode) const override {
    if (app->get_parent() == nullptr) {
      return "usage: " + name + " [--help] [--version] COMMAND [OPTIONS] PATH...\n\n" +
             app->get_description() + make_subcommands(app, mode) + '\n' + app->get_footer();
    }
    const Command& command = CommandNamed(commands_, app->get_name());
    const std::string notes = command.ReadsImages() ? kCommonNotes : command.Notes();
    return "usage: " + name + ' ' + command.Usage() + "\n\n" + app->get_footer() +
           OptionGroups(*app) + (notes.empty() ? "" : '\n' + notes);
  }

 private:
  // The options by group, in the order the groups were first used.
  std::string OptionGroups(const CLI::App& app) const {
    std::string s;
    for (const std::string& group : app.get_groups()) {
      const std::vector<const CLI::Option*> options = app.get_options(
          [&](const CLI::Option* o) { return o->get_group() == group && o->nonpositional(); });
      if (!options.empty()) s += make_group(group, false, options);
    }
    return s;
  }

  const std::vector<std::unique_ptr<Command>>& commands_;
};

// The frame's settings from the command line.
struct Settings {
  RunInfo info;
  int32_t maxPixels = kDefaultMaxPixels;
  int32_t jobs = static_cast<int32_t>(std::max(1u, std::thread::hardware_concurrency()));
  Shard shard;
  std::vector<std::string> paths;
};

// A size in bytes, with an optional K, M or G (powers of 1024), at least 1.
int64_t ParseSize(const std::string& option, const std::string& text) {
  static constexpr std::string_view kUnits = "KMG";
  std::size_t used = 0;
  long long v = -1;
  try {
    v = std::stoll(text, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  int shift = 0;
  if (used + 1 == text.size() && kUnits.find(text.back()) != std::string_view::npos) {
    shift = 10 * (static_cast<int>(kUnits.find(text.back())) + 1);
    ++used;
  }
  if (used != text.size() || text.empty() || text[0] == '-' || text[0] == '+' || v < 1 ||
      v > (std::numeric_limits<int64_t>::max() >> shift))
    throw UsageError("option " + option + ": '" + text +
                     "' is not a size (bytes, or N with K, M or G)");
  return static_cast<int64_t>(v) << shift;
}

// A number of seconds above 0; fractions are allowed.
double ParseSeconds(const std::string& option, const std::string& text) {
  std::size_t used = 0;
  double v = 0;
  try {
    v = std::stod(text, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used != text.size() || text.empty() || !(v > 0) || v > 1e9)
    throw UsageError("option " + option + ": '" + text + "' is not a number of seconds above 0");
  return v;
}

// The options every command shares, after the command's own.
void AddCommonOptions(CLI::App& command, Settings& settings) {
  AddNumberOption(command, "--page", "page of a multi-page file to read (default 1)",
                  settings.info.page, 1, std::numeric_limits<int32_t>::max())
      ->group(kCommonGroup);
  AddFlag(command, "--json", "one JSON object per file and line instead of text", [&settings] {
    settings.info.json = true;
  })->group(kCommonGroup);
  AddNumberOption(command, "--jobs", "files read in parallel (default: the number of cores)",
                  settings.jobs, 1, 1024)
      ->group(kCommonGroup);
  AddValueOption(command, "--shard", "K/N",
                 "the K-th of N shares of the files, for one of N machines (1/1)",
                 [&settings](const std::string& text) { settings.shard = ParseShard(text); })
      ->group(kCommonGroup);
  AddNumberOption(command, "--max-pixels",
                  "refuse a picture of more pixels than this (50000000)\n"
                  "before decoding it",
                  settings.maxPixels, 1, std::numeric_limits<int32_t>::max())
      ->group(kCommonGroup);
  AddValueOption(command, "--max-file-size", "SIZE",
                 "refuse a file larger than this, in bytes or with K, M or\n"
                 "G (256M), before reading it",
                 [&settings](const std::string& text) {
                   settings.info.maxFileSize = ParseSize("--max-file-size", text);
                 })
      ->group(kCommonGroup);
  AddValueOption(command, "--timeout", "SECONDS",
                 "give up a file after this long with an error, and go on\n"
                 "with the next (default: no limit)",
                 [&settings](const std::string& text) {
                   settings.info.timeout = ParseSeconds("--timeout", text);
                 })
      ->group(kCommonGroup);
  command.set_help_flag("-h,--help", "this text")->group(kCommonGroup);
  command.add_option("PATH", settings.paths, "image files, or folders of them");
}

// The parser of the whole command line: the tool and a subcommand per command.
void BuildParser(CLI::App& tool, const std::vector<std::unique_ptr<Command>>& commands,
                 Settings& settings) {
  tool.description("Reads banknote serial numbers, text and barcodes from scanned images.\n");
  tool.footer("Run 'verevizu COMMAND --help' for the options of a command.\n");
  tool.formatter(std::make_shared<HelpFormatter>(commands));
  // A repeated option counts with its last value, as in most tools.
  tool.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  tool.set_help_flag("-h,--help", "this text");
  tool.set_version_flag("--version", kVersion);
  // Unknown arguments are reported by Run in the tool's words.
  tool.allow_extras();
  // One command at most, so that a PATH named like a command stays a PATH.
  tool.require_subcommand(0, 1);
  for (const auto& command : commands) {
    CLI::App& sub =
        *tool.add_subcommand(std::string(command->Name()), std::string(command->Summary()));
    sub.group("Commands");
    sub.footer(command->Description());
    sub.allow_extras();
    command->AddOptions(sub);
    if (command->ReadsImages()) {
      AddCommonOptions(sub, settings);
    } else {
      sub.set_help_flag("-h,--help", "this text");
    }
  }
}

// An integer option's value in [min, max].
int32_t ParseNumber(const std::string& option, const std::string& text, int32_t min, int32_t max) {
  std::size_t used = 0;
  long long v = 0;
  try {
    v = std::stoll(text, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used != text.size() || text.empty() || v < min || v > max)
    throw UsageError("option " + option + ": '" + text + "' is not a number from " +
                     std::to_string(min) + " to " + std::to_string(max));
  return static_cast<int32_t>(v);
}

// An option's name without its "=VALUE".
std::string OptionName(const std::string& argument) {
  return argument.substr(0, argument.find('='));
}

// The command chosen on the command line, or null.
const CLI::App* ChosenCommand(const CLI::App& tool) {
  const std::vector<CLI::App*> chosen = tool.get_subcommands();
  return chosen.empty() ? nullptr : chosen[0];
}

// Prints a mistake on the command line with where to find help; `command`
// is null for the tool's own arguments. Returns the exit code.
int UsageFailure(std::ostream& err, const CLI::App* command, const std::string& message) {
  if (command == nullptr) {
    err << "verevizu: " << message << "\nRun 'verevizu --help' for the commands.\n";
  } else {
    err << "verevizu " << command->get_name() << ": " << message << "\nRun 'verevizu "
        << command->get_name() << " --help' for its options.\n";
  }
  return 2;
}

// Prints why a command could not start. Returns the exit code.
int SetupFailure(std::ostream& err, const std::string& message) {
  err << "verevizu: " << message << '\n';
  return 3;
}

// Runs a command that reads no images, once, on its own arguments;
// `afterDashes`: the command line went on after "--". Returns the exit code.
int RunAlone(Command& command, const CLI::App& chosen, bool afterDashes, std::ostream& out,
             std::ostream& err) {
  try {
    if (!chosen.remaining().empty())
      throw UsageError("unknown option '" + OptionName(chosen.remaining()[0]) + "'");
    if (afterDashes) throw UsageError("unknown option '--'");
    return command.RunAlone(out, err);
  } catch (const UsageError& e) {
    return UsageFailure(err, &chosen, e.what());
  } catch (const SetupError& e) {
    return SetupFailure(err, e.what());
  }
}

// The outcome of one file.
struct Outcome {
  std::optional<FileResult> result;  // empty when the file could not be read
  std::string error;
  int64_t ms = 0;
};

// Expands folders into their image files, sorted by name; a file keeps its
// name inside the folder as its shard key. Every entry named like an image
// file is listed, whatever it is: a dangling link, a FIFO or a folder then
// gets its error line when it is read, as when it is named directly.
std::vector<ListedFile> ExpandPaths(const std::vector<std::string>& paths) {
  namespace fs = std::filesystem;
  const std::vector<std::string> extensions = RegisteredExtensions();
  const std::set<std::string> known(extensions.begin(), extensions.end());
  std::vector<ListedFile> files;
  for (const std::string& path : paths) {
    std::error_code ec;
    if (!fs::is_directory(path, ec)) {
      files.push_back({path, path});
      continue;
    }
    std::vector<std::string> inFolder;
    fs::directory_iterator entries(path, ec);
    if (ec) {
      // A folder that cannot be listed is reported when it is read.
      files.push_back({path, path});
      continue;
    }
    for (const fs::directory_entry& e : entries) {
      const std::string name = e.path().filename().string();
      if (name.find('.') == std::string::npos || !known.count(GraphicExtension(name))) continue;
      inFolder.push_back(name);
    }
    std::sort(inFolder.begin(), inFolder.end());
    const std::string prefix = path.empty() || path.back() == '/' ? path : path + '/';
    for (const std::string& name : inFolder) files.push_back({prefix + name, name});
  }
  return files;
}

Outcome RunOne(const Command& command, const std::string& file, const RunInfo& info) {
  const auto start = std::chrono::steady_clock::now();
  Outcome o;
  try {
    const platform::TDeadlineScope deadline(info.timeout);
    LoadedImage image = LoadImageFile(file, info.page, command.NeedsDib(), info.maxFileSize,
                                      command.NeedsContentHash());
    if (!command.NeedsGraphic()) image.graphic.reset();
    platform::CheckDeadline();
    o.result = command.Process(image, info);
    // A command whose reader has no checks of its own still keeps the limit.
    platform::CheckDeadline();
  } catch (const std::bad_alloc&) {
    o.error = "Out of memory";
  } catch (const EImageTooLarge& e) {
    o.error = e.what() + std::string(" (--max-pixels)");
  } catch (const platform::ETimeLimit& e) {
    o.error = e.what() + std::string(" (--timeout)");
  } catch (const std::exception& e) {
    o.error = e.what();
  }
  o.ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               start)
             .count();
  return o;
}

class ProgressBar {
 public:
  ProgressBar(std::ostream& err, bool enabled, std::size_t total)
      : err_(err), enabled_(enabled), total_(total) {}
  void Show(std::size_t done) {
    if (!enabled_) return;
    constexpr std::size_t kWidth = 30;
    const std::size_t filled = done * kWidth / total_;
    err_ << "\r[" << std::string(filled, '#') << std::string(kWidth - filled, '.') << "] " << done
         << '/' << total_ << std::flush;
  }
  void Erase() {
    if (enabled_) err_ << "\r\033[K" << std::flush;
  }

 private:
  std::ostream& err_;
  bool enabled_;
  std::size_t total_;
};

}  // namespace

CLI::Option* AddValueOption(CLI::App& app, const std::string& name, const std::string& valueName,
                            const std::string& help, std::function<void(const std::string&)> take) {
  return app.add_option_function<std::string>(name, std::move(take), help)->type_name(valueName);
}

CLI::Option* AddNumberOption(CLI::App& app, const std::string& name, const std::string& help,
                             int32_t& value, int32_t min, int32_t max) {
  return AddValueOption(app, name, "N", help, [name, &value, min, max](const std::string& text) {
    value = ParseNumber(name, text, min, max);
  });
}

CLI::Option* AddFlag(CLI::App& app, const std::string& name, const std::string& help,
                     std::function<void()> set) {
  // The parser hands a bare flag over as "true", and "--flag=VALUE" as VALUE.
  return app.add_flag(name, help)->each([name, set = std::move(set)](const std::string& value) {
    if (value != "true") throw UsageError("option " + name + " takes no value");
    set();
  });
}

std::string JsonText(const Json& value) {
  return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

namespace {

// The length of the UTF-8 sequence starting at text[i] (1 to 4), or 0 when the
// bytes there are not one: overlong forms, surrogates and code points beyond
// U+10FFFF are not UTF-8.
std::size_t Utf8Length(std::string_view text, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char c = byte(i);
  if (c < 0x80) return 1;
  std::size_t n = 0;
  uint32_t cp = 0;
  if (c >= 0xC2 && c <= 0xDF)
    n = 2, cp = c & 0x1F;
  else if (c >= 0xE0 && c <= 0xEF)
    n = 3, cp = c & 0x0F;
  else if (c >= 0xF0 && c <= 0xF4)
    n = 4, cp = c & 0x07;
  else
    return 0;
  if (i + n > text.size()) return 0;
  for (std::size_t k = 1; k < n; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (byte(i + k) & 0x3F);
  }
  const bool overlong = (n == 3 && cp < 0x800) || (n == 4 && cp < 0x10000);
  if (overlong || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) return 0;
  return n;
}

constexpr const char* kHexDigits = "0123456789abcdef";

// The escapes of `text` for one kind of output: `escape` gets each byte that is
// ASCII or not part of UTF-8 and returns what to write for it (empty: the
// byte itself); sequences of UTF-8 pass unchanged.
template <class Escape>
std::string Escaped(std::string_view text, const Escape& escape) {
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t n = Utf8Length(text, i);
    if (n > 1) {
      out.append(text.substr(i, n));
      i += n;
      continue;
    }
    const auto c = static_cast<unsigned char>(text[i]);
    const std::string e = escape(c, n == 1);
    if (e.empty())
      out += static_cast<char>(c);
    else
      out += e;
    ++i;
  }
  return out;
}

}  // namespace

std::string JsonName(std::string_view name) {
  return '"' +
         Escaped(name,
                 [](unsigned char c, bool ascii) -> std::string {
                   if (!ascii)
                     return std::string("\\udc") + kHexDigits[c >> 4] + kHexDigits[c & 15];
                   if (c == '"' || c == '\\' || c < 0x20) {
                     // JSON's own escape of the byte, without the quotes.
                     const std::string quoted = JsonText(std::string(1, static_cast<char>(c)));
                     return quoted.substr(1, quoted.size() - 2);
                   }
                   return {};
                 }) +
         '"';
}

std::string PlainField(std::string_view text) {
  return Escaped(text, [](unsigned char c, bool ascii) -> std::string {
    if (c == '\\') return "\\\\";
    if (c == '\t') return "\\t";
    if (c == '\n') return "\\n";
    if (c == '\r') return "\\r";
    if (!ascii || c < 0x20 || c == 0x7F)
      return std::string("\\x") + kHexDigits[c >> 4] + kHexDigits[c & 15];
    return {};
  });
}

std::vector<std::uint8_t> ReadInput(const std::string& file, int64_t maxBytes,
                                    const std::function<void()>& beforeReading) {
  const bool standardInput = file == "-";
  // Opened without waiting, so that a FIFO with no writer cannot block the open.
  const int fd =
      standardInput ? STDIN_FILENO : ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) throw std::runtime_error(std::strerror(errno));
  struct Closer {
    int fd;
    bool close;
    ~Closer() {
      if (close) ::close(fd);
    }
  } closer{fd, !standardInput};
  struct stat st {};
  if (::fstat(fd, &st) != 0) throw std::runtime_error(std::strerror(errno));
  if (!standardInput) {
    if (S_ISDIR(st.st_mode)) throw std::runtime_error("is a folder, not a file");
    if (!S_ISREG(st.st_mode)) throw std::runtime_error("not a regular file");
  }
  const auto tooLarge = [maxBytes](int64_t bytes, bool atLeast) {
    return std::runtime_error("file too large: " + std::string(atLeast ? "more than " : "") +
                              std::to_string(bytes) + " bytes, more than the limit of " +
                              std::to_string(maxBytes) + " (--max-file-size)");
  };
  if (S_ISREG(st.st_mode) && st.st_size > maxBytes) throw tooLarge(st.st_size, false);
  if (beforeReading) beforeReading();
  // Read up to one byte past the limit: a file that grew, or standard input,
  // is refused as soon as it passes it. A regular file is read into a buffer
  // of its size; the read that finds its end goes to a small block, so that
  // the buffer is never enlarged (and copied) for a file of the size stated.
  std::vector<std::uint8_t> data;
  data.reserve(S_ISREG(st.st_mode) ? static_cast<std::size_t>(st.st_size) : 0);
  constexpr std::size_t kBlock = 1 << 16;
  std::array<std::uint8_t, kBlock> block;
  for (;;) {
    const std::size_t have = data.size();
    const std::size_t room = data.capacity() - have;
    const auto want = static_cast<std::size_t>(
        std::min<int64_t>(room > 0 ? room : kBlock, maxBytes + 1 - static_cast<int64_t>(have)));
    std::uint8_t* to = room > 0 ? nullptr : block.data();
    if (to == nullptr) {
      data.resize(have + want);
      to = data.data() + have;
    }
    const ssize_t got = ::read(fd, to, want);
    const bool failed = got < 0;
    const int readError = errno;
    if (to != block.data()) data.resize(have + static_cast<std::size_t>(failed ? 0 : got));
    if (failed && readError == EINTR) continue;
    if (failed) throw std::runtime_error(std::strerror(readError));
    if (to == block.data()) data.insert(data.end(), block.begin(), block.begin() + got);
    if (static_cast<int64_t>(data.size()) > maxBytes) throw tooLarge(maxBytes, true);
    if (got == 0) return data;
  }
}

LoadedImage LoadImageFile(const std::string& file, int32_t page, bool exportDib,
                          int64_t maxFileSize, bool hashContent) {
  // A file no reader knows is refused before its bytes are read for nothing.
  const std::vector<std::uint8_t> data = ReadInput(file, maxFileSize, [&file] {
    if (file != "-") RequireGraphicFormat(file);
  });
  // Standard input has no name to tell its format by: its signature does.
  std::string name = file;
  if (file == "-") {
    const std::string extension = GraphicExtensionOfData(data);
    if (extension.empty())
      throw std::runtime_error("standard input is not an image of a known format");
    name = "-." + extension;
  }
  LoadedImage image;
  image.path = file;
  image.file = PlainField(file);
  if (hashContent) image.contentHash = records::ContentHash(data);
  image.page = page;
  image.graphic = LoadGraphic(name, data, page);
  image.pages = std::max(1, image.graphic->PageCount());
  // Single-image formats have page 1 only; a multi-page decoder refuses a
  // missing page itself.
  if (page > image.pages) throw EPageNotFound(page, image.pages);
  if (exportDib) image.dib.reset(image.graphic->ExportPackedDib());
  return image;
}

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
        bool errIsTerminal) {
  const std::vector<std::unique_ptr<Command>> commands = MakeCommands();
  Settings settings;
  CLI::App tool("", "verevizu");
  BuildParser(tool, commands, settings);
  // Every argument after "--" is a PATH. They are kept from CLI11, which
  // would hand those after a command's "--" back to the tool once the command
  // has a PATH.
  const auto pathsOnly = std::find(args.begin(), args.end(), "--");
  const std::vector<std::string> parsed(args.begin(), pathsOnly);
  try {
    std::vector<std::string> lastFirst(parsed.rbegin(), parsed.rend());  // the order CLI11 takes
    tool.parse(lastFirst);
  } catch (const CLI::CallForHelp&) {
    out << tool.help();
    return 0;
  } catch (const CLI::CallForVersion& e) {
    out << e.what() << '\n';
    return 0;
  } catch (const CLI::ArgumentMismatch&) {
    // The one mistake the parser finds itself: an option that ends the
    // command line without its value.
    return UsageFailure(err, ChosenCommand(tool),
                        "option " + OptionName(parsed.back()) + " needs a value");
  } catch (const CLI::ParseError& e) {
    return UsageFailure(err, ChosenCommand(tool), e.what());
  } catch (const UsageError& e) {
    return UsageFailure(err, ChosenCommand(tool), e.what());
  }
  if (!tool.remaining().empty())
    return UsageFailure(err, nullptr, "unknown command '" + tool.remaining()[0] + "'");
  if (ChosenCommand(tool) == nullptr) {
    err << tool.help();
    return 2;
  }
  const CLI::App& chosen = *ChosenCommand(tool);
  Command& command = CommandNamed(commands, chosen.get_name());
  if (!command.ReadsImages()) return RunAlone(command, chosen, pathsOnly != args.end(), out, err);
  RunInfo& info = settings.info;
  std::vector<std::string>& paths = settings.paths;
  TDibGraphic::SetMaxImagePixels(settings.maxPixels);
  try {
    if (!chosen.remaining().empty())
      throw UsageError("unknown option '" + OptionName(chosen.remaining()[0]) + "'");
    if (pathsOnly != args.end()) paths.insert(paths.end(), std::next(pathsOnly), args.end());
    if (paths.empty()) throw UsageError("no PATH given");
    const std::vector<ListedFile> files = ExpandPaths(paths);
    info.fileCount = files.size();
    paths = FilesOfShard(files, settings.shard);
    command.Prepare(info);
  } catch (const UsageError& e) {
    return UsageFailure(err, &chosen, e.what());
  } catch (const SetupError& e) {
    return SetupFailure(err, e.what());
  }

  const std::size_t n = paths.size();
  std::vector<std::optional<Outcome>> outcomes(n);
  std::mutex mutex;
  std::condition_variable ready;
  std::atomic<std::size_t> next{0};
  const auto work = [&] {
    for (std::size_t i = next++; i < n; i = next++) {
      Outcome o = RunOne(command, paths[i], info);
      std::lock_guard<std::mutex> lock(mutex);
      outcomes[i] = std::move(o);
      ready.notify_all();
    }
  };
  std::vector<std::thread> workers;
  const std::size_t threads = std::min<std::size_t>(static_cast<std::size_t>(settings.jobs), n);
  // With one job the files run on this thread, one after the other, as they are printed.
  if (threads > 1)
    for (std::size_t t = 0; t < threads; ++t) workers.emplace_back(work);

  ProgressBar bar(err, errIsTerminal && n > 1, n);
  bool anyError = false, anyEmpty = false, anyAlert = false;
  for (std::size_t i = 0; i < n; ++i) {
    Outcome o;
    if (threads > 1) {
      std::unique_lock<std::mutex> lock(mutex);
      ready.wait(lock, [&] { return outcomes[i].has_value(); });
      o = std::move(*outcomes[i]);
    } else {
      o = RunOne(command, paths[i], info);
    }
    bar.Erase();
    if (!o.result) {
      anyError = true;
      err << "verevizu: " << PlainField(paths[i]) << ": " << o.error << '\n' << std::flush;
    } else {
      anyEmpty = anyEmpty || !o.result->found;
      anyAlert = anyAlert || o.result->alert;
    }
    if (info.json) {
      // The name is written by JsonName, which keeps every byte of it.
      Json line = {{"ms", o.ms}};
      if (o.result)
        line.update(o.result->json);
      else
        line["error"] = o.error;
      out << "{\"file\":" << JsonName(paths[i]) << ',' << JsonText(line).substr(1) << '\n';
    } else if (o.result) {
      out << o.result->text;
    }
    out << std::flush;
    bar.Show(i + 1);
  }
  bar.Erase();
  for (std::thread& t : workers) t.join();
  return anyAlert ? 4 : anyError ? 3 : anyEmpty ? 1 : 0;
}

}  // namespace cli
