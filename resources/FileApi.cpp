// The file API: each call goes to the published archive object when there is
// one, else to the platform's file functions.
#include "resources/FileApi.h"

#include <atomic>
#include <cstdio>

#include "platform/Files.h"

namespace Kivo {

namespace {

// Constant-initialised, so calls made by other static initialisers before the
// archive object exists see null and use the file system.
std::atomic<PakInterface*> sSharedPak{nullptr};

}  // namespace

PakInterface* GetSharedPakInterface() { return sSharedPak.load(std::memory_order_acquire); }

bool PublishSharedPakInterface(PakInterface* pak) {
  PakInterface* expected = nullptr;
  return sSharedPak.compare_exchange_strong(expected, pak, std::memory_order_acq_rel) || expected == pak;
}

void WithdrawSharedPakInterface(PakInterface* pak) {
  PakInterface* expected = pak;
  sSharedPak.compare_exchange_strong(expected, nullptr, std::memory_order_acq_rel);
}

PakFile* PakOpen(const std::string& name, const std::string& mode) {
  if (PakInterface* pak = GetSharedPakInterface()) return pak->Open(name, mode);
  std::FILE* stream = Platform::OpenFile(name, mode.c_str());
  if (!stream) return nullptr;
  return new PakFile{nullptr, 0, stream};
}

int PakClose(PakFile* file) {
  if (PakInterface* pak = GetSharedPakInterface()) return pak->Close(file);
  if (!file) return EOF;
  int result = file->file ? std::fclose(file->file) : EOF;
  delete file;
  return result;
}

int PakSeek(PakFile* file, long offset, int origin) {
  if (PakInterface* pak = GetSharedPakInterface()) return pak->Seek(file, offset, origin);
  return (file && file->file) ? std::fseek(file->file, offset, origin) : -1;
}

long PakTell(PakFile* file) {
  if (PakInterface* pak = GetSharedPakInterface()) return pak->Tell(file);
  return (file && file->file) ? std::ftell(file->file) : -1;
}

std::size_t PakRead(void* buffer, std::size_t elementSize, std::size_t count, PakFile* file) {
  if (PakInterface* pak = GetSharedPakInterface()) return pak->Read(buffer, elementSize, count, file);
  if (!file || !file->file || !buffer) return 0;
  return std::fread(buffer, elementSize, count, file->file);
}

int PakGetc(PakFile* file) {
  if (PakInterface* pak = GetSharedPakInterface()) return pak->GetChar(file);
  return (file && file->file) ? std::fgetc(file->file) : EOF;
}

int PakUngetc(int c, PakFile* file) {
  if (PakInterface* pak = GetSharedPakInterface()) return pak->UngetChar(c, file);
  return (file && file->file) ? std::ungetc(c, file->file) : EOF;
}

int PakEof(PakFile* file) {
  if (PakInterface* pak = GetSharedPakInterface()) return pak->AtEnd(file);
  return (file && file->file) ? std::feof(file->file) : 1;
}

}  // namespace Kivo
