#include "download/mapped_download.h"

#include <chrono>
#include <system_error>

#include "download/block_plan.h"
#include "download/range_fetch.h"
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
  http::Transfer(options, [](const std::uint8_t*, std::size_t) { return false; }, onHeaders);
  return length;
}

void BlockWorker(std::shared_ptr<TransferBlock> block, std::int64_t n) {
  TransferBlock& b = *block;
  const BlockRange range = BlockOf(n, b.fileSize);
  const std::int64_t length = BlockLength(n, b.fileSize);
  std::int64_t written = 0;
  bool complete = false;
  bool fatal = false;
  std::atomic<bool> stop{false};

  for (int attempt = 0; attempt < b.options->blockAttempts && !complete && !fatal; ++attempt) {
    {
      std::lock_guard lock(b.lock);
      if (b.stop || b.state == -1) break;
    }
    if (attempt > 0) std::this_thread::sleep_for(std::chrono::milliseconds(b.options->retryPauseMs));
    RangeFetch fetch;
    fetch.url = b.address;
    fetch.headers = HeaderBlock();
    // A retry asks only for what is still missing.
    fetch.start = range.start + written;
    fetch.headers.push_back({"Range", "bytes=" + std::to_string(fetch.start) + "-" + std::to_string(range.end)});
    fetch.expected = length - written;
    fetch.fileSize = b.fileSize;
    auto write = [&](std::int64_t offset, const std::uint8_t* data, std::size_t size) {
      return b.file.WriteAt(fetch.start + offset, data, size);
    };
    auto progress = [&](std::int64_t got) {
      std::lock_guard lock(b.lock);
      b.doneBytes += got;
      if (b.callback) b.callback(1, b.fileSize, b.doneBytes);
      if (b.options->onBytes) b.options->onBytes(b.doneBytes, b.fileSize);
      if (b.state == -1 || b.stop) stop = true;  // stop after this read
    };
    RangeResult r = FetchRange(fetch, write, progress, &stop);
    written += r.received;
    complete = r.outcome == RangeOutcome::Complete;
    fatal = r.outcome == RangeOutcome::WriteFailed || r.outcome == RangeOutcome::Stopped;
  }

  std::lock_guard lock(b.lock);
  if (!complete) b.state = -1;
  b.activeWorkers -= 1;
  b.endedWorkers.push_back(n);
  b.changed.notify_all();
}

void Supervisor(std::shared_ptr<TransferBlock> block) {
  TransferBlock& b = *block;
  std::map<std::int64_t, std::thread> workers;
  auto joinEnded = [&](std::unique_lock<std::mutex>& lock) {
    std::vector<std::int64_t> ended;
    ended.swap(b.endedWorkers);
    lock.unlock();
    for (std::int64_t n : ended) {
      workers[n].join();
      workers.erase(n);
    }
    lock.lock();
  };

  std::unique_lock lock(b.lock);
  for (std::int64_t handed = 0; handed < b.blockCount;) {
    b.changed.wait(lock, [&] {
      return b.activeWorkers < b.threadLimit || b.state == -1 || b.stop || !b.endedWorkers.empty();
    });
    joinEnded(lock);
    if (b.state == -1 || b.stop) break;
    if (b.activeWorkers >= b.threadLimit) continue;
    handed += 1;
    b.activeWorkers += 1;
    try {
      workers.emplace(handed, std::thread(BlockWorker, block, handed));
    } catch (const std::system_error&) {
      b.activeWorkers -= 1;
      b.state = -1;
    }
  }
  while (b.activeWorkers > 0 || !b.endedWorkers.empty()) {
    b.changed.wait(lock, [&] { return b.activeWorkers == 0 || !b.endedWorkers.empty(); });
    joinEnded(lock);
  }
  const bool complete = b.state == 0 && !b.stop && b.doneBytes == b.fileSize;
  lock.unlock();

  bool closed = b.file.Close();
  if (!complete || !closed) platform::fs::RemoveFile(b.path);  // no holes under the final name
  if (b.callback) b.callback(complete && closed ? 0 : -1, b.fileSize, b.doneBytes);
}

}  // namespace

std::vector<std::pair<std::string, std::string>> CompatRequestHeaders() {
  return {{"Accept", "*/*"},
          {"Accept-Language", "zh-cn"},
          {"Accept-Encoding", "gzip, deflate"},
          {"User-Agent", "Mozilla/4.0(compatible; MSIE 6.0; Windows NT 5.0; MyIE2; .NET CLR 1.1.4322)"}};
}

MappedDownload::MappedDownload(std::shared_ptr<TransferBlock> block, std::thread supervisor)
    : block_(std::move(block)), supervisor_(std::move(supervisor)) {}

MappedDownload::~MappedDownload() {
  Stop();
  Wait();
}

void MappedDownload::Stop() {
  std::lock_guard lock(block_->lock);
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
  block->threadLimit = ThreadLimit(threads, block->blockCount);
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
