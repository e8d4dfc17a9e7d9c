#include "net/page_fetch.h"

#include <gtest/gtest.h>

#include <chrono>

#include "platform/codepage.h"
#include "platform/http/web_request.h"
#include "tests/support/test_server.h"

namespace brisklet::net {
namespace {

using platform::Gbk;
using test::Reply;
using test::Request;
using test::TestServer;

std::vector<std::string> NamesOf(const Request& r) {
  std::vector<std::string> names;
  for (const auto& [name, value] : r.headers) names.push_back(name);
  return names;
}

class PageFetchTest : public testing::TestWithParam<bool> {
 protected:
  PageFetchTest() {
    server.Route("/echo", [](const Request& r) { return Reply{.body = r.method + ":" + r.body}; });
  }
  TestServer server{TestServer::Options{.tls = GetParam()}};
};

TEST_P(PageFetchTest, WithOnlyTheAddressItIsAGetWithTheDefaultHeaders) {
  std::string url = server.Url("/echo?x=1");
  Bytes body = PageFetch(url);
  EXPECT_EQ(ToText(body), "GET:");
  Request got = server.Requests().at(0);
  EXPECT_EQ(got.target, "/echo?x=1");
  EXPECT_EQ(NamesOf(got), (std::vector<std::string>{"Host", "Accept", "Referer", "Accept-Language",
                                                    "User-Agent"}));
  EXPECT_EQ(got.Header("Accept"), "*/*");
  EXPECT_EQ(got.Header("Referer"), url);
  EXPECT_EQ(got.Header("Accept-Language"), "zh-cn");
  EXPECT_EQ(got.Header("User-Agent"), "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)");
}

TEST_P(PageFetchTest, HeaderCompletionAndNormalisation) {
  struct Case {
    const char* name;
    PageFetchArgs args;
    std::vector<std::pair<std::string, std::string>> sent;  // value "" = must be absent
    std::string method = "GET";
  };
  const std::string form = "application/x-www-form-urlencoded";
  Case cases[] = {
      {"post gets a content type",
       {.method = 1, .postText = "k=v"},
       {{"Content-Type", form}},
       "POST"},
      {"post keeps its own",
       {.method = 1, .headers = "content-TYPE: text/plain"},
       {{"Content-TYPE", "text/plain"}},
       "POST"},
      {"normalised keep-alive is left out",
       {.headers = "connection: keep-alive"},
       {{"Connection", ""}}},
      {"other keep-alive spelling is sent",
       {.headers = "Connection: Keep-Alive"},
       {{"Connection", "Keep-Alive"}}},
      {"without normalising it is sent",
       {.headers = "connection: keep-alive", .normalizeHeaderNames = false},
       {{"connection", "keep-alive"}}},
      {"names capitalised",
       {.headers = "x-requested-with: XMLHttpRequest"},
       {{"X-Requested-With", "XMLHttpRequest"}}},
      {"method out of range", {.method = 9}, {}, "GET"},
      {"delete", {.method = 5}, {}, "DELETE"},
      {"no completion",
       {.headers = "X-Only: 1", .completeHeaders = false},
       {{"X-Only", "1"}, {"Accept", ""}, {"User-Agent", ""}}},
      {"cookies given", {.cookies = "Cookie: a=1; b=2"}, {{"Cookie", "a=1; b=2"}}},
  };
  for (auto& c : cases) {
    server.ClearLog();
    c.args.url = server.Url("/echo");
    PageFetch(c.args);
    Request got = server.Requests().at(0);
    EXPECT_EQ(got.method, c.method) << c.name;
    for (const auto& [header, value] : c.sent) {
      if (value.empty())
        EXPECT_FALSE(got.HasHeader(header)) << c.name << ": " << header;
      else
        EXPECT_EQ(got.Header(header), value) << c.name << ": " << header;
    }
    // Names go out as spelt in the header text.
    if (c.sent.size() == 1 && !c.sent[0].second.empty()) {
      auto names = NamesOf(got);
      EXPECT_NE(std::find(names.begin(), names.end(), c.sent[0].first), names.end()) << c.name;
    }
  }
}

TEST_P(PageFetchTest, HandsBackHeadersStatusAndMergedCookies) {
  server.Route("/c", [](const Request&) {
    return Reply{.status = 202,
                 .headers = {{"Set-Cookie", "a=1; path=/"},
                             {"Set-Cookie", "b=2"},
                             {"Set-Cookie", "gone=deleted"}},
                 .body = "ok"};
  });
  PageFetchArgs args{.url = server.Url("/c"), .cookies = "gone=0; keep=9", .headers = "x-a: 1"};
  Bytes body = PageFetch(args);
  EXPECT_EQ(ToText(body), "ok");
  EXPECT_EQ(args.statusOut, 202);
  EXPECT_NE(args.headersOut.find("Set-Cookie: b=2\r\n"), std::string::npos);
  EXPECT_EQ(args.cookiesOut, "a=1; b=2; keep=9");
  EXPECT_EQ(*args.cookies, "a=1; b=2; keep=9");
  EXPECT_EQ(*args.headers, "X-A: 1\r\nAccept: */*\r\nReferer: " + server.Url("/c") +
                               "\r\nAccept-Language: zh-cn\r\nUser-Agent: Mozilla/4.0 "
                               "(compatible; MSIE 9.0; Windows NT 6.1)");
  EXPECT_EQ(server.Requests().at(0).Header("Cookie"), "gone=0; keep=9");

  PageFetchArgs unmerged{.url = server.Url("/c"), .cookies = "keep=9", .mergeCookies = false};
  PageFetch(unmerged);
  EXPECT_EQ(unmerged.cookiesOut, "a=1; b=2; gone=deleted");
  EXPECT_EQ(*unmerged.cookies, "keep=9");
}

TEST_P(PageFetchTest, BytesBodyWinsAndRedirectsFollowUnlessSwitchedOff) {
  PageFetchArgs post{
      .url = server.Url("/echo"), .method = 1, .postText = "text", .postBytes = Bytes{'b', 0, 'y'}};
  EXPECT_EQ(PageFetch(post), ToBytes(std::string("POST:b\0y", 8)));

  server.Route("/moved", [](const Request&) {
    return Reply{.status = 302, .headers = {{"Location", "/echo"}}, .body = "moved"};
  });
  EXPECT_EQ(ToText(PageFetch(server.Url("/moved"))), "GET:");
  PageFetchArgs kept{.url = server.Url("/moved"), .noRedirect = true};
  EXPECT_EQ(ToText(PageFetch(kept)), "moved");
  EXPECT_EQ(kept.statusOut, 302);
}

TEST_P(PageFetchTest, UsesTheCallersRequestObject) {
  platform::http::WebRequest mine;
  mine.SetOption(platform::http::kOptionEnableRedirects, 0);
  PageFetchArgs args{.url = server.Url("/echo"), .requestObject = &mine};
  PageFetch(args);
  EXPECT_EQ(mine.Status(), 200);
  EXPECT_EQ(ToText(mine.ResponseBody()), "GET:");
}

TEST_P(PageFetchTest, ProxyAuthorisationGoesToTheProxy) {
  // The test server stands in as the proxy of a plain address; it logs what the proxy got.
  TestServer proxy;
  PageFetchArgs args{.url = "http://example.invalid/page",
                     .proxy = "127.0.0.1:" + std::to_string(proxy.Port()),
                     .proxyUser = "user",
                     .proxyPassword = "pass"};
  PageFetch(args);
  ASSERT_EQ(proxy.Requests().size(), 1u);
  Request got = proxy.Requests().at(0);
  EXPECT_EQ(got.target, "http://example.invalid/page");
  EXPECT_EQ(got.Header("Proxy-Authorization"), "Basic dXNlcjpwYXNz");
}

TEST_P(PageFetchTest, FailuresGiveAnEmptyBody) {
  server.Route("/cut", [](const Request&) {
    return Reply{.body = std::string(5000, 'c'), .cutAfter = 100};
  });
  server.Route("/slow", [](const Request&) { return Reply{.body = "late", .stallMs = 5000}; });
  EXPECT_TRUE(PageFetch(server.Url("/cut")).empty());
  PageFetchArgs slow{.url = server.Url("/slow"), .timeoutSeconds = 1};
  auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(PageFetch(slow).empty());
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
  EXPECT_TRUE(PageFetch("http://127.0.0.1:" + std::to_string(test::ClosedPort()) + "/").empty());
}

class ApiPageFetchTest : public PageFetchTest {};

TEST_P(ApiPageFetchTest, WithOnlyTheAddressItSendsTheSixDefaultsButContentType) {
  std::string text = ApiPageFetch(server.Url("/echo"));
  EXPECT_EQ(text, "GET:");
  Request got = server.Requests().at(0);
  EXPECT_EQ(NamesOf(got),
            (std::vector<std::string>{"Host", "User-Agent", "Accept", "Accept-Encoding",
                                      "Accept-Language", "Cache-Control"}));
  EXPECT_EQ(got.Header("User-Agent"),
            "Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)");
  EXPECT_EQ(got.Header("Accept-Encoding"), "gbk, GB2312");
}

TEST_P(ApiPageFetchTest, ArgumentsShapeTheRequest) {
  ApiPageFetchArgs post{.url = server.Url("/echo"),
                        .method = 1,
                        .body = "a=1",
                        .cookies = "c=3",
                        .headers = "user-agent: mine\r\nconnection: keep-alive"};
  EXPECT_EQ(ApiPageFetch(post), "POST:a=1");
  Request got = server.Requests().at(0);
  EXPECT_EQ(got.Header("User-Agent"), "mine");
  EXPECT_EQ(got.Header("Content-Type"), "application/x-www-form-urlencoded");
  EXPECT_EQ(got.Header("Cookie"), "c=3");
  EXPECT_FALSE(got.HasHeader("Connection"));
  EXPECT_EQ(post.statusText, "200 OK");

  ApiPageFetchArgs odd{.url = server.Url("/echo"), .method = 9, .bodyBytes = ToBytes("raw")};
  EXPECT_EQ(ApiPageFetch(odd), "GET:raw");
}

TEST_P(ApiPageFetchTest, CookiesLocationAndStatusOfTheResponse) {
  server.Route("/r", [](const Request&) {
    return Reply{
        .status = 302,
        .headers = {{"Set-Cookie", "a=1; path=/"}, {"Set-Cookie", "b=2"}, {"Location", "/echo"}},
        .body = "moved"};
  });
  ApiPageFetchArgs kept{.url = server.Url("/r"), .noRedirects = true};
  EXPECT_EQ(ApiPageFetch(kept), "moved");
  EXPECT_EQ(kept.statusText, "302 Found");
  EXPECT_EQ(kept.location, "/echo");
  EXPECT_EQ(kept.responseCookies, "a=1; b=2");
  EXPECT_EQ(kept.responseHeaders.substr(0, 17), "HTTP/1.1 302 Foun");
  EXPECT_EQ(ToText(kept.responseBytes), "moved");

  ApiPageFetchArgs followed{.url = server.Url("/r"), .cookies = "z=26"};
  EXPECT_EQ(ApiPageFetch(followed), "GET:");
  EXPECT_EQ(followed.statusText, "200 OK");
  EXPECT_EQ(followed.responseCookies, "z=26");
}

TEST_P(ApiPageFetchTest, ConvertsByTheMetaCharsetInTheFirst1024Bytes) {
  const std::string utf8 = "\xE4\xB8\xAD\xE6\x96\x87";  // two characters in UTF-8
  const std::string gbk = "\xD6\xD0\xCE\xC4";           // the same in GBK
  struct Case {
    const char* name;
    std::string page;
    std::string expected;
  };
  const Case cases[] = {
      {"utf-8 converted", "<meta charset=\"utf-8\">" + utf8, "<meta charset=\"utf-8\">" + gbk},
      {"gb2312 unchanged", "<meta content='text/html; charset=gb2312'>" + gbk,
       "<meta content='text/html; charset=gb2312'>" + gbk},
      {"too late to be seen", std::string(1024, ' ') + "<meta charset=utf-8>" + utf8,
       std::string(1024, ' ') + "<meta charset=utf-8>" + utf8},
      {"unknown charset unchanged", "<meta charset=nonesuch>" + utf8,
       "<meta charset=nonesuch>" + utf8},
  };
  for (const auto& c : cases) {
    server.Route("/page", [&](const Request&) { return Reply{.body = c.page}; });
    EXPECT_EQ(ApiPageFetch(server.Url("/page")), c.expected) << c.name;
  }
}

TEST_P(ApiPageFetchTest, EachFailingStepLeavesItsNumberedError) {
  server.Route("/silent", [](const Request&) { return Reply{.body = "late", .stallMs = 5000}; });
  server.Route("/cut", [](const Request&) {
    return Reply{.body = std::string(5000, 'c'), .cutAfter = 100};
  });
  struct Case {
    std::string url;
    const char* error;
  };
  const Case cases[] = {
      {"no scheme/at/all", "701 解析URL地址失败!"},
      {"http://127.0.0.1:" + std::to_string(test::ClosedPort()) + "/", "711 发送请求失败!"},
      {server.Url("/silent"), "712 服务器未响应!"},
      {server.Url("/cut"), "713 读取数据失败!"},
  };
  for (const auto& c : cases) {
    ApiPageFetchArgs args{.url = c.url, .timeout = 1, .location = "untouched"};
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ApiPageFetch(args), "") << c.url;
    EXPECT_EQ(args.statusText, Gbk(c.error)) << c.url;
    EXPECT_EQ(args.location, "untouched");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4)) << c.url;
  }
}

INSTANTIATE_TEST_SUITE_P(PlainAndTls, PageFetchTest, testing::Bool(),
                         [](const auto& info) { return info.param ? "Tls" : "Plain"; });
INSTANTIATE_TEST_SUITE_P(PlainAndTls, ApiPageFetchTest, testing::Bool(),
                         [](const auto& info) { return info.param ? "Tls" : "Plain"; });

}  // namespace
}  // namespace brisklet::net
