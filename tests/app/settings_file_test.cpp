#include "app/settings_file.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "tests/app/app_fixture.h"

namespace brisklet::app {
namespace {

using platform::Gbk;

TEST(SettingToInt, LeadingDigitsWithSign) {
  struct Case {
    const char* text;
    std::int32_t value;
  } cases[] = {{"8", 8},
               {"abc", 0},
               {"0", 0},
               {"-5", -5},
               {"", 0},
               {" 12x", 12},
               {"+7", 7},
               {"1.9", 1},
               {"-", 0},
               {"x1", 0},
               {"99999999999", 2147483647},
               {"-99999999999", -2147483647 - 1}};
  for (const auto& c : cases) EXPECT_EQ(SettingToInt(c.text), c.value) << c.text;
}

class SettingsFileTest : public test::AppFixture {};

TEST_F(SettingsFileTest, MissingFileReadsAsEmpty) {
  EXPECT_EQ(ReadSetting(Gbk("下载器引擎"), "0"), "0");
  EXPECT_EQ(ReadEngineSetting(), 0);
  EXPECT_EQ(ReadThreadCountSetting(), 32);
  EXPECT_FALSE(std::filesystem::exists(SettingsFile()));
}

TEST_F(SettingsFileTest, WritesGbkIntoTheSectionAndKeepsOtherLines) {
  WriteFile(SettingsFile(), "; mine\r\n[other]\r\nk=v\r\n[" + Gbk("云服务器") + "]\r\n" +
                                Gbk("线程数量") + "=4\r\n");
  ASSERT_TRUE(WriteSetting(Gbk("下载器引擎"), "1"));
  ASSERT_TRUE(WriteSetting(Gbk("线程数量"), "16"));
  std::string bytes = FileBytes(SettingsFile());
  EXPECT_NE(bytes.find("; mine\r\n[other]\r\nk=v\r\n"), std::string::npos);
  EXPECT_NE(bytes.find("[" + Gbk("云服务器") + "]"), std::string::npos);
  EXPECT_NE(bytes.find(Gbk("下载器引擎") + "=1"), std::string::npos);
  EXPECT_NE(bytes.find(Gbk("线程数量") + "=16"), std::string::npos);
  EXPECT_EQ(bytes.find(Gbk("线程数量") + "=4"), std::string::npos);
  EXPECT_EQ(ReadSetting(Gbk("线程数量"), ""), "16");
}

TEST_F(SettingsFileTest, SectionAndKeyMatchIgnoringAsciiCase) {
  WriteFile(SettingsFile(), "[" + Gbk("云服务器") + "]\nKey=val\n");
  EXPECT_EQ(ReadSetting("kEY", "d"), "val");
  ASSERT_TRUE(WriteSetting("KEY", "new"));
  EXPECT_EQ(ReadSetting("key", "d"), "new");
}

TEST_F(SettingsFileTest, ALineBreakInAValueAddsNoKey) {
  ASSERT_TRUE(WriteSetting(Gbk("下载地址"), "a.exe\r\n" + Gbk("下载器引擎") + "=1\n[x]"));
  EXPECT_EQ(ReadEngineSetting(), 0);
  EXPECT_EQ(ReadSetting(Gbk("下载地址"), ""), "a.exe  " + Gbk("下载器引擎") + "=1 [x]");
}

TEST_F(SettingsFileTest, ThreadCountReadByADownloadWindow) {
  struct Case {
    const char* stored;
    int read;
  } cases[] = {{"8", 8}, {"abc", 32}, {"0", 32}, {"-5", -5}, {"", 32}};
  for (const auto& c : cases) {
    ASSERT_TRUE(WriteSetting(Gbk("线程数量"), c.stored));
    EXPECT_EQ(ReadThreadCountSetting(), c.read) << c.stored;
    EXPECT_EQ(state().threadCount, c.read) << c.stored;
  }
}

TEST_F(SettingsFileTest, AnUnwritableFolderLosesTheValueQuietly) {
  WriteFile(sandbox_->ConfigHome() / "brisklet", "a file where the folder should be");
  EXPECT_FALSE(WriteSetting(Gbk("下载器引擎"), "1"));
  EXPECT_EQ(ReadEngineSetting(), 0);
}

}  // namespace
}  // namespace brisklet::app
