// The Direct3D stand-in's device: fill rule and pixel centres, viewport
// clipping, blend factors, stage operations, texture formats, filtering,
// the transform path, lines, and the device's own errors.
#include <cmath>
#include <string>

#include "tests/platform/devices/d3d_fixture.h"

namespace {

using D3DTest::DeviceFixture;
using D3DTest::TL;
using DDrawStandIn::Format;

class DeviceTest : public DeviceFixture, public ::testing::WithParamInterface<Format> {};

// Untextured white fills: stage 0's unbound texture reads opaque white.
TEST_P(DeviceTest, FillRuleCoversPixelCentresTopLeft) {
  struct Case {
    const char* name;
    float x0, y0, x1, y1;
    int cx0, cy0, cx1, cy1;  // covered pixels [cx0, cx1) x [cy0, cy1)
  };
  const Case cases[] = {
      {"integer corners", 10, 20, 15, 25, 10, 20, 15, 25},
      {"half-pixel corners", 9.5f, 19.5f, 14.5f, 24.5f, 10, 20, 15, 25},
      // Positions snap to 1/16 pixel: 9.9 is 9.875, 15.1 is 15.125.
      {"just inside a centre", 9.9f, 19.9f, 15.1f, 25.1f, 10, 20, 16, 26},
      {"just past a centre", 10.1f, 20.1f, 14.9f, 24.9f, 11, 21, 15, 25},
      {"snapped onto a centre", 9.99f, 19.99f, 15.01f, 25.01f, 10, 20, 15, 25},
      {"thin, no centre", 10.1f, 20.1f, 10.9f, 30.0f, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MakeTarget(GetParam());
    D3DTLVERTEX q[4] = {TL(c.x0, c.y0, 0xFFFFFFFF, 0, 0), TL(c.x0, c.y1, 0xFFFFFFFF, 0, 1),
                        TL(c.x1, c.y0, 0xFFFFFFFF, 1, 0), TL(c.x1, c.y1, 0xFFFFFFFF, 1, 1)};
    ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, D3DFVF_TLVERTEX, q, 4, 0), D3D_OK);
    int wrong = 0;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        const bool in = x >= c.cx0 && x < c.cx1 && y >= c.cy0 && y < c.cy1;
        wrong += (Pixel(x, y) == 0xFFFFFFFFu) != in;
      }
    EXPECT_EQ(wrong, 0);
  }
}

TEST_P(DeviceTest, SharedEdgesDrawEachPixelOnce) {
  // Additive grey: a pixel drawn twice would come out brighter.
  MakeTarget(GetParam());
  device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, 1);
  device->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_ONE);
  device->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_ONE);
  // A fan of six triangles around an off-grid centre, and a strip.
  D3DTLVERTEX fan[8] = {TL(40.3f, 40.7f, 0xFF404040, 0, 0), TL(10, 10, 0xFF404040, 0, 0),
                        TL(70.5f, 12, 0xFF404040, 0, 0),    TL(80, 50.5f, 0xFF404040, 0, 0),
                        TL(60, 80, 0xFF404040, 0, 0),       TL(20.25f, 75, 0xFF404040, 0, 0),
                        TL(5, 45, 0xFF404040, 0, 0),        TL(10, 10, 0xFF404040, 0, 0)};
  ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLEFAN, D3DFVF_TLVERTEX, fan, 8, 0), D3D_OK);
  const uint32_t once = Pixel(40, 40) & 0xFFFFFF;
  EXPECT_NE(once, 0u);
  EXPECT_LE(once & 0xFF, 0x42u);  // drawn once
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const uint32_t p = Pixel(x, y) & 0xFFFFFF;
      ASSERT_TRUE(p == 0 || p == once) << x << "," << y;
    }
}

TEST_P(DeviceTest, TriangleOffTheTopLeftIsClippedByTheViewport) {
  MakeTarget(GetParam());
  D3DTLVERTEX tri[3] = {TL(-2, -2, 0xFFFFFFFF, 0, 0), TL(30, -2, 0xFFFFFFFF, 0, 0), TL(-2, 30, 0xFFFFFFFF, 0, 0)};
  ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, tri, 3, 0), D3D_OK);
  // Pixel (x, y) is inside when x + y + 4 < 32 (right edge excluded).
  int wrong = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 40; ++x) wrong += ((Pixel(x, y) & 0xFFFFFF) != 0) != (x + y + 4 < 32);
  EXPECT_EQ(wrong, 0);

  // A smaller viewport cuts the same triangle at its edges.
  ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u, 1.0f, 0), D3D_OK);
  D3DVIEWPORT7 vp{5, 6, 10, 10, 0, 1};
  ASSERT_EQ(device->SetViewport(&vp), D3D_OK);
  ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, tri, 3, 0), D3D_OK);
  wrong = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 40; ++x) {
      const bool in = x + y + 4 < 32 && x >= 5 && x < 15 && y >= 6 && y < 16;
      wrong += ((Pixel(x, y) & 0xFFFFFF) != 0) != in;
    }
  EXPECT_EQ(wrong, 0);
}

