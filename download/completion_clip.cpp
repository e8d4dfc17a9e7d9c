#include "download/completion_clip.h"

#ifdef BRISKLET_HAVE_RESOURCES
#include "resources/completion_sound.h"
#endif

namespace brisklet::download {
namespace {

#ifndef BRISKLET_HAVE_RESOURCES
// Until the program's resources are linked in: a WAVE file of the right shape (PCM, mono,
// 8-bit, 22,050 Hz, 24,593 samples) holding silence.
Bytes SilentClip() {
  const std::uint32_t samples = 24593;
  Bytes wav;
  auto put = [&](std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i) wav.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  };
  auto tag = [&](const char* s) { wav.insert(wav.end(), s, s + 4); };
  tag("RIFF"), put(36 + samples, 4), tag("WAVE"), tag("fmt "), put(16, 4), put(1, 2), put(1, 2);
  put(22050, 4), put(22050, 4), put(1, 2), put(8, 2), tag("data"), put(samples, 4);
  wav.insert(wav.end(), samples, 0x80);
  return wav;
}
#endif

}  // namespace

const Bytes& CompletionClip() {
#ifdef BRISKLET_HAVE_RESOURCES
  static const Bytes clip = resources::CompletionSound();
#else
  static const Bytes clip = SilentClip();
#endif
  return clip;
}

}  // namespace brisklet::download
