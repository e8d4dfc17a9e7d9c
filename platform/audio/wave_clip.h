#pragma once
// A WAVE file read into its PCM format and samples. Only uncompressed PCM with 8 or 16 bits
// per sample is accepted; anything else, and any file whose chunks do not add up, reads as
// nothing.
#include <optional>

#include "platform/bytes.h"

namespace brisklet::platform {

struct WaveClip {
  int channels = 0;
  int sampleRate = 0;
  int bitsPerSample = 0;
  Bytes samples;  // interleaved frames, as stored in the file
};

std::optional<WaveClip> ParseWave(const Bytes& file);

}  // namespace brisklet::platform
