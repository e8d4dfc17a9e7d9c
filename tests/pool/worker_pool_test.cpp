// WorkerPool: order of starts, thread limit, full-pool submits, cancel, task data, pause, stop,
// destruction.
#include "pool/worker_pool.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <numeric>
#include <thread>
#include <vector>

#include "platform/ui/message_queue.h"
#include "tests/pool/wait_for.h"

namespace brisklet::pool {
namespace {

using std::chrono::milliseconds;
using ::testing::UnorderedElementsAre;
using testing::MillisecondsSince;
using testing::WaitFor;

Bytes IdData(int id) {
  Bytes data(4);
  std::memcpy(data.data(), &id, 4);
  return data;
}

int IdOf(const Bytes& data) {
  int id = -1;
  if (data.size() >= 4) std::memcpy(&id, data.data(), 4);
  return id;
}

// Task data of some length that can be checked against its own id.
Bytes PatternData(int id) {
  Bytes data = IdData(id);
  for (int i = 0; i < (id * 37) % 300; ++i) data.push_back(static_cast<std::uint8_t>(id * 7 + i));
  return data;
}

// What the task routines (which take no arguments) share with the tests. Never destroyed, so
// an abandoned worker may still touch it after its pool is gone.
struct Probe {
  WorkerPool* pool = nullptr;
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<int> started;  // task ids in the order their routines began
  int running = 0;
  int mostRunning = 0;
  int tokens = 0;        // each lets one gated task finish
  bool gateOpen = false;  // lets every gated task finish
  bool dataKept = true;   // every re-read of CurrentTaskData gave the same bytes
  std::vector<int> dataChecked;
  bool pausingInside = false, pausingGo = false, pausingPassed = false;

  void Reset(WorkerPool* p) {
    std::lock_guard lock(mutex);
    pool = p;
    started.clear();
    running = mostRunning = tokens = 0;
    gateOpen = false;
    dataKept = true;
    dataChecked.clear();
    pausingInside = pausingGo = pausingPassed = false;
  }
  template <class T>
  T Read(T Probe::*field) {
    std::lock_guard lock(mutex);
    return this->*field;
  }
  void GiveToken() {
    std::lock_guard lock(mutex);
    ++tokens;
    changed.notify_all();
  }
  void OpenGate() {
    std::lock_guard lock(mutex);
    gateOpen = true;
    changed.notify_all();
  }
};

Probe& P() {
  static Probe* probe = new Probe;
  return *probe;
}

// Records its start, then waits for a token or the open gate (at most 20 s).
void GatedTask() {
  Probe& p = P();
  WorkerPool* pool = p.pool;
  int id = IdOf(pool->CurrentTaskData());
  std::unique_lock lock(p.mutex);
  p.started.push_back(id);
  p.mostRunning = std::max(p.mostRunning, ++p.running);
  p.changed.notify_all();
  p.changed.wait_for(lock, std::chrono::seconds(20), [&] { return p.gateOpen || p.tokens > 0; });
  if (!p.gateOpen && p.tokens > 0) --p.tokens;
  --p.running;
  p.changed.notify_all();
}

// Like GatedTask, then reads its data again: an abandoned task keeps it.
void RereadingTask() {
  GatedTask();
  Probe& p = P();
  Bytes again = p.pool->CurrentTaskData();
  std::lock_guard lock(p.mutex);
  p.dataKept = p.dataKept && IdOf(again) == p.started.front();
  p.dataChecked.push_back(IdOf(again));
}

// Reads its data many times while other tasks with other data run.
void DataTask() {
  Probe& p = P();
  Bytes first = p.pool->CurrentTaskData();
  bool same = first == PatternData(IdOf(first));
  for (int i = 0; i < 20 && same; ++i) {
    std::this_thread::yield();
    same = p.pool->CurrentTaskData() == first;
  }
  std::lock_guard lock(p.mutex);
  p.dataKept = p.dataKept && same;
  p.dataChecked.push_back(IdOf(first));
}

// Waits for pausingGo, then passes a pool point.
void PausingTask() {
  Probe& p = P();
  {
    std::unique_lock lock(p.mutex);
    p.pausingInside = true;
    ++p.running;
    p.changed.notify_all();
    p.changed.wait_for(lock, std::chrono::seconds(20), [&] { return p.pausingGo; });
  }
  p.pool->CurrentTaskData();
  std::lock_guard lock(p.mutex);
  p.pausingPassed = true;
  --p.running;
}

void NothingTask() {}

WorkerPool* otherPool = nullptr;

// Asks a pool it does not belong to for its data.
void OtherPoolTask() {
  Probe& p = P();
  bool emptyFromOther = otherPool->CurrentTaskData().empty();
  bool ownData = !p.pool->CurrentTaskData().empty();
  std::lock_guard lock(p.mutex);
  p.dataKept = emptyFromOther && ownData;
  p.dataChecked.push_back(0);
}

class WorkerPoolTest : public ::testing::Test {
 protected:
  void SetUp() override { P().Reset(&pool_); }
  void TearDown() override {
    P().OpenGate();
    {
      std::lock_guard lock(P().mutex);
      P().pausingGo = true;
      P().changed.notify_all();
    }
    pool_.Resume();
    EXPECT_TRUE(WaitFor([&] { return pool_.PendingCount() == 0 && P().Read(&Probe::running) == 0; }));
  }

