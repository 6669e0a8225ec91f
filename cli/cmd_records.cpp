// verevizu records: the notes that `serial --record` kept in a record store,
// chosen by serial pattern, batch and time.
#include <CLI/CLI.hpp>

#include "cli/command.h"
#include "cli/stores.h"
#include "records/timestamps.h"
#include "serial/confidencetext.h"

namespace cli {
namespace {

class RecordsCommand : public Command {
 public:
  std::string_view Name() const override { return "records"; }
  std::string_view Summary() const override { return "the notes recorded in a record store"; }
  std::string Description() const override {
    return "Prints the notes that serial --record kept in DB, oldest first, one a line:\n"
           "TIME<TAB>BATCH<TAB>FILE<TAB>CURRENCY<TAB>SERIAL<TAB>CONFIDENCE<TAB>valid|not valid\n"
           "<TAB>CONTENT HASH<TAB>TOOL VERSION, the time in UTC and the hash SHA-256.\n"
           "DB is a SQLite file, or a PostgreSQL URI (postgresql://USER@HOST/DATABASE).\n"
           "A PATTERN is a serial (AB12345678C), a range of serials (AB12340000-AB12349999)\n"
           "or a prefix (AB1234*). A TIME is a date (2024-05-01) or a date and time\n"
           "(2024-05-01 14:30, 2024-05-01T14:30:00Z), local unless it names its zone.\n"
           "JSON members: time, batch, file, currency, serial, confidence, valid,\n"
           "content_hash, tool_version.\n";
  }
  std::string Notes() const override {
    return "Exit codes: 0 some note was found, 1 none was, 2 usage error, 3 the store\n"
           "could not be read.\n";
  }
  bool ReadsImages() const override { return false; }
  std::string Usage() const override { return "[OPTIONS] DB"; }
  FileResult Process(LoadedImage&, const RunInfo&) const override { return {}; }

  void AddOptions(CLI::App& app) override {
    AddValueOption(app, "--serial", "PATTERN", "notes whose serial matches PATTERN",
                   [this](const std::string& text) {
                     try {
                       query_.Serial = records::ParseSerialPattern(text, "");
                     } catch (const records::EPatternError& e) {
                       throw UsageError(std::string("option --serial: ") + e.what());
                     }
                   });
    AddValueOption(app, "--batch", "NAME", "notes of the batch NAME",
                   [this](const std::string& text) { query_.Batch = text; });
    AddValueOption(app, "--since", "TIME", "notes read at TIME or later",
                   [this](const std::string& text) {
                     query_.Since = records::ParseRecordTime(text);
                     if (!query_.Since)
                       throw UsageError("option --since: '" + text + "' is not a date and time");
                   });
    AddTableFormatOptions(app, format_);
    app.add_option("DB", stores_, kStoreHelp);
  }

  int RunAlone(std::ostream& out, std::ostream&) override {
    if (stores_.size() != 1) throw UsageError(stores_.empty() ? "no DB given" : "one DB only");
    const std::unique_ptr<records::TRecordStore> store = OpenStore(stores_[0], records::saRead);
    std::vector<records::TNoteRecord> found;
    try {
      found = store->FindRecords(query_);
    } catch (const records::ERecordStoreError& e) {
      throw SetupError(e.what());
    }
    TTablePrinter printer(out, format_,
                          {"time", "batch", "file", "currency", "serial", "confidence", "valid",
                           "content_hash", "tool_version"});
    for (const records::TNoteRecord& r : found) {
      const std::string confidence = ConfidenceText(r.Confidence);
      const std::string valid =
          format_ == tfCsv ? (r.Valid ? "true" : "false") : (r.Valid ? "valid" : "not valid");
      printer.Row({r.Time, r.Batch, r.File, r.Currency, r.Serial, confidence, valid, r.ContentHash,
                   r.ToolVersion},
                  {{"time", r.Time},
                   {"batch", r.Batch},
                   {"file", r.File},
                   {"currency", r.Currency},
                   {"serial", r.Serial},
                   {"confidence", ConfidenceJson(r.Confidence)},
                   {"valid", r.Valid},
                   {"content_hash", r.ContentHash},
                   {"tool_version", r.ToolVersion}});
    }
    return found.empty() ? 1 : 0;
  }

 private:
  records::TRecordQuery query_;
  TTableFormat format_ = tfText;
  std::vector<std::string> stores_;
};

}  // namespace

std::unique_ptr<Command> MakeRecordsCommand() {
  return std::make_unique<RecordsCommand>();
}

}  // namespace cli
