// The 3D capability test: adapter identity, memory, cached verdict, adapter
// lists, driver age and five render checks.
#include "display/D3DCapabilityTester.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/Process.h"
#include "platform/SingleInstance.h"
#include "platform/SystemQueries.h"
#include "platform/devices/ScreenContext.h"
#include "shell/base/StringUtils.h"

namespace Kivo {

namespace {

// Older drivers are judged by the adapter's description.
constexpr const char* kKnownGoodVendors[] = {"nvidia", "radeon", "ati "};
constexpr int32_t kCurrentDriverYear = 2002;
constexpr size_t kListLineBytes = 4000;
constexpr DWORD kStoredTextBytes = 4096;

std::string Trimmed(const char* line) { return TrimSpaces(std::string(line)); }

bool MatchesDescription(const std::string& entry, const std::string& description) {
  return !entry.empty() && FindIgnoreCase(description, entry) >= 0;
}

// The year of the driver file's last write, 0 when it does not open. A bare
// file name lives in the system folder.
int32_t DriverFileYear(std::string path) {
  if (path.find('/') == std::string::npos && path.find('\\') == std::string::npos) {
    char folder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(folder, sizeof(folder));
    std::string prefix = length > 0 && length < sizeof(folder) ? std::string(folder, length) : std::string();
    if (!prefix.empty() && prefix.back() != '/' && prefix.back() != '\\') prefix += '\\';
    path = prefix + path;
  }
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  int32_t year = 0;
  FILETIME written{};
  SYSTEMTIME when{};
  if (GetFileTime(file, nullptr, nullptr, &written) && FileTimeToSystemTime(&written, &when)) year = when.wYear;
  CloseHandle(file);
  return year;
}

// The adapter's megabytes: the desktop's frame plus the reported video
// memory, in 64 bits so that an adapter close to 4 GB does not wrap around
// to a few megabytes.
uint64_t TotalMegabytes(uint32_t reportedBytes) {
  HDC screen = GetDC(nullptr);
  const uint64_t width = static_cast<uint64_t>(std::max(0, GetDeviceCaps(screen, HORZRES)));
  const uint64_t height = static_cast<uint64_t>(std::max(0, GetDeviceCaps(screen, VERTRES)));
  const uint64_t bits = static_cast<uint64_t>(std::max(0, GetDeviceCaps(screen, BITSPIXEL)));
  ReleaseDC(nullptr, screen);
  return (bits / 8 * width * height + reportedBytes) >> 20;
}

// The part of the Direct3D 8 object the adapter query uses.
struct Direct3D8AdapterIdentifier {
  char driver[512];
  char description[512];
  LONGLONG driverVersion;
  DWORD vendorId, deviceId, subSystemId, revision;
  GUID deviceIdentifier;
  DWORD whqlLevel;
};
class IDirect3D8Adapters {
 public:
  virtual HRESULT QueryInterface(REFIID iid, void** out) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;
  virtual HRESULT RegisterSoftwareDevice(void* initialize) = 0;
  virtual UINT GetAdapterCount() = 0;
  virtual HRESULT GetAdapterIdentifier(UINT adapter, DWORD flags, Direct3D8AdapterIdentifier* identifier) = 0;

