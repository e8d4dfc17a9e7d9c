#include "platform/paths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <string_view>
#include <vector>

#include "platform/native_path.h"
#include "platform/whole_file.h"

namespace brisklet::platform {
namespace {

// An XDG base-directory variable counts only when it holds an absolute path.
std::string EnvFolder(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || value[0] != '/') return {};
  return value;
}

std::string WithSlash(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder.push_back('/');
  return folder;
}

// UTF-8, ending in "/".
std::string ConfigHomeNative() {
  const std::string configured = EnvFolder("XDG_CONFIG_HOME");
  return WithSlash(configured.empty() ? WithSlash(HomeFolderNative()) + ".config" : configured);
}

std::string CacheHomeNative() {
  const std::string configured = EnvFolder("XDG_CACHE_HOME");
  return WithSlash(configured.empty() ? WithSlash(HomeFolderNative()) + ".cache" : configured);
}

// A value of user-dirs.dirs: a double-quoted "$HOME/…" or absolute path, with backslash
// escapes. Empty when the value has another form.
std::string UserDirValue(std::string_view raw) {
  while (!raw.empty() && (raw.front() == ' ' || raw.front() == '\t')) raw.remove_prefix(1);
  if (raw.empty() || raw.front() != '"') return {};
  std::string value;
  for (std::size_t i = 1; i < raw.size(); ++i) {
    if (raw[i] == '\\' && i + 1 < raw.size()) {
      value.push_back(raw[++i]);
    } else if (raw[i] == '"') {
      break;
    } else {
      value.push_back(raw[i]);
    }
  }
  constexpr std::string_view kHome = "$HOME";
  if (value.compare(0, kHome.size(), kHome) == 0 &&
      (value.size() == kHome.size() || value[kHome.size()] == '/')) {
    return HomeFolderNative() + value.substr(kHome.size());
  }
  return value.size() > 0 && value[0] == '/' ? value : std::string();
}

std::string DesktopFromUserDirs() {
  const auto content = ReadWholeFile(ConfigHomeNative() + "user-dirs.dirs");
  if (!content) return {};
  std::string found;
  std::string_view rest = *content;
  while (!rest.empty()) {
    const std::size_t end = rest.find('\n');
    std::string_view line = rest.substr(0, end);
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    constexpr std::string_view kKey = "XDG_DESKTOP_DIR=";
    if (line.substr(0, kKey.size()) == kKey) found = UserDirValue(line.substr(kKey.size()));
  }
  return found;  // the last assignment wins, as when the shell reads the file
}

std::string ProgramPathNative() {
  std::vector<char> buf(4096);
  for (int attempt = 0; attempt < 4; ++attempt) {
    const ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
    if (n < 0) return {};
    if (static_cast<std::size_t>(n) < buf.size()) return std::string(buf.data(), n);
    buf.resize(buf.size() * 4);
  }
  return {};
}

}  // namespace

std::string HomeFolderNative() {
  std::string home = EnvFolder("HOME");
  if (home.empty()) {
    passwd entry{};
    passwd* found = nullptr;
    std::vector<char> buf(16384);
    if (::getpwuid_r(::getuid(), &entry, buf.data(), buf.size(), &found) == 0 &&
        found != nullptr && entry.pw_dir != nullptr && entry.pw_dir[0] == '/') {
      home = entry.pw_dir;
    }
  }
  while (home.size() > 1 && home.back() == '/') home.pop_back();
  return home.empty() ? "/" : home;
}

std::string SettingsFolder() { return FromNativePath(ConfigHomeNative() + "brisklet/"); }

std::string AutostartFolder() { return FromNativePath(ConfigHomeNative() + "autostart/"); }

std::string DesktopFolder() {
  std::string desktop = DesktopFromUserDirs();
  if (desktop.empty()) desktop = EnvFolder("XDG_DESKTOP_DIR");
  if (desktop.empty()) desktop = WithSlash(HomeFolderNative()) + "Desktop";
  return FromNativePath(WithSlash(desktop));
}

std::string CacheFolder() { return FromNativePath(CacheHomeNative() + "brisklet/"); }

std::string RuntimeFolder() {
  const std::string runtime = EnvFolder("XDG_RUNTIME_DIR");
  return FromNativePath(WithSlash(runtime.empty() ? std::string("/tmp") : runtime));
}

std::string ProgramPath() { return FromNativePath(ProgramPathNative()); }

std::string ProgramFolder() {
  const std::string path = ProgramPath();
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string ProgramFileName() {
  const std::string path = ProgramPath();
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(slash + 1);
}

}  // namespace brisklet::platform
