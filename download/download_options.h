#pragma once
// What a download window is told besides AppState: where files go, how long its last text
// stays, how persistent it is, and whom to tell about bytes and the outcome. The tray program
// uses the defaults; `brisklet get` and the tests set what they need.
#include <cstdint>
#include <functional>
#include <string>

namespace brisklet::download {

struct DownloadOutcome {
  enum class Result {
    Complete,     // every byte is in the file at `path`
    NoFileData,   // the probe gave no size: nothing was written
    Incomplete,   // a segment or block could not be fetched; no file under the final name
    WriteFailed,  // a part, the output or the merge could not be written
    Stopped,      // the window was closed before the end
  };
  Result result = Result::Incomplete;
  std::string path;  // GBK: the final file (engine 0: once named; engine 1: always)
  std::int64_t fileSize = -1;
};

struct DownloadOptions {
  std::string saveFolder;     // GBK, ends in "/"; empty: the desktop folder
  std::string cacheFolder;    // GBK, ends in "/"; empty: $XDG_CACHE_HOME/brisklet/
  int threads = 0;            // 0: the settings file's count, read when the window is created
  int closeDelayMs = 3000;    // the last text stays this long before the window closes
  int segmentAttempts = 500;  // engine 0: attempts per segment
  int blockAttempts = 20;     // engine 1: attempts per block (resuming where a reply broke off)
  int retryPauseMs = 100;

  // Any thread, often: bytes received so far (all connections) and the file's size.
  std::function<void(std::int64_t done, std::int64_t total)> onBytes;
  // Once per started job, before the window closes; any thread.
  std::function<void(const DownloadOutcome&)> onOutcome;
};

// The folders when the options leave them empty (GBK, ending in "/").
std::string DefaultSaveFolder();
std::string DefaultCacheFolder();

}  // namespace brisklet::download
