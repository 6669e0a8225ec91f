// The record store's SQL session on a SQLite file.
//
// The file runs in write-ahead-log mode: readers and one writer at a time
// work side by side, and several processes may record into one file (they
// take turns for the write lock, waiting up to the lock wait). Commits are
// synchronous to the log only (synchronous=NORMAL): a committed note
// survives the program being killed, but a power cut may lose the last
// commits. Statements are prepared once per session and kept.
#include <sqlite3.h>

#include <map>
#include <stdexcept>

#include "records/sqlsession.h"

namespace records {
namespace {

struct TCloseDatabase {
  void operator()(sqlite3* db) const { sqlite3_close(db); }
};
struct TFinalizeStatement {
  void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};

class TSqliteSession : public TSqlSession {
 public:
  TSqliteSession(const std::string& path, bool write, std::chrono::milliseconds lockWait) {
    const int flags = (write ? SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE : SQLITE_OPEN_READONLY) |
                      SQLITE_OPEN_NOMUTEX;
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
    db_.reset(db);
    if (rc != SQLITE_OK)
      throw std::runtime_error(db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
    sqlite3_busy_timeout(db, static_cast<int>(lockWait.count()));
    Query("PRAGMA synchronous = NORMAL", {});
    if (write) EnsureWriteAheadLog();
  }

  std::vector<TSqlRow> Query(std::string_view sql, std::span<const TSqlValue> params) override {
    sqlite3_stmt* s = Prepare(sql, params);
    std::vector<TSqlRow> rows;
    for (;;) {
      const int rc = sqlite3_step(s);
      if (rc == SQLITE_DONE) break;
      if (rc != SQLITE_ROW) Fail(s);
      TSqlRow row(static_cast<std::size_t>(sqlite3_column_count(s)));
      for (int c = 0; c < sqlite3_column_count(s); ++c) {
        if (sqlite3_column_type(s, c) == SQLITE_NULL) continue;
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(s, c));
        row[static_cast<std::size_t>(c)].emplace(
            text, static_cast<std::size_t>(sqlite3_column_bytes(s, c)));
      }
      rows.push_back(std::move(row));
    }
    sqlite3_reset(s);
    return rows;
  }

  int64_t Execute(std::string_view sql, std::span<const TSqlValue> params) override {
    sqlite3_stmt* s = Prepare(sql, params);
    int rc;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE) Fail(s);
    sqlite3_reset(s);
    return sqlite3_changes64(db_.get());
  }

  void BeginWrite() override { Execute("BEGIN IMMEDIATE", {}); }
  void LockSchema() override {}
  void Commit() override { Execute("COMMIT", {}); }
  void Rollback() noexcept override {
    if (sqlite3_get_autocommit(db_.get()) == 0)
      sqlite3_exec(db_.get(), "ROLLBACK", nullptr, nullptr, nullptr);
  }

  bool HasTable(std::string_view name) override {
    const TSqlValue params[] = {std::string(name)};
    return !Query("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?", params).empty();
  }

 private:
  // Write-ahead logging is a property of the file: set once, by the first
  // writer, and kept by every later opening. Refuses a file this user may
  // not write.
  void EnsureWriteAheadLog() {
    // SQLite opens the file when it first reads it; a read-only one is
    // opened for reading although writing was asked for.
    Query("PRAGMA schema_version", {});
    if (sqlite3_db_readonly(db_.get(), "main") == 1)
      throw std::runtime_error("the file is read-only");
    const std::vector<TSqlRow> mode = Query("PRAGMA journal_mode", {});
    if (!mode.empty() && mode[0][0] == "wal") return;
    Query("PRAGMA journal_mode = WAL", {});
  }

  sqlite3_stmt* Prepare(std::string_view sql, std::span<const TSqlValue> params) {
    auto it = statements_.find(sql);
    if (it == statements_.end()) {
      sqlite3_stmt* s = nullptr;
      if (sqlite3_prepare_v2(db_.get(), sql.data(), static_cast<int>(sql.size()), &s, nullptr) !=
          SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db_.get()));
      it = statements_.emplace(std::string(sql), s).first;
    }
    sqlite3_stmt* s = it->second.get();
    sqlite3_clear_bindings(s);
    for (std::size_t i = 0; i < params.size(); ++i) {
      const int index = static_cast<int>(i) + 1;
      const int rc = params[i]
                         ? sqlite3_bind_text(s, index, params[i]->data(),
                                             static_cast<int>(params[i]->size()), SQLITE_TRANSIENT)
                         : sqlite3_bind_null(s, index);
      if (rc != SQLITE_OK) throw std::runtime_error(sqlite3_errmsg(db_.get()));
    }
    return s;
  }

  [[noreturn]] void Fail(sqlite3_stmt* s) {
    const std::string message = sqlite3_errmsg(db_.get());
    sqlite3_reset(s);
    throw std::runtime_error(message);
  }

  std::unique_ptr<sqlite3, TCloseDatabase> db_;
  // Declared after the database, so that they are finalized before it closes.
  std::map<std::string, std::unique_ptr<sqlite3_stmt, TFinalizeStatement>, std::less<>> statements_;
};

}  // namespace

std::unique_ptr<TSqlSession> OpenSqliteSession(const std::string& path, bool write,
                                               std::chrono::milliseconds lockWait) {
  return std::make_unique<TSqliteSession>(path, write, lockWait);
}

}  // namespace records
