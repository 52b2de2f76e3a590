// JPEG-2000 reading through the run-time codec table.
#include <gtest/gtest.h>

#include <thread>

#include "resources/J2kCodec.h"
#include "tests/resources/imagelib_fixtures.h"

using namespace imagelib_test;
using namespace Kivo::ImageLib;
namespace J2k = Kivo::J2kCodec;

namespace {

// Loads the codec for one test and drops it afterwards.
class ImageLibJ2k : public testing::Test {
 protected:
  void SetUp() override { LoadJ2kCodec(); }
  void TearDown() override { FreeJ2kCodec(); }
};

struct Planes {
  uint32_t width, height;
  std::vector<std::vector<int>> planes;
  uint32_t Argb(size_t i) const {
    if (planes.size() == 1) return 0xFF000000u | uint32_t(planes[0][i]) * 0x010101u;
    uint32_t a = planes.size() == 4 ? uint32_t(planes[3][i]) : 255u;
    return a << 24 | uint32_t(planes[0][i]) << 16 | uint32_t(planes[1][i]) << 8 | uint32_t(planes[2][i]);
  }
};

Planes MakePlanes(uint32_t width, uint32_t height, size_t count) {
  Planes p{width, height, std::vector<std::vector<int>>(count)};
  for (size_t c = 0; c < count; ++c)
    for (uint32_t i = 0; i < width * height; ++i) p.planes[c].push_back(int((i * (c + 3) * 7 + c * 50) % 256));
  return p;
}

TEST_F(ImageLibJ2k, BoxFileAndCodestreamDecodeOpaque) {
  struct Case {
    bool jp2;
    size_t components;
  } cases[] = {{true, 3}, {false, 3}, {false, 1}, {true, 4}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.jp2 ? "jp2 " : "j2k ") << c.components);
    Planes p = MakePlanes(21, 13, c.components);
    ImagePtr image = DecodeBytes(DecodeJ2kImage, J2kBytes(c.jp2, p.width, p.height, p.planes));
    ASSERT_TRUE(image);
    ASSERT_EQ(image->width, 21);
    ASSERT_EQ(image->height, 13);
    for (size_t i = 0; i < image->pixels.size(); ++i) {
      // The reader makes every pixel opaque, whatever the file's alpha.
      uint32_t expected = p.Argb(i) | 0xFF000000u;
      ASSERT_LE(ChannelDistance(image->pixels[i], expected), 2) << i;
    }
  }
}

TEST_F(ImageLibJ2k, OtherPrecisionsAreScaledToEightBits) {
  Planes p = MakePlanes(4, 4, 3);
  for (auto& plane : p.planes)
    for (int& v : plane) v = v * 4;  // 10-bit samples
  ImagePtr image = DecodeBytes(DecodeJ2kImage, J2kBytes(false, 4, 4, p.planes, 10));
  ASSERT_TRUE(image);
  for (size_t i = 0; i < 16; ++i) {
    uint32_t r = uint32_t(p.planes[0][i]) * 255 / 1023;
    EXPECT_LE(std::abs(int((image->pixels[i] >> 16) & 0xFF) - int(r)), 1) << i;
  }
}

TEST_F(ImageLibJ2k, GarbageAndTruncatedFilesGiveNull) {
  Planes p = MakePlanes(16, 16, 3);
  Bytes good = J2kBytes(false, 16, 16, p.planes);
  EXPECT_FALSE(DecodeBytes(DecodeJ2kImage, Bytes(200, 0x5A)));
  EXPECT_FALSE(DecodeBytes(DecodeJ2kImage, Bytes()));
  EXPECT_FALSE(DecodeBytes(DecodeJ2kImage, Bytes(good.begin(), good.begin() + 4)));
  EXPECT_FALSE(DecodeBytes(DecodeJ2kImage, Bytes(good.begin(), good.begin() + 30)));
}

