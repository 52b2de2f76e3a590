// Texture records of images (see D3DTextureData.h).
#include "display/D3DTextureData.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "image/MemoryImage.h"

namespace Kivo {
namespace {

// A pixel of the image by index: its palette form when it has one.
inline uint32_t ImagePixel(const MemoryImage* image, size_t i) {
  if (image->palette != nullptr && image->indices != nullptr) return image->palette[image->indices[i]];
  return image->bits[i];
}

inline size_t Index(const MemoryImage* image, int32_t x, int32_t y) {
  return static_cast<size_t>(y) * static_cast<size_t>(image->width) + static_cast<size_t>(x);
}

int32_t BytesPerTexel(uint32_t format) {
  switch (format) {
    case kFormat8888: return 4;
    case kFormat4444:
    case kFormat565: return 2;
    case kFormatPalette8: return 1;
    default: return 0;
  }
}

// Sizes below 1024: either a power of two that covers the size with at
// most 64 texels to spare, or a smaller one whose remainder is below 64 or
// itself a power of two.
struct PieceTable {
  int32_t entry[1024];
  PieceTable() {
    for (int32_t i = 0; i < 1024; ++i) {
      const int32_t c = RoundUpToPowerOfTwo(i);
      if (c - i <= 64) {
        entry[i] = c;
        continue;
      }
      int32_t d = c / 2;
      while (d > 1 && i % d >= 64 && !IsPowerOfTwo(i % d)) d /= 2;
      entry[i] = d;
    }
  }
};

const PieceTable& ThePieceTable() {
  static const PieceTable table;  // built once, thread-safe
  return table;
}

}  // namespace

int32_t RoundUpToPowerOfTwo(int32_t n) {
  int32_t p = 1;
  while (p < n && p < (1 << 30)) p <<= 1;
  return p;
}

bool IsPowerOfTwo(int32_t n) { return n > 0 && (n & (n - 1)) == 0; }

int32_t TexturePieceTableEntry(int32_t size) { return ThePieceTable().entry[std::clamp(size, 0, 1023)]; }

void ChooseTexturePieceSize(int32_t& w, int32_t& h, bool roundUp, bool adjust, uint32_t flags) {
  if ((flags & kTextureFixed64) != 0) {
    w = h = 64;
    return;
  }
  const PieceTable& table = ThePieceTable();
  if (adjust) {
    if (roundUp || (flags & kTextureMinSubdivide) != 0) {
      w = w >= gMaxTextureWidth ? gMaxTextureWidth : RoundUpToPowerOfTwo(w);
      h = h >= gMaxTextureHeight ? gMaxTextureHeight : RoundUpToPowerOfTwo(h);
    } else {
      w = w >= gMaxTextureWidth ? gMaxTextureWidth : table.entry[std::clamp(w, 0, 1023)];
      h = h >= gMaxTextureHeight ? gMaxTextureHeight : table.entry[std::clamp(h, 0, 1023)];
    }
  }
  w = std::max(w, gMinTextureWidth);
  h = std::max(h, gMinTextureHeight);
  const int64_t aspect = std::max<int32_t>(gMaxTextureAspect, 1);
  if (w > h) {
    while (w > aspect * h) h *= 2;
  } else if (h > w) {
    while (h > aspect * w) w *= 2;
  }
}

IDirectDrawSurface7* CreateTextureSurface(IDirect3DDevice7* device, IDirectDraw7* directDraw7, int32_t width,
                                          int32_t height, uint32_t format) {
  if (device == nullptr || directDraw7 == nullptr) return nullptr;
  if (CheckD3DResult(device->SetTexture(0, nullptr), "SetTexture NULL")) return nullptr;
  DDSURFACEDESC2 desc;
  std::memset(&desc, 0, sizeof(desc));
  desc.dwSize = sizeof(desc);
  desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT;
  desc.ddsCaps.dwCaps = DDSCAPS_TEXTURE;
  desc.ddsCaps.dwCaps2 = DDSCAPS2_D3DTEXTUREMANAGE;
  desc.dwWidth = static_cast<DWORD>(width);
  desc.dwHeight = static_cast<DWORD>(height);
  FillTexturePixelFormat(format, &desc.ddpfPixelFormat);
  IDirectDrawSurface7* surface = nullptr;
  if (FAILED(directDraw7->CreateSurface(&desc, &surface, nullptr))) return nullptr;
  return surface;
}

// ---- conversions -------------------------------------------------------------------

void CopyImageToTexture8888(uint8_t* bits, int32_t pitch, MemoryImage* image, int32_t x, int32_t y, int32_t w,
                            int32_t h, bool repeatLastColumn) {
  for (int32_t r = 0; r < h; ++r) {
    uint32_t* row = reinterpret_cast<uint32_t*>(bits + static_cast<ptrdiff_t>(r) * pitch);
    const size_t base = Index(image, x, y + r);
    for (int32_t c = 0; c < w; ++c) row[c] = ImagePixel(image, base + c);
    if (repeatLastColumn) row[w] = row[w - 1];
  }
}

void CopyImageToTexture4444(uint8_t* bits, int32_t pitch, MemoryImage* image, int32_t x, int32_t y, int32_t w,
                            int32_t h, bool repeatLastColumn) {
  for (int32_t r = 0; r < h; ++r) {
    uint16_t* row = reinterpret_cast<uint16_t*>(bits + static_cast<ptrdiff_t>(r) * pitch);
    const size_t base = Index(image, x, y + r);
    for (int32_t c = 0; c < w; ++c) {
      const uint32_t p = ImagePixel(image, base + c);
      row[c] = static_cast<uint16_t>((p >> 16 & 0xF000) | (p >> 12 & 0x0F00) | (p >> 8 & 0x00F0) | (p >> 4 & 0x000F));
    }
    if (repeatLastColumn) row[w] = row[w - 1];
  }
}

void CopyImageToTexture565(uint8_t* bits, int32_t pitch, MemoryImage* image, int32_t x, int32_t y, int32_t w, int32_t h,
                           bool repeatLastColumn) {
  for (int32_t r = 0; r < h; ++r) {
    uint16_t* row = reinterpret_cast<uint16_t*>(bits + static_cast<ptrdiff_t>(r) * pitch);
    const size_t base = Index(image, x, y + r);
    for (int32_t c = 0; c < w; ++c) {
      const uint32_t p = ImagePixel(image, base + c);
      row[c] = static_cast<uint16_t>((p >> 8 & 0xF800) | (p >> 5 & 0x07E0) | (p >> 3 & 0x001F));
    }
    if (repeatLastColumn) row[w] = row[w - 1];
  }
}

void CopyImageToTexturePalette8(uint8_t* bits, int32_t pitch, MemoryImage* image, int32_t x, int32_t y, int32_t w,
                                int32_t h, bool repeatLastColumn) {
  for (int32_t r = 0; r < h; ++r) {
    uint8_t* row = bits + static_cast<ptrdiff_t>(r) * pitch;
    std::memcpy(row, image->indices.get() + Index(image, x, y + r), static_cast<size_t>(w));
    if (repeatLastColumn) row[w] = row[w - 1];
  }
}

void CopyTexture8888ToImage(const uint8_t* bits, int32_t pitch, MemoryImage* image, int32_t x, int32_t y, int32_t w,
                            int32_t h) {
  for (int32_t r = 0; r < h; ++r)
    std::memcpy(image->bits.get() + Index(image, x, y + r), bits + static_cast<ptrdiff_t>(r) * pitch,
                static_cast<size_t>(w) * 4);
}

void CopyTexture4444ToImage(const uint8_t* bits, int32_t pitch, MemoryImage* image, int32_t x, int32_t y, int32_t w,
                            int32_t h) {
  for (int32_t r = 0; r < h; ++r) {
    const uint16_t* row = reinterpret_cast<const uint16_t*>(bits + static_cast<ptrdiff_t>(r) * pitch);
    uint32_t* out = image->bits.get() + Index(image, x, y + r);
    for (int32_t c = 0; c < w; ++c) {
      const uint32_t t = row[c];
      out[c] = (t & 0xF000) << 16 | (t & 0x0F00) << 12 | (t & 0x00F0) << 8 | (t & 0x000F) << 4;
    }
  }
}

void CopyTexture565ToImage(const uint8_t* bits, int32_t pitch, MemoryImage* image, int32_t x, int32_t y, int32_t w,
                           int32_t h) {
  for (int32_t r = 0; r < h; ++r) {
    const uint16_t* row = reinterpret_cast<const uint16_t*>(bits + static_cast<ptrdiff_t>(r) * pitch);
    uint32_t* out = image->bits.get() + Index(image, x, y + r);
    for (int32_t c = 0; c < w; ++c) {
      const uint32_t t = row[c];
      out[c] = 0xFF000000u | (t & 0xF800) << 8 | (t & 0x07E0) << 5 | (t & 0x001F) << 3;
    }
  }
}

void CopyTexturePalette8ToImage(const uint8_t* bits, int32_t pitch, MemoryImage* image, int32_t x, int32_t y, int32_t w,
                                int32_t h, IDirectDrawPalette* palette) {
  PALETTEENTRY entries[256];
  std::memset(entries, 0, sizeof(entries));
  if (palette != nullptr) palette->GetEntries(0, 0, 256, entries);
  for (int32_t r = 0; r < h; ++r) {
    const uint8_t* row = bits + static_cast<ptrdiff_t>(r) * pitch;
    uint32_t* out = image->bits.get() + Index(image, x, y + r);
    for (int32_t c = 0; c < w; ++c) {
      const PALETTEENTRY& e = entries[row[c]];
      out[c] = static_cast<uint32_t>(e.peFlags) << 24 | static_cast<uint32_t>(e.peRed) << 16 |
               static_cast<uint32_t>(e.peGreen) << 8 | e.peBlue;
    }
  }
}

// ---- the record -----------------------------------------------------------------------

TextureData::~TextureData() { ReleasePieces(); }

void TextureData::ReleasePieces() {
  for (TexturePiece& piece : pieces)
    if (piece.surface != nullptr) piece.surface->Release();
  pieces.clear();
  textureBytes = 0;
  if (paletteObject != nullptr) {
    paletteObject->Release();
    paletteObject = nullptr;
  }
}

void TextureData::CheckUpToDate(MemoryImage* image, IDirect3DDevice7* device, IDirectDraw7* directDraw7) {
  if (format == kFormatNone || image->width != uploadedWidth || image->height != uploadedHeight ||
      image->changeCount != uploadedChangeCount || image->textureFlags != uploadedFlags)
    Upload(image, device, directDraw7);
}

void TextureData::CreatePieces(MemoryImage* image) {
  const int32_t W = image->width, H = image->height;
  pieceWidth = W;
  pieceHeight = H;
  ChooseTexturePieceSize(pieceWidth, pieceHeight, false, true, uploadedFlags);
  int32_t rw = W % pieceWidth, rh = pieceHeight;
  if (rw > 0)
    ChooseTexturePieceSize(rw, rh, true, true, uploadedFlags);
  else
    rw = pieceWidth;
  int32_t lw = pieceWidth, lh = H % pieceHeight;
  if (lh > 0)
    ChooseTexturePieceSize(lw, lh, true, true, uploadedFlags);
  else
    lh = pieceHeight;
  int32_t cw = rw, ch = lh;
  ChooseTexturePieceSize(cw, ch, true, true, uploadedFlags);
  columns = (W + pieceWidth - 1) / pieceWidth;
  rows = (H + pieceHeight - 1) / pieceHeight;
  pieces.assign(static_cast<size_t>(columns) * static_cast<size_t>(rows),
                TexturePiece{nullptr, pieceWidth, pieceHeight});
  if (pieces.empty()) return;
  for (size_t i = static_cast<size_t>(columns) - 1; i < pieces.size(); i += static_cast<size_t>(columns))
    pieces[i] = TexturePiece{nullptr, rw, rh};
  for (size_t i = static_cast<size_t>(rows - 1) * static_cast<size_t>(columns); i < pieces.size(); ++i)
    pieces[i] = TexturePiece{nullptr, lw, lh};
  pieces.back() = TexturePiece{nullptr, cw, ch};
  maxU = static_cast<float>(W) / static_cast<float>(pieceWidth);
  maxV = static_cast<float>(H) / static_cast<float>(pieceHeight);
}

void TextureData::Upload(MemoryImage* image, IDirect3DDevice7* device, IDirectDraw7* directDraw7) {
  image->DropSoftwareCaches();
  image->ScanAlpha();

  // The format.
  uint32_t chosen = kFormat8888;
  if (!image->hasTransparency && !image->hasPartialAlpha && (gSupportedTextureFormats & kFormat565) != 0 &&
      (image->textureFlags & kTextureNever565) == 0)
    chosen = kFormat565;
  IDirectDrawPalette* newPalette = nullptr;
  if (image->indices != nullptr && image->palette != nullptr && (gSupportedTextureFormats & kFormatPalette8) != 0 &&
      directDraw7 != nullptr) {
    PALETTEENTRY entries[256];
    for (int i = 0; i < 256; ++i) {
      const uint32_t c = image->palette[i];
      entries[i] = PALETTEENTRY{static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c),
                                static_cast<uint8_t>(c >> 24)};
    }
    if (SUCCEEDED(directDraw7->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256 | DDPCAPS_ALPHA, entries, &newPalette,
                                             nullptr))) {
      chosen = kFormatPalette8;
    } else {
      newPalette = nullptr;
      gSupportedTextureFormats &= ~static_cast<uint32_t>(kFormatPalette8);
    }
  }
  if ((image->textureFlags & kTextureA4R4G4B4) != 0 && chosen == kFormat8888 &&
      (gSupportedTextureFormats & kFormat4444) != 0)
    chosen = kFormat4444;
  if (chosen == kFormat8888 && (gSupportedTextureFormats & kFormat8888) == 0) chosen = kFormat4444;

  // New pieces when the size, flags or format changed.
  const bool recreate = uploadedWidth != image->width || uploadedHeight != image->height || format != chosen ||
                        uploadedFlags != image->textureFlags || pieces.empty();
  if (recreate) {
    ReleasePieces();
    format = chosen;
    uploadedFlags = image->textureFlags;
    CreatePieces(image);
  }
  // The palette: a re-upload into kept pieces replaces the old object on
  // every piece (so new indices draw in new colours) and counts it once.
  if (paletteObject != nullptr) {
    paletteObject->Release();
    paletteObject = nullptr;
  } else if (newPalette != nullptr) {
    textureBytes += 1024;
  }
  paletteObject = newPalette;
  if (!recreate && paletteObject != nullptr)
    for (TexturePiece& piece : pieces)
      if (piece.surface != nullptr) piece.surface->SetPalette(paletteObject);

  size_t index = 0;
  for (int32_t y = 0; y < image->height; y += pieceHeight) {
    for (int32_t x = 0; x < image->width; x += pieceWidth, ++index) {
      if (index >= pieces.size()) break;
      TexturePiece& piece = pieces[index];
      if (recreate) {
        piece.surface = CreateTextureSurface(device, directDraw7, piece.width, piece.height, format);
        if (piece.surface == nullptr) {
          format = kFormatNone;
          return;
        }
        if (paletteObject != nullptr) piece.surface->SetPalette(paletteObject);
        textureBytes += piece.width * piece.height * BytesPerTexel(format);
      }
      UploadPiece(piece.surface, image, x, y, piece.width, piece.height, format);
    }
  }
  uploadedWidth = image->width;
  uploadedHeight = image->height;
  uploadedChangeCount = image->changeCount;
  format = chosen;
}

