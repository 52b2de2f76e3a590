// Environment settings, per-user folders and the shared log.
#include "platform/Environment.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>

namespace Platform {

std::string EnvironmentValue(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

namespace {

std::string HomeFolder() {
  std::string home = EnvironmentValue("HOME");
  return home.empty() ? "/tmp" : home;
}

std::mutex& LogMutex() {
  static std::mutex mutex;
  return mutex;
}

}  // namespace

std::string ConfigRoot() {
  std::string game = EnvironmentValue("GAME_HOME");
  if (!game.empty()) return game + "/config";
  std::string xdg = EnvironmentValue("XDG_CONFIG_HOME");
  return (xdg.empty() ? HomeFolder() + "/.config" : xdg) + "/kivo";
}

std::string DataRoot() {
  std::string game = EnvironmentValue("GAME_HOME");
  if (!game.empty()) return game + "/data";
  std::string xdg = EnvironmentValue("XDG_DATA_HOME");
  return xdg.empty() ? HomeFolder() + "/.local/share" : xdg;
}

std::string RuntimeRoot() {
  // GAME_HOME first: a game with a home of its own (a test, a portable copy)
  // is never taken for a second instance of the one the session runs.
  std::string game = EnvironmentValue("GAME_HOME");
  if (!game.empty()) return game + "/run";
  std::string xdg = EnvironmentValue("XDG_RUNTIME_DIR");
  if (!xdg.empty()) return xdg;
  return "/tmp";
}

void AnchorHarnessPaths() {
  static const char* const kPathVariables[] = {"GAME_HOME",      "GAME_LOG",          "GAME_INPUT_SCRIPT",
                                               "GAME_FRAME_OUT", "GAME_FRAME_DUMP",   "GAME_AUDIO_OUT",
                                               "GAME_AUTOPLAY",  "GAME_AUTOPLAY_PLAN"};
  char buffer[4096];
  if (::getcwd(buffer, sizeof buffer) == nullptr) return;
  const std::string start = buffer;
  for (const char* name : kPathVariables) {
    std::string value = EnvironmentValue(name);
    if (value.empty() || value[0] == '/') continue;
    ::setenv(name, (start + "/" + value).c_str(), 1);
  }
}

bool MakeHostFolders(const std::string& hostPath) {
  if (hostPath.empty()) return false;
  for (size_t pos = 1; pos <= hostPath.size(); ++pos) {
    if (pos < hostPath.size() && hostPath[pos] != '/') continue;
    std::string prefix = hostPath.substr(0, pos);
    if (::mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST) return false;
  }
  struct stat st;
  return ::stat(hostPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

namespace {

// Watched texts and whether a logged line held them; guarded by LogMutex.
std::map<std::string, bool>& WatchedTexts() {
  static std::map<std::string, bool> watched;
  return watched;
}

}  // namespace

void WatchLogFor(const std::string& text) {
  std::lock_guard<std::mutex> lock(LogMutex());
  // From now on: a line logged before a script was (re)loaded answers none
  // of its awaits.
  WatchedTexts()[text] = false;
}

bool LogHasShown(const std::string& text) {
  std::lock_guard<std::mutex> lock(LogMutex());
  auto it = WatchedTexts().find(text);
  return it != WatchedTexts().end() && it->second;
}

void Log(const std::string& line) {
  std::string text = line;
  if (text.empty() || text.back() != '\n') text += '\n';
  std::lock_guard<std::mutex> lock(LogMutex());
  for (auto& [watched, seen] : WatchedTexts()) {
    if (!seen && text.find(watched) != std::string::npos) seen = true;
  }
  std::fputs(text.c_str(), stderr);
  std::string path = EnvironmentValue("GAME_LOG");
  if (path.empty()) return;
  if (std::FILE* f = std::fopen(path.c_str(), "a")) {
    std::fputs(text.c_str(), f);
    std::fclose(f);
  }
}

}  // namespace Platform
