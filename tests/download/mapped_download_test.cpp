// Engine 1 end to end: the CompatDownloadWindow's transfer against the test server.
#include "download/mapped_download.h"

#include <chrono>
#include <mutex>
#include <set>

#include "download/block_plan.h"
#include "tests/download/engine_fixture.h"

namespace brisklet::download {
namespace {

using Result = DownloadOutcome::Result;
using test::BodySource;
using test::FileReply;
using test::Reply;
using test::Request;

class MappedDownloadTest : public EngineTest {
 protected:
  std::filesystem::path Output() const { return Desktop() / "下载文件"; }
};

TEST_F(MappedDownloadTest, WritesEveryBlockInPlace) {
  test::TestServer server;
  const std::uint64_t size = 5000000;
  server.ServeFile("/f.zip", BodySource::Pattern(size));
  test::Sandbox::WriteFile(Desktop() / "下载文件", "an older download, replaced");
  Run run = Download(1, server.Url("/f.zip"), Options(), 32);
  ASSERT_TRUE(run.outcome);
  EXPECT_EQ(run.outcome->result, Result::Complete);
  EXPECT_EQ(test::Sandbox::ReadFile(Output()), PatternOf(size));
  EXPECT_EQ(run.name, "兼容版不显示文件名称，请下完之后自行添加后缀名。");
  EXPECT_EQ(run.size, "文件大小：5MB");
  EXPECT_EQ(run.progress, "下载完成，文件保存在桌面！");
  EXPECT_EQ(run.sounds, 1);

  std::set<std::string> ranges;
  for (const Request& r : server.Requests()) {
    EXPECT_EQ(r.Header("Accept"), "*/*");
    EXPECT_EQ(r.Header("Accept-Language"), "zh-cn");
    EXPECT_EQ(r.Header("Accept-Encoding"), "gzip, deflate");
    EXPECT_EQ(r.Header("User-Agent"),
              "Mozilla/4.0(compatible; MSIE 6.0; Windows NT 5.0; MyIE2; .NET CLR 1.1.4322)");
    if (r.HasHeader("Range")) ranges.insert(r.Header("Range"));
  }
  EXPECT_EQ(ranges, (std::set<std::string>{"bytes=0-1048575", "bytes=1048576-2097151",
                                           "bytes=2097152-3145727", "bytes=3145728-4194303",
                                           "bytes=4194304-5000000"}));
}

// Replies that end early, break with a reset, carry an error status or come content-coded
// are not file data: the block is fetched again from where its bytes stop.
TEST_F(MappedDownloadTest, BrokenBlockRepliesAreResumed) {
  test::TestServer server;
  const std::uint64_t size = 4 * 1048576 + 77;
  BodySource file = BodySource::Pattern(size);
  std::mutex mutex;
  std::map<std::string, int> seen;
  server.Route("/b.bin", [&](const Request& r) {
    std::string range = r.Header("Range");
    int n, kind;
    {
      std::lock_guard lock(mutex);
      n = seen[range]++;
      kind = static_cast<int>(seen.size());
    }
    Reply reply = FileReply(r, file);
    if (range.empty() || n > 0) return reply;
    switch (kind % 4) {
      case 0:
        reply.cutAfter = 300000;
        break;
      case 1:
        reply.cutAfter = 5, reply.reset = true;
        break;
      case 2:
        reply = Reply{500};
        reply.body = "oops";
        break;
      default:
        reply.headers.push_back({"Content-Encoding", "gzip"});
    }
    return reply;
  });
  Run run = Download(1, server.Url("/b.bin"), Options(), 3);
  ASSERT_TRUE(run.outcome);
  EXPECT_EQ(run.outcome->result, Result::Complete);
  EXPECT_EQ(test::Sandbox::ReadFile(Output()), PatternOf(size));
  bool resumed = false;
  for (const Request& r : server.Requests())
    resumed |= r.Header("Range") == "bytes=300000-1048575" ||
               r.Header("Range") == "bytes=1348576-2097151" ||
               r.Header("Range") == "bytes=2397152-3145727" ||
               r.Header("Range") == "bytes=3445728-4194303";
  EXPECT_TRUE(resumed);  // the cut block asked only for what was missing
}

// A block that never arrives whole ends the transfer with the failure text and removes the
// output: never success over zero-filled holes.
TEST_F(MappedDownloadTest, ABlockThatNeverArrivesFailsTheTransfer) {
  test::TestServer server;
  const std::uint64_t size = 3 * 1048576;
  BodySource file = BodySource::Pattern(size);
  server.Route("/c.bin", [&](const Request& r) {
    Reply reply = FileReply(r, file);
    std::string range = r.Header("Range");
    long long first = range.empty() ? -1 : std::stoll(range.substr(6));
    if (first >= 1048576 && first < 2 * 1048576) reply.cutAfter = 10;  // block 2, however resumed
    return reply;
  });
  Run run = Download(1, server.Url("/c.bin"), Options(), 4);
  ASSERT_TRUE(run.outcome);
  EXPECT_EQ(run.outcome->result, Result::Incomplete);
  EXPECT_EQ(run.name, "无法得到文件数据!   原因：可能链接失效。");
  EXPECT_NE(run.progress, "下载完成，文件保存在桌面！");
  EXPECT_EQ(run.sounds, 0);
  EXPECT_FALSE(std::filesystem::exists(Output()));
}

TEST_F(MappedDownloadTest, ARangeAnsweredWithTheWholeFileIsNotTakenForABlock) {
  test::TestServer server;
  test::FileOptions options;
  options.ignoreRanges = true;
  server.ServeFile("/i.bin", BodySource::Pattern(2 * 1048576 + 1), options);
  Run run = Download(1, server.Url("/i.bin"), Options(), 4);
  ASSERT_TRUE(run.outcome);
  EXPECT_EQ(run.outcome->result, Result::Incomplete);
  EXPECT_FALSE(std::filesystem::exists(Output()));
}

TEST_F(MappedDownloadTest, AReplyWithoutLengthStartsNothing) {
  test::TestServer server;
  test::FileOptions options;
  options.omitContentLength = true;
  server.ServeFile("/n.bin", BodySource::Pattern(1000), options);
  server.Route("/missing", [](const Request&) { return Reply{404}; });
  for (const char* path : {"/n.bin", "/missing"}) {
    server.ClearLog();
    Run run = Download(1, server.Url(path), Options(), 4);
    ASSERT_TRUE(run.outcome) << path;
    EXPECT_EQ(run.outcome->result, Result::Incomplete);
    EXPECT_EQ(run.name, "无法得到文件数据!   原因：可能链接失效。");
    EXPECT_EQ(server.Requests().size(), 1u) << path;  // the probe only
  }
}

TEST_F(MappedDownloadTest, WorksOverHttpsWithRedirects) {
  test::TestServer::Options tls;
  tls.tls = true;
  test::TestServer server(tls);
  server.ServeFile("/real", BodySource::Pattern(1048577));
  server.Route("/old", [&](const Request&) {
    Reply r{301};
    r.headers = {{"Location", server.Url("/real")}};
    return r;
  });
  Run run = Download(1, server.Url("/old"), Options(), 2);
  ASSERT_TRUE(run.outcome);
  EXPECT_EQ(run.outcome->result, Result::Complete);
  EXPECT_EQ(test::Sandbox::ReadFile(Output()), PatternOf(1048577));
}

// The supervisor keeps at most threadLimit workers (so at most that many connections, which
// the transfers reuse) and hands blocks out in order.
TEST_F(MappedDownloadTest, AtMostThreadLimitBlocksAtOnceInOrder) {
  test::TestServer server;
  const std::uint64_t size = 12 * 1048576;
  BodySource file = BodySource::Pattern(size);
  std::mutex mutex;
  std::vector<std::string> order;
  server.Route("/o.bin", [&](const Request& r) {
    if (r.HasHeader("Range")) {
      std::lock_guard lock(mutex);
      order.push_back(r.Header("Range"));
    }
    return FileReply(r, file);
  });
  DownloadOptions o = Options();
  std::atomic<std::int64_t> lastDone{0};
  o.onBytes = [&](std::int64_t done, std::int64_t) { lastDone = done; };
  Run run = Download(1, server.Url("/o.bin"), o, 3);
  ASSERT_TRUE(run.outcome);
  EXPECT_EQ(run.outcome->result, Result::Complete);
  EXPECT_EQ(test::Sandbox::ReadFile(Output()), PatternOf(size));
  ASSERT_EQ(order.size(), 12u);
  auto startOf = [&](std::int64_t n) {
    BlockRange b = BlockOf(n, size);
    std::string text = "bytes=" + std::to_string(b.start) + "-" + std::to_string(b.end);
    return std::find(order.begin(), order.end(), text) - order.begin();
  };
  // Blocks are handed out in order to at most three workers, so when block n + 3 is handed
  // out at most two others are in flight: at least n of the blocks before it were fetched
  // whole, and their requests reached the server first. (Which of the three in flight sends
  // first is the scheduler's business.)
  for (std::int64_t n = 1; n + 3 <= 12; ++n) {
    int earlier = 0;
    for (std::int64_t k = 1; k <= n + 2; ++k) earlier += startOf(k) < startOf(n + 3);
    EXPECT_GE(earlier, n) << n;
  }
  EXPECT_LE(server.ConnectionCount(), 1 + 3);  // the probe's, then one per worker slot
  EXPECT_EQ(lastDone.load(), static_cast<std::int64_t>(size));
}

// Closing the window stops the workers: the transfer ends soon, without a file.
TEST_F(MappedDownloadTest, ClosingTheWindowStopsTheWorkers) {
  test::TestServer server;
  BodySource file = BodySource::Pattern(8 << 20);
  server.Route("/slow.bin", [&](const Request& r) {
    Reply reply = FileReply(r, file);
    if (r.HasHeader("Range")) reply.bytesPerSecond = 64 << 10;
    return reply;
  });
  DownloadOptions o = Options();
  platform::Window* window = nullptr;
  std::atomic<bool> closed{false};
  o.onBytes = [&](std::int64_t done, std::int64_t) {
    if (done > 100000 && !closed.exchange(true))
      window->Post([&] { window->FireClick(Texts().closeButton); });
  };
  app::AppState& state = app::AppState::Instance();
  state.downloadAddress = server.Url("/slow.bin");
  o.threads = 4;
  std::optional<DownloadOutcome> outcome;
  std::mutex mutex;
  o.onOutcome = [&](const DownloadOutcome& d) {
    std::lock_guard lock(mutex);
    outcome = d;
  };
  auto w = MakeCompatDownloadWindow(state, o);
  window = w.get();
  backend_.OnShow([&](platform::Window& shown) { shown.FireClick(Texts().startButton); });
  auto start = std::chrono::steady_clock::now();
  platform::OpenWindowModal(*w);
  w.reset();  // waits for the transfer's threads
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  std::lock_guard lock(mutex);
  ASSERT_TRUE(outcome);
  EXPECT_EQ(outcome->result, Result::Stopped);
  EXPECT_FALSE(std::filesystem::exists(Output()));
}

}  // namespace
}  // namespace brisklet::download
