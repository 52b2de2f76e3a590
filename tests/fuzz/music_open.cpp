// Opens the input as a music file through the stream-and-module library
// stand-in and renders a little of it. The first byte chooses the kind: even
// opens a stream (WAV, Ogg Vorbis, MPEG audio), odd a tracker module; the
// rest is the file. A stream also gets a byte position from the second byte.
#include "platform/devices/DSound.h"
#include "platform/devices/MusicChannel.h"
#include "platform/devices/StreamMusicLib.h"
#include "platform/headless/AudioHeadless.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

using namespace Kivo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  // One mixer for the whole run, rendered by hand.
  static HeadlessAudioOutput* output = [] {
    auto out = std::make_unique<HeadlessAudioOutput>(false);
    HeadlessAudioOutput* raw = out.get();
    DSoundDevice* device = DSoundDevice::CreateWithOutput(std::move(out));
    MusicOutput::SetDevice(device);
    device->Release();
    return raw;
  }();
  const bool module = data[0] & 1;
  const uint8_t jump = data[1];
  std::vector<uint8_t> file(data + 2, data + size);
  StreamMusicLib::SetFileReader([&file](const std::string&, std::vector<uint8_t>& bytes, std::string&) {
    bytes = file;
    return true;
  });
  StreamMusicLib::Init(1, 44100, 0, nullptr, nullptr);
  StreamMusicLib::Handle h = module ? StreamMusicLib::MusicLoad(0, "fuzz", 0, 0, 0x204, 0)
                                    : StreamMusicLib::StreamCreateFile(0, "fuzz", 0, 0, 0);
  if (h) {
    StreamMusicLib::ChannelSetFlags(h, StreamMusicLib::kFlagLoop);
    StreamMusicLib::ChannelPlay(h, 1);
    output->Render(2048, nullptr);
    if (module)
      StreamMusicLib::ChannelSetPosition(h, static_cast<uint64_t>(static_cast<int64_t>(int32_t(0x80000000u | jump))));
    else
      StreamMusicLib::ChannelSetPosition(h, static_cast<uint64_t>(jump) * 4096);
    output->Render(2048, nullptr);
    if (module)
      StreamMusicLib::MusicFree(h);
    else
      StreamMusicLib::StreamFree(h);
  }
  StreamMusicLib::Free();
  StreamMusicLib::SetFileReader(nullptr);
  return 0;
}
