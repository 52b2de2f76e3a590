// The DirectDraw stand-in: display modes, primary, back and off-screen
// surfaces, clippers, blits, flips and lock/unlock over plain memory, in the
// pixel formats the display code expects (5-6-5, 5-5-5, 8-8-8 red-high or
// blue-high; 24- and 8-bit desktops exist only so that callers can be seen to
// refuse them).
//
// The primary surface is a view of one virtual desktop (desktop width x
// height, the desktop's format). A write to the primary marks the client area
// of the window its clipper is bound to as dirty; the dirty area is handed to
// the window host as a 0xAARRGGBB frame when the main thread writes, and at
// the next main-thread write when another thread did. Reads of the primary
// return what was written (the software cursor saves pixels from it).
//
// Objects count their references atomically and are freed by their last
// Release. Every failure a caller must handle can be injected (DDrawFaults)
// and a "surfaces lost" switch makes Lock, Blt and Flip report
// DDERR_SURFACELOST. Results are only the codes of platform/DirectXCodes.h.
//
// Limits: one virtual desktop per process; blits copy or scale to the nearest
// pixel, with or without a source colour key, and convert between formats
// through 0xAARRGGBB; no overlays, palettes, raster operations or mirroring.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/devices/DirectXCodes.h"
#include "platform/WinTypes.h"

typedef std::uint32_t ULONG;

// ---- flags ---------------------------------------------------------------

// Surface description fields.
constexpr DWORD DDSD_CAPS = 0x1;
constexpr DWORD DDSD_HEIGHT = 0x2;
constexpr DWORD DDSD_WIDTH = 0x4;
constexpr DWORD DDSD_PITCH = 0x8;
constexpr DWORD DDSD_BACKBUFFERCOUNT = 0x20;
constexpr DWORD DDSD_LPSURFACE = 0x800;
constexpr DWORD DDSD_PIXELFORMAT = 0x1000;
constexpr DWORD DDSD_CKSRCBLT = 0x10000;

// Surface capabilities.
constexpr DWORD DDSCAPS_BACKBUFFER = 0x4;
constexpr DWORD DDSCAPS_COMPLEX = 0x8;
constexpr DWORD DDSCAPS_FLIP = 0x10;
constexpr DWORD DDSCAPS_FRONTBUFFER = 0x20;
constexpr DWORD DDSCAPS_OFFSCREENPLAIN = 0x40;
constexpr DWORD DDSCAPS_PRIMARYSURFACE = 0x200;
constexpr DWORD DDSCAPS_SYSTEMMEMORY = 0x800;
constexpr DWORD DDSCAPS_TEXTURE = 0x1000;
constexpr DWORD DDSCAPS_3DDEVICE = 0x2000;
constexpr DWORD DDSCAPS_VIDEOMEMORY = 0x4000;

// Second caps word: textures the device manages.
constexpr DWORD DDSCAPS2_TEXTUREMANAGE = 0x10;
constexpr DWORD DDSCAPS2_D3DTEXTUREMANAGE = 0x20000;

// Pixel format flags.
constexpr DWORD DDPF_ALPHAPIXELS = 0x1;
constexpr DWORD DDPF_PALETTEINDEXED8 = 0x20;
constexpr DWORD DDPF_RGB = 0x40;

// Palettes: 256 entries whose peFlags carry alpha.
constexpr DWORD DDPCAPS_8BIT = 0x4;
constexpr DWORD DDPCAPS_ALLOW256 = 0x40;
constexpr DWORD DDPCAPS_ALPHA = 0x400;

// Lock.
constexpr DWORD DDLOCK_WAIT = 0x1;
constexpr DWORD DDLOCK_READONLY = 0x10;
constexpr DWORD DDLOCK_WRITEONLY = 0x20;

// Blt.
constexpr DWORD DDBLT_COLORFILL = 0x400;
constexpr DWORD DDBLT_KEYSRC = 0x8000;
constexpr DWORD DDBLT_WAIT = 0x1000000;

// Flip.
constexpr DWORD DDFLIP_WAIT = 0x1;

// Colour keys.
constexpr DWORD DDCKEY_SRCBLT = 0x8;

// Cooperative levels.
constexpr DWORD DDSCL_FULLSCREEN = 0x1;
constexpr DWORD DDSCL_NORMAL = 0x8;
constexpr DWORD DDSCL_EXCLUSIVE = 0x10;

// ---- records -------------------------------------------------------------

