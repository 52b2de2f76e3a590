// MemoryImage: an image whose pixels live in main memory as straight-alpha
// 0xAARRGGBB words, with its derived forms (palette form, premultiplied
// native data in the display's layout, alpha and additive run tables, alpha
// flags, change counter) and the software implementation of the drawing
// vocabulary.
//
// The bits hold width x height words plus one sentinel word 0x4BEEFADE.
// Sizes above 16384 on a side or 64 megapixels, and negative sizes, are
// refused: the image is left 0 x 0 without pixels. Drawing clips every write
// to the image, whatever the caller passes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "image/Image.h"
#include "image/NativeDisplay.h"

namespace Kivo {

class ImageHost;
class MemoryImage;
struct TextureData;  // the 3D renderer's texture of an image

constexpr uint32_t kBitsSentinel = 0x4BEEFADE;
constexpr int32_t kMaxImageSide = 16384;
constexpr int64_t kMaxImagePixels = 64ll * 1024 * 1024;

// Texture wishes set from the resource manifest.
enum TextureFlag : uint32_t {
  kTextureMinSubdivide = 1,  // one power-of-two piece
  kTextureFixed64 = 2,       // fixed 64 x 64 pieces
  kTextureA4R4G4B4 = 4,
  kTextureNever565 = 8,
};

// Target pixel formats of the software triangle path.
enum PixelTag : uint16_t {
  kPixelTagOther = 0,
  kPixelTag8888 = 0x8888,  // 32-bit, alpha respected
  kPixelTag888 = 0x888,    // 32-bit, treated as opaque
  kPixelTag565 = 0x565,
  kPixelTag555 = 0x555,
};

// The pixel count for a width and height, or false when the size is
// negative or beyond the limits above.
bool ImagePixelCount(int32_t width, int32_t height, size_t& count);

// Whoever made an image's texture and keeps it in a list: an image deleted
// before its keeper takes itself out of that list through this.
class TextureKeeper {
 public:
  virtual void RemoveTexture(MemoryImage* image) = 0;

 protected:
  ~TextureKeeper() = default;
};

class MemoryImage : public Image {
 public:
  std::unique_ptr<uint32_t[]> bits;  // width * height + sentinel, or null
  int32_t changeCount = 0;
  TextureData* textureData = nullptr;      // created and deleted by the renderer
  TextureKeeper* textureKeeper = nullptr;  // the renderer holding textureData
  uint32_t textureFlags = 0;
  std::unique_ptr<uint32_t[]> palette;  // 256 entries, or null
  std::unique_ptr<uint8_t[]> indices;   // width * height, or null
  bool alphaFlagsForced = false;
  bool hasTransparency = false;
  bool hasPartialAlpha = false;
  bool isVolatile = false;
  bool discardWanted = false;
  bool paletteWanted = false;
  std::unique_ptr<uint32_t[]> nativeData;  // 256 in palette form, else width * height
  std::unique_ptr<uint8_t[]> alphaRunTable;
  std::unique_ptr<uint8_t[]> additiveRunTable;
  bool bitsChanged = false;
  ImageHost* host;

  // Registers with the installed host (the application object).
  MemoryImage();
  explicit MemoryImage(ImageHost* owner);
  // Deep-copies every form but the texture, then registers.
  MemoryImage(const MemoryImage& other);
  MemoryImage& operator=(const MemoryImage&) = delete;
  ~MemoryImage() override;

  // Image operations implemented in software.
  void FillRect(const Rect& rect, const Color& color, int32_t drawMode) override;
  void ClearRect(const Rect& rect) override;
  void DrawLine(double x1, double y1, double x2, double y2, const Color& color, int32_t drawMode) override;
  void DrawLineAntialiased(double x1, double y1, double x2, double y2, const Color& color, int32_t drawMode) override;
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

  // Storage and caches, in the order the class family keeps.
  virtual uint32_t* GetNativeData(const NativeDisplay& display);
  virtual uint8_t* GetAlphaRunTable();
  virtual uint8_t* GetAdditiveRunTable(const NativeDisplay& display);
  virtual void DiscardBits();
  virtual void DropSoftwareCaches();
  virtual void DropTexture();
  virtual void DropAllCaches();
  virtual void ApplyStorageOptions();
  virtual void NoteBitsChanged();
  virtual void ScanAlpha();
  virtual void DropDisplayCaches();
  virtual void ClearBits();
  // False (image left 0 x 0, no pixels) when the size is refused.
  virtual bool SetBits(const uint32_t* pixels, int32_t newWidth, int32_t newHeight, bool scanAlpha);
  virtual bool CreateBlank(int32_t newWidth, int32_t newHeight);
  // Never null: makes the bits from the first form that exists.
  virtual uint32_t* GetBits();
  virtual void ForceAlphaFlags(bool transparent, bool partial);
  virtual void SetVolatile(bool value);
  virtual bool ConvertToPalette();

  // The smooth resampler of the stretched draw, on its own: resamples the
  // source rectangle into the target rectangle of this image, source-over.
  // Colour and mode are not used.
  void DrawImageStretchedSmooth(Image* source, const Rect& target, const DoubleRect& sourceRect, const Color& color,
                                int32_t drawMode);

  // A straight 0xAARRGGBB pixel in the display's premultiplied layout, as
  // the native data holds it (shared with the surface-backed image).
  static uint32_t NativeWord(uint32_t argb, const NativeDisplay& display);

  // Clipping shared with the surface-backed image.
  static bool ClipStretchRects(const Rect& sourceRect, const Rect& clip, const Rect& destRect, DoubleRect& sourceOut,
                               Rect& destOut);
  static bool ClipStretchRectsMirrored(const Rect& sourceRect, const Rect& clip, const Rect& destRect,
                                       DoubleRect& sourceOut, Rect& destOut);
  static bool ComputeRotatedBounds(float x, float y, const Rect& sourceRect, const Rect& clip, double angle,
                                   float centerX, float centerY, DoubleRect& bounds);

  // The target tag for matrix and triangle draws into this image's bits.
  PixelTag TrianglePixelTag() const;
  // The number of pixels; 0 for an empty or refused size.
  size_t PixelCount() const;

 private:
  // The format the native data was built for, so it converts back exactly.
  NativeDisplay nativeFormat;
  bool nativeFromPalette = false;  // native data holds 256 palette entries

  void FreePaletteForm();
  void FreeDerived();
  bool Resize(int32_t newWidth, int32_t newHeight);
  void BuildRunTable(uint8_t* table, const uint32_t* words, const uint8_t* index, bool additive) const;
};

// Pixel access of a MemoryImage source: its palette form when it has one,
// else its bits. Null pixels and palette for an image of size 0, and for a
// surface image kept in video memory only, which software cannot read.
struct SourcePixels {
  const uint32_t* bits = nullptr;
  const uint8_t* indices = nullptr;
  const uint32_t* palette = nullptr;
  int32_t width = 0;
  int32_t height = 0;

  explicit SourcePixels(MemoryImage* image);
  bool HasPixels() const { return bits != nullptr || indices != nullptr; }
  uint32_t At(int32_t x, int32_t y) const {
    size_t i = static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x);
    return indices != nullptr ? palette[indices[i]] : bits[i];
  }
};

// Builds the palette form of width x height pixels: colours in order of
// first appearance, at most 256 of them; false when there are more.
bool BuildPalette256(const uint32_t* pixels, int32_t width, int32_t height, uint8_t* indices, uint32_t* palette);

}  // namespace Kivo
