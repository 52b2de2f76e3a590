// resource_sample OUTDIR [--tone-wav]
// Writes the sample data folder of the resource manager's tests and of
// tools/resload: data/data.xml with the groups "Loading" and "Game", the
// images, sounds and fonts it names, and broken manifests beside it. The Ogg
// tone comes from soundgen (run by the build); with --tone-wav a WAV file
// stands in for it.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "resources/ImageLib.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Kivo::ImageLib::Image;

std::string gRoot;

bool WriteBytes(const std::string& name, const Bytes& bytes) {
  std::filesystem::path path = std::filesystem::path(gRoot) / name;
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

bool WriteText(const std::string& name, const std::string& text) {
  return WriteBytes(name, Bytes(text.begin(), text.end()));
}

void Le16(Bytes& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
void Le32(Bytes& b, uint32_t v) {
  Le16(b, v & 0xFFFF);
  Le16(b, v >> 16);
}
void Be32(Bytes& b, uint32_t v) {
  for (int i = 3; i >= 0; --i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

Image Pattern(int width, int height, uint32_t (*pixel)(int, int)) {
  Image image(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) image.pixels[size_t(y) * width + x] = pixel(x, y);
  return image;
}

uint32_t Gradient(int x, int y) {
  return 0xFF000000u | uint32_t(x * 8 & 0xFF) << 16 | uint32_t(y * 8 & 0xFF) << 8 | 0x60;
}
uint32_t Checker(int x, int y) { return ((x / 4 + y / 4) & 1) ? 0xFFE0E0E0u : 0xFF202020u; }
uint32_t White(int, int) { return 0xFFFFFFFFu; }
uint32_t AlphaRamp(int x, int y) { return 0xFF000000u | uint32_t((x + y) * 8 & 0xFF); }
uint32_t Soft(int x, int y) { return uint32_t(0x40 + (x * 4 & 0x7F)) << 24 | uint32_t(y * 8 & 0xFF) << 8 | 0xFF; }

bool WritePng(const std::string& name, const Image& image) {
  std::filesystem::create_directories((std::filesystem::path(gRoot) / name).parent_path());
  return Kivo::ImageLib::WritePngImage(gRoot + "/" + name, image);
}
bool WriteJpeg(const std::string& name, const Image& image) {
  std::filesystem::create_directories((std::filesystem::path(gRoot) / name).parent_path());
  return Kivo::ImageLib::WriteJpegImage(gRoot + "/" + name, image);
}

// Uncompressed 32-bit TGA with a top-left origin, pixels stored B G R A.
bool WriteTga(const std::string& name, const Image& image) {
  Bytes b = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  Le16(b, image.width);
  Le16(b, image.height);
  b.push_back(32);
  b.push_back(0x28);
  for (uint32_t p : image.pixels) {
    b.push_back(static_cast<uint8_t>(p));
    b.push_back(static_cast<uint8_t>(p >> 8));
    b.push_back(static_cast<uint8_t>(p >> 16));
    b.push_back(static_cast<uint8_t>(p >> 24));
  }
  return WriteBytes(name, b);
}

// A GIF of up to four colours. Its LZW stream sends a clear code before every
// second pixel, so the table never grows past 3-bit codes and no compressor
// is needed.
bool WriteGif(const std::string& name, int width, int height, const std::vector<uint8_t>& indices,
              const uint8_t (&palette)[4][3]) {
  Bytes b = {'G', 'I', 'F', '8', '9', 'a'};
  Le16(b, width);
  Le16(b, height);
  b.push_back(0x91);  // global table of 4 entries
  b.push_back(0);
  b.push_back(0);
  for (const auto& entry : palette) b.insert(b.end(), entry, entry + 3);
  b.push_back(0x2C);
  Le16(b, 0);
  Le16(b, 0);
  Le16(b, width);
  Le16(b, height);
  b.push_back(0);
  b.push_back(2);  // minimum code size

  Bytes stream;
  uint32_t bitBuffer = 0;
  int bitCount = 0;
  auto put = [&](uint32_t code) {
    bitBuffer |= code << bitCount;
    bitCount += 3;
    while (bitCount >= 8) {
      stream.push_back(static_cast<uint8_t>(bitBuffer));
      bitBuffer >>= 8;
      bitCount -= 8;
    }
  };
  for (size_t i = 0; i < indices.size(); ++i) {
    if (i % 2 == 0) put(4);  // clear
    put(indices[i] & 3);
  }
  put(5);  // end of information
  if (bitCount > 0) stream.push_back(static_cast<uint8_t>(bitBuffer));
  for (size_t at = 0; at < stream.size(); at += 255) {
    size_t n = std::min<size_t>(255, stream.size() - at);
    b.push_back(static_cast<uint8_t>(n));
    b.insert(b.end(), stream.begin() + static_cast<long>(at), stream.begin() + static_cast<long>(at + n));
  }
  b.push_back(0);
  b.push_back(0x3B);
  return WriteBytes(name, b);
}

Bytes Tone16(uint32_t rate, uint32_t frames, double hz) {
  Bytes pcm;
  for (uint32_t i = 0; i < frames; ++i)
    Le16(pcm, static_cast<uint16_t>(static_cast<int16_t>(std::lround(6000 * std::sin(2 * M_PI * hz * i / rate)))));
  return pcm;
}

Bytes Wav(uint32_t rate, const Bytes& pcm) {
  Bytes b = {'R', 'I', 'F', 'F'};
  Le32(b, 36 + static_cast<uint32_t>(pcm.size()));
  b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  Le32(b, 16);
  Le16(b, 1);
  Le16(b, 1);
  Le32(b, rate);
  Le32(b, rate * 2);
  Le16(b, 2);
  Le16(b, 16);
  b.insert(b.end(), {'d', 'a', 't', 'a'});
  Le32(b, static_cast<uint32_t>(pcm.size()));
  b.insert(b.end(), pcm.begin(), pcm.end());
  return b;
}

// An 8-bit mu-law AU file of a square-ish wave.
Bytes Au(uint32_t rate, uint32_t frames) {
  Bytes b = {'.', 's', 'n', 'd'};
  Be32(b, 24);
  Be32(b, frames);
  Be32(b, 1);  // 8-bit mu-law
  Be32(b, rate);
  Be32(b, 1);
  for (uint32_t i = 0; i < frames; ++i) b.push_back(static_cast<uint8_t>(i % 32 < 16 ? 0x20 : 0xA0));
  return b;
}

Bytes Utf16Le(const std::wstring& text) {
  Bytes out = {0xFF, 0xFE};
  for (wchar_t c : text) Le16(out, static_cast<uint32_t>(c));
  return out;
}

const char* const kManifest = R"(<?xml version="1.0"?>
<ResourceManifest>
  <Resources id="Loading">
    <SetDefaults path="data/fonts" idprefix="FONT_"/>
    <Font id="SMALL" path="small.txt" tags="outline"/>
    <Font id="SYS" path="!sys:Sans" size="12" bold />
    <SetDefaults path="data/images" idprefix="IMAGE_"/>
    <Image path="title.png"/>
  </Resources>
  <Resources id="Game">
    <Image path="photo.jpg"/>
    <Image path="icon.gif"/>
    <Image path="glow.tga" a8r8g8b8 />
    <Image path="sheet.png" rows="2" cols="4" anim="loop" framedelay="5"/>
    <Image path="cells.png" rows="2" cols="4" alphagrid="cells_grid.png"/>
    <Image path="panel.png" nopal ddsurface />
    <Image id="SCREEN" path="!program"/>
    <SetDefaults path="data/sounds" idprefix="SOUND_"/>
    <Sound path="click" volume="0.8"/>
    <Sound path="tone" volume="0.5" pan="-300"/>
    <Sound path="buzz" pan="200"/>
    <SetDefaults path="data/fonts" idprefix="FONT_"/>
    <Font id="SMALL_COPY" path="!ref:FONT_SMALL"/>
  </Resources>
</ResourceManifest>
)";

struct Broken {
  const char* name;
  const char* text;
};

const Broken kBroken[] = {
    {"data/broken_empty.xml", ""},
    {"data/broken_root.xml", "<?xml version=\"1.0\"?>\n<Resources id=\"Game\"/>\n"},
    {"data/broken_duplicate.xml",
     "<ResourceManifest>\n<Resources id=\"Game\">\n<Image path=\"data/images/title.png\"/>\n"
     "<Image id=\"title\" path=\"data/images/icon.gif\"/>\n</Resources>\n</ResourceManifest>\n"},
    {"data/broken_anim.xml",
     "<ResourceManifest>\n<Resources id=\"Game\">\n<Image path=\"data/images/sheet.png\" anim=\"blink\"/>\n"
     "</Resources>\n</ResourceManifest>\n"},
    {"data/broken_image.xml",
     "<ResourceManifest>\n<Resources id=\"Game\">\n<Image path=\"data/images/title.png\"/>\n"
     "<Image path=\"data/images/missing.png\"/>\n</Resources>\n</ResourceManifest>\n"},
    {"data/broken_grid.xml",
     "<ResourceManifest>\n<Resources id=\"Game\">\n"
     "<Image path=\"data/images/cells.png\" rows=\"1\" alphagrid=\"data/images/cells_grid.png\"/>\n"
     "</Resources>\n</ResourceManifest>\n"},
    {"data/broken_ref.xml",
     "<ResourceManifest>\n<Resources id=\"Game\">\n<Font id=\"COPY\" path=\"!ref:SMALL\"/>\n"
     "<Font id=\"SMALL\" path=\"data/fonts/small.txt\"/>\n</Resources>\n</ResourceManifest>\n"},
    {"data/broken_sound.xml",
     "<ResourceManifest>\n<Resources id=\"Game\">\n<Sound path=\"data/sounds/silence\"/>\n"
     "</Resources>\n</ResourceManifest>\n"},
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: resource_sample OUTDIR [--tone-wav]\n");
    return 2;
  }
  gRoot = argv[1];
  bool toneWav = argc > 2 && std::string(argv[2]) == "--tone-wav";

  bool ok = true;
  ok &= WriteText("data/data.xml", kManifest);
  for (const Broken& broken : kBroken) ok &= WriteText(broken.name, broken.text);

  ok &= WritePng("data/images/title.png", Pattern(32, 16, Gradient));
  ok &= WriteJpeg("data/images/photo.jpg", Pattern(24, 16, Checker));
  ok &= WriteJpeg("data/images/_photo.jpg", Pattern(24, 16, AlphaRamp));  // alpha companion
  const uint8_t palette[4][3] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
  std::vector<uint8_t> indices;
  for (int i = 0; i < 16; ++i) indices.push_back(static_cast<uint8_t>((i + i / 4) % 4));
  ok &= WriteGif("data/images/icon.gif", 4, 4, indices, palette);
  ok &= WriteTga("data/images/glow.tga", Pattern(8, 8, Soft));
  ok &= WritePng("data/images/sheet.png", Pattern(64, 32, Gradient));
  ok &= WritePng("data/images/cells.png", Pattern(64, 32, Checker));
  ok &= WritePng("data/images/cells_grid.png", Pattern(16, 16, AlphaRamp));
  ok &= WritePng("data/images/panel.png", Pattern(16, 16, Checker));

  ok &= WriteBytes("data/sounds/click.wav", Wav(22050, Tone16(22050, 2205, 880)));
  ok &= WriteBytes("data/sounds/buzz.au", Au(8000, 800));
  if (toneWav) ok &= WriteBytes("data/sounds/tone.wav", Wav(22050, Tone16(22050, 4410, 440)));

  // A two-glyph descriptor font over a white strip.
  ok &= WritePng("data/fonts/small.png", Pattern(40, 10, White));
  ok &= WriteBytes("data/fonts/small.txt", Utf16Le(L"CreateLayer Main; LayerSetImage Main 'small.png';\n"
                                                   L"LayerSetCharWidths Main ('A' 'B') (6 6);\n"
                                                   L"CreateHorzSpanRectList R (0 0 0 10) (5 5);\n"
                                                   L"LayerSetImageMap Main ('A' 'B') R;\nLayerSetAscent Main 8;\n"));
  if (!ok) {
    std::fprintf(stderr, "resource_sample: could not write the sample under %s\n", gRoot.c_str());
    return 1;
  }
  return 0;
}
