// A growable bit stream, least-significant bit first. The demo journal, its
// journalled records and whole files read through the journal live in one.
//
// Multi-byte values are little-endian and are written at the current bit
// position without alignment. Writes append at the write position; reads run
// from the read position and never fail: past the end a read returns 0 (or
// the bits that were there) and the caller checks Exhausted() or
// RemainingBits(). Texts carry a 16-bit length read back as signed, so only
// texts shorter than 32,768 bytes come back whole; callers that store longer
// texts must cap them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Kivo {

class Buffer {
 public:
  Buffer() = default;
  Buffer(const Buffer&) = default;
  Buffer& operator=(const Buffer&) = default;
  virtual ~Buffer() = default;

  void Rewind() { readPosition_ = 0; }
  void Reset();

  void PutByte(uint8_t value);
  void PutBits(uint32_t value, int count);  // the low count (0..32) bits
  void PutBool(bool value);                 // one whole byte
  void PutU16(uint16_t value);
  void PutU32(uint32_t value);
  void PutText(const std::string& text);  // length modulo 65,536, then the bytes
  void PutBlock(const void* data, size_t length);
  // Replaces the bytes with a copy; the bit count becomes 8 x length and the
  // read and write positions stay. False (buffer unchanged) when the data is
  // too large for the 32-bit bit count.
  bool Assign(const void* data, size_t length);

  uint8_t TakeByte();
  // count (0..32) bits; with signExtend a set last bit fills bits count..31.
  uint32_t TakeBits(int count, bool signExtend = false);
  bool TakeBool();
  uint16_t TakeU16();
  uint32_t TakeU32();
  std::string TakeText();
  void TakeBlock(void* out, size_t length);

  // The first byte, or null when the buffer holds none.
  const uint8_t* Data() const { return mBytes.empty() ? nullptr : mBytes.data(); }
  int32_t ByteSize() const { return static_cast<int32_t>((int64_t{bitCount_} + 7) / 8); }
  int32_t BitCount() const { return bitCount_; }
  bool Exhausted() const { return readPosition_ >= bitCount_; }
  // Valid bits after the read position; never below 0.
  int32_t RemainingBits() const { return readPosition_ >= bitCount_ ? 0 : bitCount_ - readPosition_; }

  // Readers that look ahead save and restore the read position. Negative
  // positions are taken as 0.
  int32_t ReadPosition() const { return readPosition_; }
  void SetReadPosition(int32_t position) { readPosition_ = position < 0 ? 0 : position; }
  int32_t WritePosition() const { return writePosition_; }

 private:
  void EndWriteAt(int64_t position);
  uint8_t& ByteAt(size_t index);  // grows the array when a write lands past it

  std::vector<uint8_t> mBytes;
  int32_t bitCount_ = 0;
  int32_t readPosition_ = 0;
  int32_t writePosition_ = 0;
};

}  // namespace Kivo
