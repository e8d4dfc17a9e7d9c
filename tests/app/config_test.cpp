#include "app/config.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "tests/app/app_fixture.h"

namespace brisklet::app {
namespace {

TEST(ParseConfig, EmptyTextGivesTheDefaults) {
  Config c = ParseConfig("");
  EXPECT_EQ(c.baiduPattern, "pan.baidu");
  EXPECT_EQ(c.lanzouPattern, "lanzoux.com");
  EXPECT_EQ(c.tianyiPattern, "cloud.189.cn");
  EXPECT_EQ(c.baiduSharePrefix, "https://pan.baidu.com/s/");
  EXPECT_EQ(c.maker, "");
  EXPECT_EQ(c.qrKid, "");
}

TEST(ParseConfig, ReadsEveryKeyOfItsSectionOnly) {
  Config c = ParseConfig(
      "; brisklet.conf\n"
      "[Services]\r\n"
      "maker = 127.0.0.1:8443   ; HTTPS\r\n"
      "baidu_parse=127.0.0.1:1\n"
      "lanzou_api = a:2\ntianyi_api = b:3\nqr_upload = c:4\nqr_site = d:5\nqr_kid = k#1\n"
      "magnet_search = e:6\ncloud_search = f:7\n"
      "support_page = https://x.test/a;b#frag\nmirror_page = https://y.test/\n"
      "support_contact = 12345\n"
      "baidu = not-a-service-key\n"
      "[patterns]\n"
      "baidu = pan.local\nlanzou = lz.local\ntianyi = ty.local\n"
      "baidu_share_prefix = http://pan.local/s/\n"
      "maker = ignored-here\n"
      "[other]\nmaker = ignored-too\n"
      "garbage line without equals\n");
  EXPECT_EQ(c.maker, "127.0.0.1:8443");
  EXPECT_EQ(c.baiduParse, "127.0.0.1:1");
  EXPECT_EQ(c.lanzouApi, "a:2");
  EXPECT_EQ(c.tianyiApi, "b:3");
  EXPECT_EQ(c.qrUpload, "c:4");
  EXPECT_EQ(c.qrSite, "d:5");
  EXPECT_EQ(c.qrKid, "k#1");
  EXPECT_EQ(c.magnetSearch, "e:6");
  EXPECT_EQ(c.cloudSearch, "f:7");
  EXPECT_EQ(c.supportPage, "https://x.test/a;b#frag");
  EXPECT_EQ(c.mirrorPage, "https://y.test/");
  EXPECT_EQ(c.supportContact, "12345");
  EXPECT_EQ(c.baiduPattern, "pan.local");
  EXPECT_EQ(c.lanzouPattern, "lz.local");
  EXPECT_EQ(c.tianyiPattern, "ty.local");
  EXPECT_EQ(c.baiduSharePrefix, "http://pan.local/s/");
}

TEST(ParseConfig, ValuesBecomeGbk) {
  Config c = ParseConfig("[services]\nsupport_contact = 群号 123\n");
  EXPECT_EQ(c.supportContact, platform::Gbk("群号 123"));
}

TEST(ParseConfig, MalformedTextKeepsTheDefaults) {
  const std::string texts[] = {
      "[patterns\nbaidu = x\n",
      std::string("[patterns]\0baidu = x\n", 21),
      "=\n[]\n[patterns]\n= value\nbaidu\n",
      "\xFF\xFE[patterns]\n\x81\x30 = \xC0\xAF\n",
      std::string(100000, '['),
  };
  for (const auto& text : texts) {
    Config c = ParseConfig(text);
    EXPECT_EQ(c.baiduPattern, "pan.baidu");
    EXPECT_EQ(c.lanzouPattern, "lanzoux.com");
  }
}

class LoadConfigTest : public test::AppFixture {};

TEST_F(LoadConfigTest, ReadsTheFileInTheSettingsFolder) {
  EXPECT_EQ(ConfigPath(), (sandbox_->ConfigHome() / "brisklet" / "brisklet.conf").string());
  EXPECT_EQ(LoadConfig().lanzouPattern, "lanzoux.com");  // no file yet
  WriteFile(ConfigPath(), "[patterns]\nlanzou = lanzou.test\n");
  EXPECT_EQ(LoadConfig().lanzouPattern, "lanzou.test");
}

}  // namespace
}  // namespace brisklet::app
