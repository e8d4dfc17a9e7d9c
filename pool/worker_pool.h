#pragma once
// WorkerPool: runs submitted tasks, each on a thread of its own, starting them strictly in the
// order of submission with at most maxThreads running at once. A task is a routine without
// arguments plus a byte string of data that the routine fetches with CurrentTaskData.
// (Declarations fixed for the users of the pool; see pool/ for the implementation notes.)
#include <cstdint>

#include "platform/bytes.h"

namespace brisklet::pool {

using TaskRoutine = void (*)();

class WorkerPool {
 public:
  WorkerPool();
  ~WorkerPool();  // Teardown: see the implementation for what happens to running tasks
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
  // The data of the task the calling worker thread runs.
  Bytes CurrentTaskData();
  int WaitingCount();
  int PendingCount();
  int RunningCount();
  void Pause();
  void Resume();
  void StopAll(bool force = false, int timeoutMs = 0, bool pumpMessages = false);

 private:
  struct Impl;
  Impl* impl_;
};

}  // namespace brisklet::pool
