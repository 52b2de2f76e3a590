// The 3D renderer the display hands screen drawing to while it runs in 3D.
//
// This is the renderer's interface and a renderer that has no device: its
// Init fails with an error text, so a 3D start ends in result 7 and the
// application falls back to 2D. The software Direct3D device replaces the
// bodies; the display and the surface-backed image only call through here.
#pragma once

#include <cstdint>
#include <string>

#include "shell/Color.h"
#include "shell/Rect.h"

namespace Kivo {

class DDInterface;
class Image;
class MemoryImage;
class Matrix3;
struct TexturedVertex;

class D3DInterface {
public:
  D3DInterface() = default;
  D3DInterface(const D3DInterface&) = delete;
  D3DInterface& operator=(const D3DInterface&) = delete;
  virtual ~D3DInterface() = default;

  // The renderer's last DirectX error text; non-empty once it has failed.
  std::string lastError;

  // Starts the renderer on the display's draw surface. False with
  // lastError set when no device can be made.
  virtual bool Init(DDInterface* display);
  // Ends the open scene before a present.
  virtual void Flush() {}
  virtual void ReleaseAllTextures() {}
  virtual void RemoveTexture(MemoryImage* image) { (void)image; }

  virtual bool FillPolygon(const int32_t* points, int32_t count, const Rect& clip, const Color& color,
                           int32_t drawMode, int32_t offsetX, int32_t offsetY);
  virtual void FillRect(const Rect& rect, const Color& color, int32_t drawMode);
  virtual void DrawLine(double x1, double y1, double x2, double y2, const Color& color, int32_t drawMode);
  virtual void DrawImage(Image* source, float x, float y, const Rect& sourceRect, const Color& color,
                         int32_t drawMode);
  virtual void DrawImageAtFloat(Image* source, float x, float y, const Rect& sourceRect, const Rect& clip,
                                const Color& color, int32_t drawMode);
  virtual void DrawImageMirrored(Image* source, float x, float y, const Rect& sourceRect, const Color& color,
                                 int32_t drawMode);
  virtual void DrawImageRotated(Image* source, float x, float y, const Rect& clip, const Color& color,
                                int32_t drawMode, double angle, float centerX, float centerY,
                                const Rect& sourceRect);
  virtual void DrawImageStretched(Image* source, const Rect& destRect, const Rect& sourceRect, const Rect& clip,
                                  const Color& color, int32_t drawMode, bool fast, bool mirror);
  virtual void DrawImageByMatrix(Image* source, float x, float y, const Matrix3& matrix, const Rect& clip,
                                 const Color& color, int32_t drawMode, const Rect& sourceRect, bool blend);
  virtual void DrawTexturedTriangles(Image* texture, const TexturedVertex* vertices, int32_t triangleCount,
                                     const Rect& clip, const Color& color, int32_t drawMode, float offsetX,
                                     float offsetY, bool blend);
};

// The one-time 3D capability test. The test itself belongs to the 3D
// capability issue; the display only asks it for its verdict.
class D3DTester {
public:
  virtual ~D3DTester() = default;

  std::string failureReason;  // empty: no failure
  std::string warning;        // empty: no warning
  bool newResult = false;     // the test really ran (not read from its cache)

  virtual void SetVideoMemoryRequirements(int32_t minimumMegabytes, int32_t recommendedMegabytes) {
    (void)minimumMegabytes;
    (void)recommendedMegabytes;
  }
  virtual void TestIfNeeded(void* window, void* directDraw7) {
    (void)window;
    (void)directDraw7;
  }
  bool Succeeded() const { return failureReason.empty() && warning.empty(); }
};

}  // namespace Kivo
