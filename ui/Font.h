// The one interface through which text is measured and drawn. Implementations
// (bitmap fonts, system fonts) fill the four vertical metrics when they are
// built and override the width, drawing and copy operations; everything else
// is answered here from the metrics.
#pragma once

#include <string>

#include "shell/base/Color.h"
#include "shell/base/Rect.h"

namespace Kivo {

class Graphics;

class Font {
 public:
  Font() = default;
  Font(const Font& other) = default;
  Font& operator=(const Font& other) = default;
  virtual ~Font();

  virtual int GetAscent() const { return mAscent; }
  virtual int GetAscentPadding() const { return mAscentPadding; }
  virtual int GetDescent() const { return mHeight - mAscent; }
  virtual int GetHeight() const { return mHeight; }
  virtual int GetLineSpacingOffset() const { return mLineSpacingOffset; }
  virtual int GetLineSpacing() const { return mHeight + mLineSpacingOffset; }

  virtual int StringWidth(const std::wstring& text);
  // Measured as a one-character text through StringWidth, so a font that only
  // knows whole strings still answers per character.
  virtual int CharWidth(wchar_t c);
  // Advance of c after prev (0 = start of text); the base ignores kerning.
  virtual int CharWidthKerned(wchar_t c, wchar_t prev);
  // Baseline at y, first character at x, both before the graphics'
  // translation: the font applies it once, by drawing through g or by adding
  // it itself when it draws around g (then clip tells where it may draw).
  virtual void DrawString(Graphics& g, int x, int y, const std::wstring& text, const Color& color, const Rect& clip);
  // A new heap copy of the same class and state, owned by the caller.
  virtual Font* Duplicate() const = 0;

 protected:
  int mAscent = 0;
  int mAscentPadding = 0;
  int mHeight = 0;
  int mLineSpacingOffset = 0;
};

}  // namespace Kivo
