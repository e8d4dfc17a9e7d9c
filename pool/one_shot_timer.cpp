#include "pool/one_shot_timer.h"

#include <thread>

namespace brisklet::pool {

double MillisecondsPerUnit(int unit) {
  switch (unit) {
    case 0: return 1;
    case 1: return 1000;
    case 2: return 60000;
    case 3: return 3600000;
    default: return unit;
  }
}

std::chrono::steady_clock::duration DurationOf(double amount, int unit) {
  using Clock = std::chrono::steady_clock;
  double ms = amount * MillisecondsPerUnit(unit);
  if (!(ms > 0)) return Clock::duration::zero();
  // Leave head room so that now() + the duration cannot overflow the clock either.
  const double limit = std::chrono::duration<double, std::milli>(Clock::duration::max()).count() / 4;
  if (ms > limit) ms = limit;
  return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double, std::milli>(ms));
}

void OneShotTimer::Start(double amount, int unit) {
  due_ = std::chrono::steady_clock::now() + DurationOf(amount, unit);
  signalled_ = false;
}

bool OneShotTimer::Expired() {
  if (!due_) return false;
  auto now = std::chrono::steady_clock::now();
  if (now < *due_) {
    auto waitUntil = std::min(*due_, now + std::chrono::milliseconds(1));
    std::this_thread::sleep_until(waitUntil);
    if (std::chrono::steady_clock::now() < *due_) return false;
  }
  if (signalled_) return false;  // already consumed: a one-shot timer fires once
  signalled_ = true;
  return true;
}

bool OneShotTimer::Close() {
  bool wasArmed = due_.has_value();
  due_.reset();
  signalled_ = false;
  return wasArmed;
}

}  // namespace brisklet::pool
