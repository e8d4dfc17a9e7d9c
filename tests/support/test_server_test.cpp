// The test server against an independent client, curl's command line.
#include "tests/support/test_server.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>

#include "tests/support/curl_client.h"
#include "tests/support/sandbox.h"

namespace brisklet::test {
namespace {

struct HttpAnswer {
  std::string head;  // status line and headers
  std::string body;
};

// Splits curl --include output into head and body.
HttpAnswer Split(const std::string& output) {
  auto end = output.find("\r\n\r\n");
  if (end == std::string::npos) return {output, {}};
  return {output.substr(0, end + 2), output.substr(end + 4)};
}

std::vector<std::string> TlsArgs(const TestServer::Options& options) {
  return options.tls ? std::vector<std::string>{"--insecure"} : std::vector<std::string>{};
}

std::vector<std::string> With(std::vector<std::string> args, std::vector<std::string> more) {
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

std::string PatternText(std::uint64_t offset, std::size_t n) {
  std::string text(n, '\0');
  for (std::size_t i = 0; i < n; ++i) text[i] = PatternByte(offset + i);
  return text;
}

class TestServerTest : public ::testing::TestWithParam<bool> {
 protected:
  TestServer::Options Options() const { return TestServer::Options{.tls = GetParam()}; }
  std::vector<std::string> Args(std::vector<std::string> more) const {
    return With(TlsArgs(Options()), std::move(more));
  }
};

TEST_P(TestServerTest, AnswersRoutesAndLogsWhatItReceived) {
  TestServer server(Options());
  server.Route("/echo", [](const Request& request) {
    Reply reply;
    reply.headers = {{"X-Method", request.method}};
    reply.body = "got " + request.body;
    return reply;
  });
  auto result = RunCurl(Args({"--include", "-H", "X-Test: one two", "--data-binary", "abc",
                              server.Url("/echo?q=1")}));
  ASSERT_EQ(result.exitCode, 0);
  auto answer = Split(result.output);
  EXPECT_EQ(answer.head.substr(0, 15), "HTTP/1.1 200 OK");
  EXPECT_NE(answer.head.find("X-Method: POST\r\n"), std::string::npos);
  EXPECT_NE(answer.head.find("Content-Length: 7\r\n"), std::string::npos);
  EXPECT_EQ(answer.body, "got abc");

  auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].method, "POST");
  EXPECT_EQ(requests[0].target, "/echo?q=1");
  EXPECT_EQ(requests[0].path, "/echo");
  EXPECT_EQ(requests[0].version, "HTTP/1.1");
  EXPECT_EQ(requests[0].Header("x-test"), "one two");
  EXPECT_EQ(requests[0].body, "abc");
  EXPECT_EQ(requests[0].connection, 1);
  EXPECT_EQ(requests[0].head.substr(0, 26), "POST /echo?q=1 HTTP/1.1\r\nH");
  EXPECT_EQ(requests[0].head.substr(requests[0].head.size() - 4), "\r\n\r\n");

  result = RunCurl(Args({"--include", server.Url("/nowhere")}));
  EXPECT_EQ(Split(result.output).head.substr(0, 12), "HTTP/1.1 404");
}

TEST_P(TestServerTest, KeepsConnectionsAliveUnlessToldNot) {
  for (bool keepAlive : {true, false}) {
    SCOPED_TRACE(keepAlive);
    TestServer server(TestServer::Options{.tls = GetParam(), .keepAlive = keepAlive});
    server.ServeFile("/a", BodySource::Of("first"));
    auto result = RunCurl(Args({server.Url("/a"), server.Url("/a?again")}));
    EXPECT_EQ(result.output, "firstfirst");
    auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].connection, keepAlive ? 1 : 2);
    EXPECT_EQ(server.ConnectionCount(), keepAlive ? 1 : 2);
  }
}

TEST_P(TestServerTest, StreamsGeneratedBodies) {
  TestServer server(Options());
  constexpr std::uint64_t kSize = 3 * 1024 * 1024 + 5;
  server.ServeFile("/big", BodySource::Pattern(kSize));
  auto result = RunCurl(Args({server.Url("/big")}));
  ASSERT_EQ(result.exitCode, 0);
  EXPECT_TRUE(result.output == PatternText(0, kSize));
}

