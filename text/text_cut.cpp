#include "text/text_cut.h"

#include "text/text_search.h"

namespace brisklet::text {
namespace {

// "#引号" in GBK.
constexpr std::string_view kQuoteMarker = "#\xD2\xFD\xBA\xC5";

// The length of the space starting at `at`, or 0 when the character there is not a space.
std::size_t SpaceLength(std::string_view text, std::size_t at) {
  if (text[at] == ' ') return 1;
  if (text.substr(at, 2) == "\xA1\xA1") return 2;
  return 0;
}

}  // namespace

std::string TextBetween(std::string_view text, std::string_view left, std::string_view right) {
  const std::string leftMarker = ReplaceText(left, kQuoteMarker, "\"");
  const std::string rightMarker = ReplaceText(right, kQuoteMarker, "\"");
  const std::size_t found = FindText(text, leftMarker);
  if (found == npos) return {};
  const std::size_t start = found + leftMarker.size();
  const std::size_t end = FindText(text, rightMarker, start);
  if (end == npos) return {};
  return std::string(text.substr(start, end - start));
}

std::string TextLeftOf(std::string_view text, std::string_view delimiter) {
  const std::size_t at = FindText(text, delimiter);
  return at == npos ? std::string() : std::string(text.substr(0, at));
}

std::string TextRightOf(std::string_view text, std::string_view delimiter) {
  const std::size_t at = FindLastText(text, delimiter);
  return at == npos ? std::string() : std::string(text.substr(at + delimiter.size()));
}

std::string HeaderName(std::string_view line) {
  const std::size_t colon = FindText(line, ":");
  return colon == npos ? std::string() : TrimText(line.substr(0, colon));
}

std::string HeaderValue(std::string_view line) {
  const std::size_t colon = FindText(line, ":");
  return colon == npos ? std::string() : TrimText(line.substr(colon + 1));
}

std::string TrimText(std::string_view text) {
  // Walk forward by characters so a trailing 0xA1 0xA1 is only taken as a space when it is a
  // whole character, not the trail byte of one character and the lead of the next.
  std::size_t first = npos;
  std::size_t end = 0;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t space = SpaceLength(text, at);
    if (space > 0) {
      at += space;
      continue;
    }
    if (first == npos) first = at;
    at += CharLength(text, at);
    end = at;
  }
  return first == npos ? std::string() : std::string(text.substr(first, end - first));
}

}  // namespace brisklet::text
