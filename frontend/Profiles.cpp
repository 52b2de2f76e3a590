#include "frontend/Profiles.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <vector>

#include "frontend/LittleEndian.h"
#include "platform/Environment.h"

namespace Kivo {

namespace {

// Record layout (offsets in bytes).
constexpr std::size_t kNameAt = 0;
constexpr std::size_t kFullScreenAt = 40;
constexpr std::size_t kCustomCursorsAt = 41;
constexpr std::size_t kMusicVolumeAt = 44;
constexpr std::size_t kSoundVolumeAt = 48;
constexpr std::size_t kHardModeAt = 52;
constexpr std::size_t kDifficultyChosenAt = 56;
constexpr std::size_t kStageAt = 60;
constexpr std::size_t kHighestStageAt = 64;
constexpr std::size_t kLevelAt = 68;
constexpr std::size_t kBestLevelAt = 72;
constexpr std::size_t kAllUnlockedAt = 252;

// Header layout.
constexpr std::size_t kCountAt = 0;
constexpr std::size_t kCurrentNameAt = 4;
constexpr std::size_t kRecordSizeAt = 44;

constexpr char16_t kReplacement = 0xFFFD;
constexpr std::size_t kMaxNameUnits = kProfileNameUnits - 1;

bool IsHighSurrogate(std::uint32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(std::uint32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

void WriteName(std::uint8_t* out, const ProfileName& name) {
  for (std::size_t i = 0; i < kProfileNameUnits; ++i) StoreU16(out + 2 * i, name[i]);
}

// Unit 19 is always the terminator, whatever the file held.
ProfileName ReadName(const std::uint8_t* in) {
  ProfileName name{};
  for (std::size_t i = 0; i < kMaxNameUnits; ++i) name[i] = LoadU16(in + 2 * i);
  name[kMaxNameUnits] = 0;
  return name;
}

std::size_t NameLength(const ProfileName& name) {
  std::size_t length = 0;
  while (length < kProfileNameUnits && name[length] != 0) ++length;
  return length;
}

bool SameName(const ProfileName& a, const ProfileName& b) {
  std::size_t length = NameLength(a);
  return length == NameLength(b) && std::equal(a.begin(), a.begin() + length, b.begin());
}

std::int32_t Clamp(std::int32_t value, std::int32_t low, std::int32_t high) {
  return std::min(std::max(value, low), high);
}

float ClampVolume(float value, float fallback) {
  if (std::isnan(value)) return fallback;
  return std::min(std::max(value, 0.0f), 1.0f);
}

}  // namespace

ProfileName EncodeProfileName(const std::wstring& name) {
  ProfileName units{};
  std::size_t used = 0;
  for (wchar_t character : name) {
    std::uint32_t code = static_cast<std::uint32_t>(character);
    if (code == 0) break;  // a zero would end the stored name anyway
    if (code > 0x10FFFF || IsHighSurrogate(code) || IsLowSurrogate(code)) code = kReplacement;
    if (code >= 0x10000) {
      if (used + 2 > kMaxNameUnits) break;
      code -= 0x10000;
      units[used++] = static_cast<char16_t>(0xD800 + (code >> 10));
      units[used++] = static_cast<char16_t>(0xDC00 + (code & 0x3FF));
    } else {
      if (used + 1 > kMaxNameUnits) break;
      units[used++] = static_cast<char16_t>(code);
    }
  }
  return units;
}

std::wstring DecodeProfileName(const ProfileName& name) {
  std::wstring text;
  std::size_t length = NameLength(name);
  for (std::size_t i = 0; i < length; ++i) {
    std::uint32_t unit = name[i];
    if (IsHighSurrogate(unit) && i + 1 < length && IsLowSurrogate(name[i + 1])) {
      std::uint32_t low = name[++i];
      text.push_back(static_cast<wchar_t>(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00)));
    } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
      text.push_back(static_cast<wchar_t>(kReplacement));
    } else {
      text.push_back(static_cast<wchar_t>(unit));
    }
  }
  return text;
}

std::array<std::uint8_t, kProfileRecordBytes> Profile::Encode() const {
  std::array<std::uint8_t, kProfileRecordBytes> bytes{};
  std::uint8_t* out = bytes.data();
  WriteName(out + kNameAt, name);
  out[kFullScreenAt] = fullScreen ? 1 : 0;
  out[kCustomCursorsAt] = customCursors ? 1 : 0;
  StoreF32(out + kMusicVolumeAt, musicVolume);
  StoreF32(out + kSoundVolumeAt, soundVolume);
  StoreI32(out + kHardModeAt, hardMode);
  out[kDifficultyChosenAt] = difficultyChosen ? 1 : 0;
  StoreI32(out + kStageAt, stage);
  StoreI32(out + kHighestStageAt, highestStage);
  StoreI32(out + kLevelAt, level);
  for (int i = 0; i < kStageCount; ++i) StoreI32(out + kBestLevelAt + 4 * i, bestLevel[i]);
  out[kAllUnlockedAt] = allUnlocked ? 1 : 0;
  return bytes;
}

Profile Profile::Decode(const std::uint8_t* in) {
  Profile profile;
  profile.name = ReadName(in + kNameAt);
  profile.fullScreen = in[kFullScreenAt] != 0;
  profile.customCursors = in[kCustomCursorsAt] != 0;
  profile.musicVolume = ClampVolume(LoadF32(in + kMusicVolumeAt), kDefaultMusicVolume);
  profile.soundVolume = ClampVolume(LoadF32(in + kSoundVolumeAt), kDefaultSoundVolume);
  profile.hardMode = LoadI32(in + kHardModeAt);
  profile.difficultyChosen = in[kDifficultyChosenAt] != 0;
  profile.stage = Clamp(LoadI32(in + kStageAt), 0, kStageCount - 1);
  profile.highestStage = Clamp(LoadI32(in + kHighestStageAt), 0, kStageCount);
  profile.level = Clamp(LoadI32(in + kLevelAt), 0, kLevelsPerStage - 1);
  for (int i = 0; i < kStageCount; ++i) {
    profile.bestLevel[i] = Clamp(LoadI32(in + kBestLevelAt + 4 * i), 0, kLevelsPerStage - 1);
  }
  profile.allUnlocked = in[kAllUnlockedAt] != 0;
  return profile;
}

Profiles::Profiles(std::string path) : mPath(std::move(path)) {}

std::string Profiles::DefaultPath() { return Platform::DataRoot() + "/Korvandel/Mirrowen/profile.dat"; }

void Profiles::Clear() {
  mRecords.clear();
  mCurrent = mRecords.end();
}

bool Profiles::Load() {
  Clear();
  std::ifstream file(mPath, std::ios::binary);
  if (!file) return false;
  // Only what the largest store can use is read, so a huge file costs no
  // more than that.
  constexpr std::size_t kMaxBytes = kProfileHeaderBytes + kProfileRecordBytes * kMaxProfiles;
  std::vector<std::uint8_t> bytes;
  std::uint8_t chunk[1 << 14];
  while (bytes.size() < kMaxBytes && file) {
    file.read(reinterpret_cast<char*>(chunk), std::min(sizeof chunk, kMaxBytes - bytes.size()));
    bytes.insert(bytes.end(), chunk, chunk + file.gcount());
  }
  if (file.bad()) return false;
  return LoadFromBytes(bytes.data(), bytes.size());
}

bool Profiles::LoadFromBytes(const std::uint8_t* data, std::size_t size) {
  Clear();
  if (size < kProfileHeaderBytes) {
    mHeader.count = 0;
    return false;
  }
  mHeader.count = LoadU32(data + kCountAt);
  mHeader.currentName = ReadName(data + kCurrentNameAt);
  mHeader.recordSize = LoadU32(data + kRecordSizeAt);
  if (mHeader.recordSize != kProfileRecordBytes) {
    mHeader.count = 0;
    return false;
  }
  std::size_t present = (size - kProfileHeaderBytes) / kProfileRecordBytes;
  std::size_t wanted = std::min<std::size_t>({mHeader.count, present, kMaxProfiles});
  for (std::size_t i = 0; i < wanted; ++i) {
    mRecords.push_back(Profile::Decode(data + kProfileHeaderBytes + kProfileRecordBytes * i));
  }
  mHeader.count = static_cast<std::uint32_t>(mRecords.size());
  if (mRecords.empty()) return false;
  mCurrent = std::find_if(mRecords.begin(), mRecords.end(),
                          [this](const Profile& profile) { return SameName(profile.name, mHeader.currentName); });
  // A hand-edited header may name nobody; every user of the store expects a
  // current record whenever there are records.
  if (mCurrent == mRecords.end()) {
    mCurrent = mRecords.begin();
    mHeader.currentName = mCurrent->name;
  }
  return true;
}

std::string Profiles::Serialize() {
  mHeader.recordSize = kProfileRecordBytes;
  mHeader.count = static_cast<std::uint32_t>(mRecords.size());
  std::string bytes(kProfileHeaderBytes + kProfileRecordBytes * mRecords.size(), '\0');
  auto* out = reinterpret_cast<std::uint8_t*>(bytes.data());
  StoreU32(out + kCountAt, mHeader.count);
  WriteName(out + kCurrentNameAt, mHeader.currentName);
  StoreU32(out + kRecordSizeAt, mHeader.recordSize);
  out += kProfileHeaderBytes;
  for (const Profile& profile : mRecords) {
    std::array<std::uint8_t, kProfileRecordBytes> record = profile.Encode();
    std::memcpy(out, record.data(), record.size());
    out += kProfileRecordBytes;
  }
  return bytes;
}

Platform::AtomicSaveResult Profiles::Save() {
  std::string bytes = Serialize();
  std::string folder = mPath.substr(0, mPath.find_last_of('/') == std::string::npos ? 0 : mPath.find_last_of('/'));
  if (!folder.empty()) Platform::MakeHostFolders(folder);
  Platform::AtomicSaveResult result = Platform::ReplaceFileContent(mPath, bytes);
  if (result) {
    Platform::Log("profiles: saved " + std::to_string(mRecords.size()) + " profile(s), " +
                  std::to_string(bytes.size()) + " bytes");
  } else {
    Platform::Log("profiles: save of " + mPath + " failed: " + result.Describe());
  }
  return result;
}

Platform::AtomicSaveResult Profiles::SaveAndFree() {
  Platform::AtomicSaveResult result = Save();
  Clear();
  mHeader.count = 0;
  return result;
}

bool Profiles::Find(const std::wstring& name, Iterator& out) {
  ProfileName wanted = EncodeProfileName(name);
  // A name longer than a record can hold matches nothing.
  if (DecodeProfileName(wanted) != name) return false;
  for (Iterator it = mRecords.begin(); it != mRecords.end(); ++it) {
    if (SameName(it->name, wanted)) {
      out = it;
      return true;
    }
  }
  return false;
}

void Profiles::Select(const std::wstring& name) {
  Find(name, mCurrent);
  mHeader.currentName = EncodeProfileName(name);
}

bool Profiles::Create(const std::wstring& name, bool fullScreen, bool customCursors) {
  ProfileName cut = EncodeProfileName(name);
  Iterator existing;
  if (Find(DecodeProfileName(cut), existing)) return false;
  Profile profile;
  profile.name = cut;
  profile.fullScreen = fullScreen;
  profile.customCursors = customCursors;
  mCurrent = mRecords.insert(mRecords.end(), profile);
  mHeader.count = static_cast<std::uint32_t>(mRecords.size());
  mHeader.currentName = cut;
  return true;
}

void Profiles::Delete(const std::wstring& name) {
  Iterator doomed;
  if (!Find(name, doomed)) return;
  Iterator next = mRecords.end();
  if (doomed != mRecords.begin()) {
    next = std::prev(doomed);
  } else if (mRecords.size() > 1) {
    next = std::next(doomed);
  }
  if (next != mRecords.end()) mHeader.currentName = next->name;
  mRecords.erase(doomed);
  mCurrent = next;
  mHeader.count = static_cast<std::uint32_t>(mRecords.size());
}

}  // namespace Kivo
