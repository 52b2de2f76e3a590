// The Direct3D 7 stand-in: a Direct3D object queried from the DirectDraw
// stand-in (IID_IDirect3D7) and a software device that draws into that
// stand-in's surfaces with the rasterizer of D3DRaster.h.
//
// What it draws: pre-transformed vertices (FVF 0x1C4, 0x244) and untransformed
// ones (0x242: world x view x projection as row vectors, clipped to
// 0 <= z <= w, divided and mapped to the viewport with y flipped) as triangle
// lists, strips and fans, and pre-transformed line strips; two texture stages
// over A8R8G8B8, A4R4G4B4, R5G6B5 and palettised (alpha in the palette)
// textures, point or linear filtered, wrapped or clamped; the blend factors
// ZERO, ONE, SRCCOLOR, INVSRCCOLOR, SRCALPHA, INVSRCALPHA, DESTCOLOR,
// INVDESTCOLOR with result = src x SRC + dst x DEST, clamped. Draws go
// straight into the render target, so software blits into the same surface
// keep their order. There is no depth buffer: depth, dithering, specular,
// lighting and culling states are accepted and have no effect.
//
// Failures: another vertex format or primitive type, a null transform, a
// viewport outside the target, a scene begun twice or ended without a begin
// fail with the stand-in's codes (platform/DirectXCodes.h). Device
// creation, SetRenderTarget and DrawPrimitive failures and a faulty blend can
// be injected (D3DStandIn::Faults); texture creation and Lock failures come
// from the DirectDraw stand-in's faults. The capabilities the device reports
// are configurable (D3DStandIn::Caps).
#pragma once

#include <cstdint>

#include "platform/devices/DDraw.h"

typedef GUID CLSID;
typedef const GUID& REFCLSID;

extern const GUID IID_IDirect3DHALDevice;
extern const GUID IID_IDirect3DDevice7;

// ---- constants (our numbering) -----------------------------------------------

enum D3DPRIMITIVETYPE : DWORD {
  D3DPT_POINTLIST = 1,
  D3DPT_LINELIST = 2,
  D3DPT_LINESTRIP = 3,
  D3DPT_TRIANGLELIST = 4,
  D3DPT_TRIANGLESTRIP = 5,
  D3DPT_TRIANGLEFAN = 6,
};

enum D3DTRANSFORMSTATETYPE : DWORD {
  D3DTRANSFORMSTATE_WORLD = 1,
  D3DTRANSFORMSTATE_VIEW = 2,
  D3DTRANSFORMSTATE_PROJECTION = 3,
};

enum D3DRENDERSTATETYPE : DWORD {
  D3DRENDERSTATE_ZENABLE = 7,
  D3DRENDERSTATE_ZWRITEENABLE = 14,
  D3DRENDERSTATE_SRCBLEND = 19,
  D3DRENDERSTATE_DESTBLEND = 20,
  D3DRENDERSTATE_CULLMODE = 22,
  D3DRENDERSTATE_DITHERENABLE = 26,
  D3DRENDERSTATE_ALPHABLENDENABLE = 27,
  D3DRENDERSTATE_SPECULARENABLE = 29,
  D3DRENDERSTATE_LIGHTING = 137,
};

enum D3DBLEND : DWORD {
  D3DBLEND_ZERO = 1,
  D3DBLEND_ONE = 2,
  D3DBLEND_SRCCOLOR = 3,
  D3DBLEND_INVSRCCOLOR = 4,
  D3DBLEND_SRCALPHA = 5,
  D3DBLEND_INVSRCALPHA = 6,
  D3DBLEND_DESTALPHA = 7,
  D3DBLEND_INVDESTALPHA = 8,
  D3DBLEND_DESTCOLOR = 9,
  D3DBLEND_INVDESTCOLOR = 10,
};

enum D3DCULL : DWORD { D3DCULL_NONE = 1, D3DCULL_CW = 2, D3DCULL_CCW = 3 };

enum D3DTEXTURESTAGESTATETYPE : DWORD {
  D3DTSS_COLOROP = 1,
  D3DTSS_COLORARG1 = 2,
  D3DTSS_COLORARG2 = 3,
  D3DTSS_ALPHAOP = 4,
  D3DTSS_ALPHAARG1 = 5,
  D3DTSS_ALPHAARG2 = 6,
  D3DTSS_TEXCOORDINDEX = 11,
  D3DTSS_ADDRESS = 12,
  D3DTSS_ADDRESSU = 13,
  D3DTSS_ADDRESSV = 14,
  D3DTSS_MAGFILTER = 16,
  D3DTSS_MINFILTER = 17,
  D3DTSS_MIPFILTER = 18,
};

