// Image loading against the plain libraries on the same bytes: an 800x600
// noisy RGBA PNG and a quality-90 JPEG made from a seeded pattern.
// LoadImageFile reads them from a loose file and from an archive entry;
// the peers are libpng's simplified read to BGRA and libjpeg-turbo's decode
// to BGRA, both from memory, and (when giflib is installed) giflib's decode
// of the GIF with its colour table applied. Prints a table of peer time /
// our time and exits 1 when a load costs more than 1.25 times its peer's
// (ratio under 0.8); TGA has no peer and reports its time only.
#include <benchmark/benchmark.h>

#include "bench/BenchReporters.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <jpeglib.h>
#include <map>
#include <png.h>
#include <string>
#include <unistd.h>
#include <vector>
#ifdef KIVO_BENCH_GIFLIB
#include <gif_lib.h>
#endif

#include "resources/FileApi.h"
#include "resources/ImageLib.h"
#include "resources/PakWriter.h"

namespace {

using Bytes = std::vector<uint8_t>;
using namespace Kivo::ImageLib;

constexpr int kWidth = 800;
constexpr int kHeight = 600;

// A smooth picture with noise on top, so neither codec finds it trivial.
Image Picture() {
  Image image(kWidth, kHeight);
  uint32_t seed = 20240601u;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      seed = seed * 1664525u + 1013904223u;
      uint32_t noise = seed >> 24;
      uint32_t r = (x * 255 / kWidth + (noise & 15)) & 0xFF;
      uint32_t g = (y * 255 / kHeight + (noise >> 4)) & 0xFF;
      uint32_t b = ((x + y) / 6 + (noise & 7)) & 0xFF;
      uint32_t a = 128 + ((x ^ y) & 127);
      image.pixels[size_t(y) * kWidth + x] = a << 24 | r << 16 | g << 8 | b;
    }
  return image;
}

Bytes ReadFile(const std::string& path) {
  Bytes bytes;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return bytes;
  uint8_t chunk[65536];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
  std::fclose(f);
  return bytes;
}

void WriteFile(const std::string& path, const Bytes& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return;
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

Bytes JpegQuality90(const Image& image) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = JDIMENSION(image.width);
  cinfo.image_height = JDIMENSION(image.height);
  cinfo.input_components = 4;
  cinfo.in_color_space = JCS_EXT_BGRA;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 90, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = reinterpret_cast<JSAMPROW>(const_cast<uint32_t*>(image.pixels.data()) +
                                              size_t(cinfo.next_scanline) * size_t(image.width));
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  Bytes out(buffer, buffer + size);
  std::free(buffer);
  return out;
}

Bytes TgaOf(const Image& image) {
  Bytes b = {0,
             0,
             2,
             0,
             0,
             0,
             0,
             0,
             0,
             0,
             0,
             0,
             uint8_t(image.width),
             uint8_t(image.width >> 8),
             uint8_t(image.height),
             uint8_t(image.height >> 8),
             32,
             0x28};
  const uint8_t* p = reinterpret_cast<const uint8_t*>(image.pixels.data());
  b.insert(b.end(), p, p + image.pixels.size() * 4);
  return b;
}

