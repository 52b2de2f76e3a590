// DDImage: a MemoryImage that can also keep its pixels in a DirectDraw
// surface of the display's format (16 or 32 bits), with a source colour key
// for transparent pixels, and draws into that surface in software.
//
// Three paths per draw: the screen image in 3D mode hands every draw to the
// renderer; an image with transparency or partial alpha (or any image while
// the display runs in 3D) draws with MemoryImage's code on its 32-bit
// pixels; everything else is drawn straight into the locked surface (fills,
// plain, additive and mirrored blits, rotated and stretched draws, lines), or
// blitted surface to surface by DirectDraw where no colouring or blending is
// involved. A draw that reached the surface drops the memory copies (the
// surface then alone holds the picture) and counts as a change, so textures
// made from the image are made again.
//
// Limits: surfaces of 16 or 32 bits per pixel only; images with partial
// alpha get no surface. Draws clip to the image and to the source whatever
// the caller passes. A lost surface is neither detected nor restored: its
// draws simply do nothing.
//
// Layer: image/surface uses display and resources (the image registry decodes
// files with the image library) and everything below them.
#pragma once

#include <cstdint>
#include <vector>

#include "display/DDInterface.h"
#include "image/MemoryImage.h"
#include "platform/devices/DDraw.h"

namespace Kivo {

class DDImage : public MemoryImage {
 public:
  DDInterface* display;
  IDirectDrawSurface* surface = nullptr;  // one reference owned
  bool attached = false;                  // surface handed in by AttachSurface
  bool videoOnly = false;                 // software keeps off the surface's pixels
  bool videoMemory = false;               // surfaces are made in video memory
  bool firstPixelKey = false;             // the top-left pixel is the colour key
  bool surfaceWanted = false;
  bool forceSoftware = false;  // fills and plain blits take the memory path
  int32_t lockCount = 0;
  DDSURFACEDESC lockedDesc;

  explicit DDImage(DDInterface* display);
  DDImage(const DDImage&) = delete;
  DDImage& operator=(const DDImage&) = delete;
  ~DDImage() override;

  // Only the screen image in 3D mode draws through the renderer.
  bool DrawsThrough3D() const;

  // Image operations.
  bool FillPolygon(const int32_t* points, int32_t pointCount, const Rect& clip, const Color& color, int32_t drawMode,
                   int32_t offsetX, int32_t offsetY, bool unusedFlag) override;
  void FillRect(const Rect& rect, const Color& color, int32_t drawMode) override;
  void DrawLine(double x1, double y1, double x2, double y2, const Color& color, int32_t drawMode) override;
  void DrawLineAntialiased(double x1, double y1, double x2, double y2, const Color& color, int32_t drawMode) override;
  void DrawImage(Image* source, int32_t x, int32_t y, const Rect& sourceRect, const Color& color,
                 int32_t drawMode) override;
  void DrawImageAtFloat(Image* source, float x, float y, const Rect& sourceRect, const Rect& clip, const Color& color,
                        int32_t drawMode) override;
  void DrawImageRotated(Image* source, float x, float y, const Rect& sourceRect, const Rect& clip, const Color& color,
                        int32_t drawMode, double angle, float centerX, float centerY) override;
  void DrawImageStretched(Image* source, const Rect& destRect, const Rect& sourceRect, const Rect& clip,
                          const Color& color, int32_t drawMode, bool fast) override;
  void DrawImageMirrored(Image* source, int32_t x, int32_t y, const Rect& sourceRect, const Color& color,
                         int32_t drawMode) override;
  void DrawImageStretchedMirrored(Image* source, const Rect& destRect, const Rect& sourceRect, const Rect& clip,
                                  const Color& color, int32_t drawMode, bool fast) override;
  // Coverage spans, matrix and triangle draws: into the locked surface where
  // the image takes the surface path (the triangle front end rasterizes
  // straight into 16- and 32-bit buffers), else the memory path.
  void FillSpansWithCoverage(const ImageSpan* spans, int32_t count, const Color& color, int32_t drawMode,
                             const uint8_t* coverage, int32_t coverageX, int32_t coverageY, int32_t coverageStride,
                             uint32_t unusedWord) override;
  void DrawImageByMatrix(Image* source, float x, float y, const Matrix3& matrix, const Rect& clip, const Color& color,
                         int32_t drawMode, const Rect& sourceRect, bool blend) override;
  void DrawTexturedTriangles(Image* texture, const TexturedVertex* vertices, int32_t triangleCount, const Rect& clip,
                             const Color& color, int32_t drawMode, float offsetX, float offsetY, bool blend) override;
  // Draws that exist only in 3D: off the 3D screen they draw nothing.
  void Begin3D(const Matrix4& world, const Matrix4& projection, const Matrix4& view) override;
  void End3D() override;
  void FillRect3D(const Rect& rect, const Color& color, int32_t drawMode) override;
  void DrawVertexTriangles(Image* texture, const TriVertex* vertices, int32_t triangleCount, const Rect& clip,
                           const Color& color, int32_t drawMode, float offsetX, float offsetY, bool blend) override;
  void DrawVertexTrianglesWrapped(Image* texture, const TriVertex* vertices, int32_t triangleCount, const Rect& clip,
                                  const Color& color, int32_t drawMode, float offsetX, float offsetY,
                                  bool blend) override;
  void DrawVertexTrianglesRaw(Image* texture, const TriVertex* vertices, int32_t triangleCount, const Rect& clip,
                              const Color& color, int32_t drawMode, float offsetX, float offsetY, bool blend) override;
  void DrawQuadWrappedUV(Image* source, float x, float y, float quadWidth, float quadHeight, const Color& color,
                         int32_t drawMode, bool unusedFlag, float uLeft, float vTop, float uRight,
                         float vBottom) override;
  // The second image combined on the second texture stage (3D only).
  void DrawImageTwoTextures(Image* source, int32_t x, int32_t y, const Rect& sourceRect, const Color& color,
                            int32_t drawMode, Image* second, float uLeft, float vTop, float uRight, float vBottom,
                            int32_t combine) override;
  void DrawVertexTrianglesTwoTextures(Image* texture, const TriVertex* vertices, int32_t triangleCount,
                                      const Rect& clip, const Color& color, int32_t drawMode, Image* second,
                                      float offsetX, float offsetY, bool blend) override;
  void DrawVertexTrianglesRawTwoTextures(Image* texture, const TriVertex* vertices, int32_t triangleCount,
                                         const Rect& clip, const Color& color, int32_t drawMode, Image* second,
                                         float offsetX, float offsetY, bool blend) override;

