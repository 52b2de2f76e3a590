// The developer keys, the overlays and the video statistics.
#include "diagnostics/DeveloperKeys.h"

#include <cstring>

#include "audio/SoundManager.h"
#include "diagnostics/ImageDump.h"
#include "diagnostics/LiveConstants.h"
#include "diagnostics/Profiler.h"
#include "diagnostics/Timing.h"
#include "display/D3DInterface.h"
#include "display/D3DTextureData.h"
#include "image/surface/DDImage.h"
#include "image/surface/DDImageRegistry.h"
#include "platform/Platform.h"
#include "platform/devices/SystemSound.h"
#include "shell/KivoAppBase.h"
#include "shell/base/StringUtils.h"
#include "ui/Graphics.h"
#include "ui/SysFont.h"
#include "ui/WidgetManager.h"

namespace Kivo {

namespace {

constexpr int kKeyR = 0x52;
constexpr int kKeyF2 = 0x71;
constexpr int kKeyF3 = 0x72;
constexpr int kKeyF8 = 0x77;
constexpr int kKeyF10 = 0x79;
constexpr int kKeyF11 = 0x7A;

constexpr int kOverlayWidth = 50;
constexpr int kOverlayMargin = 10;
constexpr int kDemoTimeGap = 5;
constexpr int kOverlayModeCount = 2;
// The face the overlays were designed for is not installed here; the
// platform's default sans-serif face stands in.
constexpr const char* kOverlayFace = "sans-serif";
constexpr int kOverlayPoints = 8;
constexpr double kQuarterSpeed = 0.25;

constexpr DWORD kVideoMemoryCaps = 0x4000;

bool KeyHeld(const KivoAppBase& app, int key) {
  return app.mWidgetManager != nullptr && app.mWidgetManager->mKeyDown[key];
}

DeveloperKeys* ActiveDeveloperKeys() {
  if (gAppBase == nullptr) return nullptr;
  return dynamic_cast<DeveloperKeys*>(gAppBase->mDeveloperTools.get());
}

struct TextureTally {
  int32_t count = 0;
  int64_t bytes = 0;
};

}  // namespace

DeveloperKeys::DeveloperKeys() = default;

// The images must go while the display that made them exists; the
// application releases its tools before its display. The click's sound
// device goes too, while the audio output is still up.
DeveloperKeys::~DeveloperKeys() { PlaySoundA(nullptr, nullptr, 0); }

bool DeveloperKeys::HandleDebugKey(KivoAppBase& app, int key) {
  const bool shift = KeyHeld(app, VK_SHIFT);
  const bool control = KeyHeld(app, VK_CONTROL);
  const bool alt = KeyHeld(app, VK_MENU);
  switch (key) {
    case kKeyR:
      if (!alt) return false;
      if (ReparseLiveValues()) {
        PlaySoundA(kDeveloperClickSound, nullptr, SND_ASYNC | SND_FILENAME);
      } else if (app.mWidgetManager != nullptr) {
        // The message box swallowed the key-ups of Alt and R.
        std::memset(app.mWidgetManager->mKeyDown, 0, sizeof app.mWidgetManager->mKeyDown);
      }
      return false;
    case kKeyF3: ToggleOverlays(app, shift); return false;
    case kKeyF8:
      if (shift) {
        app.Switch3D(!app.Is3DOn(), true);
        app.ShowMessageBoxA(FormatText("3D-Mode: %s", app.Is3DOn() ? "ON" : "OFF"), "Mode Switch", 0);
        app.mLastPresentTime = timeGetTime();
      } else {
        ShowVideoStats(app);
      }
      return true;
    case kKeyF10:
      if (control) {
        app.mSpeed = app.mSpeed == kQuarterSpeed ? 1.0 : kQuarterSpeed;
      } else if (shift) {
        app.mSingleStepMode = kSingleStepOff;
        app.ResetFrameTimer(false);
      } else {
        app.mSingleStepMode = kSingleStepWanted;
      }
      return true;
    case kKeyF11:
      if (shift)
        DumpImages(app);
      else
        SaveScreenshot(app);
      return true;
    case kKeyF2: ToggleProfiler(app); return false;
    default: return false;
  }
}

void DeveloperKeys::ToggleOverlays(KivoAppBase& app, bool cycleMode) {
  if (cycleMode) {
    app.mOverlayOn = true;
    if (++app.mOverlayKind >= kOverlayModeCount) app.mOverlayKind = 0;
  } else {
    app.mOverlayOn = !app.mOverlayOn;
  }
  if (app.mWidgetManager != nullptr) app.mWidgetManager->InvalidateTree();
  if (app.mOverlayOn) {
    gPerfTimer.Start();
    mFrameCounter = 0;
    mFramesPerSecond = 0;
    mFpsReset = true;
  }
}

void DeveloperKeys::ToggleProfiler(KivoAppBase& app) {
  if (!Profiler::IsRunning()) {
    app.ResetFrameTimer(false);
    Profiler::Begin(false);
    return;
  }
  Profiler::End();
  app.ShowMessageBoxA(Profiler::Report(), "Perf Results", 0);
  app.ResetFrameTimer(false);
}

void DeveloperKeys::PrepareOverlays(KivoAppBase& app) {
  if (app.mOverlayKind == 0) {
    DrawFpsOverlay(app);
  } else if (app.mOverlayKind == 1 && app.mWidgetManager != nullptr) {
    DrawMouseOverlay(app, app.mWidgetManager->mLastMouseX, app.mWidgetManager->mLastMouseY);
  }
  if (app.mPlaying) DrawDemoTimeOverlay(app);
}

void DeveloperKeys::DrawOverlays(KivoAppBase& app) {
  DDImage* screen = app.mDisplay != nullptr ? app.mDisplay->GetScreenImage() : nullptr;
  if (screen == nullptr || mOverlayImage == nullptr) return;
  Graphics g(screen);
  g.SetDrawsThrough3D(app.ImageDrawsThrough3D(screen));
  const int overlayX = screen->GetWidth() - mOverlayImage->GetWidth() - kOverlayMargin;
  const int overlayY = screen->GetHeight() - mOverlayImage->GetHeight() - kOverlayMargin;
  g.DrawImage(mOverlayImage.get(), overlayX, overlayY);
  if (app.mPlaying && mDemoTimeImage != nullptr) {
    g.DrawImage(mDemoTimeImage.get(), screen->GetWidth() - mDemoTimeImage->GetWidth() - kOverlayMargin,
                overlayY - mDemoTimeImage->GetHeight() - kDemoTimeGap);
  }
}

bool DeveloperKeys::EnsureOverlay(KivoAppBase& app, std::unique_ptr<SysFont>& font, std::unique_ptr<DDImage>& image) {
  if (app.mDisplay == nullptr) return false;
  if (font == nullptr) font = std::make_unique<SysFont>(&app, kOverlayFace, kOverlayPoints, 0, false, false, false);
  if (image == nullptr) {
    image = std::make_unique<DDImage>(app.mDisplay);
    image->CreateBlank(kOverlayWidth, font->GetHeight() + 4);
    image->ForceAlphaFlags(false, false);
    image->SetVolatile(true);
    // Redrawn every frame: it lives in a display surface alone.
    image->surfaceWanted = true;
    image->DiscardBits();
  }
  return true;
}

void DeveloperKeys::RenderText(DDImage& image, SysFont& font, const std::wstring& text, std::wstring& shown) {
  shown = text;
  Graphics g(&image);
  g.SetFont(&font);
  g.SetColor(Color(0, 0, 0, 255));
  g.FillRect(0, 0, image.GetWidth(), image.GetHeight());
  g.SetColor(Color(255, 255, 255, 255));
  g.DrawString(text, 2, font.GetAscent());
  // The display's copy of the image follows the change counter.
  ++image.changeCount;
}

void DeveloperKeys::DrawFpsOverlay(KivoAppBase& app) {
  ++mFrameCounter;
  if (gPerfTimer.Milliseconds() < 1000.0 && !mFpsReset) return;
  gPerfTimer.Stop();
  if (mFpsReset) {
    mFpsReset = false;
    mFramesPerSecond = 0;
  } else {
    mFramesPerSecond = static_cast<int32_t>(mFrameCounter * 1000 / gPerfTimer.Milliseconds() + 0.5);
  }
  gPerfTimer.Start();
  mFrameCounter = 0;
  if (EnsureOverlay(app, mFpsFont, mOverlayImage))
    RenderText(*mOverlayImage, *mFpsFont, FormatTextWide(L"FPS: %d", mFramesPerSecond), mOverlayText);
}

void DeveloperKeys::DrawMouseOverlay(KivoAppBase& app, int x, int y) {
  if (EnsureOverlay(app, mMouseFont, mOverlayImage))
    RenderText(*mOverlayImage, *mMouseFont, FormatTextWide(L"%d,%d", x, y), mOverlayText);
}

void DeveloperKeys::DrawDemoTimeOverlay(KivoAppBase& app) {
  const uint32_t now = GetTickCount();
  if (now - mLastDemoRedraw < 1000.0 / app.mSpeed) return;
  mLastDemoRedraw = now;
  const int64_t remaining = static_cast<int64_t>(app.mDemoLength) - app.mUpdateCount;
  const int64_t seconds = remaining * app.mUpdateInterval / 1000;
  if (EnsureOverlay(app, mDemoTimeFont, mDemoTimeImage)) {
    RenderText(*mDemoTimeImage, *mDemoTimeFont,
               FormatTextWide(L"%02d:%02d:%02d", static_cast<int>(seconds / 3600), static_cast<int>(seconds / 60 % 60),
                              static_cast<int>(seconds % 60)),
               mDemoTimeText);
  }
}

std::string BuildVideoStatsText(KivoAppBase& app) {
  DWORD total = 0, free = 0;
  if (app.mDisplay != nullptr && app.mDisplay->directDraw7 != nullptr) {
    DDSCAPS2 caps{};
    caps.dwCaps = kVideoMemoryCaps;
    if (FAILED(app.mDisplay->directDraw7->GetAvailableVidMem(&caps, &total, &free))) total = free = 0;
  }

  std::vector<MemoryImage*> live =
      app.mImageRegistry != nullptr ? app.mImageRegistry->RegisteredImages() : std::vector<MemoryImage*>();
  int64_t textureTotal = 0;
  TextureTally tallies[9];
  for (MemoryImage* image : live) {
    if (image->textureData == nullptr) continue;
    textureTotal += image->textureData->textureBytes;
    uint32_t format = image->textureData->format;
    if (format < 9) {
      ++tallies[format].count;
      tallies[format].bytes += image->textureData->textureBytes;
    }
  }

  auto kilobytes = [](int64_t bytes) { return Narrow(GroupThousands(static_cast<int32_t>(bytes / 1024))); };
  const char* verdict = app.Is3DRecommended()                                                  ? "Recommended"
                        : app.mImageRegistry != nullptr && app.mImageRegistry->Is3DSupported() ? "Supported"
                                                                                               : "Unsupported";
  std::string text =
      FormatText("3D-Mode is %s (3D is %s on this system)\r\n\r\n", app.Is3DOn() ? "On" : "Off", verdict);
  text += FormatText("Num Images: %d\r\n", static_cast<int>(live.size()));
  text += FormatText("Num Sounds: %d\r\n", app.mSoundManager != nullptr ? app.mSoundManager->CountLoadedSounds() : 0);
  text += "Video Memory: " + Narrow(GroupThousands(static_cast<int32_t>((total - free) >> 10))) + "/" +
          Narrow(GroupThousands(static_cast<int32_t>(total >> 10))) + " KB\r\n";
  text += "Texture Memory: " + kilobytes(textureTotal) + " KB\r\n";
  for (uint32_t format : {1u, 2u, 4u, 8u}) {
    const TextureTally& tally = tallies[format];
    text += FormatText("%s: %d - ", TextureFormatName(format), tally.count) + kilobytes(tally.bytes) + " KB\r\n";
  }
  return text;
}

void DeveloperKeys::ShowVideoStats(KivoAppBase& app) {
  app.ShowMessageBoxA(BuildVideoStatsText(app), "Video Stats", 0);
  app.mLastPresentTime = timeGetTime();
}

void DeveloperKeys::SaveScreenshot(KivoAppBase& app) { SaveScreenshotOf(app); }

void DeveloperKeys::DumpImages(KivoAppBase& app) { DumpImagesOf(app); }

void InstallDeveloperKeys(KivoAppBase& app) { app.mDeveloperTools = std::make_unique<DeveloperKeys>(); }

void DrawFpsOverlay() {
  if (DeveloperKeys* keys = ActiveDeveloperKeys()) keys->DrawFpsOverlay(*gAppBase);
}

void DrawMouseOverlay(int x, int y) {
  if (DeveloperKeys* keys = ActiveDeveloperKeys()) keys->DrawMouseOverlay(*gAppBase, x, y);
}

void DrawDemoTimeOverlay() {
  if (DeveloperKeys* keys = ActiveDeveloperKeys()) keys->DrawDemoTimeOverlay(*gAppBase);
}

}  // namespace Kivo
