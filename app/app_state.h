#pragma once
// AppState: the one process-wide state record. Texts are GBK byte strings.
//
// Threads: the user-interface thread writes the shell's fields; engine threads read
// downloadAddress, threadCount and the engine-0 job state, which the job writes before its
// first task is submitted and leaves alone until no task is pending. completedSegments is
// guarded by progressLock. announcementText is written by two threads at once on a refresh
// tick, so it is only reached through its guarded accessors.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "app/config.h"
#include "pool/lock.h"
#include "pool/worker_pool.h"

namespace brisklet::app {

struct AppState {
  std::string linkText;
  std::string downloadAddress;
  std::atomic<std::int32_t> engine{0};
  std::atomic<std::int32_t> threadCount{0};  // 0 = not set: readers use 32
  pool::WorkerPool workerPool;

  // Engine-0 job state.
  std::int64_t segmentSize = 0;
  std::string jobUrl;
  std::int64_t fileSize = 0;
  std::string partFolder;
  std::int64_t segmentCount = 0;
  pool::Lock progressLock;
  std::int64_t completedSegments = 0;  // under progressLock

  // brisklet.conf as read at start-up: the outside servers and the link patterns.
  Config config;

  // User-interface thread only. True while HandOffAddress has a download window open, so
  // that clipboard ticks leave the clipboard alone until it closes (two engine-0 jobs at
  // once would share one job state).
  bool handOffOpen = false;

  std::string AnnouncementText() const;
  void SetAnnouncementText(std::string text);

  static AppState& Instance();

 private:
  mutable std::mutex announcementMutex_;
  std::string announcementText_;
};

}  // namespace brisklet::app
