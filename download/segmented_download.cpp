#include "download/segmented_download.h"

#include <optional>

#include "download/completion_clip.h"
#include "download/file_name.h"
#include "download/progress_text.h"
#include "download/pump_until.h"
#include "download/range_fetch.h"
#include "download/segment_job.h"
#include "download/segment_plan.h"
#include "download/segment_worker.h"
#include "download/thread_count.h"
#include "download/window_texts.h"
#include "platform/codepage.h"
#include "platform/fs/file.h"
#include "platform/fs/folder.h"
#include "platform/http/http_transfer.h"
#include "platform/ui/ui_backend.h"

namespace brisklet::download {
namespace {

namespace http = platform::http;
using Result = DownloadOutcome::Result;

struct Probe {
  std::int64_t fileSize = -1;  // -1: no usable Content-Range
  std::string contentDisposition;
};

// A range of one byte: the reply's Content-Range carries the size. A server that ignores
// ranges answers with the whole file, so the body is never read past its first bytes.
Probe ProbeAddress(const std::string& url, const std::atomic<bool>& stop) {
  http::TransferOptions options;
  options.url = url;
  options.headers = {{"Accept", "*/*"},
                     {"Referer", url},
                     {"User-Agent",
                      "Mozilla/5.0 (Windows NT 10.0; WOW64) AppleWebKit/537.36 (KHTML, like Gecko) "
                      "Chrome/55.0.2883.87 Safari/537.36"},
                     {"Range", "bytes=0-0"},
                     {"Accept-Language", "zh-cn"}};
  std::int64_t bodyBytes = 0;
  auto onBody = [&](const std::uint8_t*, std::size_t n) {
    bodyBytes += static_cast<std::int64_t>(n);
    return bodyBytes <= 1;
  };
  http::TransferResult r = http::Transfer(options, onBody, {}, &stop);
  Probe probe;
  probe.fileSize = ContentRangeSize(r.Header("Content-Range"));
  probe.contentDisposition = r.Header("Content-Disposition");
  return probe;
}

void Close(platform::Window& window, const DownloadOptions& options) {
  PumpUntil([&] { return window.IsDestroyed(); }, options.closeDelayMs);
  window.SetWidth(Texts().bar, 0);
  window.Destroy();
}

DownloadOutcome Report(const DownloadOptions& options, Result result, std::string path,
                       std::int64_t size) {
  DownloadOutcome outcome{result, std::move(path), size};
  if (options.onOutcome) options.onOutcome(outcome);
  return outcome;
}

// Joins the parts, in order, into a temporary file beside the final one while the download
// runs: a part is appended (and removed) as soon as it and every part before it are on disk, so
// little copying is left when the last segment arrives. The temporary file becomes the final
// one only when every part was there with exactly its bytes: the final name never holds a
// partial file.
class PartMerger {
 public:
  PartMerger(const std::vector<SegmentTask>& plan, std::int64_t fileSize, std::string partFolder,
             std::string finalPath)
      : plan_(plan),
        fileSize_(fileSize),
        partFolder_(std::move(partFolder)),
        finalPath_(std::move(finalPath)),
        temp_(finalPath_ + ".brisklet-tmp"),
        out_(platform::fs::File::Create(temp_)) {
    failed_ = !out_.IsOpen();
  }
  ~PartMerger() {
    if (!done_) {
      (void)out_.Close();  // the temporary file goes anyway
      platform::fs::RemoveFile(temp_);
    }
  }

  // Appends every complete part that is next in order. False once a write failed.
  bool AppendReady() {
    while (!failed_ && next_ < plan_.size()) {
      const SegmentTask& task = plan_[next_];
      std::string part = partFolder_ + std::to_string(task.index) + ".ling";
      std::int64_t length = SegmentLength(task, fileSize_);
      if (platform::fs::FileSize(part) != length) break;  // not here yet
      failed_ = !out_.AppendFile(part, length);
      platform::fs::RemoveFile(part);
      ++next_;
    }
    return !failed_;
  }

  // Appends what is left; true when the final file holds every byte.
  bool Finish() {
    AppendReady();
    bool ok = !failed_ && next_ == plan_.size() && out_.AppendedSize() == fileSize_;
    ok = out_.Close() && ok && platform::fs::RenameFile(temp_, finalPath_);
    done_ = ok;
    return ok;
  }

