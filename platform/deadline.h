// A time limit for the work of one thread: long loops call CheckDeadline(),
// which throws ETimeLimit once the limit of the thread's current
// TDeadlineScope has passed. Without a scope nothing is ever checked, so the
// engines run as before wherever no caller asks for a limit.
#pragma once

#include <chrono>

#include "platform/exceptions.h"

namespace platform {

// The time limit of the work in hand ran out.
class ETimeLimit : public Exception {
 public:
  using Exception::Exception;
};

// Sets a limit of `seconds` (0 or less: none) for the calling thread until the
// scope ends; the limit of an outer scope comes back then.
class TDeadlineScope {
 public:
  explicit TDeadlineScope(double seconds);
  ~TDeadlineScope();
  TDeadlineScope(const TDeadlineScope&) = delete;
  TDeadlineScope& operator=(const TDeadlineScope&) = delete;

 private:
  bool outerActive_;
  std::chrono::steady_clock::time_point outerEnd_;
  double outerSeconds_;
};

// Whether the calling thread's limit has passed (false without a limit).
bool DeadlinePassed();
// Throws ETimeLimit "time limit of N s reached" once the limit has passed.
void CheckDeadline();

}  // namespace platform
