#include "download/segment_worker.h"

#include <chrono>
#include <cstring>
#include <thread>

#include "download/progress_text.h"
#include "download/range_fetch.h"
#include "download/segment_job.h"
#include "download/window_texts.h"
#include "download/write_buffer.h"
#include "platform/codepage.h"
#include "platform/fs/file.h"

namespace brisklet::download {
namespace {

const char* const kEngine0UserAgent =
    "Mozilla/5.0 (Windows NT 10.0; WOW64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/55.0.2883.87 Safari/537.36";

// The request the job's probe and every segment send, in the order the headers are set; the
// request object adds "Accept-Language: zh-cn" after the caller's headers.
std::vector<platform::http::Header> SegmentHeaders(const std::string& range,
                                                   const std::string& url) {
  return {{"Range", "bytes=" + range},
          {"Accept", "*/*"},
          {"Referer", url},
          {"User-Agent", kEngine0UserAgent},
          {"Accept-Language", "zh-cn"}};
}

std::string PartPath(const std::string& folder, std::int64_t index) {
  return folder + std::to_string(index) + ".ling";
}

enum class Attempt { Done, Retry, WriteFailed, Stopped };

// One attempt: the reply streams into "<n>.ling.tmp", which becomes "<n>.ling" only when it
// holds exactly the segment's bytes, so a part file always means a complete segment.
Attempt FetchOnce(SegmentJob& job, const SegmentTask& task) {
  app::AppState& state = *job.state;
  const std::string part = PartPath(state.partFolder, task.index);
  const std::string temp = part + ".tmp";
  platform::fs::File file = platform::fs::File::Create(temp);
  if (!file.IsOpen()) return Attempt::WriteFailed;

  RangeFetch fetch;
  fetch.url = state.jobUrl;
  fetch.headers =
      SegmentHeaders(std::to_string(task.start) + "-" + std::to_string(task.end), state.jobUrl);
  fetch.start = task.start;
  fetch.expected = SegmentLength(task, state.fileSize);
  fetch.fileSize = state.fileSize;

  WriteBuffer buffer(file, 0);
  auto write = [&](std::int64_t, const std::uint8_t* data, std::size_t n) {
    return buffer.Add(data, n);
  };
  auto counted = [&](std::int64_t n) {
    std::int64_t done = job.bytesDone += n;
    if (job.options->onBytes) job.options->onBytes(done, state.fileSize);
  };
  RangeResult r = FetchRange(fetch, write, counted, &job.stop);
  if (!buffer.Flush()) r.outcome = RangeOutcome::WriteFailed;

  if (r.outcome == RangeOutcome::Complete && file.Close() && platform::fs::RenameFile(temp, part))
    return Attempt::Done;
  job.bytesDone -= r.received;  // the next attempt fetches them again
  platform::fs::RemoveFile(temp);
  switch (r.outcome) {
    case RangeOutcome::Complete:
    case RangeOutcome::WriteFailed:
      return Attempt::WriteFailed;
    case RangeOutcome::Stopped:
      return Attempt::Stopped;
    case RangeOutcome::Failed:
      return Attempt::Retry;
  }
  return Attempt::Retry;
}

// The pause between attempts, cut short when the job stops.
void Pause(const SegmentJob& job) {
  auto until =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(job.options->retryPauseMs);
  while (!job.stop && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

void ShowCompletion(SegmentJob& job) {
  app::AppState& state = *job.state;
  platform::Window& w = *job.window;
  const WindowTexts& t = Texts();
  state.progressLock.Enter();
  state.completedSegments += 1;
  SegmentProgress p =
      SegmentProgressOf(state.completedSegments, state.segmentCount, state.fileSize);
  w.SetText(t.progressLabel, p.percentText);
  w.SetText(t.sizeLabel, p.sizeText);
  w.SetWidth(t.bar, p.barWidth);
  state.progressLock.Leave();
}

}  // namespace

Bytes SegmentTaskData(const SegmentTask& task, SegmentJob* job) {
  Bytes data = EncodeSegmentTask(task);
  auto address = reinterpret_cast<std::uintptr_t>(job);
  for (int i = 0; i < 8; ++i)
    data.push_back(static_cast<std::uint8_t>(static_cast<std::uint64_t>(address) >> (8 * i)));
  return data;
}

SegmentJob* JobOfTaskData(const Bytes& data) {
  if (data.size() != 32) return nullptr;
  std::uint64_t address = 0;
  for (int i = 7; i >= 0; --i) address = (address << 8) | data[24 + i];
  return reinterpret_cast<SegmentJob*>(static_cast<std::uintptr_t>(address));
}

void SegmentWorker() {
  Bytes data = app::AppState::Instance().workerPool.CurrentTaskData();
  SegmentJob* job = JobOfTaskData(data);
  std::optional<SegmentTask> task = DecodeSegmentTask(data);
  if (!job || !task) return;

  for (int attempt = 0; attempt < job->options->segmentAttempts; ++attempt) {
    if (job->stop) return;
    switch (FetchOnce(*job, *task)) {
      case Attempt::Done:
        ShowCompletion(*job);
        job->finishedTasks += 1;
        job->window->Post([] {});  // wake the job's wait at once
        return;
      case Attempt::WriteFailed:
        job->Fail(SegmentJob::WriteFailed);
        job->window->Post([] {});
        return;
      case Attempt::Stopped:
        return;
      case Attempt::Retry:
        Pause(*job);
        break;
    }
  }
  if (job->stop) return;
  job->window->SetText(Texts().progressLabel, Texts().segmentFailed);
  job->Fail(SegmentJob::SegmentGaveUp);
  job->window->Post([] {});
}

}  // namespace brisklet::download