TEST_P(DeviceTest, BlendFactorPairsWithClamping) {
  struct Case {
    DWORD src, dest;
    uint32_t dst, source;
    uint32_t expected;
  };
  // source over destination, destination 0x604020, source colour with alpha.
  const Case cases[] = {
      {D3DBLEND_ONE, D3DBLEND_ZERO, 0x604020, 0x80C0A080, 0xC0A080},
      {D3DBLEND_ZERO, D3DBLEND_ONE, 0x604020, 0x80C0A080, 0x604020},
      {D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, 0x604020, 0x80C0A080, 0x907050},
      {D3DBLEND_SRCALPHA, D3DBLEND_ONE, 0x604020, 0x80C0A080, 0xC09060},
      {D3DBLEND_ONE, D3DBLEND_ONE, 0x604020, 0x80C0A080, 0xFFE0A0},  // red clamps
      {D3DBLEND_ZERO, D3DBLEND_SRCCOLOR, 0x604020, 0x80C0A080, 0x482810},
      {D3DBLEND_DESTCOLOR, D3DBLEND_SRCCOLOR, 0x604020, 0x80C0A080, 0x905020},
      {D3DBLEND_SRCCOLOR, D3DBLEND_ZERO, 0x604020, 0x80FF8000, 0xFF4000},
      {D3DBLEND_INVSRCALPHA, D3DBLEND_SRCALPHA, 0x604020, 0xC0FFFFFF, 0x876F57},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.src << "," << c.dest);
    MakeTarget(GetParam());
    device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, 0);
    DrawQuad(0, 0, 8, 8, 0xFF000000u | c.dst);
    device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, 1);
    device->SetRenderState(D3DRENDERSTATE_SRCBLEND, c.src);
    device->SetRenderState(D3DRENDERSTATE_DESTBLEND, c.dest);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);  // vertex alpha counts
    DrawQuad(0, 0, 8, 8, c.source);
    const uint32_t expected = 0xFF000000u | c.expected;
    EXPECT_LE(D3DTest::ColorDistanceSquared(Pixel(3, 3), expected), GetParam() == Format::kRGB565 ? 192 : 3)
        << std::hex << Pixel(3, 3) << " vs " << expected;
  }
}

TEST_P(DeviceTest, DiffuseAsFirstArgumentSquaresTheVertexColour) {
  MakeTarget(GetParam());
  std::vector<uint32_t> px(64 * 64, 0xFF0000FFu);  // the texture gives alpha only
  IDirectDrawSurface7* tex = MakeTexture(64, 64, Format::kARGB8888, px);
  device->SetTexture(0, tex);
  device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
  device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  DrawQuad(0, 0, 64, 64, 0xFF808080);
  const uint32_t p = Pixel(10, 10);
  EXPECT_NEAR(static_cast<int>((p >> 16) & 0xFF), 0x40, 2);
  EXPECT_NEAR(static_cast<int>(p & 0xFF), 0x40, 2);
  device->SetTexture(0, nullptr);
  tex->Release();
}

