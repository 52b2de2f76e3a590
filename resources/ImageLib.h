// ImageLib: image file readers and writers.
//
// Turns PNG, JPEG, GIF (first image), uncompressed 32-bit TGA and JPEG-2000
// files into straight-alpha 0xAARRGGBB pixels, row by row without gaps, top
// row first. `LoadImageFile` accepts a name with or without an extension,
// tries the formats in a fixed order and can merge a separate alpha image
// found by naming rules. Every reader opens its file through the file API, so
// files may come from the archive. The writers store PNG (8 bits per channel
// with alpha) and JPEG (RGB, quality 80) as plain files.
//
// Limits: images wider or taller than 16,384 pixels, or larger than 2^26
// pixels, are refused before any pixel memory is taken. Only the first image
// of a GIF is read; TGA files must be 32-bit with a top-left origin.
//
// Failure: every reader returns null on any failure (missing file, wrong
// signature, unsupported layout, library error) and reports nothing to the
// user; a file that ends early still gives an image where the format allows
// it, with the missing pixels 0. The writers return false.
//
// Threads: readers may run on several threads at once. The alpha-only fill
// colour is a per-thread value; the JPEG-2000 codec table is the only shared
// state and is guarded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Kivo {
namespace J2kCodec {
class Table;
}
namespace ImageLib {

// Decoded pixels: width x height words 0xAARRGGBB, row-major, top row first.
class Image {
 public:
  Image() = default;
  Image(int32_t w, int32_t h) : width(w), height(h), pixels(size_t(w) * size_t(h), 0u) {}
  virtual ~Image() = default;

  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint32_t> pixels;
};

using ImagePtr = std::unique_ptr<Image>;

// Largest side and pixel count any reader accepts.
constexpr int64_t kMaxImageSide = 16384;
constexpr int64_t kMaxImagePixels = int64_t(1) << 26;

// True when a width x height image may be allocated (both sides positive and
// within the limits above); computed in 64 bits so no product wraps.
bool ImageSizeAllowed(int64_t width, int64_t height);

// A readable, seekable byte stream the decoders work on.
class ImageInput {
 public:
  virtual ~ImageInput() = default;
  // Reads up to `size` bytes; returns how many came (0 at the end).
  virtual size_t Read(void* buffer, size_t size) = 0;
  // Moves to an absolute offset from the start; false when that fails.
  virtual bool Seek(int64_t offset) = 0;
};

// An input over bytes in memory (not copied; they must outlive the input).
class MemoryImageInput : public ImageInput {
 public:
  MemoryImageInput(const void* data, size_t size) : mData(static_cast<const uint8_t*>(data)), mSize(size) {}
  size_t Read(void* buffer, size_t size) override;
  bool Seek(int64_t offset) override;

 private:
  const uint8_t* mData;
  size_t mSize;
  size_t mPos = 0;
};

// Opens the named file for the readers. The default opens through the file
// API (so the archive is searched first); tests count or redirect opens.
class ImageFileOpener {
 public:
  virtual ~ImageFileOpener() = default;
  // Null when the file cannot be opened.
  virtual std::unique_ptr<ImageInput> Open(const std::string& name) = 0;
};

// The opener over the file API.
ImageFileOpener& FileApiOpener();

// --- Loading -------------------------------------------------------------

// Loads `name`, with or without an extension: without one, ".tga", ".jpg",
// ".png", ".gif", ".j2k", ".jp2" are tried in that order; with one, only the
// reader of that extension (compared without regard to case). With
// `lookForAlpha`, a separate alpha image is looked for as "dir/_name",
// "name_" and "nam_" and merged (its blue byte becomes the alpha); an alpha
// image alone gives an image of the calling thread's alpha-only fill colour.
ImagePtr LoadImageFile(const std::string& name, bool lookForAlpha);
// The extensions whose readers LoadImageFile tries for `name`, in order:
// all of them without an extension, the one matching it otherwise (none for
// an extension no reader takes).
std::vector<std::string> ExtensionsTriedFor(const std::string& name);
ImagePtr LoadImageFile(const std::string& name, bool lookForAlpha, ImageFileOpener& opener);

// The colour (0xRRGGBB) given to an image made from an alpha image alone.
// Per thread; 0xFFFFFF until set.
uint32_t GetAlphaOnlyFillColor();
void SetAlphaOnlyFillColor(uint32_t rgb);

// Sets the calling thread's alpha-only fill colour for one scope.
class ScopedAlphaOnlyFillColor {
 public:
  explicit ScopedAlphaOnlyFillColor(uint32_t rgb) : mSaved(GetAlphaOnlyFillColor()) { SetAlphaOnlyFillColor(rgb); }
  ~ScopedAlphaOnlyFillColor() { SetAlphaOnlyFillColor(mSaved); }
  ScopedAlphaOnlyFillColor(const ScopedAlphaOnlyFillColor&) = delete;
  ScopedAlphaOnlyFillColor& operator=(const ScopedAlphaOnlyFillColor&) = delete;

 private:
  uint32_t mSaved;
};

// Single-format readers by file name (opened through the file API).
ImagePtr ReadTgaImage(const std::string& name);
ImagePtr ReadJpegImage(const std::string& name);
ImagePtr ReadPngImage(const std::string& name);
ImagePtr ReadGifImage(const std::string& name);
ImagePtr ReadJ2kImage(const std::string& name);

// The same decoders over any input.
ImagePtr DecodeTgaImage(ImageInput& in);
ImagePtr DecodeJpegImage(ImageInput& in);
ImagePtr DecodePngImage(ImageInput& in);
ImagePtr DecodeGifImage(ImageInput& in);
ImagePtr DecodeJ2kImage(ImageInput& in);

// Plain reference decoders the fast paths are checked against: JPEG through
// the library's RGB output and a per-pixel packing loop; PNG through the
// library's simplified whole-image read.
ImagePtr DecodeJpegImageReference(ImageInput& in);
ImagePtr DecodePngImageReference(ImageInput& in);

// Makes the JPEG-2000 codec available to ReadJ2kImage / drops it. Without a
// loaded codec the JPEG-2000 readers give null.
void LoadJ2kCodec();
void FreeJ2kCodec();
// Makes the given codec table available instead of the standard one. Its
// entry points are looked up on the first JPEG-2000 read; a missing entry or
// a version of 0x11FFFF or lower drops the table (no second look-up).
void LoadJ2kCodec(std::shared_ptr<J2kCodec::Table> table);

// --- Writing ---------------------------------------------------------------

// PNG, 8 bits per channel, colour type RGBA, no interlace, sBIT 8,8,8,8.
// False when the file cannot be created or the library fails; a partly
// written file may stay.
bool WritePngImage(const std::string& name, const Image& image);
// RGB JPEG of quality 80 (alpha dropped). False on failure as above.
bool WriteJpegImage(const std::string& name, const Image& image);

}  // namespace ImageLib
}  // namespace Kivo
