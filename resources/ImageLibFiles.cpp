// ImageLib's files: reads through the file API, writes as plain files.
#include "resources/ImageLibFiles.h"

#include <climits>

#include "platform/Files.h"
#include "resources/FileApi.h"

namespace Kivo {
namespace ImageLib {

namespace {

// An input over a file-API handle, which it closes.
class FileApiInput : public ImageInput {
 public:
  explicit FileApiInput(PakFile* file) : mFile(file) {}
  ~FileApiInput() override { PakClose(mFile); }
  FileApiInput(const FileApiInput&) = delete;
  FileApiInput& operator=(const FileApiInput&) = delete;

  size_t Read(void* buffer, size_t size) override { return PakRead(buffer, 1, size, mFile); }
  bool Seek(int64_t offset) override {
    return offset >= 0 && offset <= LONG_MAX && PakSeek(mFile, long(offset), SEEK_SET) == 0;
  }

 private:
  PakFile* mFile;
};

}  // namespace

std::unique_ptr<ImageInput> OpenFileApiInput(const std::string& name) {
  PakFile* file = PakOpen(name, "rb");
  if (!file) return nullptr;
  return std::make_unique<FileApiInput>(file);
}

// The platform applies the game's path rules (either separator, case-insensitive
// lookup of existing folders), so a name that loads also saves next to it.
FILE* OpenPlainFileForWriting(const std::string& name) { return Platform::OpenFile(name, "wb"); }

}  // namespace ImageLib
}  // namespace Kivo
