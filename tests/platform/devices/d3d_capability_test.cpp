// The five render checks of the 3D capability test, driven as the tester
// drives them: a 100 x 100 render target, a 64 x 64 managed texture filled
// per tile, tiled quads, and the target read back and compared within a
// squared distance of 768 and for uniformity.
#include <string>
#include <vector>

#include "tests/platform/devices/d3d_fixture.h"

namespace {

using DDrawStandIn::Format;

class CapabilityScenes : public D3DTest::DeviceFixture, public ::testing::WithParamInterface<Format> {
 protected:
  IDirectDrawSurface7* texture = nullptr;

  void SetUp() override {
    DeviceFixture::SetUp();
    MakeTarget(GetParam(), 100, 100);
    ASSERT_EQ(device->EndScene(), D3D_OK);
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    desc.dwWidth = desc.dwHeight = 64;
    desc.ddsCaps.dwCaps = DDSCAPS_TEXTURE;
    desc.ddsCaps.dwCaps2 = DDSCAPS2_TEXTUREMANAGE;  // the tester's flag, not the renderer's
    desc.ddpfPixelFormat = DDrawStandIn::PixelFormatOf(Format::kARGB8888);
    ASSERT_EQ(dd->CreateSurface(&desc, &texture, nullptr), DD_OK);
  }
  void TearDown() override {
    if (texture != nullptr) texture->Release();
    DeviceFixture::TearDown();
  }

  // Uploads a 64 x 64 piece of the picture (zero beyond it) and draws it.
  void DrawTiled(const std::vector<uint32_t>& picture, int pw, int ph, int x, int y, DWORD colour) {
    for (int ty = 0; ty < ph; ty += 64)
      for (int tx = 0; tx < pw; tx += 64) {
        DDSURFACEDESC2 desc{};
        desc.dwSize = sizeof(desc);
        ASSERT_EQ(texture->Lock(nullptr, &desc, DDLOCK_WAIT | DDLOCK_WRITEONLY, nullptr), DD_OK);
        const int cw = std::min(64, pw - tx), ch = std::min(64, ph - ty);
        if (cw < 64 || ch < 64) std::memset(desc.lpSurface, 0, static_cast<size_t>(desc.lPitch) * 64);
        for (int r = 0; r < ch; ++r)
          std::memcpy(static_cast<uint8_t*>(desc.lpSurface) + r * desc.lPitch,
                      picture.data() + static_cast<size_t>((ty + r) * pw + tx), static_cast<size_t>(cw) * 4);
        ASSERT_EQ(texture->Unlock(nullptr), DD_OK);
        const float fx = static_cast<float>(x + tx) - 0.5f, fy = static_cast<float>(y + ty) - 0.5f;
        const float u = cw / 64.0f, v = ch / 64.0f;
        D3DTLVERTEX q[4] = {D3DTest::TL(fx, fy, colour, 0, 0),
                            D3DTest::TL(fx, fy + static_cast<float>(ch), colour, 0, v),
                            D3DTest::TL(fx + static_cast<float>(cw), fy, colour, u, 0),
                            D3DTest::TL(fx + static_cast<float>(cw), fy + static_cast<float>(ch), colour, u, v)};
        ASSERT_EQ(device->SetTexture(0, texture), D3D_OK);
        ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, D3DFVF_TLVERTEX, q, 4, D3DDP_WAIT), D3D_OK);
        ASSERT_EQ(device->SetTexture(0, nullptr), D3D_OK);
      }
  }

  struct Outcome {
    int off = 0;
    bool uniform = true;
  };

  // One scene: clear, blend states, the draws, read back the top-left w x h.
  Outcome Scene(DWORD src, DWORD dest, bool modulateAlpha, uint32_t first, DWORD firstColour, uint32_t second,
                DWORD secondColour, uint32_t expected) {
    EXPECT_EQ(device->BeginScene(), D3D_OK);
    EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u, 1.0f, 0), D3D_OK);
    device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, 1);
    device->SetRenderState(D3DRENDERSTATE_SRCBLEND, src);
    device->SetRenderState(D3DRENDERSTATE_DESTBLEND, dest);
    device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
    if (modulateAlpha) device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    DrawTiled(std::vector<uint32_t>(64 * 64, first), 64, 64, 0, 0, firstColour);
    DrawTiled(std::vector<uint32_t>(64 * 64, second), 64, 64, 0, 0, secondColour);
    EXPECT_EQ(device->EndScene(), D3D_OK);
    Outcome o;
    const uint32_t firstPixel = Pixel(0, 0);
    for (int y = 0; y < 10; ++y)
      for (int x = 0; x < 10; ++x) {
        o.uniform = o.uniform && Pixel(x, y) == firstPixel;
        o.off += D3DTest::ColorDistanceSquared(Pixel(x, y), expected) > 768;
      }
    return o;
  }
};

