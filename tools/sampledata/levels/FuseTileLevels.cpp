#include "tools/sampledata/levels/FuseTileLevels.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "tools/sampledata/SampleDrawing.h"
#include "tools/sampledata/levels/LevelPictures.h"

namespace Kivo {

namespace {

constexpr int kTile = 64;
constexpr int kLamp = 32;
constexpr int kRows = 2;

// A dark bevelled tile with a pale fuse from the centre to the open sides
// as made (straight: up, down; corner: up, right; T: left, right, down;
// cross: all). The game dims an unlit tile to three fifths, so the fuse is
// drawn a light yellow: lit it glows, unlit it stays a dull ochre, and
// the dark edge round it keeps the two apart from the tile itself.
ImageLib::Image TilePicture(bool left, bool up, bool right, bool down) {
  return sample::Picture(kTile, kTile, [=](int x, int y) {
    const int c = kTile / 2;
    const auto onFuse = [&](int width) {
      const bool horizontal = y >= c - width && y < c + width && ((left && x <= c) || (right && x >= c));
      const bool vertical = x >= c - width && x < c + width && ((up && y <= c) || (down && y >= c));
      const bool hub = x >= c - width - 2 && x < c + width + 2 && y >= c - width - 2 && y < c + width + 2;
      return horizontal || vertical || hub;
    };
    if (onFuse(4)) return sample::Opaque(0xFFE470);
    if (onFuse(7)) return sample::Opaque(0x0C0E14);
    if (x < 2 || y < 2) return sample::Opaque(0x6A7890);  // lit rim, top and left
    if (x >= kTile - 2 || y >= kTile - 2) return sample::Opaque(0x0A0C12);
    return sample::Opaque(levelpics::Mix(0x262E40, 0x1A2030, static_cast<float>(x + y) / (2.0f * kTile)));
  });
}

// Two cels side by side: a dark bulb, then a lit one.
ImageLib::Image LampPicture() {
  return sample::Picture(2 * kLamp, kLamp, [](int x, int y) {
    const bool lit = x >= kLamp;
    const float dx = static_cast<float>(x % kLamp) - kLamp / 2.0f + 0.5f;
    const float dy = static_cast<float>(y) - kLamp / 2.0f + 0.5f;
    const float r2 = dx * dx + dy * dy;
    if (r2 > 14.0f * 14.0f) return 0x00000000u;
    if (r2 > 12.0f * 12.0f) return sample::Opaque(lit ? 0xFFD040 : 0x404040);
    if (lit) return sample::Opaque(levelpics::Mix(0xFFFFF0, 0xFFD030, std::sqrt(r2) / 12.0f));
    // An unlit bulb: dark glass with a small shine, not a hole.
    const float sx = dx + 4.0f, sy = dy + 4.0f;
    return sample::Opaque(sx * sx + sy * sy < 6.0f ? 0x8A909A : 0x3A4048);
  });
}

// Sides as steps: up, right, down, left.
constexpr int kStepX[4] = {0, 1, 0, -1};
constexpr int kStepY[4] = {-1, 0, 1, 0};

// Whether a tile of kind, turned as needed, joins side in to side out.
bool Joins(FuseTile kind, int in, int out) {
  if (kind == FuseTile::kStraight) return (in + 2) % 4 == out;
  if (kind == FuseTile::kCorner) return (in + 1) % 4 == out || (in + 3) % 4 == out;
  return true;
}

// Whether a chain entering cell (column, row) through side in leaves the
// top edge, using each cell once (a cell turns one way only).
bool ChainOut(int rows, int columns, const std::vector<FuseTile>& tiles, std::vector<bool>& used, int column, int row,
              int in) {
  const FuseTile kind = tiles[static_cast<size_t>(column * rows + row)];
  for (int out = 0; out < 4; ++out) {
    if (out == in || !Joins(kind, in, out)) continue;
    if (out == 0 && row == 0) return true;
    const int nextColumn = column + kStepX[out], nextRow = row + kStepY[out];
    if (nextColumn < 0 || nextColumn >= columns || nextRow < 0 || nextRow >= rows) continue;
    const size_t next = static_cast<size_t>(nextColumn * rows + nextRow);
    if (used[next]) continue;
    used[next] = true;
    const bool out2 = ChainOut(rows, columns, tiles, used, nextColumn, nextRow, (out + 2) % 4);
    used[next] = false;
    if (out2) return true;
  }
  return false;
}

// The narrowest board of rows and at least columns on which every deal has
// a path; the look of the level is kept as close as the deal allows.
int DealableColumns(int rows, int columns) {
  while (!EveryFuseDealHasPath(rows, columns)) ++columns;
  return columns;
}

// The fuse board's wall: a steel panel holding the tiles and, over each
// column, three lamp sockets with brass rims; under the board a power box
// with a lightning mark and a gold arrow up into the bottom row, where the
// current comes in.
ImageLib::Image FuseBackdrop(int offX, int offY, int columns) {
  ImageLib::Image back = levelpics::SurfaceBackdrop(680, 600, levelpics::Surface::kStone, 0x4A5060, 5);
  const int width = columns * kTile;
  const int panelTop = offY - 148;
  levelpics::Paint(back,
                   levelpics::SurfaceBackdrop(width + 32, kRows * kTile + 164, levelpics::Surface::kMetal, 0x6A7280, 6),
                   offX - 16, panelTop);
  const ImageLib::Image socket = sample::Picture(kLamp + 10, kLamp + 10, [](int x, int y) -> uint32_t {
    const float dx = x - (kLamp + 9) / 2.0f;
    const float dy = y - (kLamp + 9) / 2.0f;
    const float r = std::sqrt(dx * dx + dy * dy);
    if (r > (kLamp + 10) / 2.0f) return 0u;
    if (r > kLamp / 2.0f) return sample::Opaque(levelpics::Mix(0xF0D080, 0x705010, (dx + dy) / 40.0f + 0.5f));
    return sample::Opaque(0x181A20);
  });
  for (int column = 0; column < columns; ++column) {
    for (int n = 0; n < 3; ++n) {
      const int left = offX + column * kTile + (kTile - kLamp) / 2 - 5;
      const int top = offY + (kTile - kLamp) / 2 - 72 - n * (kLamp + 6) - 5;
      levelpics::Paint(back, socket, left, top);
    }
  }
  // The power box, its cable and the arrow.
  const int boxTop = offY + kRows * kTile + 24;
  levelpics::Paint(back,
                   sample::Picture(width, 46,
                                   [width](int x, int y) -> uint32_t {
                                     const int edge = std::min(std::min(x, width - 1 - x), std::min(y, 45 - y));
                                     if (edge < 3) return sample::Opaque(0x202228);
                                     // A lightning mark in the middle.
                                     const float u = x - width / 2.0f;
                                     const float v = static_cast<float>(y) - 23.0f;
                                     const bool bolt =
                                         (v < 0.0f && std::fabs(u - 4.0f + v * 0.5f) < 4.0f && v > -16.0f) ||
                                         (v >= 0.0f && std::fabs(u + 4.0f + v * 0.5f) < 4.0f && v < 16.0f) ||
                                         (std::fabs(v) < 3.0f && std::fabs(u) < 8.0f);
                                     if (bolt) return sample::Opaque(0xFFD030);
                                     return sample::Opaque(levelpics::Mix(0x3A3A40, 0x202024, y / 46.0f));
                                   }),
                   offX, boxTop);
  ImageLib::Image up = levelpics::ArrowDown(26, 24, 0xF0C020);
  for (int y = 0; y < up.height / 2; ++y) {
    for (int x = 0; x < up.width; ++x) {
      std::swap(up.pixels[static_cast<size_t>(y * up.width + x)],
                up.pixels[static_cast<size_t>((up.height - 1 - y) * up.width + x)]);
    }
  }
  for (int column = 0; column < columns; ++column) levelpics::Paint(back, up, offX + column * kTile + 19, boxTop - 24);
  return back;
}

DtmRecord Effect(const std::string& name, const std::string& effect) {
  DtmRecord record = sample::Placed(name, 15, 0, 0, 1, 1);
  record.Property("_keyEff", effect);
  return record;
}

}  // namespace

bool FuseDealHasPath(int rows, int columns, const std::vector<FuseTile>& tiles) {
  std::vector<bool> used(tiles.size(), false);
  for (int column = 0; column < columns; ++column) {
    const size_t bottom = static_cast<size_t>(column * rows + rows - 1);
    used[bottom] = true;
    const bool found = ChainOut(rows, columns, tiles, used, column, rows - 1, 2);
    used[bottom] = false;
    if (found) return true;
  }
  return false;
}

bool EveryFuseDealHasPath(int rows, int columns) {
  const int cells = rows * columns;
  // Four kinds a cell: boards up to 8 cells (65536 deals) are checked.
  if (rows < 1 || columns < 1 || cells > 8) return false;
  std::vector<FuseTile> tiles(static_cast<size_t>(cells));
  for (int deal = 0; deal < (1 << (2 * cells)); ++deal) {
    for (int i = 0; i < cells; ++i) tiles[static_cast<size_t>(i)] = static_cast<FuseTile>((deal >> (2 * i)) & 3);
    if (!FuseDealHasPath(rows, columns, tiles)) return false;
  }
  return true;
}

DtmRecord MakeTarnivelleLevel(const LevelSlot& slot, LevelAssets& assets) {
  const int variant = slot.appearance;
  assets.Add("lvl_fuse_tile1", TilePicture(false, true, false, true));
  assets.Add("lvl_fuse_tile2", TilePicture(false, true, true, false));
  assets.Add("lvl_fuse_tile3", TilePicture(true, false, true, true));
  assets.Add("lvl_fuse_tile4", TilePicture(true, true, true, true));
  assets.Add("lvl_fuse_lamp", LampPicture(), 2, 1);
  // The board moves with the appearance; it never sits half a cell from
  // the left edge, where a new tile's corners would tie.
  const int offX = 180 + 40 * (variant % 4);
  const int offY = 340 + 10 * (variant % 3);
  const int columns = DealableColumns(kRows, variant == 0 ? 2 : 3);
  const std::string back =
      "lvl_fuse_back_" + std::to_string(offX) + "_" + std::to_string(offY) + "_" + std::to_string(columns);
  if (!assets.Has(back)) assets.Add(back, FuseBackdrop(offX, offY, columns));
  DtmRecord root = levelpics::PictureRecord("level", 3, 0, 0, 680, 600, back);
  root.Property("type_game", "tarnivelle")
      .Property("_iOffX", std::to_string(offX))
      .Property("_iOffY", std::to_string(offY))
      .Property("_iNumRows", std::to_string(kRows))
      .Property("_iNumCols", std::to_string(columns))
      .Property("_iOffsetLampY_1", "72")
      .Property("_iOffsetLampY_2", "6")
      .Property("_keyImg_tile1", "lvl_fuse_tile1")
      .Property("_keyImg_tile2", "lvl_fuse_tile2")
      .Property("_keyImg_tile3", "lvl_fuse_tile3")
      .Property("_keyImg_tile4", "lvl_fuse_tile4")
      .Property("_keyImg_lamp", "lvl_fuse_lamp");
  root.Child(Effect("effKillEl", "fxsparkle"));
  root.Child(Effect("effLampOn", "magicwand"));
  return root;
}

}  // namespace Kivo