enum D3DTEXTUREOP : DWORD {
  D3DTOP_DISABLE = 1,
  D3DTOP_SELECTARG1 = 2,
  D3DTOP_SELECTARG2 = 3,
  D3DTOP_MODULATE = 4,
  D3DTOP_ADD = 7,
};

constexpr DWORD D3DTA_DIFFUSE = 0;
constexpr DWORD D3DTA_CURRENT = 1;
constexpr DWORD D3DTA_TEXTURE = 2;

enum D3DTEXTUREADDRESS : DWORD { D3DTADDRESS_WRAP = 1, D3DTADDRESS_MIRROR = 2, D3DTADDRESS_CLAMP = 3 };
enum D3DTEXTUREMAGFILTER : DWORD { D3DTFG_POINT = 1, D3DTFG_LINEAR = 2 };
enum D3DTEXTUREMINFILTER : DWORD { D3DTFN_POINT = 1, D3DTFN_LINEAR = 2 };
enum D3DTEXTUREMIPFILTER : DWORD { D3DTFP_NONE = 1, D3DTFP_POINT = 2, D3DTFP_LINEAR = 3 };

constexpr DWORD D3DCLEAR_TARGET = 0x1;
constexpr DWORD D3DCLEAR_ZBUFFER = 0x2;
constexpr DWORD D3DDP_WAIT = 0x1;

// Vertex formats.
constexpr DWORD D3DFVF_XYZ = 0x002;
constexpr DWORD D3DFVF_XYZRHW = 0x004;
constexpr DWORD D3DFVF_DIFFUSE = 0x040;
constexpr DWORD D3DFVF_SPECULAR = 0x080;
constexpr DWORD D3DFVF_TEX1 = 0x100;
constexpr DWORD D3DFVF_TEX2 = 0x200;
constexpr DWORD D3DFVF_TLVERTEX = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX1;  // 0x1C4

constexpr DWORD D3DPTEXTURECAPS_ALPHAPALETTE = 0x80;

constexpr HRESULT D3DENUMRET_CANCEL = 0;
constexpr HRESULT D3DENUMRET_OK = 1;

// ---- records --------------------------------------------------------------------

struct D3DMATRIX {
  float m[4][4];
};

struct D3DVIEWPORT7 {
  DWORD dwX;
  DWORD dwY;
  DWORD dwWidth;
  DWORD dwHeight;
  float dvMinZ;
  float dvMaxZ;
};

struct D3DRECT {
  LONG x1;
  LONG y1;
  LONG x2;
  LONG y2;
};

struct D3DPRIMCAPS {
  DWORD dwSize;
  DWORD dwMiscCaps;
  DWORD dwRasterCaps;
  DWORD dwZCmpCaps;
  DWORD dwSrcBlendCaps;
  DWORD dwDestBlendCaps;
  DWORD dwAlphaCmpCaps;
  DWORD dwShadeCaps;
  DWORD dwTextureCaps;
  DWORD dwTextureFilterCaps;
  DWORD dwTextureBlendCaps;
  DWORD dwTextureAddressCaps;
  DWORD dwStippleWidth;
  DWORD dwStippleHeight;
};

struct D3DDEVICEDESC7 {
  DWORD dwDevCaps;
  D3DPRIMCAPS dpcLineCaps;
  D3DPRIMCAPS dpcTriCaps;
  DWORD dwDeviceRenderBitDepth;
  DWORD dwDeviceZBufferBitDepth;
  DWORD dwMinTextureWidth;
  DWORD dwMinTextureHeight;
  DWORD dwMaxTextureWidth;
  DWORD dwMaxTextureHeight;
  DWORD dwMaxTextureRepeat;
  DWORD dwMaxTextureAspectRatio;
  DWORD dwMaxAnisotropy;
  std::uint16_t wMaxTextureBlendStages;
  std::uint16_t wMaxSimultaneousTextures;
  GUID deviceGUID;
};

// The pre-transformed vertex (0x1C4), its two-texture form (0x244) and the
// untransformed one with two coordinate sets (0x242).
struct D3DTLVERTEX {
  float sx, sy, sz, rhw;
  DWORD color;
  DWORD specular;
  float tu, tv;
};
struct D3DTLVERTEX2 {
  float sx, sy, sz, rhw;
  DWORD color;
  float tu0, tv0, tu1, tv1;
};
struct D3DVERTEX3D2 {
  float x, y, z;
  DWORD color;
  float tu0, tv0, tu1, tv1;
};

