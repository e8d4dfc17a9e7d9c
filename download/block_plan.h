#pragma once
// Engine 1's plan: 1 MiB blocks, numbered from 1, handed out in order. The last block's range
// end is fileSize, one past the last byte, as engine 0's last segment. 64-bit throughout.
#include <cstdint>

namespace brisklet::download {

inline constexpr std::int64_t kBlockSize = 1048576;

struct BlockRange {
  std::int64_t start = 0;
  std::int64_t end = 0;  // as sent in the Range header
  bool operator==(const BlockRange&) const = default;
};

// ⌈fileSize / kBlockSize⌉.
std::int64_t BlockCount(std::int64_t fileSize);
// Block n, 1 ≤ n ≤ BlockCount(fileSize).
BlockRange BlockOf(std::int64_t n, std::int64_t fileSize);
// The bytes block n holds in the file.
std::int64_t BlockLength(std::int64_t n, std::int64_t fileSize);
// The most workers running at once: min(threads, blockCount).
int ThreadLimit(int threads, std::int64_t blockCount);

}  // namespace brisklet::download
