// Triangle clipping (Sutherland-Hodgman against the four clip edges), the
// fixed-point conversion and the rasterizer table.
#include "image/TriangleFrontEnd.h"

#include <atomic>
#include <cmath>

namespace Kivo {

namespace {

std::atomic<TriangleRasterizer>* RasterizerTable() {
  static std::atomic<TriangleRasterizer> table[kRasterizerCount] = {};
  return table;
}

// float -> 16.16 without overflow: positions and texture coordinates from
// callers are not trusted to be small.
int32_t ToFixed(double value) {
  const double scaled = value * 65536.0;
  if (!(scaled == scaled)) return 0;
  if (scaled >= 2147483647.0) return INT32_MAX;
  if (scaled <= -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(scaled);
}

uint32_t LerpColor(uint32_t a, uint32_t b, float t) {
  uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const float ca = static_cast<float>((a >> shift) & 0xFF);
    const float cb = static_cast<float>((b >> shift) & 0xFF);
    float v = ca + t * (cb - ca);
    v = v < 0.0f ? 0.0f : (v > 255.0f ? 255.0f : v);
    out |= static_cast<uint32_t>(v) << shift;
  }
  return out;
}

// The crossing of the edge from the outside vertex a to the inside vertex b
// with the line coordinate == bound (on x or on y).
TexturedVertex Crossing(const TexturedVertex& a, const TexturedVertex& b, float bound, bool onX) {
  const float pa = onX ? a.x : a.y;
  const float pb = onX ? b.x : b.y;
  const float t = (bound - pa) / (pb - pa);
  TexturedVertex v;
  v.x = a.x + t * (b.x - a.x);
  v.y = a.y + t * (b.y - a.y);
  v.u = a.u + t * (b.u - a.u);
  v.v = a.v + t * (b.v - a.v);
  v.color = LerpColor(a.color, b.color, t);
  return v;
}

// One clipping pass; keep(v) tells whether a vertex is inside.
template <typename Inside>
int ClipPass(const TexturedVertex* in, int count, TexturedVertex* out, float bound, bool onX, Inside inside) {
  int n = 0;
  for (int i = 0; i < count; ++i) {
    const TexturedVertex& cur = in[i];
    const TexturedVertex& next = in[(i + 1) % count];
    const bool curIn = inside(cur);
    const bool nextIn = inside(next);
    if (curIn && nextIn) {
      out[n++] = cur;
    } else if (!curIn && nextIn) {
      out[n++] = Crossing(cur, next, bound, onX);
    } else if (curIn && !nextIn) {
      out[n++] = cur;
      out[n++] = Crossing(next, cur, bound, onX);
    }
  }
  return n;
}

}  // namespace

TriangleRasterizer SetTriangleRasterizer(uint32_t index, TriangleRasterizer rasterizer) {
  if (index >= static_cast<uint32_t>(kRasterizerCount)) return nullptr;
  return RasterizerTable()[index].exchange(rasterizer);
}

uint32_t RasterizerIndex(bool textured, bool blended, bool vertexColors, bool tinted, PixelTag tag, bool blend) {
  uint32_t index = 0;
  if (blend) index |= kRasterFiltered;
  if (tinted) index |= kRasterTinted;
  if (vertexColors) index |= kRasterVertexColors;
  if (blended) index |= kRasterBlended;
  if (textured) index |= kRasterTextured;
  switch (tag) {
    case kPixelTag888: index |= 0x20; break;
    case kPixelTag565: index |= 0x40; break;
    case kPixelTag555: index |= 0x60; break;
    default: break;
  }
  return index;
}

int ClipTriangle(TexturedVertex* out, const TexturedVertex& v0, const TexturedVertex& v1, const TexturedVertex& v2,
                 float xMin, float xMax, float yMin, float yMax) {
  // Each pass adds at most one vertex: 3 in, at most 7 out.
  TexturedVertex a[12], b[12];
  a[0] = v0;
  a[1] = v1;
  a[2] = v2;
  int n = ClipPass(a, 3, b, xMin, true, [xMin](const TexturedVertex& v) { return v.x >= xMin; });
  if (n <= 2) return 0;
  n = ClipPass(b, n, a, xMax, true, [xMax](const TexturedVertex& v) { return v.x <= xMax; });
  if (n <= 2) return 0;
  n = ClipPass(a, n, b, yMin, false, [yMin](const TexturedVertex& v) { return v.y >= yMin; });
  if (n <= 2) return 0;
  n = ClipPass(b, n, out, yMax, false, [yMax](const TexturedVertex& v) { return v.y <= yMax; });
  // A sliver the last pass cuts to a line is nothing a rasterizer could fill.
  return n <= 2 ? 0 : n;
}

void DispatchRasterizer(bool textured, bool blended, bool vertexColors, bool tinted, const RasterVertex* vertices,
                        void* target, int32_t pitch, const RasterTexture* texture, const RasterColor* color,
                        PixelTag tag, bool blend) {
  const uint32_t index = RasterizerIndex(textured, blended, vertexColors, tinted, tag, blend);
  TriangleRasterizer r = RasterizerTable()[index].load();
  if (r != nullptr) r(vertices, target, pitch, texture, color);
}

void DrawTriangleStrip(const TexturedVertex* vertices, int32_t vertexCount, MemoryImage* texture, const Color& color,
                       int32_t, const Rect& clip, void* target, int32_t pitch, PixelTag tag, bool blend,
                       bool vertexColors) {
  if (vertices == nullptr || vertexCount < 3) return;
  const float xMin = static_cast<float>(clip.x);
  const float yMin = static_cast<float>(clip.y);
  const float xMax = static_cast<float>(static_cast<int64_t>(clip.x) + clip.width - 1);
  const float yMax = static_cast<float>(static_cast<int64_t>(clip.y) + clip.height - 1);
  const bool tinted = color != Color::White;

  bool blended = false;
  RasterTexture tex;
  if (texture != nullptr) {
    texture->ScanAlpha();
    blended = texture->hasTransparency || texture->hasPartialAlpha || blend;
    tex.pixels = texture->GetBits();
    // A texture software cannot read (video memory only) draws nothing.
    if (tex.pixels == nullptr && texture->width > 0 && texture->height > 0) return;
    tex.width = texture->width;
    tex.height = texture->height;
    int k = 0;
    for (int32_t half = tex.width / 2; half > 0; half >>= 1) ++k;
    tex.shift = 16 - k;
    tex.maxU = tex.width > 0 ? (tex.width - 1) * 65536 : 0;
    tex.maxV = tex.height > 0 ? (tex.height - 1) * 65536 : 0;
    tex.size = tex.width * tex.height;
  }
  RasterColor rc;
  rc.a = color.alpha;
  rc.r = color.red;
  rc.g = color.green;
  rc.b = color.blue;

  for (int32_t i = 0; i + 3 <= vertexCount; ++i) {
    const TexturedVertex& v0 = vertices[i];
    const TexturedVertex& v1 = (i & 1) ? vertices[i + 2] : vertices[i + 1];
    const TexturedVertex& v2 = (i & 1) ? vertices[i + 1] : vertices[i + 2];
    TexturedVertex clipped[12];
    const int n = ClipTriangle(clipped, v0, v1, v2, xMin, xMax, yMin, yMax);
    if (n == 0) continue;
    RasterVertex rv[12];
    for (int k = 0; k < n; ++k) {
      rv[k].x = ToFixed(clipped[k].x);
      rv[k].y = ToFixed(clipped[k].y);
      if (texture != nullptr) {
        rv[k].u = ToFixed(static_cast<double>(tex.width) * clipped[k].u);
        rv[k].v = ToFixed(static_cast<double>(tex.height) * clipped[k].v);
      }
      if (vertexColors) {
        const uint32_t c = clipped[k].color;
        rv[k].a = static_cast<int32_t>((c >> 24) << 16);
        rv[k].r = static_cast<int32_t>(((c >> 16) & 0xFF) << 16);
        rv[k].g = static_cast<int32_t>(((c >> 8) & 0xFF) << 16);
        rv[k].b = static_cast<int32_t>((c & 0xFF) << 16);
      }
    }
    const RasterTexture* texPtr = texture != nullptr ? &tex : nullptr;
    DispatchRasterizer(texture != nullptr, blended, vertexColors, tinted, rv, target, pitch, texPtr, &rc, tag, blend);
    for (int m = 2; m <= n - 2; ++m) {
      const RasterVertex fan[3] = {rv[0], rv[m], rv[m + 1]};
      DispatchRasterizer(texture != nullptr, blended, vertexColors, tinted, fan, target, pitch, texPtr, &rc, tag,
                         blend);
    }
  }
}

void DrawImageByMatrixInto(Image* source, float x, float y, const Matrix3& matrix, const Rect& clip, const Color& color,
                           int32_t drawMode, const Rect& sourceRect, void* target, int32_t pitch, PixelTag tag,
                           bool blend) {
  MemoryImage* src = (source != nullptr ? source->AsMemoryImage() : nullptr);
  if (src == nullptr || src->width <= 0 || src->height <= 0) return;
  const float w = static_cast<float>(sourceRect.width);
  const float h = static_cast<float>(sourceRect.height);
  const float u0 = static_cast<float>(sourceRect.x) / static_cast<float>(src->width);
  const float u1 =
      static_cast<float>(static_cast<int64_t>(sourceRect.x) + sourceRect.width) / static_cast<float>(src->width);
  const float v0 = static_cast<float>(sourceRect.y) / static_cast<float>(src->height);
  const float v1 =
      static_cast<float>(static_cast<int64_t>(sourceRect.y) + sourceRect.height) / static_cast<float>(src->height);
  const float corners[4][4] = {
      {-w / 2, -h / 2, u0, v0}, {w / 2, -h / 2, u1, v0}, {-w / 2, h / 2, u0, v1}, {w / 2, h / 2, u1, v1}};
  TexturedVertex strip[4];
  for (int i = 0; i < 4; ++i) {
    const Vector2 p = matrix.TransformPoint(Vector2(corners[i][0], corners[i][1]));
    strip[i].x = p.x + x - 0.5f;
    strip[i].y = p.y + y - 0.5f;
    strip[i].u = corners[i][2];
    strip[i].v = corners[i][3];
    strip[i].color = 0xFFFFFFFFu;
  }
  DrawTriangleStrip(strip, 4, src, color, drawMode, clip, target, pitch, tag, blend, false);
}

void DrawTexturedTrianglesInto(Image* texture, const TexturedVertex* vertices, int32_t triangleCount, const Rect& clip,
                               const Color& color, int32_t drawMode, void* target, int32_t pitch, PixelTag tag,
                               float offsetX, float offsetY, bool blend) {
  if (vertices == nullptr) return;
  MemoryImage* tex = (texture != nullptr ? texture->AsMemoryImage() : nullptr);
  for (int32_t i = 0; i < triangleCount; ++i) {
    TexturedVertex tri[3];
    bool vertexColors = false;
    for (int k = 0; k < 3; ++k) {
      tri[k] = vertices[3 * static_cast<size_t>(i) + k];
      tri[k].x += offsetX;
      tri[k].y += offsetY;
      vertexColors |= tri[k].color != 0;
    }
    DrawTriangleStrip(tri, 3, tex, color, drawMode, clip, target, pitch, tag, blend, vertexColors);
  }
}

}  // namespace Kivo
