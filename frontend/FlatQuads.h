// The front end's pictures, buttons and sliders are engine quads, which
// reach the screen only through the 3D renderer: with 3D off (a failed 3D
// test, or the developer switch) a screen would show its texts on black.
// FlatQuadImage stands in for the destination while a screen or dialog
// draws its objects and turns every upright, unrotated quad into a stretched
// image draw, so the 2-D screen shows what the 3D one shows, less rotation.
#pragma once

#include <functional>

#include "image/Image.h"

namespace Kivo {

class Graphics;

// Forwards every draw to the destination; the quad draws that software
// images ignore become stretched image draws.
class FlatQuadImage : public Image {
 public:
  explicit FlatQuadImage(Image& destination);

  bool FillPolygon(const int32_t* points, int32_t pointCount, const Rect& clip, const Color& color, int32_t drawMode,
                   int32_t offsetX, int32_t offsetY, bool unusedFlag) override;
  void FillRect(const Rect& rect, const Color& color, int32_t drawMode) override;
  void DrawRect(const Rect& rect, const Color& color, int32_t drawMode) override;
  void ClearRect(const Rect& rect) override;
  void DrawLine(double x1, double y1, double x2, double y2, const Color& color, int32_t drawMode) override;
  void DrawLineAntialiased(double x1, double y1, double x2, double y2, const Color& color, int32_t drawMode) override;
  void FillSpans(const ImageSpan* spans, int32_t count, const Color& color, int32_t drawMode) override;
  void FillSpansWithCoverage(const ImageSpan* spans, int32_t count, const Color& color, int32_t drawMode,
                             const uint8_t* coverage, int32_t coverageX, int32_t coverageY, int32_t coverageStride,
                             uint32_t unusedWord) override;
  void DrawImage(Image* source, int32_t x, int32_t y, const Rect& sourceRect, const Color& color,
                 int32_t drawMode) override;
  void DrawImageAtFloat(Image* source, float x, float y, const Rect& sourceRect, const Rect& clip, const Color& color,
                        int32_t drawMode) override;
  void DrawImageRotated(Image* source, float x, float y, const Rect& sourceRect, const Rect& clip, const Color& color,
                        int32_t drawMode, double angle, float centerX, float centerY) override;
  void DrawImageStretched(Image* source, const Rect& destRect, const Rect& sourceRect, const Rect& clip,
                          const Color& color, int32_t drawMode, bool fast) override;
  void DrawImageByMatrix(Image* source, float x, float y, const Matrix3& matrix, const Rect& clip, const Color& color,
                         int32_t drawMode, const Rect& sourceRect, bool blend) override;
  void DrawTexturedTriangles(Image* texture, const TexturedVertex* vertices, int32_t triangleCount, const Rect& clip,
                             const Color& color, int32_t drawMode, float offsetX, float offsetY, bool blend) override;
  void DrawImageMirrored(Image* source, int32_t x, int32_t y, const Rect& sourceRect, const Color& color,
                         int32_t drawMode) override;
  void DrawImageStretchedMirrored(Image* source, const Rect& destRect, const Rect& sourceRect, const Rect& clip,
                                  const Color& color, int32_t drawMode, bool fast) override;
  void DrawImageTwoTextures(Image* source, int32_t x, int32_t y, const Rect& sourceRect, const Color& color,
                            int32_t drawMode, Image* second, float secondX, float secondY, float secondWidth,
                            float secondHeight, int32_t secondMode) override;
  void DrawQuadWrappedUV(Image* source, float x, float y, float quadWidth, float quadHeight, const Color& color,
                         int32_t drawMode, bool unusedFlag, float uLeft, float vTop, float uRight,
                         float vBottom) override;
  void DrawVertexTriangles(Image* texture, const TriVertex* vertices, int32_t triangleCount, const Rect& clip,
                           const Color& color, int32_t drawMode, float offsetX, float offsetY, bool blend) override;
  void FillRect3D(const Rect& rect, const Color& color, int32_t drawMode) override;
  void DrawVertexTrianglesTwoTextures(Image* texture, const TriVertex* vertices, int32_t triangleCount,
                                      const Rect& clip, const Color& color, int32_t drawMode, Image* second,
                                      float offsetX, float offsetY, bool blend) override;

 private:
  // A strip of two triangles on an upright rectangle, drawn as the texture
  // stretched over it; anything else is left out.
  void DrawFlatQuad(Image* texture, const TriVertex* vertices, int32_t triangleCount, const Rect& clip,
                    const Color& color, int32_t drawMode, float offsetX, float offsetY);

  Image& mDestination;
};

// Runs draw with g, or, when g does not draw through the 3D renderer, with a
// copy of g whose destination draws the quads flat.
void DrawQuadsFlatWithout3D(Graphics& g, const std::function<void(Graphics&)>& draw);

}  // namespace Kivo