// A GIF of the picture's top bits through a 16-entry table, coded with a
// plain LZW encoder that clears the table when it fills.
Bytes GifOf(const Image& image) {
  Bytes b = {'G',
             'I',
             'F',
             '8',
             '9',
             'a',
             uint8_t(image.width),
             uint8_t(image.width >> 8),
             uint8_t(image.height),
             uint8_t(image.height >> 8),
             0x83,
             0,
             0};
  for (int i = 0; i < 16; ++i) b.insert(b.end(), {uint8_t(i * 16), uint8_t(255 - i * 16), uint8_t(i * 8)});
  b.insert(b.end(), {',', 0, 0, 0, 0, uint8_t(image.width), uint8_t(image.width >> 8), uint8_t(image.height),
                     uint8_t(image.height >> 8), 0, 4});
  Bytes data;
  uint64_t bits = 0;
  int count = 0;
  int codeBits = 5, nextFree = 18;
  bool first = true;
  auto put = [&](int code) {
    bits |= uint64_t(code) << count;
    count += codeBits;
    while (count >= 8) {
      data.push_back(uint8_t(bits));
      bits >>= 8;
      count -= 8;
    }
    if (code == 16) {
      codeBits = 5;
      nextFree = 18;
      first = true;
    } else if (first) {
      first = false;
    } else if (nextFree < 4096) {
      ++nextFree;
      if (nextFree == (1 << codeBits) && codeBits < 12) ++codeBits;
    }
  };
  std::map<std::pair<int, int>, int> dict;
  int encFree = 18;
  put(16);
  int w = int(image.pixels[0] >> 20) & 15;
  for (size_t i = 1; i < image.pixels.size(); ++i) {
    int c = int(image.pixels[i] >> 20) & 15;
    auto it = dict.find({w, c});
    if (it != dict.end()) {
      w = it->second;
      continue;
    }
    put(w);
    dict[{w, c}] = encFree++;
    if (encFree == 4096) {
      put(16);
      dict.clear();
      encFree = 18;
    }
    w = c;
  }
  put(w);
  put(17);
  if (count > 0) data.push_back(uint8_t(bits));
  for (size_t i = 0; i < data.size(); i += 255) {
    size_t n = std::min<size_t>(255, data.size() - i);
    b.push_back(uint8_t(n));
    b.insert(b.end(), data.begin() + long(i), data.begin() + long(i + n));
  }
  b.push_back(0);
  b.push_back(';');
  return b;
}

struct Fixtures {
  std::string folder;
  Bytes png, jpeg, gif;

  Fixtures() {
    char pattern[] = "/tmp/kivo_image_bench_XXXXXX";
    folder = mkdtemp(pattern) ? pattern : "/tmp";
    Image picture = Picture();
    WritePngImage(folder + "/pic.png", picture);
    png = ReadFile(folder + "/pic.png");
    jpeg = JpegQuality90(picture);
    WriteFile(folder + "/pic.jpg", jpeg);
    WriteFile(folder + "/pic.tga", TgaOf(picture));
    gif = GifOf(picture);
    WriteFile(folder + "/pic.gif", gif);

    std::vector<Kivo::PakSourceFile> sources = {{"benchpak\\pic.png", png, 0}, {"benchpak\\pic.jpg", jpeg, 0}};
    Bytes archive;
    std::string error;
    if (Kivo::BuildPakImage(sources, archive, error)) {
      Kivo::PakInterface* pak = Kivo::GetSharedPakInterface();
      if (!pak) pak = new Kivo::PakInterface;
      pak->MountArchiveImage("bench.pak", archive.data(), archive.size());
    } else {
      std::fprintf(stderr, "archive not built: %s\n", error.c_str());
    }
  }
  ~Fixtures() { std::system(("rm -rf '" + folder + "'").c_str()); }
};

Fixtures& Files() {
  static Fixtures fixtures;
  return fixtures;
}

void Load(benchmark::State& state, const std::string& name) {
  for (auto _ : state) {
    ImagePtr image = LoadImageFile(name, false);
    if (!image) {
      state.SkipWithError("load failed");
      return;
    }
    benchmark::DoNotOptimize(image->pixels.data());
  }
  state.counters["Mpix/s"] =
      benchmark::Counter(double(kWidth) * kHeight * 1e-6, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_LoadPngFile(benchmark::State& state) { Load(state, Files().folder + "/pic.png"); }
void BM_LoadPngArchive(benchmark::State& state) { Load(state, "benchpak/pic.png"); }
void BM_PeerPngSimplified(benchmark::State& state) {
  const Bytes& bytes = Files().png;
  for (auto _ : state) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    png_image_begin_read_from_memory(&image, bytes.data(), bytes.size());
    image.format = PNG_FORMAT_BGRA;
    std::vector<uint32_t> pixels(size_t(image.width) * image.height);
    png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr);
    benchmark::DoNotOptimize(pixels.data());
  }
}

