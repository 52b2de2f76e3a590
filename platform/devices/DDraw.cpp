// The DirectDraw stand-in over plain memory (see DDraw.h).
#include "platform/devices/DDraw.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include <unistd.h>

bool operator==(const GUID& a, const GUID& b) {
  return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3 &&
         std::memcmp(a.Data4, b.Data4, sizeof(a.Data4)) == 0;
}

// Our own interface ids: one family number, the interface in Data1's low bits.
const GUID IID_IUnknown = {0x4B490000u, 0x0DD7, 0x0001, {0x4B, 0x49, 0x56, 0x4F, 0, 0, 0, 0}};
const GUID IID_IDirectDraw = {0x4B490001u, 0x0DD7, 0x0001, {0x4B, 0x49, 0x56, 0x4F, 0, 0, 0, 1}};
const GUID IID_IDirectDraw7 = {0x4B490007u, 0x0DD7, 0x0001, {0x4B, 0x49, 0x56, 0x4F, 0, 0, 0, 7}};
const GUID IID_IDirectDrawSurface = {0x4B490101u, 0x0DD7, 0x0001, {0x4B, 0x49, 0x56, 0x4F, 0, 0, 1, 1}};
const GUID IID_IDirectDrawSurface7 = {0x4B490107u, 0x0DD7, 0x0001, {0x4B, 0x49, 0x56, 0x4F, 0, 0, 1, 7}};
const GUID IID_IDirectDrawClipper = {0x4B490201u, 0x0DD7, 0x0001, {0x4B, 0x49, 0x56, 0x4F, 0, 0, 2, 1}};
const GUID IID_IDirect3D7 = {0x4B490307u, 0x0DD7, 0x0001, {0x4B, 0x49, 0x56, 0x4F, 0, 0, 3, 7}};
const GUID IID_IDirectDrawPalette = {0x4B490401u, 0x0DD7, 0x0001, {0x4B, 0x49, 0x56, 0x4F, 0, 0, 4, 1}};

// The Direct3D object of a DirectDraw object (platform/D3D.cpp).
HRESULT CreateDirect3DForDirectDraw(IDirectDraw7* directDraw, void** out);

namespace DDrawStandIn {
namespace {

constexpr int kMaxSurfaceSide = 16384;
constexpr std::uint8_t kFreshSurfaceByte = 0xCD;

int BytesOf(Format format) {
  switch (format) {
    case Format::kRGB888:
    case Format::kBGR888:
    case Format::kARGB8888: return 4;
    case Format::kRGB565:
    case Format::kRGB555:
    case Format::kARGB4444: return 2;
    case Format::kRGB24: return 3;
    case Format::kPalette8: return 1;
  }
  return 4;
}

// Pixel storage of a surface; the primary surfaces share the desktop's.
struct Buffer {
  std::vector<std::uint8_t> data;
  int width = 0;
  int height = 0;
  int pitch = 0;
  Format format = Format::kRGB888;

  void Allocate(int w, int h, Format f) {
    width = w;
    height = h;
    format = f;
    pitch = w * BytesOf(f) + kPitchPadding;
    data.assign(static_cast<size_t>(pitch) * static_cast<size_t>(h) + 1, kFreshSurfaceByte);
  }
  std::uint8_t* Row(int y) { return data.data() + static_cast<size_t>(y) * static_cast<size_t>(pitch); }
};

std::uint32_t ReadRaw(const std::uint8_t* p, int bytes) {
  switch (bytes) {
    case 4: {
      std::uint32_t v;
      std::memcpy(&v, p, 4);
      return v;
    }
    case 2: {
      std::uint16_t v;
      std::memcpy(&v, p, 2);
      return v;
    }
    case 3:
      return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
             static_cast<std::uint32_t>(p[2]) << 16;
    default: return p[0];
  }
}

void WriteRaw(std::uint8_t* p, int bytes, std::uint32_t v) {
  switch (bytes) {
    case 4: std::memcpy(p, &v, 4); break;
    case 2: {
      const std::uint16_t w = static_cast<std::uint16_t>(v);
      std::memcpy(p, &w, 2);
      break;
    }
    case 3:
      p[0] = static_cast<std::uint8_t>(v);
      p[1] = static_cast<std::uint8_t>(v >> 8);
      p[2] = static_cast<std::uint8_t>(v >> 16);
      break;
    default: p[0] = static_cast<std::uint8_t>(v);
  }
}

// Where one channel sits in a raw pixel. Found once per format and reused
// for every pixel of a frame: finding it per pixel made presents the
// slowest part of a headless run.
struct Channel {
  explicit Channel(std::uint32_t channelMask) : mask(channelMask) {
    if (mask == 0) return;
    while (((mask >> shift) & 1u) == 0) ++shift;
    while (shift + bits < 32 && ((mask >> (shift + bits)) & 1u) != 0) ++bits;
  }
  // The channel widened to 8 bits (top bits repeated below).
  std::uint32_t Widen(std::uint32_t raw) const {
    if (mask == 0) return 0;
    std::uint32_t v = (raw & mask) >> shift;
    if (bits >= 8) return v >> (bits - 8);
    std::uint32_t out = 0;
    int filled = 0;
    while (filled < 8) {
      out = (out << bits) | v;
      filled += bits;
    }
    return out >> (filled - 8);
  }
  std::uint32_t mask;
  int shift = 0;
  int bits = 0;
};

// Raw pixels of one format to opaque A8R8G8B8.
class ArgbReader {
 public:
  explicit ArgbReader(Format format)
      : mIsPalette(format == Format::kPalette8),
        mRed(PixelFormatOf(format).dwRBitMask),
        mGreen(PixelFormatOf(format).dwGBitMask),
        mBlue(PixelFormatOf(format).dwBBitMask) {}
  std::uint32_t operator()(std::uint32_t raw) const {
    if (mIsPalette) return 0xFF000000u | raw * 0x010101u;
    return 0xFF000000u | mRed.Widen(raw) << 16 | mGreen.Widen(raw) << 8 | mBlue.Widen(raw);
  }

