#include "resources/tray_icon.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <string_view>

namespace brisklet::resources {
namespace {

constexpr int kSize = 16;
constexpr int kSubsamples = 4;  // per axis, for smooth edges

struct Rgba {
  double r, g, b, a;
};

// The picture: a rounded blue square with a white arrow pointing down onto a white bar.
// Coordinates are in pixels, (0,0) the top-left corner of the top-left pixel.
bool InRoundedSquare(double x, double y) {
  constexpr double lo = 0.5, hi = 15.5, radius = 3.5;
  if (x < lo || x > hi || y < lo || y > hi) return false;
  double cx = std::clamp(x, lo + radius, hi - radius);
  double cy = std::clamp(y, lo + radius, hi - radius);
  return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius;
}

bool InArrow(double x, double y) {
  bool shaft = x >= 6.5 && x <= 9.5 && y >= 2.5 && y <= 8.0;
  // The head: a triangle from (3.5, 7.5) and (12.5, 7.5) down to (8, 12).
  bool head = y >= 7.5 && y <= 12.0 && std::abs(x - 8.0) <= (12.0 - y);
  bool bar = x >= 3.5 && x <= 12.5 && y >= 12.8 && y <= 14.2;
  return shaft || head || bar;
}

Rgba PixelAt(int px, int py) {
  double square = 0, arrow = 0;
  for (int sy = 0; sy < kSubsamples; ++sy) {
    for (int sx = 0; sx < kSubsamples; ++sx) {
      double x = px + (sx + 0.5) / kSubsamples;
      double y = py + (sy + 0.5) / kSubsamples;
      if (InRoundedSquare(x, y)) {
        square += 1;
        if (InArrow(x, y)) arrow += 1;
      }
    }
  }
  constexpr double n = kSubsamples * kSubsamples;
  if (square == 0) return {0, 0, 0, 0};
  // A vertical gradient from a light to a deep blue, with the arrow laid over it in white.
  double t = py / double(kSize - 1);
  Rgba blue{0.20 - 0.10 * t, 0.60 - 0.25 * t, 0.95 - 0.15 * t, 1};
  double w = arrow / square;
  return {blue.r * (1 - w) + w, blue.g * (1 - w) + w, blue.b * (1 - w) + w, square / n};
}

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size, std::uint32_t crc = 0) {
  crc = ~crc;
  for (std::size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

std::uint32_t Adler32(const Bytes& data) {
  std::uint32_t a = 1, b = 0;
  for (auto byte : data) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  return (b << 16) | a;
}

void PutU32(Bytes& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(std::uint8_t(v >> shift));
}

void PutChunk(Bytes& png, std::string_view type, const Bytes& data) {
  PutU32(png, std::uint32_t(data.size()));
  Bytes typed(type.begin(), type.end());
  typed.insert(typed.end(), data.begin(), data.end());
  png.insert(png.end(), typed.begin(), typed.end());
  PutU32(png, Crc32(typed.data(), typed.size()));
}

// A zlib stream of one stored (uncompressed) deflate block: the image is a kilobyte.
Bytes StoredZlib(const Bytes& raw) {
  Bytes z{0x78, 0x01, 0x01};
  auto len = std::uint16_t(raw.size());
  z.push_back(std::uint8_t(len));
  z.push_back(std::uint8_t(len >> 8));
  z.push_back(std::uint8_t(~len));
  z.push_back(std::uint8_t(std::uint16_t(~len) >> 8));
  z.insert(z.end(), raw.begin(), raw.end());
  PutU32(z, Adler32(raw));
  return z;
}

std::uint8_t Channel(double v) { return std::uint8_t(std::lround(std::clamp(v, 0.0, 1.0) * 255)); }

}  // namespace

Bytes TrayIconPng() {
  Bytes raw;
  for (int y = 0; y < kSize; ++y) {
    raw.push_back(0);  // filter: none
    for (int x = 0; x < kSize; ++x) {
      Rgba p = PixelAt(x, y);
      for (double c : {p.r, p.g, p.b, p.a}) raw.push_back(Channel(c));
    }
  }
  Bytes png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Bytes header;
  PutU32(header, kSize);
  PutU32(header, kSize);
  header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA, deflate, no filter, no interlace
  PutChunk(png, "IHDR", header);
  PutChunk(png, "IDAT", StoredZlib(raw));
  PutChunk(png, "IEND", {});
  return png;
}

}  // namespace brisklet::resources
