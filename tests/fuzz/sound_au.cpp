// Fuzzes the AU reader through the file API, reading the input as a memory
// file of the archive object.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "audio/SoundReaders.h"
#include "audio/SoundSource.h"
#include "resources/PakInterface.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const char* kName = "fuzz/input.au";
  if (!Kivo::gPakInterface || !Kivo::gPakInterface->AddMemoryFile(kName, std::vector<std::uint8_t>(data, data + size)))
    return 0;
  auto in = Kivo::OpenSoundFile(kName);
  if (!in) __builtin_trap();
  Kivo::VectorPcmSink sink;
  std::string why;
  bool ok = Kivo::ReadAuSound(*in, sink, &why);
  // A successful read filled exactly what it asked for.
  if (ok && (!sink.allocated || sink.bytes.empty())) __builtin_trap();
  return 0;
}
