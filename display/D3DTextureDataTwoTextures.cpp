// The two-texture draws of a texture record (see D3DTextureData.h): the
// image on stage 0, piece by piece, and a second image's first piece on
// stage 1, combined by stage 1's operation.
//
// The second image is addressed directly in its first piece's texture, with
// stage 1's wrap addressing (a frame state), so its coordinates may run past
// the piece and repeat it. The stage 1 operations set here stay for the
// rest of the frame: the single-texture draws only unbind stage 1's
// texture, and a stage without a texture passes the colour through.
#include <algorithm>
#include <cmath>

#include "display/D3DTextureData.h"
#include "display/D3DTrianglePieces.h"
#include "display/D3DVertexList.h"
#include "image/Image.h"

namespace Kivo {

namespace {

constexpr DWORD kFormatTL2 = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX2;  // 0x244
constexpr DWORD kFormat3D = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX2;      // 0x242

// Binds the piece to stage 0 and the second image to stage 1 with the
// combine operation on stage 1; false when a texture could not be bound
// (the draw then gives up this piece).
bool BindTwoStages(IDirect3DDevice7* device, IDirectDrawSurface7* piece, IDirectDrawSurface7* second, int32_t combine) {
  const bool failed0 = CheckD3DResult(device->SetTexture(0, piece), "SetTexture gTexture");
  device->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
  switch (combine) {
    case kCombineAlphaMask:
      device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
      device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
      break;
    case kCombineModulate: device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE); break;
    default: device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_ADD); break;
  }
  const bool failed1 = CheckD3DResult(device->SetTexture(1, second), "SetTexture gTexture");
  device->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 1);
  return !failed0 && !failed1;
}

}  // namespace

void TextureData::DrawTwoTextures(IDirect3DDevice7* device, float x, float y, const Rect& sourceRect, uint32_t colour,
                                  const TextureData& second, float uLeft, float vTop, float uRight, float vBottom,
                                  int32_t combine) const {
  if (sourceRect.width <= 0 || sourceRect.height <= 0 || second.pieces.empty()) return;
  IDirectDrawSurface7* secondPiece = second.pieces[0].surface;
  const float width = static_cast<float>(sourceRect.width), height = static_cast<float>(sourceRect.height);
  // The second image spreads over the source rectangle, measured from the
  // image's own origin.
  auto s = [&](int64_t sx) { return uLeft + (uRight - uLeft) * static_cast<float>(sx) / width; };
  auto t = [&](int64_t sy) { return vTop + (vBottom - vTop) * static_cast<float>(sy) / height; };
  WalkPieces(sourceRect, [&](const PieceBlock& b) {
    if (!BindTwoStages(device, b.piece, secondPiece, combine)) return;
    const float dx = x + static_cast<float>(int64_t{b.x} - sourceRect.x) - 0.5f;
    const float dy = y + static_cast<float>(int64_t{b.y} - sourceRect.y) - 0.5f;
    const float fw = static_cast<float>(b.width), fh = static_cast<float>(b.height);
    const int64_t right = int64_t{b.x} + b.width, bottom = int64_t{b.y} + b.height;
    TLVertex2 quad[4] = {{dx, dy, 0, 1, colour, b.uMin, b.vMin, s(b.x), t(b.y)},
                         {dx, dy + fh, 0, 1, colour, b.uMin, b.vMax, s(b.x), t(bottom)},
                         {dx + fw, dy, 0, 1, colour, b.uMax, b.vMin, s(right), t(b.y)},
                         {dx + fw, dy + fh, 0, 1, colour, b.uMax, b.vMax, s(right), t(bottom)}};
    CheckD3DResult(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, kFormatTL2, quad, 4, 0), "DrawPrimitive (Tri) 1");
  });
}

void TextureData::DrawVertexTrianglesTwoTextures(IDirect3DDevice7* device, const TriVertex* vertices,
                                                 int32_t triangleCount, uint32_t colour, const TextureData& second,
                                                 float offsetX, float offsetY) const {
  if (vertices == nullptr || triangleCount <= 0 || pieces.empty() || second.pieces.empty()) return;
  IDirectDrawSurface7* secondPiece = second.pieces[0].surface;
  auto vertex = [&](size_t i) {
    Vertex3D v = MakeVertex3D(vertices[i], colour, *this, offsetX, offsetY);
    // The second image's coordinates address its texture as they are.
    v.tu1 = vertices[i].secondU;
    v.tv1 = vertices[i].secondV;
    return v;
  };

  // The second coordinates move by whole textures with the piece, which
  // stage 1's wrapping absorbs; they are neither rescaled nor cut.
  const auto bind = [&](IDirectDrawSurface7* piece) {
    return BindTwoStages(device, piece, secondPiece, kCombineAlphaMask);
  };
  const auto moveSecond = [](Vertex3D& v, int32_t column, int32_t row) {
    v.tu1 -= static_cast<float>(column);
    v.tv1 -= static_cast<float>(row);
  };
  DrawTrianglesOverPieces<Vertex3D>(device, this, triangleCount, kFormat3D, bind, moveSecond, vertex);
}

}  // namespace Kivo