TEST_P(DeviceTest, SecondStageOperationsAndUnboundStages) {
  std::vector<uint32_t> first(16 * 16, 0xFF804020u), second(16 * 16, 0x80408080u);
  struct Case {
    const char* name;
    DWORD op;
    bool bindSecond;
    uint32_t expected;
  };
  const Case cases[] = {
      {"select", D3DTOP_SELECTARG1, true, 0x408080},
      {"modulate", D3DTOP_MODULATE, true, 0x202010},
      {"add", D3DTOP_ADD, true, 0xC0C0A0},
      {"disable", D3DTOP_DISABLE, true, 0x804020},
      {"unbound passes current", D3DTOP_MODULATE, false, 0x804020},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MakeTarget(GetParam());
    IDirectDrawSurface7* t0 = MakeTexture(16, 16, Format::kARGB8888, first);
    IDirectDrawSurface7* t1 = MakeTexture(16, 16, Format::kARGB8888, second);
    device->SetTexture(0, t0);
    device->SetTexture(1, c.bindSecond ? t1 : nullptr);
    device->SetTextureStageState(1, D3DTSS_COLOROP, c.op);
    device->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_CURRENT);
    device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    device->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 1);
    D3DTLVERTEX2 q[4] = {};
    const float xy[4][2] = {{-0.5f, -0.5f}, {-0.5f, 15.5f}, {15.5f, -0.5f}, {15.5f, 15.5f}};
    for (int i = 0; i < 4; ++i) {
      q[i].sx = xy[i][0];
      q[i].sy = xy[i][1];
      q[i].rhw = 1;
      q[i].color = 0xFFFFFFFF;
      q[i].tu0 = q[i].tu1 = (xy[i][0] + 0.5f) / 16;
      q[i].tv0 = q[i].tv1 = (xy[i][1] + 0.5f) / 16;
    }
    ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX2, q, 4, 0),
              D3D_OK);
    EXPECT_LE(D3DTest::ColorDistanceSquared(Pixel(5, 5), 0xFF000000u | c.expected),
              GetParam() == Format::kRGB565 ? 192 : 3)
        << std::hex << Pixel(5, 5);
    device->SetTexture(0, nullptr);
    device->SetTexture(1, nullptr);
    t0->Release();
    t1->Release();
  }
}

TEST_P(DeviceTest, TextureFormatsSample) {
  struct Case {
    const char* name;
    Format format;
    uint32_t texel;     // as uploaded
    uint32_t expected;  // drawn over black, source over
  };
  const Case cases[] = {
      {"4444 nibbles x17", Format::kARGB4444, 0xFFF0800F, 0xFFFF8800},
      {"4444 alpha", Format::kARGB4444, 0x88FFFFFF, 0xFF888888},
      {"565 is opaque", Format::kRGB565, 0x00F80000, 0xFFFF0000},
      {"8888", Format::kARGB8888, 0xFF123456, 0xFF123456},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MakeTarget(GetParam());
    device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, 1);
    device->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA);
    IDirectDrawSurface7* tex = MakeTexture(8, 8, c.format, std::vector<uint32_t>(64, c.texel));
    device->SetTexture(0, tex);
    DrawQuad(0, 0, 8, 8, 0xFFFFFFFF);
    EXPECT_LE(D3DTest::ColorDistanceSquared(Pixel(4, 4), c.expected), GetParam() == Format::kRGB565 ? 192 : 0)
        << std::hex << Pixel(4, 4);
    device->SetTexture(0, nullptr);
    tex->Release();
  }
}

TEST_P(DeviceTest, PalettisedTexturesReadTheAttachedPaletteWithAlpha) {
  MakeTarget(GetParam());
  PALETTEENTRY entries[256] = {};
  entries[1] = PALETTEENTRY{0xFF, 0, 0, 0xFF};
  entries[2] = PALETTEENTRY{0, 0xFF, 0, 0x00};
  IDirectDrawPalette* palette = nullptr;
  ASSERT_EQ(dd->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256 | DDPCAPS_ALPHA, entries, &palette, nullptr), DD_OK);
  std::vector<uint32_t> indices(64);
  for (int i = 0; i < 64; ++i) indices[static_cast<size_t>(i)] = (i % 8) < 4 ? 1 : 2;
  IDirectDrawSurface7* tex = MakeTexture(8, 8, Format::kPalette8, indices);
  ASSERT_EQ(tex->SetPalette(palette), DD_OK);
  device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, 1);
  device->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA);
  device->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA);
  device->SetTexture(0, tex);
  DrawQuad(0, 0, 8, 8, 0xFFFFFFFF);
  EXPECT_EQ(Pixel(1, 1), 0xFFFF0000u);
  EXPECT_EQ(Pixel(6, 1), 0xFF000000u);  // green with alpha 0
  // New entries show at the next draw.
  entries[1] = PALETTEENTRY{0, 0, 0xFF, 0xFF};
  ASSERT_EQ(palette->SetEntries(0, 0, 256, entries), DD_OK);
  DrawQuad(0, 0, 8, 8, 0xFFFFFFFF);
  EXPECT_EQ(Pixel(1, 1), 0xFF0000FFu);
  device->SetTexture(0, nullptr);
  tex->Release();
  palette->Release();
  EXPECT_EQ(DDrawStandIn::LivePalettes(), 0);
}

