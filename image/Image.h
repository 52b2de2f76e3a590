// Images and software rendering.
//
// Image is the drawing vocabulary of the whole system: fills, outlines, lines,
// spans, image blits (plain, at a fractional position, rotated, stretched,
// mirrored, through a matrix), textured triangles and the 3D-only operations.
// Image itself draws nothing. MemoryImage (MemoryImage.h) keeps straight-alpha
// 0xAARRGGBB pixels with their derived caches and implements the software
// drawing; the surface-backed DDImage of the display builds on it.
//
// Limits: the software paths implement draw modes 0 (normal) and 1
// (additive) only; software matrix and triangle draws go through a triangle
// front end whose rasterizer table is empty, so they draw nothing. Images
// larger than 16384 pixels on a side or 64 megapixels are refused (the image
// stays empty). Nothing here reads files; bad arguments (out-of-range
// rectangles, line endpoints outside the image, non-finite positions) are
// clipped or ignored rather than trusted.
//
// Layer: image uses shell/base and platform only. The surface-backed images
// are the layer image/surface/, above the display.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "shell/base/Color.h"
#include "shell/base/Matrix.h"
#include "shell/base/Rect.h"

namespace Kivo {

// How a draw combines with the destination. The software paths know only
// Normal and Additive; the others are the 3D renderer's.
enum DrawMode : int32_t {
  kDrawModeNormal = 0,
  kDrawModeAdditive = 1,
  kDrawModeMultiply = 2,
  kDrawModeMultiplyBoth = 3,
  kDrawModeNormalColorOnly = 4,
  kDrawModeAdditiveColorOnly = 5,
};

// One horizontal run of pixels.
struct ImageSpan {
  int32_t y = 0;
  int32_t x = 0;
  int32_t width = 0;
};

// A vertex of the software triangle path. u, v run 0..1 across the texture;
// colour 0 means "use the draw call's colour".
struct TexturedVertex {
  float x = 0.0f;
  float y = 0.0f;
  float u = 0.0f;
  float v = 0.0f;
  uint32_t color = 0;
};

// A vertex of the 3D-only triangle operations. secondU/secondV address the
// second texture of the two-texture draws; colour 0 means the call's colour.
struct TriVertex {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;
  float u = 0.0f;
  float v = 0.0f;
  float secondU = 0.0f;
  float secondV = 0.0f;
  uint32_t color = 0;
};

// Frame animation over the cells of an image sheet. The image only carries
// it; resource loading builds it and game code plays it.
struct AnimationInfo {
  enum Type : int32_t { kNone = 0, kOnce = 1, kPingPong = 2, kLoop = 3 };

  int32_t type = kNone;
  int32_t frameDelay = 1;
  int32_t frameCount = 1;
  std::vector<int32_t> frameDelays;  // empty: every frame uses frameDelay
  std::vector<int32_t> frameMap;     // frame -> cell; empty: identity
  int32_t totalTime = 0;

  void SetFrameDelay(int32_t index, int32_t delay);
  void Setup(int32_t frames, int32_t beginDelay, int32_t endDelay);
};

class MemoryImage;

class Image {
 public:
  bool drawn = false;  // set on a source by the draws that read it
  std::string path;
  int32_t width = 0;
  int32_t height = 0;
  int32_t rows = 1;
  int32_t columns = 1;
  AnimationInfo* animation = nullptr;  // owned

  Image() = default;
  // Copies size, cell grid and animation; the path stays empty, drawn false.
  Image(const Image& other);
  Image& operator=(const Image&) = delete;
  virtual ~Image();

  int32_t GetWidth() const { return width; }
  int32_t GetHeight() const { return height; }
  int32_t GetCellWidth() const { return columns != 0 ? width / columns : 0; }
  int32_t GetCellHeight() const { return rows != 0 ? height / rows : 0; }
  void CopyAttributes(const Image& other);
  // The image as a MemoryImage, or null: the software paths draw only from
  // those, and the blitters ask on every call.
  MemoryImage* AsMemoryImage() const { return memoryImage_; }

