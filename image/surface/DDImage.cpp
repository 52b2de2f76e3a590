// DDImage core: surface creation with the colour-key choice, locking,
// reading pixels back and the storage operations (see DDImage.h).
#include "image/surface/DDImage.h"

#include <cstring>
#include <memory>
#include <vector>

#include "image/surface/DDImagePixels.h"
#include "image/ImageHost.h"

namespace Kivo {

namespace {

DDImage* AttachForDisplay(DDInterface* display, IDirectDrawSurface* surface, bool videoOnly) {
  DDImage* image = new DDImage(display);
  image->AttachSurface(surface);
  image->videoOnly = videoOnly;
  image->videoMemory = videoOnly;
  image->ForceAlphaFlags(false, false);
  return image;
}

void DestroyForDisplay(DDImage* image) { delete image; }

// The display can make its images as soon as any surface-backed image code
// is part of the program.
const bool kFactoryInstalled = (InstallDDImageFactory(), true);

}  // namespace

void InstallDDImageFactory() {
  SurfaceImageFactory factory;
  factory.attach = &AttachForDisplay;
  factory.destroy = &DestroyForDisplay;
  SetSurfaceImageFactory(factory);
}

bool ImageDrawsThrough3D(Image* image) {
  DDImage* dd = dynamic_cast<DDImage*>(image);
  return dd != nullptr && dd->DrawsThrough3D();
}

DDImage::DDImage(DDInterface* owner) : display(owner) {
  (void)kFactoryInstalled;
  std::memset(&lockedDesc, 0, sizeof(lockedDesc));
  if (display != nullptr) display->AddImage(this);
}

DDImage::~DDImage() {
  if (surface != nullptr) surface->Release();
  surface = nullptr;
  if (display != nullptr) display->RemoveImage(this);
}

bool DDImage::DrawsThrough3D() const {
  return display != nullptr && display->is3D && surface != nullptr && surface == display->drawSurface;
}

void DDImage::EndSurfaceDraw() {
  if (!surfaceReached_ || surface == nullptr) return;
  surfaceReached_ = false;
  DiscardMemoryCopies();
  // Textures made from this image must be made again.
  changeCount = static_cast<int32_t>(static_cast<uint32_t>(changeCount) + 1u);
}

void DDImage::DiscardMemoryCopies() {
  bits.reset();
  nativeData.reset();
  additiveRunTable.reset();
  alphaRunTable.reset();
  palette.reset();
  indices.reset();
}

bool DDImage::CreateSurface() {
  if (surface != nullptr) return true;
  if (display == nullptr) return false;
  ScanAlpha();
  if (hasPartialAlpha) return false;
  surfaceWanted = true;
  // The surface is filled from the 32-bit pixels; whatever form holds the
  // picture now (palette, native data, texture) becomes those first.
  if (bits == nullptr) MemoryImage::GetBits();
  if (width <= 0 || height <= 0) return false;

  DDSURFACEDESC2 desc;
  std::memset(&desc, 0, sizeof(desc));
  desc.dwSize = sizeof(desc);
  desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
  desc.dwWidth = static_cast<DWORD>(width);
  desc.dwHeight = static_cast<DWORD>(height);
  desc.ddsCaps.dwCaps = videoMemory ? DDSCAPS_VIDEOMEMORY : DDSCAPS_SYSTEMMEMORY;

  ScopedLock lock(display->displayLock);
  IDirectDrawSurface* made = nullptr;
  if (display->CreateSurface(&desc, &made) != DD_OK || made == nullptr) return false;
  surface = made;
  if (!LockSurface()) {
    // An unfilled surface must not stand for the picture.
    surface->Release();
    surface = nullptr;
    return false;
  }

  const uint32_t* pixels = bits.get();
  const SurfaceView view(lockedDesc);
  const PixelPacker pack(*display);
  const size_t count = PixelCount();
  uint32_t key = 0;
  if (pixels != nullptr && view.bitCount == 16) {
    std::vector<uint16_t> packed(count);
    if (!hasTransparency) {
      for (size_t i = 0; i < count; ++i) packed[i] = static_cast<uint16_t>(pack(pixels[i]));
    } else if (firstPixelKey) {
      for (size_t i = 0; i < count; ++i) packed[i] = static_cast<uint16_t>(pack(pixels[i]));
      key = packed.empty() ? 0 : packed[0];
    } else {
      key = ChooseColorKey(pixels, count, pack, true);
      for (size_t i = 0; i < count; ++i)
        packed[i] = static_cast<uint16_t>((pixels[i] >> 24) == 255 ? pack(pixels[i]) : key);
    }
    for (int32_t y = 0; y < height; ++y)
      std::memcpy(view.Row16(y), packed.data() + static_cast<size_t>(y) * static_cast<size_t>(width),
                  static_cast<size_t>(width) * sizeof(uint16_t));
  } else if (pixels != nullptr && view.bitCount == 32) {
    if (hasTransparency && !firstPixelKey) key = ChooseColorKey(pixels, count, pack, false);
    for (int32_t y = 0; y < height; ++y) {
      uint32_t* out = view.Row32(y);
      const uint32_t* in = pixels + static_cast<size_t>(y) * static_cast<size_t>(width);
      if (!hasTransparency || firstPixelKey) {
        for (int32_t x = 0; x < width; ++x) out[x] = pack(in[x]);
      } else {
        for (int32_t x = 0; x < width; ++x) out[x] = (in[x] >> 24) == 255 ? pack(in[x]) : key;
      }
    }
    if (hasTransparency && firstPixelKey && count > 0) key = view.Row32(0)[0];
  }
  if (hasTransparency) {
    DDCOLORKEY ck{key, key};
    surface->SetColorKey(DDCKEY_SRCBLT, &ck);
  }
  UnlockSurface();
  return true;
}

IDirectDrawSurface* DDImage::GetSurface() {
  if (surface == nullptr) CreateSurface();
  return surface;
}

void DDImage::DeleteSurface() {
  if (surface == nullptr) return;
  if (palette == nullptr && bits == nullptr && textureData == nullptr) GetBits();
  surface->Release();
  surface = nullptr;
  lockCount = 0;
}

bool DDImage::LockSurface() {
  if (DrawsThrough3D()) return false;
  if (lockCount == 0) {
    std::memset(&lockedDesc, 0, sizeof(lockedDesc));
    lockedDesc.dwSize = sizeof(lockedDesc);
    IDirectDrawSurface* s = GetSurface();
    if (s == nullptr) return false;
    if (FAILED(s->Lock(nullptr, &lockedDesc, DDLOCK_WAIT, nullptr))) return false;
  }
  ++lockCount;
  surfaceReached_ = true;
  return true;
}

bool DDImage::UnlockSurface() {
  if (DrawsThrough3D()) return false;
  if (lockCount <= 0) return false;
  --lockCount;
  if (lockCount == 0 && surface != nullptr) surface->Unlock(nullptr);
  return true;
}

void DDImage::AttachSurface(IDirectDrawSurface* newSurface) {
  if (newSurface == nullptr) return;
  newSurface->AddRef();
  if (surface != nullptr) surface->Release();
  attached = true;
  surface = newSurface;
  DDSURFACEDESC desc;
  std::memset(&desc, 0, sizeof(desc));
  desc.dwSize = sizeof(desc);
  if (SUCCEEDED(surface->GetSurfaceDesc(&desc))) {
    width = static_cast<int32_t>(desc.dwWidth);
    height = static_cast<int32_t>(desc.dwHeight);
  }
  videoOnly = false;
}

uint32_t* DDImage::GetBits() {
  if (bits != nullptr) return bits.get();
  if (surface == nullptr) return MemoryImage::GetBits();
  if (videoOnly) return nullptr;
  size_t count = 0;
  if (!ImagePixelCount(width, height, count)) return nullptr;
  if (!LockSurface()) return nullptr;
  // A read-back is not a draw: the copies it makes must survive.
  const bool reached = surfaceReached_;
  bits.reset(new uint32_t[count + 1]);
  uint32_t* out = bits.get();
  out[count] = kBitsSentinel;
  const SurfaceView view(lockedDesc);
  const PixelUnpacker unpack(*display);

  // Pixels in the colour key were transparent when the surface was filled.
  DDCOLORKEY key{0, 0};
  const bool keyed = SUCCEEDED(surface->GetColorKey(DDCKEY_SRCBLT, &key));
  bool anyTransparent = false;
  for (int32_t y = 0; y < height; ++y) {
    uint32_t* row = out + static_cast<size_t>(y) * static_cast<size_t>(width);
    if (view.bitCount == 16) {
      const uint16_t* in = view.Row16(y);
      const uint16_t k = static_cast<uint16_t>(key.dwColorSpaceLowValue);
      for (int32_t x = 0; x < width; ++x) {
        if (keyed && in[x] == k) {
          row[x] = 0;
          anyTransparent = true;
        } else {
          row[x] = unpack(in[x]);
        }
      }
    } else if (view.bitCount == 32) {
      const uint32_t* in = view.Row32(y);
      const uint32_t k = key.dwColorSpaceLowValue & 0xFFFFFFu;
      for (int32_t x = 0; x < width; ++x) {
        if (keyed && (in[x] & 0xFFFFFFu) == k) {
          row[x] = 0;
          anyTransparent = true;
        } else {
          row[x] = unpack(in[x]);
        }
      }
    } else {
      std::memset(row, 0, static_cast<size_t>(width) * sizeof(uint32_t));
    }
  }
  UnlockSurface();
  surfaceReached_ = reached;
  if (keyed && !alphaFlagsForced) {
    hasTransparency = anyTransparent;
    hasPartialAlpha = false;
  }
  return out;
}

void DDImage::DiscardBits() {
  if (attached) return;
  discardWanted = true;
  ScanAlpha();
  if (host->Is3DOn()) {
    if (surface != nullptr) {
      GetBits();
      DeleteSurface();
    }
    MemoryImage::DiscardBits();
    return;
  }
  if (surfaceWanted && CreateSurface()) {
    bits.reset();
    indices.reset();
    palette.reset();
    return;
  }
  MemoryImage::DiscardBits();
}

void DDImage::ApplyStorageOptions() {
  MemoryImage::ApplyStorageOptions();
  if (surfaceWanted) CreateSurface();
}

void DDImage::DropAllCaches() {
  if (attached) return;
  MemoryImage::DropAllCaches();
  DeleteSurface();
}

void DDImage::DropDisplayCaches() {
  if (attached) return;
  MemoryImage::DropDisplayCaches();
  DeleteSurface();
}

void DDImage::NoteBitsChanged() {
  MemoryImage::NoteBitsChanged();
  if (surface != nullptr) {
    if (lockCount > 0) surface->Unlock(nullptr);
    surface->Release();
    surface = nullptr;
    lockCount = 0;
  }
}

void DDImage::ScanAlpha() {
  if (surface == nullptr) MemoryImage::ScanAlpha();
}

bool DDImage::CreateBlank(int32_t newWidth, int32_t newHeight) {
  size_t count = 0;
  if (!ImagePixelCount(newWidth, newHeight, count)) return false;
  bits.reset();
  width = newWidth;
  height = newHeight;
  NoteBitsChanged();
  return true;
}

bool DDImage::ConvertToPalette() {
  if (surface != nullptr && bits == nullptr && GetBits() == nullptr) return false;
  if (!MemoryImage::ConvertToPalette()) return false;
  if (surface != nullptr && !attached) {
    surface->Release();
    surface = nullptr;
    lockCount = 0;
  }
  return true;
}

void DDImage::SetVideoMemory(bool on) {
  if (on == videoMemory) return;
  videoMemory = on;
  GetBits();
  DeleteSurface();
}

void DDImage::PrepareColorKeySurface() {
  if (!CreateSurface() || videoOnly || !hasTransparency || !firstPixelKey) return;
  if (display == nullptr || display->primarySurface == nullptr) return;
  DDSURFACEDESC format;
  std::memset(&format, 0, sizeof(format));
  format.dwSize = sizeof(format);
  format.dwFlags = DDSD_PIXELFORMAT | DDSD_HEIGHT | DDSD_WIDTH;
  if (FAILED(display->primarySurface->GetSurfaceDesc(&format))) return;
  const DWORD bitCount = format.ddpfPixelFormat.dwRGBBitCount;
  if (bitCount != 16 && bitCount != 24 && bitCount != 32) return;
  if (!LockSurface()) return;
  const bool reached = surfaceReached_;
  uint32_t key = 0;
  if (bitCount == 16) {
    uint16_t first = 0;
    std::memcpy(&first, lockedDesc.lpSurface, sizeof(first));
    key = first;
  } else {
    std::memcpy(&key, lockedDesc.lpSurface, sizeof(key));
  }
  DDCOLORKEY ck{key, key};
  surface->SetColorKey(DDCKEY_SRCBLT, &ck);
  UnlockSurface();
  surfaceReached_ = reached;
}

}  // namespace Kivo
