#include "tools/sampledata/levels/FindListLevels.h"

#include <algorithm>
#include <cstdint>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "tools/sampledata/SampleDrawing.h"

namespace Kivo {

namespace {

using sample::Opaque;
using sample::Picture;
using sample::Placed;

enum class Shape { kBall, kBox, kVase, kKey, kCup, kDiamond, kRing, kBottle, kBook, kLeaf, kCandle, kPlate };

struct ItemKind {
  const char* key;  // picture key and, with "_name", text key
  const wchar_t* name;
  int width;
  int height;
  uint32_t colour;  // 0xRRGGBB
  Shape shape;
};

// Twelve items of different shapes, sizes and colours: upright ones test the
// list's height fit, wide ones its width fit.
const ItemKind kItems[] = {
    {"fl_ball", L"Red ball", 48, 48, 0xD03030, Shape::kBall},
    {"fl_box", L"Crate", 56, 44, 0x9A6A34, Shape::kBox},
    {"fl_vase", L"Blue vase", 36, 80, 0x3050C0, Shape::kVase},
    {"fl_key", L"Golden key", 84, 30, 0xD8B020, Shape::kKey},
    {"fl_cup", L"Tea cup", 50, 50, 0x40A0A0, Shape::kCup},
    {"fl_gem", L"Green gem", 46, 60, 0x20A040, Shape::kDiamond},
    {"fl_ring", L"Silver ring", 54, 54, 0xA0A0B0, Shape::kRing},
    {"fl_bottle", L"Bottle", 30, 90, 0x208060, Shape::kBottle},
    {"fl_book", L"Old book", 90, 40, 0x802040, Shape::kBook},
    {"fl_leaf", L"Maple leaf", 60, 40, 0xD07020, Shape::kLeaf},
    {"fl_candle", L"Candle", 22, 70, 0xE8E0C0, Shape::kCandle},
    {"fl_plate", L"Plate", 96, 36, 0x6080C0, Shape::kPlate},
};
constexpr int kItemKinds = static_cast<int>(sizeof(kItems) / sizeof(kItems[0]));

// Whether (x, y) lies on the shape drawn in a width x height picture.
bool OnShape(Shape shape, int x, int y, int w, int h) {
  const float u = (static_cast<float>(x) + 0.5f) / static_cast<float>(w) * 2.0f - 1.0f;  // -1..1
  const float v = (static_cast<float>(y) + 0.5f) / static_cast<float>(h) * 2.0f - 1.0f;
  switch (shape) {
    case Shape::kBall: return u * u + v * v < 0.85f;
    case Shape::kBox: return std::abs(u) < 0.85f && std::abs(v) < 0.8f;
    case Shape::kVase: return v > -0.9f && std::abs(u) < (v < -0.6f ? 0.35f : 0.85f - 0.5f * v * v);
    case Shape::kKey:
      return ((u + 0.6f) * (u + 0.6f) * 4.0f + v * v < 0.7f) || (u > -0.3f && u < 0.9f && std::abs(v) < 0.25f) ||
             (u > 0.55f && u < 0.85f && v > 0.0f && v < 0.7f);
    case Shape::kCup:
      return (v > -0.5f && v < 0.8f && std::abs(u + 0.15f) < 0.6f) ||
             (u > 0.4f && u < 0.9f && std::abs(v - 0.1f) < 0.35f &&
              !(u > 0.5f && u < 0.8f && std::abs(v - 0.1f) < 0.2f));
    case Shape::kDiamond: return std::abs(u) + std::abs(v) < 0.9f;
    case Shape::kRing: {
      const float r = u * u + v * v;
      return r < 0.85f && r > 0.3f;
    }
    case Shape::kBottle:
      return (v > -0.2f && v < 0.92f && std::abs(u) < 0.8f) || (v >= -0.92f && v <= -0.2f && std::abs(u) < 0.35f);
    case Shape::kBook: return std::abs(u) < 0.9f && std::abs(v) < 0.75f;
    case Shape::kLeaf: return std::abs(u) + std::abs(v) * 1.2f < 0.9f || (std::abs(v) < 0.1f && u > 0.0f && u < 0.95f);
    case Shape::kCandle:
      return (v > -0.5f && v < 0.95f && std::abs(u) < 0.6f) || (u * u * 4.0f + (v + 0.7f) * (v + 0.7f) * 12.0f < 1.0f);
    case Shape::kPlate: return u * u + v * v * 2.0f < 0.9f;
  }
  return false;
}

uint32_t Mix(uint32_t a, uint32_t b, int percentOfB) {
  uint32_t out = 0;
  for (int shift : {0, 8, 16}) {
    const int ca = static_cast<int>((a >> shift) & 0xFF);
    const int cb = static_cast<int>((b >> shift) & 0xFF);
    out |= static_cast<uint32_t>((ca * (100 - percentOfB) + cb * percentOfB) / 100) << shift;
  }
  return out;
}

// The three rooms' palettes: wallpaper, its pattern, wood, floor.
struct RoomPalette {
  uint32_t wall;
  uint32_t pattern;
  uint32_t wood;
  uint32_t floor;
};
const RoomPalette kRooms[3] = {{0x5E7350, 0x6E8560, 0x7A5232, 0x5A4030},
                               {0x6E5F80, 0x7F7092, 0x6A4A36, 0x4A3A3A},
                               {0x7D6A4C, 0x8E7A5A, 0x5C4430, 0x3E4A56}};

// The item alone, transparent around its shape, shaded from the top left
// with a dark rim, its colour drawn a little toward the room's light so it
// belongs to the scene. Opaque at its centre, where a click always finds it.
ImageLib::Image ItemPicture(const ItemKind& kind, int room) {
  const uint32_t colour = Mix(kind.colour, kRooms[room].pattern, 18);
  const uint32_t edge = Mix(colour, 0x000000, 55);
  return Picture(kind.width, kind.height, [&kind, colour, edge](int x, int y) -> uint32_t {
    const bool centre = std::abs(2 * x + 1 - kind.width) <= 2 && std::abs(2 * y + 1 - kind.height) <= 2;
    if (!OnShape(kind.shape, x, y, kind.width, kind.height) && !centre) return 0u;
    const bool border = !OnShape(kind.shape, x - 2, y, kind.width, kind.height) ||
                        !OnShape(kind.shape, x + 2, y, kind.width, kind.height) ||
                        !OnShape(kind.shape, x, y - 2, kind.width, kind.height) ||
                        !OnShape(kind.shape, x, y + 2, kind.width, kind.height);
    if (border && !centre) return Opaque(edge);
    const int light = 40 - 70 * (x + y) / (kind.width + kind.height);
    return Opaque(light >= 0 ? Mix(colour, 0xFFFFFF, light) : Mix(colour, 0x000000, -light));
  });
}

// Small smooth noise from sines, -1..1, for grain and shading.
float Wave(float x, float y, int seed) {
  const float s = static_cast<float>(seed);
  return 0.5f * std::sin(x * 0.051f + y * 0.013f + s) + 0.3f * std::sin(x * 0.017f - y * 0.071f + 2.0f * s) +
         0.2f * std::sin((x + y) * 0.19f + 3.0f * s);
}

uint32_t Shade(uint32_t rgb, int percent) {
  return percent >= 0 ? Mix(rgb, 0xFFFFFF, std::min(percent, 100)) : Mix(rgb, 0x000000, std::min(-percent, 100));
}

// A room: patterned wallpaper with a window, two wooden shelves and a
// picture frame on the wall, floor boards with grain and a rug, darker
// toward the corners.
ImageLib::Image Background(int variant) {
  const RoomPalette room = kRooms[variant % 3];
  const int seed = variant % 3;
  return Picture(680, 600, [room, seed](int x, int y) {
    const float fx = static_cast<float>(x);
    const float fy = static_cast<float>(y);
    uint32_t rgb = 0;
    if (y < 330) {
      // Wallpaper: a diamond lattice with a dot in each diamond.
      const int u = (x + y) % 48;
      const int v = (x - y + 480) % 48;
      const bool line = u < 2 || v < 2;
      const int du = std::abs(u - 24);
      const int dv = std::abs(v - 24);
      rgb = line ? Shade(room.pattern, 8) : (du * du + dv * dv < 20 ? room.pattern : room.wall);
      // The window, its sky and its cross of bars.
      if (x >= 440 && x < 620 && y >= 40 && y < 230) {
        const bool frame = x < 450 || x >= 610 || y < 50 || y >= 220 || std::abs(x - 530) < 4 || std::abs(y - 135) < 4;
        rgb = frame ? Shade(room.wood, 10) : Mix(0x8CB8E8, 0xF0E8D0, (y - 40) / 2);
        if (!frame && y > 170 + static_cast<int>(12.0f * std::sin(fx * 0.05f)))
          rgb = Mix(0x4A7A40, 0x2E5030, x % 7 * 5);
      }
      // A framed picture of a hill.
      if (x >= 250 && x < 360 && y >= 40 && y < 120) {
        const bool frame = x < 256 || x >= 354 || y < 46 || y >= 114;
        rgb = frame ? 0xC8A040
                    : (y > 90 - static_cast<int>(15.0f * std::sin((fx - 250.0f) * 0.05f)) ? 0x507838 : 0xB8C8D8);
      }
      // Two shelves with their shadow on the wall below.
      for (int shelfY : {150, 270}) {
        if (x >= 20 && x < 230 && y >= shelfY && y < shelfY + 10) rgb = Shade(room.wood, y - shelfY < 3 ? 15 : -5);
        if (x >= 24 && x < 226 && y >= shelfY + 10 && y < shelfY + 18) rgb = Shade(rgb, -25);
        if ((x >= 40 && x < 46) || (x >= 204 && x < 210)) {
          if (y >= shelfY + 10 && y < shelfY + 30) rgb = Shade(room.wood, -20);
        }
      }
    } else if (y < 342) {
      rgb = Shade(room.wood, y < 334 ? 5 : -30);  // the skirting board
    } else {
      // Boards with grain, their joints offset row by row.
      const int row = (y - 342) / 52;
      const bool seam = (y - 342) % 52 < 2 || (x + 97 * row) % 170 < 2;
      const float grain = Wave(fx * 3.0f, fy * 0.3f + static_cast<float>(row) * 40.0f, seed + row);
      rgb = seam ? Shade(room.floor, -40) : Shade(room.floor, static_cast<int>(grain * 12.0f));
      // A round rug.
      const float rx = (fx - 300.0f) / 190.0f;
      const float ry = (fy - 480.0f) / 70.0f;
      const float r = rx * rx + ry * ry;
      if (r < 1.0f)
        rgb = r > 0.8f ? Shade(room.pattern, -35) : (r > 0.6f ? Shade(room.wall, 25) : Shade(room.pattern, -10));
    }
    // Darker toward the corners.
    const float cx = (fx - 340.0f) / 340.0f;
    const float cy = (fy - 300.0f) / 300.0f;
    const int vignette = -static_cast<int>(28.0f * (cx * cx + cy * cy));
    return Opaque(Shade(rgb, vignette + static_cast<int>(Wave(fx, fy, seed) * 3.0f)));
  });
}

// A fern in a pot, transparent around it: drawn in front of some items so
// that finding them takes a look.
ImageLib::Image FernPicture(int tint) {
  const uint32_t leaf = tint == 0 ? 0x3E7A30 : 0x5A8A28;
  return Picture(56, 64, [leaf](int x, int y) -> uint32_t {
    const float fx = static_cast<float>(x) - 28.0f;
    const float fy = static_cast<float>(y);
    if (y >= 46) {
      const float half = 14.0f - static_cast<float>(y - 46) * 0.3f;
      if (std::abs(fx) < half) return Opaque(Shade(0xA05A30, std::abs(fx) > half - 3.0f ? -30 : (y < 50 ? 15 : 0)));
      return 0u;
    }
    // Five fronds fanning out from the pot's rim.
    for (int k = -2; k <= 2; ++k) {
      const float angle = static_cast<float>(k) * 0.5f;
      const float dx = std::sin(angle);
      const float dy = -std::cos(angle);
      const float ox = fx;
      const float oy = fy - 46.0f;
      const float along = ox * dx + oy * dy;
      const float across = ox * dy - oy * dx;
      const float length = k == 0 ? 46.0f : 38.0f;
      if (along < 0.0f || along > length) continue;
      const float width = 7.0f * std::sin(along / length * 3.14159f);
      if (std::abs(across) < width)
        return Opaque(Shade(leaf, std::abs(across) < 1.0f ? -30 : static_cast<int>(across * 2.0f)));
    }
    return 0u;
  });
}

// The level's own small generator: the same sequence for the same level.
class LevelRandom {
 public:
  explicit LevelRandom(int number) : mState(static_cast<uint32_t>(number) * 2654435761u + 12345u) {}
  int Below(int n) {
    mState = mState * 1664525u + 1013904223u;
    return static_cast<int>((mState >> 8) % static_cast<uint32_t>(n));
  }
  template <typename T>
  void Shuffle(std::vector<T>& values) {
    for (size_t i = values.size(); i > 1; --i)
      std::swap(values[i - 1], values[static_cast<size_t>(Below(static_cast<int>(i)))]);
  }

