#include "download/block_plan.h"

#include <algorithm>

namespace brisklet::download {

std::int64_t BlockCount(std::int64_t fileSize) {
  return fileSize / kBlockSize + (fileSize % kBlockSize != 0 ? 1 : 0);
}

BlockRange BlockOf(std::int64_t n, std::int64_t fileSize) {
  std::int64_t start = (n - 1) * kBlockSize;
  std::int64_t end = n == BlockCount(fileSize) ? fileSize : n * kBlockSize - 1;
  return {start, end};
}

std::int64_t BlockLength(std::int64_t n, std::int64_t fileSize) {
  BlockRange r = BlockOf(n, fileSize);
  return std::max<std::int64_t>(0, std::min(r.end, fileSize - 1) - r.start + 1);
}

int ThreadLimit(int threads, std::int64_t blockCount) {
  return static_cast<int>(std::min<std::int64_t>(threads, blockCount));
}

}  // namespace brisklet::download
