#pragma once
// A temporary home for one test: HOME, XDG_CONFIG_HOME, XDG_CACHE_HOME, XDG_DATA_HOME and
// XDG_RUNTIME_DIR point into a fresh folder, and $XDG_CONFIG_HOME/user-dirs.dirs names a
// desktop folder inside it. The destructor puts the environment back and removes the folder.
// Environment changes are process-wide: use one sandbox at a time, before starting threads
// that read the environment.
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace brisklet::test {

class Sandbox {
 public:
  Sandbox();
  ~Sandbox();
  Sandbox(const Sandbox&) = delete;
  Sandbox& operator=(const Sandbox&) = delete;

  const std::filesystem::path& Root() const { return root_; }
  std::filesystem::path Home() const { return root_ / "home"; }
  std::filesystem::path ConfigHome() const { return Home() / ".config"; }
  std::filesystem::path CacheHome() const { return Home() / ".cache"; }
  std::filesystem::path DataHome() const { return Home() / ".local/share"; }
  std::filesystem::path RuntimeDir() const { return root_ / "run"; }
  std::filesystem::path Desktop() const { return Home() / "Desktop"; }

  // Whole-file helpers for the test's own checks; ReadFile gives "" for a missing file.
  static std::string ReadFile(const std::filesystem::path& path);
  static void WriteFile(const std::filesystem::path& path, const std::string& content);

 private:
  void Set(const char* name, const std::filesystem::path& value);

  std::filesystem::path root_;
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;  // name, old value
};

// A GoogleTest fixture whose every test runs in its own sandbox.
class SandboxTest : public ::testing::Test {
 protected:
  Sandbox sandbox_;
};

}  // namespace brisklet::test
