#pragma once
// Bounded polling for tests: true as soon as the condition holds, false after the limit.
#include <chrono>
#include <thread>

namespace brisklet::pool::testing {

template <class Condition>
bool WaitFor(Condition condition, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
  auto until = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

inline double MillisecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace brisklet::pool::testing
