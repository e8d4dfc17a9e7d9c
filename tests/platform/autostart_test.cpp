#include "platform/autostart.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "tests/support/sandbox.h"

namespace brisklet::platform {
namespace {

class AutostartTest : public test::SandboxTest {
 protected:
  std::string Entry() const {
    return test::Sandbox::ReadFile(sandbox_.ConfigHome() / "autostart" / "AI.desktop");
  }
};

TEST_F(AutostartTest, WritesAnEntryThatStartsTheProgram) {
  ASSERT_TRUE(WriteAutostartEntry("AI", Gbk("/opt/青梧/brisklet")));
  EXPECT_EQ(Entry(),
            "[Desktop Entry]\nType=Application\nName=AI\nExec=\"/opt/青梧/brisklet\"\n"
            "Terminal=false\nX-GNOME-Autostart-enabled=true\n");
  ASSERT_TRUE(WriteAutostartEntry("AI", "/usr/bin/brisklet"));  // rewritten at every start
  EXPECT_NE(Entry().find("Exec=\"/usr/bin/brisklet\"\n"), std::string::npos);
}

TEST_F(AutostartTest, QuotesThePathSoTheSessionRunsExactlyIt) {
  ASSERT_TRUE(WriteAutostartEntry("AI", "/a b/$x`y\"z\\w%1"));
  // Quoting rule first (\ before " ` $ \), then the string escape (\ doubled), then %% .
  EXPECT_NE(Entry().find("Exec=\"/a b/\\\\$x\\\\`y\\\\\"z\\\\\\\\w%%1\"\n"), std::string::npos)
      << Entry();
}

TEST_F(AutostartTest, RefusesWhatWouldLeaveTheFolderOrBreakTheEntry) {
  EXPECT_FALSE(WriteAutostartEntry("../AI", "/bin/b"));
  EXPECT_FALSE(WriteAutostartEntry("..", "/bin/b"));
  EXPECT_FALSE(WriteAutostartEntry("", "/bin/b"));
  EXPECT_FALSE(WriteAutostartEntry("AI", "/bin/b\nExec=evil"));
  EXPECT_FALSE(WriteAutostartEntry("AI", ""));
  EXPECT_FALSE(std::filesystem::exists(sandbox_.ConfigHome() / "autostart"));
}

TEST_F(AutostartTest, AnUnwritableFolderGivesFalse) {
  test::Sandbox::WriteFile(sandbox_.ConfigHome() / "autostart", "a file, not a folder");
  EXPECT_FALSE(WriteAutostartEntry("AI", "/bin/b"));
}

}  // namespace
}  // namespace brisklet::platform