 private:
  bool mIsPalette;
  Channel mRed, mGreen, mBlue;
};

std::uint32_t Narrow(std::uint32_t byte, std::uint32_t mask) {
  if (mask == 0) return 0;
  int shift = 0;
  while (((mask >> shift) & 1u) == 0) ++shift;
  int bits = 0;
  while (shift + bits < 32 && ((mask >> (shift + bits)) & 1u) != 0) ++bits;
  const std::uint32_t v = bits >= 8 ? byte << (bits - 8) : byte >> (8 - bits);
  return (v << shift) & mask;
}

std::uint32_t ToArgb(std::uint32_t raw, Format format) { return ArgbReader(format)(raw); }

}  // namespace

// The plain conversion of a row: one pixel at a time through the format's
// channel masks. The fast row converter below must give the same pixels.
void ConvertRowToArgbReference(const std::uint8_t* row, int width, Format format, std::uint32_t* out) {
  const int bytes = BytesOf(format);
  const ArgbReader toArgb(format);
  for (int x = 0; x < width; ++x) out[x] = toArgb(ReadRaw(row + x * bytes, bytes));
}

RowToArgb::RowToArgb(Format format) : mFormat(format) {
  if (BytesOf(format) != 2) return;
  const ArgbReader toArgb(format);
  mTable.resize(65536);
  for (std::uint32_t raw = 0; raw < 65536; ++raw) mTable[raw] = toArgb(raw);
}

// Presents convert every pixel of every frame; a headless game run spent
// most of its time here. 32-bit desktops with red high only gain an opaque
// alpha; 16-bit ones go through a table of all 65536 values made once.
void RowToArgb::Convert(const std::uint8_t* row, int width, std::uint32_t* out) const {
  if (mFormat == Format::kRGB888) {
    std::memcpy(out, row, static_cast<size_t>(width) * 4);
    for (int x = 0; x < width; ++x) out[x] |= 0xFF000000u;
    return;
  }
  if (!mTable.empty()) {
    for (int x = 0; x < width; ++x) {
      std::uint16_t raw;
      std::memcpy(&raw, row + 2 * x, 2);
      out[x] = mTable[raw];
    }
    return;
  }
  ConvertRowToArgbReference(row, width, mFormat, out);
}

namespace {

std::uint32_t FromArgb(std::uint32_t argb, Format format) {
  if (format == Format::kPalette8) return (argb >> 8) & 0xFF;
  const DDPIXELFORMAT pf = PixelFormatOf(format);
  return Narrow((argb >> 16) & 0xFF, pf.dwRBitMask) | Narrow((argb >> 8) & 0xFF, pf.dwGBitMask) |
         Narrow(argb & 0xFF, pf.dwBBitMask);
}

// The built-in host: no windows, nothing shown.
class QuietHost : public WindowHost {
 public:
  bool ClientArea(HWND, RECT*) override { return false; }
  void Present(HWND, const std::uint32_t*, int, int, int) override {}
  void SetFullScreen(HWND, bool, int, int) override {}
  bool MoveClientArea(HWND, const RECT&) override { return false; }
};

struct World {
  std::recursive_mutex mutex;
  Machine machine;
  Faults faults;
  QuietHost quietHost;
  WindowHost* host = &quietHost;
  std::shared_ptr<Buffer> desktop = std::make_shared<Buffer>();
  std::vector<std::uint32_t> presentFrame;
  std::unique_ptr<RowToArgb> presentConverter;
  bool modeSet = false;
  HWND exclusiveWindow = nullptr;
  const void* modeOwner = nullptr;
  HWND dirtyWindow = nullptr;
  bool dirty = false;
  std::thread::id mainThread = std::this_thread::get_id();
  std::atomic<int> liveDirectDraw{0};
  std::atomic<int> liveSurfaces{0};
  std::atomic<int> liveClippers{0};
  std::atomic<int> livePalettes{0};

  World() { desktop->Allocate(machine.desktopWidth, machine.desktopHeight, machine.desktopFormat); }
};

World& TheWorld() {
  static World* world = new World();  // outlives every surface released at exit
  return *world;
}

Format FormatForDepth(DWORD bitsPerPixel) {
  const Machine& m = TheWorld().machine;
  switch (bitsPerPixel) {
    case 16: return m.sixteenBitFormat;
    case 24: return Format::kRGB24;
    case 8: return Format::kPalette8;
    default: return m.desktopFormat == Format::kBGR888 ? Format::kBGR888 : Format::kRGB888;
  }
}

bool FormatFromPixelFormat(const DDPIXELFORMAT& pf, Format* out) {
  if ((pf.dwFlags & DDPF_ALPHAPIXELS) != 0) {
    for (Format f : {Format::kARGB8888, Format::kARGB4444}) {
      const DDPIXELFORMAT k = PixelFormatOf(f);
      if (k.dwRGBBitCount == pf.dwRGBBitCount && k.dwRBitMask == pf.dwRBitMask && k.dwGBitMask == pf.dwGBitMask &&
          k.dwBBitMask == pf.dwBBitMask && k.dwRGBAlphaBitMask == pf.dwRGBAlphaBitMask) {
        *out = f;
        return true;
      }
    }
    return false;
  }
  for (Format f :
       {Format::kRGB888, Format::kBGR888, Format::kRGB565, Format::kRGB555, Format::kRGB24, Format::kPalette8}) {
    const DDPIXELFORMAT k = PixelFormatOf(f);
    if (k.dwRGBBitCount == pf.dwRGBBitCount && k.dwRBitMask == pf.dwRBitMask && k.dwGBitMask == pf.dwGBitMask &&
        k.dwBBitMask == pf.dwBBitMask) {
      *out = f;
      return true;
    }
  }
  return false;
}

class Clipper final : public IDirectDrawClipper {
 public:
  Clipper() { ++TheWorld().liveClippers; }
  HRESULT QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return DDERR_INVALIDPARAMS;
    if (iid == IID_IDirectDrawClipper || iid == IID_IUnknown) {
      AddRef();
      *out = static_cast<IDirectDrawClipper*>(this);
      return DD_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return static_cast<ULONG>(++mRefs); }
  ULONG Release() override {
    const int left = --mRefs;
    if (left == 0) {
      --TheWorld().liveClippers;
      delete this;
    }
    return static_cast<ULONG>(left);
  }
  HRESULT SetHWnd(DWORD, HWND window) override {
    mWindow.store(window);
    return DD_OK;
  }
  HRESULT GetHWnd(HWND* window) override {
    if (window == nullptr) return DDERR_INVALIDPARAMS;
    *window = mWindow.load();
    return DD_OK;
  }
  HWND Window() const { return mWindow.load(); }

 private:
  ~Clipper() = default;
  std::atomic<int> mRefs{1};
  std::atomic<HWND> mWindow{nullptr};
};

std::atomic<std::uint64_t> gNextSerial{1};

class Palette final : public IDirectDrawPalette {
 public:
  Palette(const PALETTEENTRY* entries) : mSerial(gNextSerial++) {
    std::memcpy(mEntries, entries, sizeof(mEntries));
    Rebuild();
    ++TheWorld().livePalettes;
  }
  HRESULT QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return DDERR_INVALIDPARAMS;
    if (iid == IID_IDirectDrawPalette || iid == IID_IUnknown) {
      AddRef();
      *out = static_cast<IDirectDrawPalette*>(this);
      return DD_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return static_cast<ULONG>(++mRefs); }
  ULONG Release() override {
    const int left = --mRefs;
    if (left == 0) {
      --TheWorld().livePalettes;
      delete this;
    }
    return static_cast<ULONG>(left);
  }
  HRESULT GetEntries(DWORD, DWORD base, DWORD count, PALETTEENTRY* entries) override {
    if (entries == nullptr || base > 256 || count > 256 - base) return DDERR_INVALIDPARAMS;
    std::lock_guard<std::mutex> guard(mMutex);
    std::memcpy(entries, mEntries + base, count * sizeof(PALETTEENTRY));
    return DD_OK;
  }
  HRESULT SetEntries(DWORD, DWORD start, DWORD count, PALETTEENTRY* entries) override {
    if (entries == nullptr || start > 256 || count > 256 - start) return DDERR_INVALIDPARAMS;
    std::lock_guard<std::mutex> guard(mMutex);
    std::memcpy(mEntries + start, entries, count * sizeof(PALETTEENTRY));
    Rebuild();
    return DD_OK;
  }
  const std::uint32_t* Argb() const { return mArgb; }
  std::uint64_t Version() const { return mSerial << 20 ^ mVersion; }

