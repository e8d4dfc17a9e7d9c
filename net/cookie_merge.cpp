#include "net/cookie_merge.h"

#include <algorithm>

#include "net/text_ops.h"
#include "text/text_cut.h"

namespace brisklet::net {
namespace {

constexpr std::string_view kSeparator = "; ";

// Trimmed, with a blank after a final ";" so that the last item splits off cleanly.
void Tidy(std::string& cookies) {
  cookies = text::TrimText(cookies);
  if (!cookies.empty() && cookies.back() == ';') cookies += ' ';
}

bool EndsWithDeleted(std::string_view item) {
  return item.size() >= 8 && item.substr(item.size() - 8) == "=deleted";
}

}  // namespace

std::string CookieName(std::string_view item) {
  std::size_t equals = item.find('=');
  return text::TrimText(equals == std::string_view::npos ? item : item.substr(0, equals));
}

bool HasCookieNamed(const std::vector<std::string>& items, std::string_view name) {
  return std::any_of(items.begin(), items.end(),
                     [&](const std::string& item) { return CookieName(item) == name; });
}

std::string RemoveDuplicateItems(std::string_view text, std::string_view separator) {
  if (text.empty()) return {};
  std::vector<std::string> kept;
  for (auto& item : SplitText(text, separator))
    if (std::find(kept.begin(), kept.end(), item) == kept.end()) kept.push_back(std::move(item));
  std::string joined;
  for (const auto& item : kept) joined.append(item).append(separator);
  joined.resize(joined.size() >= separator.size() ? joined.size() - separator.size() : 0);
  return joined;
}

std::string MergeCookies(std::string& sent, std::string& received) {
  Tidy(sent);
  Tidy(received);
  std::vector<std::string> merged = SplitText(received, kSeparator);
  for (const auto& item : SplitText(sent, kSeparator))
    if (!HasCookieNamed(merged, CookieName(item))) merged.push_back(item);

  std::string text;
  for (const auto& item : merged)
    if (!EndsWithDeleted(item)) text.append(item).append(kSeparator);
  text.resize(text.size() >= 2 ? text.size() - 2 : 0);

  sent = RemoveDuplicateItems(text, kSeparator);
  return sent;
}

}  // namespace brisklet::net
