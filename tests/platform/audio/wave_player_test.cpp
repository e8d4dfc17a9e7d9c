#include "platform/audio/wave_player.h"

#include <gtest/gtest.h>

#include <chrono>

#include "resources/completion_sound.h"

namespace brisklet::platform {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// The player must come back at once whatever the device does: a missing device, ALSA's "null"
// device (which takes the samples at the clip's pace), and the machine's default output.
class WavePlayerOnDevice : public ::testing::TestWithParam<const char*> {};

TEST_P(WavePlayerOnDevice, PlayReturnsAtOnceAndTheClipEndsOnItsOwn) {
  WavePlayer player(GetParam());
  auto start = Clock::now();
  player.Play(resources::CompletionSound());
  EXPECT_LT(Clock::now() - start, 100ms);
  EXPECT_TRUE(player.WaitIdle(5s));
}

TEST_P(WavePlayerOnDevice, ANewClipCutsThePlayingOneShortAndTheEndStopsPlaying) {
  auto start = Clock::now();
  {
    WavePlayer player(GetParam());
    for (int i = 0; i < 3; ++i) player.Play(resources::CompletionSound());
  }
  // Three 1.1 s clips, each cut by the next and the last by the player's end.
  EXPECT_LT(Clock::now() - start, 1s);
}

INSTANTIATE_TEST_SUITE_P(Devices, WavePlayerOnDevice,
                         ::testing::Values("brisklet_no_such_device", "null", "default"));

TEST(WavePlayer, ClipsThatAreNotPcmWaveAreIgnored) {
  WavePlayer player("null");
  Bytes clip = resources::CompletionSound();
  Bytes cut(clip.begin(), clip.begin() + 40);
  Bytes garbage(5000, 0xAB);
  for (const Bytes& bad : {Bytes{}, cut, garbage}) {
    player.Play(bad);
    EXPECT_TRUE(player.WaitIdle(100ms));
  }
}

}  // namespace
}  // namespace brisklet::platform
