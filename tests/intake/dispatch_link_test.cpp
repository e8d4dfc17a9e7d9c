#include "intake/dispatch_link.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"

namespace brisklet::intake {
namespace {

TEST(Classify, ClipboardAndParserOrders) {
  app::Config config;
  struct Case {
    const char* text;
    Route clipboard;
    Route parser;
  } cases[] = {
      {"setup.exe", Route::DirectLink, Route::DirectLink},
      {"http://host/dir/SETUP.EXE", Route::DirectLink, Route::DirectLink},
      {"https://pan.baidu.com/s/1abc", Route::BaiduShare, Route::BaiduShare},
      {"https://PAN.BAIDU.com/s/1abc file.exe", Route::BaiduShare, Route::BaiduShare},
      {"https://www.lanzoux.com/i0 a.zip", Route::DirectLink, Route::DirectLink},
      {"https://www.lanzoux.com/i0", Route::LanzouShare, Route::LanzouShare},
      {"https://cloud.189.cn/t/x movie.mp4", Route::TianyiShare, Route::DirectLink},
      {"https://cloud.189.cn/t/x", Route::TianyiShare, Route::TianyiShare},
      {"https://lanzoux.com/x cloud.189.cn", Route::LanzouShare, Route::LanzouShare},
      {"clip.mp4", Route::DirectLink, Route::DirectLink},
      {"a.7z", Route::DirectLink, Route::DirectLink},
      {"pic.PNG", Route::DirectLink, Route::DirectLink},
      {"files.rar", Route::DirectLink, Route::DirectLink},
      {"just some words", Route::None, Route::None},
      {"", Route::None, Route::None},
      {".ex", Route::None, Route::None},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Classify(c.text, ClipboardPatterns(config)), c.clipboard) << c.text;
    EXPECT_EQ(Classify(c.text, ParserPatterns(config)), c.parser) << c.text;
  }
}

TEST(Classify, HostPatternsComeFromTheConfig) {
  app::Config config;
  config.lanzouPattern = "lz.test";
  EXPECT_EQ(Classify("http://lz.test/abc", ClipboardPatterns(config)), Route::LanzouShare);
  EXPECT_EQ(Classify("https://www.lanzoux.com/i0", ClipboardPatterns(config)), Route::None);
}

TEST(Classify, AnEmptyPatternMatchesNothing) {
  app::Config config;
  config.baiduPattern = "";
  config.tianyiPattern = "";
  EXPECT_EQ(Classify("ordinary text", ClipboardPatterns(config)), Route::None);
  EXPECT_EQ(Classify("a.zip", ClipboardPatterns(config)), Route::DirectLink);
}

TEST(ContainsIgnoringCase, NoMatchStartsOnATrailByte) {
  // 「癆」 is 0xB0 0x41: its trail byte is an 'A', which starts no "a.exe".
  EXPECT_FALSE(ContainsIgnoringCase(platform::Gbk("癆.exe"), "a.exe"));
  EXPECT_TRUE(ContainsIgnoringCase(platform::Gbk("癆a.exe"), "a.exe"));
  // …while a GBK name before a real extension still matches.
  EXPECT_TRUE(ContainsIgnoringCase(platform::Gbk("安装程序.EXE"), ".exe"));
}

}  // namespace
}  // namespace brisklet::intake