TEST_P(TestServerTest, ServesConnectionsInParallel) {
  Sandbox sandbox;
  TestServer server(Options());
  constexpr std::uint64_t kSize = 256 * 1024;
  server.ServeFile("/p", BodySource::Pattern(kSize));
  std::vector<std::string> args = Args({"--parallel", "--parallel-max", "16"});
  for (int i = 0; i < 16; ++i) {
    args.insert(args.end(), {"-o", (sandbox.Root() / std::to_string(i)).string(),
                             server.Url("/p?" + std::to_string(i))});
  }
  ASSERT_EQ(RunCurl(args).exitCode, 0);
  for (int i = 0; i < 16; ++i) {
    EXPECT_TRUE(Sandbox::ReadFile(sandbox.Root() / std::to_string(i)) ==
                PatternText(0, kSize))
        << i;
  }
  EXPECT_GT(server.ConnectionCount(), 1);
}

INSTANTIATE_TEST_SUITE_P(PlainAndTls, TestServerTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Tls" : "Plain"; });

TEST(TestServerProxy, RoutesProxyRequestsOnTheirPath) {
  TestServer proxy;
  proxy.ServeFile("/file", BodySource::Of("via proxy"));
  auto result = RunCurl({"--proxy", proxy.BaseUrl(), "--proxy-user", "u:p",
                         "http://files.invalid/file?x=1"});
  EXPECT_EQ(result.output, "via proxy");
  auto requests = proxy.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].target, "http://files.invalid/file?x=1");
  EXPECT_EQ(requests[0].path, "/file");
  EXPECT_EQ(requests[0].Header("Proxy-Authorization"), "Basic dTpw");
}

TEST(TestServerTls, CertificateVerifiesFor127001) {
  Sandbox sandbox;
  TestServer server(TestServer::Options{.tls = true});
  server.ServeFile("/f", BodySource::Of("secret"));
  auto cert = sandbox.Root() / "cert.pem";
  Sandbox::WriteFile(cert, server.CertificatePem());
  auto result = RunCurl({"--cacert", cert.string(), server.Url("/f")});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.output, "secret");
}

struct RangeCase {
  const char* range;  // empty: no Range header
  FileOptions options;
  const char* statusLine;
  const char* contentRange;  // empty: none expected
  std::uint64_t first;       // offset of the body's first byte
  std::size_t length;
};

TEST(FileReplyTest, AnswersRangesAsAsked) {
  constexpr std::uint64_t kSize = 1000;
  const RangeCase cases[] = {
      {"", {}, "HTTP/1.1 200 OK", "", 0, 1000},
      {"bytes=10-19", {}, "HTTP/1.1 206 Partial Content", "bytes 10-19/1000", 10, 10},
      {"bytes=990-", {}, "HTTP/1.1 206 Partial Content", "bytes 990-999/1000", 990, 10},
      {"bytes=995-5000", {}, "HTTP/1.1 206 Partial Content", "bytes 995-999/1000", 995, 5},
      {"bytes=-7", {}, "HTTP/1.1 206 Partial Content", "bytes 993-999/1000", 993, 7},
      {"bytes=1000-", {}, "HTTP/1.1 416 Range Not Satisfiable", "bytes */1000", 0, 0},
      {"bytes=1000-", {.rangeNotSatisfiable = false}, "HTTP/1.1 200 OK", "", 0, 1000},
      {"bytes=10-19", {.ignoreRanges = true}, "HTTP/1.1 200 OK", "", 0, 1000},
      {"bytes=1-2,5-6", {}, "HTTP/1.1 200 OK", "", 0, 1000},
  };
  TestServer server;
  int index = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.range);
    std::string path = "/f" + std::to_string(index++);
    server.ServeFile(path, BodySource::Pattern(kSize), c.options);
    std::vector<std::string> args = {"--include", server.Url(path)};
    if (*c.range) args.insert(args.begin(), {"-H", std::string("Range: ") + c.range});
    auto answer = Split(RunCurl(args).output);
    EXPECT_EQ(answer.head.substr(0, answer.head.find("\r\n")), c.statusLine);
    if (*c.contentRange) {
      EXPECT_NE(answer.head.find(std::string("Content-Range: ") + c.contentRange + "\r\n"),
                std::string::npos);
    } else {
      EXPECT_EQ(answer.head.find("Content-Range"), std::string::npos);
    }
    EXPECT_EQ(answer.head.find("Accept-Ranges: bytes") != std::string::npos,
              !c.options.ignoreRanges);
    EXPECT_TRUE(answer.body == PatternText(c.first, c.length));
  }
}

