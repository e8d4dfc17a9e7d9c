#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace brisklet::test {
namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "(unset)";
}

TEST(SandboxTest, PointsTheUserFoldersInsideAndPutsThemBack) {
  const char* names[] = {"HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME",
                         "XDG_RUNTIME_DIR"};
  unsetenv("XDG_DATA_HOME");
  std::vector<std::string> before;
  for (const char* name : names) before.push_back(Env(name));
  std::filesystem::path root;
  {
    Sandbox sandbox;
    root = sandbox.Root();
    EXPECT_EQ(Env("HOME"), sandbox.Home().string());
    EXPECT_EQ(Env("XDG_CONFIG_HOME"), sandbox.ConfigHome().string());
    EXPECT_EQ(Env("XDG_CACHE_HOME"), sandbox.CacheHome().string());
    EXPECT_EQ(Env("XDG_RUNTIME_DIR"), sandbox.RuntimeDir().string());
    for (const char* name : names) {
      EXPECT_EQ(Env(name).rfind(root.string() + "/", 0), 0u) << name;
    }
    EXPECT_TRUE(std::filesystem::is_directory(sandbox.Desktop()));
    EXPECT_TRUE(std::filesystem::is_directory(sandbox.CacheHome()));
    EXPECT_EQ(Sandbox::ReadFile(sandbox.ConfigHome() / "user-dirs.dirs"),
              "# written by the test sandbox\nXDG_DESKTOP_DIR=\"" + sandbox.Desktop().string() +
                  "\"\n");
    Sandbox::WriteFile(sandbox.CacheHome() / "brisklet/part", "x");
  }
  EXPECT_FALSE(std::filesystem::exists(root));
  for (std::size_t i = 0; i < before.size(); ++i) EXPECT_EQ(Env(names[i]), before[i]) << names[i];
}

}  // namespace
}  // namespace brisklet::test
