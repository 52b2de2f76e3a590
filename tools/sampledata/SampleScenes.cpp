#include "tools/sampledata/SampleScenes.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "engine/ResourceIds.h"
#include "tools/sampledata/DataWriters.h"
#include "resources/ImageLib.h"
#include "tools/sampledata/SampleFrontEnd.h"
#include "tools/sampledata/SampleHud.h"
#include "tools/sampledata/SampleControls.h"
#include "tools/sampledata/SampleKinds.h"
#include "tools/sampledata/SampleMenuScenes.h"
#include "tools/sampledata/SampleStory.h"
#include "tools/sampledata/SampleXmlScenes.h"
#include "tools/sampledata/SampleEffects.h"

namespace Kivo {

namespace {

constexpr int kSampleRate = 22050;

DtmRecord Rect(const std::string& name, uint32_t type, float left, float top, float width, float height) {
  DtmRecord record;
  record.name = name;
  record.type = type;
  record.SetRect(left, top, width, height);
  return record;
}

DtmRecord ConfigRecord() {
  DtmRecord config;
  config.name = "Main";
  config.type = 0;
  config.Property("_sNameGame", "KivoGame")
      .Property("_sCompany", "Kivo")
      .Property("_sVersion", "1.0.0")
      .Property("_sPathData", "data")
      .Property("_iXRes", "800")
      .Property("_iYRes", "600")
      .Property("_iCodePage", "1251");
  return config;
}

// The engine demo: a root with a title that fades in once (its effect and
// sound links name nothing of the scene), a blinker playing the file
// animation "blink" once, and a picture with a child holding copies of the
// file animations "wave" and "pulse", ready to be played.
DtmRecord EngineDemo() {
  DtmRecord root = Rect("demoRoot", 3, 0, 0, 800, 600);
  root.Property("_keyImg", "demo_back");

  DtmRecord title = Rect("title", 3, 200, 40, 400, 80);
  title.Property("_keyImg", "demo_button")
      .Property("_iAniKey_intro", "25")
      .Property("_iAniRate_intro", "50")
      .Property("_sAniKey_intro_1", "c(0,255,255,255)")
      .Property("_sAniKey_intro_13", "s(1.1,1.1) c(200,255,255,255)")
      .Property("_sAniKey_intro_25", "c(255,255,255,255)")
      .Property("_sEffPlayed_intro", "introSparks")
      .Property("_sSoundEnd_intro", "introChime")
      .Property("_sAnimYet", "intro");

  DtmRecord blinker = Rect("blinker", 3, 40, 480, 64, 64);
  blinker.Property("_keyImg", "demo_cells")
      .Property("_sAniLoad_1", "blink")
      .Property("_sEffEnd_blink", "blinkFlash")
      .Property("_sAnimYet", "blink");

  DtmRecord dot = Rect("wavyDot", 3, 380, 300, 16, 16);
  dot.Property("_keyImg", "demo_cells");
  DtmRecord wavy = Rect("wavy", 1, 340, 260, 96, 96);
  wavy.Property("_keyImg", "demo_cells").Property("_sAniLoad_1", "wave").Property("_sAniLoad_2", "pulse").Child(dot);

  root.Child(title).Child(blinker).Child(wavy);
  return root;
}

uint32_t Argb(int a, int r, int g, int b) {
  return (static_cast<uint32_t>(a) << 24) | (static_cast<uint32_t>(r) << 16) | (static_cast<uint32_t>(g) << 8) |
         static_cast<uint32_t>(b);
}

// A soft diagonal gradient.
ImageLib::Image BackgroundPicture() {
  ImageLib::Image image(160, 120);
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      image.pixels[y * image.width + x] = Argb(255, 30 + x / 2, 40 + y / 2, 90 + (x + y) / 4);
    }
  }
  return image;
}

