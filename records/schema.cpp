#include "records/schema.h"

#include <array>
#include <stdexcept>
#include <string>
#include <string_view>

#include "records/recordstore.h"

namespace records {
namespace {

// The statements that take a store from the version before to `Version`.
// Written in the SQL that SQLite and PostgreSQL share.
struct TMigration {
  int32_t Version;
  std::array<std::string_view, 4> Statements;  // empty ones are skipped
};

constexpr std::array<TMigration, 2> kMigrations = {{
    // The first schema: the readings of every run, and the watch lists.
    {1,
     {"CREATE TABLE verevizu_schema (version INTEGER NOT NULL)",
      "INSERT INTO verevizu_schema (version) VALUES (0)",
      // A reading is stored once per batch, file and content: recording the
      // same scan into the same batch again adds nothing.
      "CREATE TABLE verevizu_readings ("
      " file TEXT NOT NULL, content_hash TEXT NOT NULL, time TEXT NOT NULL,"
      " currency TEXT NOT NULL, serial TEXT NOT NULL, valid INTEGER NOT NULL,"
      " confidence DOUBLE PRECISION NOT NULL, batch TEXT NOT NULL, tool_version TEXT NOT NULL,"
      " UNIQUE (batch, file, content_hash))",
      "CREATE TABLE verevizu_watch ("
      " currency TEXT NOT NULL, pattern TEXT NOT NULL, reason TEXT NOT NULL,"
      " PRIMARY KEY (currency, pattern))"}},
    // When each watch entry was listed (unknown for the entries before); a
    // revision of the lists that every change counts up, so that a program
    // holding them in memory sees a change with one small query; records
    // found by time without reading them all.
    {2,
     {"ALTER TABLE verevizu_watch ADD COLUMN added TEXT",
      "ALTER TABLE verevizu_schema ADD COLUMN watch_revision BIGINT NOT NULL DEFAULT 0",
      "CREATE INDEX verevizu_readings_time ON verevizu_readings (time)"}},
}};
static_assert(kMigrations.back().Version == kSchemaVersion,
              "the last migration reaches the version this build writes");

}  // namespace

int32_t SchemaVersion(TSqlSession& session) {
  if (!session.HasTable("verevizu_schema")) return 0;
  const std::vector<TSqlRow> rows = session.Query("SELECT version FROM verevizu_schema", {});
  if (rows.size() != 1 || !rows[0][0])
    throw std::runtime_error("the store's schema version is missing (verevizu_schema has " +
                             std::to_string(rows.size()) + " rows)");
  return std::stoi(*rows[0][0]);
}

void RefuseNewerSchema(int32_t version) {
  throw std::runtime_error("the store has schema version " + std::to_string(version) +
                           ", newer than this verevizu's (" + std::to_string(kSchemaVersion) +
                           "): use a newer verevizu");
}

void MigrateSchema(TSqlSession& session) {
  TWriteTransaction transaction(session);
  session.LockSchema();
  // Read again under the lock: another program may have migrated meanwhile.
  const int32_t version = SchemaVersion(session);
  if (version > kSchemaVersion) RefuseNewerSchema(version);
  if (version == kSchemaVersion) return;
  for (const TMigration& step : kMigrations) {
    if (step.Version <= version) continue;
    for (std::string_view statement : step.Statements) {
      if (!statement.empty()) session.Execute(statement, {});
    }
  }
  const TSqlValue params[] = {std::to_string(kSchemaVersion)};
  session.Execute("UPDATE verevizu_schema SET version = ?", params);
  transaction.Commit();
}

}  // namespace records
