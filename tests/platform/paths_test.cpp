#include "platform/paths.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/codepage.h"
#include "tests/support/sandbox.h"

namespace brisklet::platform {
namespace {

class PathsTest : public test::SandboxTest {
 protected:
  std::string Home() const { return sandbox_.Home().string(); }
  void WriteUserDirs(const std::string& content) {
    test::Sandbox::WriteFile(sandbox_.ConfigHome() / "user-dirs.dirs", content);
  }
};

TEST_F(PathsTest, FoldersFollowTheXdgVariables) {
  EXPECT_EQ(SettingsFolder(), Home() + "/.config/brisklet/");
  EXPECT_EQ(AutostartFolder(), Home() + "/.config/autostart/");
  EXPECT_EQ(CacheFolder(), Home() + "/.cache/brisklet/");
  EXPECT_EQ(RuntimeFolder(), sandbox_.RuntimeDir().string() + "/");

  setenv("XDG_CONFIG_HOME", "/elsewhere/cfg/", 1);
  setenv("XDG_CACHE_HOME", "/elsewhere/cache", 1);
  EXPECT_EQ(SettingsFolder(), "/elsewhere/cfg/brisklet/");
  EXPECT_EQ(CacheFolder(), "/elsewhere/cache/brisklet/");
}

TEST_F(PathsTest, UnsetOrRelativeVariablesFallBackToTheHomeFolder) {
  setenv("XDG_CONFIG_HOME", "relative/cfg", 1);
  unsetenv("XDG_CACHE_HOME");
  unsetenv("XDG_RUNTIME_DIR");
  setenv("HOME", (Home() + "/").c_str(), 1);
  EXPECT_EQ(SettingsFolder(), Home() + "/.config/brisklet/");
  EXPECT_EQ(CacheFolder(), Home() + "/.cache/brisklet/");
  EXPECT_EQ(RuntimeFolder(), "/tmp/");
}

TEST_F(PathsTest, FoldersAreGbkTexts) {
  const std::string home = sandbox_.Root().string() + "/用户";
  setenv("HOME", home.c_str(), 1);
  unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(SettingsFolder(), Gbk(home + "/.config/brisklet/"));
}

struct DesktopCase {
  const char* userDirs;  // nullptr: no file
  const char* environment;
  std::string expected;  // UTF-8, after the home folder
};

TEST_F(PathsTest, DesktopComesFromUserDirs) {
  const DesktopCase cases[] = {
      {"XDG_DESKTOP_DIR=\"$HOME/桌面\"\n", nullptr, "/桌面/"},
      {"# c\nXDG_DOWNLOAD_DIR=\"$HOME/dl\"\n  XDG_DESKTOP_DIR=\"$HOME/a\\\"b\"\n", nullptr,
       "/a\"b/"},
      {"XDG_DESKTOP_DIR=\"$HOME\"\n", nullptr, "/"},
      {"XDG_DESKTOP_DIR=\"$HOMEX/d\"\n", nullptr, "/Desktop/"},   // not $HOME
      {"XDG_DESKTOP_DIR=\"rel/d\"\n", nullptr, "/Desktop/"},      // not absolute
      {"XDG_DESKTOP_DIR=\"$HOME/1\"\nXDG_DESKTOP_DIR=\"$HOME/2\"\n", nullptr, "/2/"},
      {nullptr, nullptr, "/Desktop/"},
      {"XDG_MUSIC_DIR=\"$HOME/m\"\n", "/env/desk", "!/env/desk/"},
  };
  for (const auto& c : cases) {
    std::filesystem::remove(sandbox_.ConfigHome() / "user-dirs.dirs");
    if (c.userDirs != nullptr) WriteUserDirs(c.userDirs);
    if (c.environment != nullptr) {
      setenv("XDG_DESKTOP_DIR", c.environment, 1);
    } else {
      unsetenv("XDG_DESKTOP_DIR");
    }
    const std::string expected =
        c.expected[0] == '!' ? c.expected.substr(1) : Home() + c.expected;
    EXPECT_EQ(DesktopFolder(), Gbk(expected)) << (c.userDirs ? c.userDirs : "(no file)");
  }
  unsetenv("XDG_DESKTOP_DIR");
}

TEST(ProgramPath, NamesThisTestProgram) {
  EXPECT_EQ(ProgramFileName(), "platform_tests");
  EXPECT_EQ(ProgramFolder() + ProgramFileName(), ProgramPath());
  EXPECT_EQ(ProgramPath().front(), '/');
}

}  // namespace
}  // namespace brisklet::platform
