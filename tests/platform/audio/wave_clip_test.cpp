#include "platform/audio/wave_clip.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include "resources/completion_sound.h"

namespace brisklet::platform {
namespace {

void PutU16(Bytes& b, std::uint16_t v) {
  b.insert(b.end(), {std::uint8_t(v), std::uint8_t(v >> 8)});
}
void PutU32(Bytes& b, std::uint32_t v) {
  for (int s = 0; s < 32; s += 8) b.push_back(std::uint8_t(v >> s));
}
void PutTag(Bytes& b, const char* tag) { b.insert(b.end(), tag, tag + 4); }

// A WAVE file built by hand: RIFF header, an optional extra chunk, "fmt ", "data".
struct WaveShape {
  std::uint16_t format = 1, channels = 1, bits = 8;
  std::uint32_t rate = 22050;
  std::uint32_t claimedData = 100;  // the data chunk's size field
  std::size_t actualData = 100;     // the bytes that follow it
  bool extraChunk = false;          // an odd-sized "LIST" chunk before "fmt "
  bool dataFirst = false;
};

Bytes MakeWave(const WaveShape& s) {
  Bytes fmt;
  PutTag(fmt, "fmt ");
  PutU32(fmt, 16);
  PutU16(fmt, s.format);
  PutU16(fmt, s.channels);
  PutU32(fmt, s.rate);
  PutU32(fmt, s.rate * s.channels * s.bits / 8);
  PutU16(fmt, std::uint16_t(s.channels * s.bits / 8));
  PutU16(fmt, s.bits);
  Bytes data;
  PutTag(data, "data");
  PutU32(data, s.claimedData);
  data.insert(data.end(), s.actualData, 0x80);
  Bytes body;
  PutTag(body, "WAVE");
  if (s.extraChunk) {
    PutTag(body, "LIST");
    PutU32(body, 3);
    body.insert(body.end(), {'a', 'b', 'c', 0});  // three bytes and the pad byte
  }
  const Bytes& first = s.dataFirst ? data : fmt;
  const Bytes& second = s.dataFirst ? fmt : data;
  body.insert(body.end(), first.begin(), first.end());
  body.insert(body.end(), second.begin(), second.end());
  Bytes file;
  PutTag(file, "RIFF");
  PutU32(file, std::uint32_t(body.size()));
  file.insert(file.end(), body.begin(), body.end());
  return file;
}

TEST(ParseWave, ReadsFormatAndSamplesAcrossOtherChunks) {
  WaveShape shape;
  shape.extraChunk = true;
  shape.channels = 2;
  shape.bits = 16;
  shape.rate = 44100;
  auto clip = ParseWave(MakeWave(shape));
  ASSERT_TRUE(clip);
  EXPECT_EQ(clip->channels, 2);
  EXPECT_EQ(clip->bitsPerSample, 16);
  EXPECT_EQ(clip->sampleRate, 44100);
  EXPECT_EQ(clip->samples.size(), 100u);
}

TEST(ParseWave, ADataChunkLongerThanTheFileIsCutToWholeFrames) {
  WaveShape shape;
  shape.bits = 16;
  shape.claimedData = 1000000;
  shape.actualData = 51;
  auto clip = ParseWave(MakeWave(shape));
  ASSERT_TRUE(clip);
  EXPECT_EQ(clip->samples.size(), 50u);
}

TEST(ParseWave, RefusesWhatIsNotAPlayablePcmClip) {
  struct Case {
    const char* what;
    WaveShape shape;
  };
  WaveShape compressed, noChannels, oddBits, zeroRate, dataBeforeFormat, emptyData;
  compressed.format = 2;
  noChannels.channels = 0;
  oddBits.bits = 12;
  zeroRate.rate = 0;
  dataBeforeFormat.dataFirst = true;
  emptyData.claimedData = 0;
  emptyData.actualData = 0;
  for (const Case& c : {Case{"compressed", compressed}, Case{"no channels", noChannels},
                        Case{"12 bits", oddBits}, Case{"rate 0", zeroRate},
                        Case{"data before fmt", dataBeforeFormat}, Case{"empty data", emptyData}})
    EXPECT_FALSE(ParseWave(MakeWave(c.shape))) << c.what;

  Bytes good = MakeWave({});
  EXPECT_FALSE(ParseWave({}));
  EXPECT_FALSE(ParseWave(Bytes(good.begin(), good.begin() + 30))) << "cut inside fmt";
  Bytes notWave = good;
  notWave[8] = 'X';
  EXPECT_FALSE(ParseWave(notWave));
  Bytes hugeChunk = MakeWave({});
  hugeChunk[16] = hugeChunk[17] = hugeChunk[18] = hugeChunk[19] = 0xFF;  // fmt size 4 GiB
  EXPECT_FALSE(ParseWave(hugeChunk));
}

TEST(CompletionSound, IsAMono8BitClipOf24593SamplesThatSoundsAndEndsInSilence) {
  Bytes file = resources::CompletionSound();
  auto clip = ParseWave(file);
  ASSERT_TRUE(clip);
  EXPECT_EQ(clip->channels, 1);
  EXPECT_EQ(clip->bitsPerSample, 8);
  EXPECT_EQ(clip->sampleRate, 22050);
  ASSERT_EQ(clip->samples.size(), 24593u);
  auto [lo, hi] = std::minmax_element(clip->samples.begin(), clip->samples.end());
  EXPECT_GT(*hi - *lo, 150) << "loud enough to hear";
  for (std::size_t i = clip->samples.size() - 20; i < clip->samples.size(); ++i)
    EXPECT_NEAR(clip->samples[i], 128, 2) << "no click at the end";
  EXPECT_EQ(file.size() % 2, 0u) << "RIFF chunks are padded to even sizes";
}

}  // namespace
}  // namespace brisklet::platform
