#include "platform/ini_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <thread>
#include <vector>

#include "platform/codepage.h"
#include "platform/native_path.h"
#include "tests/support/sandbox.h"

namespace brisklet::platform {
namespace {

using platform::Gbk;

struct ReadCase {
  std::string content, section, key;
  std::optional<std::string> value;
};

TEST(IniText, FindsValuesAsTheProfileCallsDo) {
  const ReadCase cases[] = {
      {"[S]\nk=v\n", "S", "k", "v"},
      {"[s]\n K = v \t\n", "S", "k", "v"},          // names ignore ASCII case; blanks trimmed
      {"  [ S ]  \nk=\"quoted \"\n", "S", "k", "quoted "},
      {"[S]\nk='a'\n", "S", "k", "a"},
      {"[S]\nk=\"a\n", "S", "k", "\"a"},
      {"[S]\r\nk=v\r\n", "S", "k", "v"},
      {"[S]\nk=a=b;c\n", "S", "k", "a=b;c"},         // no inline comments in profile files
      {"[S]\nk=\n", "S", "k", ""},
      {"[T]\nk=v\n[S]\nx=1\n", "S", "k", std::nullopt},
      {"[S]\nk=1\n[S]\nk=2\n", "S", "k", "1"},       // the first section counts
      {"[S]\nk=1\nK=2\n", "S", "k", "1"},
      {"k=v\n[S]\n", "S", "k", std::nullopt},        // a key before any section
      {"[S]\nk\n", "S", "k", std::nullopt},
      {"", "S", "k", std::nullopt},
      {Gbk("[云服务器]\n线程数量=8\n"), Gbk("云服务器"), Gbk("线程数量"), "8"},
      {"[\xB0\x61]\nk=v\n", "\xB0\x41", "k", std::nullopt},  // a trail byte is not case-folded
      {"[\xB0\x5D]\nk=v\n", "\xB0\x5D", "k", "v"},          // nor taken for "]"
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IniText(c.content).Value(c.section, c.key), c.value) << c.content;
  }
}

TEST(IniText, ConfigurationFilesHaveCommentsAndMayStartWithAMark) {
  const IniText ini(
      "\xEF\xBB\xBF; services\n[services]\n# note\nmaker = 127.0.0.1:8443   ; HTTPS\n"
      "qr_kid = a;b\nsupport_page = http://h/#top\n[patterns]\nbaidu = pan.baidu\n",
      IniCharset::Utf8);
  EXPECT_EQ(ini.Value("services", "maker"), "127.0.0.1:8443");
  EXPECT_EQ(ini.Value("services", "qr_kid"), "a;b");
  EXPECT_EQ(ini.Value("services", "support_page"), "http://h/#top");
  EXPECT_EQ(ini.Value("PATTERNS", "baidu"), "pan.baidu");
  EXPECT_EQ(ini.Keys("services"), (std::vector<std::string>{"maker", "qr_kid", "support_page"}));
}

struct WriteCase {
  std::string content, section, key, value, expected;
};

TEST(IniText, AWriteChangesOrAddsOnlyItsLine) {
  const WriteCase cases[] = {
      {"; top\n[A]\nx=1\n\n[S]\nk=old\n; c\n", "S", "k", "new",
       "; top\n[A]\nx=1\n\n[S]\nk=new\n; c\n"},
      {"[S]\n  K = old\n", "s", "k", "new", "[S]\nK=new\n"},      // the file's spelling stays
      {"[S]\na=1\n\n[T]\nb=2\n", "S", "c", "3", "[S]\na=1\nc=3\n\n[T]\nb=2\n"},
      {"[A]\nx=1", "S", "k", "v", "[A]\nx=1\n[S]\nk=v\n"},
      {"", "S", "k", "v", "[S]\nk=v\n"},
      {"[S]\r\nk=1\r\n", "S", "k", "2", "[S]\r\nk=2\r\n"},
      {"[S]\nk=1\n", "S", "k", "a\r\n[S]\nk=evil", "[S]\nk=a  [S] k=evil\n"},
  };
  for (const auto& c : cases) {
    IniText ini(c.content);
    ASSERT_TRUE(ini.SetValue(c.section, c.key, c.value)) << c.content;
    EXPECT_EQ(ini.Content(), c.expected) << c.content;
  }
}

TEST(IniText, RefusesNamesThatWouldBreakTheFile) {
  const std::pair<std::string, std::string> refused[] = {
      {"", "k"}, {"S", ""}, {"a]b", "k"}, {"a\nb", "k"}, {"S", "a=b"}, {"S", "[k"}, {"S", "k\r"},
  };
  for (const auto& [section, key] : refused) {
    IniText ini("[S]\nk=1\n");
    EXPECT_FALSE(ini.SetValue(section, key, "v")) << section << "/" << key;
    EXPECT_EQ(ini.Content(), "[S]\nk=1\n");
  }
  IniText gbk("");
  EXPECT_TRUE(gbk.SetValue("\xB0\x5D", "\xB0\x5D", "v"));  // "]" as a trail byte is no "]"
  EXPECT_EQ(gbk.Value("\xB0\x5D", "\xB0\x5D"), "v");
}

class IniFileTest : public test::SandboxTest {
 protected:
  std::string GbkPath(const std::string& utf8Tail) const {
    return FromNativePath(sandbox_.Root().string() + "/" + utf8Tail);
  }
};

TEST_F(IniFileTest, MissingFileReadsAsTheDefault) {
  EXPECT_EQ(ReadIniString(GbkPath("none/Accounts.ini"), "S", "k", "32  "), "32");
  EXPECT_EQ(ReadIniString(GbkPath("none/Accounts.ini"), "S", "k", ""), "");
}

TEST_F(IniFileTest, WriteCreatesFoldersAndRoundTripsGbk) {
  const std::string path = GbkPath("设置/子/Accounts.ini");
  const std::string section = Gbk("云服务器");
  ASSERT_TRUE(WriteIniString(path, section, Gbk("下载地址"), Gbk("http://h/文件.exe")));
  ASSERT_TRUE(WriteIniString(path, section, Gbk("下载器引擎"), "1"));
  EXPECT_EQ(ReadIniString(path, section, Gbk("下载器引擎"), "0"), "1");
  EXPECT_EQ(ReadIniString(path, section, Gbk("下载地址"), ""), Gbk("http://h/文件.exe"));
  // On disk: a UTF-8 file name, GBK content.
  EXPECT_EQ(test::Sandbox::ReadFile(sandbox_.Root() / "设置/子/Accounts.ini"),
            Gbk("[云服务器]\n下载地址=http://h/文件.exe\n下载器引擎=1\n"));
}

TEST_F(IniFileTest, WriteKeepsTheRestAndLeavesNoTemporaryFile) {
  const auto file = sandbox_.Root() / "cfg" / "Accounts.ini";
  const std::string before = Gbk("; 注释\r\n[其他]\r\na=1\r\n\r\n[云服务器]\r\n线程数量=8\r\n");
  test::Sandbox::WriteFile(file, before);
  std::filesystem::permissions(file, std::filesystem::perms(0640));

  ASSERT_TRUE(WriteIniString(GbkPath("cfg/Accounts.ini"), Gbk("云服务器"), Gbk("线程数量"), "-5"));

  EXPECT_EQ(test::Sandbox::ReadFile(file),
            Gbk("; 注释\r\n[其他]\r\na=1\r\n\r\n[云服务器]\r\n线程数量=-5\r\n"));
  EXPECT_EQ(std::filesystem::status(file).permissions(), std::filesystem::perms(0640));
  const std::filesystem::directory_iterator folder(file.parent_path());
  EXPECT_EQ(std::distance(begin(folder), end(folder)), 1);  // no temporary file left behind
}

TEST_F(IniFileTest, AFileThatCannotBeReadOrReplacedIsLeftAlone) {
  std::filesystem::create_directories(sandbox_.Root() / "dir.ini");
  EXPECT_FALSE(WriteIniString(GbkPath("dir.ini"), "S", "k", "v"));
  EXPECT_TRUE(std::filesystem::is_directory(sandbox_.Root() / "dir.ini"));

  test::Sandbox::WriteFile(sandbox_.Root() / "file", "x");
  EXPECT_FALSE(WriteIniString(GbkPath("file/Accounts.ini"), "S", "k", "v"));  // a file as folder
  EXPECT_EQ(test::Sandbox::ReadFile(sandbox_.Root() / "file"), "x");
}

TEST_F(IniFileTest, WritersOnSeveralThreadsLoseNoKey) {
  const std::string path = GbkPath("Accounts.ini");
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&path, t] {
      for (int i = 0; i < 8; ++i) {
        EXPECT_TRUE(WriteIniString(path, "S", "k" + std::to_string(t * 8 + i), "v"));
      }
    });
  }
  for (auto& thread : threads) thread.join();
  const IniText ini = ReadIniFile(ToNativePath(path), IniCharset::Gbk);
  for (int k = 0; k < 32; ++k) EXPECT_EQ(ini.Value("S", "k" + std::to_string(k)), "v") << k;
}

}  // namespace
}  // namespace brisklet::platform
