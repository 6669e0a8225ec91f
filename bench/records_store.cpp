// Time of recording readings and of matching them against watch lists.
//
//   Record/...        one note recorded into a SQLite file the way a run of
//                     `verevizu serial --record` records it: through the
//                     recorder, a commit per note when one thread reads
//                     (--jobs 1) or whatever notes wait when several do;
//                     AddRecords/200 writes transactions of 200 notes
//   ContentHash       SHA-256 of the largest note of the test data (1.6 MB)
//   Match/1000000     one reading matched against a million watch entries
//                     (exact serials, ranges and prefixes of all three
//                     currencies); about one reading in seven is on a list
//   LoadWatchList     a million entries read from a SQLite store and indexed
//
// Run on a Release build with --benchmark_repetitions=N for medians; times
// are per note (per iteration).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "records/contenthash.h"
#include "records/recorder.h"
#include "records/recordstore.h"
#include "records/timestamps.h"
#include "records/watchlist.h"

namespace {

namespace fs = std::filesystem;

fs::path Scratch(const std::string& name) {
  const fs::path path = fs::temp_directory_path() /
                        ("verevizu_bench_" + std::to_string(getpid()) + "_" + name + ".db");
  for (const char* suffix : {"", "-wal", "-shm"}) fs::remove(path.string() + suffix);
  return path;
}

records::TNoteRecord Note(int64_t i) {
  records::TNoteRecord r;
  r.File = "/scans/2024-05-01/box-17/note_" + std::to_string(i) + ".tif";
  r.ContentHash = std::string(64, 'a');
  r.Time = records::RecordTime(std::chrono::system_clock::now());
  r.Currency = "USD";
  r.Serial = "MK60834863*";
  r.Valid = true;
  r.Confidence = 100;
  r.Batch = "bench";
  r.ToolVersion = "0.1.0";
  return r;
}

// One note per call of Record from each of state.threads() threads.
void Record(benchmark::State& state) {
  static std::unique_ptr<records::TRecordStore> store;
  static std::unique_ptr<records::TRecorder> recorder;
  if (state.thread_index() == 0) {
    store = records::OpenRecordStore(Scratch("record").string(), records::saWrite);
    recorder = std::make_unique<records::TRecorder>(*store);
  }
  int64_t i = state.thread_index() * 100000000LL;
  for (auto _ : state) recorder->Record(Note(i++));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(Record)->Threads(1)->Threads(2)->Threads(4)->UseRealTime();

void AddRecords(benchmark::State& state) {
  const auto store = records::OpenRecordStore(Scratch("batch").string(), records::saWrite);
  const std::size_t batch = static_cast<std::size_t>(state.range(0));
  int64_t i = 0;
  for (auto _ : state) {
    state.PauseTiming();
    std::vector<records::TNoteRecord> notes;
    for (std::size_t k = 0; k < batch; ++k) notes.push_back(Note(i++));
    state.ResumeTiming();
    store->AddRecords(notes);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(AddRecords)->Arg(200)->UseRealTime();

void ContentHash(benchmark::State& state) {
  std::ifstream in(std::string(VEREVIZU_BENCH_NOTES) + "/note_lbp_06.png", std::ios::binary);
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                        std::istreambuf_iterator<char>());
  for (auto _ : state) benchmark::DoNotOptimize(records::ContentHash(bytes));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}
BENCHMARK(ContentHash);

// Serials that fit the currencies' layouts.
std::string Digits(std::mt19937& random, int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += static_cast<char>('0' + random() % 10);
  return s;
}
char Letter(std::mt19937& random) {
  return static_cast<char>('A' + random() % 26);
}
std::string Serial(std::mt19937& random, const std::string& currency) {
  if (currency == "USD")
    return std::string{Letter(random), Letter(random)} + Digits(random, 8) + Letter(random);
  if (currency == "LBP") return Letter(random) + Digits(random, 9);
  // A euro serial whose check value is 8: the last digit makes it so.
  std::string s = Letter(random) + Digits(random, 10);
  for (char last = '0'; last <= '9'; ++last) {
    int64_t v = s[0] - 64;
    for (std::size_t i = 1; i < s.size(); ++i) v += s[i] - '0';
    v += last - '0';
    if ((v - 1) % 9 + 1 == 8) return s + last;
  }
  return s + '0';
}

const char* const kCurrencies[] = {"USD", "EUR", "LBP"};

// A million entries: 60 % exact serials, 25 % ranges of a thousand, 15 % prefixes.
std::vector<records::TWatchEntry> MillionEntries() {
  std::mt19937 random(7);
  std::vector<records::TWatchEntry> entries;
  for (int i = 0; i < 1000000; ++i) {
    const std::string currency = kCurrencies[i % 3];
    const std::string s = Serial(random, currency);
    std::string pattern = s;
    const int kind = static_cast<int>(random() % 20);
    if (kind >= 17) {
      pattern = s.substr(0, 5) + "*";
    } else if (kind >= 12) {
      const std::size_t n = currency == "USD" ? 10 : s.size();
      const std::string start = s.substr(0, n - 3);
      pattern = start + "000-" + start + "999";
    }
    entries.push_back({currency, pattern, "stolen in bench " + std::to_string(i % 50)});
  }
  return entries;
}

void Match(benchmark::State& state) {
  static const records::TWatchList list(MillionEntries());
  std::mt19937 random(11);
  std::vector<std::pair<std::string, std::string>> readings;
  for (int i = 0; i < 4096; ++i) {
    const std::string currency = kCurrencies[i % 3];
    readings.emplace_back(currency, Serial(random, currency));
  }
  std::size_t i = 0, matched = 0;
  for (auto _ : state) {
    const auto& [currency, serial] = readings[i++ % readings.size()];
    const records::TWatchEntry* e = list.Match(currency, serial);
    matched += e != nullptr;
    benchmark::DoNotOptimize(e);
  }
  state.counters["matched"] =
      benchmark::Counter(static_cast<double>(matched) / static_cast<double>(state.iterations()));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(Match)->Name("Match/1000000");

void LoadWatchList(benchmark::State& state) {
  const std::string db = Scratch("watch").string();
  records::OpenRecordStore(db, records::saWrite)->PutWatchEntries(MillionEntries());
  for (auto _ : state) {
    const auto store = records::OpenRecordStore(db, records::saRead);
    const records::TWatchList list(store->WatchEntries());
    benchmark::DoNotOptimize(list.Size());
  }
}
BENCHMARK(LoadWatchList)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