TEST_P(DeviceTest, ImageQuadAtTenTwentyIsOneToOneUnderPointAndLinear) {
  std::vector<uint32_t> px(32 * 16);
  for (size_t i = 0; i < px.size(); ++i) px[i] = 0xFF000000u | static_cast<uint32_t>(i * 2654435761u >> 8);
  for (DWORD filter : {static_cast<DWORD>(D3DTFG_POINT), static_cast<DWORD>(D3DTFG_LINEAR)}) {
    SCOPED_TRACE(filter);
    MakeTarget(GetParam());
    IDirectDrawSurface7* tex = MakeTexture(32, 16, Format::kARGB8888, px);
    device->SetTexture(0, tex);
    device->SetTextureStageState(0, D3DTSS_MAGFILTER, filter);
    device->SetTextureStageState(0, D3DTSS_MINFILTER, filter);
    device->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
    device->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_CLAMP);
    DrawQuad(10, 20, 32, 16, 0xFFFFFFFF);
    int wrong = 0;
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 32; ++x) {
        const uint32_t want = px[static_cast<size_t>(y * 32 + x)];
        wrong += D3DTest::ColorDistanceSquared(Pixel(10 + x, 20 + y), want) > (GetParam() == Format::kRGB565 ? 192 : 0);
      }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(Pixel(9, 20) & 0xFFFFFF, 0u);
    EXPECT_EQ(Pixel(42, 20) & 0xFFFFFF, 0u);
    EXPECT_EQ(Pixel(10, 36) & 0xFFFFFF, 0u);
    device->SetTexture(0, nullptr);
    tex->Release();
  }
}

TEST_P(DeviceTest, LinearFilterBlendsNeighboursAtHalfTexelShift) {
  MakeTarget(GetParam());
  std::vector<uint32_t> px = {0xFF000000, 0xFFFFFFFF, 0xFF000000, 0xFFFFFFFF};  // 2 x 2: black, white columns
  IDirectDrawSurface7* tex = MakeTexture(2, 2, Format::kARGB8888, px);
  device->SetTexture(0, tex);
  device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTFG_LINEAR);
  device->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
  // Two texels stretched over 4 pixels: samples at 0.25, 0.75, 1.25, 1.75 texels.
  DrawQuad(0, 0, 4, 2, 0xFFFFFFFF);
  const int slack = GetParam() == Format::kRGB565 ? 8 : 3;  // five bits of blue
  EXPECT_EQ(Pixel(0, 0) & 0xFF, 0u);
  EXPECT_NEAR(static_cast<int>(Pixel(1, 0) & 0xFF), 64, slack);
  EXPECT_NEAR(static_cast<int>(Pixel(2, 0) & 0xFF), 191, slack);
  EXPECT_NEAR(static_cast<int>(Pixel(3, 0) & 0xFF), 255, slack);
  device->SetTexture(0, nullptr);
  tex->Release();
}

// Neighbouring texels one level apart, sampled a hair short of each texel
// centre (as the planes of triangles cut at piece borders land): the filter
// must give the texel's own level, not the one before it.
TEST_P(DeviceTest, LinearFilterNearATexelCentreGivesThatTexel) {
  MakeTarget(GetParam());
  std::vector<uint32_t> px(8 * 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) px[static_cast<size_t>(y * 8 + x)] = 0xFF000000u | (y * 8u) << 8 | (x * 8u);
  IDirectDrawSurface7* tex = MakeTexture(8, 8, Format::kARGB8888, px);
  device->SetTexture(0, tex);
  device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTFG_LINEAR);
  device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTFN_LINEAR);
  device->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
  device->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_CLAMP);
  const float shy = 1.0f / 2048;  // of the texture, under a texel's 1/256 weight step
  DrawQuad(10, 10, 8, 8, 0xFFFFFFFF, -shy, -shy, 1 - shy, 1 - shy);
  for (int y = 1; y < 8; ++y)
    for (int x = 1; x < 8; ++x) {
      uint32_t g = y * 8u, b = x * 8u;
      if (GetParam() == Format::kRGB565) g = (g >> 2) << 2 | g >> 6, b = (b >> 3) << 3 | b >> 5;
      ASSERT_EQ(Pixel(10 + x, 10 + y), 0xFF000000u | g << 8 | b)
          << x << "," << y << " " << std::hex << Pixel(10 + x, 10 + y);
    }
  device->SetTexture(0, nullptr);
  tex->Release();
}

