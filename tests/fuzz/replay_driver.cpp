// Replays saved fuzz inputs (seed corpus and crash regressions) through a
// fuzz target's entry point, so the ordinary sanitizer build checks them even
// where clang's libFuzzer is not available. Arguments: folders or files.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

static void RunFile(const std::filesystem::path& path, int& count) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  ++count;
}

int main(int argc, char** argv) {
  int count = 0;
  // The empty input is always worth one run.
  LLVMFuzzerTestOneInput(nullptr, 0);
  for (int i = 1; i < argc; ++i) {
    std::filesystem::path p(argv[i]);
    std::error_code ec;
    if (std::filesystem::is_directory(p, ec)) {
      for (const auto& entry : std::filesystem::recursive_directory_iterator(p, ec))
        if (entry.is_regular_file()) RunFile(entry.path(), count);
    } else if (std::filesystem::is_regular_file(p, ec)) {
      RunFile(p, count);
    }
  }
  std::printf("replayed %d inputs\n", count);
  return 0;
}
