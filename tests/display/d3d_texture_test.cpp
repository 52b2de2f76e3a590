// Texture records: piece sizes and grids, format choice, uploads into kept
// or new pieces, palettised re-uploads, read-back, and images without pixels.
#include <vector>

#include "display/D3DTextureData.h"
#include "image/MemoryImage.h"
#include "tests/platform/devices/d3d_fixture.h"

namespace {

using Kivo::MemoryImage;
using Kivo::TextureData;

// Device limits of a capable card: 1 to 1024, any aspect.
void WideLimits() {
  Kivo::gMinTextureWidth = Kivo::gMinTextureHeight = 1;
  Kivo::gMaxTextureWidth = Kivo::gMaxTextureHeight = 1024;
  Kivo::gMaxTextureAspect = 65536;
}

TEST(TexturePieces, TableKeepsPiecesLargeWithLittleWaste) {
  const int table[][2] = {{1, 1},     {3, 4},     {64, 64},   {65, 128},  {100, 128}, {129, 128},
                          {192, 256}, {300, 256}, {320, 256}, {400, 128}, {500, 512}, {600, 64},
                          {640, 512}, {700, 128}, {768, 512}, {800, 256}, {900, 128}, {1000, 1024}};
  for (const auto& row : table) EXPECT_EQ(Kivo::TexturePieceTableEntry(row[0]), row[1]) << row[0];
  EXPECT_EQ(Kivo::RoundUpToPowerOfTwo(0), 1);
  EXPECT_EQ(Kivo::RoundUpToPowerOfTwo(65), 128);
  EXPECT_TRUE(Kivo::IsPowerOfTwo(64));
  EXPECT_FALSE(Kivo::IsPowerOfTwo(0));
  EXPECT_FALSE(Kivo::IsPowerOfTwo(96));
}

TEST(TexturePieces, GridsOfTypicalImages) {
  WideLimits();
  struct Case {
    int w, h;
    uint32_t flags;
    int columns, rows, pieceW, pieceH, lastW, lastH;
    float maxU, maxV;
  };
  const Case cases[] = {
      {100, 100, 0, 1, 1, 128, 128, 128, 128, 0.78125f, 0.78125f},
      {256, 256, 0, 1, 1, 256, 256, 256, 256, 1.0f, 1.0f},
      {800, 600, 0, 4, 10, 256, 64, 32, 32, 3.125f, 9.375f},
      {640, 480, 0, 2, 1, 512, 512, 128, 512, 1.25f, 0.9375f},
      {800, 600, Kivo::kTextureMinSubdivide, 1, 1, 1024, 1024, 1024, 1024, 0.78125f, 0.5859375f},
      {800, 600, Kivo::kTextureFixed64, 13, 10, 64, 64, 64, 64, 12.5f, 9.375f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " flags " << c.flags);
    MemoryImage image;
    image.width = c.w;
    image.height = c.h;
    TextureData data;
    data.uploadedFlags = c.flags;
    data.CreatePieces(&image);
    EXPECT_EQ(data.columns, c.columns);
    EXPECT_EQ(data.rows, c.rows);
    EXPECT_EQ(data.pieceWidth, c.pieceW);
    EXPECT_EQ(data.pieceHeight, c.pieceH);
    ASSERT_EQ(data.pieces.size(), static_cast<size_t>(c.columns * c.rows));
    EXPECT_EQ(data.pieces.back().width, c.lastW);
    EXPECT_EQ(data.pieces.back().height, c.lastH);
    EXPECT_FLOAT_EQ(data.maxU, c.maxU);
    EXPECT_FLOAT_EQ(data.maxV, c.maxV);
  }
  // 800 x 600: the last column is 32 wide, the last row 32 high.
  MemoryImage image;
  image.width = 800;
  image.height = 600;
  TextureData data;
  data.CreatePieces(&image);
  EXPECT_EQ(data.pieces[3].width, 32);
  EXPECT_EQ(data.pieces[3].height, 64);
  EXPECT_EQ(data.pieces[36].width, 256);
  EXPECT_EQ(data.pieces[36].height, 32);
}

TEST(TexturePieces, DeviceLimitsAndAspect) {
  Kivo::gMinTextureWidth = Kivo::gMinTextureHeight = 64;
  Kivo::gMaxTextureWidth = Kivo::gMaxTextureHeight = 64;
  Kivo::gMaxTextureAspect = 1;
  int w = 10, h = 300;
  Kivo::ChooseTexturePieceSize(w, h, false, true, 0);
  EXPECT_EQ(w, 64);
  EXPECT_EQ(h, 64);
  WideLimits();
  Kivo::gMaxTextureAspect = 2;
  w = 512, h = 8;
  Kivo::ChooseTexturePieceSize(w, h, true, true, 0);
  EXPECT_EQ(w, 512);
  EXPECT_EQ(h, 256);
}

TEST(TextureReadBack, ConversionsTruncate) {
  MemoryImage image;
  std::vector<uint32_t> px(2, 0);
  ASSERT_TRUE(image.SetBits(px.data(), 2, 1, false));
  const uint16_t t4444[2] = {0x8F0C, 0xFFFF};
  Kivo::CopyTexture4444ToImage(reinterpret_cast<const uint8_t*>(t4444), 4, &image, 0, 0, 2, 1);
  EXPECT_EQ(image.bits[0], 0x80F000C0u);
  const uint16_t t565[2] = {0xFFFF, 0xF800};
  Kivo::CopyTexture565ToImage(reinterpret_cast<const uint8_t*>(t565), 4, &image, 0, 0, 2, 1);
  EXPECT_EQ(image.bits[0], 0xFFF8FCF8u);
  EXPECT_EQ(image.bits[1], 0xFFF80000u);
}

// A device on a small target, the renderer pointed at it.
class TextureFixture : public D3DTest::DeviceFixture {
 protected:
  Kivo::D3DInterface renderer;

