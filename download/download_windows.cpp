#include "download/download_windows.h"

#include <chrono>
#include <mutex>
#include <thread>

#include "app/settings_file.h"
#include "app/settings_window.h"
#include "download/completion_clip.h"
#include "download/mapped_download.h"
#include "download/progress_text.h"
#include "download/segmented_download.h"
#include "download/thread_count.h"
#include "download/window_texts.h"
#include "platform/codepage.h"
#include "platform/ui/ui_backend.h"

namespace brisklet::download {
namespace {

using platform::ControlKind;
using platform::Gbk;
using platform::Window;
using platform::WindowDef;

WindowDef BaseDef(const char* name, const std::string& fileLabel) {
  WindowDef def;
  def.name = name;
  def.width = 552;
  def.height = 202;
  def.borderless = true;
  def.skinned = true;
  def.controls = {
      {Gbk("窗口EX1"), ControlKind::Frame, 4, 4, 24, 24, ""},
      {Gbk("标签EX4"), ControlKind::Label, 192, 35, 264, 24, Gbk("青梧AI下载器 - 准备就绪")},
      {Gbk("图片框EX2"), ControlKind::PictureBox, 29, 36, 135, 135, ""},
      {Gbk("标签EX1"), ControlKind::Label, 192, 59, 320, 24, fileLabel},
      {Gbk("图片框EX1"), ControlKind::PictureBox, 193, 87, 0, 18, ""},
      {Gbk("标签EX2"), ControlKind::Label, 192, 119, 160, 24, Gbk("文件大小：暂未获取")},
      {Gbk("标签EX3"), ControlKind::Label, 192, 143, 192, 24, Gbk("下载进度：暂未开始")},
      {Gbk("按钮EX1"), ControlKind::Button, 363, 120, 46, 33, Gbk("暂停")},
      {Gbk("按钮EX2"), ControlKind::Button, 419, 120, 99, 33, Gbk("开始下载")},
      {Gbk("按钮EX4"), ControlKind::SmallButton, 455, 27, 17, 17, ""},
      {Gbk("按钮EX3"), ControlKind::SmallButton, 479, 27, 17, 17, ""},
      {Gbk("按钮EX5"), ControlKind::SmallButton, 501, 27, 17, 17, ""},
  };
  return def;
}

// The handlers both windows share: the thread count on creation and the three small buttons.
void AttachCommon(Window& window, app::AppState& state, const DownloadOptions& options) {
  const int threads = options.threads;
  window.OnCreate([&state, threads](Window&) {
    if (threads != 0) {
      state.threadCount = threads;
    } else {
      app::ReadThreadCountSetting();
    }
  });
  const WindowTexts& t = Texts();
  window.OnClick(t.settingsButton, [&state](Window&) { app::OpenSettingsWindow(state); });
  window.OnClick(t.minimizeButton, [](Window& w) { w.Minimize(); });
  window.OnClick(t.closeButton, [](Window& w) { w.Destroy(); });
}

void MarkStarted(Window& w) {
  w.SetEnabled(Texts().startButton, false);
  w.SetText(Texts().startButton, Texts().downloading);
}

// Engine 1's link from its threads to its window: cut when the window is destroyed, so a
// callback never reaches a window that is gone.
struct CompatSession {
  std::recursive_mutex mutex;
  Window* window = nullptr;
  int lastPercent = -1;
  DownloadOptions options;
  std::string path;
  std::unique_ptr<MappedDownload> transfer;

