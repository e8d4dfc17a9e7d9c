#include "text/text_search.h"

namespace brisklet::text {
namespace {

unsigned char Byte(std::string_view text, std::size_t at) {
  return static_cast<unsigned char>(text[at]);
}

unsigned char FoldAscii(unsigned char byte) {
  return (byte >= 'A' && byte <= 'Z') ? static_cast<unsigned char>(byte + ('a' - 'A')) : byte;
}

bool MatchesAt(std::string_view text, std::string_view pattern, std::size_t at) {
  return text.substr(at, pattern.size()) == pattern;
}

// Walks text and pattern together character by character: single-byte characters compare with
// ASCII folding, both bytes of a double-byte character compare exactly.
bool MatchesAtIgnoreCase(std::string_view text, std::string_view pattern, std::size_t at) {
  if (text.size() - at < pattern.size()) return false;
  std::size_t k = 0;
  while (k < pattern.size()) {
    unsigned char t = Byte(text, at + k);
    unsigned char p = Byte(pattern, k);
    if (IsLeadByte(t)) {
      if (t != p) return false;
      if (k + 1 < pattern.size() && Byte(text, at + k + 1) != Byte(pattern, k + 1)) return false;
      k += 2;
      continue;
    }
    if (FoldAscii(t) != FoldAscii(p)) return false;
    ++k;
  }
  return true;
}

template <typename Matcher>
std::size_t FindWith(std::string_view text, std::string_view pattern, std::size_t from,
                     Matcher matches) {
  if (from > text.size()) return npos;
  if (pattern.empty()) return from;
  for (std::size_t at = from; at + pattern.size() <= text.size(); at += CharLength(text, at)) {
    if (matches(text, pattern, at)) return at;
  }
  return npos;
}

}  // namespace

std::size_t CharLength(std::string_view text, std::size_t at) {
  return (IsLeadByte(Byte(text, at)) && at + 1 < text.size()) ? 2 : 1;
}

std::size_t FindText(std::string_view text, std::string_view pattern, std::size_t from) {
  return FindWith(text, pattern, from, MatchesAt);
}

std::size_t FindTextIgnoreCase(std::string_view text, std::string_view pattern,
                               std::size_t from) {
  return FindWith(text, pattern, from, MatchesAtIgnoreCase);
}

std::size_t FindLastText(std::string_view text, std::string_view pattern) {
  if (pattern.empty()) return text.size();
  std::size_t last = npos;
  for (std::size_t at = FindText(text, pattern); at != npos;
       at = FindText(text, pattern, at + CharLength(text, at))) {
    last = at;
  }
  return last;
}

bool ContainsText(std::string_view text, std::string_view pattern) {
  return FindText(text, pattern) != npos;
}

bool ContainsIgnoreCase(std::string_view text, std::string_view pattern) {
  return FindTextIgnoreCase(text, pattern) != npos;
}

std::string ReplaceText(std::string_view text, std::string_view from, std::string_view to) {
  if (from.empty()) return std::string(text);
  std::string out;
  out.reserve(text.size());
  std::size_t done = 0;
  for (std::size_t at = FindText(text, from); at != npos; at = FindText(text, from, done)) {
    out.append(text.substr(done, at - done));
    out.append(to);
    done = at + from.size();
  }
  out.append(text.substr(done));
  return out;
}

}  // namespace brisklet::text
