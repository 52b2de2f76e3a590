// Drawing context, text and widgets.
//
// Graphics is the single road from widgets, fonts, engine objects and
// particles to pixels: it carries a translation, a clip, a colour, a font and
// a draw mode over one destination Image, applies them, and hands the pixel
// work to one operation of the image (software on a MemoryImage, or the 3D
// renderer for the screen in 3D mode). On top of it sit coloured-text layout
// over the abstract Font and the widget tree (WidgetContainer, Widget,
// WidgetManager). The bitmap fonts (ImageFont.h over FontData.h) are read
// from UTF-16LE font descriptors (DescParser.h) or from an image strip and a
// widths file (LegacyFont.h); their readers report bad files through the
// application's fatal-error box and never trust sizes from the file.
//
// Limits: positions are 32-bit floats truncated toward zero where a pixel is
// needed; the software paths draw no vertex triangles (quads built here show
// only through the 3D renderer). Source rectangles and cel grids come from
// data files, so a rectangle that does not lie inside its image, or a grid
// without columns or rows, draws nothing instead of reading outside the
// pixels. Nothing here reports errors: an empty clip, a transparent colour,
// a missing font or a missing image simply draws nothing.
#pragma once

#include <string>
#include <vector>

#include "image/Image.h"
#include "shell/base/Color.h"
#include "shell/base/Matrix.h"
#include "shell/base/Rect.h"

namespace Kivo {

class Font;

// An empty image that a Graphics without a destination draws into: its clip
// is empty, so nothing is ever drawn, but text can still be measured.
Image* PlaceholderImage();

// Four corners of a quad, in the order top-left, top-right, bottom-right,
// bottom-left.
struct Quad {
  Vector2 corner[4];
};

// The copyable drawing state; Graphics saves and restores whole copies.
struct GraphicsState {
  Image* mDestImage = nullptr;  // not owned
  float mTransX = 0.0f;
  float mTransY = 0.0f;
  // Used by DrawImage and DrawImageSubrect only.
  float mScaleX = 1.0f;
  float mScaleY = 1.0f;
  float mScaleOrigX = 0.0f;
  float mScaleOrigY = 0.0f;
  Rect mClipRect;
  Color mColor;           // fill, outline, text colour and image tint
  Font* mFont = nullptr;  // not owned
  int mDrawMode = 0;      // 0 normal, 1 additive, 2..5 3D renderer only
  bool mColorizeImages = false;
  bool mFastStretch = false;
  bool mWriteColoredString = true;  // interpret the caret colour escapes
  bool mLinearBlend = false;
  bool mIs3D = false;  // the destination is drawn through the 3D renderer
};

class Graphics : public GraphicsState {
 public:
  // A null destination draws into PlaceholderImage(). The destination is
  // assumed not to draw through the 3D renderer; whoever builds a context on
  // the 3D screen says so with SetDrawsThrough3D.
  explicit Graphics(Image* dest = nullptr);
  // Copies the state only: a copy cannot pop what was pushed on its source.
  Graphics(const Graphics& other);
  Graphics& operator=(const Graphics&) = delete;
  virtual ~Graphics();

  Graphics* Create() const;  // heap copy, deleted by the caller

  void PushState();
  void PopState();  // nothing on an empty stack

  void SetFont(Font* font) { mFont = font; }
  Font* GetFont() const { return mFont; }
  void SetColor(const Color& color) { mColor = color; }
  void SetColorARGB(unsigned char alpha, unsigned char red, unsigned char green, unsigned char blue);
  const Color& GetColor() const { return mColor; }
  void SetDrawMode(int mode) { mDrawMode = mode; }
  int GetDrawMode() const { return mDrawMode; }
  void SetColorizeImages(bool on) { mColorizeImages = on; }
  bool GetColorizeImages() const { return mColorizeImages; }
  void SetFastStretch(bool on) { mFastStretch = on; }
  void SetLinearBlend(bool on) { mLinearBlend = on; }
  void SetDrawsThrough3D(bool on) { mIs3D = on; }
  void SetWriteColoredString(bool on) { mWriteColoredString = on; }
  bool GetWriteColoredString() const { return mWriteColoredString; }

  void Translate(int dx, int dy);
  // Shrinks the clip to its overlap with the translated rectangle.
  void ClipRect(int x, int y, int w, int h);
  void ClearClipRect();

  // Rectangles and outlines.
  void ClearRect(int x, int y, int w, int h);
  void FillRect(int x, int y, int w, int h);
  void FillRect(const Rect& r) { FillRect(r.x, r.y, r.width, r.height); }
  // Outlines (x, y) to (x + w, y + h) inclusive: (w + 1) by (h + 1) pixels.
  void DrawRect(int x, int y, int w, int h);
  void DrawRect(const Rect& r) { DrawRect(r.x, r.y, r.width, r.height); }
  void FillRect3D(int x, int y, int w, int h);

