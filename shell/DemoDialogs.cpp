// The demo playback dialogs: the marker list ('L'), Jump To Time ('J') and
// the mute toggle ('S'). Both dialogs express positions as time before the
// end of the demo and end by setting the loop's fast-forward target.
//
// The typed time is kept in the registry value "DemoJumpTime", read and
// written straight in the store (never journalled: it steers playback, it is
// not an input of the run). A missing key is not created. Any typed text
// gives a finite time: pieces are saturated and the target never goes below
// the start.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>

#include "platform/Platform.h"
#include "platform/Prompt.h"
#include "shell/Demo.h"
#include "shell/KivoAppBase.h"
#include "shell/base/Paths.h"
#include "shell/base/StringUtils.h"

namespace Kivo {

namespace {

// Far beyond any demo, yet small enough that seconds x 1000 fits 64 bits.
constexpr int64_t kJumpSecondsLimit = int64_t{1} << 40;

int64_t Saturate(int64_t value) { return std::clamp(value, -kJumpSecondsLimit, kJumpSecondsLimit); }

// The leading integer of a piece, as atoi reads it, saturated.
int64_t LeadingInteger(const std::string& piece) {
  size_t i = 0;
  while (i < piece.size() && (piece[i] == ' ' || piece[i] == '\t' || piece[i] == '\n' || piece[i] == '\r' ||
                              piece[i] == '\v' || piece[i] == '\f'))
    ++i;
  bool negative = false;
  if (i < piece.size() && (piece[i] == '+' || piece[i] == '-')) negative = piece[i++] == '-';
  int64_t value = 0;
  for (; i < piece.size() && piece[i] >= '0' && piece[i] <= '9'; ++i)
    value = std::min(value * 10 + (piece[i] - '0'), kJumpSecondsLimit);
  return negative ? -value : value;
}

std::string JumpTimeKeyPath(const std::string& registryKey) {
  std::string key = StripTrailingSlash(registryKey);
  return key.empty() ? std::string("SOFTWARE") : "SOFTWARE\\" + key;
}

}  // namespace

int64_t ParseDemoJumpSeconds(const std::string& text) {
  int64_t seconds = 0;
  size_t start = 0;
  for (;;) {
    size_t colon = text.find(':', start);
    std::string piece = text.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
    seconds = Saturate(Saturate(seconds * 60) + LeadingInteger(piece));
    if (colon == std::string::npos) break;
    start = colon + 1;
  }
  return seconds + 1;
}

int32_t DemoJumpTarget(int32_t demoLength, int64_t seconds, int32_t updateInterval) {
  int64_t interval = updateInterval > 0 ? updateInterval : 1;
  int64_t target = int64_t{demoLength} - Saturate(seconds) * 1000 / interval;
  return static_cast<int32_t>(std::clamp<int64_t>(target, 0, std::numeric_limits<int32_t>::max()));
}

std::wstring DemoMarkerLine(const std::string& name, int64_t secondsBeforeEnd) {
  int64_t s = std::max<int64_t>(secondsBeforeEnd, 0);
  char clock[64];
  std::snprintf(clock, sizeof clock, " (%02lld:%02lld:%02lld)", static_cast<long long>(s / 3600),
                static_cast<long long>((s / 60) % 60), static_cast<long long>(s % 60));
  return Widen(name) + Widen(clock);
}

int KivoAppBase::ShowMarkerListDialog() {
  std::vector<std::wstring> lines;
  std::vector<uint32_t> counts;
  int64_t interval = mUpdateInterval > 0 ? mUpdateInterval : 1;
  for (const DemoMarker& marker : mMarkers) {
    if (static_cast<int64_t>(marker.updateCount) <= mUpdateCount) continue;
    int64_t seconds = (int64_t{mDemoLength} - marker.updateCount) * interval / 1000;
    lines.push_back(DemoMarkerLine(marker.name, seconds));
    counts.push_back(marker.updateCount);
  }
  uint32_t chosen = 0;
  if (Platform::PickFromList("Marker List", lines, counts, &chosen) && static_cast<int64_t>(chosen) > mUpdateCount)
    mFastForwardTarget = static_cast<int32_t>(std::min<uint32_t>(chosen, std::numeric_limits<int32_t>::max()));
  mLastPresentTime = timeGetTime();
  return 0;
}

int KivoAppBase::ShowJumpToTimeDialog() {
  std::string keyPath = JumpTimeKeyPath(mRegistryKey);
  std::string initial;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_READ | KEY_WRITE, &key) == ERROR_SUCCESS) {
    // Room for a terminator after the largest value read.
    char text[1001] = {};
    DWORD type = 0;
    DWORD size = 1000;
    if (RegQueryValueExA(key, "DemoJumpTime", nullptr, &type, reinterpret_cast<BYTE*>(text), &size) == ERROR_SUCCESS) {
      text[std::min<DWORD>(size, 1000)] = '\0';
      initial = text;
    }
    RegCloseKey(key);
  }
  std::string typed;
  if (Platform::AskText("Jump To Time", initial, &typed, 500)) {
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_READ | KEY_WRITE, &key) == ERROR_SUCCESS) {
      RegSetValueExA(key, "DemoJumpTime", 0, REG_SZ, reinterpret_cast<const BYTE*>(typed.c_str()),
                     static_cast<DWORD>(typed.size() + 1));
      RegCloseKey(key);
    }
    mFastForwardTarget = DemoJumpTarget(mDemoLength, ParseDemoJumpSeconds(typed), mUpdateInterval);
  }
  mLastPresentTime = timeGetTime();
  return 0;
}

void KivoAppBase::ToggleDemoMute() {
  // The halves are independent: a game that silenced one of them gets it
  // back at its saved volume while the other is silenced.
  if (QueryMusicVolume() == 0.0) {
    ApplyMusicVolume(mSavedMusicVolume);
  } else {
    mSavedMusicVolume = QueryMusicVolume();
    ApplyMusicVolume(0.0);
  }
  if (QuerySfxVolume() == 0.0) {
    ApplySfxVolume(mSavedSfxVolume);
  } else {
    mSavedSfxVolume = QuerySfxVolume();
    ApplySfxVolume(0.0);
  }
}

}  // namespace Kivo