// Four columns and two rows of cells, each a coloured disc on transparency.
ImageLib::Image CellsPicture() {
  const int cell = 32;
  ImageLib::Image image(4 * cell, 2 * cell);
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      int index = (y / cell) * 4 + x / cell;
      int dx = x % cell - cell / 2;
      int dy = y % cell - cell / 2;
      bool inside = dx * dx + dy * dy < (cell / 2 - 2) * (cell / 2 - 2);
      image.pixels[y * image.width + x] =
          inside ? Argb(255, 60 + 24 * index, 220 - 20 * index, 80 + 20 * (index % 3)) : 0u;
    }
  }
  return image;
}

// Three button states stacked: normal, hovered, pressed.
ImageLib::Image ButtonPicture() {
  ImageLib::Image image(96, 96);
  for (int y = 0; y < image.height; ++y) {
    int state = y / 32;
    for (int x = 0; x < image.width; ++x) {
      bool border = x < 2 || x >= 94 || y % 32 < 2 || y % 32 >= 30;
      image.pixels[y * image.width + x] =
          border ? Argb(255, 20, 20, 20) : Argb(230, 90 + 50 * state, 110, 160 - 30 * state);
    }
  }
  return image;
}

struct SamplePicture {
  DtmImage entry;
  ImageLib::Image (*draw)();
};

// The strip wave's picture is drawn by the XML scenes' writer; its row here
// puts it in the image table.
ImageLib::Image StripWavePicture() { return StripPicture(); }

std::vector<SamplePicture> SamplePictures() {
  const SamplePictureEntry strip = StripPictureEntry();
  return {{{"demo_back", "data/images/demo_back.png", true, 1, 1}, BackgroundPicture},
          {{"demo_cells", "data/images/demo_cells.png", false, 4, 2}, CellsPicture},
          {{"demo_button", "data/images/demo_button.png", true, 1, 3}, ButtonPicture},
          {{strip.key, strip.path, false, strip.columns, strip.rows}, StripWavePicture}};
}

// The sound file name of a SOUND_* id: the rest of the id in lower case.
std::string SoundFileStem(const std::string& id) {
  std::string stem = id.substr(6);
  for (char& c : stem) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return stem;
}

// The manifest's "Game" group: every sound name the engine fetches, in its
// order, so the sample can never name a sound the game does not know.
std::vector<std::string> SoundIds() {
  std::vector<std::string> ids;
  for (int id = kFirstSoundId; id <= kLastSoundId; ++id) ids.push_back(ResourceNameById(id));
  return ids;
}

void PutLe(std::string& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

std::string ShellQuoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

}  // namespace

bool BuildSampleScenes(SceneDatabaseWriter& writer, std::string* error, LevelAssets* assets) {
  LevelAssets ownAssets;
  if (assets == nullptr) assets = &ownAssets;
  if (!writer.AddScene("Main", ConfigRecord(), error) || !writer.AddScene("mnEngineDemo", EngineDemo(), error) ||
      !writer.AddScene("mnKinds", KindsScene(), error) || !AddSampleMenuScenes(writer, error)) {
    return false;
  }
  for (const SamplePicture& picture : SamplePictures()) {
    if (!writer.AddImage(picture.entry, error)) return false;
  }
  for (const KindsPicture& picture : KindsPictures()) {
    if (!writer.AddImage(picture.entry, error)) return false;
  }
  return AddControlsScene(writer, error) && AddSampleEffectScene(writer, error) && AddStoryScenes(writer, error) &&
         AddFrontEndScenes(writer, error) && AddHudScene(writer, error) && AddSampleLevels(writer, *assets, error);
}

std::vector<SampleFontSpec> SampleFonts() {
  return {{"FONT_GENERAL", "data/fonts/general", 22}, {"FONT_GENERAL_BLACK", "data/fonts/general_black", 22},
          {"FONT_STAGE", "data/fonts/stage", 28},     {"FONT_TUTORIAL", "data/fonts/tutorial", 18},
          {"FONT_TEXT", "data/fonts/text", 18},       {"FONT_SMALL", "data/fonts/small", 14}};
}