 private:
  ~Palette() = default;
  void Rebuild() {
    for (int i = 0; i < 256; ++i)
      mArgb[i] = static_cast<std::uint32_t>(mEntries[i].peFlags) << 24 |
                 static_cast<std::uint32_t>(mEntries[i].peRed) << 16 |
                 static_cast<std::uint32_t>(mEntries[i].peGreen) << 8 | mEntries[i].peBlue;
    ++mVersion;
  }
  std::atomic<int> mRefs{1};
  std::mutex mMutex;
  PALETTEENTRY mEntries[256];
  std::uint32_t mArgb[256];
  std::uint64_t mSerial;
  std::uint64_t mVersion = 0;
};

class Surface;
void MarkPrimaryWritten(Surface* surface);

class Surface final : public IDirectDrawSurface, public IDirectDrawSurface7 {
 public:
  Surface(std::shared_ptr<Buffer> buffer, DWORD caps, bool primary)
      : mBuffer(std::move(buffer)), mCaps(caps), mPrimary(primary), mSerial(gNextSerial++) {
    ++TheWorld().liveSurfaces;
  }

  // IUnknown, shared by both interfaces.
  HRESULT QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return DDERR_INVALIDPARAMS;
    if (iid == IID_IDirectDrawSurface || iid == IID_IUnknown) {
      if (TheWorld().faults.querySurface != 0) {
        *out = nullptr;
        return TheWorld().faults.querySurface;
      }
      AddRef();
      *out = static_cast<IDirectDrawSurface*>(this);
      return DD_OK;
    }
    if (iid == IID_IDirectDrawSurface7) {
      if (TheWorld().faults.querySurface7 != 0) {
        *out = nullptr;
        return TheWorld().faults.querySurface7;
      }
      AddRef();
      *out = static_cast<IDirectDrawSurface7*>(this);
      return DD_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return static_cast<ULONG>(++mRefs); }
  ULONG Release() override {
    const int left = --mRefs;
    if (left == 0) {
      if (mBack != nullptr) static_cast<IDirectDrawSurface*>(mBack)->Release();
      if (mClipper != nullptr) mClipper->Release();
      if (mPalette != nullptr) mPalette->Release();
      --TheWorld().liveSurfaces;
      delete this;
    }
    return static_cast<ULONG>(left);
  }

  // Old interface.
  HRESULT Blt(RECT* destRect, IDirectDrawSurface* source, RECT* sourceRect, DWORD flags, DDBLTFX* fx) override {
    return BltFrom(destRect, source != nullptr ? static_cast<Surface*>(source) : nullptr, sourceRect, flags, fx);
  }
  HRESULT Flip(IDirectDrawSurface*, DWORD) override { return DoFlip(); }
  HRESULT GetAttachedSurface(DDSCAPS* caps, IDirectDrawSurface** out) override {
    if (caps == nullptr || out == nullptr) return DDERR_INVALIDPARAMS;
    Surface* s = nullptr;
    const HRESULT hr = Attached(caps->dwCaps, &s);
    *out = s;
    return hr;
  }
  HRESULT GetSurfaceDesc(DDSURFACEDESC* desc) override {
    if (desc == nullptr || desc->dwSize != sizeof(DDSURFACEDESC)) return DDERR_INVALIDPARAMS;
    Describe(desc, nullptr);
    return DD_OK;
  }
  HRESULT Lock(RECT* rect, DDSURFACEDESC* desc, DWORD flags, HANDLE) override {
    if (desc == nullptr || desc->dwSize != sizeof(DDSURFACEDESC)) return DDERR_INVALIDPARAMS;
    void* pixels = nullptr;
    const HRESULT hr = DoLock(rect, flags, &pixels);
    if (FAILED(hr)) return hr;
    Describe(desc, pixels);
    return DD_OK;
  }

  // Version 7 interface.
  HRESULT Blt(RECT* destRect, IDirectDrawSurface7* source, RECT* sourceRect, DWORD flags, DDBLTFX* fx) override {
    return BltFrom(destRect, source != nullptr ? static_cast<Surface*>(source) : nullptr, sourceRect, flags, fx);
  }
  HRESULT Flip(IDirectDrawSurface7*, DWORD) override { return DoFlip(); }
  HRESULT GetAttachedSurface(DDSCAPS2* caps, IDirectDrawSurface7** out) override {
    if (caps == nullptr || out == nullptr) return DDERR_INVALIDPARAMS;
    Surface* s = nullptr;
    const HRESULT hr = Attached(caps->dwCaps, &s);
    *out = s;
    return hr;
  }
  HRESULT GetSurfaceDesc(DDSURFACEDESC2* desc) override {
    if (desc == nullptr || desc->dwSize != sizeof(DDSURFACEDESC2)) return DDERR_INVALIDPARAMS;
    Describe2(desc, nullptr);
    return DD_OK;
  }
  HRESULT Lock(RECT* rect, DDSURFACEDESC2* desc, DWORD flags, HANDLE) override {
    if (desc == nullptr || desc->dwSize != sizeof(DDSURFACEDESC2)) return DDERR_INVALIDPARAMS;
    void* pixels = nullptr;
    const HRESULT hr = DoLock(rect, flags, &pixels);
    if (FAILED(hr)) return hr;
    Describe2(desc, pixels);
    return DD_OK;
  }

