// pakpack: packs a folder into an archive the game mounts, or lists one.
//
//   pakpack [--time SECONDS] OUT.pak FOLDER   pack every regular file below FOLDER
//   pakpack --list ARCHIVE.pak                 print name, size and time of each entry
//
// --time stamps every entry with one Unix time instead of the files' own
// modification times, so that packing the same tree twice gives the same bytes.
// Exit code 0 on success, 1 on a refused or failed run (a listing that had to
// leave records out included), 2 on a usage error.
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <exception>
#include <string>
#include <vector>

#include "resources/PakWriter.h"
#include "shell/base/StringUtils.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: pakpack [--time SECONDS] OUT.pak FOLDER\n"
               "       pakpack --list ARCHIVE.pak\n");
  return 2;
}

// "YYYY-MM-DD HH:MM:SS" in UTC for a Windows file time.
std::string FormatFileTime(std::uint64_t fileTime) {
  const std::uint64_t epoch = 116444736000000000ull;
  if (fileTime < epoch) return "-";
  std::time_t seconds = static_cast<std::time_t>((fileTime - epoch) / 10000000ull);
  std::tm utc;
  if (!gmtime_r(&seconds, &utc)) return "-";
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &utc);
  return text;
}

int List(const char* path) {
  std::vector<Kivo::PakListEntry> entries;
  std::vector<std::string> warnings;
  std::string error;
  if (!Kivo::ListPakFile(path, entries, warnings, error)) {
    std::fprintf(stderr, "pakpack: %s: %s\n", path, error.c_str());
    return 1;
  }
  for (const auto& entry : entries)
    std::printf("%s\t%" PRIu32 "\t%s\n", entry.name.c_str(), entry.size, FormatFileTime(entry.fileTime).c_str());
  for (const auto& warning : warnings) std::fprintf(stderr, "pakpack: %s: %s\n", path, warning.c_str());
  // A listing with records left out is not the archive's whole content.
  return warnings.empty() ? 0 : 1;
}

int Run(std::vector<std::string> args) {
  if (args.size() == 2 && args[0] == "--list") return List(args[1].c_str());

  bool fixedTime = false;
  std::int32_t seconds = 0;
  if (args.size() >= 2 && args[0] == "--time") {
    if (!Kivo::ParseInt(args[1], seconds)) {
      std::fprintf(stderr, "pakpack: --time needs a whole number of seconds\n");
      return 2;
    }
    fixedTime = true;
    args.erase(args.begin(), args.begin() + 2);
  }
  if (args.size() != 2) return Usage();

  std::string error;
  if (!Kivo::PackFolder(args[1], args[0], fixedTime, seconds, error)) {
    std::fprintf(stderr, "pakpack: %s\n", error.c_str());
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Run(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "pakpack: %s\n", e.what());
    return 1;
  }
}
