#include "tools/sampledata/SampleFrontEnd.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>

#include "resources/ImageLib.h"

namespace Kivo {

namespace {

constexpr uint32_t kTypePlain = 1;
constexpr uint32_t kTypeSprite = 3;
constexpr uint32_t kTypeButton = 4;
constexpr uint32_t kTypeText = 5;
constexpr uint32_t kTypeSlider = 6;

DtmRecord Placed(const std::string& name, uint32_t type, float left, float top, float width, float height) {
  DtmRecord record;
  record.name = name;
  record.type = type;
  record.SetRect(left, top, width, height);
  return record;
}

// An alpha ramp over 50 keys, played once.
void AlphaAnimation(DtmRecord& record, const std::string& name, int from, int to) {
  record.Property("_iAniKey_" + name, "50").Property("_iAniRate_" + name, "50");
  record.Property("_sAniKey_" + name + "_1", "c(" + std::to_string(from) + ",255,255,255)");
  record.Property("_sAniKey_" + name + "_50", "c(" + std::to_string(to) + ",255,255,255)");
}

DtmRecord SplashScene() {
  DtmRecord root = Placed("splashRoot", kTypePlain, 0, 0, 800, 600);
  DtmRecord splash = Placed("splash", kTypeSprite, 200, 150, 400, 300);
  AlphaAnimation(splash, "splash_in", 0, 255);
  AlphaAnimation(splash, "splash_wait", 255, 255);
  AlphaAnimation(splash, "splash_out", 255, 0);
  return root.Child(splash);
}

DtmRecord LoadingScene() {
  DtmRecord root = Placed("loadingRoot", kTypePlain, 0, 0, 800, 600);
  DtmRecord backdrop = Placed("loadingBack", kTypeSprite, 0, 0, 800, 600);
  backdrop.Property("_keyImg", "loading_back").Property("_sModeDraw", "NORMAL");
  DtmRecord bar = Placed("loadingBar", kTypeSlider, 200, 400, 400, 24);
  bar.Property("_keyImgBack", "loading_bar_back").Property("_keyImg", "loading_bar_fill");
  DtmRecord text = Placed("txtLoading", kTypeText, 200, 440, 400, 40);
  text.Property("_keyText", "loading").Property("_sFont", "FONT_GENERAL").Property("_iAlign", "0");
  return root.Child(backdrop).Child(bar).Child(text);
}

DtmRecord Button(const std::string& name, float top) {
  DtmRecord button = Placed(name, kTypeButton, 325, top, 150, 40);
  button.Property("_keyImg", "kinds_button").Property("_sFont", "FONT_GENERAL");
  return button;
}

// A warm backdrop, a golden star, the congratulation and the way back.
DtmRecord WinScene() {
  DtmRecord root = Placed("winRoot", kTypePlain, 0, 0, 800, 600);
  DtmRecord backdrop = Placed("winBack", kTypeSprite, 0, 0, 800, 600);
  backdrop.Property("_keyImg", "win_back").Property("_sModeDraw", "NORMAL");
  DtmRecord star = Placed("winStar", kTypeSprite, 300, 60, 200, 200);
  star.Property("_keyImg", "win_star").Property("_sModeDraw", "NORMAL");
  DtmRecord text = Placed("txtWin", kTypeText, 100, 290, 600, 120);
  text.Property("_keyText", "win_text")
      .Property("_sFont", "FONT_GENERAL")
      .Property("_colObj", "13693183")  // 0xFFF0D0: red in the low byte
      .Property("_iAlign", "0");
  DtmRecord button = Button("btnMenu", 500);
  button.Property("_keyText", "win_menu");
  return root.Child(backdrop).Child(star).Child(text).Child(button);
}

ImageLib::Image Flat(int width, int height, const std::function<uint32_t(int, int)>& pixel) {
  ImageLib::Image image(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) image.pixels[y * width + x] = pixel(x, y);
  }
  return image;
}

struct FrontEndPicture {
  DtmImage entry;
  ImageLib::Image image;
};

std::vector<FrontEndPicture> TablePictures() {
  std::vector<FrontEndPicture> pictures;
  // An arrow: the upper-left triangle of a 32 x 32 square, dark edged.
  pictures.push_back(
      {{"cust_cursor", "data/images/front/cust_cursor.png", true, 1, 1}, Flat(32, 32, [](int x, int y) -> uint32_t {
         if (x > y || x + y > 40) return 0;
         return x == 0 || x == y ? 0xFF101010u : 0xFFF0F0F0u;
       })});
  // The loading screen: a dusky backdrop, the bar's framed track and its fill.
  pictures.push_back({{"loading_back", "data/images/front/loading_back.png", false, 1, 1},
                      Flat(800, 600, [](int x, int y) -> uint32_t {
                        const uint32_t blue = static_cast<uint32_t>(60 + y * 80 / 600);
                        const uint32_t green = static_cast<uint32_t>(30 + (x + y) * 40 / 1400);
                        return 0xFF000000u | 0x18u << 16 | green << 8 | blue;
                      })});
  pictures.push_back({{"loading_bar_back", "data/images/front/loading_bar_back.png", false, 1, 1},
                      Flat(400, 24, [](int x, int y) -> uint32_t {
                        return x < 2 || y < 2 || x >= 398 || y >= 22 ? 0xFFE0E0E0u : 0xFF202830u;
                      })});
  pictures.push_back({{"loading_bar_fill", "data/images/front/loading_bar_fill.png", false, 1, 1},
                      Flat(400, 24, [](int x, int y) -> uint32_t {
                        return x < 2 || y < 2 || x >= 398 || y >= 22 ? 0u : 0xFFE0B040u;
                      })});
  // The name dialog's field: a dark box with a light rim, so the place to
  // type shows before the first letter.
  pictures.push_back(
      {{"dlg_field", "data/images/front/dlg_field.png", false, 1, 1}, Flat(360, 40, [](int x, int y) -> uint32_t {
         return x < 2 || y < 2 || x >= 358 || y >= 38 ? 0xFFE0E0E0u : 0xFF182028u;
       })});
  // The dialogs' panel: darker than the menu's backdrop behind it and held
  // in a golden frame, so a dialog reads as a board laid over the screen.
  pictures.push_back(
      {{"dlg_panel", "data/images/front/dlg_panel.png", false, 1, 1}, Flat(400, 300, [](int x, int y) -> uint32_t {
         const int edge = std::min(std::min(x, y), std::min(399 - x, 299 - y));
         if (edge < 2) return 0xFF100C18u;
         if (edge < 6) return edge == 3 ? 0xFFF0D070u : 0xFFC89838u;
         if (edge < 8) return 0xFF2A1E10u;
         const uint32_t red = static_cast<uint32_t>(34 + x * 40 / 400);
         const uint32_t green = static_cast<uint32_t>(36 + y * 36 / 300);
         const uint32_t blue = static_cast<uint32_t>(84 + (x + y) * 50 / 700);
         return 0xFF000000u | red << 16 | green << 8 | blue;
       })});
  // The options' toggles: an empty box when off, a ticked one when on.
  pictures.push_back(
      {{"opt_toggle", "data/images/front/opt_toggle.png", false, 2, 1}, Flat(80, 40, [](int x, int y) -> uint32_t {
         const bool on = x >= 40;
         const int bx = x % 40;
         if (bx < 4 || bx >= 36 || y < 4 || y >= 36) return 0;
         if (bx < 7 || bx >= 33 || y < 7 || y >= 33) return 0xFFF0F0F0u;
         // The tick: a short stroke down to the right, a long one up, its
         // foot clear of the box's rim.
         const bool tick = (bx >= 11 && bx <= 19 && y - bx >= 1 && y - bx <= 5) ||
                           (bx >= 17 && bx <= 29 && y + bx >= 39 && y + bx <= 44);
         if (on) return tick ? 0xFFFFFFFFu : 0xFF30A040u;
         return 0xFF283040u;
       })});
  // The win screen: a dusk from purple to gold, and a golden star.
  pictures.push_back(
      {{"win_back", "data/images/front/win_back.png", false, 1, 1}, Flat(800, 600, [](int, int y) -> uint32_t {
         const uint32_t r = static_cast<uint32_t>(0x30 + y * 0x60 / 600);
         const uint32_t g = static_cast<uint32_t>(0x18 + y * 0x28 / 600);
         const uint32_t b = static_cast<uint32_t>(0x50 - y * 0x30 / 600);
         return 0xFF000000u | r << 16 | g << 8 | b;
       })});
  pictures.push_back(
      {{"win_star", "data/images/front/win_star.png", false, 1, 1}, Flat(200, 200, [](int x, int y) -> uint32_t {
         // Five points: the radius limit swings with the angle.
         const double dx = x - 99.5;
         const double dy = y - 99.5;
         const double r = std::sqrt(dx * dx + dy * dy);
         const double a = std::atan2(dy, dx) * 5.0 / 2.0;
         const double limit = 52.0 + 44.0 * std::pow(std::fabs(std::cos(a)), 3.0);
         if (r >= limit) return 0;
         return r >= limit - 5.0 ? 0xFF805010u : 0xFFF0C040u;
       })});
  for (int card = 1; card <= 8; ++card) {
    const uint32_t colour = 0xFF000000u | static_cast<uint32_t>(card * 0x1F2D3B % 0xFFFFFF);
    pictures.push_back(
        {{"card" + std::to_string(card), "data/images/front/card" + std::to_string(card) + ".png", card <= 4, 1, 1},
         Flat(64, 96, [colour](int x, int y) { return x < 3 || y < 3 || x >= 61 || y >= 93 ? 0xFFFFFFFFu : colour; })});
  }
  return pictures;
}

// A diagonal blend between two colours.
ImageLib::Image SplashPicture(uint32_t from, uint32_t to) {
  return Flat(400, 300, [from, to](int x, int y) {
    const int t = (x + y) * 255 / 698;
    uint32_t pixel = 0xFF000000u;
    for (int shift = 0; shift <= 16; shift += 8) {
      const int a = static_cast<int>((from >> shift) & 0xFF);
      const int b = static_cast<int>((to >> shift) & 0xFF);
      pixel |= static_cast<uint32_t>(a + (b - a) * t / 255) << shift;
    }
    return pixel;
  });
}

bool Written(bool ok, const std::filesystem::path& path, std::string* error) {
  if (!ok && error != nullptr) *error = "cannot write " + path.string();
  return ok;
}

}  // namespace