TEST_F(ImageLibJ2k, DecodeChecksItsArguments) {
  Planes p = MakePlanes(8, 6, 3);
  Bytes bytes = J2kBytes(false, 8, 6, p.planes);
  struct Case {
    const char* options;
    int size;
    int pitch;
    int expected;
  } cases[] = {
      {"bpp=4,rl=0", 8 * 6 * 4, 32, J2k::kOk},
      {"bpp=3,rl=0", 8 * 6 * 4, 32, J2k::kErrorUnsupported},
      {"bpp=4,rl=0", 8 * 6 * 4 - 1, 32, J2k::kErrorBufferTooSmall},
      {"bpp=4,rl=0", 8 * 6 * 4, 28, J2k::kErrorBufferTooSmall},
      {"bpp=4,rl=0", 9 * 6 * 4, 36, J2k::kOk},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.options << " " << c.size << " " << c.pitch);
    MemoryImageInput in(bytes.data(), bytes.size());
    J2k::FileCallbacks callbacks = {
        [](void* f, int offset) { return static_cast<ImageInput*>(f)->Seek(offset) ? 0 : -1; },
        [](void* buffer, int size, void* f) { return int(static_cast<ImageInput*>(f)->Read(buffer, size_t(size))); },
        [](void*) {}};
    J2k::Decoder* d = J2k::OpenCustom(&in, &callbacks);
    ASSERT_TRUE(d);
    int w = 0, h = 0, n = 0;
    ASSERT_EQ(J2k::GetInfo(d, &w, &h, &n), 0);
    EXPECT_EQ(w, 8);
    EXPECT_EQ(h, 6);
    EXPECT_EQ(n, 3);
    std::vector<uint32_t> buffer(size_t(c.size) / 4 + 1, 0xDEADBEEFu);
    unsigned char* bits = reinterpret_cast<unsigned char*>(buffer.data());
    int size = c.size, pitch = c.pitch;
    EXPECT_EQ(J2k::Decode(d, &bits, &size, c.options, &pitch), c.expected);
    if (c.expected == J2k::kOk) {
      EXPECT_EQ(buffer[size_t(pitch / 4) + 1], p.Argb(9));  // row 1, column 1
    } else {
      EXPECT_EQ(J2k::GetLastError(), c.expected);
      EXPECT_STRNE(J2k::GetErrorStr(c.expected), "");
    }
    J2k::Close(d);
  }
  EXPECT_EQ(J2k::OpenCustom(nullptr, nullptr), nullptr);
  EXPECT_EQ(J2k::GetLastError(), J2k::kErrorBadArgument);
}

TEST(ImageLibJ2kTable, UnusableTablesAreDroppedWithoutSecondLookup) {
  Planes p = MakePlanes(4, 4, 3);
  Bytes bytes = J2kBytes(true, 4, 4, p.planes);

  auto missing = J2k::Table::Standard();
  missing->Remove("_J2K_Decode@20");
  auto old = J2k::Table::Standard();
  old->Set("_J2K_getVersion@0", reinterpret_cast<J2k::AnyFunction>(+[]() { return 0x11FFFF; }));

  for (const auto& table : {missing, old}) {
    LoadJ2kCodec(table);
    EXPECT_FALSE(DecodeBytes(DecodeJ2kImage, bytes));
    int lookups = table->LookupCount();
    EXPECT_GT(lookups, 0);
    EXPECT_FALSE(DecodeBytes(DecodeJ2kImage, bytes));
    EXPECT_EQ(table->LookupCount(), lookups);
  }

  // The standard table is looked up once and kept.
  auto standard = J2k::Table::Standard();
  LoadJ2kCodec(standard);
  EXPECT_TRUE(DecodeBytes(DecodeJ2kImage, bytes));
  int lookups = standard->LookupCount();
  EXPECT_EQ(lookups, 9);
  EXPECT_TRUE(DecodeBytes(DecodeJ2kImage, bytes));
  EXPECT_EQ(standard->LookupCount(), lookups);
  EXPECT_GT(J2k::GetVersion(), 0x11FFFF);

  FreeJ2kCodec();
  EXPECT_FALSE(DecodeBytes(DecodeJ2kImage, bytes));
}

TEST_F(ImageLibJ2k, ThreadsDecodeAtTheSameTime) {
  // The first reads of both threads race for the entry-point look-up.
  FreeJ2kCodec();
  auto table = J2k::Table::Standard();
  LoadJ2kCodec(table);
  Planes p = MakePlanes(12, 9, 3);
  Bytes bytes = J2kBytes(true, 12, 9, p.planes);
  auto worker = [&bytes](int& decoded) {
    for (int i = 0; i < 20; ++i) decoded += DecodeBytes(DecodeJ2kImage, bytes) ? 1 : 0;
  };
  int a = 0, b = 0;
  std::thread ta(worker, std::ref(a)), tb(worker, std::ref(b));
  ta.join();
  tb.join();
  EXPECT_EQ(a, 20);
  EXPECT_EQ(b, 20);
  EXPECT_EQ(table->LookupCount(), 9);
}

}  // namespace
