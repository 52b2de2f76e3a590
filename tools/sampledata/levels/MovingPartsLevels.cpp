#include "tools/sampledata/levels/MovingPartsLevels.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <tuple>

#include "tools/sampledata/SampleDrawing.h"
#include "tools/sampledata/levels/LevelPictures.h"

namespace Kivo {

namespace {

using sample::Opaque;
using sample::Placed;

const uint32_t kPalette[8] = {0xD03030, 0x30A040, 0x3050D0, 0xD0B020, 0xA030C0, 0x20B0B0, 0xE07020, 0x808080};

// The level's root over its backdrop picture, which spans the screen.
DtmRecord Root(const LevelSlot& slot, const std::string& backdrop) {
  DtmRecord root = Placed("level", 3, 0, 0, 800, 600);
  root.Property("type_game", slot.type);
  root.Property("_keyImg", backdrop);
  return root;
}

// A dotted line of light along a throw from a to b rising `rise` above
// them, painted onto the picture.
void PaintThrow(ImageLib::Image& picture, float ax, float ay, float bx, float by, float rise) {
  const ImageLib::Image dot = levelpics::GlowRing(18, 0xFFF0B0);
  for (int k = 1; k < 16; ++k) {
    const float t = static_cast<float>(k) / 16.0f;
    const float x = ax + (bx - ax) * t;
    const float y = ay + (by - ay) * t - rise * 4.0f * t * (1.0f - t);
    levelpics::Paint(picture, dot, static_cast<int>(x) - 9, static_cast<int>(y) - 9);
  }
}

DtmRecord Sprite(const std::string& name, const std::string& key, float left, float top, float width, float height) {
  DtmRecord record = Placed(name, 3, left, top, width, height);
  record.Property("_keyImg", key);
  return record;
}

DtmRecord Text(const std::string& name, float left, float top, float width, float height) {
  DtmRecord record = Placed(name, 5, left, top, width, height);
  record.Property("_sFont", "FONT_TEXT");
  return record;
}

}  // namespace

namespace {

// A ball of the colour: shaded from the top left, with a shine, a dark rim
// and a band round it; transparent around.
ImageLib::Image Ball(int side, uint32_t rgb) {
  return sample::Picture(side, side, [side, rgb](int x, int y) -> uint32_t {
    const float c = side / 2.0f;
    const float dx = (x + 0.5f - c) / c;
    const float dy = (y + 0.5f - c) / c;
    const float r = std::sqrt(dx * dx + dy * dy);
    if (r > 1.0f) return 0u;
    if (r > 0.86f) return Opaque(levelpics::Mix(rgb, 0x000000, 0.55f));
    const float sx = dx + 0.35f;
    const float sy = dy + 0.4f;
    if (sx * sx + sy * sy < 0.05f) return Opaque(0xFFFFFF);
    uint32_t out = levelpics::Mix(rgb, 0xFFFFFF, std::max(0.0f, 0.3f - 0.3f * (dx + dy + 1.0f)));
    out = levelpics::Mix(out, 0x000000, std::max(0.0f, (dx + dy) * 0.3f));
    if (std::fabs(dy - 0.25f * dx) < 0.1f) out = levelpics::Mix(out, 0xFFFFFF, 0.45f);
    return Opaque(out);
  });
}

}  // namespace

DtmRecord MakeJumperLevel(const LevelSlot& slot, LevelAssets& assets) {
  const std::string key = "bg_jumper_" + std::to_string(slot.appearance % 2);
  if (!assets.Has(key)) {
    // A park with two stone ledges: the balls start on the left one and land
    // in the basket on the right one; glowing dots show a ball's way over the
    // trampoline between them.
    ImageLib::Image back = levelpics::Backdrop(800, 600, 0x6A9AD8, 0x5A9040, 3 + slot.appearance % 2);
    const ImageLib::Image ledge = levelpics::SurfaceBackdrop(106, 100, levelpics::Surface::kStone, 0x8A8078, 11);
    levelpics::Paint(back, ledge, 0, 500);
    levelpics::Paint(back, ledge, 574, 500);
    // The balls to come, piled on the left ledge where they are thrown in:
    // what jumps, seen before the first one flies.
    for (const auto& [x, y, colour] :
         {std::tuple<int, int, int>{4, 470, 0}, {36, 470, 2}, {68, 470, 3}, {20, 444, 1}, {52, 444, 4}}) {
      levelpics::Paint(back, Ball(30, kPalette[colour]), x, y);
    }
    const ImageLib::Image basket = sample::Picture(80, 50, [](int x, int y) -> uint32_t {
      const float u = (x + 0.5f) / 80.0f;
      const float lip = 6.0f;
      const float inset = 8.0f * y / 50.0f;
      if (x < inset || x > 80 - inset) return 0u;
      if (y < lip) return Opaque(0x6A4020);
      const bool weave = ((x / 6 + y / 6) % 2) == 0;
      return Opaque(levelpics::Mix(weave ? 0xC08840 : 0x9A6830, 0x000000, 0.3f * std::fabs(u - 0.4f)));
    });
    levelpics::Paint(back, basket, 594 - 40, 452);
    PaintThrow(back, 50.0f, 480.0f, 340.0f, 520.0f, 120.0f);
    PaintThrow(back, 340.0f, 520.0f, 594.0f, 470.0f, 160.0f);
    levelpics::Paint(back, levelpics::ArrowDown(30, 40, 0xF0C020), 594 - 15, 392);
    assets.Add(key, std::move(back));
  }
  DtmRecord root = Root(slot, key);
  root.Property("_iNumObj", std::to_string(3 + slot.appearance % 2));
  // A trampoline: a taut striped mat on a red frame.
  assets.Add("jumper", sample::Picture(100, 20, [](int x, int y) -> uint32_t {
               if (y < 4) return Opaque(levelpics::Mix(0xF0F0F0, 0x909090, y / 4.0f));
               if (y >= 14) return Opaque(x < 6 || x >= 94 ? 0x602010 : 0xC03020);
               return Opaque((x / 10) % 2 ? 0x2060C0 : 0x3080E0);
             }));
  assets.Add("spring", sample::Picture(20, 60, [](int x, int y) -> uint32_t {
               const float coil = std::fabs(std::sin((y + x * 0.3f) * 0.52f));
               if (std::fabs(x - 9.5f) > 8.0f * coil + 1.0f) return 0u;
               return Opaque(levelpics::Mix(0xE0E0E8, 0x505058, std::fabs(x - 6.0f) / 10.0f));
             }));
  for (int n = 1; n <= 6; ++n) assets.Add("round" + std::to_string(n), Ball(30, kPalette[n - 1]));
  root.Child(Placed("effElElapsed", 15, 560, 440, 20, 20));
  return root;
}

namespace {

// A card's back: a deep red with a lattice of gold diamonds in a light
// frame, rounded corners transparent.
ImageLib::Image CardBack() {
  return sample::Picture(80, 110, [](int x, int y) -> uint32_t {
    const int r = 8;
    const int cx = x < r ? r : (x >= 80 - r ? 79 - r : x);
    const int cy = y < r ? r : (y >= 110 - r ? 109 - r : y);
    if ((x - cx) * (x - cx) + (y - cy) * (y - cy) > r * r) return 0u;
    const int edge = std::min(std::min(x, 79 - x), std::min(y, 109 - y));
    if (edge < 3) return Opaque(0xF4ECD8);
    if (edge < 5) return Opaque(0xC09030);
    const int u = (x + y) % 16;
    const int v = (x - y + 160) % 16;
    if (u < 2 || v < 2) return Opaque(0xD0A040);
    const float dx = (x - 40) / 20.0f;
    const float dy = (y - 55) / 26.0f;
    if (std::fabs(dx) + std::fabs(dy) < 1.0f)
      return Opaque(std::fabs(dx) + std::fabs(dy) > 0.85f ? 0xF0D070 : 0x5A1020);
    return Opaque(levelpics::Mix(0x901828, 0x400810, (x + y) / 190.0f));
  });
}

}  // namespace

DtmRecord MakeCardsLevel(const LevelSlot& slot, LevelAssets& assets) {
  const int count = 4 + 2 * (slot.appearance % 2);
  const std::string key = "bg_cards_" + std::to_string(count);
  if (!assets.Has(key)) {
    // A green cloth on a wooden table; each card lies on a soft shadow.
    ImageLib::Image back = levelpics::SurfaceBackdrop(800, 600, levelpics::Surface::kWood, 0x6A4024, 21);
    levelpics::Paint(back,
                     sample::Picture(652, 412,
                                     [](int x, int y) {
                                       const int edge = std::min(std::min(x, 651 - x), std::min(y, 411 - y));
                                       return Opaque(levelpics::Mix(0xE0B850, 0x5A3A10, edge / 6.0f));
                                     }),
                     14, 94);
    levelpics::Paint(back, levelpics::SurfaceBackdrop(640, 400, levelpics::Surface::kFelt, 0x1E6A34, 22), 20, 100);
    const ImageLib::Image shadow = sample::Picture(104, 139, [](int x, int y) -> uint32_t {
      const int edge = std::min(std::min(x, 103 - x), std::min(y, 138 - y));
      return edge >= 7 ? 0x60000000u : static_cast<uint32_t>(edge * 12) << 24;
    });
    for (int i = 0; i < count; ++i) levelpics::Paint(back, shadow, 56 + 100 * (i % 6), 196);
    assets.Add(key, std::move(back));
  }
  DtmRecord root = Root(slot, key);
  root.Property("_iNumCard", std::to_string(count));
  // The pictures "card1" to "card8" are the front end's own (the game preloads them).
  assets.Add("card_back_CA_1", CardBack());
  for (int i = 0; i < count; ++i) {
    root.Child(Placed("card" + std::to_string(i), 3, 60.0f + 100.0f * (i % 6), 200.0f, 90.0f, 125.0f));
  }
  return root;
}

namespace {

// One set-up of the scales: beam, two pans and weights of the masses.
DtmRecord Scales(const LevelSlot& slot, LevelAssets& assets, const std::vector<std::string>& masses) {
  const std::string key = "bg_balance";
  if (!assets.Has(key)) {
    // A panelled wall over a shelf; the weights wait on the shelf in rings
    // of light, the scales on a brass stand between them.
    ImageLib::Image back = levelpics::SurfaceBackdrop(800, 600, levelpics::Surface::kWood, 0x7A4A2A, 31);
    levelpics::Paint(back, levelpics::SurfaceBackdrop(680, 48, levelpics::Surface::kStone, 0x8A7A6A, 32), 0, 552);
    levelpics::Paint(
        back,
        sample::Picture(680, 12, [](int, int y) { return Opaque(levelpics::Mix(0xC09060, 0x5A3A20, y / 12.0f)); }), 0,
        540);
    const ImageLib::Image ring = levelpics::GlowRing(64, 0xFFE080);
    for (size_t i = 0; i < masses.size(); ++i) levelpics::Paint(back, ring, 218 + 90 * static_cast<int>(i), 488);
    // The goal: a dashed line of light where the beam lies when the pans
    // balance, seen whenever the beam tips off it.
    levelpics::Paint(
        back, sample::Picture(520, 4, [](int x, int) -> uint32_t { return x % 24 < 14 ? 0xB0FFF0B0u : 0u; }), 60, 148);
    // The stand: a post from the pivot to a foot.
    levelpics::Paint(back,
                     sample::Picture(16, 380,
                                     [](int x, int) {
                                       return Opaque(levelpics::Mix(0xE0C070, 0x806020, std::fabs(x - 5.0f) / 10.0f));
                                     }),
                     312, 150);
    levelpics::Paint(
        back,
        sample::Picture(120, 12, [](int, int y) { return Opaque(levelpics::Mix(0xD0B060, 0x705018, y / 12.0f)); }), 260,
        528);
    assets.Add(key, std::move(back));
  }
  DtmRecord root = Root(slot, key);
  // A brass beam with a pivot and end caps.
  assets.Add("balance_beam", sample::Picture(480, 12, [](int x, int y) -> uint32_t {
               if (x < 6 || x >= 474) return Opaque(0x403010);
               return Opaque(levelpics::Mix(0xF0D080, 0x806018, y / 12.0f));
             }));
  // A pan hung on three cords: a shallow brass bowl at the bottom.
  assets.Add("balance_pan", sample::Picture(120, 100, [](int x, int y) -> uint32_t {
               if (y >= 82) {
                 const float u = (x - 59.5f) / 60.0f;
                 if (y > 84.0f + 14.0f * (1.0f - u * u)) return 0u;
                 if (y < 84) return Opaque(0xFFF0B0);
                 return Opaque(levelpics::Mix(0xE8C870, 0x6A4A10, (x / 120.0f) * 0.6f + (y - 84) / 30.0f));
               }
               for (const int foot : {4, 60, 116}) {
                 const float line = 60.0f + (foot - 60.0f) * y / 82.0f;
                 if (std::fabs(x - line) < 1.2f) return Opaque(0x3A3028);
               }
               return 0u;
             }));
  // An iron weight with a ring on top, shaded.
  assets.Add("balance_weight", sample::Picture(40, 40, [](int x, int y) -> uint32_t {
               const float dx = x - 19.5f;
               if (y < 10) {
                 const float r = std::sqrt(dx * dx + (y - 6.0f) * (y - 6.0f));
                 return r > 3.0f && r < 6.0f ? Opaque(0x505058) : 0u;
               }
               const float half = 12.0f + 6.0f * (y - 10) / 30.0f;
               if (std::fabs(dx) > half) return 0u;
               if (std::fabs(dx) > half - 2.0f || y >= 38) return Opaque(0x202428);
               return Opaque(levelpics::Mix(0xA0A8B0, 0x404850, (dx + half) / (2.0f * half)));
             }));
  root.Child(Sprite("sprBeam", "balance_beam", 80, 144, 480, 12));
  // Pan centres 229 left and right of the beam's centre (320, 150) and 55
  // below it, so each pan's cords meet just under the beam's end.
  DtmRecord pan0 = Sprite("sprPan0", "balance_pan", 91 - 60, 205 - 50, 120, 100);
  pan0.Property("_fPanBottom", "34");
  DtmRecord pan1 = Sprite("sprPan1", "balance_pan", 549 - 60, 205 - 50, 120, 100);
  pan1.Property("_fPanBottom", "34");
  root.Child(pan0);
  root.Child(pan1);
  for (size_t i = 0; i < masses.size(); ++i) {
    DtmRecord weight = Sprite("sprWeight" + std::to_string(i + 1), "balance_weight", 230.0f + 90.0f * i, 500, 40, 40);
    weight.Property("_fWeight", masses[i]);
    root.Child(weight);
  }
  return root;
}

}  // namespace

DtmRecord MakeBalanceLevel(const LevelSlot& slot, LevelAssets& assets) {
  DtmRecord root = Scales(slot, assets, {"2.0", "2.0"});
  const std::string second = "Level_" + std::to_string(slot.stage) + "_" + std::to_string(slot.level) + "_b";
  root.Property("_sLev_1", second);
  const std::string mass = slot.appearance % 2 == 0 ? "3.0" : "1.5";
  assets.AddScene(second, Scales(slot, assets, {mass, mass}));
  return root;
}

DtmRecord MakeAkvaLevel(const LevelSlot& slot, LevelAssets& assets) {
  const int stoneX = 300 - 60 * (slot.appearance % 3);
  const std::string key = "bg_akva_" + std::to_string(slot.appearance % 3);
  if (!assets.Has(key)) {
    // An aquarium under a rail the claw's trolley runs on; the stone to lift
    // lies in a ring of light with dots and an arrow down to it.
    ImageLib::Image back = levelpics::SurfaceBackdrop(800, 600, levelpics::Surface::kWater, 0x1A6A9A, 41);
    levelpics::Paint(back, levelpics::SurfaceBackdrop(600, 10, levelpics::Surface::kMetal, 0x808890, 42), 60, 46);
    const ImageLib::Image dot = levelpics::GlowRing(18, 0xFFF0A0);
    for (int y = 170; y < 400; y += 24) levelpics::Paint(back, dot, stoneX - 9, y);
    levelpics::Paint(back, levelpics::ArrowDown(30, 36, 0xF0C020), stoneX - 15, 402);
    levelpics::Paint(back, levelpics::GlowRing(90, 0xFFE070), stoneX - 45, 425);
    assets.Add(key, std::move(back));
  }
  DtmRecord root = Root(slot, key);
  // The trolley: a steel box on two wheels.
  assets.Add("akva_arm", sample::Picture(60, 30, [](int x, int y) -> uint32_t {
               for (const float wheel : {14.0f, 46.0f}) {
                 const float dx = x - wheel;
                 const float dy = y - 6.0f;
                 if (dx * dx + dy * dy < 30.0f) return Opaque(dx * dx + dy * dy < 6.0f ? 0xC0C0C0 : 0x202020);
               }
               if (y < 10 || x < 2 || x >= 58) return 0u;
               return Opaque(levelpics::Mix(0xD04030, 0x702018, (y - 10) / 20.0f));
             }));
  // The claw in three cels: open, holding, closed on nothing.
  assets.Add("akva_hand",
             sample::Picture(120, 40,
                             [](int x, int y) -> uint32_t {
                               const int cell = x / 40;
                               const float lx = static_cast<float>(x % 40) - 19.5f;
                               const float spread = cell == 0 ? 14.0f : (cell == 1 ? 9.0f : 3.0f);
                               if (y < 8)
                                 return std::fabs(lx) < 10.0f ? Opaque(levelpics::Mix(0xE0E0E8, 0x606068, y / 8.0f))
                                                              : 0u;
                               // Two curved fingers bending in at their tips.
                               const float t = (y - 8) / 32.0f;
                               const float at = spread + 4.0f * std::sin(t * 3.1416f) - 6.0f * t * t;
                               const float d = std::fabs(std::fabs(lx) - at);
                               if (d < 2.5f) return Opaque(levelpics::Mix(0xE8E8F0, 0x707078, d / 2.5f));
                               return 0u;
                             }),
             3, 1);
  assets.Add("akva_thread", sample::Picture(6, 200, [](int x, int y) {
               return Opaque(levelpics::Mix(0xE0E0E0, 0x707070, ((x + y) % 4) / 4.0f));
             }));
  // The stone: a polished gold nugget that catches the light.
  assets.Add("akva_stone", sample::Picture(40, 30, [](int x, int y) -> uint32_t {
               const float dx = (x + 0.5f - 20.0f) / 20.0f;
               const float dy = (y + 0.5f - 15.0f) / 15.0f;
               const float r = dx * dx + dy * dy;
               if (r > 1.0f) return 0u;
               if (r > 0.8f) return Opaque(0x6A4A10);
               const float sx = dx + 0.4f;
               const float sy = dy + 0.45f;
               if (sx * sx + sy * sy < 0.06f) return Opaque(0xFFFFF0);
               return Opaque(levelpics::Mix(0xFFD850, 0x9A6A10, 0.5f + 0.5f * (dx + dy) * 0.7f));
             }));
  // A fish swimming left: striped body, tail and eye.
  assets.Add("akva_fish", sample::Picture(50, 25, [](int x, int y) -> uint32_t {
               const float dx = (x - 20) / 20.0f;
               const float dy = (y - 12) / 10.0f;
               if (dx * dx + dy * dy <= 1.0f) {
                 if ((x - 9) * (x - 9) + (y - 10) * (y - 10) < 5) return Opaque(x == 8 && y == 9 ? 0xFFFFFF : 0x101010);
                 if (std::abs(x - 24) < 2 || std::abs(x - 32) < 2) return Opaque(0xFFF0E0);
                 return Opaque(levelpics::Mix(0xF89030, 0xB04010, (y - 2) / 20.0f));
               }
               if (x >= 38 && std::abs(y - 12) < (x - 36)) return Opaque(0xD06010);
               return 0u;
             }));
  DtmRecord arm = Sprite("sprArm", "akva_arm", 570, 45, 60, 30);
  arm.Property("_fDistance", "500");
  root.Child(arm);
  DtmRecord thread = Placed("prsThread", 6, 597, 75, 6, 60);
  thread.Property("_keyImg", "akva_thread");
  root.Child(thread);
  DtmRecord hand = Sprite("sprHand", "akva_hand", 580, 110, 40, 40);
  hand.Property("_fDistance", "330");
  root.Child(hand);
  DtmRecord stone = Sprite("sprStone1", "akva_stone", static_cast<float>(stoneX - 20), 455, 40, 30);
  stone.Property("_iAniKey_stone_dilution", "10");
  stone.Property("_iAniRate_stone_dilution", "20");
  stone.Property("_sAniKey_stone_dilution_1", "c(255,255,255,255)");
  stone.Property("_sAniKey_stone_dilution_10", "c(0,255,255,255)");
  root.Child(stone);
  root.Child(Sprite("sprFish1", "akva_fish", 380, 280, 50, 25));
  root.Child(Placed("effElapsed", 15, 176, 4, 20, 20));
  return root;
}

namespace {

// The safe's door for the number of wheels: a steel plate in a dark frame,
// a recessed window for each wheel with gold marks above and below it, a
// slate for the note of the code's digits and a plate behind the handle.
ImageLib::Image SafeDoor(int wheels) {
  ImageLib::Image door = levelpics::SurfaceBackdrop(420, 360, levelpics::Surface::kMetal, 0x58606A, 51);
  const auto frame = [](int w, int h, uint32_t inner, uint32_t rim) {
    return sample::Picture(w, h, [w, h, inner, rim](int x, int y) {
      const int edge = std::min(std::min(x, w - 1 - x), std::min(y, h - 1 - y));
      if (edge < 3) return Opaque(x < y ? levelpics::Mix(rim, 0x000000, 0.5f) : rim);
      return Opaque(levelpics::Mix(inner, 0x000000, edge < 8 ? 0.4f : 0.0f));
    });
  };
  levelpics::Paint(door,
                   sample::Picture(420, 360,
                                   [](int x, int y) -> uint32_t {
                                     const int edge = std::min(std::min(x, 419 - x), std::min(y, 359 - y));
                                     if (edge >= 10) return 0u;
                                     return Opaque(levelpics::Mix(0x202428, 0x707880, edge < 5 ? 0.2f : 0.6f));
                                   }),
                   0, 0);
  levelpics::Paint(door, frame(30 * wheels + 16, 40, 0x1C2A24, 0x8A9098), 92, 5);
  const ImageLib::Image up =
      sample::Picture(20, 10, [](int x, int y) -> uint32_t { return std::fabs(x - 9.5f) < y ? Opaque(0xF0C040) : 0u; });
  const ImageLib::Image down = sample::Picture(
      20, 10, [](int x, int y) -> uint32_t { return std::fabs(x - 9.5f) < 9 - y ? Opaque(0xF0C040) : 0u; });
  for (int i = 0; i < wheels; ++i) {
    const int left = 50 + 70 * i;
    levelpics::Paint(door, frame(68, 68, 0x14161A, 0xA0A8B0), left - 4, 46);
    levelpics::Paint(door, up, left + 20, 34);
    levelpics::Paint(door, down, left + 20, 118);
  }
  levelpics::Paint(door,
                   sample::Picture(100, 100,
                                   [](int x, int y) -> uint32_t {
                                     const float dx = x - 49.5f;
                                     const float dy = y - 49.5f;
                                     const float r = std::sqrt(dx * dx + dy * dy);
                                     if (r > 50.0f) return 0u;
                                     return Opaque(levelpics::Mix(0x303840, 0x9098A0,
                                                                  r > 46.0f ? (dx + dy < 0.0f ? 0.8f : 0.1f) : 0.2f));
                                   }),
                   310, 170);
  return door;
}

}  // namespace

DtmRecord MakeSeifLevel(const LevelSlot& slot, LevelAssets& assets) {
  const std::string key = "bg_seif";
  assets.Add(key, levelpics::SurfaceBackdrop(800, 600, levelpics::Surface::kStone, 0x6A6470, 52));
  DtmRecord root = Root(slot, key);
  const int wheels = 2 + slot.appearance % 3;
  std::string code = "12";
  if (slot.appearance > 0) {
    code.clear();
    for (int i = 0; i < wheels; ++i) code += static_cast<char>('0' + (slot.number + 3 * i) % 10);
  }
  root.Property("_iNumDigit", std::to_string(wheels));
  root.Property("_iDigitIn", code);
  const std::string door = "seif_door" + std::to_string(wheels);
  assets.Add(door, SafeDoor(wheels));
  assets.Add("seif_glow", sample::Picture(60, 60, [](int x, int y) -> uint32_t {
               return x < 3 || y < 3 || x > 56 || y > 56 ? Opaque(0xFFE080) : 0u;
             }));
  assets.Add("seif_handle", sample::Picture(80, 80, [](int x, int y) -> uint32_t {
               const float dx = x - 39.5f;
               const float dy = y - 39.5f;
               const float r = std::sqrt(dx * dx + dy * dy);
               if (r > 38.0f) return 0u;
               if (std::fabs(dx) < 5.0f || std::fabs(dy) < 5.0f) return Opaque(0xE0C040);
               return Opaque(r > 30.0f ? 0xB09020 : 0x807020);
             }));
  assets.Add("seif_handle_glow", sample::Picture(80, 80, [](int x, int y) -> uint32_t {
               const float dx = x - 39.5f;
               const float dy = y - 39.5f;
               const float r = std::sqrt(dx * dx + dy * dy);
               return r > 36.0f && r < 40.0f ? Opaque(0xFFF0A0) : 0u;
             }));
  // The safe opened: the door swung aside on the left, a dark inside with
  // two shelves, gold bars on the lower and coins on the upper.
  assets.Add("seif_opened", sample::Picture(400, 340, [](int x, int y) -> uint32_t {
               if (x < 60) return Opaque(levelpics::Mix(0x6A7480, 0x30363E, x / 60.0f));
               const bool shelf = (y >= 150 && y < 160) || (y >= 300 && y < 310);
               if (shelf) return Opaque(levelpics::Mix(0x807060, 0x403830, (y % 150) / 10.0f));
               if (y >= 250 && y < 300 && x >= 110 && x < 350) {
                 const int bar = (x - 110) / 60;
                 const int bx = (x - 110) % 60;
                 const int row = (y - 250) / 25;
                 const int inset = row == 0 ? 10 : 0;
                 if (bar < 4 && bx >= 4 + inset && bx < 56 - inset) {
                   return Opaque(levelpics::Mix(0xFFE070, 0x9A6A10, ((y - 250) % 25) / 25.0f));
                 }
               }
               const float cx = x - 230.0f;
               const float cy = (y - 130.0f) * 3.0f;
               if (cx * cx + cy * cy < 60.0f * 60.0f && y < 150) {
                 return Opaque((x / 12 + y / 4) % 2 ? 0xF0C040 : 0xC09020);
               }
               return Opaque(levelpics::Mix(0x202024, 0x08080A, y / 340.0f));
             }));
  root.Child(Sprite("sprDoor", door, 150, 150, 420, 360));
  root.Child(Placed("rc_clip", 3, 200, 200, 70.0f * wheels, 60));
  for (int i = 1; i <= wheels; ++i) {
    const float x = 200.0f + 70.0f * (i - 1);
    const std::string n = std::to_string(i);
    root.Child(Text("txt_" + n + "_1", x, 200, 60, 60));
    root.Child(Text("txt_" + n + "_2", x, 260, 60, 60));
    root.Child(Text("txt_" + n, 220.0f + 30.0f * i, 160, 30, 30));
    DtmRecord glow = Sprite("glowTxt_" + n, "seif_glow", x, 200, 60, 60);
    glow.Property("_iAlph", "0");
    root.Child(glow);
  }
  root.Child(Text("txtCodeDone", 200, 330, 260, 100));
  root.Child(Text("txtWrong", 200, 440, 260, 30));
  DtmRecord handle = Sprite("sprRuchka", "seif_handle", 470, 330, 80, 80);
  handle.Property("_iAniKey_rot", "13");
  handle.Property("_iAniRate_rot", "24");
  handle.Property("_sAniKey_rot_1", "r(0)");
  handle.Property("_sAniKey_rot_13", "r(90)");
  root.Child(handle);
  DtmRecord handleGlow = Sprite("sprRuchkaGlow", "seif_handle_glow", 470, 330, 80, 80);
  handleGlow.Property("_iAlph", "0");
  root.Child(handleGlow);
  DtmRecord opened = Sprite("sprOpened", "seif_opened", 160, 160, 400, 340);
  opened.Property("_iAlph", "0");
  root.Child(opened);
  return root;
}

}  // namespace Kivo
