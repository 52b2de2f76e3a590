// Shared pieces of the Direct3D tests: a DirectDraw object with a 3D render
// target of a chosen format, a device on it, textures filled from pixels,
// pre-transformed quads, and the read-back of the target.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/devices/D3D.h"
#include "platform/devices/D3DRaster.h"
#include "platform/devices/DDraw.h"
#include "tests/platform/ddraw_format_names.h"

namespace D3DTest {

inline D3DTLVERTEX TL(float x, float y, DWORD colour, float u, float v) {
  D3DTLVERTEX t{};
  t.sx = x;
  t.sy = y;
  t.rhw = 1.0f;
  t.color = colour;
  t.tu = u;
  t.tv = v;
  return t;
}

class DeviceFixture : public ::testing::Test {
 protected:
  IDirectDraw7* dd = nullptr;
  IDirect3D7* d3d = nullptr;
  IDirectDrawSurface7* target = nullptr;
  IDirect3DDevice7* device = nullptr;
  int width = 100;
  int height = 100;

  void SetUp() override {
    DDrawStandIn::Reset();
    D3DStandIn::Reset();
    void* out = nullptr;
    ASSERT_EQ(DirectDrawCreateEx(nullptr, &out, IID_IDirectDraw7, nullptr), DD_OK);
    dd = static_cast<IDirectDraw7*>(out);
    ASSERT_EQ(dd->QueryInterface(IID_IDirect3D7, &out), D3D_OK);
    d3d = static_cast<IDirect3D7*>(out);
  }
  void TearDown() override {
    ReleaseTarget();
    if (d3d != nullptr) d3d->Release();
    if (dd != nullptr) dd->Release();
    D3DStandIn::Reset();
    EXPECT_EQ(D3DStandIn::LiveDevices(), 0);
    EXPECT_EQ(D3DStandIn::LiveDirect3D(), 0);
  }

  void ReleaseTarget() {
    if (device != nullptr) device->Release();
    if (target != nullptr) target->Release();
    device = nullptr;
    target = nullptr;
  }

  IDirectDrawSurface7* MakeSurface(int w, int h, DDrawStandIn::Format format, DWORD caps) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    desc.dwWidth = static_cast<DWORD>(w);
    desc.dwHeight = static_cast<DWORD>(h);
    desc.ddsCaps.dwCaps = caps;
    desc.ddpfPixelFormat = DDrawStandIn::PixelFormatOf(format);
    IDirectDrawSurface7* s = nullptr;
    EXPECT_EQ(dd->CreateSurface(&desc, &s, nullptr), DD_OK);
    return s;
  }

  // A 3D target of the format, cleared to black, and a device in a scene.
  void MakeTarget(DDrawStandIn::Format format, int w = 100, int h = 100) {
    ReleaseTarget();
    width = w;
    height = h;
    target = MakeSurface(w, h, format, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE);
    ASSERT_NE(target, nullptr);
    ASSERT_EQ(d3d->CreateDevice(IID_IDirect3DHALDevice, target, &device), D3D_OK);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u, 1.0f, 0), D3D_OK);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
  }

  // A texture of the format filled from 0xAARRGGBB pixels (converted the
  // way the renderer's uploads do; Palette8 takes the pixels as indices).
  IDirectDrawSurface7* MakeTexture(int w, int h, DDrawStandIn::Format format, const std::vector<uint32_t>& pixels) {
    IDirectDrawSurface7* t = MakeSurface(w, h, format, DDSCAPS_TEXTURE);
    if (t == nullptr) return nullptr;
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    EXPECT_EQ(t->Lock(nullptr, &desc, DDLOCK_WAIT | DDLOCK_WRITEONLY, nullptr), DD_OK);
    for (int y = 0; y < h; ++y) {
      uint8_t* row = static_cast<uint8_t*>(desc.lpSurface) + y * desc.lPitch;
      for (int x = 0; x < w; ++x) {
        const uint32_t p = pixels[static_cast<size_t>(y * w + x)];
        if (format == DDrawStandIn::Format::kARGB8888) {
          std::memcpy(row + x * 4, &p, 4);
        } else if (format == DDrawStandIn::Format::kARGB4444) {
          const uint16_t t16 =
              static_cast<uint16_t>((p >> 16 & 0xF000) | (p >> 12 & 0x0F00) | (p >> 8 & 0x00F0) | (p >> 4 & 0x000F));
          std::memcpy(row + x * 2, &t16, 2);
        } else if (format == DDrawStandIn::Format::kRGB565) {
          const uint16_t t16 = static_cast<uint16_t>((p >> 8 & 0xF800) | (p >> 5 & 0x07E0) | (p >> 3 & 0x001F));
          std::memcpy(row + x * 2, &t16, 2);
        } else {
          row[x] = static_cast<uint8_t>(p);
        }
      }
    }
    EXPECT_EQ(t->Unlock(nullptr), DD_OK);
    return t;
  }

  // A quad as the renderer draws an image: corners moved by -0.5.
  void DrawQuad(float x, float y, float w, float h, DWORD colour, float u0 = 0, float v0 = 0, float u1 = 1,
                float v1 = 1) {
    D3DTLVERTEX q[4] = {TL(x - 0.5f, y - 0.5f, colour, u0, v0), TL(x - 0.5f, y - 0.5f + h, colour, u0, v1),
                        TL(x - 0.5f + w, y - 0.5f, colour, u1, v0), TL(x - 0.5f + w, y - 0.5f + h, colour, u1, v1)};
    ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, D3DFVF_TLVERTEX, q, 4, 0), D3D_OK);
  }

  // The target's pixel as 0xFFRRGGBB.
  uint32_t Pixel(int x, int y) {
    DDrawStandIn::SurfaceView v;
    DDrawStandIn::ViewSurface(target, &v);
    D3DRaster::Target t;
    t.pixels = v.pixels;
    t.width = v.width;
    t.height = v.height;
    t.pitch = v.pitch;
    t.format = v.format == DDrawStandIn::Format::kRGB565 ? D3DRaster::TargetFormat::kRGB565
                                                         : D3DRaster::TargetFormat::kXRGB8888;
    return D3DRaster::ReadPixel(t, x, y);
  }

  // Pixels different from black in row y (as a string of '#' and '.').
  std::string Row(int y, int x0, int x1) {
    std::string s;
    for (int x = x0; x < x1; ++x) s += (Pixel(x, y) & 0xFFFFFF) != 0 ? '#' : '.';
    return s;
  }

  int CountLit() {
    int n = 0;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) n += (Pixel(x, y) & 0xFFFFFF) != 0;
    return n;
  }
};

inline int ColorDistanceSquared(uint32_t a, uint32_t b) {
  const int dr = static_cast<int>((a >> 16) & 0xFF) - static_cast<int>((b >> 16) & 0xFF);
  const int dg = static_cast<int>((a >> 8) & 0xFF) - static_cast<int>((b >> 8) & 0xFF);
  const int db = static_cast<int>(a & 0xFF) - static_cast<int>(b & 0xFF);
  return dr * dr + dg * dg + db * db;
}

}  // namespace D3DTest
