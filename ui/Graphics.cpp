#include "ui/Graphics.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

#include "platform/TextLog.h"
#include "ui/Font.h"

namespace Kivo {

Image* PlaceholderImage() {
  // Built on first use, so no context depends on the order of global
  // construction; never drawn into because its clip is empty.
  static Image placeholder;
  return &placeholder;
}

int TruncateToInt(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 2147483647.0) return INT_MAX;
  if (value <= -2147483648.0) return INT_MIN;
  return static_cast<int>(value);
}

bool SourceInsideImage(const Image* image, const Rect& source) {
  if (image == nullptr) return false;
  if (source.x < 0 || source.y < 0 || source.width < 0 || source.height < 0) return false;
  return int64_t(source.x) + source.width <= image->GetWidth() &&
         int64_t(source.y) + source.height <= image->GetHeight();
}

namespace {

bool IsEmpty(const Rect& r) { return r.width <= 0 || r.height <= 0; }

Rect WholeImage(const Image* image) { return Rect(0, 0, image->GetWidth(), image->GetHeight()); }

// Quad corners as the renderer wants them: y axis up, depth 1, colour 0 so
// the call's tint applies.
TriVertex QuadVertex(float x, float y, float u, float v) {
  TriVertex vertex;
  vertex.x = x;
  vertex.y = -y;
  vertex.z = 1.0f;
  vertex.u = u;
  vertex.v = v;
  vertex.secondU = 0.0f;
  vertex.secondV = 0.0f;
  vertex.color = 0;
  return vertex;
}

Vector2 Lerp(const Vector2& a, const Vector2& b, float t) {
  return Vector2(a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t);
}

}  // namespace

Graphics::Graphics(Image* dest) {
  mDestImage = dest != nullptr ? dest : PlaceholderImage();
  mClipRect = WholeImage(mDestImage);
}

Graphics::Graphics(const Graphics& other) : GraphicsState(other) {}

Graphics::~Graphics() = default;

Graphics* Graphics::Create() const { return new Graphics(*this); }

void Graphics::PushState() { mStateStack.push_back(static_cast<const GraphicsState&>(*this)); }

void Graphics::PopState() {
  if (mStateStack.empty()) return;
  static_cast<GraphicsState&>(*this) = mStateStack.back();
  mStateStack.pop_back();
}

void Graphics::SetColorARGB(unsigned char alpha, unsigned char red, unsigned char green, unsigned char blue) {
  mColor = Color(red, green, blue, alpha);
}

const Color& Graphics::Tint() const { return mColorizeImages ? mColor : Color::White; }

int Graphics::PixelX(float x) const { return TruncateToInt(x + mTransX); }

int Graphics::PixelY(float y) const { return TruncateToInt(y + mTransY); }

void Graphics::Translate(int dx, int dy) {
  mTransX += static_cast<float>(dx);
  mTransY += static_cast<float>(dy);
}

void Graphics::ClipRect(int x, int y, int w, int h) {
  mClipRect = mClipRect.Intersection(Rect(PixelX(static_cast<float>(x)), PixelY(static_cast<float>(y)), w, h));
}

void Graphics::ClearClipRect() { mClipRect = WholeImage(mDestImage); }

void Graphics::ClearRect(int x, int y, int w, int h) {
  Rect r = Rect(PixelX(static_cast<float>(x)), PixelY(static_cast<float>(y)), w, h).Intersection(mClipRect);
  if (IsEmpty(r)) return;
  mDestImage->ClearRect(r);
}

void Graphics::FillRect(int x, int y, int w, int h) {
  if (mColor.alpha == 0) return;
  Rect r = Rect(PixelX(static_cast<float>(x)), PixelY(static_cast<float>(y)), w, h).Intersection(mClipRect);
  if (IsEmpty(r)) return;
  mDestImage->FillRect(r, mColor, mDrawMode);
}

void Graphics::FillRect3D(int x, int y, int w, int h) {
  if (mColor.alpha == 0) return;
  Rect r = Rect(PixelX(static_cast<float>(x)), PixelY(static_cast<float>(y)), w, h).Intersection(mClipRect);
  if (IsEmpty(r)) return;
  mDestImage->FillRect3D(r, mColor, mDrawMode);
}

