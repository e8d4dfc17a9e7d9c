#pragma once
// Engine 0's plan: how a file of fileSize bytes is cut into segments, one pool task each.
//
// Segments touch: inner ones cover segmentSize + 1 bytes; the last one's range end is fileSize,
// one past the last byte, which servers clip to the end of the file. When fileSize is a
// multiple of segmentSize + 1 the last segment starts at fileSize and has no byte to fetch.
// Everything is 64-bit, so files past 2 GiB and 4 GiB plan like small ones.
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/bytes.h"

namespace brisklet::download {

inline constexpr std::int64_t kMinSegmentSize = 131072;  // a segment holds at least 131,073 bytes

// The task data of one segment: start, part number (1-based) and the range end as sent.
struct SegmentTask {
  std::int64_t start = 0;
  std::int64_t index = 0;
  std::int64_t end = 0;
  bool operator==(const SegmentTask&) const = default;
};

// 24 bytes: start, index, end, each little-endian signed 64-bit.
Bytes EncodeSegmentTask(const SegmentTask& task);
std::optional<SegmentTask> DecodeSegmentTask(const Bytes& data);

// max(131072, fileSize / threads); threads below 1 count as 1.
std::int64_t PlanSegmentSize(std::int64_t fileSize, int threads);
std::vector<SegmentTask> PlanSegments(std::int64_t fileSize, std::int64_t segmentSize);

// The bytes a complete reply for the segment holds: the range clipped to the file.
std::int64_t SegmentLength(const SegmentTask& task, std::int64_t fileSize);

}  // namespace brisklet::download
