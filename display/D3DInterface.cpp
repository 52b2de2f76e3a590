// The Direct3D renderer's core: device start, frame states, blend table,
// scenes, transforms around 3D draws, texture bookkeeping and error reports.
#include "display/D3DInterface.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "display/D3DTextureData.h"
#include "display/DDInterface.h"
#include "display/DirectXErrorNames.h"
#include "image/MemoryImage.h"
#include "platform/Dialogs.h"
#include "platform/Registry.h"
#include "platform/Windows.h"
#include "shell/base/Lock.h"

namespace Kivo {

int32_t gMinTextureWidth = 64;
int32_t gMinTextureHeight = 64;
int32_t gMaxTextureWidth = 64;
int32_t gMaxTextureHeight = 64;
int32_t gMaxTextureAspect = 1;
uint32_t gSupportedTextureFormats = 0;
std::string gLastDirectXError;
std::atomic<bool> g3DDrawFailed{false};
std::string gD3DRegistryKey;

namespace {

struct FormatRow {
  uint32_t format;
  const char* name;
  DWORD flags;
  DWORD bits;
  DWORD alpha, red, green, blue;
};

constexpr FormatRow kFormatRows[] = {
    {kFormat8888, "A8R8G8B8", DDPF_RGB | DDPF_ALPHAPIXELS, 32, 0xFF000000u, 0xFF0000, 0xFF00, 0xFF},
    {kFormat4444, "A4R4G4B4", DDPF_RGB | DDPF_ALPHAPIXELS, 16, 0xF000, 0xF00, 0xF0, 0xF},
    {kFormat565, "R5G6B5", DDPF_RGB, 16, 0, 0xF800, 0x7E0, 0x1F},
    {kFormatPalette8, "Palette8", DDPF_RGB | DDPF_PALETTEINDEXED8, 8, 0, 0, 0, 0},
};

// Writes the runtime error under the application's key, skipping a rewrite
// of the text already stored: failures can repeat many times a frame and
// every store write syncs to disk.
void StoreRuntimeError(const std::string& text) {
  static std::mutex mutex;
  static std::string lastKey;
  static std::string lastText;
  if (gD3DRegistryKey.empty()) return;
  std::lock_guard<std::mutex> guard(mutex);
  if (lastKey == gD3DRegistryKey && lastText == text) return;
  HKEY key = nullptr;
  const std::string path = "SOFTWARE\\" + gD3DRegistryKey + "\\Test3D";
  if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, "", REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return;
  if (RegSetValueExA(key, "RuntimeError", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                     static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS) {
    lastKey = gD3DRegistryKey;
    lastText = text;
  }
  RegCloseKey(key);
}

template <typename T>
void ReleaseAndClear(T*& object) {
  if (object != nullptr) {
    object->Release();
    object = nullptr;
  }
}

}  // namespace

void FillTexturePixelFormat(uint32_t format, DDPIXELFORMAT* out) {
  std::memset(out, 0, sizeof(*out));
  out->dwSize = sizeof(DDPIXELFORMAT);
  for (const FormatRow& row : kFormatRows) {
    if (row.format != format) continue;
    out->dwFlags = row.flags;
    out->dwRGBBitCount = row.bits;
    out->dwRGBAlphaBitMask = row.alpha;
    out->dwRBitMask = row.red;
    out->dwGBitMask = row.green;
    out->dwBBitMask = row.blue;
  }
}

uint32_t ClassifyTexturePixelFormat(const DDPIXELFORMAT& pf) {
  for (const FormatRow& row : kFormatRows) {
    if (row.format == kFormatPalette8) {
      if (pf.dwFlags == row.flags && pf.dwRGBBitCount == 8) return row.format;
      continue;
    }
    if (pf.dwFlags == row.flags && pf.dwRGBBitCount == row.bits && pf.dwRGBAlphaBitMask == row.alpha &&
        pf.dwRBitMask == row.red && pf.dwGBitMask == row.green && pf.dwBBitMask == row.blue)
      return row.format;
  }
  return kFormatNone;
}

const char* TextureFormatName(uint32_t format) {
  for (const FormatRow& row : kFormatRows)
    if (row.format == format) return row.name;
  return "";
}

bool CheckD3DResult(HRESULT result, const std::string& callName) {
  if (!FAILED(result)) return false;
  gLastDirectXError = callName + ": " + GetDirectXErrorName(result);
  StoreRuntimeError(gLastDirectXError);
  return true;
}

HRESULT EnumTextureFormatsCallback(DDPIXELFORMAT* format, void*) {
  if (format != nullptr) gSupportedTextureFormats |= ClassifyTexturePixelFormat(*format);
  return D3DENUMRET_OK;
}

D3DInterface::D3DInterface() {
  gLastDirectXError.clear();  // a new renderer has not failed yet
  gMinTextureWidth = gMinTextureHeight = 64;
  gMaxTextureWidth = gMaxTextureHeight = 64;
  gMaxTextureAspect = 1;
  showMessage = [](const char* text) { MessageBoxA(nullptr, text, "", MB_OK); };
}

D3DInterface::~D3DInterface() { ReleaseAllTextures(); }

bool D3DInterface::Init(DDInterface* owner) {
  gLastDirectXError.clear();
  ReleaseDevice();
  display = owner;
  if (owner == nullptr) return false;
  directDraw7 = owner->directDraw7;
  window = owner->window;
  width = owner->width;
  height = owner->height;
  sceneOpen = false;
  if (owner->drawSurface == nullptr) {
    CheckD3DResult(DDERR_INVALIDOBJECT, "Query DrawSurface");
    return false;
  }
  void* surface = nullptr;
  if (CheckD3DResult(owner->drawSurface->QueryInterface(IID_IDirectDrawSurface7, &surface), "Query DrawSurface"))
    return false;
  drawSurface7 = static_cast<IDirectDrawSurface7*>(surface);
  return CreateDevice();
}

bool D3DInterface::CreateDevice() {
  if (directDraw7 == nullptr) {
    CheckD3DResult(DDERR_INVALIDOBJECT, "QueryInterface IID_IDirect3D7");
    return false;
  }
  void* d3d = nullptr;
  if (CheckD3DResult(directDraw7->QueryInterface(IID_IDirect3D7, &d3d), "QueryInterface IID_IDirect3D7")) return false;
  direct3D = static_cast<IDirect3D7*>(d3d);
  if (CheckD3DResult(direct3D->CreateDevice(IID_IDirect3DHALDevice, drawSurface7, &device),
                     "CreateDevice IID_IDirect3DHALDevice")) {
    device = nullptr;
    return false;
  }
  D3DDEVICEDESC7 desc;
  std::memset(&desc, 0, sizeof(desc));
  if (CheckD3DResult(device->GetCaps(&desc), "")) return false;

  gMinTextureWidth = static_cast<int32_t>(desc.dwMinTextureWidth);
  gMinTextureHeight = static_cast<int32_t>(desc.dwMinTextureHeight);
  gMaxTextureWidth = static_cast<int32_t>(desc.dwMaxTextureWidth);
  gMaxTextureHeight = static_cast<int32_t>(desc.dwMaxTextureHeight);
  gMaxTextureAspect = static_cast<int32_t>(desc.dwMaxTextureAspectRatio);
  if (gMaxTextureWidth == 0) {
    // No reported limits: trust 64 x 64 textures only.
    gMinTextureWidth = gMinTextureHeight = gMaxTextureWidth = gMaxTextureHeight = 64;
    gMaxTextureAspect = 1;
  }
  gMaxTextureWidth = std::min(gMaxTextureWidth, 1024);
  gMaxTextureHeight = std::min(gMaxTextureHeight, 1024);
  gMinTextureWidth = std::max(gMinTextureWidth, 1);
  gMinTextureHeight = std::max(gMinTextureHeight, 1);
  // A non-positive maximum (a huge unsigned value read back) cannot size a texture.
  if (gMaxTextureWidth < 1) gMaxTextureWidth = 1024;
  if (gMaxTextureHeight < 1) gMaxTextureHeight = 1024;
  if (gMaxTextureAspect <= 0) gMaxTextureAspect = 65536;

  gSupportedTextureFormats = 0;
  device->EnumTextureFormats(EnumTextureFormatsCallback, nullptr);
  if ((desc.dpcTriCaps.dwTextureCaps & D3DPTEXTURECAPS_ALPHAPALETTE) == 0)
    gSupportedTextureFormats &= ~static_cast<uint32_t>(kFormatPalette8);

  SetupViewport();
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u, 1.0f, 0);
  return true;
}

void D3DInterface::SetupViewport() {
  RECT client{0, 0, width, height};
  RECT area{};
  if (window != nullptr && DDrawStandIn::ClientArea(window, &area) && area.right > area.left && area.bottom > area.top)
    client = RECT{0, 0, area.right - area.left, area.bottom - area.top};
  viewport = D3DVIEWPORT7{0, 0, static_cast<DWORD>(client.right), static_cast<DWORD>(client.bottom), -100.0f, 100.0f};
  if (device != nullptr) device->SetViewport(&viewport);
}

bool D3DInterface::PreDraw() {
  if (window != nullptr && IsIconic(window)) return false;
  if (sceneOpen) return true;
  if (device == nullptr) return false;
  if (FAILED(device->SetRenderTarget(drawSurface7, 0))) {
    g3DDrawFailed = true;
    return false;
  }
  g3DDrawFailed = false;
  device->BeginScene();
  device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, 1);
  device->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA);
  device->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA);
  device->SetRenderState(D3DRENDERSTATE_LIGHTING, 0);
  device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTFN_POINT);
  device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTFG_POINT);
  device->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTFP_NONE);
  device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  device->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
  device->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_CLAMP);
  device->SetTextureStageState(1, D3DTSS_MINFILTER, D3DTFN_LINEAR);
  device->SetTextureStageState(1, D3DTSS_MAGFILTER, D3DTFG_LINEAR);
  device->SetTextureStageState(1, D3DTSS_MIPFILTER, D3DTFP_POINT);
  device->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  device->SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_CURRENT);
  device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
  device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
  device->SetTextureStageState(1, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP);
  device->SetTextureStageState(1, D3DTSS_ADDRESSV, D3DTADDRESS_WRAP);
  device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTFN_LINEAR);
  device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTFG_LINEAR);
  device->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTFP_POINT);
  device->SetRenderState(D3DRENDERSTATE_DITHERENABLE, 0);
  device->SetRenderState(D3DRENDERSTATE_SPECULARENABLE, 0);
  device->SetRenderState(D3DRENDERSTATE_ZWRITEENABLE, 0);
  device->SetRenderState(D3DRENDERSTATE_ZENABLE, 0);
  device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
  sceneOpen = true;
  return true;
}

