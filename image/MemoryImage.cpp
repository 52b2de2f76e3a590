// MemoryImage storage: the bits and the forms derived from them, each built
// on demand and dropped when the pixels change; registration with the host;
// the palette builder.
#include "image/MemoryImage.h"

#include <algorithm>
#include <cstring>

#include "image/ImageHost.h"

namespace Kivo {

namespace {

// Shifts that tolerate a malformed display record instead of invoking
// undefined behaviour; a sane record never reaches the limits.
inline uint32_t ShiftRight(uint32_t v, int32_t s) { return s <= 0 ? v : (s >= 32 ? 0u : v >> s); }
inline uint32_t ShiftLeft(uint32_t v, int32_t s) { return s <= 0 ? v : (s >= 32 ? 0u : v << s); }

// Straight ARGB to the display's premultiplied layout; alpha stays on top.
inline uint32_t ToNative(uint32_t f, const NativeDisplay& d) {
  const uint32_t g = (f >> 24) + 1;
  const uint32_t r = ShiftLeft(ShiftRight(((f & 0xFF0000u) * g) >> 8, 24 - d.redBits), d.redShift) & d.redMask;
  const uint32_t gr = ShiftLeft(ShiftRight(((f & 0xFF00u) * g) >> 8, 16 - d.greenBits), d.greenShift) & d.greenMask;
  const uint32_t b = ShiftLeft(ShiftRight(((f & 0xFFu) * g) >> 8, 8 - d.blueBits), d.blueShift) & d.blueMask;
  return (f & 0xFF000000u) | r | gr | b;
}

inline uint32_t ChannelFromNative(uint32_t word, uint32_t mask, int32_t shift, int32_t bitCount, uint32_t u) {
  const uint64_t scaled = (static_cast<uint64_t>(word & mask) * 256u) / u;
  const uint64_t masked = scaled & mask;
  const int32_t down = shift + bitCount;
  const uint64_t value = down >= 64 ? 0 : ((masked * 256u) >> down);
  return static_cast<uint32_t>(value & 0xFFu);
}

// Premultiplied display layout back to straight ARGB.
inline uint32_t FromNative(uint32_t word, const NativeDisplay& d) {
  const uint32_t u = (word >> 24) + 1;
  const uint32_t r = ChannelFromNative(word, d.redMask, d.redShift, d.redBits, u);
  const uint32_t g = ChannelFromNative(word, d.greenMask, d.greenShift, d.greenBits, u);
  const uint32_t b = ChannelFromNative(word, d.blueMask, d.blueShift, d.blueBits, u);
  return (word & 0xFF000000u) | (r << 16) | (g << 8) | b;
}

enum RunClass { kRunTransparent, kRunOpaque, kRunPartial };

inline int AlphaClass(uint32_t v) {
  const uint32_t a = v >> 24;
  return a == 0 ? kRunTransparent : (a == 255 ? kRunOpaque : kRunPartial);
}

}  // namespace

bool ImagePixelCount(int32_t width, int32_t height, size_t& count) {
  count = 0;
  if (width < 0 || height < 0 || width > kMaxImageSide || height > kMaxImageSide) return false;
  const int64_t pixels = static_cast<int64_t>(width) * height;
  if (pixels > kMaxImagePixels) return false;
  count = static_cast<size_t>(pixels);
  return true;
}

MemoryImage::MemoryImage() : MemoryImage(GetImageHost()) {}

MemoryImage::MemoryImage(ImageHost* owner) : host(owner != nullptr ? owner : GetImageHost()) {
  memoryImage_ = this;
  host->RegisterMemoryImage(this);
}

MemoryImage::MemoryImage(const MemoryImage& other)
    : Image(other),
      changeCount(other.changeCount),
      textureFlags(other.textureFlags),
      alphaFlagsForced(other.alphaFlagsForced),
      hasTransparency(other.hasTransparency),
      hasPartialAlpha(other.hasPartialAlpha),
      isVolatile(other.isVolatile),
      discardWanted(other.discardWanted),
      paletteWanted(other.paletteWanted),
      bitsChanged(other.bitsChanged),
      host(other.host) {
  memoryImage_ = this;
  const size_t count = other.PixelCount();
  const bool otherPalette = other.palette != nullptr && other.indices != nullptr;
  // An image held only as native data or texture lends its pixels through a
  // temporary bits form, which it drops again afterwards.
  MemoryImage& source = const_cast<MemoryImage&>(other);
  const bool temporaryBits = other.bits == nullptr && !otherPalette;
  if (temporaryBits) source.GetBits();
  if (source.bits != nullptr) {
    bits.reset(new uint32_t[count + 1]);
    std::memcpy(bits.get(), source.bits.get(), (count + 1) * sizeof(uint32_t));
  }
  if (temporaryBits) source.bits.reset();
  if (other.palette != nullptr) {
    palette.reset(new uint32_t[256]);
    std::memcpy(palette.get(), other.palette.get(), 256 * sizeof(uint32_t));
  }
  if (other.indices != nullptr) {
    indices.reset(new uint8_t[count + 1]);
    std::memcpy(indices.get(), other.indices.get(), count);
  }
  if (other.nativeData != nullptr) {
    const size_t n = other.palette != nullptr ? 256 : count;
    nativeData.reset(new uint32_t[n + 1]);
    std::memcpy(nativeData.get(), other.nativeData.get(), n * sizeof(uint32_t));
    nativeFormat = other.nativeFormat;
    nativeFromPalette = other.nativeFromPalette;
  }
  if (other.alphaRunTable != nullptr) {
    alphaRunTable.reset(new uint8_t[count + 1]);
    std::memcpy(alphaRunTable.get(), other.alphaRunTable.get(), count);
  }
  if (other.additiveRunTable != nullptr) {
    additiveRunTable.reset(new uint8_t[count + 1]);
    std::memcpy(additiveRunTable.get(), other.additiveRunTable.get(), count);
  }
  host->RegisterMemoryImage(this);
}

MemoryImage::~MemoryImage() {
  host->UnregisterMemoryImage(this);
  // An image whose host knows no display (a plain one) still has to leave
  // the renderer's list, or releasing all textures would reach it.
  if (textureData != nullptr && textureKeeper != nullptr) textureKeeper->RemoveTexture(this);
}

size_t MemoryImage::PixelCount() const {
  size_t count = 0;
  ImagePixelCount(width, height, count);
  return count;
}

PixelTag MemoryImage::TrianglePixelTag() const {
  return alphaFlagsForced && !hasTransparency && !hasPartialAlpha ? kPixelTag888 : kPixelTag8888;
}

void MemoryImage::FreePaletteForm() {
  palette.reset();
  indices.reset();
}

void MemoryImage::FreeDerived() {
  nativeData.reset();
  alphaRunTable.reset();
  additiveRunTable.reset();
}

void MemoryImage::NoteBitsChanged() {
  bitsChanged = true;
  changeCount = static_cast<int32_t>(static_cast<uint32_t>(changeCount) + 1u);
  FreeDerived();
}

uint32_t* MemoryImage::GetBits() {
  if (bits != nullptr) return bits.get();
  size_t count = 0;
  if (!ImagePixelCount(width, height, count)) {
    // A size set from outside that no buffer can hold: the image is empty.
    width = 0;
    height = 0;
    FreePaletteForm();
    FreeDerived();
  }
  bits.reset(new uint32_t[count + 1]);
  uint32_t* out = bits.get();
  out[count] = kBitsSentinel;

  if (palette != nullptr && indices != nullptr) {
    for (size_t i = 0; i < count; ++i) out[i] = palette[indices[i]];
    FreePaletteForm();
    nativeData.reset();
  } else if (nativeData != nullptr && !nativeFromPalette) {
    for (size_t i = 0; i < count; ++i) out[i] = FromNative(nativeData[i], nativeFormat);
  } else if (textureData != nullptr) {
    if (!host->ReadTextureBits(this)) std::fill(out, out + count, 0u);
    out[count] = kBitsSentinel;
  } else {
    std::fill(out, out + count, 0u);
  }
  return out;
}

uint32_t MemoryImage::NativeWord(uint32_t argb, const NativeDisplay& display) { return ToNative(argb, display); }

uint32_t* MemoryImage::GetNativeData(const NativeDisplay& display) {
  ScanAlpha();
  if (nativeData != nullptr) return nativeData.get();
  if (palette != nullptr && indices != nullptr) {
    nativeData.reset(new uint32_t[256]);
    for (int i = 0; i < 256; ++i) nativeData[i] = ToNative(palette[i], display);
    nativeFromPalette = true;
  } else {
    const uint32_t* source = GetBits();
    const size_t count = PixelCount();
    nativeData.reset(new uint32_t[count + 1]);
    for (size_t i = 0; i < count; ++i) nativeData[i] = ToNative(source[i], display);
    nativeFromPalette = false;
  }
  nativeFormat = display;
  return nativeData.get();
}

void MemoryImage::BuildRunTable(uint8_t* table, const uint32_t* words, const uint8_t* index, bool additive) const {
  if (width <= 0) return;
  const size_t w = static_cast<size_t>(width);
  for (int32_t y = 0; y < height; ++y) {
    const size_t row = static_cast<size_t>(y) * w;
    int nextClass = -1;
    uint32_t run = 0;
    for (size_t x = w; x-- > 0;) {
      const uint32_t v = index != nullptr ? words[index[row + x]] : words[row + x];
      const int cls = additive ? ((v & 0xFFFFFFu) != 0 ? 1 : 0) : AlphaClass(v);
      run = cls == nextClass ? run + 1 : 1;
      nextClass = cls;
      table[row + x] = static_cast<uint8_t>(run > 255 ? 255 : run);
    }
  }
}

uint8_t* MemoryImage::GetAlphaRunTable() {
  ScanAlpha();
  if (alphaRunTable != nullptr) return alphaRunTable.get();
  const size_t count = PixelCount();
  std::unique_ptr<uint8_t[]> table(new uint8_t[count + 1]);
  if (palette != nullptr && indices != nullptr) {
    BuildRunTable(table.get(), palette.get(), indices.get(), false);
  } else if (nativeData != nullptr && !nativeFromPalette) {
    BuildRunTable(table.get(), nativeData.get(), nullptr, false);
  } else {
    BuildRunTable(table.get(), GetBits(), nullptr, false);
  }
  alphaRunTable = std::move(table);
  return alphaRunTable.get();
}

uint8_t* MemoryImage::GetAdditiveRunTable(const NativeDisplay& display) {
  if (additiveRunTable != nullptr) return additiveRunTable.get();
  const uint32_t* native = GetNativeData(display);
  const size_t count = PixelCount();
  std::unique_ptr<uint8_t[]> table(new uint8_t[count + 1]);
  BuildRunTable(table.get(), native, nativeFromPalette ? indices.get() : nullptr, true);
  additiveRunTable = std::move(table);
  return additiveRunTable.get();
}

void MemoryImage::DiscardBits() {
  discardWanted = true;
  if (host->Is3DOn()) {
    // The renderer applies the wish once it has made the texture.
    if (textureData == nullptr) return;
  } else {
    if (bits == nullptr && indices == nullptr) return;
    const NativeDisplay* display = host->GetNativeDisplay();
    // Without a display there is no native form to fall back on: keep the bits.
    if (display == nullptr || !display->IsUsable()) return;
    GetNativeData(*display);
  }
  bits.reset();
  if (textureData != nullptr) FreePaletteForm();
}

void MemoryImage::DropSoftwareCaches() {
  if (bits == nullptr && indices == nullptr) GetBits();
  FreeDerived();
}

void MemoryImage::DropTexture() { host->ReleaseImageTexture(this); }

void MemoryImage::DropAllCaches() {
  DropSoftwareCaches();
  DropTexture();
}

void MemoryImage::ApplyStorageOptions() {
  if (paletteWanted) ConvertToPalette();
  if (discardWanted) DiscardBits();
}

void MemoryImage::ScanAlpha() {
  if (!bitsChanged || alphaFlagsForced) return;
  if (bits != nullptr) {
    bool transparent = false;
    bool partial = false;
    const uint32_t* p = bits.get();
    const size_t count = PixelCount();
    for (size_t i = 0; i < count; ++i) {
      const uint32_t a = p[i] >> 24;
      transparent |= a == 0;
      partial |= a != 0 && a != 255;
    }
    hasTransparency = transparent;
    hasPartialAlpha = partial;
  } else if (palette != nullptr) {
    hasTransparency = false;
    hasPartialAlpha = false;
    for (int i = 0; i < 256; ++i) {
      const uint32_t a = palette[i] >> 24;
      hasTransparency |= a == 0;
      hasPartialAlpha |= a != 0 && a != 255;
    }
  } else {
    hasTransparency = true;
    hasPartialAlpha = false;
  }
  bitsChanged = false;
}

void MemoryImage::DropDisplayCaches() {
  if (bits == nullptr && indices == nullptr) GetBits();
  nativeData.reset();
  additiveRunTable.reset();
}

void MemoryImage::ClearBits() {
  uint32_t* p = GetBits();
  std::fill(p, p + PixelCount(), 0u);
  NoteBitsChanged();
  // Cleared pixels are transparent; the opaque-destination blit must not
  // trust an old opaque flag.
  if (!alphaFlagsForced) hasTransparency = true;
}

void MemoryImage::ClearRect(const Rect& rect) {
  const Rect r = rect.Intersection(Rect(0, 0, width, height));
  if (r.width <= 0 || r.height <= 0) return;
  uint32_t* p = GetBits();
  for (int32_t y = r.y; y < r.y + r.height; ++y) {
    uint32_t* row = p + static_cast<size_t>(y) * static_cast<size_t>(width) + r.x;
    std::fill(row, row + r.width, 0u);
  }
  NoteBitsChanged();
  if (!alphaFlagsForced) hasTransparency = true;
}

bool MemoryImage::Resize(int32_t newWidth, int32_t newHeight) {
  size_t count = 0;
  if (!ImagePixelCount(newWidth, newHeight, count)) {
    bits.reset();
    FreePaletteForm();
    width = 0;
    height = 0;
    NoteBitsChanged();
    return false;
  }
  if (bits == nullptr || newWidth != width || newHeight != height) bits.reset(new uint32_t[count + 1]);
  width = newWidth;
  height = newHeight;
  bits[count] = kBitsSentinel;
  return true;
}

bool MemoryImage::SetBits(const uint32_t* pixels, int32_t newWidth, int32_t newHeight, bool scanAlpha) {
  if (pixels != nullptr && pixels == bits.get()) return true;
  FreePaletteForm();
  if (!Resize(newWidth, newHeight)) return false;
  const size_t count = PixelCount();
  if (pixels != nullptr) {
    std::memcpy(bits.get(), pixels, count * sizeof(uint32_t));
  } else {
    std::fill(bits.get(), bits.get() + count, 0u);
  }
  bits[count] = kBitsSentinel;
  NoteBitsChanged();
  if (scanAlpha) ScanAlpha();
  return true;
}

bool MemoryImage::CreateBlank(int32_t newWidth, int32_t newHeight) {
  bits.reset();
  // A stale palette form of another size must not feed the next GetBits.
  FreePaletteForm();
  size_t count = 0;
  const bool ok = ImagePixelCount(newWidth, newHeight, count);
  width = ok ? newWidth : 0;
  height = ok ? newHeight : 0;
  hasTransparency = true;
  hasPartialAlpha = true;
  NoteBitsChanged();
  return ok;
}

void MemoryImage::ForceAlphaFlags(bool transparent, bool partial) {
  hasTransparency = transparent;
  hasPartialAlpha = partial;
  alphaFlagsForced = true;
}

void MemoryImage::SetVolatile(bool value) { isVolatile = value; }

bool MemoryImage::ConvertToPalette() {
  ScanAlpha();
  if (palette != nullptr && indices != nullptr) return true;
  const uint32_t* p = GetBits();
  const size_t count = PixelCount();
  std::unique_ptr<uint8_t[]> newIndices(new uint8_t[count + 1]);
  std::unique_ptr<uint32_t[]> newPalette(new uint32_t[256]());
  if (!BuildPalette256(p, width, height, newIndices.get(), newPalette.get())) {
    paletteWanted = false;
    return false;
  }
  indices = std::move(newIndices);
  palette = std::move(newPalette);
  bits.reset();
  nativeData.reset();
  paletteWanted = true;
  return true;
}

bool BuildPalette256(const uint32_t* pixels, int32_t width, int32_t height, uint8_t* indices, uint32_t* palette) {
  size_t n = 0;
  if (!ImagePixelCount(width, height, n)) return false;
  if (n == 0) return true;
  // Distinct colours sorted as unsigned numbers, with their palette index.
  uint32_t sorted[256];
  uint8_t sortedIndex[256];
  int count = 1;
  palette[0] = pixels[0];
  sorted[0] = pixels[0];
  sortedIndex[0] = 0;
  indices[0] = 0;
  for (size_t i = 1; i < n; ++i) {
    const uint32_t v = pixels[i];
    int low = 0;
    int high = count - 1;
    bool found = false;
    while (low <= high) {
      const int middle = (low + high) / 2;
      if (v < sorted[middle]) {
        high = middle - 1;
      } else if (v > sorted[middle]) {
        low = middle + 1;
      } else {
        indices[i] = sortedIndex[middle];
        found = true;
        break;
      }
    }
    if (found) continue;
    if (count == 256) return false;
    int at = low;
    if (at < count && v > sorted[at]) ++at;
    for (int k = count; k > at; --k) {
      sorted[k] = sorted[k - 1];
      sortedIndex[k] = sortedIndex[k - 1];
    }
    sorted[at] = v;
    sortedIndex[at] = static_cast<uint8_t>(count);
    palette[count] = v;
    indices[i] = static_cast<uint8_t>(count);
    ++count;
  }
  return true;
}

SourcePixels::SourcePixels(MemoryImage* image) {
  if (image->palette != nullptr && image->indices != nullptr) {
    indices = image->indices.get();
    palette = image->palette.get();
  } else {
    bits = image->GetBits();
  }
  width = image->width;
  height = image->height;
}

}  // namespace Kivo