void TextureData::UploadPiece(IDirectDrawSurface7* surface, MemoryImage* image, int32_t x, int32_t y, int32_t pw,
                              int32_t ph, uint32_t format) {
  if (surface == nullptr) return;
  DDSURFACEDESC2 desc;
  std::memset(&desc, 0, sizeof(desc));
  desc.dwSize = sizeof(desc);
  if (CheckD3DResult(surface->Lock(nullptr, &desc, DDLOCK_WAIT | DDLOCK_WRITEONLY, nullptr), "Lock Texture")) return;
  const int32_t w = std::min(pw, image->width - x);
  const int32_t h = std::min(ph, image->height - y);
  const bool padRight = w < pw, padBottom = h < ph;
  uint8_t* bits = static_cast<uint8_t*>(desc.lpSurface);
  const int32_t pitch = desc.lPitch;
  if (w > 0 && h > 0) {
    switch (format) {
      case kFormat8888: CopyImageToTexture8888(bits, pitch, image, x, y, w, h, padRight); break;
      case kFormat4444: CopyImageToTexture4444(bits, pitch, image, x, y, w, h, padRight); break;
      case kFormat565: CopyImageToTexture565(bits, pitch, image, x, y, w, h, padRight); break;
      case kFormatPalette8: CopyImageToTexturePalette8(bits, pitch, image, x, y, w, h, padRight); break;
      default: break;
    }
    if (padBottom)
      std::memcpy(bits + static_cast<ptrdiff_t>(h) * pitch, bits + static_cast<ptrdiff_t>(h - 1) * pitch,
                  static_cast<size_t>(pitch));
  }
  CheckD3DResult(surface->Unlock(nullptr), "Texture Unlock");
}

