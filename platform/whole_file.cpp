#include "platform/whole_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace brisklet::platform {
namespace {

// Closes a descriptor when it goes out of scope.
class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

bool IsFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

mode_t NewFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0644 & ~mask;
}

}  // namespace

std::optional<std::string> ReadWholeFile(const std::string& nativePath, bool* missing) {
  Fd fd(::open(nativePath.c_str(), O_RDONLY | O_CLOEXEC));
  if (missing) *missing = fd.get() < 0 && errno == ENOENT;
  if (fd.get() < 0) return std::nullopt;
  std::string content;
  char buf[16384];
  for (;;) {
    const ssize_t n = ::read(fd.get(), buf, sizeof(buf));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return std::nullopt;
    if (n == 0) return content;
    content.append(buf, static_cast<std::size_t>(n));
  }
}

bool CreateFoldersOf(const std::string& nativePath) {
  const std::size_t last = nativePath.rfind('/');
  if (last == std::string::npos || last == 0) return true;
  for (std::size_t slash = nativePath.find('/', 1); slash != std::string::npos && slash <= last;
       slash = nativePath.find('/', slash + 1)) {
    const std::string folder = nativePath.substr(0, slash);
    if (::mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST) return false;
  }
  return IsFolder(nativePath.substr(0, last));
}

bool WriteWholeFile(const std::string& nativePath, std::string_view content) {
  if (nativePath.empty() || nativePath.back() == '/' || !CreateFoldersOf(nativePath)) return false;
  struct stat old {};
  const bool exists = ::stat(nativePath.c_str(), &old) == 0;
  if (exists && !S_ISREG(old.st_mode)) return false;

  std::string temp = nativePath + ".XXXXXX";
  std::vector<char> name(temp.begin(), temp.end());
  name.push_back('\0');
  Fd fd(::mkostemp(name.data(), O_CLOEXEC));
  if (fd.get() < 0) return false;
  temp.assign(name.data());

  const mode_t mode = exists ? (old.st_mode & 07777) : NewFileMode();
  const bool written = ::fchmod(fd.get(), mode) == 0 && WriteAll(fd.get(), content) &&
                       ::fsync(fd.get()) == 0 && fd.Close();
  if (!written || ::rename(temp.c_str(), nativePath.c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  // Make the rename itself durable; the file is already complete either way.
  const std::size_t slash = nativePath.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : nativePath.substr(0, slash + 1);
  Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() >= 0) ::fsync(dir.get());
  return true;
}

}  // namespace brisklet::platform
