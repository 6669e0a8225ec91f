#include "cli/serial_records.h"

#include <CLI/CLI.hpp>
#include <chrono>
#include <filesystem>
#include <stdexcept>

#include "cli/stores.h"
#include "records/timestamps.h"

namespace cli {

const char* const TSerialRecords::kHelp =
    "--record DB keeps every note's reading in DB (a SQLite file, or a PostgreSQL URI\n"
    "postgresql://USER@HOST/DATABASE for several machines): file, content hash, time,\n"
    "currency, serial, validity, confidence, batch and tool version; a note's line is\n"
    "printed once it is stored, and the same file in the same batch is stored once.\n"
    "--watch DB marks notes whose serial is on a watch list of DB (verevizu watch):\n"
    "a last column \"WATCH: reason\", JSON member watch (entry, currency, reason, or\n"
    "null), and exit code 4. Only valid readings are compared: a note without a valid\n"
    "serial is neither matched nor cleared, so check such notes by hand.\n";

void TSerialRecords::AddOptions(CLI::App& app) {
  AddValueOption(app, "--record", "DB", "keep every note's reading in the record store DB",
                 [this](const std::string& text) { recordLocation_ = text; });
  AddValueOption(app, "--batch", "NAME",
                 "the batch the notes are recorded in (the run's date and time)",
                 [this](const std::string& text) {
                   if (text.empty()) throw UsageError("option --batch: an empty NAME");
                   batch_ = text;
                 });
  AddValueOption(app, "--watch", "DB", "mark notes on the watch lists of DB (exit code 4)",
                 [this](const std::string& text) { watchLocation_ = text; });
}

void TSerialRecords::Prepare() {
  if (batch_ && recordLocation_.empty()) throw UsageError("option --batch needs --record");
  if (!batch_) batch_ = records::DefaultBatchName(std::chrono::system_clock::now());
  if (!watchLocation_.empty()) {
    try {
      watch_ = std::make_unique<records::TWatchList>(
          OpenStore(watchLocation_, records::saRead)->WatchEntries());
    } catch (const records::ERecordStoreError& e) {
      throw SetupError(e.what());
    } catch (const records::EPatternError& e) {
      throw SetupError(watchLocation_ + ": a watch entry that is not valid: " + e.what());
    }
  }
  if (!recordLocation_.empty()) {
    store_ = OpenStore(recordLocation_, records::saWrite);
    recorder_ = std::make_unique<records::TRecorder>(*store_);
  }
}

void TSerialRecords::Apply(const LoadedImage& image, const TNoteReading& reading,
                           FileResult& result) const {
  if (watch_) MarkWatched(reading, result);
  if (recorder_) Record(image, reading);
}

void TSerialRecords::MarkWatched(const TNoteReading& reading, FileResult& result) const {
  const records::TWatchEntry* entry =
      reading.Valid ? watch_->Match(reading.Currency, reading.Serial) : nullptr;
  if (entry == nullptr) {
    result.json["watch"] = nullptr;
    return;
  }
  result.alert = true;
  result.json["watch"] = {
      {"entry", entry->Pattern}, {"currency", entry->Currency}, {"reason", entry->Reason}};
  if (!result.text.empty() && result.text.back() == '\n') result.text.pop_back();
  result.text += "\tWATCH: " + entry->Reason + '\n';
}

void TSerialRecords::Record(const LoadedImage& image, const TNoteReading& reading) const {
  records::TNoteRecord note;
  // Standard input has no place to name.
  note.File = image.path == "-" ? image.path
                                : std::filesystem::absolute(image.path).lexically_normal().string();
  note.ContentHash = image.contentHash;
  note.Time = records::RecordTime(std::chrono::system_clock::now());
  note.Currency = reading.Currency;
  note.Serial = reading.Serial;
  note.Valid = reading.Valid;
  note.Confidence = reading.Confidence;
  note.Batch = *batch_;
  note.ToolVersion = kToolVersion;
  try {
    recorder_->Record(std::move(note));
  } catch (const records::ERecordStoreError& e) {
    throw std::runtime_error(std::string("not recorded: ") + e.what());
  }
}

}  // namespace cli
