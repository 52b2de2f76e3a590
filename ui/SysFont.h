// A font installed in the operating system, through the platform's font
// services (platform/SystemFont.h). Widgets and dialogs use it for their
// default fonts, the resource manager for "!sys:" fonts.
//
// Metrics: ascent and height from the platform; ascent padding and line
// spacing offset stay 0, so the line spacing is the height. Widths are whole
// strings; a character is measured as a one-character string.
//
// Drawing picks its way by the destination:
// - a surface-backed image (DDImage): the text colour is blended through the
//   glyph coverage straight into the surface's 16- or 32-bit pixels, with the
//   top of the text at y - ascent + 1; the image's lock state is left as it
//   was and its memory copies are dropped (the surface holds the picture);
//   an image that cannot have a surface is drawn the image way instead;
// - the placeholder of a Graphics without destination: nothing;
// - any other image: the text becomes a small image (text colour, alpha from
//   the coverage, over black shadow copies when shadowed) drawn through the
//   Graphics at y - ascent, so translation, clip, draw mode and colouring apply.
// The two ways place the same string one row apart, as they always have.
//
// A face that cannot be had leaves the font without a handle: zero metrics,
// zero widths, nothing drawn.
#pragma once

#include <string>

#include "platform/devices/SystemFont.h"
#include "ui/Font.h"

namespace Kivo {

class DDImage;
class MemoryImage;
class WidgetHost;

class SysFont : public Font {
 public:
  // Both constructors work at a fixed 96 dots per inch.
  static constexpr int kDotsPerInch = 96;

  // The global application's font, character set 0.
  SysFont(const std::string& face, int points, bool bold = false, bool italic = false, bool underline = false);
  SysFont(WidgetHost* app, const std::string& face, int points, int charset, bool bold, bool italic, bool underline);
  // A new font from the same request; shadow and double strike off.
  SysFont(const SysFont& other);
  SysFont& operator=(const SysFont&) = delete;
  ~SysFont() override;

  int StringWidth(const std::wstring& text) override;
  void DrawString(Graphics& g, int x, int y, const std::wstring& text, const Color& color, const Rect& clip) override;
  Font* Duplicate() const override;

  // The text as the image way draws it: StringWidth by height, straight
  // 0xAARRGGBB, shadow and double strike applied. Null when nothing shows.
  MemoryImage* CreateTextImage(const std::wstring& text, const Color& color);

  Platform::SystemFontHandle GetHandle() const { return mHandle; }
  bool IsBold() const { return Platform::GetSystemFontRequest(mHandle).bold; }

  WidgetHost* mApp = nullptr;
  bool mShadow = false;        // black copy one pixel right and down first
  bool mDoubleStrike = false;  // every copy again one pixel to the right

 private:
  void Create(const std::string& face, int points, int charset, bool bold, bool italic, bool underline);
  void DrawOnSurface(Graphics& g, DDImage* dest, int x, int y, const std::wstring& text, const Color& color,
                     const Rect& clip);

  Platform::SystemFontHandle mHandle = nullptr;
};

}  // namespace Kivo
