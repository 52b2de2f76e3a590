// JPEG reader over libjpeg(-turbo). Colour and grey files are decoded by the
// library straight into 0xAARRGGBB words (its BGRA output); CMYK and YCCK
// files are decoded to CMYK and converted here. An empty file is an error; a
// file that ends early still gives an image (the library pads the data with
// an end-of-image marker and only warns).
//
// libjpeg reports errors by longjmp. The functions that call setjmp hold no
// object with a destructor; the caller owns the pixel buffer and destroys the
// decompressor on every path.
#include "resources/ImageLib.h"

#include <cstdio>  // jpeglib.h needs FILE and size_t first
#include <jerror.h>
#include <jpeglib.h>

#include <csetjmp>

namespace Kivo {
namespace ImageLib {

namespace {

constexpr size_t kJpegSourceBufferSize = 4096;
// Real progressive files have about ten scans; a file with thousands of tiny
// scans makes the decoder redo the whole image for each, for minutes.
constexpr int kJpegMaxScans = 500;

struct JpegErrorManager {
  jpeg_error_mgr pub;
  jmp_buf jump;
};

struct JpegSourceManager {
  jpeg_source_mgr pub;
  ImageInput* in;
  JOCTET* buffer;
  bool startOfFile;
};

struct JpegReadContext {
  jpeg_decompress_struct cinfo;
  JpegErrorManager error;
  jpeg_progress_mgr progress;
  bool cmyk = false;
  bool adobeInverted = false;
};

void JpegErrorExit(j_common_ptr cinfo) { longjmp(reinterpret_cast<JpegErrorManager*>(cinfo->err)->jump, 1); }

// Warnings (corrupt data, premature end) are counted by the library and
// otherwise ignored: the image is still delivered.
void JpegQuietMessage(j_common_ptr, int) {}

void JpegLimitScans(j_common_ptr cinfo) {
  auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (d->input_scan_number > kJpegMaxScans) ERREXIT1(cinfo, JERR_BAD_SCAN_SCRIPT, d->input_scan_number);
}

void JpegInitSource(j_decompress_ptr cinfo) { reinterpret_cast<JpegSourceManager*>(cinfo->src)->startOfFile = true; }

boolean JpegFillInputBuffer(j_decompress_ptr cinfo) {
  auto* src = reinterpret_cast<JpegSourceManager*>(cinfo->src);
  size_t n = src->in->Read(src->buffer, kJpegSourceBufferSize);
  if (n == 0) {
    if (src->startOfFile) ERREXIT(cinfo, JERR_INPUT_EMPTY);
    WARNMS(cinfo, JWRN_JPEG_EOF);
    // Pretend the data ended properly so the decoder finishes the image.
    src->buffer[0] = JOCTET(0xFF);
    src->buffer[1] = JOCTET(JPEG_EOI);
    n = 2;
  }
  src->pub.next_input_byte = src->buffer;
  src->pub.bytes_in_buffer = n;
  src->startOfFile = false;
  return TRUE;
}

void JpegSkipInputData(j_decompress_ptr cinfo, long count) {
  if (count <= 0) return;
  auto* src = reinterpret_cast<JpegSourceManager*>(cinfo->src);
  while (count > long(src->pub.bytes_in_buffer)) {
    count -= long(src->pub.bytes_in_buffer);
    JpegFillInputBuffer(cinfo);
  }
  src->pub.next_input_byte += count;
  src->pub.bytes_in_buffer -= size_t(count);
}

void JpegTermSource(j_decompress_ptr) {}

void JpegUseInput(j_decompress_ptr cinfo, ImageInput& in) {
  auto* src = static_cast<JpegSourceManager*>(
      (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, sizeof(JpegSourceManager)));
  src->buffer = static_cast<JOCTET*>(
      (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, kJpegSourceBufferSize));
  src->in = &in;
  src->startOfFile = true;
  src->pub.init_source = JpegInitSource;
  src->pub.fill_input_buffer = JpegFillInputBuffer;
  src->pub.skip_input_data = JpegSkipInputData;
  src->pub.resync_to_restart = jpeg_resync_to_restart;
  src->pub.term_source = JpegTermSource;
  src->pub.bytes_in_buffer = 0;
  src->pub.next_input_byte = nullptr;
  cinfo->src = &src->pub;
}

// Creates the decompressor; false when even that fails.
bool JpegCreate(JpegReadContext& ctx, ImageInput& in) {
  ctx.cinfo.err = jpeg_std_error(&ctx.error.pub);
  ctx.error.pub.error_exit = JpegErrorExit;
  ctx.error.pub.emit_message = JpegQuietMessage;
  if (setjmp(ctx.error.jump)) return false;
  jpeg_create_decompress(&ctx.cinfo);
  JpegUseInput(&ctx.cinfo, in);
  ctx.progress.progress_monitor = JpegLimitScans;
  ctx.cinfo.progress = &ctx.progress;
  return true;
}

// Reads the header and starts decompression in the colour space the reader
// wants (`bgra`: BGRA words from the library; otherwise RGB or grey bytes).
bool JpegStart(JpegReadContext& ctx, bool bgra) {
  if (setjmp(ctx.error.jump)) return false;
  jpeg_read_header(&ctx.cinfo, TRUE);
  if (!ImageSizeAllowed(ctx.cinfo.image_width, ctx.cinfo.image_height)) return false;
  switch (ctx.cinfo.jpeg_color_space) {
    case JCS_CMYK:
    case JCS_YCCK:
      // The library turns YCCK into CMYK; the RGB conversion happens here.
      ctx.cmyk = true;
      ctx.adobeInverted = ctx.cinfo.saw_Adobe_marker;
      ctx.cinfo.out_color_space = JCS_CMYK;
      break;
    case JCS_GRAYSCALE: ctx.cinfo.out_color_space = bgra ? JCS_EXT_BGRA : JCS_GRAYSCALE; break;
    case JCS_RGB:
    case JCS_YCbCr: ctx.cinfo.out_color_space = bgra ? JCS_EXT_BGRA : JCS_RGB; break;
    default: return false;
  }
  jpeg_start_decompress(&ctx.cinfo);
  return ImageSizeAllowed(ctx.cinfo.output_width, ctx.cinfo.output_height);
}

inline uint32_t CmykToArgb(const JSAMPLE* p, bool inverted) {
  uint32_t c = p[0], m = p[1], y = p[2], k = p[3];
  if (!inverted) {
    c = 255 - c;
    m = 255 - m;
    y = 255 - y;
    k = 255 - k;
  }
  // Inverted storage (as Adobe writes it): each byte is 255 - ink, so the
  // light that remains is c * k / 255.
  uint32_t r = c * k / 255, g = m * k / 255, b = y * k / 255;
  return 0xFF000000u | r << 16 | g << 8 | b;
}

// Decodes every row into `pixels` (output width x height words).
bool JpegReadRows(JpegReadContext& ctx, uint32_t* pixels, bool bgra) {
  if (setjmp(ctx.error.jump)) return false;
  jpeg_decompress_struct& cinfo = ctx.cinfo;
  const size_t width = cinfo.output_width;

  if (bgra && !ctx.cmyk) {
    JSAMPROW rows[4];
    while (cinfo.output_scanline < cinfo.output_height) {
      JDIMENSION y = cinfo.output_scanline;
      int count = 0;
      for (; count < 4 && y + JDIMENSION(count) < cinfo.output_height; ++count)
        rows[count] = reinterpret_cast<JSAMPROW>(pixels + (y + size_t(count)) * width);
      jpeg_read_scanlines(&cinfo, rows, JDIMENSION(count));
    }
  } else {
    JSAMPARRAY row = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                                JDIMENSION(width * size_t(cinfo.output_components)), 1);
    const int components = cinfo.output_components;
    while (cinfo.output_scanline < cinfo.output_height) {
      uint32_t* out = pixels + size_t(cinfo.output_scanline) * width;
      if (jpeg_read_scanlines(&cinfo, row, 1) != 1) break;
      const JSAMPLE* p = row[0];
      // Step by the row's real component count: a 4-byte CMYK row read
      // 3 bytes at a time would shear the picture.
      for (size_t x = 0; x < width; ++x, p += components) {
        if (components == 1) {
          uint32_t g = p[0];
          out[x] = 0xFF000000u | g << 16 | g << 8 | g;
        } else if (components == 4) {
          out[x] = CmykToArgb(p, ctx.adobeInverted);
        } else {
          out[x] = 0xFF000000u | uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
        }
      }
    }
  }
  jpeg_finish_decompress(&cinfo);
  return true;
}

ImagePtr DecodeJpeg(ImageInput& in, bool bgra) {
  JpegReadContext ctx{};
  if (!JpegCreate(ctx, in)) {
    jpeg_destroy_decompress(&ctx.cinfo);
    return nullptr;
  }
  ImagePtr image;
  if (JpegStart(ctx, bgra)) {
    image = std::make_unique<Image>(int32_t(ctx.cinfo.output_width), int32_t(ctx.cinfo.output_height));
    if (!JpegReadRows(ctx, image->pixels.data(), bgra)) image.reset();
  }
  jpeg_destroy_decompress(&ctx.cinfo);
  return image;
}

}  // namespace

ImagePtr DecodeJpegImage(ImageInput& in) { return DecodeJpeg(in, true); }

ImagePtr DecodeJpegImageReference(ImageInput& in) { return DecodeJpeg(in, false); }

}  // namespace ImageLib
}  // namespace Kivo
