#include "shell/base/Buffer.h"

#include <climits>
#include <cstring>

namespace Kivo {

namespace {
// Writes stop short of the int range of the bit counters.
constexpr int64_t kMaxBits = INT32_MAX - 64;
}  // namespace

void Buffer::Reset() {
  mBytes.clear();
  bitCount_ = 0;
  readPosition_ = 0;
  writePosition_ = 0;
}

uint8_t& Buffer::ByteAt(size_t index) {
  // After Assign of fewer bytes the write position can lie past the array.
  if (index >= mBytes.size()) mBytes.resize(index + 1, 0);
  return mBytes[index];
}

void Buffer::EndWriteAt(int64_t position) {
  writePosition_ = static_cast<int32_t>(position);
  if (writePosition_ > bitCount_) bitCount_ = writePosition_;
}

void Buffer::PutByte(uint8_t value) {
  const int64_t w = writePosition_;
  if (w + 8 > kMaxBits) return;
  const int j = static_cast<int>(w % 8);
  if (j == 0) {
    if (static_cast<size_t>(w / 8) > mBytes.size()) mBytes.resize(static_cast<size_t>(w / 8), 0);
    mBytes.push_back(value);
  } else {
    ByteAt(static_cast<size_t>(w / 8)) |= static_cast<uint8_t>(value << j);
    mBytes.push_back(static_cast<uint8_t>(value >> (8 - j)));
  }
  EndWriteAt(w + 8);
}

void Buffer::PutBits(uint32_t value, int count) {
  if (count <= 0) return;
  if (count > 32) count = 32;
  int64_t w = writePosition_;
  if (w + count > kMaxBits) return;
  for (int i = 0; i < count; ++i) {
    if (w % 8 == 0) mBytes.push_back(0);
    if ((value >> i) & 1u) ByteAt(static_cast<size_t>(w / 8)) |= static_cast<uint8_t>(1u << (w % 8));
    ++w;
  }
  EndWriteAt(w);
}

void Buffer::PutBool(bool value) { PutByte(value ? 1 : 0); }

void Buffer::PutU16(uint16_t value) {
  PutByte(static_cast<uint8_t>(value & 0xFF));
  PutByte(static_cast<uint8_t>(value >> 8));
}

void Buffer::PutU32(uint32_t value) {
  for (int i = 0; i < 4; ++i) PutByte(static_cast<uint8_t>(value >> (8 * i)));
}

void Buffer::PutText(const std::string& text) {
  PutU16(static_cast<uint16_t>(text.size() & 0xFFFF));
  PutBlock(text.data(), text.size());
}

void Buffer::PutBlock(const void* data, size_t length) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  for (size_t i = 0; i < length; ++i) PutByte(p[i]);
}

bool Buffer::Assign(const void* data, size_t length) {
  if (length > static_cast<size_t>(INT32_MAX / 8) || (length > 0 && data == nullptr)) return false;
  const uint8_t* p = static_cast<const uint8_t*>(data);
  mBytes.assign(p, p + length);
  bitCount_ = static_cast<int32_t>(length * 8);
  return true;
}

uint8_t Buffer::TakeByte() {
  const int64_t r = readPosition_;
  if ((r + 7) / 8 >= static_cast<int64_t>(mBytes.size())) return 0;
  const size_t index = static_cast<size_t>(r / 8);
  const int j = static_cast<int>(r % 8);
  uint8_t value;
  if (j == 0) {
    value = mBytes[index];
  } else {
    value = static_cast<uint8_t>((mBytes[index] >> j) | (mBytes[index + 1] << (8 - j)));
  }
  readPosition_ += 8;
  return value;
}

uint32_t Buffer::TakeBits(int count, bool signExtend) {
  if (count > 32) count = 32;
  uint32_t result = 0;
  int taken = 0;
  uint32_t lastBit = 0;
  for (int i = 0; i < count; ++i) {
    const int64_t r = readPosition_;
    if (r / 8 >= static_cast<int64_t>(mBytes.size())) break;
    lastBit = (mBytes[static_cast<size_t>(r / 8)] >> (r % 8)) & 1u;
    ++readPosition_;
    result |= lastBit << i;
    ++taken;
  }
  // Bits count..31; none to set for a full 32-bit field (a shift by 32 would
  // be undefined).
  if (signExtend && taken > 0 && lastBit && count < 32) result |= ~0u << count;
  return result;
}

bool Buffer::TakeBool() { return TakeByte() != 0; }

uint16_t Buffer::TakeU16() {
  const uint16_t low = TakeByte();
  const uint16_t high = TakeByte();
  return static_cast<uint16_t>(low | (high << 8));
}

uint32_t Buffer::TakeU32() {
  uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value |= static_cast<uint32_t>(TakeByte()) << (8 * i);
  return value;
}

std::string Buffer::TakeText() {
  const int16_t length = static_cast<int16_t>(TakeU16());
  std::string text;
  if (length <= 0) return text;
  text.resize(static_cast<size_t>(length));
  for (int16_t i = 0; i < length; ++i) text[static_cast<size_t>(i)] = static_cast<char>(TakeByte());
  return text;
}

void Buffer::TakeBlock(void* out, size_t length) {
  uint8_t* p = static_cast<uint8_t*>(out);
  for (size_t i = 0; i < length; ++i) p[i] = TakeByte();
}

}  // namespace Kivo
