// Fixture makers for the image reader tests: small files of every format,
// built in memory with the format libraries or by hand, so no binary sample
// is needed.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <jpeglib.h>
#include <map>
#include <memory>
#include <openjpeg.h>
#include <png.h>
#include <string>
#include <vector>

#include "resources/ImageLib.h"

namespace imagelib_test {

using Bytes = std::vector<uint8_t>;
using Kivo::ImageLib::Image;
using Kivo::ImageLib::ImageInput;
using Kivo::ImageLib::ImagePtr;
using Kivo::ImageLib::MemoryImageInput;

inline void AppendLe16(Bytes& b, uint32_t v) {
  b.push_back(uint8_t(v));
  b.push_back(uint8_t(v >> 8));
}

// ---- TGA ----------------------------------------------------------------

inline Bytes TgaBytes(uint32_t width, uint32_t height, uint8_t depth, uint8_t descriptor,
                      const std::vector<uint32_t>& pixels) {
  Bytes b = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  AppendLe16(b, width);
  AppendLe16(b, height);
  b.push_back(depth);
  b.push_back(descriptor);
  for (uint32_t p : pixels)
    for (int i = 0; i < 4; ++i) b.push_back(uint8_t(p >> (8 * i)));
  return b;
}

// ---- GIF ----------------------------------------------------------------

// Packs LZW codes least significant bit first into data sub-blocks.
class GifCodeWriter {
 public:
  void Put(int code, int bits) {
    mBits |= uint64_t(code) << mCount;
    mCount += bits;
    while (mCount >= 8) {
      mData.push_back(uint8_t(mBits));
      mBits >>= 8;
      mCount -= 8;
    }
  }
  // The sub-blocks and the zero terminator.
  Bytes Finish() {
    if (mCount > 0) mData.push_back(uint8_t(mBits));
    mCount = 0;
    Bytes out;
    for (size_t i = 0; i < mData.size(); i += 255) {
      size_t n = std::min<size_t>(255, mData.size() - i);
      out.push_back(uint8_t(n));
      out.insert(out.end(), mData.begin() + long(i), mData.begin() + long(i + n));
    }
    out.push_back(0);
    return out;
  }

