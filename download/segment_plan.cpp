#include "download/segment_plan.h"

#include <algorithm>

namespace brisklet::download {
namespace {

void PutLe64(Bytes& out, std::int64_t v) {
  auto u = static_cast<std::uint64_t>(v);
  for (int i = 0; i < 8; ++i) out.push_back(static_cast<std::uint8_t>(u >> (8 * i)));
}

std::int64_t GetLe64(const Bytes& in, std::size_t at) {
  std::uint64_t u = 0;
  for (int i = 7; i >= 0; --i) u = (u << 8) | in[at + i];
  return static_cast<std::int64_t>(u);
}

}  // namespace

Bytes EncodeSegmentTask(const SegmentTask& task) {
  Bytes out;
  out.reserve(24);
  PutLe64(out, task.start);
  PutLe64(out, task.index);
  PutLe64(out, task.end);
  return out;
}

std::optional<SegmentTask> DecodeSegmentTask(const Bytes& data) {
  if (data.size() < 24) return std::nullopt;
  return SegmentTask{GetLe64(data, 0), GetLe64(data, 8), GetLe64(data, 16)};
}

std::int64_t PlanSegmentSize(std::int64_t fileSize, int threads) {
  return std::max(kMinSegmentSize, fileSize / std::max(threads, 1));
}

std::vector<SegmentTask> PlanSegments(std::int64_t fileSize, std::int64_t segmentSize) {
  std::vector<SegmentTask> plan;
  std::int64_t pos = 0;
  std::int64_t index = 0;
  while (pos + segmentSize < fileSize) {
    plan.push_back({pos, ++index, pos + segmentSize});
    pos += segmentSize + 1;
  }
  plan.push_back({pos, ++index, fileSize});
  return plan;
}

std::int64_t SegmentLength(const SegmentTask& task, std::int64_t fileSize) {
  return std::max<std::int64_t>(0, std::min(task.end, fileSize - 1) - task.start + 1);
}

}  // namespace brisklet::download
