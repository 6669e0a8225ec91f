// The frame of the command-line tool: arguments, folders, loading, parallel
// runs with output in input order, progress bar, errors and exit codes.
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

#include "cli/command.h"

namespace cli {
namespace {

constexpr const char* kVersion = "verevizu 0.1.0\n";

constexpr const char* kCommonOptions =
    "\n"
    "Common options:\n"
    "  --page N    page of a multi-page file to read (default 1)\n"
    "  --json      one JSON object per file and line instead of text\n"
    "  --jobs N    files read in parallel (default: the number of cores)\n"
    "  --help      this text\n"
    "\n"
    "A folder stands for the image files in it, sorted by name. Exit codes: 0 every\n"
    "file gave a result, 1 some file gave none, 2 usage error, 3 some file could not\n"
    "be read.\n";

std::string ToolUsage(const std::vector<std::unique_ptr<Command>>& commands) {
  std::string s =
      "usage: verevizu [--help] [--version] COMMAND [OPTIONS] PATH...\n"
      "\n"
      "Reads banknote serial numbers, text and barcodes from scanned images.\n"
      "\n"
      "Commands:\n";
  for (const auto& c : commands) {
    std::string name(c->Name());
    name.resize(std::max<std::size_t>(name.size() + 2, 10), ' ');
    s += "  " + name + std::string(c->Summary()) + '\n';
  }
  s += "\nRun 'verevizu COMMAND --help' for the options of a command.\n";
  return s;
}

// The outcome of one file.
struct Outcome {
  std::optional<FileResult> result;  // empty when the file could not be read
  std::string error;
  int64_t ms = 0;
};

// Expands folders into their image files, sorted by name.
std::vector<std::string> ExpandPaths(const std::vector<std::string>& paths) {
  namespace fs = std::filesystem;
  const std::vector<std::string> extensions = RegisteredExtensions();
  const std::set<std::string> known(extensions.begin(), extensions.end());
  std::vector<std::string> files;
  for (const std::string& path : paths) {
    std::error_code ec;
    if (!fs::is_directory(path, ec)) {
      files.push_back(path);
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
    for (const std::string& name : inFolder) files.push_back(prefix + name);
  }
  return files;
}

Outcome RunOne(const Command& command, const std::string& file, const RunInfo& info) {
  const auto start = std::chrono::steady_clock::now();
  Outcome o;
  try {
    LoadedImage image = LoadImageFile(file, info.page, command.NeedsDib());
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

std::string OptionValue::Take() {
  if (inline_ != nullptr && !inlineUsed_) {
    inlineUsed_ = true;
    return *inline_;
  }
  if (consumed_ >= rest_.size())
    throw UsageError("option " + std::string(option_) + " needs a value");
  return rest_[consumed_++];
}

int32_t OptionValue::TakeInt(int32_t min, int32_t max) {
  const std::string text = Take();
  std::size_t used = 0;
  long long v = 0;
  try {
    v = std::stoll(text, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used != text.size() || text.empty() || v < min || v > max)
    throw UsageError("option " + std::string(option_) + ": '" + text + "' is not a number from " +
                     std::to_string(min) + " to " + std::to_string(max));
  return static_cast<int32_t>(v);
}

std::string JsonString(std::string_view s) {
  std::string out = "\"";
  for (const char ch : s) {
    const auto c = static_cast<unsigned char>(ch);
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20) {
          static constexpr char kHex[] = "0123456789abcdef";
          out += "\\u00";
          out += kHex[c >> 4];
          out += kHex[c & 15];
        } else {
          out += ch;
        }
    }
  }
  return out + '"';
}

std::string JsonMember(std::string_view name, std::string_view rawValue) {
  return JsonString(name) + ':' + std::string(rawValue);
}

LoadedImage LoadImageFile(const std::string& file, int32_t page, bool exportDib) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw std::runtime_error(std::strerror(errno));
  std::vector<std::uint8_t> data((std::istreambuf_iterator<char>(in)),
                                 std::istreambuf_iterator<char>());
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
  if (args.empty()) {
    err << ToolUsage(commands);
    return 2;
  }
  if (args[0] == "--help" || args[0] == "-h") {
    out << ToolUsage(commands);
    return 0;
  }
  if (args[0] == "--version") {
    out << kVersion;
    return 0;
  }
  const auto found = std::find_if(commands.begin(), commands.end(),
                                  [&](const auto& c) { return c->Name() == args[0]; });
  if (found == commands.end()) {
    err << "verevizu: unknown command '" << args[0]
        << "'\nRun 'verevizu --help' for the commands.\n";
    return 2;
  }
  Command& command = **found;
  const std::string commandHelp = command.Usage() + kCommonOptions;

  RunInfo info;
  int32_t jobs = static_cast<int32_t>(std::max(1u, std::thread::hardware_concurrency()));
  std::vector<std::string> paths;
  try {
    bool optionsEnded = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
      const std::string& a = args[i];
      if (optionsEnded || a.size() < 2 || a[0] != '-') {
        paths.push_back(a);
        continue;
      }
      if (a == "--") {
        optionsEnded = true;
        continue;
      }
      if (a == "--help" || a == "-h") {
        out << commandHelp;
        return 0;
      }
      const std::size_t eq = a.find('=');
      const std::string name = a.substr(0, eq);
      const std::optional<std::string> inlineValue =
          eq == std::string::npos ? std::nullopt : std::optional<std::string>(a.substr(eq + 1));
      OptionValue value(name, inlineValue ? &*inlineValue : nullptr,
                        std::span<const std::string>(args).subspan(i + 1));
      if (name == "--json") {
        info.json = true;
      } else if (name == "--page") {
        info.page = value.TakeInt(1, std::numeric_limits<int32_t>::max());
      } else if (name == "--jobs") {
        jobs = value.TakeInt(1, 1024);
      } else if (!command.ParseOption(name, value)) {
        throw UsageError("unknown option '" + name + "'");
      }
      if (inlineValue && !value.InlineUsed())
        throw UsageError("option " + name + " takes no value");
      i += value.Consumed();
    }
    if (paths.empty()) throw UsageError("no PATH given");
    info.fileCount = 0;
    paths = ExpandPaths(paths);
    info.fileCount = paths.size();
    command.Prepare(info);
  } catch (const UsageError& e) {
    err << "verevizu " << command.Name() << ": " << e.what() << "\nRun 'verevizu " << command.Name()
        << " --help' for its options.\n";
    return 2;
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
  const std::size_t threads = std::min<std::size_t>(static_cast<std::size_t>(jobs), n);
  // With one job the files run on this thread, one after the other, as they are printed.
  if (threads > 1)
    for (std::size_t t = 0; t < threads; ++t) workers.emplace_back(work);

  ProgressBar bar(err, errIsTerminal && n > 1, n);
  bool anyError = false, anyEmpty = false;
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
      if (info.json)
        out << '{' << JsonMember("file", JsonString(paths[i])) << ','
            << JsonMember("ms", std::to_string(o.ms)) << ','
            << JsonMember("error", JsonString(o.error)) << "}\n";
    } else {
      anyEmpty = anyEmpty || !o.result->found;
      if (info.json) {
        out << '{' << JsonMember("file", JsonString(paths[i])) << ','
            << JsonMember("ms", std::to_string(o.ms));
        if (!o.result->json.empty()) out << ',' << o.result->json;
        out << "}\n";
      } else {
        out << o.result->text;
      }
    }
    out << std::flush;
    bar.Show(i + 1);
  }
  bar.Erase();
  for (std::thread& t : workers) t.join();
  return anyError ? 3 : anyEmpty ? 1 : 0;
}

}  // namespace cli