struct GUID {
  std::uint32_t Data1;
  std::uint16_t Data2;
  std::uint16_t Data3;
  std::uint8_t Data4[8];
};
typedef const GUID& REFIID;
bool operator==(const GUID& a, const GUID& b);
inline bool operator!=(const GUID& a, const GUID& b) { return !(a == b); }

// Interface ids of the stand-in (our own numbers).
extern const GUID IID_IUnknown;
extern const GUID IID_IDirectDraw;
extern const GUID IID_IDirectDraw7;
extern const GUID IID_IDirectDrawSurface;
extern const GUID IID_IDirectDrawSurface7;
extern const GUID IID_IDirectDrawClipper;
extern const GUID IID_IDirect3D7;
extern const GUID IID_IDirectDrawPalette;

struct DDPIXELFORMAT {
  DWORD dwSize;
  DWORD dwFlags;
  DWORD dwFourCC;
  DWORD dwRGBBitCount;
  DWORD dwRBitMask;
  DWORD dwGBitMask;
  DWORD dwBBitMask;
  DWORD dwRGBAlphaBitMask;
};

struct DDCOLORKEY {
  DWORD dwColorSpaceLowValue;
  DWORD dwColorSpaceHighValue;
};

struct DDSCAPS {
  DWORD dwCaps;
};

struct DDSCAPS2 {
  DWORD dwCaps;
  DWORD dwCaps2;
  DWORD dwCaps3;
  DWORD dwCaps4;
};

// The old surface description.
struct DDSURFACEDESC {
  DWORD dwSize;
  DWORD dwFlags;
  DWORD dwHeight;
  DWORD dwWidth;
  LONG lPitch;
  DWORD dwBackBufferCount;
  DWORD dwMipMapCount;
  DWORD dwAlphaBitDepth;
  DWORD dwReserved;
  void* lpSurface;
  DDCOLORKEY ddckCKDestOverlay;
  DDCOLORKEY ddckCKDestBlt;
  DDCOLORKEY ddckCKSrcOverlay;
  DDCOLORKEY ddckCKSrcBlt;
  DDPIXELFORMAT ddpfPixelFormat;
  DDSCAPS ddsCaps;
};

// The version 7 surface description.
struct DDSURFACEDESC2 {
  DWORD dwSize;
  DWORD dwFlags;
  DWORD dwHeight;
  DWORD dwWidth;
  LONG lPitch;
  DWORD dwBackBufferCount;
  DWORD dwMipMapCount;
  DWORD dwAlphaBitDepth;
  DWORD dwReserved;
  void* lpSurface;
  DDCOLORKEY ddckCKDestOverlay;
  DDCOLORKEY ddckCKDestBlt;
  DDCOLORKEY ddckCKSrcOverlay;
  DDCOLORKEY ddckCKSrcBlt;
  DDPIXELFORMAT ddpfPixelFormat;
  DDSCAPS2 ddsCaps;
  DWORD dwTextureStage;
};

struct DDBLTFX {
  DWORD dwSize;
  DWORD dwDDFX;
  DWORD dwROP;
  DWORD dwDDROP;
  DWORD dwRotationAngle;
  DWORD dwZBufferOpCode;
  DWORD dwZBufferLow;
  DWORD dwZBufferHigh;
  DWORD dwZBufferBaseDest;
  DWORD dwZDestConstBitDepth;
  DWORD dwZDestConst;
  DWORD dwZSrcConstBitDepth;
  DWORD dwZSrcConst;
  DWORD dwAlphaEdgeBlendBitDepth;
  DWORD dwAlphaEdgeBlend;
  DWORD dwReserved;
  DWORD dwAlphaDestConstBitDepth;
  DWORD dwAlphaDestConst;
  DWORD dwAlphaSrcConstBitDepth;
  DWORD dwAlphaSrcConst;
  DWORD dwFillColor;
  DDCOLORKEY ddckDestColorkey;
  DDCOLORKEY ddckSrcColorkey;
};

struct PALETTEENTRY {
  std::uint8_t peRed;
  std::uint8_t peGreen;
  std::uint8_t peBlue;
  std::uint8_t peFlags;
};

struct DDDEVICEIDENTIFIER2 {
  char szDriver[512];
  char szDescription[512];
  LONGLONG liDriverVersion;
  DWORD dwVendorId;
  DWORD dwDeviceId;
  DWORD dwSubSysId;
  DWORD dwRevision;
  GUID guidDeviceIdentifier;
  DWORD dwWHQLLevel;
};

