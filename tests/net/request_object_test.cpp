#include "net/request_object.h"

#include <gtest/gtest.h>

#include <mutex>

#include "tests/support/test_server.h"

namespace brisklet::net {
namespace {

using test::Reply;
using test::Request;
using test::TestServer;

class RequestObjectTest : public testing::TestWithParam<bool> {
 protected:
  RequestObjectTest() { request.Init(); }
  TestServer server{TestServer::Options{.tls = GetParam()}};
  HttpRequest request;
};

TEST_P(RequestObjectTest, SendsAndReadsTheResponse) {
  server.Route("/r", [](const Request&) {
    return Reply{.status = 201, .reason = "Made", .headers = {{"X-Tag", "t1"}}, .body = "body!"};
  });
  request.Open("GET", server.Url("/r"));
  request.SetRequestHeader("Range", "bytes=0-0");
  EXPECT_TRUE(request.Send());

  EXPECT_EQ(request.Status(), 201);
  EXPECT_EQ(request.StatusText(), "Made");
  EXPECT_EQ(request.GetResponseHeader("x-tag"), "t1");
  EXPECT_EQ(request.GetResponseHeader("X-Absent"), "");
  EXPECT_NE(request.GetAllResponseHeaders().find("X-Tag: t1\r\n"), std::string::npos);
  EXPECT_EQ(ToText(request.ResponseBody()), "body!");
  EXPECT_EQ(server.Requests().at(0).Header("Range"), "bytes=0-0");
}

TEST_P(RequestObjectTest, SendBytesCarriesTheBody) {
  server.Route("/p", [](const Request& r) { return Reply{.body = r.body}; });
  Bytes payload = {0, 1, 2, 255, 0};
  request.Open("POST", server.Url("/p"));
  request.SendBytes(payload);
  EXPECT_EQ(request.ResponseBody(), payload);
  EXPECT_EQ(server.Requests().at(0).body, ToText(payload));
}

TEST_P(RequestObjectTest, ASinkTakesTheBodyInsteadOfTheObject) {
  server.Route("/s", [](const Request&) {
    return Reply{.headers = {{"X-Size", "100000"}}, .body = std::string(100000, 's')};
  });
  std::string streamed;
  request.SetResponseSink([&](const std::uint8_t* data, std::size_t size) {
    streamed.append(reinterpret_cast<const char*>(data), size);
    return true;
  });
  request.Open("GET", server.Url("/s"));
  request.Send();
  EXPECT_EQ(streamed, std::string(100000, 's'));
  EXPECT_TRUE(request.ResponseBody().empty());
  EXPECT_EQ(request.Status(), 200);
  EXPECT_EQ(request.GetResponseHeader("X-Size"), "100000");

  request.SetResponseSink({});
  request.Open("GET", server.Url("/s"));
  request.Send();
  EXPECT_EQ(request.ResponseBody().size(), 100000u);
}

TEST_P(RequestObjectTest, FreshObjectsReuseTheConnection) {
  server.Route("/x", [](const Request&) { return Reply{.body = "x"}; });
  for (int i = 0; i < 10; ++i) {
    HttpRequest fresh;
    fresh.Init();
    fresh.Open("GET", server.Url("/x"));
    fresh.Send();
    ASSERT_EQ(fresh.Status(), 200);
  }
  EXPECT_EQ(server.ConnectionCount(), 1);
}

struct DefaultHeaderCase {
  const char* name;
  const char* method;
  std::optional<std::string> body;
  std::vector<std::pair<std::string, std::string>> callerHeaders;
  std::string userAgent, acceptLanguage, contentType;
};

TEST_P(RequestObjectTest, AddsDefaultHeadersTheCallerDidNotSet) {
  const std::string ua = kDefaultUserAgent;
  const std::string form = "application/x-www-form-urlencoded";
  const DefaultHeaderCase cases[] = {
      {"plain get", "GET", std::nullopt, {}, ua, "zh-cn", ""},
      {"post", "post", std::nullopt, {}, ua, "zh-cn", form},
      {"get with a body", "GET", "a=1", {}, ua, "zh-cn", form},
      {"caller's own",
       "POST",
       "{}",
       {{"user-agent", "mine"}, {"Accept-Language", "en"}, {"CONTENT-TYPE", "text/json"}},
       "mine",
       "en",
       "text/json"},
  };
  server.Route("/h", [](const Request&) { return Reply{}; });
  for (const auto& c : cases) {
    server.ClearLog();
    request.Open(c.method, server.Url("/h"));
    for (const auto& [name, value] : c.callerHeaders) request.SetRequestHeader(name, value);
    request.Send(c.body);
    Request got = server.Requests().at(0);
    EXPECT_EQ(got.Header("User-Agent"), c.userAgent) << c.name;
    EXPECT_EQ(got.Header("Accept-Language"), c.acceptLanguage) << c.name;
    EXPECT_EQ(got.Header("Content-Type"), c.contentType) << c.name;
    EXPECT_EQ(got.HasHeader("Content-Type"), !c.contentType.empty()) << c.name;
  }
  // The caller's user agent lasts until the next Open.
  request.Open("GET", server.Url("/h"));
  request.Send();
  EXPECT_EQ(server.Requests().back().Header("User-Agent"), ua);
}

TEST_P(RequestObjectTest, WithoutAutoHeadersOnlyTheCallersGoOut) {
  server.Route("/h", [](const Request&) { return Reply{}; });
  request.SetAutoHeaders(false);
  request.Open("POST", server.Url("/h"));
  request.Send("x");
  Request got = server.Requests().at(0);
  EXPECT_FALSE(got.HasHeader("User-Agent"));
  EXPECT_FALSE(got.HasHeader("Accept-Language"));
  EXPECT_FALSE(got.HasHeader("Content-Type"));
}

TEST_P(RequestObjectTest, HeaderBlocksAndNamedSetters) {
  server.Route("/h", [](const Request&) { return Reply{}; });
  request.Open("GET", server.Url("/h"));
  request.SetRequestHeaders("X-A:   1\r\nX-B:two words\r\nno colon here");
  request.SetClientAddress("10.0.0.9");
  request.SetXmlHttpRequest();
  request.SetReferer();
  request.BlankRequestHeader("X-Blank");
  request.Send();
  Request got = server.Requests().at(0);
  EXPECT_EQ(got.Header("X-A"), "1");
  EXPECT_EQ(got.Header("X-B"), "two words");
  for (const char* name : {"X-Forwarded-For", "CLIENT_IP", "VIA", "REMOTE_ADDR"})
    EXPECT_EQ(got.Header(name), "10.0.0.9") << name;
  EXPECT_EQ(got.Header("x-requested-with"), "XMLHttpRequest");
  EXPECT_EQ(got.Header("Referer"), server.Url("/h"));
  EXPECT_EQ(got.Header("X-Blank"), "-");
}

TEST_P(RequestObjectTest, GetRetriesOnlyOnNoAnswer504And407) {
  struct Case {
    int status;
    std::size_t attempts;
    bool result;
  };
  const Case cases[] = {
      {504, 5, false}, {407, 5, false}, {404, 1, false}, {200, 1, true}, {500, 1, false}};
  for (const auto& c : cases) {
    server.ClearLog();
    server.Route("/g", [&](const Request&) { return Reply{.status = c.status}; });
    EXPECT_EQ(request.Get(server.Url("/g")), c.result) << c.status;
    EXPECT_EQ(server.Requests().size(), c.attempts) << c.status;
  }
  server.ClearLog();
  EXPECT_FALSE(request.Get(server.Url("/g"), std::nullopt, std::nullopt, std::nullopt, 0));
  EXPECT_TRUE(server.Requests().empty());
}

TEST_P(RequestObjectTest, PostSendsBodyCookiesAndHeaderBlock) {
  server.Route("/p", [](const Request&) { return Reply{}; });
  EXPECT_TRUE(request.Post(server.Url("/p"), "k=v", "a=1", "X-Extra: e"));
  Request got = server.Requests().at(0);
  EXPECT_EQ(got.method, "POST");
  EXPECT_EQ(got.body, "k=v");
  EXPECT_EQ(got.Header("Cookie"), "a=1");
  EXPECT_EQ(got.Header("X-Extra"), "e");
  EXPECT_EQ(got.Header("Content-Type"), "application/x-www-form-urlencoded");
}

TEST_P(RequestObjectTest, ABodyCutShortIsNoResponseAndGetTriesAgain) {
  server.Route(
      "/cut", [](const Request&) { return Reply{.body = std::string(4000, 'c'), .cutAfter = 10}; });
  EXPECT_FALSE(request.Get(server.Url("/cut"), std::nullopt, std::nullopt, std::nullopt, 3));
  EXPECT_EQ(server.Requests().size(), 3u);
  EXPECT_EQ(request.Status(), 0);
  EXPECT_TRUE(request.ResponseBody().empty());
  EXPECT_EQ(request.LastSendError(), platform::http::TransferError::Receive);
}

INSTANTIATE_TEST_SUITE_P(PlainAndTls, RequestObjectTest, testing::Bool(),
                         [](const auto& info) { return info.param ? "Tls" : "Plain"; });

TEST(RequestObject, OpenPutsHttpInFrontOfBareAddresses) {
  const std::pair<const char*, const char*> cases[] = {
      {"h/a", "http://h/a"},    {"HTTPS://h/a", "HTTPS://h/a"}, {"http://h/a", "http://h/a"},
      {"hTTp://h", "hTTp://h"}, {"http://", "http://http://"},  {"ftp://h/a", "http://ftp://h/a"},
  };
  HttpRequest request;
  request.Init();
  for (const auto& [address, expected] : cases) {
    request.Open("GET", address);
    EXPECT_EQ(request.Url(), expected) << address;
  }
}

TEST(RequestObject, SplitUrl) {
  struct Case {
    const char* address;
    UrlParts parts;
  };
  const Case cases[] = {
      {"h:81", {"http://", "h", "81", "/"}},
      {"http://h/p:1#f", {"http://", "h", "80", "/p:1"}},
      {"HTTPS://h/a/b", {"https://", "h", "443", "/a/b"}},
      {"https://h:8443", {"https://", "h", "8443", "/"}},
      {"http://h:", {"http://", "h", "", "/"}},
  };
  for (const auto& c : cases) {
    UrlParts parts;
    ASSERT_TRUE(HttpRequest::SplitUrl(c.address, parts)) << c.address;
    EXPECT_EQ(parts.scheme, c.parts.scheme) << c.address;
    EXPECT_EQ(parts.host, c.parts.host) << c.address;
    EXPECT_EQ(parts.port, c.parts.port) << c.address;
    EXPECT_EQ(parts.path, c.parts.path) << c.address;
  }
  UrlParts untouched{"s", "h", "p", "x"};
  EXPECT_FALSE(HttpRequest::SplitUrl("", untouched));
  EXPECT_EQ(untouched.path, "x");
}

TEST(RequestObject, AbsoluteLocation) {
  const std::tuple<const char*, const char*, const char*> cases[] = {
      {"https://h:81/a/b", "/next", "https://h:81/next"},
      {"https://h/a/b", "/next", "https://h:443/next"},
      {"https://h/a/b", "c", "https://h/a/c"},
      {"http://h/a/b", "HTTPS://o/x", "HTTPS://o/x"},
      {"h", "c", "h/c"},
  };
  for (const auto& [url, value, expected] : cases)
    EXPECT_EQ(HttpRequest::AbsoluteLocation(url, value), expected) << url << " + " << value;
}

TEST(RequestObject, DecodeUtf8GivesGbk) {
  EXPECT_EQ(HttpRequest::DecodeUtf8(ToBytes("\xE4\xB8\xAD"
                                            "a")),
            "\xD6\xD0"
            "a");
  EXPECT_EQ(HttpRequest::DecodeUtf8({}), "");
}

TEST(RequestObject, SetCookieModeOutsideItsRangeMeansNone) {
  HttpRequest request;
  request.Init();
  request.SetCookieMode(7);
  EXPECT_EQ(request.CookieMode(), 0);
  request.SetCookieMode();
  EXPECT_EQ(request.CookieMode(), 1);
}

}  // namespace
}  // namespace brisklet::net
