#include "download/file_name.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"

namespace brisklet::download {
namespace {

using platform::Gbk;

TEST(FileName, ComesFromTheHeaderOrTheAddress) {
  struct Case {
    std::string disposition, url, name;  // UTF-8, as servers send them
  } cases[] = {
      {"attachment; filename=\"报告.pdf\"", "http://h/x", "报告.pdf"},
      {"attachment; filename=a%20b.zip", "http://h/x", "a b.zip"},
      {"", "http://h/dl/setup.exe?token=1", "setup.exe"},
      {"", "http://h/dl/%E4%B8%AD.zip", "中.zip"},
      {"", "http://h/a+b.zip", "a b.zip"},
      {"inline", "http://h/x.zip", ""},  // a header without "filename=" gives no name
      {"", "http://h/dl/", ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(JobFileName(c.disposition, c.url), Gbk(c.name)) << c.url << " " << c.disposition;
}

TEST(FileName, LastComponentOfPaths) {
  EXPECT_EQ(FileNameOfPath("C:\\dir\\setup.exe", true), "setup.exe");
  EXPECT_EQ(FileNameOfPath("http://h/a/setup.tar.gz", false), "setup.tar");
  EXPECT_EQ(FileNameOfPath("C:\\dir\\", true), "");
  // 0x5C as the second byte of a double-byte character is not a separator.
  EXPECT_EQ(FileNameOfPath("a/\x81\x5C.zip", true), "\x81\x5C.zip");
}

TEST(FileName, PercentDecodeKeepsWhatIsNotAnEscape) {
  EXPECT_EQ(ToText(PercentDecode(ToBytes("a%2Fb+c%4"))), "a/b c%4");
  EXPECT_EQ(ToText(PercentDecode(ToBytes("%zz%41"))), "%zzA");
  EXPECT_EQ(ToText(PercentDecode(ToBytes("%"))), "%");
  EXPECT_EQ(DecodeFileName("a%00b.zip"), "a");  // ends at the first zero character
  EXPECT_EQ(DecodeFileName(""), "");
}

TEST(FileName, NamesFromOutsideStayInsideTheirFolder) {
  const std::string fallback = Gbk("下载文件");
  struct Case {
    std::string in, out;  // GBK
  } cases[] = {
      {"../../etc/passwd", ".._.._etc_passwd"},
      {"..\\..\\x.exe", ".._.._x.exe"},
      {"..", fallback},
      {".", fallback},
      {" . ", fallback},
      {"", fallback},
      {"a\tb\nc.zip", "a_b_c.zip"},
      {Gbk("报告.pdf"), Gbk("报告.pdf")},
      {"\x81\x5C.zip", "\x81\x5C.zip"},  // a double-byte character is not a backslash
  };
  for (const auto& c : cases) EXPECT_EQ(SafeFileName(c.in), c.out) << c.in;
  std::string longName = std::string(300, 'a') + ".zip";
  std::string shortened = SafeFileName(longName);
  EXPECT_LE(shortened.size(), 160u);
  EXPECT_EQ(shortened.substr(shortened.size() - 4), ".zip");
  EXPECT_EQ(SafeFileName(JobFileName("", "http://h/%2e%2e")), fallback);
  EXPECT_EQ(SafeFileName(JobFileName("attachment; filename=%2Fetc%2Fpasswd", "")), "_etc_passwd");
}

}  // namespace
}  // namespace brisklet::download
