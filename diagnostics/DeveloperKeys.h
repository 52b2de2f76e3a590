// The developer keys, the on-screen overlays and the video statistics.
//
// With the developer keys on (Control+Alt+K), every key-down is offered here
// first: F3 shows the frames-per-second overlay and Shift+F3 cycles it with
// the mouse-position overlay; F8 shows the video statistics and Shift+F8
// switches 3D; F10 single-steps, Shift+F10 runs again and Control+F10
// toggles quarter speed; F11 saves a screenshot and Shift+F11 dumps the
// images; F2 starts and ends the profiler; Alt+R re-reads live constants.
// F2, F3 and Alt+R let the key go on to the widgets; the others consume it.
//
// The overlays are small surface images (50 pixels wide, white text on
// black) drawn before the widgets and blitted into the bottom-right corner
// after them; during demo playback the remaining demo time sits 5 pixels
// above them. They and their fonts (the system sans-serif face, 8 points)
// live as long as the application's developer tools.
//
// Limits: the overlays need a display; without one they are not made. The
// frames-per-second value changes at most once a second.
//
// Failures: none are reported; a message box the platform cannot show is
// logged by it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "shell/DeveloperTools.h"

namespace Kivo {

class DDImage;
class SysFont;

class DeveloperKeys : public DeveloperTools {
 public:
  DeveloperKeys();
  ~DeveloperKeys() override;

  bool HandleDebugKey(KivoAppBase& app, int virtualKey) override;
  void PrepareOverlays(KivoAppBase& app) override;
  void DrawOverlays(KivoAppBase& app) override;
  void ShowVideoStats(KivoAppBase& app) override;
  void SaveScreenshot(KivoAppBase& app) override;
  void DumpImages(KivoAppBase& app) override;

  void DrawFpsOverlay(KivoAppBase& app);
  void DrawMouseOverlay(KivoAppBase& app, int x, int y);
  void DrawDemoTimeOverlay(KivoAppBase& app);

  // The shared frames-per-second / mouse image and the demo-time image;
  // null until first drawn.
  DDImage* OverlayImage() const { return mOverlayImage.get(); }
  DDImage* DemoTimeImage() const { return mDemoTimeImage.get(); }
  int32_t FramesPerSecond() const { return mFramesPerSecond; }
  // The texts the two images show now.
  const std::wstring& OverlayText() const { return mOverlayText; }
  const std::wstring& DemoTimeText() const { return mDemoTimeText; }

 private:
  void ToggleOverlays(KivoAppBase& app, bool cycleMode);
  void ToggleProfiler(KivoAppBase& app);
  // Makes the font and the image on first use; false without a display.
  bool EnsureOverlay(KivoAppBase& app, std::unique_ptr<SysFont>& font, std::unique_ptr<DDImage>& image);
  void RenderText(DDImage& image, SysFont& font, const std::wstring& text, std::wstring& shown);

  int32_t mFrameCounter = 0;
  int32_t mFramesPerSecond = 0;
  bool mFpsReset = false;
  uint32_t mLastDemoRedraw = 0;
  std::unique_ptr<SysFont> mFpsFont;
  std::unique_ptr<SysFont> mMouseFont;
  std::unique_ptr<SysFont> mDemoTimeFont;
  std::unique_ptr<DDImage> mOverlayImage;
  std::unique_ptr<DDImage> mDemoTimeImage;
  std::wstring mOverlayText;
  std::wstring mDemoTimeText;
};

// Gives the application its developer tools.
void InstallDeveloperKeys(KivoAppBase& app);

// The text of the video statistics box, lines ending in CR LF.
std::string BuildVideoStatsText(KivoAppBase& app);

// The overlay drawings of the application gAppBase (nothing without it or
// without its developer keys).
void DrawFpsOverlay();
void DrawMouseOverlay(int x, int y);
void DrawDemoTimeOverlay();

}  // namespace Kivo
