// Atomic file replacement: temporary file, fsync, rename, folder fsync.
#include "platform/AtomicFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace Platform {

namespace {

const char kTemporaryMarker[] = ".tmp-";
constexpr std::size_t kTemporaryMarkerLength = sizeof(kTemporaryMarker) - 1;
constexpr std::size_t kRandomPartLength = 6;  // what mkstemp puts in place of XXXXXX
// A new temporary file can be lost to another save's cleanup in the moment
// between its creation and its lock; a fresh name is then tried.
constexpr int kCreateAttempts = 8;

bool IsAsciiLetterOrDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

void SplitPath(const std::string& path, std::string* folder, std::string* name) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) {
    *folder = ".";
    *name = path;
  } else {
    *folder = slash == 0 ? "/" : path.substr(0, slash);
    *name = path.substr(slash + 1);
  }
}

// Whether the open file `fd` is still the file named `path`.
bool StillNamed(int fd, const std::string& path) {
  struct stat opened, named;
  return ::fstat(fd, &opened) == 0 && ::lstat(path.c_str(), &named) == 0 && opened.st_dev == named.st_dev &&
         opened.st_ino == named.st_ino;
}

// Removes temporary files of earlier saves of `name` that were killed before
// their rename. A file whose writer is alive is locked and so stays.
void RemoveStaleTemporaries(const std::string& folder, const std::string& name) {
  std::vector<std::string> stale;
  if (DIR* dir = ::opendir(folder.c_str())) {
    while (const dirent* entry = ::readdir(dir))
      if (IsAtomicSaveTemporaryName(entry->d_name, name)) stale.push_back(folder + "/" + entry->d_name);
    ::closedir(dir);
  }
  for (const std::string& path : stale) {
    int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 && StillNamed(fd, path))
      ::unlink(path.c_str());
    ::close(fd);
  }
}

// The temporary file of one save: created locked, removed by the destructor
// unless it was renamed into place.
class TemporaryFile {
 public:
  explicit TemporaryFile(const std::string& target) {
    for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
      mPath = target + kTemporaryMarker + std::string(kRandomPartLength, 'X');
      mFd = ::mkostemp(&mPath[0], O_CLOEXEC);
      if (mFd < 0) {
        mError = errno;
        return;
      }
      // Without working locks (some network folders) the save still goes on;
      // only the guard against a concurrent save's cleanup is lost.
      bool locked = ::flock(mFd, LOCK_EX | LOCK_NB) == 0;
      bool lockUnsupported = !locked && errno != EWOULDBLOCK;
      if ((locked || lockUnsupported) && StillNamed(mFd, mPath)) return;
      // Another save's cleanup took this file; the name is no longer ours.
      ::close(mFd);
      mFd = -1;
    }
    mError = EAGAIN;
  }
  ~TemporaryFile() {
    if (mFd < 0) return;
    if (!mRenamed) ::unlink(mPath.c_str());
    ::close(mFd);  // releases the lock, only once the name is gone
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  int fd() const { return mFd; }
  int error() const { return mError; }
  const std::string& path() const { return mPath; }
  void MarkRenamed() { mRenamed = true; }

 private:
  std::string mPath;
  int mFd = -1;
  int mError = 0;
  bool mRenamed = false;
};

// Keeps the target's current content under `keepAs` just before it is
// replaced. A hard link keeps the target in place all along, so a kill here
// loses nothing; where links are not supported the target is renamed aside
// and `movedAside` tells the caller to put it back if the replacement fails.
int KeepPrevious(const std::string& target, const std::string& keepAs, bool* movedAside) {
  *movedAside = false;
  if (::unlink(keepAs.c_str()) != 0 && errno != ENOENT) return errno;
  if (::link(target.c_str(), keepAs.c_str()) == 0) return 0;
  if (errno == ENOENT) return 0;  // no previous file to keep
  if (::rename(target.c_str(), keepAs.c_str()) != 0) return errno;
  *movedAside = true;
  return 0;
}

// Makes the rename durable. Folders that cannot be opened or synced on this
// file system are no failure; an I/O error is.
int SyncFolder(const std::string& folder) {
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return 0;
  int error = ::fsync(fd) == 0 ? 0 : errno;
  ::close(fd);
  return (error == EINVAL || error == EROFS || error == ENOTSUP) ? 0 : error;
}