typedef HRESULT (*LPD3DENUMPIXELFORMATSCALLBACK)(DDPIXELFORMAT* format, void* context);

// ---- interfaces ---------------------------------------------------------------------

class IDirect3DDevice7;

class IDirect3D7 : public IUnknown {
 public:
  // Only IID_IDirect3DHALDevice, only on a 3DDEVICE surface of 16 or 32 bits.
  virtual HRESULT CreateDevice(REFCLSID deviceId, IDirectDrawSurface7* target, IDirect3DDevice7** out) = 0;

 protected:
  ~IDirect3D7() = default;
};

class IDirect3DDevice7 : public IUnknown {
 public:
  virtual HRESULT GetCaps(D3DDEVICEDESC7* desc) = 0;
  // Calls back once per offered format until the callback returns 0.
  virtual HRESULT EnumTextureFormats(LPD3DENUMPIXELFORMATSCALLBACK callback, void* context) = 0;
  virtual HRESULT BeginScene() = 0;
  virtual HRESULT EndScene() = 0;
  virtual HRESULT Clear(DWORD count, D3DRECT* rects, DWORD flags, DWORD color, float z, DWORD stencil) = 0;
  virtual HRESULT SetTransform(D3DTRANSFORMSTATETYPE type, D3DMATRIX* matrix) = 0;
  virtual HRESULT GetTransform(D3DTRANSFORMSTATETYPE type, D3DMATRIX* matrix) = 0;
  virtual HRESULT SetViewport(D3DVIEWPORT7* viewport) = 0;
  virtual HRESULT GetViewport(D3DVIEWPORT7* viewport) = 0;
  virtual HRESULT SetRenderState(D3DRENDERSTATETYPE type, DWORD value) = 0;
  virtual HRESULT GetRenderState(D3DRENDERSTATETYPE type, DWORD* value) = 0;
  virtual HRESULT SetTexture(DWORD stage, IDirectDrawSurface7* texture) = 0;
  virtual HRESULT GetTexture(DWORD stage, IDirectDrawSurface7** texture) = 0;
  virtual HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) = 0;
  virtual HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) = 0;
  virtual HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, DWORD vertexFormat, void* vertices, DWORD count,
                                DWORD flags) = 0;
  virtual HRESULT SetRenderTarget(IDirectDrawSurface7* target, DWORD flags) = 0;
  virtual HRESULT GetRenderTarget(IDirectDrawSurface7** target) = 0;

 protected:
  ~IDirect3DDevice7() = default;
};

// ---- control of the stand-in ------------------------------------------------------

namespace D3DStandIn {

// What GetCaps and EnumTextureFormats report. The default offer suits a
// 32-bit frame: R5G6B5 only when asked for, since it would only band
// opaque pictures there.
struct Caps {
  DWORD minTextureWidth = 1;
  DWORD minTextureHeight = 1;
  DWORD maxTextureWidth = 2048;
  DWORD maxTextureHeight = 2048;
  DWORD maxTextureAspectRatio = 0;  // 0: no limit
  bool alphaPalette = true;         // D3DPTEXTURECAPS_ALPHAPALETTE
  bool offerA8R8G8B8 = true;
  bool offerA4R4G4B4 = true;
  bool offerR5G6B5 = false;
  bool offerPalette8 = true;
};

// Failures to inject; each holds the code the call returns (0: none).
struct Faults {
  HRESULT createDevice = 0;
  HRESULT getCaps = 0;
  HRESULT setRenderTarget = 0;
  HRESULT drawPrimitive = 0;
  bool faultyBlend = false;  // SRCALPHA read as ONE, as broken hardware does
  // The other blend and clipping faults broken cards show, one each:
  bool faultyAdditive = false;  // destination ONE read as ZERO: additive draws replace
  bool faultyAlphaAdd = false;  // source SRCALPHA over destination ONE read as ONE
  bool faultyModulate = false;  // alpha MODULATE takes the texture's alpha alone
  // Pre-transformed primitives reaching more than a pixel past the left edge
  // land one pixel to the right.
  bool faultyEdgeClip = false;
};

// Resets the caps, the faults and the reference switch.
void Reset();
Caps& GetCaps();
Faults& GetFaults();
// Live devices and Direct3D objects, for leak checks.
int LiveDevices();
int LiveDirect3D();

}  // namespace D3DStandIn
