// The debugger-output sink.
#include "platform/DebugOutput.h"

#include <cstdio>
#include <mutex>
#include <utility>

#include "platform/Environment.h"

namespace {

std::mutex& SinkMutex() {
  static std::mutex mutex;
  return mutex;
}

std::function<void(const std::string&)>& Capture() {
  static std::function<void(const std::string&)> capture;
  return capture;
}

}  // namespace

void OutputDebugStringA(const char* text) {
  if (!text) return;
  std::lock_guard<std::mutex> lock(SinkMutex());
  if (Capture()) {
    Capture()(text);
    return;
  }
  std::string path = Platform::EnvironmentValue("GAME_LOG");
  if (!path.empty()) {
    if (std::FILE* log = std::fopen(path.c_str(), "a")) {
      std::fputs(text, log);
      std::fclose(log);
      return;
    }
  }
  std::fputs(text, stderr);
}

namespace Platform {

void CaptureDebugOutput(std::function<void(const std::string&)> capture) {
  std::lock_guard<std::mutex> lock(SinkMutex());
  Capture() = std::move(capture);
}

}  // namespace Platform