 protected:
  ~IDirect3D8Adapters() = default;
};
typedef IDirect3D8Adapters* (*Direct3DCreate8Proc)(UINT sdkVersion);
constexpr UINT kDirect3D8SdkVersion = 220;
constexpr DWORD kNoWhqlLevel = 2;

struct FormatCollector {
  uint32_t formats = 0;
};

HRESULT CollectFormat(DDPIXELFORMAT* format, void* context) {
  if (format != nullptr) static_cast<FormatCollector*>(context)->formats |= ClassifyTexturePixelFormat(*format);
  return D3DENUMRET_OK;
}

template <typename T>
void ReleaseInto(T*& p) {
  if (p != nullptr) p->Release();
  p = nullptr;
}

}  // namespace

D3DCapabilityTester::D3DCapabilityTester() : applicationKey(gD3DRegistryKey) {}

D3DCapabilityTester::~D3DCapabilityTester() { Cleanup(); }

void D3DCapabilityTester::SetVideoMemoryRequirements(int32_t minimumMegabytes, int32_t recommendedMegabytes) {
  minVideoMemory = static_cast<uint32_t>(minimumMegabytes);
  recVideoMemory = static_cast<uint32_t>(recommendedMegabytes);
}

bool D3DCapabilityTester::Fail(const std::string& reason) {
  failureReason = reason;
  return false;
}

bool D3DCapabilityTester::AddWarning(const std::string& text) {
  warning = text;
  return true;
}

std::string D3DCapabilityTester::RegistryPath() const {
  std::string key = applicationKey;
  while (!key.empty() && (key.back() == '\\' || key.back() == '/')) key.pop_back();
  return "SOFTWARE\\" + key + "\\Test3D";
}

void D3DCapabilityTester::TestIfNeeded(void* window, void* displayDirectDraw) {
  const bool playingBack = journal.playingBack && journal.playingBack();
  if (!playingBack) {
    needsSave = false;
    const bool render = RunTest(static_cast<HWND>(window), static_cast<IDirectDraw7*>(displayDirectDraw));
    if (render) RunRenderTests();
    if (!render && !needsSave) {
      DWORD size = 0;
      newResult = registryKey == nullptr ||
                  RegQueryValueExA(registryKey, "FailureReason", nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS;
      needsSave = true;
    }
    if (needsSave) SaveResult();
    Cleanup();
  }
  // A recorded run replays with the same 3D decision.
  if (journal.passText) {
    journal.passText(failureReason);
    journal.passText(warning);
  }
  if (journal.passFlag) journal.passFlag(newResult);
}

bool D3DCapabilityTester::GetDirect3D8AdapterInfo(GUID* guid, std::string* driver, std::string* description) {
  HMODULE library = LoadLibraryA("d3d8.dll");
  if (library == nullptr) return false;
  bool found = false;
  auto create = reinterpret_cast<Direct3DCreate8Proc>(GetProcAddress(library, "Direct3DCreate8"));
  if (IDirect3D8Adapters* direct3D8 = create != nullptr ? create(kDirect3D8SdkVersion) : nullptr) {
    Direct3D8AdapterIdentifier id;
    std::memset(&id, 0, sizeof(id));
    if (SUCCEEDED(direct3D8->GetAdapterIdentifier(0, kNoWhqlLevel, &id))) {
      id.driver[sizeof(id.driver) - 1] = 0;
      id.description[sizeof(id.description) - 1] = 0;
      *guid = id.deviceIdentifier;
      *driver = id.driver;
      *description = id.description;
      found = true;
    }
    direct3D8->Release();
  }
  FreeLibrary(library);
  return found;
}

bool D3DCapabilityTester::RunTest(HWND window, IDirectDraw7* displayDirectDraw) {
  bool goOn = false;
  try {
    Prepare(window, displayDirectDraw, &goOn);
  } catch (const D3DTestException& e) {
    return Fail(e.what());
  }
  return goOn;
}

void D3DCapabilityTester::Prepare(HWND window, IDirectDraw7* displayDirectDraw, bool* goOn) {
  *goOn = false;
  Cleanup();
  driverYear = 0;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, RegistryPath().c_str(), 0, "", REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                      nullptr, &registryKey, nullptr) != ERROR_SUCCESS)
    registryKey = nullptr;

  if (displayDirectDraw != nullptr) {
    displayDirectDraw->AddRef();
    directDraw7 = displayDirectDraw;
  } else {
    auto create = reinterpret_cast<DirectDrawCreateExProc>(DDrawStandIn::LookupEntryPoint("DirectDrawCreateEx"));
    if (create == nullptr) {
      Fail("No DirectDrawCreateEx");
      return;
    }
    void* made = nullptr;
    D3DTestCheck(create(nullptr, &made, IID_IDirectDraw7, nullptr), "DirectDrawCreateEx");
    directDraw7 = static_cast<IDirectDraw7*>(made);
  }

  if (!GetDirect3D8AdapterInfo(&adapterGuid, &driverName, &driverDescription)) {
    DDDEVICEIDENTIFIER2 id;
    std::memset(&id, 0, sizeof(id));
    D3DTestCheck(directDraw7->GetDeviceIdentifier(&id, 0), "GetDeviceIdentifier");
    id.szDriver[sizeof(id.szDriver) - 1] = 0;
    id.szDescription[sizeof(id.szDescription) - 1] = 0;
    adapterGuid = id.guidDeviceIdentifier;
    driverName = id.szDriver;
    driverDescription = id.szDescription;
  }

