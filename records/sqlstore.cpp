// The record store over a SQL session: one implementation for SQLite and
// PostgreSQL, which differ only in their sessions (sqlitesession.cpp,
// postgressession.cpp).
#include <algorithm>
#include <charconv>
#include <map>
#include <stdexcept>

#include "records/recordstore.h"
#include "records/schema.h"
#include "records/sqlsession.h"
#include "records/timestamps.h"
#include "records/watchlist.h"

namespace records {
namespace {

// Rows per INSERT statement: fewer round trips to a PostgreSQL server, and
// well within SQLite's limit of parameters per statement.
constexpr std::size_t kRowsPerStatement = 200;

constexpr std::string_view kRecordColumns =
    "file, content_hash, time, currency, serial, valid, confidence, batch, tool_version";

// The URI without its password, wherever it was written.
std::string RedactedUri(const std::string& uri) {
  std::string s = uri;
  const std::size_t scheme = s.find("://");
  if (scheme != std::string::npos) {
    const std::size_t authorityEnd = s.find_first_of("/?", scheme + 3);
    const std::size_t at = s.rfind('@', authorityEnd);
    if (at != std::string::npos && at > scheme) {
      const std::size_t colon = s.find(':', scheme + 3);
      if (colon != std::string::npos && colon < at) s.erase(colon, at - colon);
    }
  }
  const std::size_t query = s.find('?');
  if (query == std::string::npos) return s;
  std::string kept;
  std::size_t start = query + 1;
  while (start <= s.size()) {
    std::size_t end = s.find('&', start);
    if (end == std::string::npos) end = s.size();
    const std::string parameter = s.substr(start, end - start);
    if (!parameter.starts_with("password=") && !parameter.empty())
      kept += (kept.empty() ? "" : "&") + parameter;
    start = end + 1;
  }
  return s.substr(0, query) + (kept.empty() ? "" : "?" + kept);
}

// Numbers as text both ways in the C locale's form, whatever the program's locale.
double Number(const std::string& text) {
  double v = 0;
  if (std::from_chars(text.data(), text.data() + text.size(), v).ec != std::errc())
    throw std::runtime_error("'" + text + "' is not a number");
  return v;
}

std::string NumberText(double v) {
  char text[32];
  const auto r = std::to_chars(text, text + sizeof text, v);
  return std::string(text, r.ptr);
}

// "INSERT INTO table (columns) VALUES (?, ?), (?, ?) suffix" for `rows` rows.
std::string InsertStatement(std::string_view head, std::size_t columns, std::size_t rows,
                            std::string_view tail) {
  std::string row = "(";
  for (std::size_t c = 0; c < columns; ++c) row += c == 0 ? "?" : ", ?";
  row += ')';
  std::string sql(head);
  for (std::size_t r = 0; r < rows; ++r) sql += (r == 0 ? " VALUES " : ", ") + row;
  return sql + ' ' + std::string(tail);
}

// Runs a multi-row INSERT over `params` (`columns` values a row) in chunks;
// the rows it added.
int64_t InsertRows(TSqlSession& session, std::string_view head, std::size_t columns,
                   const std::vector<TSqlValue>& params, std::string_view tail) {
  int64_t added = 0;
  const std::size_t rows = params.size() / columns;
  for (std::size_t first = 0; first < rows; first += kRowsPerStatement) {
    const std::size_t n = std::min(kRowsPerStatement, rows - first);
    added += session.Execute(InsertStatement(head, columns, n, tail),
                             std::span(params).subspan(first * columns, n * columns));
  }
  return added;
}

std::unique_ptr<TSqlSession> Connect(const std::string& location, bool write,
                                     const TStoreOptions& options) {
  if (IsPostgresLocation(location)) return OpenPostgresSession(location, options.LockWait);
  return OpenSqliteSession(location, write, options.LockWait);
}

class TSqlRecordStore : public TRecordStore {
 public:
  TSqlRecordStore(const std::string& location, TStoreAccess access, const TStoreOptions& options)
      : name_(IsPostgresLocation(location) ? RedactedUri(location) : location) {
    Guarded([&] {
      session_ = Connect(location, access == saWrite, options);
      const int32_t version = SchemaVersion(*session_);
      if (version > kSchemaVersion) RefuseNewerSchema(version);
      if (version == 0 && access == saRead)
        throw std::runtime_error("holds no serial records or watch lists");
      if (version < kSchemaVersion) {
        // A SQLite file opened for reading is migrated through a session that may write.
        if (access == saRead && !IsPostgresLocation(location)) {
          MigrateSchema(*Connect(location, true, options));
        } else {
          MigrateSchema(*session_);
        }
      }
    });
  }

  const std::string& DisplayName() const override { return name_; }

  void CheckWritable() override {
    Guarded([&] {
      // A row that would be written, and is not: the store's locks and
      // rights are tried without changing it.
      TWriteTransaction transaction(*session_);
      const std::vector<TSqlValue> probe = {"", "", "", "", "", "0", "0", "", ""};
      InsertRows(*session_, "INSERT INTO verevizu_readings (" + std::string(kRecordColumns) + ")",
                 probe.size(), probe, "ON CONFLICT DO NOTHING");
    });
  }

