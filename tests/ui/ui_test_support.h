// Small doubles for the drawing-context and widget tests: a fixed-pitch font,
// a pixel image with plain (non-blending) software operations, an image that
// records every call, a logging widget and an application double.
#pragma once

#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "image/Image.h"
#include "image/MemoryImage.h"
#include "ui/Font.h"
#include "ui/Graphics.h"
#include "ui/Widget.h"
#include "ui/WidgetHost.h"
#include "ui/WidgetManager.h"

namespace Kivo {
namespace test {

inline std::string Narrowed(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out.push_back(static_cast<char>(c));
  return out;
}

// A memory image of w by h pixels, all set to fill.
inline std::unique_ptr<MemoryImage> NewMemoryImage(int w, int h, uint32_t fill = 0) {
  auto image = std::make_unique<MemoryImage>();
  std::vector<uint32_t> pixels(static_cast<size_t>(w) * h, fill);
  image->SetBits(pixels.data(), w, h, true);
  return image;
}

// A memory image whose pixel tells where it came from: 0xFF, column, row.
inline std::unique_ptr<MemoryImage> NumberedMemoryImage(int w, int h) {
  std::vector<uint32_t> pixels(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) pixels[static_cast<size_t>(y) * w + x] = 0xFF000000u | (uint32_t(x) << 8) | uint32_t(y);
  auto image = std::make_unique<MemoryImage>();
  image->SetBits(pixels.data(), w, h, true);
  return image;
}

inline uint32_t PixelAt(MemoryImage& image, int x, int y) {
  return image.GetBits()[static_cast<size_t>(y) * image.width + x];
}

// The cel grid of a sheet: columns by rows.
inline void SetGrid(Image& image, int columns, int rows) {
  image.columns = columns;
  image.rows = rows;
}

// Every character 10 pixels wide, ascent 8, height 10. Draws each string as
// one filled box through the context (so translation and clip apply) and
// logs it with the colour in force.
class FakeFont : public Font {
 public:
  struct Drawn {
    std::wstring text;
    int x;
    int y;
    Color color;
  };

  FakeFont(int charWidth = 10, int ascent = 8, int height = 10) : mCharWidth(charWidth) {
    mAscent = ascent;
    mHeight = height;
  }
  int StringWidth(const std::wstring& text) override { return static_cast<int>(text.size()) * mCharWidth; }
  void DrawString(Graphics& g, int x, int y, const std::wstring& text, const Color& color, const Rect&) override {
    drawn.push_back({text, x, y, color});
    if (!text.empty()) g.FillRect(x, y - mAscent, StringWidth(text), mHeight);
  }
  Font* Duplicate() const override { return new FakeFont(*this); }

  // The texts drawn so far, skipping empty segments, joined by '|'.
  std::string Texts() const {
    std::string out;
    for (const Drawn& d : drawn) {
      if (d.text.empty()) continue;
      if (!out.empty()) out += "|";
      out += Narrowed(d.text);
    }
    return out;
  }

  std::vector<Drawn> drawn;
  int mCharWidth;
};

// 32-bit pixels with plain replacing operations: enough to see where each
// draw lands. The tint multiplies each channel (white leaves it unchanged).
class PixelImage : public Image {
 public:
  PixelImage(int w, int h, uint32_t fill = 0) {
    width = w;
    height = h;
    pixels.assign(static_cast<size_t>(w) * h, fill);
  }
  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
  void Set(int x, int y, uint32_t v) { pixels[static_cast<size_t>(y) * width + x] = v; }

  void FillRect(const Rect& r, const Color& c, int) override {
    ++fillCount;
    for (int y = r.y; y < r.y + r.height; ++y)
      for (int x = r.x; x < r.x + r.width; ++x) Set(x, y, c.ToInt());
  }
  void DrawRect(const Rect& r, const Color& c, int mode) override {
    ++outlineCount;
    Image::DrawRect(r, c, mode);
  }
  void ClearRect(const Rect& r) override {
    for (int y = r.y; y < r.y + r.height; ++y)
      for (int x = r.x; x < r.x + r.width; ++x) Set(x, y, 0);
  }
  void DrawImage(Image* src, int x, int y, const Rect& s, const Color& tint, int) override {
    auto* p = dynamic_cast<PixelImage*>(src);
    if (p == nullptr) return;
    for (int j = 0; j < s.height; ++j)
      for (int i = 0; i < s.width; ++i) Set(x + i, y + j, Tinted(p->At(s.x + i, s.y + j), tint));
  }
  void DrawImageMirrored(Image* src, int x, int y, const Rect& s, const Color& tint, int) override {
    auto* p = dynamic_cast<PixelImage*>(src);
    if (p == nullptr) return;
    for (int j = 0; j < s.height; ++j)
      for (int i = 0; i < s.width; ++i) Set(x + i, y + j, Tinted(p->At(s.x + s.width - 1 - i, s.y + j), tint));
  }
  void DrawImageStretched(Image* src, const Rect& d, const Rect& s, const Rect& clip, const Color& tint, int,
                          bool) override {
    Stretch(src, d, s, clip, tint, false);
  }
  void DrawImageStretchedMirrored(Image* src, const Rect& d, const Rect& s, const Rect& clip, const Color& tint, int,
                                  bool) override {
    Stretch(src, d, s, clip, tint, true);
  }

