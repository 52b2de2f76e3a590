// Arbitrary bytes as a linker map file, resolved against a report holding
// addresses, colons near both ends and register lines; and, split at the
// first NUL, as a report of their own against the rest as the map. Nothing
// may crash or read outside either text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "diagnostics/CrashReporter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);

  std::string report =
      "0001:Logical Address: 0001:00000100\r\n00001000  00002000  0002:00000040 game\r\n"
      "Flags:00000246\r\nTime Loaded: 12:34:56\r\n0001:0000";
  report.shrink_to_fit();
  Kivo::CrashReporter::ResolveWithMapText(report, input);

  size_t split = input.find('\0');
  if (split != std::string::npos) {
    std::string own = input.substr(0, split);
    own.shrink_to_fit();
    Kivo::CrashReporter::ResolveWithMapText(own, input.substr(split + 1));
  }
  return 0;
}
