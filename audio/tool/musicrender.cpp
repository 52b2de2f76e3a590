// musicrender IN OUT.wav [--fade-in SPEED] [--seconds N]
// Plays a music file (from "main.pak" in the working folder when it holds
// the name, else from the folders) through the default music player without
// a sound device, 441 frames after each update (100 updates a second), writes the
// output as a 16-bit stereo 44.1 kHz WAV file and prints the RMS level of
// every second. Exit code 1 when the song does not load or the WAV cannot be
// written, 2 for a bad command line.
#include "audio/BassMusicInterface.h"
#include "platform/devices/DSound.h"
#include "platform/devices/MusicChannel.h"
#include "platform/devices/StreamMusicLib.h"
#include "platform/headless/AudioHeadless.h"
#include "resources/PakInterface.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

void PutLe(std::FILE* f, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) std::fputc(static_cast<int>((v >> (8 * i)) & 0xFF), f);
}

bool WriteWav(const std::string& path, const std::vector<int16_t>& samples) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const uint32_t data = static_cast<uint32_t>(samples.size() * 2);
  std::fwrite("RIFF", 1, 4, f);
  PutLe(f, 36 + data, 4);
  std::fwrite("WAVEfmt ", 1, 8, f);
  PutLe(f, 16, 4);
  PutLe(f, 1, 2);
  PutLe(f, 2, 2);
  PutLe(f, 44100, 4);
  PutLe(f, 44100 * 4, 4);
  PutLe(f, 4, 2);
  PutLe(f, 16, 2);
  std::fwrite("data", 1, 4, f);
  PutLe(f, data, 4);
  for (int16_t s : samples) PutLe(f, static_cast<uint16_t>(s), 2);
  return std::fclose(f) == 0;
}

int Usage() {
  std::fprintf(stderr, "usage: musicrender IN OUT.wav [--fade-in SPEED] [--seconds N]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  const std::string in = argv[1];
  const std::string out = argv[2];
  double fadeSpeed = 0;
  double seconds = 3;
  for (int i = 3; i < argc; ++i) {
    if (std::strcmp(argv[i], "--fade-in") == 0 && i + 1 < argc) {
      fadeSpeed = std::atof(argv[++i]);
    } else if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) {
      seconds = std::atof(argv[++i]);
    } else {
      return Usage();
    }
  }
  if (!(seconds > 0 && seconds <= 3600) || !(fadeSpeed >= 0 && fadeSpeed <= 1)) return Usage();

  // As the game does: an archive in the working folder is searched first.
  if (Kivo::gPakInterface) Kivo::gPakInterface->MountArchive("main.pak");
  // The mixer renders only when asked: 441 frames after each update.
  auto output = std::make_unique<Kivo::HeadlessAudioOutput>(false);
  Kivo::HeadlessAudioOutput* headless = output.get();
  Kivo::DSoundDevice* device = Kivo::DSoundDevice::CreateWithOutput(std::move(output));
  Kivo::MusicOutput::SetDevice(device);
  Kivo::BassMusicInterface player(nullptr);
  if (!player.LoadSong(0, in)) {
    std::fprintf(stderr, "musicrender: cannot play %s: %s\n", in.c_str(), Kivo::StreamMusicLib::LastError().c_str());
    return 1;
  }
  if (fadeSpeed > 0)
    player.FadeInSong(0, 0, fadeSpeed, false);
  else
    player.PlaySong(0, 0, false);

  const int updates = static_cast<int>(std::lround(seconds * 100));
  std::vector<int16_t> all;
  all.reserve(static_cast<size_t>(updates) * 441 * 2);
  double sum = 0;
  size_t counted = 0;
  int second = 0;
  for (int u = 1; u <= updates; ++u) {
    player.Update();
    std::vector<int16_t> block = headless->Render(441);
    for (int16_t s : block) sum += static_cast<double>(s) * s;
    counted += block.size();
    all.insert(all.end(), block.begin(), block.end());
    if (u % 100 == 0 || u == updates) {
      std::printf("second %d: rms %.1f\n", ++second, std::sqrt(sum / static_cast<double>(counted)));
      sum = 0;
      counted = 0;
    }
  }
  player.StopAllSongs();
  if (!WriteWav(out, all)) {
    std::fprintf(stderr, "musicrender: cannot write %s\n", out.c_str());
    return 1;
  }
  return 0;
}