  // Storage overrides.
  void DiscardBits() override;
  void DropAllCaches() override;
  void ApplyStorageOptions() override;
  void NoteBitsChanged() override;
  void ScanAlpha() override;
  void DropDisplayCaches() override;
  bool CreateBlank(int32_t newWidth, int32_t newHeight) override;
  // Null for a video-only image or when the surface cannot be locked.
  uint32_t* GetBits() override;
  bool ConvertToPalette() override;

  // Added operations.
  virtual void SetVideoMemory(bool on);
  virtual void PrepareColorKeySurface();
  virtual void FillRectNormal(const Rect& rect, const Color& color);
  virtual void FillRectAdditive(const Rect& rect, const Color& color);
  virtual void DrawImageNormal(Image* source, int32_t x, int32_t y, const Rect& sourceRect, const Color& color);
  virtual void DrawImageAdditive(Image* source, int32_t x, int32_t y, const Rect& sourceRect, const Color& color);
  virtual void DrawLineNormal(double x1, double y1, double x2, double y2, const Color& color);
  virtual void DrawLineAdditive(double x1, double y1, double x2, double y2, const Color& color);
  virtual void DrawLineAntialiasedNormal(double x1, double y1, double x2, double y2, const Color& color);
  virtual void DrawImageMirroredNormal(Image* source, int32_t x, int32_t y, const Rect& sourceRect, const Color& color);
  virtual void DrawImageMirroredAdditive(Image* source, int32_t x, int32_t y, const Rect& sourceRect,
                                         const Color& color);
  virtual bool LockSurface();
  virtual bool UnlockSurface();
  virtual void AttachSurface(IDirectDrawSurface* newSurface);

  // Makes and fills the surface; true when one exists afterwards.
  bool CreateSurface();
  // The surface, made first when there is none; may be null.
  IDirectDrawSurface* GetSurface();
  // Reads the pixels back when nothing else holds them, then drops the surface.
  void DeleteSurface();
  // Frees every memory copy: the surface alone holds the picture.
  void DiscardMemoryCopies();

 private:
  // Horizontal and vertical lines are one-pixel fills; true when the line
  // was one of those and has been drawn.
  bool FillAxisParallelLine(double x1, double y1, double x2, double y2, const Color& color, int32_t drawMode);
  // A dispatching draw notes whether any routine really reached the surface;
  // only then are the memory copies dropped and a change counted.
  void BeginSurfaceDraw() { surfaceReached_ = false; }
  void EndSurfaceDraw();
  // A line in a mode without a rasteriser still counts as a surface draw, so
  // the memory copies go as after any other line; only once the surface
  // exists, so the pixels are never left without a home.
  void TouchSurfaceWithoutDrawing() {
    if (GetSurface() != nullptr) surfaceReached_ = true;
  }
  // The DirectDraw surface-to-surface copy of the plain blits.
  void BlitSurface(DDImage* source, int32_t x, int32_t y, const Rect& sourceRect);
  // Whether draws go into the surface rather than the 32-bit pixels.
  bool TakesSurfacePath();
  // The renderer has no coverage fill: the spans are filled into a scratch
  // image the size of their bounding box, which is then drawn as a quad.
  void FillSpansWithCoverageThrough3D(const ImageSpan* spans, int32_t count, const Color& color, int32_t drawMode,
                                      const uint8_t* coverage, int32_t coverageX, int32_t coverageY,
                                      int32_t coverageStride, uint32_t unusedWord);

  bool surfaceReached_ = false;
};

// The bounding box of the spans that have a width, and a copy of all spans
// moved by minus its top-left corner; false (box and copy empty) when no
// span has a width or the box does not fit in 32 bits.
bool MoveSpansToTheirBox(const ImageSpan* spans, int32_t count, std::vector<ImageSpan>& moved, Rect& box);

// False for anything but a DDImage; else its DrawsThrough3D.
bool ImageDrawsThrough3D(Image* image);

// Installs the factory through which the display makes its own images.
void InstallDDImageFactory();

}  // namespace Kivo
