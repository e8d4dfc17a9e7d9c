#include "platform/instance_mark.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <set>
#include <string>

#include "platform/md5.h"
#include "platform/native_path.h"
#include "platform/paths.h"

namespace brisklet::platform {
namespace {

std::string HexOf(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string hex;
  for (unsigned char c : bytes) {
    hex.push_back(kHex[c >> 4]);
    hex.push_back(kHex[c & 0x0F]);
  }
  return hex;
}

// The user's id is part of the name: /tmp is shared by every user, and an instance of one
// user must not stop another's. Long names go by their digest, to stay inside NAME_MAX.
std::string MarkPath(std::string_view name) {
  const std::string id = name.size() <= 64 ? HexOf(name) : "md5-" + Md5Hex(name);
  return ToNativePath(RuntimeFolder()) + "brisklet-" + std::to_string(::getuid()) + "-" + id +
         ".lock";
}

}  // namespace

bool TryAcquireInstanceMark(std::string_view name) {
  static std::mutex mutex;
  static std::set<std::string> held;  // names whose lock this process keeps open
  static pid_t holder = 0;             // the process that filled `held`; a forked child
                                       // inherits the set but is not that process
  std::lock_guard<std::mutex> lock(mutex);
  if (holder != ::getpid()) {
    held.clear();
    holder = ::getpid();
  }
  const std::string key(name);
  if (held.count(key) > 0) return true;

  // O_NOFOLLOW: in a shared /tmp a planted link must not make us open another file.
  const int fd = ::open(MarkPath(name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return true;
  int result;
  do {
    result = ::flock(fd, LOCK_EX | LOCK_NB);
  } while (result != 0 && errno == EINTR);
  if (result != 0) {
    const bool heldElsewhere = errno == EWOULDBLOCK;
    ::close(fd);
    return !heldElsewhere;
  }
  held.insert(key);  // the descriptor stays open, and the lock held, until the process ends
  return true;
}

}  // namespace brisklet::platform
