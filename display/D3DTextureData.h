// The Direct3D texture of one MemoryImage: the image cut into a grid of
// power-of-two pieces within the device's limits, each a managed texture
// surface, in one format chosen from the image's alpha and flags and the
// device's offer. Pixels upload with a duplicated right column and bottom
// row so that filtering at a piece's edge reads the image's own edge; a
// change of pixels uploads into the same surfaces, a change of size, flags
// or format recreates them. The texture can be read back into the image.
//
// Failures: a piece that cannot be created leaves the record without a
// format (the next check starts over); a lock failure is reported through
// CheckD3DResult; a palette that cannot be created turns palettised textures
// off for the rest of the run.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "display/D3DInterface.h"
#include "shell/base/Rect.h"

namespace Kivo {

struct TexturePiece {
  IDirectDrawSurface7* surface = nullptr;  // owned
  int32_t width = 0;
  int32_t height = 0;
};

// One block of a piece walk: the image block (x, y, width, height), in
// image coordinates, lies wholly in one texture piece, at the texture
// rectangle (uMin, vMin)-(uMax, vMax) of that piece.
struct PieceBlock {
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;
  IDirectDrawSurface7* piece = nullptr;
  float uMin = 0;
  float vMin = 0;
  float uMax = 0;
  float vMax = 0;
};

// The device's pre-transformed vertex with two coordinate sets (format
// 0x244), built by the two-texture quad.
struct TLVertex2 {
  float x = 0;
  float y = 0;
  float z = 0;
  float rhw = 1.0f;
  uint32_t colour = 0;
  float tu0 = 0;
  float tv0 = 0;
  float tu1 = 0;
  float tv1 = 0;
};
static_assert(sizeof(TLVertex2) == sizeof(D3DTLVERTEX2), "TLVertex2 is the device's vertex");

struct TextureData {
  std::vector<TexturePiece> pieces;             // row-major: piece (c, r) is r x columns + c
  IDirectDrawPalette* paletteObject = nullptr;  // owned, attached to every piece
  int32_t uploadedWidth = 0;
  int32_t uploadedHeight = 0;
  int32_t columns = 0;
  int32_t rows = 0;
  int32_t pieceWidth = 64;
  int32_t pieceHeight = 64;
  int32_t uploadedChangeCount = 0;
  int32_t textureBytes = 0;
  float maxU = 0;
  float maxV = 0;
  uint32_t format = kFormatNone;
  uint32_t uploadedFlags = 0;

  TextureData() = default;
  TextureData(const TextureData&) = delete;
  TextureData& operator=(const TextureData&) = delete;
  ~TextureData();

  void ReleasePieces();
  void CheckUpToDate(MemoryImage* image, IDirect3DDevice7* device, IDirectDraw7* directDraw7);
  void Upload(MemoryImage* image, IDirect3DDevice7* device, IDirectDraw7* directDraw7);
  void CreatePieces(MemoryImage* image);
  static void UploadPiece(IDirectDrawSurface7* surface, MemoryImage* image, int32_t x, int32_t y, int32_t width,
                          int32_t height, uint32_t format);
  // The piece holding image point (x, y); narrows width and height to the
  // part of the extent it holds and gives its texture rectangle. A point
  // outside the piece grid gives null with width and height 0.
  IDirectDrawSurface7* GetPieceAt(int32_t x, int32_t y, int32_t& width, int32_t& height, float& uMin, float& vMin,
                                  float& uMax, float& vMax) const;
  // Every piece-walking draw goes through here: the source rectangle is cut
  // to the uploaded image first (a rectangle reaching past it would step
  // off the grid or never end), then visited row by row, left to right, one
  // block per piece. The walk stops at an empty or missing piece. Returns
  // the number of blocks visited.
  int32_t WalkPieces(const Rect& sourceRect, const std::function<void(const PieceBlock&)>& visit) const;

  // Two-texture draws (D3DTextureDataTwoTextures.cpp): this image on stage
  // 0, the first piece of second on stage 1. The quad walks the pieces of
  // the source rectangle at (x, y); the triangles are 3D vertex triangles,
  // three vertices each, moved by (offsetX, offsetY).
  void DrawTwoTextures(IDirect3DDevice7* device, float x, float y, const Rect& sourceRect, uint32_t colour,
                       const TextureData& second, float uLeft, float vTop, float uRight, float vBottom,
                       int32_t combine) const;
  void DrawVertexTrianglesTwoTextures(IDirect3DDevice7* device, const TriVertex* vertices, int32_t triangleCount,
                                      uint32_t colour, const TextureData& second, float offsetX, float offsetY) const;
};

// Piece sizes: table rule, power-of-two rounding, device limits and aspect.
void ChooseTexturePieceSize(int32_t& width, int32_t& height, bool roundUp, bool adjust, uint32_t flags);
// The table entry for a size below 1024 (exposed for tests).
int32_t TexturePieceTableEntry(int32_t size);
int32_t RoundUpToPowerOfTwo(int32_t n);
bool IsPowerOfTwo(int32_t n);
IDirectDrawSurface7* CreateTextureSurface(IDirect3DDevice7* device, IDirectDraw7* directDraw7, int32_t width,
                                          int32_t height, uint32_t format);

// Pixel conversions between an image block and texture memory (pitch in
// bytes). Uploads optionally repeat the block's last column once more.
void CopyImageToTexture8888(uint8_t* bits, int32_t pitch, MemoryImage* image, int32_t x, int32_t y, int32_t w,
                            int32_t h, bool repeatLastColumn);
void CopyImageToTexture4444(uint8_t* bits, int32_t pitch, MemoryImage* image, int32_t x, int32_t y, int32_t w,
                            int32_t h, bool repeatLastColumn);
void CopyImageToTexture565(uint8_t* bits, int32_t pitch, MemoryImage* image, int32_t x, int32_t y, int32_t w, int32_t h,
                           bool repeatLastColumn);
void CopyImageToTexturePalette8(uint8_t* bits, int32_t pitch, MemoryImage* image, int32_t x, int32_t y, int32_t w,
                                int32_t h, bool repeatLastColumn);
void CopyTexture8888ToImage(const uint8_t* bits, int32_t pitch, MemoryImage* image, int32_t x, int32_t y, int32_t w,
                            int32_t h);
void CopyTexture4444ToImage(const uint8_t* bits, int32_t pitch, MemoryImage* image, int32_t x, int32_t y, int32_t w,
                            int32_t h);
void CopyTexture565ToImage(const uint8_t* bits, int32_t pitch, MemoryImage* image, int32_t x, int32_t y, int32_t w,
                           int32_t h);
void CopyTexturePalette8ToImage(const uint8_t* bits, int32_t pitch, MemoryImage* image, int32_t x, int32_t y, int32_t w,
                                int32_t h, IDirectDrawPalette* palette);

}  // namespace Kivo
