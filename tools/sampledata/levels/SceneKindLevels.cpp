#include "tools/sampledata/levels/SceneKindLevels.h"

#include <cmath>
#include <string>

#include "tools/sampledata/SampleDrawing.h"

namespace Kivo {

namespace {

using sample::Opaque;
using sample::Placed;

const char kHuntScene[] = "data/scenes/hunt_birds.xml";
const char kLeavesScene[] = "data/scenes/what_new_leaves.xml";

// A colour of six hues by index, with the given value.
uint32_t Tone(int index, int value) {
  static const uint32_t hues[] = {0xE04040, 0x40C040, 0x4060E0, 0xE0C040, 0xC040C0, 0x40C0C0};
  const uint32_t rgb = hues[index % 6];
  const uint32_t r = ((rgb >> 16) & 0xFF) * static_cast<uint32_t>(value) / 255;
  const uint32_t g = ((rgb >> 8) & 0xFF) * static_cast<uint32_t>(value) / 255;
  const uint32_t b = (rgb & 0xFF) * static_cast<uint32_t>(value) / 255;
  return Opaque((r << 16) | (g << 8) | b);
}

// The level root with a gradient background of the kind's own tone.
DtmRecord LevelRoot(const LevelSlot& slot, LevelAssets& assets, int tone) {
  const std::string key = "bg_scene_" + std::to_string(tone) + "_" + std::to_string(slot.appearance % 2);
  const int shift = (slot.appearance % 2) * 30;
  assets.Add(key, sample::Picture(80, 60, [tone, shift](int x, int y) {
               const uint32_t base = static_cast<uint32_t>(30 + y + shift);
               const uint32_t blue = static_cast<uint32_t>(90 + x + tone * 10);
               return Opaque((base << 16) | ((base + 20) << 8) | std::min<uint32_t>(blue, 255));
             }));
  DtmRecord root = Placed("level", 3, 0, 0, 800, 600);
  root.Property("type_game", slot.type);
  root.Property("_keyImg", key);
  return root;
}

// A disc of radius r in a square picture, with a lighter ring and a mark
// at its top, transparent outside.
ImageLib::Image Disc(int side, uint32_t colour, uint32_t mark) {
  return sample::Picture(side, side, [side, colour, mark](int x, int y) -> uint32_t {
    const float dx = static_cast<float>(x) - side / 2.0f + 0.5f;
    const float dy = static_cast<float>(y) - side / 2.0f + 0.5f;
    const float d = std::sqrt(dx * dx + dy * dy);
    if (d > side / 2.0f) return 0;
    if (dy < -side / 4.0f && std::fabs(dx) < side / 8.0f) return mark;
    return d > side / 2.0f - 3.0f ? Opaque(0xF0F0F0) : colour;
  });
}

// A bird: a body ellipse with a wing stripe and a beak on the right.
ImageLib::Image Bird(int index) {
  return sample::Picture(48, 32, [index](int x, int y) -> uint32_t {
    const float dx = (x - 22.0f) / 20.0f;
    const float dy = (y - 16.0f) / 12.0f;
    if (x >= 40 && y >= 13 && y <= 18) return Opaque(0xF0C020);  // beak
    if (dx * dx + dy * dy > 1.0f) return 0;
    if (y < 12 && x > 10 && x < 30) return Tone(index + 3, 160);  // wing
    return Tone(index, 220);
  });
}

// The flight of one bird: across the sky at height y, leaving the left
// edge and ending at the right one after 3 s.
std::string Flight(const std::string& id, int x0, int x1, int y) {
  const std::string a = std::to_string(x0) + ";" + std::to_string(y);
  const std::string m = std::to_string((x0 + x1) / 2) + ";" + std::to_string(y - 40);
  const std::string b = std::to_string(x1) + ";" + std::to_string(y);
  return "      <object type=\"dummy\" id=\"" + id +
         "\">\r\n"
         "        <animation id=\"fly\" ftl=\"0.05\" loop=\"0\">\r\n"
         "          <key frame=\"0\" position=\"" +
         a +
         "\"/>\r\n"
         "          <key frame=\"30\" position=\"" +
         m +
         "\"/>\r\n"
         "          <key frame=\"60\" position=\"" +
         b +
         "\"/>\r\n"
         "        </animation>\r\n"
         "      </object>\r\n";
}

std::string Sway(const std::string& id, int x, int y) {
  const std::string a = std::to_string(x) + ";" + std::to_string(y);
  const std::string b = std::to_string(x + 12) + ";" + std::to_string(y + 4);
  return "      <object type=\"dummy\" id=\"" + id +
         "\">\r\n"
         "        <animation id=\"sway\" ftl=\"0.05\" loop=\"0\">\r\n"
         "          <key frame=\"0\" position=\"" +
         a + "\" angle=\"0\"/>\r\n          <key frame=\"5\" position=\"" + b +
         "\" angle=\"0.2\"/>\r\n          <key frame=\"10\" position=\"" + a +
         "\" angle=\"0\"/>\r\n"
         "        </animation>\r\n"
         "      </object>\r\n";
}

// A pipe tile of the given openings (bit 0 left, 1 top, 2 right, 3 bottom)
// in 64 x 64: a stone tile with the pipes as bands from the centre.
ImageLib::Image PipeTile(int openings, int kind, bool water) {
  return sample::Picture(64, 64, [openings, kind, water](int x, int y) -> uint32_t {
    const bool across = y >= 24 && y < 40;
    const bool down = x >= 24 && x < 40;
    const bool hub = across && down;
    const bool pipe = hub || (across && x < 32 && (openings & 1)) || (down && y < 32 && (openings & 2)) ||
                      (across && x >= 32 && (openings & 4)) || (down && y >= 32 && (openings & 8));
    if (water) return pipe ? 0xC02080F0u : 0;
    if (pipe) return Opaque(0x808890);
    const bool edge = x == 0 || y == 0 || x == 63 || y == 63;
    return edge ? Opaque(0x302820) : Opaque(0x605040 + static_cast<uint32_t>(kind * 3));
  });
}

}  // namespace

std::vector<SampleXmlScene> SceneKindXmlScenes() {
  std::string hunt = "<body>\r\n  <object id=\"Root\">\r\n    <childs>\r\n";
  hunt += Flight("sprBird1", 40, 640, 160);
  hunt += Flight("sprBird2", 640, 40, 300);
  hunt += "    </childs>\r\n  </object>\r\n</body>\r\n";
  std::string leaves =
      "<body>\r\n"
      "  <object id=\"Root\">\r\n"
      "    <animation id=\"turn\" ftl=\"0.05\" loop=\"0\">\r\n"
      "      <key frame=\"0\" position=\"0;0\"/>\r\n"
      "      <key frame=\"10\" position=\"0;0\"/>\r\n"
      "    </animation>\r\n"
      "    <childs>\r\n";
  leaves += Sway("Leaf1", 160, 120);
  leaves += Sway("Leaf2", 520, 140);
  leaves += "    </childs>\r\n  </object>\r\n</body>\r\n";
  return {{kHuntScene, hunt}, {kLeavesScene, leaves}};
}

DtmRecord MakeHunterLevel(const LevelSlot& slot, LevelAssets& assets) {
  DtmRecord root = LevelRoot(slot, assets, 0);
  root.Property("_sScenePath", kHuntScene);
  root.Property("_iTaskBirdCount", std::to_string(2 + slot.appearance % 3));
  for (int i = 1; i <= 2; ++i) {
    const std::string key = "hunt_bird" + std::to_string(i);
    assets.Add(key, Bird(i));
    root.Child(Placed("sprBird" + std::to_string(i), 3, 0, 0, 48, 32).Property("_keyImg", key));
  }
  // Scenery in front of the lower sky: a hill the birds never cross.
  assets.Add("hunt_hill", sample::Picture(200, 80, [](int x, int y) -> uint32_t {
               const float dx = (x - 100.0f) / 100.0f;
               return y > 80.0f * dx * dx ? Opaque(0x306020 + static_cast<uint32_t>(y)) : 0u;
             }));
  root.Child(Placed("sprHill", 3, 120 + 60.0f * static_cast<float>(slot.appearance % 3), 440, 200, 80)
                 .Property("_keyImg", "hunt_hill"));
  root.Child(Placed("txtInfo", 5, 300, 540, 120, 24).Property("_sFont", "FONT_TEXT"));
  return root;
}

DtmRecord MakeTruboLevel(const LevelSlot& slot, LevelAssets& assets) {
  static const int kOpenings[] = {15, 2, 4, 1, 8, 13, 14, 11, 7, 10, 5, 6};
  DtmRecord root = LevelRoot(slot, assets, 1);
  root.Property("_fWaterTimer", "600");
  for (int kind = 0; kind < 12; ++kind) {
    const std::string tube = "pipe_tube" + std::to_string(kind);
    const std::string water = "pipe_water" + std::to_string(kind);
    assets.Add(tube, PipeTile(kOpenings[kind], kind, false));
    assets.Add(water, PipeTile(kOpenings[kind], kind, true));
    root.Child(Placed("spTube" + std::to_string(kind), 3, 690, 0, 64, 64).Property("_keyImg", tube));
    root.Child(Placed("sprWater" + std::to_string(kind), 3, 690, 0, 64, 64).Property("_keyImg", water));
  }
  assets.Add("pipe_start", sample::Picture(100, 40, [](int x, int y) {
               const bool edge = x < 3 || y < 3 || x >= 97 || y >= 37;
               return edge ? Opaque(0xF0F0F0) : Opaque(0x2060C0 + static_cast<uint32_t>(y));
             }));
  assets.Add("pipe_timer",
             sample::Picture(100, 12, [](int x, int) { return Opaque(0x20A0F0 + static_cast<uint32_t>(x)); }));
  const float left = 20.0f + 20.0f * static_cast<float>(slot.appearance % 2);
  root.Child(Placed("rectLevel", 18, left, 60, 512, 448));
  root.Child(Placed("btnStartWater", 4, 560, 520, 100, 40).Property("_keyImg", "pipe_start"));
  root.Child(Placed("sprTimer", 3, 560, 30, 100, 12).Property("_keyImg", "pipe_timer"));
  return root;
}

DtmRecord MakeStarmapLevel(const LevelSlot& slot, LevelAssets& assets) {
  DtmRecord root = LevelRoot(slot, assets, 2);
  assets.Add("star_sky", sample::Picture(150, 125, [](int x, int y) -> uint32_t {
               const bool line = std::abs((y - 30) - (x - 30) / 3) < 2 && x > 25 && x < 100;
               return line ? Opaque(0xF0F0C0) : Opaque(0x101838 + static_cast<uint32_t>(y / 8));
             }));
  assets.Add("star_mini", sample::Picture(70, 60, [](int x, int y) {
               const bool edge = x < 2 || y < 2 || x >= 68 || y >= 58;
               return edge ? Opaque(0xC0C0C0) : Opaque(0x202848);
             }));
  root.Child(Placed("sprStarTrack", 3, 40, 40, 600, 500).Property("_keyImg", "star_sky"));
  root.Child(Placed("sprStarMini", 3, 500, 420, 140, 120).Property("_keyImg", "star_mini"));
  const float shift = 40.0f * static_cast<float>(slot.appearance % 3);
  for (int n = 0; n < 2; ++n) {
    const std::string key = "star_type" + std::to_string(n);
    assets.Add(key, Disc(24, Tone(n + 3, 240), Opaque(0xFFFFFF)));
    root.Child(Placed("sprStar" + std::to_string(n), 3, 150 + 150.0f * static_cast<float>(n) + shift,
                      150 + 60.0f * static_cast<float>(n), 24, 24)
                   .Property("_keyImg", key)
                   .Property("_iStarType", std::to_string(n)));
  }
  return root;
}

DtmRecord MakeAssocLevel(const LevelSlot& slot, LevelAssets& assets) {
  DtmRecord root = LevelRoot(slot, assets, 3);
  for (int i = 1; i <= 2; ++i) {
    const std::string cell = "assoc_cell" + std::to_string(i);
    const std::string element = "assoc_element" + std::to_string(i);
    // Two frames: the empty cell with the element's outline, then filled.
    assets.Add(cell,
               sample::Picture(192, 96,
                               [i](int x, int y) {
                                 const int lx = x % 96;
                                 const bool filled = x >= 96;
                                 const bool edge = lx < 3 || y < 3 || lx >= 93 || y >= 93;
                                 if (edge) return Opaque(filled ? 0xF0E060 : 0xA0A0A0);
                                 return filled ? Tone(i, 120) : Opaque(0x303030 + static_cast<uint32_t>(i * 0x10));
                               }),
               2, 1);
    assets.Add(element, Disc(64, Tone(i, 230), Opaque(0x101010)));
    const float swap = slot.appearance % 2 == 1 ? 1.0f : 0.0f;
    const float cellX = 140.0f + 260.0f * static_cast<float>(i - 1);
    const float elementX = 180.0f + 260.0f * (i == 1 ? swap : 1.0f - swap);
    root.Child(Placed("cell" + std::to_string(i), 3, cellX, 120, 96, 96)
                   .Property("_keyImg", cell)
                   .Property("_Element", "element" + std::to_string(i)));
    root.Child(Placed("element" + std::to_string(i), 3, elementX, 400, 64, 64).Property("_keyImg", element));
  }
  // These kinds draw the HUD first and the level over it: the HUD comes
  // back on top at this place in the level.
  root.Child(Placed("game_menu_draw", 1, 680, 0, 120, 600));
  return root;
}

DtmRecord MakePairsLevel(const LevelSlot& slot, LevelAssets& assets) {
  DtmRecord root = LevelRoot(slot, assets, 4);
  for (int p = 0; p < 2; ++p) {
    assets.Add("pairs_pic" + std::to_string(p), Disc(72, Tone(p * 2 + 1, 230), Tone(p * 2 + 4, 120)));
  }
  // Four items in a row; later appearances mix the order.
  static const int kOrders[3][4] = {{0, 1, 0, 1}, {0, 0, 1, 1}, {1, 0, 0, 1}};
  const int* order = kOrders[slot.appearance % 3];
  int seen[2] = {0, 0};
  for (int i = 0; i < 4; ++i) {
    const int p = order[i];
    const std::string name = std::string("item_") + (p == 0 ? "a" : "b") + std::to_string(++seen[p]);
    root.Child(Placed(name, 7, 100 + 130.0f * static_cast<float>(i), 240, 72, 72)
                   .Property("_keyImg", "pairs_pic" + std::to_string(p))
                   .Property("_sModeDraw", "NORMAL"));
  }
  return root;
}

DtmRecord MakeWhatNewLevel(const LevelSlot& slot, LevelAssets& assets) {
  DtmRecord root = LevelRoot(slot, assets, 5);
  root.Property("_sLeafsPath", kLeavesScene);
  for (int i = 1; i <= 2; ++i) {
    const std::string key = "whatnew_leaf" + std::to_string(i);
    assets.Add(key, sample::Picture(90, 50, [i](int x, int y) -> uint32_t {
                 const float dx = (x - 45.0f) / 45.0f;
                 const float dy = (y - 25.0f) / 25.0f;
                 if (dx * dx + dy * dy > 1.0f) return 0;
                 return std::abs(y - 25) < 2 ? Opaque(0x204010) : Tone(i, 150 + 20 * i);
               }));
    root.Child(
        Placed("Leaf" + std::to_string(i), 3, i == 1 ? 115 : 475, i == 1 ? 95 : 115, 90, 50).Property("_keyImg", key));
  }
  for (int i = 1; i <= 2; ++i) {
    const std::string key = "whatnew_item" + std::to_string(i);
    assets.Add(key, Disc(56, Tone(i + 2, 220), Opaque(0xFFFFFF)));
    const float x = 200.0f + 220.0f * static_cast<float>(i - 1) + 20.0f * static_cast<float>(slot.appearance % 3);
    root.Child(Placed("item" + std::to_string(i), 7, x, 320, 56, 56)
                   .Property("_keyImg", key)
                   .Property("_sModeDraw", "NORMAL"));
  }
  // These kinds draw the HUD first and the level over it: the HUD comes
  // back on top at this place in the level.
  root.Child(Placed("game_menu_draw", 1, 680, 0, 120, 600));
  return root;
}

}  // namespace Kivo
