#pragma once
// A session for one request made step by step, in the order of the system's API page fetch:
// crack the address, open a session, set time-outs, connect, open the request, set credentials
// and options, add headers, send, receive the response, read the body, query the headers.
// Each step reports failure where its counterpart in the fetch can fail, so every numbered
// error of the fetch stays tied to its step:
//   SendRequest fails when no connection could be made or the request could not be sent;
//   ReceiveResponse fails when no response came (time-out, or the server closed without one);
//   ReadData fails when the connection broke, or went silent, while the body was read.
// The exchange itself runs inside SendRequest (over Transfer, with connection reuse); the
// later steps hand out what it got. Used by one thread.
#include <string>
#include <string_view>

#include "platform/bytes.h"
#include "platform/http/http_transfer.h"

namespace brisklet::platform::http {

struct CrackedUrl {
  bool https = false;
  std::string host;
  int port = 0;
  std::string objectName;  // path and query; "/" when the path is empty
};

class ApiSession {
 public:
  static bool CheckPlatform() { return true; }
  // Fails for an address without an http or https scheme or without a host.
  static bool CrackUrl(std::string_view url, CrackedUrl& parts);

  // proxyName: empty for none; "host:port" or "http=host:port".
  bool Open(std::string_view proxyName);
  bool SetTimeouts(int resolveMs, int connectMs, int sendMs, int receiveMs);
  bool Connect(std::string_view host, int port);
  bool OpenRequest(std::string_view method, std::string_view objectName, bool secure);
  bool SetCredentials(bool forProxy, std::string_view user, std::string_view password);
  bool SetSecurityFlags(int flags);  // 0x3300: certificate errors ignored
  // This client never keeps cookies by itself; both settings succeed.
  bool SetAutomaticCookies(bool on);
  bool DisableRedirects();
  // "Name: value" lines joined by "\r\n"; empty lines are skipped, a line without a name fails.
  bool AddRequestHeaders(std::string_view block);
  bool SendRequest(const Bytes& body);
  bool ReceiveResponse();
  // The next piece of the body; an empty piece at the end. False when reading failed.
  bool ReadData(Bytes& piece);
  // The status line and the header lines, each ended by "\r\n", then an empty line.
  bool QueryHeaders(std::string& raw) const;

  std::string_view LastErrorText() const { return result_.errorText; }

 private:
  TransferOptions options_;
  std::string host_;
  int port_ = 0;
  bool secure_ = false;
  std::string objectName_;
  bool sent_ = false;
  bool received_ = false;
  TransferResult result_;
  Bytes body_;
  std::size_t readAt_ = 0;
};

}  // namespace brisklet::platform::http
