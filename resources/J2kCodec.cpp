// JPEG-2000 decoder library over libopenjp2: the nine calls and their table.
#include "resources/J2kCodec.h"

#include "resources/ImageLib.h"

#include <openjpeg.h>

#include <cstdio>
#include <cstring>

namespace Kivo {
namespace J2kCodec {

struct Decoder {
  void* file = nullptr;
  FileCallbacks callbacks{};
  int64_t position = 0;   // where the callbacks' file stands
  bool failed = false;    // a callback failed; the stream is unusable
  bool ownsFile = false;  // OpenFile: the decoder closes the FILE
  opj_codec_t* codec = nullptr;
  opj_stream_t* stream = nullptr;
  opj_image_t* image = nullptr;
  bool headerRead = false;
  bool decoded = false;
};

namespace {

thread_local int tLastError = kOk;

int Fail(int code) {
  tLastError = code;
  return code;
}

const unsigned char kJp2Signature[12] = {0x00, 0x00, 0x00, 0x0C, 0x6A, 0x50, 0x20, 0x20, 0x0D, 0x0A, 0x87, 0x0A};
const unsigned char kCodestreamStart[4] = {0xFF, 0x4F, 0xFF, 0x51};

bool SeekTo(Decoder& d, int64_t offset) {
  if (offset < 0 || offset > 0x7FFFFFFF || d.callbacks.seek(d.file, int(offset)) != 0) {
    d.failed = true;
    return false;
  }
  d.position = offset;
  return true;
}

OPJ_SIZE_T StreamRead(void* buffer, OPJ_SIZE_T size, void* user) {
  auto& d = *static_cast<Decoder*>(user);
  if (d.failed) return OPJ_SIZE_T(-1);
  OPJ_SIZE_T total = 0;
  auto* out = static_cast<unsigned char*>(buffer);
  while (total < size) {
    OPJ_SIZE_T want = size - total;
    int chunk = want > (1u << 20) ? (1 << 20) : int(want);
    int got = d.callbacks.read(out + total, chunk, d.file);
    if (got <= 0) break;
    total += OPJ_SIZE_T(got);
    if (got < chunk) break;
  }
  d.position += int64_t(total);
  return total == 0 ? OPJ_SIZE_T(-1) : total;
}

OPJ_OFF_T StreamSkip(OPJ_OFF_T count, void* user) {
  auto& d = *static_cast<Decoder*>(user);
  if (d.failed || !SeekTo(d, d.position + count)) return -1;
  return count;
}

OPJ_BOOL StreamSeek(OPJ_OFF_T offset, void* user) {
  auto& d = *static_cast<Decoder*>(user);
  return !d.failed && SeekTo(d, offset) ? OPJ_TRUE : OPJ_FALSE;
}

void QuietMessage(const char*, void*) {}

bool HasByteAt(Decoder& d, int64_t offset) {
  unsigned char byte;
  return d.callbacks.seek(d.file, int(offset)) == 0 && d.callbacks.read(&byte, 1, d.file) == 1;
}

// The callbacks cannot tell the file's size, but the decoder must know it
// (it checks marker lengths against what is left). Seeking past the end
// succeeds and reading there gives nothing, so the size is found by a
// doubling and then halving search: some 60 one-byte reads.
int64_t MeasureLength(Decoder& d) {
  const int64_t kLimit = int64_t(1) << 31;
  if (!HasByteAt(d, 0)) return 0;
  int64_t lo = 1, hi = 2;  // a byte at lo - 1, length below hi once hi fails
  while (HasByteAt(d, hi - 1)) {
    lo = hi;
    if (hi >= kLimit) return kLimit - 1;
    hi *= 2;
    if (hi > kLimit) hi = kLimit;
  }
  while (hi - lo > 1) {
    int64_t mid = lo + (hi - lo) / 2;
    if (HasByteAt(d, mid - 1))
      lo = mid;
    else
      hi = mid;
  }
  return lo;
}

bool ReadHeader(Decoder& d) {
  if (d.headerRead) return d.image != nullptr;
  d.headerRead = true;
  if (!opj_read_header(d.stream, d.codec, &d.image)) {
    d.image = nullptr;
    return false;
  }
  return true;
}

// Scales one component sample to 8 bits.
inline uint32_t ToByte(int value, const opj_image_comp_t& comp) {
  int64_t v = value;
  if (comp.sgnd) v += int64_t(1) << (comp.prec - 1);
  int64_t max = (int64_t(1) << comp.prec) - 1;
  if (v < 0) v = 0;
  if (v > max) v = max;
  if (comp.prec == 8) return uint32_t(v);
  return uint32_t((v * 255 + max / 2) / max);
}

int FileSeek(void* file, int offset) { return std::fseek(static_cast<FILE*>(file), offset, SEEK_SET); }
int FileRead(void* buffer, int size, void* file) {
  return int(std::fread(buffer, 1, size_t(size), static_cast<FILE*>(file)));
}
void FileClose(void*) {}
const FileCallbacks kStdioCallbacks = {FileSeek, FileRead, FileClose};

}  // namespace

const char* const kEntryNames[9] = {
    "_J2K_getVersion@0", "_J2K_OpenCustom@8",   "_J2K_OpenFile@4",
    "_J2K_Close@4",      "_J2K_GetInfo@16",     "_J2K_GetResolutionDimensions@16",
    "_J2K_Decode@20",    "_J2K_getLastError@0", "_J2K_getErrorStr@4",
};

int GetVersion() { return kVersion; }

Decoder* OpenCustom(void* file, const FileCallbacks* callbacks) {
  if (!callbacks || !callbacks->seek || !callbacks->read || !callbacks->close) {
    Fail(kErrorBadArgument);
    return nullptr;
  }
  auto d = std::make_unique<Decoder>();
  d->file = file;
  d->callbacks = *callbacks;

  unsigned char head[12] = {};
  if (!SeekTo(*d, 0)) {
    Fail(kErrorUnknownFormat);
    return nullptr;
  }
  int got = callbacks->read(head, int(sizeof head), file);
  OPJ_CODEC_FORMAT format;
  if (got >= 12 && std::memcmp(head, kJp2Signature, 12) == 0) {
    format = OPJ_CODEC_JP2;
  } else if (got >= 4 && std::memcmp(head, kCodestreamStart, 4) == 0) {
    format = OPJ_CODEC_J2K;
  } else {
    Fail(kErrorUnknownFormat);
    return nullptr;
  }
  int64_t length = MeasureLength(*d);
  if (!SeekTo(*d, 0)) {
    Fail(kErrorUnknownFormat);
    return nullptr;
  }

  d->codec = opj_create_decompress(format);
  if (!d->codec) {
    Fail(kErrorDecode);
    return nullptr;
  }
  opj_set_info_handler(d->codec, QuietMessage, nullptr);
  opj_set_warning_handler(d->codec, QuietMessage, nullptr);
  opj_set_error_handler(d->codec, QuietMessage, nullptr);
  opj_dparameters_t parameters;
  opj_set_default_decoder_parameters(&parameters);
  if (!opj_setup_decoder(d->codec, &parameters)) {
    opj_destroy_codec(d->codec);
    Fail(kErrorDecode);
    return nullptr;
  }
  d->stream = opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, OPJ_TRUE);
  if (!d->stream) {
    opj_destroy_codec(d->codec);
    Fail(kErrorDecode);
    return nullptr;
  }
  opj_stream_set_user_data(d->stream, d.get(), nullptr);
  opj_stream_set_user_data_length(d->stream, OPJ_UINT64(length));
  opj_stream_set_read_function(d->stream, StreamRead);
  opj_stream_set_skip_function(d->stream, StreamSkip);
  opj_stream_set_seek_function(d->stream, StreamSeek);
  tLastError = kOk;
  return d.release();
}

Decoder* OpenFile(const char* path) {
  FILE* file = path ? std::fopen(path, "rb") : nullptr;
  if (!file) {
    Fail(kErrorOpenFile);
    return nullptr;
  }
  Decoder* d = OpenCustom(file, &kStdioCallbacks);
  if (!d) {
    std::fclose(file);
    return nullptr;
  }
  d->ownsFile = true;
  return d;
}

void Close(Decoder* d) {
  if (!d) return;
  if (d->image) opj_image_destroy(d->image);
  if (d->stream) opj_stream_destroy(d->stream);
  if (d->codec) opj_destroy_codec(d->codec);
  d->callbacks.close(d->file);
  if (d->ownsFile) std::fclose(static_cast<FILE*>(d->file));
  delete d;
}

int GetInfo(Decoder* d, int* width, int* height, int* components) {
  if (!d || !width || !height || !components) return Fail(kErrorBadArgument);
  if (!ReadHeader(*d)) return Fail(kErrorHeader);
  *width = int(d->image->x1 - d->image->x0);
  *height = int(d->image->y1 - d->image->y0);
  *components = int(d->image->numcomps);
  return kOk;
}

int GetResolutionDimensions(Decoder* d, int resolution, int* width, int* height) {
  if (!d || !width || !height || resolution < 0) return Fail(kErrorBadArgument);
  if (!ReadHeader(*d)) return Fail(kErrorHeader);
  int64_t w = int64_t(d->image->x1) - d->image->x0;
  int64_t h = int64_t(d->image->y1) - d->image->y0;
  if (resolution > 30) return Fail(kErrorBadArgument);
  // Each lower resolution halves the size, rounding up.
  *width = int((w + (int64_t(1) << resolution) - 1) >> resolution);
  *height = int((h + (int64_t(1) << resolution) - 1) >> resolution);
  return kOk;
}

int Decode(Decoder* d, unsigned char** buffer, int* size, const char* options, int* pitch) {
  if (!d || !buffer || !*buffer || !size || !pitch || !options) return Fail(kErrorBadArgument);
  if (std::strcmp(options, "bpp=4,rl=0") != 0) return Fail(kErrorUnsupported);
  if (!ReadHeader(*d)) return Fail(kErrorHeader);
  if (d->decoded) return Fail(kErrorBadArgument);

  opj_image_t& image = *d->image;
  const int64_t width = int64_t(image.x1) - image.x0;
  const int64_t height = int64_t(image.y1) - image.y0;
  if (!ImageLib::ImageSizeAllowed(width, height)) return Fail(kErrorTooLarge);
  const int count = int(image.numcomps);
  if (count != 1 && count != 3 && count != 4) return Fail(kErrorUnsupported);
  for (int c = 0; c < count; ++c) {
    const opj_image_comp_t& comp = image.comps[c];
    if (comp.dx != 1 || comp.dy != 1 || comp.prec < 1 || comp.prec > 31) return Fail(kErrorUnsupported);
    if (int64_t(comp.w) != width || int64_t(comp.h) != height) return Fail(kErrorUnsupported);
  }
  if (int64_t(*pitch) < width * 4) return Fail(kErrorBufferTooSmall);
  if (int64_t(*size) < int64_t(*pitch) * (height - 1) + width * 4) return Fail(kErrorBufferTooSmall);

  d->decoded = true;
  if (!opj_decode(d->codec, d->stream, d->image) || !opj_end_decompress(d->codec, d->stream)) return Fail(kErrorDecode);

  // Sizes are checked again after decoding: they are what the data arrays hold.
  for (int c = 0; c < count; ++c) {
    const opj_image_comp_t& comp = image.comps[c];
    if (!comp.data || int64_t(comp.w) != width || int64_t(comp.h) != height) return Fail(kErrorUnsupported);
  }

  const opj_image_comp_t* comps = image.comps;
  for (int64_t y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(*buffer + y * int64_t(*pitch));
    const size_t base = size_t(y * width);
    for (int64_t x = 0; x < width; ++x) {
      const size_t i = base + size_t(x);
      uint32_t argb;
      if (count == 1) {
        uint32_t g = ToByte(comps[0].data[i], comps[0]);
        argb = 0xFF000000u | g << 16 | g << 8 | g;
      } else {
        uint32_t r = ToByte(comps[0].data[i], comps[0]);
        uint32_t g = ToByte(comps[1].data[i], comps[1]);
        uint32_t b = ToByte(comps[2].data[i], comps[2]);
        uint32_t a = count == 4 ? ToByte(comps[3].data[i], comps[3]) : 255u;
        argb = a << 24 | r << 16 | g << 8 | b;
      }
      row[x] = argb;
    }
  }
  tLastError = kOk;
  return kOk;
}

int GetLastError() { return tLastError; }

const char* GetErrorStr(int code) {
  switch (code) {
    case kOk: return "No error";
    case kErrorUnknownFormat: return "Not a JPEG-2000 file";
    case kErrorBadArgument: return "Bad argument";
    case kErrorHeader: return "Cannot read the image header";
    case kErrorDecode: return "Cannot decode the image data";
    case kErrorUnsupported: return "Unsupported image layout or options";
    case kErrorTooLarge: return "Image too large";
    case kErrorBufferTooSmall: return "Output buffer too small";
    case kErrorOpenFile: return "Cannot open the file";
    default: return "Unknown error";
  }
}

std::shared_ptr<Table> Table::Standard() {
  auto table = std::make_shared<Table>();
  AnyFunction functions[9] = {
      reinterpret_cast<AnyFunction>(&GetVersion),  reinterpret_cast<AnyFunction>(&OpenCustom),
      reinterpret_cast<AnyFunction>(&OpenFile),    reinterpret_cast<AnyFunction>(&Close),
      reinterpret_cast<AnyFunction>(&GetInfo),     reinterpret_cast<AnyFunction>(&GetResolutionDimensions),
      reinterpret_cast<AnyFunction>(&Decode),      reinterpret_cast<AnyFunction>(&GetLastError),
      reinterpret_cast<AnyFunction>(&GetErrorStr),
  };
  for (int i = 0; i < 9; ++i) table->mEntries.emplace_back(kEntryNames[i], functions[i]);
  return table;
}

AnyFunction Table::Find(const std::string& name) const {
  ++mLookups;
  for (const auto& entry : mEntries)
    if (entry.first == name) return entry.second;
  return nullptr;
}

void Table::Remove(const std::string& name) {
  for (auto it = mEntries.begin(); it != mEntries.end(); ++it) {
    if (it->first == name) {
      mEntries.erase(it);
      return;
    }
  }
}

void Table::Set(const std::string& name, AnyFunction function) {
  for (auto& entry : mEntries) {
    if (entry.first == name) {
      entry.second = function;
      return;
    }
  }
  mEntries.emplace_back(name, function);
}

}  // namespace J2kCodec
}  // namespace Kivo
