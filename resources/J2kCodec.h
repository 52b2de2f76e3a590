// JPEG-2000 decoder library: a small handle-based decoding interface whose
// entry points are reached through a lookup table by name, the way a
// run-time loaded library is used. Backed by libopenjp2.
//
// Reads JP2 files (signature box) and raw codestreams (FF 4F FF 51) through
// caller-supplied seek/read/close callbacks. Decodes 1 (grey), 3 (RGB) or
// 4 (RGBA) components of equal size to 0xAARRGGBB words; other precisions are
// scaled to 8 bits. Anything else, and images beyond ImageLib's size limits,
// give an error result; the last error code and its text are kept per thread.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace Kivo {
namespace J2kCodec {

// The file callbacks: seek is absolute from the start of the file and
// returns 0 on success; read returns the count of bytes read.
struct FileCallbacks {
  int (*seek)(void* file, int offset);
  int (*read)(void* buffer, int size, void* file);
  void (*close)(void* file);
};

struct Decoder;  // an open file being decoded

// Result codes (0 is success).
enum ErrorCode : int {
  kOk = 0,
  kErrorUnknownFormat = 1,
  kErrorBadArgument = 2,
  kErrorHeader = 3,
  kErrorDecode = 4,
  kErrorUnsupported = 5,
  kErrorTooLarge = 6,
  kErrorBufferTooSmall = 7,
  kErrorOpenFile = 8,
};

// The library version reported by the standard table (above 0x11FFFF).
constexpr int kVersion = 0x200000;

// The nine calls.
int GetVersion();
Decoder* OpenCustom(void* file, const FileCallbacks* callbacks);
Decoder* OpenFile(const char* path);
void Close(Decoder* decoder);
int GetInfo(Decoder* decoder, int* width, int* height, int* components);
int GetResolutionDimensions(Decoder* decoder, int resolution, int* width, int* height);
// Decodes into *buffer (*size bytes, rows *pitch bytes apart); options must
// be "bpp=4,rl=0".
int Decode(Decoder* decoder, unsigned char** buffer, int* size, const char* options, int* pitch);
int GetLastError();
const char* GetErrorStr(int code);

// Entry point names, as a caller looks them up.
extern const char* const kEntryNames[9];

using AnyFunction = void (*)();

// The library's export table. Tests build altered copies (an entry missing,
// an old version) to check how callers cope.
class Table {
 public:
  // The table of the functions above.
  static std::shared_ptr<Table> Standard();

  // The entry of that name, or null. Counts every call.
  AnyFunction Find(const std::string& name) const;
  void Remove(const std::string& name);
  void Set(const std::string& name, AnyFunction function);
  int LookupCount() const { return mLookups.load(); }

 private:
  std::vector<std::pair<std::string, AnyFunction>> mEntries;
  mutable std::atomic<int> mLookups{0};
};

}  // namespace J2kCodec
}  // namespace Kivo
