#include "platform/http/cookie_store.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

namespace brisklet::platform::http {
namespace {

using Jar = std::vector<std::pair<std::string, std::string>>;

struct Store {
  std::mutex mutex;
  std::map<std::string, Jar> byHost;
};

Store& TheStore() {
  static auto* store = new Store;  // lives as long as the process
  return *store;
}

// The host of an address, lower-cased, without scheme, credentials, port, path.
std::string HostOf(std::string_view url) {
  auto scheme = url.find("://");
  if (scheme != std::string_view::npos) url.remove_prefix(scheme + 3);
  url = url.substr(0, url.find_first_of("/?#"));
  if (auto at = url.rfind('@'); at != std::string_view::npos) url.remove_prefix(at + 1);
  if (!url.empty() && url.front() == '[') {
    url = url.substr(0, url.find(']') + 1);
  } else {
    url = url.substr(0, url.find(':'));
  }
  std::string host(url);
  for (char& c : host)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return host;
}

}  // namespace

void StoreCookie(std::string_view url, std::string_view name, std::string_view value) {
  if (name.empty()) return;
  Store& store = TheStore();
  std::lock_guard lock(store.mutex);
  Jar& jar = store.byHost[HostOf(url)];
  auto same = std::find_if(jar.begin(), jar.end(), [&](const auto& c) { return c.first == name; });
  if (value.empty()) {
    if (same != jar.end()) jar.erase(same);
  } else if (same != jar.end()) {
    same->second = std::string(value);
  } else {
    jar.emplace_back(std::string(name), std::string(value));
  }
}

std::string CookiesFor(std::string_view url) {
  Store& store = TheStore();
  std::lock_guard lock(store.mutex);
  auto it = store.byHost.find(HostOf(url));
  if (it == store.byHost.end()) return {};
  std::string text;
  for (const auto& [name, value] : it->second) {
    if (!text.empty()) text += "; ";
    text += name + "=" + value;
  }
  return text;
}

void ClearCookieStore() {
  Store& store = TheStore();
  std::lock_guard lock(store.mutex);
  store.byHost.clear();
}

}  // namespace brisklet::platform::http
