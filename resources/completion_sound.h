#pragma once
// The clip played when a download completes: a WAVE file, PCM, mono, 8-bit, 22,050 Hz, with
// 24,593 bytes of samples (about 1.1 s).
#include "platform/bytes.h"

namespace brisklet::resources {

inline constexpr int kCompletionSampleRate = 22050;
inline constexpr int kCompletionSampleCount = 24593;

Bytes CompletionSound();

}  // namespace brisklet::resources
