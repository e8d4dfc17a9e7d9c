#pragma once
// Runs a download window on the headless backend against the test server, in a sandbox whose
// desktop and cache folders are temporary, and records what the window showed and how the job
// ended.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "download/download_options.h"
#include "download/download_windows.h"
#include "download/window_texts.h"
#include "platform/codepage.h"
#include "platform/http/http_transfer.h"
#include "platform/ui/headless_backend.h"
#include "tests/support/sandbox.h"
#include "tests/support/test_server.h"

namespace brisklet::download {

class EngineTest : public test::SandboxTest {
 protected:
  struct Run {
    std::optional<DownloadOutcome> outcome;
    std::string name, size, progress;        // 标签EX1, 标签EX2, 标签EX3 at the end (UTF-8)
    std::vector<std::string> progressTexts;  // every distinct 标签EX3 text shown (UTF-8)
    int sounds = 0;
  };

  void SetUp() override {
    platform::http::GlobalInit();
    platform::InstallUiBackend(&backend_);
  }
  void TearDown() override { platform::InstallUiBackend(nullptr); }

  // Fast retries, no closing delay; a test overrides what it needs.
  DownloadOptions Options() const {
    DownloadOptions o;
    o.closeDelayMs = 0;
    o.retryPauseMs = 5;
    o.segmentAttempts = 6;
    o.blockAttempts = 6;
    return o;
  }

  // Opens the engine's window for the address, clicks 开始下载 and returns once it has closed.
  // onShown runs right after the click returns (engine 0: after the job).
  Run Download(int engine, const std::string& url, DownloadOptions options, int threads = 4) {
    app::AppState& state = app::AppState::Instance();
    state.downloadAddress = url;
    options.threads = threads;
    Run run;
    std::mutex mutex;
    platform::Window* windowRef = nullptr;
    options.onOutcome = [&](const DownloadOutcome& o) {
      {
        std::lock_guard lock(mutex);
        run.outcome = o;
      }
      // Engine 1 keeps a failed window open for its user: close it as the user would.
      if (o.result != DownloadOutcome::Result::Complete && windowRef) windowRef->Destroy();
    };
    auto window =
        engine == 1 ? MakeCompatDownloadWindow(state, options) : MakeDownloadWindow(state, options);
    windowRef = window.get();
    window->AddListener([&](std::string_view control, platform::Property p) {
      if (p != platform::Property::Text || control != Texts().progressLabel) return;
      std::string text = platform::GbkToUtf8(windowRef->Text(control));
      std::lock_guard lock(mutex);
      if (run.progressTexts.empty() || run.progressTexts.back() != text)
        run.progressTexts.push_back(text);
    });
    backend_.OnShow([&](platform::Window& w) {
      w.FireClick(Texts().startButton);
      if (onShown_) onShown_(w);
    });
    int soundsBefore = backend_.SoundsPlayed();
    platform::OpenWindowModal(*window);
    run.name = platform::GbkToUtf8(window->Text(Texts().nameLabel));
    run.size = platform::GbkToUtf8(window->Text(Texts().sizeLabel));
    run.progress = platform::GbkToUtf8(window->Text(Texts().progressLabel));
    window.reset();
    run.sounds = backend_.SoundsPlayed() - soundsBefore;
    return run;
  }

  std::filesystem::path Desktop() const { return sandbox_.Desktop(); }
  std::filesystem::path PartsRoot() const {
    return sandbox_.CacheHome() / "brisklet" / "临时下载文件";
  }
  static std::string Utf8(const char* s) { return s; }

  // The expected content of a pattern file.
  static std::string PatternOf(std::uint64_t size) {
    std::string s(size, '\0');
    for (std::uint64_t i = 0; i < size; ++i) s[i] = test::PatternByte(i);
    return s;
  }

  platform::HeadlessBackend backend_;
  std::function<void(platform::Window&)> onShown_;
};

}  // namespace brisklet::download