void BM_LoadJpegFile(benchmark::State& state) { Load(state, Files().folder + "/pic.jpg"); }
void BM_LoadJpegArchive(benchmark::State& state) { Load(state, "benchpak/pic.jpg"); }
void BM_PeerJpegTurbo(benchmark::State& state) {
  const Bytes& bytes = Files().jpeg;
  for (auto _ : state) {
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, bytes.data(), bytes.size());
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_EXT_BGRA;
    jpeg_start_decompress(&cinfo);
    std::vector<uint32_t> pixels(size_t(cinfo.output_width) * cinfo.output_height);
    while (cinfo.output_scanline < cinfo.output_height) {
      JSAMPROW row = reinterpret_cast<JSAMPROW>(pixels.data() + size_t(cinfo.output_scanline) * cinfo.output_width);
      jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    benchmark::DoNotOptimize(pixels.data());
  }
}

void BM_LoadGifFile(benchmark::State& state) { Load(state, Files().folder + "/pic.gif"); }

#ifdef KIVO_BENCH_GIFLIB
// giflib's decode from memory, then the colour table applied to 32-bit
// pixels, as a load does.
struct GifReader {
  const Bytes* bytes;
  size_t at;
};
int ReadGifBytes(GifFileType* gif, GifByteType* out, int count) {
  GifReader* r = static_cast<GifReader*>(gif->UserData);
  const size_t n = std::min(static_cast<size_t>(count), r->bytes->size() - r->at);
  std::memcpy(out, r->bytes->data() + r->at, n);
  r->at += n;
  return static_cast<int>(n);
}
void BM_PeerGiflib(benchmark::State& state) {
  const Bytes& bytes = Files().gif;
  for (auto _ : state) {
    GifReader reader{&bytes, 0};
    int error = 0;
    GifFileType* gif = DGifOpen(&reader, ReadGifBytes, &error);
    if (gif == nullptr || DGifSlurp(gif) != GIF_OK || gif->ImageCount < 1) {
      state.SkipWithError("giflib failed");
      if (gif != nullptr) DGifCloseFile(gif, &error);
      return;
    }
    const SavedImage& frame = gif->SavedImages[0];
    const ColorMapObject* map = frame.ImageDesc.ColorMap != nullptr ? frame.ImageDesc.ColorMap : gif->SColorMap;
    uint32_t table[256] = {};
    for (int i = 0; map != nullptr && i < map->ColorCount && i < 256; ++i)
      table[i] =
          0xFF000000u | uint32_t(map->Colors[i].Red) << 16 | uint32_t(map->Colors[i].Green) << 8 | map->Colors[i].Blue;
    const size_t count = size_t(gif->SWidth) * size_t(gif->SHeight);
    std::vector<uint32_t> pixels(count);
    for (size_t i = 0; i < count; ++i) pixels[i] = table[frame.RasterBits[i]];
    benchmark::DoNotOptimize(pixels.data());
    DGifCloseFile(gif, &error);
  }
}
BENCHMARK(BM_PeerGiflib)->Unit(benchmark::kMillisecond);
#endif
void BM_LoadTgaFile(benchmark::State& state) { Load(state, Files().folder + "/pic.tga"); }

BENCHMARK(BM_LoadPngFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadPngArchive)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PeerPngSimplified)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadJpegFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadJpegArchive)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PeerJpegTurbo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadGifFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadTgaFile)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;
  Files();
  benchreport::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  // Loading may cost at most 1.25 times the peer decoder's time (ratio >= 0.8).
  benchreport::GateTable table(reporter);
  table.Add("decode PNG file", "BM_LoadPngFile", "libpng simplified", "BM_PeerPngSimplified", 0.8);
  table.Add("decode PNG archive", "BM_LoadPngArchive", "libpng simplified", "BM_PeerPngSimplified", 0.8);
  table.Add("decode JPEG file", "BM_LoadJpegFile", "libjpeg-turbo", "BM_PeerJpegTurbo", 0.8);
  table.Add("decode JPEG archive", "BM_LoadJpegArchive", "libjpeg-turbo", "BM_PeerJpegTurbo", 0.8);
  table.Add("decode GIF file", "BM_LoadGifFile", "giflib", "BM_PeerGiflib", 0.8);
  const int code = table.Finish();
  benchmark::Shutdown();
  return code;
}
