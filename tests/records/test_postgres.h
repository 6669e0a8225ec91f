// A throw-away PostgreSQL server for the tests, started by the first test of
// a process that asks for a database: initdb and pg_ctl (Debian package
// postgresql) in a temporary folder, on a free local port, as the user
// nobody when the tests run as root (initdb refuses root). A watchdog stops
// the server and removes the folder when the test process ends, however it
// ends (a failed assertion, a crash, SIGKILL).
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace testpg {

// The URI of a new, empty database on this process's server. Empty when the
// server binaries are missing (`missing` then says what to install), or
// when the server did not start (a failure of the test).
std::string FreshDatabase(std::string& missing);

}  // namespace testpg

// Declares `uri`, a fresh database's URI; skips the test, saying why, only
// when the PostgreSQL server binaries are not installed.
#define VEREVIZU_POSTGRES_DATABASE(uri)                        \
  std::string uri##Missing;                                    \
  const std::string uri = testpg::FreshDatabase(uri##Missing); \
  if (!uri##Missing.empty()) GTEST_SKIP() << uri##Missing;     \
  if (uri.empty()) return
