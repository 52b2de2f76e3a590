// Archive mounting, name lookup and reading of archive entries.
#include "resources/PakInterface.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <limits>

#include "resources/FileApi.h"
#include "shell/base/StringUtils.h"

namespace Kivo {

namespace {

std::uint32_t LoadU32(const std::uint8_t* p, std::uint8_t key) {
  return static_cast<std::uint32_t>(p[0] ^ key) | static_cast<std::uint32_t>(p[1] ^ key) << 8 |
         static_cast<std::uint32_t>(p[2] ^ key) << 16 | static_cast<std::uint32_t>(p[3] ^ key) << 24;
}

std::uint64_t LoadU64(const std::uint8_t* p, std::uint8_t key) {
  return static_cast<std::uint64_t>(LoadU32(p, key)) | static_cast<std::uint64_t>(LoadU32(p + 4, key)) << 32;
}

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsReadMode(const std::string& mode) {
  std::string m;
  for (char c : mode) m += static_cast<char>((c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c);
  return m == "r" || m == "rb" || m == "rt";
}

// Cuts `folder` plus one separator off the front of `name` when it is there,
// comparing ASCII letters without case and '\' equal to '/'.
std::size_t WorkingFolderPrefixLength(const std::string& name, std::string folder) {
  while (!folder.empty() && IsSeparator(folder.back())) folder.pop_back();
  if (name.size() < folder.size() + 1) return 0;
  for (std::size_t i = 0; i < folder.size(); ++i) {
    char a = name[i], b = folder[i];
    if (IsSeparator(a) && IsSeparator(b)) continue;
    if (UpperAscii(a) != UpperAscii(b)) return 0;
  }
  return IsSeparator(name[folder.size()]) ? folder.size() + 1 : 0;
}

// The process's working folder. The platform layer offers no call for it yet,
// so it is asked of the host directly.
std::string HostWorkingFolder() {
  std::error_code ec;
  std::filesystem::path cwd = std::filesystem::current_path(ec);
  return ec ? std::string() : cwd.string();
}

PakRecord* RecordOf(PakFile* file) { return file ? file->record : nullptr; }

// The position clamped to the entry, which a replaced in-memory file may
// have shrunk under an open handle.
std::int64_t ClampedPosition(const PakFile* file) {
  std::int64_t size = file->record->size;
  return std::clamp<std::int64_t>(file->position, 0, size);
}

const std::uint8_t* EntryData(const PakRecord* record) { return record->collection->base + record->start; }

void CopyName(char* out, const std::string& name) {
  std::size_t n = std::min<std::size_t>(name.size(), MAX_PATH - 1);
  std::memcpy(out, name.data(), n);
  out[n] = '\0';
}

}  // namespace

PakCollection::~PakCollection() {
  if (mapping) ::munmap(mapping, mappingLength);
}

std::string PakKey(const std::string& name) { return ToUpper(name); }

bool IsSafeArchiveName(const std::string& name) {
  if (name.empty()) return false;
  if (IsSeparator(name[0])) return false;
  if (name.size() >= 2 && name[1] == ':') return false;
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = start;
    while (end < name.size() && !IsSeparator(name[end])) ++end;
    if (end - start == 2 && name[start] == '.' && name[start + 1] == '.') return false;
    start = end + 1;
  }
  return true;
}

bool NormalizeArchivePath(const std::string& name, const std::string& workingFolder, std::string& out) {
  std::size_t i = 0;
  bool absolute = (name.size() >= 2 && name[1] == ':') || (!name.empty() && name[0] == '/');
  if (absolute && !workingFolder.empty()) i = WorkingFolderPrefixLength(name, workingFolder);

  out.clear();
  while (i < name.size()) {
    char c = name[i];
    if (IsSeparator(c)) {
      if (out.empty() || out.back() != '\\') out += '\\';
      ++i;
      continue;
    }
    bool afterSeparator = i > 0 && IsSeparator(name[i - 1]);
    bool dotDot =
        c == '.' && i + 1 < name.size() && name[i + 1] == '.' && (i + 2 == name.size() || IsSeparator(name[i + 2]));
    if (dotDot && afterSeparator && out.size() >= 2) {
      // Drop the separator just written and the folder before it.
      out.pop_back();
      std::size_t cut = out.find_last_of('\\');
      out.erase(cut == std::string::npos ? 0 : cut + 1);
      i += 2;
      while (i < name.size() && IsSeparator(name[i])) ++i;
      continue;
    }
    out += UpperAscii(c);
    ++i;
  }
  return out.size() <= kPakMaxNameChars;
}

bool ParsePakDirectory(const std::uint8_t* data, std::uint64_t size, PakDirectoryInfo& info, std::string& error) {
  info = PakDirectoryInfo();
  const std::uint8_t key = kPakScrambleKey;
  if (size < 8 || LoadU32(data, key) != kPakMagic) {
    error = "not an archive (wrong magic)";
    return false;
  }
  std::uint32_t version = LoadU32(data + 4, key);
  if (version != kPakVersion) {
    error = "unsupported archive version " + std::to_string(version);
    return false;
  }

  std::vector<PakDirectoryEntry> read;
  std::uint64_t pos = 8;
  std::uint64_t offset = 0;
  std::uint64_t dataStart = size;  // a directory without its end byte ends with the file
  while (pos < size) {
    std::uint8_t flags = data[pos++] ^ key;
    if (flags & 0x80) {
      dataStart = pos;
      break;
    }
    if (pos >= size) {
      info.warnings.push_back("directory cut off inside a record");
      break;
    }
    std::uint32_t nameLength = data[pos++] ^ key;
    if (size - pos < nameLength + 12u) {
      info.warnings.push_back("directory cut off inside a record");
      pos = size;
      break;
    }
    PakDirectoryEntry entry;
    entry.name.resize(nameLength);
    for (std::uint32_t i = 0; i < nameLength; ++i) entry.name[i] = static_cast<char>(data[pos + i] ^ key);
    pos += nameLength;
    entry.size = LoadU32(data + pos, key);
    entry.fileTime = LoadU64(data + pos + 4, key);
    pos += 12;
    entry.offset = offset;
    // Later records keep their defined start even when this one is left out.
    std::uint64_t limit = std::numeric_limits<std::uint64_t>::max();
    offset = (limit - offset < entry.size) ? limit : offset + entry.size;
    read.push_back(std::move(entry));
  }
  info.dataStart = dataStart;

  for (PakDirectoryEntry& entry : read) {
    std::string quoted = "record \"" + entry.name + "\" left out: ";
    if (!IsSafeArchiveName(entry.name)) {
      info.warnings.push_back(quoted + "name is empty, absolute or leaves its folder");
    } else if (entry.size > kPakMaxEntryBytes) {
      info.warnings.push_back(quoted + "size " + std::to_string(entry.size) + " too large");
    } else if (entry.offset > size - dataStart || entry.size > size - dataStart - entry.offset) {
      info.warnings.push_back(quoted + "data lies past the end of the file");
    } else {
      info.entries.push_back(std::move(entry));
    }
  }
  return true;
}

PakFile* PakInterfaceBase::OpenWide(const std::wstring&, const std::wstring&) { return nullptr; }

wchar_t* PakInterfaceBase::ReadLineWide(wchar_t* buffer, int, PakFile*) { return buffer; }

PakInterface::PakInterface() { PublishSharedPakInterface(this); }

PakInterface::~PakInterface() { WithdrawSharedPakInterface(this); }

void PakInterface::SetWorkingFolder(const std::string& folder) {
  mWorkingFolder = folder;
  mHasWorkingFolder = true;
}

std::string PakInterface::WorkingFolder() const { return mHasWorkingFolder ? mWorkingFolder : HostWorkingFolder(); }

void PakInterface::Warn(const std::string& message) {
  mMountWarnings.push_back(message);
  if (mLogToStderr) std::fprintf(stderr, "archive: %s\n", message.c_str());
}

bool PakInterface::MountArchive(const std::string& fileName) {
  std::string hostPath = Platform::HostPath(fileName);
  int fd = hostPath.empty() ? -1 : ::open(hostPath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return false;
  }
  auto collection = std::make_unique<PakCollection>();
  collection->size = static_cast<std::uint64_t>(st.st_size);
  if (collection->size > 0) {
    void* view = ::mmap(nullptr, static_cast<std::size_t>(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
    if (view == MAP_FAILED) {
      ::close(fd);
      return false;
    }
    collection->mapping = view;
    collection->mappingLength = static_cast<std::size_t>(st.st_size);
    collection->base = static_cast<const std::uint8_t*>(view);
  }
  ::close(fd);  // the mapping keeps the file's pages
  return MountCollection(std::move(collection), fileName);
}

bool PakInterface::MountArchiveImage(const std::string& name, const std::uint8_t* data, std::size_t size) {
  auto collection = std::make_unique<PakCollection>();
  collection->owned.assign(data, data + size);
  collection->base = collection->owned.data();
  collection->size = size;
  return MountCollection(std::move(collection), name);
}

bool PakInterface::MountCollection(std::unique_ptr<PakCollection> owned, const std::string& fileName) {
  owned->name = fileName;
  owned->key = kPakScrambleKey;
  PakCollection* collection = owned.get();
  mCollections.push_back(std::move(owned));

  // The archive's own entry: opening the archive's name yields its
  // de-scrambled bytes (at most the first 2^31 - 1 of them).
  PakRecord& self = mDirectory[PakKey(fileName)];
  self = PakRecord();
  self.collection = collection;
  self.name = fileName;
  self.size = static_cast<std::uint32_t>(std::min(collection->size, kPakMaxEntryBytes));

  PakDirectoryInfo info;
  std::string error;
  if (!ParsePakDirectory(collection->base, collection->size, info, error)) {
    Warn(fileName + ": " + error);
    return false;
  }
  for (const std::string& warning : info.warnings) Warn(fileName + ": " + warning);
  for (const PakDirectoryEntry& entry : info.entries) {
    PakRecord& record = mDirectory[PakKey(entry.name)];
    record.collection = collection;
    record.name = entry.name;
    record.fileTime = entry.fileTime;
    record.start = info.dataStart + entry.offset;
    record.size = entry.size;
  }
  return true;
}

bool PakInterface::AddMemoryFile(const std::string& name, std::vector<std::uint8_t> bytes) {
  std::string key;
  if (!NormalizeArchivePath(name, WorkingFolder(), key)) return false;
  if (bytes.size() > kPakMaxEntryBytes) bytes.resize(kPakMaxEntryBytes);
  PakRecord& record = mDirectory[key];
  PakCollection* collection = record.collection;
  if (!collection || !collection->memoryFile) {
    auto owned = std::make_unique<PakCollection>();
    owned->memoryFile = true;
    owned->key = 0;
    collection = owned.get();
    mCollections.push_back(std::move(owned));
  }
  collection->name = name;
  collection->owned = std::move(bytes);
  collection->base = collection->owned.data();
  collection->size = collection->owned.size();
  record.collection = collection;
  record.name = name;
  record.fileTime = 0;
  record.start = 0;
  record.size = static_cast<std::uint32_t>(collection->size);
  return true;
}

bool PakInterface::RemoveMemoryFile(const std::string& name) {
  std::string key;
  if (!NormalizeArchivePath(name, WorkingFolder(), key)) return false;
  auto found = mDirectory.find(key);
  if (found == mDirectory.end() || !found->second.collection || !found->second.collection->memoryFile) return false;
  mRemovedRecords.push_back(mDirectory.extract(found));
  return true;
}

PakFile* PakInterface::Open(const std::string& name, const std::string& mode) {
  if (IsReadMode(mode)) {
    std::string key;
    if (NormalizeArchivePath(name, WorkingFolder(), key)) {
      auto found = mDirectory.find(key);
      if (found != mDirectory.end()) return new PakFile{&found->second, 0, nullptr};
    }
  }
  std::FILE* stream = Platform::OpenFile(name, mode.c_str());
  if (!stream) return nullptr;
  return new PakFile{nullptr, 0, stream};
}

int PakInterface::Close(PakFile* file) {
  if (!file) return EOF;
  int result = 0;
  if (!file->record && file->file) result = std::fclose(file->file);
  delete file;
  return result;
}

int PakInterface::Seek(PakFile* file, long offset, int origin) {
  if (!file) return -1;
  PakRecord* record = file->record;
  if (!record) return file->file ? std::fseek(file->file, offset, origin) : -1;
  // Offsets beyond any entry size clamp alike; bounding them first keeps the
  // sums below from overflowing.
  const std::int64_t bound = std::int64_t(1) << 40;
  std::int64_t delta = std::clamp<std::int64_t>(offset, -bound, bound);
  std::int64_t size = record->size;
  std::int64_t p = ClampedPosition(file);
  switch (origin) {
    case SEEK_SET: p = delta; break;
    case SEEK_CUR: p += delta; break;
    case SEEK_END: p = size + delta; break;
    default: break;
  }
  file->position = std::clamp<std::int64_t>(p, 0, size);
  return 0;
}

long PakInterface::Tell(PakFile* file) {
  if (!file) return -1;
  if (!file->record) return file->file ? std::ftell(file->file) : -1;
  return static_cast<long>(ClampedPosition(file));
}

std::size_t PakInterface::Read(void* buffer, std::size_t elementSize, std::size_t count, PakFile* file) {
  if (!file || !buffer || elementSize == 0 || count == 0) return 0;
  PakRecord* record = file->record;
  if (!record) return file->file ? std::fread(buffer, elementSize, count, file->file) : 0;
  std::size_t wanted = count > std::numeric_limits<std::size_t>::max() / elementSize
                           ? std::numeric_limits<std::size_t>::max()
                           : elementSize * count;
  std::int64_t p = ClampedPosition(file);
  std::size_t left = static_cast<std::size_t>(record->size - p);
  std::size_t n = std::min(wanted, left);
  const std::uint8_t* src = EntryData(record) + p;
  std::uint8_t* dst = static_cast<std::uint8_t*>(buffer);
  const std::uint8_t key = record->collection->key;
  for (std::size_t i = 0; i < n; ++i) dst[i] = src[i] ^ key;
  file->position = p + static_cast<std::int64_t>(n);
  return n / elementSize;
}

int PakInterface::GetChar(PakFile* file) {
  if (!file) return EOF;
  PakRecord* record = file->record;
  if (!record) return file->file ? std::fgetc(file->file) : EOF;
  std::int64_t p = ClampedPosition(file);
  const std::uint8_t* data = EntryData(record);
  const std::uint8_t key = record->collection->key;
  // Archive entries are read as text here: CR never reaches the caller.
  while (p < record->size) {
    int c = data[p++] ^ key;
    if (c != '\r') {
      file->position = p;
      return c;
    }
  }
  file->position = p;
  return EOF;
}

int PakInterface::UngetChar(int c, PakFile* file) {
  if (!file) return EOF;
  if (!RecordOf(file)) return file->file ? std::ungetc(c, file->file) : EOF;
  // The character is not stored: the next read delivers the byte there.
  file->position = std::max<std::int64_t>(ClampedPosition(file) - 1, 0);
  return c;
}

char* PakInterface::ReadLine(char* buffer, int size, PakFile* file) {
  if (!file || !buffer || size <= 0) return nullptr;
  PakRecord* record = file->record;
  if (!record) return file->file ? std::fgets(buffer, size, file->file) : nullptr;
  std::int64_t p = ClampedPosition(file);
  if (p >= record->size) return nullptr;
  const std::uint8_t* data = EntryData(record);
  const std::uint8_t key = record->collection->key;
  int stored = 0;
  while (stored < size - 1 && p < record->size) {
    char c = static_cast<char>(data[p++] ^ key);
    if (c == '\r') continue;
    buffer[stored++] = c;
    if (c == '\n') break;
  }
  buffer[stored] = '\0';
  file->position = p;
  return buffer;
}

int PakInterface::AtEnd(PakFile* file) {
  if (!file) return 1;
  PakRecord* record = file->record;
  if (!record) return file->file ? std::feof(file->file) : 1;
  return ClampedPosition(file) >= record->size ? 1 : 0;
}

HANDLE PakInterface::FindFirst(const std::string& pattern, WIN32_FIND_DATAA* data) {
  if (!data) return INVALID_HANDLE_VALUE;
  auto* find = new PakFindData;
  std::string normalised;
  bool inArchive = NormalizeArchivePath(pattern, WorkingFolder(), normalised);
  find->pattern = inArchive ? normalised : pattern;
  if (inArchive && FindArchiveMatch(find, data)) return find;
  find->findHandle = FindFirstFileA(find->pattern.c_str(), data);
  if (find->findHandle == INVALID_HANDLE_VALUE) {
    delete find;
    return INVALID_HANDLE_VALUE;
  }
  return find;
}

BOOL PakInterface::FindNext(HANDLE handle, WIN32_FIND_DATAA* data) {
  if (!handle || handle == INVALID_HANDLE_VALUE || !data) return FALSE;
  auto* find = static_cast<PakFindData*>(handle);
  if (find->findHandle != INVALID_HANDLE_VALUE) return FindNextFileA(find->findHandle, data);
  if (find->folderStarted) return FALSE;
  if (FindArchiveMatch(find, data)) return TRUE;
  find->folderStarted = true;
  find->findHandle = FindFirstFileA(find->pattern.c_str(), data);
  return find->findHandle != INVALID_HANDLE_VALUE ? TRUE : FALSE;
}

BOOL PakInterface::FindEnd(HANDLE handle) {
  if (!handle || handle == INVALID_HANDLE_VALUE) return FALSE;
  auto* find = static_cast<PakFindData*>(handle);
  if (find->findHandle != INVALID_HANDLE_VALUE) FindClose(find->findHandle);
  delete find;
  return TRUE;
}

bool PakInterface::FindArchiveMatch(PakFindData* find, WIN32_FIND_DATAA* data) {
  if (!find || !data || find->folderStarted) return false;
  std::size_t star = find->pattern.find('*');
  if (star == std::string::npos) return false;
  const std::string prefix = find->pattern.substr(0, star);
  const std::string suffix = find->pattern.substr(star + 1);
  const bool anySuffix = suffix.empty() || suffix == ".*";

  // Candidates: keys after the last match that start with the prefix.
  auto it = mDirectory.lower_bound(prefix);
  if (find->hasLastKey && find->lastKey >= prefix) it = mDirectory.upper_bound(find->lastKey);
  for (; it != mDirectory.end(); ++it) {
    const std::string& key = it->first;
    if (key.compare(0, prefix.size(), prefix) != 0) break;  // past every key with the prefix
    bool matches = anySuffix ||
                   (key.size() >= suffix.size() && key.compare(key.size() - suffix.size(), suffix.size(), suffix) == 0);
    if (!matches) continue;
    const PakRecord& record = it->second;
    FILETIME time{static_cast<DWORD>(record.fileTime), static_cast<DWORD>(record.fileTime >> 32)};
    data->dwFileAttributes = 0;
    data->ftCreationTime = time;
    data->ftLastAccessTime = time;
    data->ftLastWriteTime = time;
    data->nFileSizeHigh = 0;
    data->nFileSizeLow = record.size;
    std::size_t cut = record.name.find_last_of('\\');
    CopyName(data->cFileName, cut == std::string::npos ? record.name : record.name.substr(cut + 1));
    find->lastKey = key;
    find->hasLastKey = true;
    return true;
  }
  return false;
}

}  // namespace Kivo
