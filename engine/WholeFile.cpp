#include "engine/WholeFile.h"

#include "platform/Files.h"

namespace Kivo {

bool LoadWholeFile(WholeFile& file) {
  file.bytes.clear();
  file.bytes.shrink_to_fit();
  std::FILE* stream = Platform::OpenFile(file.name, "rb");
  if (stream == nullptr) return false;
  bool ok = false;
  if (std::fseek(stream, 0, SEEK_END) == 0) {
    long length = std::ftell(stream);
    if (length > 0 && static_cast<unsigned long>(length) <= kMaxWholeFileBytes &&
        std::fseek(stream, 0, SEEK_SET) == 0) {
      file.bytes.resize(static_cast<std::size_t>(length));
      ok = std::fread(file.bytes.data(), 1, file.bytes.size(), stream) == file.bytes.size();
    }
  }
  std::fclose(stream);
  if (!ok) FreeWholeFile(file);
  return ok;
}

void FreeWholeFile(WholeFile& file) {
  file.bytes.clear();
  file.bytes.shrink_to_fit();
}

std::FILE* OpenDataFile(const std::string& name, int mode) {
  if (mode == 1) return Platform::OpenFile(name, "rb");
  if (mode == 2) return Platform::OpenFile(name, "wb");
  return nullptr;
}

void CloseDataFile(std::FILE* file) {
  if (file != nullptr) std::fclose(file);
}

bool WriteDataFile(std::FILE* file, const void* data, std::size_t size, std::size_t count) {
  if (file == nullptr) return false;
  if (size == 0 || count == 0) return true;
  return std::fwrite(data, size, count, file) == count;
}

}  // namespace Kivo
