// Engine 0 end to end: the DownloadWindow's job against the test server.
#include "download/segmented_download.h"

#include <chrono>
#include <mutex>
#include <set>

#include "tests/download/engine_fixture.h"

namespace brisklet::download {
namespace {

using Result = DownloadOutcome::Result;
using test::BodySource;
using test::FileReply;
using test::Reply;
using test::Request;

class SegmentedDownloadTest : public EngineTest {};

TEST_F(SegmentedDownloadTest, FetchesEverySegmentAndJoinsThemOnTheDesktop) {
  test::TestServer server;
  const std::uint64_t size = 1000000;
  server.ServeFile("/dl/setup.exe", BodySource::Pattern(size));
  Run run = Download(0, server.Url("/dl/setup.exe?token=1"), Options(), 32);

  ASSERT_TRUE(run.outcome);
  EXPECT_EQ(run.outcome->result, Result::Complete);
  EXPECT_EQ(test::Sandbox::ReadFile(Desktop() / "setup.exe"), PatternOf(size));
  EXPECT_EQ(run.name, "文件名称：setup.exe");
  EXPECT_EQ(run.progress, "下载完成，文件保存在桌面！");
  EXPECT_EQ(run.progressTexts.front(),
            "下载进度：12%");  // 1 of 8: 12.5, truncated to whole percent
  EXPECT_EQ(run.sounds, 1);
  EXPECT_FALSE(std::filesystem::exists(PartsRoot() / "setup.exe"));

  // The probe, then the eight ranges of the plan, each with the request's headers.
  std::multiset<std::string> ranges;
  for (const Request& r : server.Requests()) {
    ranges.insert(r.Header("Range"));
    EXPECT_EQ(r.Header("Referer"), server.Url("/dl/setup.exe?token=1"));
    EXPECT_EQ(r.Header("Accept"), "*/*");
    EXPECT_EQ(r.Header("Accept-Language"), "zh-cn");
    EXPECT_NE(r.Header("User-Agent").find("Chrome/55.0.2883.87"), std::string::npos);
  }
  EXPECT_EQ(ranges, (std::multiset<std::string>{
                        "bytes=0-0", "bytes=0-131072", "bytes=131073-262145", "bytes=262146-393218",
                        "bytes=393219-524291", "bytes=524292-655364", "bytes=655365-786437",
                        "bytes=786438-917510", "bytes=917511-1000000"}));
}

TEST_F(SegmentedDownloadTest, NamesFromTheServerStayInsideTheDesktop) {
  test::TestServer server;
  test::FileOptions options;
  options.contentDisposition = "attachment; filename=\"../../%E6%8A%A5%E5%91%8A.pdf\"";
  server.ServeFile("/x", BodySource::Pattern(5000), options);
  Run run = Download(0, server.Url("/x"), Options());
  ASSERT_TRUE(run.outcome);
  EXPECT_EQ(run.outcome->result, Result::Complete);
  EXPECT_EQ(test::Sandbox::ReadFile(Desktop() / ".._.._报告.pdf"), PatternOf(5000));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Desktop()), {}), 1);
  EXPECT_FALSE(std::filesystem::exists(sandbox_.Home() / "报告.pdf"));
}

TEST_F(SegmentedDownloadTest, AnAddressEndingInASlashGetsTheSafeName) {
  test::TestServer server;
  server.ServeFile("/dir/", BodySource::Pattern(100));
  Run run = Download(0, server.Url("/dir/"), Options());
  ASSERT_TRUE(run.outcome);
  EXPECT_EQ(run.outcome->result, Result::Complete);
  EXPECT_EQ(test::Sandbox::ReadFile(Desktop() / "下载文件"), PatternOf(100));
}

