// verevizu watch: the watch lists of a record store, the serials that
// `serial --watch` looks out for.
#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

#include "cli/command.h"
#include "cli/stores.h"
#include "records/csv.h"
#include "records/watchlist.h"

namespace cli {
namespace {

// What each action takes besides --db.
struct TAction {
  std::string_view name;
  bool takesArgument;  // PATTERN or FILE.csv
  bool currency, reason, format;
};
constexpr TAction kActions[] = {
    {"add", true, true, true, false},
    {"remove", true, true, false, false},
    {"list", false, true, false, true},
    {"import", true, false, false, false},
};

class WatchCommand : public Command {
 public:
  std::string_view Name() const override { return "watch"; }
  std::string_view Summary() const override { return "the watch lists of a record store"; }
  std::string Description() const override {
    return "Keeps the watch lists in DB: serials to look out for, each with its currency\n"
           "and the reason. serial --watch DB marks the notes on them.\n"
           "  add PATTERN --currency CODE --reason TEXT  puts PATTERN on the list (a new\n"
           "                                            reason replaces the old one)\n"
           "  remove PATTERN --currency CODE            takes it off\n"
           "  list [--currency CODE]                    prints CURRENCY<TAB>PATTERN<TAB>\n"
           "                                            REASON<TAB>ADDED (UTC)\n"
           "  import FILE.csv                           adds the entries of a file of lines\n"
           "                                            currency,pattern,reason: all, or none\n"
           "                                            when a line is wrong (list --csv\n"
           "                                            writes such a file)\n"
           "A PATTERN is a serial (AB12345678C), a range of serials whose ends differ only\n"
           "in one run of digits (AB12340000-AB12349999; ends shorter than a serial match\n"
           "every serial that starts between them), or a prefix (AB1234*). It must fit\n"
           "the serials of its currency; a dollar star note's serial ending in \"*\" is that\n"
           "serial. DB is a SQLite file, or a PostgreSQL URI (postgresql://USER@HOST/DATABASE).\n"
           "JSON members of list: currency, pattern, reason, added.\n";
  }
  std::string Notes() const override {
    return "Exit codes: 0 done, 1 remove found no such entry, 2 usage error, 3 the store\n"
           "or the file could not be used.\n";
  }
  bool ReadsImages() const override { return false; }
  std::string Usage() const override {
    return "add|remove|list|import [PATTERN|FILE.csv] --db DB [OPTIONS]";
  }
  FileResult Process(LoadedImage&, const RunInfo&) const override { return {}; }

  void AddOptions(CLI::App& app) override {
    AddValueOption(app, "--db", "DB", kStoreHelp,
                   [this](const std::string& text) { store_ = text; });
    AddValueOption(app, "--currency", "CODE", "USD, EUR or LBP, in any case",
                   [this](const std::string& text) { currency_ = text; });
    AddValueOption(app, "--reason", "TEXT", "why the serials are watched",
                   [this](const std::string& text) { reason_ = text; });
    AddTableFormatOptions(app, format_);
    app.add_option("ARGS", args_, "the action and its PATTERN or FILE.csv");
  }

  int RunAlone(std::ostream& out, std::ostream& err) override {
    const TAction& action = CheckArguments();
    if (action.name == "add") return Add();
    if (action.name == "remove") return Remove(err);
    if (action.name == "list") return List(out);
    return Import(out);
  }

 private:
  // The action named, its arguments and options checked.
  const TAction& CheckArguments() const {
    if (args_.empty()) throw UsageError("no action given (add, remove, list or import)");
    const auto action = std::find_if(std::begin(kActions), std::end(kActions),
                                     [&](const TAction& a) { return a.name == args_[0]; });
    if (action == std::end(kActions))
      throw UsageError("'" + args_[0] + "' is not an action (add, remove, list or import)");
    const std::string name(action->name);
    if (args_.size() != (action->takesArgument ? 2u : 1u))
      throw UsageError(name + (action->takesArgument ? (name == "import" ? " takes one FILE.csv"
                                                                         : " takes one PATTERN")
                                                     : " takes no PATTERN"));
    if (store_.empty()) throw UsageError("no --db DB given");
    if (!action->currency && currency_) throw UsageError(name + " takes no --currency");
    if (action->currency && action->name != "list" && !currency_)
      throw UsageError(name + " needs --currency");
    if (!action->reason && reason_) throw UsageError(name + " takes no --reason");
    if (action->reason && !reason_) throw UsageError(name + " needs --reason");
    if (!action->format && format_ != tfText) throw UsageError(name + " takes no --json or --csv");
    return *action;
  }