void D3DInterface::SetBlendMode(int32_t drawMode, const Color*, MemoryImage*) {
  if (device == nullptr) return;
  DWORD arg1, src, dest;
  switch (drawMode) {
    case 0: arg1 = D3DTA_TEXTURE, src = D3DBLEND_SRCALPHA, dest = D3DBLEND_INVSRCALPHA; break;
    case 1: arg1 = D3DTA_TEXTURE, src = D3DBLEND_SRCALPHA, dest = D3DBLEND_ONE; break;
    case 2: arg1 = D3DTA_TEXTURE, src = D3DBLEND_ZERO, dest = D3DBLEND_SRCCOLOR; break;
    case 3: arg1 = D3DTA_TEXTURE, src = D3DBLEND_DESTCOLOR, dest = D3DBLEND_SRCCOLOR; break;
    case 4: arg1 = D3DTA_DIFFUSE, src = D3DBLEND_SRCALPHA, dest = D3DBLEND_INVSRCALPHA; break;
    case 5: arg1 = D3DTA_DIFFUSE, src = D3DBLEND_SRCALPHA, dest = D3DBLEND_ONE; break;
    default: return;  // the previous draw's states stay
  }
  device->SetTextureStageState(0, D3DTSS_COLORARG1, arg1);
  device->SetRenderState(D3DRENDERSTATE_SRCBLEND, src);
  device->SetRenderState(D3DRENDERSTATE_DESTBLEND, dest);
}

