// The 3D renderer the display hands screen drawing to while it runs in 3D.
//
// D3DInterface owns the Direct3D object and the device that renders into
// the display's draw buffer, opens one scene per frame with a fixed set of
// render and texture-stage states, switches the blend factors per draw mode,
// keeps one texture record (TextureData, D3DTextureData.h) for every image
// drawn in 3D, and reports every failed Direct3D call by text: in
// gLastDirectXError and in the registry value "Test3D\RuntimeError" under
// the application's key (gD3DRegistryKey).
//
// Failure convention: a failed call gives up its step and leaves its text in
// gLastDirectXError; the display's present then leaves 3D mode. Init returns
// false with the text of the call that failed. Begin3D reports a missing
// matrix or device in a message box (headless: stderr and the log) and never
// touches a device that does not exist.
//
// The drawing entry points (RenderOps.cpp, RenderOpsTwoTextures.cpp) draw
// images as textured quads and triangles piece by piece through their
// texture records, and rectangles, lines and polygons untextured; a draw
// whose scene or texture cannot be had draws nothing, silently.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <set>
#include <string>

#include "image/MemoryImage.h"
#include "platform/devices/D3D.h"
#include "platform/devices/DDraw.h"
#include "shell/base/Color.h"
#include "shell/base/Rect.h"

namespace Kivo {

class DDInterface;
class Image;
class MemoryImage;
class Matrix3;
struct TexturedVertex;
struct TriVertex;

// The texture pixel formats the renderer uses (a bit set).
enum TextureFormat : uint32_t {
  kFormatNone = 0,
  kFormat8888 = 1,
  kFormat4444 = 2,
  kFormat565 = 4,
  kFormatPalette8 = 8,
};

// How the two-texture draws combine the second image with the first.
enum TwoTextureCombine : int32_t {
  kCombineAlphaMask = 0,  // the second image's colour, alpha = both alphas multiplied
  kCombineModulate = 2,   // colour = both colours multiplied
  // any other value: colour = both colours added
};

// Process-wide limits and offers of the device, shared with the texture code.
extern int32_t gMinTextureWidth;
extern int32_t gMinTextureHeight;
extern int32_t gMaxTextureWidth;
extern int32_t gMaxTextureHeight;
extern int32_t gMaxTextureAspect;
extern uint32_t gSupportedTextureFormats;
// Text of the last failed Direct3D call; non-empty means the renderer
// failed since the last Flush or Init.
extern std::string gLastDirectXError;
// The last attempt to start a scene failed; the application reads it from
// its own thread.
extern std::atomic<bool> g3DDrawFailed;
// The application's registry key below HKEY_CURRENT_USER\SOFTWARE; empty
// means runtime errors are not recorded in the registry.
extern std::string gD3DRegistryKey;

// The DirectDraw pixel format of a texture format (a zeroed one for any
// other value), and back (0 when it is none of the four).
void FillTexturePixelFormat(uint32_t format, DDPIXELFORMAT* out);
uint32_t ClassifyTexturePixelFormat(const DDPIXELFORMAT& format);
const char* TextureFormatName(uint32_t format);

// True when result is a failure, after recording "callName: error name".
bool CheckD3DResult(HRESULT result, const std::string& callName);
HRESULT EnumTextureFormatsCallback(DDPIXELFORMAT* format, void* context);

class D3DInterface : public TextureKeeper {
 public:
  D3DInterface();
  D3DInterface(const D3DInterface&) = delete;
  D3DInterface& operator=(const D3DInterface&) = delete;
  virtual ~D3DInterface();

  // The display reads the renderer's error text through this name.
  std::string& lastError = gLastDirectXError;

  HWND window = nullptr;
  int32_t width = 640;
  int32_t height = 480;
  IDirectDraw7* directDraw7 = nullptr;          // borrowed
  IDirectDrawSurface7* drawSurface7 = nullptr;  // owned
  IDirect3D7* direct3D = nullptr;               // owned
  IDirect3DDevice7* device = nullptr;           // owned
  D3DVIEWPORT7 viewport{};
  bool sceneOpen = false;
  std::set<MemoryImage*> texturedImages;
  D3DMATRIX savedWorld{};
  D3DMATRIX savedView{};
  D3DMATRIX savedProjection{};
  DDInterface* display = nullptr;
  // Shows Begin3D's complaints; a message box by default.
  std::function<void(const char* text)> showMessage;

  // Binds to the display's DirectDraw objects and creates the device.
  virtual bool Init(DDInterface* display);
  bool CreateDevice();
  void SetupViewport();
  // First step of every draw; false means draw nothing.
  bool PreDraw();
  void SetBlendMode(int32_t drawMode, const Color* color, MemoryImage* image);
  // Ends the frame's scene.
  virtual void Flush();
  void Begin3D(const D3DMATRIX* world, const D3DMATRIX* projection, const D3DMATRIX* view);
  void End3D();
  // The image's texture exists and is current; false when it could not be made.
  bool EnsureTexture(MemoryImage* image);
  void RemoveTexture(MemoryImage* image) override;
  // Drops every texture and the device.
  virtual void ReleaseAllTextures();
  // Copies the image's texture back into its (already made) 32-bit pixels.
  bool ReadTextureBits(MemoryImage* image);