TEST(FileReplyTest, RangesPastFourGibibytes) {
  constexpr std::uint64_t kSize = 6ULL << 30;
  TestServer server;
  server.ServeFile("/huge", BodySource::Pattern(kSize));
  auto answer = Split(RunCurl({"--include", "-H", "Range: bytes=5000000001-5000000100",
                               server.Url("/huge")})
                          .output);
  EXPECT_NE(answer.head.find("Content-Range: bytes 5000000001-5000000100/6442450944\r\n"),
            std::string::npos);
  EXPECT_TRUE(answer.body == PatternText(5000000001, 100));

  answer = Split(RunCurl({"--head", server.Url("/huge")}).output);
  EXPECT_NE(answer.head.find("Content-Length: 6442450944\r\n"), std::string::npos);
  EXPECT_EQ(server.Requests().back().method, "HEAD");
}

TEST(FileReplyTest, ContentDispositionAndNoLength) {
  TestServer server;
  server.ServeFile("/d", BodySource::Of("xyz"),
                   {.contentDisposition = "attachment; filename=\"a b.txt\"",
                    .omitContentLength = true});
  auto answer = Split(RunCurl({"--include", server.Url("/d")}).output);
  EXPECT_NE(answer.head.find("Content-Disposition: attachment; filename=\"a b.txt\"\r\n"),
            std::string::npos);
  EXPECT_EQ(answer.head.find("Content-Length"), std::string::npos);
  EXPECT_EQ(answer.body, "xyz");
}

struct FaultCase {
  const char* name;
  Reply reply;
  std::vector<std::string> curlArgs;
  int exitCode;
  std::size_t bodyBytes;  // what curl got before it stopped
};

TEST(TestServerFaults, MisbehavesAsTold) {
  const std::string body(100000, 'b');
  const FaultCase cases[] = {
      {"cut", {.body = body, .cutAfter = 1000}, {}, 18, 1000},
      {"cut-reset", {.body = body, .cutAfter = 1000, .reset = true}, {}, 56, 1000},
      {"no-reply", {.body = body, .noReply = true}, {}, 52, 0},
      {"no-reply-reset", {.body = body, .noReply = true, .reset = true}, {}, 56, 0},
      {"stall", {.body = body, .stallMs = 10000}, {"--max-time", "0.5"}, 28, 0},
      {"stall-inside",
       {.body = body, .stallMs = 10000, .stallAfter = 500},
       {"--max-time", "0.5"},
       28,
       500},
      {"chunked", {.body = body, .chunked = true}, {}, 0, body.size()},
      {"chunked-cut", {.body = body, .chunked = true, .cutAfter = 70000}, {}, 18, 70000},
  };
  TestServer server;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    server.Route(std::string("/") + c.name, [reply = c.reply](const Request&) { return reply; });
    auto result = RunCurl(With(c.curlArgs, {server.Url(std::string("/") + c.name)}));
    EXPECT_EQ(result.exitCode, c.exitCode);
    EXPECT_EQ(result.output.size(), c.bodyBytes);
    EXPECT_LT(result.seconds, 5);
  }
}

TEST(TestServerFaults, ClosedPortRefusesConnections) {
  auto port = ClosedPort();
  ASSERT_NE(port, 0);
  auto result = RunCurl({"http://127.0.0.1:" + std::to_string(port) + "/"});
  EXPECT_EQ(result.exitCode, 7);  // could not connect
}

TEST(TestServerFaults, ThrottlesTheBody) {
  TestServer server;
  server.Route("/slow", [](const Request&) {
    return Reply{.stream = BodySource::Pattern(60000), .bytesPerSecond = 200000};
  });
  auto result = RunCurl({server.Url("/slow")});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.output.size(), 60000u);
  EXPECT_GE(result.seconds, 0.28);
  EXPECT_LT(result.seconds, 3);
}

TEST(TestServerFaults, DestructorEndsStalledConnectionsPromptly) {
  for (bool tls : {false, true}) {
    SCOPED_TRACE(tls);
    auto server = std::make_unique<TestServer>(TestServer::Options{.tls = tls});
    server->Route("/stall", [](const Request&) { return Reply{.body = "late", .stallMs = 60000}; });
    server->Route("/slow", [](const Request&) {
      return Reply{.stream = BodySource::Pattern(1 << 20), .bytesPerSecond = 1000};
    });
    pid_t stalled = StartCurl({"--insecure", "--max-time", "20", server->Url("/stall")});
    pid_t slow = StartCurl({"--insecure", "--max-time", "20", server->Url("/slow")});
    pid_t idle = StartCurl({"--insecure", "--max-time", "20", "--limit-rate", "1K",
                            server->Url("/stall?no")});
    ASSERT_TRUE(server->WaitForRequests(3, 5000));
    auto start = std::chrono::steady_clock::now();
    server.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_NE(WaitCurl(stalled), 0);
    EXPECT_NE(WaitCurl(slow), 0);
    EXPECT_NE(WaitCurl(idle), 0);
  }
}

}  // namespace
}  // namespace brisklet::test
