#include "platform/http/easy_pool.h"

#include <algorithm>
#include <cctype>
#include <deque>
#include <mutex>

namespace brisklet::platform::http {
namespace {

// At most this many idle handles are kept; more than the download threads one job runs, so a
// job's segments all find their connections again.
constexpr std::size_t kMaxIdle = 96;

class SharedCaches {
 public:
  SharedCaches() : share_(curl_share_init()) {
    curl_share_setopt(share_, CURLSHOPT_LOCKFUNC, &SharedCaches::Lock);
    curl_share_setopt(share_, CURLSHOPT_UNLOCKFUNC, &SharedCaches::Unlock);
    curl_share_setopt(share_, CURLSHOPT_USERDATA, this);
    curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
    curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
  }
  CURLSH* get() const { return share_; }

 private:
  static void Lock(CURL*, curl_lock_data data, curl_lock_access, void* self) {
    static_cast<SharedCaches*>(self)->MutexOf(data).lock();
  }
  static void Unlock(CURL*, curl_lock_data data, void* self) {
    static_cast<SharedCaches*>(self)->MutexOf(data).unlock();
  }
  std::mutex& MutexOf(curl_lock_data data) {
    auto index = static_cast<std::size_t>(data);
    return locks_[index < std::size(locks_) ? index : 0];
  }

  CURLSH* share_;
  std::mutex locks_[CURL_LOCK_DATA_LAST];
};

struct IdleHandle {
  CURL* easy;
  std::string origin;
};

class EasyPool {
 public:
  CURL* Borrow(const std::string& origin) {
    {
      std::lock_guard lock(mutex_);
      // Most recently returned first: its connection is the least likely to have gone stale.
      auto same = std::find_if(idle_.rbegin(), idle_.rend(),
                               [&](const IdleHandle& h) { return h.origin == origin; });
      if (same != idle_.rend()) {
        CURL* easy = same->easy;
        idle_.erase(std::next(same).base());
        return easy;
      }
      // Another origin's handle: its DNS and TLS caches are shared anyway, and taking the
      // oldest keeps the fresher connections of other origins around.
      if (idle_.size() >= kMaxIdle / 2) {
        CURL* easy = idle_.front().easy;
        idle_.pop_front();
        return easy;
      }
    }
    return curl_easy_init();
  }

  void Return(CURL* easy, const std::string& origin) {
    CURL* evicted = nullptr;
    {
      std::lock_guard lock(mutex_);
      idle_.push_back({easy, origin});
      if (idle_.size() > kMaxIdle) {
        evicted = idle_.front().easy;
        idle_.pop_front();
      }
    }
    if (evicted) curl_easy_cleanup(evicted);
  }

 private:
  std::mutex mutex_;
  std::deque<IdleHandle> idle_;
};

// Both live until the process ends: handles may still be lent out while static objects are
// destroyed, so neither is ever torn down.
SharedCaches& Caches() {
  static auto* caches = new SharedCaches;
  return *caches;
}
EasyPool& Pool() {
  static auto* pool = new EasyPool;
  return *pool;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

BorrowedEasy::BorrowedEasy(const std::string& origin)
    : easy_(Pool().Borrow(origin)), origin_(origin) {
  // A reset keeps the handle's live connections, DNS and TLS session caches; only options go.
  curl_easy_reset(easy_);
  curl_easy_setopt(easy_, CURLOPT_SHARE, Caches().get());
}

BorrowedEasy::~BorrowedEasy() { Pool().Return(easy_, origin_); }

std::string OriginKey(const std::string& url, const std::string& proxy) {
  std::string key;
  auto schemeEnd = url.find("://");
  std::string scheme = schemeEnd == std::string::npos ? "http" : Lower(url.substr(0, schemeEnd));
  std::size_t hostStart = schemeEnd == std::string::npos ? 0 : schemeEnd + 3;
  std::size_t hostEnd = url.find_first_of("/?#", hostStart);
  std::string host = Lower(url.substr(
      hostStart, hostEnd == std::string::npos ? std::string::npos : hostEnd - hostStart));
  if (auto at = host.rfind('@'); at != std::string::npos) host.erase(0, at + 1);
  bool hasPort =
      host.find(':', host.empty() || host[0] != '[' ? 0 : host.find(']')) != std::string::npos;
  if (!hasPort) host += scheme == "https" ? ":443" : ":80";
  key = scheme + "://" + host;
  if (!proxy.empty()) key += " via " + Lower(proxy);
  return key;
}

}  // namespace brisklet::platform::http