  static uint32_t Tinted(uint32_t p, const Color& t) {
    if (t == Color::White) return p;
    const uint32_t a = (p >> 24) * t.alpha / 255, r = ((p >> 16) & 0xFF) * t.red / 255,
                   g = ((p >> 8) & 0xFF) * t.green / 255, b = (p & 0xFF) * t.blue / 255;
    return (a << 24) | (r << 16) | (g << 8) | b;
  }

  std::vector<uint32_t> pixels;
  int fillCount = 0;
  int outlineCount = 0;

 private:
  void Stretch(Image* src, const Rect& d, const Rect& s, const Rect& clip, const Color& tint, bool mirror) {
    auto* p = dynamic_cast<PixelImage*>(src);
    if (p == nullptr || d.width <= 0 || d.height <= 0) return;
    const Rect area = d.Intersection(clip).Intersection(Rect(0, 0, width, height));
    for (int y = area.y; y < area.y + area.height; ++y) {
      for (int x = area.x; x < area.x + area.width; ++x) {
        int sx = (x - d.x) * s.width / d.width;
        const int sy = (y - d.y) * s.height / d.height;
        if (mirror) sx = s.width - 1 - sx;
        Set(x, y, Tinted(p->At(s.x + sx, s.y + sy), tint));
      }
    }
  }
};

// Logs every operation the context hands to its destination, with the
// exact vertex lists of the triangle calls.
class RecordingImage : public Image {
 public:
  RecordingImage(int w, int h) {
    width = w;
    height = h;
  }
  struct Call {
    std::string name;
    std::string args;
    std::vector<TriVertex> vertices;
  };

  void FillRect(const Rect& r, const Color& c, int mode) override {
    Log("FillRect", R(r) + " " + C(c) + " " + I(mode));
  }
  void DrawRect(const Rect& r, const Color& c, int mode) override {
    Log("DrawRect", R(r) + " " + C(c) + " " + I(mode));
  }
  void ClearRect(const Rect& r) override { Log("ClearRect", R(r)); }
  void DrawImage(Image*, int x, int y, const Rect& s, const Color& c, int m) override {
    Log("DrawImage", I(x) + "," + I(y) + " " + R(s) + " " + C(c) + " " + I(m));
  }
  void DrawImageAtFloat(Image*, float x, float y, const Rect& s, const Rect& clip, const Color& c, int m) override {
    Log("DrawImageAtFloat", F(x) + "," + F(y) + " " + R(s) + " " + R(clip) + " " + C(c) + " " + I(m));
  }
  void DrawImageRotated(Image*, float x, float y, const Rect& s, const Rect&, const Color&, int, double angle, float cx,
                        float cy) override {
    Log("DrawImageRotated",
        F(x) + "," + F(y) + " " + R(s) + " " + F(static_cast<float>(angle)) + " " + F(cx) + "," + F(cy));
  }
  void DrawImageStretched(Image*, const Rect& d, const Rect& s, const Rect&, const Color&, int, bool fast) override {
    Log("DrawImageStretched", R(d) + " " + R(s) + " " + I(fast));
  }
  void DrawImageStretchedMirrored(Image*, const Rect& d, const Rect& s, const Rect&, const Color&, int,
                                  bool fast) override {
    Log("DrawImageStretchedMirrored", R(d) + " " + R(s) + " " + I(fast));
  }
  void DrawImageMirrored(Image*, int x, int y, const Rect& s, const Color&, int) override {
    Log("DrawImageMirrored", I(x) + "," + I(y) + " " + R(s));
  }
  void DrawImageByMatrix(Image*, float x, float y, const Matrix3&, const Rect&, const Color&, int, const Rect& s,
                         bool blend) override {
    Log("DrawImageByMatrix", F(x) + "," + F(y) + " " + R(s) + " " + I(blend));
  }
  void DrawVertexTriangles(Image*, const TriVertex* v, int count, const Rect&, const Color& c, int, float dx, float dy,
                           bool blend) override {
    Log("DrawVertexTriangles", I(count) + " " + C(c) + " " + F(dx) + "," + F(dy) + " " + I(blend));
    calls.back().vertices.assign(v, v + count + 2);
  }
  void DrawVertexTrianglesTwoTextures(Image*, const TriVertex* v, int count, const Rect&, const Color&, int, Image*,
                                      float, float, bool) override {
    Log("DrawVertexTrianglesTwoTextures", I(count));
    calls.back().vertices.assign(v, v + count + 2);
  }
  void FillRect3D(const Rect& r, const Color& c, int mode) override {
    Log("FillRect3D", R(r) + " " + C(c) + " " + I(mode));
  }

