#include "download/progress_text.h"

#include <cmath>
#include <cstdio>

#include "download/window_texts.h"

namespace brisklet::download {

double RoundHalfAway(double x) { return std::round(x); }  // std::round rounds halves away from 0

std::string FormatG13(double x) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.13g", x);
  return buffer;
}

std::string SegmentSizeLabel(std::int64_t fileSize) {
  auto mb = static_cast<std::int64_t>(RoundHalfAway(static_cast<double>(fileSize) / 1000000.0));
  return Texts().sizePrefix + std::to_string(mb) + "MB";
}

namespace {

int BarWidthOf(int percent) { return static_cast<int>(percent * 3.2); }

}  // namespace

SegmentProgress SegmentProgressOf(std::int64_t completed, std::int64_t segmentCount,
                                  std::int64_t fileSize) {
  SegmentProgress p;
  double r =
      segmentCount > 0 ? static_cast<double>(completed) / static_cast<double>(segmentCount) : 0;
  p.percent = static_cast<int>(RoundHalfAway(r * 100 * 100) / 100);
  double m = RoundHalfAway(static_cast<double>(fileSize) / 1000000.0);
  double d = m / 100 * p.percent;
  p.sizeText = Texts().sizePrefix + FormatG13(d) + "/" + FormatG13(m) + "MB";
  p.percentText = Texts().progressPrefix + std::to_string(p.percent) + "%";
  p.barWidth = BarWidthOf(p.percent);
  return p;
}

int CompatPercentOf(std::int64_t total, std::int64_t done) {
  double ratio = total > 0 ? static_cast<double>(done) / static_cast<double>(total) : 0;
  return static_cast<int>(RoundHalfAway(ratio * 100));
}

CompatProgress CompatProgressOf(std::int64_t total, std::int64_t done) {
  CompatProgress p;
  p.percent = CompatPercentOf(total, done);
  p.barWidth = BarWidthOf(p.percent);
  p.sizeText =
      Texts().sizePrefix + FormatG13(RoundHalfAway(static_cast<double>(total) / 1024000.0)) + "MB";
  p.percentText = Texts().progressPrefix + std::to_string(p.percent) + "%";
  return p;
}

}  // namespace brisklet::download
