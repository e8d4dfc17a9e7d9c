#pragma once
// Plays WAVE clips held in memory through ALSA, on a thread of its own: Play returns at once,
// a new clip cuts the one playing short, and where the device cannot be opened (no sound card,
// no sound server) nothing is heard and nothing fails. A clip that is not a PCM WAVE file is
// ignored.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "platform/audio/wave_clip.h"
#include "platform/bytes.h"

namespace brisklet::platform {

class WavePlayer {
 public:
  // `device` is an ALSA PCM name; "default" is the user's chosen output.
  explicit WavePlayer(std::string device = "default");
  ~WavePlayer();
  WavePlayer(const WavePlayer&) = delete;
  WavePlayer& operator=(const WavePlayer&) = delete;

  // Any thread; never blocks on the device.
  void Play(const Bytes& file);

  // Waits until no clip is queued or playing; true when idle within `limit`. For tests.
  bool WaitIdle(std::chrono::milliseconds limit);

 private:
  void Run();
  // Plays one clip; returns early when a newer clip or the end of the player comes.
  void PlayOne(const WaveClip& clip);
  bool Interrupted();

  const std::string device_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::optional<WaveClip> pending_;
  bool playing_ = false;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace brisklet::platform
