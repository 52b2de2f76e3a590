// The renderer without a device: every 3D start fails cleanly.
#include "display/D3DInterface.h"

namespace Kivo {

bool D3DInterface::Init(DDInterface*) {
  lastError = "No Direct3D device";
  return false;
}

bool D3DInterface::FillPolygon(const int32_t*, int32_t, const Rect&, const Color&, int32_t, int32_t, int32_t) {
  return true;
}
void D3DInterface::FillRect(const Rect&, const Color&, int32_t) {}
void D3DInterface::DrawLine(double, double, double, double, const Color&, int32_t) {}
void D3DInterface::DrawImage(Image*, float, float, const Rect&, const Color&, int32_t) {}
void D3DInterface::DrawImageAtFloat(Image*, float, float, const Rect&, const Rect&, const Color&, int32_t) {}
void D3DInterface::DrawImageMirrored(Image*, float, float, const Rect&, const Color&, int32_t) {}
void D3DInterface::DrawImageRotated(Image*, float, float, const Rect&, const Color&, int32_t, double, float, float,
                                    const Rect&) {}
void D3DInterface::DrawImageStretched(Image*, const Rect&, const Rect&, const Rect&, const Color&, int32_t, bool,
                                      bool) {}

void D3DInterface::DrawImageByMatrix(Image*, float, float, const Matrix3&, const Rect&, const Color&, int32_t,
                                     const Rect&, bool) {}
void D3DInterface::DrawTexturedTriangles(Image*, const TexturedVertex*, int32_t, const Rect&, const Color&, int32_t,
                                         float, float, bool) {}

}  // namespace Kivo
