#include "platform/deadline.h"

#include <sstream>

namespace platform {
namespace {

struct Limit {
  bool active = false;
  std::chrono::steady_clock::time_point end;
  double seconds = 0;
};
thread_local Limit tLimit;

}  // namespace

TDeadlineScope::TDeadlineScope(double seconds)
    : outerActive_(tLimit.active), outerEnd_(tLimit.end), outerSeconds_(tLimit.seconds) {
  if (seconds <= 0) return;
  const auto end = std::chrono::steady_clock::now() +
                   std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                       std::chrono::duration<double>(seconds));
  // An inner limit can only shorten the outer one.
  if (tLimit.active && tLimit.end <= end) return;
  tLimit = {true, end, seconds};
}

TDeadlineScope::~TDeadlineScope() {
  tLimit = {outerActive_, outerEnd_, outerSeconds_};
}

bool DeadlinePassed() {
  return tLimit.active && std::chrono::steady_clock::now() >= tLimit.end;
}

void CheckDeadline() {
  if (!DeadlinePassed()) return;
  std::ostringstream text;
  text << "time limit of " << tLimit.seconds << " s reached";
  throw ETimeLimit(text.str());
}

}  // namespace platform
