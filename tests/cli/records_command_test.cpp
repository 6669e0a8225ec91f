// Recording readings and watching for serials from the command line, in a
// SQLite file and a PostgreSQL database: serial --record and --watch,
// records, watch, their errors, and a run killed halfway.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "cli/command.h"
#include "cli_test_util.h"
#include "records/contenthash.h"
#include "records/recordstore.h"
#include "test_postgres.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using clitest::Output;
using clitest::RunTool;

const std::string kNotes = std::string(VEREVIZU_TEST_DATA) + "/notes/";

enum TKind { kSqlite, kPostgres };

// A fresh folder, and a fresh store in it or on the test server.
class RecordsToolTest : public testing::TestWithParam<TKind> {
 protected:
  void SetUp() override {
    dir_ = clitest::FreshTestFolder("verevizu_records_" +
                                    std::string(GetParam() == kSqlite ? "sqlite_" : "pg_"));
    if (GetParam() == kSqlite) {
      db_ = (dir_ / "notes.db").string();
    } else {
      VEREVIZU_POSTGRES_DATABASE(uri);
      db_ = uri;
    }
  }
  void TearDown() override { fs::remove_all(dir_); }

  // The files recorded in a batch.
  std::vector<std::string> RecordedFiles(const std::string& batch) {
    std::vector<std::string> files;
    for (const records::TNoteRecord& r :
         records::OpenRecordStore(db_, records::saRead)->FindRecords({std::nullopt, batch, {}}))
      files.push_back(r.File);
    return files;
  }

  fs::path dir_;
  std::string db_;
};

TEST_P(RecordsToolTest, RecordsEveryNoteAndMarksTheWatchedOnes) {
  ASSERT_EQ(RunTool({"watch", "add", "mk6083*", "--currency", "usd", "--reason",
                     "stolen from van 7", "--db", db_})
                .code,
            0);
  const std::string usd = kNotes + "note_usd_05.tif", eur = kNotes + "note_eur_05.tif";
  const Output run = RunTool(
      {"serial", "--record", db_, "--batch", "monday", "--watch", db_, "--jobs", "2", usd, eur});
  EXPECT_EQ(run.out, usd + "\tMK60834863*\t99.41\tWATCH: stolen from van 7\n" + eur +
                         "\tM34892405068\t99.36\n");
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.code, 4);

  // A picture with no serial: JSON watch null.
  const std::string blank = std::string(VEREVIZU_TEST_DATA) + "/bc_code39_m2.png";
  const Output json = RunTool({"serial", "--watch", db_, "--json", usd, blank});
  EXPECT_NE(json.out.find(R"("watch":{"entry":"MK6083*","currency":"USD",)"
                          R"("reason":"stolen from van 7"}})"),
            std::string::npos)
      << json.out;
  EXPECT_NE(json.out.find(R"(,"watch":null})"), std::string::npos) << json.out;

  const Output monday = RunTool({"records", db_, "--batch", "monday"});
  const std::string time = R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z)";
  const std::regex line(
      "(" + time + "\tmonday\t[^\t]+/note_(usd|eur)_05\\.tif\t" +
      "(USD\tMK60834863\\*\t99\\.41|EUR\tM34892405068\t99\\.36)\tvalid\t[0-9a-f]{64}" +
      "\t0\\.1\\.0\n){2}");
  EXPECT_TRUE(std::regex_match(monday.out, line)) << monday.out;
  EXPECT_EQ(monday.code, 0);

  const Output dollars = RunTool({"records", db_, "--serial", "MK6083*", "--csv"});
  EXPECT_TRUE(std::regex_match(
      dollars.out,
      std::regex("time,batch,file,currency,serial,confidence,valid,content_hash,tool_version\n" +
                 time +
                 ",monday,[^,]+/note_usd_05\\.tif,USD,MK60834863\\*,99\\.41,true,[0-9a-f]{64}," +
                 "0\\.1\\.0\n")))
      << dollars.out;
  const Output none = RunTool({"records", db_, "--serial", "AB12340000-AB12349999"});
  EXPECT_EQ(none.out, "");
  EXPECT_EQ(none.code, 1);
}

