// Archive layer: files read from mounted, byte-scrambled archives or from the
// folders, through one fopen-like interface.
//
// An archive is one file: an 8-byte header, a directory of records and the
// entries' data back to back. Every stored byte is XOR-ed with kPakScrambleKey.
// Mounted archives stay in memory until the object is destroyed (the process
// object never is); a name mounted later hides the earlier one of the same key.
// Names are looked up in their normalised form (NormalizeArchivePath): '/' and
// '\' alike, ASCII letters upper-cased, ".." folded, the working folder cut off
// an absolute name. Anything not found, and every open for writing, goes to the
// platform's fopen with the caller's name, so callers never know the source.
//
// Reading an entry never leaves the archive's bytes: the directory is checked
// at mount time (records whose data lies outside the file, sizes of 2^31 bytes
// or more, names that would leave their folder and cut-off records are left
// out and logged), and every position is kept inside [0, entry size].
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/Files.h"
#include "platform/WinTypes.h"

namespace Kivo {

constexpr std::uint8_t kPakScrambleKey = 0x9E;
constexpr std::uint32_t kPakMagic = 0xBAC04AC0u;
constexpr std::uint32_t kPakVersion = 0;
// Entry data and offsets stay below 2^31 so that positions fit a signed 32-bit
// offset wherever a caller stores them.
constexpr std::uint64_t kPakMaxEntryBytes = 0x7FFFFFFFu;
// Lookup names are limited to what a Windows path buffer holds (259 + NUL).
constexpr std::size_t kPakMaxNameChars = 259;

// One mounted archive (or one in-memory file): its bytes, held until the
// owning PakInterface is destroyed.
struct PakCollection {
  PakCollection() = default;
  PakCollection(const PakCollection&) = delete;
  PakCollection& operator=(const PakCollection&) = delete;
  ~PakCollection();

  std::string name;
  const std::uint8_t* base = nullptr;
  std::uint64_t size = 0;
  std::uint8_t key = kPakScrambleKey;  // 0 for a plain in-memory file
  bool memoryFile = false;             // may be replaced by AddMemoryFile
  std::vector<std::uint8_t> owned;     // bytes when not mapped from disk
  void* mapping = nullptr;             // mmap'ed view, unmapped on destruction
  std::size_t mappingLength = 0;
};

// One directory entry. start + size always lies inside the collection.
struct PakRecord {
  PakCollection* collection = nullptr;
  std::string name;            // as stored, letters in their stored case
  std::uint64_t fileTime = 0;  // Windows FILETIME (100 ns since 1601)
  std::uint64_t start = 0;     // offset of the data within the collection
  std::uint32_t size = 0;
};

// An open file. Archive entries have a record and no stream; files of the
// file system have a stream and no record. The field order is relied on by
// the file API, which builds handles of the same shape without an archive.
struct PakFile {
  PakRecord* record = nullptr;
  std::int64_t position = 0;
  std::FILE* file = nullptr;
};

// A running search: the archive part first (findHandle is
// INVALID_HANDLE_VALUE), then the folder listing.
struct PakFindData {
  HANDLE findHandle = INVALID_HANDLE_VALUE;
  std::string lastKey;
  bool hasLastKey = false;
  bool folderStarted = false;  // the archive part is over
  std::string pattern;         // normalised when the name allowed it
};

// One record as read from an archive's directory, before it is entered.
struct PakDirectoryEntry {
  std::string name;
  std::uint64_t fileTime = 0;
  std::uint64_t offset = 0;  // from the start of the data area
  std::uint32_t size = 0;
};

// The parsed directory of an archive image.
struct PakDirectoryInfo {
  std::vector<PakDirectoryEntry> entries;  // only records that may be entered
  std::uint64_t dataStart = 0;             // D: the offset after the end byte
  std::vector<std::string> warnings;       // records left out, and why
};

// Reads the header and directory of a whole archive image (scrambled, as on
// disk). False with `error` set for a wrong magic, a non-zero version or a
// file shorter than the header; otherwise true, with every unusable record
// named in `warnings` and left out of `entries`.
bool ParsePakDirectory(const std::uint8_t* data, std::uint64_t size, PakDirectoryInfo& info, std::string& error);

// True for a stored name that stays inside its folder: not empty, not
// absolute ('\' or '/' first, or ':' second) and without a ".." component.
bool IsSafeArchiveName(const std::string& name);

// The lookup form of a name (see the file comment). `workingFolder` is cut
// off the front of a name that is absolute (a drive letter, or '/' first) and
// starts with it. False when the result would exceed kPakMaxNameChars; the
// name is then not looked up in an archive.
bool NormalizeArchivePath(const std::string& name, const std::string& workingFolder, std::string& out);

// ToUpper of ASCII letters only, byte by byte; the key of a stored name.
std::string PakKey(const std::string& name);

// The operations every archive layer offers. The two wide operations exist
// for callers written against them; this framework's archive does not serve
// them.
class PakInterfaceBase {
 public:
  virtual ~PakInterfaceBase() = default;