  ~CompatSession() {
    {
      std::lock_guard lock(mutex);
      window = nullptr;
    }
    transfer.reset();  // stops the transfer and waits for its supervisor
  }
};

void Finish(CompatSession& s, DownloadOutcome::Result result, std::int64_t total) {
  if (s.options.onOutcome)
    s.options.onOutcome({result, result == DownloadOutcome::Result::Complete ? s.path : "", total});
}

// ProgressCallback: runs on the workers (1, inside the transfer's lock) and on the supervisor
// (0 and -1).
void ProgressCallback(CompatSession& s, int event, std::int64_t total, std::int64_t done) {
  const WindowTexts& t = Texts();
  std::unique_lock lock(s.mutex);
  Window* w = s.window;
  if (event == -1) {
    if (w) w->SetText(t.nameLabel, t.probeFailed);  // the window stays open
    Finish(s, w ? DownloadOutcome::Result::Incomplete : DownloadOutcome::Result::Stopped, total);
  } else if (event == 0) {
    if (!w) return Finish(s, DownloadOutcome::Result::Complete, total);
    w->SetText(t.progressLabel, t.completed);
    platform::CurrentUiBackend().PlayWave(CompletionClip());
    Finish(s, DownloadOutcome::Result::Complete, total);
    lock.unlock();
    // The last text stays for a while; closing the window meanwhile ends the wait.
    auto until =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(s.options.closeDelayMs);
    while (std::chrono::steady_clock::now() < until) {
      {
        std::lock_guard check(s.mutex);
        if (!s.window) return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    lock.lock();
    if (s.window) s.window->Destroy();
  } else if (event == 1 && w) {
    // The controls already show exactly this percentage: nothing to make or set.
    if (CompatPercentOf(total, done) == s.lastPercent) return;
    CompatProgress p = CompatProgressOf(total, done);
    s.lastPercent = p.percent;
    w->SetText(t.nameLabel, t.compatName);
    w->SetText(t.sizeLabel, p.sizeText);
    w->SetWidth(t.bar, p.barWidth);
    w->SetText(t.progressLabel, p.percentText);
  }
}

}  // namespace

WindowDef DownloadWindowDef() {
  return BaseDef("DownloadWindow", Gbk("已经检测到直链文件 - 点击下载体验吧"));
}

WindowDef CompatDownloadWindowDef() {
  return BaseDef("CompatDownloadWindow", Gbk("兼容版不显示文件名称，请下完之后自行添加后缀名。"));
}

std::unique_ptr<Window> MakeDownloadWindow(app::AppState& state) {
  return MakeDownloadWindow(state, {});
}

std::unique_ptr<Window> MakeCompatDownloadWindow(app::AppState& state) {
  return MakeCompatDownloadWindow(state, {});
}

std::unique_ptr<Window> MakeDownloadWindow(app::AppState& state, DownloadOptions options) {
  auto window = std::make_unique<Window>(DownloadWindowDef());
  auto shared = std::make_shared<DownloadOptions>(std::move(options));
  AttachCommon(*window, state, *shared);
  window->OnClick(Texts().startButton, [&state, shared](Window& w) {
    MarkStarted(w);
    SegmentedDownload(state, w, *shared);
  });
  return window;
}

std::unique_ptr<Window> MakeCompatDownloadWindow(app::AppState& state, DownloadOptions options) {
  auto window = std::make_unique<Window>(CompatDownloadWindowDef());
  auto session = std::make_shared<CompatSession>();
  session->window = window.get();
  session->options = std::move(options);
  AttachCommon(*window, state, session->options);
  // The session is cut from the window the moment it is destroyed, from whichever thread.
  std::weak_ptr<CompatSession> weak = session;
  window->AddListener([weak](std::string_view, platform::Property property) {
    if (property != platform::Property::Destroyed) return;
    if (auto s = weak.lock()) {
      MappedDownload* transfer = nullptr;
      {
        std::lock_guard lock(s->mutex);
        s->window = nullptr;
        transfer = s->transfer.get();
      }
      // Outside the session's lock: workers hold the transfer's lock while they take it.
      if (transfer) transfer->Stop();
    }
  });
  window->OnClick(Texts().startButton, [&state, session](Window& w) {
    MarkStarted(w);
    std::string saveFolder =
        session->options.saveFolder.empty() ? DefaultSaveFolder() : session->options.saveFolder;
    EnsureFolder(saveFolder);
    session->path = saveFolder + Gbk("下载文件");
    auto callback = [raw = session.get()](int event, std::int64_t total, std::int64_t done) {
      ProgressCallback(*raw, event, total, done);
    };
    MappedStart started = StartMappedDownload(state.downloadAddress, session->path,
                                              UsableThreadCount(state.threadCount.load()), callback,
                                              session->options);
    if (started.code != 1) {
      ProgressCallback(*session, -1, 0, 0);
      return;
    }
    std::lock_guard lock(session->mutex);
    session->transfer = std::move(started.transfer);
  });
  return window;
}

}  // namespace brisklet::download
