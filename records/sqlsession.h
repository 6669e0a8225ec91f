// The little of a SQL database the record store needs, so that the store's
// schema and statements are written once for SQLite and PostgreSQL alike.
// Values travel as text both ways (each database converts them by the
// column's type); statements write their parameters as "?".
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace records {

using TSqlValue = std::optional<std::string>;  // nullopt is NULL
using TSqlRow = std::vector<TSqlValue>;

class TSqlSession {
 public:
  virtual ~TSqlSession() = default;
  // Runs one statement; its rows, each value as text.
  virtual std::vector<TSqlRow> Query(std::string_view sql,
                                     std::span<const TSqlValue> params = {}) = 0;
  // Runs one statement; the number of rows it changed.
  virtual int64_t Execute(std::string_view sql, std::span<const TSqlValue> params = {}) = 0;
  // Starts a transaction that writes. SQLite takes its write lock at once,
  // so that a locked store is found before any statement runs.
  virtual void BeginWrite() = 0;
  // Inside a write transaction: waits until no other session is changing
  // the schema (PostgreSQL; SQLite's write lock already covers it).
  virtual void LockSchema() = 0;
  virtual void Commit() = 0;
  virtual void Rollback() noexcept = 0;
  virtual bool HasTable(std::string_view name) = 0;
};

// A SQLite file; with `write` it is made when missing. Throws with SQLite's
// message.
std::unique_ptr<TSqlSession> OpenSqliteSession(const std::string& path, bool write,
                                               std::chrono::milliseconds lockWait);
// A PostgreSQL database by its URI. Throws with the server's or libpq's message.
std::unique_ptr<TSqlSession> OpenPostgresSession(const std::string& uri,
                                                 std::chrono::milliseconds lockWait);

// A transaction that writes: committed by Commit, rolled back when it ends
// without (also when an exception passes).
class TWriteTransaction {
 public:
  explicit TWriteTransaction(TSqlSession& session) : session_(session) { session_.BeginWrite(); }
  ~TWriteTransaction() {
    if (!done_) session_.Rollback();
  }
  TWriteTransaction(const TWriteTransaction&) = delete;
  TWriteTransaction& operator=(const TWriteTransaction&) = delete;
  void Commit() {
    session_.Commit();
    done_ = true;
  }

 private:
  TSqlSession& session_;
  bool done_ = false;
};

}  // namespace records
