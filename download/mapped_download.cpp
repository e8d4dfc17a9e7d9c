#include "download/mapped_download.h"

#include <algorithm>
#include <chrono>
#include <system_error>

#include "download/block_plan.h"
#include "download/range_fetch.h"
#include "download/write_buffer.h"
#include "platform/http/http_transfer.h"

namespace brisklet::download {
namespace {

namespace http = platform::http;

std::vector<http::Header> HeaderBlock() {
  std::vector<http::Header> headers;
  for (auto& [name, value] : CompatRequestHeaders()) headers.push_back({name, value});
  return headers;
}

// Content-Length of the reply to a plain GET, whose body is not read; -1 when the reply is
// no success, has no usable length, or is content-coded (its length would not be the file's).
std::int64_t ProbeLength(const std::string& url) {
  http::TransferOptions options;
  options.url = url;
  options.headers = HeaderBlock();
  std::int64_t length = -1;
  auto onHeaders = [&](const http::TransferResult& head) {
    std::string coding = head.Header("Content-Encoding");
    if (head.status >= 200 && head.status < 300 && (coding.empty() || coding == "identity"))
      length = ContentRangeSize("/" + head.Header("Content-Length"));
    return false;
  };
  http::Transfer(
      options, [](const std::uint8_t*, std::size_t) { return false; }, onHeaders);
  return length;
}

// Fetches block n into its place; true when every one of its bytes arrived.
bool FetchBlock(TransferBlock& b, std::int64_t n) {
  const BlockRange range = BlockOf(n, b.fileSize);
  const std::int64_t length = BlockLength(n, b.fileSize);
  std::int64_t written = 0;

  for (int attempt = 0; attempt < b.options->blockAttempts; ++attempt) {
    {
      std::lock_guard lock(b.lock);
      if (b.stop || b.state == -1) return false;
    }
    if (attempt > 0)
      std::this_thread::sleep_for(std::chrono::milliseconds(b.options->retryPauseMs));
    RangeFetch fetch;
    fetch.url = b.address;
    fetch.headers = HeaderBlock();
    // A retry asks only for what is still missing.
    fetch.start = range.start + written;
    fetch.headers.push_back(
        {"Range", "bytes=" + std::to_string(fetch.start) + "-" + std::to_string(range.end)});
    fetch.expected = length - written;
    fetch.fileSize = b.fileSize;
    // Progress counts bytes once they are in the file: after each gathered write.
    WriteBuffer buffer(b.file, fetch.start);
    auto flush = [&] {
      std::int64_t got = static_cast<std::int64_t>(buffer.Pending());
      if (!buffer.Flush()) return false;
      std::lock_guard lock(b.lock);
      b.doneBytes += got;
      if (b.callback) b.callback(1, b.fileSize, b.doneBytes);
      if (b.options->onBytes) b.options->onBytes(b.doneBytes, b.fileSize);
      return true;
    };
    auto write = [&](std::int64_t, const std::uint8_t* data, std::size_t size) {
      if (buffer.Pending() + size > kWriteBufferBytes && !flush()) return false;
      return buffer.Add(data, size);
    };
    // The transfer's own stop flag: a closed window or a failed block ends every connection
    // at once, a stalled one included.
    RangeResult r = FetchRange(fetch, write, {}, &b.stop);
    if (!flush()) return false;
    written += r.received;
    if (r.outcome == RangeOutcome::Complete) return true;
    if (r.outcome != RangeOutcome::Failed) return false;  // the writer failed, or stopped
  }
  return false;
}

// A BlockWorker: one worker slot, fetching the blocks the Supervisor hands it one after
// another. A thread per block, as the original made, costs a thread's start and end per MiB;
// a slot keeps its thread (and, in the HTTP layer, its connection) for the next block.
void BlockWorker(TransferBlock& b, std::size_t slot) {
  std::unique_lock lock(b.lock);
  for (;;) {
    b.slotReady[slot].wait(lock, [&] { return b.slotBlock[slot] != 0; });
    const std::int64_t n = b.slotBlock[slot];
    if (n < 0) return;
    lock.unlock();
    const bool complete = FetchBlock(b, n);
    lock.lock();
    if (!complete) {
      b.state = -1;
      b.stop = true;
    }
    b.slotBlock[slot] = 0;
    b.activeWorkers -= 1;
    b.changed.notify_one();
  }
}

// Hands the blocks out in order to idle slots, starting slot threads as they are first
// needed, never more than threadLimit; wakes only when a worker ends a block or the transfer
// stops. Then ends the slots, and reports.
void Supervisor(std::shared_ptr<TransferBlock> block) {
  TransferBlock& b = *block;
  std::vector<std::thread> threads;
  std::unique_lock lock(b.lock);
  for (std::int64_t handed = 0; handed < b.blockCount;) {
    b.changed.wait(lock,
                   [&] { return b.activeWorkers < b.threadLimit || b.state == -1 || b.stop; });
    if (b.state == -1 || b.stop) break;
    std::size_t slot = 0;
    while (slot < threads.size() && b.slotBlock[slot] != 0) ++slot;
    handed += 1;
    b.slotBlock[slot] = handed;
    b.activeWorkers += 1;
    if (slot == threads.size()) {
      try {
        threads.emplace_back(BlockWorker, std::ref(b), slot);
      } catch (const std::system_error&) {
        b.slotBlock[slot] = 0;
        b.activeWorkers -= 1;
        b.state = -1;
      }
    } else {
      b.slotReady[slot].notify_one();
    }
  }
  b.changed.wait(lock, [&] { return b.activeWorkers == 0; });
  for (std::size_t slot = 0; slot < threads.size(); ++slot) {
    b.slotBlock[slot] = -1;
    b.slotReady[slot].notify_one();
  }
  const bool complete = b.state == 0 && !b.stop && b.doneBytes == b.fileSize;
  lock.unlock();
  for (std::thread& t : threads) t.join();

  bool closed = b.file.Close();
  if (!complete || !closed) platform::fs::RemoveFile(b.path);  // no holes under the final name
  if (b.callback) b.callback(complete && closed ? 0 : -1, b.fileSize, b.doneBytes);
}

}  // namespace

std::vector<std::pair<std::string, std::string>> CompatRequestHeaders() {
  return {{"Accept", "*/*"},
          {"Accept-Language", "zh-cn"},
          {"Accept-Encoding", "gzip, deflate"},
          {"User-Agent",
           "Mozilla/4.0(compatible; MSIE 6.0; Windows NT 5.0; MyIE2; .NET CLR 1.1.4322)"}};
}

MappedDownload::MappedDownload(std::shared_ptr<TransferBlock> block, std::thread supervisor)
    : block_(std::move(block)), supervisor_(std::move(supervisor)) {}

MappedDownload::~MappedDownload() {
  Stop();
  Wait();
}

void MappedDownload::Stop() {
  block_->stop = true;
  block_->changed.notify_all();
}

void MappedDownload::Wait() {
  if (supervisor_.joinable()) supervisor_.join();
}

MappedStart StartMappedDownload(const std::string& url, const std::string& path, int threads,
                                ProgressRoutine callback, const DownloadOptions& options) {
  MappedStart start;
  std::int64_t size = ProbeLength(url);
  if (size < 0) return start;
  auto block = std::make_shared<TransferBlock>();
  block->file = platform::fs::File::Create(path);
  if (!block->file.IsOpen() || !block->file.SetSize(size)) return start;
  if (size == 0) {
    start.code = 0;
    return start;
  }
  block->address = url;
  block->callback = std::move(callback);
  block->path = path;
  block->options = &options;
  block->fileSize = size;
  block->blockCount = BlockCount(size);
  block->threadLimit = ThreadLimit(std::max(threads, 1), block->blockCount);
  block->slotBlock.assign(static_cast<std::size_t>(block->threadLimit), 0);
  block->slotReady =
      std::vector<std::condition_variable>(static_cast<std::size_t>(block->threadLimit));
  try {
    std::thread supervisor(Supervisor, block);
    start.transfer = std::make_unique<MappedDownload>(block, std::move(supervisor));
    start.code = 1;
  } catch (const std::system_error&) {
    platform::fs::RemoveFile(path);
  }
  return start;
}

}  // namespace brisklet::download
