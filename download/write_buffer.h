#pragma once
// Gathers the small pieces a connection delivers (a few KiB each) into one positioned write
// of up to kWriteBufferBytes: far fewer system calls, and a memory cost of one buffer per
// connection that does not grow with the file.
#include <cstdint>
#include <vector>

#include "platform/fs/file.h"

namespace brisklet::download {

inline constexpr std::size_t kWriteBufferBytes = 128 * 1024;

class WriteBuffer {
 public:
  // Writes land at `offset` onwards in `file`.
  WriteBuffer(platform::fs::File& file, std::int64_t offset) : file_(file), next_(offset) {
    data_.reserve(kWriteBufferBytes);
  }
  // False when a write failed.
  [[nodiscard]] bool Add(const std::uint8_t* bytes, std::size_t n) {
    if (data_.size() + n > kWriteBufferBytes && !Flush()) return false;
    if (n >= kWriteBufferBytes) {
      if (!file_.WriteAt(next_, bytes, n)) return false;
      next_ += static_cast<std::int64_t>(n);
      return true;
    }
    data_.insert(data_.end(), bytes, bytes + n);
    return true;
  }
  // Writes what is gathered; the bytes written so far then equal the bytes added.
  [[nodiscard]] bool Flush() {
    if (data_.empty()) return true;
    bool ok = file_.WriteAt(next_, data_.data(), data_.size());
    next_ += static_cast<std::int64_t>(data_.size());
    data_.clear();
    return ok;
  }
  std::size_t Pending() const { return data_.size(); }

 private:
  platform::fs::File& file_;
  std::int64_t next_;
  std::vector<std::uint8_t> data_;
};

}  // namespace brisklet::download