bool AddFrontEndScenes(SceneDatabaseWriter& writer, std::string* error) {
  if (!writer.AddScene("mnSplash", SplashScene(), error) || !writer.AddScene("mnLoading", LoadingScene(), error) ||
      !writer.AddScene("mnWin", WinScene(), error)) {
    return false;
  }
  for (const FrontEndPicture& picture : TablePictures()) {
    if (!writer.AddImage(picture.entry, error)) return false;
  }
  return true;
}

bool WriteFrontEndPictures(const std::string& folder, std::string* error) {
  const std::filesystem::path root(folder);
  std::error_code ec;
  std::filesystem::create_directories(root / "data" / "images" / "front", ec);
  std::filesystem::create_directories(root / "data" / "splash", ec);
  for (const FrontEndPicture& picture : TablePictures()) {
    const std::filesystem::path path = root / picture.entry.path;
    if (!Written(ImageLib::WritePngImage(path.string(), picture.image), path, error)) return false;
  }
  const std::filesystem::path jpeg = root / "data" / "splash" / "splash_4.jpg";
  const std::filesystem::path png = root / "data" / "splash" / "splash_2.png";
  return Written(ImageLib::WriteJpegImage(jpeg.string(), SplashPicture(0x203060, 0xE0C080)), jpeg, error) &&
         Written(ImageLib::WritePngImage(png.string(), SplashPicture(0x602030, 0x80E0C0)), png, error);
}

std::vector<std::pair<std::string, std::wstring>> FrontEndTexts() {
  return {{"click", L"Click to continue"},
          {"loading", L"Loading..."},
          {"welcome", L"Welcome!"},
          {"win_text", L"Congratulations! Every place is searched and the sage's notebook is whole again."},
          {"win_menu", L"Main menu"}};
}

}  // namespace Kivo
