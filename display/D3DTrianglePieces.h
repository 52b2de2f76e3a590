// The triangle walk over an image's texture pieces, shared by the renderer's
// single- and two-texture triangle draws; not for callers of the renderer.
//
// A one-piece image binds once and draws its triangles in lists of up to 100
// (300 vertices in a local array). A several-piece image has each triangle
// cut once per piece under its texture bounds: the copy is moved into the
// piece's coordinates, rescaled for the narrower last column and row, clipped
// to the piece and drawn as a fan when more than two corners remain.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "display/D3DInterface.h"
#include "display/D3DTextureData.h"
#include "display/D3DVertexList.h"
#include "image/Image.h"

namespace Kivo {
namespace TrianglePieces {

inline float &TexU(TLVertex &v) { return v.tu; }
inline float &TexV(TLVertex &v) { return v.tv; }
inline float &TexU(Vertex3D &v) { return v.tu0; }
inline float &TexV(Vertex3D &v) { return v.tv0; }
inline void ClipToPiece(VertexList<TLVertex> &polygon) { ClipTriangleToPiece(polygon); }
inline void ClipToPiece(VertexList<Vertex3D> &polygon) { ClipTriangle3DToPiece(polygon); }

}  // namespace TrianglePieces

// A corner of the 3D vertex triangles: half a pixel up and left of its
// point, the call's colour where it has none, its first texture coordinates
// measured in pieces of the image. The second set is left for the caller.
inline Vertex3D MakeVertex3D(const TriVertex &t, DWORD callColour, const TextureData &data, float offsetX,
                             float offsetY) {
  Vertex3D v;
  v.x = offsetX + t.x - 0.5f;
  v.y = offsetY + t.y - 0.5f;
  v.z = t.z;
  v.colour = t.color != 0 ? t.color : callColour;
  v.tu0 = t.u * data.maxU;
  v.tv0 = t.v * data.maxV;
  return v;
}

// For draws with one coordinate set: nothing moves with the piece besides it.
template <typename V>
inline void NoSecondCoordinates(V &, int32_t, int32_t) {}

// makeVertex(i) gives vertex i (three per triangle) with texture coordinates
// already measured in pieces; bind(surface) binds the stage textures for a
// piece and answers false when that failed (the piece is then skipped);
// moveSecond(v, column, row) moves any further coordinate set with the piece.
template <typename V, typename Bind, typename MoveSecond, typename MakeVertex>
void DrawTrianglesOverPieces(IDirect3DDevice7 *device, const TextureData *data, int32_t triangleCount, DWORD fvf,
                             Bind bind, MoveSecond moveSecond, MakeVertex makeVertex) {
  using TrianglePieces::TexU;
  using TrianglePieces::TexV;
  if (data->maxU <= 1.0f && data->maxV <= 1.0f) {
    if (!bind(data->pieces[0].surface)) return;
    V batch[300];
    DWORD n = 0;
    for (int32_t t = 0; t < triangleCount; ++t) {
      for (int k = 0; k < 3; ++k) batch[n++] = makeVertex(3 * static_cast<size_t>(t) + k);
      if (n == 300 || t == triangleCount - 1) {
        CheckD3DResult(device->DrawPrimitive(D3DPT_TRIANGLELIST, fvf, batch, n, 0), "DrawPrimitive (TriList)");
        n = 0;
      }
    }
    return;
  }

  const int32_t lastColumn = data->columns - 1, lastRow = data->rows - 1;
  for (int32_t t = 0; t < triangleCount; ++t) {
    V tri[3];
    float uLow = data->maxU, vLow = data->maxV, uHigh = 0, vHigh = 0;
    for (int k = 0; k < 3; ++k) {
      tri[k] = makeVertex(3 * static_cast<size_t>(t) + k);
      uLow = std::min(uLow, TexU(tri[k])), vLow = std::min(vLow, TexV(tri[k]));
      uHigh = std::max(uHigh, TexU(tri[k])), vHigh = std::max(vHigh, TexV(tri[k]));
    }
    const int32_t c0 = std::max(0, static_cast<int32_t>(std::floor(uLow)));
    const int32_t c1 = std::min(data->columns, static_cast<int32_t>(std::ceil(uHigh)));
    const int32_t r0 = std::max(0, static_cast<int32_t>(std::floor(vLow)));
    const int32_t r1 = std::min(data->rows, static_cast<int32_t>(std::ceil(vHigh)));
    for (int32_t r = r0; r < r1; ++r)
      for (int32_t c = c0; c < c1; ++c) {
        const TexturePiece &piece = data->pieces[static_cast<size_t>(r) * static_cast<size_t>(data->columns) + c];
        if (piece.width <= 0 || piece.height <= 0) continue;
        VertexList<V> polygon;
        for (const V &source : tri) {
          V v = source;
          TexU(v) -= static_cast<float>(c);
          TexV(v) -= static_cast<float>(r);
          moveSecond(v, c, r);
          if (r == lastRow) TexV(v) *= static_cast<float>(data->pieces[0].height) / static_cast<float>(piece.height);
          if (c == lastColumn) TexU(v) *= static_cast<float>(data->pieces[0].width) / static_cast<float>(piece.width);
          polygon.Add(v);
        }
        TrianglePieces::ClipToPiece(polygon);
        if (polygon.count <= 2 || !bind(piece.surface)) continue;
        CheckD3DResult(
            device->DrawPrimitive(D3DPT_TRIANGLEFAN, fvf, polygon.items, static_cast<DWORD>(polygon.count), 0),
            "DrawPrimitive (Tri) 4");
      }
  }
}

}  // namespace Kivo