  std::string Names() const {
    std::string out;
    for (const Call& c : calls) out += (out.empty() ? "" : " ") + c.name;
    return out;
  }

  std::vector<Call> calls;

 private:
  void Log(const std::string& name, const std::string& args) { calls.push_back({name, args, {}}); }
  static std::string I(long v) { return std::to_string(v); }
  static std::string F(float v) {
    std::ostringstream s;
    s << v;
    return s.str();
  }
  static std::string R(const Rect& r) {
    return "(" + I(r.x) + "," + I(r.y) + "," + I(r.width) + "," + I(r.height) + ")";
  }
  static std::string C(const Color& c) {
    return "[" + I(c.red) + "," + I(c.green) + "," + I(c.blue) + "," + I(c.alpha) + "]";
  }
};

// Records the application calls of the widget tree.
class TestHost : public WidgetHost {
 public:
  void SetCursorNumber(int number) override { cursors.push_back(number); }
  bool ImageDrawsThrough3D(const Image*) const override { return is3D; }
  bool LockScreenImage(Image*) override {
    ++locks;
    return lockable;
  }
  void UnlockScreenImage(Image*) override { ++unlocks; }

  std::vector<int> cursors;
  bool is3D = false;
  bool lockable = true;
  int locks = 0;
  int unlocks = 0;
};

// Logs every hook as "name.Hook(args)" into a shared log.
class LogWidget : public Widget {
 public:
  LogWidget(std::string name, std::vector<std::string>* log) : mName(std::move(name)), mLog(log) {}

  void Update() override {
    Widget::Update();
    Note("Update()");
  }
  void Draw(Graphics&) override { Note("Draw()"); }
  void MouseEnter() override { Note("MouseEnter()"); }
  void MouseLeave() override { Note("MouseLeave()"); }
  void MouseMove(int x, int y) override { Note("MouseMove(" + P(x, y) + ")"); }
  void MouseDown(int x, int y, int count) override {
    Note("MouseDown(" + P(x, y) + "," + std::to_string(count) + ")");
    Widget::MouseDown(x, y, count);
  }
  void MouseUp(int x, int y, int count) override {
    Note("MouseUp(" + P(x, y) + "," + std::to_string(count) + ")");
    Widget::MouseUp(x, y, count);
  }
  void MouseDrag(int x, int y) override { Note("MouseDrag(" + P(x, y) + ")"); }
  void MouseWheel(int n) override { Note("MouseWheel(" + std::to_string(n) + ")"); }
  void GotFocus() override {
    Widget::GotFocus();
    Note("GotFocus()");
  }
  void LostFocus() override {
    Widget::LostFocus();
    Note("LostFocus()");
  }
  void KeyDown(int key) override {
    Note("KeyDown(" + std::to_string(key) + ")");
    Widget::KeyDown(key);
  }
  void KeyUp(int key) override { Note("KeyUp(" + std::to_string(key) + ")"); }
  void KeyChar(wchar_t c) override { Note("KeyChar(" + std::to_string(static_cast<int>(c)) + ")"); }
  void DrawOverlayAt(Graphics&, int priority) override { Note("Overlay(" + std::to_string(priority) + ")"); }
  void OnSysColorChange() override { Note("SysColor()"); }
  bool IsPointVisible(int x, int y) override { return clickThrough ? false : Widget::IsPointVisible(x, y); }

  const std::string& Name() const { return mName; }
  bool clickThrough = false;

 private:
  static std::string P(int x, int y) { return std::to_string(x) + "," + std::to_string(y); }
  void Note(const std::string& what) {
    if (mLog != nullptr) mLog->push_back(mName + "." + what);
  }
  std::string mName;
  std::vector<std::string>* mLog;
};

inline std::string Join(const std::vector<std::string>& items) {
  std::string out;
  for (const std::string& s : items) out += (out.empty() ? "" : " ") + s;
  return out;
}

}  // namespace test
}  // namespace Kivo
