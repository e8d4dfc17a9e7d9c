#include "pool/pump_wait.h"

#include <chrono>

#include "platform/ui/message_queue.h"
#include "pool/one_shot_timer.h"

namespace brisklet::pool {

void PumpWait(double amount, int unit) {
  if (amount <= 0) {
    amount = 18000000;
    unit = 18000000;
  }
  using Clock = std::chrono::steady_clock;
  const Clock::time_point due = Clock::now() + DurationOf(amount, unit);
  auto queue = platform::MessageQueue::OfCurrentThread();
  for (;;) {
    auto now = Clock::now();
    if (now >= due) break;
    // Wakes as soon as a message is posted; the toolkit pump (when set) runs at each dispatch.
    queue->WaitForMessage(due - now);
    queue->DispatchPending();
  }
}

}  // namespace brisklet::pool