  virtual bool FillPolygon(const int32_t* points, int32_t count, const Rect& clip, const Color& color, int32_t drawMode,
                           int32_t offsetX, int32_t offsetY);
  virtual void FillRect(const Rect& rect, const Color& color, int32_t drawMode);
  virtual void DrawLine(double x1, double y1, double x2, double y2, const Color& color, int32_t drawMode);
  virtual void DrawImage(Image* source, float x, float y, const Rect& sourceRect, const Color& color, int32_t drawMode);
  virtual void DrawImageAtFloat(Image* source, float x, float y, const Rect& sourceRect, const Rect& clip,
                                const Color& color, int32_t drawMode);
  virtual void DrawImageMirrored(Image* source, float x, float y, const Rect& sourceRect, const Color& color,
                                 int32_t drawMode);
  virtual void DrawImageRotated(Image* source, float x, float y, const Rect& clip, const Color& color, int32_t drawMode,
                                double angle, float centerX, float centerY, const Rect& sourceRect);
  virtual void DrawImageStretched(Image* source, const Rect& destRect, const Rect& sourceRect, const Rect& clip,
                                  const Color& color, int32_t drawMode, bool fast, bool mirror);
  virtual void DrawImageByMatrix(Image* source, float x, float y, const Matrix3& matrix, const Rect& clip,
                                 const Color& color, int32_t drawMode, const Rect& sourceRect, bool blend);
  virtual void DrawTexturedTriangles(Image* texture, const TexturedVertex* vertices, int32_t triangleCount,
                                     const Rect& clip, const Color& color, int32_t drawMode, float offsetX,
                                     float offsetY, bool blend);
  // The rectangle in the centred, y-up coordinates of the 3D draws, so the
  // world, view and projection set by Begin3D apply to it.
  virtual void FillRect3D(const Rect& rect, const Color& color, int32_t drawMode);
  // Textured triangles in 3D coordinates, three vertices each, through the
  // device's world, view and projection.
  virtual void DrawVertexTrianglesRaw(Image* texture, const TriVertex* vertices, int32_t triangleCount,
                                      const Color& color, int32_t drawMode, float offsetX, float offsetY);
  // A strip (triangle k is vertices k, k + 1, k + 2) of screen columns and
  // negated rows, moved to the centred coordinates of the 3D draws.
  virtual void DrawVertexTriangles(Image* texture, const TriVertex* vertices, int32_t triangleCount, const Color& color,
                                   int32_t drawMode, float offsetX, float offsetY);
  // The same two draws with texture coordinates wrapping around the piece.
  virtual void DrawVertexTrianglesRawWrapped(Image* texture, const TriVertex* vertices, int32_t triangleCount,
                                             const Color& color, int32_t drawMode, float offsetX, float offsetY);
  virtual void DrawVertexTrianglesWrapped(Image* texture, const TriVertex* vertices, int32_t triangleCount,
                                          const Color& color, int32_t drawMode, float offsetX, float offsetY);
  // One quad textured with the image's first piece only, its coordinates
  // wrapping around that piece (which may be larger than the image).
  virtual void DrawQuadWrappedUV(Image* source, float x, float y, float quadWidth, float quadHeight, const Color& color,
                                 int32_t drawMode, float uLeft, float vTop, float uRight, float vBottom);

  // An image quad walked piece by piece (as DrawImage) with a second
  // image's first piece on the second texture stage, spread over the source
  // rectangle from (uLeft, vTop) to (uRight, vBottom) of its texture and
  // combined as combine says (TwoTextureCombine).
  virtual void DrawImageTwoTextures(Image* source, float x, float y, const Rect& sourceRect, const Color& color,
                                    int32_t drawMode, Image* second, float uLeft, float vTop, float uRight,
                                    float vBottom, int32_t combine);
  // 3D vertex triangles (as DrawVertexTrianglesRaw, and as a centred strip
  // like DrawVertexTriangles) whose secondU and secondV address the second
  // image's first piece; its colour and its alpha times the first image's
  // alpha are drawn.
  virtual void DrawVertexTrianglesRawTwoTextures(Image* texture, const TriVertex* vertices, int32_t triangleCount,
                                                 const Color& color, int32_t drawMode, Image* second, float offsetX,
                                                 float offsetY);
  virtual void DrawVertexTrianglesTwoTextures(Image* texture, const TriVertex* vertices, int32_t triangleCount,
                                              const Color& color, int32_t drawMode, Image* second, float offsetX,
                                              float offsetY);

 private:
  void ReleaseDevice();
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