// The second stage reads the coordinate set its TEXCOORDINDEX names, from
// pre-transformed (0x244) and untransformed (0x242) vertices alike, and
// repeats its texture under wrap addressing.
TEST_P(DeviceTest, SecondStageReadsItsCoordinateSetAndWraps) {
  struct Case {
    const char* name;
    DWORD format;
    DWORD coordinateSet;
    DWORD address;
    int bandWidth;     // pixels per half of the second texture
    int clampedAfter;  // columns from which clamping holds the last texel; -1: none
  };
  const Case cases[] = {
      {"pre-transformed, second set, wrapped", D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX2, 1, D3DTADDRESS_WRAP, 8,
       -1},
      {"untransformed, second set, wrapped", D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX2, 1, D3DTADDRESS_WRAP, 8, -1},
      {"pre-transformed, first set", D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX2, 0, D3DTADDRESS_WRAP, 16, -1},
      {"untransformed, second set, clamped", D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX2, 1, D3DTADDRESS_CLAMP, 8, 8},
  };
  std::vector<uint32_t> white(16 * 16, 0xFFFFFFFFu), halves(16 * 16);
  for (int i = 0; i < 16 * 16; ++i) halves[static_cast<size_t>(i)] = i % 16 < 8 ? 0xFFFF0000u : 0xFF0000FFu;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MakeTarget(GetParam());
    IDirectDrawSurface7* t0 = MakeTexture(16, 16, Format::kARGB8888, white);
    IDirectDrawSurface7* t1 = MakeTexture(16, 16, Format::kARGB8888, halves);
    device->SetTexture(0, t0);
    device->SetTexture(1, t1);
    device->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, c.coordinateSet);
    device->SetTextureStageState(1, D3DTSS_ADDRESSU, c.address);
    device->SetTextureStageState(1, D3DTSS_ADDRESSV, c.address);
    // A 32 x 32 square at (10, 10): the first set spans the texture once,
    // the second twice.
    const float xs[4] = {9.5f, 9.5f, 41.5f, 41.5f}, ys[4] = {9.5f, 41.5f, 9.5f, 41.5f};
    const float u0[4] = {0, 0, 1, 1}, v0[4] = {0, 1, 0, 1}, u1[4] = {0, 0, 2, 2}, v1[4] = {0, 2, 0, 2};
    if (c.format == (D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX2)) {
      D3DTLVERTEX2 q[4] = {};
      for (int i = 0; i < 4; ++i) q[i] = D3DTLVERTEX2{xs[i], ys[i], 0, 1, 0xFFFFFFFFu, u0[i], v0[i], u1[i], v1[i]};
      ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, c.format, q, 4, 0), D3D_OK);
    } else {
      D3DMATRIX ortho{};  // centred, y up, one unit a pixel on the 100 x 100 target
      ortho.m[0][0] = 2.0f / 100;
      ortho.m[1][1] = 2.0f / 100;
      ortho.m[2][2] = 1.0f;
      ortho.m[3][3] = 1.0f;
      ASSERT_EQ(device->SetTransform(D3DTRANSFORMSTATE_PROJECTION, &ortho), D3D_OK);
      D3DVERTEX3D2 q[4] = {};
      for (int i = 0; i < 4; ++i)
        q[i] = D3DVERTEX3D2{xs[i] - 50, 50 - ys[i], 0, 0xFFFFFFFFu, u0[i], v0[i], u1[i], v1[i]};
      ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, c.format, q, 4, 0), D3D_OK);
    }
    for (int x = 0; x < 32; ++x) {
      const bool blue = c.clampedAfter >= 0 && x >= c.clampedAfter ? true : (x / c.bandWidth) % 2 == 1;
      EXPECT_EQ(Pixel(10 + x, 20), blue ? 0xFF0000FFu : 0xFFFF0000u) << x;
    }
    EXPECT_EQ(Pixel(9, 20), 0xFF000000u);
    EXPECT_EQ(Pixel(42, 20), 0xFF000000u);
    device->SetTexture(0, nullptr);
    device->SetTexture(1, nullptr);
    t0->Release();
    t1->Release();
  }
}