  virtual PakFile* OpenWide(const std::wstring& name, const std::wstring& mode);
  virtual PakFile* Open(const std::string& name, const std::string& mode) = 0;
  virtual int Close(PakFile* file) = 0;
  virtual int Seek(PakFile* file, long offset, int origin) = 0;
  virtual long Tell(PakFile* file) = 0;
  virtual std::size_t Read(void* buffer, std::size_t elementSize, std::size_t count, PakFile* file) = 0;
  virtual int GetChar(PakFile* file) = 0;
  virtual int UngetChar(int c, PakFile* file) = 0;
  virtual wchar_t* ReadLineWide(wchar_t* buffer, int size, PakFile* file);
  virtual char* ReadLine(char* buffer, int size, PakFile* file) = 0;
  virtual int AtEnd(PakFile* file) = 0;
  virtual HANDLE FindFirst(const std::string& pattern, WIN32_FIND_DATAA* data) = 0;
  virtual BOOL FindNext(HANDLE find, WIN32_FIND_DATAA* data) = 0;
  virtual BOOL FindEnd(HANDLE find) = 0;
};

class PakInterface : public PakInterfaceBase {
 public:
  // Publishes this object for the file API when no other one is published
  // yet (the first one built in the process wins).
  PakInterface();
  ~PakInterface() override;
  PakInterface(const PakInterface&) = delete;
  PakInterface& operator=(const PakInterface&) = delete;

  // Mounts the archive file `fileName` (platform path rules). False for a
  // missing or unreadable file, a wrong magic or a non-zero version; the
  // archive's own entry (its name upper-cased) stays in the directory even
  // then, and delivers the de-scrambled file.
  bool MountArchive(const std::string& fileName);
  // The same over an archive image held in memory (copied), entered under
  // `name` as if that file had been mounted.
  bool MountArchiveImage(const std::string& name, const std::uint8_t* data, std::size_t size);
  // Makes `name` open as the given plain bytes (no scrambling), for tests,
  // fuzzers and generated data. Adding the same name again replaces the
  // bytes; handles already open on it stay safe but see the new bytes.
  // Like mounting, this is for start-up, before other threads read files.
  // False (and nothing added) for a name too long to look up.
  bool AddMemoryFile(const std::string& name, std::vector<std::uint8_t> bytes);
  // Takes back a file added with AddMemoryFile, so the name opens from disk
  // again (an archive entry it replaced does not come back). Handles open on
  // it keep reading its bytes until closed. Same threading rule as adding.
  // False (and nothing changed) when the name is no memory file.
  bool RemoveMemoryFile(const std::string& name);

  // Messages about directory records left out while mounting.
  const std::vector<std::string>& MountWarnings() const { return mMountWarnings; }
  // Whether mount warnings also go to stderr (on by default).
  void SetLogToStderr(bool on) { mLogToStderr = on; }

  // The working folder cut off absolute names; the process's own by default.
  void SetWorkingFolder(const std::string& folder);
  std::string WorkingFolder() const;

  // Directory access, for the archive lister and tests.
  const std::map<std::string, PakRecord>& Directory() const { return mDirectory; }

  PakFile* Open(const std::string& name, const std::string& mode) override;
  int Close(PakFile* file) override;
  int Seek(PakFile* file, long offset, int origin) override;
  long Tell(PakFile* file) override;
  std::size_t Read(void* buffer, std::size_t elementSize, std::size_t count, PakFile* file) override;
  int GetChar(PakFile* file) override;
  int UngetChar(int c, PakFile* file) override;
  char* ReadLine(char* buffer, int size, PakFile* file) override;
  int AtEnd(PakFile* file) override;
  HANDLE FindFirst(const std::string& pattern, WIN32_FIND_DATAA* data) override;
  BOOL FindNext(HANDLE find, WIN32_FIND_DATAA* data) override;
  BOOL FindEnd(HANDLE find) override;

  // The next archive match of a search; false when there is none.
  bool FindArchiveMatch(PakFindData* find, WIN32_FIND_DATAA* data);

 private:
  bool MountCollection(std::unique_ptr<PakCollection> collection, const std::string& fileName);
  void Warn(const std::string& message);

  std::vector<std::unique_ptr<PakCollection>> mCollections;
  std::map<std::string, PakRecord> mDirectory;
  // Records of removed memory files, kept (at their addresses) for the
  // handles still open on them.
  std::vector<std::map<std::string, PakRecord>::node_type> mRemovedRecords;
  std::vector<std::string> mMountWarnings;
  bool mLogToStderr = true;
  bool mHasWorkingFolder = false;
  std::string mWorkingFolder;
};

// The process's archive object, built before main and never destroyed; null
// only when it could not be allocated.
extern PakInterface* gPakInterface;

}  // namespace Kivo
