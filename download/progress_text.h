#pragma once
// The numbers and texts the download windows show, as pure functions. Texts are GBK.
// Rounding for display is half away from zero; doubles print as "%.13g" prints them.
#include <cstdint>
#include <string>

namespace brisklet::download {

inline constexpr int kBarWidth = 320;  // pixels of a full progress bar

double RoundHalfAway(double x);
std::string FormatG13(double x);

// Engine 0, after the probe: "文件大小：" + round(fileSize / 1,000,000) + "MB".
std::string SegmentSizeLabel(std::int64_t fileSize);

// Engine 0, after a segment completed.
struct SegmentProgress {
  int percent = 0;          // whole percentage: r × 100 rounded to 2 decimals, truncated
  int barWidth = 0;         // percent × 3.2, truncated
  std::string sizeText;     // 标签EX2: "文件大小：" + d + "/" + m + "MB"
  std::string percentText;  // 标签EX3: "下载进度：" + percent + "%"
};
SegmentProgress SegmentProgressOf(std::int64_t completed, std::int64_t segmentCount,
                                  std::int64_t fileSize);

// Engine 1, on every progress event.
struct CompatProgress {
  int percent = 0;
  int barWidth = 0;
  std::string sizeText;     // "文件大小：" + round(total / 1,024,000) + "MB"
  std::string percentText;  // "下载进度：" + percent + "%"
};
CompatProgress CompatProgressOf(std::int64_t total, std::int64_t done);
int CompatPercentOf(std::int64_t total, std::int64_t done);

}  // namespace brisklet::download
