// Sound file readers, the loading order and the decoded-sound cache, on
// fixtures made here (WAV, AU) or by the test encoders (Ogg, MP3).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "tests/support/sound_fixtures.h"
#include "audio/AudioSupport.h"
#include "audio/DSoundInstance.h"
#include "audio/DSoundManager.h"
#include "audio/FmodLibrary.h"
#include "audio/SoundCache.h"
#include "audio/SoundReaders.h"
#include "resources/PakInterface.h"
#include "resources/PakWriter.h"

using namespace Kivo;
using namespace soundtest;

namespace {

// A refused file must not make the reader loop: only a hang is bounded,
// never how fast a loaded machine reads.
constexpr std::chrono::seconds kHangBound{30};

int gWindow;

bool Generate(const char* kind, const std::string& out, int rate, int channels, int frames, int hz) {
#ifdef SOUNDGEN_PATH
  std::filesystem::path parent = std::filesystem::path(out).parent_path();
  if (!parent.empty()) std::filesystem::create_directories(parent);
  std::string cmd = std::string(SOUNDGEN_PATH) + " " + kind + " '" + out + "' " + std::to_string(rate) + " " +
                    std::to_string(channels) + " " + std::to_string(frames) + " " + std::to_string(hz);
  return std::system(cmd.c_str()) == 0;
#else
  (void)kind, (void)out, (void)rate, (void)channels, (void)frames, (void)hz;
  return false;
#endif
}

#define REQUIRE_GENERATED(kind, ...) \
  do { \
    if (!Generate(kind, __VA_ARGS__)) GTEST_SKIP() << "no test encoder for " << kind; \
  } while (0)

struct Decoded {
  bool ok = false;
  WaveFormat format;
  Bytes pcm;
  std::string why;
};

Decoded ReadAs(const Bytes& file, bool (*reader)(SoundSource&, PcmSink&, std::string*)) {
  Decoded d;
  auto in = MemorySoundSource(file.data(), file.size());
  VectorPcmSink sink;
  d.ok = reader(*in, sink, &d.why);
  d.format = sink.format;
  d.pcm = sink.bytes;
  return d;
}

bool WavReader(SoundSource& in, PcmSink& sink, std::string* why) { return ReadWavSound(in, sink, DepCheck(), why); }

std::uint32_t OggCrc(const std::uint8_t* p, std::size_t n) {
  std::uint32_t crc = 0;
  for (std::size_t i = 0; i < n; ++i) {
    crc ^= static_cast<std::uint32_t>(p[i]) << 24;
    for (int k = 0; k < 8; ++k) crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
  }
  return crc;
}

// Sets the granule position of the last Ogg page and fixes its checksum.
void ForgeLastGranule(Bytes& ogg, std::uint64_t granule) {
  std::size_t at = 0;
  for (std::size_t i = 0; i + 4 <= ogg.size(); ++i)
    if (std::memcmp(&ogg[i], "OggS", 4) == 0) at = i;
  for (int i = 0; i < 8; ++i) ogg[at + 6 + i] = static_cast<std::uint8_t>(granule >> (8 * i));
  std::memset(&ogg[at + 22], 0, 4);
  std::uint32_t crc = OggCrc(&ogg[at], ogg.size() - at);
  for (int i = 0; i < 4; ++i) ogg[at + 22 + i] = static_cast<std::uint8_t>(crc >> (8 * i));
}

std::uint64_t LastGranule(const Bytes& ogg) {
  std::size_t at = 0;
  for (std::size_t i = 0; i + 4 <= ogg.size(); ++i)
    if (std::memcmp(&ogg[i], "OggS", 4) == 0) at = i;
  std::uint64_t g = 0;
  for (int i = 7; i >= 0; --i) g = (g << 8) | ogg[at + 6 + i];
  return g;
}

std::uint64_t FileTimeOf(const std::string& path) {
  std::uint64_t t = 0;
  GetFileLastWriteTime(path, &t);
  return t;
}

void SetMtime(const std::string& path, time_t seconds) {
  struct utimbuf times = {seconds, seconds};
  utime(path.c_str(), &times);
}

class soundloadTest : public ::testing::Test {
 protected:
  void SetUp() override { manager = std::make_unique<DSoundManager>(&gWindow, false); }
  WaveFormat FormatOf(int id) {
    SoundInstance* i = manager->CreateInstance(id);
    WaveFormat f{};
    f.channels = 0;
    if (!i) return f;
    static_cast<DSoundInstance*>(i)->OwnBuffer()->GetFormat(&f, kWaveFormatRecordSize, nullptr);
    i->Release();
    return f;
  }
  // The id's samples, read through an instance's duplicate.
  Bytes SamplesOf(int id) {
    SoundInstance* i = manager->CreateInstance(id);
    if (!i) return Bytes();
    DSoundBuffer* b = static_cast<DSoundInstance*>(i)->OwnBuffer();
    void* p = nullptr;
    std::uint32_t n = 0;
    b->Lock(0, 0, &p, &n, nullptr, nullptr, 2);
    Bytes out(static_cast<std::uint8_t*>(p), static_cast<std::uint8_t*>(p) + n);
    b->Unlock(p, n, nullptr, 0);
    i->Release();
    return out;
  }

