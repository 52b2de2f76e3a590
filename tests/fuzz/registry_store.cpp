// Fuzz target: the registry store's file parser. Any input must parse
// without a crash, and whatever it keeps must survive a format/parse round
// trip unchanged.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/Registry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<Platform::RegistryValue> values;
  std::vector<std::string> errors;
  Platform::ParseRegistryText(text, &values, &errors);

  std::vector<Platform::RegistryValue> again;
  std::vector<std::string> againErrors;
  Platform::ParseRegistryText(Platform::FormatRegistryText(values), &again, &againErrors);
  if (!againErrors.empty() || again.size() != values.size()) std::abort();
  for (size_t i = 0; i < values.size(); ++i)
    if (again[i].name != values[i].name || again[i].type != values[i].type || again[i].bytes != values[i].bytes)
      std::abort();
  return 0;
}
