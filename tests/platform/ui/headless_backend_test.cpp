#include "platform/ui/headless_backend.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "platform/codepage.h"

namespace brisklet::platform {
namespace {

using namespace std::chrono_literals;

WindowDef TimedDef(int timerMs) {
  WindowDef def;
  def.name = "TimedWindow";
  def.width = 200;
  def.height = 100;
  def.controls = {
      {Gbk("时钟1"), ControlKind::Timer, 0, 0, 0, 0, "", "", timerMs},
      {Gbk("标签1"), ControlKind::Label, 8, 8, 100, 24, Gbk("准备就绪")},
      {Gbk("按钮1"), ControlKind::Button, 8, 40, 80, 24, Gbk("开始")},
  };
  return def;
}

// Destroys the window after `limit` from another thread, so that a broken loop fails the test
// instead of hanging it.
class Watchdog {
 public:
  Watchdog(Window& window, std::chrono::milliseconds limit)
      : thread_([this, &window, limit] {
          auto end = std::chrono::steady_clock::now() + limit;
          while (!stop_ && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(5ms);
          if (!stop_) {
            fired_ = true;
            window.Destroy();
          }
        }) {}
  ~Watchdog() {
    stop_ = true;
    thread_.join();
  }
  bool Fired() const { return fired_; }

 private:
  std::atomic<bool> stop_{false}, fired_{false};
  std::thread thread_;
};

TEST(HeadlessBackend, TimersOfOtherWindowsAndOfTheBackendRunWhileAModalWindowIsOpen) {
  HeadlessBackend backend;
  Window tray(TimedDef(10));
  int trayTicks = 0;
  tray.OnTimer(Gbk("时钟1"), [&](Window&) { ++trayTicks; });
  backend.LoadHidden(tray);
  int backendTicks = 0;
  backend.StartTimer(10, [&] { ++backendTicks; });

  Window dialog(TimedDef(0));
  Watchdog watchdog(dialog, 3s);
  backend.OnShow([&](Window& w) {
    // The modal window's own timer is started by writing a period, as the system does.
    w.OnTimer(Gbk("时钟1"), [&](Window& self) {
      if (trayTicks >= 3 && backendTicks >= 3) self.Destroy();
    });
    w.SetTimerPeriod(Gbk("时钟1"), 5);
  });
  backend.RunModal(dialog);
  EXPECT_FALSE(watchdog.Fired());
  EXPECT_GE(trayTicks, 3);
  EXPECT_GE(backendTicks, 3);
  tray.Destroy();
}

TEST(HeadlessBackend, DestroyFromAnotherThreadEndsTheModalLoop) {
  HeadlessBackend backend;
  Window window(TimedDef(0));
  std::thread worker;
  backend.OnShow([&](Window& w) {
    worker = std::thread([&w] {
      std::this_thread::sleep_for(20ms);
      w.SetText(Gbk("标签1"), Gbk("下载完成"));
      w.Destroy();
    });
  });
  auto start = std::chrono::steady_clock::now();
  backend.RunModal(window);
  worker.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
  EXPECT_EQ(window.Text(Gbk("标签1")), Gbk("下载完成"));
}

TEST(HeadlessBackend, AWindowTimerStopsAtPeriodZeroRestartsOnAPositivePeriodAndEndsWithTheWindow) {
  HeadlessBackend backend;
  Window tray(TimedDef(5));
  int ticks = 0;
  tray.OnTimer(Gbk("时钟1"), [&](Window&) { ++ticks; });
  backend.LoadHidden(tray);
  ASSERT_TRUE(backend.RunUntil([&] { return ticks >= 2; }, 2s));

  tray.SetTimerPeriod(Gbk("时钟1"), 0);
  int stoppedAt = ticks;
  backend.RunUntil([] { return false; }, 40ms);
  EXPECT_EQ(ticks, stoppedAt);

  tray.SetTimerPeriod(Gbk("时钟1"), 5);
  EXPECT_TRUE(backend.RunUntil([&] { return ticks >= stoppedAt + 2; }, 2s));
  tray.Destroy();
  int destroyedAt = ticks;
  backend.RunUntil([] { return false; }, 40ms);
  EXPECT_EQ(ticks, destroyedAt);
}

TEST(HeadlessBackend, AHiddenWindowFreedWithoutDestroyLeavesNoTimerBehind) {
  HeadlessBackend backend;
  int ticks = 0;
  {
    auto tray = std::make_unique<Window>(TimedDef(5));
    tray->OnTimer(Gbk("时钟1"), [&](Window&) { ++ticks; });
    backend.LoadHidden(*tray);
    ASSERT_TRUE(backend.RunUntil([&] { return ticks >= 1; }, 2s));
  }
  int freedAt = ticks;
  backend.RunUntil([] { return false; }, 40ms);  // would tick a freed window (ASan)
  EXPECT_EQ(ticks, freedAt);
}

TEST(HeadlessBackend, ASlowTimerDoesNotStarveMessages) {
  HeadlessBackend backend;
  backend.StartTimer(1, [] { std::this_thread::sleep_for(3ms); });
  std::atomic<bool> ran{false};
  auto queue = MessageQueue::OfCurrentThread();
  std::thread poster([&] { queue->Post([&] { ran = true; }); });
  EXPECT_TRUE(backend.RunUntil([&] { return ran.load(); }, 2s));
  poster.join();
}

TEST(HeadlessBackend, ClicksReachHandlersOnlyWhileTheButtonIsEnabled) {
  HeadlessBackend backend;
  Window window(TimedDef(0));
  int clicks = 0;
  window.OnClick(Gbk("按钮1"), [&](Window&) { ++clicks; });
  backend.OnShow([&](Window& w) {
    w.FireClick(Gbk("按钮1"));
    w.SetEnabled(Gbk("按钮1"), false);
    w.FireClick(Gbk("按钮1"));
    w.Destroy();
  });
  backend.RunModal(window);
  EXPECT_EQ(clicks, 1);
}

TEST(HeadlessBackend, ListenersHearChangesMadeOnOtherThreads) {
  Window window(TimedDef(0));
  std::mutex mutex;
  std::vector<std::pair<std::string, Property>> heard;
  window.AddListener([&](std::string_view control, Property p) {
    std::lock_guard lock(mutex);
    heard.emplace_back(std::string(control), p);
  });
  std::thread worker([&] {
    window.SetText(Gbk("标签1"), Gbk("文件大小：1MB"));
    window.SetText(Gbk("没有这个控件"), "x");  // unknown controls are ignored, silently
    window.Destroy();
  });
  worker.join();
  std::lock_guard lock(mutex);
  ASSERT_EQ(heard.size(), 2u);
  EXPECT_EQ(heard[0], std::make_pair(Gbk("标签1"), Property::Text));
  EXPECT_EQ(heard[1].second, Property::Destroyed);
}

TEST(HeadlessBackend, QuitEndsTheEventLoopWithItsCode) {
  HeadlessBackend backend;
  backend.StartTimer(5, [&] { backend.Quit(7); });
  EXPECT_EQ(backend.RunEventLoop(), 7);
}

}  // namespace
}  // namespace brisklet::platform
