#include "platform/fs/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <utility>
#include <vector>

#include "platform/codepage.h"

namespace brisklet::platform::fs {
namespace {

std::string Native(const std::string& path) { return GbkToUtf8(path); }

}  // namespace

File::~File() {
  if (fd_ >= 0) ::close(fd_);
}

File::File(File&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), error_(other.error_), appended_(other.appended_) {}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(other.fd_, -1);
    error_ = other.error_;
    appended_ = other.appended_;
  }
  return *this;
}

File File::Create(const std::string& path) {
  int fd = ::open(Native(path).c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  File f(fd);
  if (fd < 0) f.error_ = errno;
  return f;
}

bool File::Fail() {
  error_ = errno;
  return false;
}

bool File::SetSize(std::int64_t size) {
  if (fd_ < 0 || size < 0) return false;
  return ::ftruncate(fd_, size) == 0 || Fail();
}

bool File::WriteAt(std::int64_t offset, const void* data, std::size_t n) {
  if (fd_ < 0 || offset < 0) return false;
  auto* p = static_cast<const char*>(data);
  while (n > 0) {
    ssize_t w = ::pwrite(fd_, p, n, offset);
    if (w < 0) {
      if (errno == EINTR) continue;
      return Fail();
    }
    p += w;
    n -= static_cast<std::size_t>(w);
    offset += w;
  }
  return true;
}

bool File::Append(const void* data, std::size_t n) {
  if (!WriteAt(appended_, data, n)) return false;
  appended_ += static_cast<std::int64_t>(n);
  return true;
}

bool File::AppendFile(const std::string& path, std::int64_t expectedSize) {
  if (fd_ < 0) return false;
  int in = ::open(Native(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return Fail();
  struct stat st {};
  if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size != expectedSize) {
    error_ = errno ? errno : EINVAL;
    ::close(in);
    return false;
  }
  loff_t inOff = 0;
  loff_t outOff = appended_;
  std::int64_t left = expectedSize;
  bool kernelCopy = true;
  std::vector<char> buffer;
  while (left > 0) {
    if (kernelCopy) {
      ssize_t c = ::copy_file_range(in, &inOff, fd_, &outOff, static_cast<std::size_t>(left), 0);
      if (c > 0) {
        left -= c;
        continue;
      }
      if (c < 0 && errno == EINTR) continue;
      // Different filesystems, or a kernel or filesystem without the call: copy by hand.
      if (c < 0 && (errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP || errno == EINVAL)) {
        kernelCopy = false;
        buffer.resize(1 << 20);
        continue;
      }
      error_ = c < 0 ? errno : EIO;  // 0 bytes copied before the expected end: the part shrank
      ::close(in);
      return false;
    }
    ssize_t r = ::pread(in, buffer.data(), std::min<std::int64_t>(left, buffer.size()), inOff);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) {
      error_ = r < 0 ? errno : EIO;
      ::close(in);
      return false;
    }
    if (!WriteAt(outOff, buffer.data(), static_cast<std::size_t>(r))) {
      ::close(in);
      return false;
    }
    inOff += r;
    outOff += r;
    left -= r;
  }
  ::close(in);
  appended_ = outOff;
  return true;
}

bool File::Close() {
  if (fd_ < 0) return false;
  int fd = std::exchange(fd_, -1);
  return ::close(fd) == 0 || Fail();
}

bool RenameFile(const std::string& from, const std::string& to) {
  return std::rename(Native(from).c_str(), Native(to).c_str()) == 0;
}

bool RemoveFile(const std::string& path) {
  return ::unlink(Native(path).c_str()) == 0 || errno == ENOENT;
}

std::int64_t FileSize(const std::string& path) {
  struct stat st {};
  if (::stat(Native(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  return st.st_size;
}

}  // namespace brisklet::platform::fs