  ScratchFolder scratch;
  HeadlessAudio audio;
  std::unique_ptr<DSoundManager> manager;
};

}  // namespace

TEST(soundloadWav, ChunksAndDefaults) {
  const Bytes pcm = {1, 2, 3, 4, 5, 6};
  {  // No "fmt ": 16-bit mono 22,050 Hz.
    Bytes f = RiffHeader();
    Chunk(f, "data", pcm);
    Decoded d = ReadAs(f, &WavReader);
    ASSERT_TRUE(d.ok) << d.why;
    EXPECT_EQ(d.format.channels, 1);
    EXPECT_EQ(d.format.bitsPerSample, 16);
    EXPECT_EQ(d.format.samplesPerSec, 22050u);
    EXPECT_EQ(d.pcm, pcm);
  }
  for (std::uint16_t tag : {3, 0xFFFE, 2}) {  // only plain PCM
    Bytes f = RiffHeader();
    Chunk(f, "fmt ", FmtBody(tag, 2, 44100, 16));
    Chunk(f, "data", pcm);
    EXPECT_FALSE(ReadAs(f, &WavReader).ok) << tag;
  }
  {  // An odd chunk is followed directly by the next header, no pad byte.
    Bytes f = RiffHeader();
    Chunk(f, "fmt ", FmtBody(1, 1, 8000, 8));
    Chunk(f, "junk", Bytes{9, 9, 9});
    Chunk(f, "data", pcm);
    Decoded d = ReadAs(f, &WavReader);
    ASSERT_TRUE(d.ok) << d.why;
    EXPECT_EQ(d.format.samplesPerSec, 8000u);
    EXPECT_EQ(d.pcm, pcm);
  }
  {  // "xor " scrambles the samples.
    Bytes f = RiffHeader();
    Chunk(f, "xor ", Bytes{0x5A});
    Bytes scrambled;
    for (std::uint8_t b : pcm) scrambled.push_back(b ^ 0x5A);
    Chunk(f, "data", scrambled);
    Decoded d = ReadAs(f, &WavReader);
    ASSERT_TRUE(d.ok) << d.why;
    EXPECT_EQ(d.pcm, pcm);
  }
  {  // No "data" chunk.
    Bytes f = RiffHeader();
    Chunk(f, "fmt ", FmtBody(1, 1, 8000, 8));
    EXPECT_FALSE(ReadAs(f, &WavReader).ok);
  }
}

TEST(soundloadBad, MalformedWavFilesFailQuickly) {
  struct Case {
    const char* what;
    Bytes file;
  };
  std::vector<Case> cases;
  for (std::uint32_t size : {0xFFFFFFF8u, 0x80000000u, 0xFFFFFFFFu, 100u}) {
    Bytes f = RiffHeader();
    Chunk(f, "junk", Bytes{1, 2, 3, 4}, size);
    Chunk(f, "data", Bytes{1, 2});
    cases.push_back({"chunk size past the end", f});
  }
  {
    Bytes f = RiffHeader();
    Chunk(f, "data", Bytes{1, 2, 3, 4}, 0xFFFFFFFFu);
    cases.push_back({"data size 0xFFFFFFFF", f});
  }
  for (auto shape : {std::pair<int, int>{0, 16}, {7, 16}, {1, 0}, {1, 12}}) {
    Bytes f = RiffHeader();
    Chunk(f, "fmt ",
          FmtBody(1, static_cast<std::uint16_t>(shape.first), 22050, static_cast<std::uint16_t>(shape.second)));
    Chunk(f, "data", Bytes{1, 2, 3, 4});
    cases.push_back({"bad channels or bits", f});
  }
  Bytes good = Wav(1, 22050, 16, Pcm16({1, 2, 3, 4}));
  for (std::size_t cut : {4u, 11u, 20u, 30u, 44u, 46u})
    cases.push_back({"truncated", Bytes(good.begin(), good.begin() + cut)});
  {
    Bytes f = RiffHeader();
    Chunk(f, "dep ", Bytes{200, 0, 'a'});
    Chunk(f, "data", Bytes{1, 2});
    cases.push_back({"dep chunk cut short", f});
  }
  for (const Case& c : cases) {
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(ReadAs(c.file, &WavReader).ok) << c.what;
    EXPECT_LT(std::chrono::steady_clock::now() - start, kHangBound) << c.what;
  }
}

