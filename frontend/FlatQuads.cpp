#include "frontend/FlatQuads.h"

#include <algorithm>
#include <cmath>

#include "ui/Graphics.h"

namespace Kivo {

namespace {

// Normal and additive are the software blits' own modes; the renderer-only
// ones fall back to normal.
int32_t FlatMode(int32_t drawMode) { return drawMode == 1 ? 1 : 0; }

bool Near(float a, float b) { return std::fabs(a - b) < 0.01f; }

int Round(float value) { return static_cast<int>(std::lround(value)); }

}  // namespace

FlatQuadImage::FlatQuadImage(Image& destination) : mDestination(destination) {
  width = destination.width;
  height = destination.height;
}

bool FlatQuadImage::FillPolygon(const int32_t* points, int32_t pointCount, const Rect& clip, const Color& color,
                                int32_t drawMode, int32_t offsetX, int32_t offsetY, bool unusedFlag) {
  return mDestination.FillPolygon(points, pointCount, clip, color, drawMode, offsetX, offsetY, unusedFlag);
}
void FlatQuadImage::FillRect(const Rect& rect, const Color& color, int32_t drawMode) {
  mDestination.FillRect(rect, color, drawMode);
}
void FlatQuadImage::DrawRect(const Rect& rect, const Color& color, int32_t drawMode) {
  mDestination.DrawRect(rect, color, drawMode);
}
void FlatQuadImage::ClearRect(const Rect& rect) { mDestination.ClearRect(rect); }
void FlatQuadImage::DrawLine(double x1, double y1, double x2, double y2, const Color& color, int32_t drawMode) {
  mDestination.DrawLine(x1, y1, x2, y2, color, drawMode);
}
void FlatQuadImage::DrawLineAntialiased(double x1, double y1, double x2, double y2, const Color& color,
                                        int32_t drawMode) {
  mDestination.DrawLineAntialiased(x1, y1, x2, y2, color, drawMode);
}
void FlatQuadImage::FillSpans(const ImageSpan* spans, int32_t count, const Color& color, int32_t drawMode) {
  mDestination.FillSpans(spans, count, color, drawMode);
}
void FlatQuadImage::FillSpansWithCoverage(const ImageSpan* spans, int32_t count, const Color& color, int32_t drawMode,
                                          const uint8_t* coverage, int32_t coverageX, int32_t coverageY,
                                          int32_t coverageStride, uint32_t unusedWord) {
  mDestination.FillSpansWithCoverage(spans, count, color, drawMode, coverage, coverageX, coverageY, coverageStride,
                                     unusedWord);
}
void FlatQuadImage::DrawImage(Image* source, int32_t x, int32_t y, const Rect& sourceRect, const Color& color,
                              int32_t drawMode) {
  mDestination.DrawImage(source, x, y, sourceRect, color, drawMode);
}
void FlatQuadImage::DrawImageAtFloat(Image* source, float x, float y, const Rect& sourceRect, const Rect& clip,
                                     const Color& color, int32_t drawMode) {
  mDestination.DrawImageAtFloat(source, x, y, sourceRect, clip, color, drawMode);
}
void FlatQuadImage::DrawImageRotated(Image* source, float x, float y, const Rect& sourceRect, const Rect& clip,
                                     const Color& color, int32_t drawMode, double angle, float centerX, float centerY) {
  mDestination.DrawImageRotated(source, x, y, sourceRect, clip, color, drawMode, angle, centerX, centerY);
}
void FlatQuadImage::DrawImageStretched(Image* source, const Rect& destRect, const Rect& sourceRect, const Rect& clip,
                                       const Color& color, int32_t drawMode, bool fast) {
  mDestination.DrawImageStretched(source, destRect, sourceRect, clip, color, drawMode, fast);
}
void FlatQuadImage::DrawImageByMatrix(Image* source, float x, float y, const Matrix3& matrix, const Rect& clip,
                                      const Color& color, int32_t drawMode, const Rect& sourceRect, bool blend) {
  mDestination.DrawImageByMatrix(source, x, y, matrix, clip, color, drawMode, sourceRect, blend);
}
void FlatQuadImage::DrawTexturedTriangles(Image* texture, const TexturedVertex* vertices, int32_t triangleCount,
                                          const Rect& clip, const Color& color, int32_t drawMode, float offsetX,
                                          float offsetY, bool blend) {
  mDestination.DrawTexturedTriangles(texture, vertices, triangleCount, clip, color, drawMode, offsetX, offsetY, blend);
}
void FlatQuadImage::DrawImageMirrored(Image* source, int32_t x, int32_t y, const Rect& sourceRect, const Color& color,
                                      int32_t drawMode) {
  mDestination.DrawImageMirrored(source, x, y, sourceRect, color, drawMode);
}
void FlatQuadImage::DrawImageStretchedMirrored(Image* source, const Rect& destRect, const Rect& sourceRect,
                                               const Rect& clip, const Color& color, int32_t drawMode, bool fast) {
  mDestination.DrawImageStretchedMirrored(source, destRect, sourceRect, clip, color, drawMode, fast);
}
void FlatQuadImage::DrawImageTwoTextures(Image* source, int32_t x, int32_t y, const Rect& sourceRect,
                                         const Color& color, int32_t drawMode, Image* second, float secondX,
                                         float secondY, float secondWidth, float secondHeight, int32_t secondMode) {
  mDestination.DrawImageTwoTextures(source, x, y, sourceRect, color, drawMode, second, secondX, secondY, secondWidth,
                                    secondHeight, secondMode);
}
void FlatQuadImage::DrawQuadWrappedUV(Image* source, float x, float y, float quadWidth, float quadHeight,
                                      const Color& color, int32_t drawMode, bool unusedFlag, float uLeft, float vTop,
                                      float uRight, float vBottom) {
  mDestination.DrawQuadWrappedUV(source, x, y, quadWidth, quadHeight, color, drawMode, unusedFlag, uLeft, vTop, uRight,
                                 vBottom);
}

void FlatQuadImage::DrawVertexTriangles(Image* texture, const TriVertex* vertices, int32_t triangleCount,
                                        const Rect& clip, const Color& color, int32_t drawMode, float offsetX,
                                        float offsetY, bool) {
  DrawFlatQuad(texture, vertices, triangleCount, clip, color, drawMode, offsetX, offsetY);
}

void FlatQuadImage::DrawVertexTrianglesTwoTextures(Image* texture, const TriVertex* vertices, int32_t triangleCount,
                                                   const Rect& clip, const Color& color, int32_t drawMode, Image*,
                                                   float offsetX, float offsetY, bool) {
  DrawFlatQuad(texture, vertices, triangleCount, clip, color, drawMode, offsetX, offsetY);
}

void FlatQuadImage::FillRect3D(const Rect& rect, const Color& color, int32_t drawMode) {
  mDestination.FillRect(rect, color, FlatMode(drawMode));
}

// The quad's vertices carry screen y negated, as the screen matrices expect.
void FlatQuadImage::DrawFlatQuad(Image* texture, const TriVertex* vertices, int32_t triangleCount, const Rect& clip,
                                 const Color& color, int32_t drawMode, float offsetX, float offsetY) {
  if (texture == nullptr || vertices == nullptr || triangleCount != 2 || texture->width <= 0 || texture->height <= 0)
    return;
  float left = vertices[0].x, right = left, top = -vertices[0].y, bottom = top;
  for (int i = 1; i < 4; ++i) {
    left = std::min(left, vertices[i].x);
    right = std::max(right, vertices[i].x);
    top = std::min(top, -vertices[i].y);
    bottom = std::max(bottom, -vertices[i].y);
  }
  const TriVertex* topLeft = nullptr;
  const TriVertex* bottomRight = nullptr;
  for (int i = 0; i < 4; ++i) {
    const TriVertex& v = vertices[i];
    const bool atLeft = Near(v.x, left);
    const bool atTop = Near(-v.y, top);
    // A turned quad has corners off its bounding box's corners.
    if (!atLeft && !Near(v.x, right)) return;
    if (!atTop && !Near(-v.y, bottom)) return;
    if (atLeft && atTop) topLeft = &v;
    if (!atLeft && !atTop) bottomRight = &v;
  }
  if (topLeft == nullptr || bottomRight == nullptr) return;
  const int x = Round(left + offsetX);
  const int y = Round(top + offsetY);
  const Rect place(x, y, Round(right + offsetX) - x, Round(bottom + offsetY) - y);
  const float texWidth = static_cast<float>(texture->width);
  const float texHeight = static_cast<float>(texture->height);
  const bool mirrored = topLeft->u > bottomRight->u;
  const int sourceX = Round(std::min(topLeft->u, bottomRight->u) * texWidth);
  const int sourceY = Round(std::min(topLeft->v, bottomRight->v) * texHeight);
  const Rect source(sourceX, sourceY, Round(std::max(topLeft->u, bottomRight->u) * texWidth) - sourceX,
                    Round(std::max(topLeft->v, bottomRight->v) * texHeight) - sourceY);
  if (place.width <= 0 || place.height <= 0 || source.width <= 0 || source.height <= 0) return;
  if (mirrored) {
    mDestination.DrawImageStretchedMirrored(texture, place, source, clip, color, FlatMode(drawMode), false);
  } else {
    mDestination.DrawImageStretched(texture, place, source, clip, color, FlatMode(drawMode), false);
  }
}

void DrawQuadsFlatWithout3D(Graphics& g, const std::function<void(Graphics&)>& draw) {
  if (g.mIs3D || g.mDestImage == nullptr) {
    draw(g);
    return;
  }
  FlatQuadImage flat(*g.mDestImage);
  Graphics flatGraphics(g);
  flatGraphics.mDestImage = &flat;
  draw(flatGraphics);
}

}  // namespace Kivo
