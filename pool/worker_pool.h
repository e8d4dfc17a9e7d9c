#pragma once
// WorkerPool: runs submitted tasks, each on a thread of its own, starting them strictly in the
// order of submission with at most maxThreads running at once. A task is a routine without
// arguments plus a byte string of data that the routine fetches with CurrentTaskData.
//
// Linux has no safe way to suspend or kill a thread from outside, so the pool stops and pauses
// its workers at its own points and abandons the ones it cannot wait for:
// - Pause stops new starts; a running task is held when it next calls CurrentTaskData or
//   PausePoint, until Resume. Code between those points keeps running.
// - StopAll with force or after its time-out, and destruction, abandon the tasks still running:
//   the pool forgets them at once (they no longer count as running or pending), each keeps the
//   pool's shared state and its own data alive until its routine returns, and what it would
//   have recorded then is dropped. Process exit ends any that still run.
// - Every worker thread is detached exactly once, right after it is created; nothing else ever
//   holds or closes its handle.
// docs/pool.md has the whole design.
#include <cstdint>

#include "platform/bytes.h"

namespace brisklet::pool {

using TaskRoutine = void (*)();

class WorkerPool {
 public:
  WorkerPool();
  ~WorkerPool();  // Stops the dispatcher and abandons running tasks (see above); never blocks on them
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  // 1 when started; 0 when already running (nothing changes, limits included).
  // 0 or omitted limits give the defaults (100 threads, queue limit 10000).
  int Start(int maxThreads = 0, int queueLimit = 0);
  void SetQueueLimit(int n);
  void SetMaxThreads(int n);
  // Task number (1 or more); 0 when the pool is not running; -1 when not queued (full with
  // failIfFull, time-out, or the pool stopped while waiting).
  std::int32_t Submit(TaskRoutine routine, const Bytes& data, bool failIfFull = false,
                      int timeoutMs = 0, bool pumpMessages = false);
  // 1 cancelled; 0 no such waiting or running task; -1 already running; -2 bad record.
  int Cancel(std::int32_t taskNumber);
  // The data of the task the calling worker thread runs; empty on a thread that is not a worker
  // of this pool. While the pool is paused it waits for Resume first.
  Bytes CurrentTaskData();
  // Called from a task routine: returns at once unless the pool is paused, then waits for
  // Resume (or for the task to be abandoned by StopAll or destruction).
  void PausePoint();
  int WaitingCount();
  int PendingCount();
  int RunningCount();
  void Pause();
  void Resume();
  // Stops starting tasks, drops the waiting ones, waits for the running ones (without force;
  // with a time-out above 0 at most that long, then abandons the rest), and starts again empty
  // with the same limits: the next Submit gets number 1. Nothing on a pool never started.
  void StopAll(bool force = false, int timeoutMs = 0, bool pumpMessages = false);

 private:
  struct Impl;
  Impl* impl_;
};

}  // namespace brisklet::pool
