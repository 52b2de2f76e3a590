// Archive writer and lister.
#include "resources/PakWriter.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/AtomicFile.h"
#include "resources/PakInterface.h"

namespace Kivo {

namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t kUnixEpochSeconds = 11644473600ull;
constexpr std::size_t kMaxStoredName = 255;

// One file to write: where its bytes come from and what the directory says.
struct PlannedEntry {
  std::string name;  // as stored, '\' between folders
  std::string key;
  std::uint32_t size = 0;
  std::uint64_t fileTime = 0;
  const std::vector<std::uint8_t>* memory = nullptr;  // else read from hostPath
  std::string hostPath;
};

std::string StoredName(const std::string& name) {
  std::string stored = name;
  std::replace(stored.begin(), stored.end(), '/', '\\');
  return stored;
}

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void PutU64(std::vector<std::uint8_t>& out, std::uint64_t v) {
  PutU32(out, static_cast<std::uint32_t>(v));
  PutU32(out, static_cast<std::uint32_t>(v >> 32));
}

// Sorts by key and checks every name and the total size. On success `header`
// holds the scrambled header and directory.
bool PlanArchive(std::vector<PlannedEntry>& entries, std::vector<std::uint8_t>& header, std::string& error) {
  for (PlannedEntry& entry : entries) {
    if (entry.name.size() > kMaxStoredName) {
      error = "name longer than 255 bytes: " + entry.name;
      return false;
    }
    if (!IsSafeArchiveName(entry.name)) {
      error = "name is empty, absolute or contains \"..\": " + entry.name;
      return false;
    }
    entry.key = PakKey(entry.name);
  }
  std::sort(entries.begin(), entries.end(), [](const PlannedEntry& a, const PlannedEntry& b) { return a.key < b.key; });
  for (std::size_t i = 1; i < entries.size(); ++i) {
    if (entries[i].key == entries[i - 1].key) {
      error = "names differ only in letter case: " + entries[i - 1].name + " and " + entries[i].name;
      return false;
    }
  }

  header.clear();
  PutU32(header, kPakMagic);
  PutU32(header, kPakVersion);
  std::uint64_t dataBytes = 0;
  for (const PlannedEntry& entry : entries) {
    header.push_back(0);  // flags
    header.push_back(static_cast<std::uint8_t>(entry.name.size()));
    header.insert(header.end(), entry.name.begin(), entry.name.end());
    PutU32(header, entry.size);
    PutU64(header, entry.fileTime);
    dataBytes += entry.size;
  }
  header.push_back(0x80);  // end of the directory
  if (header.size() + dataBytes > kPakMaxEntryBytes) {
    error = "archive data would reach past 2^31 - 1 bytes";
    return false;
  }
  for (std::uint8_t& b : header) b ^= kPakScrambleKey;
  return true;
}

// Streams one file's bytes, scrambled, exactly `size` of them. A failed
// write leaves `error` alone: the save reports it.
bool CopyScrambled(Platform::AtomicFileWriter& file, const PlannedEntry& entry, std::string& error) {
  std::vector<std::uint8_t> chunk;
  if (entry.memory) {
    chunk = *entry.memory;
    for (std::uint8_t& b : chunk) b ^= kPakScrambleKey;
    return file.Write(chunk.data(), chunk.size());
  }
  std::ifstream in(entry.hostPath, std::ios::binary);
  if (!in) {
    error = "cannot read " + entry.hostPath;
    return false;
  }
  std::uint64_t left = entry.size;
  chunk.resize(1 << 16);
  while (left > 0) {
    std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(left, chunk.size()));
    in.read(reinterpret_cast<char*>(chunk.data()), static_cast<std::streamsize>(want));
    if (static_cast<std::size_t>(in.gcount()) != want) {
      error = "file shrank while packing: " + entry.hostPath;
      return false;
    }
    for (std::size_t i = 0; i < want; ++i) chunk[i] ^= kPakScrambleKey;
    if (!file.Write(chunk.data(), want)) return false;
    left -= want;
  }
  return true;
}

// Writes header and data atomically over outPath.
bool WriteArchiveFile(const std::string& outPath, const std::vector<std::uint8_t>& header,
                      const std::vector<PlannedEntry>& entries, std::string& error) {
  auto fill = [&](Platform::AtomicFileWriter& file) {
    if (!file.Write(header.data(), header.size())) return false;
    for (const PlannedEntry& entry : entries)
      if (!CopyScrambled(file, entry, error)) return false;
    return true;
  };
  const Platform::AtomicSaveResult saved = Platform::ReplaceFile(outPath, fill);
  const std::string reason = saved.error != 0 ? std::strerror(saved.error) : "";
  switch (saved.failedStep) {
    case Platform::AtomicSaveStep::kNone: return true;
    case Platform::AtomicSaveStep::kCreateTemporary:
      error = "cannot create a temporary file beside " + outPath + ": " + reason;
      break;
    case Platform::AtomicSaveStep::kFill: break;  // CopyScrambled told why
    case Platform::AtomicSaveStep::kWrite: error = "write failed: " + reason; break;
    case Platform::AtomicSaveStep::kSync:
    case Platform::AtomicSaveStep::kSyncFolder: error = "fsync failed: " + reason; break;
    case Platform::AtomicSaveStep::kKeepPrevious:
    case Platform::AtomicSaveStep::kRename: error = "cannot rename the archive into place: " + reason; break;
  }
  return false;
}

}  // namespace

