// Name resolution, alpha-image merging and the file-API input of ImageLib.
// The format decoders live in ImageLibPng.cpp, ImageLibJpeg.cpp, GifReader.cpp,
// TgaReader.cpp and ImageLibJ2k.cpp; the writers in ImageLibWrite.cpp.
#include "resources/ImageLib.h"

#include "resources/ImageLibFiles.h"

#include <cstring>

namespace Kivo {
namespace ImageLib {

bool ImageSizeAllowed(int64_t width, int64_t height) {
  if (width <= 0 || height <= 0) return false;
  if (width > kMaxImageSide || height > kMaxImageSide) return false;
  return width * height <= kMaxImagePixels;
}

size_t MemoryImageInput::Read(void* buffer, size_t size) {
  size_t left = mSize - mPos;
  size_t n = size < left ? size : left;
  if (n > 0) {
    std::memcpy(buffer, mData + mPos, n);
    mPos += n;
  }
  return n;
}

bool MemoryImageInput::Seek(int64_t offset) {
  if (offset < 0 || uint64_t(offset) > mSize) return false;
  mPos = size_t(offset);
  return true;
}

namespace {

class FileApiOpenerImpl : public ImageFileOpener {
 public:
  std::unique_ptr<ImageInput> Open(const std::string& name) override { return OpenFileApiInput(name); }
};

// The alpha-only fill colour belongs to the thread that loads: the loading
// thread and the main thread load at the same time with different colours.
thread_local uint32_t tAlphaOnlyFillColor = 0xFFFFFF;

using Decoder = ImagePtr (*)(ImageInput&);

struct FormatEntry {
  const char* extension;
  Decoder decode;
};

// The order in which an extensionless name tries the formats.
const FormatEntry kFormats[] = {
    {".tga", DecodeTgaImage}, {".jpg", DecodeJpegImage}, {".png", DecodePngImage},
    {".gif", DecodeGifImage}, {".j2k", DecodeJ2kImage},  {".jp2", DecodeJ2kImage},
};

bool EqualsIgnoringCase(const std::string& a, const char* b) {
  size_t n = std::strlen(b);
  if (a.size() != n) return false;
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

ImagePtr DecodeNamed(const std::string& fileName, Decoder decode, ImageFileOpener& opener) {
  std::unique_ptr<ImageInput> in = opener.Open(fileName);
  if (!in) return nullptr;
  return decode(*in);
}

// Splits "dir/name.ext" into its base and its extension (with the dot). The
// extension starts at the last '.', but only when that dot lies after the
// last folder separator: "data.v2/ball" has no extension.
void SplitExtension(const std::string& name, std::string* base, std::string* extension) {
  size_t dot = name.rfind('.');
  size_t slash = name.find_last_of("\\/");
  bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  *base = hasExtension ? name.substr(0, dot) : name;
  *extension = hasExtension ? name.substr(dot) : std::string();
}

// Loads the colour image alone, without alpha lookups.
ImagePtr LoadPlain(const std::string& name, ImageFileOpener& opener) {
  std::string base, extension;
  SplitExtension(name, &base, &extension);
  for (const FormatEntry& format : kFormats) {
    if (!extension.empty() && !EqualsIgnoringCase(extension, format.extension)) continue;
    ImagePtr image = DecodeNamed(base + format.extension, format.decode, opener);
    if (image) return image;
  }
  return nullptr;
}

ImagePtr FindAlphaImage(const std::string& name, ImageFileOpener& opener) {
  size_t slash = name.find_last_of("\\/");
  size_t restStart = slash == std::string::npos ? 0 : slash + 1;
  std::string candidates[3] = {
      name.substr(0, restStart) + "_" + name.substr(restStart),
      name + "_",
      name.substr(0, name.empty() ? 0 : name.size() - 1) + "_",
  };
  for (const std::string& candidate : candidates) {
    ImagePtr alpha = LoadPlain(candidate, opener);
    if (alpha) return alpha;
  }
  return nullptr;
}

}  // namespace

ImageFileOpener& FileApiOpener() {
  static FileApiOpenerImpl opener;
  return opener;
}

uint32_t GetAlphaOnlyFillColor() { return tAlphaOnlyFillColor; }

void SetAlphaOnlyFillColor(uint32_t rgb) { tAlphaOnlyFillColor = rgb & 0xFFFFFFu; }

std::vector<std::string> ExtensionsTriedFor(const std::string& name) {
  std::string base, extension;
  SplitExtension(name, &base, &extension);
  std::vector<std::string> tried;
  for (const FormatEntry& format : kFormats)
    if (extension.empty() || EqualsIgnoringCase(extension, format.extension)) tried.push_back(format.extension);
  return tried;
}

ImagePtr LoadImageFile(const std::string& name, bool lookForAlpha) {
  return LoadImageFile(name, lookForAlpha, FileApiOpener());
}

ImagePtr LoadImageFile(const std::string& name, bool lookForAlpha, ImageFileOpener& opener) {
  ImagePtr color = LoadPlain(name, opener);
  if (!lookForAlpha) return color;

  // The alpha lookups run even without a colour image: an alpha image alone
  // becomes a single-colour image shaped by its blue channel.
  ImagePtr alpha = FindAlphaImage(name, opener);
  if (!alpha) return color;

  if (color) {
    if (color->width == alpha->width && color->height == alpha->height) {
      uint32_t* dst = color->pixels.data();
      const uint32_t* src = alpha->pixels.data();
      size_t count = color->pixels.size();
      for (size_t i = 0; i < count; ++i) dst[i] = (dst[i] & 0x00FFFFFFu) | (src[i] << 24);
    }
    return color;
  }

  uint32_t fill = GetAlphaOnlyFillColor();
  for (uint32_t& pixel : alpha->pixels) pixel = (pixel << 24) | fill;
  return alpha;
}

ImagePtr ReadTgaImage(const std::string& name) { return DecodeNamed(name, DecodeTgaImage, FileApiOpener()); }
ImagePtr ReadJpegImage(const std::string& name) { return DecodeNamed(name, DecodeJpegImage, FileApiOpener()); }
ImagePtr ReadPngImage(const std::string& name) { return DecodeNamed(name, DecodePngImage, FileApiOpener()); }
ImagePtr ReadGifImage(const std::string& name) { return DecodeNamed(name, DecodeGifImage, FileApiOpener()); }
ImagePtr ReadJ2kImage(const std::string& name) { return DecodeNamed(name, DecodeJ2kImage, FileApiOpener()); }

}  // namespace ImageLib
}  // namespace Kivo