TEST_P(DeviceTest, OrthographicQuadLandsWhereThePreTransformedOneDoes) {
  MakeTarget(GetParam(), 800, 600);
  DrawQuad(100, 50, 40, 30, 0xFFFFFFFF);
  std::vector<uint32_t> pre(800 * 600);
  for (int y = 0; y < 600; ++y)
    for (int x = 0; x < 800; ++x) pre[static_cast<size_t>(y * 800 + x)] = Pixel(x, y);
  ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u, 1.0f, 0), D3D_OK);

  D3DMATRIX ortho{};  // orthographic(800, 600, 0, 1), row vectors
  ortho.m[0][0] = 2.0f / 800;
  ortho.m[1][1] = 2.0f / 600;
  ortho.m[2][2] = 1.0f;
  ortho.m[3][3] = 1.0f;
  ASSERT_EQ(device->SetTransform(D3DTRANSFORMSTATE_PROJECTION, &ortho), D3D_OK);
  // Centred, y up: screen (sx, sy) is (sx - 400, 300 - sy).
  auto v = [](float sx, float sy) {
    D3DVERTEX3D2 o{};
    o.x = sx - 400;
    o.y = 300 - sy;
    o.z = 0.5f;
    o.color = 0xFFFFFFFF;
    return o;
  };
  D3DVERTEX3D2 q[4] = {v(99.5f, 49.5f), v(99.5f, 79.5f), v(139.5f, 49.5f), v(139.5f, 79.5f)};
  ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX2, q, 4, 0), D3D_OK);
  int wrong = 0;
  for (int y = 0; y < 600; ++y)
    for (int x = 0; x < 800; ++x) wrong += Pixel(x, y) != pre[static_cast<size_t>(y * 800 + x)];
  EXPECT_EQ(wrong, 0);

  // Depth outside [0, w] is clipped away.
  for (auto& vert : q) vert.z = 1.5f;
  ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u, 1.0f, 0), D3D_OK);
  ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX2, q, 4, 0), D3D_OK);
  EXPECT_EQ(CountLit(), 0);
}

TEST_P(DeviceTest, LinesLightOnePixelPerMajorAxisCentre) {
  MakeTarget(GetParam());
  struct Case {
    const char* name;
    float x0, y0, x1, y1;
    int lit;
  };
  const Case cases[] = {
      {"horizontal", 2, 5, 12, 5, 10},  // x 2..11
      {"vertical", 5, 2, 5, 9, 7},           {"diagonal", 0, 0, 8, 8, 8},
      {"backwards", 12, 5, 2, 5, 10},  // x 12 down to 3
      {"half to half", 2.5f, 5, 4.5f, 5, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u, 1.0f, 0), D3D_OK);
    D3DTLVERTEX l[2] = {TL(c.x0, c.y0, 0xFFFFFFFF, 0, 0), TL(c.x1, c.y1, 0xFFFFFFFF, 0, 0)};
    ASSERT_EQ(device->DrawPrimitive(D3DPT_LINESTRIP, D3DFVF_TLVERTEX, l, 2, 0), D3D_OK);
    EXPECT_EQ(CountLit(), c.lit);
  }
  // The renderer's line: two points and a half-pixel tail light both ends.
  ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u, 1.0f, 0), D3D_OK);
  D3DTLVERTEX strip[3] = {TL(0, 0, 0xFFFFFFFF, 0, 0), TL(10, 0, 0xFFFFFFFF, 0, 0), TL(10.5f, 0.5f, 0xFFFFFFFF, 0, 0)};
  ASSERT_EQ(device->DrawPrimitive(D3DPT_LINESTRIP, D3DFVF_TLVERTEX, strip, 3, 0), D3D_OK);
  EXPECT_EQ(Row(0, 0, 12), "###########.");
}

INSTANTIATE_TEST_SUITE_P(Targets, DeviceTest, ::testing::Values(Format::kRGB888, Format::kRGB565), FormatParamName);

