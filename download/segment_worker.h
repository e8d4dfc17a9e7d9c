#pragma once
// SegmentWorker: engine 0's pool task. Fetches one segment of the job into its part file,
// retrying until a reply brings exactly the segment's bytes, then advances the window's
// progress under progressLock. Runs on a pool thread; reads the job state of
// AppState::Instance() and the SegmentJob named by its task data.
namespace brisklet::download {

void SegmentWorker();

}  // namespace brisklet::download
