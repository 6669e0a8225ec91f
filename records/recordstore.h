// The store of serial records and watch lists: every note a run read (file,
// content hash, time, currency, serial, validity, confidence, batch, tool
// version) and the entries of the watch lists (a serial pattern with its
// currency and the reason it is watched).
//
// One interface, two places to keep it: a SQLite file, the embedded default
// for one machine, and a PostgreSQL database for a centre's many machines
// writing to one store. OpenRecordStore picks by the location's form. The
// store carries its schema version: an older store is brought up to date in
// place inside one transaction when it is opened, a newer one is refused.
//
// A store object is used by one thread at a time (TRecorder, recorder.h,
// shares one between threads). Every failure is an ERecordStoreError whose
// message starts with the store's display name (a PostgreSQL password never
// shows).
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/exceptions.h"
#include "records/watchpattern.h"

namespace records {

class ERecordStoreError : public platform::Exception {
 public:
  using Exception::Exception;
};

// One note as a run read it.
struct TNoteRecord {
  std::string File;         // the absolute path of the scan
  std::string ContentHash;  // SHA-256 of the file's bytes, lower-case hex
  std::string Time;         // when it was read: UTC, "2024-05-01T10:34:56.123Z"
  std::string Currency;     // "USD", "EUR" or "LBP" (the one used for "AUTO")
  std::string Serial;       // UTF-8; empty when none was found
  bool Valid = false;
  double Confidence = 0;  // percent
  std::string Batch;
  std::string ToolVersion;  // "0.1.0"

  bool operator==(const TNoteRecord&) const = default;
};

// Which records a query returns; an empty member does not filter.
struct TRecordQuery {
  std::optional<TSerialPattern> Serial;
  std::optional<std::string> Batch;
  std::optional<std::string> Since;  // a time in the records' form: at or after it
};

// One entry of a watch list.
struct TWatchEntry {
  std::string Currency;  // "USD", "EUR" or "LBP"
  std::string Pattern;   // the pattern's text (TSerialPattern::Text)
  std::string Reason;
  // When it was first put on the list, in the records' form; empty when not
  // known (entries of the first schema). Set by the store.
  std::string Added = {};

  bool operator==(const TWatchEntry&) const = default;
};

enum TStoreAccess : std::uint8_t {
  saRead,   // queries only; a SQLite file must exist
  saWrite,  // also records and watch list changes; a SQLite file is made when missing
};

struct TStoreOptions {
  // How long to wait for another program's lock before giving up.
  std::chrono::milliseconds LockWait{5000};
};

class TRecordStore {
 public:
  virtual ~TRecordStore() = default;

  // The name to show for the store: the SQLite path, or the URI without its password.
  virtual const std::string& DisplayName() const = 0;
  // Throws unless a record could be written now: the store is read-only,
  // locked beyond the wait, or the user may not write.
  virtual void CheckWritable() = 0;

  // Adds the records in one transaction. A record of a batch, file and
  // content hash already stored is left out. Returns how many were added.
  virtual std::size_t AddRecords(std::span<const TNoteRecord> records) = 0;
  // The matching records, oldest first.
  virtual std::vector<TNoteRecord> FindRecords(const TRecordQuery& query) = 0;

  // Puts the entries on the lists in one transaction: all or none. An entry
  // whose currency and pattern are already listed gets the new reason.
  virtual void PutWatchEntries(std::span<const TWatchEntry> entries) = 0;
  // Removes an entry; false when it was not listed.
  virtual bool RemoveWatchEntry(const std::string& currency, const std::string& pattern) = 0;
  // Every entry, by currency and pattern.
  virtual std::vector<TWatchEntry> WatchEntries() = 0;
  // A number that changes whenever the lists change, so that a program that
  // keeps them in memory reloads only then.
  virtual int64_t WatchRevision() = 0;
};

// Opens the store at `location`: a "postgresql://" or "postgres://" URI, or
// the path of a SQLite file. Creates the schema when the store has none and
// migrates an older one.
std::unique_ptr<TRecordStore> OpenRecordStore(const std::string& location, TStoreAccess access,
                                              const TStoreOptions& options = {});

// Whether `location` names a PostgreSQL database rather than a SQLite file.
bool IsPostgresLocation(const std::string& location);

// The schema version this build writes.
inline constexpr int32_t kSchemaVersion = 2;

}  // namespace records
