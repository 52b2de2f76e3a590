// Fuzzes the reader of Ogg Vorbis files over a memory source.
#include <cstddef>
#include <cstdint>
#include <string>

#include "audio/SoundReaders.h"
#include "audio/SoundSource.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto in = Kivo::MemorySoundSource(data, size);
  Kivo::VectorPcmSink sink;
  std::string why;
  bool ok = Kivo::ReadOggSound(*in, sink, &why);
  // A successful read filled exactly what it asked for.
  if (ok && (!sink.allocated || sink.bytes.empty())) __builtin_trap();
  return 0;
}