// ---- interfaces ----------------------------------------------------------

class IDirectDrawClipper;
class IDirectDrawPalette;
class IDirectDrawSurface;
class IDirectDrawSurface7;

class IUnknown {
 public:
  virtual HRESULT QueryInterface(REFIID iid, void** out) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;

 protected:
  ~IUnknown() = default;
};

class IDirectDrawClipper : public IUnknown {
 public:
  // Binds the clipper to a window: Blt into a surface carrying it is clipped
  // to the window's client area.
  virtual HRESULT SetHWnd(DWORD flags, HWND window) = 0;
  virtual HRESULT GetHWnd(HWND* window) = 0;

 protected:
  ~IDirectDrawClipper() = default;
};

// 256 entries; with DDPCAPS_ALPHA the entries' peFlags are their alpha.
class IDirectDrawPalette : public IUnknown {
 public:
  virtual HRESULT GetEntries(DWORD flags, DWORD base, DWORD count, PALETTEENTRY* entries) = 0;
  virtual HRESULT SetEntries(DWORD flags, DWORD start, DWORD count, PALETTEENTRY* entries) = 0;

 protected:
  ~IDirectDrawPalette() = default;
};

// Both surface interfaces are served by one object; they differ in the
// description and surface types they pass.
class IDirectDrawSurface : public IUnknown {
 public:
  virtual HRESULT Blt(RECT* destRect, IDirectDrawSurface* source, RECT* sourceRect, DWORD flags, DDBLTFX* fx) = 0;
  virtual HRESULT Flip(IDirectDrawSurface* target, DWORD flags) = 0;
  virtual HRESULT GetAttachedSurface(DDSCAPS* caps, IDirectDrawSurface** out) = 0;
  virtual HRESULT GetSurfaceDesc(DDSURFACEDESC* desc) = 0;
  virtual HRESULT Lock(RECT* rect, DDSURFACEDESC* desc, DWORD flags, HANDLE event) = 0;
  virtual HRESULT Unlock(void* rect) = 0;
  virtual HRESULT SetColorKey(DWORD flags, DDCOLORKEY* key) = 0;
  virtual HRESULT GetColorKey(DWORD flags, DDCOLORKEY* key) = 0;
  virtual HRESULT SetClipper(IDirectDrawClipper* clipper) = 0;
  virtual HRESULT IsLost() = 0;
  virtual HRESULT Restore() = 0;

 protected:
  ~IDirectDrawSurface() = default;
};

class IDirectDrawSurface7 : public IUnknown {
 public:
  virtual HRESULT Blt(RECT* destRect, IDirectDrawSurface7* source, RECT* sourceRect, DWORD flags, DDBLTFX* fx) = 0;
  virtual HRESULT Flip(IDirectDrawSurface7* target, DWORD flags) = 0;
  virtual HRESULT GetAttachedSurface(DDSCAPS2* caps, IDirectDrawSurface7** out) = 0;
  virtual HRESULT GetSurfaceDesc(DDSURFACEDESC2* desc) = 0;
  virtual HRESULT Lock(RECT* rect, DDSURFACEDESC2* desc, DWORD flags, HANDLE event) = 0;
  virtual HRESULT Unlock(void* rect) = 0;
  virtual HRESULT SetColorKey(DWORD flags, DDCOLORKEY* key) = 0;
  virtual HRESULT GetColorKey(DWORD flags, DDCOLORKEY* key) = 0;
  virtual HRESULT SetClipper(IDirectDrawClipper* clipper) = 0;
  virtual HRESULT IsLost() = 0;
  virtual HRESULT Restore() = 0;
  // Only 8-bit palettised surfaces take a palette; null detaches it.
  virtual HRESULT SetPalette(IDirectDrawPalette* palette) = 0;
  virtual HRESULT GetPalette(IDirectDrawPalette** palette) = 0;

 protected:
  ~IDirectDrawSurface7() = default;
};

class IDirectDraw : public IUnknown {
 public:
  virtual HRESULT CreateSurface(DDSURFACEDESC* desc, IDirectDrawSurface** out, IUnknown* outer) = 0;
  virtual HRESULT CreateClipper(DWORD flags, IDirectDrawClipper** out, IUnknown* outer) = 0;
  virtual HRESULT SetCooperativeLevel(HWND window, DWORD flags) = 0;
  virtual HRESULT SetDisplayMode(DWORD width, DWORD height, DWORD bitsPerPixel) = 0;
  virtual HRESULT RestoreDisplayMode() = 0;
  virtual HRESULT FlipToGDISurface() = 0;
  virtual HRESULT GetMonitorFrequency(DWORD* hertz) = 0;

