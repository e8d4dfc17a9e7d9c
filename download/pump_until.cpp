#include "download/pump_until.h"

#include <chrono>

#include "platform/ui/message_queue.h"

namespace brisklet::download {

bool PumpUntil(const std::function<bool()>& done, int limitMs) {
  using Clock = std::chrono::steady_clock;
  auto queue = platform::MessageQueue::OfCurrentThread();
  const auto until = Clock::now() + std::chrono::milliseconds(limitMs);
  for (;;) {
    queue->DispatchPending();
    if (done()) return true;
    auto now = Clock::now();
    if (now >= until) return false;
    // Bounded waits keep a done() that no message announces (a flag set elsewhere) noticed.
    queue->WaitForMessage(std::min<Clock::duration>(until - now, std::chrono::milliseconds(50)));
  }
}

}  // namespace brisklet::download
