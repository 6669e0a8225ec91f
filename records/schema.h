// The record store's schema and its versions. Every version is reached from
// the one before by its migration step; a new store runs them all. The
// version is the one row of verevizu_schema.
#pragma once

#include <cstdint>

#include "records/sqlsession.h"

namespace records {

// The version of the store behind the session: 0 when it has no schema yet.
int32_t SchemaVersion(TSqlSession& session);
// Brings the store up to kSchemaVersion in one transaction (nothing when it
// is there already). Throws std::runtime_error for a store newer than this
// build, leaving it unchanged.
void MigrateSchema(TSqlSession& session);
// The refusal of a store whose schema is newer than this build's.
[[noreturn]] void RefuseNewerSchema(int32_t version);

}  // namespace records
