// GIF reader: the first image of a GIF87a or GIF89a file, with its own LZW
// decoder. Indices beyond the colour table, and files with no table at all,
// give transparent black; a stream that ends early, or whose codes make no
// sense, stops decoding and leaves the rest of the image 0.
#include "resources/ImageLib.h"

#include <cstring>

namespace Kivo {
namespace ImageLib {

namespace {

constexpr int kLzwTableSize = 4096;
constexpr int kLzwStackSize = 4097;
constexpr int kMaxLzwBits = 12;

// Byte source with a small buffer, so the block parser can go byte by byte.
class GifByteReader {
 public:
  explicit GifByteReader(ImageInput& in) : mIn(in) {}

  // Next byte 0..255, or -1 at the end.
  int Get() {
    if (mPos == mEnd) {
      mEnd = mIn.Read(mBuffer, sizeof mBuffer);
      mPos = 0;
      if (mEnd == 0) return -1;
    }
    return mBuffer[mPos++];
  }

  bool GetBytes(uint8_t* out, size_t count) {
    for (size_t i = 0; i < count; ++i) {
      int c = Get();
      if (c < 0) return false;
      out[i] = uint8_t(c);
    }
    return true;
  }

  bool GetLe16(uint32_t& value) {
    uint8_t b[2];
    if (!GetBytes(b, 2)) return false;
    value = uint32_t(b[0]) | uint32_t(b[1]) << 8;
    return true;
  }

  // Skips a list of sub-blocks up to the zero-length terminator.
  bool SkipSubBlocks() {
    for (;;) {
      int length = Get();
      if (length < 0) return false;
      if (length == 0) return true;
      for (int i = 0; i < length; ++i)
        if (Get() < 0) return false;
    }
  }

 private:
  ImageInput& mIn;
  uint8_t mBuffer[4096];
  size_t mPos = 0;
  size_t mEnd = 0;
};

// Reads a colour table of `entries` triples into a zero-filled 256-entry table.
bool ReadColorTable(GifByteReader& reader, int entries, uint32_t table[256]) {
  std::memset(table, 0, 256 * sizeof(uint32_t));
  for (int i = 0; i < entries; ++i) {
    uint8_t rgb[3];
    if (!reader.GetBytes(rgb, 3)) return false;
    table[i] = 0xFF000000u | uint32_t(rgb[0]) << 16 | uint32_t(rgb[1]) << 8 | rgb[2];
  }
  return true;
}

// Reads the LZW codes, least significant bit first, from the data sub-blocks.
class GifCodeReader {
 public:
  explicit GifCodeReader(GifByteReader& reader) : mReader(reader) {}

  // False once the sub-blocks (or the file) run out.
  bool Read(int bits, int& code) {
    while (mBitCount < bits) {
      if (mBlockLeft == 0) {
        if (mEnded) return false;
        int length = mReader.Get();
        if (length <= 0) {
          mEnded = true;
          return false;
        }
        mBlockLeft = length;
      }
      int byte = mReader.Get();
      if (byte < 0) {
        mEnded = true;
        return false;
      }
      --mBlockLeft;
      mBits |= uint32_t(byte) << mBitCount;
      mBitCount += 8;
    }
    code = int(mBits & ((1u << bits) - 1));
    mBits >>= bits;
    mBitCount -= bits;
    return true;
  }

 private:
  GifByteReader& mReader;
  uint32_t mBits = 0;
  int mBitCount = 0;
  int mBlockLeft = 0;
  bool mEnded = false;
};

// Places decoded pixels row by row, in the interlaced pass order if asked.
class GifPixelSink {
 public:
  GifPixelSink(Image& image, bool interlaced, const uint32_t* table, int transparent)
      : mImage(image), mInterlaced(interlaced), mTable(table), mTransparent(transparent) {}

  bool Full() const { return mRow < 0; }

  void Put(uint8_t index) {
    uint32_t color = index == mTransparent ? 0u : mTable[index];
    mImage.pixels[size_t(mRow) * size_t(mImage.width) + size_t(mX)] = color;
    if (++mX == mImage.width) {
      mX = 0;
      NextRow();
    }
  }

 private:
  void NextRow() {
    if (!mInterlaced) {
      ++mRow;
      if (mRow >= mImage.height) mRow = -1;
      return;
    }
    static const int kStart[4] = {0, 4, 2, 1};
    static const int kStep[4] = {8, 8, 4, 2};
    mRow += kStep[mPass];
    // A pass whose first row lies beyond the image is skipped, so each row
    // is written exactly once.
    while (mRow >= mImage.height) {
      if (++mPass == 4) {
        mRow = -1;
        return;
      }
      mRow = kStart[mPass];
    }
  }

