#include "intake/clipboard_watcher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "app/settings_file.h"
#include "platform/codepage.h"
#include "tests/app/app_fixture.h"

namespace brisklet::intake {
namespace {

using namespace std::chrono_literals;
using platform::Gbk;

struct Opened {
  std::string window;
  std::string address;
  std::string clipboard;
};

class ClipboardWatcherTest : public test::AppFixture {
 protected:
  // Records each download window as it opens and closes it at once.
  void CloseEveryWindow() {
    ui_.OnShow([this](platform::Window& w) {
      opened_.push_back({w.Definition().name, state().downloadAddress, ui_.ClipboardText()});
      w.Destroy();
    });
  }

  std::vector<Opened> opened_;
};

TEST_F(ClipboardWatcherTest, ADirectLinkOpensTheWindowOfTheEngine) {
  const std::string link = Gbk("http://127.0.0.1/下载/setup.EXE");
  struct Case {
    int engine;
    const char* window;  // empty: none opens
  } cases[] = {{0, "DownloadWindow"}, {1, "CompatDownloadWindow"}, {2, ""}, {-1, ""}};
  CloseEveryWindow();
  for (const auto& c : cases) {
    opened_.clear();
    state().engine = c.engine;
    state().downloadAddress.clear();
    ASSERT_TRUE(app::WriteSetting(Gbk("下载地址"), "old"));
    ui_.SetClipboardText(link);

    ClipboardWatcher(state());

    ASSERT_EQ(opened_.size(), c.window[0] ? 1u : 0u) << c.engine;
    if (!opened_.empty()) {
      EXPECT_EQ(opened_[0].window, c.window);
      EXPECT_EQ(opened_[0].address, link);
      EXPECT_EQ(opened_[0].clipboard, "");  // emptied before the window opened
    }
    EXPECT_EQ(ui_.ClipboardText(), "");
    EXPECT_EQ(state().downloadAddress, link);
    EXPECT_EQ(state().linkText, link);
    EXPECT_NE(FileBytes(SettingsFile()).find(Gbk("下载地址") + "=" + link), std::string::npos);
  }
}

TEST_F(ClipboardWatcherTest, OrdinaryTextOnlyReplacesLinkText) {
  CloseEveryWindow();
  for (const std::string& text :
       {Gbk("你好，世界"), std::string(""), std::string("https://example.test/page")}) {
    state().linkText = "before";
    ui_.SetClipboardText(text);
    ClipboardWatcher(state());
    EXPECT_EQ(ui_.ClipboardText(), text);
    EXPECT_EQ(state().linkText, text);
  }
  EXPECT_TRUE(opened_.empty());
  EXPECT_FALSE(std::filesystem::exists(SettingsFile()));
}

TEST_F(ClipboardWatcherTest, AShareLinkWithoutAnAddressStaysOnTheClipboard) {
  CloseEveryWindow();
  const std::string link = "https://www.lanzoux.com/iAbc";
  ui_.SetClipboardText(link);
  ClipboardWatcher(state());
  EXPECT_EQ(ui_.ClipboardText(), link);
  EXPECT_TRUE(opened_.empty());
}

// While the first window is open, the timer keeps ticking; those ticks leave a newly copied
// link on the clipboard, and the first tick after the window closes takes it.
TEST_F(ClipboardWatcherTest, TicksTakeNothingWhileAHandOffWindowIsOpen) {
  const std::string first = "http://127.0.0.1/first.zip";
  const std::string second = "http://127.0.0.1/second.rar";
  std::string clipboardAfterTicks, linkAfterTicks;
  int ticks = 0;
  int timer = ui_.StartTimer(10, [&] {
    ++ticks;
    ClipboardWatcher(state());
  });
  ui_.OnShow([&](platform::Window& w) {
    opened_.push_back({w.Definition().name, state().downloadAddress, ui_.ClipboardText()});
    if (opened_.size() == 1) {
      ui_.SetClipboardText(second);
      int ticksBefore = ticks;
      ui_.RunUntil([&] { return ticks >= ticksBefore + 5; }, 2s);
      clipboardAfterTicks = ui_.ClipboardText();
      linkAfterTicks = state().linkText;
    }
    w.Destroy();
  });
  ui_.SetClipboardText(first);

  ASSERT_TRUE(ui_.RunUntil([&] { return opened_.size() >= 2; }, 3s));
  ui_.StopTimer(timer);

  EXPECT_EQ(clipboardAfterTicks, second);
  EXPECT_EQ(linkAfterTicks, first);
  EXPECT_EQ(opened_[0].address, first);
  EXPECT_EQ(opened_[1].address, second);
  EXPECT_EQ(ui_.ClipboardText(), "");
  EXPECT_FALSE(state().handOffOpen);
}

TEST_F(ClipboardWatcherTest, BadTextIsTakenWholeAndWritesOnlyTheSettingsFile) {
  CloseEveryWindow();
  std::string huge(1 << 20, '\xB0');
  huge += ".exe";
  const std::vector<std::string> texts = {
      huge,
      std::string("a.zip\0[x]\nk=v", 13),
      "../../../../etc/passwd.exe\r\n[" + Gbk("云服务器") + "]\r\n" + Gbk("下载器引擎") + "=1",
      std::string("\xFF\xFE\x81.png"),
  };
  auto files = [this] {
    std::vector<std::filesystem::path> found;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root_))
      if (entry.is_regular_file()) found.push_back(entry.path());
    std::sort(found.begin(), found.end());
    return found;
  };
  std::vector<std::filesystem::path> expected = files();
  expected.push_back(SettingsFile());
  std::sort(expected.begin(), expected.end());
  for (const auto& text : texts) {
    ui_.SetClipboardText(text);
    ClipboardWatcher(state());
  }
  ASSERT_EQ(opened_.size(), 4u);
  EXPECT_EQ(opened_[1].address, "a.zip");  // the text format ends at its zero byte
  EXPECT_EQ(app::ReadEngineSetting(), 0);  // the line breaks added no key
  EXPECT_EQ(files(), expected);
}

}  // namespace
}  // namespace brisklet::intake