std::string SampleManifest() {
  std::string xml = "<?xml version=\"1.0\"?>\r\n<ResourceManifest>\r\n  <Resources id=\"Loading\">\r\n";
  for (const SampleFontSpec& font : SampleFonts()) {
    xml += "    <Font id=\"" + font.id + "\" path=\"" + font.folder + "/font.txt\"/>\r\n";
  }
  xml += "  </Resources>\r\n  <Resources id=\"Game\">\r\n    <SetDefaults path=\"data/sounds\"/>\r\n";
  for (const std::string& id : SoundIds()) {
    xml += "    <Sound id=\"" + id + "\" path=\"" + SoundFileStem(id) + "\"/>\r\n";
  }
  xml += "  </Resources>\r\n</ResourceManifest>\r\n";
  return xml;
}

std::string ToneWavBytes(int frequency, int milliseconds) {
  const uint32_t frames = static_cast<uint32_t>(kSampleRate * milliseconds / 1000);
  std::string data;
  const double pi = 3.14159265358979323846;
  for (uint32_t i = 0; i < frames; ++i) {
    // A short fade at both ends keeps the tone from clicking.
    double envelope = std::fmin(1.0, std::fmin(i, frames - i) / 200.0);
    double value = std::sin(2.0 * pi * frequency * i / kSampleRate) * envelope * 0.4;
    PutLe(data, static_cast<uint32_t>(static_cast<int32_t>(std::lround(value * 32767.0))) & 0xFFFF, 2);
  }
  std::string wav = "RIFF";
  PutLe(wav, static_cast<uint32_t>(36 + data.size()), 4);
  wav += "WAVEfmt ";
  PutLe(wav, 16, 4);
  PutLe(wav, 1, 2);  // PCM
  PutLe(wav, 1, 2);  // mono
  PutLe(wav, kSampleRate, 4);
  PutLe(wav, kSampleRate * 2, 4);
  PutLe(wav, 2, 2);
  PutLe(wav, 16, 2);
  wav += "data";
  PutLe(wav, static_cast<uint32_t>(data.size()), 4);
  return wav + data;
}

bool WriteSampleSceneData(const std::string& folder, std::string* error) {
  const std::filesystem::path root(folder);
  SceneDatabaseWriter writer;
  LevelAssets levelAssets;
  if (!BuildSampleScenes(writer, error, &levelAssets) ||
      !WriteSampleFile(root / "data" / "data.dtm", writer.Bytes(), error) ||
      !WriteSampleFile(root / "data" / "data.xml", SampleManifest(), error)) {
    return false;
  }
  for (const SamplePicture& picture : SamplePictures()) {
    if (!WriteSamplePicture(root / picture.entry.path, picture.draw(), error)) return false;
  }
  for (const KindsPicture& picture : KindsPictures()) {
    if (!WriteSamplePicture(root / picture.entry.path, picture.image, error)) return false;
  }
  if (!WriteControlsPictures(folder, error) || !WriteStoryPictures(folder, error) ||
      !WriteFrontEndPictures(folder, error) || !WriteHudPictures(folder, error) ||
      !WriteSampleLevelPictures(folder, levelAssets, error)) {
    return false;
  }
  int frequency = 330;
  for (const std::string& id : SoundIds()) {
    const std::filesystem::path path = root / "data" / "sounds" / (SoundFileStem(id) + ".wav");
    if (!WriteSampleFile(path, ToneWavBytes(frequency, 60), error)) return false;
    frequency += 20;
  }
  return true;
}

bool MakeSampleFonts(const std::string& folder, const std::string& fontMaker, const std::string& ttf,
                     std::string* error) {
  for (const SampleFontSpec& font : SampleFonts()) {
    const std::string out = folder + "/" + font.folder;
    std::error_code ec;
    std::filesystem::create_directories(out, ec);
    const std::string command = ShellQuoted(fontMaker) + " " + ShellQuoted(ttf) + " " + std::to_string(font.pixels) +
                                " " + ShellQuoted(out) + " >/dev/null";
    if (std::system(command.c_str()) != 0) {
      if (error != nullptr) *error = "make_font failed for " + font.id;
      return false;
    }
  }
  return true;
}

}  // namespace Kivo
