// The record store's SQL session on a PostgreSQL database (libpq).
//
// Parameters go as text and the server converts them by the columns' types;
// "?" in a statement becomes $1, $2... A statement that waits for another
// session's lock longer than the lock wait fails (lock_timeout), and so does
// a connection that takes longer than that to establish (connect_timeout,
// unless the URI sets its own).
#include <libpq-fe.h>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

#include "records/sqlsession.h"

namespace records {
namespace {

struct TFinishConnection {
  void operator()(PGconn* c) const { PQfinish(c); }
};
struct TClearResult {
  void operator()(PGresult* r) const { PQclear(r); }
};
using TResult = std::unique_ptr<PGresult, TClearResult>;

// libpq's messages start with their severity, end in a line break and may
// run over several lines.
std::string OneLine(const char* message) {
  std::string s = message != nullptr ? message : "";
  if (s.starts_with("ERROR:  ")) s.erase(0, 8);
  while (!s.empty() && (s.back() == '\n' || s.back() == ' ')) s.pop_back();
  std::replace(s.begin(), s.end(), '\n', ' ');
  std::replace(s.begin(), s.end(), '\t', ' ');
  return s;
}

// "?" to "$1", "$2"...: the store's statements hold no "?" of their own.
std::string Numbered(std::string_view sql) {
  std::string out;
  int n = 0;
  for (char c : sql) {
    if (c == '?') {
      out += '$' + std::to_string(++n);
    } else {
      out += c;
    }
  }
  return out;
}

// A whole number of seconds, at least 1 (libpq's connect_timeout counts seconds).
std::string Seconds(std::chrono::milliseconds wait) {
  return std::to_string(std::max<int64_t>(1, (wait.count() + 999) / 1000));
}

class TPostgresSession : public TSqlSession {
 public:
  TPostgresSession(const std::string& uri, std::chrono::milliseconds lockWait) {
    const std::string timeout = Seconds(lockWait);
    // Later keywords win: what the URI says overrides the default timeout.
    const char* const keywords[] = {"connect_timeout", "dbname", nullptr};
    const char* const values[] = {timeout.c_str(), uri.c_str(), nullptr};
    conn_.reset(PQconnectdbParams(keywords, values, 1));
    if (conn_ == nullptr) throw std::runtime_error("out of memory");
    if (PQstatus(conn_.get()) != CONNECTION_OK)
      throw std::runtime_error(OneLine(PQerrorMessage(conn_.get())));
    Execute("SET lock_timeout = " + std::to_string(lockWait.count()), {});
    // The store's own messages are enough; the server's notices go nowhere.
    PQsetNoticeProcessor(
        conn_.get(), [](void*, const char*) {}, nullptr);
  }

  std::vector<TSqlRow> Query(std::string_view sql, std::span<const TSqlValue> params) override {
    TResult r = Run(sql, params);
    std::vector<TSqlRow> rows(static_cast<std::size_t>(PQntuples(r.get())));
    const int columns = PQnfields(r.get());
    for (std::size_t i = 0; i < rows.size(); ++i) {
      rows[i].resize(static_cast<std::size_t>(columns));
      for (int c = 0; c < columns; ++c) {
        const int row = static_cast<int>(i);
        if (PQgetisnull(r.get(), row, c)) continue;
        rows[i][static_cast<std::size_t>(c)].emplace(PQgetvalue(r.get(), row, c),
                                                     PQgetlength(r.get(), row, c));
      }
    }
    return rows;
  }

  int64_t Execute(std::string_view sql, std::span<const TSqlValue> params) override {
    TResult r = Run(sql, params);
    const char* changed = PQcmdTuples(r.get());
    return changed[0] == '\0' ? 0 : std::strtoll(changed, nullptr, 10);
  }

  void BeginWrite() override { Execute("BEGIN", {}); }
  // A transaction-long advisory lock: two programs that find a store without
  // its schema must not both create it. The key is the store's own number.
  void LockSchema() override { Query("SELECT pg_advisory_xact_lock(7387238372)", {}); }
  void Commit() override { Execute("COMMIT", {}); }
  void Rollback() noexcept override {
    if (PQtransactionStatus(conn_.get()) != PQTRANS_IDLE) PQclear(PQexec(conn_.get(), "ROLLBACK"));
  }

  bool HasTable(std::string_view name) override {
    const TSqlValue params[] = {std::string(name)};
    return Query("SELECT to_regclass(?) IS NOT NULL", params)[0][0] == "t";
  }

 private:
  TResult Run(std::string_view sql, std::span<const TSqlValue> params) {
    std::vector<const char*> values;
    for (const TSqlValue& p : params) values.push_back(p ? p->c_str() : nullptr);
    TResult r(PQexecParams(conn_.get(), Numbered(sql).c_str(), static_cast<int>(values.size()),
                           nullptr, values.data(), nullptr, nullptr, 0));
    const ExecStatusType status = r ? PQresultStatus(r.get()) : PGRES_FATAL_ERROR;
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
      // The server's primary message, without the statement it quotes.
      const char* primary = r ? PQresultErrorField(r.get(), PG_DIAG_MESSAGE_PRIMARY) : nullptr;
      throw std::runtime_error(OneLine(primary != nullptr ? primary : PQerrorMessage(conn_.get())));
    }
    return r;
  }

  std::unique_ptr<PGconn, TFinishConnection> conn_;
};

}  // namespace

std::unique_ptr<TSqlSession> OpenPostgresSession(const std::string& uri,
                                                 std::chrono::milliseconds lockWait) {
  return std::make_unique<TPostgresSession>(uri, lockWait);
}

}  // namespace records
