// The DirectDraw display: Init's result codes and error texts, aspect
// correction, format analysis, refresh rate, and the present.
#include "image/surface/DDImage.h"
#include "tests/display/ddraw_fixture.h"

namespace {

using DDrawStandIn::Format;
using DDrawTest::DisplayFixture;
using Kivo::DDInterface;

// A renderer that starts (or not) as told and records what reaches it.
class RecordingRenderer : public Kivo::D3DInterface {
 public:
  bool startOk = true;
  int flushes = 0;
  int fills = 0;
  bool Init(DDInterface*) override {
    if (!startOk) lastError = "DDERR_NO3D";
    return startOk;
  }
  void Flush() override { ++flushes; }
  void FillRect(const Kivo::Rect&, const Kivo::Color&, int32_t) override { ++fills; }
};

TEST_F(DisplayFixture, InitResultTableByInjectedFailure) {
  struct Case {
    const char* name;
    bool windowed;
    void (*inject)(DDrawStandIn::Faults&);
    int32_t result;
    const char* error;
  };
  const Case cases[] = {
      {"ok", true, [](DDrawStandIn::Faults&) {}, 0, ""},
      {"createEx", true, [](DDrawStandIn::Faults& f) { f.createEx = DDERR_NODIRECTDRAWHW; }, 2,
       "DirectDrawCreateEx: DDERR_NODIRECTDRAWHW"},
      {"query", true, [](DDrawStandIn::Faults& f) { f.queryDirectDraw = E_NOINTERFACE; }, 2,
       "QueryrInterface IID_IDirectDraw: DSERR_NOINTERFACE"},
      {"old entry only", true,
       [](DDrawStandIn::Faults& f) {
         f.entryEx = false;
         f.create = DDERR_GENERIC;
       },
       2, "DirectDrawCreate: DSERR_GENERIC"},
      {"old entry works", false, [](DDrawStandIn::Faults& f) { f.entryEx = false; }, 0, ""},
      {"clipper windowed", true, [](DDrawStandIn::Faults& f) { f.createClipper = DDERR_OUTOFMEMORY; }, 1,
       "CreateClipper Windowed: E_OUTOFMEMORY"},
      {"clipper full screen", false, [](DDrawStandIn::Faults& f) { f.createClipper = DDERR_OUTOFMEMORY; }, 1,
       "CreateClipper FullScreen: E_OUTOFMEMORY"},
      {"primary", true,
       [](DDrawStandIn::Faults& f) {
         f.createSurface = DDERR_OUTOFMEMORY;
         f.createSurfaceCaps = DDSCAPS_PRIMARYSURFACE;
       },
       3, "CreateSurface Windowed Primary: E_OUTOFMEMORY"},
      {"surface query", true, [](DDrawStandIn::Faults& f) { f.querySurface = E_NOINTERFACE; }, 3,
       "CreateSurface Windowed Primary: DSERR_NOINTERFACE"},
      {"draw surface", false,
       [](DDrawStandIn::Faults& f) {
         f.createSurface = DDERR_OUTOFMEMORY;
         f.createSurfaceCaps = DDSCAPS_OFFSCREENPLAIN;
       },
       3, "CreateSurface FullScreen DrawSurface: E_OUTOFMEMORY"},
      {"back buffer", false, [](DDrawStandIn::Faults& f) { f.getAttachedSurface = DDERR_NOTFOUND; }, 3,
       "GetAttachedSurface: DDERR_NOTFOUND"},
      {"exclusive", false, [](DDrawStandIn::Faults& f) { f.exclusiveLevel = DDERR_NOEXCLUSIVEMODE; }, 4,
       "SetCooperativeLevel FullScreen: DDERR_NOEXCLUSIVEMODE"},
      {"mode", false, [](DDrawStandIn::Faults& f) { f.setDisplayMode = DDERR_INVALIDMODE; }, 5,
       "SetDisplayMode FullScreen: DDERR_INVALIDMODE"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DDrawStandIn::GetFaults() = DDrawStandIn::Faults();
    c.inject(DDrawStandIn::GetFaults());
    {
      DDInterface display(&app);
      EXPECT_EQ(display.Init(host.window, c.windowed), c.result);
      EXPECT_EQ(display.lastError, c.error);
      EXPECT_EQ(display.initialized, c.result == 0);
      if (c.result == 0) {
        EXPECT_NE(display.GetScreenImage(), nullptr);
        EXPECT_EQ(display.initCount, 1);
      }
    }
    DDrawStandIn::GetFaults() = DDrawStandIn::Faults();
    DDrawTest::ExpectNothingAlive();
  }
}

TEST_F(DisplayFixture, ThreeDStartFailureGivesSevenWithCompleteSurfaces) {
  DDInterface display(&app);
  display.is3D = true;
  DDrawStandIn::GetFaults().querySurface7 = E_NOINTERFACE;
  EXPECT_EQ(display.Init(host.window, true), 7);
  EXPECT_EQ(display.lastError, "3D init error: Query DrawSurface: DSERR_NOINTERFACE");
  EXPECT_NE(display.drawSurface, nullptr);
  EXPECT_EQ(DDInterface::ResultToString(7), "RESULT_UNKNOWN");
  EXPECT_EQ(DDInterface::ResultToString(-1), "RESULT_UNKNOWN");
  EXPECT_EQ(DDInterface::ResultToString(6), "RESULT_INVALID_COLORDEPTH");
  EXPECT_EQ(DDInterface::ResultToString(0), "RESULT_OK");
}

TEST_F(DisplayFixture, ChannelAnalysisAndClampTables) {
  struct Case {
    Format format;
    int32_t shifts[3];
    int32_t bits[3];
    size_t tables[3];
    bool rgb;
  };
  const Case cases[] = {
      {Format::kRGB565, {11, 5, 0}, {5, 6, 5}, {63, 127, 63}, true},
      {Format::kRGB555, {10, 5, 0}, {5, 5, 5}, {63, 63, 63}, true},
      {Format::kRGB888, {16, 8, 0}, {8, 8, 8}, {511, 511, 511}, true},
      {Format::kBGR888, {0, 8, 16}, {8, 8, 8}, {511, 511, 511}, false},
  };
  for (const Case& c : cases) {
    UseDesktop(c.format);
    DDInterface display(&app);
    ASSERT_EQ(display.Init(host.window, true), 0);
    EXPECT_EQ(display.redShift, c.shifts[0]);
    EXPECT_EQ(display.greenShift, c.shifts[1]);
    EXPECT_EQ(display.blueShift, c.shifts[2]);
    EXPECT_EQ(display.redBits, c.bits[0]);
    EXPECT_EQ(display.greenBits, c.bits[1]);
    EXPECT_EQ(display.blueBits, c.bits[2]);
    EXPECT_EQ(display.redClamp.size(), c.tables[0]);
    EXPECT_EQ(display.greenClamp.size(), c.tables[1]);
    EXPECT_EQ(display.blueClamp.size(), c.tables[2]);
    EXPECT_EQ(display.redClamp.back(), static_cast<int32_t>((c.tables[0] - 1) / 2));
    EXPECT_EQ(display.redClamp[3], 3);
    EXPECT_EQ(Kivo::gDisplayIsRGB, c.rgb);
  }
}

TEST_F(DisplayFixture, RefreshRateIsClampedAndFlagged) {
  struct Case {
    HRESULT result;
    DWORD hertz;
    uint32_t rate;
    uint32_t millis;
    bool flagged;
  };
  const Case cases[] = {{DDERR_UNSUPPORTED, 75, 60, 16, true}, {DD_OK, 0, 60, 16, true},   {DD_OK, 59, 60, 16, true},
                        {DD_OK, 120, 100, 10, true},           {DD_OK, 60, 60, 16, false}, {DD_OK, 75, 75, 13, false},
                        {DD_OK, 100, 100, 10, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.hertz);
    DDrawStandIn::GetMachine().monitorFrequencyResult = c.result;
    DDrawStandIn::GetMachine().monitorFrequency = c.hertz;
    app.refreshRateUnreliable = false;
    DDInterface display(&app);
    ASSERT_EQ(display.Init(host.window, true), 0);
    EXPECT_EQ(display.refreshRate, c.rate);
    EXPECT_EQ(display.millisPerRefresh, c.millis);
    EXPECT_EQ(app.refreshRateUnreliable, c.flagged);
  }
}

TEST_F(DisplayFixture, FullScreenAspectCorrectionOnlyIn3D) {
  UseDesktop(Format::kRGB888, 1680, 1050);
  app.width = 800;
  app.height = 600;
  app.colorDepth = 32;
  DDInterface display(&app);
  auto* renderer = new RecordingRenderer();
  display.renderer.reset(renderer);
  display.is3D = true;
  ASSERT_EQ(display.Init(host.window, false), 0);
  EXPECT_TRUE(display.aspectCorrected);
  EXPECT_EQ(display.displayWidth, 1680);
  EXPECT_EQ(display.displayHeight, 1050);
  EXPECT_EQ(DDrawStandIn::DesktopWidth(), 1680);
  EXPECT_EQ(display.presentationRect, Kivo::Rect(140, 0, 1400, 1050));
  EXPECT_EQ(app.presentationRect, Kivo::Rect(0, 0, 800, 600));
  EXPECT_EQ(display.width, 800);

  // Windowed again: no correction, the whole draw buffer is presented.
  ASSERT_EQ(display.Init(host.window, true), 0);
  EXPECT_FALSE(display.aspectCorrected);
  EXPECT_EQ(display.presentationRect, Kivo::Rect(0, 0, 800, 600));

  // 2D full screen: the mode is the application's size.
  display.is3D = false;
  ASSERT_EQ(display.Init(host.window, false), 0);
  EXPECT_FALSE(display.aspectCorrected);
  EXPECT_EQ(DDrawStandIn::DesktopWidth(), 800);
  EXPECT_EQ(DDrawStandIn::DesktopHeight(), 600);
  EXPECT_TRUE(DDInterface::IsNarrower(Kivo::Fraction(4, 3), Kivo::Fraction(8, 5)));
  EXPECT_FALSE(DDInterface::IsNarrower(Kivo::Fraction(16, 9), Kivo::Fraction(8, 5)));
}

TEST_F(DisplayFixture, WindowedAspectHackWidensTheWindowAroundItsCentre) {
  app.aspectHack = true;
  app.hackAspect = Kivo::Fraction(16, 9);
  host.client = RECT{300, 50, 940, 530};
  DDInterface display(&app);
  ASSERT_EQ(display.Init(host.window, true), 0);
  EXPECT_TRUE(display.aspectCorrected);
  EXPECT_EQ(display.displayWidth, 853);
  EXPECT_EQ(host.client.left, 300 - (853 - 640) / 2);
  EXPECT_EQ(host.client.right - host.client.left, 853);
  // Near the desktop's edge the window stops at 0 and keeps its size.
  host.client = RECT{40, 0, 680, 480};
  ASSERT_EQ(display.Init(host.window, true), 0);
  EXPECT_EQ(host.client.left, 0);
  EXPECT_EQ(host.client.right, 853);
  EXPECT_EQ(display.presentationRect, Kivo::Rect((853 - 640) / 2, 0, 640, 480));
}

TEST_F(DisplayFixture, DesktopsOfOtherDepthsAreRefused) {
  UseDesktop(Format::kRGB24);
  {
    DDInterface display(&app);
    EXPECT_EQ(display.Init(host.window, true), 6);
  }
  DDrawTest::ExpectNothingAlive();
  UseDesktop(Format::kPalette8);
  {
    DDInterface display(&app);
    EXPECT_EQ(display.Init(host.window, true), 6);
  }
  UseDesktop(Format::kRGB888);
  app.colorDepth = 24;
  {
    DDInterface display(&app);
    EXPECT_EQ(display.Init(host.window, false), 3);
  }
  DDrawTest::ExpectNothingAlive();
}

TEST_F(DisplayFixture, InitReleaseCyclesLeaveNothingBehind) {
  for (bool windowed : {true, false, true}) {
    DDInterface display(&app);
    for (int i = 0; i < 3; ++i) ASSERT_EQ(display.Init(host.window, windowed), 0);
    EXPECT_EQ(display.initCount, 3);
    display.ReleaseSurfaces();
    display.ReleaseSurfaces();
    DDrawTest::ExpectNothingAlive();
    EXPECT_FALSE(display.Redraw(nullptr));
  }
  DDrawTest::ExpectNothingAlive();
}

TEST_F(DisplayFixture, PresentWindowedShowsTheDrawBufferInTheClientArea) {
  DDInterface display(&app);
  EXPECT_FALSE(display.Redraw(nullptr));
  EXPECT_FALSE(display.presenting);
  ASSERT_EQ(display.Init(host.window, true), 0);
  Kivo::DDImage* screen = display.GetScreenImage();
  ASSERT_NE(screen, nullptr);
  screen->FillRect(Kivo::Rect(0, 0, 640, 480), Kivo::Color(0, 0, 255), 0);
  screen->FillRect(Kivo::Rect(10, 20, 5, 5), Kivo::Color(255, 0, 0), 0);
  EXPECT_TRUE(display.Redraw(nullptr));
  ASSERT_EQ(host.frameWidth, 640);
  ASSERT_EQ(host.frameHeight, 480);
  EXPECT_EQ(host.lastFrame[20 * 640 + 10], 0xFFFF0000u);
  EXPECT_EQ(host.lastFrame[0], 0xFF0000FFu);

  // A given rectangle is copied to the same place.
  screen->FillRect(Kivo::Rect(0, 0, 640, 480), Kivo::Color(0, 255, 0), 0);
  const Kivo::Rect part(0, 0, 4, 4);
  EXPECT_TRUE(display.Redraw(&part));
  EXPECT_EQ(host.lastFrame[2 * 640 + 2], 0xFF00FF00u);
  EXPECT_EQ(host.lastFrame[20 * 640 + 10], 0xFFFF0000u);
}

TEST_F(DisplayFixture, PresentFullScreenFlipsOrBlitsUnderAMessageBox) {
  app.width = 320;
  app.height = 200;
  app.colorDepth = 16;
  DDInterface display(&app);
  ASSERT_EQ(display.Init(host.window, false), 0);
  int cursorDraws = 0;
  display.drawCursor = [&](IDirectDrawSurface*, int32_t, int32_t) { ++cursorDraws; };
  display.GetScreenImage()->FillRect(Kivo::Rect(0, 0, 320, 200), Kivo::Color(255, 0, 0), 0);
  EXPECT_TRUE(display.Redraw(nullptr));
  EXPECT_EQ(cursorDraws, 1);
  EXPECT_EQ(host.lastFrame[0], 0xFFFF0000u);

  app.modalBoxShown = true;
  display.GetScreenImage()->FillRect(Kivo::Rect(0, 0, 320, 200), Kivo::Color(0, 0, 255), 0);
  EXPECT_TRUE(display.Redraw(nullptr));
  EXPECT_EQ(cursorDraws, 1);
  EXPECT_EQ(host.lastFrame[0], 0xFF0000FFu);
  app.modalBoxShown = false;

  DDrawStandIn::GetFaults().surfacesLost = true;
  EXPECT_FALSE(display.Redraw(nullptr));
  EXPECT_EQ(display.lastError, "Redraw FullScreen Flip: DDERR_SURFACELOST");
  EXPECT_FALSE(display.presenting);
  DDrawStandIn::GetFaults().surfacesLost = false;
}

TEST_F(DisplayFixture, PresentIn3DWithARendererErrorTurns3DOff) {
  DDInterface display(&app);
  auto* renderer = new RecordingRenderer();
  display.renderer.reset(renderer);
  display.is3D = true;
  ASSERT_EQ(display.Init(host.window, true), 0);
  EXPECT_TRUE(display.Redraw(nullptr));
  EXPECT_EQ(renderer->flushes, 1);
  // The screen image in 3D goes to the renderer and is never locked.
  Kivo::DDImage* screen = display.GetScreenImage();
  EXPECT_TRUE(screen->DrawsThrough3D());
  screen->FillRect(Kivo::Rect(0, 0, 4, 4), Kivo::Color::White, 0);
  EXPECT_EQ(renderer->fills, 1);
  EXPECT_FALSE(screen->LockSurface());
  EXPECT_FALSE(screen->UnlockSurface());
  EXPECT_TRUE(screen->FillPolygon(nullptr, 0, Kivo::Rect(), Kivo::Color::White, 0, 0, 0, false));

  renderer->lastError = "D3DERR_INVALIDCALL";
  EXPECT_FALSE(display.Redraw(nullptr));
  EXPECT_FALSE(display.is3D);
  EXPECT_EQ(renderer->flushes, 1);
}

TEST_F(DisplayFixture, ThreeDTestRunsOncePerDisplay) {
  struct FakeTester : Kivo::D3DTester {
    void TestIfNeeded(void*, void*) override { newResult = true; }
  };
  DDInterface display(&app);
  EXPECT_FALSE(display.RunTest3D(host.window));
  app.autoTest3D = true;
  display.testerFactory = [] { return std::unique_ptr<Kivo::D3DTester>(new FakeTester()); };
  auto* renderer = new RecordingRenderer();
  display.renderer.reset(renderer);
  ASSERT_EQ(display.Init(host.window, true), 0);
  EXPECT_TRUE(display.is3D);
  EXPECT_EQ(app.test3DPerformed, 1);
  ASSERT_EQ(display.Init(host.window, true), 0);
  EXPECT_EQ(app.test3DPerformed, 1);
  EXPECT_FALSE(display.RunTest3D(host.window));
}

}  // namespace
