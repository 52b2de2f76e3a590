// Test patterns, texture upload, read-back and pixel comparison of the 3D
// capability test.
#include "display/D3DTestImage.h"

#include <algorithm>
#include <cstring>

#include "display/DirectXErrorNames.h"

namespace Kivo {

bool gTestTextures8888 = true;

void D3DTestCheck(HRESULT result, const char* callName) {
  if (result >= 0) return;
  throw D3DTestException(std::string("DXError - ") + callName + ": " + GetDirectXErrorName(result));
}

void D3DTestImage::Create(int32_t w, int32_t h) {
  Free();
  if (w <= 0 || h <= 0) return;
  pixels.reset(new uint32_t[static_cast<size_t>(w) * static_cast<size_t>(h)]);
  width = w;
  height = h;
}

void D3DTestImage::Free() {
  pixels.reset();
  width = height = 0;
}

void D3DTestImage::FillRect(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t colour) {
  for (int32_t r = y; r < y + h; ++r)
    for (int32_t c = x; c < x + w; ++c) At(c, r) = colour;
}

void D3DTestImage::FillColumns() {
  for (int32_t r = 0; r < height; ++r)
    for (int32_t c = 0; c < width; ++c) At(c, r) = (c & 1) != 0 ? 0xFFFFFFFFu : 0xFF000000u;
}

void D3DTestImage::CopyToTexture(IDirectDrawSurface7* texture, int32_t x, int32_t y, int32_t w, int32_t h,
                                 bool format8888) {
  DDSURFACEDESC2 desc;
  std::memset(&desc, 0, sizeof(desc));
  desc.dwSize = sizeof(desc);
  D3DTestCheck(texture->Lock(nullptr, &desc, DDLOCK_WAIT | DDLOCK_WRITEONLY, nullptr), "Lock Texture");
  const int32_t cw = std::min(w, width - x), ch = std::min(h, height - y);
  auto* base = static_cast<uint8_t*>(desc.lpSurface);
  if (cw < w || ch < h) std::memset(base, 0, static_cast<size_t>(desc.lPitch) * desc.dwHeight);
  for (int32_t r = 0; r < ch; ++r) {
    uint8_t* row = base + static_cast<size_t>(r) * static_cast<size_t>(desc.lPitch);
    for (int32_t c = 0; c < cw; ++c) {
      const uint32_t p = At(x + c, y + r);
      if (format8888) {
        reinterpret_cast<uint32_t*>(row)[c] = p;
      } else {
        reinterpret_cast<uint16_t*>(row)[c] = static_cast<uint16_t>(((p >> 16) & 0xF000) | ((p >> 12) & 0x0F00) |
                                                                    ((p >> 8) & 0x00F0) | ((p >> 4) & 0x000F));
      }
    }
  }
  D3DTestCheck(texture->Unlock(nullptr), "Texture Unlock");
}

void D3DTestImage::CopyToTexture8888(IDirectDrawSurface7* texture, int32_t x, int32_t y, int32_t w, int32_t h) {
  CopyToTexture(texture, x, y, w, h, true);
}

void D3DTestImage::CopyToTexture4444(IDirectDrawSurface7* texture, int32_t x, int32_t y, int32_t w, int32_t h) {
  CopyToTexture(texture, x, y, w, h, false);
}

void D3DTestImage::DrawAsTexture(IDirect3DDevice7* device, IDirectDrawSurface7* texture, float x, float y,
                                 int32_t sourceX, int32_t sourceY, int32_t w, int32_t h, uint32_t colour) {
  CopyToTexture(texture, sourceX, sourceY, w, h, gTestTextures8888);
  const float u = static_cast<float>(w) / 64.0f, v = static_cast<float>(h) / 64.0f;
  // Texel centres on pixel centres.
  x -= 0.5f;
  y -= 0.5f;
  const float fw = static_cast<float>(w), fh = static_cast<float>(h);
  D3DTLVERTEX quad[4] = {{x, y, 0, 1, colour, 0, 0, 0},
                         {x, y + fh, 0, 1, colour, 0, 0, v},
                         {x + fw, y, 0, 1, colour, 0, u, 0},
                         {x + fw, y + fh, 0, 1, colour, 0, u, v}};
  D3DTestCheck(device->SetTexture(0, texture), "SetTexture theTexture");
  D3DTestCheck(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, D3DFVF_TLVERTEX, quad, 4, D3DDP_WAIT), "DrawPrimitive");
  D3DTestCheck(device->SetTexture(0, nullptr), "SetTexture NULL");
}