TEST(soundloadAu, EncodingsAndSizes) {
  Bytes data(1000);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i);
  Decoded mu = ReadAs(Au(24, 1000, 1, 8000, 1, data), &ReadAuSound);
  ASSERT_TRUE(mu.ok) << mu.why;
  EXPECT_EQ(mu.pcm.size(), 2000u);
  EXPECT_EQ(mu.format.bitsPerSample, 16);
  EXPECT_EQ(mu.format.samplesPerSec, 8000u);
  EXPECT_FALSE(ReadAs(Au(24, 1000, 3, 8000, 1, Bytes(2000)), &ReadAuSound).ok);  // 16-bit linear refused

  struct {
    std::uint8_t in;
    std::int16_t out;
  } table[] = {{255, 0}, {127, 0}, {240, 120}, {128, 31616}, {0, -31616}};
  for (const auto& t : table) EXPECT_EQ(MuLawToLinear(t.in), t.out) << int(t.in);

  // 8-bit linear AU is signed; the buffer holds unsigned bytes.
  Decoded lin = ReadAs(Au(24, 4, 2, 8000, 1, Bytes{0x00, 0x7F, 0x80, 0xFF}), &ReadAuSound);
  ASSERT_TRUE(lin.ok) << lin.why;
  EXPECT_EQ(lin.format.bitsPerSample, 8);
  EXPECT_EQ(lin.pcm, (Bytes{0x80, 0xFF, 0x00, 0x7F}));

  // All ones means "to the end of the file"; the size is not doubled blindly.
  Decoded rest = ReadAs(Au(32, 0xFFFFFFFFu, 1, 8000, 1, Bytes(10, 0xFF)), &ReadAuSound);
  ASSERT_TRUE(rest.ok) << rest.why;
  EXPECT_EQ(rest.pcm.size(), 20u);
}

TEST(soundloadBad, MalformedAuFilesFailQuickly) {
  struct Case {
    const char* what;
    Bytes file;
  } cases[] = {
      {"size larger than the file", Au(24, 0x80000000u, 1, 8000, 1, Bytes(10))},
      {"size beyond what doubles in 32 bits", Au(24, 0xFFFFFFFEu, 1, 8000, 1, Bytes(10))},
      {"offset past the end", Au(0xFFFFFF00u, 4, 1, 8000, 1, Bytes(10))},
      {"offset inside the header", Au(8, 4, 1, 8000, 1, Bytes(10))},
      {"size all ones, offset past the end", Au(4096, 0xFFFFFFFFu, 1, 8000, 1, Bytes(10))},
      {"no channels", Au(24, 4, 1, 8000, 0, Bytes(4))},
      {"rate 0", Au(24, 4, 1, 0, 1, Bytes(4))},
      {"truncated header", Bytes{'.', 's', 'n', 'd', 0, 0}},
      {"truncated data", Au(24, 100, 2, 8000, 1, Bytes(50))},
  };
  for (const Case& c : cases) EXPECT_FALSE(ReadAs(c.file, &ReadAuSound).ok) << c.what;
}

