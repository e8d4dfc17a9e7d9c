// Cookie keeping of HttpRequest: mode 1 keeps cookies in the object's jar, mode 2 in the
// process-wide cookie store keyed by the request address.
//
// The jar is one text: "; " + entries each followed by "; ". The empty jar is "; ". An entry is
// found by "; " + name + "=" (letter case counts) and runs up to the next "; ".
#include "net/request_object.h"
#include "net/set_cookie.h"
#include "net/text_ops.h"
#include "platform/http/cookie_store.h"

namespace brisklet::net {
namespace {

constexpr std::string_view kSeparator = "; ";

std::string JarKey(std::string_view name) { return "; " + std::string(name) + "="; }

// The pieces of a cookie text that have a name: split at ";", blanks before a piece ignored.
std::vector<std::string> NamedPieces(std::string_view text) {
  std::vector<std::string> named;
  for (const auto& piece : SplitText(text, ";")) {
    std::string_view trimmed = TrimLeadingBlanks(piece);
    if (!EntryName(trimmed).empty()) named.emplace_back(trimmed);
  }
  return named;
}

// The jar's entries without the leading and trailing separator.
std::string JarInside(const std::string& jar) {
  return jar.size() >= 4 ? jar.substr(2, jar.size() - 4) : std::string();
}

}  // namespace

std::vector<std::string> HttpRequest::SetCookieEntries() const {
  return ScanSetCookieEntries(GetAllResponseHeaders());
}

void HttpRequest::MergeResponseCookies(bool keepCookies) {
  bool changed = false;
  for (const auto& entry : SetCookieEntries()) {
    std::string_view name = EntryName(entry);
    if (name.empty()) continue;
    std::string key = JarKey(name);
    std::size_t at = Find(jar_, key);
    if (at == kNotFound) {
      if (IsDeletionMarker(entry)) continue;
      jar_ += entry;
      jar_ += kSeparator;
      changed = true;
      continue;
    }
    if (keepCookies && EntryValue(entry).empty()) continue;
    std::size_t end = Find(jar_, kSeparator, at + key.size());
    if (end == kNotFound) continue;  // a malformed entry is left alone
    if (IsDeletionMarker(entry)) {
      if (keepCookies) continue;
      jar_.erase(at, end - at);  // with the separator before it
    } else {
      jar_.replace(at + 2, end - at - 2, entry);
    }
    changed = true;
  }
  if (changed) cookiesChanged_ = true;
}

void HttpRequest::StoreResponseCookies(bool keepCookies) {
  for (const auto& entry : SetCookieEntries()) {
    std::string_view name = EntryName(entry);
    if (name.empty()) continue;
    if (IsDeletionMarker(entry)) {
      if (keepCookies) continue;
      platform::http::StoreCookie(url_, name, "");
    } else {
      if (keepCookies && TrimBlanks(EntryValue(entry)).empty()) continue;
      platform::http::StoreCookie(url_, name, EntryValue(entry));
    }
    cookiesChanged_ = true;
  }
}

void HttpRequest::StoreCookieText(std::string_view text) {
  if (text.empty()) return;
  for (const auto& piece : NamedPieces(text))
    platform::http::StoreCookie(url_, EntryName(piece), EntryValue(piece));
}

void HttpRequest::ApplyJarCookies() {
  // An empty jar sends no Cookie header at all rather than an empty one.
  std::string cookies = JarInside(jar_);
  if (!cookies.empty()) ComSetRequestHeader("Cookie", cookies);
}

void HttpRequest::ApplyStoreCookies() {
  std::string cookies = platform::http::CookiesFor(url_);
  if (!cookies.empty()) ComSetRequestHeader("Cookie", cookies);
}

std::string HttpRequest::ResponseCookies() const {
  std::string headers = GetAllResponseHeaders();
  if (headers.empty()) return {};
  std::string joined;
  for (const auto& entry : ScanSetCookieEntries(headers)) {
    if (IsDeletionMarker(entry)) continue;
    if (!joined.empty()) joined += kSeparator;
    joined += entry;
  }
  return joined;
}

std::string HttpRequest::ResponseCookie(std::string_view name) const {
  std::string headers = GetAllResponseHeaders();
  if (headers.empty()) return {};
  std::string withBlank = "Set-Cookie: " + std::string(name) + "=";
  std::string withoutBlank = "Set-Cookie:" + std::string(name) + "=";
  std::size_t at = FindIgnoreCase(headers, withBlank);
  std::size_t start = at == kNotFound ? kNotFound : at + withBlank.size();
  if (at == kNotFound) {
    at = FindIgnoreCase(headers, withoutBlank);
    if (at == kNotFound) return {};
    start = at + withoutBlank.size();
  }
  std::size_t lineEnd = Find(headers, "\r\n", start);
  if (lineEnd == kNotFound) return {};
  std::size_t end = std::min(lineEnd, Find(headers, ";", start));
  return headers.substr(start, end - start);
}

void HttpRequest::SetCookies(std::string_view text) {
  if (cookieMode_ == 0) ComSetRequestHeader("Cookie", text);
  if (cookieMode_ == 1) MergeCookieText(text);
  if (cookieMode_ == 2) StoreCookieText(text);
}

std::string HttpRequest::JarText(std::optional<std::string> text) {
  if (cookieMode_ != 1) return {};
  if (!text) return JarInside(jar_);
  std::string jar = *text;
  if (jar.compare(0, 2, kSeparator) != 0) jar.insert(0, kSeparator);
  if (jar.size() < 2 || jar.compare(jar.size() - 2, 2, kSeparator) != 0) {
    if (jar.back() != ';') jar += ';';
    jar += ' ';
  }
  jar_ = std::move(jar);
  return *text;
}

std::string HttpRequest::JarCookie(std::string_view name, bool withName) const {
  if (cookieMode_ != 1) return {};
  std::string key = JarKey(name);
  std::size_t at = Find(jar_, key);
  if (at == kNotFound) return {};
  std::size_t end = Find(jar_, ";", at + key.size());
  if (end == kNotFound) return {};
  std::size_t from = withName ? at + 2 : at + key.size();
  return jar_.substr(from, end - from);
}

bool HttpRequest::MergeCookieText(std::string_view text) {
  if (cookieMode_ != 1 || text.empty()) return false;
  bool changed = false;
  for (const auto& piece : NamedPieces(text)) {
    std::string key = JarKey(EntryName(piece));
    std::size_t at = Find(jar_, key);
    if (at == kNotFound) {
      jar_ += piece;
      jar_ += kSeparator;
      changed = true;
      continue;
    }
    std::size_t end = Find(jar_, kSeparator, at + key.size());
    if (end == kNotFound) continue;
    jar_.replace(at + 2, end - at - 2, piece);
    changed = true;
  }
  return changed;
}

bool HttpRequest::RemoveJarCookies(std::string_view names) {
  if (cookieMode_ != 1 || names.empty()) return false;
  bool changed = false;
  for (const auto& piece : SplitText(names, ";")) {
    std::string_view trimmed = TrimLeadingBlanks(piece);
    std::size_t equals = trimmed.find('=');
    std::string_view name = equals == std::string_view::npos ? trimmed : trimmed.substr(0, equals);
    if (name.empty()) continue;
    std::string key = JarKey(name);
    std::size_t at = Find(jar_, key);
    if (at == kNotFound) continue;
    std::size_t end = Find(jar_, kSeparator, at + key.size());
    if (end == kNotFound) continue;
    jar_.erase(at, end - at);
    changed = true;
  }
  return changed;
}

}  // namespace brisklet::net
