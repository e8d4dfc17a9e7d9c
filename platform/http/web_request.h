#pragma once
// One request at a time over Transfer, shaped like the automation request object the request
// object of net/ was designed around: Open, set request headers, Send with or without a body,
// then status, headers and body of the response; time-outs, a named proxy or a direct
// connection, server and proxy credentials, option 4 (certificate errors ignored, 0x3300) and
// option 6 (automatic redirects).
//
// Used by one thread at a time (an asynchronous Send runs the exchange on a thread of its own
// until WaitForResponse or Abort). Texts are the system's GBK texts; the body is bytes.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/bytes.h"
#include "platform/http/http_transfer.h"

namespace brisklet::platform::http {

inline constexpr int kOptionSslErrorIgnoreFlags = 4;
inline constexpr int kOptionEnableRedirects = 6;
inline constexpr int kIgnoreAllCertErrors = 0x3300;
inline constexpr int kProxySettingDirect = 1;
inline constexpr int kProxySettingNamed = 2;
inline constexpr int kCredentialsForProxy = 1;

class WebRequest {
 public:
  WebRequest() = default;
  ~WebRequest();
  WebRequest(const WebRequest&) = delete;
  WebRequest& operator=(const WebRequest&) = delete;

  // Starts a new request: the previous response and request headers are forgotten.
  void Open(std::string method, std::string url, bool async = false);
  // Replaces a header of the same name (ignoring case) or adds it.
  void SetRequestHeader(const std::string& name, const std::string& value);
  // Sends without a body, or with one. Blocking unless Open asked for async.
  bool Send();
  bool Send(const Bytes& body);
  // Waits for an asynchronous Send; seconds < 0 waits as long as it takes. True when done.
  bool WaitForResponse(int seconds);
  void Abort();

  // A failed exchange (no connection, a time-out, a body cut short or a broken connection,
  // an abort) leaves no response: Status 0, no headers, an empty body. Bytes already handed to
  // a response sink stay handed; LastSendError says why the exchange failed.
  int Status() const;  // 0 when there is no response
  std::string StatusText() const;
  std::string GetAllResponseHeaders() const;  // each line ended by "\r\n"
  std::string GetResponseHeader(std::string_view name) const;
  Bytes ResponseBody() const;
  // The body decoded by the charset of its Content-Type (UTF-8 when it names none), as GBK.
  std::string ResponseText() const;
  std::string LastError() const;        // description of the last failed exchange; empty if none
  TransferError LastSendError() const;  // of the last Send since Open; None when it succeeded

  // While set, the body of each response goes to the sink instead of being kept.
  void SetResponseSink(BodySink sink);

  // Milliseconds, 0 = no limit: resolve, connect, send, receive (each wait for a piece).
  void SetTimeouts(int resolveMs, int connectMs, int sendMs, int receiveMs);
  // kProxySettingNamed with "host:port", or kProxySettingDirect.
  void SetProxy(int setting, const std::string& server = {});
  // flags 0: for the server; kCredentialsForProxy: for the proxy. Basic authentication.
  void SetCredentials(const std::string& user, const std::string& password, int flags);
  void SetClientCertificate(const std::string& certificate);  // kept; no client certificates
  void SetAutoLogonPolicy(int policy);                        // kept; no integrated logon
  void SetOption(int option, long value);
  long GetOption(int option) const;

 private:
  bool SendBody(const Bytes* body);
  TransferResult Exchange(const Bytes* body);
  void JoinRunning();

  TransferOptions options_;
  BodySink sink_;
  std::map<int, long> otherOptions_;
  std::string clientCertificate_;
  int autoLogonPolicy_ = 0;

  mutable std::mutex mutex_;  // guards the response while an asynchronous send runs
  std::condition_variable done_;
  bool async_ = false;
  bool running_ = false;
  std::thread worker_;
  std::atomic<bool> abort_{false};
  TransferResult response_;
  Bytes body_;
  std::string lastError_;
  TransferError lastSendError_ = TransferError::None;
};

}  // namespace brisklet::platform::http
