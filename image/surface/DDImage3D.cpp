// The screen image's draws that the renderer cannot take as they stand.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "display/D3DInterface.h"
#include "image/surface/DDImage.h"

namespace Kivo {

bool MoveSpansToTheirBox(const ImageSpan* spans, int32_t count, std::vector<ImageSpan>& moved, Rect& box) {
  moved.clear();
  box = Rect();
  if (count <= 0 || spans == nullptr) return false;
  int64_t left = std::numeric_limits<int64_t>::max(), right = std::numeric_limits<int64_t>::min();
  int64_t top = left, bottom = right;
  for (int32_t s = 0; s < count; ++s) {
    if (spans[s].width <= 0) continue;
    left = std::min<int64_t>(left, spans[s].x);
    right = std::max<int64_t>(right, int64_t{spans[s].x} + spans[s].width - 1);
    top = std::min<int64_t>(top, spans[s].y);
    bottom = std::max<int64_t>(bottom, spans[s].y);
  }
  if (right < left) return false;
  const int64_t boxWidth = right - left + 1, boxHeight = bottom - top + 1;
  if (boxWidth > std::numeric_limits<int32_t>::max() || boxHeight > std::numeric_limits<int32_t>::max()) return false;
  moved.assign(spans, spans + count);
  for (ImageSpan& span : moved) {
    span.x = static_cast<int32_t>(span.x - left);
    span.y = static_cast<int32_t>(span.y - top);
  }
  box = Rect(static_cast<int32_t>(left), static_cast<int32_t>(top), static_cast<int32_t>(boxWidth),
             static_cast<int32_t>(boxHeight));
  return true;
}

void DDImage::FillSpansWithCoverageThrough3D(const ImageSpan* spans, int32_t count, const Color& color,
                                             int32_t drawMode, const uint8_t* coverage, int32_t coverageX,
                                             int32_t coverageY, int32_t coverageStride, uint32_t unusedWord) {
  if (coverage == nullptr) return;
  // The caller's spans stay as they are (it may draw them again, and they
  // may well be const): the moved copy goes into the scratch image.
  std::vector<ImageSpan> moved;
  Rect box;
  if (!MoveSpansToTheirBox(spans, count, moved, box)) return;
  const int64_t originX = int64_t{coverageX} - box.x, originY = int64_t{coverageY} - box.y;
  if (originX < std::numeric_limits<int32_t>::min() || originX > std::numeric_limits<int32_t>::max() ||
      originY < std::numeric_limits<int32_t>::min() || originY > std::numeric_limits<int32_t>::max()) {
    return;
  }
  MemoryImage scratch;
  if (!scratch.CreateBlank(box.width, box.height)) return;
  scratch.FillSpansWithCoverage(moved.data(), count, color, drawMode, coverage, static_cast<int32_t>(originX),
                                static_cast<int32_t>(originY), coverageStride, unusedWord);
  DrawImage(&scratch, box.x, box.y, Rect(0, 0, box.width, box.height), Color(255, 255, 255), drawMode);
  // The scratch image dies here; its texture must not outlive it, whichever
  // image host is installed.
  if (display->renderer != nullptr) display->renderer->RemoveTexture(&scratch);
}

namespace {

// The renderer while this image is the 3D screen, else null: the 3D-only
// draws need the device, which exists only then.
D3DInterface* RendererOf(const DDImage& image) {
  return image.DrawsThrough3D() ? image.display->renderer.get() : nullptr;
}

D3DMATRIX ToDeviceMatrix(const Matrix4& m) {
  static_assert(sizeof(D3DMATRIX) == sizeof(m.m), "both are 4 x 4 floats, row by row");
  D3DMATRIX out;
  std::memcpy(&out, m.m, sizeof(out));
  return out;
}

}  // namespace

void DDImage::Begin3D(const Matrix4& world, const Matrix4& projection, const Matrix4& view) {
  D3DInterface* renderer = RendererOf(*this);
  if (renderer == nullptr) return;
  const D3DMATRIX w = ToDeviceMatrix(world), p = ToDeviceMatrix(projection), v = ToDeviceMatrix(view);
  renderer->Begin3D(&w, &p, &v);
}

void DDImage::End3D() {
  if (D3DInterface* renderer = RendererOf(*this)) renderer->End3D();
}

void DDImage::FillRect3D(const Rect& rect, const Color& color, int32_t drawMode) {
  if (D3DInterface* renderer = RendererOf(*this)) renderer->FillRect3D(rect, color, drawMode);
}

void DDImage::DrawQuadWrappedUV(Image* source, float x, float y, float quadWidth, float quadHeight, const Color& color,
                                int32_t drawMode, bool, float uLeft, float vTop, float uRight, float vBottom) {
  D3DInterface* renderer = RendererOf(*this);
  if (renderer == nullptr) return;
  ScanAlpha();
  renderer->DrawQuadWrappedUV(source, x, y, quadWidth, quadHeight, color, drawMode, uLeft, vTop, uRight, vBottom);
}

void DDImage::DrawVertexTriangles(Image* texture, const TriVertex* vertices, int32_t triangleCount, const Rect&,
                                  const Color& color, int32_t drawMode, float offsetX, float offsetY, bool) {
  if (texture != nullptr) texture->drawn = true;
  if (D3DInterface* renderer = RendererOf(*this))
    renderer->DrawVertexTriangles(texture, vertices, triangleCount, color, drawMode, offsetX, offsetY);
}

void DDImage::DrawVertexTrianglesWrapped(Image* texture, const TriVertex* vertices, int32_t triangleCount, const Rect&,
                                         const Color& color, int32_t drawMode, float offsetX, float offsetY, bool) {
  if (texture != nullptr) texture->drawn = true;
  if (D3DInterface* renderer = RendererOf(*this))
    renderer->DrawVertexTrianglesWrapped(texture, vertices, triangleCount, color, drawMode, offsetX, offsetY);
}

void DDImage::DrawVertexTrianglesRaw(Image* texture, const TriVertex* vertices, int32_t triangleCount, const Rect&,
                                     const Color& color, int32_t drawMode, float offsetX, float offsetY, bool) {
  if (texture != nullptr) texture->drawn = true;
  if (D3DInterface* renderer = RendererOf(*this))
    renderer->DrawVertexTrianglesRaw(texture, vertices, triangleCount, color, drawMode, offsetX, offsetY);
}

}  // namespace Kivo

