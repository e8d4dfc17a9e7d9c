#include "app/settings_window.h"

#include <gtest/gtest.h>

#include "app/settings_file.h"
#include "platform/codepage.h"
#include "tests/app/app_fixture.h"

namespace brisklet::app {
namespace {

using platform::Gbk;

class SettingsWindowTest : public test::AppFixture {
 protected:
  // Opens the window, types `typed` into the thread box and clicks `button`; returns what the
  // box showed when the window opened.
  std::string OpenTypeAndClick(const std::string& typed, const char* button) {
    std::string shown;
    ui_.OnShow([&](platform::Window& w) {
      shown = w.Text(Gbk("编辑框EX1"));
      w.SetText(Gbk("编辑框EX1"), typed);
      w.FireClick(Gbk(button));
    });
    OpenSettingsWindow(state());
    return shown;
  }
};

TEST_F(SettingsWindowTest, SavingTypedValues) {
  struct Case {
    const char* typed;
    int threadCount;  // after saving
    int nextWindowReads;
    const char* nextShown;  // the box when the settings window opens next
  } cases[] = {{"8", 8, 8, "8"}, {"abc", 0, 32, "32"}, {"0", 0, 32, "32"}, {"-5", -5, -5, "-5"}};
  for (const auto& c : cases) {
    OpenTypeAndClick(c.typed, "按钮EX2");
    EXPECT_EQ(state().threadCount, c.threadCount) << c.typed;
    EXPECT_EQ(ReadSetting(Gbk("线程数量"), "?"), c.typed);
    EXPECT_NE(FileBytes(SettingsFile()).find(Gbk("线程数量") + "=" + c.typed), std::string::npos);
    EXPECT_EQ(OpenTypeAndClick("", "按钮EX5"), c.nextShown) << c.typed;
    EXPECT_EQ(ReadThreadCountSetting(), c.nextWindowReads) << c.typed;
  }
}

TEST_F(SettingsWindowTest, ClosingWithoutSavingChangesNothing) {
  state().threadCount = 12;
  ASSERT_TRUE(WriteSetting(Gbk("线程数量"), "12"));
  std::string before = FileBytes(SettingsFile());
  EXPECT_EQ(OpenTypeAndClick("99", "按钮EX5"), "12");
  EXPECT_EQ(state().threadCount, 12);
  EXPECT_EQ(FileBytes(SettingsFile()), before);
}

TEST_F(SettingsWindowTest, FirstOpeningShows32AndWritesNothing) {
  EXPECT_EQ(OpenTypeAndClick("", "按钮EX5"), "32");
  EXPECT_EQ(state().threadCount, 32);
  EXPECT_FALSE(std::filesystem::exists(SettingsFile()));
}

}  // namespace
}  // namespace brisklet::app