// Only valid readings are compared with the lists: the plain vote of this
// note has an unread glyph, and a prefix that its readable start fits does
// not raise an alert; the verified reading is valid and matches.
TEST(RecordsTool, AReadingThatIsNotValidNeitherMatchesNorClears) {
  const fs::path dir = clitest::FreshTestFolder("verevizu_records_");
  const std::string db = (dir / "watch.db").string();
  ASSERT_EQ(
      RunTool({"watch", "add", "RK5570*", "--currency", "USD", "--reason", "series", "--db", db})
          .code,
      0);
  const std::string note = kNotes + "note_usd_03.tif";
  const Output classic = RunTool({"serial", "--classic", "--watch", db, note});
  EXPECT_EQ(classic.out, note + "\tRK55701~21Y\t100\tnot valid\n");
  EXPECT_EQ(classic.code, 1);
  const Output verified = RunTool({"serial", "--watch", db, note});
  EXPECT_EQ(verified.out, note + "\tRK55709621Y\t97.78\tWATCH: series\n");
  EXPECT_EQ(verified.code, 4);
  fs::remove_all(dir);
}

TEST_P(RecordsToolTest, ImportsAWatchListWholeOrNotAtAll) {
  const std::string good = (dir_ / "good.csv").string(), bad = (dir_ / "bad.csv").string();
  std::ofstream(good) << "currency,pattern,reason\nEUR,M3489240000-M3489249999,ransom\n"
                         "USD,MK60834863*,\"star note, stolen\"\n";
  std::ofstream(bad) << "LBP,M0353*,fine\nLBP,M0353*\n";
  const Output refused = RunTool({"watch", "import", bad, "--db", db_});
  EXPECT_EQ(refused.err, "verevizu: " + bad +
                             ": line 2: 3 fields (currency,pattern,reason) expected, found 2\n");
  EXPECT_EQ(refused.code, 3);
  EXPECT_EQ(RunTool({"watch", "list", "--db", db_}).out, "");

  const Output imported = RunTool({"watch", "import", good, "--db", db_});
  EXPECT_EQ(imported.out, good + ": 2 entries imported\n");
  EXPECT_EQ(imported.code, 0);
  // list --csv writes what import reads.
  EXPECT_EQ(RunTool({"watch", "list", "--csv", "--db", db_}).out,
            "currency,pattern,reason\nEUR,M3489240000-M3489249999,ransom\n"
            "USD,MK60834863*,\"star note, stolen\"\n");
  const Output removed =
      RunTool({"watch", "remove", "MK60834863*", "--currency", "usd", "--db", db_});
  EXPECT_EQ(removed.code, 0);
  const Output again =
      RunTool({"watch", "remove", "MK60834863*", "--currency", "usd", "--db", db_});
  EXPECT_EQ(again.err, "verevizu: MK60834863* (USD) is not on the watch list\n");
  EXPECT_EQ(again.code, 1);
  EXPECT_TRUE(RunTool({"watch", "list", "--db", db_}).out.starts_with("EUR\tM3489240000-"));
}

// SIGKILL in the middle of a batch: every note whose line was printed is in
// the store, and running the batch again completes it without doubles.
TEST_P(RecordsToolTest, ARunKilledHalfwayKeepsEveryPrintedNote) {
  const fs::path scans = dir_ / "scans";
  fs::create_directories(scans);
  // Pictures without a serial, quick to read: a record each all the same.
  constexpr int kFiles = 10;
  for (int i = 0; i < kFiles; ++i)
    fs::copy_file(std::string(VEREVIZU_TEST_DATA) + "/bc_code39_m2.png",
                  scans / ("n" + std::to_string(10 + i) + ".png"));

  int pipe[2];
  ASSERT_EQ(::pipe(pipe), 0);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipe[1], 1);
  posix_spawn_file_actions_addclose(&actions, pipe[0]);
  const std::vector<std::string> args = {
      VEREVIZU_TOOL, "serial", "--record", db_, "--batch", "killed", "--jobs", "2", scans.string()};
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  ASSERT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  close(pipe[1]);

  // Kill it once it has printed two lines; then take what it printed before dying.
  std::string printed;
  char buffer[4096];
  bool killed = false;
  for (ssize_t n; (n = read(pipe[0], buffer, sizeof buffer)) > 0;) {
    printed.append(buffer, static_cast<std::size_t>(n));
    if (!killed && std::count(printed.begin(), printed.end(), '\n') >= 2) {
      kill(pid, SIGKILL);
      killed = true;
    }
  }
  close(pipe[0]);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << printed;

  std::set<std::string> printedFiles;
  std::istringstream lines(printed);
  for (std::string line; std::getline(lines, line);)
    printedFiles.insert(fs::absolute(line.substr(0, line.find('\t'))).lexically_normal().string());
  ASSERT_LT(printedFiles.size(), static_cast<std::size_t>(kFiles)) << "not killed halfway";
  const std::vector<std::string> recorded = RecordedFiles("killed");
  for (const std::string& file : printedFiles)
    EXPECT_NE(std::find(recorded.begin(), recorded.end(), file), recorded.end()) << file;

  EXPECT_EQ(RunTool({"serial", "--record", db_, "--batch", "killed", scans.string()}).code, 1);
  const std::vector<std::string> all = RecordedFiles("killed");
  EXPECT_EQ(std::set<std::string>(all.begin(), all.end()).size(), all.size());
  EXPECT_EQ(all.size(), static_cast<std::size_t>(kFiles));
}

