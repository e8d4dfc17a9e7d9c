#include "platform/http/api_session.h"

#include <curl/curl.h>

#include <algorithm>
#include <memory>

namespace brisklet::platform::http {
namespace {

constexpr std::size_t kPieceSize = 16 * 1024;

std::string PartOf(CURLU* url, CURLUPart part) {
  char* text = nullptr;
  if (curl_url_get(url, part, &text, 0) != CURLUE_OK || !text) return {};
  std::string out(text);
  curl_free(text);
  return out;
}

}  // namespace

bool ApiSession::CrackUrl(std::string_view url, CrackedUrl& parts) {
  std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> handle(curl_url(), &curl_url_cleanup);
  std::string text(url);
  if (!handle || curl_url_set(handle.get(), CURLUPART_URL, text.c_str(), 0) != CURLUE_OK)
    return false;
  std::string scheme = PartOf(handle.get(), CURLUPART_SCHEME);
  if (scheme != "http" && scheme != "https") return false;
  parts.https = scheme == "https";
  parts.host = PartOf(handle.get(), CURLUPART_HOST);
  if (parts.host.empty()) return false;
  std::string port = PartOf(handle.get(), CURLUPART_PORT);
  parts.port = port.empty() ? (parts.https ? 443 : 80) : std::atoi(port.c_str());
  std::string path = PartOf(handle.get(), CURLUPART_PATH);
  std::string query = PartOf(handle.get(), CURLUPART_QUERY);
  parts.objectName = (path.empty() ? "/" : path) + (query.empty() ? "" : "?" + query);
  return true;
}

bool ApiSession::Open(std::string_view proxyName) {
  std::string proxy(proxyName);
  if (proxy.rfind("http=", 0) == 0) proxy.erase(0, 5);
  options_ = {};
  options_.proxy = proxy;
  return true;
}

bool ApiSession::SetTimeouts(int resolveMs, int connectMs, int sendMs, int receiveMs) {
  if (resolveMs < 0 || connectMs < 0 || sendMs < 0 || receiveMs < 0) return false;
  options_.resolveTimeoutMs = resolveMs;
  options_.connectTimeoutMs = connectMs;
  options_.sendTimeoutMs = sendMs;
  options_.receiveTimeoutMs = receiveMs;
  return true;
}

bool ApiSession::Connect(std::string_view host, int port) {
  if (host.empty() || port <= 0 || port > 65535) return false;
  host_ = std::string(host);
  port_ = port;
  return true;
}

bool ApiSession::OpenRequest(std::string_view method, std::string_view objectName, bool secure) {
  if (host_.empty()) return false;
  options_.method = std::string(method);
  objectName_ = std::string(objectName);
  secure_ = secure;
  bool ipv6 = host_.find(':') != std::string::npos;
  options_.url = std::string(secure ? "https://" : "http://") + (ipv6 ? "[" + host_ + "]" : host_) +
                 ":" + std::to_string(port_) + objectName_;
  return true;
}

bool ApiSession::SetCredentials(bool forProxy, std::string_view user, std::string_view password) {
  (forProxy ? options_.proxyUser : options_.serverUser) = std::string(user);
  (forProxy ? options_.proxyPassword : options_.serverPassword) = std::string(password);
  return true;
}

bool ApiSession::SetSecurityFlags(int flags) {
  options_.ignoreCertErrors = flags != 0;
  return true;
}

bool ApiSession::SetAutomaticCookies(bool) { return true; }

bool ApiSession::DisableRedirects() {
  options_.followRedirects = false;
  return true;
}

bool ApiSession::AddRequestHeaders(std::string_view block) {
  std::size_t from = 0;
  while (from <= block.size()) {
    std::size_t end = block.find("\r\n", from);
    std::string_view line = block.substr(from, end == std::string_view::npos ? end : end - from);
    if (!line.empty()) {
      std::size_t colon = line.find(':');
      if (colon == std::string_view::npos || colon == 0) return false;
      std::string_view value = line.substr(colon + 1);
      while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
      options_.headers.push_back({std::string(line.substr(0, colon)), std::string(value)});
    }
    if (end == std::string_view::npos) break;
    from = end + 2;
  }
  return true;
}

bool ApiSession::SendRequest(const Bytes& body) {
  options_.hasBody = !body.empty();
  options_.body = body;
  body_.clear();
  readAt_ = 0;
  result_ = Transfer(options_, [this](const std::uint8_t* data, std::size_t size) {
    body_.insert(body_.end(), data, data + size);
    return true;
  });
  received_ = result_.status > 0;
  switch (result_.error) {
    case TransferError::None:
      sent_ = true;
      return true;
    case TransferError::Timeout:
    case TransferError::Receive:
      // The request went out; whether anything came back is the next steps' business.
      sent_ = true;
      return true;
    default:
      sent_ = received_;  // a failure after a response (too many redirects) still has one
      return sent_;
  }
}

bool ApiSession::ReceiveResponse() { return sent_ && received_; }

bool ApiSession::ReadData(Bytes& piece) {
  piece.clear();
  if (!received_) return false;
  if (readAt_ < body_.size()) {
    std::size_t n = std::min(kPieceSize, body_.size() - readAt_);
    piece.assign(body_.begin() + static_cast<std::ptrdiff_t>(readAt_),
                 body_.begin() + static_cast<std::ptrdiff_t>(readAt_ + n));
    readAt_ += n;
    return true;
  }
  // All bytes handed out: the read fails now if the body was cut short or went silent.
  return result_.error != TransferError::Timeout && result_.error != TransferError::Receive;
}

bool ApiSession::QueryHeaders(std::string& raw) const {
  if (!received_) return false;
  raw = result_.statusLine + "\r\n" + result_.rawHeaders + "\r\n";
  return true;
}

}  // namespace brisklet::platform::http
