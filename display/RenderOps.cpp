// Drawing operations of the renderer: rectangles and lines untextured, and
// images as textured quads walked piece by piece through their texture data.
//
// Every quad sits half a pixel up and left so that pixel centres meet texel
// centres (the device samples at pixel centres). A failed call leaves its
// text in gLastDirectXError and the loop goes on; the present then leaves 3D.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "display/D3DInterface.h"
#include "display/D3DTextureData.h"
#include "display/D3DTrianglePieces.h"
#include "display/D3DVertexList.h"
#include "display/RenderOpsInternal.h"
#include "image/Image.h"
#include "image/MemoryImage.h"
#include "shell/base/Matrix.h"

namespace Kivo {

namespace {

// The call's colour as a vertex colour; channels are not masked.
DWORD PackColor(const Color& c) {
  return (static_cast<DWORD>(c.alpha) << 24) | (static_cast<DWORD>(c.red) << 16) | (static_cast<DWORD>(c.green) << 8) |
         static_cast<DWORD>(c.blue);
}

D3DTLVERTEX Vertex(float x, float y, DWORD colour, float u, float v) {
  return D3DTLVERTEX{x, y, 0, 1, colour, 0, u, v};
}

}  // namespace

// Untextured draws must not sample whatever the last image left bound;
// false when that failed (the draw then gives up its step).
static bool UnbindTextures(IDirect3DDevice7* device) {
  const bool failed0 = CheckD3DResult(device->SetTexture(0, nullptr), "SetTexture NULL");
  const bool failed1 = CheckD3DResult(device->SetTexture(1, nullptr), "SetTexture NULL");
  return !failed0 && !failed1;
}

// Binds one piece for a single-texture draw; false when the piece is not
// bound, so the caller skips what it would have drawn with it.
static bool BindPiece(IDirect3DDevice7* device, IDirectDrawSurface7* piece) {
  const bool failed0 = CheckD3DResult(device->SetTexture(0, piece), "SetTexture gTexture");
  const bool failed1 = CheckD3DResult(device->SetTexture(1, nullptr), "SetTexture2 0");
  return !failed0 && !failed1;
}

void D3DInterface::FillRect(const Rect& rect, const Color& color, int32_t drawMode) {
  if (!PreDraw()) return;
  SetBlendMode(drawMode, &color, nullptr);
  if (!UnbindTextures(device)) return;
  const DWORD c = PackColor(color);
  const float x = static_cast<float>(rect.x) - 0.5f, y = static_cast<float>(rect.y) - 0.5f;
  const float w = static_cast<float>(rect.width), h = static_cast<float>(rect.height);
  D3DTLVERTEX quad[4] = {Vertex(x, y, c, 0, 0), Vertex(x, y + h, c, 0, 0), Vertex(x + w, y, c, 0, 0),
                         Vertex(x + w, y + h, c, 0, 0)};
  CheckD3DResult(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, D3DFVF_TLVERTEX, quad, 4, 0), "DrawPrimitive (Rect)");
}

void D3DInterface::FillRect3D(const Rect& rect, const Color& color, int32_t drawMode) {
  if (!PreDraw()) return;
  SetBlendMode(drawMode, &color, nullptr);
  if (!UnbindTextures(device)) return;
  const DWORD c = PackColor(color);
  // 64-bit sums: a rectangle near the integer limits must not wrap.
  const float x0 = static_cast<float>(int64_t{rect.x} - (width >> 1)) - 0.5f;
  const float y0 = static_cast<float>(int64_t{height >> 1} - rect.y - rect.height) - 0.5f;
  const float w = static_cast<float>(rect.width), h = static_cast<float>(rect.height);
  D3DVERTEX3D2 quad[4] = {{x0, y0, 0, c, 0, 0, 0, 0},
                          {x0, y0 + h, 0, c, 0, 0, 0, 0},
                          {x0 + w, y0, 0, c, 0, 0, 0, 0},
                          {x0 + w, y0 + h, 0, c, 0, 0, 0, 0}};
  CheckD3DResult(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX2, quad, 4, 0),
                 "DrawPrimitive3D (Rect)");
}