  // Text: y is the baseline. See GraphicsText.cpp for the layout operations.
  void DrawString(const std::wstring& text, int x, int y);
  // Justification 0 centres in width, 1 aligns right, else left. Length -1
  // means to the end; start colour -1 means the state colour (0xAARRGGBB).
  // Returns the width of the characters handled.
  int DrawColoredText(const std::wstring& text, int x, int y, int width, int justification, bool draw, int start,
                      int length, int startColor);
  // As DrawColoredText, stopping at the character limit: -1 when nothing is
  // left before it.
  int DrawColoredTextUpTo(const std::wstring& text, int x, int y, int width, int justification, bool draw, int start,
                          int length, int startColor, int limit);
  // Breaks the text at spaces and newlines into lines of rect.width; returns
  // the block's height. Line spacing -1: the font's; limit -1: no limit.
  int DrawTextWrapped(const Rect& rect, const std::wstring& text, int lineSpacing, int justification,
                      int* widest = nullptr, int limit = -1, int* firstLineOffset = nullptr);
  int MeasureTextWrappedHeight(int width, const std::wstring& text, int lineSpacing, int* widest = nullptr);

  // Images. Every draw passes the tint (the state colour when colorizing,
  // else opaque white) and the draw mode.
  void DrawImage(Image* image, int x, int y);
  void DrawImageSubrect(Image* image, int x, int y, const Rect& source);
  void DrawImageMirrored(Image* image, int x, int y, const Rect& source, bool mirror = true);
  void DrawImageStretched(Image* image, const Rect& dest, const Rect& source);
  void DrawImageStretchedMirrored(Image* image, const Rect& dest, const Rect& source, bool mirror);
  void DrawImageAtFloat(Image* image, float x, float y, const Rect& source);
  // Rotates about the centre of the source (or of the whole image).
  void DrawImageRotated(Image* image, int x, int y, double angle, const Rect* source = nullptr);
  void DrawImageRotatedAbout(Image* image, int x, int y, double angle, int centerX, int centerY,
                             const Rect* source = nullptr);
  void DrawImageRotatedF(Image* image, float x, float y, double angle, float centerX, float centerY,
                         const Rect* source = nullptr);
  void DrawImageByMatrix(Image* image, const Matrix3& matrix, const Rect& source, float x, float y);
  void DrawImageTransformed(Image* image, LazyTransform2D& transform, const Rect& source, float x, float y,
                            bool subPixel);
  void DrawImageBox(const Rect& dest, Image* image);
  // Nine-slice: corners once, edges and centre tiled with whole cells.
  void DrawImageBoxSubrect(const Rect& source, const Rect& dest, Image* image);
  void DrawImageCelIndex(Image* image, int x, int y, int index);
  void DrawImageCel(Image* image, int x, int y, int column, int row);
  void DrawImageCelTransformed(Image* image, float x, float y, int column, int row, LazyTransform2D& transform);
  void DrawImageCelF(Image* image, float x, float y, int column, int row, bool mirror);

  // Triangles and 3D: these reach only a destination drawn through the 3D
  // renderer; software images ignore them.
  void DrawTrianglesTex(Image* image, const TexturedVertex* triangles, int count);
  void DrawVertexTriangles(Image* image, const TriVertex* vertices, int count);
  void Begin3D(const Matrix4& world, const Matrix4& projection, const Matrix4& view);
  void End3D();
  void DrawTriangles3D(Image* image, const TriVertex* vertices, int count, Image* second);
  void DrawImagePartialQuad(Image* image, const Quad& quad, float fraction);
  // Column and row count from 1.
  void DrawCellQuad(Image* image, const Quad& quad, int column, int row);
  void DrawQuad3D(Image* image, Image* second, const Quad& quad, float leftU, float topV, float rightU, float bottomV);
  // The whole image on the quad, scrolled by the fractions of x and y.
  void DrawImageSubpixel(Image* image, const Quad& quad, float x, float y);

 private:
  const Color& Tint() const;
  int PixelX(float x) const;  // x + translation, truncated toward zero
  int PixelY(float y) const;
  // The cel rectangle, or false when the cel is outside the grid.
  static bool CelRect(const Image* image, int column, int row, Rect* cel);

  std::vector<GraphicsState> mStateStack;
};

// True when the rectangle lies inside the image: no negative origin or size,
// far edges within the image (sums taken without overflow).
bool SourceInsideImage(const Image* image, const Rect& source);

// Float to pixel, truncated toward zero; out-of-range values and NaN are
// bounded so the conversion stays defined.
int TruncateToInt(double value);

}  // namespace Kivo
