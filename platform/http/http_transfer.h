#pragma once
// One HTTP exchange over libcurl, with the body streamed to the caller as it arrives.
//
// This is the platform's single way onto the network: the request object of net/, the page
// fetches and both download engines are built on it. Connections, DNS results and TLS
// sessions are reused across calls and threads (an idle-handle pool lends each connection to
// one thread at a time), so a later request to the same server pays no new handshake.
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/bytes.h"

namespace brisklet::platform::http {

struct Header {
  std::string name;
  std::string value;
};

enum class TransferError {
  None,
  Resolve,   // the host name did not resolve
  Connect,   // no connection could be made (refused, unreachable, TLS handshake failed)
  Send,      // the request could not be sent
  Timeout,   // no answer, or no progress, within the time-out
  Receive,   // the connection broke while the answer was read
  Aborted,   // the caller's sink or abort flag stopped the transfer
  Other,
};

struct TransferOptions {
  std::string method = "GET";
  std::string url;
  std::vector<Header> headers;  // sent as given, in this order; libcurl adds only Host
  bool hasBody = false;
  Bytes body;
  // Milliseconds; 0 = no limit. receiveTimeoutMs bounds the wait for each piece of the answer.
  int resolveTimeoutMs = 0;
  int connectTimeoutMs = 60000;
  int sendTimeoutMs = 30000;
  int receiveTimeoutMs = 30000;
  bool followRedirects = true;
  int maxRedirects = 20;
  bool ignoreCertErrors = true;
  std::string proxy;  // "host:port"; empty = direct
  std::string proxyUser, proxyPassword;
  std::string serverUser, serverPassword;
};

struct TransferResult {
  TransferError error = TransferError::None;
  std::string errorText;  // libcurl's description of the error, empty when none
  int status = 0;         // of the last response (after redirects followed)
  std::string statusText;
  std::string statusLine;  // that response's first line without its "\r\n": "HTTP/1.1 200 OK"
  std::string rawHeaders;  // the last response's header lines, each ended by "\r\n"
  std::vector<http::Header> headers;  // qualified: Header() below names a member function
  std::string effectiveUrl;
  std::int64_t bodyBytes = 0;  // bytes handed to the body sink

  bool ok() const { return error == TransferError::None; }
  // First header of that name, compared ignoring ASCII case; empty when absent.
  std::string Header(std::string_view name) const;
};

// Receives each piece of the final response's body as it arrives; false stops the transfer
// (the result's error is then Aborted).
using BodySink = std::function<bool(const std::uint8_t* data, std::size_t size)>;
// Receives the final response's status and headers before any of its body; false stops the
// transfer before the body is read (the result keeps status and headers, error Aborted).
using HeadersSink = std::function<bool(const TransferResult& head)>;

// Blocking; callable from any thread. `abort`, when given, stops the transfer soon after it
// becomes true.
TransferResult Transfer(const TransferOptions& options, const BodySink& onBody,
                        const HeadersSink& onHeaders = {}, const std::atomic<bool>* abort = nullptr);

// Call once from main() before any thread starts (libcurl's global initialisation).
void GlobalInit();

}  // namespace brisklet::platform::http
