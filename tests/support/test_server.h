#pragma once
// A scripted HTTP/1.1 server for tests, on 127.0.0.1 and a port the kernel picks, plain or
// TLS (a self-signed certificate made at start-up). Each test says what it answers per path,
// may make it misbehave (stall, cut a body short, reset, ignore ranges), and afterwards
// asserts on what it received.
//
// Every connection gets its own thread; handlers run on it, so a handler that touches the
// test's state must lock. The destructor ends stalled and throttled replies at once (it shuts
// the sockets down) and returns after the connection threads have ended. HEAD requests get the
// headers of the reply with no body.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace brisklet::test {

struct Request {
  std::string method;
  std::string target;  // as sent: path and query
  std::string path;    // target without the query
  std::string version;
  std::vector<std::pair<std::string, std::string>> headers;  // in the order received
  std::string body;
  int connection = 0;  // 1-based number of the connection it came on
  std::string head;    // the request line and headers exactly as received, up to the blank line

  // First header of that name, ignoring ASCII case; empty when absent.
  std::string Header(std::string_view name) const;
  bool HasHeader(std::string_view name) const;
};

// A body too large to hold: `size` bytes, byte i given by `at`.
struct BodySource {
  std::uint64_t size = 0;
  std::function<void(std::uint64_t offset, char* out, std::size_t n)> at;

  static BodySource Of(std::string content);
  // Deterministic bytes that differ at every offset in a way a shifted or zero-filled copy
  // cannot match: PatternByte(i).
  static BodySource Pattern(std::uint64_t size);
};
char PatternByte(std::uint64_t offset);

struct Reply {
  int status = 200;
  std::string reason;  // empty: the usual reason phrase of the status
  std::vector<std::pair<std::string, std::string>> headers;  // sent in this order
  std::string body;
  BodySource stream;         // used instead of body when stream.at is set
  bool contentLength = true; // add Content-Length unless headers already carry one
  bool chunked = false;      // send the body with chunked transfer coding
  bool close = false;        // close the connection after this reply

  // Faults
  int stallMs = 0;              // wait before sending anything
  std::int64_t stallAfter = -1; // with stallMs: stall after this many body bytes instead
  bool noReply = false;         // read the request, then close without answering
  std::int64_t cutAfter = -1;   // close after this many body bytes
  bool reset = false;           // close with a TCP reset instead of a FIN (with cutAfter/noReply)
  std::int64_t bytesPerSecond = 0;  // throttle the body
};

struct FileOptions {
  bool ignoreRanges = false;    // answer 200 with the whole file to a range request
  bool rangeNotSatisfiable = true;  // a range starting at or past the end gets 416
  std::string contentDisposition;   // sent when not empty
  bool omitContentLength = false;
  std::vector<std::pair<std::string, std::string>> headers;  // added to every reply
};

// The usual answer to a GET or HEAD of a file: 206 with Content-Range for a satisfiable
// "Range: bytes=a-b" (b past the end is clipped), 416 for one that starts past the end,
// 200 otherwise.
Reply FileReply(const Request& request, const BodySource& file, const FileOptions& options = {});

// A 127.0.0.1 port that was free a moment ago and has no listener: connecting to it is refused
// (for "unreachable server" cases).
std::uint16_t ClosedPort();

class TestServer {
 public:
  using Handler = std::function<Reply(const Request&)>;

  struct Options {
    bool tls = false;
    bool keepAlive = true;  // false: close the connection after every reply
  };
  TestServer();
  explicit TestServer(Options options);
  ~TestServer();
  TestServer(const TestServer&) = delete;
  TestServer& operator=(const TestServer&) = delete;

  std::uint16_t Port() const;
  // "http://127.0.0.1:PORT" or "https://127.0.0.1:PORT"
  std::string BaseUrl() const;
  std::string Url(std::string_view target) const { return BaseUrl() + std::string(target); }
  // The self-signed certificate in PEM (TLS only), for clients that verify it.
  std::string CertificatePem() const;

  // Answers requests for this path (query ignored). Unrouted paths get 404.
  void Route(std::string path, Handler handler);
  // Serves a file at this path with FileReply.
  void ServeFile(std::string path, BodySource file, FileOptions options = {});

  std::vector<Request> Requests() const;  // every request received so far, in order
  int ConnectionCount() const;            // connections accepted so far
  // Waits until at least `count` requests have been received, up to `timeoutMs`; false if not.
  bool WaitForRequests(std::size_t count, int timeoutMs) const;
  void ClearLog();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace brisklet::test