  DDSCAPS2 caps{};
  caps.dwCaps = DDSCAPS_VIDEOMEMORY;
  DWORD total = 0, freeMemory = 0;
  if (SUCCEEDED(directDraw7->GetAvailableVidMem(&caps, &total, &freeMemory)) &&
      TotalMegabytes(total) < minVideoMemory) {
    Fail("Not enough video memory.");
    return;
  }

  if (useStoredResult && LoadCachedResult()) return;
  needsSave = true;
  failureReason.clear();
  warning.clear();

  driverYear = DriverFileYear(driverName);

  if (!IsSupportedCard(driverDescription)) AddWarning("Unsupported video card: " + driverDescription);

  void* d3d = nullptr;
  D3DTestCheck(directDraw7->QueryInterface(IID_IDirect3D7, &d3d), "QueryInterface IID_IDirect3D7");
  direct3D7 = static_cast<IDirect3D7*>(d3d);
  D3DTestCheck(directDraw7->SetCooperativeLevel(window, DDSCL_NORMAL), "SetCooperativeLevel");

  DDSURFACEDESC2 desc;
  std::memset(&desc, 0, sizeof(desc));
  desc.dwSize = sizeof(desc);
  desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
  desc.dwWidth = desc.dwHeight = 100;
  desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE;
  D3DTestCheck(directDraw7->CreateSurface(&desc, &testSurface, nullptr), "CreateSurface (Primary)");
  readBack.Create(100, 100);
  D3DTestCheck(direct3D7->CreateDevice(IID_IDirect3DHALDevice, testSurface, &device), "CreateDevice");

  FormatCollector offered;
  D3DTestCheck(device->EnumTextureFormats(CollectFormat, &offered), "EnumTextureFormats");
  if ((offered.formats & kFormat8888) == 0) {
    AddWarning("A8R8G8B8 texture format not supported.");
    if ((offered.formats & kFormat4444) == 0) {
      Fail("A4R4G4B4 and A8R8G8B8 texture formats not supported.");
      return;
    }
  }
  gTestTextures8888 = (offered.formats & kFormat8888) != 0;

  std::memset(&desc, 0, sizeof(desc));
  desc.dwSize = sizeof(desc);
  desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
  desc.dwWidth = desc.dwHeight = 64;
  desc.ddsCaps.dwCaps = DDSCAPS_TEXTURE;
  desc.ddsCaps.dwCaps2 = DDSCAPS2_TEXTUREMANAGE;
  FillTexturePixelFormat(gTestTextures8888 ? kFormat8888 : kFormat4444, &desc.ddpfPixelFormat);
  D3DTestCheck(directDraw7->CreateSurface(&desc, &texture1, nullptr), "CreateSurface (TextureSurface1)");
  D3DTestCheck(directDraw7->CreateSurface(&desc, &texture2, nullptr), "CreateSurface (TextureSurfacd2)");
  *goOn = true;
}

bool D3DCapabilityTester::LoadCachedResult() {
  newResult = true;
  if (registryKey == nullptr) return false;
  auto readDword = [&](const char* name, uint32_t* out) {
    DWORD size = sizeof(uint32_t);
    return RegQueryValueExA(registryKey, name, nullptr, nullptr, reinterpret_cast<BYTE*>(out), &size) ==
               ERROR_SUCCESS &&
           size == sizeof(uint32_t);
  };
  auto readText = [&](const char* name, std::string* out) {
    char text[kStoredTextBytes + 1];
    DWORD size = kStoredTextBytes;
    if (RegQueryValueExA(registryKey, name, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size) != ERROR_SUCCESS)
      return false;
    // A stored value need not end in a zero.
    text[std::min<DWORD>(size, kStoredTextBytes)] = 0;
    *out = text;
    return true;
  };
  uint32_t value = 0;
  if (!readDword("Version", &value) || value != 2) return false;
  if (!readDword("MinVidMemory", &value) || value != minVideoMemory) return false;
  if (!readDword("RecVidMemory", &value) || value != recVideoMemory) return false;
  GUID stored{};
  DWORD size = sizeof(stored);
  if (RegQueryValueExA(registryKey, "DisplayGUID", nullptr, nullptr, reinterpret_cast<BYTE*>(&stored), &size) !=
          ERROR_SUCCESS ||
      size != sizeof(stored) || std::memcmp(&stored, &adapterGuid, sizeof(stored)) != 0)
    return false;
  if (!readText("FailureReason", &failureReason) || !readText("Warning", &warning)) return false;
  newResult = false;
  return failureReason.empty();
}

