// The recorder: notes handed in by several threads are each committed once
// before Record returns, in transactions of at most kMaxNotesPerTransaction,
// and a failed transaction fails exactly the notes it held.
#include <gtest/gtest.h>

#include <mutex>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "records/recorder.h"

namespace records {
namespace {

// A store that keeps what it is given in memory, slowly enough that notes
// queue up behind a transaction, and fails the transactions holding a note
// whose file starts with "fail".
class TMemoryStore : public TRecordStore {
 public:
  std::size_t AddRecords(std::span<const TNoteRecord> records) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    std::lock_guard<std::mutex> lock(mutex);
    transactions.push_back(records.size());
    for (const TNoteRecord& r : records) {
      if (r.File.starts_with("fail")) throw ERecordStoreError("store: failed");
    }
    for (const TNoteRecord& r : records) files.push_back(r.File);
    return records.size();
  }
  bool Holds(const std::string& file) {
    std::lock_guard<std::mutex> lock(mutex);
    return std::find(files.begin(), files.end(), file) != files.end();
  }
  const std::string& DisplayName() const override { return name; }
  void CheckWritable() override {}
  std::vector<TNoteRecord> FindRecords(const TRecordQuery&) override { return {}; }
  void PutWatchEntries(std::span<const TWatchEntry>) override {}
  bool RemoveWatchEntry(const std::string&, const std::string&) override { return false; }
  std::vector<TWatchEntry> WatchEntries() override { return {}; }
  int64_t WatchRevision() override { return 0; }

  std::mutex mutex;
  std::vector<std::string> files;
  std::vector<std::size_t> transactions;
  std::string name = "memory";
};

TNoteRecord NoteOf(const std::string& file) {
  TNoteRecord note;
  note.File = file;
  return note;
}

TEST(Recorder, CommitsEveryNoteOnceBeforeItsThreadGoesOn) {
  TMemoryStore store;
  TRecorder recorder(store);
  constexpr int kThreads = 8, kNotes = 150;
  std::atomic<int> missing{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kNotes; ++i) {
        const std::string file = std::to_string(t) + "/" + std::to_string(i);
        recorder.Record(NoteOf(file));
        if (!store.Holds(file)) ++missing;
      }
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(missing, 0);
  const std::set<std::string> distinct(store.files.begin(), store.files.end());
  EXPECT_EQ(store.files.size(), static_cast<std::size_t>(kThreads * kNotes));
  EXPECT_EQ(distinct.size(), store.files.size());
  // Notes that queued up behind a transaction went together.
  EXPECT_LT(store.transactions.size(), store.files.size());
  for (std::size_t n : store.transactions) EXPECT_LE(n, kMaxNotesPerTransaction);
}

TEST(Recorder, AFailedTransactionFailsTheNotesItHeldAndNoOthers) {
  TMemoryStore store;
  TRecorder recorder(store);
  EXPECT_NO_THROW(recorder.Record(NoteOf("before")));
  EXPECT_THROW(recorder.Record(NoteOf("fail")), ERecordStoreError);
  EXPECT_NO_THROW(recorder.Record(NoteOf("after")));
  EXPECT_TRUE(store.Holds("before"));
  EXPECT_TRUE(store.Holds("after"));
}

}  // namespace
}  // namespace records
