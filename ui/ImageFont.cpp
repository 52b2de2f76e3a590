#include "ui/ImageFont.h"

#include <algorithm>
#include <cmath>

#include "image/MemoryImage.h"
#include "shell/base/GlobalRanks.h"
#include "shell/base/StringUtils.h"
#include "ui/Graphics.h"

namespace Kivo {

KIVO_GLOBAL_RANK(kRankFontDrawLock) CriticalSection gFontDrawLock;
KIVO_GLOBAL_RANK(kRankFontDrawPool) GlyphDrawPool gGlyphDrawPool;

namespace {

const Rect kEmptyRect{};

// Packed scaled images wider than this are not made: their glyphs draw
// nothing instead.
constexpr int64_t kMaxPackedWidth = 32767;

// trunc(value x num / den) in double precision, bounded to int.
int32_t Ratio(double value, double num, double den) { return TruncateToInt(value * num / den); }

int32_t ClampChannel(int64_t v) { return static_cast<int32_t>(v < 0 ? 0 : (v > 255 ? 255 : v)); }

}  // namespace

// ---------------------------------------------------------------------------
// ActiveFontLayer

ActiveFontLayer::ActiveFontLayer(const ActiveFontLayer& other)
    : layer(other.layer), image(other.image), ownsImage(other.ownsImage), drawRects(other.drawRects) {
  if (other.mOwned != nullptr) {
    mOwned = std::make_unique<MemoryImage>(*other.mOwned);
    image = mOwned.get();
  }
}

ActiveFontLayer& ActiveFontLayer::operator=(const ActiveFontLayer& other) {
  if (this != &other) {
    ActiveFontLayer copy(other);
    *this = std::move(copy);
  }
  return *this;
}

ActiveFontLayer::~ActiveFontLayer() = default;

const Rect& ActiveFontLayer::DrawRect(wchar_t c) const {
  auto it = drawRects.find(c);
  return it == drawRects.end() ? kEmptyRect : it->second;
}

// ---------------------------------------------------------------------------
// ImageFont

ImageFont::ImageFont(FontHost* host, const std::string& descriptorFile) : mData(new FontData()) {
  mData->AddRef();
  mData->LoadDescriptor(host, descriptorFile);
  mPointSize = mData->GetDefaultPointSize();
  Prepare();
}

ImageFont::ImageFont(MemoryImage* image, const std::string& widthsFile) : mData(new FontData()) {
  mData->AddRef();
  mData->LoadLegacy(image, widthsFile);
  mPointSize = mData->GetDefaultPointSize();
  Prepare();
}

ImageFont::ImageFont(const ImageFont& other)
    : Font(other),
      mData(other.mData),
      mPointSize(other.mPointSize),
      mTags(other.mTags),
      mValid(other.mValid),
      mScale(other.mScale) {
  mData->AddRef();
  if (mValid) {
    // The other font's scaled images may be drawing in another thread.
    ScopedLock lock(gFontDrawLock);
    mActiveLayers = other.mActiveLayers;
  }
}

ImageFont::~ImageFont() {
  mActiveLayers.clear();
  mData->Release();
}

Font* ImageFont::Duplicate() const { return new ImageFont(*this); }

int ImageFont::GetDefaultPointSize() const { return mData->GetDefaultPointSize(); }

void ImageFont::SetPointSize(int pointSize) {
  mPointSize = pointSize;
  mValid = false;
}

void ImageFont::SetScale(double scale) {
  mScale = scale;
  mValid = false;
}

bool ImageFont::AddTag(const std::wstring& tag) {
  if (HasTag(tag)) return false;
  mTags.push_back(ToUpperWide(tag));
  mValid = false;
  return true;
}

bool ImageFont::RemoveTag(const std::wstring& tag) {
  auto it = std::find(mTags.begin(), mTags.end(), ToUpperWide(tag));
  if (it == mTags.end()) return false;
  mTags.erase(it);
  mValid = false;
  return true;
}

bool ImageFont::HasTag(const std::wstring& tag) const {
  return std::find(mTags.begin(), mTags.end(), ToUpperWide(tag)) != mTags.end();
}

std::wstring ImageFont::GetDefineText(const std::wstring& name) const {
  const DataElement* value = mData->FindDefine(name);
  return value != nullptr ? DescParser::ElementToText(value) : std::wstring();
}

void ImageFont::Prepare() {
  if (mValid) return;
  // Scaled layers are drawn from the glyph images the font data shares with
  // every copy of this font, which other threads may be drawing from (and
  // building their caches meanwhile): the same lock as drawing.
  ScopedLock lock(gFontDrawLock);
  BuildActiveLayers();
  mValid = true;
}

void ImageFont::BuildActiveLayers() {
  if (!mData->IsInitialised()) return;
  mActiveLayers.clear();
  mAscent = 0;
  mAscentPadding = 0;
  mHeight = 0;
  mLineSpacingOffset = 0;
  bool first = true;

  for (const FontLayer& layer : mData->Layers()) {
    if (!(layer.minPointSize <= mPointSize && (mPointSize <= layer.maxPointSize || layer.maxPointSize == -1))) continue;
    bool tagsMatch = true;
    for (const std::wstring& tag : layer.requiredTags)
      if (std::find(mTags.begin(), mTags.end(), tag) == mTags.end()) tagsMatch = false;
    for (const std::wstring& tag : mTags)
      if (std::find(layer.excludedTags.begin(), layer.excludedTags.end(), tag) != layer.excludedTags.end())
        tagsMatch = false;
    if (!tagsMatch) continue;

    mActiveLayers.emplace_back();
    ActiveFontLayer& active = mActiveLayers.back();
    active.layer = &layer;

    double num = mScale;
    double den = 1.0;
    if (layer.pointSize != 0) {
      num = static_cast<double>(mPointSize) * mScale;
      den = static_cast<double>(layer.pointSize);
    }

    MemoryImage* source = layer.image.GetMemoryImage();
    if (mScale == 1.0 && (layer.pointSize == 0 || layer.pointSize == mPointSize)) {
      active.image = source;
      for (const auto& entry : layer.glyphs) active.drawRects[entry.first] = entry.second.imageRect;
    } else {
      int64_t pen = 0;
      int32_t tallest = 0;
      for (const auto& entry : layer.glyphs) {
        const Rect& r = entry.second.imageRect;
        const Rect drawRect(static_cast<int32_t>(std::min<int64_t>(pen, INT32_MAX)), 0, Ratio(r.width, num, den),
                            Ratio(r.height, num, den));
        active.drawRects[entry.first] = drawRect;
        tallest = std::max(tallest, drawRect.height);
        pen += drawRect.width;
      }
      // An empty or absurdly wide strip gets no image: its glyphs then draw
      // nothing rather than asking for a negative or huge allocation.
      if (pen > 0 && pen <= kMaxPackedWidth && tallest > 0 && tallest <= kMaxPackedWidth) {
        active.mOwned = std::make_unique<MemoryImage>();
        active.mOwned->CreateBlank(static_cast<int32_t>(pen), tallest);
        active.image = active.mOwned.get();
        active.ownsImage = true;
        if (source != nullptr) {
          Graphics g(active.image);
          for (const auto& entry : layer.glyphs)
            g.DrawImageStretched(source, active.drawRects[entry.first], entry.second.imageRect);
        }
        active.image->ConvertToPalette();
      }
    }

    const int32_t ascent = Ratio(layer.ascent, num, den);
    const int32_t height = Ratio(layer.height != 0 ? layer.height : layer.defaultHeight, num, den);
    const int32_t padding = Ratio(layer.ascentPadding, num, den);
    const int32_t spacingOffset = Ratio(layer.lineSpacingOffset, num, den);
    mAscent = std::max(mAscent, ascent);
    mHeight = std::max(mHeight, height);
    mAscentPadding = first ? padding : std::min(mAscentPadding, padding);
    mLineSpacingOffset = first ? spacingOffset : std::max(mLineSpacingOffset, spacingOffset);
    first = false;
  }
}

int ImageFont::StringWidth(const std::wstring& text) {
  int64_t width = 0;
  for (size_t i = 0; i < text.size(); ++i) width += CharWidthKerned(text[i], i == 0 ? 0 : text[i - 1]);
  return static_cast<int>(std::min<int64_t>(width, INT32_MAX));
}

int ImageFont::CharWidth(wchar_t c) { return CharWidthKerned(c, 0); }

int ImageFont::CharWidthKerned(wchar_t c, wchar_t prev) {
  Prepare();
  const double pts = static_cast<double>(mPointSize) * mScale;
  const wchar_t m = mData->MapChar(c);
  const wchar_t q = prev == 0 ? 0 : mData->MapChar(prev);
  int result = 0;
  for (const ActiveFontLayer& active : mActiveLayers) {
    const FontLayer& layer = *active.layer;
    const FontGlyph& glyph = layer.Glyph(m);
    int w, k;
    if (layer.pointSize != 0) {
      w = Ratio(glyph.width, pts, layer.pointSize);
      k = q == 0 ? 0 : Ratio(int64_t(layer.Glyph(q).GetKerning(m)) + layer.spacing, pts, layer.pointSize);
    } else {
      w = Ratio(glyph.width, mScale, 1.0);
      k = q == 0 ? 0 : Ratio(int64_t(layer.Glyph(q).GetKerning(m)) + layer.spacing, mScale, 1.0);
    }
    result = std::max(result, static_cast<int>(std::min<int64_t>(int64_t(w) + k, INT32_MAX)));
  }
  return result;
}

void ImageFont::DrawString(Graphics& g, int x, int y, const std::wstring& text, const Color& color, const Rect& clip) {
  DrawStringEx(g, x, y, text, color, clip, nullptr, nullptr);
}

void ImageFont::DrawStringEx(Graphics& g, int x, int y, const std::wstring& text, const Color& color, const Rect& clip,
                             std::vector<Rect>* rects, int* width) {
  ScopedLock lock(gFontDrawLock);
  GlyphDrawPool& pool = gGlyphDrawPool;
  std::fill(std::begin(pool.head), std::end(pool.head), nullptr);
  std::fill(std::begin(pool.tail), std::end(pool.tail), nullptr);
  if (rects != nullptr) rects->clear();

  if (!mData->IsInitialised()) {
    if (width != nullptr) *width = 0;
    return;
  }
  Prepare();
  const bool wasColorizing = g.GetColorizeImages();
  g.SetColorizeImages(true);

  // Pen positions in 64 bits: a long text of wide glyphs must not overflow.
  int64_t pen = x;
  int used = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const wchar_t m = mData->MapChar(text[i]);
    const wchar_t n = i + 1 < text.size() ? mData->MapChar(text[i + 1]) : 0;
    int64_t far = pen;
    for (const ActiveFontLayer& active : mActiveLayers) {
      const FontLayer& layer = *active.layer;
      const FontGlyph& glyph = layer.Glyph(m);
      double r = mScale;
      if (layer.pointSize != 0) r = static_cast<double>(mPointSize) * mScale / layer.pointSize;

      int64_t gx, gy, advance, kern;
      if (r != 1.0) {
        gx = pen + TruncateToInt(r * (double(layer.offsetX) + glyph.offsetX));
        gy = int64_t(y) - TruncateToInt(r * (double(layer.ascent) - layer.offsetY - glyph.offsetY));
        advance = TruncateToInt(r * glyph.width);
        kern = n == 0 ? 0 : TruncateToInt(r * (double(glyph.GetKerning(n)) + layer.spacing));
      } else {
        gx = pen + layer.offsetX + glyph.offsetX;
        gy = int64_t(y) + layer.offsetY + glyph.offsetY - layer.ascent;
        advance = glyph.width;
        kern = n == 0 ? 0 : int64_t(glyph.GetKerning(n)) + layer.spacing;
      }

      // Components are clamped both ways: reals past 1.0 or below 0 in the
      // descriptor must not reach the blenders' tables.
      const Color& mult = layer.colorMult;
      const Color& add = layer.colorAdd;
      const Color glyphColor(ClampChannel(int64_t(color.red) * mult.red / 255 + add.red),
                             ClampChannel(int64_t(color.green) * mult.green / 255 + add.green),
                             ClampChannel(int64_t(color.blue) * mult.blue / 255 + add.blue),
                             ClampChannel(int64_t(color.alpha) * mult.alpha / 255 + add.alpha));
      const int64_t order = int64_t(layer.baseOrder) + glyph.order;

      if (used == kGlyphPoolSize) break;  // the character ends with pen = far

      GlyphDrawCommand& cmd = pool.commands[used++];
      const Rect& source = active.DrawRect(m);
      cmd.image = active.image;
      cmd.x = static_cast<int32_t>(std::clamp<int64_t>(gx, INT32_MIN, INT32_MAX));
      cmd.y = static_cast<int32_t>(std::clamp<int64_t>(gy, INT32_MIN, INT32_MAX));
      cmd.source = source;
      cmd.drawMode = layer.drawMode;
      cmd.color = glyphColor;
      cmd.next = nullptr;
      const int bucket = static_cast<int>(std::clamp<int64_t>(order + 128, 0, kGlyphOrderBuckets - 1));
      if (pool.tail[bucket] != nullptr)
        pool.tail[bucket]->next = &cmd;
      else
        pool.head[bucket] = &cmd;
      pool.tail[bucket] = &cmd;

      if (rects != nullptr) rects->push_back(Rect(cmd.x, cmd.y, source.width, source.height));
      far = std::max(far, pen + advance + kern);
    }
    pen = far;
  }
  if (width != nullptr) *width = static_cast<int>(std::clamp<int64_t>(pen - x, INT32_MIN, INT32_MAX));

  const Color savedColor = g.GetColor();
  for (int bucket = 0; bucket < kGlyphOrderBuckets; ++bucket) {
    for (GlyphDrawCommand* cmd = pool.head[bucket]; cmd != nullptr; cmd = cmd->next) {
      const int savedMode = g.GetDrawMode();
      if (cmd->drawMode != -1) g.SetDrawMode(cmd->drawMode);
      g.SetColor(cmd->color);
      if (cmd->image != nullptr) g.DrawImageSubrect(cmd->image, cmd->x, cmd->y, cmd->source);
      g.SetDrawMode(savedMode);
    }
  }
  g.SetColor(savedColor);
  g.SetColorizeImages(wasColorizing);
}

}  // namespace Kivo
