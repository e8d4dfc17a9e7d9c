#include <cstdlib>
#include <fstream>
#include <string>

#include "download/download_options.h"
#include "platform/codepage.h"

namespace brisklet::download {
namespace {

std::string Home() {
  const char* home = std::getenv("HOME");
  return home && *home ? home : "/tmp";
}

std::string EnvOr(const char* name, const std::string& fallback) {
  const char* v = std::getenv(name);
  return v && *v == '/' ? v : fallback;
}

std::string WithSlash(std::string path) {
  if (path.empty() || path.back() != '/') path += '/';
  return path;
}

// XDG_DESKTOP_DIR from $XDG_CONFIG_HOME/user-dirs.dirs ("$HOME/..." or an absolute path);
// $HOME/Desktop when the file does not name one.
std::string DesktopUtf8() {
  std::ifstream in(EnvOr("XDG_CONFIG_HOME", Home() + "/.config") + "/user-dirs.dirs");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("XDG_DESKTOP_DIR=", 0) != 0) continue;
    std::string value = line.substr(16);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
    if (value.rfind("$HOME", 0) == 0) value = Home() + value.substr(5);
    if (!value.empty() && value.front() == '/') return value;
  }
  return Home() + "/Desktop";
}

}  // namespace

std::string DefaultSaveFolder() { return platform::Utf8ToGbk(WithSlash(DesktopUtf8())); }

std::string DefaultCacheFolder() {
  return platform::Utf8ToGbk(WithSlash(EnvOr("XDG_CACHE_HOME", Home() + "/.cache") + "/brisklet"));
}

}  // namespace brisklet::download
