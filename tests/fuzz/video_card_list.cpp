// Adapter lists of the 3D capability test: any bytes as "vhw.dat" and
// "vhwb.dat" in a scratch folder, judged against a fixed description.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "display/D3DCapabilityTester.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A scratch folder of this process, removed at exit (a plain array: it
  // outlives every destructor the exit runs).
  static char pattern[] = "/tmp/kivo_card_list_XXXXXX";
  static const std::string folder = [] {
    if (mkdtemp(pattern) == nullptr) std::abort();
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(pattern, ec);
    });
    return std::string(pattern);
  }();
  // The first byte splits the input between the two lists.
  const size_t split = size > 0 ? (data[0] * size) / 256 : 0;
  const std::string allow = folder + "/vhw.dat", deny = folder + "/vhwb.dat";
  for (const auto& part :
       {std::make_pair(deny, std::string(reinterpret_cast<const char*>(data), split)),
        std::make_pair(allow, std::string(reinterpret_cast<const char*>(data) + split, size - split))}) {
    FILE* f = std::fopen(part.first.c_str(), "wb");
    if (f == nullptr) return 0;
    std::fwrite(part.second.data(), 1, part.second.size(), f);
    std::fclose(f);
  }
  Kivo::D3DCapabilityTester tester;
  tester.listFolder = folder;
  tester.IsSupportedCard("NVIDIA GeForce 2 MX");
  tester.IsSupportedCard("");
  return 0;
}