  // The drawing vocabulary, in a fixed order that every image class keeps.
  virtual bool FillPolygon(const int32_t* points, int32_t pointCount, const Rect& clip, const Color& color,
                           int32_t drawMode, int32_t offsetX, int32_t offsetY, bool unusedFlag);
  virtual void FillRect(const Rect& rect, const Color& color, int32_t drawMode);
  virtual void DrawRect(const Rect& rect, const Color& color, int32_t drawMode);
  virtual void ClearRect(const Rect& rect);
  virtual void DrawLine(double x1, double y1, double x2, double y2, const Color& color, int32_t drawMode);
  virtual void DrawLineAntialiased(double x1, double y1, double x2, double y2, const Color& color, int32_t drawMode);
  virtual void FillSpans(const ImageSpan* spans, int32_t count, const Color& color, int32_t drawMode);
  virtual void FillSpansWithCoverage(const ImageSpan* spans, int32_t count, const Color& color, int32_t drawMode,
                                     const uint8_t* coverage, int32_t coverageX, int32_t coverageY,
                                     int32_t coverageStride, uint32_t unusedWord);
  virtual void DrawImage(Image* source, int32_t x, int32_t y, const Rect& sourceRect, const Color& color,
                         int32_t drawMode);
  virtual void DrawImageAtFloat(Image* source, float x, float y, const Rect& sourceRect, const Rect& clip,
                                const Color& color, int32_t drawMode);
  virtual void DrawImageRotated(Image* source, float x, float y, const Rect& sourceRect, const Rect& clip,
                                const Color& color, int32_t drawMode, double angle, float centerX, float centerY);
  virtual void DrawImageStretched(Image* source, const Rect& destRect, const Rect& sourceRect, const Rect& clip,
                                  const Color& color, int32_t drawMode, bool fast);
  virtual void DrawImageByMatrix(Image* source, float x, float y, const Matrix3& matrix, const Rect& clip,
                                 const Color& color, int32_t drawMode, const Rect& sourceRect, bool blend);
  virtual void DrawTexturedTriangles(Image* texture, const TexturedVertex* vertices, int32_t triangleCount,
                                     const Rect& clip, const Color& color, int32_t drawMode, float offsetX,
                                     float offsetY, bool blend);
  virtual void DrawImageMirrored(Image* source, int32_t x, int32_t y, const Rect& sourceRect, const Color& color,
                                 int32_t drawMode);
  virtual void DrawImageStretchedMirrored(Image* source, const Rect& destRect, const Rect& sourceRect, const Rect& clip,
                                          const Color& color, int32_t drawMode, bool fast);
  virtual void DrawImageTwoTextures(Image* source, int32_t x, int32_t y, const Rect& sourceRect, const Color& color,
                                    int32_t drawMode, Image* second, float secondX, float secondY, float secondWidth,
                                    float secondHeight, int32_t secondMode);
  virtual void DrawQuadWrappedUV(Image* source, float x, float y, float quadWidth, float quadHeight, const Color& color,
                                 int32_t drawMode, bool unusedFlag, float uLeft, float vTop, float uRight,
                                 float vBottom);
  virtual void DrawVertexTriangles(Image* texture, const TriVertex* vertices, int32_t triangleCount, const Rect& clip,
                                   const Color& color, int32_t drawMode, float offsetX, float offsetY, bool blend);
  virtual void DrawVertexTrianglesWrapped(Image* texture, const TriVertex* vertices, int32_t triangleCount,
                                          const Rect& clip, const Color& color, int32_t drawMode, float offsetX,
                                          float offsetY, bool blend);
  virtual void DrawVertexTrianglesRaw(Image* texture, const TriVertex* vertices, int32_t triangleCount,
                                      const Rect& clip, const Color& color, int32_t drawMode, float offsetX,
                                      float offsetY, bool blend);
  virtual void Begin3D(const Matrix4& world, const Matrix4& projection, const Matrix4& view);
  virtual void End3D();
  virtual void FillRect3D(const Rect& rect, const Color& color, int32_t drawMode);
  virtual void DrawVertexTrianglesTwoTextures(Image* texture, const TriVertex* vertices, int32_t triangleCount,
                                              const Rect& clip, const Color& color, int32_t drawMode, Image* second,
                                              float offsetX, float offsetY, bool blend);
  virtual void DrawVertexTrianglesRawTwoTextures(Image* texture, const TriVertex* vertices, int32_t triangleCount,
                                                 const Rect& clip, const Color& color, int32_t drawMode, Image* second,
                                                 float offsetX, float offsetY, bool blend);

 protected:
  MemoryImage* memoryImage_ = nullptr;  // set by the MemoryImage constructors
};

}  // namespace Kivo