void D3DInterface::Flush() {
  if (!sceneOpen) return;
  if (device != nullptr) device->EndScene();
  sceneOpen = false;
  gLastDirectXError.clear();
}

void D3DInterface::Begin3D(const D3DMATRIX* world, const D3DMATRIX* projection, const D3DMATRIX* view) {
  const char* missing = world == nullptr        ? "matWorld"
                        : projection == nullptr ? "matProj"
                        : view == nullptr       ? "matView"
                        : device == nullptr     ? "mD3DDevice"
                                                : nullptr;
  if (missing != nullptr && showMessage) showMessage(missing);
  if (device == nullptr) return;
  device->SetRenderState(D3DRENDERSTATE_ZENABLE, 1);
  device->GetTransform(D3DTRANSFORMSTATE_WORLD, &savedWorld);
  device->GetTransform(D3DTRANSFORMSTATE_PROJECTION, &savedProjection);
  device->GetTransform(D3DTRANSFORMSTATE_VIEW, &savedView);
  // A missing matrix leaves that transform as it is; the others still apply.
  if (world != nullptr) device->SetTransform(D3DTRANSFORMSTATE_WORLD, const_cast<D3DMATRIX*>(world));
  if (projection != nullptr) device->SetTransform(D3DTRANSFORMSTATE_PROJECTION, const_cast<D3DMATRIX*>(projection));
  if (view != nullptr) device->SetTransform(D3DTRANSFORMSTATE_VIEW, const_cast<D3DMATRIX*>(view));
}

