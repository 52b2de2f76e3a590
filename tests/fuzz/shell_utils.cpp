// Arbitrary bytes through the shell's parsers and the bit buffer's readers:
// every Take at every bit offset, the number parsers, entity decoding, path
// resolution and narrowing. Nothing may crash or read out of bounds.
#include <cstddef>
#include <cstdint>
#include <string>

#include "shell/base/Buffer.h"
#include "shell/base/Paths.h"
#include "shell/base/StringUtils.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Kivo::Buffer buffer;
  buffer.Assign(data, size);
  // The first byte picks the starting bit so unaligned reads are covered.
  buffer.SetReadPosition(size > 0 ? data[0] % 8 : 0);
  for (int round = 0; round < 64 && !buffer.Exhausted(); ++round) {
    const uint8_t op = buffer.TakeByte();
    switch (op % 9) {
      case 0: buffer.TakeBits(op % 33, (op & 0x80) != 0); break;
      case 1: buffer.TakeBool(); break;
      case 2: buffer.TakeU16(); break;
      case 3: buffer.TakeU32(); break;
      case 4: buffer.TakeText(); break;
      case 5: {
        uint8_t block[16];
        buffer.TakeBlock(block, op % sizeof block);
        break;
      }
      case 6: {
        const int32_t saved = buffer.ReadPosition();
        buffer.TakeU32();
        buffer.SetReadPosition(saved + (op % 3));
        break;
      }
      case 7: buffer.PutBits(op, op % 33); break;
      default: buffer.PutByte(op); break;
    }
    (void)buffer.RemainingBits();
  }

  const std::string text(reinterpret_cast<const char*>(data), size);
  std::wstring wide;
  for (size_t i = 0; i + 1 < size; i += 2) {
    wide += static_cast<wchar_t>(data[i] | (data[i + 1] << 8) | ((data[i] & 1) ? 0x10000 : 0));
  }
  int32_t integer = 0;
  double number = 0.0;
  Kivo::ParseInt(text, integer);
  Kivo::ParseIntWide(wide, integer);
  Kivo::ParseDouble(text, number);
  Kivo::ParseDoubleWide(wide, number);
  Kivo::DecodeXmlEntities(wide);
  Kivo::DecodeXmlEntities(Kivo::Widen(text));
  Kivo::Narrow(wide);
  Kivo::Narrow(Kivo::Widen(text));
  const size_t half = size / 2;
  Kivo::ResolvePath(text.substr(0, half), text.substr(half));
  Kivo::PathFileName(text, true);
  Kivo::PathFolder(text, true);
  Kivo::FindIgnoreCase(text.substr(half), text.substr(0, half));
  return 0;
}