void Graphics::DrawRect(int x, int y, int w, int h) {
  if (mColor.alpha == 0) return;
  const int64_t left = PixelX(static_cast<float>(x));
  const int64_t top = PixelY(static_cast<float>(y));
  const bool inside = w >= 0 && h >= 0 && left >= mClipRect.x && top >= mClipRect.y &&
                      left + w + 1 <= int64_t(mClipRect.x) + mClipRect.width &&
                      top + h + 1 <= int64_t(mClipRect.y) + mClipRect.height;
  if (inside) {
    mDestImage->DrawRect(Rect(static_cast<int>(left), static_cast<int>(top), w, h), mColor, mDrawMode);
    return;
  }
  // Near the clip edge the outline goes as four clipped fills, which give the
  // same pixels as the image's own outline.
  FillRect(x, y, w + 1, 1);
  FillRect(x, y + h, w + 1, 1);
  FillRect(x, y + 1, 1, h - 1);
  FillRect(x + w, y + 1, 1, h - 1);
}

void Graphics::DrawString(const std::wstring& text, int x, int y) {
  if (mFont == nullptr) return;
  // Every text the game draws passes here: the gallery runs log it with its
  // box on the image drawn on (GAME_TEXT_LOG).
  if (Platform::TextLogWanted()) {
    const Rect box = Rect(PixelX(static_cast<float>(x)), PixelY(static_cast<float>(y - mFont->GetAscent())),
                          mFont->StringWidth(text), mFont->GetHeight())
                         .Intersection(mClipRect);
    const int destWidth = mDestImage != nullptr ? mDestImage->GetWidth() : 0;
    const int destHeight = mDestImage != nullptr ? mDestImage->GetHeight() : 0;
    Platform::NoteDrawnText(box.x, box.y, std::max(0, box.width), std::max(0, box.height), mColor.ToInt(), destWidth,
                            destHeight, text);
  }
  mFont->DrawString(*this, x, y, text, mColor, mClipRect);
}

void Graphics::DrawImage(Image* image, int x, int y) {
  if (image == nullptr) return;
  if (mScaleX != 1.0f || mScaleY != 1.0f) {
    DrawImageSubrect(image, x, y, WholeImage(image));
    return;
  }
  const int px = PixelX(static_cast<float>(x));
  const int py = PixelY(static_cast<float>(y));
  Rect r = Rect(px, py, image->GetWidth(), image->GetHeight()).Intersection(mClipRect);
  if (IsEmpty(r)) return;
  mDestImage->DrawImage(image, r.x, r.y, Rect(r.x - px, r.y - py, r.width, r.height), Tint(), mDrawMode);
}

void Graphics::DrawImageSubrect(Image* image, int x, int y, const Rect& source) {
  if (!SourceInsideImage(image, source)) return;
  if (mScaleX == 1.0f && mScaleY == 1.0f) {
    const int px = PixelX(static_cast<float>(x));
    const int py = PixelY(static_cast<float>(y));
    Rect r = Rect(px, py, source.width, source.height).Intersection(mClipRect);
    if (IsEmpty(r)) return;
    Rect src(source.x + (r.x - px), source.y + (r.y - py), r.width, r.height);
    mDestImage->DrawImage(image, r.x, r.y, src, Tint(), mDrawMode);
    return;
  }
  const float fx = static_cast<float>(x) + mTransX;
  const float fy = static_cast<float>(y) + mTransY;
  const int destW = TruncateToInt(std::ceil(mScaleX * static_cast<float>(source.width)));
  const int destH = TruncateToInt(std::ceil(mScaleY * static_cast<float>(source.height)));
  const int destX =
      TruncateToInt(std::floor(mScaleX * (static_cast<float>(TruncateToInt(fx)) - mScaleOrigX)) + mScaleOrigX);
  const int destY =
      TruncateToInt(std::floor(mScaleY * (static_cast<float>(TruncateToInt(fy)) - mScaleOrigY)) + mScaleOrigY);
  mDestImage->DrawImageStretched(image, Rect(destX, destY, destW, destH), source, mClipRect, Tint(), mDrawMode,
                                 mFastStretch);
}

