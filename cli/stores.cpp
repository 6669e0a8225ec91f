#include "cli/stores.h"

#include <CLI/CLI.hpp>

#include "records/csv.h"

namespace cli {

std::unique_ptr<records::TRecordStore> OpenStore(const std::string& location,
                                                 records::TStoreAccess access) {
  try {
    std::unique_ptr<records::TRecordStore> store = records::OpenRecordStore(location, access);
    if (access == records::saWrite) store->CheckWritable();
    return store;
  } catch (const records::ERecordStoreError& e) {
    throw SetupError(e.what());
  }
}

void AddTableFormatOptions(CLI::App& app, TTableFormat& format) {
  const auto set = [&format](TTableFormat f) {
    if (format != tfText && format != f) throw UsageError("--json and --csv exclude each other");
    format = f;
  };
  AddFlag(app, "--json", "one JSON object per line instead of text", [set] { set(tfJson); });
  AddFlag(app, "--csv", "comma-separated values after a heading line", [set] { set(tfCsv); });
}

TTablePrinter::TTablePrinter(std::ostream& out, TTableFormat format,
                             std::vector<std::string> heading)
    : out_(out), format_(format) {
  if (format_ == tfCsv) out_ << records::CsvLine(heading) << '\n';
}

void TTablePrinter::Row(const std::vector<std::string>& text, const Json& json) {
  if (format_ == tfJson) {
    out_ << JsonText(json) << '\n';
  } else if (format_ == tfCsv) {
    out_ << records::CsvLine(text) << '\n';
  } else {
    for (std::size_t i = 0; i < text.size(); ++i) out_ << (i > 0 ? "\t" : "") << text[i];
    out_ << '\n';
  }
}

}  // namespace cli