void D3DInterface::DrawQuadWrappedUV(Image* source, float x, float y, float quadWidth, float quadHeight,
                                     const Color& color, int32_t drawMode, float uLeft, float vTop, float uRight,
                                     float vBottom) {
  MemoryImage* image = source != nullptr ? source->AsMemoryImage() : nullptr;
  if (image == nullptr) return;
  if (!PreDraw() || !EnsureTexture(image)) return;
  SetBlendMode(drawMode, &color, image);
  const TextureData* data = image->textureData;
  if (data == nullptr || data->pieces.empty() || data->pieces[0].surface == nullptr) return;
  const DWORD c = PackColor(color);
  const float left = x - 0.5f, top = y - 0.5f;
  D3DTLVERTEX quad[4] = {Vertex(left, top, c, uLeft, vTop), Vertex(left, top + quadHeight, c, uLeft, vBottom),
                         Vertex(left + quadWidth, top, c, uRight, vTop),
                         Vertex(left + quadWidth, top + quadHeight, c, uRight, vBottom)};
  device->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP);
  device->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_WRAP);
  if (BindPiece(device, data->pieces[0].surface))
    CheckD3DResult(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, D3DFVF_TLVERTEX, quad, 4, 0), "DrawPrimitive (Tri) 1");
  // Every other draw relies on clamped edges.
  device->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
  device->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_CLAMP);
}

void D3DInterface::DrawLine(double x1, double y1, double x2, double y2, const Color& color, int32_t drawMode) {
  if (!PreDraw()) return;
  SetBlendMode(drawMode, &color, nullptr);
  if (!UnbindTextures(device)) return;
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
  if (image == nullptr || sourceRect.width <= 0 || sourceRect.height <= 0) return;
  if (!PreDraw() || !EnsureTexture(image)) return;
  SetBlendMode(drawMode, &color, image);
  const TextureData* data = image->textureData;
  if (data == nullptr) return;
  const DWORD c = PackColor(color);
  // Blocks of a source rectangle cut to the image keep their own place.
  data->WalkPieces(sourceRect, [&](const PieceBlock& b) {
    if (!BindPiece(device, b.piece)) return;
    const float dx = x + static_cast<float>(int64_t{b.x} - sourceRect.x) - 0.5f;
    const float dy = y + static_cast<float>(int64_t{b.y} - sourceRect.y) - 0.5f;
    const float fw = static_cast<float>(b.width), fh = static_cast<float>(b.height);
    D3DTLVERTEX quad[4] = {Vertex(dx, dy, c, b.uMin, b.vMin), Vertex(dx, dy + fh, c, b.uMin, b.vMax),
                           Vertex(dx + fw, dy, c, b.uMax, b.vMin), Vertex(dx + fw, dy + fh, c, b.uMax, b.vMax)};
    CheckD3DResult(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, D3DFVF_TLVERTEX, quad, 4, 0), "DrawPrimitive (Tri) 1");
  });
}

bool D3DInterface::FillPolygon(const int32_t* points, int32_t count, const Rect& clip, const Color& color,
                               int32_t drawMode, int32_t offsetX, int32_t offsetY) {
  if (points == nullptr || count < 3) return true;
  if (!PreDraw()) return true;
  SetBlendMode(drawMode, &color, nullptr);
  if (!UnbindTextures(device)) return true;
  const DWORD c = PackColor(color);
  VertexList<TLVertex> polygon;
  for (int32_t i = 0; i < count; ++i) {
    TLVertex v;
    v.x = static_cast<float>(offsetX + points[2 * i]);
    v.y = static_cast<float>(offsetY + points[2 * i + 1]);
    v.colour = c;
    polygon.Add(v);
  }
  ClipAndDrawPolygon(device, &clip, polygon);
  return true;
}

namespace {

struct Corner {
  float x, y;
};

}  // namespace

// The quad walk of DrawImage in local coordinates, each corner mapped by the
// matrix. Quads leaving the clip go through the polygon clipper.
static void DrawTransformed(D3DInterface& r, MemoryImage* image, const Matrix3& matrix, const Rect& sourceRect,
                            const Color& color, const Rect* clip, float x, float y, bool centred) {
  if (sourceRect.width <= 0 || sourceRect.height <= 0) return;
  const TextureData* data = image->textureData;
  if (data == nullptr) return;
  const DWORD c = PackColor(color);
  float ox = 0, oy = 0, offset = 0.5f;
  if (centred) {
    ox = -static_cast<float>(sourceRect.width) / 2.0f;
    oy = -static_cast<float>(sourceRect.height) / 2.0f;
    offset = 0.0f;
  }
  data->WalkPieces(sourceRect, [&](const PieceBlock& b) {
    if (!BindPiece(r.device, b.piece)) return;
    const float lx = ox + static_cast<float>(int64_t{b.x} - sourceRect.x);
    const float ly = oy + static_cast<float>(int64_t{b.y} - sourceRect.y);
    const float fw = static_cast<float>(b.width), fh = static_cast<float>(b.height);
    const Corner local[4] = {{lx, ly}, {lx, ly + fh}, {lx + fw, ly}, {lx + fw, ly + fh}};
    const float us[4] = {b.uMin, b.uMin, b.uMax, b.uMax}, vs[4] = {b.vMin, b.vMax, b.vMin, b.vMax};
    D3DTLVERTEX quad[4];
    bool outside = false;
    for (int i = 0; i < 4; ++i) {
      const Vector2 p = matrix.TransformPoint(Vector2(local[i].x, local[i].y));
      quad[i] = Vertex(p.x + x - offset, p.y + y - offset, c, us[i], vs[i]);
      if (clip != nullptr && (quad[i].sx < static_cast<float>(clip->x) ||
                              quad[i].sx >= static_cast<float>(int64_t{clip->x} + clip->width) ||
                              quad[i].sy < static_cast<float>(clip->y) ||
                              quad[i].sy >= static_cast<float>(int64_t{clip->y} + clip->height)))
        outside = true;
    }
    if (outside) {
      VertexList<TLVertex> polygon;
      for (int i : {0, 1, 3, 2}) {
        TLVertex v;
        v.x = quad[i].sx;
        v.y = quad[i].sy;
        v.colour = quad[i].color;
        v.tu = quad[i].tu;
        v.tv = quad[i].tv;
        polygon.Add(v);
      }
      ClipAndDrawPolygon(r.device, clip, polygon);
    } else {
      CheckD3DResult(r.device->DrawPrimitive(D3DPT_TRIANGLESTRIP, D3DFVF_TLVERTEX, quad, 4, 0),
                     "DrawPrimitive (Tri) 3");
    }
  });
}

