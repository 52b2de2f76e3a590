// Atomic file replacement: the one way saves reach the disk.
//
// A save writes its content to a temporary file in the target's folder,
// flushes and fsyncs it, renames it over the target and fsyncs the folder.
// Whatever happens (a crash, a kill, a full disk, a read-only folder), the
// target holds either its previous content or the new one, never a mix.
//
// Temporary files are named "<target name>.tmp-XXXXXX" (six letters or
// digits). Before each save, stale files of that pattern for the same target
// are removed, so a killed save leaves at most the one file it was writing
// and the next save of that target cleans it. A temporary file another
// writer is still filling is left alone: writers hold an advisory lock on
// their file until it has been renamed.
//
// The result tells the true outcome. On failure the target is untouched
// (except a failed folder sync, see kSyncFolder) and no temporary file of
// this save remains. Paths are host paths (see Files.h HostPath); the
// target's folder must exist. New files get `permissions`; the umask is not
// applied.
//
// Later saves (profiles, high scores, sound cache, crash reports, demo
// files, archives) call ReplaceFileContent with the bytes in memory, or
// ReplaceFile with a writer callback when the content is streamed.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <string>

namespace Platform {

// The step at which a save stopped.
enum class AtomicSaveStep {
  kNone,             // the save succeeded
  kCreateTemporary,  // the temporary file could not be made (read-only folder, no such folder)
  kFill,             // the caller's writer gave up for a reason of its own
  kWrite,            // writing failed (disk full, I/O error)
  kSync,             // fsync of the temporary file failed
  kKeepPrevious,     // the previous target could not be kept under `keepPreviousAs`
  kRename,           // the rename over the target failed
  kSyncFolder,       // the new content is in place, but syncing the folder failed,
                     // so the rename may not survive a power loss
};

struct AtomicSaveResult {
  AtomicSaveStep failedStep = AtomicSaveStep::kNone;
  int error = 0;  // errno of the failed step; 0 for kNone and kFill

  bool ok() const { return failedStep == AtomicSaveStep::kNone; }
  explicit operator bool() const { return ok(); }
  // A short English sentence for logs, e.g. "write failed: No space left on device".
  std::string Describe() const;
};

// Writes bytes to the temporary file during ReplaceFile.
class AtomicFileWriter {
 public:
  // False once any write failed; later writes then do nothing.
  bool Write(const void* data, std::size_t size);
  bool Write(const std::string& bytes) { return Write(bytes.data(), bytes.size()); }
  bool failed() const { return mError != 0; }

 private:
  friend class AtomicSave;
  using WriteFunction = std::function<ssize_t(int fd, const void* data, std::size_t size)>;
  AtomicFileWriter(int fd, const WriteFunction* write) : mFd(fd), mWrite(write) {}
  int mFd;
  const WriteFunction* mWrite;
  int mError = 0;
};

struct AtomicSaveOptions {
  // Mode bits of the new file.
  mode_t permissions = 0644;
  // When not empty and the target exists, its previous content is kept under
  // this path as the new content replaces it (a damaged store kept for
  // inspection). An older file there is replaced.
  std::string keepPreviousAs;
  // Test seam: stands in for ::write(2) on the temporary file, so tests can
  // fail a write (errno ENOSPC, EIO, ...) at any byte. Empty means ::write.
  std::function<ssize_t(int fd, const void* data, std::size_t size)> writeForTests;
};

// Replaces `path` with `size` bytes at `data`.
AtomicSaveResult ReplaceFileContent(const std::string& path, const void* data, std::size_t size,
                                    const AtomicSaveOptions& options = {});
inline AtomicSaveResult ReplaceFileContent(const std::string& path, const std::string& bytes,
                                           const AtomicSaveOptions& options = {}) {
  return ReplaceFileContent(path, bytes.data(), bytes.size(), options);
}

// Replaces `path` with what `fill` writes. `fill` returns false to abandon
// the save (the result is then kFill unless a write failed first).
AtomicSaveResult ReplaceFile(const std::string& path, const std::function<bool(AtomicFileWriter&)>& fill,
                             const AtomicSaveOptions& options = {});

// True for a file name that ReplaceFile would use as a temporary file for
// a target named `targetName` (names only, no folders).
bool IsAtomicSaveTemporaryName(const std::string& name, const std::string& targetName);

}  // namespace Platform
