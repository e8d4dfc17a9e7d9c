#include "app/tray_window.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "app/settings_file.h"
#include "app/single_instance_guard.h"
#include "platform/codepage.h"
#include "tests/app/app_fixture.h"

namespace brisklet::app {
namespace {

using namespace std::chrono_literals;
using platform::Gbk;
using platform::TrayEvent;

class TrayWindowTest : public test::AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    routines_.openParserWindow = [this] {
      ++parserOpened_;
      parserSawTimer_ = tray_->ClipboardTimerRunning();
      ui_.SetClipboardText("typed while the parser window was open");
    };
    routines_.search = [this](std::size_t position) { searches_.push_back(position); };
    routines_.exitProgram = [this] { ++exits_; };
  }

  void Load() {
    tray_ = std::make_unique<TrayWindow>(state(), ui_, routines_);
    tray_->Load();
  }

  std::string Caption(std::size_t position) { return tray_->Menu().Caption(position); }

  TrayRoutines routines_;
  std::unique_ptr<TrayWindow> tray_;
  int parserOpened_ = 0;
  bool parserSawTimer_ = false;
  std::vector<std::size_t> searches_;
  int exits_ = 0;
};

TEST_F(TrayWindowTest, MenuAfterStartUp) {
  Load();
  const std::vector<std::pair<std::size_t, const char*>> entries = {
      {4, "磁力搜索"},
      {6, "影视解析"},
      {8, "百度云搜索"},
      {11, "版本判断"},
      {14, "设置"},
      {16, "手动输入链接"},
      {18, "关闭检测剪辑版"},
      {20, "切换下载引擎【闪退切换】   -   UI极速版"},
      {24, "当前在线人数"},
      {26, "公告通知"},
      {30, "退出"}};
  std::vector<platform::MenuEntry> menu = tray_->Menu().Entries();
  ASSERT_EQ(menu.size(), 30u);
  std::size_t named = 0;
  for (std::size_t p = 1; p <= 30; ++p) {
    bool isNamed = named < entries.size() && entries[named].first == p;
    EXPECT_EQ(menu[p - 1].separator, !isNamed) << p;
    if (isNamed) {
      EXPECT_EQ(menu[p - 1].caption, Gbk(entries[named++].second)) << p;
    }
  }
  for (std::size_t p : {11, 24, 26}) EXPECT_FALSE(tray_->Menu().Enabled(p)) << p;
  EXPECT_TRUE(ui_.TrayShown());
  EXPECT_EQ(ui_.TrayTooltip(), Gbk("青梧AI多线程下载"));
  EXPECT_TRUE(tray_->ClipboardTimerRunning());
  std::string entry = sandbox_->ReadFile(sandbox_->ConfigHome() / "autostart" / "AI.desktop");
  EXPECT_NE(entry.find("Exec="), std::string::npos);
}

TEST_F(TrayWindowTest, EngineReadAtStartUp) {
  struct Case {
    const char* stored;  // nullptr: no settings file
    int engine;
    const char* caption;
  } cases[] = {
      {nullptr, 0, "UI极速版"}, {"1", 1, "UI兼容版"}, {"abc", 0, "UI极速版"}, {"0", 0, "UI极速版"}};
  for (const auto& c : cases) {
    if (c.stored) {
      ASSERT_TRUE(WriteSetting(Gbk("下载器引擎"), c.stored));
    }
    Load();
    EXPECT_EQ(state().engine, c.engine);
    EXPECT_EQ(Caption(tray_menu::kEngine),
              Gbk(std::string("切换下载引擎【闪退切换】   -   ") + c.caption));
  }
}

TEST_F(TrayWindowTest, EngineSwitchRoundTripsThroughTheSettingsFile) {
  Load();
  tray_->RunCommand(tray_menu::kEngine);
  EXPECT_EQ(state().engine, 1);
  EXPECT_EQ(Caption(tray_menu::kEngine), TrayWindow::EngineCaption(1));
  EXPECT_NE(FileBytes(SettingsFile()).find("[" + Gbk("云服务器") + "]"), std::string::npos);
  EXPECT_NE(FileBytes(SettingsFile()).find(Gbk("下载器引擎") + "=1"), std::string::npos);

  state().engine = 0;
  Load();  // a new start reads it back
  EXPECT_EQ(state().engine, 1);

  tray_->RunCommand(tray_menu::kEngine);
  EXPECT_EQ(state().engine, 0);
  EXPECT_EQ(Caption(tray_menu::kEngine), TrayWindow::EngineCaption(0));
  EXPECT_NE(FileBytes(SettingsFile()).find(Gbk("下载器引擎") + "=0"), std::string::npos);
}

