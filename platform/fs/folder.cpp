#include "platform/fs/folder.h"

#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "platform/codepage.h"

namespace brisklet::platform::fs {
namespace {

// The resolved form of an existing path; empty when it cannot be resolved.
std::string Resolved(const std::string& utf8) {
  char buffer[PATH_MAX];
  if (!::realpath(utf8.c_str(), buffer)) return {};
  return buffer;
}

int RemoveEntry(const char* path, const struct stat*, int type, struct FTW*) {
  int rc = (type == FTW_DP) ? ::rmdir(path) : ::unlink(path);
  return rc == 0 || errno == ENOENT ? 0 : -1;
}

}  // namespace

bool CreateFolders(const std::string& path) {
  std::string utf8 = GbkToUtf8(path);
  if (utf8.empty()) return false;
  for (std::size_t i = 1; i <= utf8.size(); ++i) {
    if (i < utf8.size() && utf8[i] != '/') continue;
    std::string prefix = utf8.substr(0, i);
    if (::mkdir(prefix.c_str(), 0755) != 0 && errno != EEXIST) return false;
  }
  struct stat st {};
  return ::stat(utf8.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool RemoveTreeInside(const std::string& root, const std::string& path) {
  std::string utf8 = GbkToUtf8(path);
  struct stat st {};
  if (::lstat(utf8.c_str(), &st) != 0) return errno == ENOENT;
  std::string realRoot = Resolved(GbkToUtf8(root));
  std::string realPath = Resolved(utf8);
  if (realRoot.empty() || realPath.empty()) return false;
  if (realRoot != "/") realRoot += '/';
  // Strictly inside: the resolved path continues the resolved root after its separator.
  if (realPath.size() <= realRoot.size() || realPath.compare(0, realRoot.size(), realRoot) != 0)
    return false;
  // Walk the resolved path, so a link named by `path` is never the thing that gets emptied.
  return ::nftw(realPath.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS | FTW_MOUNT) == 0;
}

}  // namespace brisklet::platform::fs