  std::vector<std::int32_t> SubmitGated(int count, int firstId = 0, TaskRoutine routine = GatedTask) {
    std::vector<std::int32_t> numbers;
    for (int i = 0; i < count; ++i) numbers.push_back(pool_.Submit(routine, IdData(firstId + i)));
    return numbers;
  }
  bool WaitRunning(int n) {
    return WaitFor([&] { return P().Read(&Probe::running) == n && pool_.RunningCount() == n; });
  }

  WorkerPool pool_;
};

TEST_F(WorkerPoolTest, SubmitBeforeStartQueuesNothing) {
  EXPECT_EQ(pool_.Submit(NothingTask, {}), 0);
  EXPECT_EQ(pool_.PendingCount(), 0);
}

TEST_F(WorkerPoolTest, StartsInSubmissionOrderWithinTheThreadLimit) {
  ASSERT_EQ(pool_.Start(2), 1);
  std::vector<std::int32_t> numbers = SubmitGated(10);
  std::vector<std::int32_t> expected(10);
  std::iota(expected.begin(), expected.end(), 1);
  EXPECT_EQ(numbers, expected);

  ASSERT_TRUE(WaitRunning(2));
  std::this_thread::sleep_for(milliseconds(50));
  // Threads made back to back may enter their routines in either order; from then on each
  // finished task frees the one slot the next task takes.
  EXPECT_THAT(P().Read(&Probe::started), UnorderedElementsAre(0, 1));
  EXPECT_EQ(pool_.PendingCount(), 10);
  EXPECT_EQ(pool_.WaitingCount(), 8);
  // Each finished task makes room for exactly the next one.
  for (int finished = 1; finished <= 8; ++finished) {
    P().GiveToken();
    ASSERT_TRUE(WaitFor([&] { return P().Read(&Probe::started).size() == size_t(2 + finished); }));
    EXPECT_EQ(pool_.PendingCount(), 10 - finished);
  }
  P().OpenGate();
  ASSERT_TRUE(WaitFor([&] { return pool_.PendingCount() == 0; }));
  std::vector<int> started = P().Read(&Probe::started);
  ASSERT_EQ(started.size(), 10u);
  EXPECT_EQ(std::vector<int>(started.begin() + 2, started.end()), (std::vector<int>{2, 3, 4, 5, 6, 7, 8, 9}));
  EXPECT_EQ(P().Read(&Probe::mostRunning), 2);
}

TEST_F(WorkerPoolTest, SecondStartKeepsTheFirstLimits) {
  ASSERT_EQ(pool_.Start(1), 1);
  EXPECT_EQ(pool_.Start(5, 5), 0);
  SubmitGated(3);
  ASSERT_TRUE(WaitRunning(1));
  std::this_thread::sleep_for(milliseconds(50));
  EXPECT_EQ(P().Read(&Probe::running), 1);
}

TEST_F(WorkerPoolTest, OmittedLimitsGiveAHundredThreadsAndTenThousandQueued) {
  ASSERT_EQ(pool_.Start(), 1);
  SubmitGated(101);
  ASSERT_TRUE(WaitRunning(100));
  std::this_thread::sleep_for(milliseconds(50));
  EXPECT_EQ(P().Read(&Probe::started).size(), 100u);
  pool_.Pause();  // nothing more starts; the queue fills up to 10000 waiting beside 100 running
  for (int i = 101; i < 10100; ++i) ASSERT_GT(pool_.Submit(NothingTask, {}, true), 0) << i;
  EXPECT_EQ(pool_.Submit(NothingTask, {}, true), -1);
  P().OpenGate();
  ASSERT_TRUE(WaitRunning(0));
  pool_.StopAll();
  EXPECT_EQ(pool_.PendingCount(), 0);
}

TEST_F(WorkerPoolTest, FullPoolSubmitFailsAtOnceOrAfterItsTimeOut) {
  ASSERT_EQ(pool_.Start(1, 1), 1);
  SubmitGated(2);  // one running, one waiting: full
  ASSERT_TRUE(WaitRunning(1));

  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(pool_.Submit(GatedTask, IdData(9), true), -1);
  EXPECT_LT(MillisecondsSince(start), 1000);

  for (bool pump : {false, true}) {
    start = std::chrono::steady_clock::now();
    EXPECT_EQ(pool_.Submit(GatedTask, IdData(9), false, 50, pump), -1) << pump;
    EXPECT_GE(MillisecondsSince(start), 49) << pump;
  }
  EXPECT_EQ(pool_.PendingCount(), 2);
}

TEST_F(WorkerPoolTest, BlockedSubmitQueuesWhenATaskFinishes) {
  ASSERT_EQ(pool_.Start(1, 1), 1);
  SubmitGated(2);
  ASSERT_TRUE(WaitRunning(1));
  std::atomic<std::int32_t> number{-9};
  std::thread submitter([&] { number = pool_.Submit(GatedTask, IdData(2)); });
  std::this_thread::sleep_for(milliseconds(50));
  EXPECT_EQ(number, -9);  // still blocked
  P().GiveToken();
  submitter.join();
  EXPECT_EQ(number, 3);
}

TEST_F(WorkerPoolTest, BlockedSubmitDispatchesItsThreadsMessages) {
  ASSERT_EQ(pool_.Start(1, 1), 1);
  SubmitGated(2);
  ASSERT_TRUE(WaitRunning(1));
  std::shared_ptr<platform::MessageQueue> submitterQueue;
  std::mutex queueMutex;
  std::atomic<std::int32_t> number{-9};
  std::thread submitter([&] {
    {
      std::lock_guard lock(queueMutex);
      submitterQueue = platform::MessageQueue::OfCurrentThread();
    }
    number = pool_.Submit(GatedTask, IdData(2), false, 0, true);
  });
  ASSERT_TRUE(WaitFor([&] {
    std::lock_guard lock(queueMutex);
    return submitterQueue != nullptr;
  }));
  std::this_thread::sleep_for(milliseconds(30));
  // The running task finishes only when the blocked submitter dispatches this message.
  submitterQueue->Post([] { P().GiveToken(); });
  submitter.join();
  EXPECT_EQ(number, 3);
}

TEST_F(WorkerPoolTest, CancelAnswersForWaitingRunningAndFinishedTasks) {
  ASSERT_EQ(pool_.Start(1), 1);
  std::vector<std::int32_t> n = SubmitGated(3);  // ids 0, 1, 2
  ASSERT_TRUE(WaitRunning(1));
  EXPECT_EQ(pool_.Cancel(n[1]), 1);
  EXPECT_EQ(pool_.Cancel(n[0]), -1);
  EXPECT_EQ(pool_.Cancel(0), 0);
  EXPECT_EQ(pool_.Cancel(-3), 0);
  EXPECT_EQ(pool_.Cancel(99), 0);
  P().OpenGate();
  ASSERT_TRUE(WaitFor([&] { return pool_.PendingCount() == 0; }));
  EXPECT_EQ(P().Read(&Probe::started), (std::vector<int>{0, 2}));
  EXPECT_EQ(pool_.Cancel(n[0]), 0);
}

TEST_F(WorkerPoolTest, EachTaskSeesItsOwnDataWhileOthersRun) {
  ASSERT_EQ(pool_.Start(8), 1);
  for (int id = 0; id < 40; ++id) ASSERT_GT(pool_.Submit(DataTask, PatternData(id)), 0);
  ASSERT_TRUE(WaitFor([&] { return pool_.PendingCount() == 0; }));
  std::vector<int> checked = P().Read(&Probe::dataChecked);
  std::sort(checked.begin(), checked.end());
  std::vector<int> all(40);
  std::iota(all.begin(), all.end(), 0);
  EXPECT_EQ(checked, all);
  EXPECT_TRUE(P().Read(&Probe::dataKept));
  EXPECT_TRUE(pool_.CurrentTaskData().empty());  // not a worker thread
}

TEST_F(WorkerPoolTest, AnotherPoolsWorkerGetsNoData) {
  WorkerPool other;
  otherPool = &other;
  ASSERT_EQ(other.Start(1), 1);
  ASSERT_EQ(pool_.Start(1), 1);
  ASSERT_GT(pool_.Submit(OtherPoolTask, IdData(4)), 0);
  ASSERT_TRUE(WaitFor([&] { return P().Read(&Probe::dataChecked).size() == 1; }));
  EXPECT_TRUE(P().Read(&Probe::dataKept));
}

TEST_F(WorkerPoolTest, StopAllWaitsForRunningTasksDropsWaitingOnesAndRestartsNumbers) {
  ASSERT_EQ(pool_.Start(1), 1);
  SubmitGated(2);
  ASSERT_TRUE(WaitRunning(1));
  std::atomic<bool> stopped{false};
  std::thread stopper([&] {
    pool_.StopAll();
    stopped = true;
  });
  std::this_thread::sleep_for(milliseconds(50));
  EXPECT_FALSE(stopped);
  P().GiveToken();
  stopper.join();
  EXPECT_EQ(pool_.PendingCount(), 0);
  EXPECT_EQ(pool_.Submit(GatedTask, IdData(5)), 1);
  P().OpenGate();
  ASSERT_TRUE(WaitFor([&] { return pool_.PendingCount() == 0; }));
  EXPECT_EQ(P().Read(&Probe::started), (std::vector<int>{0, 5}));  // task 1 was dropped
}

TEST_F(WorkerPoolTest, StopAllAbandonsTasksWithForceOrAfterItsTimeOut) {
  struct Case {
    bool force;
    int timeoutMs;
    double atLeastMs;
  };
  ASSERT_EQ(pool_.Start(1), 1);
  for (Case c : {Case{true, 0, 0}, Case{false, 60, 59}}) {
    P().Reset(&pool_);
    EXPECT_EQ(pool_.Submit(RereadingTask, IdData(7)), 1);
    ASSERT_TRUE(WaitRunning(1));
    auto start = std::chrono::steady_clock::now();
    pool_.StopAll(c.force, c.timeoutMs);
    double elapsed = MillisecondsSince(start);
    EXPECT_GE(elapsed, c.atLeastMs);
    EXPECT_LT(elapsed, 2000);
    EXPECT_EQ(pool_.RunningCount(), 0);
    EXPECT_EQ(pool_.PendingCount(), 0);
    // The restarted pool runs new tasks beside the abandoned one.
    EXPECT_EQ(pool_.Submit(DataTask, PatternData(3)), 1);
    ASSERT_TRUE(WaitFor([&] { return P().Read(&Probe::dataChecked) == std::vector<int>{3}; }));
    P().OpenGate();
    ASSERT_TRUE(WaitFor([&] { return P().Read(&Probe::dataChecked).size() == 2; }));
    EXPECT_TRUE(P().Read(&Probe::dataKept));
    pool_.StopAll();
  }
}

TEST_F(WorkerPoolTest, PauseHoldsNewStartsAndRunningTasksAtPoolPoints) {
  ASSERT_EQ(pool_.Start(2), 1);
  ASSERT_GT(pool_.Submit(PausingTask, IdData(1)), 0);
  ASSERT_TRUE(WaitFor([&] { return P().Read(&Probe::pausingInside); }));
  pool_.Pause();
  ASSERT_GT(pool_.Submit(GatedTask, IdData(2)), 0);
  {
    std::lock_guard lock(P().mutex);
    P().pausingGo = true;
    P().changed.notify_all();
  }
  std::this_thread::sleep_for(milliseconds(50));
  EXPECT_FALSE(P().Read(&Probe::pausingPassed));  // held in CurrentTaskData
  EXPECT_TRUE(P().Read(&Probe::started).empty());  // not started while paused
  pool_.Resume();
  ASSERT_TRUE(WaitFor([&] { return P().Read(&Probe::pausingPassed); }));
  ASSERT_TRUE(WaitFor([&] { return P().Read(&Probe::started) == std::vector<int>{2}; }));
}

TEST_F(WorkerPoolTest, DestructionAbandonsRunningTasksWithoutWaiting) {
  auto pool = std::make_unique<WorkerPool>();
  P().Reset(pool.get());
  ASSERT_EQ(pool->Start(1), 1);
  ASSERT_GT(pool->Submit(GatedTask, IdData(1)), 0);
  ASSERT_GT(pool->Submit(GatedTask, IdData(2)), 0);
  ASSERT_TRUE(WaitFor([&] { return P().Read(&Probe::running) == 1; }));
  auto start = std::chrono::steady_clock::now();
  pool.reset();
  EXPECT_LT(MillisecondsSince(start), 2000);
  P().OpenGate();
  ASSERT_TRUE(WaitFor([&] { return P().Read(&Probe::running) == 0; }));
  std::this_thread::sleep_for(milliseconds(30));
  EXPECT_EQ(P().Read(&Probe::started), std::vector<int>{1});  // the waiting task never starts
  P().Reset(&pool_);
}

}  // namespace
}  // namespace brisklet::pool
