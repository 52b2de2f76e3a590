// Drawing operations of the renderer: rectangles and lines untextured, and
// images as textured quads walked piece by piece through their texture data.
//
// Every quad sits half a pixel up and left so that pixel centres meet texel
// centres (the device samples at pixel centres). A failed call leaves its
// text in gLastDirectXError and the loop goes on; the present then leaves 3D.
#include <cstring>

#include "display/D3DInterface.h"
#include "display/D3DTextureData.h"
#include "image/Image.h"
#include "image/MemoryImage.h"

namespace Kivo {

namespace {

// The call's colour as a vertex colour; channels are not masked.
DWORD PackColor(const Color& c) {
  return (static_cast<DWORD>(c.alpha) << 24) | (static_cast<DWORD>(c.red) << 16) |
         (static_cast<DWORD>(c.green) << 8) | static_cast<DWORD>(c.blue);
}

D3DTLVERTEX Vertex(float x, float y, DWORD colour, float u, float v) { return D3DTLVERTEX{x, y, 0, 1, colour, 0, u, v}; }

}  // namespace

// Untextured draws must not sample whatever the last image left bound.
static void UnbindTextures(IDirect3DDevice7* device) {
  CheckD3DResult(device->SetTexture(0, nullptr), "SetTexture NULL");
  CheckD3DResult(device->SetTexture(1, nullptr), "SetTexture NULL");
}

void D3DInterface::FillRect(const Rect& rect, const Color& color, int32_t drawMode) {
  if (!PreDraw()) return;
  SetBlendMode(drawMode, &color, nullptr);
  UnbindTextures(device);
  const DWORD c = PackColor(color);
  const float x = static_cast<float>(rect.x) - 0.5f, y = static_cast<float>(rect.y) - 0.5f;
  const float w = static_cast<float>(rect.width), h = static_cast<float>(rect.height);
  D3DTLVERTEX quad[4] = {Vertex(x, y, c, 0, 0), Vertex(x, y + h, c, 0, 0), Vertex(x + w, y, c, 0, 0),
                         Vertex(x + w, y + h, c, 0, 0)};
  CheckD3DResult(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, D3DFVF_TLVERTEX, quad, 4, 0), "DrawPrimitive (Rect)");
}

void D3DInterface::DrawLine(double x1, double y1, double x2, double y2, const Color& color, int32_t drawMode) {
  if (!PreDraw()) return;
  SetBlendMode(drawMode, &color, nullptr);
  UnbindTextures(device);
  const DWORD c = PackColor(color);
  const float ex = static_cast<float>(x2), ey = static_cast<float>(y2);
  // The extra half-pixel step makes the end point itself light up.
  D3DTLVERTEX line[3] = {Vertex(static_cast<float>(x1), static_cast<float>(y1), c, 0, 0), Vertex(ex, ey, c, 0, 0),
                         Vertex(ex + 0.5f, ey + 0.5f, c, 0, 0)};
  CheckD3DResult(device->DrawPrimitive(D3DPT_LINESTRIP, D3DFVF_TLVERTEX, line, 3, 0), "DrawPrimitive (Line)");
}

void D3DInterface::DrawImage(Image* source, float x, float y, const Rect& sourceRect, const Color& color,
                             int32_t drawMode) {
  MemoryImage* image = source != nullptr ? source->AsMemoryImage() : nullptr;
  if (image == nullptr) return;
  // A source rectangle reaching past the image would walk off the piece
  // grid; only the part inside the image is drawn, at its own place.
  const Rect src = sourceRect.Intersection(Rect(0, 0, image->width, image->height));
  if (src.width <= 0 || src.height <= 0) return;
  if (!PreDraw() || !EnsureTexture(image)) return;
  SetBlendMode(drawMode, &color, image);
  const TextureData* data = image->textureData;
  if (data == nullptr) return;
  const DWORD c = PackColor(color);
  float dy = y + static_cast<float>(src.y - sourceRect.y) - 0.5f;
  for (int32_t sy = src.y; sy < src.y + src.height;) {
    int32_t rowHeight = 0;
    float dx = x + static_cast<float>(src.x - sourceRect.x) - 0.5f;
    for (int32_t sx = src.x; sx < src.x + src.width;) {
      int32_t w = src.x + src.width - sx, h = src.y + src.height - sy;
      float u0 = 0, v0 = 0, u1 = 0, v1 = 0;
      IDirectDrawSurface7* piece = data->GetPieceAt(sx, sy, w, h, u0, v0, u1, v1);
      if (piece == nullptr || w <= 0 || h <= 0) return;  // an empty piece would never end the walk
      CheckD3DResult(device->SetTexture(0, piece), "SetTexture gTexture");
      CheckD3DResult(device->SetTexture(1, nullptr), "SetTexture2 0");
      const float fw = static_cast<float>(w), fh = static_cast<float>(h);
      D3DTLVERTEX quad[4] = {Vertex(dx, dy, c, u0, v0), Vertex(dx, dy + fh, c, u0, v1), Vertex(dx + fw, dy, c, u1, v0),
                             Vertex(dx + fw, dy + fh, c, u1, v1)};
      CheckD3DResult(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, D3DFVF_TLVERTEX, quad, 4, 0),
                     "DrawPrimitive (Tri) 1");
      sx += w;
      dx += fw;
      rowHeight = h;
    }
    sy += rowHeight;
    dy += static_cast<float>(rowHeight);
  }
}

}  // namespace Kivo
