#include "platform/ui/message_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace brisklet::platform {
namespace {

using namespace std::chrono_literals;

TEST(MessageQueue, MessagesPostedFromOtherThreadsRunOnTheOwnerInOrder) {
  auto queue = MessageQueue::OfCurrentThread();
  std::vector<int> order;
  std::thread poster([&] {
    for (int i = 0; i < 3; ++i) queue->Post([&order, i] { order.push_back(i); });
  });
  poster.join();
  EXPECT_TRUE(queue->WaitForMessage(1s));
  EXPECT_EQ(queue->DispatchPending(), 3u);
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
}

TEST(MessageQueue, AMessagePostedWhileDispatchingWaitsForTheNextDispatch) {
  auto queue = MessageQueue::OfCurrentThread();
  int second = 0;
  queue->Post([&] { queue->Post([&] { ++second; }); });
  queue->DispatchPending();
  EXPECT_EQ(second, 0);
  queue->DispatchPending();
  EXPECT_EQ(second, 1);
}

TEST(MessageQueue, ThePostHookRunsOnThePostingThreadAndTheToolkitPumpOnlyOnDispatchPending) {
  auto queue = MessageQueue::OfCurrentThread();
  std::atomic<int> hooked{0};
  int pumped = 0;
  queue->SetPostHook([&] { ++hooked; });
  queue->SetToolkitPump([&] { ++pumped; });
  std::thread([&] { queue->Post([] {}); }).join();
  EXPECT_EQ(hooked.load(), 1);
  queue->DispatchMessages();
  EXPECT_EQ(pumped, 0);
  queue->DispatchPending();
  EXPECT_EQ(pumped, 1);
  queue->SetPostHook(nullptr);
  queue->SetToolkitPump(nullptr);
}

}  // namespace
}  // namespace brisklet::platform
