// Player profiles and the save file "profile.dat".
//
// Any number of named profiles live in one per-user file; one of them is
// current whenever the store holds any. Screens, dialogs and levels read and
// write the current record in memory; the file is rewritten whole (through
// the atomic save, so a kill or a full disk never leaves a broken file).
//
// File layout, little-endian: a 48-byte header (u32 count, the current name
// as UTF-16[20], u32 record size 256), then `count` records of 256 bytes
// (layout in Profiles.cpp next to the code that writes it).
//
// Limits and failure handling: a file shorter than its header holds no
// profiles; only the whole records present are loaded, at most
// kMaxProfiles, and the count becomes the number loaded. A record size other
// than 256 means no profiles (the next save overwrites the file). Names are
// at most 19 UTF-16 units; unit 19 of every stored name is forced to zero.
// Numbers that index the game's 40-stage tables are clamped, volumes too
// (NaN becomes the default volume). A header naming no stored record makes
// the first record current. Saves report their outcome; a failed save
// leaves the previous file whole.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <list>
#include <string>

#include "platform/AtomicFile.h"

namespace Kivo {

constexpr int kStageCount = 40;
constexpr int kLevelsPerStage = 4;
constexpr std::size_t kProfileNameUnits = 20;  // including the terminating zero
constexpr std::size_t kProfileRecordBytes = 256;
constexpr std::size_t kProfileHeaderBytes = 48;
constexpr std::size_t kMaxProfiles = 65536;
constexpr float kDefaultMusicVolume = 0.5f;
constexpr float kDefaultSoundVolume = 0.7f;

using ProfileName = std::array<char16_t, kProfileNameUnits>;

// The name cut to at most 19 UTF-16 units (never between the halves of a
// pair), zero-filled. Code points that UTF-16 cannot hold become U+FFFD.
ProfileName EncodeProfileName(const std::wstring& name);
// The code points up to the first zero unit; lone surrogates become U+FFFD.
std::wstring DecodeProfileName(const ProfileName& name);

// One player record.
struct Profile {
  ProfileName name{};
  bool fullScreen = false;
  bool customCursors = false;
  float musicVolume = kDefaultMusicVolume;
  float soundVolume = kDefaultSoundVolume;
  std::int32_t hardMode = 0;
  bool difficultyChosen = false;
  std::int32_t stage = 0;                             // 0 .. 39
  std::int32_t highestStage = 0;                      // 0 .. 40
  std::int32_t level = 0;                             // 0 .. 3
  std::array<std::int32_t, kStageCount> bestLevel{};  // each 0 .. 3
  bool allUnlocked = false;

  std::wstring Name() const { return DecodeProfileName(name); }

  // The 256 bytes of the record as the file holds them (reserved bytes 0).
  std::array<std::uint8_t, kProfileRecordBytes> Encode() const;
  // Reads a record from 256 bytes, making every field safe to use: names
  // terminated, indexes and volumes clamped.
  static Profile Decode(const std::uint8_t* bytes);
};

// The profile store: the header, the records in file order and the current
// record.
class Profiles {
 public:
  using Records = std::list<Profile>;
  using Iterator = Records::iterator;

  // The header as it is kept between loads and saves.
  struct Header {
    std::uint32_t count = 0;
    ProfileName currentName{};
    std::uint32_t recordSize = kProfileRecordBytes;
  };

  // The store reads and writes the file at `path` (a host path).
  explicit Profiles(std::string path = DefaultPath());
  // The current record is an iterator into the list: the store stays put.
  Profiles(const Profiles&) = delete;
  Profiles& operator=(const Profiles&) = delete;

  // "<data root>/Korvandel/Mirrowen/profile.dat".
  static std::string DefaultPath();

  // Reads the file; true when at least one record was loaded. When the file
  // cannot be read the header keeps what it held.
  bool Load();
  // The same from bytes in memory (the file's whole content).
  bool LoadFromBytes(const std::uint8_t* data, std::size_t size);
  // The file's bytes: header, then every record in list order.
  std::string Serialize();
  // Writes the file atomically, making its folder first.
  Platform::AtomicSaveResult Save();
  // Save, then forget every record.
  Platform::AtomicSaveResult SaveAndFree();

  // The first record whose name equals `name` exactly (after the cut to 19
  // units); `out` is left alone when there is none.
  bool Find(const std::wstring& name, Iterator& out);
  // Makes the named record current when there is one; the header takes the
  // (cut) name either way.
  void Select(const std::wstring& name);
  // A new current record with the default settings; false when the cut name
  // is taken.
  bool Create(const std::wstring& name, bool fullScreen, bool customCursors);
  // Removes the named record; the record before it (else after it) becomes
  // current. An unknown name changes nothing.
  void Delete(const std::wstring& name);

  std::size_t count() const { return mRecords.size(); }
  bool HasCurrent() const { return mCurrent != mRecords.end(); }
  // Only while HasCurrent().
  Profile& current() { return *mCurrent; }
  const Profile& current() const { return *mCurrent; }
  const Records& records() const { return mRecords; }
  const Header& header() const { return mHeader; }
  const std::string& path() const { return mPath; }

 private:
  void Clear();

  std::string mPath;
  Header mHeader;
  Records mRecords;
  Iterator mCurrent = mRecords.end();
};

}  // namespace Kivo
