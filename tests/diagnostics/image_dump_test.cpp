// Screenshots and the image dump: numbering, the frame read back, the page
// against a golden file, the charges and the thumbnails.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "diagnostics/ImageDump.h"
#include "display/D3DInterface.h"
#include "display/D3DTextureData.h"
#include "image/surface/DDImage.h"
#include "image/MemoryImage.h"
#include "resources/ImageLib.h"
#include "tests/diagnostics/developer_support.h"

namespace devtest {
namespace {

constexpr int kF11 = 0x7A;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void Touch(const std::string& path) { std::ofstream(path, std::ios::binary) << "x"; }

SYSTEMTIME LocalTime(int year, int month, int weekday, int day, int hour, int minute, int second) {
  SYSTEMTIME t{};
  t.wYear = static_cast<WORD>(year);
  t.wMonth = static_cast<WORD>(month);
  t.wDayOfWeek = static_cast<WORD>(weekday);
  t.wDay = static_cast<WORD>(day);
  t.wHour = static_cast<WORD>(hour);
  t.wMinute = static_cast<WORD>(minute);
  t.wSecond = static_cast<WORD>(second);
  return t;
}

class Screenshots : public DevFixture {
 protected:
  void SetUp() override {
    DevFixture::SetUp();
    MakeApp();
    TurnKeysOn();
  }
  std::string Folder() const { return UserDataFolder() + "_screenshots/"; }
};

TEST_F(Screenshots, SavesTheFrameAsDrawnNumberedUpwards) {
  widget->Invalidate();
  ASSERT_TRUE(app->DrawFrame());
  std::vector<uint32_t> frame;
  int width = 0, height = 0;
  ASSERT_TRUE(Platform::LastFrame(&frame, &width, &height));

  Platform::AdvanceFakeClock(300);
  app->mFrameTimeDebt = 50.0;
  Press(kF11);
  EXPECT_EQ(app->mLastFrameTime, timeGetTime()) << "the frame timer is reset";
  EXPECT_EQ(app->mFrameTimeDebt, 0.0);
  ImageLib::ImagePtr shot = ImageLib::ReadPngImage(Folder() + "image1.png");
  ASSERT_NE(shot, nullptr);
  ASSERT_EQ(shot->width, width);
  ASSERT_EQ(shot->height, height);
  EXPECT_TRUE(shot->pixels == frame) << "pixel-equal to the presented frame";
  EXPECT_NE(app->mDisplay->drawSurface, nullptr) << "the surface goes back to the display";

  Press(kF11);
  EXPECT_TRUE(Exists(Folder() + "image2.png"));

  // The highest number counts; other names do not.
  std::remove((Folder() + "image2.png").c_str());
  Touch(Folder() + "image7.png");
  Touch(Folder() + "notes.png");
  Touch(Folder() + "image99.txt");
  EXPECT_EQ(NextScreenshotNumber(Folder()), 8);
  // Numbers the next one could not follow are skipped, not overflowed.
  Touch(Folder() + "image2147483647.png");
  Touch(Folder() + "image99999999999999999999.png");
  EXPECT_EQ(NextScreenshotNumber(Folder()), 8);
  Press(kF11);
  EXPECT_TRUE(Exists(Folder() + "image8.png"));
}

TEST_F(Screenshots, NothingWithoutADrawingSurface) {
  IDirectDrawSurface* surface = app->mDisplay->drawSurface;
  app->mDisplay->drawSurface = nullptr;
  Press(kF11);
  app->mDisplay->drawSurface = surface;
  EXPECT_FALSE(Exists(Folder() + "image1.png"));
}

// --- The dump, on an application without a display holding fixture images. ---

class Dump : public DevFixture {
 protected:
  void SetUp() override {
    DevFixture::SetUp();
    app = std::make_unique<DevApp>(folder);
    SetUserDataFolder(folder + "/");
    SetDumpClock([] { return LocalTime(2026, 12, 4, 10, 12, 58, 44); });
    native565.SetFormat(16, 0xF800, 0x7E0, 0x1F);
  }
  void TearDown() override {
    for (auto& image : images) {
      delete image->textureData;
      image->textureData = nullptr;
    }
    images.clear();
    SetDumpClock(nullptr);
    SetUserDataFolder("");
    DevFixture::TearDown();
  }
  MemoryImage& Add(int width, int height, const std::vector<uint32_t>& pixels = {}) {
    images.push_back(std::make_unique<MemoryImage>());
    MemoryImage& image = *images.back();
    if (width > 0) {
      std::vector<uint32_t> fill = pixels;
      fill.resize(static_cast<size_t>(width * height), 0xFF336699u);
      image.SetBits(fill.data(), width, height, true);
    }
    return image;
  }
  // The five kinds of the page, each with a different total.
  void AddFixtureImages() {
    MemoryImage& runs = Add(2, 1, {0xFFFF0000u, 0x800000FFu});  // 8 + native 8 + runs 2 + 2
    runs.GetAlphaRunTable();
    runs.GetAdditiveRunTable(native565);
    Add(0, 0);                                                     // nothing at all
    MemoryImage& palette = Add(4, 4, {0xFF000000u, 0xFFFFFFFFu});  // 1,040 + native 1,024
    ASSERT_TRUE(palette.ConvertToPalette());
    palette.GetNativeData(native565);
    palette.SetVolatile(true);
    palette.path = "images\\palette.png";
    MemoryImage& texture = Add(2, 2);  // 16 + 2,097,152
    texture.textureData = new TextureData();
    texture.textureData->textureBytes = 2097152;
    texture.textureData->format = kFormat8888;
    texture.path = "images/texture.jpg";
    MemoryImage& bits = Add(8, 8);  // 256
    bits.ForceAlphaFlags(true, true);
  }
  std::string DumpFolder() const { return folder + "/_dump/"; }

