#include "download/progress_text.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"

namespace brisklet::download {
namespace {

using platform::Gbk;

TEST(ProgressText, SegmentCompletionsAsTheWindowShowsThem) {
  struct Case {
    std::int64_t completed, count, fileSize;
    int percent, bar;
    std::string size, progress;  // UTF-8
  } cases[] = {
      {16, 32, 104857600, 50, 160, "文件大小：52.5/105MB", "下载进度：50%"},
      {32, 32, 104857600, 100, 320, "文件大小：105/105MB", "下载进度：100%"},
      {1, 3, 1000000, 33, 105, "文件大小：0.33/1MB", "下载进度：33%"},
      {1, 8, 1000000, 12, 38, "文件大小：0.12/1MB", "下载进度：12%"},
      {1, 129, std::int64_t{5} << 30, 0, 0, "文件大小：0/5369MB", "下载进度：0%"},
  };
  for (const auto& c : cases) {
    auto p = SegmentProgressOf(c.completed, c.count, c.fileSize);
    EXPECT_EQ(p.percent, c.percent) << c.completed << "/" << c.count;
    EXPECT_EQ(p.barWidth, c.bar);
    EXPECT_EQ(p.sizeText, Gbk(c.size));
    EXPECT_EQ(p.percentText, Gbk(c.progress));
  }
  EXPECT_EQ(SegmentSizeLabel(104857600), Gbk("文件大小：105MB"));
  EXPECT_EQ(SegmentSizeLabel(500000), Gbk("文件大小：1MB"));  // halves away from zero
  EXPECT_EQ(SegmentSizeLabel(std::int64_t{5} << 30), Gbk("文件大小：5369MB"));
}

TEST(ProgressText, CompatProgressUsesItsOwnMegabyte) {
  auto p = CompatProgressOf(5000000, 2500000);
  EXPECT_EQ(p.sizeText, Gbk("文件大小：5MB"));
  EXPECT_EQ(p.percentText, Gbk("下载进度：50%"));
  EXPECT_EQ(p.barWidth, 160);
  auto q = CompatProgressOf(1536000, 1536000 * 199 / 200);  // 99.5 % rounds up
  EXPECT_EQ(q.sizeText, Gbk("文件大小：2MB"));              // 1.5 rounds away from zero
  EXPECT_EQ(q.percent, 100);
  EXPECT_EQ(CompatProgressOf(std::int64_t{5} << 30, std::int64_t{1} << 30).percent, 20);
}

TEST(ProgressText, NumbersPrintAsG13) {
  EXPECT_EQ(FormatG13(52.5), "52.5");
  EXPECT_EQ(FormatG13(105), "105");
  EXPECT_EQ(FormatG13(0.1 + 0.2), "0.3");
  EXPECT_EQ(FormatG13(1e15), "1e+15");
}

}  // namespace
}  // namespace brisklet::download
