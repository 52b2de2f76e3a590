// Fuzz target: the headless input-script parser. Any input must parse
// without a crash, and every event kept must carry the arguments its command
// needs.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/Headless.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> errors;
  std::vector<Platform::ScriptEvent> events = Platform::ParseInputScript(text, &errors);
  DWORD last = 0;
  for (const Platform::ScriptEvent& e : events) {
    if (e.time < last) std::abort();  // ordered by time
    last = e.time;
    if (e.command == "move" && e.numbers.size() != 2) std::abort();
    if (e.command == "workarea" && e.numbers.size() != 4) std::abort();
    if (e.command == "raw" && e.numbers.size() != 3) std::abort();
  }
  return 0;
}
