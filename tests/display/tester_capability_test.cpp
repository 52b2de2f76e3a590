// The 3D capability test on the software 3D device: its verdict, the cached
// result in the registry store, the adapter rules and the failure texts.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "display/D3DCapabilityTester.h"
#include "platform/devices/D3D.h"
#include "platform/devices/DDraw.h"
#include "platform/Process.h"
#include "platform/Registry.h"

namespace {

namespace fs = std::filesystem;
using Kivo::D3DCapabilityTester;

constexpr const char* kKey = "SOFTWARE\\Kivo\\TesterTest\\Test3D";

class CapabilityTester : public ::testing::Test {
 protected:
  fs::path home;

  void SetUp() override {
    home = fs::temp_directory_path() / ("kivo_tester_" + std::to_string(::getpid()) + "_" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(home);
    fs::create_directories(home / "lists");
    ::setenv("GAME_HOME", home.c_str(), 1);
    UseDesktop(DDrawStandIn::Format::kRGB888);
  }
  void TearDown() override {
    DDrawStandIn::Reset();
    D3DStandIn::Reset();
    ::unsetenv("GAME_HOME");
    fs::remove_all(home);
  }
  void UseDesktop(DDrawStandIn::Format format, int width = 1024, int height = 768) {
    DDrawStandIn::Machine machine;
    machine.desktopFormat = format;
    machine.desktopWidth = width;
    machine.desktopHeight = height;
    DDrawStandIn::Reset(machine);
    D3DStandIn::Reset();
  }
  // A driver file last written in the given year.
  std::string DriverOfYear(int year) {
    const fs::path path = home / ("driver" + std::to_string(year) + ".sys");
    std::ofstream(path) << "driver";
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = 5;
    tm.tm_mday = 15;
    utimbuf times{};
    times.actime = times.modtime = timegm(&tm);
    ::utime(path.c_str(), &times);
    return path.string();
  }
  void WriteList(const char* name, const std::string& text) { std::ofstream(home / "lists" / name) << text; }

  struct Outcome {
    std::string failure, warning;
    bool newResult;
  };
  Outcome Run(const Kivo::D3DTestJournal& journal = Kivo::D3DTestJournal()) {
    D3DCapabilityTester tester;
    tester.applicationKey = "Kivo\\TesterTest\\";
    tester.listFolder = (home / "lists").string();
    tester.journal = journal;
    tester.SetVideoMemoryRequirements(6, 14);
    tester.TestIfNeeded(nullptr, nullptr);
    EXPECT_EQ(D3DStandIn::LiveDevices(), 0);
    return {tester.failureReason, tester.warning, tester.newResult};
  }

  HKEY Key() {
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    return key;
  }
  uint32_t StoredDword(const char* name) {
    HKEY key = Key();
    uint32_t v = 0xDEAD;
    DWORD size = 4;
    RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&v), &size);
    RegCloseKey(key);
    return v;
  }
  std::string StoredText(const char* name) {
    HKEY key = Key();
    char text[5000] = {};
    DWORD size = sizeof(text) - 1;
    RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size);
    RegCloseKey(key);
    return text;
  }
  size_t StoredSize(const char* name) {
    HKEY key = Key();
    DWORD size = 0;
    RegQueryValueExA(key, name, nullptr, nullptr, nullptr, &size);
    RegCloseKey(key);
    return size;
  }
  void Store(const char* name, DWORD type, const void* data, DWORD size) {
    HKEY key = Key();
    ASSERT_EQ(RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
    RegCloseKey(key);
  }
  // Any rendering from now on fails loudly.
  void ForbidRendering() { D3DStandIn::GetFaults().createDevice = DDERR_GENERIC; }
};

TEST_F(CapabilityTester, FirstRunPassesOnTheSoftwareDeviceAndIsStored) {
  for (auto format : {DDrawStandIn::Format::kRGB888, DDrawStandIn::Format::kRGB565}) {
    SCOPED_TRACE(static_cast<int>(format));
    fs::remove_all(home / "config");
    UseDesktop(format);
    const Outcome first = Run();
    EXPECT_EQ(first.failure, "");
    EXPECT_EQ(first.warning, "");
    EXPECT_TRUE(first.newResult);
    EXPECT_EQ(StoredDword("Version"), 2u);
    EXPECT_EQ(StoredDword("MinVidMemory"), 6u);
    EXPECT_EQ(StoredDword("RecVidMemory"), 14u);
    EXPECT_EQ(StoredText("FailureReason"), "");
    EXPECT_EQ(StoredText("Warning"), "");
    // The second start renders nothing and writes the same values again.
    ForbidRendering();
    const Outcome second = Run();
    EXPECT_EQ(second.failure, "");
    EXPECT_FALSE(second.newResult);
    EXPECT_EQ(StoredDword("Version"), 2u);
  }
}

