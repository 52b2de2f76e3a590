// The renderer core on a 3D display: start with limit clamping and format
// offers, call names of failures, frame states and scenes, the blend table,
// Begin3D/End3D, the error latch and its registry record.
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "display/D3DInterface.h"
#include "display/D3DTextureData.h"
#include "image/MemoryImage.h"
#include "platform/Platform.h"
#include "platform/Registry.h"
#include "tests/display/ddraw_fixture.h"
#include "tests/support/temp_folder.h"

namespace {

using DDrawTest::DisplayFixture;
using Kivo::D3DInterface;
using Kivo::DDInterface;

class RendererTest : public DisplayFixture {
 protected:
  std::unique_ptr<DDInterface> display;
  D3DInterface* renderer = nullptr;
  std::vector<std::string> messages;

  void SetUp() override {
    DisplayFixture::SetUp();
    D3DStandIn::Reset();
    Kivo::gLastDirectXError.clear();
    Kivo::gD3DRegistryKey.clear();
    display.reset(new DDInterface(&app));
    renderer = display->renderer.get();
    renderer->showMessage = [this](const char* text) { messages.push_back(text); };
    display->is3D = true;
  }
  void TearDown() override {
    display.reset();
    D3DStandIn::Reset();
    Kivo::gLastDirectXError.clear();
    DisplayFixture::TearDown();
  }
  int32_t Init() { return display->Init(host.window, true); }
  DWORD RenderState(D3DRENDERSTATETYPE type) {
    DWORD v = 0;
    renderer->device->GetRenderState(type, &v);
    return v;
  }
};

TEST_F(RendererTest, ThreeDDisplayStartsAndClearsToBlack) {
  ASSERT_EQ(Init(), 0);
  ASSERT_NE(renderer->device, nullptr);
  EXPECT_EQ(renderer->width, display->width);
  EXPECT_TRUE(Kivo::gLastDirectXError.empty());
  // The viewport is the window's client area.
  EXPECT_EQ(renderer->viewport.dwWidth, static_cast<DWORD>(host.client.right - host.client.left));
  EXPECT_EQ(renderer->viewport.dvMinZ, -100.0f);
  DDrawStandIn::SurfaceView v;
  DDrawStandIn::ViewSurface(renderer->drawSurface7, &v);
  uint32_t p;
  std::memcpy(&p, v.pixels, 4);
  EXPECT_EQ(p & 0xFFFFFF, 0u);
}

TEST_F(RendererTest, StartFailuresNameTheirCall) {
  struct Case {
    const char* name;
    void (*inject)();
    const char* error;
  };
  const Case cases[] = {
      {"query", [] { DDrawStandIn::GetFaults().querySurface7 = E_NOINTERFACE; },
       "3D init error: Query DrawSurface: DSERR_NOINTERFACE"},
      {"device", [] { D3DStandIn::GetFaults().createDevice = DDERR_OUTOFVIDEOMEMORY; },
       "3D init error: CreateDevice IID_IDirect3DHALDevice: DDERR_OUTOFVIDEOMEMORY"},
      {"caps", [] { D3DStandIn::GetFaults().getCaps = DDERR_GENERIC; }, "3D init error: : DSERR_GENERIC"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.inject();
    EXPECT_EQ(Init(), DDInterface::RESULT_3D_FAIL);
    EXPECT_EQ(display->lastError, c.error);
    DDrawStandIn::GetFaults().querySurface7 = 0;
    D3DStandIn::Reset();
  }
  EXPECT_EQ(Init(), 0);
}

TEST_F(RendererTest, TextureLimitsAreClamped) {
  struct Case {
    DWORD minW, maxW, aspect;
    int32_t expMin, expMax, expAspect;
  };
  const Case cases[] = {
      {16, 0, 8, 64, 64, 1},         // no reported maximum: 64 x 64 only
      {1, 2048, 8, 1, 1024, 8},      // capped at 1024
      {0, 1024, 0, 1, 1024, 65536},  // minimum 0 -> 1, aspect 0 -> unlimited
  };
  for (const Case& c : cases) {
    D3DStandIn::GetCaps().minTextureWidth = D3DStandIn::GetCaps().minTextureHeight = c.minW;
    D3DStandIn::GetCaps().maxTextureWidth = D3DStandIn::GetCaps().maxTextureHeight = c.maxW;
    D3DStandIn::GetCaps().maxTextureAspectRatio = c.aspect;
    ASSERT_EQ(Init(), 0);
    EXPECT_EQ(Kivo::gMinTextureWidth, c.expMin);
    EXPECT_EQ(Kivo::gMinTextureHeight, c.expMin);
    EXPECT_EQ(Kivo::gMaxTextureWidth, c.expMax);
    EXPECT_EQ(Kivo::gMaxTextureHeight, c.expMax);
    EXPECT_EQ(Kivo::gMaxTextureAspect, c.expAspect);
  }
}

TEST_F(RendererTest, OfferedFormatsAndThePaletteCapability) {
  ASSERT_EQ(Init(), 0);
  EXPECT_EQ(Kivo::gSupportedTextureFormats, Kivo::kFormat8888 | Kivo::kFormat4444 | Kivo::kFormatPalette8);
  D3DStandIn::GetCaps().offerR5G6B5 = true;
  D3DStandIn::GetCaps().alphaPalette = false;
  ASSERT_EQ(Init(), 0);
  EXPECT_EQ(Kivo::gSupportedTextureFormats, Kivo::kFormat8888 | Kivo::kFormat4444 | Kivo::kFormat565);
  EXPECT_STREQ(Kivo::TextureFormatName(Kivo::kFormat565), "R5G6B5");
  for (uint32_t f : {Kivo::kFormat8888, Kivo::kFormat4444, Kivo::kFormat565, Kivo::kFormatPalette8}) {
    DDPIXELFORMAT pf;
    Kivo::FillTexturePixelFormat(f, &pf);
    EXPECT_EQ(pf.dwSize, sizeof(DDPIXELFORMAT));
    EXPECT_EQ(Kivo::ClassifyTexturePixelFormat(pf), f);
  }
  DDPIXELFORMAT none;
  Kivo::FillTexturePixelFormat(16, &none);
  EXPECT_EQ(Kivo::ClassifyTexturePixelFormat(none), 0u);
}

TEST_F(RendererTest, TwoDrawsOpenOneSceneAndFlushEndsIt) {
  ASSERT_EQ(Init(), 0);
  EXPECT_TRUE(renderer->PreDraw());
  EXPECT_TRUE(renderer->sceneOpen);
  EXPECT_EQ(RenderState(D3DRENDERSTATE_CULLMODE), static_cast<DWORD>(D3DCULL_NONE));
  // A draw in between changes a frame state; the second PreDraw keeps it.
  renderer->device->SetRenderState(D3DRENDERSTATE_ZENABLE, 1);
  EXPECT_TRUE(renderer->PreDraw());
  EXPECT_EQ(RenderState(D3DRENDERSTATE_ZENABLE), 1u);
  EXPECT_EQ(renderer->device->BeginScene(), D3DERR_SCENE_IN_SCENE);
  Kivo::gLastDirectXError = "Lock Texture: DDERR_SURFACEBUSY";
  renderer->Flush();
  EXPECT_FALSE(renderer->sceneOpen);
  EXPECT_TRUE(Kivo::gLastDirectXError.empty());
  EXPECT_EQ(renderer->device->EndScene(), D3DERR_SCENE_NOT_IN_SCENE);
  // With no scene open, Flush keeps the error text.
  Kivo::gLastDirectXError = "DrawPrimitive (Tri) 1: DDERR_GENERIC";
  renderer->Flush();
  EXPECT_EQ(Kivo::gLastDirectXError, "DrawPrimitive (Tri) 1: DDERR_GENERIC");
  // The next frame sets every frame state again.
  EXPECT_TRUE(renderer->PreDraw());
  EXPECT_EQ(RenderState(D3DRENDERSTATE_ZENABLE), 0u);
  DWORD filter = 0;
  renderer->device->GetTextureStageState(0, D3DTSS_MAGFILTER, &filter);
  EXPECT_EQ(filter, static_cast<DWORD>(D3DTFG_LINEAR));
}

TEST_F(RendererTest, FailedRenderTargetLatchesTheDrawFailure) {
  ASSERT_EQ(Init(), 0);
  D3DStandIn::GetFaults().setRenderTarget = DDERR_SURFACELOST;
  EXPECT_FALSE(renderer->PreDraw());
  EXPECT_TRUE(Kivo::g3DDrawFailed);
  EXPECT_TRUE(Kivo::gLastDirectXError.empty());  // not reported by text
  D3DStandIn::GetFaults().setRenderTarget = 0;
  EXPECT_TRUE(renderer->PreDraw());
  EXPECT_FALSE(Kivo::g3DDrawFailed);
}

TEST_F(RendererTest, BlendTableAndUnknownModes) {
  ASSERT_EQ(Init(), 0);
  ASSERT_TRUE(renderer->PreDraw());
  struct Case {
    int32_t mode;
    DWORD arg1, src, dest;
  };
  const Case cases[] = {
      {0, D3DTA_TEXTURE, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA},
      {1, D3DTA_TEXTURE, D3DBLEND_SRCALPHA, D3DBLEND_ONE},
      {2, D3DTA_TEXTURE, D3DBLEND_ZERO, D3DBLEND_SRCCOLOR},
      {3, D3DTA_TEXTURE, D3DBLEND_DESTCOLOR, D3DBLEND_SRCCOLOR},
      {4, D3DTA_DIFFUSE, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA},
      {5, D3DTA_DIFFUSE, D3DBLEND_SRCALPHA, D3DBLEND_ONE},
      {7, D3DTA_DIFFUSE, D3DBLEND_SRCALPHA, D3DBLEND_ONE},  // unchanged from mode 5
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    renderer->SetBlendMode(c.mode, nullptr, nullptr);
    DWORD arg1 = 0;
    renderer->device->GetTextureStageState(0, D3DTSS_COLORARG1, &arg1);
    EXPECT_EQ(arg1, c.arg1);
    EXPECT_EQ(RenderState(D3DRENDERSTATE_SRCBLEND), c.src);
    EXPECT_EQ(RenderState(D3DRENDERSTATE_DESTBLEND), c.dest);
  }
}

D3DMATRIX Scale(float s) {
  D3DMATRIX m{};
  for (int i = 0; i < 4; ++i) m.m[i][i] = s;
  m.m[3][3] = 1;
  return m;
}

TEST_F(RendererTest, Begin3DNamesTheMissingMatrixAndSetsTheOthers) {
  ASSERT_EQ(Init(), 0);
  const D3DMATRIX world = Scale(2), view = Scale(3), projection = Scale(4);
  renderer->Begin3D(&world, nullptr, &view);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], "matProj");
  D3DMATRIX got{};
  renderer->device->GetTransform(D3DTRANSFORMSTATE_WORLD, &got);
  EXPECT_EQ(got.m[0][0], 2.0f);
  renderer->device->GetTransform(D3DTRANSFORMSTATE_VIEW, &got);
  EXPECT_EQ(got.m[0][0], 3.0f);
  renderer->device->GetTransform(D3DTRANSFORMSTATE_PROJECTION, &got);
  EXPECT_EQ(got.m[0][0], 1.0f);  // left as it was
  EXPECT_EQ(RenderState(D3DRENDERSTATE_ZENABLE), 1u);
  renderer->End3D();
  renderer->device->GetTransform(D3DTRANSFORMSTATE_WORLD, &got);
  EXPECT_EQ(got.m[0][0], 1.0f);
  EXPECT_EQ(RenderState(D3DRENDERSTATE_ZENABLE), 0u);