void Graphics::DrawImageMirrored(Image* image, int x, int y, const Rect& source, bool mirror) {
  if (!mirror) {
    DrawImageSubrect(image, x, y, source);
    return;
  }
  if (!SourceInsideImage(image, source)) return;
  const int px = PixelX(static_cast<float>(x));
  const int py = PixelY(static_cast<float>(y));
  Rect r = Rect(px, py, source.width, source.height).Intersection(mClipRect);
  if (IsEmpty(r)) return;
  // Mirrored, the clipped left edge of the destination shows the right-hand
  // side of the source.
  Rect src(source.x + source.width - r.width - (r.x - px), source.y + (r.y - py), r.width, r.height);
  mDestImage->DrawImageMirrored(image, r.x, r.y, src, Tint(), mDrawMode);
}

void Graphics::DrawImageStretched(Image* image, const Rect& dest, const Rect& source) {
  if (image == nullptr) return;
  Rect d(PixelX(static_cast<float>(dest.x)), PixelY(static_cast<float>(dest.y)), dest.width, dest.height);
  mDestImage->DrawImageStretched(image, d, source, mClipRect, Tint(), mDrawMode, mFastStretch);
}

void Graphics::DrawImageStretchedMirrored(Image* image, const Rect& dest, const Rect& source, bool mirror) {
  if (!mirror) {
    DrawImageStretched(image, dest, source);
    return;
  }
  if (image == nullptr) return;
  Rect d(PixelX(static_cast<float>(dest.x)), PixelY(static_cast<float>(dest.y)), dest.width, dest.height);
  mDestImage->DrawImageStretchedMirrored(image, d, source, mClipRect, Tint(), mDrawMode, mFastStretch);
}

void Graphics::DrawImageAtFloat(Image* image, float x, float y, const Rect& source) {
  if (image == nullptr) return;
  mDestImage->DrawImageAtFloat(image, x + mTransX, y + mTransY, source, mClipRect, Tint(), mDrawMode);
}

void Graphics::DrawImageRotated(Image* image, int x, int y, double angle, const Rect* source) {
  if (image == nullptr) return;
  const int w = source != nullptr ? source->width : image->GetWidth();
  const int h = source != nullptr ? source->height : image->GetHeight();
  DrawImageRotatedF(image, static_cast<float>(x), static_cast<float>(y), angle, static_cast<float>(w / 2),
                    static_cast<float>(h / 2), source);
}

void Graphics::DrawImageRotatedAbout(Image* image, int x, int y, double angle, int centerX, int centerY,
                                     const Rect* source) {
  DrawImageRotatedF(image, static_cast<float>(x), static_cast<float>(y), angle, static_cast<float>(centerX),
                    static_cast<float>(centerY), source);
}

void Graphics::DrawImageRotatedF(Image* image, float x, float y, double angle, float centerX, float centerY,
                                 const Rect* source) {
  if (image == nullptr) return;
  const Rect src = source != nullptr ? *source : WholeImage(image);
  mDestImage->DrawImageRotated(image, x + mTransX, y + mTransY, src, mClipRect, Tint(), mDrawMode, angle, centerX,
                               centerY);
}

void Graphics::DrawImageByMatrix(Image* image, const Matrix3& matrix, const Rect& source, float x, float y) {
  if (image == nullptr) return;
  mDestImage->DrawImageByMatrix(image, x + mTransX, y + mTransY, matrix, mClipRect, Tint(), mDrawMode, source,
                                mLinearBlend);
}