  // Shared by both.
  HRESULT Unlock(void*) override {
    {
      std::lock_guard<std::mutex> guard(mLockMutex);
      if (!mLocked) return DDERR_NOTLOCKED;
      mLocked = false;
    }
    if (mPrimary && !mLockReadOnly) MarkPrimaryWritten(this);
    return DD_OK;
  }
  HRESULT SetColorKey(DWORD flags, DDCOLORKEY* key) override {
    if ((flags & DDCKEY_SRCBLT) == 0) return DDERR_UNSUPPORTED;
    std::lock_guard<std::mutex> guard(mLockMutex);
    if (key == nullptr) {
      mHasKey = false;
      return DD_OK;
    }
    mKey = *key;
    mHasKey = true;
    return DD_OK;
  }
  HRESULT GetColorKey(DWORD flags, DDCOLORKEY* key) override {
    if ((flags & DDCKEY_SRCBLT) == 0 || key == nullptr) return DDERR_INVALIDPARAMS;
    std::lock_guard<std::mutex> guard(mLockMutex);
    if (!mHasKey) return DDERR_NOCOLORKEY;
    *key = mKey;
    return DD_OK;
  }
  HRESULT SetClipper(IDirectDrawClipper* clipper) override {
    std::lock_guard<std::recursive_mutex> guard(TheWorld().mutex);
    if (clipper != nullptr) clipper->AddRef();
    if (mClipper != nullptr) mClipper->Release();
    mClipper = static_cast<Clipper*>(clipper);
    return DD_OK;
  }
  HRESULT IsLost() override { return TheWorld().faults.surfacesLost ? DDERR_SURFACELOST : DD_OK; }
  HRESULT Restore() override { return DD_OK; }
  HRESULT SetPalette(IDirectDrawPalette* palette) override {
    std::lock_guard<std::recursive_mutex> guard(TheWorld().mutex);
    if (mBuffer->format != Format::kPalette8) return DDERR_NOTPALETTIZED;
    if (palette != nullptr) palette->AddRef();
    if (mPalette != nullptr) mPalette->Release();
    mPalette = static_cast<Palette*>(palette);
    ++mVersion;
    return DD_OK;
  }
  HRESULT GetPalette(IDirectDrawPalette** palette) override {
    if (palette == nullptr) return DDERR_INVALIDPARAMS;
    std::lock_guard<std::recursive_mutex> guard(TheWorld().mutex);
    *palette = mPalette;
    if (mPalette == nullptr) return DDERR_NOPALETTEATTACHED;
    mPalette->AddRef();
    return DD_OK;
  }

  void View(SurfaceView* view) {
    std::lock_guard<std::recursive_mutex> guard(TheWorld().mutex);
    Buffer& b = *mBuffer;
    view->pixels = b.Row(0);
    view->width = b.width;
    view->height = b.height;
    view->pitch = b.pitch;
    view->format = b.format;
    view->caps = mCaps;
    view->serial = mSerial;
    view->version = mVersion.load();
    view->palette = mPalette != nullptr ? mPalette->Argb() : nullptr;
    view->paletteVersion = mPalette != nullptr ? mPalette->Version() : 0;
  }
  void NoteWritten() {
    ++mVersion;
    if (mPrimary) MarkPrimaryWritten(this);
  }

  void AttachBackBuffer(Surface* back) { mBack = back; }
  bool IsPrimary() const { return mPrimary; }
  Clipper* GetClipperObject() const { return mClipper; }

 private:
  ~Surface() = default;

  HRESULT Attached(DWORD caps, Surface** out) {
    *out = nullptr;
    if (TheWorld().faults.getAttachedSurface != 0) return TheWorld().faults.getAttachedSurface;
    if ((caps & DDSCAPS_BACKBUFFER) == 0 || mBack == nullptr) return DDERR_NOTFOUND;
    static_cast<IDirectDrawSurface*>(mBack)->AddRef();
    *out = mBack;
    return DD_OK;
  }

  template <typename Desc>
  void FillCommon(Desc* desc, void* pixels) {
    std::lock_guard<std::recursive_mutex> guard(TheWorld().mutex);
    desc->dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT;
    desc->dwWidth = static_cast<DWORD>(mBuffer->width);
    desc->dwHeight = static_cast<DWORD>(mBuffer->height);
    desc->lPitch = mBuffer->pitch;
    desc->dwBackBufferCount = mBack != nullptr ? 1 : 0;
    desc->lpSurface = pixels;
    if (pixels != nullptr) desc->dwFlags |= DDSD_LPSURFACE;
    desc->ddpfPixelFormat = PixelFormatOf(mBuffer->format);
    std::lock_guard<std::mutex> keyGuard(mLockMutex);
    if (mHasKey) {
      desc->dwFlags |= DDSD_CKSRCBLT;
      desc->ddckCKSrcBlt = mKey;
    }
  }
  void Describe(DDSURFACEDESC* desc, void* pixels) {
    std::memset(reinterpret_cast<char*>(desc) + sizeof(DWORD), 0, sizeof(*desc) - sizeof(DWORD));
    FillCommon(desc, pixels);
    desc->ddsCaps.dwCaps = mCaps;
  }
  void Describe2(DDSURFACEDESC2* desc, void* pixels) {
    std::memset(reinterpret_cast<char*>(desc) + sizeof(DWORD), 0, sizeof(*desc) - sizeof(DWORD));
    FillCommon(desc, pixels);
    desc->ddsCaps.dwCaps = mCaps;
  }

  HRESULT DoLock(RECT* rect, DWORD flags, void** pixels) {
    World& w = TheWorld();
    if (w.faults.surfacesLost) return DDERR_SURFACELOST;
    if (w.faults.lock != 0) return w.faults.lock;
    std::lock_guard<std::recursive_mutex> guard(w.mutex);
    Buffer& b = *mBuffer;
    int x = 0;
    int y = 0;
    if (rect != nullptr) {
      if (rect->left < 0 || rect->top < 0 || rect->right > b.width || rect->bottom > b.height ||
          rect->left >= rect->right || rect->top >= rect->bottom)
        return DDERR_INVALIDRECT;
      x = rect->left;
      y = rect->top;
    }
    std::lock_guard<std::mutex> lockGuard(mLockMutex);
    if (mLocked) return DDERR_SURFACEBUSY;
    mLocked = true;
    mLockReadOnly = (flags & DDLOCK_READONLY) != 0;
    if (!mLockReadOnly) ++mVersion;
    *pixels = b.Row(y) + static_cast<size_t>(x) * static_cast<size_t>(BytesOf(b.format));
    return DD_OK;
  }

  bool Locked() {
    std::lock_guard<std::mutex> guard(mLockMutex);
    return mLocked;
  }

  HRESULT DoFlip() {
    World& w = TheWorld();
    if (w.faults.surfacesLost) return DDERR_SURFACELOST;
    if (w.faults.flip != 0) return w.faults.flip;
    std::lock_guard<std::recursive_mutex> guard(w.mutex);
    if (!mPrimary || mBack == nullptr) return DDERR_NOTFLIPPABLE;
    if (Locked() || mBack->Locked()) return DDERR_SURFACEBUSY;
    std::swap(mBuffer->data, mBack->mBuffer->data);
    ++mVersion;
    ++mBack->mVersion;
    MarkPrimaryWritten(this);
    return DD_OK;
  }

  HRESULT BltFrom(RECT* destRect, Surface* source, RECT* sourceRect, DWORD flags, DDBLTFX* fx);

