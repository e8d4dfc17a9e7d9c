#pragma once
// What one engine-0 job shares with its segment tasks beyond AppState's job fields: the
// window, the options, and the flags by which a closed window or a failed segment stops the
// others. It lives on the job's stack from before the first submission until no task is
// pending, so a task may hold its address (carried after the 24 bytes of its SegmentTask).
#include <atomic>
#include <cstdint>

#include "app/app_state.h"
#include "download/download_options.h"
#include "download/segment_plan.h"
#include "platform/ui/window.h"

namespace brisklet::download {

struct SegmentJob {
  enum Failure : int { None = 0, SegmentGaveUp = 1, WriteFailed = 2 };

  app::AppState* state = nullptr;
  platform::Window* window = nullptr;
  const DownloadOptions* options = nullptr;

  std::atomic<bool> stop{false};   // closed window or failed job: tasks end early
  std::atomic<int> failure{None};  // the first failure wins
  std::atomic<std::int64_t> bytesDone{0};
  std::atomic<int> finishedTasks{0};  // segments whose part file is complete

  void Fail(Failure f) {
    int none = None;
    failure.compare_exchange_strong(none, f);
    stop = true;
  }
};

// Task data: the SegmentTask's 24 bytes, then the job's address (8 bytes, this process only).
Bytes SegmentTaskData(const SegmentTask& task, SegmentJob* job);
SegmentJob* JobOfTaskData(const Bytes& data);

}  // namespace brisklet::download