IDirectDrawSurface7* TextureData::GetPieceAt(int32_t x, int32_t y, int32_t& w, int32_t& h, float& uMin, float& vMin,
                                             float& uMax, float& vMax) const {
  uMin = vMin = uMax = vMax = 0;
  // Past the last column the division would name a piece of the next row.
  const int32_t column = pieceWidth > 0 && x >= 0 ? x / pieceWidth : -1;
  const int32_t row = pieceHeight > 0 && y >= 0 ? y / pieceHeight : -1;
  if (column < 0 || row < 0 || column >= columns || row >= rows ||
      static_cast<size_t>(row) * static_cast<size_t>(columns) + static_cast<size_t>(column) >= pieces.size()) {
    w = h = 0;
    return nullptr;
  }
  const TexturePiece& piece =
      pieces[static_cast<size_t>(row) * static_cast<size_t>(columns) + static_cast<size_t>(column)];
  const int32_t lx = x % pieceWidth, ly = y % pieceHeight;
  const int32_t right = static_cast<int32_t>(std::min<int64_t>(int64_t{lx} + w, piece.width));
  const int32_t bottom = static_cast<int32_t>(std::min<int64_t>(int64_t{ly} + h, piece.height));
  w = right - lx;
  h = bottom - ly;
  if (piece.width <= 0 || piece.height <= 0) return piece.surface;
  uMin = static_cast<float>(lx) / static_cast<float>(piece.width);
  vMin = static_cast<float>(ly) / static_cast<float>(piece.height);
  uMax = static_cast<float>(right) / static_cast<float>(piece.width);
  vMax = static_cast<float>(bottom) / static_cast<float>(piece.height);
  return piece.surface;
}

int32_t TextureData::WalkPieces(const Rect& sourceRect, const std::function<void(const PieceBlock&)>& visit) const {
  const Rect src = sourceRect.Intersection(Rect(0, 0, uploadedWidth, uploadedHeight));
  if (src.width <= 0 || src.height <= 0) return 0;
  const int64_t right = int64_t{src.x} + src.width, bottom = int64_t{src.y} + src.height;
  int32_t visited = 0;
  for (int32_t sy = src.y; sy < bottom;) {
    int32_t rowHeight = 0;
    for (int32_t sx = src.x; sx < right;) {
      PieceBlock block;
      block.x = sx;
      block.y = sy;
      block.width = static_cast<int32_t>(right - sx);
      block.height = static_cast<int32_t>(bottom - sy);
      block.piece = GetPieceAt(sx, sy, block.width, block.height, block.uMin, block.vMin, block.uMax, block.vMax);
      // An empty block would never move the walk on.
      if (block.piece == nullptr || block.width <= 0 || block.height <= 0) return visited;
      visit(block);
      ++visited;
      sx += block.width;
      rowHeight = block.height;
    }
    sy += rowHeight;
  }
  return visited;
}

}  // namespace Kivo
