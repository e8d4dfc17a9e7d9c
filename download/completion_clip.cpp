#include "download/completion_clip.h"

#include "resources/completion_sound.h"

namespace brisklet::download {

const Bytes& CompletionClip() {
  // Synthesised once, on first use: both windows play the same clip.
  static const Bytes clip = resources::CompletionSound();
  return clip;
}

}  // namespace brisklet::download
