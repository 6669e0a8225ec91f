// Recording the notes of a run that reads files on several threads: each
// thread hands in its note and gets it back committed, and the notes that
// arrive while a transaction is being written go together into the next
// one (at most kMaxNotesPerTransaction). So a note is in the store before
// its line is printed, and a run that is killed loses nothing it printed.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <map>
#include <mutex>

#include "records/recordstore.h"

namespace records {

inline constexpr std::size_t kMaxNotesPerTransaction = 200;

class TRecorder {
 public:
  explicit TRecorder(TRecordStore& store) : store_(store) {}

  // Stores the note; returns once its transaction is committed. Throws the
  // store's error when that transaction failed. Any thread may call it.
  void Record(TNoteRecord note);

 private:
  // Writes the oldest waiting notes in one transaction; called with the lock
  // held, which it lets go while the store works.
  void WriteWaiting(std::unique_lock<std::mutex>& lock);

  TRecordStore& store_;
  std::mutex mutex_;
  std::condition_variable written_;
  std::deque<TNoteRecord> waiting_;
  uint64_t handedIn_ = 0;  // notes handed in so far; a note's number is its place in that count
  uint64_t finished_ = 0;  // notes whose transaction is over, committed or failed
  bool writing_ = false;
  // Failed transactions: the number of their last note, their first and the failure.
  std::map<uint64_t, std::pair<uint64_t, std::exception_ptr>> failures_;
};

}  // namespace records