// Prologue shared by the matrix draws; false: draw nothing.
static MemoryImage* Prepare(D3DInterface& r, Image* source, const Color& color, int32_t drawMode) {
  MemoryImage* image = source != nullptr ? source->AsMemoryImage() : nullptr;
  if (image == nullptr || !r.PreDraw() || !r.EnsureTexture(image)) return nullptr;
  r.SetBlendMode(drawMode, &color, image);
  return image;
}

void D3DInterface::DrawImageByMatrix(Image* source, float x, float y, const Matrix3& matrix, const Rect& clip,
                                     const Color& color, int32_t drawMode, const Rect& sourceRect, bool) {
  if (MemoryImage* image = Prepare(*this, source, color, drawMode))
    DrawTransformed(*this, image, matrix, sourceRect, color, &clip, x, y, true);
}

void D3DInterface::DrawImageAtFloat(Image* source, float x, float y, const Rect& sourceRect, const Rect& clip,
                                    const Color& color, int32_t drawMode) {
  Matrix3 m;
  m.Translate(x, y);
  if (MemoryImage* image = Prepare(*this, source, color, drawMode))
    DrawTransformed(*this, image, m, sourceRect, color, &clip, 0, 0, false);
}

void D3DInterface::DrawImageMirrored(Image* source, float x, float y, const Rect& sourceRect, const Color& color,
                                     int32_t drawMode) {
  Matrix3 m;
  m.Translate(static_cast<float>(-sourceRect.width), 0);
  m.Scale(-1, 1);
  m.Translate(x, y);
  if (MemoryImage* image = Prepare(*this, source, color, drawMode))
    DrawTransformed(*this, image, m, sourceRect, color, nullptr, 0, 0, false);
}

void D3DInterface::DrawImageStretched(Image* source, const Rect& destRect, const Rect& sourceRect, const Rect& clip,
                                      const Color& color, int32_t drawMode, bool, bool mirror) {
  if (sourceRect.width <= 0 || sourceRect.height <= 0) return;
  const float sx = static_cast<float>(destRect.width) / static_cast<float>(sourceRect.width);
  const float sy = static_cast<float>(destRect.height) / static_cast<float>(sourceRect.height);
  Matrix3 m;
  if (mirror) {
    m.Translate(static_cast<float>(-sourceRect.width), 0);
    m.Scale(-sx, sy);
  } else {
    m.Scale(sx, sy);
  }
  m.Translate(static_cast<float>(destRect.x), static_cast<float>(destRect.y));
  if (MemoryImage* image = Prepare(*this, source, color, drawMode))
    DrawTransformed(*this, image, m, sourceRect, color, &clip, 0, 0, false);
}

void D3DInterface::DrawImageRotated(Image* source, float x, float y, const Rect& clip, const Color& color,
                                    int32_t drawMode, double angle, float centerX, float centerY,
                                    const Rect& sourceRect) {
  Matrix3 m;
  m.Translate(-centerX, -centerY);
  m.RotateRadians(static_cast<float>(angle));
  m.Translate(x + centerX, y + centerY);
  if (MemoryImage* image = Prepare(*this, source, color, drawMode))
    DrawTransformed(*this, image, m, sourceRect, color, &clip, 0, 0, false);
}

