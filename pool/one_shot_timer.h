#pragma once
// OneShotTimer: a time-out that is started once with a duration and then polled. The first
// Expired that finds the due time passed consumes the signal; later calls report false again,
// so callers act on the first true. Used only by the thread that started it.
#include <chrono>
#include <optional>

namespace brisklet::pool {

// Milliseconds per unit of a duration given as (amount, unit): 0 milliseconds, 1 seconds,
// 2 minutes, 3 hours; any other unit value is itself the number of milliseconds per unit.
double MillisecondsPerUnit(int unit);

// amount × the unit's milliseconds as a steady-clock duration, clamped to what the clock can
// hold; a negative product counts as zero.
std::chrono::steady_clock::duration DurationOf(double amount, int unit);

class OneShotTimer {
 public:
  // Arms the timer to expire after amount units (see MillisecondsPerUnit). Starting again
  // re-arms it from now.
  void Start(double amount, int unit = 0);
  // True once, for the first call that finds the due time passed. Waits at most 1 ms for it
  // when it is not yet due. Never true for a timer that was not started.
  bool Expired();
  // Disarms the timer; true when it was armed.
  bool Close();

 private:
  std::optional<std::chrono::steady_clock::time_point> due_;
  bool signalled_ = false;  // the due time was seen passing and not yet consumed
};

}  // namespace brisklet::pool
