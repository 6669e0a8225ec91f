// What the commands that use a record store share: opening it with the
// tool's errors, and printing its rows as text, CSV or JSON lines.
#pragma once

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/command.h"
#include "records/recordstore.h"

namespace CLI {
class App;
}

namespace cli {

// The help line of a DB argument.
inline constexpr const char* kStoreHelp =
    "a SQLite file, or a PostgreSQL URI (postgresql://USER@HOST/DATABASE)";

// Opens the store; for writing, also checks that a record could be written
// now. Throws SetupError with the store's message.
std::unique_ptr<records::TRecordStore> OpenStore(const std::string& location,
                                                 records::TStoreAccess access);

// --json or --csv instead of tab-separated text.
enum TTableFormat : std::uint8_t { tfText, tfCsv, tfJson };
// Adds --json and --csv to a command; a second of them is a usage error.
void AddTableFormatOptions(CLI::App& app, TTableFormat& format);

// Prints rows of fields: tab-separated, CSV after a heading line, or one
// JSON object per line (its members named by the heading; `json` gives a
// row's object).
class TTablePrinter {
 public:
  TTablePrinter(std::ostream& out, TTableFormat format, std::vector<std::string> heading);
  // `text` for the text and CSV forms, `json` for JSON lines.
  void Row(const std::vector<std::string>& text, const Json& json);

 private:
  std::ostream& out_;
  TTableFormat format_;
};

}  // namespace cli