TEST_F(SegmentedDownloadTest, AServerThatIgnoresRangesGivesNoFileData) {
  test::TestServer server;
  test::FileOptions options;
  options.ignoreRanges = true;
  server.ServeFile("/a.zip", BodySource::Pattern(50 << 20), options);
  Run run = Download(0, server.Url("/a.zip"), Options());
  ASSERT_TRUE(run.outcome);
  EXPECT_EQ(run.outcome->result, Result::NoFileData);
  EXPECT_EQ(run.name, "无法得到文件数据!   原因：可能链接失效。");
  EXPECT_EQ(run.sounds, 0);
  EXPECT_EQ(server.Requests().size(), 1u);
  EXPECT_TRUE(std::filesystem::is_empty(Desktop()) || !std::filesystem::exists(Desktop()));
  EXPECT_FALSE(std::filesystem::exists(PartsRoot() / "a.zip"));
}

// Each range's first reply breaks off (cut short, reset, an error status, a wrong range);
// the retry brings the segment whole.
TEST_F(SegmentedDownloadTest, BrokenRepliesAreFetchedAgain) {
  test::TestServer server;
  const std::uint64_t size = 4 * 131073 + 10;
  BodySource file = BodySource::Pattern(size);
  std::mutex mutex;
  std::map<std::string, int> seen;
  server.Route("/f.bin", [&](const Request& r) {
    int n;
    {
      std::lock_guard lock(mutex);
      n = seen[r.Header("Range")]++;
    }
    Reply reply = FileReply(r, file);
    if (r.Header("Range") == "bytes=0-0" || n > 0) return reply;
    switch (seen.size() % 4) {
      case 0:
        reply.cutAfter = 1000;
        break;
      case 1:
        reply.cutAfter = 7, reply.reset = true;
        break;
      case 2:
        reply = Reply{503};
        break;
      default:
        reply = FileReply(Request{r.method, r.target, r.path, r.version, {{"Range", "bytes=5-99"}}},
                          file);
    }
    return reply;
  });
  Run run = Download(0, server.Url("/f.bin"), Options());
  ASSERT_TRUE(run.outcome);
  EXPECT_EQ(run.outcome->result, Result::Complete);
  EXPECT_EQ(test::Sandbox::ReadFile(Desktop() / "f.bin"), PatternOf(size));
}

// A segment that never gets its bytes ends the job with the failure text: no completion
// message, no sound, and nothing under the final name.
TEST_F(SegmentedDownloadTest, ASegmentThatGivesUpIsNeverReportedAsDone) {
  test::TestServer server;
  const std::uint64_t size = 3 * 131073 + 5;
  BodySource file = BodySource::Pattern(size);
  server.Route("/g.bin", [&](const Request& r) {
    Reply reply = FileReply(r, file);
    if (r.Header("Range") == "bytes=131073-262145")
      reply.cutAfter = 131072;  // always one byte short
    return reply;
  });
  Run run = Download(0, server.Url("/g.bin"), Options());
  ASSERT_TRUE(run.outcome);
  EXPECT_EQ(run.outcome->result, Result::Incomplete);
  EXPECT_EQ(run.progress, "程序下载异常。   原因：可能是线程数量太多。");
  EXPECT_EQ(run.sounds, 0);
  EXPECT_FALSE(std::filesystem::exists(Desktop() / "g.bin"));
  EXPECT_FALSE(std::filesystem::exists(PartsRoot() / "g.bin"));
  int attempts = 0;
  for (const Request& r : server.Requests()) attempts += r.Header("Range") == "bytes=131073-262145";
  EXPECT_EQ(attempts, Options().segmentAttempts);
}

// fileSize = 2 × (segmentSize + 1): the last range starts at the end of the file and the
// server answers 416; the file is complete without it, at once.
TEST_F(SegmentedDownloadTest, TheEmptyLastSegmentCompletesAtOnce) {
  for (bool emptyBody : {false, true}) {
    test::TestServer server;
    const std::uint64_t size = 2 * 131073;
    test::FileOptions options;
    options.rangeNotSatisfiable = !emptyBody;
    server.ServeFile("/e.bin", BodySource::Pattern(size), options);
    DownloadOptions o = Options();
    o.segmentAttempts = 500;
    o.retryPauseMs = 100;
    auto start = std::chrono::steady_clock::now();
    Run run = Download(0, server.Url("/e.bin"), o);
    ASSERT_TRUE(run.outcome);
    EXPECT_EQ(run.outcome->result, Result::Complete);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    EXPECT_EQ(test::Sandbox::ReadFile(Desktop() / "e.bin"), PatternOf(size));
    int lastAttempts = 0;
    for (const Request& r : server.Requests())
      lastAttempts += r.Header("Range") == "bytes=262146-262146";
    EXPECT_EQ(lastAttempts, 1);
  }
}