void Graphics::DrawImageTransformed(Image* image, LazyTransform2D& transform, const Rect& source, float x, float y,
                                    bool subPixel) {
  if (image == nullptr) return;
  if (transform.fullMatrix || (mIs3D && subPixel)) {
    DrawImageByMatrix(image, transform.GetMatrix(), source, x, y);
    return;
  }
  const float hw = static_cast<float>(source.width) / 2.0f;
  const float hh = static_cast<float>(source.height) / 2.0f;
  if (transform.hasRotation) {
    const float cx = hw - transform.tx1;
    const float cy = hh - transform.ty1;
    const float px = x + transform.tx2 - cx + 0.5f;
    const float py = y + transform.ty2 - cy + 0.5f;
    if (subPixel) {
      DrawImageRotatedF(image, px, py, transform.angle, cx, cy, &source);
    } else {
      DrawImageRotatedAbout(image, TruncateToInt(px), TruncateToInt(py), transform.angle, TruncateToInt(cx),
                            TruncateToInt(cy), &source);
    }
    return;
  }
  const float plainX = x + transform.tx1 + transform.tx2 - hw + 0.5f;
  const float plainY = y + transform.ty1 + transform.ty2 - hh + 0.5f;
  if (!transform.hasScale) {
    if (subPixel) {
      DrawImageAtFloat(image, plainX, plainY, source);
    } else {
      DrawImageSubrect(image, TruncateToInt(plainX), TruncateToInt(plainY), source);
    }
    return;
  }
  if (transform.sx == -1.0f && transform.sy == 1.0f) {
    DrawImageMirrored(image, TruncateToInt(plainX), TruncateToInt(plainY), source, true);
    return;
  }
  const bool mirror = transform.sx == -1.0f;
  const float w2 = hw * std::fabs(transform.sx);
  const float h2 = hh * transform.sy;
  Rect dest(TruncateToInt(x + transform.tx2 - w2), TruncateToInt(y + transform.ty2 - h2), TruncateToInt(2.0f * w2),
            TruncateToInt(2.0f * h2));
  DrawImageStretchedMirrored(image, dest, source, mirror);
}

void Graphics::DrawImageBox(const Rect& dest, Image* image) {
  if (image == nullptr) return;
  DrawImageBoxSubrect(WholeImage(image), dest, image);
}

void Graphics::DrawImageBoxSubrect(const Rect& source, const Rect& dest, Image* image) {
  if (image == nullptr || source.width <= 0 || source.height <= 0) return;
  const int sx = source.x, sy = source.y;
  const int cw = source.width / 3, ch = source.height / 3;
  const int mw = source.width - 2 * cw, mh = source.height - 2 * ch;
  const int dx = dest.x, dy = dest.y, dw = dest.width, dh = dest.height;

  DrawImageSubrect(image, dx, dy, Rect(sx, sy, cw, ch));
  DrawImageSubrect(image, dx + dw - cw, dy, Rect(sx + cw + mw, sy, cw, ch));
  DrawImageSubrect(image, dx, dy + dh - ch, Rect(sx, sy + ch + mh, cw, ch));
  DrawImageSubrect(image, dx + dw - cw, dy + dh - ch, Rect(sx + cw + mw, sy + ch + mh, cw, ch));

  // Tiles are whole cells; each band's clip cuts the last one.
  const int columns = (dw - 2 * cw + mw - 1) / mw;
  const int rows = (dh - 2 * ch + mh - 1) / mh;
  {
    Graphics band(*this);
    band.ClipRect(dx + cw, dy, dw - 2 * cw, dh);
    for (int j = 0; j < columns; ++j) {
      band.DrawImageSubrect(image, dx + cw + j * mw, dy, Rect(sx + cw, sy, mw, ch));
      band.DrawImageSubrect(image, dx + cw + j * mw, dy + dh - ch, Rect(sx + cw, sy + ch + mh, mw, ch));
    }
  }
  {
    Graphics band(*this);
    band.ClipRect(dx, dy + ch, dw, dh - 2 * ch);
    for (int i = 0; i < rows; ++i) {
      band.DrawImageSubrect(image, dx, dy + ch + i * mh, Rect(sx, sy + ch, cw, mh));
      band.DrawImageSubrect(image, dx + dw - cw, dy + ch + i * mh, Rect(sx + cw + mw, sy + ch, cw, mh));
    }
  }
  {
    Graphics centre(*this);
    centre.ClipRect(dx + cw, dy + ch, dw - 2 * cw, dh - 2 * ch);
    for (int i = 0; i < rows; ++i) {
      for (int j = 0; j < columns; ++j) {
        centre.DrawImageSubrect(image, dx + cw + j * mw, dy + ch + i * mh, Rect(sx + cw, sy + ch, mw, mh));
      }
    }
  }
}

