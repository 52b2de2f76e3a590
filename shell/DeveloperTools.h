// What the application object asks of the developer tools (the developer
// keys, the overlays, the video statistics, screenshots and the image dump)
// without depending on the library that implements them. The application
// owns one, given to it by the program's entry; without one the developer
// keys do nothing but switch themselves on and off.
#pragma once

namespace Kivo {

class KivoAppBase;

// The letter that completes the developer chord with Control and Alt.
constexpr int kDeveloperChordKey = 'K';
// The click heard on every press of the chord; silence when it is missing.
constexpr const char* kDeveloperClickSound = "data\\devclick.wav";

class DeveloperTools {
 public:
  virtual ~DeveloperTools() = default;
  // True when the key is consumed.
  virtual bool HandleDebugKey(KivoAppBase& app, int virtualKey) = 0;
  // Brings the overlay images up to date; called before the widgets draw.
  virtual void PrepareOverlays(KivoAppBase& app) = 0;
  // Blits them onto the screen image; called after the widgets, before the
  // present.
  virtual void DrawOverlays(KivoAppBase& app) = 0;
  virtual void ShowVideoStats(KivoAppBase& app) = 0;
  virtual void SaveScreenshot(KivoAppBase& app) = 0;
  virtual void DumpImages(KivoAppBase& app) = 0;
};

}  // namespace Kivo
