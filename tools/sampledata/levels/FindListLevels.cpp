#include "tools/sampledata/levels/FindListLevels.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

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
    {"fl_box", L"Wooden box", 56, 44, 0x9A6A34, Shape::kBox},
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

// The item on a light card of its own colour, every pixel opaque, so a
// click anywhere on its quad finds it.
ImageLib::Image ItemPicture(const ItemKind& kind) {
  const uint32_t card = Mix(kind.colour, 0xF4ECD8, 80);
  const uint32_t edge = Mix(kind.colour, 0x000000, 55);
  return Picture(kind.width, kind.height, [&kind, card, edge](int x, int y) {
    const bool on = OnShape(kind.shape, x, y, kind.width, kind.height);
    if (!on) return Opaque(card);
    // Lighter towards the top left, darker where the shape ends.
    const bool border = !OnShape(kind.shape, x - 2, y, kind.width, kind.height) ||
                        !OnShape(kind.shape, x + 2, y, kind.width, kind.height) ||
                        !OnShape(kind.shape, x, y - 2, kind.width, kind.height) ||
                        !OnShape(kind.shape, x, y + 2, kind.width, kind.height);
    if (border) return Opaque(edge);
    const int light = 30 - 30 * (x + y) / (kind.width + kind.height);
    return Opaque(Mix(kind.colour, 0xFFFFFF, std::max(0, light)));
  });
}

// Three rooms: wallpaper stripes above a floor of boards, in other colours.
ImageLib::Image Background(int variant) {
  static const uint32_t walls[3][2] = {{0x6A7F5A, 0x60744F}, {0x7A6A8A, 0x6E5F7D}, {0x8A7656, 0x7D6A4C}};
  static const uint32_t floors[3] = {0x5A4030, 0x4A3A3A, 0x3E4A56};
  const uint32_t* wall = walls[variant % 3];
  const uint32_t floor = floors[variant % 3];
  return Picture(680, 600, [wall, floor](int x, int y) {
    if (y < 330) return Opaque(((x / 24) % 2 == 0) ? wall[0] : wall[1]);
    if (y < 340) return Opaque(0x302018);
    const bool seam = (y - 340) % 52 < 2 || (x + 97 * ((y - 340) / 52)) % 170 < 2;
    return Opaque(seam ? Mix(floor, 0x000000, 40) : floor);
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
  for (int i = 0; i < count; ++i) {
    const ItemKind& kind = kItems[kinds[static_cast<size_t>(i)]];
    assets.Add(kind.key, ItemPicture(kind));
    const int cell = cells[static_cast<size_t>(i)];
    const int left = kGridLeft + (cell % plan.columns) * kCellWidth;
    const int top = kGridTop + (cell / plan.columns) * kCellHeight;
    const int x = left + random.Below(kCellWidth - kind.width + 1);
    const int y = top + random.Below(kCellHeight - kind.height + 1);
    DtmRecord item = Placed(std::string(kind.key) + "_" + std::to_string(i), 7, static_cast<float>(x),
                            static_cast<float>(y), static_cast<float>(kind.width), static_cast<float>(kind.height));
    const bool decoy = i >= plan.items;
    item.Property("_keyImg", kind.key)
        .Property("_keyText", std::string(kind.key) + "_name")
        .Property("_iGroup", decoy ? "0" : "1");
    if (!decoy && i < plan.statics) item.Property("_iStatic", "1");
    root.Child(item);
  }

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