bool Graphics::CelRect(const Image* image, int column, int row, Rect* cel) {
  if (image == nullptr) return false;
  const int columns = image->columns;
  const int rows = image->rows;
  // A grid without columns or rows comes from incomplete data; it has no cels.
  if (columns <= 0 || rows <= 0) return false;
  if (column < 0 || row < 0 || column >= columns || row >= rows) return false;
  const int w = image->GetWidth() / columns;
  const int h = image->GetHeight() / rows;
  *cel = Rect(column * w, row * h, w, h);
  return true;
}

void Graphics::DrawImageCelIndex(Image* image, int x, int y, int index) {
  if (image == nullptr || image->columns <= 0) return;
  DrawImageCel(image, x, y, index % image->columns, index / image->columns);
}

void Graphics::DrawImageCel(Image* image, int x, int y, int column, int row) {
  Rect cel;
  if (!CelRect(image, column, row, &cel)) return;
  DrawImageSubrect(image, x, y, cel);
}

void Graphics::DrawImageCelTransformed(Image* image, float x, float y, int column, int row,
                                       LazyTransform2D& transform) {
  Rect cel;
  if (!CelRect(image, column, row, &cel)) return;
  DrawImageTransformed(image, transform, cel, x, y, true);
}

void Graphics::DrawImageCelF(Image* image, float x, float y, int column, int row, bool mirror) {
  Rect cel;
  if (!CelRect(image, column, row, &cel)) return;
  if (mirror) {
    DrawImageMirrored(image, TruncateToInt(x), TruncateToInt(y), cel, true);
  } else {
    DrawImageAtFloat(image, x, y, cel);
  }
}

void Graphics::DrawTrianglesTex(Image* image, const TexturedVertex* triangles, int count) {
  mDestImage->DrawTexturedTriangles(image, triangles, count, mClipRect, Tint(), mDrawMode, mTransX, mTransY,
                                    mLinearBlend);
}

void Graphics::DrawVertexTriangles(Image* image, const TriVertex* vertices, int count) {
  mDestImage->DrawVertexTriangles(image, vertices, count, mClipRect, Tint(), mDrawMode, mTransX, mTransY, mLinearBlend);
}

void Graphics::Begin3D(const Matrix4& world, const Matrix4& projection, const Matrix4& view) {
  mDestImage->Begin3D(world, projection, view);
}

void Graphics::End3D() { mDestImage->End3D(); }

void Graphics::DrawTriangles3D(Image* image, const TriVertex* vertices, int count, Image* second) {
  mDestImage->DrawVertexTrianglesTwoTextures(image, vertices, count, mClipRect, Tint(), mDrawMode, second, mTransX,
                                             mTransY, mLinearBlend);
}

void Graphics::DrawImagePartialQuad(Image* image, const Quad& quad, float fraction) {
  const Vector2& tl = quad.corner[0];
  const Vector2& tr = quad.corner[1];
  const Vector2& br = quad.corner[2];
  const Vector2& bl = quad.corner[3];
  const Vector2 bottom = Lerp(bl, br, fraction);
  const Vector2 top = Lerp(tl, tr, fraction);
  TriVertex v[4] = {QuadVertex(bl.x, bl.y, 0.0f, 1.0f), QuadVertex(tl.x, tl.y, 0.0f, 0.0f),
                    QuadVertex(bottom.x, bottom.y, fraction, 1.0f), QuadVertex(top.x, top.y, fraction, 0.0f)};
  DrawVertexTriangles(image, v, 2);
}