  std::atomic<int> mRefs{1};
  std::shared_ptr<Buffer> mBuffer;
  DWORD mCaps;
  bool mPrimary;
  Surface* mBack = nullptr;
  Clipper* mClipper = nullptr;
  std::mutex mLockMutex;
  bool mLocked = false;
  bool mLockReadOnly = false;
  bool mHasKey = false;
  DDCOLORKEY mKey{0, 0};
  Palette* mPalette = nullptr;
  std::uint64_t mSerial;
  std::atomic<std::uint64_t> mVersion{0};

  friend void MarkPrimaryWritten(Surface* surface);
};

// Hands the written part of the desktop to the window host: the whole
// desktop in a display mode, else the client area of the clipper's window.
void PresentLocked(World& w, HWND window) {
  Buffer& d = *w.desktop;
  RECT area{0, 0, d.width, d.height};
  if (!w.modeSet) {
    if (window == nullptr || !w.host->ClientArea(window, &area)) return;
    area.left = std::max<LONG>(area.left, 0);
    area.top = std::max<LONG>(area.top, 0);
    area.right = std::min<LONG>(area.right, d.width);
    area.bottom = std::min<LONG>(area.bottom, d.height);
    if (area.right <= area.left || area.bottom <= area.top) return;
  }
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  // The frame and the converter live on between presents: a fresh frame
  // each time cost a page fault per 4 KiB.
  std::vector<std::uint32_t>& frame = w.presentFrame;
  frame.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
  if (w.presentConverter == nullptr || w.presentConverter->format() != d.format) {
    w.presentConverter = std::make_unique<RowToArgb>(d.format);
  }
  const int bytes = BytesOf(d.format);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* row = d.Row(area.top + y) + static_cast<size_t>(area.left) * static_cast<size_t>(bytes);
    w.presentConverter->Convert(row, width, frame.data() + static_cast<size_t>(y) * static_cast<size_t>(width));
  }
  w.host->Present(window, frame.data(), width, height, width);
}

void MarkPrimaryWritten(Surface* surface) {
  World& w = TheWorld();
  std::lock_guard<std::recursive_mutex> guard(w.mutex);
  HWND window = w.exclusiveWindow;
  if (surface->mClipper != nullptr && surface->mClipper->Window() != nullptr) window = surface->mClipper->Window();
  w.dirty = true;
  w.dirtyWindow = window;
  // Window systems answer only their main thread; other threads' writes wait
  // for the next main-thread write or PresentPending.
  if (std::this_thread::get_id() != w.mainThread) return;
  w.dirty = false;
  PresentLocked(w, window);
}

HRESULT Surface::BltFrom(RECT* destRect, Surface* source, RECT* sourceRect, DWORD flags, DDBLTFX* fx) {
  World& w = TheWorld();
  if (w.faults.surfacesLost) return DDERR_SURFACELOST;
  if (w.faults.blt != 0) return w.faults.blt;
  if (fx != nullptr && fx->dwSize != sizeof(DDBLTFX)) return DDERR_INVALIDPARAMS;
  std::lock_guard<std::recursive_mutex> guard(w.mutex);
  if (Locked() || (source != nullptr && source->Locked())) return DDERR_SURFACEBUSY;
  ++mVersion;

  Buffer& dst = *mBuffer;
  const RECT whole{0, 0, dst.width, dst.height};
  const RECT d = destRect != nullptr ? *destRect : whole;
  if (d.right <= d.left || d.bottom <= d.top) return DDERR_INVALIDRECT;

  // The area that may be written: the surface, narrowed to the client area
  // of the clipper's window. Without a clipper the rectangle must fit.
  RECT allowed = whole;
  // A full-screen window covers the whole desktop.
  if (mClipper != nullptr && mClipper->Window() != nullptr && !w.modeSet) {
    RECT client{};
    if (w.host->ClientArea(mClipper->Window(), &client)) {
      allowed.left = std::max(allowed.left, client.left);
      allowed.top = std::max(allowed.top, client.top);
      allowed.right = std::min(allowed.right, client.right);
      allowed.bottom = std::min(allowed.bottom, client.bottom);
    }
  } else if (mClipper == nullptr && (d.left < 0 || d.top < 0 || d.right > dst.width || d.bottom > dst.height)) {
    return DDERR_INVALIDRECT;
  }

  const int dBytes = BytesOf(dst.format);
  if ((flags & DDBLT_COLORFILL) != 0) {
    if (fx == nullptr) return DDERR_INVALIDPARAMS;
    for (LONG y = std::max(d.top, allowed.top); y < std::min(d.bottom, allowed.bottom); ++y)
      for (LONG x = std::max(d.left, allowed.left); x < std::min(d.right, allowed.right); ++x)
        WriteRaw(dst.Row(y) + x * dBytes, dBytes, fx->dwFillColor);
    if (mPrimary) MarkPrimaryWritten(this);
    return DD_OK;
  }
  if (source == nullptr) return DDERR_INVALIDPARAMS;

  Buffer& src = *source->mBuffer;
  const RECT sWhole{0, 0, src.width, src.height};
  const RECT s = sourceRect != nullptr ? *sourceRect : sWhole;
  if (s.right <= s.left || s.bottom <= s.top) return DDERR_INVALIDRECT;
  if (s.left < 0 || s.top < 0 || s.right > src.width || s.bottom > src.height) return DDERR_INVALIDRECT;

  bool keyed = false;
  std::uint32_t key = 0;
  std::uint32_t keyMask = 0;
  if ((flags & DDBLT_KEYSRC) != 0) {
    std::lock_guard<std::mutex> keyGuard(source->mLockMutex);
    if (!source->mHasKey) return DDERR_NOCOLORKEY;
    keyed = true;
    key = source->mKey.dwColorSpaceLowValue;
  }
  const int sBytes = BytesOf(src.format);
  // 32-bit keys compare the colour bits only; the top byte carries none.
  keyMask = sBytes == 4 ? 0x00FFFFFFu : (sBytes == 3 ? 0xFFFFFFu : (sBytes == 2 ? 0xFFFFu : 0xFFu));
  key &= keyMask;

  const int64_t dw = d.right - d.left;
  const int64_t dh = d.bottom - d.top;
  const int64_t sw = s.right - s.left;
  const int64_t sh = s.bottom - s.top;
  const LONG x0 = std::max(d.left, allowed.left);
  const LONG x1 = std::min(d.right, allowed.right);
  const LONG y0 = std::max(d.top, allowed.top);
  const LONG y1 = std::min(d.bottom, allowed.bottom);
  const bool sameFormat = src.format == dst.format;
  const bool unscaled = dw == sw && dh == sh;

  // A copy within one buffer reads a snapshot so overlapping areas come out
  // as a copy of the original picture.
  std::vector<std::uint8_t> snapshot;
  const std::uint8_t* srcBase = src.data.data();
  if (&src == &dst || src.data.data() == dst.data.data()) {
    snapshot = src.data;
    srcBase = snapshot.data();
  }
  auto srcRow = [&](int64_t y) { return srcBase + static_cast<size_t>(y) * static_cast<size_t>(src.pitch); };

  for (LONG y = y0; y < y1; ++y) {
    const int64_t sy = s.top + (y - d.top) * sh / dh;
    std::uint8_t* out = dst.Row(y);
    if (sameFormat && unscaled && !keyed) {
      const int64_t sx = s.left + (x0 - d.left);
      std::memcpy(out + static_cast<size_t>(x0) * dBytes, srcRow(sy) + sx * sBytes,
                  static_cast<size_t>(x1 - x0) * static_cast<size_t>(dBytes));
      continue;
    }
    for (LONG x = x0; x < x1; ++x) {
      const int64_t sx = s.left + (x - d.left) * sw / dw;
      const std::uint32_t raw = ReadRaw(srcRow(sy) + sx * sBytes, sBytes);
      if (keyed && (raw & keyMask) == key) continue;
      WriteRaw(out + static_cast<size_t>(x) * dBytes, dBytes,
               sameFormat ? raw : FromArgb(ToArgb(raw, src.format), dst.format));
    }
  }
  if (mPrimary) MarkPrimaryWritten(this);
  return DD_OK;
}

HRESULT CreateSurfaceCommon(const void* owner, DWORD flags, DWORD width, DWORD height, const DDPIXELFORMAT* format,
                            DWORD caps, DWORD backBuffers, Surface** out, DWORD caps2 = 0) {
  World& w = TheWorld();
  *out = nullptr;
  if ((flags & DDSD_CAPS) == 0) return DDERR_INVALIDCAPS;
  std::lock_guard<std::recursive_mutex> guard(w.mutex);
  if (w.faults.createSurface != 0 && (caps & w.faults.createSurfaceCaps) == w.faults.createSurfaceCaps) {
    if (w.faults.createSurfaceSkip <= 0) return w.faults.createSurface;
    --w.faults.createSurfaceSkip;
  }

  if ((caps & DDSCAPS_PRIMARYSURFACE) != 0) {
    Surface* primary = new Surface(w.desktop, caps | DDSCAPS_FRONTBUFFER, true);
    if ((caps & DDSCAPS_FLIP) != 0) {
      if ((caps & DDSCAPS_COMPLEX) == 0 || (flags & DDSD_BACKBUFFERCOUNT) == 0 || backBuffers != 1) {
        primary->Release();
        return DDERR_INVALIDCAPS;
      }
      if (w.exclusiveWindow == nullptr || w.modeOwner != owner) {
        primary->Release();
        return DDERR_NOEXCLUSIVEMODE;
      }
      auto backBuffer = std::make_shared<Buffer>();
      backBuffer->Allocate(w.desktop->width, w.desktop->height, w.desktop->format);
      primary->AttachBackBuffer(new Surface(backBuffer, DDSCAPS_BACKBUFFER | (caps & DDSCAPS_3DDEVICE), false));
    }
    *out = primary;
    return DD_OK;
  }

  // Off-screen: OFFSCREENPLAIN, or a memory kind alone.
  if ((flags & (DDSD_WIDTH | DDSD_HEIGHT)) != (DDSD_WIDTH | DDSD_HEIGHT) || width == 0 || height == 0)
    return DDERR_INVALIDPARAMS;
  if (width > static_cast<DWORD>(kMaxSurfaceSide) || height > static_cast<DWORD>(kMaxSurfaceSide))
    return DDERR_TOOBIGSIZE;
  if ((caps & (DDSCAPS_SYSTEMMEMORY | DDSCAPS_VIDEOMEMORY)) == (DDSCAPS_SYSTEMMEMORY | DDSCAPS_VIDEOMEMORY))
    return DDERR_INVALIDCAPS;
  Format f = w.desktop->format;
  if ((flags & DDSD_PIXELFORMAT) != 0 && format != nullptr && !FormatFromPixelFormat(*format, &f))
    return DDERR_INVALIDPIXELFORMAT;
  // Textures come in their own formats (managed or not, the stand-in keeps
  // every surface in memory); the alpha formats exist only for them.
  const bool texture = (caps & DDSCAPS_TEXTURE) != 0;
  (void)caps2;
  if (texture) {
    if ((flags & DDSD_PIXELFORMAT) == 0 || format == nullptr) return DDERR_INVALIDPIXELFORMAT;
    if (f != Format::kARGB8888 && f != Format::kARGB4444 && f != Format::kRGB565 && f != Format::kPalette8)
      return DDERR_INVALIDPIXELFORMAT;
  } else if (f == Format::kARGB8888 || f == Format::kARGB4444) {
    return DDERR_INVALIDPIXELFORMAT;
  }
  auto buffer = std::make_shared<Buffer>();
  buffer->Allocate(static_cast<int>(width), static_cast<int>(height), f);
  DWORD finalCaps = texture ? caps : caps | DDSCAPS_OFFSCREENPLAIN;
  if ((caps & DDSCAPS_VIDEOMEMORY) == 0) finalCaps |= DDSCAPS_SYSTEMMEMORY;
  *out = new Surface(buffer, finalCaps, false);
  return DD_OK;
}

void RestoreModeLocked(World& w) {
  if (!w.modeSet) return;
  w.modeSet = false;
  w.desktop->Allocate(w.machine.desktopWidth, w.machine.desktopHeight, w.machine.desktopFormat);
  w.host->SetFullScreen(w.exclusiveWindow, false, w.desktop->width, w.desktop->height);
}

class DirectDrawObject final : public IDirectDraw, public IDirectDraw7 {
 public:
  DirectDrawObject() { ++TheWorld().liveDirectDraw; }

