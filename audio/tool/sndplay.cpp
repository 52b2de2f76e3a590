// sndplay NAME [--out FILE.wav]
// Plays one sound (a name without extension, as the resource manifest gives
// it) through the sound manager, with "main.pak" in the working folder
// mounted when there is one. With --out the mix goes headless into a
// 44,100 Hz 16-bit stereo WAV file; otherwise to the audio device, and when
// none opens it is mixed to memory and a line on stderr says so. Exit code
// 0 when the sound played, 1 when it did not load, 2 on a usage error.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "audio/DSoundManager.h"
#include "platform/headless/AudioHeadless.h"
#include "resources/PakInterface.h"

using namespace Kivo;

int main(int argc, char** argv) {
  std::string name, out;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--out") == 0 && i + 1 < argc)
      out = argv[++i];
    else if (argv[i][0] != '-' && name.empty())
      name = argv[i];
    else {
      std::fprintf(stderr, "usage: sndplay NAME [--out FILE.wav]\n");
      return 2;
    }
  }
  if (name.empty()) {
    std::fprintf(stderr, "usage: sndplay NAME [--out FILE.wav]\n");
    return 2;
  }
  // As the game does: an archive in the working folder is searched first.
  if (gPakInterface) gPakInterface->MountArchive("main.pak");
  HeadlessAudioOutput* headless = nullptr;
  if (!out.empty()) {
    DSoundTestSeams().outputFactory = [&headless]() {
      auto output = std::make_unique<HeadlessAudioOutput>(false);
      headless = output.get();
      return std::unique_ptr<AudioOutput>(std::move(output));
    };
  }
  static int window;  // any non-null window: the manager only passes it on
  DSoundManager manager(&window, true);
  // Headless runs have no device to wait for: mix into nothing at once.
  if (!headless && manager.Device()) headless = dynamic_cast<HeadlessAudioOutput*>(manager.Device()->Output());
  // The device was asked for and none opened: say so rather than end as if
  // the sound had been heard.
  const bool mixedToMemory = out.empty() && headless != nullptr;
  // The sound is loaded before the WAV file is opened: a sound that does not
  // load leaves no file behind.
  int id = manager.FindOrLoadSound(name);
  SoundInstance* instance = id >= 0 && manager.CountLoadedSounds() > 0 ? manager.CreateInstance(id) : nullptr;
  if (!instance) {
    std::fprintf(stderr, "sndplay: failed to load sound: %s\n", name.c_str());
    return 1;
  }
  if (!out.empty() && !headless->OpenWav(out)) {
    std::fprintf(stderr, "sndplay: cannot write %s\n", out.c_str());
    std::remove(out.c_str());
    return 1;
  }
  if (!instance->Play(false, false)) {
    std::fprintf(stderr, "sndplay: failed to play sound: %s\n", name.c_str());
    if (!out.empty()) {
      headless->CloseWav();
      std::remove(out.c_str());
    }
    return 1;
  }
  const std::uint32_t kStep = 4410;
  const std::uint64_t kLimitFrames = 600ull * 44100;  // ten minutes
  std::uint64_t frames = 0;
  while (instance->IsPlaying() && frames < kLimitFrames) {
    if (headless)
      headless->Render(kStep, nullptr);
    else
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    frames += kStep;
  }
  if (!out.empty()) {
    headless->Render(kStep, nullptr);  // a short tail of silence
    if (!headless->CloseWav()) {
      std::fprintf(stderr, "sndplay: cannot finish %s\n", out.c_str());
      std::remove(out.c_str());
      return 1;
    }
  }
  instance->Release();
  if (mixedToMemory) std::fprintf(stderr, "sndplay: no audio device opened; the sound was mixed to memory\n");
  return 0;
}
