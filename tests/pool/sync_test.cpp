// Lock, AtomicCounter, OneShotTimer and PumpWait.
#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <thread>
#include <vector>

#include "platform/ui/message_queue.h"
#include "pool/atomic_counter.h"
#include "pool/lock.h"
#include "pool/one_shot_timer.h"
#include "pool/pump_wait.h"
#include "tests/pool/wait_for.h"

namespace brisklet::pool {
namespace {

using testing::MillisecondsSince;
using testing::WaitFor;
using std::chrono::milliseconds;

TEST(AtomicCounterTest, CompareExchangeStoresOnlyOnMatch) {
  struct Case {
    std::int32_t held, comparand, newValue, before, after;
  };
  for (Case c : {Case{5, 5, 9, 5, 9}, Case{4, 5, 9, 4, 4}, Case{-1, -1, 0, -1, 0}}) {
    AtomicCounter counter;
    counter.Exchange(c.held);
    EXPECT_EQ(counter.CompareExchange(c.comparand, c.newValue), c.before) << c.held;
    EXPECT_EQ(counter.Get(), c.after) << c.held;
  }
}

TEST(AtomicCounterTest, OperationsReturnTheValuesOfTheirCalls) {
  AtomicCounter counter;
  EXPECT_EQ(counter.Increment(), 1);
  EXPECT_EQ(counter.Exchange(0), 1);
  EXPECT_EQ(counter.Get(), 0);
  EXPECT_EQ(counter.Add(7), 0);
  EXPECT_EQ(counter.Decrement(), 6);
  AtomicCounter copy = counter;
  EXPECT_EQ(copy.Get(), 6);
  // Wraps like the machine's 32-bit add instead of overflowing.
  counter.Exchange(INT_MAX);
  EXPECT_EQ(counter.Increment(), INT_MIN);
  EXPECT_EQ(counter.Decrement(), INT_MAX);
}

TEST(AtomicCounterTest, IncrementsFromManyThreadsAreNotLost) {
  AtomicCounter counter;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 20000; ++i) counter.Increment();
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(counter.Get(), 80000);
}

TEST(LockTest, IsRecursiveAndExcludesOtherThreads) {
  Lock lock;
  lock.Enter();
  lock.Enter();
  bool otherGotIt = true;
  std::thread([&] { otherGotIt = lock.TryEnter(); }).join();
  EXPECT_FALSE(otherGotIt);
  lock.Leave();
  lock.Leave();
  std::thread([&] {
    otherGotIt = lock.TryEnter();
    if (otherGotIt) lock.Leave();
  }).join();
  EXPECT_TRUE(otherGotIt);
}

TEST(OneShotTimerTest, UnitsGiveMillisecondsPerUnit) {
  struct Case {
    double amount;
    int unit;
    double ms;
  };
  for (Case c : {Case{10, 0, 10}, Case{2, 1, 2000}, Case{1, 2, 60000}, Case{1, 3, 3600000}, Case{3, 7, 21},
                 Case{1.5, 1, 1500}, Case{-4, 0, 0}}) {
    double ms = std::chrono::duration<double, std::milli>(DurationOf(c.amount, c.unit)).count();
    EXPECT_DOUBLE_EQ(ms, c.ms) << c.amount << " unit " << c.unit;
  }
}

TEST(OneShotTimerTest, ExpiredIsTrueOnceAfterTheDueTime) {
  OneShotTimer timer;
  EXPECT_FALSE(timer.Expired());  // never started: never expires
  timer.Start(10, 0);
  auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(WaitFor([&] { return timer.Expired(); }));
  EXPECT_GE(MillisecondsSince(start), 9);
  EXPECT_FALSE(timer.Expired());  // the first true consumed the signal
  EXPECT_TRUE(timer.Close());
  EXPECT_FALSE(timer.Close());
}

TEST(OneShotTimerTest, ExpiredWaitsAtMostAMillisecond) {
  OneShotTimer timer;
  timer.Start(1, 1);
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(timer.Expired());
  EXPECT_LT(MillisecondsSince(start), 500);
}

TEST(PumpWaitTest, DispatchesAMessagePostedDuringTheWait) {
  auto queue = platform::MessageQueue::OfCurrentThread();
  std::atomic<bool> waiting{false};
  std::atomic<bool> ranHere{false};
  const auto waiter = std::this_thread::get_id();
  // The first message runs inside the wait; only then does the other thread post the second.
  queue->Post([&] { waiting = true; });
  std::thread poster([&] {
    if (!WaitFor([&] { return waiting.load(); })) return;
    queue->Post([&] { ranHere = std::this_thread::get_id() == waiter; });
  });
  auto start = std::chrono::steady_clock::now();
  PumpWait(300, 0);
  double elapsed = MillisecondsSince(start);
  poster.join();
  EXPECT_TRUE(ranHere);
  EXPECT_GE(elapsed, 299);
  EXPECT_LT(elapsed, 3000);
}

TEST(PumpWaitTest, UnitsScaleTheWait) {
  auto start = std::chrono::steady_clock::now();
  PumpWait(6, 10);  // 6 units of 10 ms
  EXPECT_GE(MillisecondsSince(start), 59);
}

}  // namespace
}  // namespace brisklet::pool
