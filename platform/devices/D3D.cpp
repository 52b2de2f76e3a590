// The Direct3D 7 stand-in (see D3D.h): object, device, states, transforms
// and primitive assembly; pixels are the rasterizer's (D3DRaster.cpp).
#include "platform/devices/D3D.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/devices/D3DRaster.h"

const GUID IID_IDirect3DHALDevice = {0x4B490384u, 0x0DD7, 0x0001, {0x4B, 0x49, 0x56, 0x4F, 0, 0, 3, 0x84}};
const GUID IID_IDirect3DDevice7 = {0x4B490387u, 0x0DD7, 0x0001, {0x4B, 0x49, 0x56, 0x4F, 0, 0, 3, 0x87}};

HRESULT CreateDirect3DForDirectDraw(IDirectDraw7* directDraw, void** out);

namespace D3DStandIn {
namespace {

struct Control {
  std::mutex mutex;
  Caps caps;
  Faults faults;
  std::atomic<int> liveDevices{0};
  std::atomic<int> liveDirect3D{0};
};

Control& TheControl() {
  static Control* control = new Control();  // outlives devices released at exit
  return *control;
}

constexpr int kStages = 8;
constexpr int kStageStates = 32;

D3DMATRIX Identity() {
  D3DMATRIX m{};
  for (int i = 0; i < 4; ++i) m.m[i][i] = 1.0f;
  return m;
}

D3DMATRIX Multiply(const D3DMATRIX& a, const D3DMATRIX& b) {
  D3DMATRIX r{};
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      float s = 0;
      for (int k = 0; k < 4; ++k) s += a.m[i][k] * b.m[k][j];
      r.m[i][j] = s;
    }
  return r;
}

bool RenderableFormat(DDrawStandIn::Format f) {
  using DDrawStandIn::Format;
  return f == Format::kRGB888 || f == Format::kBGR888 || f == Format::kRGB565 || f == Format::kRGB555;
}

bool TargetFormatOf(DDrawStandIn::Format f, D3DRaster::TargetFormat* out) {
  using DDrawStandIn::Format;
  switch (f) {
    case Format::kRGB888: *out = D3DRaster::TargetFormat::kXRGB8888; return true;
    case Format::kBGR888: *out = D3DRaster::TargetFormat::kXBGR8888; return true;
    case Format::kRGB565: *out = D3DRaster::TargetFormat::kRGB565; return true;
    case Format::kRGB555: *out = D3DRaster::TargetFormat::kRGB555; return true;
    default: return false;
  }
}

D3DRaster::Blend BlendOf(DWORD v) {
  using D3DRaster::Blend;
  switch (v) {
    case D3DBLEND_ZERO: return Blend::kZero;
    case D3DBLEND_SRCCOLOR: return Blend::kSrcColor;
    case D3DBLEND_INVSRCCOLOR: return Blend::kInvSrcColor;
    case D3DBLEND_SRCALPHA: return Blend::kSrcAlpha;
    case D3DBLEND_INVSRCALPHA: return Blend::kInvSrcAlpha;
    case D3DBLEND_DESTALPHA: return Blend::kDestAlpha;
    case D3DBLEND_INVDESTALPHA: return Blend::kInvDestAlpha;
    case D3DBLEND_DESTCOLOR: return Blend::kDestColor;
    case D3DBLEND_INVDESTCOLOR: return Blend::kInvDestColor;
    default: return Blend::kOne;
  }
}

D3DRaster::Op OpOf(DWORD v) {
  using D3DRaster::Op;
  switch (v) {
    case D3DTOP_SELECTARG1: return Op::kSelectArg1;
    case D3DTOP_SELECTARG2: return Op::kSelectArg2;
    case D3DTOP_MODULATE: return Op::kModulate;
    case D3DTOP_ADD: return Op::kAdd;
    default: return Op::kDisable;
  }
}

D3DRaster::Arg ArgOf(DWORD v) {
  switch (v & 0xF) {
    case D3DTA_DIFFUSE: return D3DRaster::Arg::kDiffuse;
    case D3DTA_TEXTURE: return D3DRaster::Arg::kTexture;
    default: return D3DRaster::Arg::kCurrent;
  }
}

// A texture decoded to 0xAARRGGBB, kept while its surface is unchanged.
struct DecodedTexture {
  std::uint64_t version = 0;
  std::uint64_t paletteVersion = 0;
  std::uint64_t lastScene = 0;
  std::vector<std::uint32_t> texels;
  std::vector<std::uint32_t> runs, rowRuns;
  D3DRaster::Texture texture;
};

bool Decode(const DDrawStandIn::SurfaceView& v, DecodedTexture& out) {
  using DDrawStandIn::Format;
  out.texels.resize(static_cast<size_t>(v.width) * static_cast<size_t>(v.height));
  for (int y = 0; y < v.height; ++y) {
    const std::uint8_t* row = v.pixels + static_cast<std::ptrdiff_t>(y) * v.pitch;
    std::uint32_t* o = out.texels.data() + static_cast<size_t>(y) * static_cast<size_t>(v.width);
    switch (v.format) {
      case Format::kARGB8888: std::memcpy(o, row, static_cast<size_t>(v.width) * 4); break;
      case Format::kARGB4444:
        for (int x = 0; x < v.width; ++x) {
          std::uint16_t t;
          std::memcpy(&t, row + x * 2, 2);
          // Each nibble n widens to n x 17 (0xF -> 0xFF).
          o[x] = ((t >> 12) & 0xFu) * 17u << 24 | ((t >> 8) & 0xFu) * 17u << 16 | ((t >> 4) & 0xFu) * 17u << 8 |
                 (t & 0xFu) * 17u;
        }
        break;
      case Format::kRGB565:
        for (int x = 0; x < v.width; ++x) {
          std::uint16_t t;
          std::memcpy(&t, row + x * 2, 2);
          const std::uint32_t r = t >> 11, g = (t >> 5) & 0x3F, b = t & 0x1F;
          o[x] = 0xFF000000u | (r << 3 | r >> 2) << 16 | (g << 2 | g >> 4) << 8 | (b << 3 | b >> 2);
        }
        break;
      case Format::kPalette8:
        for (int x = 0; x < v.width; ++x) o[x] = v.palette != nullptr ? v.palette[row[x]] : 0xFF000000u;
        break;
      default: return false;
    }
  }
  out.version = v.version;
  out.paletteVersion = v.paletteVersion;
  out.texture.texels = out.texels.data();
  out.texture.width = v.width;
  out.texture.height = v.height;
  D3DRaster::BuildTexelRuns(out.texels.data(), v.width, v.height, out.runs, out.rowRuns);
  out.texture.runs = out.runs.data();
  out.texture.rowRuns = out.rowRuns.data();
  return true;
}

class Direct3D;

class Device final : public IDirect3DDevice7 {
 public:
  Device(IDirectDrawSurface7* target) : mTarget(target) {
    mTarget->AddRef();
    ++TheControl().liveDevices;
    mWorld = mView = mProjection = Identity();
    ResetViewportToTarget();
    for (int s = 0; s < kStages; ++s) {
      DWORD* st = mStageStates[s];
      std::fill(st, st + kStageStates, 0u);
      st[D3DTSS_COLOROP] = s == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
      st[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
      st[D3DTSS_COLORARG2] = D3DTA_CURRENT;
      st[D3DTSS_ALPHAOP] = s == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
      st[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
      st[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
      st[D3DTSS_TEXCOORDINDEX] = static_cast<DWORD>(s);
      st[D3DTSS_ADDRESS] = st[D3DTSS_ADDRESSU] = st[D3DTSS_ADDRESSV] = D3DTADDRESS_WRAP;
      st[D3DTSS_MAGFILTER] = D3DTFG_POINT;
      st[D3DTSS_MINFILTER] = D3DTFN_POINT;
      st[D3DTSS_MIPFILTER] = D3DTFP_NONE;
    }
    mRenderStates[D3DRENDERSTATE_ALPHABLENDENABLE] = 0;
    mRenderStates[D3DRENDERSTATE_SRCBLEND] = D3DBLEND_ONE;
    mRenderStates[D3DRENDERSTATE_DESTBLEND] = D3DBLEND_ZERO;
    mRenderStates[D3DRENDERSTATE_CULLMODE] = D3DCULL_CCW;
    mRenderStates[D3DRENDERSTATE_ZENABLE] = 0;
    mRenderStates[D3DRENDERSTATE_ZWRITEENABLE] = 1;
    mRenderStates[D3DRENDERSTATE_LIGHTING] = 1;
  }

  HRESULT QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return DDERR_INVALIDPARAMS;
    if (iid == IID_IDirect3DDevice7 || iid == IID_IUnknown) {
      AddRef();
      *out = static_cast<IDirect3DDevice7*>(this);
      return D3D_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return static_cast<ULONG>(++mRefs); }
  ULONG Release() override {
    const int left = --mRefs;
    if (left == 0) {
      for (auto*& t : mTextures)
        if (t != nullptr) t->Release();
      mTarget->Release();
      --TheControl().liveDevices;
      delete this;
    }
    return static_cast<ULONG>(left);
  }

  HRESULT GetCaps(D3DDEVICEDESC7* desc) override {
    if (desc == nullptr) return DDERR_INVALIDPARAMS;
    Control& c = TheControl();
    std::lock_guard<std::mutex> guard(c.mutex);
    if (c.faults.getCaps != 0) return c.faults.getCaps;
    std::memset(desc, 0, sizeof(*desc));
    desc->dpcLineCaps.dwSize = desc->dpcTriCaps.dwSize = sizeof(D3DPRIMCAPS);
    desc->dpcTriCaps.dwTextureCaps = c.caps.alphaPalette ? D3DPTEXTURECAPS_ALPHAPALETTE : 0;
    desc->dwDeviceRenderBitDepth = 16 | 32;
    desc->dwMinTextureWidth = c.caps.minTextureWidth;
    desc->dwMinTextureHeight = c.caps.minTextureHeight;
    desc->dwMaxTextureWidth = c.caps.maxTextureWidth;
    desc->dwMaxTextureHeight = c.caps.maxTextureHeight;
    desc->dwMaxTextureAspectRatio = c.caps.maxTextureAspectRatio;
    desc->wMaxTextureBlendStages = 2;
    desc->wMaxSimultaneousTextures = 2;
    desc->deviceGUID = IID_IDirect3DHALDevice;
    return D3D_OK;
  }

  HRESULT EnumTextureFormats(LPD3DENUMPIXELFORMATSCALLBACK callback, void* context) override {
    if (callback == nullptr) return DDERR_INVALIDPARAMS;
    Caps caps;
    {
      std::lock_guard<std::mutex> guard(TheControl().mutex);
      caps = TheControl().caps;
    }
    using DDrawStandIn::Format;
    const std::pair<bool, Format> offers[] = {{caps.offerA8R8G8B8, Format::kARGB8888},
                                              {caps.offerA4R4G4B4, Format::kARGB4444},
                                              {caps.offerR5G6B5, Format::kRGB565},
                                              {caps.offerPalette8, Format::kPalette8}};
    for (const auto& offer : offers) {
      if (!offer.first) continue;
      DDPIXELFORMAT pf = DDrawStandIn::PixelFormatOf(offer.second);
      if (callback(&pf, context) == D3DENUMRET_CANCEL) break;
    }
    return D3D_OK;
  }

  HRESULT BeginScene() override {
    if (mInScene) return D3DERR_SCENE_IN_SCENE;
    mInScene = true;
    return D3D_OK;
  }
  HRESULT EndScene() override {
    if (!mInScene) return D3DERR_SCENE_NOT_IN_SCENE;
    mInScene = false;
    ++mSceneCount;
    // Decoded copies of textures nobody drew with lately are dropped.
    for (auto it = mDecoded.begin(); it != mDecoded.end();)
      it = mSceneCount - it->second.lastScene > 2 ? mDecoded.erase(it) : std::next(it);
    return D3D_OK;
  }

  HRESULT Clear(DWORD count, D3DRECT* rects, DWORD flags, DWORD color, float, DWORD) override {
    if (count > 0 && rects == nullptr) return DDERR_INVALIDPARAMS;
    if ((flags & D3DCLEAR_TARGET) == 0) return D3D_OK;
    D3DRaster::Target target;
    if (!TargetView(&target)) return DDERR_INVALIDOBJECT;
    int x0, y0, x1, y1;
    ClipRect(target, &x0, &y0, &x1, &y1);
    auto fill = [&](int a0, int b0, int a1, int b1) {
      a0 = std::max(a0, x0);
      b0 = std::max(b0, y0);
      a1 = std::min(a1, x1);
      b1 = std::min(b1, y1);
      if (a0 < a1 && b0 < b1) D3DRaster::Fill(target, a0, b0, a1, b1, color);
    };
    if (count == 0) {
      fill(x0, y0, x1, y1);
    } else {
      for (DWORD i = 0; i < count; ++i) fill(rects[i].x1, rects[i].y1, rects[i].x2, rects[i].y2);
    }
    DDrawStandIn::NoteSurfaceWritten(mTarget);
    return D3D_OK;
  }

  HRESULT SetTransform(D3DTRANSFORMSTATETYPE type, D3DMATRIX* matrix) override {
    D3DMATRIX* slot = TransformSlot(type);
    if (slot == nullptr || matrix == nullptr) return DDERR_INVALIDPARAMS;
    *slot = *matrix;
    return D3D_OK;
  }
  HRESULT GetTransform(D3DTRANSFORMSTATETYPE type, D3DMATRIX* matrix) override {
    D3DMATRIX* slot = TransformSlot(type);
    if (slot == nullptr || matrix == nullptr) return DDERR_INVALIDPARAMS;
    *matrix = *slot;
    return D3D_OK;
  }

  HRESULT SetViewport(D3DVIEWPORT7* viewport) override {
    if (viewport == nullptr || viewport->dwWidth == 0 || viewport->dwHeight == 0) return DDERR_INVALIDPARAMS;
    mViewport = *viewport;
    return D3D_OK;
  }
  HRESULT GetViewport(D3DVIEWPORT7* viewport) override {
    if (viewport == nullptr) return DDERR_INVALIDPARAMS;
    *viewport = mViewport;
    return D3D_OK;
  }

  HRESULT SetRenderState(D3DRENDERSTATETYPE type, DWORD value) override {
    mRenderStates[type] = value;
    return D3D_OK;
  }
  HRESULT GetRenderState(D3DRENDERSTATETYPE type, DWORD* value) override {
    if (value == nullptr) return DDERR_INVALIDPARAMS;
    auto it = mRenderStates.find(type);
    *value = it != mRenderStates.end() ? it->second : 0;
    return D3D_OK;
  }

  HRESULT SetTexture(DWORD stage, IDirectDrawSurface7* texture) override {
    if (stage >= kStages) return DDERR_INVALIDPARAMS;
    if (texture != nullptr) {
      DDrawStandIn::SurfaceView v;
      DDrawStandIn::ViewSurface(texture, &v);
      if ((v.caps & DDSCAPS_TEXTURE) == 0) return DDERR_INVALIDSURFACETYPE;
      texture->AddRef();
    }
    if (mTextures[stage] != nullptr) mTextures[stage]->Release();
    mTextures[stage] = texture;
    return D3D_OK;
  }
  HRESULT GetTexture(DWORD stage, IDirectDrawSurface7** texture) override {
    if (stage >= kStages || texture == nullptr) return DDERR_INVALIDPARAMS;
    *texture = mTextures[stage];
    if (*texture != nullptr) (*texture)->AddRef();
    return D3D_OK;
  }

  HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override {
    if (stage >= kStages || type >= kStageStates) return DDERR_INVALIDPARAMS;
    mStageStates[stage][type] = value;
    if (type == D3DTSS_ADDRESS) mStageStates[stage][D3DTSS_ADDRESSU] = mStageStates[stage][D3DTSS_ADDRESSV] = value;
    return D3D_OK;
  }
  HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) override {
    if (stage >= kStages || type >= kStageStates || value == nullptr) return DDERR_INVALIDPARAMS;
    *value = mStageStates[stage][type];
    return D3D_OK;
  }

  HRESULT SetRenderTarget(IDirectDrawSurface7* target, DWORD) override {
    {
      std::lock_guard<std::mutex> guard(TheControl().mutex);
      if (TheControl().faults.setRenderTarget != 0) return TheControl().faults.setRenderTarget;
    }
    if (target == nullptr) return DDERR_INVALIDPARAMS;
    if (!CanRenderInto(target)) return DDERR_INVALIDCAPS;
    target->AddRef();
    mTarget->Release();
    mTarget = target;
    ResetViewportToTarget();
    return D3D_OK;
  }
  HRESULT GetRenderTarget(IDirectDrawSurface7** target) override {
    if (target == nullptr) return DDERR_INVALIDPARAMS;
    mTarget->AddRef();
    *target = mTarget;
    return D3D_OK;
  }

  HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, DWORD fvf, void* vertices, DWORD count, DWORD) override;

  static bool CanRenderInto(IDirectDrawSurface7* surface) {
    DDrawStandIn::SurfaceView v;
    DDrawStandIn::ViewSurface(surface, &v);
    return (v.caps & DDSCAPS_3DDEVICE) != 0 && RenderableFormat(v.format);
  }

 private:
  ~Device() = default;

  D3DMATRIX* TransformSlot(D3DTRANSFORMSTATETYPE type) {
    switch (type) {
      case D3DTRANSFORMSTATE_WORLD: return &mWorld;
      case D3DTRANSFORMSTATE_VIEW: return &mView;
      case D3DTRANSFORMSTATE_PROJECTION: return &mProjection;
    }
    return nullptr;
  }

  void ResetViewportToTarget() {
    DDrawStandIn::SurfaceView v;
    DDrawStandIn::ViewSurface(mTarget, &v);
    mViewport = D3DVIEWPORT7{0, 0, static_cast<DWORD>(v.width), static_cast<DWORD>(v.height), 0.0f, 1.0f};
  }

  bool TargetView(D3DRaster::Target* out) {
    DDrawStandIn::SurfaceView v;
    if (!DDrawStandIn::ViewSurface(mTarget, &v) || !TargetFormatOf(v.format, &out->format)) return false;
    out->pixels = v.pixels;
    out->width = v.width;
    out->height = v.height;
    out->pitch = v.pitch;
    return true;
  }

  // The viewport, clipped to the target.
  void ClipRect(const D3DRaster::Target& t, int* x0, int* y0, int* x1, int* y1) const {
    const std::int64_t vx = mViewport.dwX, vy = mViewport.dwY;
    *x0 = static_cast<int>(std::min<std::int64_t>(vx, t.width));
    *y0 = static_cast<int>(std::min<std::int64_t>(vy, t.height));
    *x1 = static_cast<int>(std::min<std::int64_t>(vx + mViewport.dwWidth, t.width));
    *y1 = static_cast<int>(std::min<std::int64_t>(vy + mViewport.dwHeight, t.height));
  }

  const D3DRaster::Texture* TextureFor(IDirectDrawSurface7* surface) {
    if (surface == nullptr) return nullptr;
    DDrawStandIn::SurfaceView v;
    DDrawStandIn::ViewSurface(surface, &v);
    DecodedTexture& d = mDecoded[v.serial];
    if (d.texture.texels == nullptr || d.version != v.version || d.paletteVersion != v.paletteVersion) {
      if (!Decode(v, d)) {
        mDecoded.erase(v.serial);
        return nullptr;
      }
    }
    d.lastScene = mSceneCount;
    return &d.texture;
  }

  D3DRaster::State BuildState(const D3DRaster::Target& target) {
    D3DRaster::State st;
    Faults faults;
    {
      std::lock_guard<std::mutex> guard(TheControl().mutex);
      faults = TheControl().faults;
    }
    using D3DRaster::Blend;
    st.blendEnable = mRenderStates[D3DRENDERSTATE_ALPHABLENDENABLE] != 0;
    st.srcBlend = BlendOf(mRenderStates[D3DRENDERSTATE_SRCBLEND]);
    st.destBlend = BlendOf(mRenderStates[D3DRENDERSTATE_DESTBLEND]);
    if (faults.faultyAlphaAdd && st.srcBlend == Blend::kSrcAlpha && st.destBlend == Blend::kOne)
      st.srcBlend = Blend::kOne;
    if (faults.faultyBlend && st.srcBlend == Blend::kSrcAlpha) st.srcBlend = Blend::kOne;
    if (faults.faultyAdditive && st.destBlend == Blend::kOne) st.destBlend = Blend::kZero;
    for (int s = 0; s < 2; ++s) {
      const DWORD* ss = mStageStates[s];
      D3DRaster::Stage& out = st.stages[s];
      out.colorOp = OpOf(ss[D3DTSS_COLOROP]);
      out.colorArg1 = ArgOf(ss[D3DTSS_COLORARG1]);
      out.colorArg2 = ArgOf(ss[D3DTSS_COLORARG2]);
      out.alphaOp = OpOf(ss[D3DTSS_ALPHAOP]);
      if (faults.faultyModulate && ss[D3DTSS_ALPHAOP] == D3DTOP_MODULATE) out.alphaOp = OpOf(D3DTOP_SELECTARG1);
      out.alphaArg1 = ArgOf(ss[D3DTSS_ALPHAARG1]);
      out.alphaArg2 = ArgOf(ss[D3DTSS_ALPHAARG2]);
      out.texture = TextureFor(mTextures[s]);
      out.wrapU = ss[D3DTSS_ADDRESSU] != D3DTADDRESS_CLAMP;
      out.wrapV = ss[D3DTSS_ADDRESSV] != D3DTADDRESS_CLAMP;
      out.linear = ss[D3DTSS_MAGFILTER] == D3DTFG_LINEAR || ss[D3DTSS_MINFILTER] == D3DTFN_LINEAR;
      out.texCoordIndex = static_cast<int>(ss[D3DTSS_TEXCOORDINDEX] & 1);
    }
    ClipRect(target, &st.clipX0, &st.clipY0, &st.clipX1, &st.clipY1);
    return st;
  }

  std::atomic<int> mRefs{1};
  IDirectDrawSurface7* mTarget;
  bool mInScene = false;
  std::uint64_t mSceneCount = 0;
  D3DVIEWPORT7 mViewport{};
  D3DMATRIX mWorld, mView, mProjection;
  std::unordered_map<DWORD, DWORD> mRenderStates;
  DWORD mStageStates[kStages][kStageStates];
  IDirectDrawSurface7* mTextures[kStages] = {};
  std::unordered_map<std::uint64_t, DecodedTexture> mDecoded;
};

// ---- primitives ----------------------------------------------------------------------

struct ClipVertex {
  float c[4];  // clip-space x, y, z, w
  D3DRaster::Vertex v;
};

ClipVertex LerpClip(const ClipVertex& a, const ClipVertex& b, float t) {
  ClipVertex o;
  for (int i = 0; i < 4; ++i) o.c[i] = a.c[i] + (b.c[i] - a.c[i]) * t;
  auto l = [t](float p, float q) { return p + (q - p) * t; };
  o.v.r = l(a.v.r, b.v.r);
  o.v.g = l(a.v.g, b.v.g);
  o.v.b = l(a.v.b, b.v.b);
  o.v.a = l(a.v.a, b.v.a);
  for (int k = 0; k < 2; ++k) {
    o.v.u[k] = l(a.v.u[k], b.v.u[k]);
    o.v.v[k] = l(a.v.v[k], b.v.v[k]);
  }
  return o;
}

// Keeps the part of a polygon where dist(v) >= 0.
template <typename Dist>
int ClipHomogeneous(const ClipVertex* in, int n, ClipVertex* out, Dist dist) {
  int m = 0;
  for (int i = 0; i < n; ++i) {
    const ClipVertex& p = in[(i + n - 1) % n];
    const ClipVertex& c = in[i];
    const float dp = dist(p), dc = dist(c);
    if ((dp >= 0) != (dc >= 0)) out[m++] = LerpClip(p, c, dp / (dp - dc));
    if (dc >= 0) out[m++] = c;
  }
  return m;
}

HRESULT Device::DrawPrimitive(D3DPRIMITIVETYPE type, DWORD fvf, void* vertices, DWORD count, DWORD) {
  {
    std::lock_guard<std::mutex> guard(TheControl().mutex);
    if (TheControl().faults.drawPrimitive != 0) return TheControl().faults.drawPrimitive;
  }
  if (vertices == nullptr) return DDERR_INVALIDPARAMS;
  if (!mInScene) return D3DERR_SCENE_NOT_IN_SCENE;
  const bool lines = type == D3DPT_LINESTRIP || type == D3DPT_LINELIST;
  if (!lines && type != D3DPT_TRIANGLELIST && type != D3DPT_TRIANGLESTRIP && type != D3DPT_TRIANGLEFAN)
    return D3DERR_INVALIDPRIMITIVETYPE;
  const DWORD kTL2 = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX2;
  const DWORD k3D = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX2;
  if (fvf != D3DFVF_TLVERTEX && fvf != kTL2 && fvf != k3D) return D3DERR_INVALIDVERTEXFORMAT;
  if (count > (1u << 24)) return DDERR_INVALIDPARAMS;

  D3DRaster::Target target;
  if (!TargetView(&target)) return DDERR_INVALIDOBJECT;
  const D3DRaster::State st = BuildState(target);

  // Vertices in clip space (pre-transformed ones are already on screen).
  std::vector<ClipVertex> cv(count);
  const D3DMATRIX m = Multiply(Multiply(mWorld, mView), mProjection);
  for (DWORD i = 0; i < count; ++i) {
    ClipVertex& o = cv[i];
    if (fvf == D3DFVF_TLVERTEX) {
      const D3DTLVERTEX& s = static_cast<const D3DTLVERTEX*>(vertices)[i];
      o.v = D3DRaster::MakeVertex(s.sx, s.sy, s.rhw, s.color, s.tu, s.tv, s.tu, s.tv);
    } else if (fvf == kTL2) {
      const D3DTLVERTEX2& s = static_cast<const D3DTLVERTEX2*>(vertices)[i];
      o.v = D3DRaster::MakeVertex(s.sx, s.sy, s.rhw, s.color, s.tu0, s.tv0, s.tu1, s.tv1);
    } else {
      const D3DVERTEX3D2& s = static_cast<const D3DVERTEX3D2*>(vertices)[i];
      o.v = D3DRaster::MakeVertex(0, 0, 1, s.color, s.tu0, s.tv0, s.tu1, s.tv1);
      const float p[4] = {s.x, s.y, s.z, 1.0f};
      for (int j = 0; j < 4; ++j) o.c[j] = p[0] * m.m[0][j] + p[1] * m.m[1][j] + p[2] * m.m[2][j] + p[3] * m.m[3][j];
    }
  }
  const bool transformed = fvf == k3D;
  bool faultyEdgeClip;
  {
    std::lock_guard<std::mutex> guard(TheControl().mutex);
    faultyEdgeClip = TheControl().faults.faultyEdgeClip;
  }
  if (faultyEdgeClip && !transformed &&
      std::any_of(cv.begin(), cv.end(), [](const ClipVertex& c) { return c.v.x < -1.0f; }))
    for (ClipVertex& c : cv) c.v.x += 1.0f;
  const float vx = static_cast<float>(mViewport.dwX), vy = static_cast<float>(mViewport.dwY);
  const float hw = mViewport.dwWidth * 0.5f, hh = mViewport.dwHeight * 0.5f;
  auto project = [&](ClipVertex& c) {
    const float q = 1.0f / c.c[3];
    c.v.x = vx + (c.c[0] * q + 1.0f) * hw;
    c.v.y = vy + (1.0f - c.c[1] * q) * hh;
    c.v.q = q;
  };

  auto drawTriangle = [&](const ClipVertex& a, const ClipVertex& b, const ClipVertex& c) {
    if (!transformed) {
      D3DRaster::DrawTriangle(target, st, a.v, b.v, c.v);
      return;
    }
    ClipVertex bufA[9] = {a, b, c}, bufB[9];
    int n = ClipHomogeneous(bufA, 3, bufB, [](const ClipVertex& p) { return p.c[2]; });
    n = ClipHomogeneous(bufB, n, bufA, [](const ClipVertex& p) { return p.c[3] - p.c[2]; });
    n = ClipHomogeneous(bufA, n, bufB, [](const ClipVertex& p) { return p.c[3] - 1e-6f; });
    for (int i = 0; i < n; ++i) project(bufB[i]);
    for (int i = 1; i + 1 < n; ++i) D3DRaster::DrawTriangle(target, st, bufB[0].v, bufB[i].v, bufB[i + 1].v);
  };
  auto drawLine = [&](ClipVertex a, ClipVertex b) {
    if (transformed) {
      if (a.c[3] <= 0 || b.c[3] <= 0) return;
      project(a);
      project(b);
    }
    D3DRaster::DrawLine(target, st, a.v, b.v);
  };

  switch (type) {
    case D3DPT_TRIANGLELIST:
      for (DWORD i = 0; i + 2 < count; i += 3) drawTriangle(cv[i], cv[i + 1], cv[i + 2]);
      break;
    case D3DPT_TRIANGLESTRIP:
      // Four corners of a strip are the renderer's picture quads.
      if (count == 4 && !transformed) {
        D3DRaster::DrawQuad(target, st, cv[0].v, cv[1].v, cv[2].v, cv[3].v);
        break;
      }
      for (DWORD i = 0; i + 2 < count; ++i) drawTriangle(cv[i], cv[i + 1], cv[i + 2]);
      break;
    case D3DPT_TRIANGLEFAN:
      for (DWORD i = 1; i + 1 < count; ++i) drawTriangle(cv[0], cv[i], cv[i + 1]);
      break;
    case D3DPT_LINESTRIP:
      for (DWORD i = 0; i + 1 < count; ++i) drawLine(cv[i], cv[i + 1]);
      break;
    case D3DPT_LINELIST:
      for (DWORD i = 0; i + 1 < count; i += 2) drawLine(cv[i], cv[i + 1]);
      break;
    default: break;
  }
  DDrawStandIn::NoteSurfaceWritten(mTarget);
  return D3D_OK;
}

class Direct3D final : public IDirect3D7 {
 public:
  explicit Direct3D(IDirectDraw7* directDraw) : mDirectDraw(directDraw) {
    mDirectDraw->AddRef();
    ++TheControl().liveDirect3D;
  }
  HRESULT QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return DDERR_INVALIDPARAMS;
    if (iid == IID_IDirect3D7 || iid == IID_IUnknown) {
      AddRef();
      *out = static_cast<IDirect3D7*>(this);
      return D3D_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return static_cast<ULONG>(++mRefs); }
  ULONG Release() override {
    const int left = --mRefs;
    if (left == 0) {
      mDirectDraw->Release();
      --TheControl().liveDirect3D;
      delete this;
    }
    return static_cast<ULONG>(left);
  }
  HRESULT CreateDevice(REFCLSID deviceId, IDirectDrawSurface7* target, IDirect3DDevice7** out) override {
    if (out == nullptr) return DDERR_INVALIDPARAMS;
    *out = nullptr;
    {
      std::lock_guard<std::mutex> guard(TheControl().mutex);
      if (TheControl().faults.createDevice != 0) return TheControl().faults.createDevice;
    }
    if (deviceId != IID_IDirect3DHALDevice) return D3DERR_INVALID_DEVICE;
    if (target == nullptr) return DDERR_INVALIDPARAMS;
    if (!Device::CanRenderInto(target)) return DDERR_INVALIDCAPS;
    *out = new Device(target);
    return D3D_OK;
  }

 private:
  ~Direct3D() = default;
  std::atomic<int> mRefs{1};
  IDirectDraw7* mDirectDraw;
};

}  // namespace

void Reset() {
  Control& c = TheControl();
  std::lock_guard<std::mutex> guard(c.mutex);
  c.caps = Caps();
  c.faults = Faults();
  D3DRaster::ForceReference(false);
}
Caps& GetCaps() { return TheControl().caps; }
Faults& GetFaults() { return TheControl().faults; }
int LiveDevices() { return TheControl().liveDevices.load(); }
int LiveDirect3D() { return TheControl().liveDirect3D.load(); }

}  // namespace D3DStandIn

HRESULT CreateDirect3DForDirectDraw(IDirectDraw7* directDraw, void** out) {
  if (out == nullptr || directDraw == nullptr) return DDERR_INVALIDPARAMS;
  *out = static_cast<IDirect3D7*>(new D3DStandIn::Direct3D(directDraw));
  return D3D_OK;
}