 protected:
  ~IDirectDraw() = default;
};

class IDirectDraw7 : public IUnknown {
 public:
  virtual HRESULT CreateSurface(DDSURFACEDESC2* desc, IDirectDrawSurface7** out, IUnknown* outer) = 0;
  virtual HRESULT CreateClipper(DWORD flags, IDirectDrawClipper** out, IUnknown* outer) = 0;
  virtual HRESULT SetCooperativeLevel(HWND window, DWORD flags) = 0;
  virtual HRESULT SetDisplayMode(DWORD width, DWORD height, DWORD bitsPerPixel, DWORD refresh, DWORD flags) = 0;
  virtual HRESULT RestoreDisplayMode() = 0;
  virtual HRESULT FlipToGDISurface() = 0;
  virtual HRESULT GetMonitorFrequency(DWORD* hertz) = 0;
  virtual HRESULT GetAvailableVidMem(DDSCAPS2* caps, DWORD* total, DWORD* free) = 0;
  virtual HRESULT GetDeviceIdentifier(DDDEVICEIDENTIFIER2* identifier, DWORD flags) = 0;
  // Flags must hold DDPCAPS_8BIT and DDPCAPS_ALLOW256; entries gives 256.
  virtual HRESULT CreatePalette(DWORD flags, PALETTEENTRY* entries, IDirectDrawPalette** out, IUnknown* outer) = 0;

 protected:
  ~IDirectDraw7() = default;
};

// The two creation entry points, as the display looks them up by name.
typedef HRESULT (*DirectDrawCreateExProc)(GUID* driver, void** out, REFIID iid, IUnknown* outer);
typedef HRESULT (*DirectDrawCreateProc)(GUID* driver, IDirectDraw** out, IUnknown* outer);
HRESULT DirectDrawCreateEx(GUID* driver, void** out, REFIID iid, IUnknown* outer);
HRESULT DirectDrawCreate(GUID* driver, IDirectDraw** out, IUnknown* outer);

// ---- control of the stand-in ---------------------------------------------

namespace DDrawStandIn {

enum class Format {
  kRGB888,  // 32 bits, red high
  kBGR888,  // 32 bits, blue high
  kRGB565,
  kRGB555,
  kRGB24,     // 24 bits: no caller may use it
  kPalette8,  // 8 bits: no display may use it; palettised textures do
  kARGB8888,  // textures only: 32 bits with alpha
  kARGB4444,  // textures only: 16 bits with alpha
};

// Bits per pixel and masks of a format.
DDPIXELFORMAT PixelFormatOf(Format format);

// Converts rows of raw desktop pixels to opaque A8R8G8B8 for presenting;
// RowToArgb is the fast converter (tables made once per format) and
// ConvertRowToArgbReference the plain per-pixel one it must agree with.
class RowToArgb {
 public:
  explicit RowToArgb(Format format);
  void Convert(const std::uint8_t* row, int width, std::uint32_t* out) const;
  Format format() const { return mFormat; }

