// The body the sound readers' fuzz targets share: the input becomes a memory
// file of the archive object, is opened through the file API and handed to
// one reader with a sink. A file that opens must give a source, and a read
// that succeeds must have filled what it asked for; either fault traps.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "audio/SoundReaders.h"
#include "audio/SoundSource.h"
#include "resources/PakInterface.h"

namespace testsupport {

// read(source, sink, &why) -> bool, one of the Read...Sound functions.
template <class Read>
int FuzzSoundReader(const std::uint8_t* data, std::size_t size, const char* name, Read read) {
  if (!Kivo::gPakInterface || !Kivo::gPakInterface->AddMemoryFile(name, std::vector<std::uint8_t>(data, data + size)))
    return 0;
  auto in = Kivo::OpenSoundFile(name);
  if (!in) __builtin_trap();
  Kivo::VectorPcmSink sink;
  std::string why;
  bool ok = read(*in, sink, &why);
  // A successful read filled exactly what it asked for.
  if (ok && (!sink.allocated || sink.bytes.empty())) __builtin_trap();
  return 0;
}

}  // namespace testsupport