INSTANTIATE_TEST_SUITE_P(Stores, RecordsToolTest, testing::Values(kSqlite, kPostgres),
                         [](const testing::TestParamInfo<TKind>& p) {
                           return p.param == kSqlite ? "SQLite" : "PostgreSQL";
                         });

// A note is recorded under its real name and the hash of the bytes that were
// read, even where no name can be opened again: standard input, or a name
// that the output has to escape.
TEST(RecordsTool, RecordsStandardInputAndNamesTheOutputEscapes) {
  const fs::path dir = clitest::FreshTestFolder("verevizu_records_");
  const std::string db = (dir / "notes.db").string();
  const fs::path tabbed = dir / "a\tb.tif";
  fs::copy_file(kNotes + "note_eur_05.tif", tabbed);
  const std::string usd = kNotes + "note_usd_05.tif";
  const int saved = dup(STDIN_FILENO);
  const int file = open(usd.c_str(), O_RDONLY);
  ASSERT_GE(file, 0);
  dup2(file, STDIN_FILENO);
  close(file);
  const Output run = RunTool({"serial", "--record", db, "--batch", "b", "-", tabbed.string()});
  dup2(saved, STDIN_FILENO);
  close(saved);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.code, 0);

  const auto hashOf = [](const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    return records::ContentHash(bytes);
  };
  std::map<std::string, std::string> hashes;
  for (const records::TNoteRecord& r :
       records::OpenRecordStore(db, records::saRead)->FindRecords({std::nullopt, "b", {}}))
    hashes[r.File] = r.ContentHash;
  EXPECT_EQ(hashes, (std::map<std::string, std::string>{{"-", hashOf(usd)},
                                                        {tabbed.string(), hashOf(tabbed)}}));
  fs::remove_all(dir);
}

// A store that cannot be used stops the run before any note is read, with
// the store's own words and exit code 3; mistakes on the command line are
// usage errors.
TEST(RecordsTool, RefusesStoresItCannotUseAndBadArgumentsBeforeReadingAnything) {
  const std::string note = kNotes + "note_usd_05.tif";
  const std::pair<std::vector<std::string>, std::string> failures[] = {
      {{"serial", "--record", "/no/such/folder/notes.db", note},
       "verevizu: /no/such/folder/notes.db: unable to open database file\n"},
      {{"serial", "--watch", "/no/such/watch.db", note},
       "verevizu: /no/such/watch.db: unable to open database file\n"},
      {{"records", "/no/such/notes.db"},
       "verevizu: /no/such/notes.db: unable to open database file\n"},
  };
  for (const auto& [args, message] : failures) {
    const Output r = RunTool(args);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, message);
    EXPECT_EQ(r.code, 3);
  }
  const std::pair<std::vector<std::string>, std::string> usage[] = {
      {{"serial", "--batch", "b", note}, "verevizu serial: option --batch needs --record\n"},
      {{"records", "x.db", "--since", "last week"},
       "verevizu records: option --since: 'last week' is not a date and time\n"},
      {{"records", "x.db", "--serial", "12*"},
       "verevizu records: option --serial: '12*' cannot match the serials of any currency: "
       "none starts with '12'\n"},
      {{"records", "x.db", "--json", "--csv"},
       "verevizu records: --json and --csv exclude each other\n"},
      {{"watch", "add", "MK6083*", "--reason", "r", "--db", "x.db"},
       "verevizu watch: add needs --currency\n"},
      {{"watch", "add", "ABC1*", "--currency", "EUR", "--reason", "r", "--db", "x.db"},
       "verevizu watch: 'ABC1*' cannot match EUR serials: none starts with 'ABC1'\n"},
      {{"watch", "list"}, "verevizu watch: no --db DB given\n"},
      {{"watch", "sort", "--db", "x.db"},
       "verevizu watch: 'sort' is not an action (add, remove, list or import)\n"},
  };
  for (const auto& [args, message] : usage) {
    const Output r = RunTool(args);
    EXPECT_EQ(r.err, message + "Run 'verevizu " + args[0] + " --help' for its options.\n");
    EXPECT_EQ(r.code, 2);
  }
}

}  // namespace
