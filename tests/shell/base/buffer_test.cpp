#include <gtest/gtest.h>

#include "shell/base/Buffer.h"

using namespace Kivo;

namespace {
std::vector<uint8_t> Bytes(const Buffer& b) {
  return b.Data() ? std::vector<uint8_t>(b.Data(), b.Data() + b.ByteSize()) : std::vector<uint8_t>();
}
}  // namespace

TEST(Buffer, BitsAndBytesShareTheStreamWithoutAlignment) {
  Buffer b;
  b.PutBits(5, 3);
  b.PutByte(0xFF);
  EXPECT_EQ(Bytes(b), (std::vector<uint8_t>{0xFD, 0x07}));
  EXPECT_EQ(b.BitCount(), 11);
  EXPECT_EQ(b.ByteSize(), 2);
  EXPECT_EQ(b.TakeBits(3), 5u);
  EXPECT_EQ(b.TakeByte(), 0xFF);
  EXPECT_TRUE(b.Exhausted());
  EXPECT_EQ(b.RemainingBits(), 0);
}

TEST(Buffer, TakeBitsSignExtends) {
  struct Case {
    uint32_t bits;
    int count;
    bool sign;
    uint32_t expected;
  } cases[] = {
      {0b101, 3, true, static_cast<uint32_t>(-3)},
      {0b001, 3, true, 1},
      {0b101, 3, false, 5},
      {0x80000000u, 32, true, 0x80000000u},
      {0xFFFFFFFFu, 32, false, 0xFFFFFFFFu},
      {1, 1, true, 0xFFFFFFFFu},
      {0, 0, true, 0},
  };
  for (const auto& c : cases) {
    Buffer b;
    b.PutBits(c.bits, c.count);
    EXPECT_EQ(b.TakeBits(c.count, c.sign), c.expected) << c.bits << "/" << c.count;
  }
}

TEST(Buffer, ValuesRoundTripAtOddBitPositions) {
  Buffer b;
  b.PutBits(1, 1);
  b.PutBool(true);
  b.PutU16(0xBEEF);
  b.PutU32(0xDEADBEEFu);
  b.PutText("hello");
  const uint8_t block[3] = {1, 2, 255};
  b.PutBlock(block, 3);
  b.PutBits(0x2AAAAAA, 26);
  EXPECT_EQ(b.BitCount(), 1 + 8 + 16 + 32 + 16 + 40 + 24 + 26);

  EXPECT_EQ(b.TakeBits(1), 1u);
  EXPECT_TRUE(b.TakeBool());
  EXPECT_EQ(b.TakeU16(), 0xBEEF);
  EXPECT_EQ(b.TakeU32(), 0xDEADBEEFu);
  EXPECT_EQ(b.TakeText(), "hello");
  uint8_t out[3] = {};
  b.TakeBlock(out, 3);
  EXPECT_EQ(out[2], 255);
  EXPECT_EQ(b.TakeBits(26), 0x2AAAAAAu);
  EXPECT_TRUE(b.Exhausted());
}

TEST(Buffer, EmptyBuffer) {
  Buffer b;
  EXPECT_TRUE(b.Exhausted());
  EXPECT_EQ(b.Data(), nullptr);
  EXPECT_EQ(b.ByteSize(), 0);
  EXPECT_EQ(b.TakeU32(), 0u);
  EXPECT_EQ(b.TakeText(), "");
  EXPECT_EQ(b.ReadPosition(), 0);
}

TEST(Buffer, ReadsPastTheEndReturnZeroWithoutMoving) {
  Buffer b;
  b.PutBits(0x7, 3);
  b.TakeBits(3);
  EXPECT_EQ(b.TakeByte(), 0);  // would need a second byte
  EXPECT_EQ(b.ReadPosition(), 3);
  // A read past the bit count but inside the last byte sees its zero bits.
  EXPECT_EQ(b.TakeBits(5), 0u);
  EXPECT_EQ(b.ReadPosition(), 8);
  EXPECT_EQ(b.TakeBits(4), 0u);
  EXPECT_EQ(b.ReadPosition(), 8);
  EXPECT_EQ(b.TakeU16(), 0);
  EXPECT_EQ(b.RemainingBits(), 0);  // never negative
}

TEST(Buffer, AssignKeepsPositionsAndResetClearsAll) {
  Buffer b;
  b.PutU32(7);
  EXPECT_EQ(b.TakeU16(), 7);
  const uint8_t data[10] = {10, 11, 12, 13, 14, 15, 16, 17, 18, 19};
  ASSERT_TRUE(b.Assign(data, sizeof data));
  EXPECT_EQ(b.BitCount(), 80);
  EXPECT_EQ(b.ReadPosition(), 16);
  EXPECT_EQ(b.TakeByte(), 12);
  b.Rewind();
  EXPECT_EQ(b.TakeByte(), 10);
  b.Reset();
  EXPECT_EQ(b.Data(), nullptr);
  EXPECT_EQ(b.BitCount(), 0);
  EXPECT_EQ(b.ReadPosition(), 0);
  EXPECT_EQ(b.WritePosition(), 0);
}

TEST(Buffer, WritesAfterAShorterAssignStayInBounds) {
  Buffer b;
  for (int i = 0; i < 20; ++i) b.PutBits(1, 5);  // write position 100
  const uint8_t two[2] = {1, 2};
  ASSERT_TRUE(b.Assign(two, 2));
  b.PutBits(3, 3);
  b.PutByte(0xAB);
  EXPECT_GE(b.ByteSize(), 14);
  EXPECT_EQ(b.WritePosition(), 111);
}

TEST(Buffer, ReadPositionCanBeSavedAndRestored) {
  Buffer b;
  b.PutU16(0x1234);
  b.PutU16(0x5678);
  b.TakeBits(4);
  const int32_t saved = b.ReadPosition();
  EXPECT_EQ(b.RemainingBits(), 28);
  EXPECT_EQ(b.TakeU16(), 0x8123);
  b.SetReadPosition(saved);
  EXPECT_EQ(b.TakeU16(), 0x8123);
  b.SetReadPosition(-5);
  EXPECT_EQ(b.ReadPosition(), 0);
  b.SetReadPosition(1000);
  EXPECT_EQ(b.TakeU32(), 0u);
  EXPECT_TRUE(b.Exhausted());
}

TEST(Buffer, TextLengthIsSixteenBitsReadSigned) {
  Buffer b;
  b.PutText(std::string(40000, 'q'));  // length 40000 reads as negative
  b.PutText(std::string(32767, 'r'));
  EXPECT_EQ(b.TakeText(), "");
  // The bytes of the long text were left unread.
  b.SetReadPosition(16 + 40000 * 8);
  EXPECT_EQ(b.TakeText(), std::string(32767, 'r'));

  Buffer wrapped;
  wrapped.PutText(std::string(65536 + 3, 'w'));  // length stored as 3
  EXPECT_EQ(wrapped.TakeText(), "www");
}

TEST(Buffer, AssignRejectsWhatTheBitCountCannotHold) {
  Buffer b;
  b.PutByte(1);
  static const uint8_t byte = 0;
  EXPECT_FALSE(b.Assign(&byte, static_cast<size_t>(INT32_MAX / 8) + 1));
  EXPECT_FALSE(b.Assign(nullptr, 4));
  EXPECT_EQ(b.ByteSize(), 1);
  EXPECT_TRUE(b.Assign(nullptr, 0));
  EXPECT_EQ(b.Data(), nullptr);
}