void Graphics::DrawCellQuad(Image* image, const Quad& quad, int column, int row) {
  if (image == nullptr || image->columns <= 0 || image->rows <= 0) return;
  const float columns = static_cast<float>(image->columns);
  const float rows = static_cast<float>(image->rows);
  const float rightU = static_cast<float>(column) / columns;
  const float bottomV = static_cast<float>(row) / rows;
  const float leftU = rightU - 1.0f / columns;
  const float topV = bottomV - 1.0f / rows;
  const Vector2& tl = quad.corner[0];
  const Vector2& tr = quad.corner[1];
  const Vector2& br = quad.corner[2];
  const Vector2& bl = quad.corner[3];
  TriVertex v[4] = {QuadVertex(bl.x, bl.y, leftU, bottomV), QuadVertex(tl.x, tl.y, leftU, topV),
                    QuadVertex(br.x, br.y, rightU, bottomV), QuadVertex(tr.x, tr.y, rightU, topV)};
  DrawVertexTriangles(image, v, 2);
}

void Graphics::DrawQuad3D(Image* image, Image* second, const Quad& quad, float leftU, float topV, float rightU,
                          float bottomV) {
  const Vector2& tl = quad.corner[0];
  const Vector2& tr = quad.corner[1];
  const Vector2& br = quad.corner[2];
  const Vector2& bl = quad.corner[3];
  TriVertex v[4] = {QuadVertex(bl.x, bl.y, 0.0f, 1.0f), QuadVertex(tl.x, tl.y, 0.0f, 0.0f),
                    QuadVertex(br.x, br.y, 1.0f, 1.0f), QuadVertex(tr.x, tr.y, 1.0f, 0.0f)};
  v[0].secondU = leftU;
  v[0].secondV = bottomV;
  v[1].secondU = leftU;
  v[1].secondV = topV;
  v[2].secondU = rightU;
  v[2].secondV = bottomV;
  v[3].secondU = rightU;
  v[3].secondV = topV;
  DrawTriangles3D(image, v, 2, second);
}

void Graphics::DrawImageSubpixel(Image* image, const Quad& quad, float x, float y) {
  const float fx = x - std::floor(x);
  const float fy = y - std::floor(y);
  const Vector2& p0 = quad.corner[0];
  const Vector2& p1 = quad.corner[1];
  const Vector2& p2 = quad.corner[2];
  const Vector2& p3 = quad.corner[3];
  const Vector2 e = Lerp(p0, p1, 1.0f - fx);
  const Vector2 b = Lerp(p3, p2, 1.0f - fx);
  const Vector2 l = Lerp(p0, p3, 1.0f - fy);
  const Vector2 r = Lerp(p1, p2, 1.0f - fy);
  const Vector2 m(l.x + (r.x - l.x) * (1.0f - fx), e.y + (b.y - e.y) * (1.0f - fy));

  TriVertex topLeft[4] = {QuadVertex(l.x, l.y, fx, 1.0f), QuadVertex(p0.x, p0.y, fx, fy),
                          QuadVertex(m.x, m.y, 1.0f, 1.0f), QuadVertex(e.x, e.y, 1.0f, fy)};
  DrawVertexTriangles(image, topLeft, 2);
  if (fx != 0.0f) {
    TriVertex topRight[4] = {QuadVertex(m.x, m.y, 0.0f, 1.0f), QuadVertex(e.x, e.y, 0.0f, fy),
                             QuadVertex(r.x, r.y, fx, 1.0f), QuadVertex(p1.x, p1.y, fx, fy)};
    DrawVertexTriangles(image, topRight, 2);
  }
  if (fy != 0.0f) {
    TriVertex bottomLeft[4] = {QuadVertex(p3.x, p3.y, fx, fy), QuadVertex(l.x, l.y, fx, 0.0f),
                               QuadVertex(b.x, b.y, 1.0f, fy), QuadVertex(m.x, m.y, 1.0f, 0.0f)};
    DrawVertexTriangles(image, bottomLeft, 2);
  }
  if (fx != 0.0f && fy != 0.0f) {
    TriVertex bottomRight[4] = {QuadVertex(b.x, b.y, 0.0f, fy), QuadVertex(m.x, m.y, 0.0f, 0.0f),
                                QuadVertex(p2.x, p2.y, fx, fy), QuadVertex(r.x, r.y, fx, 0.0f)};
    DrawVertexTriangles(image, bottomRight, 2);
  }
}

}  // namespace Kivo
