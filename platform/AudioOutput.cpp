// The audio tick, the audio log and the backend's default output.
#include "platform/AudioOutput.h"

#include <mutex>
#include <set>

#include "platform/Backend.h"
#include "platform/Clock.h"
#include "platform/Environment.h"

namespace Kivo {

namespace {

std::mutex& TickLock() {
  static std::mutex m;
  return m;
}
TickSource& TickFunction() {
  static TickSource f;
  return f;
}

}  // namespace

std::unique_ptr<AudioOutput> OpenAudioOutput() { return Platform::ActiveBackend().OpenAudioOutput(); }

void SetAudioTickSource(TickSource source) {
  std::lock_guard<std::mutex> guard(TickLock());
  TickFunction() = std::move(source);
}

std::uint32_t AudioTickCount() {
  {
    std::lock_guard<std::mutex> guard(TickLock());
    if (TickFunction()) return TickFunction()();
  }
  return GetTickCount();
}

void AudioLog(const std::string& text) { Platform::Log("audio: " + text); }

void AudioLogOnce(const std::string& text) {
  static std::mutex m;
  static std::set<std::string> seen;
  {
    std::lock_guard<std::mutex> guard(m);
    if (!seen.insert(text).second) return;
  }
  AudioLog(text);
}

}  // namespace Kivo