  std::size_t AddRecords(std::span<const TNoteRecord> records) override {
    return Guarded([&] {
      std::vector<TSqlValue> params;
      params.reserve(records.size() * 9);
      for (const TNoteRecord& r : records) {
        for (const std::string* v : {&r.File, &r.ContentHash, &r.Time, &r.Currency, &r.Serial})
          params.emplace_back(*v);
        params.emplace_back(r.Valid ? "1" : "0");
        params.emplace_back(NumberText(r.Confidence));
        params.emplace_back(r.Batch);
        params.emplace_back(r.ToolVersion);
      }
      TWriteTransaction transaction(*session_);
      const int64_t added = InsertRows(
          *session_, "INSERT INTO verevizu_readings (" + std::string(kRecordColumns) + ")", 9,
          params, "ON CONFLICT (batch, file, content_hash) DO NOTHING");
      transaction.Commit();
      return static_cast<std::size_t>(added);
    });
  }

  std::vector<TNoteRecord> FindRecords(const TRecordQuery& query) override {
    return Guarded([&] {
      std::string sql = "SELECT " + std::string(kRecordColumns) + " FROM verevizu_readings";
      std::vector<TSqlValue> params;
      const auto where = [&](std::string_view condition, std::string value) {
        sql += params.empty() ? " WHERE " : " AND ";
        sql += condition;
        params.emplace_back(std::move(value));
      };
      if (query.Batch) where("batch = ?", *query.Batch);
      if (query.Since) where("time >= ?", *query.Since);
      // The characters every match starts with narrow the rows; the pattern
      // decides. (Equality, unlike an order, means the same in every collation.)
      if (query.Serial) {
        const std::string_view start = query.Serial->FixedStart();
        where("substr(serial, 1, " + std::to_string(start.size()) + ") = ?", std::string(start));
      }
      sql += " ORDER BY time, file";
      std::vector<TNoteRecord> records;
      for (TSqlRow& row : session_->Query(sql, params)) {
        TNoteRecord r{*row[0],        *row[1],         *row[2], *row[3], *row[4],
                      *row[5] == "1", Number(*row[6]), *row[7], *row[8]};
        if (!query.Serial || query.Serial->Matches(r.Serial)) records.push_back(std::move(r));
      }
      return records;
    });
  }

  void PutWatchEntries(std::span<const TWatchEntry> entries) override {
    // One row per currency and pattern, the last reason given winning, so
    // that a statement never changes a row twice.
    std::map<std::pair<std::string, std::string>, std::string> rows;
    for (const TWatchEntry& e : entries) {
      const TWatchEntry checked = MakeWatchEntry(e.Currency, e.Pattern, e.Reason);
      rows[{checked.Currency, checked.Pattern}] = checked.Reason;
    }
    const std::string now = RecordTime(std::chrono::system_clock::now());
    Guarded([&] {
      std::vector<TSqlValue> params;
      params.reserve(rows.size() * 4);
      for (const auto& [key, reason] : rows) {
        params.emplace_back(key.first);
        params.emplace_back(key.second);
        params.emplace_back(reason);
        params.emplace_back(now);
      }
      TWriteTransaction transaction(*session_);
      InsertRows(*session_, "INSERT INTO verevizu_watch (currency, pattern, reason, added)", 4,
                 params, "ON CONFLICT (currency, pattern) DO UPDATE SET reason = excluded.reason");
      CountWatchChange();
      transaction.Commit();
    });
  }

  bool RemoveWatchEntry(const std::string& currency, const std::string& pattern) override {
    // The pattern in its normal form when it is one; as given otherwise, so
    // that an entry made by other means can still go.
    std::string text = pattern;
    try {
      text = ParseSerialPattern(pattern, currency).Text();
    } catch (const EPatternError&) {
    }
    return Guarded([&] {
      const TSqlValue params[] = {currency, text};
      TWriteTransaction transaction(*session_);
      const bool removed =
          session_->Execute("DELETE FROM verevizu_watch WHERE currency = ? AND pattern = ?",
                            params) > 0;
      if (removed) CountWatchChange();
      transaction.Commit();
      return removed;
    });
  }

  std::vector<TWatchEntry> WatchEntries() override {
    return Guarded([&] {
      std::vector<TWatchEntry> entries;
      for (TSqlRow& row : session_->Query("SELECT currency, pattern, reason, added"
                                          " FROM verevizu_watch ORDER BY currency, pattern",
                                          {}))
        entries.push_back(
            {std::move(*row[0]), std::move(*row[1]), std::move(*row[2]), row[3].value_or("")});
      return entries;
    });
  }

  int64_t WatchRevision() override {
    return Guarded([&] {
      return std::stoll(*session_->Query("SELECT watch_revision FROM verevizu_schema", {})[0][0]);
    });
  }

 private:
  void CountWatchChange() {
    session_->Execute("UPDATE verevizu_schema SET watch_revision = watch_revision + 1", {});
  }

  // Runs `f`, giving any failure of the database the store's name.
  template <typename F>
  auto Guarded(F&& f) -> decltype(f()) {
    try {
      return f();
    } catch (const ERecordStoreError&) {
      throw;
    } catch (const std::exception& e) {
      throw ERecordStoreError(name_ + ": " + e.what());
    }
  }

  std::string name_;
  std::unique_ptr<TSqlSession> session_;
};

}  // namespace

bool IsPostgresLocation(const std::string& location) {
  return location.starts_with("postgresql://") || location.starts_with("postgres://");
}

std::unique_ptr<TRecordStore> OpenRecordStore(const std::string& location, TStoreAccess access,
                                              const TStoreOptions& options) {
  return std::make_unique<TSqlRecordStore>(location, access, options);
}

}  // namespace records
