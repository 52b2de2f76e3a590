// Reads arbitrary bytes as a resource manifest (no loading): every input must
// end with a result and, on failure, an error text.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "resources/PakInterface.h"
#include "resources/manifest/ResourceManager.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (Kivo::gPakInterface == nullptr) return 0;
  Kivo::gPakInterface->AddMemoryFile("fuzz/data.xml", std::vector<uint8_t>(data, data + size));
  Kivo::ResourceManager manager(nullptr);
  bool ok = manager.ReadManifest("fuzz/data.xml");
  if (!ok && manager.ErrorText().empty()) __builtin_trap();
  // Counting walks every record the reader registered.
  (void)manager.CountInGroup("", manager.Images());
  (void)manager.CountSoundsInGroup("");
  return 0;
}
