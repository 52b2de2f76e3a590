// The framework's lock types. A CriticalSection is re-entrant: the thread that
// holds it may enter again and must leave as often as it entered. Locks are
// taken through ScopedLock so they are released on every exit from the guarded
// scope, exceptions included.
#pragma once

#include <mutex>

namespace Kivo {

class CriticalSection {
 public:
  CriticalSection() = default;
  CriticalSection(const CriticalSection&) = delete;
  CriticalSection& operator=(const CriticalSection&) = delete;

  void Enter() { mMutex.lock(); }
  bool TryEnter() { return mMutex.try_lock(); }
  void Leave() { mMutex.unlock(); }

 private:
  std::recursive_mutex mMutex;
};

class ScopedLock {
 public:
  explicit ScopedLock(CriticalSection& section) : section_(&section) { section_->Enter(); }
  explicit ScopedLock(CriticalSection* section) : section_(section) { section_->Enter(); }
  ~ScopedLock() { section_->Leave(); }
  ScopedLock(const ScopedLock&) = delete;
  ScopedLock& operator=(const ScopedLock&) = delete;

 private:
  CriticalSection* section_;
};

}  // namespace Kivo
