// The abstract image: size, cell grid, animation description and the empty
// defaults of the drawing vocabulary (DrawRect and FillSpans have real ones
// built on FillRect).
#include "image/Image.h"

namespace Kivo {

void AnimationInfo::SetFrameDelay(int32_t index, int32_t delay) {
  if (index < 0) return;
  if (frameDelays.size() < static_cast<size_t>(index) + 1) frameDelays.resize(static_cast<size_t>(index) + 1, 0);
  frameDelays[static_cast<size_t>(index)] = delay;
}

void AnimationInfo::Setup(int32_t frames, int32_t beginDelay, int32_t endDelay) {
  frameCount = frames <= 0 ? 1 : frames;
  if (frameDelay <= 0) frameDelay = 1;

  // Ping-pong plays forward then back without repeating either end frame.
  if (type == kPingPong && frameCount > 1) {
    frameMap.clear();
    for (int32_t i = 0; i < frameCount; ++i) frameMap.push_back(i);
    for (int32_t i = frameCount - 2; i >= 1; --i) frameMap.push_back(i);
  }
  if (!frameMap.empty()) frameCount = static_cast<int32_t>(frameMap.size());

  if (beginDelay > 0) SetFrameDelay(0, beginDelay);
  if (endDelay > 0) SetFrameDelay(frameCount - 1, endDelay);

  // A manifest may give any delay and frame count: the total saturates
  // instead of overflowing.
  if (frameDelays.empty()) {
    const int64_t total = int64_t{frameDelay} * frameCount;
    totalTime = total > INT32_MAX ? INT32_MAX : static_cast<int32_t>(total);
    return;
  }
  frameDelays.resize(static_cast<size_t>(frameCount), 0);
  int64_t total = 0;
  for (int32_t& d : frameDelays) {
    if (d < 1) d = frameDelay;
    total += d;
  }
  totalTime = total > INT32_MAX ? INT32_MAX : static_cast<int32_t>(total);
}

Image::Image(const Image& other) : width(other.width), height(other.height), rows(other.rows), columns(other.columns) {
  if (other.animation != nullptr) animation = new AnimationInfo(*other.animation);
}

Image::~Image() { delete animation; }

void Image::CopyAttributes(const Image& other) {
  if (&other == this) return;
  rows = other.rows;
  columns = other.columns;
  delete animation;
  animation = other.animation != nullptr ? new AnimationInfo(*other.animation) : nullptr;
}

bool Image::FillPolygon(const int32_t*, int32_t, const Rect&, const Color&, int32_t, int32_t, int32_t, bool) {
  return false;
}

void Image::FillRect(const Rect&, const Color&, int32_t) {}

// The outline covers (w + 1) by (h + 1) pixels: top and bottom rows include
// both corners, the sides fill the rows between.
void Image::DrawRect(const Rect& r, const Color& color, int32_t drawMode) {
  FillRect(Rect(r.x, r.y, r.width + 1, 1), color, drawMode);
  FillRect(Rect(r.x, r.y + r.height, r.width + 1, 1), color, drawMode);
  FillRect(Rect(r.x, r.y + 1, 1, r.height - 1), color, drawMode);
  FillRect(Rect(r.x + r.width, r.y + 1, 1, r.height - 1), color, drawMode);
}

void Image::ClearRect(const Rect&) {}
void Image::DrawLine(double, double, double, double, const Color&, int32_t) {}
void Image::DrawLineAntialiased(double, double, double, double, const Color&, int32_t) {}

void Image::FillSpans(const ImageSpan* spans, int32_t count, const Color& color, int32_t drawMode) {
  for (int32_t i = 0; i < count; ++i) FillRect(Rect(spans[i].x, spans[i].y, spans[i].width, 1), color, drawMode);
}

void Image::FillSpansWithCoverage(const ImageSpan*, int32_t, const Color&, int32_t, const uint8_t*, int32_t, int32_t,
                                  int32_t, uint32_t) {}
void Image::DrawImage(Image*, int32_t, int32_t, const Rect&, const Color&, int32_t) {}
void Image::DrawImageAtFloat(Image*, float, float, const Rect&, const Rect&, const Color&, int32_t) {}
void Image::DrawImageRotated(Image*, float, float, const Rect&, const Rect&, const Color&, int32_t, double, float,
                             float) {}
void Image::DrawImageStretched(Image*, const Rect&, const Rect&, const Rect&, const Color&, int32_t, bool) {}
void Image::DrawImageByMatrix(Image*, float, float, const Matrix3&, const Rect&, const Color&, int32_t, const Rect&,
                              bool) {}
void Image::DrawTexturedTriangles(Image*, const TexturedVertex*, int32_t, const Rect&, const Color&, int32_t, float,
                                  float, bool) {}
void Image::DrawImageMirrored(Image*, int32_t, int32_t, const Rect&, const Color&, int32_t) {}
void Image::DrawImageStretchedMirrored(Image*, const Rect&, const Rect&, const Rect&, const Color&, int32_t, bool) {}
void Image::DrawImageTwoTextures(Image*, int32_t, int32_t, const Rect&, const Color&, int32_t, Image*, float, float,
                                 float, float, int32_t) {}
void Image::DrawQuadWrappedUV(Image*, float, float, float, float, const Color&, int32_t, bool, float, float, float,
                              float) {}
void Image::DrawVertexTriangles(Image*, const TriVertex*, int32_t, const Rect&, const Color&, int32_t, float, float,
                                bool) {}
void Image::DrawVertexTrianglesWrapped(Image*, const TriVertex*, int32_t, const Rect&, const Color&, int32_t, float,
                                       float, bool) {}
void Image::DrawVertexTrianglesRaw(Image*, const TriVertex*, int32_t, const Rect&, const Color&, int32_t, float, float,
                                   bool) {}
void Image::Begin3D(const Matrix4&, const Matrix4&, const Matrix4&) {}
void Image::End3D() {}
void Image::FillRect3D(const Rect&, const Color&, int32_t) {}
void Image::DrawVertexTrianglesTwoTextures(Image*, const TriVertex*, int32_t, const Rect&, const Color&, int32_t,
                                           Image*, float, float, bool) {}
void Image::DrawVertexTrianglesRawTwoTextures(Image*, const TriVertex*, int32_t, const Rect&, const Color&, int32_t,
                                              Image*, float, float, bool) {}

}  // namespace Kivo