// What a stored result from an earlier start makes of the next one. Each
// case starts from a clean stored pass and changes one value first.
TEST_F(CapabilityTester, StoredResultCases) {
  const GUID otherAdapter = {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
  const uint32_t one = 1, twenty = 20;
  // Stored without its terminating zero, so a rewrite is visible.
  const std::string clipWarning = "Clip problem detected.";
  const char failure[] = "Alpha blend Not Supported";
  const struct {
    const char* name;
    const char* value;
    DWORD type;
    const void* data;
    DWORD size;
    bool renders;  // the test runs again
    const char* warning;
    bool newResult;
  } cases[] = {
      {"clean cache", "Warning", REG_SZ, clipWarning.data(), static_cast<DWORD>(clipWarning.size()), false,
       "Clip problem detected.", false},
      {"another adapter", "DisplayGUID", REG_BINARY, &otherAdapter, sizeof(otherAdapter), true, "", true},
      {"older version", "Version", REG_DWORD, &one, 4, true, "", true},
      {"other minimum", "MinVidMemory", REG_DWORD, &twenty, 4, true, "", true},
      {"other recommendation", "RecVidMemory", REG_DWORD, &twenty, 4, true, "", true},
      {"stored failure", "FailureReason", REG_SZ, failure, sizeof(failure), true, "", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(home / "config");
    D3DStandIn::Reset();
    Run();
    Store("Warning", REG_SZ, "stale", 6);
    Store(c.value, c.type, c.data, c.size);
    // A run that renders now fails on this device; one that does not keeps
    // the stored verdict.
    D3DStandIn::GetFaults().faultyAdditive = true;
    const Outcome o = Run();
    EXPECT_EQ(o.failure, c.renders ? "Additive blend not supported." : "");
    EXPECT_EQ(o.warning, c.warning);
    EXPECT_EQ(o.newResult, c.newResult);
    // The outcome is written back whole, also when it was only read.
    EXPECT_EQ(StoredDword("Version"), 2u);
    EXPECT_EQ(StoredDword("MinVidMemory"), 6u);
    EXPECT_EQ(StoredDword("RecVidMemory"), 14u);
    EXPECT_EQ(StoredText("FailureReason"), o.failure);
    EXPECT_EQ(StoredText("Warning"), o.warning);
    EXPECT_EQ(StoredSize("Warning"), o.warning.size() + 1);
  }
  // A pass clears a stored failure, and that is not a new result either.
  fs::remove_all(home / "config");
  D3DStandIn::Reset();
  Run();
  Store("FailureReason", REG_SZ, failure, sizeof(failure));
  const Outcome passed = Run();
  EXPECT_EQ(passed.failure, "");
  EXPECT_FALSE(passed.newResult);
  EXPECT_EQ(StoredText("FailureReason"), "");
}

TEST_F(CapabilityTester, StoredTextWithoutTerminatorIsReadSafely) {
  Run();
  const std::string longText(4096, 'w');
  Store("Warning", REG_SZ, longText.data(), static_cast<DWORD>(longText.size()));
  ForbidRendering();
  const Outcome o = Run();
  EXPECT_EQ(o.warning, longText);
}

TEST_F(CapabilityTester, VideoMemoryIsCountedWithTheDesktop) {
  // 4 MB on 800 x 600 x 16: (2 x 800 x 600 + 4 MiB) >> 20 = 4, below 6.
  UseDesktop(DDrawStandIn::Format::kRGB565, 800, 600);
  DDrawStandIn::GetMachine().videoMemoryTotal = 4u << 20;
  ForbidRendering();
  Outcome o = Run();
  EXPECT_EQ(o.failure, "Not enough video memory.");
  EXPECT_TRUE(o.newResult);
  // Close to 4 GB must not wrap around to a few megabytes.
  UseDesktop(DDrawStandIn::Format::kRGB888);
  DDrawStandIn::GetMachine().videoMemoryTotal = 0xFFF00000u;
  o = Run();
  EXPECT_EQ(o.failure, "");
  EXPECT_EQ(o.warning, "");
}

TEST_F(CapabilityTester, AdapterListsAndDriverAge) {
  const std::string old = DriverOfYear(2001), current = DriverOfYear(2003);
  const struct {
    const char* name;
    std::string driver;
    const char* description;
    const char* allow;  // null: no "vhw.dat"
    const char* deny;   // null: no "vhwb.dat"
    bool supported;
  } cases[] = {
      {"known vendor, any case", old, "GeForce by NVIDIA Corp", nullptr, nullptr, true},
      {"ati with its blank", old, "ATI Rage", nullptr, nullptr, true},
      {"ati without the blank", old, "Matic", nullptr, nullptr, false},
      {"unknown old adapter", old, "Generic Adapter", nullptr, nullptr, false},
      {"unknown new driver", current, "Generic Adapter", nullptr, nullptr, true},
      {"allow list without a match", current, "NVIDIA thing", "  Voodoo  \n\nS3\n", nullptr, false},
      {"allow list match after trimming", old, "S3 Savage", "Voodoo\n   s3 savage \t\n", nullptr, true},
      {"deny list wins", current, "Generic Adapter", "generic", "adapter\n", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove(home / "lists" / "vhw.dat");
    fs::remove(home / "lists" / "vhwb.dat");
    if (c.allow != nullptr) WriteList("vhw.dat", c.allow);
    if (c.deny != nullptr) WriteList("vhwb.dat", c.deny);
    fs::remove_all(home / "config");
    DDrawStandIn::GetMachine().driver = c.driver;
    DDrawStandIn::GetMachine().description = c.description;
    const Outcome o = Run();
    EXPECT_EQ(o.failure, "");
    EXPECT_EQ(o.warning, c.supported ? "" : std::string("Unsupported video card: ") + c.description);
  }
}

TEST_F(CapabilityTester, FailureTexts) {
  // Each run starts without a stored result, so that the test really runs.
  auto Run = [this] {
    fs::remove_all(home / "config");
    return CapabilityTester::Run();
  };
  D3DStandIn::GetFaults().faultyBlend = true;
  EXPECT_EQ(Run().failure, "Alpha blend Not Supported");
  D3DStandIn::Reset();

  D3DStandIn::GetFaults().createDevice = DDERR_GENERIC;
  EXPECT_EQ(Run().failure.rfind("DXError - CreateDevice: ", 0), 0u);
  D3DStandIn::Reset();

  D3DStandIn::GetCaps().offerA8R8G8B8 = false;
  Outcome o = Run();
  EXPECT_EQ(o.failure, "");
  EXPECT_EQ(o.warning, "A8R8G8B8 texture format not supported.");
  D3DStandIn::GetCaps().offerA4R4G4B4 = false;
  EXPECT_EQ(Run().failure, "A4R4G4B4 and A8R8G8B8 texture formats not supported.");
  D3DStandIn::Reset();

  DDrawStandIn::GetFaults().entryEx = false;
  o = Run();
  EXPECT_EQ(o.failure, "No DirectDrawCreateEx");
  DDrawStandIn::GetFaults().entryEx = true;

  DDrawStandIn::GetFaults().createSurface = DDERR_OUTOFMEMORY;
  DDrawStandIn::GetFaults().createSurfaceCaps = DDSCAPS_TEXTURE;
  EXPECT_EQ(Run().failure.rfind("DXError - CreateSurface (TextureSurface1): ", 0), 0u);
}

TEST_F(CapabilityTester, EachFaultyDeviceGetsItsOwnText) {
  const struct {
    const char* name;
    void (*inject)();
    const char* failure;
    const char* warning;
  } cases[] = {
      {"alpha", [] { D3DStandIn::GetFaults().faultyBlend = true; }, "Alpha blend Not Supported", ""},
      {"additive", [] { D3DStandIn::GetFaults().faultyAdditive = true; }, "Additive blend not supported.", ""},
      {"alpha add", [] { D3DStandIn::GetFaults().faultyAlphaAdd = true; }, "AlphaAdd blend not supported.", ""},
      {"modulated", [] { D3DStandIn::GetFaults().faultyModulate = true; }, "AlphaModulated blend not supported.", ""},
      {"clipping only warns", [] { D3DStandIn::GetFaults().faultyEdgeClip = true; }, "", "Clip problem detected."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(home / "config");
    D3DStandIn::Reset();
    c.inject();
    const Outcome o = Run();
    EXPECT_EQ(o.failure, c.failure);
    EXPECT_EQ(o.warning, c.warning);
    EXPECT_TRUE(o.newResult);
    EXPECT_EQ(StoredText("FailureReason"), c.failure);
    EXPECT_EQ(StoredText("Warning"), c.warning);
  }
}

TEST_F(CapabilityTester, SecondTextureFailureNamesItsCall) {
  DDrawStandIn::GetFaults().createSurface = DDERR_OUTOFVIDEOMEMORY;
  DDrawStandIn::GetFaults().createSurfaceCaps = DDSCAPS_TEXTURE;
  DDrawStandIn::GetFaults().createSurfaceSkip = 1;
  const Outcome o = Run();
  EXPECT_EQ(o.failure.rfind("DXError - CreateSurface (TextureSurfacd2): ", 0), 0u) << o.failure;
  EXPECT_EQ(DDrawStandIn::LiveSurfaces(), 0);
}

// A tester whose device draws into a 32-bit target while the surface it
// reads back has another depth.
class ReadBackDepth : public CapabilityTester {
 protected:
  IDirectDrawSurface7* Surface(DWORD caps, const DDPIXELFORMAT* format, DWORD size) {
    DDSURFACEDESC2 desc;
    std::memset(&desc, 0, sizeof(desc));
    desc.dwSize = sizeof(desc);
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | (format != nullptr ? DDSD_PIXELFORMAT : 0);
    desc.dwWidth = desc.dwHeight = size;
    desc.ddsCaps.dwCaps = caps;
    if (format != nullptr) desc.ddpfPixelFormat = *format;
    IDirectDrawSurface7* surface = nullptr;
    EXPECT_EQ(tester.directDraw7->CreateSurface(&desc, &surface, nullptr), DD_OK);
    return surface;
  }
  void Build(DDrawStandIn::Format readFormat) {
    void* made = nullptr;
    ASSERT_EQ(DirectDrawCreateEx(nullptr, &made, IID_IDirectDraw7, nullptr), DD_OK);
    tester.directDraw7 = static_cast<IDirectDraw7*>(made);
    ASSERT_EQ(tester.directDraw7->QueryInterface(IID_IDirect3D7, &made), DD_OK);
    tester.direct3D7 = static_cast<IDirect3D7*>(made);
    target = Surface(DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE, nullptr, 100);
    ASSERT_EQ(tester.direct3D7->CreateDevice(IID_IDirect3DHALDevice, target, &tester.device), D3D_OK);
    const DDPIXELFORMAT texture = DDrawStandIn::PixelFormatOf(DDrawStandIn::Format::kARGB8888);
    tester.texture1 = Surface(DDSCAPS_TEXTURE, &texture, 64);
    tester.texture2 = Surface(DDSCAPS_TEXTURE, &texture, 64);
    const DDPIXELFORMAT read = DDrawStandIn::PixelFormatOf(readFormat);
    tester.testSurface = Surface(DDSCAPS_OFFSCREENPLAIN, &read, 100);
    ASSERT_NE(tester.testSurface, nullptr);
    tester.readBack.Create(100, 100);
    Kivo::gTestTextures8888 = true;
  }
  uint32_t TargetPixel(int x, int y) {
    DDSURFACEDESC2 desc;
    std::memset(&desc, 0, sizeof(desc));
    desc.dwSize = sizeof(desc);
    EXPECT_EQ(target->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
    const uint32_t p = static_cast<const uint32_t*>(desc.lpSurface)[y * desc.lPitch / 4 + x];
    target->Unlock(nullptr);
    return p & 0xFFFFFF;
  }
  void TearDown() override {
    if (target != nullptr) target->Release();
    tester.Cleanup();
    CapabilityTester::TearDown();
  }
  D3DCapabilityTester tester;
  IDirectDrawSurface7* target = nullptr;
};

TEST_F(ReadBackDepth, TwentyFourBitsStopsTheFirstTest) {
  Build(DDrawStandIn::Format::kRGB24);
  EXPECT_FALSE(tester.RunRenderTests());
  EXPECT_EQ(tester.failureReason, "Can't test 24-bit mode.");
  // Only the alpha scene was drawn: blue under half red, not the later grey.
  EXPECT_LE(Kivo::ColorDistanceSquared(TargetPixel(5, 5), 0x7F007F), 768);
  // The read-back left the surface unlocked.
  DDSURFACEDESC2 desc;
  std::memset(&desc, 0, sizeof(desc));
  desc.dwSize = sizeof(desc);
  EXPECT_EQ(tester.testSurface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
  tester.testSurface->Unlock(nullptr);
}

TEST_F(ReadBackDepth, EightBitsIsAnInvalidDepth) {
  Build(DDrawStandIn::Format::kPalette8);
  EXPECT_FALSE(tester.TestAlphaBlend());
  EXPECT_EQ(tester.failureReason, "Invalid Color Depth");
}

TEST_F(CapabilityTester, AdapterIdentityComesFromDirectDraw) {
  // There is no Direct3D 8 library: its query fails cleanly.
  GUID guid{};
  std::string driver = "unchanged", description = "unchanged";
  EXPECT_FALSE(D3DCapabilityTester::GetDirect3D8AdapterInfo(&guid, &driver, &description));
  EXPECT_EQ(driver, "unchanged");
  // DirectDraw's identity is used instead: its description reaches the
  // warning of an unknown, old adapter.
  DDrawStandIn::GetMachine().driver = DriverOfYear(2001);
  DDrawStandIn::GetMachine().description = "Plain Adapter 7";
  EXPECT_EQ(Run().warning, "Unsupported video card: Plain Adapter 7");
  // A bare driver name is looked for in the system folder; one that is not
  // there has no year, so the old-driver rule applies.
  fs::remove_all(home / "config");
  DDrawStandIn::GetMachine().driver = "no-such-driver-file.sys";
  EXPECT_EQ(Run().warning, "Unsupported video card: Plain Adapter 7");
  // The default driver is the program itself: a current file.
  fs::remove_all(home / "config");
  DDrawStandIn::GetMachine().driver.clear();
  EXPECT_EQ(Run().warning, "");
}

TEST_F(CapabilityTester, OutcomePassesThroughTheDemoJournal) {
  // Recording: the live outcome is written in order.
  std::vector<std::string> texts;
  std::vector<bool> flags;
  Kivo::D3DTestJournal recording;
  recording.playingBack = [] { return false; };
  recording.passText = [&](std::string& text) { texts.push_back(text); };
  recording.passFlag = [&](bool& flag) { flags.push_back(flag); };
  D3DStandIn::GetCaps().offerA8R8G8B8 = false;
  const Outcome recorded = Run(recording);
  EXPECT_EQ(recorded.warning, "A8R8G8B8 texture format not supported.");
  EXPECT_EQ(texts, (std::vector<std::string>{"", "A8R8G8B8 texture format not supported."}));
  EXPECT_EQ(flags, std::vector<bool>{true});

  // Playback on a machine where every DirectX call would fail: the recorded
  // outcome comes back and nothing is created or stored.
  fs::remove_all(home / "config");
  D3DStandIn::Reset();
  DDrawStandIn::GetFaults().entryEx = false;
  DDrawStandIn::GetFaults().createEx = DDERR_GENERIC;
  D3DStandIn::GetFaults().createDevice = DDERR_GENERIC;
  size_t nextText = 0;
  Kivo::D3DTestJournal playback;
  playback.playingBack = [] { return true; };
  playback.passText = [&](std::string& text) { text = texts.at(nextText++); };
  playback.passFlag = [&](bool& flag) { flag = flags.at(0); };
  const Outcome replayed = Run(playback);
  EXPECT_EQ(replayed.failure, "");
  EXPECT_EQ(replayed.warning, "A8R8G8B8 texture format not supported.");
  EXPECT_TRUE(replayed.newResult);
  EXPECT_EQ(nextText, 2u);
  EXPECT_EQ(DDrawStandIn::LiveDirectDrawObjects(), 0);
  EXPECT_EQ(DDrawStandIn::LiveSurfaces(), 0);
  EXPECT_EQ(D3DStandIn::LiveDirect3D(), 0);
  HKEY key = nullptr;
  EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
}

TEST_F(CapabilityTester, WithoutAJournalTheOutcomeStands) {
  D3DStandIn::GetFaults().faultyBlend = true;
  const Outcome o = Run();
  EXPECT_EQ(o.failure, "Alpha blend Not Supported");
  EXPECT_TRUE(o.newResult);
}

}  // namespace
