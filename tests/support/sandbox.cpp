#include "tests/support/sandbox.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace brisklet::test {
namespace fs = std::filesystem;

Sandbox::Sandbox() {
  std::string pattern = (fs::temp_directory_path() / "brisklet-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    std::perror("sandbox: mkdtemp");
    std::abort();
  }
  root_ = pattern;
  for (const auto& dir : {ConfigHome(), CacheHome(), DataHome(), RuntimeDir(), Desktop()}) {
    fs::create_directories(dir);
  }
  fs::permissions(RuntimeDir(), fs::perms::owner_all, fs::perm_options::replace);
  Set("HOME", Home());
  Set("XDG_CONFIG_HOME", ConfigHome());
  Set("XDG_CACHE_HOME", CacheHome());
  Set("XDG_DATA_HOME", DataHome());
  Set("XDG_RUNTIME_DIR", RuntimeDir());
  WriteFile(ConfigHome() / "user-dirs.dirs",
            "# written by the test sandbox\nXDG_DESKTOP_DIR=\"" + Desktop().string() + "\"\n");
}

Sandbox::~Sandbox() {
  for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
    if (it->second) {
      setenv(it->first.c_str(), it->second->c_str(), 1);
    } else {
      unsetenv(it->first.c_str());
    }
  }
  std::error_code ignored;
  fs::remove_all(root_, ignored);
}

void Sandbox::Set(const char* name, const fs::path& value) {
  const char* old = std::getenv(name);
  saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
  setenv(name, value.c_str(), 1);
}

std::string Sandbox::ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

void Sandbox::WriteFile(const fs::path& path, const std::string& content) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

}  // namespace brisklet::test