TEST_F(soundloadTest, OggLoadsAndAShortStreamFailsLeavingTheIdEmpty) {
  // Four seconds: more than one audio page, so the last page's granule sets
  // the stated length.
  REQUIRE_GENERATED("ogg", "tone.ogg", 22050, 2, 88200, 440);
  ASSERT_TRUE(manager->LoadSoundIntoId(4, "tone"));
  WaveFormat f = FormatOf(4);
  EXPECT_EQ(f.channels, 2);
  EXPECT_EQ(f.samplesPerSec, 22050u);
  EXPECT_EQ(f.bitsPerSample, 16);
  EXPECT_EQ(manager->SoundBytes(4), 88200u * 4);

  // The last page claims more samples than the stream holds.
  Bytes ogg = ReadFile("tone.ogg");
  ForgeLastGranule(ogg, LastGranule(ogg) + 5000);
  WriteFile("short.ogg", ogg);
  EXPECT_FALSE(manager->LoadSoundIntoId(5, "short"));
  EXPECT_EQ(manager->CountLoadedSounds(), 1);
  EXPECT_EQ(manager->CreateInstance(5), nullptr);
  EXPECT_EQ(manager->FindOrLoadSound("short"), 5);  // the name is kept
  // The next kind is tried with the half-filled buffer already gone.
  WriteFile("short.au", Au(24, 4, 2, 8000, 1, Bytes{1, 2, 3, 4}));
  ASSERT_TRUE(manager->LoadSoundIntoId(5, "short"));
  EXPECT_EQ(manager->Device()->Mixer().VoiceCount(), 2u);  // ids 4 and 5, nothing left over
  EXPECT_EQ(FormatOf(5).samplesPerSec, 8000u);
}