TEST_F(SegmentedDownloadTest, FollowsRedirectsOverHttps) {
  test::TestServer::Options tls;
  tls.tls = true;
  test::TestServer server(tls);
  server.ServeFile("/real/b.zip", BodySource::Pattern(300000));
  server.Route("/old/b.zip", [&](const Request&) {
    Reply r{302};
    r.headers = {{"Location", server.Url("/real/b.zip")}};
    return r;
  });
  Run run = Download(0, server.Url("/old/b.zip"), Options());
  ASSERT_TRUE(run.outcome);
  EXPECT_EQ(run.outcome->result, Result::Complete);
  EXPECT_EQ(test::Sandbox::ReadFile(Desktop() / "b.zip"), PatternOf(300000));
}

// Parts of an interrupted job with the same name, beyond and within the new plan, are never
// merged into the new file.
TEST_F(SegmentedDownloadTest, PartsOfAnEarlierJobAreNotMerged) {
  test::TestServer server;
  server.ServeFile("/p.bin", BodySource::Pattern(200000));
  std::filesystem::create_directories(PartsRoot() / "p.bin");
  test::Sandbox::WriteFile(PartsRoot() / "p.bin" / "3.ling", "stale");
  test::Sandbox::WriteFile(PartsRoot() / "p.bin" / "1.ling", std::string(131073, 'x'));
  Run run = Download(0, server.Url("/p.bin"), Options());
  ASSERT_TRUE(run.outcome);
  EXPECT_EQ(run.outcome->result, Result::Complete);
  EXPECT_EQ(test::Sandbox::ReadFile(Desktop() / "p.bin"), PatternOf(200000));
}

// Closing the window stops the job's tasks cooperatively: the job ends soon, with no file.
TEST_F(SegmentedDownloadTest, ClosingTheWindowStopsTheTasks) {
  test::TestServer server;
  BodySource file = BodySource::Pattern(8 << 20);
  server.Route("/slow.bin", [&](const Request& r) {
    Reply reply = FileReply(r, file);
    if (r.Header("Range") != "bytes=0-0") reply.bytesPerSecond = 64 << 10;
    return reply;
  });
  DownloadOptions o = Options();
  platform::Window* window = nullptr;
  std::atomic<bool> closed{false};
  o.onBytes = [&](std::int64_t done, std::int64_t) {
    if (done > 100000 && !closed.exchange(true))
      window->Post([&] { window->FireClick(Texts().closeButton); });
  };
  backend_.OnShow([&](platform::Window& w) { window = &w; });
  app::AppState& state = app::AppState::Instance();
  state.downloadAddress = server.Url("/slow.bin");
  o.threads = 4;
  std::optional<DownloadOutcome> outcome;
  o.onOutcome = [&](const DownloadOutcome& d) { outcome = d; };
  auto w = MakeDownloadWindow(state, o);
  window = w.get();
  backend_.OnShow([&](platform::Window& shown) { shown.FireClick(Texts().startButton); });
  auto start = std::chrono::steady_clock::now();
  platform::OpenWindowModal(*w);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  ASSERT_TRUE(outcome);
  EXPECT_EQ(outcome->result, Result::Stopped);
  EXPECT_FALSE(std::filesystem::exists(Desktop() / "slow.bin"));
  EXPECT_FALSE(std::filesystem::exists(PartsRoot() / "slow.bin"));
}

}  // namespace
}  // namespace brisklet::download
