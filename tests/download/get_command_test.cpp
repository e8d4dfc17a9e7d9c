// `brisklet get` as a terminal user runs it: arguments, exit statuses, the file on disk.
#include "download/get_command.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/http/http_transfer.h"
#include "tests/support/sandbox.h"
#include "tests/support/test_server.h"

namespace brisklet::download {
namespace {

class GetCommandTest : public test::SandboxTest {
 protected:
  void SetUp() override { platform::http::GlobalInit(); }
  int Get(std::vector<std::string> args) {
    args.insert(args.begin(), "get");
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    return RunGetCommand(static_cast<int>(argv.size()), argv.data());
  }
  static std::string PatternOf(std::uint64_t size) {
    std::string s(size, '\0');
    for (std::uint64_t i = 0; i < size; ++i) s[i] = test::PatternByte(i);
    return s;
  }
};

TEST_F(GetCommandTest, EachEngineSavesTheWholeFileInTheGivenFolder) {
  test::TestServer server;
  server.ServeFile("/pkg/app.zip", test::BodySource::Pattern(3000001));
  const std::filesystem::path dir = sandbox_.Root() / "out dir";
  EXPECT_EQ(
      Get({"--engine", "0", "--threads", "8", "--dir", dir.string(), server.Url("/pkg/app.zip")}),
      kGetComplete);
  EXPECT_EQ(test::Sandbox::ReadFile(dir / "app.zip"), PatternOf(3000001));
  EXPECT_EQ(
      Get({"--engine=1", "--threads=-3", "--dir=" + dir.string(), server.Url("/pkg/app.zip")}),
      kGetComplete);
  EXPECT_EQ(test::Sandbox::ReadFile(dir / "下载文件"), PatternOf(3000001));
  EXPECT_FALSE(std::filesystem::exists(sandbox_.Desktop() / "app.zip"));
}

TEST_F(GetCommandTest, TheDesktopIsTheDefaultFolder) {
  test::TestServer server;
  server.ServeFile("/a.exe", test::BodySource::Pattern(1000));
  EXPECT_EQ(Get({server.Url("/a.exe")}), kGetComplete);
  EXPECT_EQ(test::Sandbox::ReadFile(sandbox_.Desktop() / "a.exe"), PatternOf(1000));
}

TEST_F(GetCommandTest, FailuresHaveTheirOwnStatus) {
  test::TestServer server;
  server.Route("/gone.zip", [](const test::Request&) { return test::Reply{404}; });
  server.Route("/cut.zip", [](const test::Request& r) {
    test::Reply reply = test::FileReply(r, test::BodySource::Pattern(400000));
    if (r.Header("Range") != "bytes=0-0" && !r.Header("Range").empty()) reply.cutAfter = 100;
    return reply;
  });
  EXPECT_EQ(Get({"--engine", "0", server.Url("/gone.zip")}), kGetNoFileData);
  EXPECT_EQ(Get({"--engine", "1", "--threads", "2", server.Url("/cut.zip")}), kGetFailed);
  EXPECT_FALSE(std::filesystem::exists(sandbox_.Desktop() / "下载文件"));
}

TEST_F(GetCommandTest, ShareLinksAndBadArgumentsStopBeforeAnyRequest) {
  EXPECT_EQ(Get({"https://pan.baidu.com/s/1abc"}), kGetShareLink);
  EXPECT_EQ(Get({"--password", "x1y2", "https://WWW.LANZOUX.COM/i0abc"}), kGetShareLink);
  EXPECT_EQ(Get({"https://cloud.189.cn/t/abc"}), kGetShareLink);
  EXPECT_EQ(Get({}), kGetUsage);
  EXPECT_EQ(Get({"--engine", "2", "http://h/a.zip"}), kGetUsage);
  EXPECT_EQ(Get({"--threads", "many", "http://h/a.zip"}), kGetUsage);
  EXPECT_EQ(Get({"--help"}), kGetComplete);
}

}  // namespace
}  // namespace brisklet::download