 private:
  const std::vector<SegmentTask>& plan_;
  const std::int64_t fileSize_;
  const std::string partFolder_, finalPath_, temp_;
  platform::fs::File out_;
  std::size_t next_ = 0;
  bool failed_ = false;
  bool done_ = false;
};

}  // namespace

bool EnsureFolder(std::string& folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return platform::fs::CreateFolders(folder);
}

DownloadOutcome SegmentedDownload(app::AppState& state, platform::Window& window,
                                  const DownloadOptions& options) {
  const WindowTexts& t = Texts();
  SegmentJob job;
  job.state = &state;
  job.window = &window;
  job.options = &options;

  const int threads = UsableThreadCount(state.threadCount.load());
  state.workerPool.Start(threads);
  state.segmentSize = kMinSegmentSize;
  state.jobUrl = state.downloadAddress;

  Probe probe = ProbeAddress(state.jobUrl, job.stop);
  if (probe.fileSize < 0) {
    window.SetText(t.nameLabel, t.probeFailed);
    DownloadOutcome outcome = Report(options, Result::NoFileData, "", -1);
    Close(window, options);
    return outcome;
  }
  state.fileSize = probe.fileSize;
  state.segmentSize = PlanSegmentSize(state.fileSize, threads);

  const std::string name = SafeFileName(JobFileName(probe.contentDisposition, state.jobUrl));
  window.SetText(t.nameLabel, t.namePrefix + name);
  window.SetText(t.sizeLabel, SegmentSizeLabel(state.fileSize));

  std::string saveFolder = options.saveFolder.empty() ? DefaultSaveFolder() : options.saveFolder;
  const std::string partsRoot =
      (options.cacheFolder.empty() ? DefaultCacheFolder() : options.cacheFolder) +
      platform::Gbk("临时下载文件/");
  state.partFolder = partsRoot + name + "/";
  // Parts left by an interrupted job of the same name must never be merged into this one.
  platform::fs::RemoveTreeInside(partsRoot, state.partFolder);
  if (!EnsureFolder(state.partFolder) || !EnsureFolder(saveFolder)) {
    window.SetText(t.progressLabel, t.writeFailed);
    DownloadOutcome outcome = Report(options, Result::WriteFailed, "", state.fileSize);
    Close(window, options);
    return outcome;
  }
  const std::string finalPath = saveFolder + name;

  const std::vector<SegmentTask> plan = PlanSegments(state.fileSize, state.segmentSize);
  state.segmentCount = static_cast<std::int64_t>(plan.size());
  state.progressLock.Enter();
  state.completedSegments = 0;
  state.progressLock.Leave();
  std::optional<PartMerger> merger;
  merger.emplace(plan, state.fileSize, state.partFolder, finalPath);
  for (const SegmentTask& task : plan) {
    if (state.workerPool.Submit(&SegmentWorker, SegmentTaskData(task, &job)) <= 0) {
      job.Fail(SegmentJob::SegmentGaveUp);
      break;
    }
  }

  // Wait for every task, joining parts as they complete; a closed window stops the tasks,
  // and they end soon after. Every finished task posts to this thread, so the wait wakes.
  while (state.workerPool.PendingCount() != 0) {
    const int finished = job.finishedTasks.load();
    PumpUntil(
        [&] {
          return window.IsDestroyed() || job.finishedTasks.load() != finished ||
                 state.workerPool.PendingCount() == 0;
        },
        100);
    if (window.IsDestroyed()) job.stop = true;
    if (!job.stop && !merger->AppendReady()) job.Fail(SegmentJob::WriteFailed);
  }

  Result result = Result::Complete;
  if (window.IsDestroyed() && job.failure == SegmentJob::None) {
    result = Result::Stopped;
  } else if (job.failure == SegmentJob::SegmentGaveUp) {
    result = Result::Incomplete;
  } else if (job.failure == SegmentJob::WriteFailed || !merger->Finish()) {
    window.SetText(t.progressLabel, t.writeFailed);
    result = Result::WriteFailed;
  }
  merger.reset();  // an unfinished merge takes its temporary file with it
  platform::fs::RemoveTreeInside(partsRoot, state.partFolder);

  if (result == Result::Complete) {
    window.SetText(t.progressLabel, t.completed);
    platform::CurrentUiBackend().PlayWave(CompletionClip());
  }
  DownloadOutcome outcome =
      Report(options, result, result == Result::Complete ? finalPath : "", state.fileSize);
  Close(window, options);
  return outcome;
}

}  // namespace brisklet::download
