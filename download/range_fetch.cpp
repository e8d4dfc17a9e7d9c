#include "download/range_fetch.h"

#include <charconv>

namespace brisklet::download {
namespace {

std::int64_t Decimal(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\r')) text.remove_suffix(1);
  std::int64_t v = -1;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty() || v < 0) return -1;
  return v;
}

bool IsIdentityCoding(std::string_view coding) {
  while (!coding.empty() && coding.front() == ' ') coding.remove_prefix(1);
  while (!coding.empty() && coding.back() == ' ') coding.remove_suffix(1);
  if (coding.empty()) return true;
  if (coding.size() != 8) return false;
  for (std::size_t i = 0; i < 8; ++i)
    if ((coding[i] | 0x20) != "identity"[i]) return false;
  return true;
}

}  // namespace

std::int64_t ContentRangeStart(std::string_view value) {
  std::size_t unit = value.find("bytes");
  if (unit == std::string_view::npos) return -1;
  value.remove_prefix(unit + 5);
  std::size_t dash = value.find('-');
  return dash == std::string_view::npos ? -1 : Decimal(value.substr(0, dash));
}

std::int64_t ContentRangeSize(std::string_view value) {
  std::size_t slash = value.rfind('/');
  return slash == std::string_view::npos ? -1 : Decimal(value.substr(slash + 1));
}

RangeResult FetchRange(
    const RangeFetch& fetch,
    const std::function<bool(std::int64_t, const std::uint8_t*, std::size_t)>& writer,
    const std::function<void(std::int64_t)>& onBytes, const std::atomic<bool>* stop) {
  namespace http = platform::http;
  http::TransferOptions options;
  options.url = fetch.url;
  options.headers = fetch.headers;

  RangeResult out;
  bool accepted = false;
  bool writeFailed = false;
  auto onHeaders = [&](const http::TransferResult& head) {
    out.status = head.status;
    // A range with no byte in it is complete whatever the server says about it (an empty
    // 206, a 416 range not satisfiable, or anything else): the file needs nothing from it.
    if (fetch.expected == 0) {
      accepted = head.status > 0;
      return false;
    }
    if (!IsIdentityCoding(head.Header("Content-Encoding"))) return false;
    if (head.status == 206) {
      accepted = ContentRangeStart(head.Header("Content-Range")) == fetch.start;
    } else if (head.status == 200) {
      accepted = fetch.start == 0 && fetch.expected == fetch.fileSize;  // the whole file asked
    }
    return accepted;
  };
  auto onBody = [&](const std::uint8_t* data, std::size_t n) {
    if (!accepted || out.received + static_cast<std::int64_t>(n) > fetch.expected) return false;
    if (!writer(out.received, data, n)) {
      writeFailed = true;
      return false;
    }
    out.received += static_cast<std::int64_t>(n);
    if (onBytes) onBytes(static_cast<std::int64_t>(n));
    return true;
  };
  http::Transfer(options, onBody, onHeaders, stop);

  if (writeFailed) {
    out.outcome = RangeOutcome::WriteFailed;
  } else if (accepted && out.received == fetch.expected) {
    out.outcome = RangeOutcome::Complete;
  } else if (stop && stop->load()) {
    out.outcome = RangeOutcome::Stopped;
  } else {
    out.outcome = RangeOutcome::Failed;
  }
  return out;
}

}  // namespace brisklet::download