TEST_P(CapabilityScenes, AlphaBlend) {
  const Outcome o =
      Scene(D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, false, 0xFF0000FF, 0xFFFFFFFF, 0x80FF0000, 0xFFFFFFFF, 0x7F007F);
  EXPECT_EQ(o.off, 0);
  EXPECT_TRUE(o.uniform);
  if (GetParam() == Format::kRGB888) {
    EXPECT_EQ(Pixel(5, 5), 0xFF80007Fu);
  }
}

TEST_P(CapabilityScenes, AdditiveBlend) {
  const Outcome o = Scene(D3DBLEND_ONE, D3DBLEND_ONE, false, 0xFF404040, 0xFFFFFFFF, 0xFF404040, 0xFFFFFFFF, 0x808080);
  EXPECT_EQ(o.off, 0);
  EXPECT_TRUE(o.uniform);
  if (GetParam() == Format::kRGB888) {
    EXPECT_EQ(Pixel(5, 5), 0xFF808080u);
  }
}

TEST_P(CapabilityScenes, AlphaAddBlend) {
  const Outcome o =
      Scene(D3DBLEND_SRCALPHA, D3DBLEND_ONE, false, 0xFF404040, 0xFFFFFFFF, 0x80808080, 0xFFFFFFFF, 0x808080);
  EXPECT_EQ(o.off, 0);
  EXPECT_TRUE(o.uniform);
}

TEST_P(CapabilityScenes, AlphaModulatedBlendEqualsTheAlphaCase) {
  const Outcome o =
      Scene(D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, true, 0xFF0000FF, 0xFFFFFFFF, 0xFFFF0000, 0x80FFFFFF, 0x7F007F);
  EXPECT_EQ(o.off, 0);
  EXPECT_TRUE(o.uniform);
  if (GetParam() == Format::kRGB888) {
    EXPECT_EQ(Pixel(5, 5), 0xFF80007Fu);
  }
}

TEST_P(CapabilityScenes, ClipColumnsAreExactAtTheLeftAndTopEdges) {
  ASSERT_EQ(device->BeginScene(), D3D_OK);
  ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u, 1.0f, 0), D3D_OK);
  device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, 1);
  device->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA);
  device->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA);
  std::vector<uint32_t> columns(64 * 64);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) columns[static_cast<size_t>(y * 64 + x)] = x % 2 ? 0xFFFFFFFFu : 0xFF000000u;
  DrawTiled(columns, 64, 64, -2, -2, 0xFFFFFFFF);
  ASSERT_EQ(device->EndScene(), D3D_OK);
  int off = 0;
  for (int y = 0; y < 62; ++y)
    for (int x = 0; x < 62; ++x) off += D3DTest::ColorDistanceSquared(Pixel(x, y), x % 2 ? 0xFFFFFF : 0) > 768;
  EXPECT_EQ(off, 0);
}

TEST_P(CapabilityScenes, FaultyBlendFailsTheAlphaScene) {
  D3DStandIn::GetFaults().faultyBlend = true;
  const Outcome o =
      Scene(D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, false, 0xFF0000FF, 0xFFFFFFFF, 0x80FF0000, 0xFFFFFFFF, 0x7F007F);
  EXPECT_EQ(o.off, 100);
}

INSTANTIATE_TEST_SUITE_P(Targets, CapabilityScenes, ::testing::Values(Format::kRGB888, Format::kRGB565),
                         FormatParamName);

}  // namespace