 private:
  Bytes mData;
  uint64_t mBits = 0;
  int mCount = 0;
};

// An LZW encoder that mirrors the decoder's code-size steps. With
// `clearWhenFull` off it keeps emitting after the table filled (as a
// deferred-clear encoder would), which the reader cuts.
inline Bytes GifLzw(const std::vector<uint8_t>& indices, int minimumBits, bool clearWhenFull = true) {
  const int clear = 1 << minimumBits;
  GifCodeWriter out;
  int decBits = minimumBits + 1, decFree = clear + 2;
  bool first = true;
  auto emit = [&](int code) {
    out.Put(code, decBits);
    if (code == clear) {
      decBits = minimumBits + 1;
      decFree = clear + 2;
      first = true;
    } else if (first) {
      first = false;
    } else if (decFree < 4096) {
      ++decFree;
      if (decFree == (1 << decBits) && decBits < 12) ++decBits;
    }
  };
  std::map<std::pair<int, int>, int> dict;
  int encFree = clear + 2;
  emit(clear);
  if (!indices.empty()) {
    int w = indices[0];
    for (size_t i = 1; i < indices.size(); ++i) {
      int c = indices[i];
      auto it = dict.find({w, c});
      if (it != dict.end()) {
        w = it->second;
        continue;
      }
      emit(w);
      if (encFree < 4096) dict[{w, c}] = encFree++;
      if (encFree == 4096 && clearWhenFull) {
        emit(clear);
        dict.clear();
        encFree = clear + 2;
      }
      w = c;
    }
    emit(w);
  }
  emit(clear + 1);
  return out.Finish();
}

struct GifSpec {
  const char* version = "GIF89a";
  std::vector<uint32_t> globalColors;  // empty: no global table
  int transparent = -1;
  uint32_t width = 0, height = 0;
  bool interlaced = false;
  std::vector<uint32_t> localColors;  // empty: no local table
  int minimumBits = 8;
  Bytes lzw;  // the image data sub-blocks (from GifLzw or hand-made codes)
};

inline void AppendColorTable(Bytes& b, const std::vector<uint32_t>& colors, int& sizeBits) {
  sizeBits = 0;
  while ((2u << sizeBits) < colors.size()) ++sizeBits;
  for (uint32_t i = 0; i < (2u << sizeBits); ++i) {
    uint32_t c = i < colors.size() ? colors[i] : 0;
    b.push_back(uint8_t(c >> 16));
    b.push_back(uint8_t(c >> 8));
    b.push_back(uint8_t(c));
  }
}

inline Bytes GifBytes(const GifSpec& s) {
  Bytes b(s.version, s.version + 6);
  AppendLe16(b, s.width);
  AppendLe16(b, s.height);
  Bytes table;
  int bits = 0;
  if (!s.globalColors.empty()) AppendColorTable(table, s.globalColors, bits);
  b.push_back(uint8_t((s.globalColors.empty() ? 0 : 0x80) | bits));
  b.push_back(0);
  b.push_back(0);
  b.insert(b.end(), table.begin(), table.end());
  // A comment and an application extension that the reader must skip.
  const char comment[] = "made by a test";
  b.push_back('!');
  b.push_back(0xFE);
  b.push_back(uint8_t(sizeof comment - 1));
  b.insert(b.end(), comment, comment + sizeof comment - 1);
  b.push_back(0);
  if (s.transparent >= 0) {
    b.insert(b.end(), {'!', 0xF9, 4, 1, 0, 0, uint8_t(s.transparent), 0});
  }
  b.push_back(',');
  AppendLe16(b, 0);
  AppendLe16(b, 0);
  AppendLe16(b, s.width);
  AppendLe16(b, s.height);
  table.clear();
  if (!s.localColors.empty()) AppendColorTable(table, s.localColors, bits);
  b.push_back(uint8_t((s.localColors.empty() ? 0 : 0x80 | bits) | (s.interlaced ? 0x40 : 0)));
  b.insert(b.end(), table.begin(), table.end());
  b.push_back(uint8_t(s.minimumBits));
  b.insert(b.end(), s.lzw.begin(), s.lzw.end());
  b.push_back(';');
  return b;
}

// ---- PNG ----------------------------------------------------------------

[[noreturn]] inline void PngFixtureError(png_structp, png_const_charp message) {
  std::fprintf(stderr, "png fixture: %s\n", message);
  std::abort();
}

struct PngSpec {
  uint32_t width = 0, height = 0;
  int colorType = PNG_COLOR_TYPE_RGB_ALPHA;
  int bitDepth = 8;
  bool interlaced = false;
  std::vector<png_color> palette;
  std::vector<uint8_t> paletteAlpha;  // tRNS for palette images
  std::vector<Bytes> rows;            // raw rows in the file's layout (16-bit big-endian)
};

inline Bytes PngBytes(const PngSpec& s) {
  Bytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngFixtureError, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(
      png, &out,
      [](png_structp p, png_bytep data, png_size_t n) {
        auto* o = static_cast<Bytes*>(png_get_io_ptr(p));
        o->insert(o->end(), data, data + n);
      },
      [](png_structp) {});
  png_set_IHDR(png, info, s.width, s.height, s.bitDepth, s.colorType,
               s.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (!s.palette.empty()) png_set_PLTE(png, info, s.palette.data(), int(s.palette.size()));
  if (!s.paletteAlpha.empty()) png_set_tRNS(png, info, s.paletteAlpha.data(), int(s.paletteAlpha.size()), nullptr);
  png_write_info(png, info);
  std::vector<png_bytep> rowPointers;
  std::vector<Bytes> rows = s.rows;
  for (Bytes& r : rows) rowPointers.push_back(r.data());
  png_write_image(png, rowPointers.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

// RGBA 8-bit rows from 0xAARRGGBB pixels.
inline std::vector<Bytes> RgbaRows(const std::vector<uint32_t>& pixels, uint32_t width, uint32_t height) {
  std::vector<Bytes> rows(height);
  for (uint32_t y = 0; y < height; ++y)
    for (uint32_t x = 0; x < width; ++x) {
      uint32_t p = pixels[y * width + x];
      rows[y].insert(rows[y].end(), {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p), uint8_t(p >> 24)});
    }
  return rows;
}

inline Bytes PngRgba(const std::vector<uint32_t>& pixels, uint32_t width, uint32_t height) {
  PngSpec s;
  s.width = width;
  s.height = height;
  s.rows = RgbaRows(pixels, width, height);
  return PngBytes(s);
}

// ---- JPEG ---------------------------------------------------------------

struct JpegSpec {
  uint32_t width = 0, height = 0;
  int components = 3;
  J_COLOR_SPACE inSpace = JCS_RGB;
  J_COLOR_SPACE fileSpace = JCS_UNKNOWN;  // JCS_UNKNOWN: the library's default
  bool adobeMarker = true;
  int quality = 95;
  Bytes samples;  // width * height * components
};

inline Bytes JpegBytes(const JpegSpec& s) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = s.width;
  cinfo.image_height = s.height;
  cinfo.input_components = s.components;
  cinfo.in_color_space = s.inSpace;
  jpeg_set_defaults(&cinfo);
  if (s.fileSpace != JCS_UNKNOWN) jpeg_set_colorspace(&cinfo, s.fileSpace);
  cinfo.write_Adobe_marker = s.adobeMarker ? TRUE : FALSE;
  jpeg_set_quality(&cinfo, s.quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row =
        const_cast<JSAMPROW>(s.samples.data() + size_t(cinfo.next_scanline) * s.width * size_t(s.components));
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  Bytes out(buffer, buffer + size);
  std::free(buffer);
  return out;
}

// An RGB JPEG of the given pixels (alpha ignored).
inline Bytes JpegRgb(const std::vector<uint32_t>& pixels, uint32_t width, uint32_t height, int quality = 95) {
  JpegSpec s;
  s.width = width;
  s.height = height;
  s.quality = quality;
  for (uint32_t p : pixels) s.samples.insert(s.samples.end(), {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p)});
  return JpegBytes(s);
}

// ---- JPEG-2000 ------------------------------------------------------------

struct J2kMemoryStream {
  Bytes data;
  size_t pos = 0;
};

// Losslessly encoded JPEG-2000 (codestream or JP2 box file) of 8-bit
// components: `planes[c][y * width + x]`.
inline Bytes J2kBytes(bool jp2, uint32_t width, uint32_t height, const std::vector<std::vector<int>>& planes,
                      int precision = 8) {
  std::vector<opj_image_cmptparm_t> parms(planes.size());
  for (auto& p : parms) {
    std::memset(&p, 0, sizeof p);
    p.dx = p.dy = 1;
    p.w = width;
    p.h = height;
    p.prec = OPJ_UINT32(precision);
    p.sgnd = 0;
  }
  OPJ_COLOR_SPACE space = planes.size() >= 3 ? OPJ_CLRSPC_SRGB : OPJ_CLRSPC_GRAY;
  opj_image_t* image = opj_image_create(OPJ_UINT32(planes.size()), parms.data(), space);
  image->x0 = image->y0 = 0;
  image->x1 = width;
  image->y1 = height;
  for (size_t c = 0; c < planes.size(); ++c) {
    for (size_t i = 0; i < planes[c].size(); ++i) image->comps[c].data[i] = planes[c][i];
    if (c == 3) image->comps[c].alpha = 1;
  }
  opj_cparameters_t params;
  opj_set_default_encoder_parameters(&params);
  params.numresolution = 2;
  opj_codec_t* codec = opj_create_compress(jp2 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K);
  opj_setup_encoder(codec, &params, image);
  J2kMemoryStream ms;
  opj_stream_t* stream = opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, OPJ_FALSE);
  opj_stream_set_user_data(stream, &ms, nullptr);
  opj_stream_set_write_function(stream, [](void* buf, OPJ_SIZE_T n, void* u) -> OPJ_SIZE_T {
    auto* m = static_cast<J2kMemoryStream*>(u);
    if (m->pos + n > m->data.size()) m->data.resize(m->pos + n);
    std::memcpy(m->data.data() + m->pos, buf, n);
    m->pos += n;
    return n;
  });
  opj_stream_set_skip_function(stream, [](OPJ_OFF_T n, void* u) -> OPJ_OFF_T {
    auto* m = static_cast<J2kMemoryStream*>(u);
    m->pos = size_t(OPJ_OFF_T(m->pos) + n);
    if (m->pos > m->data.size()) m->data.resize(m->pos);
    return n;
  });
  opj_stream_set_seek_function(stream, [](OPJ_OFF_T n, void* u) -> OPJ_BOOL {
    auto* m = static_cast<J2kMemoryStream*>(u);
    m->pos = size_t(n);
    if (m->pos > m->data.size()) m->data.resize(m->pos);
    return OPJ_TRUE;
  });
  bool ok = opj_start_compress(codec, image, stream) && opj_encode(codec, stream) && opj_end_compress(codec, stream);
  opj_stream_destroy(stream);
  opj_destroy_codec(codec);
  opj_image_destroy(image);
  if (!ok) std::abort();
  return ms.data;
}

// ---- Inputs ---------------------------------------------------------------

// An opener over named in-memory files that records every open it is asked
// for, found or not.
class MemoryOpener : public Kivo::ImageLib::ImageFileOpener {
 public:
  void Add(const std::string& name, Bytes bytes) { mFiles[name] = std::move(bytes); }
  std::unique_ptr<ImageInput> Open(const std::string& name) override {
    mOpened.push_back(name);
    auto it = mFiles.find(name);
    if (it == mFiles.end()) return nullptr;
    return std::make_unique<MemoryImageInput>(it->second.data(), it->second.size());
  }
  std::vector<std::string> mOpened;

 private:
  std::map<std::string, Bytes> mFiles;
};

template <typename Decoder>
ImagePtr DecodeBytes(Decoder decode, const Bytes& bytes) {
  MemoryImageInput in(bytes.data(), bytes.size());
  return decode(in);
}

// A deterministic pattern of opaque colours.
inline std::vector<uint32_t> Pattern(uint32_t width, uint32_t height, uint32_t seed = 1) {
  std::vector<uint32_t> p(size_t(width) * height);
  uint32_t s = seed * 2654435761u + 1;
  for (auto& v : p) {
    s = s * 1664525u + 1013904223u;
    v = 0xFF000000u | (s >> 8);
  }
  return p;
}

inline int ChannelDistance(uint32_t a, uint32_t b) {
  int worst = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    int d = std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF));
    if (d > worst) worst = d;
  }
  return worst;
}

}  // namespace imagelib_test
