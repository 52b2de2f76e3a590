// The bitmap font: a Font over a shared FontData. From the data's layers it
// picks the active ones for its point size and tags, makes scaled copies of
// their glyph images when the size asks for it, measures with kerning and
// spacing, and draws layer by layer in draw order through one global pool
// of draw commands, so that all shadow glyphs of a text land before all
// fill glyphs.
//
// Drawing holds gFontDrawLock from start to end (the pool is global) and
// allocates nothing; the font lock is always taken before the display lock.
// Making the scaled layers (on the first draw or measure after a size
// change) and copying them take the same lock, since they draw from or copy
// glyph images other threads may be drawing. Width queries take no lock
// otherwise: a font object belongs to one thread at a time, while the
// FontData it shares is read-only.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "shell/base/Lock.h"
#include "ui/Font.h"
#include "ui/FontData.h"

namespace Kivo {

class MemoryImage;

// One layer of the data that a font draws, with the image it draws from and
// where each glyph lies in that image.
class ActiveFontLayer {
 public:
  ActiveFontLayer() = default;
  // Copies an owned image, so each font keeps its own scaled image.
  ActiveFontLayer(const ActiveFontLayer& other);
  ActiveFontLayer& operator=(const ActiveFontLayer& other);
  ActiveFontLayer(ActiveFontLayer&&) = default;
  ActiveFontLayer& operator=(ActiveFontLayer&&) = default;
  virtual ~ActiveFontLayer();

  // The glyph's rectangle in image; empty when the glyph has none.
  const Rect& DrawRect(wchar_t c) const;

  const FontLayer* layer = nullptr;  // in the font data, not owned
  MemoryImage* image = nullptr;      // the image glyphs are drawn from
  bool ownsImage = false;
  std::map<wchar_t, Rect> drawRects;

 private:
  std::unique_ptr<MemoryImage> mOwned;
  friend class ImageFont;
};

struct GlyphDrawCommand {
  MemoryImage* image = nullptr;
  int32_t x = 0;
  int32_t y = 0;
  Rect source;
  int32_t drawMode = -1;  // -1 keeps the drawing context's mode
  Color color;
  GlyphDrawCommand* next = nullptr;
};

constexpr int kGlyphPoolSize = 4096;
constexpr int kGlyphOrderBuckets = 256;

struct GlyphDrawPool {
  GlyphDrawCommand commands[kGlyphPoolSize];
  GlyphDrawCommand* head[kGlyphOrderBuckets] = {};
  GlyphDrawCommand* tail[kGlyphOrderBuckets] = {};
};

// Serialises every ImageFont draw; guards gGlyphDrawPool.
extern CriticalSection gFontDrawLock;
extern GlyphDrawPool gGlyphDrawPool;

class ImageFont : public Font {
 public:
  // Loads the descriptor through the host; a failed load leaves the data
  // not initialised (GetFontData()->IsInitialised()) and the font empty.
  ImageFont(FontHost* host, const std::string& descriptorFile);
  // The legacy pair: one row of glyphs (not owned) and a widths file.
  ImageFont(MemoryImage* image, const std::string& widthsFile);
  ImageFont(const ImageFont& other);
  ImageFont& operator=(const ImageFont&) = delete;
  ~ImageFont() override;

  int StringWidth(const std::wstring& text) override;
  int CharWidth(wchar_t c) override;
  int CharWidthKerned(wchar_t c, wchar_t prev) override;
  void DrawString(Graphics& g, int x, int y, const std::wstring& text, const Color& color, const Rect& clip) override;
  Font* Duplicate() const override;

  virtual void BuildActiveLayers();
  // x starts the pen, y is the baseline, both before g's translation. The
  // clip is not used: g's own applies. rects (when given) receives one
  // rectangle per queued glyph draw, width the pen's advance.
  virtual void DrawStringEx(Graphics& g, int x, int y, const std::wstring& text, const Color& color, const Rect& clip,
                            std::vector<Rect>* rects, int* width);
  virtual void SetPointSize(int pointSize);
  virtual int GetPointSize() const { return mPointSize; }
  virtual void SetScale(double scale);
  virtual int GetDefaultPointSize() const;
  virtual bool AddTag(const std::wstring& tag);
  virtual bool RemoveTag(const std::wstring& tag);
  virtual bool HasTag(const std::wstring& tag) const;
  virtual std::wstring GetDefineText(const std::wstring& name) const;
  virtual void Prepare();

  FontData* GetFontData() const { return mData; }
  double GetScale() const { return mScale; }
  const std::vector<ActiveFontLayer>& ActiveLayers() const { return mActiveLayers; }

 private:
  FontData* mData;
  int32_t mPointSize = 0;
  std::vector<std::wstring> mTags;
  bool mValid = false;
  std::vector<ActiveFontLayer> mActiveLayers;
  double mScale = 1.0;
};

}  // namespace Kivo
