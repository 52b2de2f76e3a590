// The DirectDraw stand-in: surfaces, locks, blits, clippers, flips, modes,
// reference counts and injected failures.
#include <cstring>
#include <thread>
#include <vector>

#include "tests/display/ddraw_fixture.h"

namespace {

using DDrawStandIn::Format;
using DDrawTest::DisplayFixture;

struct Made {
  IDirectDraw7* dd = nullptr;
  ~Made() {
    if (dd != nullptr) dd->Release();
  }
};

IDirectDraw7* MakeDirectDraw() {
  void* out = nullptr;
  EXPECT_EQ(DirectDrawCreateEx(nullptr, &out, IID_IDirectDraw7, nullptr), DD_OK);
  return static_cast<IDirectDraw7*>(out);
}

IDirectDrawSurface7* Offscreen(IDirectDraw7* dd, DWORD w, DWORD h, DWORD caps = DDSCAPS_OFFSCREENPLAIN) {
  DDSURFACEDESC2 desc;
  std::memset(&desc, 0, sizeof(desc));
  desc.dwSize = sizeof(desc);
  desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
  desc.dwWidth = w;
  desc.dwHeight = h;
  desc.ddsCaps.dwCaps = caps;
  IDirectDrawSurface7* s = nullptr;
  EXPECT_EQ(dd->CreateSurface(&desc, &s, nullptr), DD_OK);
  return s;
}

DDSURFACEDESC2 LockDesc(IDirectDrawSurface7* s) {
  DDSURFACEDESC2 desc;
  std::memset(&desc, 0, sizeof(desc));
  desc.dwSize = sizeof(desc);
  EXPECT_EQ(s->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
  return desc;
}

uint32_t Get(IDirectDrawSurface7* s, int x, int y) {
  DDSURFACEDESC2 d = LockDesc(s);
  const uint8_t* p = static_cast<uint8_t*>(d.lpSurface) + y * d.lPitch;
  uint32_t v = 0;
  if (d.ddpfPixelFormat.dwRGBBitCount == 16) {
    uint16_t w;
    std::memcpy(&w, p + x * 2, 2);
    v = w;
  } else {
    std::memcpy(&v, p + x * 4, 4);
  }
  s->Unlock(nullptr);
  return v;
}

void Fill(IDirectDrawSurface7* s, uint32_t (*value)(int x, int y)) {
  DDSURFACEDESC2 d = LockDesc(s);
  for (DWORD y = 0; y < d.dwHeight; ++y)
    for (DWORD x = 0; x < d.dwWidth; ++x) {
      uint8_t* p = static_cast<uint8_t*>(d.lpSurface) + y * d.lPitch;
      const uint32_t v = value(static_cast<int>(x), static_cast<int>(y));
      if (d.ddpfPixelFormat.dwRGBBitCount == 16) {
        const uint16_t w = static_cast<uint16_t>(v);
        std::memcpy(p + x * 2, &w, 2);
      } else {
        std::memcpy(p + x * 4, &v, 4);
      }
    }
  s->Unlock(nullptr);
}

TEST_F(DisplayFixture, LockGivesPaddedPitchFormatAndFreshPattern) {
  for (Format f : {Format::kRGB565, Format::kRGB555, Format::kRGB888, Format::kBGR888}) {
    UseDesktop(f);
    Made m;
    m.dd = MakeDirectDraw();
    IDirectDrawSurface7* s = Offscreen(m.dd, 10, 3);
    DDSURFACEDESC2 d = LockDesc(s);
    const DDPIXELFORMAT pf = DDrawStandIn::PixelFormatOf(f);
    EXPECT_GT(d.lPitch, static_cast<LONG>(10 * pf.dwRGBBitCount / 8));
    EXPECT_EQ(d.ddpfPixelFormat.dwRGBBitCount, pf.dwRGBBitCount);
    EXPECT_EQ(d.ddpfPixelFormat.dwRBitMask, pf.dwRBitMask);
    EXPECT_EQ(d.ddpfPixelFormat.dwGBitMask, pf.dwGBitMask);
    EXPECT_NE(static_cast<uint8_t*>(d.lpSurface)[0], 0);
    // A second lock of a locked surface is refused, and so is a blit.
    DDSURFACEDESC2 again = d;
    EXPECT_EQ(s->Lock(nullptr, &again, DDLOCK_WAIT, nullptr), DDERR_SURFACEBUSY);
    IDirectDrawSurface7* other = Offscreen(m.dd, 10, 3);
    EXPECT_EQ(other->Blt(nullptr, s, nullptr, DDBLT_WAIT, nullptr), DDERR_SURFACEBUSY);
    EXPECT_EQ(s->Blt(nullptr, other, nullptr, DDBLT_WAIT, nullptr), DDERR_SURFACEBUSY);
    EXPECT_EQ(s->Unlock(nullptr), DD_OK);
    EXPECT_EQ(s->Unlock(nullptr), DDERR_NOTLOCKED);
    EXPECT_EQ(other->Blt(nullptr, s, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    other->Release();
    s->Release();
  }
  DDrawTest::ExpectNothingAlive();
}

struct BltCase {
  const char* name;
  Format format;
  RECT dest;
  RECT source;
  bool keyed;
  HRESULT result;
  // Expected destination pixels at (x, y); sentinel 0xDEAD means "unchanged".
  struct Probe {
    int x, y;
    uint32_t value;
  } probes[4];
};

// Source pixel (x, y) = x + 16 * y + 1; the key is the value 6 (pixel 5,0).
uint32_t SourcePattern(int x, int y) { return static_cast<uint32_t>(x + 16 * y + 1); }
uint32_t DestPattern(int, int) { return 0xAAAA; }

TEST_F(DisplayFixture, BltCaseTable) {
  const BltCase cases[] = {
      {"copy 16",
       Format::kRGB565,
       {2, 1, 6, 3},
       {0, 0, 4, 2},
       false,
       DD_OK,
       {{2, 1, 1}, {5, 1, 4}, {2, 2, 17}, {1, 1, 0xAAAA}}},
      {"copy 32",
       Format::kRGB888,
       {0, 0, 4, 2},
       {1, 1, 5, 3},
       false,
       DD_OK,
       {{0, 0, 18}, {3, 1, 37}, {4, 0, 0xAAAA}, {0, 2, 0xAAAA}}},
      {"stretch x2 nearest",
       Format::kRGB565,
       {0, 0, 8, 2},
       {0, 0, 4, 1},
       false,
       DD_OK,
       {{0, 0, 1}, {1, 0, 1}, {2, 0, 2}, {7, 1, 4}}},
      {"key 16",
       Format::kRGB565,
       {0, 0, 8, 1},
       {0, 0, 8, 1},
       true,
       DD_OK,
       {{4, 0, 5}, {5, 0, 0xAAAA}, {6, 0, 7}, {0, 0, 1}}},
      {"key 32 ignores top byte",
       Format::kRGB888,
       {0, 0, 8, 1},
       {0, 0, 8, 1},
       true,
       DD_OK,
       {{5, 0, 0xAAAA}, {6, 0, 7}, {0, 0, 1}, {4, 0, 5}}},
      {"dest outside",
       Format::kRGB565,
       {10, 0, 20, 4},
       {0, 0, 10, 4},
       false,
       DDERR_INVALIDRECT,
       {{10, 0, 0xAAAA}, {15, 3, 0xAAAA}, {0, 0, 0xAAAA}, {0, 0, 0xAAAA}}},
      {"source outside",
       Format::kRGB888,
       {0, 0, 4, 4},
       {14, 0, 18, 4},
       false,
       DDERR_INVALIDRECT,
       {{0, 0, 0xAAAA}, {3, 3, 0xAAAA}, {0, 0, 0xAAAA}, {0, 0, 0xAAAA}}},
      {"empty rect",
       Format::kRGB888,
       {3, 3, 3, 4},
       {0, 0, 1, 1},
       false,
       DDERR_INVALIDRECT,
       {{3, 3, 0xAAAA}, {0, 0, 0xAAAA}, {0, 0, 0xAAAA}, {0, 0, 0xAAAA}}},
  };
  for (const BltCase& c : cases) {
    SCOPED_TRACE(c.name);
    UseDesktop(c.format);
    Made m;
    m.dd = MakeDirectDraw();
    IDirectDrawSurface7* src = Offscreen(m.dd, 16, 4);
    IDirectDrawSurface7* dst = Offscreen(m.dd, 16, 4);
    Fill(src, SourcePattern);
    Fill(dst, DestPattern);
    if (c.keyed) {
      // On 32 bits the key's top byte does not take part.
      DDCOLORKEY key{c.format == Format::kRGB888 ? 0xFF000006u : 6u, 6u};
      ASSERT_EQ(src->SetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
    }
    RECT d = c.dest;
    RECT s = c.source;
    DDBLTFX fx;
    std::memset(&fx, 0, sizeof(fx));
    fx.dwSize = sizeof(fx);
    EXPECT_EQ(dst->Blt(&d, src, &s, DDBLT_WAIT | (c.keyed ? DDBLT_KEYSRC : 0), &fx), c.result);
    for (const auto& p : c.probes) EXPECT_EQ(Get(dst, p.x, p.y), p.value) << p.x << "," << p.y;
    src->Release();
    dst->Release();
  }
  DDrawTest::ExpectNothingAlive();
}

TEST_F(DisplayFixture, ClipperClipsPrimaryBlitsToClientAreaAndPresents) {
  Made m;
  m.dd = MakeDirectDraw();
  DDSURFACEDESC2 desc;
  std::memset(&desc, 0, sizeof(desc));
  desc.dwSize = sizeof(desc);
  desc.dwFlags = DDSD_CAPS;
  desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
  IDirectDrawSurface7* primary = nullptr;
  ASSERT_EQ(m.dd->CreateSurface(&desc, &primary, nullptr), DD_OK);
  IDirectDrawClipper* clipper = nullptr;
  ASSERT_EQ(m.dd->CreateClipper(0, &clipper, nullptr), DD_OK);
  ASSERT_EQ(clipper->SetHWnd(0, host.window), DD_OK);
  ASSERT_EQ(primary->SetClipper(clipper), DD_OK);
  clipper->Release();
  host.client = RECT{100, 50, 104, 52};

  IDirectDrawSurface7* src = Offscreen(m.dd, 8, 4);
  Fill(src, [](int x, int y) -> uint32_t { return 0x00102030u + static_cast<uint32_t>(x + 8 * y); });
  // Without the clipper this rectangle would be refused; the clipper cuts it.
  RECT d{98, 49, 106, 53};
  EXPECT_EQ(primary->Blt(&d, src, nullptr, DDBLT_WAIT, nullptr), DD_OK);
  EXPECT_EQ(host.presents, 1);
  ASSERT_EQ(host.frameWidth, 4);
  ASSERT_EQ(host.frameHeight, 2);
  // Client (0,0) is desktop (100,50), fed by source (2,1).
  EXPECT_EQ(host.lastFrame[0], 0xFF102030u + 2 + 8);
  // Reads of the primary return what was written; outside the client area
  // the desktop kept its old pixels.
  EXPECT_EQ(Get(primary, 100, 50), 0x00102030u + 2 + 8);
  EXPECT_NE(Get(primary, 99, 50), 0x00102030u + 1 + 8);
  src->Release();
  primary->Release();
  m.dd->Release();
  m.dd = nullptr;
  DDrawTest::ExpectNothingAlive();
}

TEST_F(DisplayFixture, FullScreenModeFlipAndRestore) {
  Made m;
  m.dd = MakeDirectDraw();
  ASSERT_EQ(m.dd->SetCooperativeLevel(host.window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
  ASSERT_EQ(m.dd->SetDisplayMode(320, 200, 16, 0, 0), DD_OK);
  EXPECT_TRUE(host.fullScreen);
  EXPECT_EQ(DDrawStandIn::DesktopWidth(), 320);
  EXPECT_EQ(DDrawStandIn::DesktopFormat(), Format::kRGB565);

  DDSURFACEDESC2 desc;
  std::memset(&desc, 0, sizeof(desc));
  desc.dwSize = sizeof(desc);
  desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
  desc.dwBackBufferCount = 1;
  desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
  IDirectDrawSurface7* primary = nullptr;
  ASSERT_EQ(m.dd->CreateSurface(&desc, &primary, nullptr), DD_OK);
  DDSCAPS2 caps{DDSCAPS_BACKBUFFER, 0, 0, 0};
  IDirectDrawSurface7* back = nullptr;
  ASSERT_EQ(primary->GetAttachedSurface(&caps, &back), DD_OK);
  Fill(back, [](int, int) -> uint32_t { return 0xF800; });
  EXPECT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
  EXPECT_EQ(Get(primary, 5, 5), 0xF800u);
  ASSERT_EQ(host.frameWidth, 320);
  EXPECT_EQ(host.lastFrame[0], 0xFFFF0000u);
  back->Release();
  primary->Release();
  // Returning to the normal level restores the desktop.
  EXPECT_EQ(m.dd->SetCooperativeLevel(host.window, DDSCL_NORMAL), DD_OK);
  EXPECT_EQ(DDrawStandIn::DesktopWidth(), 1024);
  EXPECT_FALSE(DDrawStandIn::DisplayModeSet());
  // Releasing the object that set a mode restores it too.
  ASSERT_EQ(m.dd->SetCooperativeLevel(host.window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
  ASSERT_EQ(m.dd->SetDisplayMode(640, 480, 32, 0, 0), DD_OK);
  m.dd->Release();
  m.dd = nullptr;
  EXPECT_FALSE(DDrawStandIn::DisplayModeSet());
  EXPECT_FALSE(host.fullScreen);
  DDrawTest::ExpectNothingAlive();
}

TEST_F(DisplayFixture, InjectedFailuresAndLostSurfaces) {
  DDrawStandIn::GetFaults().createEx = DDERR_NODIRECTDRAWHW;
  void* out = nullptr;
  EXPECT_EQ(DirectDrawCreateEx(nullptr, &out, IID_IDirectDraw7, nullptr), DDERR_NODIRECTDRAWHW);
  EXPECT_EQ(out, nullptr);
  DDrawStandIn::GetFaults() = DDrawStandIn::Faults();
  DDrawStandIn::GetFaults().entryEx = false;
  EXPECT_EQ(DDrawStandIn::LookupEntryPoint("DirectDrawCreateEx"), nullptr);
  EXPECT_NE(DDrawStandIn::LookupEntryPoint("DirectDrawCreate"), nullptr);
  DDrawStandIn::GetFaults() = DDrawStandIn::Faults();

  Made m;
  m.dd = MakeDirectDraw();
  IDirectDrawSurface7* a = Offscreen(m.dd, 4, 4);
  IDirectDrawSurface7* b = Offscreen(m.dd, 4, 4);
  DDrawStandIn::GetFaults().surfacesLost = true;
  EXPECT_EQ(a->Blt(nullptr, b, nullptr, DDBLT_WAIT, nullptr), DDERR_SURFACELOST);
  DDSURFACEDESC2 d;
  std::memset(&d, 0, sizeof(d));
  d.dwSize = sizeof(d);
  EXPECT_EQ(a->Lock(nullptr, &d, DDLOCK_WAIT, nullptr), DDERR_SURFACELOST);
  DDrawStandIn::GetFaults().surfacesLost = false;
  DDrawStandIn::GetFaults().createSurface = DDERR_OUTOFVIDEOMEMORY;
  DDrawStandIn::GetFaults().createSurfaceCaps = DDSCAPS_VIDEOMEMORY;
  DDSURFACEDESC2 desc;
  std::memset(&desc, 0, sizeof(desc));
  desc.dwSize = sizeof(desc);
  desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
  desc.dwWidth = 4;
  desc.dwHeight = 4;
  desc.ddsCaps.dwCaps = DDSCAPS_VIDEOMEMORY;
  IDirectDrawSurface7* v = nullptr;
  EXPECT_EQ(m.dd->CreateSurface(&desc, &v, nullptr), DDERR_OUTOFVIDEOMEMORY);
  // A skip count lets that many matching surfaces through, then fails again.
  DDrawStandIn::GetFaults().createSurfaceSkip = 1;
  IDirectDrawSurface7* first = nullptr;
  EXPECT_EQ(m.dd->CreateSurface(&desc, &first, nullptr), DD_OK);
  EXPECT_EQ(m.dd->CreateSurface(&desc, &v, nullptr), DDERR_OUTOFVIDEOMEMORY);
  if (first != nullptr) first->Release();
  desc.ddsCaps.dwCaps = DDSCAPS_SYSTEMMEMORY;
  EXPECT_EQ(m.dd->CreateSurface(&desc, &v, nullptr), DD_OK);
  // A description of the wrong size is refused.
  desc.dwSize = sizeof(desc) - 4;
  IDirectDrawSurface7* w = nullptr;
  EXPECT_EQ(m.dd->CreateSurface(&desc, &w, nullptr), DDERR_INVALIDPARAMS);
  v->Release();
  a->Release();
  b->Release();
  m.dd->Release();
  m.dd = nullptr;
  DDrawTest::ExpectNothingAlive();
}

TEST_F(DisplayFixture, MachineQueriesAnswerSetValuesOrFail) {
  Made m;
  m.dd = MakeDirectDraw();
  DDrawStandIn::GetMachine().videoMemoryTotal = 128u << 20;
  DDrawStandIn::GetMachine().videoMemoryFree = 100u << 20;
  DDSCAPS2 caps{DDSCAPS_VIDEOMEMORY, 0, 0, 0};
  DWORD total = 0, free = 0;
  EXPECT_EQ(m.dd->GetAvailableVidMem(&caps, &total, &free), DD_OK);
  EXPECT_EQ(total, 128u << 20);
  EXPECT_EQ(free, 100u << 20);
  DDDEVICEIDENTIFIER2 id;
  EXPECT_EQ(m.dd->GetDeviceIdentifier(&id, 0), DD_OK);
  EXPECT_STREQ(id.szDescription, "Kivo software display");
  DDrawStandIn::GetMachine().deviceIdentifierResult = DDERR_GENERIC;
  EXPECT_EQ(m.dd->GetDeviceIdentifier(&id, 0), DDERR_GENERIC);
  DDrawStandIn::GetMachine().monitorFrequency = 75;
  DWORD hertz = 0;
  EXPECT_EQ(m.dd->GetMonitorFrequency(&hertz), DD_OK);
  EXPECT_EQ(hertz, 75u);
  DDrawStandIn::GetMachine().monitorFrequencyResult = DDERR_UNSUPPORTED;
  EXPECT_EQ(m.dd->GetMonitorFrequency(&hertz), DDERR_UNSUPPORTED);
}

TEST_F(DisplayFixture, ReferenceCountsAcrossInterfaces) {
  IDirectDraw7* dd = MakeDirectDraw();
  void* old = nullptr;
  ASSERT_EQ(dd->QueryInterface(IID_IDirectDraw, &old), DD_OK);
  EXPECT_EQ(DDrawStandIn::LiveDirectDrawObjects(), 1);
  IDirectDrawSurface7* s = Offscreen(dd, 2, 2);
  void* s1 = nullptr;
  ASSERT_EQ(s->QueryInterface(IID_IDirectDrawSurface, &s1), DD_OK);
  EXPECT_EQ(s->Release(), 1u);
  EXPECT_EQ(DDrawStandIn::LiveSurfaces(), 1);
  EXPECT_EQ(static_cast<IDirectDrawSurface*>(s1)->Release(), 0u);
  EXPECT_EQ(dd->Release(), 1u);
  EXPECT_EQ(static_cast<IDirectDraw*>(old)->Release(), 0u);
  DDrawTest::ExpectNothingAlive();
}

TEST_F(DisplayFixture, CountsAndLocksHoldUnderTwoThreads) {
  // The cursor thread blits, locks and releases while the main thread does
  // the same: counts and lock states must come out whole.
  IDirectDraw7* dd = MakeDirectDraw();
  IDirectDrawSurface7* shared = Offscreen(dd, 16, 16);
  auto work = [&](int seed) {
    for (int i = 0; i < 300; ++i) {
      IDirectDrawSurface7* mine = Offscreen(dd, 8, 8);
      void* alias = nullptr;
      mine->QueryInterface(IID_IDirectDrawSurface, &alias);
      RECT d{seed, seed, seed + 8, seed + 8};
      const HRESULT hr = shared->Blt(&d, mine, nullptr, DDBLT_WAIT, nullptr);
      EXPECT_TRUE(hr == DD_OK || hr == DDERR_SURFACEBUSY);
      DDSURFACEDESC2 desc;
      std::memset(&desc, 0, sizeof(desc));
      desc.dwSize = sizeof(desc);
      if (shared->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr) == DD_OK) shared->Unlock(nullptr);
      static_cast<IDirectDrawSurface*>(alias)->Release();
      mine->Release();
    }
  };
  std::thread other(work, 8);
  work(0);
  other.join();
  EXPECT_EQ(DDrawStandIn::LiveSurfaces(), 1);
  shared->Release();
  dd->Release();
  DDrawTest::ExpectNothingAlive();
}

}  // namespace

namespace {

// Presents convert rows through tables and whole-word copies; the plain
// per-pixel conversion is the reference. Random rows in every desktop and
// texture format, odd widths and unaligned starts included.
TEST(PresentConversion, FastRowsMatchThePlainConversionInEveryFormat) {
  const Format formats[] = {Format::kRGB888, Format::kBGR888,   Format::kRGB565,   Format::kRGB555,
                            Format::kRGB24,  Format::kPalette8, Format::kARGB8888, Format::kARGB4444};
  std::uint32_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return static_cast<std::uint8_t>(seed >> 16);
  };
  for (Format format : formats) {
    const DDrawStandIn::RowToArgb fast(format);
    for (int width : {1, 7, 800}) {
      std::vector<std::uint8_t> raw(static_cast<size_t>(width) * 4 + 1);
      for (auto& byte : raw) byte = next();
      std::vector<std::uint32_t> expected(width), actual(width);
      DDrawStandIn::ConvertRowToArgbReference(raw.data() + 1, width, format, expected.data());
      fast.Convert(raw.data() + 1, width, actual.data());
      EXPECT_EQ(actual, expected) << "format " << static_cast<int>(format) << ", width " << width;
    }
  }
  // Every 16-bit value, not just random ones.
  for (Format format : {Format::kRGB565, Format::kRGB555, Format::kARGB4444}) {
    std::vector<std::uint8_t> raw(65536 * 2);
    for (std::uint32_t v = 0; v < 65536; ++v) std::memcpy(&raw[2 * v], &v, 2);
    std::vector<std::uint32_t> expected(65536), actual(65536);
    DDrawStandIn::ConvertRowToArgbReference(raw.data(), 65536, format, expected.data());
    DDrawStandIn::RowToArgb(format).Convert(raw.data(), 65536, actual.data());
    EXPECT_EQ(actual, expected) << "format " << static_cast<int>(format);
  }
}

}  // namespace
