// The first start on this machine: the application asks for 3D
// automatically, the display runs the capability test on the software 3D
// device, stores its verdict and comes up in 3D; later starts reuse the
// verdict, and a recorded demo replays it.
#include <cstring>
#include <filesystem>
#include <string>

#include "display/DDInterface.h"
#include "platform/devices/D3D.h"
#include "platform/devices/DDraw.h"
#include "platform/Registry.h"
#include "startup_support.h"
#include "tests/platform/ddraw_format_names.h"

namespace {

using namespace startuptest;
using DDrawStandIn::Format;

constexpr const char* kTest3DKey = "SOFTWARE\\KivoTest\\Test3D";

// Starts recording where a recording command line would: after the settings
// read before the command line.
class JournalingApp : public StartupApp {
 public:
  void OnBeforeWindowCreated() override {
    if (recordFromHere) mRecording = true;
    StartupApp::OnBeforeWindowCreated();
  }
  bool recordFromHere = false;
};

class FirstRun3D : public StartupFixture, public ::testing::WithParamInterface<Format> {
 protected:
  void SetUp() override {
    StartupFixture::SetUp();
    DDrawStandIn::Machine machine;
    machine.desktopFormat = GetParam();
    DDrawStandIn::Reset(machine);
    D3DStandIn::Reset();
  }
  void TearDown() override {
    StartupFixture::TearDown();
    DDrawStandIn::Reset();
    D3DStandIn::Reset();
  }

  JournalingApp& NewJournalingApp() {
    app = std::make_unique<JournalingApp>();
    app->mProgramFolder = folder;
    return static_cast<JournalingApp&>(*app);
  }

  // A started application that asks for 3D on its own.
  StartupApp& StartAuto3D() {
    StartupApp& a = NewApp();
    a.mAuto3D = true;
    EXPECT_EQ(InitApp(), -1);
    return a;
  }

  static bool ReadValue(const char* name, DWORD expectedType, void* data, DWORD size) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kTest3DKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    DWORD type = 0, got = size;
    const LONG result = RegQueryValueExA(key, name, nullptr, &type, static_cast<BYTE*>(data), &got);
    RegCloseKey(key);
    return result == ERROR_SUCCESS && type == expectedType && got == size;
  }
  static std::string ReadText(const char* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kTest3DKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return "<no key>";
    char text[4097] = {};
    DWORD type = 0, size = 4096;
    const LONG result = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS && type == REG_SZ ? std::string(text) : "<missing>";
  }
  // The adapter identity the DirectDraw stand-in reports.
  static GUID AdapterGuid() {
    void* made = nullptr;
    EXPECT_EQ(DirectDrawCreateEx(nullptr, &made, IID_IDirectDraw7, nullptr), DD_OK);
    auto* dd = static_cast<IDirectDraw7*>(made);
    DDDEVICEIDENTIFIER2 id;
    std::memset(&id, 0, sizeof(id));
    EXPECT_EQ(dd->GetDeviceIdentifier(&id, 0), DD_OK);
    dd->Release();
    return id.guidDeviceIdentifier;
  }
};

TEST_P(FirstRun3D, PassesIsStoredAndComesUpIn3D) {
  StartupApp& a = StartAuto3D();
  ASSERT_NE(a.mDisplay, nullptr);
  ASSERT_NE(a.mDisplay->tester, nullptr);
  EXPECT_EQ(a.mDisplay->tester->failureReason, "");
  EXPECT_EQ(a.mDisplay->tester->warning, "");
  EXPECT_TRUE(a.mDisplay->tester->newResult);
  EXPECT_EQ(a.test3DPerformed, 1);
  EXPECT_TRUE(a.mDisplay->is3D);
  EXPECT_NE(a.mDisplay->renderer, nullptr);
  EXPECT_TRUE(a.Is3DOn());

  uint32_t version = 0, minimum = 0, recommended = 0;
  EXPECT_TRUE(ReadValue("Version", REG_DWORD, &version, 4));
  EXPECT_TRUE(ReadValue("MinVidMemory", REG_DWORD, &minimum, 4));
  EXPECT_TRUE(ReadValue("RecVidMemory", REG_DWORD, &recommended, 4));
  EXPECT_EQ(version, 2u);
  EXPECT_EQ(minimum, 6u);
  EXPECT_EQ(recommended, 14u);
  GUID stored{};
  EXPECT_TRUE(ReadValue("DisplayGUID", REG_BINARY, &stored, sizeof(stored)));
  const GUID adapter = AdapterGuid();
  EXPECT_EQ(std::memcmp(&stored, &adapter, sizeof(GUID)), 0);
  EXPECT_EQ(ReadText("FailureReason"), "");
  EXPECT_EQ(ReadText("Warning"), "");
}

TEST_P(FirstRun3D, SecondStartRendersNothing) {
  StartAuto3D();
  app.reset();
  // A device that now blends wrongly would fail the test if it ran again.
  D3DStandIn::GetFaults().faultyBlend = true;
  StartupApp& b = StartAuto3D();
  ASSERT_NE(b.mDisplay->tester, nullptr);
  EXPECT_EQ(b.mDisplay->tester->failureReason, "");
  EXPECT_EQ(b.mDisplay->tester->warning, "");
  EXPECT_FALSE(b.mDisplay->tester->newResult);
  EXPECT_EQ(b.test3DPerformed, 0);
  EXPECT_TRUE(b.mDisplay->is3D);
  EXPECT_EQ(ReadText("FailureReason"), "");
}

TEST_P(FirstRun3D, DemoReplaysTheRecordedVerdictWithoutTesting) {
  // Recorded on a machine whose device fails the test: 3D stays off.
  D3DStandIn::GetFaults().faultyBlend = true;
  JournalingApp& recorder = NewJournalingApp();
  recorder.mAuto3D = true;
  recorder.recordFromHere = true;
  recorder.mDemoFilePath = folder + "/first.dmo";
  ASSERT_EQ(InitApp(), -1);
  EXPECT_EQ(recorder.mDisplay->tester->failureReason, "Alpha blend Not Supported");
  EXPECT_FALSE(recorder.mDisplay->is3D);
  recorder.WriteDemoFile();
  recorder.mRecording = false;
  app.reset();

  // Played back on a sound machine with no stored verdict: the recorded
  // failure comes back, nothing is tested and nothing is stored.
  D3DStandIn::Reset();
  std::filesystem::remove_all(folder + "/config");
  HKEY key = nullptr;
  ASSERT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, kTest3DKey, 0, KEY_READ, &key), ERROR_SUCCESS);
  JournalingApp& player = NewJournalingApp();
  player.mAuto3D = true;
  player.mPlaying = true;
  player.mDemoFilePath = folder + "/first.dmo";
  ASSERT_EQ(InitApp(), -1);
  ASSERT_NE(player.mDisplay->tester, nullptr);
  EXPECT_EQ(player.mDisplay->tester->failureReason, "Alpha blend Not Supported");
  EXPECT_EQ(player.mDisplay->tester->warning, "");
  EXPECT_TRUE(player.mDisplay->tester->newResult);
  EXPECT_FALSE(player.mDisplay->is3D);
  EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, kTest3DKey, 0, KEY_READ, &key), ERROR_SUCCESS);
  player.mPlaying = false;
}

INSTANTIATE_TEST_SUITE_P(Desktops, FirstRun3D, ::testing::Values(Format::kRGB888, Format::kRGB565), FormatParamName);

}  // namespace
