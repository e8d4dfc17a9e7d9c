// Requests' header look-up, body sources, and the ranged file reply.
#include <algorithm>
#include <bit>
#include <cctype>
#include <charconv>
#include <cstring>
#include <optional>

#include "tests/support/test_server.h"

namespace brisklet::test {
namespace {

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

std::optional<std::uint64_t> ParseNumber(std::string_view text) {
  std::uint64_t value = 0;
  if (text.empty()) return std::nullopt;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// splitmix64: each 8-byte word of the pattern is the mix of its index.
std::uint64_t PatternWord(std::uint64_t index) {
  std::uint64_t z = index + 0x9e3779b97f4a7c15ULL;
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
  return z ^ (z >> 31);
}

struct ByteRange {
  std::uint64_t first = 0;
  std::uint64_t last = 0;  // inclusive
};

enum class RangeKind { kNone, kSatisfiable, kUnsatisfiable };

// One "bytes=a-b", "bytes=a-" or "bytes=-n". Anything else (several ranges, other units,
// bad syntax) is treated as no range, which a server may do.
RangeKind ParseRange(std::string_view header, std::uint64_t size, ByteRange& range) {
  header = Trim(header);
  constexpr std::string_view kUnit = "bytes=";
  if (header.size() < kUnit.size() || !EqualsIgnoringCase(header.substr(0, kUnit.size()), kUnit)) {
    return RangeKind::kNone;
  }
  header.remove_prefix(kUnit.size());
  if (header.find(',') != std::string_view::npos) return RangeKind::kNone;
  auto dash = header.find('-');
  if (dash == std::string_view::npos) return RangeKind::kNone;
  std::string_view from = Trim(header.substr(0, dash));
  std::string_view to = Trim(header.substr(dash + 1));
  if (from.empty()) {  // the last n bytes
    auto n = ParseNumber(to);
    if (!n) return RangeKind::kNone;
    if (*n == 0 || size == 0) return RangeKind::kUnsatisfiable;
    range = {size - std::min(*n, size), size - 1};
    return RangeKind::kSatisfiable;
  }
  auto first = ParseNumber(from);
  if (!first) return RangeKind::kNone;
  std::optional<std::uint64_t> last;
  if (!to.empty()) {
    last = ParseNumber(to);
    if (!last || *last < *first) return RangeKind::kNone;
  }
  if (*first >= size) return RangeKind::kUnsatisfiable;
  range = {*first, std::min(last.value_or(size - 1), size - 1)};
  return RangeKind::kSatisfiable;
}

BodySource Slice(const BodySource& file, std::uint64_t first, std::uint64_t length) {
  BodySource slice;
  slice.size = length;
  slice.at = [at = file.at, first](std::uint64_t offset, char* out, std::size_t n) {
    at(first + offset, out, n);
  };
  return slice;
}

}  // namespace

std::string Request::Header(std::string_view name) const {
  for (const auto& [key, value] : headers) {
    if (EqualsIgnoringCase(key, name)) return value;
  }
  return {};
}

bool Request::HasHeader(std::string_view name) const {
  return std::any_of(headers.begin(), headers.end(),
                     [&](const auto& header) { return EqualsIgnoringCase(header.first, name); });
}

BodySource BodySource::Of(std::string content) {
  BodySource source;
  source.size = content.size();
  source.at = [content = std::move(content)](std::uint64_t offset, char* out, std::size_t n) {
    std::memcpy(out, content.data() + offset, n);
  };
  return source;
}

char PatternByte(std::uint64_t offset) {
  return static_cast<char>(PatternWord(offset / 8) >> (8 * (offset % 8)));
}

BodySource BodySource::Pattern(std::uint64_t size) {
  BodySource source;
  source.size = size;
  source.at = [](std::uint64_t offset, char* out, std::size_t n) {
    std::size_t done = 0;
    while (done < n && (offset + done) % 8 != 0) {  // up to a word boundary
      out[done] = PatternByte(offset + done);
      ++done;
    }
    for (std::uint64_t index = (offset + done) / 8; done + 8 <= n; done += 8, ++index) {
      std::uint64_t word = PatternWord(index);
      if constexpr (std::endian::native != std::endian::little) word = __builtin_bswap64(word);
      std::memcpy(out + done, &word, 8);  // byte b of the word is the word's b-th lowest byte
    }
    for (; done < n; ++done) out[done] = PatternByte(offset + done);
  };
  return source;
}

Reply FileReply(const Request& request, const BodySource& file, const FileOptions& options) {
  Reply reply;
  reply.headers = options.headers;
  if (!options.ignoreRanges) reply.headers.emplace_back("Accept-Ranges", "bytes");
  if (!options.contentDisposition.empty()) {
    reply.headers.emplace_back("Content-Disposition", options.contentDisposition);
  }
  reply.contentLength = !options.omitContentLength;
  // Without a length the end of the body is the end of the connection.
  reply.close = options.omitContentLength;

  ByteRange range;
  RangeKind kind = RangeKind::kNone;
  if (!options.ignoreRanges && request.HasHeader("Range")) {
    kind = ParseRange(request.Header("Range"), file.size, range);
  }
  if (kind == RangeKind::kUnsatisfiable && options.rangeNotSatisfiable) {
    reply.status = 416;
    reply.headers.emplace_back("Content-Range", "bytes */" + std::to_string(file.size));
    reply.contentLength = true;
    reply.close = false;
    return reply;
  }
  if (kind == RangeKind::kSatisfiable) {
    reply.status = 206;
    reply.headers.emplace_back("Content-Range", "bytes " + std::to_string(range.first) + "-" +
                                                    std::to_string(range.last) + "/" +
                                                    std::to_string(file.size));
    reply.stream = Slice(file, range.first, range.last - range.first + 1);
    return reply;
  }
  reply.status = 200;
  reply.stream = file;
  return reply;
}

}  // namespace brisklet::test