  HRESULT QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return DDERR_INVALIDPARAMS;
    *out = nullptr;
    if (iid == IID_IDirectDraw || iid == IID_IUnknown) {
      if (TheWorld().faults.queryDirectDraw != 0) return TheWorld().faults.queryDirectDraw;
      AddRef();
      *out = static_cast<IDirectDraw*>(this);
      return DD_OK;
    }
    if (iid == IID_IDirectDraw7) {
      AddRef();
      *out = static_cast<IDirectDraw7*>(this);
      return DD_OK;
    }
    if (iid == IID_IDirect3D7) return CreateDirect3DForDirectDraw(static_cast<IDirectDraw7*>(this), out);
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return static_cast<ULONG>(++mRefs); }
  ULONG Release() override {
    const int left = --mRefs;
    if (left == 0) {
      World& w = TheWorld();
      {
        std::lock_guard<std::recursive_mutex> guard(w.mutex);
        if (w.modeOwner == this) {
          RestoreModeLocked(w);
          w.exclusiveWindow = nullptr;
          w.modeOwner = nullptr;
        }
      }
      --w.liveDirectDraw;
      delete this;
    }
    return static_cast<ULONG>(left);
  }

  HRESULT CreateSurface(DDSURFACEDESC* desc, IDirectDrawSurface** out, IUnknown*) override {
    if (desc == nullptr || out == nullptr || desc->dwSize != sizeof(DDSURFACEDESC)) return DDERR_INVALIDPARAMS;
    Surface* s = nullptr;
    const HRESULT hr = CreateSurfaceCommon(this, desc->dwFlags, desc->dwWidth, desc->dwHeight, &desc->ddpfPixelFormat,
                                           desc->ddsCaps.dwCaps, desc->dwBackBufferCount, &s);
    *out = s;
    return hr;
  }
  HRESULT CreateSurface(DDSURFACEDESC2* desc, IDirectDrawSurface7** out, IUnknown*) override {
    if (desc == nullptr || out == nullptr || desc->dwSize != sizeof(DDSURFACEDESC2)) return DDERR_INVALIDPARAMS;
    Surface* s = nullptr;
    const HRESULT hr = CreateSurfaceCommon(this, desc->dwFlags, desc->dwWidth, desc->dwHeight, &desc->ddpfPixelFormat,
                                           desc->ddsCaps.dwCaps, desc->dwBackBufferCount, &s, desc->ddsCaps.dwCaps2);
    *out = s;
    return hr;
  }
  HRESULT CreatePalette(DWORD flags, PALETTEENTRY* entries, IDirectDrawPalette** out, IUnknown* outer) override {
    if (out == nullptr) return DDERR_INVALIDPARAMS;
    *out = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    if (entries == nullptr || (flags & (DDPCAPS_8BIT | DDPCAPS_ALLOW256)) != (DDPCAPS_8BIT | DDPCAPS_ALLOW256))
      return DDERR_INVALIDPARAMS;
    if (TheWorld().faults.createPalette != 0) return TheWorld().faults.createPalette;
    *out = new Palette(entries);
    return DD_OK;
  }
  HRESULT CreateClipper(DWORD, IDirectDrawClipper** out, IUnknown*) override {
    if (out == nullptr) return DDERR_INVALIDPARAMS;
    *out = nullptr;
    if (TheWorld().faults.createClipper != 0) return TheWorld().faults.createClipper;
    *out = new Clipper();
    return DD_OK;
  }
  HRESULT SetCooperativeLevel(HWND window, DWORD flags) override {
    World& w = TheWorld();
    std::lock_guard<std::recursive_mutex> guard(w.mutex);
    if ((flags & DDSCL_EXCLUSIVE) != 0) {
      if (w.faults.exclusiveLevel != 0) return w.faults.exclusiveLevel;
      if ((flags & DDSCL_FULLSCREEN) == 0 || window == nullptr) return DDERR_INVALIDPARAMS;
      if (w.modeOwner != nullptr && w.modeOwner != this) return DDERR_EXCLUSIVEMODEALREADYSET;
      w.exclusiveWindow = window;
      w.modeOwner = this;
      return DD_OK;
    }
    if ((flags & DDSCL_NORMAL) != 0) {
      if (w.modeOwner == this) {
        RestoreModeLocked(w);
        w.exclusiveWindow = nullptr;
        w.modeOwner = nullptr;
      }
      return DD_OK;
    }
    return DDERR_INVALIDPARAMS;
  }
  HRESULT SetDisplayMode(DWORD width, DWORD height, DWORD bitsPerPixel) override {
    World& w = TheWorld();
    if (w.faults.setDisplayMode != 0) return w.faults.setDisplayMode;
    if (width == 0 || height == 0 || width > 8192 || height > 8192) return DDERR_INVALIDMODE;
    if (bitsPerPixel != 8 && bitsPerPixel != 16 && bitsPerPixel != 24 && bitsPerPixel != 32) return DDERR_INVALIDMODE;
    std::lock_guard<std::recursive_mutex> guard(w.mutex);
    if (w.modeOwner != nullptr && w.modeOwner != this) return DDERR_NOEXCLUSIVEMODE;
    w.desktop->Allocate(static_cast<int>(width), static_cast<int>(height), FormatForDepth(bitsPerPixel));
    w.modeSet = true;
    w.host->SetFullScreen(w.exclusiveWindow, true, static_cast<int>(width), static_cast<int>(height));
    return DD_OK;
  }
  HRESULT SetDisplayMode(DWORD width, DWORD height, DWORD bitsPerPixel, DWORD, DWORD) override {
    return SetDisplayMode(width, height, bitsPerPixel);
  }
  HRESULT RestoreDisplayMode() override {
    World& w = TheWorld();
    std::lock_guard<std::recursive_mutex> guard(w.mutex);
    RestoreModeLocked(w);
    return DD_OK;
  }
  HRESULT FlipToGDISurface() override { return DD_OK; }
  HRESULT GetMonitorFrequency(DWORD* hertz) override {
    if (hertz == nullptr) return DDERR_INVALIDPARAMS;
    const Machine& m = TheWorld().machine;
    if (m.monitorFrequencyResult != 0) return m.monitorFrequencyResult;
    *hertz = m.monitorFrequency;
    return DD_OK;
  }
  HRESULT GetAvailableVidMem(DDSCAPS2*, DWORD* total, DWORD* free) override {
    const Machine& m = TheWorld().machine;
    if (total != nullptr) *total = m.videoMemoryTotal;
    if (free != nullptr) *free = m.videoMemoryFree;
    return DD_OK;
  }
  HRESULT GetDeviceIdentifier(DDDEVICEIDENTIFIER2* id, DWORD) override {
    if (id == nullptr) return DDERR_INVALIDPARAMS;
    const Machine& m = TheWorld().machine;
    if (m.deviceIdentifierResult != 0) return m.deviceIdentifierResult;
    std::memset(id, 0, sizeof(*id));
    std::string driver = m.driver;
    if (driver.empty()) {
      char self[512] = {};
      const ssize_t n = readlink("/proc/self/exe", self, sizeof(self) - 1);
      driver = n > 0 ? std::string(self, static_cast<size_t>(n)) : std::string("kivo-soft");
    }
    std::snprintf(id->szDriver, sizeof(id->szDriver), "%s", driver.c_str());
    std::snprintf(id->szDescription, sizeof(id->szDescription), "%s", m.description.c_str());
    id->dwVendorId = m.vendorId;
    id->dwDeviceId = m.deviceId;
    id->guidDeviceIdentifier = IID_IDirectDraw7;
    return DD_OK;
  }

