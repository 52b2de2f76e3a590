// Temporary stdio input until the file API lands.
#include "resources/ImageLibFiles.h"

#include <cstdio>

#include "platform/Files.h"

namespace Kivo {
namespace ImageLib {

namespace {

class StdioInput : public ImageInput {
 public:
  explicit StdioInput(FILE* file) : mFile(file) {}
  ~StdioInput() override { std::fclose(mFile); }
  size_t Read(void* buffer, size_t size) override { return std::fread(buffer, 1, size, mFile); }
  bool Seek(int64_t offset) override { return offset >= 0 && std::fseek(mFile, long(offset), SEEK_SET) == 0; }

 private:
  FILE* mFile;
};

}  // namespace

std::unique_ptr<ImageInput> OpenFileApiInput(const std::string& name) {
  FILE* file = std::fopen(name.c_str(), "rb");
  if (!file) return nullptr;
  return std::make_unique<StdioInput>(file);
}

}  // namespace ImageLib
}  // namespace Kivo

namespace Kivo {
namespace ImageLib {

// The platform applies the game's path rules (either separator, case-insensitive
// lookup of existing folders), so a name that loads also saves next to it.
FILE* OpenPlainFileForWriting(const std::string& name) { return Platform::OpenFile(name, "wb"); }

}  // namespace ImageLib
}  // namespace Kivo
