#include "platform/audio/wave_clip.h"

#include <cstdint>
#include <cstring>

namespace brisklet::platform {
namespace {

std::uint32_t U32At(const Bytes& b, std::size_t at) {
  return std::uint32_t(b[at]) | std::uint32_t(b[at + 1]) << 8 | std::uint32_t(b[at + 2]) << 16 |
         std::uint32_t(b[at + 3]) << 24;
}

std::uint16_t U16At(const Bytes& b, std::size_t at) {
  return std::uint16_t(b[at] | b[at + 1] << 8);
}

bool TagAt(const Bytes& b, std::size_t at, const char* tag) {
  return b.size() >= at + 4 && std::memcmp(b.data() + at, tag, 4) == 0;
}

bool Plausible(const WaveClip& c) {
  return c.channels >= 1 && c.channels <= 8 && c.sampleRate >= 1000 && c.sampleRate <= 384000 &&
         (c.bitsPerSample == 8 || c.bitsPerSample == 16);
}

}  // namespace

std::optional<WaveClip> ParseWave(const Bytes& file) {
  if (!TagAt(file, 0, "RIFF") || !TagAt(file, 8, "WAVE")) return std::nullopt;
  WaveClip clip;
  bool haveFormat = false;
  std::size_t at = 12;
  while (at + 8 <= file.size()) {
    std::uint64_t size = U32At(file, at + 4);
    std::size_t body = at + 8;
    if (TagAt(file, at, "fmt ")) {
      if (size < 16 || body + 16 > file.size()) return std::nullopt;
      if (U16At(file, body) != 1) return std::nullopt;  // PCM only
      clip.channels = U16At(file, body + 2);
      clip.sampleRate = int(U32At(file, body + 4));
      clip.bitsPerSample = U16At(file, body + 14);
      if (!Plausible(clip)) return std::nullopt;
      haveFormat = true;
    } else if (TagAt(file, at, "data")) {
      if (!haveFormat) return std::nullopt;
      // A data chunk that claims more than the file holds is cut to what is there.
      std::size_t available = file.size() - body;
      std::size_t take = size < available ? std::size_t(size) : available;
      std::size_t frame = std::size_t(clip.channels) * (clip.bitsPerSample / 8);
      take -= take % frame;
      if (take == 0) return std::nullopt;
      clip.samples.assign(file.begin() + std::ptrdiff_t(body),
                          file.begin() + std::ptrdiff_t(body + take));
      return clip;
    }
    std::uint64_t next = std::uint64_t(body) + size + (size & 1);
    if (next > file.size()) break;
    at = std::size_t(next);
  }
  return std::nullopt;
}

}  // namespace brisklet::platform
