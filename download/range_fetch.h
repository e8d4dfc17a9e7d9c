#pragma once
// One ranged GET of both engines, checked before a byte is taken as file data: the reply must
// be 206 for the very range asked (or 200 when the range is the whole file), carry no content
// coding, and bring exactly the bytes expected. Bytes go to the caller's writer as they arrive,
// so nothing but the transfer's own buffer is held in memory.
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/http/http_transfer.h"

namespace brisklet::download {

struct RangeFetch {
  std::string url;
  std::vector<platform::http::Header> headers;  // sent in this order, the Range header included
  std::int64_t start = 0;                       // first byte asked
  std::int64_t expected = 0;  // bytes a complete reply brings (0: the range has no byte)
  std::int64_t fileSize = 0;
};

enum class RangeOutcome {
  Complete,     // `expected` bytes went to the writer (or none were needed and a reply came)
  Failed,       // no usable reply, a wrong status or range, too few or too many bytes: retry
  WriteFailed,  // the writer refused
  Stopped,      // the stop flag was raised
};

struct RangeResult {
  RangeOutcome outcome = RangeOutcome::Failed;
  std::int64_t received = 0;  // bytes given to the writer
  int status = 0;
};

// writer(offset from fetch.start, data, n); onBytes(n) after each accepted piece. Blocking.
RangeResult FetchRange(
    const RangeFetch& fetch,
    const std::function<bool(std::int64_t, const std::uint8_t*, std::size_t)>& writer,
    const std::function<void(std::int64_t)>& onBytes, const std::atomic<bool>* stop);

// The first byte of a "Content-Range: bytes a-b/size" value; -1 when it holds none.
std::int64_t ContentRangeStart(std::string_view value);
// The text after the last "/" of a Content-Range value as a size; -1 when it is empty or not
// a decimal number.
std::int64_t ContentRangeSize(std::string_view value);

}  // namespace brisklet::download