TEST(soundloadBad, MalformedOggStreamsFailQuickly) {
  ScratchFolder scratch;
  if (!Generate("ogg", "t.ogg", 22050, 2, 88200, 300)) GTEST_SKIP() << "no test encoder for ogg";
  Bytes ogg = ReadFile("t.ogg");
  ASSERT_TRUE(ReadAs(ogg, &ReadOggSound).ok);
  Bytes huge = ogg;
  ForgeLastGranule(huge, 1ull << 40);
  Bytes negative = ogg;
  ForgeLastGranule(negative, 0x8000000000000000ull);
  Bytes garbage(3000);
  for (std::size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<std::uint8_t>(i * 131 + 7);
  struct Case {
    const char* what;
    Bytes file;
  } cases[] = {{"garbage", garbage},
               {"forged huge granule", huge},
               {"forged negative granule", negative},
               {"cut inside the headers", Bytes(ogg.begin(), ogg.begin() + 100)},
               {"empty", Bytes()}};
  for (const Case& c : cases) {
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(ReadAs(c.file, &ReadOggSound).ok) << c.what;
    EXPECT_LT(std::chrono::steady_clock::now() - start, kHangBound) << c.what;
  }
  // A stream cut in its audio reads as far as its last whole page or fails;
  // it never reads outside what it was given.
  Decoded cut = ReadAs(Bytes(ogg.begin(), ogg.begin() + ogg.size() / 2), &ReadOggSound);
  if (cut.ok) {
    EXPECT_LT(cut.pcm.size(), 88200u * 4);
  }
}

TEST_F(soundloadTest, KindsArePickedWavThenOggThenAuWithTheCacheFirst) {
  REQUIRE_GENERATED("ogg", "snd/k.ogg", 22050, 1, 2205, 440);
  WriteFile("snd/k.au", Au(24, 4, 2, 8000, 1, Bytes{1, 2, 3, 4}));
  WriteFile("snd/k.wav", Wav(1, 11025, 16, Pcm16({7, 7, 7})));
  ASSERT_TRUE(manager->LoadSoundIntoId(0, "snd/k"));
  EXPECT_EQ(FormatOf(0).samplesPerSec, 11025u);  // .wav
  EXPECT_EQ(manager->DecodeCount(), 0);
  std::remove("snd/k.wav");
  ASSERT_TRUE(manager->LoadSoundIntoId(0, "snd/k"));
  EXPECT_EQ(FormatOf(0).samplesPerSec, 22050u);  // .ogg, now cached
  EXPECT_EQ(manager->DecodeCount(), 1);
  // The cache comes before every kind, a new .wav included.
  WriteFile("snd/k.wav", Wav(1, 11025, 16, Pcm16({7, 7, 7})));
  ASSERT_TRUE(manager->LoadSoundIntoId(0, "snd/k"));
  EXPECT_EQ(FormatOf(0).samplesPerSec, 22050u);
  EXPECT_EQ(manager->DecodeCount(), 1);
  // Without .wav and .ogg (and without a cache) the .au loads.
  std::remove("snd/k.wav");
  std::remove("snd/k.ogg");
  std::remove((scratch.CacheFolder() + "snd/k.wav").c_str());
  ASSERT_TRUE(manager->LoadSoundIntoId(0, "snd/k"));
  EXPECT_EQ(FormatOf(0).samplesPerSec, 8000u);
  EXPECT_EQ(FormatOf(0).bitsPerSample, 8);
}

TEST_F(soundloadTest, CacheFileLayoutIsByteExact) {
  REQUIRE_GENERATED("ogg", "data/sound/click.ogg", 22050, 1, 1000, 440);
  SetMtime("data/sound/click.ogg", 1500000000);
  ASSERT_TRUE(manager->LoadSoundIntoId(9, "data/sound/click"));
  const std::string cache = scratch.CacheFolder() + "data/sound/click.wav";
  Bytes file = ReadFile(cache);
  const Bytes pcm = SamplesOf(9);
  const std::uint32_t D = static_cast<std::uint32_t>(pcm.size());
  ASSERT_EQ(D, 2000u);
  ASSERT_EQ(file.size(), 71u + 20u + D);
  // Header up to the samples, written out by hand: RIFF D+36, fmt mono
  // 22,050 Hz 16-bit, dep with the 20-byte source name and its file time
  // ((1500000000 + 11644473600) x 10^7), xor 0x9E, data D.
  const char* golden =
      "52494646 f4070000 57415645 666d7420 10000000 0100 0100 22560000 44ac0000 0200 1000 "
      "64657020 1e000000 1400 646174612f736f756e642f636c69636b2e6f6767 0000e07c 4afcd201 "
      "786f7220 01000000 9e 64617461 d0070000";
  Bytes expect;
  for (const char* p = golden; *p;) {
    if (*p == ' ') {
      ++p;
      continue;
    }
    expect.push_back(static_cast<std::uint8_t>(std::stoi(std::string(p, 2), nullptr, 16)));
    p += 2;
  }
  ASSERT_EQ(expect.size(), 71u + 20u);
  EXPECT_EQ(Bytes(file.begin(), file.begin() + 91), expect);
  for (std::uint32_t i = 0; i < D; ++i) ASSERT_EQ(file[91 + i], pcm[i] ^ 0x9E) << i;
  EXPECT_EQ(FileTimeOf("data/sound/click.ogg"), (1500000000ull + 11644473600ull) * 10000000ull);
}

TEST_F(soundloadTest, CacheIsReusedUntilTheSourceChanges) {
  REQUIRE_GENERATED("ogg", "data/sound/click.ogg", 22050, 1, 3000, 440);
  SetMtime("data/sound/click.ogg", 1500000000);
  ASSERT_TRUE(manager->LoadSoundIntoId(9, "data/sound/click"));
  const Bytes decoded = SamplesOf(9);
  EXPECT_EQ(manager->DecodeCount(), 1);
  ASSERT_TRUE(manager->LoadSoundIntoId(9, "data/sound/click"));
  EXPECT_EQ(manager->DecodeCount(), 1);  // read from the cache
  EXPECT_EQ(SamplesOf(9), decoded);      // exactly the decoded samples

  SetMtime("data/sound/click.ogg", 1600000000);  // touched
  ASSERT_TRUE(manager->LoadSoundIntoId(9, "data/sound/click"));
  EXPECT_EQ(manager->DecodeCount(), 2);
  ASSERT_TRUE(manager->LoadSoundIntoId(9, "data/sound/click"));
  EXPECT_EQ(manager->DecodeCount(), 2);  // the rewritten cache holds

  std::remove("data/sound/click.ogg");  // deleted: the cache is refused
  EXPECT_FALSE(manager->LoadSoundIntoId(9, "data/sound/click"));
  EXPECT_EQ(manager->CountLoadedSounds(), 0);
}

TEST_F(soundloadTest, ArchivedSoundsLoadAndTheirCacheIsNeverRefused) {
  REQUIRE_GENERATED("ogg", "gen/only.ogg", 22050, 1, 2205, 440);
  Bytes badChunk = RiffHeader();
  Chunk(badChunk, "junk", Bytes{1, 2, 3, 4}, 0xFFFFFFF8u);
  Chunk(badChunk, "data", Bytes{1, 2});
  Bytes hugeChunk = RiffHeader();
  Chunk(hugeChunk, "junk", Bytes{1, 2, 3, 4}, 0x80000000u);
  Chunk(hugeChunk, "data", Bytes{1, 2});
  std::vector<PakSourceFile> files = {{"pak\\only.ogg", ReadFile("gen/only.ogg"), FileTimeFromUnixSeconds(1400000000)},
                                      {"pak\\w.wav", Wav(1, 8000, 8, Bytes{1, 2, 3}), 0},
                                      {"pak\\bad1.wav", badChunk, 0},
                                      {"pak\\bad2.wav", hugeChunk, 0}};
  std::vector<std::uint8_t> image;
  std::string error;
  ASSERT_TRUE(BuildPakImage(files, image, error)) << error;
  ASSERT_NE(gPakInterface, nullptr);
  ASSERT_TRUE(gPakInterface->MountArchiveImage("sounds.pak", image.data(), image.size()));

  ASSERT_TRUE(manager->LoadSoundIntoId(1, "pak/w"));
  EXPECT_EQ(FormatOf(1).samplesPerSec, 8000u);
  // Found only in the archive: cached with time 0, and the cache then holds.
  ASSERT_TRUE(manager->LoadSoundIntoId(2, "pak/only"));
  EXPECT_EQ(manager->DecodeCount(), 1);
  Bytes cache = ReadFile(scratch.CacheFolder() + "pak/only.wav");
  ASSERT_EQ(cache.size(), 71u + 12u + 2205u * 2);
  EXPECT_EQ(Bytes(cache.begin() + 58, cache.begin() + 66), Bytes(8, 0));
  ASSERT_TRUE(manager->LoadSoundIntoId(2, "pak/only"));
  EXPECT_EQ(manager->DecodeCount(), 1);

  // Chunk sizes that would walk backwards fail at once, archived or loose.
  WriteFile("loose/bad1.wav", badChunk);
  WriteFile("loose/bad2.wav", hugeChunk);
  for (const char* name : {"pak/bad1", "pak/bad2", "loose/bad1", "loose/bad2"}) {
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(manager->LoadSoundIntoId(3, name)) << name;
    EXPECT_LT(std::chrono::steady_clock::now() - start, kHangBound) << name;
  }
  EXPECT_EQ(manager->CountLoadedSounds(), 2);
}

TEST_F(soundloadTest, NamesThatAreLongShortAbsoluteOrClimbOutSkipOrMissTheCache) {
  // Over 255 bytes: the stored name is cut when tested, so the file is
  // refused at every load and the source decoded again.
  const std::string longName = "l/" + std::string(150, 'a') + "/" + std::string(110, 'b');
  ASSERT_GT(longName.size() + 4, 255u);
  REQUIRE_GENERATED("ogg", longName + ".ogg", 8000, 1, 800, 200);
  ASSERT_TRUE(manager->LoadSoundIntoId(1, longName));
  ASSERT_TRUE(manager->LoadSoundIntoId(1, longName));
  EXPECT_EQ(manager->DecodeCount(), 2);
  EXPECT_TRUE(std::filesystem::exists(scratch.CacheFolder() + longName + ".wav"));

  const Bytes au = Au(24, 4, 1, 8000, 1, Bytes{1, 2, 3, 4});
  WriteFile("ab.au", au);
  WriteFile(scratch.Root() + "/abs/x.au", au);
  WriteFile("up/x.au", au);
  WriteFile(scratch.Root() + "/home/Korvandel/Quenvaroldi/x.au", au);
  EXPECT_FALSE(SoundNameIsCacheable("ab"));
  EXPECT_FALSE(SoundNameIsCacheable("/abs/x"));
  EXPECT_FALSE(SoundNameIsCacheable("\\abs\\x"));
  EXPECT_FALSE(SoundNameIsCacheable("C:x/y"));
  EXPECT_FALSE(SoundNameIsCacheable("up/../x"));
  EXPECT_FALSE(SoundNameIsCacheable("..\\x"));
  EXPECT_TRUE(SoundNameIsCacheable("a..b/x"));
  for (const std::string& name :
       {std::string("ab"), scratch.Root() + "/abs/x", std::string("up/../up/x"),
        std::string("../") + std::filesystem::path(scratch.Root()).filename().string() + "/ab"}) {
    const int before = manager->DecodeCount();
    ASSERT_TRUE(manager->LoadSoundIntoId(3, name)) << name;
    ASSERT_TRUE(manager->LoadSoundIntoId(3, name)) << name;
    EXPECT_EQ(manager->DecodeCount(), before + 2) << name;  // never cached
  }
  // Nothing was written beside or above the cache folder.
  EXPECT_FALSE(std::filesystem::exists(scratch.Root() + "/home/Korvandel/Quenvaroldi/up"));
  std::size_t files = 0;
  for (auto& e : std::filesystem::recursive_directory_iterator(scratch.Root() + "/home"))
    if (e.is_regular_file()) ++files;
  EXPECT_EQ(files, 2u);  // the long name's cache and the planted x.au
}

TEST_F(soundloadTest, Mp3LoadsOnlyWithTheSecondLibraryAndIsCached) {
  REQUIRE_GENERATED("mp3", "m/tune.mp3", 44100, 2, 44100, 440);
  EXPECT_FALSE(manager->LoadSoundIntoId(6, "m/tune"));  // the flag is off
  DSoundManager withLibrary(&gWindow, true);
  EXPECT_EQ(FmodLibraryRefCount(), 1);
  ASSERT_TRUE(withLibrary.LoadSoundIntoId(6, "m/tune"));
  EXPECT_EQ(withLibrary.DecodeCount(), 1);
  std::uint32_t bytes = withLibrary.SoundBytes(6);
  EXPECT_GE(bytes, 44100u * 4);  // at least the encoded second
  EXPECT_LE(bytes, 44100u * 4 + 4 * 4608);
  EXPECT_TRUE(std::filesystem::exists(scratch.CacheFolder() + "m/tune.wav"));
  ASSERT_TRUE(withLibrary.LoadSoundIntoId(6, "m/tune"));
  EXPECT_EQ(withLibrary.DecodeCount(), 1);
  EXPECT_EQ(withLibrary.SoundBytes(6), bytes);
}

TEST_F(soundloadTest, Mp3WhoseSampleWillNotLockFails) {
  REQUIRE_GENERATED("mp3", "m/tune.mp3", 22050, 1, 22050, 440);
  DSoundManager withLibrary(&gWindow, true);
  FmodInstance* table = AcquireFmodLibrary();
  auto lock = table->Sample_Lock;
  table->Sample_Lock = [](FmodSample*, int, int, void**, void**, unsigned*, unsigned*) { return 0; };
  EXPECT_FALSE(withLibrary.LoadSoundIntoId(6, "m/tune"));
  EXPECT_EQ(withLibrary.CountLoadedSounds(), 0);
  EXPECT_FALSE(std::filesystem::exists(scratch.CacheFolder() + "m/tune.wav"));  // no silence cached
  table->Sample_Lock = lock;
  ReleaseFmodLibrary();
  ASSERT_TRUE(withLibrary.LoadSoundIntoId(6, "m/tune"));
}

TEST(soundloadFmod, SampleCallsDecodeWavOggAndMp3) {
  ScratchFolder scratch;
  EXPECT_EQ(FmodLookup("_FSOUND_Sample_Load@16") != nullptr, true);
  for (const char* name : kFmodEntryNames) EXPECT_NE(FmodLookup(name), nullptr) << name;
  EXPECT_EQ(FmodLookup("_FSOUND_Nothing@0"), nullptr);
  FmodInstance* lib = AcquireFmodLibrary();
  WriteFile("w.wav", Wav(1, 8000, 8, Bytes{0x10, 0x20, 0x30}));
  FmodSample* s = lib->Sample_Load(-1, "w.wav", 0, 0);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(lib->Sample_GetMode(s) & (kFmodModeMono | kFmodMode8Bits), kFmodModeMono | kFmodMode8Bits);
  int freq = 0;
  lib->Sample_GetDefaults(s, &freq, nullptr, nullptr, nullptr);
  EXPECT_EQ(freq, 8000);
  EXPECT_EQ(lib->Sample_GetLength(s), 3u);
  void* p1 = nullptr;
  void* p2 = reinterpret_cast<void*>(1);
  unsigned n1 = 0, n2 = 7;
  ASSERT_TRUE(lib->Sample_Lock(s, 1, 2, &p1, &p2, &n1, &n2));
  EXPECT_EQ(static_cast<std::uint8_t*>(p1)[0], 0x20);
  EXPECT_EQ(n1, 2u);
  EXPECT_EQ(p2, nullptr);
  EXPECT_FALSE(lib->Sample_Lock(s, 2, 2, &p1, &p2, &n1, &n2));  // past the end
  EXPECT_TRUE(lib->Sample_Unlock(s, p1, p2, n1, n2));
  lib->Sample_Free(s);
  EXPECT_EQ(lib->Sample_Load(-1, "missing.wav", 0, 0), nullptr);
  if (Generate("ogg", "o.ogg", 11025, 2, 1000, 300)) {
    FmodSample* o = lib->Sample_Load(-1, "o.ogg", 0, 0);
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(lib->Sample_GetMode(o) & kFmodModeMono, 0u);
    EXPECT_EQ(lib->Sample_GetLength(o), 1000u);
    lib->Sample_Free(o);
  }
  ReleaseFmodLibrary();
  EXPECT_EQ(FmodLibraryRefCount(), 0);
}

TEST(soundloadTool, SndplayWritesAnAudibleWav) {
#ifdef SNDPLAY_PATH
  ScratchFolder scratch;
  WriteFile("data/sound/beep.wav", Wav(1, 22050, 16, Pcm16(Sine(22050, 2205, 880, 12000))));
  std::string cmd = std::string(SNDPLAY_PATH) + " data/sound/beep --out out.wav";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  Bytes wav = ReadFile("out.wav");
  ASSERT_GT(wav.size(), 44u + 4u * 4410u);
  std::vector<std::int16_t> samples((wav.size() - 44) / 2);
  for (std::size_t i = 0; i < samples.size(); ++i)
    samples[i] = static_cast<std::int16_t>(wav[44 + 2 * i] | (wav[45 + 2 * i] << 8));
  EXPECT_GT(Rms(samples, 0, 0, 4410), 1000.0);
  EXPECT_NE(std::system((std::string(SNDPLAY_PATH) + " data/sound/none --out x.wav 2>/dev/null").c_str()), 0);
  EXPECT_FALSE(std::ifstream("x.wav").good()) << "a sound that did not load leaves no file";

  // No device can open (an audio driver that does not exist): the run says
  // where the sound went instead of ending silently.
  std::string noDevice =
      "SDL_AUDIODRIVER=kivo-no-such-driver " + std::string(SNDPLAY_PATH) + " data/sound/beep 2> stderr.txt";
  EXPECT_EQ(std::system(noDevice.c_str()), 0);
  const Bytes said = ReadFile("stderr.txt");
  EXPECT_NE(std::string(said.begin(), said.end()).find("no audio device opened; the sound was mixed to memory"),
            std::string::npos);
#else
  GTEST_SKIP() << "sndplay not built";
#endif
}

namespace {

DSoundManager* gLoadingManager;
FmodSample* (*gRealSampleLoad)(int, const char*, unsigned, int);
struct SeenWhileLoading {
  bool instanceRefused = false;
  int freeId = -2;
  int loaded = -1;
} gSeen;

FmodSample* ObservingSampleLoad(int index, const char* name, unsigned mode, int offset) {
  gSeen.instanceRefused = gLoadingManager->CreateInstance(0) == nullptr;
  gSeen.freeId = gLoadingManager->FindFreeSoundId();
  gSeen.loaded = gLoadingManager->CountLoadedSounds();
  return gRealSampleLoad(index, name, mode, offset);
}

}  // namespace

TEST_F(soundloadTest, AnIdBeingLoadedIsReservedAndShowsNoSoundUntilDone) {
  REQUIRE_GENERATED("mp3", "r/tune.mp3", 22050, 1, 22050, 440);
  WriteFile("old.wav", Wav(1, 8000, 8, Bytes{1, 2, 3}));
  DSoundManager withLibrary(&gWindow, true);
  ASSERT_TRUE(withLibrary.LoadSoundIntoId(0, "old"));
  FmodInstance* table = AcquireFmodLibrary();
  gLoadingManager = &withLibrary;
  gRealSampleLoad = table->Sample_Load;
  table->Sample_Load = &ObservingSampleLoad;
  ASSERT_TRUE(withLibrary.LoadSoundIntoId(0, "r/tune"));
  table->Sample_Load = gRealSampleLoad;
  ReleaseFmodLibrary();
  // In the middle of the load the old sound is gone, the id plays nothing
  // and is not handed out as free.
  EXPECT_TRUE(gSeen.instanceRefused);
  EXPECT_EQ(gSeen.freeId, 1);
  EXPECT_EQ(gSeen.loaded, 0);
  // Afterwards it holds the new sound, and its cache file is complete.
  EXPECT_EQ(withLibrary.CountLoadedSounds(), 1);
  SoundInstance* i = withLibrary.CreateInstance(0);
  ASSERT_NE(i, nullptr);
  EXPECT_EQ(ReadFile(scratch.CacheFolder() + "r/tune.wav").size(), 71u + 10u + withLibrary.SoundBytes(0));
}