// ---- two-texture draws: on the 3D screen only ----------------------------------

namespace Kivo {

void DDImage::DrawImageTwoTextures(Image* source, int32_t x, int32_t y, const Rect& sourceRect, const Color& color,
                                   int32_t drawMode, Image* second, float uLeft, float vTop, float uRight,
                                   float vBottom, int32_t combine) {
  D3DInterface* renderer = RendererOf(*this);
  if (renderer == nullptr) return;
  ScanAlpha();
  renderer->DrawImageTwoTextures(source, static_cast<float>(x), static_cast<float>(y), sourceRect, color, drawMode,
                                 second, uLeft, vTop, uRight, vBottom, combine);
}

void DDImage::DrawVertexTrianglesTwoTextures(Image* texture, const TriVertex* vertices, int32_t triangleCount,
                                             const Rect&, const Color& color, int32_t drawMode, Image* second,
                                             float offsetX, float offsetY, bool) {
  if (texture != nullptr) texture->drawn = true;
  if (D3DInterface* renderer = RendererOf(*this))
    renderer->DrawVertexTrianglesTwoTextures(texture, vertices, triangleCount, color, drawMode, second, offsetX,
                                             offsetY);
}

void DDImage::DrawVertexTrianglesRawTwoTextures(Image* texture, const TriVertex* vertices, int32_t triangleCount,
                                                const Rect&, const Color& color, int32_t drawMode, Image* second,
                                                float offsetX, float offsetY, bool) {
  if (texture != nullptr) texture->drawn = true;
  if (D3DInterface* renderer = RendererOf(*this))
    renderer->DrawVertexTrianglesRawTwoTextures(texture, vertices, triangleCount, color, drawMode, second, offsetX,
                                                offsetY);
}

}  // namespace Kivo