void D3DCapabilityTester::SaveResult() {
  if (registryKey == nullptr) return;
  const uint32_t version = 2;
  RegSetValueExA(registryKey, "Version", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&version), 4);
  RegSetValueExA(registryKey, "MinVidMemory", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&minVideoMemory), 4);
  RegSetValueExA(registryKey, "RecVidMemory", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&recVideoMemory), 4);
  RegSetValueExA(registryKey, "DisplayGUID", 0, REG_BINARY, reinterpret_cast<const BYTE*>(&adapterGuid),
                 sizeof(adapterGuid));
  RegSetValueExA(registryKey, "FailureReason", 0, REG_SZ, reinterpret_cast<const BYTE*>(failureReason.c_str()),
                 static_cast<DWORD>(failureReason.size() + 1));
  RegSetValueExA(registryKey, "Warning", 0, REG_SZ, reinterpret_cast<const BYTE*>(warning.c_str()),
                 static_cast<DWORD>(warning.size() + 1));
}

void D3DCapabilityTester::Cleanup() {
  ReleaseInto(directDraw7);
  ReleaseInto(direct3D7);
  ReleaseInto(device);
  ReleaseInto(testSurface);
  ReleaseInto(texture1);
  ReleaseInto(texture2);
  if (registryKey != nullptr) RegCloseKey(registryKey);
  registryKey = nullptr;
}

bool D3DCapabilityTester::CardListMatches(const char* file, const std::string& description) {
  const std::string path = listFolder.empty() ? std::string(file) : listFolder + "/" + file;
  FILE* f = std::fopen(path.c_str(), "r");
  if (f == nullptr) return false;
  char line[kListLineBytes];
  bool match = false;
  while (!match && std::fgets(line, sizeof(line), f) != nullptr) match = MatchesDescription(Trimmed(line), description);
  std::fclose(f);
  return match;
}

bool D3DCapabilityTester::IsSupportedCard(const std::string& description) {
  if (CardListMatches("vhwb.dat", description)) return false;
  const std::string allowPath = listFolder.empty() ? std::string("vhw.dat") : listFolder + "/vhw.dat";
  if (FILE* f = std::fopen(allowPath.c_str(), "r")) {
    std::fclose(f);
    return CardListMatches("vhw.dat", description);
  }
  if (driverYear >= kCurrentDriverYear) return true;
  for (const char* vendor : kKnownGoodVendors)
    if (FindIgnoreCase(description, vendor) >= 0) return true;
  return false;
}

void D3DCapabilityTester::CopyPrimary() {
  DDSURFACEDESC2 desc;
  std::memset(&desc, 0, sizeof(desc));
  desc.dwSize = sizeof(desc);
  D3DTestCheck(testSurface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), "CopyPrimary Lock");
  switch (desc.ddpfPixelFormat.dwRGBBitCount) {
    case 32: ReadSurface32(readBack, desc); break;
    case 16: ReadSurface16(readBack, desc); break;
    case 24: testSurface->Unlock(nullptr); throw D3DTestException("Can't test 24-bit mode.");
    default: testSurface->Unlock(nullptr); throw D3DTestException("Invalid Color Depth");
  }
  testSurface->Unlock(nullptr);
}

struct D3DCapabilityTester::Scene {
  DWORD source;
  DWORD dest;
  const char* sourceName;
  const char* destName;
  bool modulateAlpha;
  bool columns;
  uint32_t first, firstColour;
  bool twoDraws;
  uint32_t second, secondColour;
};