std::uint64_t FileTimeFromUnixSeconds(std::int64_t seconds) {
  return (static_cast<std::uint64_t>(seconds) + kUnixEpochSeconds) * 10000000ull;
}

bool BuildPakImage(std::vector<PakSourceFile> files, std::vector<std::uint8_t>& image, std::string& error) {
  std::vector<PlannedEntry> entries;
  for (const PakSourceFile& file : files) {
    if (file.data.size() > kPakMaxEntryBytes) {
      error = "file too large: " + file.name;
      return false;
    }
    PlannedEntry entry;
    entry.name = StoredName(file.name);
    entry.size = static_cast<std::uint32_t>(file.data.size());
    entry.fileTime = file.fileTime;
    entry.memory = &file.data;
    entries.push_back(std::move(entry));
  }
  std::vector<std::uint8_t> header;
  if (!PlanArchive(entries, header, error)) return false;
  image = std::move(header);
  for (const PlannedEntry& entry : entries)
    for (std::uint8_t b : *entry.memory) image.push_back(b ^ kPakScrambleKey);
  return true;
}

bool PackFolder(const std::string& folder, const std::string& outPath, bool useFixedTime, std::int64_t fixedUnixTime,
                std::string& error) {
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) {
    error = "not a folder: " + folder;
    return false;
  }
  std::vector<PlannedEntry> entries;
  fs::recursive_directory_iterator it(folder, fs::directory_options::none, ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    const fs::directory_entry& item = *it;
    struct stat st;
    if (::lstat(item.path().c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    // An earlier archive written into the packed folder is not packed again.
    std::error_code same;
    if (fs::equivalent(item.path(), outPath, same)) continue;
    std::string relative = item.path().lexically_relative(folder).generic_string();
    if (relative.find('\\') != std::string::npos) {
      error = "file name holds a '\\', which the archive reads as a folder separator: " + relative;
      return false;
    }
    if (static_cast<std::uint64_t>(st.st_size) > kPakMaxEntryBytes) {
      error = "file too large: " + relative;
      return false;
    }
    PlannedEntry entry;
    entry.name = StoredName(relative);
    entry.size = static_cast<std::uint32_t>(st.st_size);
    entry.fileTime = useFixedTime ? FileTimeFromUnixSeconds(fixedUnixTime)
                                  : (static_cast<std::uint64_t>(st.st_mtim.tv_sec) + kUnixEpochSeconds) * 10000000ull +
                                        static_cast<std::uint64_t>(st.st_mtim.tv_nsec) / 100;
    entry.hostPath = item.path().string();
    entries.push_back(std::move(entry));
  }
  if (ec) {
    error = "cannot list " + folder + ": " + ec.message();
    return false;
  }
  std::vector<std::uint8_t> header;
  if (!PlanArchive(entries, header, error)) return false;
  return WriteArchiveFile(outPath, header, entries, error);
}

bool ListPakFile(const std::string& path, std::vector<PakListEntry>& entries, std::vector<std::string>& warnings,
                 std::string& error) {
  // Plain reads: a stream would throw on a folder or a failing disk.
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = "cannot open " + path + ": " + std::strerror(errno);
    return false;
  }
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    error = "not a file: " + path;
    ::close(fd);
    return false;
  }
  // Mapped, not read: listing touches only the directory's pages, whatever
  // the size of the data behind it.
  const std::uint64_t size = static_cast<std::uint64_t>(st.st_size);
  void* view = size == 0 ? nullptr : ::mmap(nullptr, static_cast<std::size_t>(size), PROT_READ, MAP_PRIVATE, fd, 0);
  int mapError = errno;
  ::close(fd);
  if (view == MAP_FAILED) {
    error = "cannot read " + path + ": " + std::strerror(mapError);
    return false;
  }
  PakDirectoryInfo info;
  bool parsed = ParsePakDirectory(static_cast<const std::uint8_t*>(view), size, info, error);
  if (view != nullptr) ::munmap(view, static_cast<std::size_t>(size));
  if (!parsed) return false;
  entries.clear();
  for (const PakDirectoryEntry& entry : info.entries)
    entries.push_back(PakListEntry{entry.name, entry.size, entry.fileTime});
  warnings = info.warnings;
  return true;
}

}  // namespace Kivo
