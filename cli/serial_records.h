// What `verevizu serial` does beside reading: --record DB keeps every note's
// reading in a record store (--batch NAME names the run there), --watch DB
// marks the notes whose valid serial is on a watch list.
#pragma once

#include <memory>
#include <string>

#include "cli/command.h"
#include "records/recorder.h"
#include "records/recordstore.h"
#include "records/watchlist.h"

namespace cli {

// A note's reading as it is recorded and matched.
struct TNoteReading {
  std::string Serial;  // UTF-8
  double Confidence = 0;
  bool Valid = false;
  std::string Currency;
};

class TSerialRecords {
 public:
  // The help's paragraph on recording and watching.
  static const char* const kHelp;

  void AddOptions(CLI::App& app);
  // Opens the stores and loads the watch lists. Throws UsageError for
  // --batch without --record, SetupError for a store that cannot be used.
  void Prepare();
  // Marks a watch list match in the file's result (JSON "watch", a last
  // text column "WATCH: reason", the alert) and records the note; returns
  // once the record is committed. Any thread may call it.
  void Apply(const LoadedImage& image, const TNoteReading& reading, FileResult& result) const;
  // Whether notes are recorded, so that their files' bytes are hashed.
  bool Recording() const { return !recordLocation_.empty(); }

 private:
  void MarkWatched(const TNoteReading& reading, FileResult& result) const;
  void Record(const LoadedImage& image, const TNoteReading& reading) const;

  std::string recordLocation_, watchLocation_;
  std::optional<std::string> batch_;
  std::unique_ptr<records::TRecordStore> store_;
  std::unique_ptr<records::TRecorder> recorder_;
  std::unique_ptr<records::TWatchList> watch_;
};

}  // namespace cli
