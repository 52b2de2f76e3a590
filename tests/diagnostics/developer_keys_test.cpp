// The developer keys: routing, the chord's click, the overlay, step and
// speed keys, the message boxes and the overlay images.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "diagnostics/Profiler.h"
#include "diagnostics/Timing.h"
#include "display/D3DInterface.h"
#include "display/D3DTextureData.h"
#include "platform/devices/DDraw.h"
#include "audio/SoundManager.h"
#include "image/surface/DDImageRegistry.h"
#include "shell/base/StringUtils.h"
#include "image/surface/DDImage.h"
#include "platform/devices/DSound.h"
#include "platform/headless/AudioHeadless.h"
#include "tests/diagnostics/developer_support.h"
#include "tools/sampledata/ClickSound.h"
#include "ui/SysFont.h"

namespace devtest {
namespace {

constexpr int kF2 = 0x71, kF3 = 0x72, kF8 = 0x77, kF10 = 0x79, kF11 = 0x7A;

// The screen shows the image's pixels (colour only) at (x0, y0).
void ExpectBlitted(DDImage* screen, const std::vector<uint32_t>& image, int width, int height, int x0, int y0) {
  const uint32_t* frame = screen->GetBits();
  ASSERT_NE(frame, nullptr);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      ASSERT_EQ(frame[(y0 + y) * screen->GetWidth() + x0 + x] & 0xFFFFFFu,
                image[static_cast<size_t>(y * width + x)] & 0xFFFFFFu)
          << x << "," << y;
}

class DevKeys : public DevFixture {
 protected:
  void SetUp() override {
    DevFixture::SetUp();
    MakeApp();
  }
  void TearDown() override {
    if (Profiler::IsRunning()) Profiler::End();
    gPerfTimer.Stop();  // the overlay keys start it; the next test finds it still
    DevFixture::TearDown();
  }
  std::string ScreenshotFolder() const { return UserDataFolder() + "_screenshots/"; }
};

TEST_F(DevKeys, ConsumedKeysStopWhileTheOthersGoOnToTheWidgets) {
  TurnKeysOn();
  struct Case {
    int key;
    std::vector<int> modifiers;
    bool reachesWidgets;
  };
  const Case cases[] = {
      {kF8, {}, false}, {kF10, {}, false}, {kF10, {VK_SHIFT}, false}, {kF11, {}, false},
      {kF2, {}, true},  {kF3, {}, true},   {'R', {VK_MENU}, true},    {'Q', {}, true},
  };
  for (const Case& c : cases) {
    widget->keys.clear();
    Press(c.key, c.modifiers);
    bool reached = std::find(widget->keys.begin(), widget->keys.end(), c.key) != widget->keys.end();
    EXPECT_EQ(reached, c.reachesWidgets) << "key 0x" << std::hex << c.key;
  }

  // With the keys off, F11 is an ordinary key: no screenshot.
  Press(kDeveloperChordKey, {VK_CONTROL, VK_MENU});
  ASSERT_FALSE(app->mDebugKeysOn);
  std::remove((ScreenshotFolder() + "image1.png").c_str());
  widget->keys.clear();
  Press(kF11);
  EXPECT_EQ(widget->keys, (std::vector<int>{kF11}));
  EXPECT_FALSE(Exists(ScreenshotFolder() + "image1.png"));
}

TEST_F(DevKeys, DemoPlaybackHandsLiveKeysToTheDeveloperKeysWhateverTheFlag) {
  ASSERT_FALSE(app->mDebugKeysOn);
  app->mPlaying = true;
  app->HandleWindowMessage(app->mMainWindow.load(), WM_KEYDOWN, kF3, 0);
  EXPECT_TRUE(app->mOverlayOn);
  app->mPlaying = false;
}

TEST_F(DevKeys, ChordClicksAndFlipsTheFlagBothWays) {
  ASSERT_EQ(system(("mkdir -p '" + folder + "/data'").c_str()), 0);
  {
    std::ofstream out(folder + "/data/devclick.wav", std::ios::binary);
    out << MakeClickWav();
  }
  DSoundTestSeams().outputFactory = [] { return std::make_unique<HeadlessAudioOutput>(false); };
  auto clickHeard = [] {
    DSoundDevice* device = Platform::SystemSoundDevice();
    if (device == nullptr) return false;
    auto* output = static_cast<HeadlessAudioOutput*>(device->Output());
    std::vector<int16_t> mixed = output->Render(4410);
    return std::any_of(mixed.begin(), mixed.end(), [](int16_t v) { return v != 0; });
  };

  for (bool expected : {true, false}) {
    Press(kDeveloperChordKey, {VK_CONTROL, VK_MENU});
    EXPECT_EQ(app->mDebugKeysOn, expected);
    EXPECT_TRUE(clickHeard()) << "the click plays when switching " << (expected ? "on" : "off");
    EXPECT_FALSE(clickHeard()) << "once";
  }
  PlaySoundA(nullptr, nullptr, 0);
  DSoundTestSeams().outputFactory = nullptr;

  // K alone, or with only one modifier, is an ordinary key.
  Press(kDeveloperChordKey, {VK_CONTROL});
  Press(kDeveloperChordKey);
  EXPECT_FALSE(app->mDebugKeysOn);
}

TEST_F(DevKeys, OverlayKeysSetTheModeInvalidateAndRestartTheCount) {
  TurnKeysOn();
  DeveloperKeys& keys = app->Keys();
  struct Step {
    std::vector<int> modifiers;
    bool overlaysOn;
    int mode;
  };
  const Step steps[] = {
      {{}, true, 0}, {{}, false, 0}, {{VK_SHIFT}, true, 1}, {{VK_SHIFT}, true, 0}, {{}, false, 0},
  };
  for (const Step& s : steps) {
    keys.DrawFpsOverlay(*app);  // a value the key must reset
    widget->mDirty = false;
    counterMs += 3000;
    Press(kF3, s.modifiers);
    EXPECT_EQ(app->mOverlayOn, s.overlaysOn);
    EXPECT_EQ(app->mOverlayKind, s.mode);
    EXPECT_TRUE(widget->mDirty) << "the whole tree is redrawn";
    if (s.overlaysOn) {
      EXPECT_EQ(gPerfTimer.Milliseconds(), 0.0) << "the stopwatch starts again";
      keys.DrawFpsOverlay(*app);
      EXPECT_EQ(keys.OverlayText(), L"FPS: 0");
    }
  }
}

TEST_F(DevKeys, StepSpeedAndRunAgain) {
  TurnKeysOn();
  Press(kF10);
  ASSERT_EQ(app->mSingleStepMode, kSingleStepWanted);
  app->mLoopState = kLoopCheck;
  int updates = app->mUpdateCount, draws = app->mDrawCount;
  widget->Invalidate();
  app->StepAppOnce(nullptr);
  EXPECT_EQ(app->mUpdateCount, updates + 1);
  EXPECT_EQ(app->mDrawCount, draws + 1);
  EXPECT_EQ(app->mSingleStepMode, kSingleStepWaiting);
  app->StepAppOnce(nullptr);
  EXPECT_EQ(app->mUpdateCount, updates + 1) << "paused between steps";

  Platform::AdvanceFakeClock(500);
  app->mFrameTimeDebt = 80.0;
  Press(kF10, {VK_SHIFT});
  EXPECT_EQ(app->mSingleStepMode, kSingleStepOff);
  EXPECT_EQ(app->mLastFrameTime, timeGetTime());
  EXPECT_EQ(app->mFrameTimeDebt, 0.0);

  for (auto [before, after] : {std::pair{1.0, 0.25}, {0.25, 1.0}, {0.5, 0.25}}) {
    app->mSpeed = before;
    Press(kF10, {VK_CONTROL});
    EXPECT_EQ(app->mSpeed, after) << "from " << before;
  }
}

TEST_F(DevKeys, MessageBoxesOfTheModeSwitchStatisticsAndProfiler) {
  TurnKeysOn();
  bool was3D = app->Is3DOn();
  Platform::AdvanceFakeClock(1234);
  Press(kF8, {VK_SHIFT});
  ASSERT_EQ(app->boxes.size(), 1u);
  EXPECT_EQ(app->boxes[0].title, "Mode Switch");
  EXPECT_EQ(app->boxes[0].text, app->Is3DOn() ? "3D-Mode: ON" : "3D-Mode: OFF");
  EXPECT_NE(app->Is3DOn(), was3D);
  EXPECT_EQ(app->mLastPresentTime, timeGetTime());
  Press(kF8, {VK_SHIFT});
  EXPECT_EQ(app->boxes.back().text, was3D ? "3D-Mode: ON" : "3D-Mode: OFF");

  Press(kF8);
  EXPECT_EQ(app->boxes.back().title, "Video Stats");

  size_t before = app->boxes.size();
  Press(kF2);
  EXPECT_TRUE(Profiler::IsRunning());
  EXPECT_EQ(app->boxes.size(), before);
  Press(kF2);
  EXPECT_FALSE(Profiler::IsRunning());
  ASSERT_EQ(app->boxes.size(), before + 1);
  EXPECT_EQ(app->boxes.back().title, "Perf Results");
  EXPECT_EQ(app->boxes.back().text.rfind("Total Time: ", 0), 0u) << app->boxes.back().text;
}

TEST_F(DevKeys, AltRWithoutMarkedConstantsWarnsAndClearsTheKeyTable) {
  TurnKeysOn();
  Down(VK_SHIFT);
  Down('W');
  Down(VK_MENU);
  Down('R');
  // R itself goes on to the widgets after the table was cleared.
  for (int key = 0; key < WidgetManager::kHeldKeyCount; ++key)
    EXPECT_EQ(app->mWidgetManager->mKeyDown[key], key == 'R') << "key " << key;
  EXPECT_NE(Log().find("MODVAL"), std::string::npos) << Log();
}

// --- Overlays ---

TEST_F(DevKeys, FpsOverlayShowsZeroAtOnceThenCountsOncePerSecond) {
  TurnKeysOn();
  Press(kF3);
  DeveloperKeys& keys = app->Keys();
  int64_t start = counterMs;
  keys.DrawFpsOverlay(*app);
  EXPECT_EQ(keys.OverlayText(), L"FPS: 0");
  for (int frame = 1; frame <= 120; ++frame) {
    counterMs = start + frame * 1000 / 120;
    keys.DrawFpsOverlay(*app);
    if (frame < 120) {
      ASSERT_EQ(keys.OverlayText(), L"FPS: 0") << "frame " << frame;
    }
  }
  EXPECT_EQ(keys.OverlayText(), L"FPS: 120");
  // A different rate shows only after the next full second.
  start = counterMs;
  for (int frame = 1; frame <= 30; ++frame) {
    counterMs = start + frame * 999 / 30;
    keys.DrawFpsOverlay(*app);
  }
  EXPECT_EQ(keys.OverlayText(), L"FPS: 120");
  counterMs = start + 1000;
  keys.DrawFpsOverlay(*app);
  EXPECT_EQ(keys.OverlayText(), L"FPS: 31");
}

// The text's pixels: white on black, from x 2, inside the image.
TEST_F(DevKeys, MouseOverlaySharesTheImageAndIsBlittedIntoTheCorner) {
  TurnKeysOn();
  DeveloperKeys& keys = app->Keys();
  Press(kF3);
  keys.DrawFpsOverlay(*app);
  DDImage* shared = keys.OverlayImage();
  ASSERT_NE(shared, nullptr);
  keys.DrawMouseOverlay(*app, 123, 45);
  EXPECT_EQ(keys.OverlayImage(), shared) << "one image for both overlays";
  EXPECT_EQ(keys.OverlayText(), L"123,45");

  SysFont font(app.get(), "sans-serif", 8, 0, false, false, false);
  ASSERT_GT(font.GetHeight(), 0);
  ASSERT_EQ(shared->GetWidth(), 50);
  ASSERT_EQ(shared->GetHeight(), font.GetHeight() + 4);
  EXPECT_TRUE(shared->isVolatile);
  EXPECT_TRUE(shared->alphaFlagsForced);
  EXPECT_FALSE(shared->hasPartialAlpha);
  EXPECT_FALSE(shared->hasTransparency);

  int changes = shared->changeCount;
  keys.DrawMouseOverlay(*app, 1, 2);
  EXPECT_GT(shared->changeCount, changes);

  std::vector<uint32_t> pixels(shared->GetBits(), shared->GetBits() + shared->PixelCount());
  int leftmost = shared->GetWidth(), white = 0;
  for (int y = 0; y < shared->GetHeight(); ++y)
    for (int x = 0; x < shared->GetWidth(); ++x) {
      uint32_t p = pixels[static_cast<size_t>(y * shared->GetWidth() + x)] & 0xFFFFFFu;
      if (p != 0) leftmost = std::min(leftmost, x);
      if (p == 0xFFFFFFu) ++white;
    }
  EXPECT_GT(white, 0) << "white text";
  EXPECT_GE(leftmost, 2);
  EXPECT_LE(leftmost, 4);
  EXPECT_EQ(pixels[0] & 0xFFFFFFu, 0u) << "on black";

  app->mOverlayOn = true;
  app->mOverlayKind = 1;
  keys.DrawOverlays(*app);
  DDImage* screen = app->mDisplay->GetScreenImage();
  ExpectBlitted(screen, pixels, shared->GetWidth(), shared->GetHeight(), screen->GetWidth() - shared->GetWidth() - 10,
                screen->GetHeight() - shared->GetHeight() - 10);
}

TEST_F(DevKeys, DemoTimeCountsDownEveryGameSecondAboveTheOverlay) {
  DeveloperKeys& keys = app->Keys();
  app->mUpdateInterval = 10;
  app->mDemoLength = 400000;
  app->mUpdateCount = 400000 - 372500;  // 3,725 s left
  app->mSpeed = 0.25;
  keys.DrawDemoTimeOverlay(*app);
  EXPECT_EQ(keys.DemoTimeText(), L"01:02:05");

  app->mUpdateCount += 100;
  Platform::AdvanceFakeClock(3999);
  keys.DrawDemoTimeOverlay(*app);
  EXPECT_EQ(keys.DemoTimeText(), L"01:02:05") << "redrawn every 4 s at quarter speed";
  Platform::AdvanceFakeClock(1);
  keys.DrawDemoTimeOverlay(*app);
  EXPECT_EQ(keys.DemoTimeText(), L"01:02:04");

  // Drawn 5 pixels above the overlay while the demo plays.
  keys.DrawMouseOverlay(*app, 0, 0);
  app->mPlaying = true;
  keys.DrawOverlays(*app);
  app->mPlaying = false;
  DDImage* screen = app->mDisplay->GetScreenImage();
  DDImage* demo = keys.DemoTimeImage();
  std::vector<uint32_t> expected(demo->GetBits(), demo->GetBits() + demo->PixelCount());
  ExpectBlitted(screen, expected, demo->GetWidth(), demo->GetHeight(), screen->GetWidth() - demo->GetWidth() - 10,
                screen->GetHeight() - keys.OverlayImage()->GetHeight() - demo->GetHeight() - 15);
}

TEST_F(DevKeys, DrawFrameRendersTheOverlaysOnlyWhileTheyAreOn) {
  TurnKeysOn();
  widget->Invalidate();
  app->DrawFrame();
  EXPECT_EQ(app->Keys().OverlayImage(), nullptr);
  Press(kF3);
  EXPECT_EQ(app->Keys().OverlayImage(), nullptr) << "made by the next frame";
  widget->Invalidate();
  app->DrawFrame();
  EXPECT_EQ(app->Keys().OverlayText(), L"FPS: 0") << "the first frame after switching on";

  // The overlay reaches the presented frame, in 2D and through the renderer.
  for (bool threeD : {false, true}) {
    app->Switch3D(threeD, true);
    ASSERT_EQ(app->Is3DOn(), threeD);
    Platform::AdvanceFakeClock(20);
    widget->Invalidate();
    app->Keys().DrawMouseOverlay(*app, 0, 0);
    ASSERT_TRUE(app->DrawFrame());
    std::vector<uint32_t> frame;
    int width = 0, height = 0;
    ASSERT_TRUE(Platform::LastFrame(&frame, &width, &height));
    DDImage* overlay = app->Keys().OverlayImage();
    const int x0 = width - overlay->GetWidth() - 10, y0 = height - overlay->GetHeight() - 10;
    int whiteInside = 0, whiteOutside = 0;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        bool inside = x >= x0 && x < x0 + overlay->GetWidth() && y >= y0 && y < y0 + overlay->GetHeight();
        // Near white: a 16-bit frame keeps fewer bits a channel.
        if ((frame[static_cast<size_t>(y * width + x)] & 0xF0F0F0u) == 0xF0F0F0u)
          ++(inside ? whiteInside : whiteOutside);
      }
    EXPECT_GT(whiteInside, 0) << (threeD ? "3D" : "2D");
    EXPECT_EQ(whiteOutside, 0) << (threeD ? "3D" : "2D");
  }
}

// --- Video statistics ---

class VideoStats : public DevKeys {
 protected:
  void TearDown() override {
    DDrawStandIn::GetMachine() = DDrawStandIn::Machine();
    if (texture != nullptr) {
      delete texture->textureData;
      texture->textureData = nullptr;
      texture.reset();
    }
    DevKeys::TearDown();
  }
  std::unique_ptr<MemoryImage> texture;
};

TEST_F(VideoStats, ExactTextWithOneTexture) {
  DDrawStandIn::GetMachine().videoMemoryTotal = 0;
  DDrawStandIn::GetMachine().videoMemoryFree = 0;
  texture = std::make_unique<MemoryImage>();
  texture->textureData = new TextureData();
  texture->textureData->textureBytes = 2097152;
  texture->textureData->format = kFormat8888;
  app->mDisplay->tester = std::make_unique<D3DTester>();

  const std::string expected = FormatText(
      "3D-Mode is %s (3D is Recommended on this system)\r\n\r\n"
      "Num Images: %d\r\nNum Sounds: %d\r\nVideo Memory: 0/0 KB\r\nTexture Memory: 2,048 KB\r\n"
      "A8R8G8B8: 1 - 2,048 KB\r\nA4R4G4B4: 0 - 0 KB\r\nR5G6B5: 0 - 0 KB\r\nPalette8: 0 - 0 KB\r\n",
      app->Is3DOn() ? "On" : "Off", static_cast<int>(app->mImageRegistry->RegisteredImages().size()),
      app->mSoundManager != nullptr ? app->mSoundManager->CountLoadedSounds() : 0);
  EXPECT_EQ(BuildVideoStatsText(*app), expected);

  Platform::AdvanceFakeClock(77);
  app->Keys().ShowVideoStats(*app);
  ASSERT_FALSE(app->boxes.empty());
  EXPECT_EQ(app->boxes.back().text, expected);
  EXPECT_EQ(app->boxes.back().title, "Video Stats");
  EXPECT_EQ(app->mLastPresentTime, timeGetTime());
}

TEST_F(VideoStats, VerdictOfThe3DTestAndUsedVideoMemory) {
  struct Case {
    bool tester;
    const char* failure;
    const char* warning;
    const char* verdict;
  };
  const Case cases[] = {
      {false, "", "", "Unsupported"},
      {true, "No 3D device.", "", "Unsupported"},
      {true, "No 3D device.", "Old driver.", "Unsupported"},
      {true, "", "Old driver.", "Supported"},
      {true, "", "", "Recommended"},
  };
  for (const Case& c : cases) {
    app->mDisplay->tester.reset();
    if (c.tester) {
      app->mDisplay->tester = std::make_unique<D3DTester>();
      app->mDisplay->tester->failureReason = c.failure;
      app->mDisplay->tester->warning = c.warning;
    }
    std::string text = BuildVideoStatsText(*app);
    EXPECT_NE(text.find(std::string("(3D is ") + c.verdict + " on this system)"), std::string::npos) << text;
  }
  DDrawStandIn::GetMachine().videoMemoryTotal = 64u << 20;
  DDrawStandIn::GetMachine().videoMemoryFree = 48u << 20;
  EXPECT_NE(BuildVideoStatsText(*app).find("\r\nVideo Memory: 16,384/65,536 KB\r\n"), std::string::npos);
}

}  // namespace
}  // namespace devtest
