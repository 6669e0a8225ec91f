// The frame of the command-line tool: the parser of the arguments and the
// option helpers, folders, loading, parallel runs with output in input
// order, progress bar, JSON lines, errors and exit codes.
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <mutex>
#include <optional>
#include <ostream>
#include <set>
#include <thread>

#include <CLI/CLI.hpp>

#include "cli/command.h"
#include "cli/shard.h"
#include "platform/streams.h"

namespace cli {
namespace {

constexpr const char* kVersion = "verevizu " VEREVIZU_VERSION;

constexpr const char* kCommonGroup = "Common options";

constexpr const char* kCommonNotes =
    "A folder stands for the image files in it, sorted by name. Exit codes: 0 every\n"
    "file gave a result, 1 some file gave none, 2 usage error, 3 some file could not\n"
    "be read.\n";

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
  int32_t jobs = static_cast<int32_t>(std::max(1u, std::thread::hardware_concurrency()));
  Shard shard;
  std::vector<std::string> paths;
};

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
// name inside the folder as its shard key.
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
    for (const fs::directory_entry& e : fs::directory_iterator(path, ec)) {
      std::error_code fileError;
      if (!e.is_regular_file(fileError)) continue;
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
    LoadedImage image = LoadImageFile(file, info.page, command.NeedsDib());
    if (!command.NeedsGraphic()) image.graphic.reset();
    o.result = command.Process(image, info);
  } catch (const std::bad_alloc&) {
    o.error = "Out of memory";
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

LoadedImage LoadImageFile(const std::string& file, int32_t page, bool exportDib) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw std::runtime_error(std::strerror(errno));
  std::vector<std::uint8_t> data = platform::ReadToEnd(in);
  if (in.bad()) throw std::runtime_error(std::strerror(errno));
  LoadedImage image;
  image.file = file;
  image.page = page;
  image.graphic = LoadGraphic(file, data, page);
  image.pages = std::max(1, image.graphic->PageCount());
  // Single-image formats have page 1 only; a multi-page decoder refuses a
  // missing page itself.
  if (page > image.pages)
    throw std::runtime_error("page " + std::to_string(page) + " does not exist (the file has " +
                             std::to_string(image.pages) +
                             (image.pages == 1 ? " page)" : " pages)"));
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
      err << "verevizu: " << paths[i] << ": " << o.error << '\n' << std::flush;
    } else {
      anyEmpty = anyEmpty || !o.result->found;
      anyAlert = anyAlert || o.result->alert;
    }
    if (info.json) {
      Json line = {{"file", paths[i]}, {"ms", o.ms}};
      if (o.result)
        line.update(o.result->json);
      else
        line["error"] = o.error;
      out << JsonText(line) << '\n';
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
