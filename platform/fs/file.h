#pragma once
// Files on disk for the download engines. Paths are the system's GBK texts; they are converted
// to UTF-8 here, at the edge, because Linux file names are UTF-8 bytes.
//
// A File is one open descriptor owned by one object; it is closed when the object ends. Every
// operation reports failure through its result (and LastError, the errno of the last failure).
#include <cstddef>
#include <cstdint>
#include <string>

namespace brisklet::platform::fs {

class File {
 public:
  File() = default;
  ~File();
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Creates the file, or truncates an existing one, for reading and writing.
  [[nodiscard]] static File Create(const std::string& path);

  bool IsOpen() const { return fd_ >= 0; }
  int LastError() const { return error_; }

  // Sets the length: a longer file reads as zeros past the old end and takes no disk blocks
  // where the filesystem supports holes.
  [[nodiscard]] bool SetSize(std::int64_t size);
  // Writes all n bytes at this offset (positioned write; any thread, no shared file position).
  [[nodiscard]] bool WriteAt(std::int64_t offset, const void* data, std::size_t n);
  // Writes all n bytes at the current end of what this object has appended.
  [[nodiscard]] bool Append(const void* data, std::size_t n);
  // Appends the whole file at `path`, which must be exactly expectedSize bytes long, with the
  // kernel's copy (copy_file_range), falling back to reads and writes where the kernel cannot.
  [[nodiscard]] bool AppendFile(const std::string& path, std::int64_t expectedSize);
  // Bytes appended so far.
  std::int64_t AppendedSize() const { return appended_; }
  [[nodiscard]] bool Close();

 private:
  explicit File(int fd) : fd_(fd) {}
  bool Fail();

  int fd_ = -1;
  int error_ = 0;
  std::int64_t appended_ = 0;
};

// Renames, replacing an existing file at `to`.
[[nodiscard]] bool RenameFile(const std::string& from, const std::string& to);
// Removes one file; true also when it did not exist.
bool RemoveFile(const std::string& path);
// The size of a regular file, or -1 when there is none at the path.
std::int64_t FileSize(const std::string& path);

}  // namespace brisklet::platform::fs
