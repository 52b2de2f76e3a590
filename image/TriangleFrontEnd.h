// The software triangle front end: clips textured triangles against a clip
// rectangle, converts them to fixed point and hands each to a rasterizer
// chosen from a 128-entry table by the drawing options and the target's
// pixel format.
//
// The system registers no rasterizer, so software matrix and triangle draws
// draw nothing; the table exists so that one can be plugged in (tests
// register a recording one).
#pragma once

#include <cstdint>

#include "image/Image.h"
#include "image/MemoryImage.h"

namespace Kivo {

// What a rasterizer receives per vertex: position in 16.16 target pixels,
// vertex colour channels as channel << 16 (with vertex colours only), and
// texture position in 16.16 texture pixels (when textured).
struct RasterVertex {
  int32_t x = 0, y = 0;
  int32_t a = 0, r = 0, g = 0, b = 0;
  int32_t u = 0, v = 0;
};

struct RasterTexture {
  const uint32_t* pixels = nullptr;
  int32_t shift = 16;  // 16 - floor(log2(width)) for widths of 2 or more
  int32_t maxU = 0;    // (width - 1) << 16
  int32_t maxV = 0;    // (height - 1) << 16
  int32_t width = 0;
  int32_t size = 0;  // width * height
  int32_t height = 0;
};

struct RasterColor {
  int32_t a = 0, r = 0, g = 0, b = 0;
};

using TriangleRasterizer = void (*)(const RasterVertex* vertices, void* target, int32_t pitch,
                                    const RasterTexture* texture, const RasterColor* color);

// Index bits of the rasterizer table.
enum RasterizerBit : uint32_t {
  kRasterFiltered = 0x01,
  kRasterTinted = 0x02,
  kRasterVertexColors = 0x04,
  kRasterBlended = 0x08,
  kRasterTextured = 0x10,
};
constexpr int kRasterizerCount = 128;

// Installs a rasterizer for one index (null empties it); returns the old one.
TriangleRasterizer SetTriangleRasterizer(uint32_t index, TriangleRasterizer rasterizer);

uint32_t RasterizerIndex(bool textured, bool blended, bool vertexColors, bool tinted, PixelTag tag, bool blend);

// Clips a triangle to the inclusive bounds; returns the vertex count of the
// clipped polygon (0 when nothing is left). out holds at least 12 vertices.
int ClipTriangle(TexturedVertex* out, const TexturedVertex& v0, const TexturedVertex& v1, const TexturedVertex& v2,
                 float xMin, float xMax, float yMin, float yMax);

void DispatchRasterizer(bool textured, bool blended, bool vertexColors, bool tinted, const RasterVertex* vertices,
                        void* target, int32_t pitch, const RasterTexture* texture, const RasterColor* color,
                        PixelTag tag, bool blend);

// Draws a triangle strip; triangle i uses vertices i, i+1, i+2 (odd ones
// swapped so every triangle keeps the strip's winding).
void DrawTriangleStrip(const TexturedVertex* vertices, int32_t vertexCount, MemoryImage* texture, const Color& color,
                       int32_t drawMode, const Rect& clip, void* target, int32_t pitch, PixelTag tag, bool blend,
                       bool vertexColors);

// The matrix and triangle draws into any 16- or 32-bit pixel buffer.
void DrawImageByMatrixInto(Image* source, float x, float y, const Matrix3& matrix, const Rect& clip, const Color& color,
                           int32_t drawMode, const Rect& sourceRect, void* target, int32_t pitch, PixelTag tag,
                           bool blend);
void DrawTexturedTrianglesInto(Image* texture, const TexturedVertex* vertices, int32_t triangleCount, const Rect& clip,
                               const Color& color, int32_t drawMode, void* target, int32_t pitch, PixelTag tag,
                               float offsetX, float offsetY, bool blend);

}  // namespace Kivo