  renderer->Begin3D(nullptr, nullptr, nullptr);
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[1], "matWorld");
  renderer->End3D();
  renderer->Begin3D(&world, &projection, nullptr);
  ASSERT_EQ(messages.size(), 3u);
  EXPECT_EQ(messages[2], "matView");
  renderer->device->GetTransform(D3DTRANSFORMSTATE_PROJECTION, &got);
  EXPECT_EQ(got.m[0][0], 4.0f);
  renderer->End3D();
  messages.pop_back();

  // Without a device: the message, and nothing touched.
  D3DInterface bare;
  bare.showMessage = [this](const char* text) { messages.push_back(text); };
  bare.Begin3D(&world, &projection, &view);
  ASSERT_EQ(messages.size(), 3u);
  EXPECT_EQ(messages[2], "mD3DDevice");
  bare.End3D();
  bare.Flush();
  EXPECT_FALSE(bare.PreDraw());
}

TEST_F(RendererTest, Begin3DMessageGoesToStderrHeadless) {
  ASSERT_TRUE(Platform::StartBackend("headless"));
  D3DInterface bare;  // the default message box
  testing::internal::CaptureStderr();
  bare.Begin3D(nullptr, nullptr, nullptr);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("matWorld"), std::string::npos) << err;
}

TEST_F(RendererTest, FailuresAreRecordedWithTheirCallName) {
  TempFolder home;
  setenv("GAME_HOME", home.path().c_str(), 1);
  Kivo::gD3DRegistryKey = "Kivo\\RendererTest";
  EXPECT_FALSE(Kivo::CheckD3DResult(D3D_OK, "DrawPrimitive (Tri) 1"));
  EXPECT_TRUE(Kivo::gLastDirectXError.empty());
  EXPECT_TRUE(Kivo::CheckD3DResult(DDERR_SURFACELOST, "Lock Texture"));
  EXPECT_EQ(Kivo::gLastDirectXError, "Lock Texture: DDERR_SURFACELOST");
  EXPECT_TRUE(Kivo::CheckD3DResult(DDERR_GENERIC, ""));
  EXPECT_EQ(Kivo::gLastDirectXError, ": DSERR_GENERIC");
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\Kivo\\RendererTest\\Test3D", 0, KEY_READ, &key), ERROR_SUCCESS);
  char text[256] = {};
  DWORD size = sizeof(text), type = 0;
  ASSERT_EQ(RegQueryValueExA(key, "RuntimeError", nullptr, &type, reinterpret_cast<BYTE*>(text), &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_SZ);
  EXPECT_STREQ(text, ": DSERR_GENERIC");
  RegCloseKey(key);
  Kivo::gD3DRegistryKey.clear();
  unsetenv("GAME_HOME");
}

TEST_F(RendererTest, TexturesAreDroppedWithTheDevice) {
  ASSERT_EQ(Init(), 0);
  Kivo::MemoryImage a, b;
  std::vector<uint32_t> px(32 * 32, 0xFF808080u);
  ASSERT_TRUE(a.SetBits(px.data(), 32, 32, true));
  ASSERT_TRUE(b.SetBits(px.data(), 32, 32, true));
  ASSERT_TRUE(renderer->EnsureTexture(&a));
  ASSERT_TRUE(renderer->EnsureTexture(&b));
  EXPECT_EQ(renderer->texturedImages.size(), 2u);
  renderer->RemoveTexture(&a);
  EXPECT_EQ(a.textureData, nullptr);
  renderer->RemoveTexture(&a);  // no texture: nothing happens
  const int surfacesBefore = DDrawStandIn::LiveSurfaces();
  renderer->ReleaseAllTextures();
  EXPECT_EQ(b.textureData, nullptr);
  EXPECT_TRUE(renderer->texturedImages.empty());
  EXPECT_EQ(renderer->device, nullptr);
  EXPECT_LT(DDrawStandIn::LiveSurfaces(), surfacesBefore);
  renderer->ReleaseAllTextures();  // twice: nothing left to release
  EXPECT_EQ(D3DStandIn::LiveDevices(), 0);
}

TEST_F(RendererTest, AnImageDeletedBeforeTheDisplayLeavesNoTextureEntry) {
  ASSERT_EQ(Init(), 0);
  std::vector<uint32_t> px(16 * 16, 0xFF808080u);
  auto* image = new Kivo::MemoryImage();
  ASSERT_TRUE(image->SetBits(px.data(), 16, 16, true));
  ASSERT_TRUE(renderer->EnsureTexture(image));
  const int surfacesTextured = DDrawStandIn::LiveSurfaces();
  delete image;
  EXPECT_TRUE(renderer->texturedImages.empty());
  EXPECT_LT(DDrawStandIn::LiveSurfaces(), surfacesTextured) << "the texture goes with its image";
  // Releasing every texture (as the display's release does) must not touch
  // the deleted image.
  display.reset();
  EXPECT_EQ(D3DStandIn::LiveDevices(), 0);
}

}  // namespace