void D3DInterface::DrawTexturedTriangles(Image* texture, const TexturedVertex* vertices, int32_t triangleCount,
                                         const Rect&, const Color& color, int32_t drawMode, float offsetX,
                                         float offsetY, bool) {
  if (vertices == nullptr || triangleCount <= 0) return;
  MemoryImage* image = Prepare(*this, texture, color, drawMode);
  if (image == nullptr) return;
  const TextureData* data = image->textureData;
  if (data == nullptr || data->pieces.empty()) return;
  const DWORD callColour = PackColor(color);
  const auto makeVertex = [&](size_t i) {
    const TexturedVertex& t = vertices[i];
    TLVertex v;
    v.x = offsetX + t.x;
    v.y = offsetY + t.y;
    v.colour = t.color != 0 ? t.color : callColour;
    v.tu = t.u * data->maxU;
    v.tv = t.v * data->maxV;
    return v;
  };
  const auto bind = [this](IDirectDrawSurface7* piece) { return BindPiece(device, piece); };
  DrawTrianglesOverPieces<TLVertex>(device, data, triangleCount, D3DFVF_TLVERTEX, bind, NoSecondCoordinates<TLVertex>,
                                    makeVertex);
}

void D3DInterface::DrawVertexTrianglesRaw(Image* texture, const TriVertex* vertices, int32_t triangleCount,
                                          const Color& color, int32_t drawMode, float offsetX, float offsetY) {
  if (vertices == nullptr || triangleCount <= 0) return;
  MemoryImage* image = Prepare(*this, texture, color, drawMode);
  if (image == nullptr) return;
  const TextureData* data = image->textureData;
  if (data == nullptr || data->pieces.empty()) return;
  const DWORD callColour = PackColor(color);
  const auto makeVertex = [&](size_t i) { return MakeVertex3D(vertices[i], callColour, *data, offsetX, offsetY); };
  const auto bind = [this](IDirectDrawSurface7* piece) { return BindPiece(device, piece); };
  DrawTrianglesOverPieces<Vertex3D>(device, data, triangleCount, D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX2, bind,
                                    NoSecondCoordinates<Vertex3D>, makeVertex);
}

namespace {

// The strip's points are screen columns and negated rows; the 3D draws take
// them centred on the buffer, as lists of at most 100 triangles.
template <typename DrawList>
void ForEachStripBatch(const TriVertex* vertices, int32_t triangleCount, int32_t bufferWidth, int32_t bufferHeight,
                       DrawList drawList) {
  if (vertices == nullptr || triangleCount <= 0) return;
  const float shiftX = static_cast<float>(bufferWidth >> 1), shiftY = static_cast<float>(bufferHeight >> 1);
  TriVertex batch[300];
  for (int32_t first = 0; first < triangleCount; first += 100) {
    const int32_t n = std::min<int32_t>(100, triangleCount - first);
    for (int32_t t = 0; t < n; ++t)
      for (int k = 0; k < 3; ++k) {
        TriVertex v = vertices[first + t + k];
        v.x -= shiftX;
        v.y += shiftY;
        batch[3 * t + k] = v;
      }
    drawList(batch, n);
  }
}

}  // namespace

void ForEachCentredStripBatch(const TriVertex* vertices, int32_t triangleCount, int32_t bufferWidth,
                              int32_t bufferHeight, const StripBatchDraw& draw) {
  ForEachStripBatch(vertices, triangleCount, bufferWidth, bufferHeight, draw);
}

void D3DInterface::DrawVertexTriangles(Image* texture, const TriVertex* vertices, int32_t triangleCount,
                                       const Color& color, int32_t drawMode, float offsetX, float offsetY) {
  ForEachStripBatch(vertices, triangleCount, width, height, [&](const TriVertex* batch, int32_t n) {
    DrawVertexTrianglesRaw(texture, batch, n, color, drawMode, offsetX, offsetY);
  });
}

void D3DInterface::DrawVertexTrianglesRawWrapped(Image* texture, const TriVertex* vertices, int32_t triangleCount,
                                                 const Color& color, int32_t drawMode, float offsetX, float offsetY) {
  // The scene opens first: opening it sets the frame's states, clamping
  // among them, which would undo the wrapping on a frame's first draw.
  if (!PreDraw() || device == nullptr) return;
  device->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP);
  device->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_WRAP);
  DrawVertexTrianglesRaw(texture, vertices, triangleCount, color, drawMode, offsetX, offsetY);
  // Every other draw relies on clamped edges.
  if (device == nullptr) return;
  device->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
  device->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_CLAMP);
}

void D3DInterface::DrawVertexTrianglesWrapped(Image* texture, const TriVertex* vertices, int32_t triangleCount,
                                              const Color& color, int32_t drawMode, float offsetX, float offsetY) {
  ForEachStripBatch(vertices, triangleCount, width, height, [&](const TriVertex* batch, int32_t n) {
    DrawVertexTrianglesRawWrapped(texture, batch, n, color, drawMode, offsetX, offsetY);
  });
}

}  // namespace Kivo