TEST_F(DeviceFixture, DeviceRefusesWhatItCannotDraw) {
  IDirect3DDevice7* dev = nullptr;
  IDirectDrawSurface7* plain = MakeSurface(16, 16, Format::kRGB888, DDSCAPS_OFFSCREENPLAIN);
  EXPECT_EQ(d3d->CreateDevice(IID_IDirect3DHALDevice, plain, &dev), DDERR_INVALIDCAPS);
  EXPECT_EQ(d3d->CreateDevice(IID_IDirectDraw7, plain, &dev), D3DERR_INVALID_DEVICE);
  plain->Release();
  D3DStandIn::GetFaults().createDevice = DDERR_OUTOFMEMORY;
  IDirectDrawSurface7* t = MakeSurface(16, 16, Format::kRGB888, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE);
  EXPECT_EQ(d3d->CreateDevice(IID_IDirect3DHALDevice, t, &dev), DDERR_OUTOFMEMORY);
  EXPECT_EQ(dev, nullptr);
  t->Release();
  D3DStandIn::GetFaults().createDevice = 0;

  MakeTarget(Format::kRGB888, 16, 16);
  D3DTLVERTEX tri[3] = {TL(0, 0, 0xFFFFFFFF, 0, 0), TL(8, 0, 0xFFFFFFFF, 0, 0), TL(0, 8, 0xFFFFFFFF, 0, 0)};
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0x142, tri, 3, 0), D3DERR_INVALIDVERTEXFORMAT);
  EXPECT_EQ(device->DrawPrimitive(D3DPT_POINTLIST, D3DFVF_TLVERTEX, tri, 3, 0), D3DERR_INVALIDPRIMITIVETYPE);
  EXPECT_EQ(device->SetTransform(D3DTRANSFORMSTATE_WORLD, nullptr), DDERR_INVALIDPARAMS);
  EXPECT_EQ(device->GetTransform(D3DTRANSFORMSTATE_VIEW, nullptr), DDERR_INVALIDPARAMS);
  EXPECT_EQ(device->BeginScene(), D3DERR_SCENE_IN_SCENE);
  EXPECT_EQ(device->EndScene(), D3D_OK);
  EXPECT_EQ(device->EndScene(), D3DERR_SCENE_NOT_IN_SCENE);
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, tri, 3, 0), D3DERR_SCENE_NOT_IN_SCENE);
  ASSERT_EQ(device->BeginScene(), D3D_OK);
  D3DStandIn::GetFaults().drawPrimitive = D3DERR_INVALIDCURRENTVIEWPORT;
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, tri, 3, 0), D3DERR_INVALIDCURRENTVIEWPORT);
  EXPECT_EQ(CountLit(), 0);
  D3DStandIn::GetFaults().drawPrimitive = 0;
  D3DStandIn::GetFaults().setRenderTarget = DDERR_SURFACELOST;
  EXPECT_EQ(device->SetRenderTarget(target, 0), DDERR_SURFACELOST);
  D3DStandIn::GetFaults().setRenderTarget = 0;
  EXPECT_EQ(device->SetRenderTarget(target, 0), D3D_OK);
  // Non-texture surfaces cannot be bound; alpha formats exist only as textures.
  EXPECT_EQ(device->SetTexture(0, target), DDERR_INVALIDSURFACETYPE);
  DDSURFACEDESC2 desc{};
  desc.dwSize = sizeof(desc);
  desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
  desc.dwWidth = desc.dwHeight = 8;
  desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
  desc.ddpfPixelFormat = DDrawStandIn::PixelFormatOf(Format::kARGB4444);
  IDirectDrawSurface7* bad = nullptr;
  EXPECT_EQ(dd->CreateSurface(&desc, &bad, nullptr), DDERR_INVALIDPIXELFORMAT);
}

TEST_F(DeviceFixture, DefaultStatesAreThoseTheTesterReliesOn) {
  MakeTarget(Format::kRGB888, 16, 16);
  DWORD v = 0;
  device->GetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, &v);
  EXPECT_EQ(v, 0u);
  device->GetRenderState(D3DRENDERSTATE_SRCBLEND, &v);
  EXPECT_EQ(v, static_cast<DWORD>(D3DBLEND_ONE));
  device->GetRenderState(D3DRENDERSTATE_DESTBLEND, &v);
  EXPECT_EQ(v, static_cast<DWORD>(D3DBLEND_ZERO));
  device->GetTextureStageState(0, D3DTSS_COLOROP, &v);
  EXPECT_EQ(v, static_cast<DWORD>(D3DTOP_MODULATE));
  device->GetTextureStageState(0, D3DTSS_ALPHAOP, &v);
  EXPECT_EQ(v, static_cast<DWORD>(D3DTOP_SELECTARG1));
  device->GetTextureStageState(1, D3DTSS_COLOROP, &v);
  EXPECT_EQ(v, static_cast<DWORD>(D3DTOP_DISABLE));
  device->GetTextureStageState(1, D3DTSS_TEXCOORDINDEX, &v);
  EXPECT_EQ(v, 1u);
  device->GetTextureStageState(0, D3DTSS_ADDRESSU, &v);
  EXPECT_EQ(v, static_cast<DWORD>(D3DTADDRESS_WRAP));
  // Blending off: a translucent untextured quad replaces the target.
  DrawQuad(0, 0, 4, 4, 0x20FF0000);
  EXPECT_EQ(Pixel(1, 1), 0xFFFF0000u);
}

