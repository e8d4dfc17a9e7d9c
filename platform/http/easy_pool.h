#pragma once
// The process-wide pool of idle libcurl easy handles.
//
// libcurl keeps open connections in the easy handle that made them; sharing one connection
// cache between threads that transfer at the same time is not supported. So connection reuse
// across request objects and threads works by lending: a transfer borrows an idle handle
// (preferring one that last talked to the same origin, whose connection is then still open),
// and gives it back afterwards with its connections. A handle is lent to one thread at a time.
// DNS results and TLS sessions are shared by every handle through one share handle with locks.
#include <curl/curl.h>

#include <string>

namespace brisklet::platform::http {

// A borrowed easy handle; returned to the pool when destroyed.
class BorrowedEasy {
 public:
  explicit BorrowedEasy(const std::string& origin);
  ~BorrowedEasy();
  BorrowedEasy(const BorrowedEasy&) = delete;
  BorrowedEasy& operator=(const BorrowedEasy&) = delete;

  CURL* get() const { return easy_; }

 private:
  CURL* easy_;
  std::string origin_;
};

// "scheme://host:port" of an address (lower-cased scheme and host), the pool's affinity key;
// the proxy is part of it because a proxied connection goes to the proxy.
std::string OriginKey(const std::string& url, const std::string& proxy);

}  // namespace brisklet::platform::http
