#include "records/recorder.h"

#include <algorithm>
#include <vector>

namespace records {

void TRecorder::Record(TNoteRecord note) {
  std::unique_lock<std::mutex> lock(mutex_);
  waiting_.push_back(std::move(note));
  const uint64_t number = ++handedIn_;
  while (finished_ < number) {
    if (writing_) {
      written_.wait(lock);
    } else {
      WriteWaiting(lock);
    }
  }
  const auto failure = failures_.lower_bound(number);
  if (failure != failures_.end() && failure->second.first <= number)
    std::rethrow_exception(failure->second.second);
}

void TRecorder::WriteWaiting(std::unique_lock<std::mutex>& lock) {
  writing_ = true;
  const std::size_t n = std::min(waiting_.size(), kMaxNotesPerTransaction);
  std::vector<TNoteRecord> notes(
      std::make_move_iterator(waiting_.begin()),
      std::make_move_iterator(waiting_.begin() + static_cast<std::ptrdiff_t>(n)));
  waiting_.erase(waiting_.begin(), waiting_.begin() + static_cast<std::ptrdiff_t>(n));
  lock.unlock();
  std::exception_ptr failure;
  try {
    store_.AddRecords(notes);
  } catch (...) {
    failure = std::current_exception();
  }
  lock.lock();
  if (failure) failures_[finished_ + n] = {finished_ + 1, failure};
  finished_ += n;
  writing_ = false;
  written_.notify_all();
}

}  // namespace records
