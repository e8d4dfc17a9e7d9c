#include "resources/completion_sound.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace brisklet::resources {
namespace {

void PutU16(Bytes& out, std::uint16_t v) {
  out.push_back(std::uint8_t(v));
  out.push_back(std::uint8_t(v >> 8));
}

void PutU32(Bytes& out, std::uint32_t v) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(std::uint8_t(v >> shift));
}

void PutTag(Bytes& out, const char (&tag)[5]) { out.insert(out.end(), tag, tag + 4); }

// A two-note chime (E6 then A6), each note a sine with a soft overtone that fades out.
double ChimeAt(int i) {
  constexpr double rate = kCompletionSampleRate;
  constexpr double secondNoteAt = 0.16;
  double t = i / rate;
  auto note = [](double freq, double since) {
    if (since < 0) return 0.0;
    double attack = std::min(1.0, since / 0.005);
    double decay = std::exp(-since * 4.0);
    double w = 2 * std::numbers::pi * freq * since;
    return attack * decay * (std::sin(w) + 0.25 * std::sin(2 * w));
  };
  double v = 0.45 * note(1318.5, t) + 0.55 * note(1760.0, t - secondNoteAt);
  // The last 50 ms fade to silence so the clip ends without a click.
  double left = (kCompletionSampleCount - i) / rate;
  return v * std::min(1.0, left / 0.05);
}

}  // namespace

Bytes CompletionSound() {
  constexpr std::uint32_t dataSize = kCompletionSampleCount;
  constexpr std::uint32_t pad = dataSize % 2;  // RIFF chunks are padded to even sizes
  Bytes wav;
  PutTag(wav, "RIFF");
  PutU32(wav, 4 + (8 + 16) + (8 + dataSize + pad));
  PutTag(wav, "WAVE");
  PutTag(wav, "fmt ");
  PutU32(wav, 16);
  PutU16(wav, 1);  // PCM
  PutU16(wav, 1);  // mono
  PutU32(wav, kCompletionSampleRate);
  PutU32(wav, kCompletionSampleRate);  // bytes per second: one byte a sample
  PutU16(wav, 1);                      // block align
  PutU16(wav, 8);                      // bits per sample
  PutTag(wav, "data");
  PutU32(wav, dataSize);
  for (int i = 0; i < kCompletionSampleCount; ++i) {
    // 8-bit PCM is unsigned, silence at 128.
    wav.push_back(std::uint8_t(std::clamp(std::lround(128 + 110 * ChimeAt(i)), 0L, 255L)));
  }
  if (pad) wav.push_back(128);
  return wav;
}

}  // namespace brisklet::resources