TEST_F(DeviceFixture, TextureFormatsAreOfferedUntilTheCallbackStops) {
  MakeTarget(Format::kRGB888, 16, 16);
  std::vector<DWORD> seen;
  auto collect = [](DDPIXELFORMAT* pf, void* context) -> HRESULT {
    auto* out = static_cast<std::vector<DWORD>*>(context);
    out->push_back(pf->dwRGBBitCount);
    return out->size() < 2 ? D3DENUMRET_OK : D3DENUMRET_CANCEL;
  };
  ASSERT_EQ(device->EnumTextureFormats(collect, &seen), D3D_OK);
  EXPECT_EQ(seen, (std::vector<DWORD>{32, 16}));
  seen.clear();
  D3DStandIn::GetCaps().offerR5G6B5 = true;
  auto all = [](DDPIXELFORMAT* pf, void* context) -> HRESULT {
    static_cast<std::vector<DWORD>*>(context)->push_back(pf->dwFlags);
    return D3DENUMRET_OK;
  };
  ASSERT_EQ(device->EnumTextureFormats(all, &seen), D3D_OK);
  EXPECT_EQ(seen, (std::vector<DWORD>{DDPF_RGB | DDPF_ALPHAPIXELS, DDPF_RGB | DDPF_ALPHAPIXELS, DDPF_RGB,
                                      DDPF_RGB | DDPF_PALETTEINDEXED8}));
}

TEST_F(DeviceFixture, PerspectiveDivisionKeepsTextureCoordinatesStraight) {
  // A quad leaning away (w grows with y) textured with columns: the texture
  // must be interpolated in 1/w, so the middle column sits at the projected
  // middle, not at the screen middle.
  MakeTarget(Format::kRGB888, 64, 64);
  std::vector<uint32_t> px(2 * 2);
  px[0] = px[2] = 0xFFFF0000u;  // left column red
  px[1] = px[3] = 0xFF0000FFu;  // right column blue
  IDirectDrawSurface7* tex = MakeTexture(2, 2, Format::kARGB8888, px);
  device->SetTexture(0, tex);
  device->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
  // Projection: x' = x, y' = y, z' = z / 4, w = z (row vectors).
  D3DMATRIX proj{};
  proj.m[0][0] = 1;
  proj.m[1][1] = 1;
  proj.m[2][2] = 0.25f;
  proj.m[2][3] = 1;
  ASSERT_EQ(device->SetTransform(D3DTRANSFORMSTATE_PROJECTION, &proj), D3D_OK);
  auto v = [](float x, float y, float z, float u, float vv) {
    D3DVERTEX3D2 o{};
    o.x = x * z;
    o.y = y * z;
    o.z = z;
    o.color = 0xFFFFFFFF;
    o.tu0 = u;
    o.tv0 = vv;
    return o;
  };
  // Left edge near (z 1), right edge far (z 3), covering the viewport in x.
  D3DVERTEX3D2 q[4] = {v(-1, 1, 1, 0, 0), v(-1, -1, 1, 0, 1), v(1, 1, 3, 1, 0), v(1, -1, 3, 1, 1)};
  ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX2, q, 4, 0), D3D_OK);
  // With u and 1 interpolated over w, u = 0.5 falls three quarters of the way
  // across (an affine mapping would put it halfway).
  int firstBlue = -1;
  for (int x = 0; x < 64 && firstBlue < 0; ++x)
    if (Pixel(x, 32) == 0xFF0000FFu) firstBlue = x;
  EXPECT_NEAR(firstBlue, 48, 1);
  device->SetTexture(0, nullptr);
  tex->Release();
}

TEST_F(DeviceFixture, FaultyBlendReadsSourceAlphaAsOne) {
  MakeTarget(Format::kRGB888, 16, 16);
  D3DStandIn::GetFaults().faultyBlend = true;
  device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, 1);
  device->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA);
  device->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA);
  device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  DrawQuad(0, 0, 4, 4, 0x80FF0000);
  EXPECT_EQ(Pixel(1, 1), 0xFFFF0000u);
}

}  // namespace