  void SetUp() override {
    DeviceFixture::SetUp();
    MakeTarget(DDrawStandIn::Format::kRGB888, 64, 64);
    device->AddRef();
    renderer.device = device;
    renderer.directDraw7 = dd;
    renderer.showMessage = [](const char*) {};
    WideLimits();
    Kivo::gSupportedTextureFormats = Kivo::kFormat8888 | Kivo::kFormat4444 | Kivo::kFormatPalette8;
    Kivo::gLastDirectXError.clear();
  }
  void TearDown() override {
    renderer.ReleaseAllTextures();
    Kivo::gLastDirectXError.clear();
    DeviceFixture::TearDown();
  }

  static void Fill(MemoryImage& image, int w, int h, uint32_t colour) {
    std::vector<uint32_t> px(static_cast<size_t>(w * h), colour);
    ASSERT_TRUE(image.SetBits(px.data(), w, h, true));
  }
};

TEST_F(TextureFixture, FormatFollowsAlphaFlagsAndOffer) {
  struct Case {
    const char* name;
    uint32_t offer;
    uint32_t flags;
    bool transparentPixel;
    uint32_t expected;
  };
  using namespace Kivo;
  const Case cases[] = {
      {"opaque takes 565 when offered", kFormat8888 | kFormat4444 | kFormat565, 0, false, kFormat565},
      {"opaque with flag 8 stays 8888", kFormat8888 | kFormat4444 | kFormat565, kTextureNever565, false, kFormat8888},
      {"one transparent pixel", kFormat8888 | kFormat4444 | kFormat565, 0, true, kFormat8888},
      {"transparent with flag 4", kFormat8888 | kFormat4444 | kFormat565, kTextureA4R4G4B4, true, kFormat4444},
      {"no 8888 offered", kFormat4444, 0, true, kFormat4444},
      {"opaque without 565", kFormat8888 | kFormat4444, 0, false, kFormat8888},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    gSupportedTextureFormats = c.offer;
    MemoryImage image;
    std::vector<uint32_t> px(16 * 16, 0xFF336699u);
    if (c.transparentPixel) px[5] = 0x00000000u;
    ASSERT_TRUE(image.SetBits(px.data(), 16, 16, true));
    image.textureFlags = c.flags;
    ASSERT_TRUE(renderer.EnsureTexture(&image));
    EXPECT_EQ(image.textureData->format, c.expected);
    renderer.RemoveTexture(&image);
    EXPECT_EQ(image.textureData, nullptr);
  }
}

TEST_F(TextureFixture, UploadDuplicatesTheEdgeAndReadsBack) {
  MemoryImage image;
  std::vector<uint32_t> px(100 * 100);
  for (size_t i = 0; i < px.size(); ++i) px[i] = 0xFF000000u | static_cast<uint32_t>(i * 7919u);
  ASSERT_TRUE(image.SetBits(px.data(), 100, 100, true));
  image.textureFlags = Kivo::kTextureNever565;
  ASSERT_TRUE(renderer.EnsureTexture(&image));
  TextureData* data = image.textureData;
  ASSERT_EQ(data->pieces.size(), 1u);
  DDrawStandIn::SurfaceView v;
  DDrawStandIn::ViewSurface(data->pieces[0].surface, &v);
  auto texel = [&](int x, int y) {
    uint32_t t;
    std::memcpy(&t, v.pixels + y * v.pitch + x * 4, 4);
    return t;
  };
  EXPECT_EQ(texel(99, 40), px[40 * 100 + 99]);
  EXPECT_EQ(texel(100, 40), px[40 * 100 + 99]);  // column 100 repeats 99
  EXPECT_EQ(texel(40, 100), px[99 * 100 + 40]);  // row 100 repeats 99
  // Read back into fresh bits.
  std::fill(image.bits.get(), image.bits.get() + 100 * 100, 0u);
  EXPECT_TRUE(renderer.ReadTextureBits(&image));
  EXPECT_EQ(image.bits[12345 % 10000], px[12345 % 10000]);
  EXPECT_EQ(image.bits[9999], px[9999]);
  // A texture older than the pixels is not read back.
  image.NoteBitsChanged();
  EXPECT_FALSE(renderer.ReadTextureBits(&image));
  renderer.RemoveTexture(&image);
}

TEST_F(TextureFixture, PixelChangeReusesPiecesResizeRecreatesThem) {
  MemoryImage image;
  Fill(image, 300, 20, 0x80FF0000u);
  ASSERT_TRUE(renderer.EnsureTexture(&image));
  TextureData* data = image.textureData;
  ASSERT_EQ(data->pieces.size(), 2u);
  IDirectDrawSurface7* first = data->pieces[0].surface;
  const int bytes = data->textureBytes;
  EXPECT_EQ(bytes, (256 * 32 + 64 * 32) * 4);
  image.GetBits()[0] = 0xFF00FF00u;
  image.NoteBitsChanged();
  ASSERT_TRUE(renderer.EnsureTexture(&image));
  EXPECT_EQ(data->pieces[0].surface, first);
  EXPECT_EQ(data->textureBytes, bytes);
  DDrawStandIn::SurfaceView v;
  DDrawStandIn::ViewSurface(first, &v);
  uint32_t t;
  std::memcpy(&t, v.pixels, 4);
  EXPECT_EQ(t, 0xFF00FF00u);
  Fill(image, 40, 20, 0x80FF0000u);
  ASSERT_TRUE(renderer.EnsureTexture(&image));
  EXPECT_EQ(data->pieces.size(), 1u);
  EXPECT_EQ(data->textureBytes, 64 * 32 * 4);
  renderer.RemoveTexture(&image);
}

TEST_F(TextureFixture, ImageWithoutPixelsHasNoTextureToBind) {
  MemoryImage image;
  ASSERT_TRUE(image.CreateBlank(0, 0));
  EXPECT_FALSE(renderer.EnsureTexture(&image));
  ASSERT_NE(image.textureData, nullptr);
  EXPECT_TRUE(image.textureData->pieces.empty());
  renderer.RemoveTexture(&image);
}

TEST_F(TextureFixture, FailedPieceCreationLeavesNoFormatAndRetries) {
  MemoryImage image;
  Fill(image, 32, 32, 0xFF102030u);
  DDrawStandIn::GetFaults().createSurface = DDERR_OUTOFVIDEOMEMORY;
  DDrawStandIn::GetFaults().createSurfaceCaps = DDSCAPS_TEXTURE;
  EXPECT_FALSE(renderer.EnsureTexture(&image));
  EXPECT_EQ(image.textureData->format, Kivo::kFormatNone);
  DDrawStandIn::GetFaults().createSurface = 0;
  EXPECT_TRUE(renderer.EnsureTexture(&image));
  // A lock failure is reported with its call name.
  DDrawStandIn::GetFaults().lock = DDERR_SURFACEBUSY;
  image.NoteBitsChanged();
  renderer.EnsureTexture(&image);
  EXPECT_EQ(Kivo::gLastDirectXError, "Lock Texture: DDERR_SURFACEBUSY");
  DDrawStandIn::GetFaults().lock = 0;
  renderer.RemoveTexture(&image);
}

TEST_F(TextureFixture, PalettisedReuploadSwapsThePaletteOnEveryPiece) {
  MemoryImage image;
  std::vector<uint32_t> px(300 * 8);
  for (size_t i = 0; i < px.size(); ++i) px[i] = i % 2 ? 0xFFFF0000u : 0x800000FFu;
  ASSERT_TRUE(image.SetBits(px.data(), 300, 8, true));
  ASSERT_TRUE(image.ConvertToPalette());
  ASSERT_TRUE(renderer.EnsureTexture(&image));
  TextureData* data = image.textureData;
  ASSERT_EQ(data->format, Kivo::kFormatPalette8);
  ASSERT_EQ(data->pieces.size(), 2u);
  const int bytes = data->textureBytes;
  EXPECT_EQ(bytes, 256 * 8 + 64 * 8 + 1024);
  EXPECT_EQ(DDrawStandIn::LivePalettes(), 1);
  IDirectDrawSurface7* first = data->pieces[0].surface;

  // Same indices, new colour for entry of the red pixels: a pixel-only change.
  const uint32_t red = image.palette[image.indices[1]] == 0xFFFF0000u ? image.indices[1] : image.indices[0];
  image.palette[red] = 0xFF00FF00u;
  image.NoteBitsChanged();
  ASSERT_TRUE(renderer.EnsureTexture(&image));
  EXPECT_EQ(data->pieces[0].surface, first);
  EXPECT_EQ(data->textureBytes, bytes);
  EXPECT_EQ(DDrawStandIn::LivePalettes(), 1);  // the old palette is gone
  for (const Kivo::TexturePiece& piece : data->pieces) {
    IDirectDrawPalette* attached = nullptr;
    ASSERT_EQ(piece.surface->GetPalette(&attached), DD_OK);
    EXPECT_EQ(attached, data->paletteObject);
    attached->Release();
  }
  // Drawn, the red pixels now come out green.
  device->SetTexture(0, first);
  DrawQuad(0, 0, 8, 8, 0xFFFFFFFF, 0, 0, 8.0f / 256, 1);
  EXPECT_EQ(Pixel(1, 0), 0xFF00FF00u);
  device->SetTexture(0, nullptr);
  // Read back through the palette object.
  image.GetBits();
  EXPECT_TRUE(renderer.ReadTextureBits(&image));
  EXPECT_EQ(image.bits[1], 0xFF00FF00u);
  EXPECT_EQ(image.bits[0], 0x800000FFu);

  // A palette that cannot be made turns palettised textures off.
  renderer.RemoveTexture(&image);
  DDrawStandIn::GetFaults().createPalette = DDERR_OUTOFMEMORY;
  MemoryImage other;
  ASSERT_TRUE(other.SetBits(px.data(), 300, 8, true));
  ASSERT_TRUE(other.ConvertToPalette());
  ASSERT_TRUE(renderer.EnsureTexture(&other));
  EXPECT_EQ(other.textureData->format, Kivo::kFormat8888);
  EXPECT_EQ(Kivo::gSupportedTextureFormats & Kivo::kFormatPalette8, 0u);
  renderer.RemoveTexture(&other);
}

}  // namespace
