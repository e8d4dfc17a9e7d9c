// The worker pool against a plain std::thread per task: the time from Submit to the routine's
// start, and the throughput of 10,000 short tasks with at most 32 running at once.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <deque>
#include <thread>

#include "pool/worker_pool.h"

namespace {

using brisklet::Bytes;
using brisklet::pool::WorkerPool;
using Clock = std::chrono::steady_clock;

constexpr int kTasks = 10000;
constexpr int kThreads = 32;

WorkerPool* gPool = nullptr;
std::atomic<Clock::rep> gStartedAt{0};
std::atomic<int> gDone{0};
std::atomic<std::size_t> gDataSeen{0};

void MarkStart() { gStartedAt.store(Clock::now().time_since_epoch().count()); }

void ShortTask() {
  gDataSeen += gPool->CurrentTaskData().size();
  gDone.fetch_add(1);
}

void ShortThreadTask(Bytes data) {
  gDataSeen += Bytes(data).size();
  gDone.fetch_add(1);
}

// Waits (spinning, then yielding) for the routine to record its start; seconds from `submitted`.
double SecondsToStart(Clock::time_point submitted) {
  while (gStartedAt.load() == 0) std::this_thread::yield();
  Clock::time_point started{Clock::duration(gStartedAt.load())};
  return std::chrono::duration<double>(started - submitted).count();
}

void BM_PoolSubmitToStart(benchmark::State& state) {
  WorkerPool pool;
  pool.Start(kThreads);
  const Bytes data(24, 1);
  for (auto _ : state) {
    gStartedAt = 0;
    auto submitted = Clock::now();
    pool.Submit(MarkStart, data);
    state.SetIterationTime(SecondsToStart(submitted));
  }
  while (pool.PendingCount() > 0) std::this_thread::yield();
}
BENCHMARK(BM_PoolSubmitToStart)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(2000);

void BM_ThreadSubmitToStart(benchmark::State& state) {
  for (auto _ : state) {
    gStartedAt = 0;
    auto submitted = Clock::now();
    std::thread worker(MarkStart);
    state.SetIterationTime(SecondsToStart(submitted));
    worker.join();
  }
}
BENCHMARK(BM_ThreadSubmitToStart)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(2000);

void BM_Pool10000Tasks32Threads(benchmark::State& state) {
  const Bytes data(24, 1);
  for (auto _ : state) {
    WorkerPool pool;
    gPool = &pool;
    pool.Start(kThreads, kTasks);
    gDone = 0;
    for (int i = 0; i < kTasks; ++i) pool.Submit(ShortTask, data);
    while (pool.PendingCount() > 0) std::this_thread::sleep_for(std::chrono::microseconds(50));
  }
  state.SetItemsProcessed(state.iterations() * kTasks);
}
BENCHMARK(BM_Pool10000Tasks32Threads)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

// A thread per task, at most 32 alive: when 32 run, the oldest is joined before the next starts.
void BM_Thread10000Tasks32Threads(benchmark::State& state) {
  const Bytes data(24, 1);
  for (auto _ : state) {
    gDone = 0;
    std::deque<std::thread> live;
    for (int i = 0; i < kTasks; ++i) {
      if (live.size() == kThreads) {
        live.front().join();
        live.pop_front();
      }
      live.emplace_back(ShortThreadTask, data);
    }
    for (auto& t : live) t.join();
  }
  state.SetItemsProcessed(state.iterations() * kTasks);
}
BENCHMARK(BM_Thread10000Tasks32Threads)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
