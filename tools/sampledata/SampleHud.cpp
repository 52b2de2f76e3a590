#include "tools/sampledata/SampleHud.h"

#include <algorithm>
#include <filesystem>

#include "tools/sampledata/DataWriters.h"
#include "tools/sampledata/SampleDrawing.h"

namespace Kivo {

namespace {

using namespace sample;

constexpr uint32_t kSprite = 3;
constexpr uint32_t kButton = 4;
constexpr uint32_t kText = 5;
constexpr uint32_t kSlider = 6;
constexpr uint32_t kEmitter = 15;

constexpr float kLeft = 690.0f;  // the panel starts at 680
constexpr float kWidth = 100.0f;

struct HudPicture {
  DtmImage entry;
  ImageLib::Image image;
};

HudPicture Entry(const std::string& key, int columns, ImageLib::Image image) {
  return {{key, "data/images/hud/" + key + ".png", false, columns, 1}, std::move(image)};
}

// Four button cells side by side: disabled, normal, hover, pressed.
ImageLib::Image ButtonCells(int cellWidth, int height, uint32_t base) {
  const uint32_t cells[4] = {0x606060, base, base + 0x202020, base - 0x101010};
  return Picture(cellWidth * 4, height, [=](int x, int y) {
    const int cell = x / cellWidth;
    const int cx = x % cellWidth;
    const bool edge = cx < 2 || cx >= cellWidth - 2 || y < 2 || y >= height - 2;
    return Opaque(edge ? 0x202020 : cells[cell]);
  });
}

// The counter's slot in a kind that counts nothing: a closed plate of the
// panel's own colours, bevelled and screwed shut, with a slit across it, so
// it reads as a shutter over an unused gauge rather than a hole.
ImageLib::Image ClosedPlate(int width, int height) {
  return Picture(width, height, [=](int x, int y) -> uint32_t {
    const int r = 6;
    const int cx = x < r ? r : (x >= width - r ? width - 1 - r : x);
    const int cy = y < r ? r : (y >= height - r ? height - 1 - r : y);
    const int d2 = (x - cx) * (x - cx) + (y - cy) * (y - cy);
    if (d2 > r * r) return 0u;
    const int edge = std::min(std::min(x, width - 1 - x), std::min(y, height - 1 - y));
    if (edge < 1 || d2 > (r - 1) * (r - 1)) return Opaque(0x141020);
    // Light from the top left: the upper and left rims bright, the others dark.
    if (edge < 3) {
      const bool lit = (x < 3 || y < 3) && x < width - 3 && y < height - 3;
      return Opaque(lit ? 0x6A5C88 : 0x1E1830);
    }
    for (const int sx : {9, width - 10}) {
      const int dx = x - sx;
      const int dy = y - height / 2;
      if (dx * dx + dy * dy <= 9) return Opaque(dx == dy || dx == -dy ? 0x2A2238 : 0x9A90B0);
    }
    const int mid = height / 2;
    if (x >= 18 && x < width - 18 && y >= mid - 2 && y <= mid + 1) return Opaque(y < mid ? 0x120E1A : 0x5A4E74);
    return Opaque(y < height / 2 ? 0x3E3456 : 0x362D4C);
  });
}

std::vector<HudPicture> HudPictures() {
  std::vector<HudPicture> pictures;
  pictures.push_back(Entry("hud_panel", 1, Flat(120, 600, 0x2A2238)));
  pictures.push_back(Entry("hud_button", 4, ButtonCells(100, 36, 0x4060A0)));
  pictures.push_back(Entry("hud_hint", 4, ButtonCells(100, 40, 0x40A060)));
  pictures.push_back(Entry("hud_bar_back", 1, Flat(100, 12, 0x101018)));
  pictures.push_back(Entry("hud_bar_fill", 1, Flat(100, 12, 0xE0C040)));
  // Half-transparent grey over a feature the level does not use.
  pictures.push_back(Entry("hud_disabled", 1, Picture(100, 40, [](int, int) { return 0x80404040u; })));
  pictures.push_back(Entry("hud_counter_closed", 1, ClosedPlate(100, 46)));
  // A red cross on a transparent square.
  pictures.push_back(Entry("hud_cross", 1, Picture(32, 32, [](int x, int y) {
                             const int d1 = x - y;
                             const int d2 = x + y - 31;
                             return (d1 >= -2 && d1 <= 2) || (d2 >= -2 && d2 <= 2) ? 0xFFE02020u : 0u;
                           })));
  return pictures;
}

DtmRecord Sprite(const std::string& name, const std::string& image, float top, float height) {
  DtmRecord sprite = Placed(name, kSprite, kLeft, top, kWidth, height);
  sprite.Property("_keyImg", image);
  return sprite;
}

DtmRecord Button(const std::string& name, const std::string& image, const std::string& caption, float top,
                 float height) {
  DtmRecord button = Placed(name, kButton, kLeft, top, kWidth, height);
  button.Property("_keyImg", image);
  if (!caption.empty()) button.Property("_keyText", caption).Property("_sFont", "FONT_GENERAL");
  return button;
}

DtmRecord Bar(const std::string& name, float top, float height) {
  DtmRecord bar = Placed(name, kSlider, kLeft, top, kWidth, height);
  bar.Property("_keyImg", "hud_bar_fill").Property("_keyImgBack", "hud_bar_back").Property("_fSpeed", "0.02");
  return bar;
}

DtmRecord Text(const std::string& name, const std::string& key, float top) {
  DtmRecord text = Placed(name, kText, kLeft, top, kWidth, 24);
  text.Property("_keyText", key).Property("_sFont", "FONT_GENERAL").Property("_iAlign", "0");
  return text;
}

DtmRecord Emitter(const std::string& name, const std::string& effect, float top) {
  DtmRecord emitter = Placed(name, kEmitter, kLeft + 40, top, 20, 20);
  emitter.Property("_keyEff", effect);
  return emitter;
}

// The miss cross: invisible until its "go" animation fades it out from the
// point of the miss.
DtmRecord Cross() {
  DtmRecord cross = Placed("sprCross", kSprite, 0, 0, 32, 32);
  cross.Property("_keyImg", "hud_cross")
      .Property("_iAlph", "0")
      .Property("_iAniKey_go", "40")
      .Property("_iAniRate_go", "50")
      .Property("_sAniKey_go_1", "c(255,255,255,255) s(1.3,1.3)")
      .Property("_sAniKey_go_10", "c(255,255,255,255) s(1.0,1.0)")
      .Property("_sAniKey_go_40", "c(0,255,255,255) s(1.0,1.0)");
  return cross;
}

DtmRecord HudScene() {
  DtmRecord root = Placed("hudRoot", kSprite, 680, 0, 120, 600);
  root.Property("_keyImg", "hud_panel")
      // The name rows of the text list: the panel's width less a margin.
      .Property("_iListTextLineWidth", "110")
      .Property("_iListTextLineInterval", "40")
      .Property("_iListTextLineSpacing", "18");
  root.Child(Button("btnMenu", "hud_button", "hud_menu", 10, 36))
      .Child(Button("btnPurpose", "hud_button", "hud_goal", 52, 36))
      .Child(Bar("progressBarTime", 100, 12))
      .Child(Text("txtTime", "hud_time", 116))
      .Child(Sprite("sprDisabledTime", "hud_disabled", 96, 46))
      // Under the hint button, so the slot keeps its caption when a kind
      // gives no hint and the button is hidden behind the grey veil.
      .Child(Text("txtHintOff", "hud_hint_caption", 168))
      .Child(Button("btnHint", "hud_hint", "hud_hint_caption", 160, 40))
      .Child(Bar("progressBarHint", 204, 10))
      .Child(Sprite("sprDisabledHint", "hud_disabled", 160, 54))
      .Child(Emitter("effHintClosed", "fxsparkle", 170))
      // The hint's answer for every kind whose level scene has none of its own.
      .Child(Emitter("effHint", "fxsparkle", 170))
      .Child(Sprite("sprDisabledList", "hud_disabled", 230, 220))
      .Child(Bar("progressBarItems", 466, 12))
      .Child(Text("txtItems", "hud_items", 482))
      .Child(Sprite("sprDisabledItems", "hud_counter_closed", 462, 46))
      .Child(Button("btnSkip", "hud_button", "hud_skip", 526, 36))
      .Child(Bar("progressBarSkip", 570, 10))
      .Child(Cross());
  return root;
}

}  // namespace

bool AddHudScene(SceneDatabaseWriter& writer, std::string* error) {
  if (!writer.AddScene("mnGame", HudScene(), error)) return false;
  for (const HudPicture& picture : HudPictures()) {
    if (!writer.AddImage(picture.entry, error)) return false;
  }
  return true;
}

bool WriteHudPictures(const std::string& folder, std::string* error) {
  const std::filesystem::path root(folder);
  for (const HudPicture& picture : HudPictures()) {
    if (!WriteSamplePicture(root / picture.entry.path, picture.image, error)) return false;
  }
  return true;
}

std::vector<std::pair<std::string, std::wstring>> HudTexts() {
  return {
      {"hud_menu", L"Menu"},
      {"hud_goal", L"Goal"},
      {"hud_hint_caption", L"Hint"},
      {"hud_skip", L"Skip"},
      {"hud_time", L"%d:%02d"},
      {"hud_items", L"%d left"},
      {"easyBarTime", L"No hurry"},
      {"level_up", L"Level complete!"},
      {"congra", L"Well done"},
      {"no_time", L"Time is up"},
      {"straf", L"Too many misses: the clock runs faster"},
      {"pause", L"Pause"},
  };
}

}  // namespace Kivo
