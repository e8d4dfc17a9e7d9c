#include "platform/http/web_request.h"

#include <algorithm>
#include <cctype>
#include <chrono>

#include "platform/ascii.h"
#include "platform/codepage.h"
#include "platform/http/charset.h"

namespace brisklet::platform::http {
namespace {

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

WebRequest::~WebRequest() {
  abort_ = true;
  JoinRunning();
}

void WebRequest::JoinRunning() {
  if (worker_.joinable()) worker_.join();
}

void WebRequest::Open(std::string method, std::string url, bool async) {
  JoinRunning();
  abort_ = false;
  options_.method = Upper(method.empty() ? "GET" : std::move(method));
  options_.url = std::move(url);
  options_.headers.clear();
  options_.hasBody = false;
  options_.body.clear();
  async_ = async;
  std::lock_guard lock(mutex_);
  response_ = {};
  body_.clear();
  lastSendError_ = TransferError::None;
}

void WebRequest::SetRequestHeader(const std::string& name, const std::string& value) {
  if (name.empty()) return;
  auto& headers = options_.headers;
  auto same = std::find_if(headers.begin(), headers.end(),
                           [&](const Header& h) { return EqualsIgnoreAsciiCase(h.name, name); });
  if (same != headers.end())
    same->value = value;
  else
    headers.push_back({name, value});
}

TransferResult WebRequest::Exchange(const Bytes* body) {
  TransferOptions options = options_;
  options.hasBody = body != nullptr;
  if (body) options.body = *body;
  Bytes received;
  BodySink sink = sink_;
  if (!sink)
    sink = [&received](const std::uint8_t* data, std::size_t size) {
      received.insert(received.end(), data, data + size);
      return true;
    };
  TransferResult result = Transfer(options, sink, {}, &abort_);
  std::lock_guard lock(mutex_);
  // A failed exchange has no response: a body cut short must not pass for a whole one.
  if (result.ok())
    body_ = std::move(received);
  else
    body_.clear();
  return result;
}

bool WebRequest::Send() { return SendBody(nullptr); }

bool WebRequest::Send(const Bytes& body) { return SendBody(&body); }

bool WebRequest::SendBody(const Bytes* body) {
  JoinRunning();
  auto finish = [this](TransferResult result) {
    std::lock_guard lock(mutex_);
    lastSendError_ = result.error;
    if (result.ok()) {
      response_ = std::move(result);
    } else {
      lastError_ = result.errorText;
      response_ = {};
    }
    running_ = false;
    done_.notify_all();
  };
  if (!async_) {
    finish(Exchange(body));
    return true;
  }
  std::optional<Bytes> copy;
  if (body) copy = *body;
  {
    std::lock_guard lock(mutex_);
    running_ = true;
  }
  worker_ = std::thread(
      [this, finish, copy = std::move(copy)] { finish(Exchange(copy ? &*copy : nullptr)); });
  return true;
}

bool WebRequest::WaitForResponse(int seconds) {
  std::unique_lock lock(mutex_);
  auto finished = [this] { return !running_; };
  if (seconds < 0)
    done_.wait(lock, finished);
  else if (!done_.wait_for(lock, std::chrono::seconds(seconds), finished))
    return false;
  lock.unlock();
  JoinRunning();
  return true;
}

void WebRequest::Abort() {
  abort_ = true;
  JoinRunning();
}

int WebRequest::Status() const {
  std::lock_guard lock(mutex_);
  return response_.status;
}

std::string WebRequest::StatusText() const {
  std::lock_guard lock(mutex_);
  return response_.statusText;
}

std::string WebRequest::GetAllResponseHeaders() const {
  std::lock_guard lock(mutex_);
  return response_.rawHeaders;
}

std::string WebRequest::GetResponseHeader(std::string_view name) const {
  std::lock_guard lock(mutex_);
  return response_.Header(name);
}

Bytes WebRequest::ResponseBody() const {
  std::lock_guard lock(mutex_);
  return body_;
}

std::string WebRequest::ResponseText() const {
  std::lock_guard lock(mutex_);
  std::string charset = CharsetOfContentType(response_.Header("Content-Type"));
  if (charset.empty()) charset = "utf-8";
  std::string_view bytes(reinterpret_cast<const char*>(body_.data()), body_.size());
  auto text = CharsetToGbk(bytes, charset);
  if (!text) text = CharsetToGbk(bytes, "utf-8");
  return text.value_or(std::string());
}

TransferError WebRequest::LastSendError() const {
  std::lock_guard lock(mutex_);
  return lastSendError_;
}

std::string WebRequest::LastError() const {
  std::lock_guard lock(mutex_);
  return lastError_;
}

void WebRequest::SetResponseSink(BodySink sink) { sink_ = std::move(sink); }

void WebRequest::SetTimeouts(int resolveMs, int connectMs, int sendMs, int receiveMs) {
  options_.resolveTimeoutMs = std::max(resolveMs, 0);
  options_.connectTimeoutMs = std::max(connectMs, 0);
  options_.sendTimeoutMs = std::max(sendMs, 0);
  options_.receiveTimeoutMs = std::max(receiveMs, 0);
}

void WebRequest::SetProxy(int setting, const std::string& server) {
  options_.proxy = setting == kProxySettingNamed ? server : std::string();
}

void WebRequest::SetCredentials(const std::string& user, const std::string& password, int flags) {
  if (flags == kCredentialsForProxy) {
    options_.proxyUser = user;
    options_.proxyPassword = password;
  } else {
    options_.serverUser = user;
    options_.serverPassword = password;
  }
}

void WebRequest::SetClientCertificate(const std::string& certificate) {
  clientCertificate_ = certificate;
}

void WebRequest::SetAutoLogonPolicy(int policy) { autoLogonPolicy_ = policy; }

void WebRequest::SetOption(int option, long value) {
  if (option == kOptionSslErrorIgnoreFlags)
    options_.ignoreCertErrors = value != 0;
  else if (option == kOptionEnableRedirects)
    options_.followRedirects = value != 0;
  else
    otherOptions_[option] = value;
}

long WebRequest::GetOption(int option) const {
  if (option == kOptionSslErrorIgnoreFlags)
    return options_.ignoreCertErrors ? kIgnoreAllCertErrors : 0;
  if (option == kOptionEnableRedirects) return options_.followRedirects ? 1 : 0;
  auto it = otherOptions_.find(option);
  return it == otherOptions_.end() ? 0 : it->second;
}

}  // namespace brisklet::platform::http
