#include "tools/sampledata/levels/PicturePuzzleLevels.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "tools/sampledata/SampleDrawing.h"
#include "tools/sampledata/levels/LevelPictures.h"

namespace Kivo {

namespace {

using sample::Opaque;
using sample::Placed;

// The level's name for picture keys: "s<stage>l<level>".
std::string SlotTag(const LevelSlot& slot) {
  return "s" + std::to_string(slot.stage) + "l" + std::to_string(slot.level);
}

// A colour of the wheel: hue in 0..1535, full saturation, the given value.
uint32_t Hue(int hue, int value) {
  hue %= 1536;
  const int part = hue / 256;
  const int f = hue % 256;
  int r = 0, g = 0, b = 0;
  switch (part) {
    case 0: r = 255, g = f; break;
    case 1: r = 255 - f, g = 255; break;
    case 2: g = 255, b = f; break;
    case 3: g = 255 - f, b = 255; break;
    case 4: r = f, b = 255; break;
    default: r = 255, b = 255 - f; break;
  }
  r = r * value / 255;
  g = g * value / 255;
  b = b * value / 255;
  return Opaque(static_cast<uint32_t>((r << 16) | (g << 8) | b));
}

// The level's background, stretched over the screen.
DtmRecord LevelRoot(const LevelSlot& slot, LevelAssets& assets) {
  const std::string key = "bg_picture_" + std::to_string(slot.appearance % 3);
  const int tone = slot.appearance % 3;
  assets.Add(key, sample::Picture(80, 60, [tone](int x, int y) {
               const uint32_t base = 40 + static_cast<uint32_t>(y) + static_cast<uint32_t>(tone * 20);
               return Opaque((base << 16) | ((base + static_cast<uint32_t>(x) / 2) << 8) | 90u);
             }));
  DtmRecord root = Placed("level", 3, 0, 0, 800, 600);
  root.Property("type_game", slot.type);
  root.Property("_keyImg", key);
  return root;
}

// The level's root over a backdrop picture of its own, spanning the screen.
DtmRecord LevelRoot(const LevelSlot& slot, const std::string& backdrop) {
  DtmRecord root = Placed("level", 3, 0, 0, 800, 600);
  root.Property("type_game", slot.type);
  root.Property("_keyImg", backdrop);
  return root;
}

// The stage's own picture: its landscape in the stage's colours, the same
// for every picture kind of the stage, cut by the kinds into their tiles.
ImageLib::Image StagePicture(int stage, int width, int height) {
  static const uint32_t skies[4] = {0x5A8AD0, 0x7A9AC8, 0x4A78B0, 0x8AA0D8};
  static const uint32_t grounds[5] = {0x4A8A3A, 0x6A8A30, 0x3A7A4A, 0x7A7A38, 0x5A9040};
  return levelpics::Backdrop(width, height, skies[stage % 4], grounds[stage % 5], stage);
}

// Where the pieces go: a dark recessed tray a margin wider than the
// picture, rimmed in gold, showing the picture faintly as a guide and, with
// a grid of n, the outline of every place; drawn under the pieces.
ImageLib::Image TrayPicture(const ImageLib::Image& picture, int n, int margin) {
  const int width = picture.width + 2 * margin;
  const int height = picture.height + 2 * margin;
  return sample::Picture(width, height, [&picture, n, margin, width, height](int x, int y) -> uint32_t {
    const int edge = std::min(std::min(x, width - 1 - x), std::min(y, height - 1 - y));
    if (edge < 3) return Opaque(levelpics::Mix(0xF0D070, 0x8A6420, edge / 3.0f));
    const int px = x - margin;
    const int py = y - margin;
    if (px < 0 || py < 0 || px >= picture.width || py >= picture.height) return Opaque(0x181420);
    if (n > 0) {
      const int cellW = picture.width / n;
      const int cellH = picture.height / n;
      const bool lineX = px % cellW < 2 || px % cellW >= cellW - 2;
      const bool lineY = py % cellH < 2 || py % cellH >= cellH - 2;
      // Dashed outlines, so they read as places rather than cuts.
      if ((lineX && (py / 6) % 2 == 0) || (lineY && (px / 6) % 2 == 0)) return Opaque(0xE8DCA8);
    }
    const uint32_t pixel = picture.pixels[static_cast<size_t>(py * picture.width + px)] & 0xFFFFFF;
    return Opaque(levelpics::Mix(pixel, 0x1A1626, 0.72f));
  });
}

// The tray under a board of the picture's key at (left, top), n places a
// side (0: no outlines).
DtmRecord Tray(const std::string& key, const ImageLib::Image& picture, int n, float left, float top,
               LevelAssets& assets) {
  constexpr int kMargin = 6;
  const std::string trayKey = key + "_tray";
  assets.Add(trayKey, TrayPicture(picture, n, kMargin));
  DtmRecord tray = Placed("sprTray", 3, left - kMargin, top - kMargin, static_cast<float>(picture.width + 2 * kMargin),
                          static_cast<float>(picture.height + 2 * kMargin));
  tray.Property("_keyImg", trayKey);
  return tray;
}

// The "sprGame" picture-quad level of grid n, picture at (left, top).
// With a tray, the places the loose pieces go are outlined under the board.
DtmRecord PictureQuadLevel(const LevelSlot& slot, LevelAssets& assets, int n, int side, float left, float top,
                           bool tray = false) {
  DtmRecord root = LevelRoot(slot, assets);
  root.Property("_iNumQuad", std::to_string(n));
  const std::string key = "pq_" + SlotTag(slot);
  const ImageLib::Image whole = StagePicture(slot.stage, side, side);
  if (tray) root.Child(Tray(key, whole, n, left, top, assets));
  assets.Add(key, whole);
  DtmRecord picture = Placed("sprGame", 3, left, top, static_cast<float>(side), static_cast<float>(side));
  picture.Property("_keyImg", key);
  root.Child(picture);
  DtmRecord effect = Placed("effOnPlace", 15, left, top, 20, 20);
  effect.Property("_keyEff", "magicwand");
  root.Child(effect);
  return root;
}

}  // namespace

DtmRecord MakePictMoveLevel(const LevelSlot& slot, LevelAssets& assets) {
  return PictureQuadLevel(slot, assets, 3 + slot.appearance % 2, 360, 170.0f, 120.0f);
}

DtmRecord MakePictRotateLevel(const LevelSlot& slot, LevelAssets& assets) {
  return PictureQuadLevel(slot, assets, 3 + slot.appearance % 2, 360, 170.0f, 120.0f);
}

DtmRecord MakePict15Level(const LevelSlot& slot, LevelAssets& assets) {
  // The autoplay rule solves by a table of every arrangement: 3 x 3 at most.
  return PictureQuadLevel(slot, assets, 3, 300 + 30 * (slot.appearance % 2), 190.0f, 140.0f);
}

DtmRecord MakePictPuzzleLevel(const LevelSlot& slot, LevelAssets& assets) {
  // Pieces of 90 pixels: scattered centres stay left of x = 710, so every
  // piece has points left of the HUD panel.
  return PictureQuadLevel(slot, assets, 3, 270, 220.0f + 20.0f * (slot.appearance % 2), 160.0f, true);
}

namespace {

// A round lamp of side pixels in a dark socket: cel 1 off, a dim glass bulb
// with a grey rim; cel 2 on, a bright bulb of the tint glowing to white at
// its heart. With lit first the cels change places (cel 1 on), for the
// decorations that light up when the board is solved.
ImageLib::Image LampPicture(int side, int tint, bool litFirst = false) {
  return sample::Picture(2 * side, side, [side, tint, litFirst](int x, int y) {
    const bool on = (x >= side) != litFirst;
    const float dx = static_cast<float>(x % side) - side / 2.0f + 0.5f;
    const float dy = static_cast<float>(y) - side / 2.0f + 0.5f;
    const float r = std::sqrt(dx * dx + dy * dy) / (side / 2.0f);  // 0 at the centre, 1 at the edge
    const int edge = std::min(std::min(x % side, side - 1 - x % side), std::min(y, side - 1 - y));
    // The decorations stand free; the board's lamps sit in sockets.
    if (r > 0.86f) return litFirst ? (r > 1.0f ? 0u : Opaque(0x2A2A34)) : Opaque(edge < 2 ? 0x5A5A6A : 0x1A1A24);
    if (r > 0.78f) return Opaque(on ? 0xFFF0C0 : 0x70707C);
    if (!on) {
      // A faint shine at the top left keeps it a bulb, not a hole.
      const float sx = dx / (side / 2.0f) + 0.3f;
      const float sy = dy / (side / 2.0f) + 0.3f;
      if (sx * sx + sy * sy < 0.03f) return Opaque(0x8A8A98);
      return Opaque(levelpics::Mix(0x3A3A48, 0x24242E, r));
    }
    return Opaque(levelpics::Mix(0xFFFFF0, Hue(200 + tint * 300, 255), std::min(1.0f, r * 1.3f)));
  });
}

}  // namespace

DtmRecord MakeLampsLevel(const LevelSlot& slot, LevelAssets& assets) {
  // Grids of 3 and 6 have one solution each, so following the hint ends.
  const int n = slot.appearance % 2 == 0 ? 3 : 6;
  const int side = n == 3 ? 70 : 50;
  const int gap = 8;
  const int grid = n * side + (n - 1) * gap;
  const int beginX = (680 - grid) / 2;
  const int beginY = (600 - grid) / 2;
  DtmRecord root = LevelRoot(slot, assets);
  const std::string lamp = "lamp_" + std::to_string(side) + "_" + std::to_string(slot.appearance % 3);
  assets.Add(lamp, LampPicture(side, slot.appearance % 3), 2, 1);
  root.Property("_keyImg_lamp", lamp);
  root.Property("_iNumQuad", std::to_string(n));
  root.Property("_iBeginX", std::to_string(beginX));
  root.Property("_iBeginY", std::to_string(beginY));
  root.Property("_iGapX", std::to_string(gap));
  root.Property("_iGapY", std::to_string(gap));
  root.Property("_sEffDo_1", "effLampsLeft");
  root.Property("_sEffDo_2", "effLampsRight");

  assets.Add("lamps_bar_fill", sample::Picture(200, 16, [](int x, int) { return Hue(700 + x, 240); }));
  assets.Add("lamps_bar_back", sample::Flat(200, 16, 0x202028));
  DtmRecord bar = Placed("barProgress", 6, 240, 540, 200, 16);
  bar.Property("_keyImg", "lamps_bar_fill");
  bar.Property("_keyImgBack", "lamps_bar_back");
  bar.Property("_fSpeed", "0.02");
  root.Child(bar);

  // The side lamps stay dark until every lamp of the board is on.
  assets.Add("lamps_side", LampPicture(60, 2, true), 2, 1);
  for (const auto& [name, x] : {std::pair<const char*, float>{"sprLeft", 40.0f}, {"sprRight", 580.0f}}) {
    DtmRecord sprite = Placed(name, 3, x, 270, 60, 60);
    sprite.Property("_keyImg", "lamps_side");
    root.Child(sprite);
  }
  for (const auto& [name, x] : {std::pair<const char*, float>{"effLampsLeft", 70.0f}, {"effLampsRight", 610.0f}}) {
    DtmRecord effect = Placed(name, 15, x - 10, 290, 20, 20);
    effect.Property("_keyEff", "magicrain");
    root.Child(effect);
  }
  return root;
}

namespace {

// A pole on a foot: a tower of 24 x 220.
ImageLib::Image TowerPicture() {
  return sample::Picture(24, 220, [](int x, int y) {
    if (y >= 205) return Opaque(0x5A3A1A);
    const int shade = 120 + std::abs(x - 12) * -6 + 60;
    return Opaque(static_cast<uint32_t>((shade << 16) | ((shade * 3 / 4) << 8) | (shade / 3)));
  });
}

// A disk of width x 24: the back picture (the top of the disk, lighter) or
// the front picture (the rim, drawn before the pole; clear above it).
ImageLib::Image DiskPicture(int width, int hue, bool front) {
  return sample::Picture(width, 24, [width, hue, front](int x, int y) {
    const float dx = (static_cast<float>(x) - width / 2.0f + 0.5f) / (width / 2.0f);
    const float dy = (static_cast<float>(y) - 12.0f + 0.5f) / 12.0f;
    if (dx * dx + dy * dy > 1.0f) return 0u;
    const int rim = static_cast<int>(70.0f * (dx * dx + dy * dy));
    if (front) return y >= 12 ? Hue(hue, 190 - rim) : 0u;
    return Hue(hue, 250 - y * 2 - rim);
  });
}

// The towers' room: a wall of stone over a long wooden base the poles
// stand on; over the last pole, the goal, a gold arrow and the outline of
// the whole stack of disks.
ImageLib::Image TowersBackdrop(int disks) {
  ImageLib::Image back = levelpics::SurfaceBackdrop(800, 600, levelpics::Surface::kStone, 0x7A7488, 101);
  levelpics::Paint(back, levelpics::SurfaceBackdrop(600, 40, levelpics::Surface::kWood, 0x9A6A3A, 102), 30, 420);
  levelpics::Paint(
      back, sample::Picture(600, 6, [](int, int y) { return Opaque(levelpics::Mix(0xE0B070, 0x7A5028, y / 6.0f)); }),
      30, 414);
  for (int d = 0; d < disks; ++d) {
    const int width = 170 - 30 * d;
    const int top = 393 - 24 * d - 12;
    levelpics::Paint(back,
                     sample::Picture(width, 24,
                                     [width](int x, int y) -> uint32_t {
                                       const float dx = (x + 0.5f - width / 2.0f) / (width / 2.0f);
                                       const float dy = (y + 0.5f - 12.0f) / 12.0f;
                                       const float r = dx * dx + dy * dy;
                                       if (r > 1.0f) return 0u;
                                       return r > 0.75f ? 0xC0FFF0A0u : 0x30FFF0A0u;
                                     }),
                     520 - width / 2, top);
  }
  levelpics::Paint(back, levelpics::ArrowDown(36, 44, 0xF0C020), 520 - 18, 146);
  return back;
}

}  // namespace

DtmRecord MakeTowersLevel(const LevelSlot& slot, LevelAssets& assets) {
  // Three disks first, four in later appearances (15 moves).
  const int disks = slot.appearance == 0 ? 3 : 4;
  const std::string backKey = "bg_towers_" + std::to_string(disks);
  assets.Add(backKey, TowersBackdrop(disks));
  DtmRecord root = LevelRoot(slot, backKey);
  assets.Add("tower_pole", TowerPicture());
  for (int t = 0; t < 3; ++t) {
    DtmRecord tower = Placed("sprTower" + std::to_string(t), 3, 108.0f + 200.0f * t, 200, 24, 220);
    tower.Property("_keyImg", "tower_pole");
    root.Child(tower);
  }
  for (int d = 0; d < disks; ++d) {
    const int width = 170 - 30 * d;
    const int hue = d * 1536 / disks + slot.appearance * 200;
    const std::string back = "tower_disk" + std::to_string(d) + "_" + std::to_string(slot.appearance % 2);
    assets.Add(back, DiskPicture(width, hue, false));
    assets.Add(back + "f", DiskPicture(width, hue, true));
    // The reference point at the disk's centre, so the pictures rest on one
    // another; disk 0's point is the stack's base, on the tower's foot.
    DtmRecord disk = Placed("sprDisk" + std::to_string(d), 3, 120.0f - width / 2.0f, 393.0f - 24.0f * d,
                            static_cast<float>(width), 24);
    disk.Property("_keyImg", back);
    disk.Property("_iCenterX", std::to_string(width / 2));
    disk.Property("_iCenterY", "12");
    root.Child(disk);
    DtmRecord front = Placed("sprDisk" + std::to_string(d) + "_front", 3, 0, 0, static_cast<float>(width), 24);
    front.Property("_keyImg", back + "f");
    root.Child(front);
  }
  return root;
}

namespace {

// The stage's picture cut round, clear outside the circle, the rim
// darkened as if the bezel shaded it.
ImageLib::Image RoundPicture(const ImageLib::Image& stage) {
  const int side = stage.width;
  return sample::Picture(side, side, [&stage, side](int x, int y) -> uint32_t {
    const float dx = static_cast<float>(x - side / 2);
    const float dy = static_cast<float>(y - side / 2);
    const float r = std::sqrt(dx * dx + dy * dy);
    if (r > side / 2.0f) return 0u;
    const uint32_t pixel = stage.pixels[static_cast<size_t>(y * side + x)] & 0xFFFFFF;
    const float shade = std::max(0.0f, (r - side * 0.42f) / (side * 0.08f)) * 0.35f;
    return Opaque(levelpics::Mix(pixel, 0x000000, shade));
  });
}

}  // namespace

DtmRecord MakeCirclePuzzleLevel(const LevelSlot& slot, LevelAssets& assets) {
  // Three bands (two rings) first, four later.
  const int bands = slot.appearance == 0 ? 3 : 4;
  constexpr int side = 300;
  const std::string key = "round_" + SlotTag(slot);
  const ImageLib::Image round = RoundPicture(StagePicture(slot.stage, side, side));
  const auto bezel = [](int size, float inner) {
    return sample::Picture(size, size, [size, inner](int x, int y) -> uint32_t {
      const float half = size / 2.0f;
      const float dx = x + 0.5f - half;
      const float dy = y + 0.5f - half;
      const float r = std::sqrt(dx * dx + dy * dy);
      if (r > half || r < inner) return 0u;
      const float light = 0.5f - 0.5f * (dx + dy) / (r + 1.0f);
      return Opaque(levelpics::Mix(0x6A4A18, 0xF0D080, r > (half + inner) / 2.0f ? light : 1.0f - light));
    });
  };
  const std::string backKey = "bg_circle";
  if (!assets.Has(backKey)) {
    // A dark wooden table with a brass bezel the round picture turns in.
    ImageLib::Image back = levelpics::SurfaceBackdrop(800, 600, levelpics::Surface::kWood, 0x4A2E1C, 111);
    levelpics::Paint(back, bezel(340, 146.0f), 170, 130);
    assets.Add(backKey, std::move(back));
  }
  // The picture as it should end, small in a brass frame below right.
  constexpr int kSmall = 100;
  constexpr int kStep = side / kSmall;
  ImageLib::Image goal = bezel(kSmall + 16, kSmall / 2.0f - 2.0f);
  ImageLib::Image small(kSmall, kSmall);
  for (int y = 0; y < kSmall; ++y) {
    for (int x = 0; x < kSmall; ++x) {
      uint32_t sum[4] = {0, 0, 0, 0};
      for (int k = 0; k < kStep * kStep; ++k) {
        const uint32_t pixel =
            round.pixels[static_cast<size_t>((y * kStep + k / kStep) * side + x * kStep + k % kStep)];
        for (int c = 0; c < 4; ++c) sum[c] += (pixel >> (8 * c)) & 0xFF;
      }
      uint32_t out = 0;
      for (int c = 0; c < 4; ++c) out |= (sum[c] / (kStep * kStep)) << (8 * c);
      small.pixels[static_cast<size_t>(y * kSmall + x)] = out;
    }
  }
  for (size_t k = 0; k < goal.pixels.size(); ++k) {
    const int x = static_cast<int>(k) % goal.width - 8;
    const int y = static_cast<int>(k) / goal.width - 8;
    if ((goal.pixels[k] >> 24) != 0 || x < 0 || y < 0 || x >= kSmall || y >= kSmall) continue;
    goal.pixels[k] = small.pixels[static_cast<size_t>(y * kSmall + x)];
  }
  const std::string goalKey = "round_goal_" + SlotTag(slot);
  assets.Add(goalKey, std::move(goal));
  DtmRecord root = LevelRoot(slot, backKey);
  assets.Add(key, round);
  root.Child(Placed("sprGoal", 3, 540, 460, kSmall + 16, kSmall + 16).Property("_keyImg", goalKey));
  DtmRecord picture = Placed("sprPuzzle", 3, 190, 150, side, side);
  picture.Property("_keyImg", key);
  picture.Property("_iNumPiece", std::to_string(bands));
  root.Child(picture);
  DtmRecord sound = Placed("soundRotateFind", 17, 0, 0, 1, 1);
  sound.Property("_keySound", "SOUND_GOOD_OBJECT");
  root.Child(sound);
  return root;
}

DtmRecord MakeJigsawLevel(const LevelSlot& slot, LevelAssets& assets) {
  // 2 x 3 first, 3 x 3 later; one piece starts fixed.
  const int rows = slot.appearance == 0 ? 2 : 3;
  const int columns = 3;
  const int width = 360;
  const int height = 120 * rows;
  DtmRecord root = LevelRoot(slot, assets);
  root.Property("_iPuzzleRows", std::to_string(rows));
  root.Property("_iPuzzleCols", std::to_string(columns));
  root.Property("_iPuzzleFixs", "1");
  const std::string key = "jigsaw_" + SlotTag(slot);
  const ImageLib::Image stage = StagePicture(slot.stage, width, height);
  // The cut is random: the tray shows the picture's frame, not its pieces.
  root.Child(Tray(key, stage, 0, 50, 120, assets));
  assets.Add(key, stage);

  DtmRecord picture = Placed("sprPuzzle", 3, 50, 120, static_cast<float>(width), static_cast<float>(height));
  picture.Property("_keyImg", key);
  root.Child(picture);
  // Loose pieces land with their centres in this strip: pieces of 120
  // pixels stay clear of the HUD panel at 680.
  root.Child(Placed("rectShuffle", 3, 480, 110, 120, 380));
  DtmRecord effect = Placed("effOnPlace", 15, 50, 120, 20, 20);
  effect.Property("_keyEff", "magicwand");
  root.Child(effect);
  return root;
}

}  // namespace Kivo