void D3DTestImage::DrawTiled(IDirect3DDevice7* device, IDirectDrawSurface7* texture, int32_t x, int32_t y,
                             uint32_t colour) {
  for (int32_t ty = 0; ty < height; ty += 64)
    for (int32_t tx = 0; tx < width; tx += 64)
      DrawAsTexture(device, texture, static_cast<float>(x + tx), static_cast<float>(y + ty), tx, ty, 64, 64, colour);
}

bool D3DTestImage::CountOff(uint32_t expected, int32_t& count, int32_t w, int32_t h) const {
  count = 0;
  bool uniform = true;
  if (pixels == nullptr) return uniform;
  const uint32_t first = pixels[0];
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      const uint32_t p = pixels[static_cast<size_t>(y) * width + x];
      if (p != first) uniform = false;
      if (ColorDistanceSquared(p, expected) > 768) ++count;
    }
  return uniform;
}

int32_t D3DTestImage::CountColumnPatternOff(int32_t w, int32_t h, int32_t x, int32_t y) const {
  int32_t count = 0;
  for (int32_t r = 0; r < h; ++r)
    for (int32_t c = 0; c < w; ++c) {
      // Parity of the image column, so a region from an odd x starts white.
      const uint32_t expected = ((x + c) & 1) != 0 ? 0xFFFFFFu : 0u;
      if (ColorDistanceSquared(pixels[static_cast<size_t>(y + r) * width + (x + c)], expected) > 768) ++count;
    }
  return count;
}

int32_t ColorDistanceSquared(uint32_t a, uint32_t b) {
  const int32_t dr = static_cast<int32_t>((a >> 16) & 0xFF) - static_cast<int32_t>((b >> 16) & 0xFF);
  const int32_t dg = static_cast<int32_t>((a >> 8) & 0xFF) - static_cast<int32_t>((b >> 8) & 0xFF);
  const int32_t db = static_cast<int32_t>(a & 0xFF) - static_cast<int32_t>(b & 0xFF);
  return dr * dr + dg * dg + db * db;
}

int32_t HighestBitIndex(uint32_t value) {
  for (int32_t i = 31; i >= 1; --i)
    if ((value >> i) & 1u) return i;
  return 0;
}

namespace {

uint32_t Shifted(uint32_t pixel, uint32_t mask, int32_t shift) {
  const uint32_t v = pixel & mask;
  return shift >= 0 ? v << shift : v >> -shift;
}

template <typename Pixel>
void ReadSurface(D3DTestImage& image, const DDSURFACEDESC2& desc) {
  const DDPIXELFORMAT& f = desc.ddpfPixelFormat;
  const int32_t rs = 23 - HighestBitIndex(f.dwRBitMask), gs = 15 - HighestBitIndex(f.dwGBitMask),
                bs = 7 - HighestBitIndex(f.dwBBitMask);
  for (int32_t y = 0; y < image.height; ++y) {
    const auto* row = reinterpret_cast<const Pixel*>(static_cast<const uint8_t*>(desc.lpSurface) +
                                                     static_cast<size_t>(y) * static_cast<size_t>(desc.lPitch));
    for (int32_t x = 0; x < image.width; ++x) {
      const uint32_t p = row[x];
      image.At(x, y) = 0xFF000000u | (Shifted(p, f.dwRBitMask, rs) & 0xFF0000u) |
                       (Shifted(p, f.dwGBitMask, gs) & 0xFF00u) | (Shifted(p, f.dwBBitMask, bs) & 0xFFu);
    }
  }
}

}  // namespace

void ReadSurface32(D3DTestImage& image, const DDSURFACEDESC2& desc) { ReadSurface<uint32_t>(image, desc); }
void ReadSurface16(D3DTestImage& image, const DDSURFACEDESC2& desc) { ReadSurface<uint16_t>(image, desc); }

}  // namespace Kivo