bool D3DCapabilityTester::RunScene(const Scene& s) {
  try {
    D3DTestCheck(device->BeginScene(), "");
    D3DTestCheck(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u, 1.0f, 0), "Clear");
    D3DTestCheck(device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, 1), "D3DRENDERSTATE_ALPHABLENDENABLE, TRUE");
    D3DTestCheck(device->SetRenderState(D3DRENDERSTATE_SRCBLEND, s.source),
                 (std::string("D3DRENDERSTATE_SRCBLEND, ") + s.sourceName).c_str());
    D3DTestCheck(device->SetRenderState(D3DRENDERSTATE_DESTBLEND, s.dest),
                 (std::string("D3DRENDERSTATE_DESTBLEND, ") + s.destName).c_str());
    D3DTestCheck(device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE),
                 "D3DRENDERSTATE_CULLMODE, D3DCULL_NONE");
    if (s.modulateAlpha)
      D3DTestCheck(device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE), "D3DTSS_ALPHAOP, D3DTOP_MODULATE");
    D3DTestImage image(64, 64);
    if (s.columns) {
      image.FillColumns();
      image.DrawTiled(device, texture1, -2, -2, s.firstColour);
    } else {
      image.FillRect(0, 0, 64, 64, s.first);
      image.DrawTiled(device, texture1, 0, 0, s.firstColour);
      if (s.twoDraws) {
        image.FillRect(0, 0, 64, 64, s.second);
        image.DrawTiled(device, texture1, 0, 0, s.secondColour);
      }
    }
    D3DTestCheck(device->EndScene(), "EndScene");
    CopyPrimary();
  } catch (const D3DTestException& e) {
    device->EndScene();
    return Fail(e.what());
  }
  return true;
}

namespace {

// Decides a colour check: any wrong pixel fails, a region that is not
// uniform only warns.
bool Judge(D3DCapabilityTester& t, uint32_t expected, const char* failText, const char* warnText) {
  int32_t off = 0;
  const bool uniform = t.readBack.CountOff(expected, off, 10, 10);
  if (off > 0) return t.Fail(failText);
  if (!uniform) return t.AddWarning(warnText);
  return true;
}

}  // namespace

bool D3DCapabilityTester::TestAlphaBlend() {
  if (!RunScene({D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, "D3DBLEND_SRCALPHA", "D3DBLEND_INVSRCALPHA", false, false,
                 0xFF0000FFu, 0xFFFFFFFFu, true, 0x80FF0000u, 0xFFFFFFFFu}))
    return false;
  return Judge(*this, 0x7F007F, "Alpha blend Not Supported", "Alpha blend test not uniform.");
}

bool D3DCapabilityTester::TestAdditiveBlend() {
  if (!RunScene({D3DBLEND_ONE, D3DBLEND_ONE, "D3DBLEND_ONE", "D3DBLEND_ONE", false, false, 0xFF404040u, 0xFFFFFFFFu,
                 true, 0xFF404040u, 0xFFFFFFFFu}))
    return false;
  return Judge(*this, 0x808080, "Additive blend not supported.", "Additive blend test not uniform.");
}

bool D3DCapabilityTester::TestAlphaAddBlend() {
  if (!RunScene({D3DBLEND_SRCALPHA, D3DBLEND_ONE, "D3DBLEND_SRCALPHA", "D3DBLEND_ONE", false, false, 0xFF404040u,
                 0xFFFFFFFFu, true, 0x80808080u, 0xFFFFFFFFu}))
    return false;
  return Judge(*this, 0x808080, "AlphaAdd blend not supported.", "AlphaAdd blend test not uniform.");
}

bool D3DCapabilityTester::TestAlphaModulatedBlend() {
  if (!RunScene({D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, "D3DBLEND_SRCALPHA", "D3DBLEND_INVSRCALPHA", true, false,
                 0xFF0000FFu, 0xFFFFFFFFu, true, 0xFFFF0000u, 0x80FFFFFFu}))
    return false;
  return Judge(*this, 0x7F007F, "AlphaModulated blend not supported.", "AlphaModulated blend test not uniform.");
}

bool D3DCapabilityTester::TestClipping() {
  if (!RunScene({D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, "D3DBLEND_SRCALPHA", "D3DBLEND_INVSRCALPHA", false, true, 0,
                 0xFFFFFFFFu, false, 0, 0}))
    return false;
  if (readBack.CountColumnPatternOff(62, 62, 0, 0) > 0) return AddWarning("Clip problem detected.");
  return true;
}

bool D3DCapabilityTester::RunRenderTests() {
  return TestAlphaBlend() && TestAdditiveBlend() && TestAlphaAddBlend() && TestAlphaModulatedBlend() && TestClipping();
}

}  // namespace Kivo
