// System sounds (a platform call over the sound device): the WAV files the
// reader takes and refuses, and one play through the mixer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <string>

#include "platform/devices/SystemSound.h"
#include "platform/headless/AudioHeadless.h"
#include "tests/support/temp_folder.h"

namespace {

void PutU32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFFu);
}

void PutU16(std::string& out, uint16_t v) {
  out += static_cast<char>(v & 0xFFu);
  out += static_cast<char>(v >> 8);
}

std::string Chunk(const std::string& id, const std::string& body) {
  std::string out = id;
  PutU32(out, static_cast<uint32_t>(body.size()));
  out += body;
  if (body.size() % 2 != 0) out += '\0';
  return out;
}

std::string Format(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
  std::string body;
  PutU16(body, tag);
  PutU16(body, channels);
  PutU32(body, rate);
  PutU32(body, 12345);  // a byte rate the reader must not trust
  PutU16(body, 1);      // nor this block size
  PutU16(body, bits);
  return body;
}

std::string Riff(const std::string& chunks) {
  std::string out = "RIFF";
  PutU32(out, static_cast<uint32_t>(4 + chunks.size()));
  return out + "WAVE" + chunks;
}

bool Parse(const std::string& bytes, Platform::PcmWave* wave, std::string* why) {
  return Platform::ParsePcmWave(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), wave, why);
}

TEST(SystemSoundWave, TakesPcmAndTrimsAPartialFrame) {
  Platform::PcmWave wave;
  std::string why;
  // A list chunk of odd size (padded) before the format; 7 data bytes of
  // 16-bit stereo are one whole frame.
  std::string file = Riff(Chunk("LIST", "abc") + Chunk("fmt ", Format(1, 2, 22050, 16)) +
                          Chunk("data", std::string("\x01\x02\x03\x04\x05\x06\x07", 7)));
  ASSERT_TRUE(Parse(file, &wave, &why)) << why;
  EXPECT_EQ(wave.format.channels, 2);
  EXPECT_EQ(wave.format.blockAlign, 4);
  EXPECT_EQ(wave.format.avgBytesPerSec, 88200u);
  EXPECT_EQ(wave.samples.size(), 4u);
}

TEST(SystemSoundWave, RefusesWhatItCannotPlay) {
  const std::string pcm = Chunk("fmt ", Format(1, 1, 8000, 8));
  const struct {
    std::string bytes;
    const char* reason;
  } cases[] = {
      {"", "not a RIFF WAVE file"},
      {std::string("RIFF\x04\0\0\0AVI ", 12), "not a RIFF WAVE file"},
      {Riff(Chunk("fmt ", Format(3, 1, 8000, 32)) + Chunk("data", "abcd")), "not PCM data"},
      {Riff(Chunk("fmt ", Format(1, 6, 8000, 16)) + Chunk("data", "abcd")), "not mono or stereo"},
      {Riff(Chunk("fmt ", Format(1, 1, 8000, 24)) + Chunk("data", "abc")), "not 8 or 16 bits a sample"},
      {Riff(Chunk("fmt ", Format(1, 1, 50, 8)) + Chunk("data", "abcd")), "sample rate out of range"},
      {Riff(Chunk("fmt ", "short")), "format chunk too short"},
      {Riff(Chunk("data", "abcd") + pcm), "data before the format chunk"},
      {Riff(pcm), "no data chunk"},
      {Riff(pcm + Chunk("data", "")), "no samples"},
      {Riff(pcm + std::string("data\xff\xff\0\0ab", 10)), "chunk runs past the end"},
  };
  for (const auto& c : cases) {
    Platform::PcmWave wave;
    std::string why;
    EXPECT_FALSE(Parse(c.bytes, &wave, &why)) << c.reason;
    EXPECT_EQ(why, c.reason);
  }
}

TEST(SystemSoundPlay, PlaysOnceThroughItsOwnMixer) {
  Kivo::DSoundTestSeams().outputFactory = [] { return std::make_unique<Kivo::HeadlessAudioOutput>(false); };
  TempFolder folder;
  std::string samples;
  for (int i = 0; i < 441; ++i) PutU16(samples, static_cast<uint16_t>(i % 2 == 0 ? 8000 : -8000));
  std::ofstream(folder / "click.wav", std::ios::binary)
      << Riff(Chunk("fmt ", Format(1, 1, 44100, 16)) + Chunk("data", samples));

  EXPECT_FALSE(PlaySoundA((folder / "missing.wav").c_str(), nullptr, SND_ASYNC | SND_FILENAME));
  EXPECT_FALSE(PlaySoundA((folder / "click.wav").c_str(), nullptr, SND_ASYNC)) << "only files are played";
  ASSERT_TRUE(PlaySoundA((folder / "click.wav").c_str(), nullptr, SND_ASYNC | SND_FILENAME));
  Kivo::DSoundDevice* device = Platform::SystemSoundDevice();
  ASSERT_NE(device, nullptr);
  auto* output = static_cast<Kivo::HeadlessAudioOutput*>(device->Output());
  std::vector<int16_t> first = output->Render(441);
  EXPECT_TRUE(std::any_of(first.begin(), first.end(), [](int16_t v) { return v != 0; }));
  std::vector<int16_t> after = output->Render(441);
  EXPECT_TRUE(std::all_of(after.begin(), after.end(), [](int16_t v) { return v == 0; })) << "played once";

  EXPECT_TRUE(PlaySoundA(nullptr, nullptr, 0));
  EXPECT_EQ(Platform::SystemSoundDevice(), nullptr);
  Kivo::DSoundTestSeams().outputFactory = nullptr;
}

}  // namespace
