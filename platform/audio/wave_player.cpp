#include "platform/audio/wave_player.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <cstdarg>

namespace brisklet::platform {
namespace {

// ALSA prints its own complaints (an unknown device, a missing card) to stderr; a missing
// sound device is an ordinary state here, so they are dropped.
void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}

void SilenceAlsaOnce() {
  static std::once_flag once;
  std::call_once(once, [] { snd_lib_error_set_handler(&QuietAlsa); });
}

snd_pcm_format_t FormatOf(const WaveClip& clip) {
  return clip.bitsPerSample == 8 ? SND_PCM_FORMAT_U8 : SND_PCM_FORMAT_S16_LE;
}

// Opens the device for the clip's format; nullptr when it cannot be had.
snd_pcm_t* OpenDevice(const std::string& device, const WaveClip& clip) {
  snd_pcm_t* pcm = nullptr;
  // Opened without blocking, so a device held by another program fails at once instead of
  // waiting; writes then block, on this player's own thread.
  if (snd_pcm_open(&pcm, device.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0)
    return nullptr;
  if (snd_pcm_nonblock(pcm, 0) < 0 ||
      snd_pcm_set_params(pcm, FormatOf(clip), SND_PCM_ACCESS_RW_INTERLEAVED,
                         unsigned(clip.channels), unsigned(clip.sampleRate), 1, 100000) < 0) {
    snd_pcm_close(pcm);
    return nullptr;
  }
  return pcm;
}

}  // namespace

WavePlayer::WavePlayer(std::string device) : device_(std::move(device)) {
  SilenceAlsaOnce();
  thread_ = std::thread([this] { Run(); });
}

WavePlayer::~WavePlayer() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void WavePlayer::Play(const Bytes& file) {
  auto clip = ParseWave(file);
  if (!clip) return;
  {
    std::lock_guard lock(mutex_);
    pending_ = std::move(clip);
  }
  changed_.notify_all();
}

bool WavePlayer::WaitIdle(std::chrono::milliseconds limit) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, limit, [this] { return !pending_ && !playing_; });
}

bool WavePlayer::Interrupted() {
  std::lock_guard lock(mutex_);
  return stopping_ || pending_.has_value();
}

void WavePlayer::Run() {
  for (;;) {
    WaveClip clip;
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [this] { return stopping_ || pending_; });
      if (stopping_) return;
      clip = std::move(*pending_);
      pending_.reset();
      playing_ = true;
    }
    PlayOne(clip);
    {
      std::lock_guard lock(mutex_);
      playing_ = false;
    }
    changed_.notify_all();
  }
}

void WavePlayer::PlayOne(const WaveClip& clip) {
  snd_pcm_t* pcm = OpenDevice(device_, clip);
  if (!pcm) return;
  const std::size_t frameBytes = std::size_t(clip.channels) * (clip.bitsPerSample / 8);
  const std::size_t totalFrames = clip.samples.size() / frameBytes;
  // Written in slices of about 50 ms so that a newer clip or the player's end cuts in soon.
  const std::size_t slice = std::max<std::size_t>(1, std::size_t(clip.sampleRate) / 20);
  std::size_t done = 0;
  int stalls = 0;  // writes that moved nothing, after a recovered underrun or a busy device
  bool cut = false;
  while (done < totalFrames) {
    if (Interrupted()) {
      cut = true;
      break;
    }
    std::size_t n = std::min(slice, totalFrames - done);
    snd_pcm_sframes_t written = snd_pcm_writei(pcm, clip.samples.data() + done * frameBytes, n);
    if (written < 0) written = snd_pcm_recover(pcm, int(written), 1);
    if (written < 0 || (written == 0 && ++stalls > 20)) {
      cut = true;
      break;
    }
    done += std::size_t(written);
  }
  if (cut)
    snd_pcm_drop(pcm);
  else
    snd_pcm_drain(pcm);
  snd_pcm_close(pcm);
}

}  // namespace brisklet::platform
