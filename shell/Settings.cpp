// Per-user settings of the application object, kept as values under
// HKEY_CURRENT_USER "SOFTWARE\<registry key>": typed reads, writes and
// deletes, and the nine settings saved at shutdown and read at start-up.
//
// Values taken from the store are range-checked before use (volumes 0..100,
// the mute flag 0 or 1), so a hand-edited or damaged store cannot give a
// volume above full or a mute that needs several unmutes. Write results are
// the store's real outcome. Every read and write after the command line
// passes the demo journal hooks, so a recorded run can replay them.
#include <algorithm>
#include <cstring>

#include "display/D3DInterface.h"
#include "platform/Platform.h"
#include "shell/KivoAppBase.h"
#include "shell/base/Paths.h"
#include "shell/base/StringUtils.h"

namespace Kivo {

namespace {

// Volumes are stored as whole percentages. The small bias keeps a value read
// as n / 100 writing back as n (29 / 100 * 100 is 28.999...).
int32_t VolumeToPercent(double volume) {
  double scaled = volume * 100.0 + 1e-9;
  if (!(scaled > 0.0)) return 0;  // also NaN
  if (scaled >= 100.0) return 100;
  return static_cast<int32_t>(scaled);
}

double PercentToVolume(int32_t percent) { return std::clamp(percent, 0, 100) / 100.0; }

}  // namespace

std::string KivoAppBase::RegistryKeyPath(const std::string& name, std::string* valueName) const {
  std::string path = "SOFTWARE\\" + StripTrailingSlash(mRegistryKey);
  size_t split = name.rfind('\\');
  if (split == std::string::npos) {
    *valueName = name;
  } else {
    path += "\\" + name.substr(0, split);
    *valueName = name.substr(split + 1);
  }
  return path;
}

bool KivoAppBase::StoreRegistryValue(const std::string& name, DWORD type, const uint8_t* data, DWORD size) {
  if (mRegistryKey.empty()) return false;
  if (mPlaying) {
    // After the window closed the rest of the journal belongs to nothing.
    if (mWindowClosed) return true;
    bool stored = false;
    if (!ReplayRegistryStore(&stored)) return false;
    return stored;
  }
  std::string valueName;
  std::string path = RegistryKeyPath(name, &valueName);
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_WRITE, &key) != ERROR_SUCCESS &&
      RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, "Key", 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
          ERROR_SUCCESS) {
    if (mRecording) JournalRegistryStore(false);
    return false;
  }
  bool stored = RegSetValueExA(key, valueName.c_str(), 0, type, data, size) == ERROR_SUCCESS;
  RegCloseKey(key);
  if (mRecording) JournalRegistryStore(stored);
  return stored;
}

bool KivoAppBase::StoreRegistryString(const std::string& name, const std::string& value) {
  return StoreRegistryValue(name, REG_SZ, reinterpret_cast<const uint8_t*>(value.data()),
                            static_cast<DWORD>(value.size()));
}

bool KivoAppBase::StoreRegistryInt(const std::string& name, int32_t value) {
  uint8_t bytes[4];
  std::memcpy(bytes, &value, 4);
  return StoreRegistryValue(name, REG_DWORD, bytes, 4);
}

bool KivoAppBase::StoreRegistryBool(const std::string& name, bool value) {
  return StoreRegistryInt(name, value ? 1 : 0);
}

bool KivoAppBase::FetchRegistryValue(const std::string& name, DWORD* type, uint8_t* data, DWORD* size) {
  return FetchRegistryValue(name, type, data, size, HKEY_CURRENT_USER);
}

