#pragma once
// A test of the shell: a temp home with its XDG folders, the headless backend installed, and
// AppState's shell fields as a fresh start has them.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "app/app_state.h"
#include "app/settings_file.h"
#include "platform/ui/headless_backend.h"
#include "platform/ui/ui_backend.h"

namespace brisklet::test {

class AppFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/brisklet-app-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = pattern;
    for (const char* sub : {"home", "config", "cache", "data", "run"})
      std::filesystem::create_directories(root_ / sub);
    setenv("HOME", (root_ / "home").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (root_ / "config").c_str(), 1);
    setenv("XDG_CACHE_HOME", (root_ / "cache").c_str(), 1);
    setenv("XDG_DATA_HOME", (root_ / "data").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (root_ / "run").c_str(), 1);
    platform::InstallUiBackend(&ui_);
    app::AppState& s = state();
    s.linkText.clear();
    s.downloadAddress.clear();
    s.engine = 0;
    s.threadCount = 0;
    s.handOffOpen = false;
    s.config = app::Config();
  }

  void TearDown() override {
    platform::InstallUiBackend(nullptr);
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }

  static app::AppState& state() { return app::AppState::Instance(); }

  std::filesystem::path SettingsFile() const { return root_ / "config" / "brisklet" / "Accounts.ini"; }

  std::string FileBytes(const std::filesystem::path& path) const {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }

  void WriteFile(const std::filesystem::path& path, const std::string& bytes) const {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
  }

  // Every file under the temp root, for checks that nothing was written elsewhere.
  std::filesystem::path root_;
  platform::HeadlessBackend ui_;
};

}  // namespace brisklet::test
