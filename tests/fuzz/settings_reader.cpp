// Fuzz target: fixed settings queries over the input as a settings file,
// with a short and a long value limit.
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/SettingsFile.h"
#include "shell/base/StringUtils.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* bytes = reinterpret_cast<const char*>(data);
  static const char* const kQueries[][2] = {
      {"main", "code_page"}, {"music_levels", "1_1"}, {"music_levels", "40_4"}, {"", ""}, {"a b", "k"}};
  for (const auto& query : kQueries) {
    for (std::size_t limit : {std::size_t{10}, std::size_t{64}, std::size_t{1} << 20}) {
      std::string value;
      int code = Kivo::IniFindValue(bytes, size, query[0], query[1], limit, value);
      if (code == Kivo::kIniFound) Kivo::LeadingInt(value.c_str());
    }
  }
  return 0;
}