TEST_F(TrayWindowTest, DetectionSwitchAndManualInput) {
  Load();
  tray_->RunCommand(tray_menu::kDetection);
  EXPECT_FALSE(tray_->ClipboardTimerRunning());
  EXPECT_EQ(Caption(tray_menu::kDetection), Gbk("开启检测剪辑版"));

  ui_.SetClipboardText("something");
  tray_->RunCommand(tray_menu::kManualLink);
  EXPECT_EQ(parserOpened_, 1);
  EXPECT_FALSE(parserSawTimer_);
  EXPECT_EQ(ui_.ClipboardText(), "");           // emptied after the parser window closed
  EXPECT_TRUE(tray_->ClipboardTimerRunning());  // detection runs again…
  EXPECT_EQ(Caption(tray_menu::kDetection), Gbk("开启检测剪辑版"));  // …while the entry offers it

  tray_->RunCommand(tray_menu::kDetection);
  EXPECT_TRUE(tray_->ClipboardTimerRunning());
  EXPECT_EQ(Caption(tray_menu::kDetection), Gbk("关闭检测剪辑版"));
}

TEST_F(TrayWindowTest, StoppedDetectionTakesNothingFromTheClipboard) {
  Load();
  tray_->RunCommand(tray_menu::kDetection);
  ui_.SetClipboardText("setup.exe");
  int shown = 0;
  ui_.OnShow([&](platform::Window& w) {
    ++shown;
    w.Destroy();
  });
  ui_.RunUntil([] { return false; }, 1200ms);
  EXPECT_EQ(shown, 0);
  EXPECT_EQ(ui_.ClipboardText(), "setup.exe");
  tray_->RunCommand(tray_menu::kDetection);
  EXPECT_TRUE(ui_.RunUntil([&] { return shown == 1; }, 2s));
  EXPECT_EQ(ui_.ClipboardText(), "");
}

TEST_F(TrayWindowTest, TrayIconClicks) {
  Load();
  ui_.ClickTray(TrayEvent::LeftClick);
  EXPECT_EQ(parserOpened_, 1);
  EXPECT_TRUE(parserSawTimer_);  // the left click leaves the clipboard timer running
  EXPECT_EQ(ui_.ClipboardText(), "typed while the parser window was open");

  ui_.ClickTray(TrayEvent::DoubleClick);
  EXPECT_EQ(parserOpened_, 1);

  std::vector<std::string> opened;
  ui_.OnShow([&](platform::Window& w) {
    opened.push_back(w.Definition().name);
    w.Destroy();
  });
  ui_.OnMenu([](const platform::Menu&) { return tray_menu::kSettings; });
  ui_.ClickTray(TrayEvent::RightClick);
  EXPECT_EQ(opened, std::vector<std::string>{"SettingsWindow"});

  ui_.OnMenu([](const platform::Menu&) { return tray_menu::kExit; });
  ui_.ClickTray(TrayEvent::RightClick);
  EXPECT_EQ(exits_, 1);
}

TEST_F(TrayWindowTest, OnlyEnabledEntriesRunCommands) {
  Load();
  for (std::size_t p = 1; p <= 30; ++p)
    if (!tray_->Menu().Enabled(p)) tray_->RunCommand(p);
  tray_->RunCommand(0);
  tray_->RunCommand(31);
  EXPECT_TRUE(searches_.empty());
  EXPECT_EQ(parserOpened_, 0);
  EXPECT_EQ(exits_, 0);
  EXPECT_EQ(state().engine, 0);
  EXPECT_TRUE(tray_->ClipboardTimerRunning());

  for (std::size_t p :
       {tray_menu::kMagnetSearch, tray_menu::kVideoParsing, tray_menu::kCloudSearch})
    tray_->RunCommand(p);
  EXPECT_EQ(searches_, (std::vector<std::size_t>{4, 6, 8}));
}

// A backend that tells on stderr when a tray icon is put up, so that a process that ended
// can be seen not to have shown one.
class TellingBackend : public platform::HeadlessBackend {
 public:
  bool ShowTrayIcon(const Bytes& png, const std::string& tooltip,
                    std::function<void(TrayEvent)> onEvent) override {
    std::fputs("tray icon shown\n", stderr);
    return HeadlessBackend::ShowTrayIcon(png, tooltip, std::move(onEvent));
  }
};

TEST_F(TrayWindowTest, ASecondStartEndsSilentlyBeforeAutostartAndTrayIcon) {
  GTEST_FLAG_SET(death_test_style, "fast");
  ASSERT_TRUE(HoldInstanceMark(Gbk("青梧Brisklet")));  // the first instance
  TellingBackend telling;
  platform::InstallUiBackend(&telling);
  EXPECT_EXIT(
      {
        TrayWindow tray(state(), telling, routines_);
        tray.Load();
        std::fputs("still running\n", stderr);
      },
      ::testing::ExitedWithCode(0), "^$");
  EXPECT_FALSE(std::filesystem::exists(sandbox_->ConfigHome() / "autostart" / "AI.desktop"));
  EXPECT_TRUE(telling.Messages().empty());
}

TEST(InstanceName, EmptyNameFallsBackToTheDigest) {
  EXPECT_EQ(InstanceName(Gbk("青梧Brisklet")), Gbk("青梧Brisklet"));
  EXPECT_EQ(InstanceName(""), "917b41c1b5ace220c8b4dcacd5857727");
}

}  // namespace
}  // namespace brisklet::app