 private:
  uint32_t mState;
};

// What differs between the three kinds' levels.
struct LevelPlan {
  const char* type;
  int items;      // findable items, at most kItemKinds
  int statics;    // of them static
  int decoys;     // extra items of group 0
  int total;      // "_iNumObjFind"
  int listSize;   // "_iNumObjList"
  int columns;    // of the item grid, from the left of the play area
  int listX = 0;  // "_iListX" when not 0
  int listY = 0;  // "_iListY" when not 0
};

constexpr int kCellWidth = 132;
constexpr int kCellHeight = 104;
constexpr int kGridLeft = 10;
constexpr int kGridTop = 70;
constexpr int kGridRows = 5;
// The top of the list in the HUD panel's list area, below the hint button.
constexpr int kHudListTop = 236;

DtmRecord MakeLevel(const LevelSlot& slot, LevelAssets& assets, const LevelPlan& plan) {
  LevelRandom random(slot.number);
  const int backdrop = (slot.number + slot.appearance) % 3;
  const std::string backKey = "fl_back_" + std::to_string(backdrop);
  assets.Add(backKey, Background(backdrop));

  DtmRecord root = Placed("level", 3, 0, 0, 680, 600);
  root.Property("_keyImg", backKey)
      .Property("type_game", plan.type)
      .Property("_iNumObjFind", std::to_string(plan.total))
      .Property("_iNumObjList", std::to_string(plan.listSize))
      .Property("_iTimeMinut", std::to_string(3 + slot.appearance))
      .Property("_iSkipTime", "2");
  if (plan.listX != 0) root.Property("_iListX", std::to_string(plan.listX));
  if (plan.listY != 0) root.Property("_iListY", std::to_string(plan.listY));

  std::vector<int> kinds(kItemKinds);
  for (int i = 0; i < kItemKinds; ++i) kinds[static_cast<size_t>(i)] = i;
  random.Shuffle(kinds);
  std::vector<int> cells(static_cast<size_t>(plan.columns * kGridRows));
  for (size_t i = 0; i < cells.size(); ++i) cells[i] = static_cast<int>(i);
  random.Shuffle(cells);

  const int count = std::min(plan.items + plan.decoys, kItemKinds);
  std::vector<DtmRecord> ferns;  // drawn after every item
  for (int i = 0; i < count; ++i) {
    const ItemKind& kind = kItems[kinds[static_cast<size_t>(i)]];
    const std::string picture = std::string(kind.key) + "_" + std::to_string(backdrop);
    assets.Add(picture, ItemPicture(kind, backdrop));
    const int cell = cells[static_cast<size_t>(i)];
    const int left = kGridLeft + (cell % plan.columns) * kCellWidth;
    const int top = kGridTop + (cell / plan.columns) * kCellHeight;
    const int x = left + random.Below(kCellWidth - kind.width + 1);
    const int y = top + random.Below(kCellHeight - kind.height + 1);
    DtmRecord item = Placed(std::string(kind.key) + "_" + std::to_string(i), 7, static_cast<float>(x),
                            static_cast<float>(y), static_cast<float>(kind.width), static_cast<float>(kind.height));
    const bool decoy = i >= plan.items;
    item.Property("_keyImg", picture)
        .Property("_keyText", std::string(kind.key) + "_name")
        .Property("_iGroup", decoy ? "0" : "1");
    if (!decoy && i < plan.statics) item.Property("_iStatic", "1");
    root.Child(item);
    // Every third item stands partly behind a fern, its centre left clear.
    if (i % 3 == 1) {
      const std::string fern = "fl_fern_" + std::to_string(i % 2);
      assets.Add(fern, FernPicture(i % 2));
      ferns.push_back(Placed("fern_" + std::to_string(i), 3, static_cast<float>(x) + kind.width * 0.62f,
                             static_cast<float>(y) + kind.height * 0.55f - 24.0f, 56, 64)
                          .Property("_keyImg", fern));
    }
  }
  for (DtmRecord& fern : ferns) root.Child(std::move(fern));

  DtmRecord find = Placed("soundFind", 17, 0, 0, 1, 1);
  find.Property("_keySound", "SOUND_FIND");
  DtmRecord collected = Placed("soundCollected", 17, 0, 0, 1, 1);
  collected.Property("_keySound", "SOUND_COLLECTED");
  DtmRecord trail = Placed("effSleif", 15, 330, 290, 20, 20);
  trail.Property("_keyEff", "fxtrail");
  root.Child(find).Child(collected).Child(trail);
  // The HUD is drawn here, after the room, so the list the kinds draw over
  // the HUD's panel is not covered by it.
  root.Child(Placed("game_menu_draw", 1, 680, 0, 120, 600));
  return root;
}

}  // namespace

DtmRecord MakeFindListMaskLevel(const LevelSlot& slot, LevelAssets& assets) {
  const int a = slot.appearance;
  LevelPlan plan{"find_list_mask", std::min(8 + a, kItemKinds - 1), 1 + a % 2, 1, 5 + a, 3, 5, 0, kHudListTop};
  return MakeLevel(slot, assets, plan);
}

DtmRecord MakeFindListTextLevel(const LevelSlot& slot, LevelAssets& assets) {
  const int a = slot.appearance;
  LevelPlan plan{"find_list_text", std::min(9 + a, kItemKinds), 1, 0, 6 + a, 5, 5, 0, kHudListTop};
  return MakeLevel(slot, assets, plan);
}

DtmRecord MakeFindListObjectLevel(const LevelSlot& slot, LevelAssets& assets) {
  const int a = slot.appearance;
  // The list is clicked in this kind: it stays left of the HUD panel, the
  // pictures' homes left of the list.
  LevelPlan plan{"find_list_object", std::min(6 + a, kItemKinds - 1), a % 2, 1, 4 + a / 2, 3, 4, 625};
  return MakeLevel(slot, assets, plan);
}

std::vector<std::pair<std::string, std::wstring>> FindListItemTexts() {
  std::vector<std::pair<std::string, std::wstring>> texts;
  for (const ItemKind& kind : kItems) texts.emplace_back(std::string(kind.key) + "_name", kind.name);
  return texts;
}

}  // namespace Kivo
