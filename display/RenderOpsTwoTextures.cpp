// The renderer's two-texture draws: an image quad, and 3D vertex triangles,
// whose colour is combined on the device's second texture stage with a
// second image (its first texture piece only).
//
// Both images go through the usual prologue (scene, both textures, blend
// mode); a draw whose scene or textures cannot be made draws nothing. A
// failed call leaves its text in gLastDirectXError and the draw goes on with
// its next piece.
#include "display/D3DInterface.h"
#include "display/D3DTextureData.h"
#include "display/RenderOpsInternal.h"
#include "image/Image.h"
#include "image/MemoryImage.h"

namespace Kivo {

namespace {

// The call's colour as a vertex colour; channels are not masked.
DWORD VertexColour(const Color& c) {
  return (static_cast<DWORD>(c.alpha) << 24) | (static_cast<DWORD>(c.red) << 16) | (static_cast<DWORD>(c.green) << 8) |
         static_cast<DWORD>(c.blue);
}

// The prologue of both draws: the scene, the first image's texture, then
// the second's, then the blend mode. False: draw nothing.
bool PrepareTwoTextures(D3DInterface& renderer, Image* source, Image* second, const Color& color, int32_t drawMode,
                        const TextureData** first, const TextureData** other) {
  MemoryImage* image = source != nullptr ? source->AsMemoryImage() : nullptr;
  MemoryImage* image2 = second != nullptr ? second->AsMemoryImage() : nullptr;
  if (image == nullptr || image2 == nullptr) return false;
  if (!renderer.PreDraw() || !renderer.EnsureTexture(image) || !renderer.EnsureTexture(image2)) return false;
  renderer.SetBlendMode(drawMode, &color, image);
  *first = image->textureData;
  *other = image2->textureData;
  return *first != nullptr && *other != nullptr && !(*first)->pieces.empty() && !(*other)->pieces.empty();
}

}  // namespace

void D3DInterface::DrawImageTwoTextures(Image* source, float x, float y, const Rect& sourceRect, const Color& color,
                                        int32_t drawMode, Image* second, float uLeft, float vTop, float uRight,
                                        float vBottom, int32_t combine) {
  if (sourceRect.width <= 0 || sourceRect.height <= 0) return;
  const TextureData *first = nullptr, *other = nullptr;
  if (!PrepareTwoTextures(*this, source, second, color, drawMode, &first, &other)) return;
  first->DrawTwoTextures(device, x, y, sourceRect, VertexColour(color), *other, uLeft, vTop, uRight, vBottom, combine);
}

void D3DInterface::DrawVertexTrianglesRawTwoTextures(Image* texture, const TriVertex* vertices, int32_t triangleCount,
                                                     const Color& color, int32_t drawMode, Image* second, float offsetX,
                                                     float offsetY) {
  if (vertices == nullptr || triangleCount <= 0) return;
  const TextureData *first = nullptr, *other = nullptr;
  if (!PrepareTwoTextures(*this, texture, second, color, drawMode, &first, &other)) return;
  first->DrawVertexTrianglesTwoTextures(device, vertices, triangleCount, VertexColour(color), *other, offsetX, offsetY);
}

void D3DInterface::DrawVertexTrianglesTwoTextures(Image* texture, const TriVertex* vertices, int32_t triangleCount,
                                                  const Color& color, int32_t drawMode, Image* second, float offsetX,
                                                  float offsetY) {
  ForEachCentredStripBatch(vertices, triangleCount, width, height, [&](const TriVertex* batch, int32_t n) {
    DrawVertexTrianglesRawTwoTextures(texture, batch, n, color, drawMode, second, offsetX, offsetY);
  });
}

}  // namespace Kivo