 private:
  ~DirectDrawObject() = default;
  std::atomic<int> mRefs{1};
};

}  // namespace

DDPIXELFORMAT PixelFormatOf(Format format) {
  DDPIXELFORMAT pf{};
  pf.dwSize = sizeof(DDPIXELFORMAT);
  pf.dwFlags = DDPF_RGB;
  switch (format) {
    case Format::kRGB888:
      pf.dwRGBBitCount = 32;
      pf.dwRBitMask = 0xFF0000;
      pf.dwGBitMask = 0xFF00;
      pf.dwBBitMask = 0xFF;
      break;
    case Format::kBGR888:
      pf.dwRGBBitCount = 32;
      pf.dwRBitMask = 0xFF;
      pf.dwGBitMask = 0xFF00;
      pf.dwBBitMask = 0xFF0000;
      break;
    case Format::kRGB565:
      pf.dwRGBBitCount = 16;
      pf.dwRBitMask = 0xF800;
      pf.dwGBitMask = 0x7E0;
      pf.dwBBitMask = 0x1F;
      break;
    case Format::kRGB555:
      pf.dwRGBBitCount = 16;
      pf.dwRBitMask = 0x7C00;
      pf.dwGBitMask = 0x3E0;
      pf.dwBBitMask = 0x1F;
      break;
    case Format::kRGB24:
      pf.dwRGBBitCount = 24;
      pf.dwRBitMask = 0xFF0000;
      pf.dwGBitMask = 0xFF00;
      pf.dwBBitMask = 0xFF;
      break;
    case Format::kPalette8:
      pf.dwFlags = DDPF_RGB | DDPF_PALETTEINDEXED8;
      pf.dwRGBBitCount = 8;
      break;
    case Format::kARGB8888:
      pf.dwFlags = DDPF_RGB | DDPF_ALPHAPIXELS;
      pf.dwRGBBitCount = 32;
      pf.dwRBitMask = 0xFF0000;
      pf.dwGBitMask = 0xFF00;
      pf.dwBBitMask = 0xFF;
      pf.dwRGBAlphaBitMask = 0xFF000000u;
      break;
    case Format::kARGB4444:
      pf.dwFlags = DDPF_RGB | DDPF_ALPHAPIXELS;
      pf.dwRGBBitCount = 16;
      pf.dwRBitMask = 0xF00;
      pf.dwGBitMask = 0xF0;
      pf.dwBBitMask = 0xF;
      pf.dwRGBAlphaBitMask = 0xF000;
      break;
  }
  return pf;
}

