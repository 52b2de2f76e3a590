// The one-time 3D capability test: judges whether this adapter renders
// textured, alpha-blended triangles correctly, and caches the verdict per
// adapter and memory requirements in the registry key
// HKEY_CURRENT_USER\SOFTWARE\<application key>\Test3D.
//
// Steps: adapter identity (from Direct3D 8 when its library loads, else from
// DirectDraw), video memory counted with the desktop's frame in 64 bits, the
// stored verdict (texts of up to 4096 bytes, terminated here), driver age and
// the adapter lists "vhwb.dat" (never use 3D) and "vhw.dat" (may use 3D)
// read from the working folder, then five small scenes rendered into a
// 100 x 100 surface and read back. The outcome is a failure reason (3D must
// not be used), a warning (3D is doubtful) or neither. Every failed DirectX
// call ends the test with "DXError - call: error name"; registry failures are
// silent. Adapter list lines longer than 4000 bytes are read in pieces.
//
// The outcome passes through the application's demo journal (the journal
// hook below): a recorded run writes it, a played-back run touches no
// DirectX object and takes the recorded outcome instead.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "display/D3DInterface.h"
#include "display/D3DTestImage.h"
#include "platform/Registry.h"

namespace Kivo {

// How the tester reaches the application's demo journal without knowing the
// application. Unset members mean no demo: nothing is played back and the
// outcome passes unchanged.
struct D3DTestJournal {
  // True while a demo is played back: the test must not run.
  std::function<bool()> playingBack;
  // Recording writes the value; playback replaces it with the recorded one.
  std::function<void(std::string&)> passText;
  std::function<void(bool&)> passFlag;
};

class D3DCapabilityTester : public D3DTester {
 public:
  D3DCapabilityTester();
  ~D3DCapabilityTester() override;

  IDirectDraw7* directDraw7 = nullptr;
  IDirectDrawSurface7* testSurface = nullptr;
  IDirectDrawSurface7* texture1 = nullptr;
  IDirectDrawSurface7* texture2 = nullptr;
  IDirect3D7* direct3D7 = nullptr;
  IDirect3DDevice7* device = nullptr;
  HKEY registryKey = nullptr;
  GUID adapterGuid{};
  std::string driverName;
  std::string driverDescription;
  D3DTestImage readBack;
  uint32_t minVideoMemory = 0;
  uint32_t recVideoMemory = 0;
  bool useStoredResult = true;
  bool needsSave = false;
  int32_t driverYear = 0;
  // The application's key below HKEY_CURRENT_USER\SOFTWARE.
  std::string applicationKey;
  // Where "vhw.dat" and "vhwb.dat" are looked for; empty: the working folder.
  std::string listFolder;
  D3DTestJournal journal;

  void SetVideoMemoryRequirements(int32_t minimumMegabytes, int32_t recommendedMegabytes) override;
  void TestIfNeeded(void* window, void* directDraw7) override;

  bool RunTest(HWND window, IDirectDraw7* displayDirectDraw);
  bool RunRenderTests();
  bool LoadCachedResult();
  void SaveResult();
  void Cleanup();
  bool IsSupportedCard(const std::string& description);
  bool CardListMatches(const char* file, const std::string& description);
  bool Fail(const std::string& reason);
  bool AddWarning(const std::string& text);
  void CopyPrimary();
  // The adapter's identity through Direct3D 8; false when that is missing.
  static bool GetDirect3D8AdapterInfo(GUID* guid, std::string* driver, std::string* description);

  bool TestAlphaBlend();
  bool TestAdditiveBlend();
  bool TestAlphaAddBlend();
  bool TestAlphaModulatedBlend();
  bool TestClipping();

 private:
  struct Scene;
  bool RunScene(const Scene& scene);
  void Prepare(HWND window, IDirectDraw7* displayDirectDraw, bool* goOn);
  std::string RegistryPath() const;
};

}  // namespace Kivo