AtomicSaveResult Failure(AtomicSaveStep step, int error) {
  AtomicSaveResult result;
  result.failedStep = step;
  result.error = error;
  return result;
}

}  // namespace

bool AtomicFileWriter::Write(const void* data, std::size_t size) {
  if (mError != 0) return false;
  const char* next = static_cast<const char*>(data);
  while (size > 0) {
    errno = 0;
    ssize_t n = *mWrite ? (*mWrite)(mFd, next, size) : ::write(mFd, next, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      mError = (n < 0 && errno != 0) ? errno : EIO;
      return false;
    }
    next += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// Runs one save; a class only so that it may make the writer.
class AtomicSave {
 public:
  static AtomicSaveResult Run(const std::string& path, const std::function<bool(AtomicFileWriter&)>& fill,
                              const AtomicSaveOptions& options) {
    std::string folder, name;
    SplitPath(path, &folder, &name);
    RemoveStaleTemporaries(folder, name);
    TemporaryFile temporary(path);
    if (temporary.fd() < 0) return Failure(AtomicSaveStep::kCreateTemporary, temporary.error());
    ::fchmod(temporary.fd(), options.permissions);  // a file system without modes keeps its own

    AtomicFileWriter writer(temporary.fd(), &options.writeForTests);
    bool filled = fill(writer);
    if (writer.mError != 0) return Failure(AtomicSaveStep::kWrite, writer.mError);
    if (!filled) return Failure(AtomicSaveStep::kFill, 0);
    if (::fsync(temporary.fd()) != 0) return Failure(AtomicSaveStep::kSync, errno);

    bool movedAside = false;
    if (!options.keepPreviousAs.empty()) {
      int error = KeepPrevious(path, options.keepPreviousAs, &movedAside);
      if (error != 0) return Failure(AtomicSaveStep::kKeepPrevious, error);
    }
    if (::rename(temporary.path().c_str(), path.c_str()) != 0) {
      int error = errno;
      if (movedAside)
        ::rename(options.keepPreviousAs.c_str(), path.c_str());
      else if (!options.keepPreviousAs.empty())
        ::unlink(options.keepPreviousAs.c_str());
      return Failure(AtomicSaveStep::kRename, error);
    }
    temporary.MarkRenamed();
    int error = SyncFolder(folder);
    return error == 0 ? AtomicSaveResult{} : Failure(AtomicSaveStep::kSyncFolder, error);
  }
};

std::string AtomicSaveResult::Describe() const {
  std::string reason = error != 0 ? std::string(": ") + std::strerror(error) : std::string();
  switch (failedStep) {
    case AtomicSaveStep::kNone: return "saved";
    case AtomicSaveStep::kCreateTemporary: return "cannot create a temporary file" + reason;
    case AtomicSaveStep::kFill: return "the content could not be produced";
    case AtomicSaveStep::kWrite: return "write failed" + reason;
    case AtomicSaveStep::kSync: return "fsync failed" + reason;
    case AtomicSaveStep::kKeepPrevious: return "cannot keep the previous file" + reason;
    case AtomicSaveStep::kRename: return "cannot rename over the target" + reason;
    case AtomicSaveStep::kSyncFolder: return "folder sync failed" + reason;
  }
  return "unknown failure";
}

AtomicSaveResult ReplaceFile(const std::string& path, const std::function<bool(AtomicFileWriter&)>& fill,
                             const AtomicSaveOptions& options) {
  return AtomicSave::Run(path, fill, options);
}

AtomicSaveResult ReplaceFileContent(const std::string& path, const void* data, std::size_t size,
                                    const AtomicSaveOptions& options) {
  return AtomicSave::Run(
      path, [data, size](AtomicFileWriter& writer) { return size == 0 || writer.Write(data, size); }, options);
}

bool IsAtomicSaveTemporaryName(const std::string& name, const std::string& targetName) {
  if (targetName.empty() || name.size() != targetName.size() + kTemporaryMarkerLength + kRandomPartLength) return false;
  if (name.compare(0, targetName.size(), targetName) != 0 ||
      name.compare(targetName.size(), kTemporaryMarkerLength, kTemporaryMarker) != 0)
    return false;
  for (std::size_t i = targetName.size() + kTemporaryMarkerLength; i < name.size(); ++i)
    if (!IsAsciiLetterOrDigit(name[i])) return false;
  return true;
}

}  // namespace Platform