WindowHost* SetWindowHost(WindowHost* host) {
  World& w = TheWorld();
  std::lock_guard<std::recursive_mutex> guard(w.mutex);
  WindowHost* previous = w.host == &w.quietHost ? nullptr : w.host;
  w.host = host != nullptr ? host : &w.quietHost;
  return previous;
}

void Reset(const Machine& machine) {
  World& w = TheWorld();
  std::lock_guard<std::recursive_mutex> guard(w.mutex);
  w.machine = machine;
  w.faults = Faults();
  w.modeSet = false;
  w.exclusiveWindow = nullptr;
  w.modeOwner = nullptr;
  w.dirty = false;
  w.mainThread = std::this_thread::get_id();
  w.desktop->Allocate(machine.desktopWidth, machine.desktopHeight, machine.desktopFormat);
}

bool ClientArea(HWND window, RECT* area) {
  World& w = TheWorld();
  std::lock_guard<std::recursive_mutex> guard(w.mutex);
  return area != nullptr && w.host->ClientArea(window, area);
}

bool MoveClientArea(HWND window, const RECT& area) {
  World& w = TheWorld();
  std::lock_guard<std::recursive_mutex> guard(w.mutex);
  return w.host->MoveClientArea(window, area);
}

Faults& GetFaults() { return TheWorld().faults; }
Machine& GetMachine() { return TheWorld().machine; }

void* LookupEntryPoint(const char* name) {
  if (name == nullptr) return nullptr;
  const Faults& f = TheWorld().faults;
  if (std::strcmp(name, "DirectDrawCreateEx") == 0 && f.entryEx) return reinterpret_cast<void*>(&::DirectDrawCreateEx);
  if (std::strcmp(name, "DirectDrawCreate") == 0 && f.entry) return reinterpret_cast<void*>(&::DirectDrawCreate);
  return nullptr;
}

int LiveDirectDrawObjects() { return TheWorld().liveDirectDraw.load(); }
int LiveSurfaces() { return TheWorld().liveSurfaces.load(); }
int LiveClippers() { return TheWorld().liveClippers.load(); }
int LivePalettes() { return TheWorld().livePalettes.load(); }

bool ViewSurface(IDirectDrawSurface7* surface, SurfaceView* view) {
  if (surface == nullptr || view == nullptr) return false;
  static_cast<Surface*>(surface)->View(view);
  return true;
}
bool ViewSurface(IDirectDrawSurface* surface, SurfaceView* view) {
  if (surface == nullptr || view == nullptr) return false;
  static_cast<Surface*>(surface)->View(view);
  return true;
}
void NoteSurfaceWritten(IDirectDrawSurface7* surface) {
  if (surface != nullptr) static_cast<Surface*>(surface)->NoteWritten();
}

int DesktopWidth() {
  std::lock_guard<std::recursive_mutex> guard(TheWorld().mutex);
  return TheWorld().desktop->width;
}
int DesktopHeight() {
  std::lock_guard<std::recursive_mutex> guard(TheWorld().mutex);
  return TheWorld().desktop->height;
}
Format DesktopFormat() {
  std::lock_guard<std::recursive_mutex> guard(TheWorld().mutex);
  return TheWorld().desktop->format;
}
bool DisplayModeSet() {
  std::lock_guard<std::recursive_mutex> guard(TheWorld().mutex);
  return TheWorld().modeSet;
}

void CopyDesktop(std::uint32_t* out) {
  World& w = TheWorld();
  std::lock_guard<std::recursive_mutex> guard(w.mutex);
  Buffer& d = *w.desktop;
  const int bytes = BytesOf(d.format);
  const ArgbReader toArgb(d.format);
  for (int y = 0; y < d.height; ++y)
    for (int x = 0; x < d.width; ++x)
      out[static_cast<size_t>(y) * static_cast<size_t>(d.width) + static_cast<size_t>(x)] =
          toArgb(ReadRaw(d.Row(y) + x * bytes, bytes));
}

void PresentPending() {
  World& w = TheWorld();
  std::lock_guard<std::recursive_mutex> guard(w.mutex);
  if (!w.dirty || std::this_thread::get_id() != w.mainThread) return;
  w.dirty = false;
  PresentLocked(w, w.dirtyWindow);
}

}  // namespace DDrawStandIn

HRESULT DirectDrawCreateEx(GUID*, void** out, REFIID iid, IUnknown* outer) {
  if (out == nullptr) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;
  if (iid != IID_IDirectDraw7) return DDERR_INVALIDPARAMS;
  const HRESULT fault = DDrawStandIn::GetFaults().createEx;
  if (fault != 0) return fault;
  *out = static_cast<IDirectDraw7*>(new DDrawStandIn::DirectDrawObject());
  return DD_OK;
}

HRESULT DirectDrawCreate(GUID*, IDirectDraw** out, IUnknown* outer) {
  if (out == nullptr) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;
  const HRESULT fault = DDrawStandIn::GetFaults().create;
  if (fault != 0) return fault;
  *out = static_cast<IDirectDraw*>(new DDrawStandIn::DirectDrawObject());
  return DD_OK;
}