  // The currency given, in its code; a usage error when it is none.
  std::string CurrencyCode() const {
    try {
      return records::WatchCurrencyCode(*currency_);
    } catch (const records::EPatternError& e) {
      throw UsageError(std::string("option --currency: ") + e.what());
    }
  }

  int Add() {
    records::TWatchEntry entry;
    try {
      entry = records::MakeWatchEntry(CurrencyCode(), args_[1], *reason_);
    } catch (const records::EPatternError& e) {
      throw UsageError(e.what());
    }
    const auto store = OpenStore(store_, records::saWrite);
    Guarded([&] { store->PutWatchEntries(std::span(&entry, 1)); });
    return 0;
  }

  // The pattern goes to the store as given, which takes it in its normal
  // form when it is a pattern: an entry that no longer is one can go too.
  int Remove(std::ostream& err) {
    const std::string currency = CurrencyCode();
    const auto store = OpenStore(store_, records::saWrite);
    bool removed = false;
    Guarded([&] { removed = store->RemoveWatchEntry(currency, args_[1]); });
    if (removed) return 0;
    err << "verevizu: " << args_[1] << " (" << currency << ") is not on the watch list\n";
    return 1;
  }

  int List(std::ostream& out) {
    const std::string currency = currency_ ? CurrencyCode() : "";
    std::vector<records::TWatchEntry> entries;
    const auto store = OpenStore(store_, records::saRead);
    Guarded([&] { entries = store->WatchEntries(); });
    TTablePrinter printer(out, format_, {"currency", "pattern", "reason"});
    for (const records::TWatchEntry& e : entries) {
      if (currency_ && e.Currency != currency) continue;
      // The CSV form is the one import reads: no time.
      std::vector<std::string> text = {e.Currency, e.Pattern, e.Reason};
      if (format_ == tfText) text.push_back(e.Added);
      printer.Row(text, {{"currency", e.Currency},
                         {"pattern", e.Pattern},
                         {"reason", e.Reason},
                         {"added", e.Added.empty() ? Json(nullptr) : Json(e.Added)}});
    }
    return 0;
  }

  int Import(std::ostream& out) {
    const std::string& file = args_[1];
    std::vector<records::TWatchEntry> entries;
    try {
      std::ifstream in(file, std::ios::binary);
      if (!in) throw std::runtime_error(std::strerror(errno));
      const std::string text((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
      if (in.bad()) throw std::runtime_error(std::strerror(errno));
      entries = records::ParseWatchCsv(text);
    } catch (const std::exception& e) {
      throw SetupError(file + ": " + e.what());
    }
    const auto store = OpenStore(store_, records::saWrite);
    Guarded([&] { store->PutWatchEntries(entries); });
    out << file << ": " << entries.size() << (entries.size() == 1 ? " entry" : " entries")
        << " imported\n";
    return 0;
  }

  // Runs a store operation with the tool's error for a store that fails.
  template <typename F>
  static void Guarded(F&& f) {
    try {
      f();
    } catch (const records::ERecordStoreError& e) {
      throw SetupError(e.what());
    }
  }

  std::string store_;
  std::optional<std::string> currency_, reason_;
  TTableFormat format_ = tfText;
  std::vector<std::string> args_;
};

}  // namespace

std::unique_ptr<Command> MakeWatchCommand() {
  return std::make_unique<WatchCommand>();
}

}  // namespace cli
