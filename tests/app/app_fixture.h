#pragma once
// A test of the shell: a sandbox home with its XDG folders, the headless backend installed, and
// AppState's shell fields as a fresh start has them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "app/app_state.h"
#include "app/settings_file.h"
#include "platform/ui/headless_backend.h"
#include "platform/ui/ui_backend.h"
#include "tests/support/sandbox.h"

namespace brisklet::test {

class AppFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    sandbox_.emplace();
    root_ = sandbox_->Root();
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
    sandbox_.reset();
  }

  static app::AppState& state() { return app::AppState::Instance(); }

  std::filesystem::path SettingsFile() const {
    return sandbox_->ConfigHome() / "brisklet" / "Accounts.ini";
  }

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

  std::optional<Sandbox> sandbox_;
  std::filesystem::path root_;
  platform::HeadlessBackend ui_;
};

}  // namespace brisklet::test