 private:
  Format mFormat;
  std::vector<std::uint32_t> mTable;  // 16-bit formats: every raw value
};
void ConvertRowToArgbReference(const std::uint8_t* row, int width, Format format, std::uint32_t* out);

// Where the window system is: the client area of a window in desktop
// coordinates, and where a finished frame goes. The default host asks the
// platform's window system; tests install their own.
class WindowHost {
 public:
  virtual ~WindowHost() = default;
  // The client area of the window (x, y on the desktop, width, height);
  // false when the window does not exist.
  virtual bool ClientArea(HWND window, RECT* area) = 0;
  // Shows a 0xAARRGGBB frame in the window's client area.
  virtual void Present(HWND window, const std::uint32_t* pixels, int width, int height, int pitch) = 0;
  // Full screen shows the whole desktop; windowed again when false.
  virtual void SetFullScreen(HWND window, bool fullScreen, int width, int height) = 0;
  // Moves and sizes the window's client area (desktop coordinates).
  virtual bool MoveClientArea(HWND window, const RECT& area) = 0;
};
// The client area of a window as the installed host reports it.
bool ClientArea(HWND window, RECT* area);
bool MoveClientArea(HWND window, const RECT& area);
// Installs a host (null: the built-in one, which has no windows and shows
// nothing). Returns the previous one.
WindowHost* SetWindowHost(WindowHost* host);
// Puts the stand-in on the platform's windows: the desktop takes the
// screen's size (SM_CXSCREEN x SM_CYSCREEN) and frames go to PresentFrame.
void UsePlatformWindows();

// Failures to inject; each holds the code the call returns (0: none).
struct Faults {
  HRESULT createEx = 0;
  HRESULT create = 0;
  HRESULT queryDirectDraw = 0;  // QueryInterface for IID_IDirectDraw
  HRESULT querySurface = 0;     // QueryInterface of a new surface for the old interface
  HRESULT querySurface7 = 0;    // QueryInterface of a surface for IID_IDirectDrawSurface7
  HRESULT createSurface = 0;    // CreateSurface whose caps contain all of createSurfaceCaps
  DWORD createSurfaceCaps = 0;
  int createSurfaceSkip = 0;  // that many matching calls still succeed before the fault hits
  HRESULT createClipper = 0;
  HRESULT lock = 0;
  HRESULT blt = 0;
  HRESULT flip = 0;
  HRESULT exclusiveLevel = 0;  // SetCooperativeLevel with DDSCL_EXCLUSIVE
  HRESULT setDisplayMode = 0;
  HRESULT getAttachedSurface = 0;
  HRESULT createPalette = 0;
  bool entryEx = true;        // "DirectDrawCreateEx" can be looked up
  bool entry = true;          // "DirectDrawCreate" can be looked up
  bool surfacesLost = false;  // Lock, Blt and Flip report DDERR_SURFACELOST
};

// What the stand-in reports about the machine.
struct Machine {
  int desktopWidth = 1024;
  int desktopHeight = 768;
  Format desktopFormat = Format::kRGB888;
  Format sixteenBitFormat = Format::kRGB565;  // what a 16-bit mode means
  HRESULT monitorFrequencyResult = 0;
  DWORD monitorFrequency = 60;
  DWORD videoMemoryTotal = 64u << 20;
  DWORD videoMemoryFree = 48u << 20;
  HRESULT deviceIdentifierResult = 0;
  // Empty: the program's own binary, a file that exists and has a date.
  std::string driver;
  std::string description = "Kivo software display";
  DWORD vendorId = 0x1AF4;
  DWORD deviceId = 0x1050;
};

// Resets the machine, the faults, the desktop and the display mode.
void Reset(const Machine& machine = Machine());
Faults& GetFaults();
Machine& GetMachine();

// The name lookup the display uses in place of the system library's;
// honours Faults::entryEx and Faults::entry. Null when switched off.
void* LookupEntryPoint(const char* name);

// Live object counts, for leak checks.
int LiveDirectDrawObjects();
int LiveSurfaces();
int LiveClippers();
int LivePalettes();

// Direct access to a surface's memory for the 3D device, which draws into
// render targets and reads textures without locking them. version grows with
// every write access (unlocked-for-writing Lock, Blt into it, Flip), so a
// decoded copy of a texture can tell when it is stale; serial is unique per
// surface for the life of the process. A palettised surface with a palette
// gives its 256 entries as 0xAARRGGBB (alpha from peFlags) and a palette
// version that changes with the palette or its entries.
struct SurfaceView {
  std::uint8_t* pixels = nullptr;
  int width = 0;
  int height = 0;
  int pitch = 0;
  Format format = Format::kRGB888;
  DWORD caps = 0;
  std::uint64_t serial = 0;
  std::uint64_t version = 0;
  const std::uint32_t* palette = nullptr;
  std::uint64_t paletteVersion = 0;
};
bool ViewSurface(IDirectDrawSurface7* surface, SurfaceView* view);
bool ViewSurface(IDirectDrawSurface* surface, SurfaceView* view);
// Marks a surface written through a view.
void NoteSurfaceWritten(IDirectDrawSurface7* surface);

// The desktop as it is now: width, height, format, and a copy of its pixels
// converted to 0xAARRGGBB (alpha 0xFF).
int DesktopWidth();
int DesktopHeight();
Format DesktopFormat();
void CopyDesktop(std::uint32_t* out);
// Whether a full-screen display mode is set now.
bool DisplayModeSet();
// Shows what other threads wrote to the primary since the last present;
// the main thread's message pump calls it.
void PresentPending();

// Pads a row past width x bytes so that code assuming tight rows fails.
constexpr int kPitchPadding = 24;

}  // namespace DDrawStandIn
