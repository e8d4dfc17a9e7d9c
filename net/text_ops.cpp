#include "net/text_ops.h"

#include "platform/ascii.h"
#include "text/text_search.h"

namespace brisklet::net {

std::string LowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = platform::FoldAsciiLower(c);
  return out;
}

std::string UpperAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  return platform::EqualsIgnoreAsciiCase(a, b);
}

bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

std::size_t Find(std::string_view text, std::string_view pattern, std::size_t from) {
  return text::FindText(text, pattern, from);
}

std::size_t FindIgnoreCase(std::string_view text, std::string_view pattern, std::size_t from) {
  return text::FindTextIgnoreCase(text, pattern, from);
}

bool ContainsIgnoreCase(std::string_view text, std::string_view pattern) {
  return FindIgnoreCase(text, pattern) != kNotFound;
}

std::string RemoveAllIgnoreCase(std::string_view text, std::string_view pattern) {
  if (pattern.empty()) return std::string(text);
  std::string out;
  std::size_t from = 0;
  for (std::size_t at; (at = FindIgnoreCase(text, pattern, from)) != kNotFound;
       from = at + pattern.size())
    out.append(text.substr(from, at - from));
  out.append(text.substr(from));
  return out;
}

std::string_view TrimLeadingBlanks(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  return text;
}

std::string_view TrimBlanks(std::string_view text) {
  text = TrimLeadingBlanks(text);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

std::vector<std::string> SplitText(std::string_view text, std::string_view separator) {
  std::vector<std::string> pieces;
  std::size_t from = 0;
  while (from < text.size()) {
    std::size_t at = Find(text, separator, from);
    if (at == kNotFound) {
      pieces.emplace_back(text.substr(from));
      break;
    }
    pieces.emplace_back(text.substr(from, at - from));
    from = at + separator.size();
  }
  return pieces;
}

}  // namespace brisklet::net
