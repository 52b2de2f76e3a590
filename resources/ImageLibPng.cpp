// PNG reader over libpng. The library's transformations deliver every pixel
// as the bytes blue, green, red, alpha, i.e. one little-endian 0xAARRGGBB
// word, so rows are read straight into the image: palette and low-depth grey
// are expanded, transparency becomes alpha, 16-bit channels keep their high
// byte, interlaced files are assembled by the library.
//
// libpng reports errors by longjmp. The functions that call setjmp hold no
// object with a destructor; the caller owns the pixel buffer and frees the
// library structures on every path.
#include "resources/ImageLib.h"

#include <png.h>

#include <csetjmp>
#include <vector>

namespace Kivo {
namespace ImageLib {

namespace {

struct PngReadContext {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ImageInput* in = nullptr;
  png_uint_32 width = 0;
  png_uint_32 height = 0;
  int passes = 1;
};

void PngReadData(png_structp png, png_bytep data, png_size_t length) {
  auto* in = static_cast<ImageInput*>(png_get_io_ptr(png));
  size_t got = 0;
  while (got < length) {
    size_t n = in->Read(data + got, length - got);
    if (n == 0) break;
    got += n;
  }
  if (got != length) png_error(png, "Read Error");
}

// Errors end the read quietly: the caller only sees null.
void PngQuietError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void PngQuietWarning(png_structp, png_const_charp) {}

// Reads the header and sets up the transformations; false on any error or
// when the image is larger than the readers accept.
bool PngReadHeader(PngReadContext& ctx) {
  if (setjmp(png_jmpbuf(ctx.png))) return false;
  png_set_read_fn(ctx.png, ctx.in, PngReadData);
  png_set_user_limits(ctx.png, png_uint_32(kMaxImageSide), png_uint_32(kMaxImageSide));
  // Ancillary chunks (text, profiles, unknown ones) are held whole in memory
  // at the size the file claims; a few damaged bytes must not ask for
  // gigabytes. Pixel data is streamed and not affected.
  png_set_chunk_malloc_max(ctx.png, 8u * 1024u * 1024u);
  png_set_chunk_cache_max(ctx.png, 1000);
  // Chunks we do not read are skipped as they stream past, never buffered:
  // unknown ones, and the known ancillary ones that carry text, profiles or
  // tables the picture does not need (libpng buffers those whole at the
  // length the file claims).
  static const png_byte kSkipped[] = "sPLT\0iCCP\0zTXt\0iTXt\0tEXt\0hIST\0pCAL\0sCAL\0eXIf\0tIME";
  png_set_keep_unknown_chunks(ctx.png, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
  png_set_keep_unknown_chunks(ctx.png, PNG_HANDLE_CHUNK_NEVER, kSkipped, int(sizeof(kSkipped) / 5));
  png_read_info(ctx.png, ctx.info);

  png_uint_32 width = 0, height = 0;
  int bitDepth = 0, colorType = 0, interlace = 0;
  png_get_IHDR(ctx.png, ctx.info, &width, &height, &bitDepth, &colorType, &interlace, nullptr, nullptr);
  if (!ImageSizeAllowed(width, height)) return false;

  png_set_expand(ctx.png);
  png_set_strip_16(ctx.png);
  if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(ctx.png);
  png_set_filler(ctx.png, 0xFF, PNG_FILLER_AFTER);
  png_set_bgr(ctx.png);
  ctx.passes = png_set_interlace_handling(ctx.png);
  png_read_update_info(ctx.png, ctx.info);
  if (png_get_rowbytes(ctx.png, ctx.info) != png_size_t(width) * 4) return false;

  ctx.width = width;
  ctx.height = height;
  return true;
}

bool PngReadRows(PngReadContext& ctx, uint32_t* pixels) {
  if (setjmp(png_jmpbuf(ctx.png))) return false;
  for (int pass = 0; pass < ctx.passes; ++pass)
    for (png_uint_32 y = 0; y < ctx.height; ++y)
      png_read_row(ctx.png, reinterpret_cast<png_bytep>(pixels + size_t(y) * ctx.width), nullptr);
  png_read_end(ctx.png, nullptr);
  return true;
}

bool ReadAll(ImageInput& in, std::vector<uint8_t>& bytes) {
  uint8_t chunk[65536];
  for (;;) {
    size_t n = in.Read(chunk, sizeof chunk);
    if (n == 0) return true;
    // Nothing the readers accept is near this size; stop before hoarding.
    if (bytes.size() + n > (size_t(1) << 30)) return false;
    bytes.insert(bytes.end(), chunk, chunk + n);
  }
}

}  // namespace

ImagePtr DecodePngImage(ImageInput& in) {
  PngReadContext ctx;
  ctx.in = &in;
  ctx.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngQuietError, PngQuietWarning);
  if (!ctx.png) return nullptr;
  ctx.info = png_create_info_struct(ctx.png);
  if (!ctx.info) {
    png_destroy_read_struct(&ctx.png, nullptr, nullptr);
    return nullptr;
  }

  ImagePtr image;
  if (PngReadHeader(ctx)) {
    image = std::make_unique<Image>(int32_t(ctx.width), int32_t(ctx.height));
    if (!PngReadRows(ctx, image->pixels.data())) image.reset();
  }
  png_destroy_read_struct(&ctx.png, &ctx.info, nullptr);
  return image;
}

ImagePtr DecodePngImageReference(ImageInput& in) {
  std::vector<uint8_t> bytes;
  if (!ReadAll(in, bytes)) return nullptr;
  png_image simple{};
  simple.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&simple, bytes.data(), bytes.size())) return nullptr;
  if (!ImageSizeAllowed(simple.width, simple.height)) {
    png_image_free(&simple);
    return nullptr;
  }
  simple.format = PNG_FORMAT_BGRA;
  auto image = std::make_unique<Image>(int32_t(simple.width), int32_t(simple.height));
  if (!png_image_finish_read(&simple, nullptr, image->pixels.data(), 0, nullptr)) {
    png_image_free(&simple);
    return nullptr;
  }
  return image;
}

}  // namespace ImageLib
}  // namespace Kivo