  Image& mImage;
  bool mInterlaced;
  const uint32_t* mTable;
  int mTransparent;
  int mX = 0;
  int mRow = 0;
  int mPass = 0;
};

void DecodeLzw(GifByteReader& reader, GifPixelSink& sink) {
  int minimumBits = reader.Get();
  // Above 8 bits a literal would not fit the 256-entry colour table (and
  // 12 or more leaves no room for codes at all).
  if (minimumBits < 1 || minimumBits > 8) return;

  const int clear = 1 << minimumBits;
  const int end = clear + 1;
  uint16_t prefix[kLzwTableSize];
  uint8_t suffix[kLzwTableSize];
  uint8_t stack[kLzwStackSize];
  for (int i = 0; i < clear; ++i) {
    prefix[i] = 0;
    suffix[i] = uint8_t(i);
  }

  GifCodeReader codes(reader);
  int codeBits = minimumBits + 1;
  int nextFree = clear + 2;
  int previous = -1;  // none since the last reset
  uint8_t firstChar = 0;

  while (!sink.Full()) {
    int code;
    if (!codes.Read(codeBits, code)) return;
    if (code == clear) {
      codeBits = minimumBits + 1;
      nextFree = clear + 2;
      previous = -1;
      continue;
    }
    if (code == end || code > nextFree) return;

    if (previous < 0) {
      // After a reset only a literal makes sense; anything else would refer
      // to a table entry that does not exist yet.
      if (code >= clear) return;
      firstChar = suffix[code];
      sink.Put(firstChar);
      previous = code;
      continue;
    }
    // A full table takes no more entries; without a clear code the stream
    // cannot go on meaningfully, so it is cut here.
    if (nextFree >= kLzwTableSize) return;

    int incoming = code;
    int depth = 0;
    if (code == nextFree) {
      stack[depth++] = firstChar;
      code = previous;
    }
    while (code >= clear) {
      if (depth >= kLzwStackSize - 1) return;
      stack[depth++] = suffix[code];
      code = prefix[code];
    }
    firstChar = suffix[code];
    stack[depth++] = firstChar;

    prefix[nextFree] = uint16_t(previous);
    suffix[nextFree] = firstChar;
    ++nextFree;
    if (nextFree == (1 << codeBits) && codeBits < kMaxLzwBits) ++codeBits;
    previous = incoming;

    while (depth > 0 && !sink.Full()) sink.Put(stack[--depth]);
  }
}

}  // namespace

ImagePtr DecodeGifImage(ImageInput& in) {
  GifByteReader reader(in);
  uint8_t signature[6];
  if (!reader.GetBytes(signature, 6)) return nullptr;
  if (std::memcmp(signature, "GIF87", 5) != 0 && std::memcmp(signature, "GIF89", 5) != 0) return nullptr;

  uint8_t screen[7];
  if (!reader.GetBytes(screen, 7)) return nullptr;
  uint32_t table[256];
  std::memset(table, 0, sizeof table);
  uint8_t screenFlags = screen[4];
  if ((screenFlags & 0x80) && !ReadColorTable(reader, 2 << (screenFlags & 7), table)) return nullptr;

  int transparent = -1;
  for (;;) {
    int c = reader.Get();
    if (c < 0 || c == ';') return nullptr;
    if (c == ',') break;
    if (c != '!') continue;

    int label = reader.Get();
    if (label < 0) return nullptr;
    if (label != 0xF9) {
      // Comments, application data (the loop count) and unknown extensions
      // carry nothing the image needs.
      if (!reader.SkipSubBlocks()) return nullptr;
      continue;
    }
    // Graphic control: the last sub-block counts.
    for (;;) {
      int length = reader.Get();
      if (length < 0) return nullptr;
      if (length == 0) break;
      uint8_t block[255];
      if (!reader.GetBytes(block, size_t(length))) return nullptr;
      if (length >= 4) transparent = (block[0] & 1) ? block[3] : -1;
    }
  }

  uint8_t descriptor[9];
  if (!reader.GetBytes(descriptor, 9)) return nullptr;
  uint32_t width = uint32_t(descriptor[4]) | uint32_t(descriptor[5]) << 8;
  uint32_t height = uint32_t(descriptor[6]) | uint32_t(descriptor[7]) << 8;
  uint8_t imageFlags = descriptor[8];
  if (!ImageSizeAllowed(width, height)) return nullptr;
  if ((imageFlags & 0x80) && !ReadColorTable(reader, 2 << (imageFlags & 7), table)) return nullptr;

  auto image = std::make_unique<Image>(int32_t(width), int32_t(height));
  GifPixelSink sink(*image, (imageFlags & 0x40) != 0, table, transparent);
  DecodeLzw(reader, sink);
  return image;
}

}  // namespace ImageLib
}  // namespace Kivo