bool KivoAppBase::FetchRegistryValue(const std::string& name, DWORD* type, uint8_t* data, DWORD* size, HKEY root) {
  if (mRegistryKey.empty()) return false;
  if (mPlaying) {
    if (mWindowClosed) return false;
    bool found = false;
    if (!ReplayRegistryFetch(type, data, size, &found)) return false;
    return found;
  }
  std::string valueName;
  std::string path = RegistryKeyPath(name, &valueName);
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
    if (mRecording) JournalRegistryFetch(false, 0, nullptr, 0);
    return false;
  }
  // Read into a buffer of our own so a failed query leaves the caller's
  // outputs as they were.
  DWORD gotType = 0;
  DWORD gotSize = *size;
  std::vector<uint8_t> bytes(std::max<DWORD>(gotSize, 1));
  LONG result = RegQueryValueExA(key, valueName.c_str(), nullptr, &gotType, bytes.data(), &gotSize);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS) {
    if (mRecording) JournalRegistryFetch(false, 0, nullptr, 0);
    return false;
  }
  if (type != nullptr) *type = gotType;
  if (data != nullptr && gotSize > 0) std::memcpy(data, bytes.data(), gotSize);
  *size = gotSize;
  if (mRecording) JournalRegistryFetch(true, gotType, bytes.data(), gotSize);
  return true;
}

bool KivoAppBase::FetchRegistryInt(const std::string& name, int32_t* value) {
  DWORD type = 0;
  uint8_t bytes[4] = {};
  DWORD size = 4;
  if (!FetchRegistryValue(name, &type, bytes, &size)) return false;
  if (type != REG_DWORD || size != 4) return false;
  std::memcpy(value, bytes, 4);
  return true;
}

bool KivoAppBase::FetchRegistryBool(const std::string& name, bool* value) {
  int32_t number = 0;
  if (!FetchRegistryInt(name, &number)) return false;
  *value = number != 0;
  return true;
}

void KivoAppBase::RemoveRegistryValue(const std::wstring& name) {
  if (mRegistryKey.empty()) return;
  std::string valueName;
  std::string path = RegistryKeyPath(Narrow(name), &valueName);
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_WRITE, &key) != ERROR_SUCCESS) return;
  RegDeleteValueA(key, valueName.c_str());
  RegCloseKey(key);
}

void KivoAppBase::SaveSettings() {
  StoreRegistryInt("MusicVolume", VolumeToPercent(mMusicVolume));
  StoreRegistryInt("SfxVolume", VolumeToPercent(mSfxVolume));
  StoreRegistryInt("Muted", mMuteCount - mFocusMuteCount > 0 ? 1 : 0);
  StoreRegistryInt("ScreenMode", mWindowed ? 0 : 1);
  StoreRegistryInt("PreferredX", mPreferredLeft);
  StoreRegistryInt("PreferredY", mPreferredTop);
  StoreRegistryInt("CustomCursors", mCustomCursors ? 1 : 0);
  StoreRegistryInt("InProgress", 0);
  if (mPlaying) {
    // The replayed store above only answers from the journal; this run
    // still ended normally, and the live store must say so or the next
    // start takes it for a crash.
    mPlaying = false;
    StoreRegistryInt("InProgress", 0);
    mPlaying = true;
  }
  StoreRegistryBool("WaitForVSync", mWaitForVSync);
}

void KivoAppBase::LoadSettings() {
  mSettingsLoaded = true;
  mRegistryKey = Narrow(LookupText("RegistryKey", Widen(mRegistryKey)));
  // The renderer records its runtime errors under the same key.
  gD3DRegistryKey = StripTrailingSlash(mRegistryKey);
  if (mRegistryKey.empty()) return;

  int32_t value = 0;
  if (FetchRegistryInt("MusicVolume", &value)) mMusicVolume = PercentToVolume(value);
  if (FetchRegistryInt("SfxVolume", &value)) mSfxVolume = PercentToVolume(value);
  // The stored number is a mute count; only a negative count, which no save
  // writes, is taken as a damaged store and read as unmuted.
  if (FetchRegistryInt("Muted", &value)) mMuteCount = value > 0 ? value : 0;
  if (FetchRegistryInt("ScreenMode", &value)) mWindowed = value == 0;
  FetchRegistryInt("PreferredX", &mPreferredLeft);
  FetchRegistryInt("PreferredY", &mPreferredTop);
  if (FetchRegistryInt("CustomCursors", &value)) UseCustomCursors(value != 0);
  FetchRegistryBool("WaitForVSync", &mWaitForVSync);
  if (FetchRegistryInt("InProgress", &value)) mCleanExit = value == 0;
  // Left at 1 until a regular shutdown saves: 1 at the next start means the
  // previous run did not end cleanly.
  if (!IsScreenSaverMode()) StoreRegistryInt("InProgress", 1);
}

}  // namespace Kivo
