#pragma once
// Engine 1: the file is made at its full size and fetched in 1 MiB blocks, each written in
// place (positioned writes into the preallocated file) by a BlockWorker. A Supervisor thread
// hands the blocks out in order to at most threadLimit workers (slots whose threads fetch one
// block after another), and reports the end through the progress callback: 1 progress (from the
// workers, inside the transfer's lock, so in the order of the byte counts), 0 finished, -1 failed
// (from the supervisor).
//
// Sound where the original was not: sizes are 64-bit; a block reply must be 206 for its range
// (or 200 for a one-block file) without content coding, and a block counts only when every
// one of its bytes arrived — a connection that ends early is resumed where it broke off, up to
// blockAttempts times, after which the transfer fails and the output file is removed. Linux
// has no safe thread termination: Stop() raises a flag that every worker checks between reads.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "download/download_options.h"
#include "platform/fs/file.h"

namespace brisklet::download {

using ProgressRoutine = std::function<void(int event, std::int64_t total, std::int64_t done)>;

// One transfer's shared record (the original's TransferBlock).
struct TransferBlock {
  std::string address;
  ProgressRoutine callback;
  std::string path;
  platform::fs::File file;
  const DownloadOptions* options = nullptr;

  std::mutex lock;                  // guards the fields below and every progress call
  std::condition_variable changed;  // a worker ended, or the transfer failed or was stopped
  int threadLimit = 0;
  int activeWorkers = 0;
  int state = 0;  // 0 running, -1 failed
  // Raised by Stop() without the lock: Stop may come from a window's listener while a progress
  // call, made under this lock, holds the window's session. A wake-up lost to the missing lock
  // is made up by the next worker that ends, and every worker ends soon after it sees the flag.
  std::atomic<bool> stop{false};
  std::int64_t blockCount = 0;
  std::int64_t doneBytes = 0;
  std::int64_t fileSize = 0;
  // Worker slots: the block a slot's thread is to fetch (0 idle, -1 end), and its wake-up.
  std::vector<std::int64_t> slotBlock;
  std::vector<std::condition_variable> slotReady;
};

// What the starter keeps: it can stop the transfer and waits for it when it goes away.
class MappedDownload {
 public:
  MappedDownload(std::shared_ptr<TransferBlock> block, std::thread supervisor);
  ~MappedDownload();  // Stop(), then waits for the supervisor
  MappedDownload(const MappedDownload&) = delete;
  MappedDownload& operator=(const MappedDownload&) = delete;

  void Stop();
  void Wait();

 private:
  std::shared_ptr<TransferBlock> block_;
  std::thread supervisor_;
};

struct MappedStart {
  int code = -1;  // 1 started, 0 the size is 0, -1 failed (nothing started)
  std::unique_ptr<MappedDownload> transfer;
};

// Probes the address (the body is never read), creates the output at its full size and starts
// the Supervisor. Returns at once. `options` must outlive the transfer.
MappedStart StartMappedDownload(const std::string& url, const std::string& path, int threads,
                                ProgressRoutine callback, const DownloadOptions& options);

// The fixed header lines every engine-1 request sends, in order.
std::vector<std::pair<std::string, std::string>> CompatRequestHeaders();

}  // namespace brisklet::download