void D3DInterface::End3D() {
  if (device == nullptr) return;
  device->SetTransform(D3DTRANSFORMSTATE_WORLD, &savedWorld);
  device->SetTransform(D3DTRANSFORMSTATE_PROJECTION, &savedProjection);
  device->SetTransform(D3DTRANSFORMSTATE_VIEW, &savedView);
  device->SetRenderState(D3DRENDERSTATE_ZENABLE, 0);
}

bool D3DInterface::EnsureTexture(MemoryImage* image) {
  if (image == nullptr || device == nullptr) return false;
  bool created = false;
  bool discard = false;
  if (image->textureData == nullptr) {
    image->textureData = new TextureData();
    image->textureKeeper = this;
    discard = image->discardWanted;
    created = true;
    if (display != nullptr) {
      ScopedLock lock(display->displayLock);
      texturedImages.insert(image);
    } else {
      texturedImages.insert(image);
    }
  }
  TextureData* data = image->textureData;
  data->CheckUpToDate(image, device, directDraw7);
  if (created && discard) image->DiscardBits();
  // An image without pixels has no pieces: nothing could be bound.
  return data->format != kFormatNone && !data->pieces.empty();
}

void D3DInterface::RemoveTexture(MemoryImage* image) {
  if (image == nullptr || image->textureData == nullptr) return;
  delete image->textureData;
  image->textureData = nullptr;
  if (display != nullptr) {
    ScopedLock lock(display->displayLock);
    texturedImages.erase(image);
  } else {
    texturedImages.erase(image);
  }
}

void D3DInterface::ReleaseAllTextures() {
  D3DInterface::Flush();  // this renderer's own scene, whatever a subclass does in Flush
  for (MemoryImage* image : texturedImages) {
    delete image->textureData;
    image->textureData = nullptr;
  }
  texturedImages.clear();
  ReleaseDevice();
}

void D3DInterface::ReleaseDevice() {
  sceneOpen = false;
  ReleaseAndClear(device);
  ReleaseAndClear(direct3D);
  ReleaseAndClear(drawSurface7);
}

bool D3DInterface::ReadTextureBits(MemoryImage* image) {
  if (image == nullptr || image->textureData == nullptr || image->bits == nullptr) return false;
  TextureData* data = image->textureData;
  if (data->uploadedChangeCount != image->changeCount) return false;
  if (data->uploadedWidth != image->width || data->uploadedHeight != image->height) return false;
  for (int32_t r = 0; r < data->rows; ++r) {
    for (int32_t c = 0; c < data->columns; ++c) {
      const TexturePiece& piece =
          data->pieces[static_cast<size_t>(r) * static_cast<size_t>(data->columns) + static_cast<size_t>(c)];
      if (piece.surface == nullptr) return false;
      DDSURFACEDESC2 desc;
      std::memset(&desc, 0, sizeof(desc));
      desc.dwSize = sizeof(desc);
      if (CheckD3DResult(piece.surface->Lock(nullptr, &desc, DDLOCK_WAIT | DDLOCK_READONLY, nullptr), "Lock Texture"))
        return false;
      const int32_t x = c * data->pieceWidth, y = r * data->pieceHeight;
      const int32_t w = std::min(piece.width, image->width - x);
      const int32_t h = std::min(piece.height, image->height - y);
      const uint8_t* bits = static_cast<const uint8_t*>(desc.lpSurface);
      if (w > 0 && h > 0) {
        switch (data->format) {
          case kFormat8888: CopyTexture8888ToImage(bits, desc.lPitch, image, x, y, w, h); break;
          case kFormat4444: CopyTexture4444ToImage(bits, desc.lPitch, image, x, y, w, h); break;
          case kFormat565: CopyTexture565ToImage(bits, desc.lPitch, image, x, y, w, h); break;
          case kFormatPalette8:
            CopyTexturePalette8ToImage(bits, desc.lPitch, image, x, y, w, h, data->paletteObject);
            break;
          default: break;
        }
      }
      CheckD3DResult(piece.surface->Unlock(nullptr), "Texture Unlock");
    }
  }
  return true;
}

// The image drawing operations are in RenderOps.cpp.

}  // namespace Kivo
