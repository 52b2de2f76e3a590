// JPEG-2000 reader over the run-time decoder library: its entry points are
// looked up once, on the first read after the library was loaded, and kept;
// a library that lacks one or is too old is dropped for the rest of the run.
#include "resources/ImageLib.h"

#include "resources/J2kCodec.h"

#include <mutex>

namespace Kivo {
namespace ImageLib {

namespace {

constexpr int kOldestUnusableVersion = 0x11FFFF;

struct J2kEntryPoints {
  int (*getVersion)();
  J2kCodec::Decoder* (*openCustom)(void*, const J2kCodec::FileCallbacks*);
  J2kCodec::Decoder* (*openFile)(const char*);
  void (*close)(J2kCodec::Decoder*);
  int (*getInfo)(J2kCodec::Decoder*, int*, int*, int*);
  int (*getResolutionDimensions)(J2kCodec::Decoder*, int, int*, int*);
  int (*decode)(J2kCodec::Decoder*, unsigned char**, int*, const char*, int*);
  int (*getLastError)();
  const char* (*getErrorStr)(int);
};

// The loaded library and its entry points: the one piece of state the
// readers share, guarded by a mutex.
struct J2kLibraryState {
  std::mutex mutex;
  std::shared_ptr<J2kCodec::Table> table;
  bool resolved = false;
  J2kEntryPoints entries{};
};

J2kLibraryState& LibraryState() {
  static J2kLibraryState state;
  return state;
}

template <typename F>
bool Resolve(const J2kCodec::Table& table, int index, F& out) {
  J2kCodec::AnyFunction f = table.Find(J2kCodec::kEntryNames[index]);
  out = reinterpret_cast<F>(f);
  return f != nullptr;
}

// Returns the entry points, looking them up on first use; false without a
// usable library.
bool AcquireEntryPoints(J2kEntryPoints& out) {
  J2kLibraryState& state = LibraryState();
  std::lock_guard<std::mutex> lock(state.mutex);
  if (!state.table) return false;
  if (!state.resolved) {
    const J2kCodec::Table& t = *state.table;
    J2kEntryPoints e{};
    bool all = Resolve(t, 0, e.getVersion) && Resolve(t, 1, e.openCustom) && Resolve(t, 2, e.openFile) &&
               Resolve(t, 3, e.close) && Resolve(t, 4, e.getInfo) && Resolve(t, 5, e.getResolutionDimensions) &&
               Resolve(t, 6, e.decode) && Resolve(t, 7, e.getLastError) && Resolve(t, 8, e.getErrorStr);
    if (!all || e.getVersion() <= kOldestUnusableVersion) {
      state.table.reset();
      return false;
    }
    state.entries = e;
    state.resolved = true;
  }
  out = state.entries;
  return true;
}

int InputSeek(void* file, int offset) { return static_cast<ImageInput*>(file)->Seek(offset) ? 0 : -1; }
int InputRead(void* buffer, int size, void* file) {
  if (size <= 0) return 0;
  return int(static_cast<ImageInput*>(file)->Read(buffer, size_t(size)));
}
// The input belongs to the caller, which closes it after the read.
void InputClose(void*) {}

}  // namespace

void LoadJ2kCodec() { LoadJ2kCodec(J2kCodec::Table::Standard()); }

void LoadJ2kCodec(std::shared_ptr<J2kCodec::Table> table) {
  J2kLibraryState& state = LibraryState();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.table = std::move(table);
  state.resolved = false;
  state.entries = J2kEntryPoints{};
}

void FreeJ2kCodec() {
  J2kLibraryState& state = LibraryState();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.table.reset();
  state.resolved = false;
  state.entries = J2kEntryPoints{};
}

ImagePtr DecodeJ2kImage(ImageInput& in) {
  J2kEntryPoints j2k;
  if (!AcquireEntryPoints(j2k)) return nullptr;

  static const J2kCodec::FileCallbacks kCallbacks = {InputSeek, InputRead, InputClose};
  J2kCodec::Decoder* decoder = j2k.openCustom(&in, &kCallbacks);
  if (!decoder) {
    j2k.getErrorStr(j2k.getLastError());
    return nullptr;
  }
  int width = 0, height = 0, components = 0;
  if (j2k.getInfo(decoder, &width, &height, &components) != 0 ||
      j2k.getResolutionDimensions(decoder, 0, &width, &height) != 0 || !ImageSizeAllowed(width, height)) {
    j2k.close(decoder);
    return nullptr;
  }
  auto image = std::make_unique<Image>(width, height);
  unsigned char* buffer = reinterpret_cast<unsigned char*>(image->pixels.data());
  int size = width * height * 4;
  int pitch = width * 4;
  int result = j2k.decode(decoder, &buffer, &size, "bpp=4,rl=0", &pitch);
  j2k.close(decoder);
  if (result != 0) return nullptr;
  for (uint32_t& pixel : image->pixels) pixel |= 0xFF000000u;
  return image;
}

}  // namespace ImageLib
}  // namespace Kivo