  NativeDisplay native565;
  std::vector<std::unique_ptr<MemoryImage>> images;
};

TEST_F(Dump, PageMatchesTheGoldenFile) {
  AddFixtureImages();
  ASSERT_EQ(system(("mkdir -p '" + DumpFolder() + "'").c_str()), 0);
  Touch(DumpFolder() + "stale.png");
  DumpImagesOf(*app);
  std::string golden = ReadFile(std::string(KIVO_SOURCE_DIR) + "/tests/diagnostics/data/imagelist.html");
  ASSERT_FALSE(golden.empty());
  EXPECT_EQ(ReadFile(DumpFolder() + "imagelist.html"), golden);
  EXPECT_FALSE(Exists(DumpFolder() + "stale.png")) << "the previous dump is removed first";
  EXPECT_EQ(app->mImageRegistry->RegisteredImages().size(), images.size()) << "the copies are gone again";
}

TEST_F(Dump, FilesInPageOrderAndNoneForAnImageWithoutPixels) {
  AddFixtureImages();
  DumpImagesOf(*app);
  // Page order: texture, palette, bits, runs, then the 0 x 0 image.
  const std::pair<int, int> sizes[] = {{2, 2}, {4, 4}, {8, 8}, {2, 1}};
  for (int k = 0; k < 4; ++k) {
    char name[32];
    std::snprintf(name, sizeof name, "img%04d.png", k);
    ImageLib::ImagePtr full = ImageLib::ReadPngImage(DumpFolder() + name);
    ASSERT_NE(full, nullptr) << name;
    EXPECT_EQ(full->width, sizes[k].first) << name;
    EXPECT_EQ(full->height, sizes[k].second) << name;
    std::snprintf(name, sizeof name, "thumb%04d.jpg", k);
    ImageLib::ImagePtr thumb = ImageLib::ReadJpegImage(DumpFolder() + name);
    ASSERT_NE(thumb, nullptr) << name;
    EXPECT_EQ(thumb->width, 64);
    EXPECT_EQ(thumb->height, 64);
  }
  ImageLib::ImagePtr palette = ImageLib::ReadPngImage(DumpFolder() + "img0001.png");
  EXPECT_EQ(palette->pixels[0], 0xFF000000u) << "a palette image is written from its palette form";
  EXPECT_EQ(palette->pixels[1], 0xFFFFFFFFu);
  EXPECT_FALSE(Exists(DumpFolder() + "img0004.png"));
  EXPECT_FALSE(Exists(DumpFolder() + "thumb0004.jpg"));
}

TEST_F(Dump, ChargesOfEachForm) {
  AddFixtureImages();
  struct Expected {
    int64_t bits, palette, texture, native, alphaRuns, additiveRuns;
  };
  const Expected expected[] = {
      {8, 0, 0, 8, 2, 2},         // runs (native data without a palette: 4n)
      {0, 0, 0, 0, 0, 0},         // 0 x 0
      {0, 1040, 0, 1024, 0, 0},   // palette with native data
      {16, 0, 2097152, 0, 0, 0},  // texture
      {256, 0, 0, 0, 0, 0},       // bits
  };
  for (size_t i = 0; i < images.size(); ++i) {
    ImageCharges c = ChargeImage(*images[i]);
    EXPECT_EQ(c.bits, expected[i].bits) << i;
    EXPECT_EQ(c.palette, expected[i].palette) << i;
    EXPECT_EQ(c.texture, expected[i].texture) << i;
    EXPECT_EQ(c.native, expected[i].native) << i;
    EXPECT_EQ(c.alphaRuns, expected[i].alphaRuns) << i;
    EXPECT_EQ(c.additiveRuns, expected[i].additiveRuns) << i;
    EXPECT_FALSE(c.hasSurface);
  }
}

TEST_F(Screenshots, ASurfaceImageIsChargedItsSurface) {
  DDImage image(app->mDisplay);
  std::vector<uint32_t> pixels(6, 0xFF112233u);
  image.SetBits(pixels.data(), 3, 2, true);
  image.surfaceWanted = true;
  image.DiscardBits();
  ASSERT_NE(image.surface, nullptr);
  ImageCharges c = ChargeImage(image);
  EXPECT_TRUE(c.hasSurface);
  EXPECT_EQ(c.surface, 24);
  EXPECT_EQ(c.Total(), 24) << "the surface alone holds it";
}

TEST(DumpThumbnail, SamplesPixelCentresAndSqueezesWideImages) {
  const uint32_t twoByOne[] = {0xFFFF0000u, 0xFF0000FFu};
  std::vector<uint32_t> thumb = MakeThumbnail(twoByOne, 2, 1);
  ASSERT_EQ(thumb.size(), 64u * 64u);
  for (int y : {0, 63})
    for (int x = 0; x < 64; ++x) ASSERT_EQ(thumb[static_cast<size_t>(y * 64 + x)], twoByOne[x < 32 ? 0 : 1]) << x;

  // 200 x 3: column x samples trunc(200 (x + 0.5)) / 64, row y trunc(3 (y + 0.5)) / 64.
  std::vector<uint32_t> wide(600);
  for (size_t i = 0; i < wide.size(); ++i) wide[i] = static_cast<uint32_t>(i);
  thumb = MakeThumbnail(wide.data(), 200, 3);
  for (auto [x, y] : {std::pair{0, 0}, {1, 21}, {63, 63}, {32, 22}}) {
    uint32_t sx = static_cast<uint32_t>(static_cast<int>(200 * (x + 0.5)) / 64);
    uint32_t sy = static_cast<uint32_t>(static_cast<int>(3 * (y + 0.5)) / 64);
    EXPECT_EQ(thumb[static_cast<size_t>(y * 64 + x)], sy * 200 + sx) << x << "," << y;
  }
}

TEST(DumpTime, FixedFormWithTheDayRightAligned) {
  EXPECT_EQ(FormatDumpTime(LocalTime(2026, 12, 4, 10, 12, 58, 44)), "Thu Dec 10 12:58:44 2026");
  EXPECT_EQ(FormatDumpTime(LocalTime(2026, 1, 0, 4, 7, 5, 9)), "Sun Jan  4 07:05:09 2026");
}

}  // namespace
}  // namespace devtest
